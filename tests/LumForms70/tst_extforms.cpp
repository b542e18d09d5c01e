// The extended forms and the change-data form over providers on an SQLite file: rows selected
// by a test, copied into another table and changed, each operation confirmed at once in one
// apply; where the grid stands afterwards on each kind of form; the flow-chart document, the
// received data names, and the change-data form confirming a batch once.

#include "DBGrid.h"
#include "LocalStudents.h"
#include "OfficeViewer.h"
#include "ServerLocations.h"
#include "TestMain.h"
#include "uBaseTBExtV2Form.h"
#include "uBaseTBQCDS_V2.h"
#include "uChangeDataForm.h"
#include "uLumMessages.h"

#include <QLineEdit>
#include <QMenu>
#include <QTest>

namespace {

TClientDataSet *NewStudents(QObject *owner, TStudents &db, const QString &provider) {
    auto *d = new TClientDataSet(owner);
    d->SetName(provider.mid(3));
    d->SetAppServer(&db.Server);
    d->SetProviderName(provider);
    return d;
}

void CopyRow(TDataSet *source, TDataSet *target) {
    target->Append();
    for (const char *name : {"No", "Name", "Sex"})
        target->FieldByName(QString::fromLatin1(name))
            ->SetValue(source->FieldByName(QString::fromLatin1(name))->Value());
    target->Post();
}

QString No(TDataSet *d) {
    return d->FieldByName(QStringLiteral("No"))->AsString();
}

bool EverySecond(TDataSet *d) {
    return d->RecNo() % 2 == 1;
}

// A job that picks students into a second table: the candidates on the left, the picked ones
// on the right.
class TPickForm : public TBaseTBExtV2Form {
public:
    explicit TPickForm(TStudents &db) {
        setObjectName(QStringLiteral("PickForm"));
        Students = NewStudents(this, db, QStringLiteral("dspStudents"));
        Picked = NewStudents(this, db, QStringLiteral("dspPicked"));
        StudentSource.SetDataSet(Students);
        PickedSource.SetDataSet(Picked);
        for (TDBGrid **grid : {&gridStudents, &gridPicked}) {
            *grid = new TDBGrid(ClientPanel);
            (*grid)->SetReadOnly(true);
            (*grid)->SetMultiSelect(true);
            (*grid)->OnSelectionChange = [this](TDBGrid *) { OpCtrl(); };
        }
        gridStudents->SetDataSource(&StudentSource);
        gridPicked->SetDataSource(&PickedSource);
        for (QAction *a : std::initializer_list<QAction *>{
                 ActGridSelectAll, ActGridCopyInto, ActGridChange, ActGridActiveAll, ActGridClear,
                 ActFlowChart, ActGridCopy, ActGridPaste})
            a->setVisible(true);
        ActGridSelectAll->OnExecute = [this] { GridSelectAll(gridStudents, EverySecond); };
        ActGridActiveAll->OnExecute = [this] { GridSelectAll(gridPicked); };
        ActGridCopyInto->OnExecute = [this] {
            GridSelectedCopyInto(gridStudents, Picked, CopyRow);
        };
        ActGridChange->OnExecute = [this] {
            GridSelectedUpdate(gridPicked, [](TDataSet *d) {
                d->Edit();
                d->FieldByName(QStringLiteral("Sex"))->SetAsString(QStringLiteral("2"));
                d->Post();
            });
        };
        FinishLoading(this);
    }
    ~TPickForm() override {
        gridStudents->OnSelectionChange = nullptr;
        gridPicked->OnSelectionChange = nullptr;
    }
    TClientDataSet *GetActiveDataSet() const override { return Picked; }
    TDBGrid *GetGridActive() const override { return gridPicked; }
    TDBGrid *GetGridSelect() const override { return gridStudents; }
    TClientDataSet *Students, *Picked;
    TDataSource StudentSource, PickedSource;
    TDBGrid *gridStudents = nullptr, *gridPicked = nullptr;
};

// The same picking on the query form: the query's rows are the candidates.
class TPickQuery : public TBaseTBQCDS_V2 {
public:
    explicit TPickQuery(TStudents &db) {
        setObjectName(QStringLiteral("PickQuery"));
        QueryDataSet->SetAppServer(&db.Server);
        QueryDataSet->SetProviderName(QStringLiteral("dspStudents"));
        Picked = NewStudents(this, db, QStringLiteral("dspPicked"));
        PickedSource.SetDataSet(Picked);
        gridPicked = new TDBGrid(tsAdvanceTools);
        gridPicked->SetMultiSelect(true);
        gridPicked->SetDataSource(&PickedSource);
        ActGridSelectAll->setVisible(true);
        ActGridCopyInto->setVisible(true);
        ActGridSelectAll->OnExecute = [this] { GridSelectAll(DBGrid, EverySecond); };
        ActGridCopyInto->OnExecute = [this] { GridSelectedCopyInto(DBGrid, Picked, CopyRow); };
        FinishLoading(this);
    }
    TDBGrid *GetGridActive() const override { return gridPicked; }
    TDBGrid *GetGridSelect() const override { return DBGrid; }
    void DoDataApplyUpdates() override { Picked->ApplyUpdates(0); }
    TClientDataSet *Picked;
    TDataSource PickedSource;
    TDBGrid *gridPicked;
};

class TShownFiles : public TOfficeViewer {
public:
    explicit TShownFiles(QStringList &shown) : FShown(shown) {}
    void ShowFile(const QString &path) override { FShown << path; }
    void PrintPreviewFile(const QString &, const QString &) override {}
    void ClosePrintPreview() override {}
    void PrintOutFile(const QString &) override {}

private:
    QStringList &FShown;
};

// Students with a second table to pick them into.
struct TPickDb : TStudents {
    TSqlQuery *PickedQuery;
    TDataSetProvider *PickedProvider;
    TPickDb() {
        Exec("CREATE TABLE picked (No TEXT PRIMARY KEY, Name TEXT, Sex TEXT, EditInfo TEXT)");
        PickedQuery =
            MakeQuery(QStringLiteral("SELECT No, Name, Sex, EditInfo FROM picked ORDER BY No"));
        PickedProvider = MakeProvider(QStringLiteral("dspPicked"), PickedQuery);
    }
    ~TPickDb() {
        delete PickedProvider;
        delete PickedQuery;
    }
};

class TSexChange : public TChangeDataForm {
public:
    int Changes = 0;
    TSexChange() {
        ActChangeData->setVisible(true);
        ActSelectAll->setVisible(true);
        ActChangeData->OnExecute = [this] {
            SelectRowsDataChange([this](TDataSet *d) {
                ++Changes;
                d->Edit();
                d->FieldByName(QStringLiteral("Sex"))->SetAsString(QStringLiteral("2"));
                d->Post();
            });
        };
    }
};

} // namespace

