// The master/detail form over the courses of a real server, each course with its students
// nested: its parts and their start states, the actions each state of master and details
// enables, "修改" on the details or on a master without them, a master deleted with its
// details after one confirmation and confirmed as one batch, a detail still being edited
// taken into the confirm, and cancelling under a local filter.

#include "Application.h"
#include "ClientDataSet.h"
#include "DBActions.h"
#include "DataSource.h"
#include "Fields.h"
#include "ModalAnswer.h"
#include "Packet.h"
#include "ServerLocations.h"
#include "SocketConnection.h"
#include "TestMain.h"
#include "uMasterDetailTBBaseForm.h"

#include <QMenu>

namespace {

// The form as a job form sets it up: the courses of term 1131 with their students, the
// actions a user needs shown.
class TCourseForm : public TMasterDetailTBBaseForm {
public:
    TCourseForm() {
        SocketConnection->SetServerName(QStringLiteral("SrvAcademic.AcadCourseINTF"));
        MasterDataSet->SetProviderName(QStringLiteral("dspSemCourses"));
        MasterDataSet->Params()
            .CreateParam(ftString, QStringLiteral("Semester"))
            .SetAsString("1131");
        for (const auto &[name, type, size] :
             {std::tuple{"CourseID", ftString, 20}, std::tuple{"CourseName", ftString, 60},
              std::tuple{"Semester", ftString, 5}, std::tuple{"Credits", ftInteger, 0}})
            MasterDataSet->AddField(type, QLatin1String(name), size);
        MasterDataSet->FieldByName(QStringLiteral("CourseID"))
            ->SetProviderFlags(pfInKey | pfInWhere | pfInUpdate);
        auto *students =
            static_cast<TDataSetField *>(MasterDataSet->AddField(ftDataSet, "CourseStudents"));
        DetailDataSet->SetDataSetField(students);
        for (const auto &[name, type, size] :
             {std::tuple{"CourseID", ftString, 20}, std::tuple{"StudentID", ftString, 10},
              std::tuple{"Cht_Name", ftString, 40}, std::tuple{"Score", ftFloat, 0}})
            DetailDataSet->AddField(type, QLatin1String(name), size);
        DetailDataSet->FieldByName(QStringLiteral("Cht_Name"))->SetProviderFlags(0);
        DetailDataSet->BeforeDelete = [this](TDataSet *) { Cascading << DeletingAllDetail(); };
        for (QAction *a : std::initializer_list<QAction *>{MasterInsert, MasterDelete, DataInsert,
                                                           DataEdit, DataSetDelete, DataSetPost,
                                                           DataSetCancel, DataCopy, DataPrint})
            a->setVisible(true);
        FinishLoading(this);
    }
    ~TCourseForm() override { DetailDataSet->BeforeDelete = nullptr; }
    QList<bool> Cascading; // DeletingAllDetail as each detail went
};

QString Enabled(const TMasterDetailTBBaseForm &f) {
    const std::pair<const char *, bool> targets[] = {{"apply", f.DataApplyUpdate->isEnabled()},
                                                     {"cancel", f.DataCancelUpdate->isEnabled()},
                                                     {"master", f.MasterInsert->isEnabled()},
                                                     {"insert", f.DataInsert->isEnabled()},
                                                     {"edit", f.DataEdit->isEnabled()},
                                                     {"copy", f.DataCopy->isEnabled()},
                                                     {"excel", f.ExportToExcel->isEnabled()},
                                                     {"print", f.DataPrint->isEnabled()},
                                                     {"selection", f.plDataSelection->isEnabled()}};
    QStringList on;
    for (const auto &[name, enabled] : targets)
        if (enabled)
            on << QLatin1String(name);
    return on.join(u' ');
}

} // namespace

class TstMasterDetailForm : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;

    int Count(const QString &sql) const { return FServer->Query(sql).toInt(); }

    QStringList FErrors;

