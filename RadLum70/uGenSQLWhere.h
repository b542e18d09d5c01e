#pragma once
// Turns what a user typed into criteria edits into the text of an SQL WHERE clause. The free
// functions read and check the content of edit controls (moving the focus to a control whose
// input is wrong before raising the error); TGenSQLWhere accumulates conditions, each combined
// with what is there by And or Or, nesting from the left: ( ( A And B ) Or C ).
//
// Edit controls are any widgets with a "text" property; dates may also come from calendar
// widgets or date edits. String and date values are quoted with apostrophes (an apostrophe in
// a value is doubled); numbers are not. Dates show in the short date format "yyyy/mm/dd".

#include "Component.h"
#include "DateTime.h"

#include <QString>

class QWidget;
class TDataSet;
class TStringList;

// Focuses the control when it can take the focus, then raises the message; an empty message
// raises a silent abort.
[[noreturn]] void ValidGoWinControl(QWidget *control, const QString &message);
// Rounds half away from zero to the given number of decimals: 2.345 → 2.35, −2.345 → −2.35.
double Round45(double value, int decimals);
// The whole part of value + 0.5.
qint64 nRound45(double value);
QString sGetEditText(QWidget *control);
// Sets the control's text; a control without one is left alone.
void SetEditText(QWidget *control, const QString &text);
// The date in the control; 0 when it is empty and not required.
TDateTime EditToDate(QWidget *control, bool required);
void EditToDate2(QWidget *fromControl, QWidget *toControl, TDateTime &fromDate, TDateTime &toDate);
// The integer in the edit (min..max when they differ); emptyValue when empty and not required.
int EditToUnInt(QWidget *edit, bool required, int min, int max, int emptyValue);
void EditToUnInt2(QWidget *fromEdit, QWidget *toEdit, int min, int max, int emptyValue,
                  int &fromValue, int &toValue);
// The number in the edit with at most `decimals` decimals (negative: any).
double EditToFloat(QWidget *edit, int decimals, bool required, double min, double max,
                   double emptyValue);
void EditToFloat2(QWidget *fromEdit, QWidget *toEdit, int decimals, double min, double max,
                  double emptyValue, double &fromValue, double &toValue);
void EditToStr2(QWidget *fromEdit, QWidget *toEdit, QString &fromText, QString &toText);

class TGenSQLWhere : public TComponent {
    Q_OBJECT
public:
    explicit TGenSQLWhere(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TGenSQLWhere"); }

    const QString &SQLWhere() const { return FSQLWhere; }
    void SetSQLWhere(const QString &text) { FSQLWhere = text.trimmed(); }

    // andCond: True combines with " And ", False with " Or ".
    void AddCond(bool andCond, const QString &condition);
    void AsString(bool andCond, const QString &field, const QString &op, const QString &value,
                  bool trim = true);
    void AsInteger(bool andCond, const QString &field, const QString &op, int value,
                   int emptyValue);
    void AsInteger(bool andCond, const QString &field, const QString &op, QWidget *edit,
                   bool required, int min, int max, int emptyValue);
    void AsFloat(bool andCond, const QString &field, const QString &op, double value,
                 double emptyValue);
    void AsFloat(bool andCond, const QString &field, const QString &op, QWidget *edit, int decimals,
                 bool required, double min, double max, double emptyValue);
    void AsDate(bool andCond, const QString &field, const QString &op, TDateTime date);
    void AsDate(bool andCond, const QString &field, const QString &op, QWidget *control,
                bool required);
    void _BetweenCmd(bool andCond, const QString &field, const QString &low, const QString &high);
    void BetweenString(bool andCond, const QString &field, QString from, QString to, bool trim);
    void BetweenString(bool andCond, const QString &field, QWidget *fromEdit, QWidget *toEdit);
    void BetweenInteger(bool andCond, const QString &field, int from, int to, int emptyValue);
    void BetweenInteger(bool andCond, const QString &field, QWidget *fromEdit, QWidget *toEdit,
                        int min, int max, int emptyValue);
    void BetweenFloat(bool andCond, const QString &field, double from, double to,
                      double emptyValue);
    void BetweenFloat(bool andCond, const QString &field, QWidget *fromEdit, QWidget *toEdit,
                      int decimals, double min, double max, double emptyValue);
    void BetweenDate(bool andCond, const QString &field, TDateTime from, TDateTime to);
    void BetweenDate(bool andCond, const QString &field, QWidget *fromControl, QWidget *toControl);
    void Like(bool andCond, const QString &field, const QString &value, bool trim = true);
    void LikeLeft(bool andCond, const QString &field, const QString &value, bool trim = true);
    // listText is ", " + item for every item.
    void _GenInCmd(bool andCond, const QString &field, const QString &listText);
    void InIntegers(bool andCond, const QString &field, const TStringList &list);
    void InStrings(bool andCond, const QString &field, const TStringList &list);
    void InDataSet(bool andCond, const QString &field, TDataSet *dataSet,
                   const QString &dataSetField);

private:
    QString FSQLWhere;
};
