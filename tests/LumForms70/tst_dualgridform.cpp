// The dual grid form over two datasets of its own: its parts and their start states, moves in
// the order rows were picked, nothing to add without a pick, moves confirmed only once the form
// is initialised, "全部移除" leaving exactly the rows the check refuses, and the edit stamp and
// the datasets that forms hand each other.

#include "Application.h"
#include "ClientDataSet.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "Fields.h"
#include "FixedClock.h"
#include "ServerLocations.h"
#include "TestMain.h"
#include "uDualGridForm.h"
#include "uLoginUserInfo.h"
#include "uLumMessages.h"

#include <QGroupBox>
#include <QMenu>
#include <QTest>
#include <QToolButton>

namespace {

std::unique_ptr<TClientDataSet> Items(QObject *owner, const char *name, const QStringList &ids) {
    auto d = std::make_unique<TClientDataSet>(owner);
    d->SetName(QLatin1String(name));
    d->FieldDefs().Add(QStringLiteral("ID"), ftString, 10);
    d->FieldDefs().Add(QStringLiteral("Locked"), ftBoolean);
    d->FieldDefs().Add(QStringLiteral("EditInfo"), ftString, 255);
    d->CreateDataSet();
    for (const QString &id : ids) {
        d->Append();
        d->FieldByName(QStringLiteral("ID"))->SetAsString(id);
        d->FieldByName(QStringLiteral("Locked"))->SetAsBoolean(id.startsWith(u'L'));
        d->Post();
    }
    d->MergeChangeLog();
    return d;
}

QStringList Ids(TDataSet *d) {
    QStringList ids;
    for (d->First(); !d->Eof(); d->Next())
        ids << d->FieldByName(QStringLiteral("ID"))->AsString();
    return ids;
}

// A job form that assigns items: candidates on the left, assignments on the right; items
// whose "Locked" is set are never removed. Confirms are counted.
class TItemsForm : public TDualGridForm {
public:
    explicit TItemsForm(const QStringList &candidates, const QStringList &assigned = {}) {
        Candidates = Items(this, "Candidates", candidates);
        Assigned = Items(this, "Assigned", assigned);
        SelectSource->SetDataSet(Candidates.get());
        ActiveSource->SetDataSet(Assigned.get());
        Assigned->BeforePost = [this](TDataSet *d) { DataSetBeforePost(d); };
        resize(700, 400);
        FinishLoading(this); // as the program's form creation does
    }
    ~TItemsForm() override { Assigned->BeforePost = nullptr; }
    void InsertOneData() override {
        Assigned->Append();
        for (const char *f : {"ID", "Locked"})
            Assigned->FieldByName(QLatin1String(f))
                ->SetValue(Candidates->FieldByName(QLatin1String(f))->Value());
        Assigned->Post();
    }
    bool DoRemoveCheck() override {
        ++Checks;
        return !Assigned->FieldByName(QStringLiteral("Locked"))->AsBoolean();
    }
    void DoDataApplyUpdates() override {
        ++Confirms;
        Assigned->MergeChangeLog();
    }
    TClientDataSet *DoGetReceiverDataSet(const QString &name, bool) override {
        return name == QStringLiteral("Sender.Assigned") ? Received.get() : nullptr;
    }
    std::unique_ptr<TClientDataSet> Candidates, Assigned;
    std::unique_ptr<TClientDataSet> Received = std::make_unique<TClientDataSet>();
    int Confirms = 0, Checks = 0;
};

void ClickRow(TDBGrid *grid, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers,
                      grid->visualRect(grid->model()->index(row, 0)).center());
}

} // namespace

class TstDualGridForm : public QObject {
    Q_OBJECT
    QStringList FErrors;
    std::unique_ptr<TAppServerFixture> FServer;

private Q_SLOTS:
    // The first show reads the client applications from a real server.
    void initTestCase() {
        FServer = std::make_unique<TAppServerFixture>();
        PointServersAt(*FServer);
    }
    void cleanupTestCase() { FServer.reset(); }
    void init() {
        Application()->OnException = [this](const QString &m) { FErrors << m; };
    }
    void cleanup() {
        Application()->OnException = nullptr;
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
        FErrors.clear();
    }

    void partsAndStartStates() {
        TDualGridForm form;
        QCOMPARE(form.Caption(), QStringLiteral("雙表資料移轉處理表單"));
        QCOMPARE(form.gbConditionSet->title(), QStringLiteral("條件"));
        QCOMPARE(form.GroupBox3->title(), QStringLiteral("項目"));
        QCOMPARE(form.GroupBox1->title(), QStringLiteral("設定"));
        QStringList captions;
        for (TAction *a : {form.ActInsert, form.ActInsertAll, form.ActDelete, form.ActDeleteAll,
                           form.ActClear, form.ActUndo}) {
            captions << a->text();
            QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
        }
        QCOMPARE(captions, (QStringList{"新增", "全部新增", "移除", "全部移除", "清除", "復原"}));
        const auto menu = [](QMenu *m) {
            QStringList items;
            for (QAction *a : m->actions())
                items << (a->isSeparator() ? QStringLiteral("-") : a->text());
            return items;
        };
        QCOMPARE(menu(form.pmSelect), (QStringList{"新增", "全部新增", "-", "清除"}));
        QCOMPARE(menu(form.pmActive),
                 (QStringList{"移除", "全部移除", "-", "清除", "-", "確認", "取消"}));
        QCOMPARE(form.btnInsert->defaultAction(), form.ActInsert);
        QCOMPARE(form.btnDelete->defaultAction(), form.ActDelete);
        QCOMPARE(form.btnClear->defaultAction(), form.ActClear);
        QVERIFY(form.gridSelect->MultiSelect() && form.gridActive->MultiSelect());
        QVERIFY(!form.SelectSource->AutoEdit() && !form.ActiveSource->AutoEdit());
        QVERIFY(!form.AutoConfirm());
        // The enabled state of the confirm is written only when it differs.
        form.DataApplyUpdate->setVisible(true); // a hidden action reads as disabled
        int changes = 0;
        connect(form.DataApplyUpdate, &QAction::changed, this, [&] { ++changes; });
        form.SetEnabledApply(false);
        QCOMPARE(changes, 0);
        form.SetEnabledApply(true);
        QVERIFY(form.GetEnabledApply());
        QCOMPARE(changes, 1);
    }

