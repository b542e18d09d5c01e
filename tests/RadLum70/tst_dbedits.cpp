// The data-bound spin edit and number edit: limits from the field and from other datasets,
// editing that starts with the user, writing back on leaving, rounding to the edit format,
// and refusing what the field cannot hold.

#include "ClientDataSet.h"
#include "DBSpinEdit.h"
#include "TestMain.h"
#include "uTqDBNumEdit.h"

#include <QLineEdit>
#include <memory>

namespace {

std::unique_ptr<TClientDataSet> MakeDataSet(const QList<QPair<QString, TFieldType>> &fields,
                                            const QList<QVariantList> &rows) {
    auto ds = std::make_unique<TClientDataSet>();
    for (const auto &[name, type] : fields)
        ds->FieldDefs().Add(name, type, type == ftString ? 10 : 0);
    ds->CreateDataSet();
    for (const QVariantList &row : rows) {
        ds->Append();
        for (int i = 0; i < row.size(); ++i)
            if (!row[i].isNull())
                ds->Fields()[i]->SetAsString(row[i].toString());
        ds->Post();
    }
    ds->First();
    return ds;
}

void SendFocus(QWidget *widget, QEvent::Type type) {
    QFocusEvent event(type, Qt::TabFocusReason);
    QApplication::sendEvent(widget, &event);
}

// Errors that reach the application's error display.
class TErrorCatcher {
public:
    TErrorCatcher() {
        Application()->OnException = [this](const QString &message) { Messages << message; };
    }
    ~TErrorCatcher() { Application()->OnException = nullptr; }
    QStringList Messages;
};

} // namespace

class TstDBEdits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void spinLimitsFromFieldAndOtherDataSets();
    void spinEditsAndWritesBack();
    void spinWriteFailureKeepsTheUserThere();
    void numEditRoundsToTheEditFormat();
    void numEditRefusesWhatTheFieldCannotHold();
    void numEditUsesTheEditMask();
    void editsFollowTheSourceToAnotherDataSet();
};

void TstDBEdits::spinLimitsFromFieldAndOtherDataSets() {
    auto ds = MakeDataSet({{"Grade", ftInteger}, {"Small", ftSmallint}}, {{50, 3}});
    TField *grade = ds->FieldByName(QStringLiteral("Grade"));
    grade->SetMinValue(Variant(1));
    grade->SetMaxValue(Variant(10));
    TDataSource source;
    source.SetDataSet(ds.get());

    TDBSpinEdit unbound;
    unbound.SetMinValue(4);
    unbound.SetMaxValue(8);
    unbound.SetDataSource(&source);
    QCOMPARE(unbound.value(), 4); // no field: its minimum

    TDBSpinEdit spin;
    spin.SetDataField(QStringLiteral("Grade"));
    spin.SetDataSource(&source);
    QCOMPARE(spin.MinValue(), 1);
    QCOMPARE(spin.MaxValue(), 10);
    QCOMPARE(spin.value(), 50); // shown as stored, above the limits
    QCOMPARE(spin.CheckValue(50), 10);
    QCOMPARE(spin.CheckValue(-3), 1);

    // Limits from the current record of other datasets.
    auto limits = MakeDataSet({{"MaxGrade", ftInteger}, {"MinGrade", ftInteger}}, {{6, 2}, {9, 3}});
    TDataSource limitSource;
    limitSource.SetDataSet(limits.get());
    spin.SetMaxDataSource(&limitSource);
    spin.SetMaxDataField(QStringLiteral("MaxGrade"));
    spin.SetMinDataField(QStringLiteral("MinGrade"));
    spin.SetMinDataSource(&limitSource);
    QCOMPARE(spin.MaxValue(), 6);
    QCOMPARE(spin.MinValue(), 2);
    limits->Next();
    QCOMPARE(spin.MaxValue(), 9);
    QCOMPARE(spin.MinValue(), 3);
    QCOMPARE(spin.value(), 50);
    // Without the links the field's own limits come back.
    spin.SetMaxDataSource(nullptr);
    QCOMPARE(spin.MaxValue(), 10);
    QCOMPARE(spin.MinValue(), 3);

    // A field without limits of its own: the range of its type.
    TDBSpinEdit small;
    small.SetDataSource(&source);
    small.SetDataField(QStringLiteral("Small"));
    QCOMPARE(small.MinValue(), -32768);
    QCOMPARE(small.MaxValue(), 32767);
    QCOMPARE(small.value(), 3);
}

