// The address aid and the new-person dialog as the user meets them: the county post-code trees
// built with the program, addresses split into their parts and composed again by picking from
// the tree, and a new person added with a wrong and then a right identity number.

#include "Big5.h"
#include "DialogSets.h"
#include "ModalAnswer.h"
#include "TestMain.h"
#include "dlgInsertPerson.h"
#include "uTreeText.h"
#include "ulumPostCode.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>

namespace {

// Types Chinese text into an edit as an input method commits it.
void Commit(QLineEdit *edit, const QString &text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(edit, &commit);
}

void Click(QTreeWidget *tree, QTreeWidgetItem *node) {
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
}

QTreeWidgetItem *Node(QTreeWidget *tree, const QString &text) {
    return tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
}

const QString kTrees = QStringLiteral(LUM_BIN_DIR "/TemplateDocs/");

} // namespace

class TstPostCode : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyCountyHasItsTreeFile() {
        const QStringList &counties = TlumPostCode::Counties();
        QCOMPARE(counties.size(), 24);
        QCOMPARE(counties.mid(22), (QStringList{"南海諸島", "釣魚台"}));
        for (const char *former : {"台北縣", "桃園縣", "台中縣", "台南縣", "高雄縣"})
            QVERIFY(!counties.contains(QString::fromUtf8(former)));
        for (const QString &county : counties) {
            QFile file(kTrees + county + QStringLiteral(".VCL"));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            const QByteArray bytes = file.readAll();
            // Big5 bytes, one county, every township as "three-digit code,name".
            QCOMPARE(Big5Encode(Big5Decode(bytes), true), bytes);
            const QList<TTreeTextNode> nodes = ParseTreeText(Big5Decode(bytes));
            QCOMPARE(nodes.value(0).Text, county);
            int townships = 0;
            for (const TTreeTextNode &node : nodes.mid(1)) {
                QVERIFY(node.Depth >= 1);
                if (node.Depth == 1) {
                    ++townships;
                    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9]{3},\\S+$"))
                                 .match(node.Text)
                                 .hasMatch(),
                             qPrintable(node.Text));
                }
            }
            QVERIFY(townships > 0);
        }
        const QString taipei = ReadTextFile(kTrees + QStringLiteral("台北市.VCL"));
        QVERIFY(taipei.startsWith(QStringLiteral("台北市\n\t100,中正區\n\t\t里\n\t\t\t示範里\n")));
        QVERIFY(taipei.contains(QStringLiteral("\n\t106,大安區\n")));
        QVERIFY(ReadTextFile(kTrees + QStringLiteral("新北市.VCL"))
                    .contains(QStringLiteral("\n\t220,板橋區\n")));
    }

    void addressesAreSplitByTheirMarkers() {
        TROCAddrInputDialog dialog;
        // "市" as the only county marker; a second "市" is never the county's, "區" the city's.
        dialog.ParserAddress(QStringLiteral("台北市中正區示範里5鄰示範路100號"));
        QCOMPARE(dialog.County, QStringLiteral("台北市"));
        QCOMPARE(dialog.City, QStringLiteral("中正區"));
        QCOMPARE(dialog.Village, QStringLiteral("示範里"));
        QCOMPARE(dialog.LinNo(), QStringLiteral("5"));
        QCOMPARE(dialog.Road, QStringLiteral("示範路100號"));
        dialog.ParserAddress(QStringLiteral("新竹縣竹北市光明六路10號"));
        QCOMPARE(dialog.County, QStringLiteral("新竹縣"));
        QCOMPARE(dialog.City, QStringLiteral("竹北市"));
        QCOMPARE(dialog.Village, QString());
        QCOMPARE(dialog.Road, QStringLiteral("光明六路10號"));
        dialog.ParserAddress(QStringLiteral("高雄市鳳山市文化路"));
        QCOMPARE(dialog.County, QStringLiteral("高雄市"));
        QCOMPARE(dialog.City, QStringLiteral("鳳山市"));
        QCOMPARE(dialog.GetAddress(), QStringLiteral("高雄市鳳山市文化路"));
        // Neighbourhood numbers keep their digits only.
        dialog.setLinNo(QStringLiteral("12鄰"));
        QCOMPARE(dialog.LinNo(), QStringLiteral("12"));
        QCOMPARE(dialog.GetLinNo(), QStringLiteral("12鄰"));
        dialog.setLinNo(QStringLiteral("鄰"));
        QCOMPARE(dialog.GetLinNo(), QString());
        // The folder of the trees ends with a separator.
        dialog.SetPostFileDir(QStringLiteral("/tmp/trees"));
        QCOMPARE(dialog.PostFileDir(), QStringLiteral("/tmp/trees/"));
        dialog.SetPostFileDir(QString());
        QCOMPARE(dialog.PostFileDir(), QString());
        // A former county selects the city that took it over.
        QCOMPARE(TlumPostCode::CurrentCounty(QStringLiteral("台北縣")), QStringLiteral("新北市"));
        QCOMPARE(TlumPostCode::CurrentCounty(QStringLiteral("高雄縣")), QStringLiteral("高雄市"));
        QCOMPARE(TlumPostCode::CurrentCounty(QStringLiteral("臺中市")), QStringLiteral("台中市"));
    }

    void anAddressIsComposedFromThePostCodeTree() {
        TROCAddrInputDialog dialog;
        dialog.SetPostFileDir(kTrees);
        QString address = QStringLiteral("臺北市中正區南昌路一段45巷6號");
        WhenModal<TlumPostCode>([](TlumPostCode *form) {
            QCOMPARE(form->cbbSelCounty->currentText(), QStringLiteral("台北市"));
            // The township typed is found and gives its post code.
            QCOMPARE(form->edCode->text(), QStringLiteral("100"));
            QTreeWidget *tree = form->TVPostCode;
            tree->expandAll();
            Click(tree, Node(tree, QStringLiteral("示範里")));
            QCOMPARE(form->edVillage->text(), QStringLiteral("示範里"));
            QCOMPARE(form->edCounty->text(), QStringLiteral("台北市"));
            form->edRoad->clear();
            // Roads add up; a road picked twice is there twice.
            Click(tree, Node(tree, QStringLiteral("示範路")));
            Click(tree, Node(tree, QStringLiteral("示範路")));
            QCOMPARE(form->edRoad->text(), QStringLiteral("示範路示範路"));
            form->edRoad->clear();
            Click(tree, Node(tree, QStringLiteral("示範路")));
            QTest::mouseClick(form->edLinNo, Qt::LeftButton);
            QTest::keyClick(form->edLinNo, Qt::Key_Home);
            QTest::keyClicks(form->edLinNo, QStringLiteral("7"));
            QTest::keyClicks(form->edRoad, QStringLiteral("100"));
            Commit(form->edRoad, QStringLiteral("號"));
            QCOMPARE(form->GetAddress(), QStringLiteral("台北市中正區示範里7鄰示範路100號"));
            QTest::mouseClick(form->btnOK, Qt::LeftButton);
        });
        QVERIFY(dialog.Execute(address));
        QCOMPARE(address, QStringLiteral("台北市中正區示範里7鄰示範路100號"));
        QCOMPARE(dialog.Code, QStringLiteral("100"));
        QCOMPARE(dialog.LinNo(), QStringLiteral("7"));

        // Another township clears what was chosen in the former one; cancelling keeps all.
        WhenModal<TlumPostCode>([](TlumPostCode *form) {
            Click(form->TVPostCode, Node(form->TVPostCode, QStringLiteral("106,大安區")));
            QCOMPARE(form->edCode->text(), QStringLiteral("106"));
            QCOMPARE(form->edVillage->text(), QString());
            QCOMPARE(form->GetAddress(), QStringLiteral("台北市大安區"));
            QTest::mouseClick(form->btnCancel, Qt::LeftButton);
        });
        QVERIFY(!dialog.Execute(address));
        QCOMPARE(address, QStringLiteral("台北市中正區示範里7鄰示範路100號"));
        QCOMPARE(dialog.Village, QStringLiteral("示範里"));

        // A former county opens the city's tree.
        QString old = QStringLiteral("台北縣板橋市文化路");
        WhenModal<TlumPostCode>([](TlumPostCode *form) {
            QCOMPARE(form->cbbSelCounty->currentText(), QStringLiteral("新北市"));
            QVERIFY(Node(form->TVPostCode, QStringLiteral("220,板橋區")));
            form->reject();
        });
        QVERIFY(!dialog.Execute(old));
        // A folder without the county's file: the file error, nothing changed.
        dialog.SetPostFileDir(QDir::tempPath() + QStringLiteral("/no-such-post-codes"));
        QVERIFY_THROWS_EXCEPTION(Exception, dialog.Execute(address));
        QCOMPARE(dialog.County, QStringLiteral("台北市"));
        QCOMPARE(dialog.City, QStringLiteral("中正區"));
    }

    void aNewPersonNeedsAValidIdentityNumber() {
        QString name, id;
        TAnswer ok(QMessageBox::Ok);
        WhenModal<TDlgGetNewID>([](TDlgGetNewID *form) {
            QCOMPARE(form->gbID->title(), QStringLiteral("人員"));
            QCOMPARE(form->lbID->text(), QStringLiteral("身分證號:"));
            QVERIFY(form->cbIDCheck->isVisible());
            QVERIFY(form->cbIDCheck->isChecked());
            QTest::mouseClick(form->btnOK, Qt::LeftButton);
            Commit(form->edName, QStringLiteral("王小明"));
            // A wrong checksum, then the right one; the number is typed in upper case.
            QTest::keyClicks(form->edID, QStringLiteral("a123456788"));
            QCOMPARE(form->edID->text(), QStringLiteral("A123456788"));
            QTest::mouseClick(form->btnOK, Qt::LeftButton);
            QVERIFY(form->isVisible());
            QCOMPARE(form->focusWidget(), form->edID);
            QTest::keyClick(form->edID, Qt::Key_Backspace);
            QTest::keyClicks(form->edID, QStringLiteral("9"));
            QTest::mouseClick(form->btnOK, Qt::LeftButton);
        });
        QVERIFY(GetNewPerson(name, id));
        QCOMPARE(ok.Texts, (QStringList{"名稱與證號,不可空白.", "編號或證號錯誤."}));
        QCOMPARE(name, QStringLiteral("王小明"));
        QCOMPARE(id, QStringLiteral("A123456789"));

        // A company: the business number, the check box not shown; cancelling changes nothing.
        QString company = QStringLiteral("示範公司"), number;
        WhenModal<TDlgGetNewID>([](TDlgGetNewID *form) {
            QCOMPARE(form->gbID->title(), QStringLiteral("公司"));
            QCOMPARE(form->lbName->text(), QStringLiteral("名稱:"));
            QVERIFY(!form->cbIDCheck->isVisible());
            QTest::keyClicks(form->edID, QStringLiteral("04595257"));
            QTest::mouseClick(form->btnOK, Qt::LeftButton);
        });
        QVERIFY(GetNewCompanyValidate(company, number));
        QCOMPARE(number, QStringLiteral("04595257"));
        WhenModal<TDlgGetNewID>([](TDlgGetNewID *form) {
            QTest::keyClicks(form->edID, QStringLiteral("12345678"));
            QTest::mouseClick(form->btnCancel, Qt::LeftButton);
        });
        QVERIFY(!GetNewCompany(company, number));
        QCOMPARE(number, QStringLiteral("04595257"));
    }
};

LUM_TEST_MAIN(TstPostCode)
#include "tst_postcode.moc"
