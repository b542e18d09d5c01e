// The base job form against a real server: brokers made at creation, shared code tables open,
// the one-time initialisation, the edit stamp, date and tree-code input, key numbers, the
// client-application name, tree-code messages and closing.

#include "AppServerFixture.h"
#include "Application.h"
#include "CalendarX.h"
#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DBCheckListBox.h"
#include "DBGridModel.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "FixedClock.h"
#include "RadServer.h"
#include "RadSystemApi.h"
#include "ServerLocations.h"
#include "SystemObjServers.h"
#include "TestMain.h"
#include "uCalendarDialog.h"
#include "uClientVersionControl.h"
#include "uDBTree.h"
#include "uFieldsSetupDlg.h"
#include "uLoginUserInfo.h"
#include "uLumMessages.h"
#include "uObjServers.h"
#include "uRadBaseForm.h"

#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

class TJobForm : public TRadBaseForm {
public:
    TJobForm() {
        Academic = new TSocketConnection(this);
        Academic->SetName(QStringLiteral("Academic"));
        Academic->SetServerName(QStringLiteral("SrvAcademic.AcadStudentINTF"));
        Held = new TSocketConnection(this);
        Held->SetName(QStringLiteral("Held"));
        Held->SetServerName(QStringLiteral("SystemObj.CodeTableINTF"));
        OwnBroker = new TSimpleObjectBroker(this);
        Held->SetObjectBroker(OwnBroker);
        Codes = new TCodeTableCDS(this);
        Codes->SetName(QStringLiteral("Codes"));
    }
    void DoFormInitial() override { ++Initials; }
    void DoCheckCode(const QString &messageType, const QString &code, const QString &description,
                     const QString &traceText, int level, bool hasChild) override {
        Checked << messageType << code << description << traceText << QString::number(level)
                << (hasChild ? QStringLiteral("1") : QStringLiteral("0"));
    }
    TSocketConnection *Academic, *Held;
    TSimpleObjectBroker *OwnBroker;
    TCodeTableCDS *Codes;
    int Initials = 0;
    QStringList Checked;
};

// A job form whose connection names a server without a logical server in front.
class TPlainServerForm : public TRadBaseForm {
public:
    TPlainServerForm() {
        Plain = new TSocketConnection(this);
        Plain->SetName(QStringLiteral("Plain"));
        Plain->SetServerName(QStringLiteral("PlainINTF"));
    }
    TSocketConnection *Plain;
};

template <class Dialog> void WhenShown(const std::function<void(Dialog *)> &act) {
    QTimer::singleShot(0, [act] {
        auto *dlg = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        act(dlg);
    });
}

std::unique_ptr<TClientDataSet> PersonDataSet() {
    auto cds = std::make_unique<TClientDataSet>();
    cds->FieldDefs().Add(QStringLiteral("Name"), ftString, 20);
    cds->FieldDefs().Add(QStringLiteral("Sex"), ftString, 1);
    cds->FieldDefs().Add(QStringLiteral("Birthday"), ftDate);
    cds->FieldDefs().Add(QStringLiteral("Unit"), ftString, 20);
    cds->FieldDefs().Add(QStringLiteral("UnitName"), ftString, 60);
    cds->CreateDataSet();
    cds->Append();
    cds->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("王小明"));
    cds->FieldByName(QStringLiteral("Sex"))->SetAsString(QStringLiteral("1"));
    return cds;
}

} // namespace

class TstRadBaseForm : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

