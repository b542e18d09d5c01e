// The grid model over a dataset, shown in a real table view (offscreen).

#include "ClientDataSet.h"
#include "DBGridModel.h"

#include <QApplication>
#include <QTableView>
#include <QTest>

namespace {
std::unique_ptr<TClientDataSet> Pupils() {
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add("ID", ftInteger);
    ds->FieldDefs().Add("Name", ftString, 20);
    ds->FieldDefs().Add("Fee", ftFloat);
    ds->FieldDefs().Add("Secret", ftString, 10);
    ds->CreateDataSet();
    ds->FieldByName("Name")->SetDisplayLabel("Pupil");
    ds->FieldByName("Name")->SetAlignment(taCenter);
    ds->FieldByName("Fee")->SetDisplayFormat("#,##0.00");
    ds->FieldByName("Secret")->SetVisible(false);
    const char *names[] = {"Ann", "Bob", "Cid", "Dee", "Eve"};
    for (int i = 0; i < 5; ++i) {
        ds->Append();
        ds->FieldByName("ID")->SetAsInteger(i + 1);
        ds->FieldByName("Name")->SetAsString(names[i]);
        ds->FieldByName("Fee")->SetAsFloat(1000.5 * (i + 1));
        ds->FieldByName("Secret")->SetAsString("s");
        ds->Post();
    }
    ds->First();
    return ds;
}

QString Cell(const QAbstractItemModel &m, int row, int column) {
    return m.data(m.index(row, column)).toString();
}
} // namespace

class TstDBGridModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columnsHeadersTextAndAlignment();
    void paintingNeverMovesTheCursor();
    void currentRecordAndCurrentRowFollowEachOther();
    void editsInsertsAndDeletesShow();
    void filterAndCloseReshapeTheGrid();
};

void TstDBGridModel::columnsHeadersTextAndAlignment() {
    auto ds = Pupils();
    TDataSource source;
    source.SetDataSet(ds.get());
    TDBGridModel model;
    model.SetDataSource(&source);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString("ID"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("Pupil"));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QString("Fee"));
    QCOMPARE(Cell(model, 3, 1), QString("Dee"));
    QCOMPARE(Cell(model, 1, 2), QString("2,001.00"));
    const auto align = [&](int column) {
        return model.data(model.index(0, column), Qt::TextAlignmentRole).value<Qt::Alignment>() &
               Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(align(0), Qt::Alignment(Qt::AlignRight));
    QCOMPARE(align(1), Qt::Alignment(Qt::AlignHCenter));
    QCOMPARE(align(2), Qt::Alignment(Qt::AlignRight));
    QVERIFY(!model.data(model.index(5, 0)).isValid());
    // Showing a hidden field adds its column.
    ds->FieldByName("Secret")->SetVisible(true);
    QCOMPARE(model.columnCount(), 4);
    QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QString("Secret"));
}

