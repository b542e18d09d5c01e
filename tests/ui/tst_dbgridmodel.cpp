// The grid model over a dataset, shown in a real table view (offscreen): painting, following
// the cursor, editing through the dataset with its errors shown to the user, and fetching
// packets on demand while scrolling.

#include "Application.h"
#include "ClientDataSet.h"
#include "DBGridModel.h"
#include "Provider.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
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

// A model over a dataset shown in a table view that has the keyboard focus.
struct TGrid {
    TDataSource Source;
    TDBGridModel Model;
    QTableView View;
    explicit TGrid(TDataSet *ds) {
        Source.SetDataSet(ds);
        Model.SetDataSource(&Source);
        Model.AttachView(&View);
        View.resize(600, 300);
        View.show();
        View.activateWindow();
        if (!QTest::qWaitForWindowActive(&View))
            qWarning("the grid's window did not become active");
    }
    // Types a cell's text as the user does: F2 opens the editor, Return writes the cell.
    void Type(int row, int column, const QString &text) {
        View.setCurrentIndex(Model.index(row, column));
        QTest::keyClick(&View, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(View.indexWidget(Model.index(row, column)));
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!View.indexWidget(Model.index(row, column)));
    }
};
} // namespace

class TstDBGridModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void columnsHeadersTextAndAlignment();
    void paintingNeverMovesTheCursor();
    void currentRecordAndCurrentRowFollowEachOther();
    void editsInsertsAndDeletesShow();
    void filterAndCloseReshapeTheGrid();
    void editingAlongARowPostsOnLeavingIt();
    void errorsReachTheUserAndChangeNothing();
    void appendInsertAndDeleteThroughTheDataset();
    void fieldChangesUpdateHeadersAndFlags();
    void changesElsewhereRepaintTheGrid();
    void scrollingFetchesPacketsOnDemand();

private:
    QStringList FErrors;
};

void TstDBGridModel::initTestCase() {
    Application()->OnException = [this](const QString &message) { FErrors.append(message); };
}

void TstDBGridModel::init() {
    FErrors.clear();
}

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
    QTRY_COMPARE(FErrors, QStringList({"refused"}));
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

namespace {
// Whether some dataChanged signal of the spy covered a row.
bool Repainted(const QSignalSpy &spy, int row) {
    for (const QList<QVariant> &args : spy) {
        const auto from = args[0].value<QModelIndex>(), to = args[1].value<QModelIndex>();
        if (from.row() <= row && row <= to.row())
            return true;
    }
    return false;
}
} // namespace

void TstDBGridModel::editingAlongARowPostsOnLeavingIt() {
    auto ds = Pupils();
    ds->MergeChangeLog();
    TGrid g(ds.get());
    QVERIFY(g.Model.flags(g.Model.index(0, 1)) & Qt::ItemIsEditable);

    // Cells of one row go into one edit of its record, through the fields' text.
    g.Type(1, 1, "Bea");
    QCOMPARE(ds->State(), dsEdit);
    QCOMPARE(ds->RecNo(), 2);
    QCOMPARE(Cell(g.Model, 1, 1), QString("Bea"));
    g.Type(1, 2, "1,234.5");
    QCOMPARE(ds->State(), dsEdit);
    QCOMPARE(ds->FieldByName("Fee")->AsFloat(), 1234.5);
    QCOMPARE(ds->ChangeCount(), 0);
    // Leaving the row posts it once.
    QTest::keyClick(&g.View, Qt::Key_Down);
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(ds->RecNo(), 3);
    QCOMPARE(ds->ChangeCount(), 1);
    QCOMPARE(Cell(g.Model, 1, 2), QString("1,234.50"));

    // An editor opened and closed without typing starts no edit.
    g.View.setCurrentIndex(g.Model.index(2, 1));
    QTest::keyClick(&g.View, Qt::Key_F2);
    QVERIFY(g.View.indexWidget(g.Model.index(2, 1)));
    QTest::keyClick(g.View.indexWidget(g.Model.index(2, 1)), Qt::Key_Return);
    QTRY_VERIFY(!g.View.indexWidget(g.Model.index(2, 1)));
    QCOMPARE(ds->State(), dsBrowse);

    // Escape with no cell editor open cancels the record's changes.
    g.Type(2, 1, "Cy");
    QCOMPARE(ds->State(), dsEdit);
    QTest::keyClick(&g.View, Qt::Key_Escape);
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(Cell(g.Model, 2, 1), QString("Cid"));
    QCOMPARE(ds->ChangeCount(), 1);

    // Writing a cell of another row from code makes its record current; PostRecord commits.
    QVERIFY(g.Model.setData(g.Model.index(4, 1), QString("Eva")));
    QCOMPARE(ds->RecNo(), 5);
    QCOMPARE(g.View.currentIndex().row(), 4);
    QCOMPARE(ds->State(), dsEdit);
    QVERIFY(g.Model.PostRecord());
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(ds->ChangeCount(), 2);

    // The editor gets the edit text of any row without the cursor moving.
    ds->FieldByName("Fee")->SetEditFormat("0.0");
    QCOMPARE(g.Model.data(g.Model.index(0, 2), Qt::EditRole).toString(), QString("1000.5"));
    QCOMPARE(ds->RecNo(), 5);
    QVERIFY(FErrors.isEmpty());
}

