// One form with every data-aware control on the demo school's data, read from a real server:
// code lists on the code table, the field check list, the spin and number edits on a student
// record and the two calendars. With LUM_SCREENSHOT set to a file name the form is saved there
// as a picture, to be looked at.

#include "AppServerFixture.h"
#include "CalendarX.h"
#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DBCheckListBox.h"
#include "DBSpinEdit.h"
#include "DataSource.h"
#include "Fields.h"
#include "TestMain.h"
#include "uCodeComboBox.h"
#include "uMultiSelectCalendar.h"
#include "uObjServers.h"
#include "uSystemTable.h"
#include "uTqDBNumEdit.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>

class TstControlsGallery : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

private Q_SLOTS:
    void initTestCase() {
        FServer = std::make_unique<TAppServerFixture>();
        CodeTableSystemTable()->Broker()->Servers().clear();
        CodeTableSystemTable()->Broker()->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
    }
    void cleanupTestCase() { FServer.reset(); }

    void everyControlOnDemoData() {
        QWidget form;
        form.setWindowTitle(QStringLiteral("資料元件"));
        auto connection = FServer->Connect(QStringLiteral("SrvAcademic.AcadStudentINTF"));
        TClientDataSet students;
        students.SetAppServer(connection->GetServer());
        students.SetProviderName(QStringLiteral("xStdOnSchoolIdxProvider"));
        students.Open();
        students.FieldByName(QStringLiteral("StudentID"))->SetDisplayLabel(QStringLiteral("學號"));
        students.FieldByName(QStringLiteral("Cht_Name"))->SetDisplayLabel(QStringLiteral("姓名"));
        students.FieldByName(QStringLiteral("SeatNo"))->SetDisplayLabel(QStringLiteral("座號"));
        TDataSource studentSource;
        studentSource.SetDataSet(&students);

        TClientDataSet amounts;
        amounts.FieldDefs().Add(QStringLiteral("Fee"), ftFloat);
        amounts.CreateDataSet();
        amounts.FieldByName(QStringLiteral("Fee"))->SetEditFormat(QStringLiteral("0.00"));
        amounts.FieldByName(QStringLiteral("Fee"))->SetDisplayFormat(QStringLiteral("#,##0.00"));
        amounts.Append();
        amounts.FieldByName(QStringLiteral("Fee"))->SetAsFloat(1234.5);
        amounts.Post();
        TDataSource amountSource;
        amountSource.SetDataSet(&amounts);

        TCodeTableCDS codes;
        codes.Open();
        TDataSource codeSource;
        codeSource.SetDataSet(&codes);

        auto *sex = new TLUMDBCodeComboBox(&form);
        sex->SetCodeFilter(QStringLiteral("Main_Code='NSEX'"));
        sex->SetCodeFieldName(QStringLiteral("Code"));
        sex->SetNameFieldName(QStringLiteral("Descript"));
        sex->SetDataSource(&codeSource);
        auto *classes = new TLUMDBCodeComboBox(&form);
        classes->AddCode(QString(), QStringLiteral("全部班級"));
        classes->SetAppendIndex(1);
        classes->SetCodeFilter(QStringLiteral("Main_Code='st_CLASS'"));
        classes->SetCodeFieldName(QStringLiteral("Code"));
        classes->SetNameFieldName(QStringLiteral("Descript"));
        classes->SetDataSource(&codeSource);
        auto *fields = new TDBCheckListBox(&form);
        fields->SetDataSource(&studentSource);
        auto *seat = new TDBSpinEdit(&form);
        seat->SetDataSource(&studentSource);
        seat->SetDataField(QStringLiteral("SeatNo"));
        auto *fee = new TTqDBNumEdit(&form);
        fee->SetDataSource(&amountSource);
        fee->SetDataField(QStringLiteral("Fee"));
        auto *days = new TMultiSelectCalendar(&form);
        days->SetMultiSelect(true);
        days->SetDaySelectedByBits((1u << 4) | (1u << 11) | (1u << 18) | (1u << 25));
        days->setMinimumSize(300, 200);
        auto *picker = new TCalendarX(&form);
        picker->setFirstDayOfWeek(Qt::Sunday);

        auto *edits = new QGroupBox(QStringLiteral("編輯"), &form);
        auto *editLayout = new QFormLayout(edits);
        editLayout->addRow(QStringLiteral("性別:"), sex);
        editLayout->addRow(QStringLiteral("班級:"), classes);
        editLayout->addRow(QStringLiteral("座號:"), seat);
        editLayout->addRow(QStringLiteral("學費:"), fee);
        auto *layout = new QHBoxLayout(&form);
        layout->addWidget(fields);
        layout->addWidget(edits);
        layout->addWidget(days);
        layout->addWidget(picker);
        FinishLoading(sex);
        FinishLoading(classes);
        FinishLoading(fields);
        FinishLoading(seat);
        FinishLoading(fee);
        FinishLoading(days);
        FinishLoading(picker);
        sex->ActiveChanged();
        classes->ActiveChanged();
        fields->SetFieldsToItem();
        form.resize(1100, 320);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        // The lists hold the demo school's codes: two sexes, the fixed "all" entry and the
        // classes, whatever the shared table's other categories.
        QCOMPARE(sex->count(), 2);
        QVERIFY(classes->count() > 2);
        QCOMPARE(classes->itemText(0), QStringLiteral("全部班級"));
        QCOMPARE(fields->count(), students.FieldCount());
        QCOMPARE(seat->value(), students.FieldByName(QStringLiteral("SeatNo"))->AsInteger());
        QCOMPARE(fee->text(), QStringLiteral("1,234.50"));

        const QString file = qEnvironmentVariable("LUM_SCREENSHOT");
        if (!file.isEmpty())
            QVERIFY(form.grab().save(file));
    }
};

LUM_TEST_MAIN(TstControlsGallery)
#include "tst_controlsgallery.moc"
