#include "uGenSQLWhere.h"

#include "Big5.h"
#include "DBSpinEdit.h"
#include "DataSet.h"
#include "Exceptions.h"
#include "Fields.h"
#include "StringList.h"
#include "uTqDBNumEdit.h"

#include <QCalendarWidget>
#include <QDate>
#include <QDateTimeEdit>
#include <QVariant>
#include <QWidget>
#include <cmath>

namespace {

// A string literal: an apostrophe inside the value is doubled so that it cannot end the
// literal early.
QString Quoted(const QString &value) {
    QString v = value;
    v.replace(u'\'', QStringLiteral("''"));
    return u'\'' + v + u'\'';
}

TDateTime WholeDay(TDateTime value) {
    return TDateTime(std::floor(value.Value()));
}

QString DateText(TDateTime value) {
    return DateToStr(WholeDay(value));
}

// Texts sort as their Big5 bytes, the order the school's data has always had.
bool SortsBefore(const QString &a, const QString &b) {
    return Big5Encode(a) < Big5Encode(b);
}

void Focus(QWidget *control) {
    if (control && control->isEnabled() && control->isVisible())
        control->setFocus();
}

// Runs read; on an error the control gets the focus before the error passes on.
template <class F> auto FocusOnError(QWidget *control, F read) {
    try {
        return read();
    } catch (...) {
        Focus(control);
        throw;
    }
}

} // namespace

// ---- free functions ----

void ValidGoWinControl(QWidget *control, const QString &message) {
    Focus(control);
    if (message.isEmpty())
        Abort();
    throw Exception(message);
}

double Round45(double value, int decimals) {
    const double p = std::pow(10.0, decimals);
    double r = value >= 0 ? std::trunc(value * p + 0.5) : std::trunc(value * p - 0.5);
    if (p > 1)
        r /= p;
    return r;
}

qint64 nRound45(double value) {
    return static_cast<qint64>(std::trunc(value + 0.5));
}

QString sGetEditText(QWidget *control) {
    return control ? control->property("text").toString() : QString();
}

void SetEditText(QWidget *control, const QString &text) {
    // A data-bound edit writes into its field, which shows the text again.
    TField *field = nullptr;
    if (auto *edit = qobject_cast<TTqDBNumEdit *>(control))
        field = edit->Field();
    else if (auto *spin = qobject_cast<TDBSpinEdit *>(control))
        field = spin->Field();
    if (field) {
        field->SetAsString(text);
        return;
    }
    if (control && control->property("text").isValid())
        control->setProperty("text", text);
}

TDateTime EditToDate(QWidget *control, bool required) {
    // Calendar controls publish their date; their text is not the date.
    if (control) {
        const QVariant date = control->property("Date");
        if (date.isValid() && date.canConvert<QDate>()) {
            const QDate d = date.toDate();
            if (!d.isValid()) {
                if (required)
                    ValidGoWinControl(control, QStringLiteral("必須輸入日期"));
                return TDateTime(0);
            }
            return TDateTime::FromQDateTime(d.startOfDay());
        }
    }
    if (auto *calendar = qobject_cast<QCalendarWidget *>(control))
        return TDateTime::FromQDateTime(calendar->selectedDate().startOfDay());
    if (auto *edit = qobject_cast<QDateTimeEdit *>(control))
        return TDateTime::FromQDateTime(edit->date().startOfDay());
    const QString text = sGetEditText(control).trimmed();
    if (text.isEmpty()) {
        if (required)
            ValidGoWinControl(control, QStringLiteral("必須輸入日期"));
        return TDateTime(0);
    }
    TDateTime value;
    if (!TryStrToDateTime(text, value))
        ValidGoWinControl(control, QStringLiteral("輸入日期格式錯誤"));
    return value;
}

void EditToDate2(QWidget *fromControl, QWidget *toControl, TDateTime &fromDate, TDateTime &toDate) {
    fromDate = EditToDate(fromControl, false);
    toDate = EditToDate(toControl, false);
    if (fromDate.Value() > 0 && toDate.Value() > 0 && fromDate.Value() > toDate.Value())
        throw Exception(
            Format(QStringLiteral("範圍錯誤 %s > %s"), {DateText(fromDate), DateText(toDate)}));
}