void TstDBEdits::spinEditsAndWritesBack() {
    auto ds = MakeDataSet({{"Grade", ftInteger}}, {{50}, {4}});
    ds->FieldByName(QStringLiteral("Grade"))->SetMaxValue(Variant(10));
    ds->FieldByName(QStringLiteral("Grade"))->SetMinValue(Variant(1));
    TDataSource source;
    source.SetDataSet(ds.get());
    TDBSpinEdit spin;
    spin.SetDataSource(&source);
    spin.SetDataField(QStringLiteral("Grade"));
    TErrorCatcher errors;
    QVERIFY(spin.isReadOnly());

    // A read-only control never starts editing.
    spin.SetReadOnly(true);
    spin.stepBy(1);
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(spin.value(), 50);
    spin.SetReadOnly(false);

    // Stepping starts editing; the value comes within the limits.
    spin.stepBy(1);
    QCOMPARE(ds->State(), dsEdit);
    QVERIFY(!spin.isReadOnly());
    QCOMPARE(spin.value(), 10);
    ds->Post(); // the control writes before the post
    QCOMPARE(ds->FieldByName(QStringLiteral("Grade"))->AsInteger(), 10);
    QVERIFY(spin.isReadOnly());

    // Typing, then leaving the control.
    ds->Next();
    QCOMPARE(spin.value(), 4);
    SendFocus(&spin, QEvent::FocusIn);
    spin.selectAll();
    QTest::keyClicks(&spin, QStringLiteral("7"));
    QCOMPARE(ds->State(), dsEdit);
    SendFocus(&spin, QEvent::FocusOut);
    QCOMPARE(ds->FieldByName(QStringLiteral("Grade"))->AsInteger(), 7);
    spin.selectAll();
    QTest::keyClicks(&spin, QStringLiteral("99"));
    SendFocus(&spin, QEvent::FocusOut);
    QCOMPARE(ds->FieldByName(QStringLiteral("Grade"))->AsInteger(), 10);
    ds->Cancel();
    QCOMPARE(spin.value(), 4);
    QCOMPARE(errors.Messages, QStringList());
}

void TstDBEdits::spinWriteFailureKeepsTheUserThere() {
    auto ds = MakeDataSet({{"Grade", ftInteger}}, {{5}});
    TField *grade = ds->FieldByName(QStringLiteral("Grade"));
    grade->OnValidate = [](TField *field) {
        if (field->AsInteger() == 13)
            throw EDatabaseError(QStringLiteral("不吉利"));
    };
    TDataSource source;
    source.SetDataSet(ds.get());
    TDBSpinEdit spin;
    spin.SetDataSource(&source);
    spin.SetDataField(QStringLiteral("Grade"));
    TErrorCatcher errors;
    SendFocus(&spin, QEvent::FocusIn);
    spin.selectAll();
    QTest::keyClicks(&spin, QStringLiteral("13"));
    SendFocus(&spin, QEvent::FocusOut);
    QCOMPARE(errors.Messages, QStringList({"不吉利"}));
    QCOMPARE(grade->AsInteger(), 5);
    QCOMPARE(spin.findChild<QLineEdit *>()->selectedText(), QStringLiteral("13"));
}

