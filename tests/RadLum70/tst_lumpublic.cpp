// Shared utilities: identity and business numbers, numbers in Chinese, code separation and
// tree codes, dataset helpers, settings, files and their version blocks.

#include "ClientDataSet.h"
#include "Exceptions.h"
#include "RadSystemApi.h"
#include "Registry.h"
#include "StringList.h"
#include "TestMain.h"
#include "VersionBlock.h"
#include "uLumPublic.h"

#include <QBuffer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

class TstLumPublic : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        // Start from empty settings, whatever an earlier run left.
        QFile::remove(TRegistry::RootFile(TRootKey::HKEY_LOCAL_MACHINE));
    }

    void identityNumbers() {
        QVERIFY(CheckRocID(QStringLiteral("A123456789")));
        QVERIFY(CheckRocID(QStringLiteral("  a123456789 "))); // lower case and blanks
        QVERIFY(!CheckRocID(QStringLiteral("A123456788")));   // check digit
        QVERIFY(!CheckRocID(QStringLiteral("A12345678")));    // length
        QVERIFY(!CheckRocID(QStringLiteral("1123456789")));   // first must be a letter
        QVERIFY(!CheckRocID(QStringLiteral("A1234E6789")));   // digits only after the second
        // A second character 3 is never valid, whatever the sum.
        for (QChar last = u'0'; last <= u'9'; last = QChar(last.unicode() + 1))
            QVERIFY(!CheckRocID(QStringLiteral("A32345678") + last));
        // Letters with two-digit values other than 1x: I=34, O=35, W=32.
        QVERIFY(CheckRocID(QStringLiteral("I100000003")));
        QVERIFY(!CheckRocID(QStringLiteral("I100000002")));
        // Resident certificates: A-D count as 0-3; 8 and 9 (issued since 2021) as themselves.
        QVERIFY(CheckRocID(QStringLiteral("AA00000009")));
        QVERIFY(CheckRocID(QStringLiteral("A800000014")));
        QVERIFY(CheckRocID(QStringLiteral("A900000016")));
        QVERIFY(!CheckRocID(QStringLiteral("A800000015")));

        QChar sex;
        QVERIFY(CheckRocIDBySex(QStringLiteral("A123456789"), sex));
        QCOMPARE(sex, QChar(u'M'));
        QVERIFY(CheckRocIDBySex(QStringLiteral("A223456781"), sex));
        QCOMPARE(sex, QChar(u'F'));
        QVERIFY(CheckRocIDBySex(QStringLiteral("a800000014"), sex));
        QCOMPARE(sex, QChar(u'M'));
        QVERIFY(CheckRocIDBySex(QStringLiteral("A900000016"), sex));
        QCOMPARE(sex, QChar(u'F'));
        sex = u'?';
        QVERIFY(!CheckRocIDBySex(QStringLiteral("A123456780"), sex));
        QCOMPARE(sex, QChar(u'?'));
    }

    void businessNumbers() {
        QVERIFY(CheckRocInvoice(QStringLiteral("04595257")));
        QVERIFY(CheckRocInvoice(QStringLiteral("04595257  "))); // trailing blanks ignored
        QVERIFY(!CheckRocInvoice(QStringLiteral(" 04595257"))); // leading blanks are not
        QVERIFY(!CheckRocInvoice(QStringLiteral("0459525")));
        QVERIFY(!CheckRocInvoice(QStringLiteral("0459525A")));
        QVERIFY(!CheckRocInvoice(QStringLiteral("04595258"))); // sum 41
        // A seventh digit 7: 28 counts as 10 (sum 30) or as 1 (sum 29 + 1).
        QVERIFY(CheckRocInvoice(QStringLiteral("10458575")));
        QVERIFY(CheckRocInvoice(QStringLiteral("10458574")));
        QVERIFY(!CheckRocInvoice(QStringLiteral("10458573")));
        // Divisible by 5 (numbers issued since 2023): sum 35, and with a seventh digit 7 the
        // alternative sum 34 + 1.
        QVERIFY(CheckRocInvoice(QStringLiteral("04595252")));
        QVERIFY(CheckRocInvoice(QStringLiteral("10458579")));
        QVERIFY(!CheckRocInvoice(QStringLiteral("04595253")));
    }

    void numbersInChinese() {
        QCOMPARE(NumToChineseCN(105), QStringLiteral("一０五"));
        QCOMPARE(NumToChineseCC(-2024), QStringLiteral("-貳零貳肆"));
        QCOMPARE(NumToChineseCNFormate(10), QStringLiteral("一十"));
        QCOMPARE(NumToChineseCNFormate(15), QStringLiteral("十五"));
        QCOMPARE(NumToChineseCNFormate(-15), QStringLiteral("-十五"));
        QCOMPARE(NumToChineseCNFormate(105), QStringLiteral("一百０五"));
        QCOMPARE(NumToChineseCNFormate(10000), QStringLiteral("一萬"));
        QCOMPARE(NumToChineseCNFormate(100100), QStringLiteral("一十萬０一百"));
        QCOMPARE(NumToChineseCNFormate(0), QStringLiteral("０"));
        QCOMPARE(NumToChineseCCFormate(0), QStringLiteral("零"));
        QCOMPARE(NumToChineseCCFormate(3050), QStringLiteral("參仟零伍拾"));
        // Trailing zeros over a large unit keep the unit.
        QCOMPARE(NumToChineseCNFormate(100000), QStringLiteral("一十萬"));
        QCOMPARE(NumToChineseCNFormate(3000000), QStringLiteral("三百萬"));
        QCOMPARE(NumToChineseCCFormate(1200000000), QStringLiteral("壹拾貳億"));
        QCOMPARE(NumToChineseCNFormate(100010000), QStringLiteral("一億０一萬"));
        QCOMPARE(NumToChineseCNFormate(2147483647),
                 QStringLiteral("二十一億四千七百四十八萬三千六百四十七"));
        QCOMPARE(NumToChineseCNFormate(-2147483647 - 1).left(4), QStringLiteral("-二十一"));
    }

    void codesOfTreeTexts() {
        QString code, rest;
        SeparateCode(QStringLiteral("A01 教務處"), code, rest);
        QCOMPARE(code, QStringLiteral("A01"));
        QCOMPARE(rest, QStringLiteral("教務處"));
        SeparateCode(QStringLiteral("B_2;;x"), code, rest); // only one separator is skipped
        QCOMPARE(rest, QStringLiteral(";x"));
        SeparateCode(QStringLiteral("XYZ"), code, rest);
        QCOMPARE(code, QStringLiteral("XYZ"));
        QCOMPARE(rest, QString());
        SeparateCode(QStringLiteral(",學務處"), code, rest);
        QCOMPARE(code, QString());
        QCOMPARE(rest, QStringLiteral("學務處"));

        QTreeWidget tree;
        auto *office = new QTreeWidgetItem(&tree, {QStringLiteral("1 教務處")});
        new QTreeWidgetItem(&tree, {QStringLiteral("2 學務處")});
        auto *section = new QTreeWidgetItem(office, {QStringLiteral("01 註冊組")});
        auto *desk = new QTreeWidgetItem(section, {QStringLiteral("3 櫃台")});
        QCOMPARE(TreeEncode(nullptr), QString());
        QCOMPARE(TreeEncode(desk), QStringLiteral("3")); // even Tag: the node's own code
        tree.setProperty("Tag", 1);
        QCOMPARE(TreeEncode(desk), QStringLiteral("1013")); // odd: root down
        QCOMPARE(TreeDeCode(&tree, QStringLiteral("1013")), desk);
        QCOMPARE(TreeDeCode(&tree, QStringLiteral("2")), tree.topLevelItem(1));
        // An unknown rest stops at the deepest match.
        QCOMPARE(TreeDeCode(&tree, QStringLiteral("1099")), office);
    }

    void datasetHelpers() {
        TClientDataSet ds;
        ds.FieldDefs().Add(QStringLiteral("Code"), ftString, 4);
        ds.FieldDefs().Add(QStringLiteral("Name"), ftString, 10);
        ds.AddField(ftString, QStringLiteral("Calc"), 10, fkCalculated);
        ds.CreateDataSet();
        for (const auto &[code, name] :
             std::vector<std::pair<QString, QString>>{{"M", "男"}, {"F", "女"}, {"X", "其他"}}) {
            ds.Append();
            ds.FieldByName(QStringLiteral("Code"))->SetAsString(code);
            ds.FieldByName(QStringLiteral("Name"))->SetAsString(name);
            ds.Post();
        }
        QCOMPARE(DBDataFieldCommaText(&ds), QStringLiteral("Code,Name"));

        ds.SetFilter(QStringLiteral("Code<>'X'"));
        ds.SetFiltered(true);
        ds.Last();
        TStringList items;
        items.Add(QStringLiteral("stale"));
        DBLookUpItems(&ds, QStringLiteral("Code='F' or Code='X'"), QStringLiteral("Name"), items);
        QCOMPARE(items.Text(), QStringLiteral("女\n其他\n"));
        QCOMPARE(ds.Filter(), QStringLiteral("Code<>'X'"));
        QVERIFY(ds.Filtered());
        QCOMPARE(ds.FieldByName(QStringLiteral("Code"))->AsString(), QStringLiteral("F"));
        // A bad field name raises, and the dataset is left as it was.
        QVERIFY_THROWS_EXCEPTION(Exception,
                                 DBLookUpItems(&ds, QString(), QStringLiteral("Nope"), items));
        QCOMPARE(ds.Filter(), QStringLiteral("Code<>'X'"));
        ds.FieldByName(QStringLiteral("Name"))->SetVisible(false);
        ds.FieldByName(QStringLiteral("Name"))->SetDisplayLabel(QStringLiteral("名稱"));
        ds.FieldByName(QStringLiteral("Calc"))->SetTag(1);
        QListWidget list;
        list.addItem(QStringLiteral("old"));
        FieldsToCheckLst(&ds, &list);
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.item(1)->text(), QStringLiteral("名稱"));
        QCOMPARE(list.item(0)->checkState(), Qt::Checked);
        QCOMPARE(list.item(1)->checkState(), Qt::Unchecked);
        QCOMPARE(FieldOfItem(list.item(1)), ds.FieldByName(QStringLiteral("Name")));

        ds.Close();
        DBLookUpItems(&ds, QString(), QStringLiteral("Name"), items);
        QCOMPARE(items.Count(), 0);
    }

    void settingsAndRegistryRoot() {
        QCOMPARE(ReadRegString(QStringLiteral("ORV7.0\\Test"), QStringLiteral("S"), "dflt"),
                 QStringLiteral("dflt"));
        WriteRegString(QStringLiteral("ORV7.0\\Test"), QStringLiteral("S"), QStringLiteral("值"));
        QCOMPARE(ReadRegString(QStringLiteral("orv7.0\\test"), QStringLiteral("S"), "dflt"),
                 QStringLiteral("值"));
        WriteRegInteger(QStringLiteral("ORV7.0\\Test"), QStringLiteral("N"), 42);
        QCOMPARE(ReadRegInteger(QStringLiteral("ORV7.0\\Test"), QStringLiteral("N"), 7), 42);
        QCOMPARE(ReadRegInteger(QStringLiteral("ORV7.0\\Test"), QStringLiteral("S"), 7), 7);

        // Server addresses live below the installation's root.
        QCOMPARE(GetServerPort(QStringLiteral("DefaultServer")), 2001);
        SetServerIPAddress(QStringLiteral("DefaultServer"), QStringLiteral("10.0.0.5"));
        SetServerIPPort(QStringLiteral("DefaultServer"), 2101);
        QCOMPARE(ReadRegString(AppRegRoot() + QStringLiteral("\\AppServers\\DefaultServer"),
                               QStringLiteral("IP"), QString()),
                 QStringLiteral("10.0.0.5"));
        QCOMPARE(GetServerPort(QStringLiteral("DefaultServer")), 2101);

        QCOMPARE(AppRegRoot(), QStringLiteral("ORV7.0"));
        for (const QString &type : {QStringLiteral("0"), QString()}) {
            WriteRegString(QStringLiteral("ORV7.0"), QStringLiteral("RegType"), type);
            QCOMPARE(ReadAppRegRoot(), QStringLiteral("ORV7.0"));
        }
        WriteRegString(QStringLiteral("ORV7.0"), QStringLiteral("RegType"), QStringLiteral("1"));
        QCOMPARE(ReadAppRegRoot(), QStringLiteral("tst_lumpublic"));
        TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
        reg.DeleteKey(QStringLiteral("\\SOFTWARE\\ORV7.0"));
    }

    void filesStreamsAndLists() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.bin"));
        QVERIFY_THROWS_EXCEPTION(Exception, GetFileSize(path));
        try {
            GetFileDateTime(path);
            QFAIL("no error");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("Cannot Open File:") + path);
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("12345");
        f.close();
        QCOMPARE(GetFileSize(path), 5);
        QVERIFY(qAbs(GetFileDateTime(path) - Now()) < 1.0 / 24);

        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        buffer.write("abcdef");
        buffer.seek(2); // from the current position on
        Variant v;
        StreamToVariant(buffer, v);
        QCOMPARE(v.ToBytes(), QByteArray("cdef"));
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        VariantToStream(v, out);
        QCOMPARE(out.data(), QByteArray("cdef"));

        TStringList lines;
        Convert2OleVariant(lines, v);
        QVERIFY(v.IsNull());
        lines.SetText(QStringLiteral("甲\n乙\n"));
        Convert2OleVariant(lines, v);
        QCOMPARE(v.LowBound(), 0);
        QCOMPARE(v.HighBound(), 1);
        Variant shifted = Variant::Array(3, 4);
        shifted.SetElement(3, Variant(7));
        shifted.SetElement(4, Variant(QStringLiteral("丙")));
        OleVariant2Strings(shifted, lines);
        QCOMPARE(lines.Text(), QStringLiteral("7\n丙\n"));
        OleVariant2Strings(Variant(QStringLiteral("x")), lines);
        QCOMPARE(lines.Count(), 0);
    }

    void versionBlocks() {
        const QString package = QStringLiteral(LUM_BIN_DIR "/LumUnitActionsQuery.bpl");
        QCOMPARE(GetFileVersionInformation(package, QStringLiteral("FileDescription")),
                 QStringLiteral("行事曆查詢"));
        QVERIFY(GetFileVersionInformation(package, QStringLiteral("FileVersion"))
                    .startsWith(QStringLiteral("7.0.0.")));
        QCOMPARE(GetFileVersionInformation(package, QStringLiteral("OriginalFilename")),
                 QStringLiteral("LumUnitActionsQuery.bpl"));
        // A library without a block, a missing file and a text file have none.
        QCOMPARE(GetFileVersionInformation(QStringLiteral(LUM_BIN_DIR "/libPlatformCore.so"),
                                           QStringLiteral("FileVersion")),
                 QString());
        QCOMPARE(GetFileVersionInformation(QStringLiteral("/no/such.bpl"), "FileVersion"),
                 QString());

        // Damaged copies of the package: cut short, and with its section table pointing away.
        QFile in(package);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        QTemporaryDir dir;
        auto damaged = [&](QByteArray content) {
            QFile out(dir.filePath(QStringLiteral("d.bpl")));
            out.open(QIODevice::WriteOnly | QIODevice::Truncate);
            out.write(content);
            out.close();
            return TVersionBlock::ReadFromFile(out.fileName()).has_value();
        };
        QVERIFY(!damaged(bytes.left(bytes.size() / 2)));
        QVERIFY(!damaged(bytes.left(40)));
        QByteArray wild = bytes;
        for (int i = 0; i < 8; ++i)
            wild[0x28 + i] = char(0xFF);
        QVERIFY(!damaged(wild));

        const auto block = TVersionBlock::Parse(TVersionBlock::Compose(
            0x0404, 950, {{QStringLiteral("FileVersion"), QStringLiteral("1.2\nx")}}));
        QVERIFY(block.has_value());
        QCOMPARE(block->FirstTranslation(), QStringLiteral("040403B6"));
        QCOMPARE(block->Value(QStringLiteral("\\stringfileinfo\\040403B6\\fileversion")),
                 QStringLiteral("1.2 x"));
        QVERIFY(!TVersionBlock::Parse("FileVersion=1").has_value());
    }

    void hostAndPrograms() {
        QVERIFY(!GetHost().isEmpty());
        QVERIFY(!QHostAddress(GetIPAddr()).isNull());
        QTemporaryDir dir;
        const QString marker = dir.filePath(QStringLiteral("ran"));
        ExecuteProgramEnd(QStringLiteral("touch \"%1\"").arg(marker));
        QVERIFY(QFile::exists(marker));
        QVERIFY_THROWS_EXCEPTION(Exception, ExecuteProgram(QStringLiteral("/no/such/program")));
        QVERIFY_THROWS_EXCEPTION(Exception, ExecuteProgramEnd(QString()));
    }
};

LUM_TEST_MAIN(TstLumPublic)
#include "tst_lumpublic.moc"