int EditToUnInt(QWidget *edit, bool required, int min, int max, int emptyValue) {
    const QString text = sGetEditText(edit).trimmed();
    if (text.isEmpty() && !required)
        return emptyValue;
    return FocusOnError(edit, [&] {
        const int value = StrToInt(text);
        if (min != max && (value < min || value > max))
            throw Exception(Format(QStringLiteral("輸入允許的範圍為 %d 到 %d"),
                                   {QString::number(min), QString::number(max)}));
        return value;
    });
}

void EditToUnInt2(QWidget *fromEdit, QWidget *toEdit, int min, int max, int emptyValue,
                  int &fromValue, int &toValue) {
    fromValue = EditToUnInt(fromEdit, false, min, max, emptyValue);
    toValue = EditToUnInt(toEdit, false, min, max, emptyValue);
    if (fromValue != emptyValue && toValue != emptyValue && toValue < fromValue) {
        Focus(fromEdit);
        throw Exception(Format(QStringLiteral("範圍錯誤 %d > %d"),
                               {QString::number(fromValue), QString::number(toValue)}));
    }
}

double EditToFloat(QWidget *edit, int decimals, bool required, double min, double max,
                   double emptyValue) {
    if (decimals > 6)
        ValidGoWinControl(edit, Format(QStringLiteral("%d 超過小數位數範圍( 0 - 6 )"),
                                       {QString::number(decimals)}));
    const QString text = sGetEditText(edit).trimmed();
    if (text.isEmpty() && !required)
        return emptyValue;
    return FocusOnError(edit, [&] {
        const double value = StrToFloat(text);
        if (decimals >= 0 && std::fabs(value - Round45(value, decimals)) > 1e-7)
            ValidGoWinControl(
                edit, Format(QStringLiteral("小數位數只可為 %d 位"), {QString::number(decimals)}));
        if (min != max && (value < min || value > max))
            throw Exception(Format(QStringLiteral("輸入允許的範圍為 %s 到 %s"),
                                   {QString::number(min, 'f', 2), QString::number(max, 'f', 2)}));
        return value;
    });
}

void EditToFloat2(QWidget *fromEdit, QWidget *toEdit, int decimals, double min, double max,
                  double emptyValue, double &fromValue, double &toValue) {
    fromValue = EditToFloat(fromEdit, decimals, false, min, max, emptyValue);
    toValue = EditToFloat(toEdit, decimals, false, min, max, emptyValue);
    if (fromValue != emptyValue && toValue != emptyValue && toValue < fromValue) {
        Focus(fromEdit);
        throw Exception(Format(QStringLiteral("範圍錯誤 %s > %s"),
                               {FloatToStr(fromValue), FloatToStr(toValue)}));
    }
}

void EditToStr2(QWidget *fromEdit, QWidget *toEdit, QString &fromText, QString &toText) {
    fromText = sGetEditText(fromEdit).trimmed();
    toText = sGetEditText(toEdit).trimmed();
    if (!fromText.isEmpty() && !toText.isEmpty() && SortsBefore(toText, fromText)) {
        Focus(fromEdit);
        throw Exception(Format(QStringLiteral("範圍錯誤 %s > %s"), {fromText, toText}));
    }
}

// ---- TGenSQLWhere ----

TGenSQLWhere::TGenSQLWhere(QObject *owner) : TComponent(owner) {}

void TGenSQLWhere::AddCond(bool andCond, const QString &condition) {
    if (condition.isEmpty())
        return;
    if (FSQLWhere.isEmpty())
        FSQLWhere = condition;
    else
        FSQLWhere = QStringLiteral("( ") + FSQLWhere +
                    (andCond ? QStringLiteral(" And ") : QStringLiteral(" Or ")) + condition +
                    QStringLiteral(" )");
}

void TGenSQLWhere::AsString(bool andCond, const QString &field, const QString &op,
                            const QString &value, bool trim) {
    const QString v = trim ? value.trimmed() : value;
    if (!v.isEmpty())
        AddCond(andCond, field + op + Quoted(v));
}

void TGenSQLWhere::AsInteger(bool andCond, const QString &field, const QString &op, int value,
                             int emptyValue) {
    if (value != emptyValue)
        AddCond(andCond, field + op + QString::number(value));
}