void TstDBEdits::numEditRoundsToTheEditFormat() {
    auto ds = MakeDataSet({{"Fee", ftFloat}, {"Amount", ftBCD}}, {{1234.5, 2}});
    TField *fee = ds->FieldByName(QStringLiteral("Fee"));
    fee->SetDisplayFormat(QStringLiteral("#,##0.00"));
    fee->SetEditFormat(QStringLiteral("0.00"));
    TField *amount = ds->FieldByName(QStringLiteral("Amount"));
    amount->SetEditFormat(QStringLiteral("0.00"));
    TDataSource source;
    source.SetDataSet(ds.get());
    TTqDBNumEdit edit;
    edit.SetDataSource(&source);
    edit.SetDataField(QStringLiteral("Fee"));
    TErrorCatcher errors;
    QCOMPARE(edit.text(), QStringLiteral("1,234.50"));
    QVERIFY(edit.isReadOnly());
    QCOMPARE(edit.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    SendFocus(&edit, QEvent::FocusIn);
    QCOMPARE(edit.text(), QStringLiteral("1234.50")); // the edit text while focused
    QCOMPARE(edit.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("1.255"));
    QCOMPARE(ds->State(), dsEdit);
    SendFocus(&edit, QEvent::FocusOut);
    QCOMPARE(fee->AsFloat(), 1.26);
    QCOMPARE(edit.text(), QStringLiteral("1.26"));

    // A BCD field rounds the same way; an empty text clears the field.
    TTqDBNumEdit amountEdit;
    amountEdit.SetDataSource(&source);
    amountEdit.SetDataField(QStringLiteral("Amount"));
    SendFocus(&amountEdit, QEvent::FocusIn);
    amountEdit.selectAll();
    QTest::keyClicks(&amountEdit, QStringLiteral("-2.675"));
    ds->Post();
    QCOMPARE(amount->AsFloat(), -2.68);
    ds->Edit();
    amountEdit.selectAll();
    QTest::keyClick(&amountEdit, Qt::Key_Backspace);
    SendFocus(&amountEdit, QEvent::FocusOut);
    QVERIFY(amount->IsNull());
    QCOMPARE(errors.Messages, QStringList());
}

void TstDBEdits::numEditRefusesWhatTheFieldCannotHold() {
    auto ds = MakeDataSet({{"Fee", ftFloat}, {"Count", ftInteger}}, {{2.5, 3}});
    TField *fee = ds->FieldByName(QStringLiteral("Fee"));
    TDataSource source;
    source.SetDataSet(ds.get());
    TTqDBNumEdit edit;
    edit.SetDataSource(&source);
    edit.SetDataField(QStringLiteral("Fee"));
    TErrorCatcher errors;
    SendFocus(&edit, QEvent::FocusIn);
    edit.selectAll();
    // A character the field cannot hold neither starts editing nor reaches the text.
    QTest::keyClick(&edit, Qt::Key_X);
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(edit.text(), QStringLiteral("2.5"));

    // Text that is no number: the error reaches the user, the field keeps its value and the
    // text is selected for correction.
    QTest::keyClicks(&edit, QStringLiteral("1.2.3"));
    QCOMPARE(edit.text(), QStringLiteral("1.2.3"));
    SendFocus(&edit, QEvent::FocusOut);
    QCOMPARE(errors.Messages.size(), 1);
    QCOMPARE(fee->AsFloat(), 2.5);
    QCOMPARE(edit.selectedText(), QStringLiteral("1.2.3"));
    // Escape brings back the field's value.
    QTest::keyClick(&edit, Qt::Key_Escape);
    QCOMPARE(edit.text(), QStringLiteral("2.5"));
    QCOMPARE(edit.selectedText(), QStringLiteral("2.5"));
    SendFocus(&edit, QEvent::FocusOut);
    QCOMPARE(errors.Messages.size(), 1);
    ds->Cancel();

    // An integer field takes no decimal point.
    TTqDBNumEdit count;
    count.SetDataSource(&source);
    count.SetDataField(QStringLiteral("Count"));
    SendFocus(&count, QEvent::FocusIn);
    count.selectAll();
    QTest::keyClicks(&count, QStringLiteral("1.5"));
    QCOMPARE(count.text(), QStringLiteral("15"));

    // A read-only field is never edited.
    fee->SetReadOnly(true);
    SendFocus(&edit, QEvent::FocusIn);
    ds->Cancel();
    QTest::keyClicks(&edit, QStringLiteral("9"));
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(edit.text(), QStringLiteral("2.5"));
}

void TstDBEdits::numEditUsesTheEditMask() {
    auto ds = MakeDataSet({{"Code", ftString}}, {{QVariant()}});
    TField *code = ds->FieldByName(QStringLiteral("Code"));
    code->SetEditMask(QStringLiteral("00-00;0;_"));
    TDataSource source;
    source.SetDataSet(ds.get());
    TTqDBNumEdit edit;
    edit.SetDataSource(&source);
    edit.SetDataField(QStringLiteral("Code"));
    TErrorCatcher errors;
    SendFocus(&edit, QEvent::FocusIn);
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, QStringLiteral("12"));
    SendFocus(&edit, QEvent::FocusOut);
    QCOMPARE(errors.Messages.size(), 1); // the mask is not filled
    QVERIFY(code->IsNull());

    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, QStringLiteral("1234"));
    SendFocus(&edit, QEvent::FocusOut);
    QCOMPARE(errors.Messages.size(), 1);
    QCOMPARE(code->AsString(), QStringLiteral("1234")); // literals are not stored

    code->SetEditMask(QStringLiteral("00-00;1;_"));
    SendFocus(&edit, QEvent::FocusIn);
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, QStringLiteral("5678"));
    SendFocus(&edit, QEvent::FocusOut);
    QCOMPARE(code->AsString(), QStringLiteral("56-78"));
}

void TstDBEdits::editsFollowTheSourceToAnotherDataSet() {
    auto first = MakeDataSet({{"N", ftInteger}}, {{1}});
    auto second = MakeDataSet({{"N", ftInteger}}, {{2}});
    TDataSource source;
    source.SetDataSet(first.get());
    TDBSpinEdit spin;
    spin.SetDataSource(&source);
    spin.SetDataField(QStringLiteral("N"));
    TTqDBNumEdit edit;
    edit.SetDataSource(&source);
    edit.SetDataField(QStringLiteral("N"));
    source.SetDataSet(second.get());
    QCOMPARE(spin.value(), 2);
    QCOMPARE(edit.text(), QStringLiteral("2"));
    QCOMPARE(spin.Field(), second->FieldByName(QStringLiteral("N")));
    first.reset();
    second.reset();
    QCOMPARE(spin.Field(), nullptr);
    QCOMPARE(edit.text(), QString());
}

LUM_TEST_MAIN(TstDBEdits)
#include "tst_dbedits.moc"