void TstDBGridModel::paintingNeverMovesTheCursor() {
    auto ds = Pupils();
    ds->SetRecNo(3);
    int scrolls = 0;
    ds->AfterScroll = [&](TDataSet *) { ++scrolls; };
    TDataSource source;
    source.SetDataSet(ds.get());
    TDBGridModel model;
    model.SetDataSource(&source);
    QTableView view;
    model.AttachView(&view);
    view.resize(600, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.grab();
    for (int r = 0; r < model.rowCount(); ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            Cell(model, r, c);
    QCOMPARE(scrolls, 0);
    QCOMPARE(ds->RecNo(), 3);
    QCOMPARE(view.currentIndex().row(), 2);
    // An edit under way shows in its row while the others keep their stored values.
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("Cy");
    view.grab();
    QCOMPARE(Cell(model, 2, 1), QString("Cy"));
    QCOMPARE(Cell(model, 1, 1), QString("Bob"));
    QCOMPARE(ds->State(), dsEdit);
    QCOMPARE(scrolls, 0);
}

void TstDBGridModel::currentRecordAndCurrentRowFollowEachOther() {
    auto ds = Pupils();
    TDataSource source;
    source.SetDataSet(ds.get());
    TDBGridModel model;
    model.SetDataSource(&source);
    QTableView view;
    model.AttachView(&view);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.currentIndex().row(), 0);

    // The view moves the dataset.
    view.setCurrentIndex(model.index(3, 1));
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("Dee"));
    QTest::keyClick(&view, Qt::Key_Up);
    QCOMPARE(view.currentIndex().row(), 2);
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("Cid"));

    // The dataset moves the view, keeping the column.
    ds->Last();
    QCOMPARE(view.currentIndex().row(), 4);
    QCOMPARE(view.currentIndex().column(), 1);
    QVERIFY(ds->Locate("Name", Variant(QString("Bob"))));
    QCOMPARE(view.currentIndex().row(), 1);
    ds->AddIndex("ByNameDesc", "Name", ixDescending);
    ds->SetIndexName("ByNameDesc");
    QCOMPARE(Cell(model, 0, 1), QString("Eve"));
    QCOMPARE(view.currentIndex().row(), 3);
    QCOMPARE(ds->FieldByName("Name")->AsString(), QString("Bob"));

    // A post that fails keeps the dataset where it is, and the view goes back there.
    ds->BeforePost = [](TDataSet *) { DatabaseError("refused"); };
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("X");
    view.setCurrentIndex(model.index(0, 0));
    QCOMPARE(ds->State(), dsEdit);
    QCOMPARE(view.currentIndex().row(), 3);
    ds->Cancel();
}

void TstDBGridModel::editsInsertsAndDeletesShow() {
    auto ds = Pupils();
    TDataSource source;
    source.SetDataSet(ds.get());
    TDBGridModel model;
    model.SetDataSource(&source);
    QTableView view;
    model.AttachView(&view);
    ds->SetRecNo(2);
    ds->Edit();
    ds->FieldByName("Fee")->SetAsFloat(1);
    ds->Post();
    QCOMPARE(Cell(model, 1, 2), QString("1.00"));

    // A new record shows where it goes, the others shift below it.
    ds->Insert();
    QCOMPARE(model.rowCount(), 6);
    QCOMPARE(view.currentIndex().row(), 1);
    ds->FieldByName("Name")->SetAsString("New");
    QCOMPARE(Cell(model, 1, 1), QString("New"));
    QCOMPARE(Cell(model, 2, 1), QString("Bob"));
    QCOMPARE(Cell(model, 5, 1), QString("Eve"));
    ds->Post();
    QCOMPARE(model.rowCount(), 6);
    QCOMPARE(Cell(model, 1, 1), QString("New"));
    QCOMPARE(view.currentIndex().row(), 1);
    ds->Append();
    QCOMPARE(view.currentIndex().row(), 6);
    ds->Cancel();
    QCOMPARE(model.rowCount(), 6);
    QCOMPARE(view.currentIndex().row(), 1);

    ds->Last();
    ds->Delete();
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(view.currentIndex().row(), 4);
    QCOMPARE(Cell(model, 4, 1), QString("Dee"));
}

void TstDBGridModel::filterAndCloseReshapeTheGrid() {
    auto ds = Pupils();
    TDataSource source;
    source.SetDataSet(ds.get());
    TDBGridModel model;
    model.SetDataSource(&source);
    QTableView view;
    model.AttachView(&view);
    ds->Last();
    ds->SetFilter("Fee < 3000");
    ds->SetFiltered(true);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(Cell(model, 1, 1), QString("Bob"));
    QCOMPARE(view.currentIndex().row(), ds->RecNo() - 1);
    const Variant data = ds->Data();
    ds->Close();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
    // Reopened from its packet, which keeps the hidden field hidden.
    ds->SetData(data);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(view.currentIndex().row(), 0);
    source.SetDataSet(nullptr);
    QCOMPARE(model.rowCount(), 0);
}

QTEST_MAIN(TstDBGridModel)
#include "tst_dbgridmodel.moc"