void TstDBGridModel::errorsReachTheUserAndChangeNothing() {
    auto ds = Pupils();
    ds->MergeChangeLog();
    ds->FieldByName("Name")->SetRequired(true);
    ds->AddIndex("PK", "ID", ixPrimary);
    TGrid g(ds.get());

    // Text a field cannot take: the user is told, and the edit begun for it ends.
    g.Type(0, 0, "abc");
    QTRY_COMPARE(FErrors.size(), 1);
    QVERIFY2(FErrors[0].contains(QStringLiteral("不是正確的整數")), qPrintable(FErrors[0]));
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(Cell(g.Model, 0, 0), QString("1"));
    g.Type(0, 1, QString(21, QLatin1Char('x')));
    QTRY_COMPARE(FErrors.size(), 2);
    QVERIFY2(FErrors[1].contains(QStringLiteral("最多 20 個字")), qPrintable(FErrors[1]));
    QCOMPARE(ds->State(), dsBrowse);

    // A bad cell after a good one keeps the record in edit with the good change only.
    g.Type(0, 1, "Amy");
    g.Type(0, 2, "1.2.3");
    QTRY_COMPARE(FErrors.size(), 3);
    QCOMPARE(ds->State(), dsEdit);
    QCOMPARE(Cell(g.Model, 0, 1), QString("Amy"));
    QCOMPARE(Cell(g.Model, 0, 2), QString("1,000.50"));

    // A key violation on leaving the row: shown, and the record stays in edit on its row.
    g.Type(0, 0, "2");
    QTest::keyClick(&g.View, Qt::Key_Down);
    QTRY_COMPARE(FErrors.size(), 4);
    QVERIFY2(FErrors[3].startsWith("Key violation"), qPrintable(FErrors[3]));
    QCOMPARE(ds->State(), dsEdit);
    QCOMPARE(ds->RecNo(), 1);
    QCOMPARE(g.View.currentIndex().row(), 0);
    QTest::keyClick(&g.View, Qt::Key_Escape);
    QCOMPARE(Cell(g.Model, 0, 0), QString("1"));
    QCOMPARE(Cell(g.Model, 0, 1), QString("Ann"));
    QCOMPARE(ds->ChangeCount(), 0);

    // A new record without its required field stays new, on its row, until it is complete.
    QVERIFY(g.Model.insertRows(g.Model.rowCount(), 1));
    QCOMPARE(g.View.currentIndex().row(), 5);
    g.Type(5, 0, "6");
    QTest::keyClick(&g.View, Qt::Key_Up);
    QTRY_COMPARE(FErrors.size(), 5);
    QVERIFY2(FErrors[4].contains(QStringLiteral("必須輸入")), qPrintable(FErrors[4]));
    QCOMPARE(ds->State(), dsInsert);
    QCOMPARE(g.View.currentIndex().row(), 5);
    QCOMPARE(ds->RecordCount(), 5);
    g.Type(5, 1, "Fay");
    QTest::keyClick(&g.View, Qt::Key_Up);
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(ds->RecordCount(), 6);
    QCOMPARE(g.View.currentIndex().row(), 4);
    QCOMPARE(Cell(g.Model, 5, 1), QString("Fay"));
    QCOMPARE(FErrors.size(), 5);
}

