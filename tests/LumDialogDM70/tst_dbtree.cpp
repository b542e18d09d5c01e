// Code trees against a real server on loopback: trees built from rows level by level, from
// stored trees and from tab-indented files; written back to rows, stored trees and files;
// level coding, locating codes, modal picks and the docked tree reporting its selections.

#include "AppServerFixture.h"
#include "Big5.h"
#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DBDelphiVCL.h"
#include "DataSource.h"
#include "DockArea.h"
#include "Exceptions.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "TestMain.h"
#include "uDBTree.h"
#include "uLumMessages.h"
#include "uObjServers.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// Records every tree-code message that reaches the open forms.
class TTreeCodeListener : public TForm {
public:
    TTreeCodeListener() {
        SetMessageHandler(WM_TREECODE, [this](TMessage &m) {
            QString type, code, description, trace;
            int level = -1;
            bool hasChild = false;
            TreeCodeReceiver(m, type, code, description, trace, level, hasChild);
            Received << QStringList{
                type, code, description, trace, QString::number(level), hasChild ? "1" : "0"};
        });
    }
    QList<QStringList> Received;
};

// A local dataset of tree rows: code, level, parent, text (and a category).
void AddRow(TClientDataSet &ds, const char *main, const char *code, int level, const char *parent,
            const char *text) {
    ds.Append();
    ds.FieldByName("Main_Code")->SetAsString(QLatin1String(main));
    ds.FieldByName("Code")->SetAsString(QLatin1String(code));
    ds.FieldByName("ALevel")->SetAsInteger(level);
    ds.FieldByName("AParent")->SetAsString(QLatin1String(parent));
    ds.FieldByName("Descript")->SetAsString(QString::fromUtf8(text));
    ds.Post();
}

void MakeRows(TClientDataSet &ds) {
    ds.AddField(ftString, "Main_Code", 20);
    ds.AddField(ftString, "Code", 20);
    ds.AddField(ftInteger, "ALevel");
    ds.AddField(ftString, "AParent", 20);
    ds.AddField(ftString, "Descript", 120);
    ds.CreateDataSet();
}

// The tree as text, one line per node, indented by depth.
QString Shape(const QTreeWidget *tree) {
    return TreeViewToText(tree);
}

// Runs `act` on the modal tree window once it is up.
void WhenModal(std::function<void(TDBTreeForm *)> act) {
    QTimer::singleShot(0, [act] {
        auto *form = qobject_cast<TDBTreeForm *>(QApplication::activeModalWidget());
        QVERIFY(form);
        act(form);
    });
}

} // namespace

class TstDBTree : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;
    QTemporaryDir FDir;
    QStringList FErrors;

