#include "DateTime.h"

#include "Exceptions.h"
#include "NumberText.h"
#include "TextBuffer.h"

#include <QRegularExpression>
#include <cmath>
#include <cstring>

namespace {

const QDate kEpoch(1899, 12, 30);
constexpr double kMsecPerDay = 86400000.0;

class SystemClock : public TClock {
public:
    QDateTime CurrentDateTime() const override { return QDateTime::currentDateTime(); }
};

const SystemClock gSystemClock;
const TClock *gClock = &gSystemClock;

// Whole days and milliseconds of the day. Negative values keep the time as a positive
// fraction, as the format has always done: -1.25 is 1899-12-29 06:00.
void Split(double value, qint64 &days, qint64 &msec) {
    days = static_cast<qint64>(std::trunc(value));
    double frac = std::fabs(value - static_cast<double>(days));
    msec = static_cast<qint64>(std::llround(frac * kMsecPerDay));
    if (msec >= static_cast<qint64>(kMsecPerDay)) {
        msec = 0;
        days += value < 0 ? -1 : 1;
    }
}

} // namespace

TDateTime TDateTime::EncodeDate(int year, int month, int day) {
    const QDate d(year, month, day);
    if (!d.isValid() || year < 1 || year > 9999)
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return FromDate(d);
}

