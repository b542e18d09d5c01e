// The many-row selection of the data grid, made by clicks as a user makes it: kept in the
// order of selection, following its records while others are deleted or inserted, and kept
// while the program walks the selected records.

#include "ClientDataSet.h"
#include "DBGrid.h"

#include <QApplication>
#include <QTest>

namespace {
std::unique_ptr<TClientDataSet> Classes() {
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add("ID", ftInteger);
    ds->FieldDefs().Add("Name", ftString, 20);
    ds->CreateDataSet();
    for (int i = 0; i < 8; ++i) {
        ds->Append();
        ds->FieldByName("ID")->SetAsInteger(i + 1);
        ds->FieldByName("Name")->SetAsString(QStringLiteral("班級%1").arg(i + 1));
        ds->Post();
    }
    ds->First();
    return ds;
}

struct TShownGrid {
    TDataSource Source;
    TDBGrid Grid;
    explicit TShownGrid(TDataSet *ds) {
        Source.SetDataSet(ds);
        Grid.SetDataSource(&Source);
        Grid.SetReadOnly(true);
        Grid.SetMultiSelect(true);
        Grid.resize(400, 300);
        Grid.show();
        if (!QTest::qWaitForWindowExposed(&Grid))
            qWarning("the grid did not show");
    }
    void Click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect cell = Grid.visualRect(Grid.model()->index(row, 1));
        QTest::mouseClick(Grid.viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    // The IDs of the selected records, in selection order.
    QList<int> SelectedIDs() {
        TDataSet *ds = Grid.DataSet();
        const TBookmark here = ds->GetBookmark();
        QList<int> ids;
        for (TBookmark b : Grid.SelectedRows()) {
            ds->GotoBookmark(b);
            ids.append(ds->FieldByName("ID")->AsInteger());
        }
        ds->GotoBookmark(here);
        return ids;
    }
    QList<int> ShownRows() {
        QList<int> rows;
        for (const QModelIndex &i : Grid.selectionModel()->selectedRows())
            rows.append(i.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
};
} // namespace

class TstDBGrid : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ClicksSelectInTheOrderTheUserChose() {
        auto ds = Classes();
        TShownGrid g(ds.get());
        int clicks = 0;
        g.Grid.OnCellClick = [&](TDBGrid *) { ++clicks; };
        g.Click(5);
        g.Click(1, Qt::ControlModifier);
        g.Click(3, Qt::ControlModifier);
        QCOMPARE(g.SelectedIDs(), (QList<int>{6, 2, 4}));
        QCOMPARE(clicks, 3);
        // The click moved the dataset to the row clicked.
        QCOMPARE(ds->FieldByName("ID")->AsInteger(), 4);
        // Ctrl+click on a selected row takes it out; a plain click starts again.
        g.Click(1, Qt::ControlModifier);
        QCOMPARE(g.SelectedIDs(), (QList<int>{6, 4}));
        g.Click(7);
        QCOMPARE(g.SelectedIDs(), (QList<int>{8}));
        g.Click(4, Qt::ShiftModifier);
        QCOMPARE(g.Grid.SelectedCount(), 4);
        QCOMPARE(g.ShownRows(), (QList<int>{4, 5, 6, 7}));
    }

    void TheSelectionFollowsItsRecords() {
        auto ds = Classes();
        TShownGrid g(ds.get());
        g.Click(2);
        g.Click(6, Qt::ControlModifier);
        // Deleting a record above the selection shifts the rows, not the records chosen.
        ds->First();
        ds->Delete();
        QCOMPARE(g.SelectedIDs(), (QList<int>{3, 7}));
        QCOMPARE(g.ShownRows(), (QList<int>{1, 5}));
        // A selected record that is deleted leaves the selection.
        ds->Locate("ID", Variant(3));
        ds->Delete();
        QCOMPARE(g.SelectedIDs(), (QList<int>{7}));
        QCOMPARE(g.ShownRows(), (QList<int>{4}));
        // Walking the records with the controls suspended keeps the selection.
        ds->DisableControls();
        for (ds->First(); !ds->Eof(); ds->Next()) {
        }
        ds->EnableControls();
        QCOMPARE(g.SelectedIDs(), (QList<int>{7}));
        QCOMPARE(g.ShownRows(), (QList<int>{4}));
        // The program selects records as the user would.
        ds->First();
        g.Grid.SelectCurrentRow();
        QCOMPARE(g.SelectedIDs(), (QList<int>{7, 2}));
        QCOMPARE(g.ShownRows(), (QList<int>{0, 4}));
        g.Grid.ClearSelection();
        QCOMPARE(g.Grid.SelectedCount(), 0);
        QVERIFY(g.ShownRows().isEmpty());
        g.Click(1);
        ds->Close();
        QCOMPARE(g.Grid.SelectedCount(), 0);
    }
};

QTEST_MAIN(TstDBGrid)
#include "tst_dbgrid.moc"