void TGenSQLWhere::AsInteger(bool andCond, const QString &field, const QString &op, QWidget *edit,
                             bool required, int min, int max, int emptyValue) {
    AsInteger(andCond, field, op, EditToUnInt(edit, required, min, max, emptyValue), emptyValue);
}

void TGenSQLWhere::AsFloat(bool andCond, const QString &field, const QString &op, double value,
                           double emptyValue) {
    if (value != emptyValue)
        AddCond(andCond, field + op + FloatToStr(value));
}

void TGenSQLWhere::AsFloat(bool andCond, const QString &field, const QString &op, QWidget *edit,
                           int decimals, bool required, double min, double max, double emptyValue) {
    AsFloat(andCond, field, op, EditToFloat(edit, decimals, required, min, max, emptyValue),
            emptyValue);
}

void TGenSQLWhere::AsDate(bool andCond, const QString &field, const QString &op, TDateTime date) {
    const TDateTime day = WholeDay(date);
    if (day.Value() > 0)
        AddCond(andCond, field + op + Quoted(DateText(day)));
}

void TGenSQLWhere::AsDate(bool andCond, const QString &field, const QString &op, QWidget *control,
                          bool required) {
    AsDate(andCond, field, op, EditToDate(control, required));
}

void TGenSQLWhere::_BetweenCmd(bool andCond, const QString &field, const QString &low,
                               const QString &high) {
    AddCond(andCond, QStringLiteral("( ") + field + QStringLiteral(" Between ") + low +
                         QStringLiteral(" and ") + high + QStringLiteral(" )"));
}

void TGenSQLWhere::BetweenString(bool andCond, const QString &field, QString from, QString to,
                                 bool trim) {
    if (trim) {
        from = from.trimmed();
        to = to.trimmed();
    }
    if (from == to) {
        AsString(andCond, field, QStringLiteral("="), from, false);
    } else if (!from.isEmpty() && !to.isEmpty() && SortsBefore(from, to)) {
        _BetweenCmd(andCond, field, Quoted(from), Quoted(to));
    } else if (!to.isEmpty()) {
        AsString(andCond, field, QStringLiteral(">="), from, false);
        AsString(andCond, field, QStringLiteral("<="), to, false);
    } else {
        AsString(andCond, field, QStringLiteral("="), from, false);
    }
}

void TGenSQLWhere::BetweenString(bool andCond, const QString &field, QWidget *fromEdit,
                                 QWidget *toEdit) {
    QString from, to;
    EditToStr2(fromEdit, toEdit, from, to);
    BetweenString(andCond, field, from, to, false);
}

void TGenSQLWhere::BetweenInteger(bool andCond, const QString &field, int from, int to,
                                  int emptyValue) {
    const QString eq = QStringLiteral("=");
    if (from == to) {
        AsInteger(andCond, field, eq, from, emptyValue);
    } else if (from != emptyValue && to != emptyValue && from < to) {
        _BetweenCmd(andCond, field, QString::number(from), QString::number(to));
    } else if (to == emptyValue) {
        AsInteger(andCond, field, eq, from, emptyValue);
    } else {
        AsInteger(andCond, field, QStringLiteral(">="), from, emptyValue);
        AsInteger(andCond, field, QStringLiteral("<="), to, emptyValue);
    }
}

void TGenSQLWhere::BetweenInteger(bool andCond, const QString &field, QWidget *fromEdit,
                                  QWidget *toEdit, int min, int max, int emptyValue) {
    int from = emptyValue, to = emptyValue;
    EditToUnInt2(fromEdit, toEdit, min, max, emptyValue, from, to);
    BetweenInteger(andCond, field, from, to, emptyValue);
}

void TGenSQLWhere::BetweenFloat(bool andCond, const QString &field, double from, double to,
                                double emptyValue) {
    const QString eq = QStringLiteral("=");
    if (from == to) {
        AsFloat(andCond, field, eq, from, emptyValue);
    } else if (from != emptyValue && to != emptyValue && from < to) {
        _BetweenCmd(andCond, field, FloatToStr(from), FloatToStr(to));
    } else if (to == emptyValue) {
        AsFloat(andCond, field, eq, from, emptyValue);
    } else {
        AsFloat(andCond, field, QStringLiteral(">="), from, emptyValue);
        AsFloat(andCond, field, QStringLiteral("<="), to, emptyValue);
    }
}

