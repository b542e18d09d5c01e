// The tree tools against a real server on loopback, driven as a user drives them: picking a
// code from a stored tree or its cached file, editing a stored tree (typed nodes, automatic
// coding with and without kept codes, drag and drop, the clipboard tree, deleting with the
// confirmation), publishing its cached file, and converting a tree to and from the code table
// (rows reach the server only on "確認"; "取消" leaves it unchanged).

#include "AppServerFixture.h"
#include "Big5.h"
#include "CodeTableCDS.h"
#include "DBDelphiVCL.h"
#include "DialogSets.h"
#include "Exceptions.h"
#include "ModalAnswer.h"
#include "ServerLocations.h"
#include "TestMain.h"
#include "uLumPublic.h"
#include "uLumTreeAndTableTransfer.h"
#include "uTreeCodeInput.h"
#include "ulumTreeToolDlg.h"

#include <QCheckBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

namespace {

void StoreTree(const QString &name, const QString &description, int tag, const QString &text) {
    QTreeWidget view;
    TDBDelphiVCL link;
    link.SetVCLComponent(&view);
    TreeTextToView(text, &view);
    view.setProperty("Tag", tag);
    link.SetVCLName(name);
    link.Description = description;
    link.UpdateVCL();
}

// The children's texts of a node (the roots for null), one line each.
QStringList Texts(QTreeWidget *tree, QTreeWidgetItem *parent = nullptr) {
    QStringList texts;
    const int count = parent ? parent->childCount() : tree->topLevelItemCount();
    for (int i = 0; i < count; ++i)
        texts << (parent ? parent->child(i) : tree->topLevelItem(i))->text(0);
    return texts;
}

QTreeWidgetItem *Node(QTreeWidget *tree, const QString &text) {
    const QList<QTreeWidgetItem *> found =
        tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.value(0);
}

// Presses on one point of the tree, moves with the button held and lets go on another.
void Drag(TTreeDragView *tree, const QPoint &from, const QPoint &to) {
    QWidget *viewport = tree->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    for (const QPoint &p : {from + QPoint(0, 6), to}) {
        QMouseEvent move(QEvent::MouseMove, p, viewport->mapToGlobal(p), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
}

// Types into an edit as an input method commits Chinese text.
void Type(QLineEdit *edit, const QString &text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(edit, &commit);
}

} // namespace

class TstTreeTools : public QObject {
    Q_OBJECT
    std::unique_ptr<TAppServerFixture> FServer;
    QTemporaryDir FProgramDir;
    QStringList FErrors;

    QString Row(const QString &main, const QString &code) {
        return FServer
            ->Query(QStringLiteral("SELECT Descript || '|' || ALevel || '|' || COALESCE(AParent, "
                                   "'') FROM CodeTable WHERE Main_Code='%1' AND Code='%2'")
                        .arg(main, code))
            .toString();
    }
    int Rows(const QString &main) {
        return FServer
            ->Query(QStringLiteral("SELECT COUNT(*) FROM CodeTable WHERE Main_Code='%1'").arg(main))
            .toInt();
    }
    QString StoredText(const QString &name) {
        return Big5Decode(
            FServer
                ->Query(QStringLiteral("SELECT AData FROM StoredVCL WHERE VCLName='%1'").arg(name))
                .toByteArray());
    }

private Q_SLOTS:
    void initTestCase() {
        // Cached tree files go to a program folder of this test.
        qputenv("ORV7_PROGRAM_DIR", FProgramDir.path().toUtf8());
        Application()->OnException = [this](const QString &m) { FErrors << m; };
        FServer = std::make_unique<TAppServerFixture>();
        PointServersAt(*FServer);
        for (TSystemTable *table : {CodeTableSystemTable(), DelphiVCLSystemTable()}) {
            table->Broker()->Servers().clear();
            table->Broker()->AddServer(QStringLiteral("127.0.0.1"), FServer->Port());
        }
    }
    void cleanupTestCase() { FServer.reset(); }
    void init() { FErrors.clear(); }
    void cleanup() { QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n'))); }

    void theComponentsCheckTheirTreeName() {
        TCodeTreeEditDialog edit;
        QVERIFY(!edit.Execute());
        QVERIFY(!HandleTreeEdit(QStringLiteral("NoSuchTree"), tesCoding));
        TCodeTreeInputDialog input;
        input.Code = QStringLiteral("X");
        try {
            input.Execute();
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("TreeName 未設定"));
        }
        QCOMPARE(input.Code, QStringLiteral("X"));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void aCodeIsPickedFromTheStoredTreeOrItsCachedFile() {
        TCodeTreeInputDialog input;
        input.TreeName = QStringLiteral("TesTreeCode");
        input.Code = QStringLiteral("A2");
        WhenModal<TTreeCodeInput>([](TTreeCodeInput *form) {
            // The stored tree: its description as caption, level coded.
            QCOMPARE(form->windowTitle(), QStringLiteral("測試代碼樹"));
            QVERIFY(form->ckEncode->isVisible());
            QCOMPARE(form->TreeView->currentItem()->text(0), QStringLiteral("2,第二層乙"));
            QTreeWidgetItem *node = form->TreeView->topLevelItem(0)->child(0);
            QTest::mouseClick(form->TreeView->viewport(), Qt::LeftButton, {},
                              form->TreeView->visualItemRect(node).center());
            QTest::mouseClick(form->btnOK, Qt::LeftButton);
        });
        QVERIFY(input.Execute());
        QCOMPARE(input.GetText(), QStringLiteral("A1,第二層甲"));
        QCOMPARE(input.TraceText, QStringLiteral("第一層,第二層甲"));
        // Cancelled: the code stays.
        WhenModal<TTreeCodeInput>([](TTreeCodeInput *form) {
            form->TreeView->setCurrentItem(form->TreeView->topLevelItem(1));
            QTest::mouseClick(form->btnCancel, Qt::LeftButton);
        });
        QVERIFY(!input.Execute());
        QCOMPARE(input.Code, QStringLiteral("A1"));

        // A cached file of the tree in TemplateDocs/ comes first, with its own coding rule.
        QDir().mkpath(FProgramDir.filePath("TemplateDocs"));
        const QString cached = FProgramDir.filePath("TemplateDocs/TesTreeCode.VCL");
        WriteTextFile(cached, QStringLiteral("#Tag=1\nK,快取\n\t7,快取子\n"));
        QString code = QStringLiteral("K7"), description, trace;
        WhenModal<TTreeCodeInput>([cached](TTreeCodeInput *form) {
            QCOMPARE(form->LoadedFileName(), cached);
            QVERIFY(form->windowTitle().endsWith(u'[' + cached + u']'));
            QCOMPARE(form->GetDescription(), QStringLiteral("快取子"));
            form->btnOK->click();
        });
        QVERIFY(HandleTreeCodeInput(QStringLiteral("TesTreeCode"), code, description, trace,
                                    QString(), false));
        QCOMPARE(code, QStringLiteral("K7"));
        QCOMPARE(trace, QStringLiteral("快取,快取子"));
        QFile::remove(cached);
        // A tree neither stored nor cached shows empty; closing it picks nothing.
        WhenModal<TTreeCodeInput>([](TTreeCodeInput *form) {
            QCOMPARE(form->TreeView->topLevelItemCount(), 0);
            form->close();
        });
        QVERIFY(!HandleTreeCodeInput(QStringLiteral("NotStored"), code, description));
        QCOMPARE(code, QStringLiteral("K7"));
    }

    void nodesAreTypedAndCodedAutomatically() {
        StoreTree(QStringLiteral("EditLevel"), QStringLiteral("階層樹"), 1, QString());
        TCodeTreeEditDialog edit;
        edit.TreeName = QStringLiteral("EditLevel");
        edit.EditStyle = tesCoding | tesToCachedFile;
        WhenModal<TlumTreeToolDlg>([](TlumTreeToolDlg *dlg) {
            QCOMPARE(dlg->edVCLDescript->text(), QStringLiteral("階層樹"));
            QVERIFY(dlg->rbLevel->isChecked());
            QVERIFY(!dlg->TreeToCodeTable->isVisible());
            QVERIFY(!dlg->NodeNewItem->isEnabled());
            QVERIFY(!dlg->TreeApply->isEnabled());
            // Three roots, then twelve children under the first.
            for (const char *root : {"教務", "學務", "總務"}) {
                Type(dlg->edEditNode, QString::fromUtf8(root));
                dlg->NodeNewItem->trigger();
            }
            dlg->TVActive->setCurrentItem(dlg->TVActive->topLevelItem(0));
            for (int i = 1; i <= 12; ++i) {
                Type(dlg->edEditNode, QStringLiteral("組%1").arg(i));
                if (i == 1)
                    dlg->NodeNewSubItem->trigger();
                else
                    dlg->NodeNewItem->trigger();
            }
            QCOMPARE(dlg->TVActive->topLevelItem(0)->childCount(), 12);
            QVERIFY(!dlg->TreeCoding->isVisible());
            QTest::mouseClick(dlg->ckCoding, Qt::LeftButton);
            QVERIFY(dlg->TreeCoding->isVisible());
            dlg->TreeCoding->trigger();
            QCOMPARE(Texts(dlg->TVActive), (QStringList{"1,教務", "2,學務", "3,總務"}));
            // Level coded: a child holds its own number only, as wide as the count of its
            // siblings.
            const QStringList children = Texts(dlg->TVActive, dlg->TVActive->topLevelItem(0));
            QCOMPARE(children.first(), QStringLiteral("01,組1"));
            QCOMPARE(children.last(), QStringLiteral("12,組12"));
            QCOMPARE(TreeEncode(dlg->TVActive->topLevelItem(0)->child(11)), QStringLiteral("112"));

            // Kept codes: a node with a code keeps it, the others are numbered by position.
            QTreeWidgetItem *third = dlg->TVActive->topLevelItem(0)->child(2);
            dlg->TVActive->setCurrentItem(third);
            Type(dlg->edEditNode, QStringLiteral("99,特別組"));
            dlg->NodeReplaceText->trigger();
            dlg->TVActive->setCurrentItem(dlg->TVActive->topLevelItem(1));
            Type(dlg->edEditNode, QStringLiteral("新組"));
            dlg->NodeNewSubItem->trigger();
            QTest::mouseClick(dlg->ckReserver, Qt::LeftButton);
            dlg->TreeCoding->trigger();
            QCOMPARE(third->text(0), QStringLiteral("99,特別組"));
            QCOMPARE(dlg->TVActive->topLevelItem(1)->child(0)->text(0), QStringLiteral("1,新組"));
            QVERIFY(dlg->TreeApply->isEnabled());
            QTest::mouseClick(dlg->btnApply, Qt::LeftButton);
            QVERIFY(!dlg->Changed());
            QVERIFY(!dlg->TreeApply->isEnabled());
            dlg->reject();
        });
        QVERIFY(edit.Execute());
        const QString stored = StoredText(QStringLiteral("EditLevel"));
        QVERIFY2(
            stored.startsWith(QStringLiteral("#Tag=1\n1,教務\n\t01,組1\n\t02,組2\n\t99,特別組\n")),
            qPrintable(stored));
        QVERIFY(stored.contains(QStringLiteral("\n2,學務\n\t1,新組\n3,總務\n")));

        // A plain tree holds full codes: a child's code starts with its parent's.
        StoreTree(QStringLiteral("EditPlain"), QStringLiteral("一般樹"), 0,
                  QStringLiteral("A,行政\n\t甲\n\t乙\nB,教學\n"));
        WhenModal<TlumTreeToolDlg>([](TlumTreeToolDlg *dlg) {
            QVERIFY(dlg->rbPlain->isChecked());
            dlg->ckCoding->setChecked(true);
            dlg->TreeCoding->trigger();
            QCOMPARE(Texts(dlg->TVActive), (QStringList{"1,行政", "2,教學"}));
            QCOMPARE(Texts(dlg->TVActive, dlg->TVActive->topLevelItem(0)),
                     (QStringList{"11,甲", "12,乙"}));
            dlg->reject();
        });
        // Closed without writing: nothing applied, the stored tree as it was.
        QVERIFY(!HandleTreeEdit(QStringLiteral("EditPlain"), tesCoding));
        QCOMPARE(StoredText(QStringLiteral("EditPlain")),
                 QStringLiteral("A,行政\n\t甲\n\t乙\nB,教學\n"));
    }

    void nodesAreDraggedByWhatTheMouseHits() {
        StoreTree(QStringLiteral("DragTree"), QStringLiteral("拖拉"), 0,
                  QStringLiteral("A,甲\nB,乙\n\tB1,乙一\nC,丙\n"));
        WhenModal<TlumTreeToolDlg>([](TlumTreeToolDlg *dlg) {
            TTreeDragView *tree = dlg->TVActive;
            tree->expandAll();
            QCOMPARE(tree->toolTip(), QStringLiteral("按住Mouse,可拖拉節點至適當位置."));
            const auto label = [tree](const char *text) {
                return tree->LabelRect(Node(tree, QString::fromUtf8(text))).center();
            };
            const auto button = [tree](const char *text) {
                const QRect r = tree->LabelRect(Node(tree, QString::fromUtf8(text)));
                return QPoint(r.left() - tree->indentation() / 2, r.center().y());
            };
            // Onto a label: before that node, at its level.
            Drag(tree, label("C,丙"), label("A,甲"));
            QCOMPARE(Texts(tree), (QStringList{"C,丙", "A,甲", "B,乙"}));
            QVERIFY(dlg->Changed());
            // Onto the expand button: the node's last child.
            Drag(tree, label("A,甲"), button("B,乙"));
            QCOMPARE(Texts(tree), (QStringList{"C,丙", "B,乙"}));
            QCOMPARE(Texts(tree, Node(tree, "B,乙")), (QStringList{"B1,乙一", "A,甲"}));
            // Right of a label, or into its own subtree: nothing moves.
            const QRect b = tree->LabelRect(Node(tree, "B,乙"));
            Drag(tree, label("C,丙"), QPoint(b.right() + 40, b.center().y()));
            Drag(tree, label("B,乙"), label("B1,乙一"));
            QCOMPARE(Texts(tree), (QStringList{"C,丙", "B,乙"}));
            QCOMPARE(Texts(tree, Node(tree, "B,乙")), (QStringList{"B1,乙一", "A,甲"}));
            // While the tree is written, nothing can be dragged.
            dlg->DBVCLink->OnBeforeWriteVCL(dlg->DBVCLink);
            QVERIFY(!tree->DragEnabled());
            Drag(tree, label("C,丙"), label("B,乙"));
            QCOMPARE(Texts(tree), (QStringList{"C,丙", "B,乙"}));
            dlg->DBVCLink->OnAfterWriteVCL(dlg->DBVCLink);
            QVERIFY(tree->DragEnabled());
            dlg->TreeApply->trigger();
            dlg->reject();
        });
        QVERIFY(HandleTreeEdit(QStringLiteral("DragTree"), {}));
        QCOMPARE(StoredText(QStringLiteral("DragTree")),
                 QStringLiteral("C,丙\nB,乙\n\tB1,乙一\n\tA,甲\n"));
    }

    void theClipboardTreeAndDeleting() {
        StoreTree(QStringLiteral("ClipTree"), QStringLiteral("剪貼"), 0,
                  QStringLiteral("A,甲\n\tA1,甲一\n\t\tA11,甲一一\nB,乙\n"));
        WhenModal<TlumTreeToolDlg>([](TlumTreeToolDlg *dlg) {
            QTreeWidget *tree = dlg->TVActive;
            QVERIFY(!dlg->EditPaste->isEnabled());
            QVERIFY(!dlg->EditDelete->isEnabled());
            // A node with its subtree goes under the selected node.
            tree->setCurrentItem(Node(tree, "A1,甲一"));
            QVERIFY(dlg->EditDelete->isEnabled());
            dlg->EditCopy->trigger();
            QVERIFY(dlg->EditPaste->isEnabled());
            tree->setCurrentItem(Node(tree, "B,乙"));
            dlg->EditPaste->trigger();
            QTreeWidgetItem *b = Node(tree, "B,乙");
            QCOMPARE(Texts(tree, b), QStringList{"A1,甲一"});
            QCOMPARE(Texts(tree, b->child(0)), QStringList{"A11,甲一一"});
            // Without a selection the whole tree is copied; cut takes the node away.
            tree->clearSelection();
            dlg->EditCopy->trigger();
            QCOMPARE(dlg->TVCopy->topLevelItemCount(), 2);
            tree->setCurrentItem(Node(tree, "A,甲"));
            dlg->EditCut->trigger();
            QCOMPARE(Texts(tree), QStringList{"B,乙"});
            tree->setCurrentItem(Node(tree, "B,乙"));
            dlg->EditPaste->trigger();
            QCOMPARE(Texts(tree, Node(tree, "B,乙")), (QStringList{"A1,甲一", "A,甲"}));
            // Deleting asks first; No keeps the node.
            {
                TAnswer no(QMessageBox::No);
                tree->setCurrentItem(Node(tree, "B,乙"));
                dlg->EditDelete->trigger();
                QCOMPARE(no.Texts, QStringList{"資料節點,確定刪除嗎?"});
                QCOMPARE(tree->topLevelItemCount(), 1);
            }
            {
                TAnswer yes(QMessageBox::Yes);
                dlg->EditDelete->trigger();
                QCOMPARE(tree->topLevelItemCount(), 0);
                Type(dlg->edEditNode, QStringLiteral("X,新"));
                dlg->NodeNewItem->trigger();
                dlg->EditClear->trigger();
                QCOMPARE(yes.Texts.last(), QStringLiteral("刪除所有節點,確定嗎?"));
                QCOMPARE(tree->topLevelItemCount(), 0);
                QVERIFY(!dlg->EditClear->isEnabled());
            }
            dlg->reject();
        });
        QVERIFY(!HandleTreeEdit(QStringLiteral("ClipTree"), {}));
    }

    void theCachedFileIsPublishedAndPickedFrom() {
        StoreTree(QStringLiteral("CacheTree"), QStringLiteral("快速樹"), 1,
                  QStringLiteral("1,教師\n\t1,專任\n"));
        QString version;
        WhenModal<TlumTreeToolDlg>([&version](TlumTreeToolDlg *dlg) {
            QVERIFY(dlg->TreeToCachedFile->isVisible());
            QVERIFY(!dlg->TreeToCachedFile->isEnabled());
            dlg->TVActive->setCurrentItem(dlg->TVActive->topLevelItem(0));
            Type(dlg->edEditNode, QStringLiteral("2,代理"));
            dlg->NodeNewSubItem->trigger();
            version = TlumTreeToolDlg::CachedFileVersion();
            dlg->TreeToCachedFile->trigger();
            dlg->reject();
        });
        QVERIFY(!HandleTreeEdit(QStringLiteral("CacheTree"), tesToCachedFile));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}\\.\\d{4}$")).match(version).hasMatch());
        const QString published =
            FServer->Query("SELECT Version FROM DataFiles WHERE FileName='CacheTree.VCL'")
                .toString();
        QCOMPARE(published.left(4), version.left(4));
        const QByteArray bytes =
            FServer->Query("SELECT FileData FROM DataFiles WHERE FileName='CacheTree.VCL'")
                .toByteArray();
        QCOMPARE(bytes, Big5Encode(QStringLiteral("#Tag=1\n1,教師\n\t1,專任\n\t2,代理\n")));
        QCOMPARE(
            FServer->Query("SELECT CheckSum FROM DataFiles WHERE FileName='CacheTree.VCL'").toInt(),
            bytes.size());
        // The stored tree was not written; the client picks from the published file.
        QVERIFY(!StoredText(QStringLiteral("CacheTree")).contains(QStringLiteral("代理")));
        QString code = QStringLiteral("12"), description;
        WhenModal<TTreeCodeInput>([](TTreeCodeInput *form) {
            QVERIFY(!form->LoadedFileName().isEmpty());
            form->btnOK->click();
        });
        QVERIFY(HandleTreeCodeInput(QStringLiteral("CacheTree"), code, description));
        QCOMPARE(description, QStringLiteral("代理"));
    }

    void theConverterWritesRowsOnlyWhenConfirmed() {
        QCOMPARE(Rows(QStringLiteral("TESTC")), 0);
        TLumTreeAndTableTransfer transfer;
        WhenModal<TLumTreeAndTableTransfer>([this](TLumTreeAndTableTransfer *form) {
            // The stored tree is found although it still names another category.
            QCOMPARE(form->edDescript->text(), QStringLiteral("測試代碼樹"));
            QCOMPARE(form->edMainCode->text(), QStringLiteral("TESTC"));
            QVERIFY(form->ActToTable->isVisible());
            QVERIFY(!form->ActToTree->isVisible());
            QVERIFY(!form->actSure->isEnabled());
            form->ActToTable->trigger();
            QCOMPARE(form->CodeTableCDS->RecordCount(), 4);
            QVERIFY(form->actCancel->isEnabled());
            form->actCancel->trigger();
            QCOMPARE(Rows(QStringLiteral("TESTC")), 0);
            QCOMPARE(form->CodeTableCDS->RecordCount(), 0);
            QVERIFY(!form->actSure->isEnabled());
            // Rows are written with the full codes, their parents and levels.
            form->ActToTable->trigger();
            QCOMPARE(Rows(QStringLiteral("TESTC")), 0);
            form->actSure->trigger();
            // Selecting a node with the parent filter shows its row and its children's.
            form->ckParent->click();
            form->TreeView->setCurrentItem(form->FindNode(QStringLiteral("A")));
            QCOMPARE(form->CodeTableCDS->RecordCount(), 3);
            form->ckParent->click();
            QCOMPARE(form->CodeTableCDS->RecordCount(), 4);
            form->WindowClose->trigger();
        });
        transfer.ExecuteTreeToCodeTable(QStringLiteral("TesTreeCode"), QStringLiteral("TESTC"));
        QCOMPARE(Rows(QStringLiteral("TESTC")), 4);
        QCOMPARE(Row("TESTC", "A"), QStringLiteral("第一層|0|"));
        QCOMPARE(Row("TESTC", "A2"), QStringLiteral("第二層乙|1|A"));
        QCOMPARE(Row("TESTC", "B"), QStringLiteral("另一層|0|"));
        // Back: a new tree from the rows, level coded, under a name not stored yet.
        FServer->Query("INSERT INTO CodeTable (Main_Code, Code, Descript, ALevel, AParent) "
                       "VALUES ('TESTC', 'A21', '第三層', 2, 'A2'), "
                       "('TESTC', 'Z9', '無上層', 1, 'ZZ')");
        TLumTreeAndTableTransfer back;
        WhenModal<TLumTreeAndTableTransfer>([](TLumTreeAndTableTransfer *form) {
            QCOMPARE(form->edDescript->text(), QStringLiteral("未命名"));
            QVERIFY(form->ActToTree->isVisible());
            QVERIFY(!form->ActToTable->isVisible());
            form->ActToTree->trigger();
            QCOMPARE(TreeViewToText(form->TreeView),
                     QStringLiteral("A,第一層\n\t1,第二層甲\n\t2,第二層乙\n\t\t1,第三層\nB,另一層\n"
                                    "Z9,無上層\n"));
            Type(form->edDescript, QStringLiteral("新代碼樹"));
            form->actSure->trigger();
            QVERIFY(!form->Changed());
            form->WindowClose->trigger();
        });
        back.ExecuteTableToTree(QStringLiteral("TESTC"), QStringLiteral("NewTree"), 1);
        QCOMPARE(StoredText(QStringLiteral("NewTree")),
                 QStringLiteral("#Tag=1\nA,第一層\n\t1,第二層甲\n\t2,第二層乙\n\t\t1,第三層\n"
                                "B,另一層\nZ9,無上層\n"));
        QCOMPARE(
            FServer
                ->Query(
                    "SELECT Description || '|' || Main_Code FROM StoredVCL WHERE VCLName='NewTree'")
                .toString(),
            QStringLiteral("新代碼樹|TESTC"));
        // Rows the tree no longer has go, but only on "確認"; closing drops what is pending.
        StoreTree(QStringLiteral("NewTree"), QStringLiteral("新代碼樹"), 1,
                  QStringLiteral("A,第一層\n"));
        TLumTreeAndTableTransfer shrink;
        WhenModal<TLumTreeAndTableTransfer>([](TLumTreeAndTableTransfer *form) {
            form->ActToTable->trigger();
            QCOMPARE(form->CodeTableCDS->RecordCount(), 1);
            form->reject();
        });
        shrink.ExecuteTreeToCodeTable(QStringLiteral("NewTree"), QStringLiteral("TESTC"));
        QCOMPARE(Rows(QStringLiteral("TESTC")), 6);
    }
};

LUM_TEST_MAIN(TstTreeTools)
#include "tst_treetools.moc"
