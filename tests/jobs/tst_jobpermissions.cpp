// 權限設定 against a real server, as the administrator works it: a job group chosen in the
// conditions, a server object moved to the group's permissions read-only, switched to apply,
// and removed, each change in the server's database at once and holding for a teacher's open
// session at its next call; a teacher who opens the job is refused its data.

#include "ClientDataSet.h"
#include "DBGrid.h"
#include "Fields.h"
#include "JobTestSupport.h"
#include "ModalAnswer.h"
#include "SessionTicket.h"
#include "SignIn.h"
#include "uCodeComboBox.h"
#include "uDualGridForm.h"

#include <QToolButton>

namespace {

struct TPermissionJob {
    TDualGridForm *Form;
    TLUMDBCodeComboBox *Group;

    TPermissionJob(TForm *form, const QStringList &errors)
        : Form(qobject_cast<TDualGridForm *>(form)) {
        if (!Form)
            qFatal("LumJobPermissions.bpl gives no dual grid form: %s",
                   qPrintable(errors.join(u' ')));
        Group = Form->findChild<TLUMDBCodeComboBox *>(QStringLiteral("cbGroup"));
        if (!Group)
            qFatal("the permission job lacks its group list");
        Form->resize(1000, 700);
        Form->show();
        if (!QTest::qWaitForWindowExposed(Form))
            qFatal("the permission job does not show");
    }
    TDataSet *Left() const { return Form->SelectSource->DataSet(); }
    TDataSet *Right() const { return Form->ActiveSource->DataSet(); }
    void Choose(const QString &group) {
        PickCode(Group, group);
        Q_EMIT Group->activated(Group->currentIndex());
    }
    // Clicks the row of an object in a grid.
    static void Click(TDBGrid *grid, const QString &object) {
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            if (grid->model()->index(row, 0).data().toString() == object) {
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                                  grid->visualRect(grid->model()->index(row, 1)).center());
                return;
            }
        QFAIL(qPrintable(QStringLiteral("object %1 not listed").arg(object)));
    }
    // What the right grid shows of an object's permission.
    QString Shown(const QString &object) const {
        TDBGrid *grid = Form->gridActive;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            if (grid->model()->index(row, 0).data().toString() == object)
                return grid->model()->index(row, 2).data().toString();
        return QString();
    }
};

// The teacher's own reading and applying of the account titles, on a session of its own.
class TTeacher {
public:
    explicit TTeacher(quint16 port) : FPort(port) {}
    // Signs the teacher in; the administrator's ticket is kept to go back to.
    void SignIn() {
        FAdmin = TSessionTicket::Current();
        QVERIFY(SignInAt(FPort, QStringLiteral("T001"), QStringLiteral("teach-2024")));
        FTicket = TSessionTicket::Current();
        TSessionTicket::Set(FAdmin);
    }
    // The server's refusal of reading the titles (empty when they were read).
    QString Read() {
        return As([this] { Titles().Open(); });
    }
    // The server's refusal of deleting a title.
    QString Delete(const QString &accNo) {
        return As([&] {
            TClientDataSet &d = Titles();
            d.Open();
            QVERIFY(d.Locate(QStringLiteral("AccNo"), Variant(accNo)));
            d.Delete();
            d.ApplyUpdates(0);
        });
    }

private:
    TClientDataSet &Titles() {
        FTitles = std::make_unique<TClientDataSet>();
        FTitles->SetAppServer(FConnection->GetServer());
        FTitles->SetProviderName(QStringLiteral("dspAccTitle"));
        return *FTitles;
    }
    QString As(const std::function<void()> &work) {
        if (!FConnection) {
            FConnection = std::make_unique<TSocketConnection>();
            FConnection->SetServerName(QStringLiteral("SrvAccGL.ACCGLINTF"));
            FConnection->SetAddress(QStringLiteral("127.0.0.1"));
            FConnection->SetPort(FPort);
        }
        TSessionTicket::Set(FTicket);
        QString why;
        try {
            work();
        } catch (const EServerError &e) {
            why = e.Message();
        }
        TSessionTicket::Set(FAdmin);
        return why;
    }
    quint16 FPort;
    QByteArray FAdmin, FTicket;
    std::unique_ptr<TSocketConnection> FConnection;
    std::unique_ptr<TClientDataSet> FTitles;
};

const QString kDenied = QStringLiteral("權限不足:SrvAccGL.ACCGLINTF");

} // namespace