void TGenSQLWhere::BetweenFloat(bool andCond, const QString &field, QWidget *fromEdit,
                                QWidget *toEdit, int decimals, double min, double max,
                                double emptyValue) {
    double from = emptyValue, to = emptyValue;
    EditToFloat2(fromEdit, toEdit, decimals, min, max, emptyValue, from, to);
    BetweenFloat(andCond, field, from, to, emptyValue);
}

void TGenSQLWhere::BetweenDate(bool andCond, const QString &field, TDateTime from, TDateTime to) {
    from = WholeDay(from);
    to = WholeDay(to);
    const QString eq = QStringLiteral("=");
    if (from.Value() == to.Value()) {
        AsDate(andCond, field, eq, from);
    } else if (from.Value() > 0 && to.Value() > 0) {
        _BetweenCmd(andCond, field, Quoted(DateText(from)), Quoted(DateText(to)));
    } else if (to.Value() == 0) {
        AsDate(andCond, field, eq, from);
    } else {
        AsDate(andCond, field, QStringLiteral(">="), from);
        AsDate(andCond, field, QStringLiteral("<="), to);
    }
}

void TGenSQLWhere::BetweenDate(bool andCond, const QString &field, QWidget *fromControl,
                               QWidget *toControl) {
    TDateTime from, to;
    EditToDate2(fromControl, toControl, from, to);
    BetweenDate(andCond, field, from, to);
}

void TGenSQLWhere::Like(bool andCond, const QString &field, const QString &value, bool trim) {
    const QString v = trim ? value.trimmed() : value;
    if (v.isEmpty())
        return;
    QString quoted = v;
    quoted.replace(u'\'', QStringLiteral("''"));
    AddCond(andCond, QStringLiteral("( ") + field + QStringLiteral(" Like '%%") + quoted +
                         QStringLiteral("%%' )"));
}

void TGenSQLWhere::LikeLeft(bool andCond, const QString &field, const QString &value, bool trim) {
    const QString v = trim ? value.trimmed() : value;
    if (v.isEmpty())
        return;
    QString quoted = v;
    quoted.replace(u'\'', QStringLiteral("''"));
    AddCond(andCond, QStringLiteral("( ") + field + QStringLiteral(" Like '") + quoted +
                         QStringLiteral("%%' )"));
}

void TGenSQLWhere::_GenInCmd(bool andCond, const QString &field, const QString &listText) {
    if (listText.isEmpty())
        return;
    AddCond(andCond, QStringLiteral("( ") + field + QStringLiteral(" In ( ") + listText.mid(1) +
                         QStringLiteral(" ))"));
}

void TGenSQLWhere::InIntegers(bool andCond, const QString &field, const TStringList &list) {
    QString text;
    for (int i = 0; i < list.Count(); ++i)
        if (!list[i].isEmpty())
            text += QStringLiteral(", ") + list[i];
    _GenInCmd(andCond, field, text);
}

void TGenSQLWhere::InStrings(bool andCond, const QString &field, const TStringList &list) {
    QString text;
    for (int i = 0; i < list.Count(); ++i)
        if (!list[i].isEmpty())
            text += QStringLiteral(", ") + Quoted(list[i]);
    _GenInCmd(andCond, field, text);
}

void TGenSQLWhere::InDataSet(bool andCond, const QString &field, TDataSet *dataSet,
                             const QString &dataSetField) {
    TField *f = dataSet->FieldByName(dataSetField);
    const TFieldType type = f->DataType();
    const bool integer =
        type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc;
    const TBookmark position = dataSet->GetBookmark();
    dataSet->DisableControls();
    const auto restore = [&] {
        if (dataSet->BookmarkValid(position))
            dataSet->GotoBookmark(position);
        dataSet->EnableControls();
    };
    QString text;
    try {
        QStringList seen;
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) {
            const QString value = f->AsString();
            if (value.isEmpty() || seen.contains(value))
                continue;
            seen << value;
            text +=
                QStringLiteral(", ") + (integer ? QString::number(f->AsInteger()) : Quoted(value));
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
    _GenInCmd(andCond, field, text);
}