private Q_SLOTS:
    void initTestCase() {
        // The program's main window comes first; job forms are the ones after it.
        Application()->CreateForm<TForm>();
        FServer = std::make_unique<TAppServerFixture>();
        PointServersAt(*FServer);
    }
    void cleanupTestCase() {
        Application()->DestroyForms();
        FServer.reset();
    }

    void creationGivesBrokersAndOpensCodeTables() {
        auto *form = Application()->CreateForm<TJobForm>();
        QCOMPARE(form->Tag(), 2);
        QCOMPARE(form->Caption(), QStringLiteral("RadBaseForm"));
        QCOMPARE(form->DragKind(), TDragKind::dkDock);
        // One broker made, for the connection without one, named by its logical server.
        auto *made = qobject_cast<TRADObjectBroker *>(form->Academic->ObjectBroker());
        QVERIFY(made);
        QCOMPARE(made->ServerName(), QStringLiteral("SrvAcademic"));
        QCOMPARE(form->Held->ObjectBroker(), form->OwnBroker);
        // The code-table server of the base form had none either: it gets one for SystemObj.
        auto *codes = qobject_cast<TRADObjectBroker *>(form->CodeServer->ObjectBroker());
        QVERIFY(codes);
        QCOMPARE(codes->ServerName(), QStringLiteral("SystemObj"));
        QCOMPARE(form->findChildren<TRADObjectBroker *>().size(), 2);
        QVERIFY(!form->Academic->Connected());
        QVERIFY(form->Codes->Active());
        QVERIFY(form->Codes->RecordCount() > 0);
        // The first show opens the application list and initialises once.
        QCOMPARE(form->Initials, 0);
        form->show();
        QCOMPARE(form->Initials, 1);
        QVERIFY(form->ClientApps->Active());
        form->hide();
        form->show();
        QCOMPARE(form->Initials, 1);
        // Closing disconnects and frees the form.
        QPointer<TJobForm> alive(form);
        QVERIFY(form->close());
        QTest::qWait(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(alive.isNull());
    }

    void actionsAndToolBar() {
        TRadBaseForm form;
        QVERIFY(!form.ActTreeInput->isEnabled());
        QVERIFY(!form.ActDateInput->isEnabled());
        QVERIFY(!form.ExportToExcel->isEnabled());
        QVERIFY(form.WindowClose->isEnabled());
        QVERIFY(!form.DataApplyUpdate->isVisible());
        QCOMPARE(form.DataApplyUpdate->Hint(), QStringLiteral("確認儲存至資料庫"));
        QCOMPARE(form.DataCancelUpdate->Hint(), QStringLiteral("取消全部未儲存確認的資料"));
        QCOMPARE(form.WindowClose->Category(), QStringLiteral("Window"));
        QCOMPARE(form.btnClose->defaultAction(), form.WindowClose);
        QCOMPARE(form.PageScroller1->height(), 38);
    }

    void theFieldSetupActionHidesAGridColumnAtOnce() {
        TRadBaseForm form;
        QVERIFY(!form.ActFieldsSetup->isEnabled());
        QVERIFY(!form.ActFieldsSetup->isVisible());
        TClientDataSet ds(&form);
        ds.AddField(ftString, QStringLiteral("StudentID"), 10)
            ->SetDisplayLabel(QStringLiteral("學號"));
        ds.AddField(ftString, QStringLiteral("Cht_Name"), 20)
            ->SetDisplayLabel(QStringLiteral("姓名"));
        ds.AddField(ftString, QStringLiteral("Address"), 40)
            ->SetDisplayLabel(QStringLiteral("地址"));
        ds.CreateDataSet();
        auto *source = new TDataSource(&form);
        source->SetDataSet(&ds);
        auto *grid = new QTableView(form.ClientPanel);
        TDBGridModel model;
        model.SetDataSource(source);
        grid->setModel(&model);
        form.SetFieldsSetupSource(source);
        QVERIFY(form.ActFieldsSetup->isEnabled());
        QCOMPARE(model.columnCount(), 3);
        int seen = -1;
        QTimer::singleShot(0, [&] {
            auto *dlg = qobject_cast<TFieldsSetupdlg *>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            const auto found =
                dlg->dbclbFields->findItems(QStringLiteral("姓名"), Qt::MatchExactly);
            QCOMPARE(found.size(), 1);
            dlg->dbclbFields->setFocus();
            dlg->dbclbFields->setCurrentItem(found.first());
            QTest::keyClick(dlg->dbclbFields, Qt::Key_Space);
            seen = model.columnCount(); // while the setup is still open
            dlg->btnOK->click();
        });
        form.ActFieldsSetup->trigger();
        QCOMPARE(seen, 2);
        QVERIFY(!ds.FieldByName(QStringLiteral("Cht_Name"))->Visible());
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("地址"));
        // The data source gone, the action goes with it.
        model.SetDataSource(nullptr);
        delete source;
        QVERIFY(form.FieldsSetupSource() == nullptr);
        QVERIFY(!form.ActFieldsSetup->isEnabled());
    }

    void lookUpTextUsesTheLookupDataSetWhenSet() {
        TRadBaseForm form;
        auto people = PersonDataSet();
        TClientDataSet sexes;
        sexes.FieldDefs().Add(QStringLiteral("Code"), ftString, 1);
        sexes.FieldDefs().Add(QStringLiteral("Descript"), ftString, 10);
        sexes.CreateDataSet();
        for (const auto &[code, text] : {std::pair{"1", "男"}, std::pair{"2", "女"}}) {
            sexes.Append();
            sexes.FieldByName(QStringLiteral("Code"))->SetAsString(QString::fromUtf8(code));
            sexes.FieldByName(QStringLiteral("Descript"))->SetAsString(QString::fromUtf8(text));
            sexes.Post();
        }
        TField *sex = people->FieldByName(QStringLiteral("Sex"));
        QString text;
        form.GetLookUpText(sex, text, true);
        QCOMPARE(text, QStringLiteral("1")); // no lookup settings: its own text
        sex->SetLookupDataSet(&sexes);
        sex->SetLookupKeyFields(QStringLiteral("Code"));
        sex->SetLookupResultField(QStringLiteral("Descript"));
        form.GetLookUpText(sex, text, true);
        QCOMPARE(text, QStringLiteral("男"));
        sex->SetAsString(QStringLiteral("9"));
        form.GetLookUpText(sex, text, true);
        QCOMPARE(text, QStringLiteral("9")); // nothing found: its own text
    }

    void editInfoStampsUserTimeAndAddress() {
        TFixedClock clock(QDate(2004, 5, 6), QTime(13, 5));
        const QString saved = CurrentUserInfo->Cht_Name;
        CurrentUserInfo->Cht_Name = QStringLiteral("abc");
        TRadBaseForm form;
        QCOMPARE(form.GetEditInfo(), QStringLiteral("abc-04/05/06(13:05)-") + GetIPAddr());
        CurrentUserInfo->Cht_Name = saved;
    }

    void theDateInputActionNamesTheFieldComponentThatHoldsNoDate() {
        // A job form points its "日期輸入" at a field; the user clicks it on a field that is no
        // date: the error names the field component, not the field.
        QStringList errors;
        Application()->OnException = [&](const QString &m) { errors << m; };
        auto restore = qScopeGuard([] { Application()->OnException = nullptr; });
        TRadBaseForm form;
        auto people = PersonDataSet();
        people->SetName(QStringLiteral("cdsPeople"));
        TField *name = people->FieldByName(QStringLiteral("Name"));
        QCOMPARE(name->Name(), QStringLiteral("cdsPeopleName"));
        TField *target = name;
        form.ActDateInput->OnExecute = [&] { form.DateInput(target); };
        form.ActDateInput->setEnabled(true);
        form.ActDateInput->trigger();
        QCOMPARE(errors, QStringList{QStringLiteral("Field[cdsPeopleName] is Not Date Type")});
        // A component named on its own is known by that name.
        TField *unit = people->FieldByName(QStringLiteral("Unit"));
        unit->SetName(QStringLiteral("PeopleUnitID"));
        target = unit;
        errors.clear();
        form.ActDateInput->trigger();
        QCOMPARE(errors, QStringList{QStringLiteral("Field[PeopleUnitID] is Not Date Type")});
        QCOMPARE(unit->FieldName(), QStringLiteral("Unit"));
    }

    void dateInputOpensTheCalendarAtTodayAndStoresTheChoice() {
        TFixedClock clock(QDate(2026, 12, 7));
        TRadBaseForm form;
        auto people = PersonDataSet();
        TField *birthday = people->FieldByName(QStringLiteral("Birthday"));
        birthday->SetDisplayLabel(QStringLiteral("生日"));
        QDate opened;
        QString caption;
        WhenShown<TCalendarForm>([&](TCalendarForm *dlg) {
            opened = dlg->getCalendarDate();
            caption = dlg->windowTitle();
            dlg->MonthCalendar->setSelectedDate(QDate(2026, 12, 25));
            dlg->btnOK->click();
        });
        form.DateInput(birthday);
        QCOMPARE(opened, QDate(2026, 12, 7));
        QCOMPARE(caption, QStringLiteral("生日"));
        QCOMPARE(birthday->AsDateTime(), TDateTime::EncodeDate(2026, 12, 25));
        // Cancelled: the field keeps its date.
        WhenShown<TCalendarForm>([](TCalendarForm *dlg) { dlg->btnCancel->click(); });
        form.DateInput(birthday);
        QCOMPARE(birthday->AsDateTime(), TDateTime::EncodeDate(2026, 12, 25));
    }

    void codeInputFillsCodeAndText() {
        TRadBaseForm form;
        auto people = PersonDataSet();
        TField *unit = people->FieldByName(QStringLiteral("Unit"));
        TField *unitName = people->FieldByName(QStringLiteral("UnitName"));
        WhenShown<TDBTreeForm>([](TDBTreeForm *dlg) {
            QVERIFY(dlg->TreeView->topLevelItemCount() > 0);
            dlg->TreeView->setCurrentItem(dlg->TreeView->topLevelItem(0));
            dlg->btnOK->click();
        });
        form.CodeInput(QStringLiteral("UnitTreeView"), unit, unitName, true);
        QVERIFY(!unit->AsString().isEmpty());
        QCOMPARE(unitName->AsString(),
                 form.TreeCodeDialog->Code + u',' + form.TreeCodeDialog->Description);
        WhenShown<TDBTreeForm>([](TDBTreeForm *dlg) { dlg->btnOK->click(); });
        form.CodeInput(QStringLiteral("UnitTreeView"), unit, unitName, false);
        QCOMPARE(unitName->AsString(), form.TreeCodeDialog->Description);
    }

    void keyNumbersAndClientAppName() {
        std::unique_ptr<TRadBaseForm> owned(Application()->CreateForm<TRadBaseForm>());
        TRadBaseForm &form = *owned;
        QString prefix, format;
        const int first =
            form.GetKeyValueEX(QStringLiteral("Notice"), QStringLiteral("113"), prefix, format);
        QCOMPARE(
            form.GetKeyValueEX(QStringLiteral("Notice"), QStringLiteral("113"), prefix, format),
            first + 1);
        form.SetCaption(QStringLiteral("沒有這個作業"));
        try {
            form.GetClientAppName();
            QFAIL("an unknown caption gave a name");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("[沒有這個作業]is not found AppName"));
        }
        form.ClientApps->Open();
        form.ClientApps->First();
        const QString descript = form.ClientApps->FieldByName("Descript")->AsString();
        form.SetCaption(descript);
        QCOMPARE(form.GetClientAppName(), form.ClientApps->FieldByName("FileName")->AsString());
    }

    void treeCodeMessagesReachDoCheckCode() {
        auto *form = Application()->CreateForm<TJobForm>();
        TreeCodeSender(QStringLiteral("Unit"), QStringLiteral("A01"), QStringLiteral("教務處"),
                       QStringLiteral("校長室,教務處"), 1, true);
        QCOMPARE(form->Checked, QStringList({"Unit", "A01", "教務處", "校長室,教務處", "1", "1"}));
        delete form;
    }

    void aServerNameWithoutALogicalServerGivesABrokerWithoutOne() {
        auto *form = Application()->CreateForm<TPlainServerForm>();
        auto *broker = qobject_cast<TRADObjectBroker *>(form->Plain->ObjectBroker());
        QVERIFY(broker);
        QCOMPARE(broker->ServerName(), QString());
        // Its hosts are those of the default server.
        TRADObjectBroker fallback(nullptr, QStringLiteral("DefaultServer"));
        QCOMPARE(fallback.GetComputerForProgID(QStringLiteral("PlainINTF")),
                 broker->GetComputerForProgID(QStringLiteral("PlainINTF")));
        QVERIFY(!broker->Servers().isEmpty());
        delete form;
    }

    void disConnectionResetsTheFailedMarks() {
        auto *form = Application()->CreateForm<TJobForm>();
        auto *broker = qobject_cast<TRADObjectBroker *>(form->Academic->ObjectBroker());
        broker->Servers().clear();
        broker->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
        broker->Servers()[0].HasFailed = true;
        form->DisConnection();
        QVERIFY(!broker->Servers()[0].HasFailed);
        delete form;
    }
};

LUM_TEST_MAIN(TstRadBaseForm)
#include "tst_radbaseform.moc"