private Q_SLOTS:
    void initTestCase() {
        Application()->OnException = [this](const QString &m) { FErrors << m; };
        FServer = std::make_unique<TAppServerFixture>();
        // Rows of a category the trees below write back, and one of another category.
        FServer->Query("INSERT INTO CodeTable (Main_Code, Code, Descript, ALevel, AParent) VALUES "
                       "('TREET', '01', 'old', 0, ''), ('TREET', 'ZZ', 'gone', 0, ''), "
                       "('OTHER', 'ZZ', 'kept', 0, '')");
        // Every connection finds this server through the location table.
        FServer->Query(QStringLiteral("UPDATE ServerLocation SET Port = %1").arg(FServer->Port()));
        OrvServerDataSet->LocalBroker()->Servers().clear();
        OrvServerDataSet->LocalBroker()->InsertFirstItem(QStringLiteral("127.0.0.1"),
                                                         FServer->Port());
        for (TSystemTable *table : {CodeTableSystemTable(), DelphiVCLSystemTable()}) {
            table->Broker()->Servers().clear();
            table->Broker()->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
        }
    }
    void cleanupTestCase() { FServer.reset(); }
    void init() { FErrors.clear(); }

    void treesAreBuiltLevelByLevel() {
        TClientDataSet rows;
        MakeRows(rows);
        AddRow(rows, "U", "02", 0, "", "教學");
        AddRow(rows, "U", "01", 0, "", "行政");
        AddRow(rows, "X", "01", 0, "", "別類不載入");
        AddRow(rows, "U", "0103", 1, "01", "註冊");
        AddRow(rows, "U", "9901", 1, "99", "無上層");
        AddRow(rows, "U", "0101", 1, "01", "文書");
        AddRow(rows, "U", "010301", 2, "0103", "學籍");
        AddRow(rows, "U", "01030101", 4, "010301", "斷層之後");
        rows.SetFilter(QStringLiteral("Main_Code='U'"));
        rows.SetFiltered(true);
        TDBTreeForm form;
        form.LoadFromTable(&rows, "Code", "ALevel", "AParent", "Descript", true);
        // Siblings keep the row order; a row without its parent is a root; level 3 has no
        // rows, so level 4 is never read; only the dataset's own category is loaded.
        QCOMPARE(Shape(form.TreeView), QStringLiteral("02,教學\n01,行政\n\t03,註冊\n\t\t01,學籍\n"
                                                      "\t01,文書\n9901,無上層\n"));
        // The root of a missing parent keeps its whole code.
        QVERIFY(form.FindNode(QStringLiteral("9901")));
        QVERIFY(form.ckEncode->isChecked());
        QCOMPARE(rows.Filter(), QStringLiteral("Main_Code='U'"));
        QVERIFY(rows.Filtered());
        QVERIFY(!rows.ControlsDisabled());

        // Selecting the node 03 under 01 shows and gives the full code.
        QTreeWidgetItem *node = form.FindNode(QStringLiteral("0103"));
        QVERIFY(node);
        QCOMPARE(node->text(0), QStringLiteral("03,註冊"));
        form.TreeView->setCurrentItem(node);
        QCOMPARE(form.GetCode(), QStringLiteral("0103"));
        QCOMPARE(form.GetDescription(), QStringLiteral("註冊"));
        QCOMPARE(form.lbLevel->text(), QStringLiteral("階層:1"));
        QCOMPARE(form.GetTraceText(), QStringLiteral("行政,註冊"));
        QCOMPARE(form.FindNode(QStringLiteral("03")), nullptr);

        // Without level coding the codes stand as they are, and the deepest rows hang under
        // the first node of their parent's code.
        rows.SetFiltered(false);
        rows.SetFilter(QString());
        AddRow(rows, "U", "0103", 1, "01", "重複代碼");
        form.LoadFromTable(&rows, "Code", "ALevel", "AParent", "Descript", false);
        QVERIFY(!form.ckEncode->isChecked());
        QCOMPARE(form.FindNode(QStringLiteral("01"))->text(0), QStringLiteral("01,行政"));
        QTreeWidgetItem *first = form.FindNode(QStringLiteral("0103"));
        QCOMPARE(first->text(0), QStringLiteral("0103,註冊"));
        QCOMPARE(first->child(0)->text(0), QStringLiteral("010301,學籍"));
        form.TreeView->setCurrentItem(first->child(0));
        QCOMPARE(form.GetCode(), QStringLiteral("010301"));
    }

    void aTableWithoutRootsLoadsNothing() {
        TClientDataSet rows;
        MakeRows(rows);
        AddRow(rows, "U", "0103", 1, "01", "註冊");
        AddRow(rows, "U", "010301", 2, "0103", "學籍");
        TDBTreeForm form;
        form.LoadFromTable(&rows, "Code", "ALevel", "AParent", "Descript", true);
        QCOMPARE(form.TreeView->topLevelItemCount(), 0);
        QVERIFY(!rows.Filtered());
        QCOMPARE(rows.Filter(), QString());
    }

    void locatingCodes() {
        TDBTreeForm form;
        QTreeWidget *tree = form.TreeView;
        const QString file = FDir.filePath("locate.txt");
        WriteTextFile(file, QStringLiteral("01,總務\n\t0301,文書 03 室\n\t02,出納\n03,人事\n"));
        // Without level coding: the first node whose text holds the code anywhere.
        form.LoadFromFile(file, false);
        form.LocateCode(QStringLiteral("03"));
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("0301,文書 03 室"));
        QCOMPARE(form.GetCode(), QStringLiteral("0301"));
        form.LocateCode(QStringLiteral("出納"));
        QCOMPARE(form.GetCode(), QStringLiteral("02"));
        form.LocateCode(QStringLiteral("77"));
        QCOMPARE(form.GetCode(), QStringLiteral("77"));
        QCOMPARE(form.GetDescription(), QString());

        // With level coding: segment by segment from the roots.
        WriteTextFile(file, QStringLiteral("01,總務\n\t03,文書\n\t\t5,檔案\n\t02,出納\n03,人事\n"));
        form.LoadFromFile(file, true);
        form.LocateCode(QStringLiteral("01035"));
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("5,檔案"));
        QCOMPARE(form.GetCode(), QStringLiteral("01035"));
        QCOMPARE(form.GetTraceText(), QStringLiteral("總務,文書,檔案"));
        // A code whose first segment matches no root leaves the selection as it was.
        form.LocateCode(QStringLiteral("77"));
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("5,檔案"));
        QCOMPARE(form.GetCode(), QStringLiteral("01035"));
        // SetCode locates only a code other than the one shown.
        form.SetCode(QStringLiteral("0102"));
        QCOMPARE(form.GetCode(), QStringLiteral("0102"));
        QCOMPARE(tree->currentItem()->text(0), QStringLiteral("02,出納"));
        form.TreeView->setCurrentItem(tree->topLevelItem(1));
        form.SetCode(QStringLiteral("03"));
        QCOMPARE(form.GetDescription(), QStringLiteral("人事"));
    }

    void filesRoundTrip() {
        // A tab-indented Big5 file, as the tree tools publish it.
        const QString in = FDir.filePath("EPT.VCL");
        QFile f(in);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Big5Encode(QStringLiteral("1,教師\r\n\t1,專任教師\r\n\t2,代理教師\r\n2,職員\r\n")));
        f.close();
        TFileTreeCodeDialog dialog;
        dialog.SetFileName(in);
        dialog.LevelCoding = true;
        const QString out = FDir.filePath("copy.VCL");
        dialog.SaveToFile(out);
        QFile copy(out);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(),
                 Big5Encode(QStringLiteral("1,教師\n\t1,專任教師\n\t2,代理教師\n2,職員\n")));
        // A modal pick from the file reports the full code.
        dialog.SetFileName(out);
        WhenModal([](TDBTreeForm *form) {
            QVERIFY(form->btnOK->isVisible());
            form->TreeView->setCurrentItem(form->TreeView->topLevelItem(0)->child(1));
            form->btnOK->click();
        });
        QVERIFY(dialog.Execute());
        QCOMPARE(dialog.GetText(), QStringLiteral("12,代理教師"));
        QCOMPARE(dialog.TraceText, QStringLiteral("教師,代理教師"));
        dialog.SetFileName(FDir.filePath("missing.VCL"));
        try {
            dialog.Execute();
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("File Not Exists"));
        }
    }

    void aStoredTreeIsPickedModally() {
        TVCLTreeCodeDialog dialog;
        try {
            dialog.Execute();
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("TreeName Is Null"));
        }
        dialog.SetTreeName(QStringLiteral("TesTreeCode"));
        dialog.Code = QStringLiteral("A2");
        WhenModal([](TDBTreeForm *form) {
            // Level coding comes with the stored tree; the preselected code is shown.
            QVERIFY(form->ckEncode->isChecked());
            QCOMPARE(form->Caption(), QStringLiteral("測試代碼樹"));
            QCOMPARE(form->TreeView->currentItem()->text(0), QStringLiteral("2,第二層乙"));
            form->TreeView->setCurrentItem(form->TreeView->topLevelItem(0)->child(0));
            form->btnOK->click();
        });
        QVERIFY(dialog.Execute());
        QCOMPARE(dialog.Code, QStringLiteral("A1"));
        QCOMPARE(dialog.Description, QStringLiteral("第二層甲"));
        QCOMPARE(dialog.TraceText, QStringLiteral("第一層,第二層甲"));
        // "結束" closes without a choice: nothing changes.
        WhenModal([](TDBTreeForm *form) {
            form->TreeView->setCurrentItem(form->TreeView->topLevelItem(1));
            form->SpeedButton1->click();
        });
        QVERIFY(!dialog.Execute());
        QCOMPARE(dialog.Code, QStringLiteral("A1"));
        QVERIFY(!dialog.Shown());
        QVERIFY(!qobject_cast<TDBTreeForm *>(QApplication::activeModalWidget()));
    }

    void storedTreesAreWrittenBack() {
        TVCLTreeCodeDialog dialog;
        dialog.SetTreeName(QStringLiteral("TesTreeCode"));
        dialog.SaveToVCL(QStringLiteral("TesTreeCopy"), QStringLiteral("測試複本"));
        const QByteArray stored =
            FServer->Query("SELECT AData FROM StoredVCL WHERE VCLName='TesTreeCopy'").toByteArray();
        QCOMPARE(stored,
                 QByteArray("#Tag=1\n") + Big5Encode(QStringLiteral(
                                              "A,第一層\n\t1,第二層甲\n\t2,第二層乙\nB,另一層\n")));
        // Read back: the same nodes, level coding, and the new description as caption.
        TDBTreeForm form;
        form.LoadFromVCL(QStringLiteral("TesTreeCopy"));
        QCOMPARE(form.Caption(), QStringLiteral("測試複本"));
        QVERIFY(form.ckEncode->isChecked());
        QCOMPARE(form.FindNode(QStringLiteral("A2"))->text(0), QStringLiteral("2,第二層乙"));
        // A tree without level coding stays without it.
        form.LoadFromVCL(QStringLiteral("UnitTreeView"));
        QVERIFY(!form.ckEncode->isChecked());
        new QTreeWidgetItem(form.FindNode(QStringLiteral("A30")), {QStringLiteral("A31,事務組")});
        form.SaveToVCL(QStringLiteral("UnitCopy"), QStringLiteral("單位複本"));
        TDBTreeForm again;
        again.LoadFromVCL(QStringLiteral("UnitCopy"));
        QVERIFY(!again.ckEncode->isChecked());
        QCOMPARE(again.FindNode(QStringLiteral("A31"))->parent()->text(0),
                 QStringLiteral("A30,總務處"));
        try {
            again.LoadFromVCL(QStringLiteral("NoSuchTree"));
            QFAIL("no error");
        } catch (const Exception &) {
        }
    }

    void treesAreWrittenBackToRows() {
        TCodeTableCDS codes;
        codes.SetFilter(QStringLiteral("Main_Code='NSEX'"));
        codes.SetFiltered(true);
        codes.Open();
        const QString file = FDir.filePath("rows.txt");
        WriteTextFile(file, QStringLiteral("01,行政\n\t03,註冊\n\t\t1,學籍\n02,教學\n"));
        TFileTreeCodeDialog dialog;
        dialog.SetFileName(file);
        dialog.LevelCoding = true;
        dialog.SaveToTable(&codes, "Code", "ALevel", "AParent", "Descript", " TREET ");
        // Rows of the category no longer in the tree are gone, other categories untouched.
        const auto row = [this](const char *code) {
            return FServer
                ->Query(QStringLiteral(
                            "SELECT Descript || '|' || ALevel || '|' || COALESCE(AParent, '') FROM "
                            "CodeTable WHERE Main_Code='TREET' AND Code='%1'")
                            .arg(QLatin1String(code)))
                .toString();
        };
        QCOMPARE(row("01"), QStringLiteral("行政|0|"));
        QCOMPARE(row("0103"), QStringLiteral("註冊|1|01"));
        QCOMPARE(row("01031"), QStringLiteral("學籍|2|0103"));
        QCOMPARE(row("02"), QStringLiteral("教學|0|"));
        QCOMPARE(FServer->Query("SELECT COUNT(*) FROM CodeTable WHERE Main_Code='TREET'").toInt(),
                 4);
        QCOMPARE(
            FServer->Query("SELECT Descript FROM CodeTable WHERE Main_Code='OTHER'").toString(),
            QStringLiteral("kept"));
        // The dataset is as it was, nothing pending, the connection dropped.
        QCOMPARE(codes.Filter(), QStringLiteral("Main_Code='NSEX'"));
        QVERIFY(codes.Filtered());
        QCOMPARE(codes.ChangeCount(), 0);
        QVERIFY(!codes.ControlsDisabled());
        QVERIFY(!CodeTableSystemTable()->Connection()->Connected());

        // The rows build the same tree again.
        codes.SetFilter(QStringLiteral("Main_Code='TREET'"));
        TDBTreeForm form;
        form.LoadFromTable(&codes, "Code", "ALevel", "AParent", "Descript", true);
        QCOMPARE(Shape(form.TreeView), QStringLiteral("01,行政\n\t03,註冊\n\t\t1,學籍\n02,教學\n"));

        // A row the server refuses fails the whole write: nothing is applied, nothing stays
        // pending, and the dataset is restored.
        FServer->Query("INSERT INTO CodeTable (Main_Code, Code, Descript, ALevel, AParent) "
                       "VALUES ('TREET', '05', 'elsewhere', 0, '')");
        WriteTextFile(file, QStringLiteral("01,行政\n05,新增\n"));
        try {
            dialog.SaveToTable(&codes, "Code", "ALevel", "AParent", "Descript", "TREET");
            QFAIL("no error");
        } catch (const Exception &) {
        }
        QCOMPARE(codes.ChangeCount(), 0);
        QCOMPARE(codes.Filter(), QStringLiteral("Main_Code='TREET'"));
        QCOMPARE(FServer->Query("SELECT COUNT(*) FROM CodeTable WHERE Main_Code='TREET'").toInt(),
                 5);
        QCOMPARE(row("02"), QStringLiteral("教學|0|"));
        QCOMPARE(row("05"), QStringLiteral("elsewhere|0|"));
        QVERIFY(!CodeTableSystemTable()->Connection()->Connected());
    }

    void rowsOfADataSourceAndTheirChecks() {
        TDBTreeCodeDialog dialog;
        try {
            dialog.SaveToFile(FDir.filePath("none.txt"));
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("DataSet or FieldName Not Assigned"));
        }
        TClientDataSet rows;
        MakeRows(rows);
        AddRow(rows, "U", "A", 0, "", "甲");
        AddRow(rows, "U", "A1", 1, "A", "甲一");
        auto *source = new TDataSource;
        source->SetDataSet(&rows);
        dialog.SetDataSource(source);
        dialog.SetLevelFieldName(QStringLiteral("Depth"));
        try {
            dialog.SaveToFile(FDir.filePath("none.txt"));
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("DataSet or FieldName Not Assigned"));
        }
        QVERIFY(!QFile::exists(FDir.filePath("none.txt")));
        // The system code table's names are the defaults.
        dialog.SetLevelFieldName(QStringLiteral("ALevel"));
        dialog.LevelCoding = true;
        dialog.SaveToFile(FDir.filePath("rows.VCL"));
        QCOMPARE(ReadTextFile(FDir.filePath("rows.VCL")), QStringLiteral("A,甲\n\t1,甲一\n"));
        // A data source that goes away is forgotten.
        delete source;
        QCOMPARE(dialog.DataSource(), nullptr);
    }

    void theDockedTreeReportsEverySelection() {
        QWidget host;
        auto *area = new TDockArea(&host);
        host.resize(420, 480);
        area->resize(420, 480);
        host.show();
        TTreeCodeListener listener;
        TVCLTreeCodeDialog dialog;
        dialog.SetTreeName(QStringLiteral("UnitTreeView"));
        dialog.MessageType = QStringLiteral("Unit");
        dialog.Code = QStringLiteral("A12");
        dialog.ExecuteShow(area);
        QVERIFY(dialog.Shown());
        QVERIFY(dialog.Docked());
        TDBTreeForm *form = dialog.Form();
        QCOMPARE(area->DockClientCount(), 1);
        QCOMPARE(area->DockClients(0), form);
        QCOMPARE(form->Caption(), QStringLiteral("行政單位"));
        QVERIFY(!form->btnOK->isVisible());
        // The preselected code is not reported; every later selection is.
        QCOMPARE(form->TreeView->currentItem()->text(0), QStringLiteral("A12,課務組"));
        QVERIFY(listener.Received.isEmpty());
        form->TreeView->setCurrentItem(form->FindNode(QStringLiteral("A11")));
        form->TreeView->setCurrentItem(form->FindNode(QStringLiteral("A10")));
        QCOMPARE(listener.Received.size(), 2);
        QCOMPARE(listener.Received[0],
                 (QStringList{"Unit", "A11", "註冊組", "校長室,教務處,註冊組", "2", "0"}));
        QCOMPARE(listener.Received[1],
                 (QStringList{"Unit", "A10", "教務處", "校長室,教務處", "1", "1"}));
        if (qEnvironmentVariableIsSet("LUM_SCREENSHOT_DIR"))
            host.grab().save(qEnvironmentVariable("LUM_SCREENSHOT_DIR") + "/tree.png");

        // A second show keeps the one window; a file written now holds what the user sees.
        new QTreeWidgetItem(form->FindNode(QStringLiteral("A50")), {QStringLiteral("A51,出納組")});
        dialog.ExecuteShow(area);
        QCOMPARE(dialog.Form(), form);
        QCOMPARE(area->DockClientCount(), 1);
        dialog.SaveToFile(FDir.filePath("shown.VCL"));
        QVERIFY(
            ReadTextFile(FDir.filePath("shown.VCL")).endsWith("\tA50,會計室\n\t\tA51,出納組\n"));

        // The user closes it (the page's close); a new show opens a fresh one.
        QPointer<TDBTreeForm> old = form;
        Q_EMIT area->tabCloseRequested(0);
        QVERIFY(!dialog.Shown());
        QCOMPARE(dialog.Form(), nullptr);
        dialog.ExecuteShow(area);
        QVERIFY(dialog.Form());
        QVERIFY(dialog.Form() != old.data());
        QTRY_VERIFY(old.isNull());
        QVERIFY(dialog.Shown());
        QCOMPARE(area->DockClientCount(), 1);
        dialog.Close();
        QVERIFY(!dialog.Shown());
        QTRY_COMPARE(area->count(), 0);
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
    }

    void treeCodeMessages() {
        TTreeCodeListener listener;
        TreeCodeSender(QStringLiteral("T"), QStringLiteral("A1"), QString(), QString(), 3, true);
        QCOMPARE(listener.Received.size(), 1);
        QCOMPARE(listener.Received[0], (QStringList{"T", "A1", "", "", "3", "1"}));
        // Level and HasChild must be decimal integers.
        for (const char *bad : {"Level=x", "HasChild=yes", "Level="}) {
            TStringList list;
            list.Add(QStringLiteral("Level=1"));
            list.Add(QStringLiteral("HasChild=0"));
            list.SetValues(QString::fromLatin1(bad).section(u'=', 0, 0),
                           QString::fromLatin1(bad).section(u'=', 1));
            TMessage m;
            m.Msg = WM_TREECODE;
            m.Strings = &list;
            QString type, code, description, trace;
            int level = 7;
            bool hasChild = false;
            QVERIFY_THROWS_EXCEPTION(EConvertError, TreeCodeReceiver(m, type, code, description,
                                                                     trace, level, hasChild));
            QCOMPARE(level, 7);
        }
    }
};

LUM_TEST_MAIN(TstDBTree)
#include "tst_dbtree.moc"