TDateTime TDateTime::EncodeTime(int hour, int minute, int second, int msec) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        msec < 0 || msec > 999)
        throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return TDateTime((((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / kMsecPerDay);
}

TDateTime TDateTime::FromDate(const QDate &date) {
    return TDateTime(static_cast<double>(kEpoch.daysTo(date)));
}

TDateTime TDateTime::FromTime(const QTime &time) {
    return TDateTime(time.msecsSinceStartOfDay() / kMsecPerDay);
}

TDateTime TDateTime::FromQDateTime(const QDateTime &dateTime) {
    const QDateTime local = dateTime.toLocalTime();
    const double days = static_cast<double>(kEpoch.daysTo(local.date()));
    const double frac = local.time().msecsSinceStartOfDay() / kMsecPerDay;
    return TDateTime(days >= 0 ? days + frac : days - frac);
}

QDate TDateTime::ToDate() const {
    qint64 days, msec;
    Split(FValue, days, msec);
    return kEpoch.addDays(days);
}

QTime TDateTime::ToTime() const {
    qint64 days, msec;
    Split(FValue, days, msec);
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(msec));
}

QDateTime TDateTime::ToQDateTime() const {
    return QDateTime(ToDate(), ToTime());
}

void TDateTime::DecodeDate(int &year, int &month, int &day) const {
    ToDate().getDate(&year, &month, &day);
}

void TDateTime::DecodeTime(int &hour, int &minute, int &second, int &msec) const {
    const QTime t = ToTime();
    hour = t.hour();
    minute = t.minute();
    second = t.second();
    msec = t.msec();
}

TDateTime TDateTime::DatePart() const {
    return TDateTime(std::trunc(FValue));
}

TDateTime TDateTime::TimePart() const {
    return TDateTime(std::fabs(FValue - std::trunc(FValue)));
}

void SetClock(const TClock *clock) {
    gClock = clock ? clock : &gSystemClock;
}

TDateTime Now() {
    return TDateTime::FromQDateTime(gClock->CurrentDateTime());
}

TDateTime Date() {
    return Now().DatePart();
}

TDateTime Time() {
    return Now().TimePart();
}

QString FormatDateTime(const QString &format, TDateTime value) {
    static const char *const kShortMonths[] = {"1月", "2月", "3月", "4月",  "5月",  "6月",
                                               "7月", "8月", "9月", "10月", "11月", "12月"};
    static const char *const kDays[] = {"星期一", "星期二", "星期三", "星期四",
                                        "星期五", "星期六", "星期日"};
    int year, month, day, hour, minute, second, msec;
    value.DecodeDate(year, month, day);
    value.DecodeTime(hour, minute, second, msec);
    const QDate date = value.ToDate();

    auto pad = [](int v, int width) { return QString::number(v).rightJustified(width, u'0'); };
    QString out;
    bool lastWasHour = false;
    const qsizetype n = format.size();
    qsizetype i = 0;
    auto run = [&](QChar c) {
        qsizetype k = i;
        while (k < n && format[k].toLower() == c)
            ++k;
        return k - i;
    };
    while (i < n) {
        const QChar c = format[i];
        const QChar lc = c.toLower();
        if (c == u'"' || c == u'\'') {
            const qsizetype end = format.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? n : end;
            out += format.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        if (lc == u'a' &&
            format.mid(i, 5).compare(QStringLiteral("am/pm"), Qt::CaseInsensitive) == 0) {
            out += hour < 12 ? QStringLiteral("am") : QStringLiteral("pm");
            i += 5;
            continue;
        }
        if (lc == u'a' &&
            format.mid(i, 4).compare(QStringLiteral("ampm"), Qt::CaseInsensitive) == 0) {
            out += hour < 12 ? QStringLiteral("上午") : QStringLiteral("下午");
            i += 4;
            continue;
        }
        const qsizetype len = run(lc);
        if (lc == u'y') {
            out += len <= 2 ? pad(year % 100, 2) : pad(year, 4);
            lastWasHour = false;
        } else if (lc == u'm') {
            if (lastWasHour && len <= 2) {
                out += len == 1 ? QString::number(minute) : pad(minute, 2);
            } else if (len == 1) {
                out += QString::number(month);
            } else if (len == 2) {
                out += pad(month, 2);
            } else {
                out += QString::fromUtf8(kShortMonths[month - 1]);
            }
            lastWasHour = false;
        } else if (lc == u'd') {
            if (len == 1)
                out += QString::number(day);
            else if (len == 2)
                out += pad(day, 2);
            else
                out += QString::fromUtf8(kDays[date.dayOfWeek() - 1]);
            lastWasHour = false;
        } else if (lc == u'h') {
            out += len == 1 ? QString::number(hour) : pad(hour, 2);
            lastWasHour = true;
        } else if (lc == u'n') {
            out += len == 1 ? QString::number(minute) : pad(minute, 2);
            lastWasHour = false;
        } else if (lc == u's') {
            out += len == 1 ? QString::number(second) : pad(second, 2);
            lastWasHour = false;
        } else if (lc == u'z') {
            out += len == 1 ? QString::number(msec) : pad(msec, 3);
            lastWasHour = false;
        } else {
            out += format.mid(i, len);
            i += len;
            continue;
        }
        i += len;
    }
    return out;
}

QString DateTimeToStr(TDateTime value) {
    if (value.TimePart().Value() == 0.0)
        return DateToStr(value);
    return FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn:ss"), value);
}

QString DateToStr(TDateTime value) {
    TTextBuffer text;
    AppendDateText(text, value);
    return text.ToString();
}

void AppendDateText(TTextBuffer &out, TDateTime value) {
    char16_t *const at = out.Extend(kDateTextUnits);
    if (WriteDateText(at, value.Value()))
        return;
    out.Truncate(out.Size() - kDateTextUnits);
    out.Append(QStringView(FormatDateTime(QStringLiteral("yyyy/mm/dd"), value)));
}

char16_t *WriteDateText(char16_t *at, double v) {
    int year, month, day;
    // A whole day of the years 1 to 9999, the value of every date field: the civil date of
    // the day count, in 400-year eras of the Gregorian calendar counted from 0000-03-01.
    const int whole = v >= -693593.0 && v <= 2958465.0 ? static_cast<int>(v) : 0;
    if (v == static_cast<double>(whole)) {
        // Days from 0000-03-01, never negative here: unsigned division by constants is cheaper.
        const auto z = static_cast<unsigned>(whole + 693899);
        const unsigned era = z / 146097;
        const unsigned doe = z - era * 146097;
        const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const unsigned mp = (5 * doy + 2) / 153;
        day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
        month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
        year = static_cast<int>(yoe + era * 400) + (month <= 2);
    } else {
        TDateTime(v).DecodeDate(year, month, day);
    }
    if (year < 1 || year > 9999)
        return nullptr;
    // The most written date text of all (every date field's text), made without the format.
    WriteTwoDigits(at, static_cast<unsigned>(year / 100));
    WriteTwoDigits(at + 2, static_cast<unsigned>(year % 100));
    at[4] = u'/';
    WriteTwoDigits(at + 5, static_cast<unsigned>(month));
    at[7] = u'/';
    WriteTwoDigits(at + 8, static_cast<unsigned>(day));
    return at + kDateTextUnits;
}

QString TimeToStr(TDateTime value) {
    return FormatDateTime(QStringLiteral("hh:nn:ss"), value);
}

namespace {
// The date texts that databases and stored files hold, read without the general pattern:
// "yyyy-mm-dd" (any of the separators - / .), alone or with " hh:nn:ss". True when the text has
// that form; `valid` then tells whether it names a real date and time, as the pattern would.
bool ReadFixedDateTime(QStringView text, bool &valid, double &value) {
    const qsizetype size = text.size();
    if (size != 10 && size != 19)
        return false;
    const auto digits = [text](qsizetype at, qsizetype count, int &out) {
        out = 0;
        for (qsizetype i = at; i < at + count; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9')
                return false;
            out = out * 10 + (c - u'0');
        }
        return true;
    };
    const auto separator = [text](qsizetype at) {
        const char16_t c = text[at].unicode();
        return c == u'-' || c == u'/' || c == u'.';
    };
    int y, m, d;
    if (!digits(0, 4, y) || !separator(4) || !digits(5, 2, m) || !separator(7) || !digits(8, 2, d))
        return false;
    int h = 0, mi = 0, s = 0;
    if (size == 19 && (text[10] != u' ' || !digits(11, 2, h) || text[13] != u':' ||
                       !digits(14, 2, mi) || text[16] != u':' || !digits(17, 2, s)))
        return false;
    const QDate date(y, m, d);
    valid = date.isValid() && h <= 23 && mi <= 59 && s <= 59;
    if (!valid)
        return true;
    value = TDateTime::FromDate(date).Value();
    if (size == 19) {
        const double t = TDateTime::EncodeTime(h, mi, s).Value();
        value = value >= 0 ? value + t : value - t;
    }
    return true;
}
} // namespace

bool TryStrToDateTime(const QString &text, TDateTime &value) {
    bool valid = false;
    double fixed = 0;
    if (ReadFixedDateTime(text, valid, fixed)) {
        if (valid)
            value = TDateTime(fixed);
        return valid;
    }
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(?:(\d{1,4})[/\-.](\d{1,2})[/\-.](\d{1,2}))?\s*(?:(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch() || (m.captured(1).isEmpty() && m.captured(4).isEmpty()))
        return false;
    double result = 0;
    if (!m.captured(1).isEmpty()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (!d.isValid())
            return false;
        result = TDateTime::FromDate(d).Value();
    }
    if (!m.captured(4).isEmpty()) {
        const int h = m.captured(4).toInt(), mi = m.captured(5).toInt(), s = m.captured(6).toInt();
        if (h > 23 || mi > 59 || s > 59)
            return false;
        const double t = TDateTime::EncodeTime(h, mi, s).Value();
        result = result >= 0 ? result + t : result - t;
    }
    value = TDateTime(result);
    return true;
}

TDateTime StrToDateTime(const QString &text) {
    TDateTime v;
    if (!TryStrToDateTime(text, v))
        throw EConvertError(Format(QStringLiteral("'%s' is not a valid date and time"), {text}));
    return v;
}
