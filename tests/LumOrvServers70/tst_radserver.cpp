// The job-security front ends against real servers on loopback: the call pattern, each
// wrapper's conversions, failure statuses, and failing over through the location table and
// the registry's two bootstrap hosts.

#include "AppServerFixture.h"
#include "RadServer.h"
#include "RadSystemApi.h"
#include "Registry.h"
#include "StringList.h"
#include "SystemObj_TLB.h"
#include "TestMain.h"
#include "uLumPublic.h"
#include "uObjServers.h"

#include <QBuffer>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>

namespace {

int DeadPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QStringList Lines(const Variant &text) {
    return VarToStr(text).split(u'\n', Qt::SkipEmptyParts);
}

template <class T> std::unique_ptr<T> FrontEnd(TSimpleObjectBroker *broker) {
    auto f = std::make_unique<T>();
    f->SetObjectBroker(broker);
    f->SetTimeout(10000);
    return f;
}

} // namespace

class TstRadServer : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;
    std::unique_ptr<TSimpleObjectBroker> FBroker;

private Q_SLOTS:
    void initTestCase() {
        QFile::remove(TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE));
        FServer = std::make_unique<TAppServerFixture>();
        FBroker = std::make_unique<TSimpleObjectBroker>();
        FBroker->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
    }
    void cleanupTestCase() {
        FBroker.reset();
        FServer.reset();
    }

    void eachCallConnectsUnlessTheCallerHoldsTheConnection() {
        auto sec = FrontEnd<TSecurityServer>(FBroker.get());
        QVERIFY(sec->AutoDisconnect());
        QCOMPARE(sec->ServerName(), QStringLiteral("SrvJobSecurity.SecurityINTF"));
        QSignalSpy connects(sec.get(), &TSocketConnection::AfterConnect);
        bool ok = false;
        OleCheck(sec->CanPass(QStringLiteral("ADMIN"), QStringLiteral("orv7-admin"), ok));
        QVERIFY(ok);
        OleCheck(sec->CanPass(QStringLiteral("ADMIN"), QStringLiteral("wrong"), ok));
        QVERIFY(!ok);
        QCOMPARE(connects.count(), 2);
        QVERIFY(!sec->Connected());

        sec->SetAutoDisconnect(false);
        sec->Open();
        OleCheck(sec->CanPass(QStringLiteral("T001"), QStringLiteral("teach-2024"), ok));
        OleCheck(sec->CanPass(QStringLiteral("T001"), QStringLiteral("teach-2024"), ok));
        QCOMPARE(connects.count(), 3);
        QVERIFY(sec->Connected());
        sec->Close();

        // A caller that connects first keeps its connection through the calls, even while
        // the wrappers disconnect by themselves; it closes the connection itself.
        sec->SetAutoDisconnect(true);
        sec->Open();
        OleCheck(sec->CanPass(QStringLiteral("T001"), QStringLiteral("teach-2024"), ok));
        QVERIFY(sec->Connected());
        OleCheck(sec->CanPass(QStringLiteral("T001"), QStringLiteral("wrong"), ok));
        QVERIFY(sec->Connected());
        QCOMPARE(connects.count(), 4);
        sec->Close();
        QVERIFY(!sec->Connected());
        // Without the caller's hold the wrapper closes what it opened again.
        OleCheck(sec->CanPass(QStringLiteral("T001"), QStringLiteral("teach-2024"), ok));
        QVERIFY(!sec->Connected());
        QCOMPARE(connects.count(), 5);

        // No list to fill: success, and nothing is called.
        QCOMPARE(sec->GetLockMachine(QStringLiteral("ADMIN"), nullptr), S_OK);
        QCOMPARE(connects.count(), 5);
    }

    void securityConversions() {
        auto sec = FrontEnd<TSecurityServer>(FBroker.get());
        bool ok = true;
        QString message = QStringLiteral("stale");
        OleCheck(sec->Login(QStringLiteral("T001"), QStringLiteral("nope"), message, ok));
        QVERIFY(!ok);
        QCOMPARE(message, QStringLiteral("帳號或密碼錯誤"));
        OleCheck(sec->Login(QStringLiteral("T001"), QStringLiteral("teach-2024"), message, ok));
        QVERIFY(ok);
        QCOMPARE(message, QString());
        OleCheck(sec->LogOut(QStringLiteral("T001")));
        FServer->SignIn(); // logging out ended the session

        TStringList machines;
        machines.SetText(QStringLiteral("127.0.0.1 LAB-PC01\n10.0.0.8 OFFICE-02\n"));
        OleCheck(sec->SetLockMachine(QStringLiteral("T001"), machines));
        TStringList read;
        OleCheck(sec->GetLockMachine(QStringLiteral("T001"), &read));
        QCOMPARE(read.Count(), 2);
        QVERIFY(read.IndexOf(QStringLiteral("127.0.0.1 LAB-PC01")) >= 0);
        OleCheck(sec->LoginByMachine(QStringLiteral("T001"), QStringLiteral("teach-2024"),
                                     QStringLiteral("10.0.0.9 HOME"), message, ok));
        QVERIFY(!ok);
        QVERIFY(!message.isEmpty());
        OleCheck(sec->LoginByMachine(QStringLiteral("T001"), QStringLiteral("teach-2024"),
                                     QStringLiteral("10.0.0.8 OFFICE-02"), message, ok));
        QVERIFY(ok);
        OleCheck(sec->LogOut(QStringLiteral("T001")));
        FServer->SignIn(); // logging out ended the session

        QString name = QStringLiteral("x"), description = QStringLiteral("y");
        TDateTime start, end;
        TStringList bound;
        OleCheck(
            sec->GetUserInfo(QStringLiteral("T001"), name, description, start, end, &bound, ok));
        QVERIFY(ok);
        QCOMPARE(name, QStringLiteral("林雅婷"));
        QCOMPARE(description, QStringLiteral("國文科教師"));
        QVERIFY(start.Value() < end.Value());
        QCOMPARE(bound.Count(), 2);
        bound.SetText(QStringLiteral("keep\n"));
        OleCheck(
            sec->GetUserInfo(QStringLiteral("NOBODY"), name, description, start, end, &bound, ok));
        QVERIFY(!ok);
        QCOMPARE(name, QString()); // cleared, not filled
        QCOMPARE(description, QString());
        QCOMPARE(bound.Text(), QStringLiteral("keep\n"));

        OleCheck(sec->CreateUser(QStringLiteral("T900"), QStringLiteral("pw-900"),
                                 QStringLiteral("測試"), QStringLiteral("desc"), 6,
                                 QStringLiteral("ADMIN"), ok));
        QVERIFY(ok);
        OleCheck(sec->ChangePassword(QStringLiteral("T900"), QStringLiteral("pw-900"),
                                     QStringLiteral("pw-901"), ok));
        QVERIFY(ok);
        OleCheck(sec->CanPass(QStringLiteral("T900"), QStringLiteral("pw-901"), ok));
        QVERIFY(ok);
        TStringList ids;
        ids.Add(QStringLiteral("T900"));
        OleCheck(sec->DeleteUsers(ids, QStringLiteral("ADMIN")));
        OleCheck(sec->CanPass(QStringLiteral("T900"), QStringLiteral("pw-901"), ok));
        QVERIFY(!ok);
    }

    void serverErrorsBecomeFailureStatuses() {
        auto version = FrontEnd<TVersionServer>(FBroker.get());
        bool ok = true;
        const HRESULT status = version->UpdateClientAppFile(
            QString(), QStringLiteral("1"), QString(), Variant(QByteArray("x")), 1, 0,
            QStringLiteral("APP"), QString(), QStringLiteral("ADMIN"), ok);
        QCOMPARE(status, E_FAIL);
        QVERIFY(!version->LastErrorText().isEmpty());
        QVERIFY(!version->Connected());
        QVERIFY_THROWS_EXCEPTION(EOleSysError, OleCheck(status));
        TStringList files;
        files.Add(QStringLiteral("LumPassword.bpl"));
        QCOMPARE(version->ChangeAppSchedule(files, 13, 1), E_FAIL);
        QCOMPARE(version->LastErrorText(), QStringLiteral("Invalid Month No"));
        QCOMPARE(version->ChangeAppSchedule(files, 12, 5), S_OK);

        // A host that does not answer: a status as well, while the help calls raise.
        TSimpleObjectBroker nowhere;
        nowhere.AddServer(QStringLiteral("127.0.0.1"), DeadPort());
        auto lost = FrontEnd<TVersionServer>(&nowhere);
        Variant data;
        QCOMPARE(lost->GetClientAppFile(QStringLiteral("a.bpl"), data), E_FAIL);
        nowhere.ClearFailed();
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        QVERIFY_THROWS_EXCEPTION(Exception,
                                 lost->GetClientAppsHelp(QStringLiteral("a.bpl"), buffer));
    }

    void versionFilesAndHelp() {
        auto version = FrontEnd<TVersionServer>(FBroker.get());
        const QByteArray bytes("\x7f"
                               "ELF package bytes\0with zero",
                               27);
        bool ok = false;
        OleCheck(version->UpdateClientAppFile(
            QStringLiteral("LumTest.bpl"), QStringLiteral("7.0.0.1"), QStringLiteral("測試作業"),
            Variant(bytes), int(bytes.size()), 1, QStringLiteral("APP"), QString(),
            QStringLiteral("ADMIN"), ok));
        QVERIFY(ok);
        Variant data;
        OleCheck(version->GetClientAppFile(QStringLiteral("LumTest.bpl"), data));
        QCOMPARE(data.ToBytes(), bytes);
        OleCheck(version->CheckClientAppFile(
            QStringLiteral("LumTest.bpl"), QStringLiteral("7.0.0.1"), int(bytes.size()), data, ok));
        QVERIFY(ok);
        OleCheck(version->CheckClientAppFile(QStringLiteral("LumTest.bpl"),
                                             QStringLiteral("7.0.0.1"), int(bytes.size()) - 1, data,
                                             ok));
        QVERIFY(!ok);
        QCOMPARE(data.ToBytes(), bytes);

        Variant schedule = Variant::Array(0, 11);
        for (int m = 0; m < 12; ++m)
            schedule.SetElement(m, Variant(m + 1));
        OleCheck(version->SetAppSchedule(QStringLiteral("LumTest.bpl"), schedule));
        Variant back;
        OleCheck(version->GetAppSchedule(QStringLiteral("LumTest.bpl"), back));
        QCOMPARE(back[11].ToInt(), 12);
        // A month's work day is a day number of its own: the day sets of the schedule stay as
        // they were, and a job with a work day only has no day set.
        TStringList scheduled;
        scheduled.Add(QStringLiteral("LumTest.bpl"));
        scheduled.Add(QStringLiteral("LumWorkDayOnly.bpl"));
        OleCheck(version->ChangeAppSchedule(scheduled, 3, 15));
        OleCheck(version->GetAppSchedule(QStringLiteral("LumTest.bpl"), back));
        for (int m = 0; m < 12; ++m)
            QCOMPARE(back[m].ToInt(), m + 1);
        OleCheck(version->GetAppSchedule(QStringLiteral("LumWorkDayOnly.bpl"), back));
        QVERIFY(back.IsEmptyOrNull());
        QCOMPARE(FServer
                     ->Query("SELECT WorkDayOfMonth FROM AppWorkDay WHERE "
                             "FileName = 'LumTest.bpl' AND MonthNo = 2")
                     .toInt(),
                 15);
        OleCheck(version->SetAppSchedule(QStringLiteral("LumTest.bpl"), schedule));
        QCOMPARE(FServer
                     ->Query("SELECT WorkDayOfMonth FROM AppWorkDay WHERE "
                             "FileName = 'LumTest.bpl' AND MonthNo = 2")
                     .toInt(),
                 15);

        QBuffer help;
        help.open(QIODevice::ReadWrite);
        version->GetClientAppsHelp(QStringLiteral("LumTest.bpl"), help); // none yet
        QCOMPARE(help.size(), 0);
        help.write("說明文件");
        version->SetClientAppsHelp(QStringLiteral("LumTest.bpl"), QStringLiteral("1"),
                                   QStringLiteral("說明"), help); // the whole stream
        QBuffer fetched;
        fetched.open(QIODevice::ReadWrite);
        version->GetClientAppsHelp(QStringLiteral("LumTest.bpl"), fetched);
        QCOMPARE(fetched.pos(), 0);
        QCOMPARE(fetched.readAll(), QByteArray("說明文件"));

        OleCheck(version->DeleteClientAppFile(QStringLiteral("LumTest.bpl"), ok));
        QVERIFY(ok);
        OleCheck(version->RefreshDataSet(QStringLiteral("xspClientApps")));
        QCOMPARE(version->RefreshDataSet(QStringLiteral("xspNothing")), E_FAIL);
    }

    void jobManagerOutputs() {
        auto jobs = FrontEnd<TJobManageServer>(FBroker.get());
        Variant groups, jobList, admin, result;
        OleCheck(jobs->GetUserJobInfo(QStringLiteral("ADMIN"), groups, jobList, admin, result));
        QVERIFY(VarToStr(groups).contains(QStringLiteral("SYSADM")));
        QVERIFY(VarToStr(jobList).contains(QStringLiteral("LumChangePassword.bpl")));
        Variant members;
        OleCheck(jobs->GetGroupJobAndMembers(QStringLiteral("ACAD"), members, jobList, result));
        QVERIFY(VarToStr(members).contains(QStringLiteral("T001")));
    }

    void theJobManagerTwinCallsEachMethodByItsNumber() {
        // Made by the creator of the class clients address, on this server's machine.
        auto jobs =
            CoJobManagerINTF::CreateRemote(QStringLiteral("127.0.0.1:%1").arg(FServer->Port()));
        QVERIFY(jobs.Connection()->Connected());
        QCOMPARE(jobs.Connection()->ServerName(), PROGID_JobManagerINTF);
        const QString admin = QStringLiteral("ADMIN");
        QVERIFY(jobs->UpdateJobGroup("TSTG", "MGR1", "A10", admin).ToBool());
        QVERIFY(jobs->ChangeGroupMembers("TSTG", "T001\nT002", admin).ToBool());
        QVERIFY(jobs->ChangeGroupJobs("TSTG", "TstJobA.bpl\nTstJobB.bpl", admin).ToBool());
        Variant members, jobList;
        QVERIFY(jobs->GetGroupJobAndMembers("TSTG", members, jobList).ToBool());
        QCOMPARE(VarToStr(members), QStringLiteral("T001\nT002\n"));
        QCOMPARE(VarToStr(jobList), QStringLiteral("TstJobA.bpl\nTstJobB.bpl\n"));
        QVERIFY(jobs->ChangeJobGroups("TstJobC.bpl", "TSTG", admin).ToBool());
        QVERIFY(jobs->ChangeMemberGroups("T002", "TSTG\nSTUDENT", admin).ToBool());
        QVERIFY(jobs->ChangeUserJobs("T002", "TSTG", "TstJobD.bpl", admin).ToBool());
        // An agent for a while, someone who manages the group, its manager changed.
        const TDateTime today = Date();
        QVERIFY(jobs->UpdateJobAgent("T001", admin, "TSTG", "TstJobC.bpl", TDateTime(today - 1),
                                     TDateTime(today + 30), QStringLiteral("休假"))
                    .ToBool());
        QVERIFY(jobs->SetMemberManageGroup("T001", "TSTG", admin).ToBool());
        QVERIFY(jobs->ChangeManager("MGR1", "T002", admin).ToBool());
        Variant groups, userJobs, managed;
        QVERIFY(jobs->GetUserJobInfo(admin, groups, userJobs, managed).ToBool());
        QVERIFY(Lines(userJobs).contains(QStringLiteral("TstJobC.bpl")));
        QVERIFY(jobs->GetUserJobInfo("T001", groups, userJobs, managed).ToBool());
        QCOMPARE(Lines(managed), (QStringList{"ACAD", "TSTG"}));
        QVERIFY(jobs->GetUserJobInfo("T002", groups, userJobs, managed).ToBool());
        QCOMPARE(Lines(groups), (QStringList{"STUDENT", "TSTG"}));
        QVERIFY(Lines(userJobs).contains(QStringLiteral("TstJobD.bpl")));
        QCOMPARE(Lines(managed), (QStringList{"STUDENT", "TSTG"}));
        jobs->DeleteJobAgent("T001", admin, "TSTG", "TstJobC.bpl");
        QVERIFY(jobs->GetUserJobInfo(admin, groups, userJobs, managed).ToBool());
        QVERIFY(!Lines(userJobs).contains(QStringLiteral("TstJobC.bpl")));
        jobs->DeleteJobs("TstJobB.bpl");
        jobs->DeleteMembers("T001");
        QVERIFY(jobs->GetGroupJobAndMembers("TSTG", members, jobList).ToBool());
        QCOMPARE(VarToStr(members), QStringLiteral("T002\n"));
        QCOMPARE(VarToStr(jobList), QStringLiteral("TstJobA.bpl\nTstJobC.bpl\n"));
        jobs->DeleteJobGroups("TSTG");
        QVERIFY(!jobs->GetGroupJobAndMembers("TSTG", members, jobList).ToBool());
        // The demo school's own memberships as they were.
        QVERIFY(jobs->ChangeMemberGroups("T001", "ACAD", admin).ToBool());
        QVERIFY(jobs->GetUserJobInfo("T002", groups, userJobs, managed).ToBool());
        QCOMPARE(Lines(groups), QStringList{QStringLiteral("STUDENT")});
    }

    void creatorsReachTheirClasses() {
        const QString machine = QStringLiteral("127.0.0.1:%1").arg(FServer->Port());
        // Each creatable class has its class identifier; both classes of an interface reach the
        // object its server publishes under the interface's ProgID.
        QCOMPARE(CoVersionCtrlNTF::ClassID(), CLASS_VersionCtrlNTF);
        QCOMPARE(CoVersionCtrl::ClassID(), CLASS_VersionCtrl);
        QCOMPARE(CoSecurity::ClassID(), CLASS_Security);
        QCOMPARE(CoJobManager::ClassID(), CLASS_JobManager);
        QCOMPARE(CoCodeTableDM::ClassID(), CLASS_CodeTableDM);
        QCOMPARE(CoDelphiVCLDM::ClassID(), CLASS_DelphiVCLDM);
        QCOMPARE(CoObjServersDM::ClassID(), CLASS_ObjServersDM);
        QCOMPARE(CoIDNameDM::ClassID(), CLASS_IDNameDM);
        QCOMPARE(CoVersionCtrl::ProgId(), PROGID_VersionCtrlNTF);
        CoVersionCtrl::CreateRemote(machine)->RefreshDataSet(QStringLiteral("xspClientApps"));
        Variant message;
        QVERIFY(CoSecurityINTF::CreateRemote(machine)->Login("ADMIN", "orv7-admin", message));
        QVERIFY(CoJobManager::CreateRemote(machine)
                    ->GetUserJobInfo("ADMIN", message, message, message)
                    .ToBool());
        QVERIFY(qAbs(CoCodeTableDM::CreateRemote(machine)->GetSystemDateTime() - Now()) <
                1.0 / 24 / 60);
        QVERIFY(VarToStr(CoDelphiVCLINTF::CreateRemote(machine)->ReadClassVCLNames("TTreeView"))
                    .contains(QStringLiteral("EPT")));
        QVERIFY(VarToStr(CoObjServersDM::CreateRemote(machine)->GetServerNames())
                    .contains(QStringLiteral("SystemObj")));
        QVERIFY(!CoIDNameINTF::CreateRemote(machine)->IDType().isEmpty());
        // A copy shares the connection, which closes with the last one.
        QPointer<TSocketConnection> link;
        {
            auto codes = CoCodeTableINTF::CreateRemote(machine);
            auto copy = codes;
            link = codes.Connection();
            QCOMPARE(copy.Connection(), link.data());
        }
        QVERIFY(link.isNull());
        // A machine where nothing listens, or a port that is none, raises.
        QVERIFY_THROWS_EXCEPTION(
            ESocketConnectionError,
            CoCodeTableINTF::CreateRemote(QStringLiteral("127.0.0.1:%1").arg(DeadPort())));
        QVERIFY_THROWS_EXCEPTION(Exception, CoCodeTableINTF::CreateRemote("127.0.0.1:port"));
    }

    void createReachesTheServerOnThisComputer() {
        // Create is CreateRemote of this computer, at the port its settings give the library.
        SetServerIPPort(QStringLiteral("SystemObj"), FServer->Port());
        auto codes = CoCodeTableDM::Create();
        QCOMPARE(codes.Connection()->ConnectedHost(), QStringLiteral("127.0.0.1"));
        QCOMPARE(codes.Connection()->ConnectedPort(), int(FServer->Port()));
        QVERIFY(qAbs(codes->GetSystemDateTime() - Now()) < 1.0 / 24 / 60);
        auto trees = CoDelphiVCLINTF::CreateRemote(QStringLiteral("localhost"));
        QVERIFY(VarToStr(trees->ReadVCLNamesByDescription(QStringLiteral("TTreeView")))
                    .contains(QStringLiteral("EPT=職務類別")));
        // Another library's servers have a port of their own (2001 unless set).
        SetServerIPPort(QStringLiteral("SrvJobSecurity"), DeadPort());
        QVERIFY_THROWS_EXCEPTION(ESocketConnectionError, CoSecurityINTF::Create());
    }

    void systemObjectDispatchNumbers() {
        auto code = FServer->Connect(PROGID_CodeTableINTF);
        ICodeTableDMDisp codes(code->AppServer());
        QVERIFY(qAbs(codes.GetSystemDateTime() - Now()) < 1.0 / 24 / 60);
        Variant prefix, format;
        const int first =
            codes.GetKeyValueEX(QStringLiteral("Notice"), QStringLiteral("115"), prefix, format);
        QCOMPARE(
            codes.GetKeyValueEX(QStringLiteral("Notice"), QStringLiteral("115"), prefix, format),
            first + 1);
        QVERIFY(!codes.GetUnitChilds(QStringLiteral("A00"), true, true).isEmpty());

        auto vcl = FServer->Connect(PROGID_DelphiVCLINTF);
        IDelphiVCLDMDisp trees(vcl->AppServer());
        trees.UpdateVCL(QStringLiteral("T1"), QStringLiteral("TTreeView"), QStringLiteral("樹"),
                        Variant(QByteArray("a\n\tb")));
        Variant className, description;
        QCOMPARE(trees.LoadVCL(QStringLiteral("T1"), className, description).ToBytes(),
                 QByteArray("a\n\tb"));
        QCOMPARE(VarToStr(description), QStringLiteral("樹"));
        QVERIFY(trees.DeleteVCL(QStringLiteral("T1")));

        auto locations = FServer->Connect(PROGID_ObjServersINTF);
        IObjServersDMDisp servers(locations->AppServer());
        QVERIFY(VarToStr(servers.GetServerNames()).contains(QStringLiteral("SystemObj")));
        QVERIFY(servers.ReadServerData(QStringLiteral("SystemObj")).IsArray());

        auto ids = FServer->Connect(PROGID_IDNameINTF);
        IIDNameDisp names(ids->AppServer());
        QVERIFY(!names.IDType().isEmpty());
    }

    void disconnectClearsTheBrokersMarks() {
        TRADObjectBroker broker(nullptr, QStringLiteral("Unused"));
        broker.SetLoadBalanced(false);
        broker.AddServer(QStringLiteral("127.0.0.1"), DeadPort());
        broker.AddServer(QStringLiteral("localhost"), FServer->Port());
        auto sec = FrontEnd<TSecurityServer>(&broker);
        QSignalSpy reports(&broker, &TSimpleObjectBroker::ConnectStatus);
        bool ok = false;
        sec->SetAutoDisconnect(false);
        OleCheck(sec->CanPass(QStringLiteral("ADMIN"), QStringLiteral("orv7-admin"), ok));
        QVERIFY(ok);
        QVERIFY(broker.Servers()[0].HasFailed); // four failures, then the next host
        QCOMPARE(sec->ConnectedPort(), int(FServer->Port()));
        sec->Close();
        QVERIFY(!broker.Servers()[0].HasFailed); // every host is eligible again
        QCOMPARE(reports.count(), 2);
    }

    void failOverThroughTheLocationTable() {
        // Two servers; the location table on the first lists both as "SrvJobSecurity".
        auto second = std::make_unique<TAppServerFixture>();
        FServer->SignIn(); // the second server's ticket means nothing to the first
        OrvServerDataSet->LocalBroker()->Servers().clear();
        OrvServerDataSet->LocalBroker()->InsertFirstItem(QStringLiteral("127.0.0.1"),
                                                         FServer->Port());
        RemoteRegistryServer(QStringLiteral("SrvJobSecurity"), QStringLiteral("127.0.0.1"),
                             FServer->Port());
        RemoteRegistryServer(QStringLiteral("SrvJobSecurity"), QStringLiteral("localhost"),
                             second->Port());

        auto sec = FrontEnd<TSecurityServer>(SrvJobSecurityBroker);
        QCOMPARE(SrvJobSecurityBroker->ServerName(), QStringLiteral("SrvJobSecurity"));
        bool ok = false;
        QString message;
        OleCheck(sec->Login(QStringLiteral("ADMIN"), QStringLiteral("orv7-admin"), message, ok));
        QVERIFY(ok);
        QCOMPARE(SrvJobSecurityBroker->Servers().size(), 2);
        FServer.reset();              // the first host stops
        for (int i = 0; i < 4; ++i) { // whichever host the balancer picks, the call succeeds
            OleCheck(
                sec->Login(QStringLiteral("ADMIN"), QStringLiteral("orv7-admin"), message, ok));
            QVERIFY(ok);
        }
        FServer = std::move(second);
        FServer->SignIn();
        FBroker->Servers().clear();
        FBroker->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
    }

    void startingWithTheDefaultHostStoppedUsesTheBackup() {
        // Two hosts that share the school's locations (as over one database): each lists both
        // for the job-security server. The machine knows only the two registry entries.
        auto first = std::make_unique<TAppServerFixture>();
        TAppServerFixture backup;
        for (const TAppServerFixture *server : {first.get(), &backup}) {
            server->Query("DELETE FROM ServerLocation");
            server->Query(QStringLiteral("INSERT INTO ServerLocation (ServerName, ComputerName, "
                                         "Port) VALUES ('SrvJobSecurity', '127.0.0.1', %1), "
                                         "('SrvJobSecurity', 'localhost', %2)")
                              .arg(first->Port())
                              .arg(backup.Port()));
        }
        SetServerIPAddress(_DEFAULTSERVERSTR, QStringLiteral("127.0.0.1"));
        SetServerIPPort(_DEFAULTSERVERSTR, first->Port());
        SetServerIPAddress(_BACKUPSERVERSTR, QStringLiteral("localhost"));
        SetServerIPPort(_BACKUPSERVERSTR, backup.Port());
        TLocalObjectBroker fromRegistry;
        QCOMPARE(fromRegistry.Servers().size(), 2);
        QCOMPARE(fromRegistry.Servers()[0].Port, int(first->Port())); // the default first
        QCOMPARE(fromRegistry.Servers()[1].Port, int(backup.Port()));
        OrvServerDataSet->LocalBroker()->Servers() = fromRegistry.Servers();

        auto login = [](TRADObjectBroker &broker) {
            auto sec = FrontEnd<TSecurityServer>(&broker);
            bool ok = false;
            QString message;
            OleCheck(
                sec->Login(QStringLiteral("ADMIN"), QStringLiteral("orv7-admin"), message, ok));
            return ok;
        };
        OrvServerDataSet->Close();
        TRADObjectBroker running(nullptr, QStringLiteral("SrvJobSecurity"));
        QVERIFY(login(running));
        QCOMPARE(running.Servers().size(), 2);

        // The default host stops. A client that starts now reads the locations from the
        // backup host, and its calls reach the job-security server that still runs.
        first.reset();
        OrvServerDataSet->Close();
        TRADObjectBroker starting(nullptr, QStringLiteral("SrvJobSecurity"));
        for (int i = 0; i < 4; ++i)
            QVERIFY(login(starting));
        QCOMPARE(starting.Servers().size(), 2);
        QVERIFY(!OrvServerDataSet->LocalBroker()->Servers()[0].HasFailed); // marks cleared
        QVERIFY(login(running)); // the client that was running goes on as well
    }
};

LUM_TEST_MAIN(TstRadServer)
#include "tst_radserver.moc"