    void movesInPickOrderConfirmedOnceInitialised() {
        TItemsForm form({"A", "B", "C", "D"});
        // Nothing picked: only everything can be added.
        QVERIFY(form.ActInsertAll->isEnabled());
        QVERIFY(!form.ActInsert->isEnabled());
        QVERIFY(!form.ActDeleteAll->isEnabled());
        // While the job loads (before the first show) moves are not confirmed.
        form.ActInsertAll->trigger();
        QCOMPARE(Ids(form.Assigned.get()), (QStringList{"A", "B", "C", "D"}));
        QCOMPARE(form.Confirms, 0);
        QCOMPARE(form.Assigned->ChangeCount(), 4);
        form.Assigned->CancelUpdates();

        form.show(); // DoFormInitial: from now on every move is confirmed
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.AutoConfirm());
        ClickRow(form.gridSelect, 2);
        ClickRow(form.gridSelect, 0, Qt::ControlModifier);
        QCOMPARE(form.gridSelect->SelectedCount(), 2);
        QVERIFY(form.ActInsert->isEnabled() && form.ActClear->isEnabled());
        QTest::mouseClick(form.btnInsert, Qt::LeftButton);
        QCOMPARE(Ids(form.Assigned.get()), (QStringList{"C", "A"}));
        QCOMPARE(form.Confirms, 1);
        QCOMPARE(form.gridSelect->SelectedCount(), 0);
        QVERIFY(!form.ActInsert->isEnabled());
        // "清除" drops a pick on either side.
        ClickRow(form.gridActive, 1);
        QVERIFY(form.ActDelete->isEnabled());
        QTest::mouseClick(form.btnClear, Qt::LeftButton);
        QCOMPARE(form.gridActive->SelectedCount(), 0);
        QVERIFY(!form.ActDelete->isEnabled() && !form.ActClear->isEnabled());
        // A removal is confirmed too.
        ClickRow(form.gridActive, 1);
        QTest::mouseClick(form.btnDelete, Qt::LeftButton);
        QCOMPARE(Ids(form.Assigned.get()), QStringList{"C"});
        QCOMPARE(form.Confirms, 2);
        // A second show initialises nothing again.
        form.hide();
        form.show();
        QCOMPARE(form.Confirms, 2);
    }

    void removeAllLeavesExactlyTheRefusedRows() {
        TItemsForm form({}, {"L1", "a", "b", "L2", "c", "L3"});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.pmActive->actions()[1]->trigger(); // "全部移除"
        QCOMPARE(Ids(form.Assigned.get()), (QStringList{"L1", "L2", "L3"}));
        QCOMPARE(form.Checks, 6); // each row asked once, the last refused one too
        QCOMPARE(form.Confirms, 1);
        // The last row removed ends the walk without asking about the one before it again.
        TItemsForm tail({}, {"L1", "a"});
        tail.ActDeleteAll->trigger();
        QCOMPARE(Ids(tail.Assigned.get()), QStringList{"L1"});
        QCOMPARE(tail.Checks, 2);
        // Removing picked rows asks about each of them alone.
        form.Checks = 0;
        ClickRow(form.gridActive, 0);
        ClickRow(form.gridActive, 2, Qt::ControlModifier);
        form.ActDelete->trigger();
        QCOMPARE(form.Checks, 2);
        QCOMPARE(Ids(form.Assigned.get()), (QStringList{"L1", "L2", "L3"}));
    }

    void editStampAndDatasetsFromOtherForms() {
        TFixedClock clock(QDate(2004, 5, 6), QTime(13, 5));
        CurrentUserInfo->Cht_Name = QStringLiteral("abc");
        TItemsForm form({"A"}, {"B"});
        form.Assigned->First();
        form.Assigned->Edit();
        form.Assigned->FieldByName("EditInfo")->SetAsString(QStringLiteral("a-1,b-2"));
        form.Assigned->Post();
        QStringList history;
        for (const QString &item : form.Assigned->FieldByName("EditInfo")->AsString().split(u','))
            history << item.section(u'-', 0, 0);
        QCOMPARE(history, (QStringList{"abc", "a", "b"}));
        QVERIFY(form.Assigned->FieldByName("EditInfo")
                    ->AsString()
                    .startsWith(QStringLiteral("abc-04/05/06(13:05)-")));

        // Another form sends its assignments: the form that wants them by name gets a copy.
        TItemsForm sender({}, {"X", "Y"});
        sender.setObjectName(QStringLiteral("Sender"));
        sender.SendDataset(sender.Assigned.get());
        QCOMPARE(Ids(form.Received.get()), (QStringList{"X", "Y"}));
        // The base form wants none.
        TDualGridForm plain;
        QVERIFY(!plain.DoGetReceiverDataSet(QStringLiteral("Sender.Assigned"), true));
    }
};

LUM_TEST_MAIN(TstDualGridForm)
#include "tst_dualgridform.moc"
