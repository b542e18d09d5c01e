// Dataset actions on a client dataset: their enabled states through opening, moving, editing,
// posting, deleting to empty and closing; a change of data source; a form's own handler in
// place of the dataset operation; and the data source or dataset going away first.

#include "ClientDataSet.h"
#include "DBActions.h"

#include <QApplication>
#include <QTest>
#include <memory>

namespace {

std::unique_ptr<TClientDataSet> Pupils(int count) {
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add("ID", ftInteger);
    ds->FieldDefs().Add("Name", ftString, 20);
    ds->CreateDataSet();
    for (int i = 1; i <= count; ++i) {
        ds->Append();
        ds->FieldByName("ID")->SetAsInteger(i);
        ds->FieldByName("Name")->SetAsString(QStringLiteral("P%1").arg(i));
        ds->Post();
    }
    ds->First();
    return ds;
}

// All seven kinds on one owner, as a table form holds them.
struct TActions {
    QObject Owner;
    TDataSetFirst *First = new TDataSetFirst(&Owner, "DataSetFirst", "Dataset", "最前");
    TDataSetPrior *Prior = new TDataSetPrior(&Owner, "DataSetPrior", "Dataset", "往前");
    TDataSetNext *Next = new TDataSetNext(&Owner, "DataSetNext", "Dataset", "往後");
    TDataSetLast *Last = new TDataSetLast(&Owner, "DataSetLast", "Dataset", "最後");
    TDataSetPost *Post = new TDataSetPost(&Owner, "DataSetPost", "Dataset", "確定");
    TDataSetCancel *Cancel = new TDataSetCancel(&Owner, "DataSetCancel", "Dataset", "復原");
    TDataSetDelete *Delete = new TDataSetDelete(&Owner, "DataSetDelete", "Dataset", "刪除");

    QList<TDataSetAction *> All() const { return {First, Prior, Next, Last, Post, Cancel, Delete}; }
    void SetDataSource(TDataSource *source) {
        for (TDataSetAction *a : All())
            a->SetDataSource(source);
    }
    // The enabled ones as letters in the order F P N L S(post) C D, '-' for disabled.
    QString Enabled() const {
        const QString letters = QStringLiteral("FPNLSCD");
        const QList<TDataSetAction *> all = All();
        QString s;
        for (int i = 0; i < all.size(); ++i)
            s += all[i]->isEnabled() ? letters[i] : QChar(u'-');
        return s;
    }
};

} // namespace

class TstDBActions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void enabledStatesFollowTheDataset() {
        TActions actions;
        QCOMPARE(actions.Enabled(), "-------");
        auto ds = Pupils(0);
        ds->Close();
        TDataSource source;
        source.SetDataSet(ds.get());
        actions.SetDataSource(&source);
        QCOMPARE(actions.Enabled(), "-------"); // closed
        ds->CreateDataSet();
        QCOMPARE(actions.Enabled(), "-------"); // open but empty

        for (int i = 1; i <= 3; ++i) {
            ds->Append();
            // Inserting: post or undo, never delete.
            QCOMPARE(actions.Enabled().right(3), "SC-");
            ds->FieldByName("ID")->SetAsInteger(i);
            ds->FieldByName("Name")->SetAsString(QStringLiteral("P%1").arg(i));
            actions.Post->trigger();
            QCOMPARE(ds->State(), dsBrowse);
        }
        QCOMPARE(ds->RecordCount(), 3);
        actions.First->trigger();
        QCOMPARE(ds->RecNo(), 1);
        QCOMPARE(actions.Enabled(), "--NL--D");
        actions.Next->trigger();
        QCOMPARE(actions.Enabled(), "FPNL--D");
        actions.Next->trigger();
        QCOMPARE(ds->RecNo(), 3);
        QCOMPARE(actions.Enabled(), "FPNL--D");
        // Running into the end without moving is heard too.
        actions.Next->trigger();
        QCOMPARE(ds->RecNo(), 3);
        QCOMPARE(actions.Enabled(), "FP----D");
        QVERIFY(ds->Locate("ID", Variant(1)));
        QCOMPARE(actions.Enabled(), "FPNL--D");
        actions.Last->trigger();
        QCOMPARE(ds->RecNo(), 3);
        QCOMPARE(actions.Enabled(), "FP----D");
        actions.Prior->trigger();
        QCOMPARE(ds->RecNo(), 2);