class TstJobPermissions : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

    QVariant CanApply(const QString &group, const QString &object) const {
        return FBench->Query(QStringLiteral("SELECT CanApply FROM JobPermissions WHERE "
                                            "GroupID = '%1' AND ProgID = '%2'")
                                 .arg(group, object));
    }

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("ADMIN"), QStringLiteral("orv7-admin"));
    }
    void cleanupTestCase() { FBench.reset(); }
    void cleanup() {
        TAnswer no(QMessageBox::No); // changes a failed test left are dropped
        FBench->CloseJobs();
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
    }

    void changesHoldAtOnceForOpenSessions() {
        TTeacher teacher(FBench->Server->Port());
        teacher.SignIn();
        QCOMPARE(teacher.Read(), kDenied);

        TRefusals refusals; // a refused change would say why here
        TBoxReader boxes;
        TPermissionJob job(FBench->Run("LumJobPermissions.bpl"), FBench->Errors);
        // Every group but the administrators', who need no permissions.
        QStringList groups;
        for (int i = 0; i < job.Group->CodeItems().Count(); ++i)
            groups << job.Group->CodeItems()[i];
        QCOMPARE(groups, (QStringList{"ACAD", "ACCOUNT", "PERSONNEL", "STUDENT"}));
        job.Choose(QStringLiteral("ACAD"));
        QCOMPARE(
            job.Right()->RecordCount(),
            FBench->Query("SELECT COUNT(*) FROM JobPermissions WHERE GroupID = 'ACAD'").toInt());
        QCOMPARE(job.Shown("SrvAcademic.*"), QStringLiteral("可異動"));
        QCOMPARE(job.Shown("SystemObj.*"), QStringLiteral("唯讀"));
        QVERIFY(job.Left()->Locate("ProgID", Variant("SrvAccGL.ACCGLINTF")));
        QCOMPARE(job.Left()->FieldByName("Descript")->AsString(), QStringLiteral("會計總帳"));
        QVERIFY(!job.Left()->Locate("ProgID", Variant("SrvAcademic.*")));
        QVERIFY(!job.Form->ActInsert->isEnabled());

        // Moved across: read-only, in the database at once; the teacher reads the titles at
        // the next call and still may not change them.
        TPermissionJob::Click(job.Form->gridSelect, QStringLiteral("SrvAccGL.ACCGLINTF"));
        QTest::mouseClick(job.Form->btnInsert, Qt::LeftButton);
        QCOMPARE(CanApply("ACAD", "SrvAccGL.ACCGLINTF"), QVariant(0));
        QCOMPARE(job.Shown("SrvAccGL.ACCGLINTF"), QStringLiteral("唯讀"));
        QVERIFY(!job.Left()->Locate("ProgID", Variant("SrvAccGL.ACCGLINTF")));
        QCOMPARE(FBench
                     ->Query("SELECT Changer FROM JobPermissions WHERE GroupID = 'ACAD' AND "
                             "ProgID = 'SrvAccGL.ACCGLINTF'")
                     .toString(),
                 QStringLiteral("ADMIN"));
        QCOMPARE(teacher.Read(), QString());
        QCOMPARE(teacher.Delete("4103"), kDenied);
        QVERIFY(FBench->Query("SELECT 1 FROM AccTitles WHERE AccNo = '4103'").isValid());

        // Switched to apply, through the popup menu's action on the clicked row.
        auto *button = job.Form->findChild<QToolButton *>(QStringLiteral("btnSwitchApply"));
        QVERIFY(button);
        TPermissionJob::Click(job.Form->gridActive, QStringLiteral("SrvAccGL.ACCGLINTF"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY2(refusals.Texts.isEmpty() && boxes.Texts.isEmpty(),
                 qPrintable((refusals.Texts + boxes.Texts).join(u'\n')));
        QCOMPARE(CanApply("ACAD", "SrvAccGL.ACCGLINTF"), QVariant(1));
        QCOMPARE(job.Shown("SrvAccGL.ACCGLINTF"), QStringLiteral("可異動"));
        QCOMPARE(teacher.Delete("4103"), QString());
        QVERIFY(!FBench->Query("SELECT 1 FROM AccTitles WHERE AccNo = '4103'").isValid());

        // Removed: the teacher is refused again.
        TPermissionJob::Click(job.Form->gridActive, QStringLiteral("SrvAccGL.ACCGLINTF"));
        QTest::mouseClick(job.Form->btnDelete, Qt::LeftButton);
        QVERIFY(!CanApply("ACAD", "SrvAccGL.ACCGLINTF").isValid());
        QVERIFY(job.Left()->Locate("ProgID", Variant("SrvAccGL.ACCGLINTF")));
        QCOMPARE(teacher.Read(), kDenied);
        QVERIFY(!job.Form->DataApplyUpdate->isEnabled());
    }

    // A teacher who starts the job gets the server's refusal and no data; the teacher's jobs
    // do not list it.
    void onlyAdministratorsGetItsData() {
        const QByteArray admin = TSessionTicket::Current();
        QVERIFY(
            SignInAt(FBench->Server->Port(), QStringLiteral("T001"), QStringLiteral("teach-2024")));
        auto *form = qobject_cast<TDualGridForm *>(FBench->Run("LumJobPermissions.bpl"));
        QVERIFY(form);
        QVERIFY(FBench->Errors.contains(QStringLiteral("權限不足:SrvJobSecurity.JobManagerINTF")));
        FBench->Errors.clear();
        QVERIFY(!form->ActiveSource->DataSet()->Active());
        QVERIFY(!form->SelectSource->DataSet()->Active());
        QVERIFY(!FBench
                     ->Query("SELECT 1 FROM GroupJobs WHERE JobID = 'LumJobPermissions.bpl' AND "
                             "GroupID <> 'SYSADM'")
                     .isValid());
        TSessionTicket::Set(admin);
    }
};

LUM_TEST_MAIN(TstJobPermissions)
#include "tst_jobpermissions.moc"