class TstExtForms : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;
    QStringList FErrors;

private Q_SLOTS:
    void initTestCase() {
        FServer = std::make_unique<TAppServerFixture>();
        PointServersAt(*FServer);
        Application()->OnException = [this](const QString &m) { FErrors << m; };
    }
    void cleanupTestCase() { FServer.reset(); }
    void init() { FErrors.clear(); }

    void selectedRowsAreCopiedAndChangedInOneConfirmEach() {
        TPickDb db;
        TPickForm form(db);
        form.show();
        QCOMPARE(form.ClassName(), QStringLiteral("TBaseTBExtV2Form"));
        QVERIFY(!form.ActGridSelectAll->isEnabled());
        form.Students->Open();
        form.Picked->Open();
        form.OpCtrl();
        QVERIFY(form.ActGridSelectAll->isEnabled());
        QVERIFY(!form.ActGridCopyInto->isEnabled());  // nothing selected yet
        QVERIFY(!form.ActGridActiveAll->isEnabled()); // nothing picked yet
        // The test picks every second student: the first and the third.
        form.ActGridSelectAll->trigger();
        QCOMPARE(form.gridStudents->SelectedCount(), 2);
        QVERIFY(form.ActGridCopyInto->isEnabled());
        QVERIFY(form.ActGridClear->isEnabled());
        form.Students->Locate(QStringLiteral("No"), Variant("S02"));
        const int applies = db.Applies;
        form.ActGridCopyInto->trigger();
        QCOMPARE(db.Applies, applies + 1);
        QCOMPARE(db.Value("SELECT group_concat(No) FROM (SELECT No FROM picked ORDER BY No)"),
                 QStringLiteral("S01,S03"));
        QCOMPARE(form.Picked->ChangeCount(), 0);
        // The grid is back on the row it was on; the selection is gone.
        QCOMPARE(No(form.Students), QStringLiteral("S02"));
        QCOMPARE(form.gridStudents->SelectedCount(), 0);
        QVERIFY(!form.ActGridCopyInto->isEnabled());
        // Both picked students become girls in one confirm.
        QVERIFY(!form.ActGridChange->isEnabled());
        form.ActGridActiveAll->trigger();
        QCOMPARE(form.gridPicked->SelectedCount(), 2);
        QVERIFY(form.ActGridChange->isEnabled());
        QVERIFY(form.ActGridCopy->isEnabled());
        QVERIFY(!form.ActGridPaste->isEnabled()); // the copy buffer is closed
        form.ActGridChange->trigger();
        QCOMPARE(db.Applies, applies + 2);
        QCOMPARE(db.Value("SELECT count(*) FROM picked WHERE Sex='2'"), QStringLiteral("2"));
        QVERIFY(!form.ActGridChange->isEnabled());
        // The clear action takes every grid's selection away.
        form.ActGridActiveAll->trigger();
        form.ActGridClear->trigger();
        QCOMPARE(form.gridPicked->SelectedCount(), 0);
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

    void theQueryVariantStaysOnTheLastRowCopied() {
        TPickDb db;
        TPickQuery form(db);
        form.show();
        form.DataQuery->trigger();
        form.Picked->Open();
        form.OpCtrl();
        QVERIFY(form.ActGridSelectAll->isEnabled());
        form.ActGridSelectAll->trigger();
        QCOMPARE(form.DBGrid->SelectedCount(), 2);
        form.QueryDataSet->First();
        form.ActGridCopyInto->trigger();
        QCOMPARE(No(form.QueryDataSet), QStringLiteral("S03"));
        QCOMPARE(db.Value("SELECT count(*) FROM picked"), QStringLiteral("2"));
        QCOMPARE(form.DBGrid->SelectedCount(), 0);
        // The query part of the rules still holds.
        QVERIFY(!form.DataQuery->isEnabled());
        QCOMPARE(form.edCount->text(), QStringLiteral("3"));
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

    void flowChartsAndReceivedNames() {
        TPickDb db;
        TPickForm form(db);
        QStringList shown;
        form.Operations().SetViewer(std::make_unique<TShownFiles>(shown));
        QVERIFY(form.PopupMenuMain->actions().contains(form.ActFlowChart));
        QVERIFY(form.DataEditPopupMenu->actions().contains(form.ActGridCopy));
        form.ActFlowChart->setEnabled(true);
        form.FlowChartFile = QStringLiteral("  ");
        form.ActFlowChart->trigger();
        QVERIFY(shown.isEmpty());
        form.FlowChartFile = QStringLiteral("/srv/流程/選課流程.pdf");
        form.ActFlowChart->trigger();
        QCOMPARE(shown, (QStringList{"/srv/流程/選課流程.pdf"}));
        // A dataset sent by name reaches the other forms with the sender's name in front.
        TPickQuery other(db);
        other.Picked->Open();
        form.SendDataSetByName(other.Picked, QStringLiteral("Students"));
        QCOMPARE(other.ReceivedDataName, QStringLiteral("PickForm.Students"));
        QCOMPARE(other.ReceivedFormName, QStringLiteral("PickForm"));
        QCOMPARE(other.ReceivedName, QStringLiteral("Students"));
        other.show();
        other.DataQuery->trigger();
        other.SendActiveDataRecordByName(other.QueryDataSet, QStringLiteral("Picked"));
        QCOMPARE(form.ReceivedDataName, QStringLiteral("PickQuery.Picked"));
        QCOMPARE(form.ReceivedFormName, QStringLiteral("PickQuery"));
        QCOMPARE(form.ReceivedName, QStringLiteral("Picked"));
        QString formName, dataName;
        SplitDataName(QStringLiteral("FormA"), formName, dataName);
        QCOMPARE(formName, QStringLiteral("FormA"));
        QVERIFY(dataName.isEmpty());
    }

    void theChangeDataFormConfirmsTheBatchOnce() {
        TStudents db;
        TSexChange form;
        db.Bind(&form);
        form.DataOpenExecute();
        QVERIFY(!form.ActChangeData->isEnabled());
        QVERIFY(form.ActSelectAll->isEnabled());
        // Before the form is initialised changes wait for the user's confirm.
        form.GridActive->SelectCurrentRow();
        QVERIFY(form.ActChangeData->isEnabled());
        form.ActChangeData->trigger();
        QCOMPARE(form.Changes, 1);
        QCOMPARE(form.ActiveDataSet->ChangeCount(), 1);
        QCOMPARE(db.Applies, 0);
        form.DataCancelUpdateExecute();
        form.show();
        QVERIFY(form.AutoConfirm());
        // Three rows selected by the user: three changes, one confirm.
        form.ActSelectAll->trigger();
        QCOMPARE(form.GridActive->SelectedCount(), 3);
        form.ActChangeData->trigger();
        QCOMPARE(form.Changes, 4);
        QCOMPARE(db.Applies, 1);
        QCOMPARE(db.Value("SELECT count(*) FROM students WHERE Sex='2'"), QStringLiteral("3"));
        QCOMPARE(form.GridActive->SelectedCount(), 0);
        QVERIFY(!form.ActChangeData->isEnabled());
        QVERIFY(form.DataEditPopupMenu->actions().contains(form.ActSelectClear));
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }
};

LUM_TEST_MAIN(TstExtForms)
#include "tst_extforms.moc"