        ds->Edit();
        QCOMPARE(actions.Enabled(), "FPNLSCD");
        ds->FieldByName("Name")->SetAsString("changed");
        actions.Cancel->trigger();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->FieldByName("Name")->AsString(), "P2");
        QCOMPARE(actions.Enabled(), "FPNL--D");

        // Deleting down to empty: the actions turn off when nothing is left.
        int deleted = 0;
        while (actions.Delete->isEnabled() && deleted < 5) {
            actions.Delete->trigger();
            ++deleted;
        }
        QCOMPARE(deleted, 3);
        QVERIFY(ds->IsEmpty());
        QCOMPARE(actions.Enabled(), "-------");

        ds->Append();
        ds->FieldByName("ID")->SetAsInteger(9);
        ds->Post();
        QCOMPARE(actions.Enabled(), "FPNL--D"); // neither end until the cursor runs into one
        ds->Close();
        QCOMPARE(actions.Enabled(), "-------");
        // A disabled action does not run its operation.
        actions.Next->trigger();
        QVERIFY(!ds->Active());
    }

    void followTheDataSource() {
        TActions actions;
        auto a = Pupils(2);
        auto b = Pupils(2);
        b->Last();
        TDataSource source;
        source.SetDataSet(a.get());
        actions.SetDataSource(&source);
        QCOMPARE(actions.Enabled(), "--NL--D");
        source.SetDataSet(b.get());
        QCOMPARE(actions.Enabled(), "FP----D");
        source.SetEnabled(false);
        QCOMPARE(actions.Enabled(), "-------");
        source.SetEnabled(true);
        QCOMPARE(actions.Enabled(), "FP----D");

        TDataSource other;
        other.SetDataSet(a.get());
        actions.Next->SetDataSource(&other);
        actions.Next->trigger();
        actions.Next->trigger();
        QCOMPARE(a->RecNo(), 2); // the action moved its own source's dataset only
        QCOMPARE(b->RecNo(), 2);
        QVERIFY(!actions.Next->isEnabled());
        actions.Next->SetDataSource(nullptr);
        QVERIFY(!actions.Next->isEnabled());
        QVERIFY(!actions.Next->DataSource());
    }

    void aFormsHandlerReplacesTheOperation() {
        TActions actions;
        auto ds = Pupils(2);
        TDataSource source;
        source.SetDataSet(ds.get());
        actions.SetDataSource(&source);
        bool answer = false;
        int asked = 0;
        actions.Delete->OnExecute = [&] {
            ++asked;
            if (answer)
                ds->Delete();
        };
        actions.Delete->trigger();
        QCOMPARE(asked, 1);
        QCOMPARE(ds->RecordCount(), 2);
        answer = true;
        actions.Delete->trigger();
        QCOMPARE(ds->RecordCount(), 1);
        ds->Delete();
        // The action still enables itself from the dataset, whatever its handler does.
        QVERIFY(!actions.Delete->isEnabled());
        actions.Delete->trigger();
        QCOMPARE(asked, 2);
    }

    void sourceOrDataSetFreedFirst() {
        TActions actions;
        auto ds = Pupils(3);
        auto *source = new TDataSource;
        source->SetDataSet(ds.get());
        actions.SetDataSource(source);
        QCOMPARE(actions.Enabled(), "--NL--D");
        delete source;
        QCOMPARE(actions.Enabled(), "-------");
        for (TDataSetAction *a : actions.All())
            QVERIFY(!a->DataSource());
        // Without a dataset an operation has nothing to act on.
        QVERIFY(actions.Last->Execute());
        QCOMPARE(ds->RecNo(), 1);

        // The dataset goes before its source: the actions stay on the source, disabled.
        TDataSource kept;
        kept.SetDataSet(ds.get());
        actions.SetDataSource(&kept);
        ds->Edit();
        QCOMPARE(actions.Enabled(), "--NLSCD");
        ds.reset();
        QCOMPARE(actions.Enabled(), "-------");
        QCOMPARE(actions.Post->DataSource(), &kept);
        // And a new dataset on the source brings them back.
        auto again = Pupils(1);
        kept.SetDataSet(again.get());
        QCOMPARE(actions.Enabled(), "--NL--D");

        // Actions freed before their source leave it without dangling links.
        {
            TActions gone;
            gone.SetDataSource(&kept);
        }
        again->Append();
        again->Cancel();
        QCOMPARE(actions.Enabled(), "--NL--D");
    }
};

QTEST_MAIN(TstDBActions)
#include "tst_dbactions.moc"
