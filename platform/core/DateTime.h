#pragma once
// TDateTime: a point in time counted in days since 1899-12-30, the fraction being the time of
// day. This is the date type of variants, fields and server calls. "Now" comes from a clock
// that tests can replace, so that no test depends on the machine's time.

#include <QDateTime>
#include <QString>
#include <compare>

class TTextBuffer;

class TDateTime {
public:
    constexpr TDateTime() = default;
    constexpr explicit TDateTime(double value) : FValue(value) {}

    constexpr double Value() const { return FValue; }

    static TDateTime EncodeDate(int year, int month, int day); // raises EConvertError
    static TDateTime EncodeTime(int hour, int minute, int second, int msec = 0);
    static TDateTime FromDate(const QDate &date);
    static TDateTime FromTime(const QTime &time);
    static TDateTime FromQDateTime(const QDateTime &dateTime); // local time

    QDate ToDate() const;
    QTime ToTime() const;
    QDateTime ToQDateTime() const; // local time
    void DecodeDate(int &year, int &month, int &day) const;
    void DecodeTime(int &hour, int &minute, int &second, int &msec) const;

    TDateTime DatePart() const;
    TDateTime TimePart() const;

    TDateTime operator+(double days) const { return TDateTime(FValue + days); }
    TDateTime operator-(double days) const { return TDateTime(FValue - days); }
    double operator-(TDateTime other) const { return FValue - other.FValue; }
    auto operator<=>(const TDateTime &) const = default;

private:
    double FValue = 0.0;
};

// The source of the current time. The default reads the machine's clock.
class TClock {
public:
    virtual ~TClock() = default;
    virtual QDateTime CurrentDateTime() const = 0;
};

// Replaces the process clock (nullptr restores the machine's clock). The caller keeps ownership.
void SetClock(const TClock *clock);

TDateTime Now();
TDateTime Date();
TDateTime Time();

// Formats with the original's date-time patterns: yyyy yy m mm mmm mmmm d dd ddd dddd h hh
// n nn s ss z zzz am/pm ampm, "/" and ":" as themselves, text in quotes copied. An m or mm
// right after an hour stands for minutes.
QString FormatDateTime(const QString &format, TDateTime value);

// "yyyy/mm/dd hh:nn:ss"; the time is left out when it is midnight.
QString DateTimeToStr(TDateTime value);
QString DateToStr(TDateTime value); // "yyyy/mm/dd"
// DateToStr's text appended to a buffer the caller reuses.
void AppendDateText(TTextBuffer &out, TDateTime value);
QString TimeToStr(TDateTime value); // "hh:nn:ss"

// Reads "yyyy/m/d", "yyyy-m-d", optionally followed by "h:n[:s]", or a time alone.
// Raises EConvertError "'%s' is not a valid date and time" on anything else.
TDateTime StrToDateTime(const QString &text);
bool TryStrToDateTime(const QString &text, TDateTime &value);