void TstDBGridModel::appendInsertAndDeleteThroughTheDataset() {
    auto ds = Pupils();
    ds->MergeChangeLog();
    TGrid g(ds.get());
    QSignalSpy inserted(&g.Model, &QAbstractItemModel::rowsInserted);
    QVERIFY(g.Model.insertRows(5, 1));
    QCOMPARE(ds->State(), dsInsert);
    QCOMPARE(g.Model.rowCount(), 6);
    QCOMPARE(g.View.currentIndex().row(), 5);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted[0][1].toInt(), 5);
    // Leaving an untouched new record drops it.
    QTest::keyClick(&g.View, Qt::Key_Up);
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(g.Model.rowCount(), 5);
    QCOMPARE(g.View.currentIndex().row(), 4);

    // Down on the last row appends; once more on the untouched new row does nothing; after
    // typing, Down posts it and appends the next.
    QTest::keyClick(&g.View, Qt::Key_Down);
    QCOMPARE(ds->State(), dsInsert);
    QTest::keyClick(&g.View, Qt::Key_Down);
    QCOMPARE(g.Model.rowCount(), 6);
    g.Type(5, 0, "6");
    g.Type(5, 1, "Fay");
    QTest::keyClick(&g.View, Qt::Key_Down);
    QCOMPARE(ds->RecordCount(), 6);
    QCOMPARE(g.Model.rowCount(), 7);
    QCOMPARE(ds->State(), dsInsert);
    QTest::keyClick(&g.View, Qt::Key_Escape);
    QCOMPARE(g.Model.rowCount(), 6);
    QCOMPARE(g.View.currentIndex().row(), 5);
    QCOMPARE(Cell(g.Model, 5, 1), QString("Fay"));

    // Inserting before a row: the new row shows there, the others move down.
    QVERIFY(g.Model.insertRows(2, 1));
    QCOMPARE(inserted.last()[1].toInt(), 2);
    QCOMPARE(Cell(g.Model, 3, 1), QString("Cid"));
    g.Type(2, 0, "9");
    g.Type(2, 1, "New");
    QVERIFY(g.Model.PostRecord());
    QCOMPARE(Cell(g.Model, 2, 1), QString("New"));
    QCOMPARE(g.Model.rowCount(), 7);
    QCOMPARE(ds->ChangeCount(), 2);

    // Deleting rows deletes their records.
    QVERIFY(g.Model.removeRows(2, 1));
    QCOMPARE(g.Model.rowCount(), 6);
    QCOMPARE(Cell(g.Model, 2, 1), QString("Cid"));
    QCOMPARE(ds->ChangeCount(), 1); // a record inserted and deleted again leaves nothing
    QVERIFY(g.Model.removeRows(0, 2));
    QCOMPARE(Cell(g.Model, 0, 1), QString("Cid"));
    QCOMPARE(ds->RecordCount(), 4);
    QCOMPARE(ds->ChangeCount(), 3);
    QVERIFY(!g.Model.removeRows(3, 2));

    // A read-only grid changes nothing.
    g.Model.SetReadOnly(true);
    QVERIFY(!(g.Model.flags(g.Model.index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(!g.Model.setData(g.Model.index(0, 1), QString("X")));
    QVERIFY(!g.Model.insertRows(4, 1));
    QVERIFY(!g.Model.removeRows(0, 1));
    g.View.setCurrentIndex(g.Model.index(3, 0));
    QTest::keyClick(&g.View, Qt::Key_Down);
    QCOMPARE(ds->State(), dsBrowse);
    QCOMPARE(g.Model.rowCount(), 4);
    QVERIFY(FErrors.isEmpty());
}

void TstDBGridModel::fieldChangesUpdateHeadersAndFlags() {
    auto ds = Pupils();
    TGrid g(ds.get());
    QSignalSpy headers(&g.Model, &QAbstractItemModel::headerDataChanged);
    QSignalSpy resets(&g.Model, &QAbstractItemModel::modelReset);
    QSignalSpy removed(&g.Model, &QAbstractItemModel::columnsRemoved);
    QSignalSpy added(&g.Model, &QAbstractItemModel::columnsInserted);
    const auto editable = [&](int row, int column) {
        return bool(g.Model.flags(g.Model.index(row, column)) & Qt::ItemIsEditable);
    };
    ds->FieldByName("Name")->SetDisplayLabel("學生");
    QCOMPARE(g.Model.headerData(1, Qt::Horizontal).toString(), QString("學生"));
    QVERIFY(!headers.isEmpty());
    QVERIFY(editable(0, 2));
    ds->FieldByName("Fee")->SetReadOnly(true);
    QVERIFY(!editable(0, 2));
    QVERIFY(!g.Model.setData(g.Model.index(0, 2), QString("5")));

    // One field hidden and shown again moves only its column; the current cell stays.
    g.View.setCurrentIndex(g.Model.index(2, 2));
    ds->FieldByName("Name")->SetVisible(false);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed[0][1].toInt(), 1);
    QCOMPARE(g.Model.columnCount(), 2);
    QCOMPARE(g.View.currentIndex(), g.Model.index(2, 1));
    ds->FieldByName("Name")->SetVisible(true);
    QCOMPARE(added.size(), 1);
    QCOMPARE(g.Model.headerData(1, Qt::Horizontal).toString(), QString("學生"));
    QCOMPARE(resets.size(), 0);

    // Without AutoEdit cells are editable only while the dataset edits.
    g.Source.SetAutoEdit(false);
    QVERIFY(!editable(0, 1));
    ds->Edit();
    QVERIFY(editable(2, 1));
    ds->Cancel();

    // Calculated fields and bytes never take typed text.
    TClientDataSet calc;
    calc.FieldDefs().Add("ID", ftInteger);
    calc.FieldDefs().Add("Photo", ftGraphic);
    calc.AddField(ftString, "Label", 10, fkCalculated);
    calc.OnCalcFields = [](TDataSet *d) {
        d->FieldByName("Label")->SetAsString("#" + d->FieldByName("ID")->AsString());
    };
    calc.CreateDataSet();
    calc.Append();
    calc.FieldByName("ID")->SetAsInteger(7);
    calc.Post();
    TGrid c(&calc);
    QCOMPARE(Cell(c.Model, 0, 0), QString("#7"));
    QCOMPARE(c.Model.headerData(0, Qt::Horizontal).toString(), QString("Label"));
    QVERIFY(!(c.Model.flags(c.Model.index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(c.Model.flags(c.Model.index(0, 1)) & Qt::ItemIsEditable);
    QVERIFY(!(c.Model.flags(c.Model.index(0, 2)) & Qt::ItemIsEditable));
    QVERIFY(!c.Model.setData(c.Model.index(0, 0), QString("x")));
    QCOMPARE(calc.State(), dsBrowse);
}

void TstDBGridModel::changesElsewhereRepaintTheGrid() {
    auto ds = Pupils();
    TGrid g(ds.get());
    QSignalSpy changed(&g.Model, &QAbstractItemModel::dataChanged);
    // Another control edits the current record; the grid shows the edit, then the stored
    // value again when that control cancels.
    ds->SetRecNo(2);
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("Bo");
    QVERIFY(Repainted(changed, 1));
    QCOMPARE(Cell(g.Model, 1, 1), QString("Bo"));
    changed.clear();
    ds->Cancel();
    QVERIFY(Repainted(changed, 1));
    QCOMPARE(Cell(g.Model, 1, 1), QString("Bob"));

    // Another cursor on the same records posts a change and a new record.
    TClientDataSet clone;
    clone.CloneCursor(ds.get(), true);
    QVERIFY(clone.Locate("ID", Variant(4)));
    changed.clear();
    clone.Edit();
    clone.FieldByName("Name")->SetAsString("Dora");
    clone.Post();
    QVERIFY(Repainted(changed, 3));
    QCOMPARE(Cell(g.Model, 3, 1), QString("Dora"));
    clone.Append();
    clone.FieldByName("ID")->SetAsInteger(6);
    clone.Post();
    QCOMPARE(g.Model.rowCount(), 6);
    QCOMPARE(Cell(g.Model, 5, 0), QString("6"));
    QCOMPARE(ds->RecNo(), 2);
    QCOMPARE(g.View.currentIndex().row(), 1);
}

void TstDBGridModel::scrollingFetchesPacketsOnDemand() {
    constexpr int Total = 317;
    TComponent owner;
    auto *table = new TClientDataSet(&owner);
    table->FieldDefs().Add("ID", ftInteger);
    table->FieldDefs().Add("Name", ftString, 20);
    table->CreateDataSet();
    for (int i = 1; i <= Total; ++i) {
        table->Append();
        table->FieldByName("ID")->SetAsInteger(i);
        table->FieldByName("Name")->SetAsString(QStringLiteral("P%1").arg(i));
        table->Post();
    }
    auto *provider = new TDataSetProvider(&owner);
    provider->SetName("prvPupils");
    provider->SetDataSet(table);
    auto *client = new TClientDataSet(&owner);
    client->SetProviderName("prvPupils");
    client->SetPacketRecords(20);
    client->Open();
    int fetches = 0, scrolls = 0;
    client->AfterGetRecords = [&](TClientDataSet *, Variant &) { ++fetches; };
    client->AfterScroll = [&](TDataSet *) { ++scrolls; };

    TGrid g(client);
    QVERIFY(g.Model.rowCount() < Total);
    QVERIFY(g.Model.canFetchMore(QModelIndex()));
    // Moving to the last row held scrolls to the end, which brings the next packet.
    const int held = g.Model.rowCount();
    g.View.setCurrentIndex(g.Model.index(held - 1, 0));
    QCOMPARE(g.Model.rowCount(), held + 20);
    QCOMPARE(client->RecNo(), held);
    QCOMPARE(fetches, 1);
    // Nothing is fetched while a record is being edited (fetching would post it).
    client->Edit();
    QVERIFY(!g.Model.canFetchMore(QModelIndex()));
    client->Cancel();

    client->SetRecNo(7);
    scrolls = 0;
    fetches = 0;
    for (int i = 0; i < 100 && g.Model.canFetchMore(QModelIndex()); ++i) {
        g.View.scrollToBottom();
        QCoreApplication::processEvents();
    }
    QVERIFY(client->FetchedAll());
    QCOMPARE(g.Model.rowCount(), Total);
    QCOMPARE(client->RecordCount(), Total);
    QCOMPARE(fetches, (Total - held - 20 + 19) / 20);
    for (int r = 0; r < Total; ++r)
        QCOMPARE(Cell(g.Model, r, 0), QString::number(r + 1));
    // Painting and fetching never moved the cursor.
    QCOMPARE(scrolls, 0);
    QCOMPARE(client->RecNo(), 7);
    QCOMPARE(g.View.currentIndex().row(), 6);
    QVERIFY(!g.Model.canFetchMore(QModelIndex()));
    QVERIFY(FErrors.isEmpty());
}

QTEST_MAIN(TstDBGridModel)
#include "tst_dbgridmodel.moc"