private Q_SLOTS:
    // One server for every test, each test on courses of its own.
    void initTestCase() {
        FServer = std::make_unique<TAppServerFixture>();
        PointServersAt(*FServer);
        Application()->OnException = [this](const QString &m) { FErrors << m; };
    }
    void cleanupTestCase() {
        Application()->OnException = nullptr;
        FServer.reset();
    }
    void cleanup() { QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n'))); }

    void partsAndStartStates() {
        TCourseForm form;
        QCOMPARE(TMasterDetailTBBaseForm().Caption(), QStringLiteral("MasterDetailTBBaseForm"));
        QCOMPARE(form.MasterInsert->text(), QStringLiteral("主檔新增"));
        QCOMPARE(form.MasterInsert->Hint(), QStringLiteral("新增一筆主檔資料"));
        QCOMPARE(form.MasterInsert->Category(), QStringLiteral("Dataset"));
        QCOMPARE(form.MasterDelete->text(), QStringLiteral("主檔刪除"));
        QCOMPARE(form.MasterDelete->Hint(), QStringLiteral("刪除一筆主檔,及其明細"));
        QCOMPARE(form.MasterDelete->DataSource(), form.MasterSource);
        TMasterDetailTBBaseForm fresh;
        QVERIFY(!fresh.MasterInsert->isVisible() && !fresh.MasterDelete->isVisible());
        QStringList menu;
        for (QAction *a : form.MasterPopupMenu->actions())
            menu << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(menu, (QStringList{"確認", "取消", "-", "主檔新增", "主檔刪除"}));
        // Deleting and moving act on the details, posting and undoing on the master.
        QCOMPARE(form.DataSetDelete->DataSource(), form.DetailSource);
        QCOMPARE(form.DataSetNext->DataSource(), form.DetailSource);
        QCOMPARE(form.DataSetPost->DataSource(), form.MasterSource);
        QCOMPARE(form.DataSetCancel->DataSource(), form.MasterSource);
        QVERIFY(!form.MasterSource->AutoEdit() && !form.DetailSource->AutoEdit());
        QCOMPARE(Enabled(form), QStringLiteral("selection"));
        form.DataOpen->trigger();
        QVERIFY(form.MasterDataSet->RecordCount() > 0);
        QCOMPARE(Enabled(form), QStringLiteral("master insert edit copy excel print selection"));
        QVERIFY(form.MasterDelete->isEnabled());
    }

    void masterDeletedWithItsDetailsInOneBatch() {
        TCourseForm form;
        form.DataOpen->trigger();
        QVERIFY(form.MasterDataSet->Locate("CourseID", Variant("1131-EN101")));
        const int students =
            Count("SELECT COUNT(*) FROM CourseStudents WHERE CourseID = '1131-EN101'");
        QVERIFY(students > 0);
        QCOMPARE(form.DetailDataSet->RecordCount(), students);
        {
            TAnswer no(QMessageBox::No);
            form.MasterDelete->trigger();
            QCOMPARE(no.Texts,
                     QStringList{QStringLiteral("主檔刪除,將一併刪除明細資料,確認要刪除嗎？")});
        }
        QCOMPARE(form.DetailDataSet->RecordCount(), students);
        QCOMPARE(form.MasterDataSet->ChangeCount(), 0);
        {
            TAnswer yes(QMessageBox::Yes);
            form.MasterDelete->trigger();
            QCOMPARE(yes.Texts.size(), 1);
        }
        QCOMPARE(form.Cascading, QList<bool>(students, true));
        QVERIFY(!form.DeletingAllDetail());
        QVERIFY(!form.MasterDataSet->Locate("CourseID", Variant("1131-EN101")));
        // One master row deleted, carrying the deletions of its details.
        TPacketReader delta(form.MasterDataSet->Delta().ToBytes());
        quint8 status;
        std::vector<Variant> values;
        QVERIFY(delta.NextRow(status, values));
        QCOMPARE(status, quint8(usDeleted));
        QVERIFY(!delta.NextRow(status, values));
        // The course now shown has no changes of its own students: they may be exported.
        QCOMPARE(Enabled(form),
                 QStringLiteral("apply cancel master insert edit copy excel print selection"));
        const int applies = Count("SELECT COUNT(*) FROM ApplyLog");
        form.DataApplyUpdate->trigger();
        QCOMPARE(form.MasterDataSet->ChangeCount(), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM SemCourses WHERE CourseID = '1131-EN101'"), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM CourseStudents WHERE CourseID = '1131-EN101'"), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM ApplyLog"), applies + 1);
        QCOMPARE(Count("SELECT Deleted FROM ApplyLog WHERE Provider = 'dspSemCourses'"),
                 students + 1);
        // The user's own deletion of a detail is no cascade.
        form.Cascading.clear();
        QVERIFY(form.MasterDataSet->Locate("CourseID", Variant("1131-EN102")));
        const int others = form.DetailDataSet->RecordCount();
        TAnswer yes(QMessageBox::Yes);
        form.DataSetDelete->trigger();
        QCOMPARE(form.Cascading, QList<bool>{false});
        QCOMPARE(form.DetailDataSet->RecordCount(), others - 1);
    }

    void editActsOnTheDetailsOrOnAMasterWithoutThem() {
        TCourseForm form;
        form.DataOpen->trigger();
        QVERIFY(form.MasterDataSet->Locate("CourseID", Variant("1131-CH102")));
        form.DataEdit->trigger();
        QCOMPARE(form.DetailDataSet->State(), dsEdit);
        QCOMPARE(form.MasterDataSet->State(), dsBrowse);
        // The master browses, but a detail is being edited: no other course may be chosen.
        QVERIFY(!form.plDataSelection->isEnabled());
        // The master itself browses: a new master could be started, and "修改" stays on.
        QCOMPARE(Enabled(form), QStringLiteral("cancel master edit"));
        form.DetailDataSet->FieldByName("Score")->SetAsFloat(77);
        form.DetailDataSet->Post();
        QCOMPARE(Enabled(form), QStringLiteral("apply cancel master insert edit copy selection"));
        // A pending edit of a detail goes with the confirm.
        form.DataEdit->trigger();
        form.DetailDataSet->FieldByName("Score")->SetAsFloat(78);
        const QString student = form.DetailDataSet->FieldByName("StudentID")->AsString();
        form.DataApplyUpdate->trigger();
        QCOMPARE(form.DetailDataSet->State(), dsBrowse);
        QCOMPARE(FServer
                     ->Query(QStringLiteral("SELECT Score FROM CourseStudents WHERE CourseID = "
                                            "'1131-CH102' AND StudentID = '%1'")
                                 .arg(student))
                     .toDouble(),
                 78.0);

        // A new course has no students yet: "修改" edits the course itself.
        form.MasterInsert->trigger();
        QCOMPARE(form.MasterDataSet->State(), dsInsert);
        QVERIFY(!form.MasterInsert->isEnabled());
        for (const auto &[field, value] :
             {std::pair{"CourseID", "1131-MU101"}, std::pair{"CourseName", "音樂"},
              std::pair{"Semester", "1131"}, std::pair{"Credits", "1"}})
            form.MasterDataSet->FieldByName(QLatin1String(field))
                ->SetAsString(QString::fromUtf8(value));
        form.DataSetPost->trigger();
        QVERIFY(form.DetailDataSet->IsEmpty());
        QCOMPARE(Enabled(form),
                 QStringLiteral("apply cancel master insert edit excel print selection"));
        form.DataEdit->trigger();
        QCOMPARE(form.MasterDataSet->State(), dsEdit);
        form.MasterDataSet->FieldByName("CourseName")->SetAsString(QStringLiteral("音樂欣賞"));
        form.DataSetPost->trigger();
        form.DataApplyUpdate->trigger();
        QCOMPARE(FServer->Query("SELECT CourseName FROM SemCourses WHERE CourseID = '1131-MU101'")
                     .toString(),
                 QStringLiteral("音樂欣賞"));
    }

    void cancelUndoesMastersAndDetailsHiddenByAFilter() {
        TCourseForm form;
        form.DataOpen->trigger();
        TClientDataSet *m = form.MasterDataSet;
        QVERIFY(m->Locate("CourseID", Variant("1131-HI201")));
        const int students = form.DetailDataSet->RecordCount();
        QVERIFY(students > 1);
        TAnswer yes(QMessageBox::Yes);
        form.DataSetDelete->trigger();
        QCOMPARE(form.DetailDataSet->RecordCount(), students - 1);
        m->SetFilter(QStringLiteral("CourseID <> '1131-HI201'"));
        m->SetFiltered(true);
        form.DataCancelUpdate->trigger();
        QCOMPARE(m->ChangeCount(), 0);
        QVERIFY(m->Filtered());
        m->SetFiltered(false);
        QVERIFY(m->Locate("CourseID", Variant("1131-HI201")));
        QCOMPARE(form.DetailDataSet->RecordCount(), students);
    }
};

LUM_TEST_MAIN(TstMasterDetailForm)
#include "tst_masterdetailform.moc"
