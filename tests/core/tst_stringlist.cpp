// Name=value lines, comma text and text files of string lists.

#include "Big5.h"
#include "Exceptions.h"
#include "StringList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TstStringList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void valuesByName() {
        TStringList list;
        list.SetValues(QStringLiteral("DataName"), QStringLiteral("StudentCDS"));
        list.SetValues(QStringLiteral("Filter"), QStringLiteral("a=b")); // value holding "="
        QCOMPARE(list.Count(), 2);
        QCOMPARE(list.Values(QStringLiteral("dataname")), QStringLiteral("StudentCDS"));
        QCOMPARE(list.Values(QStringLiteral("Filter")), QStringLiteral("a=b"));
        QCOMPARE(list.Names(1), QStringLiteral("Filter"));
        QCOMPARE(list.ValueFromIndex(1), QStringLiteral("a=b"));
        // Writing replaces the line in place.
        list.SetValues(QStringLiteral("DATANAME"), QStringLiteral("Other"));
        QCOMPARE(list.Count(), 2);
        QCOMPARE(list[0], QStringLiteral("DATANAME=Other"));
        // An empty value deletes the line; reading it back gives "".
        list.SetValues(QStringLiteral("DataName"), QString());
        QCOMPARE(list.Count(), 1);
        QCOMPARE(list.IndexOfName(QStringLiteral("DataName")), -1);
        QCOMPARE(list.Values(QStringLiteral("DataName")), QString());
        // Writing an empty value for a name that is not there changes nothing.
        list.SetValues(QStringLiteral("Missing"), QString());
        QCOMPARE(list.Count(), 1);
        // A line without "=" has no name.
        list.Add(QStringLiteral("plain"));
        QCOMPARE(list.Names(1), QString());
        QCOMPARE(list.Values(QStringLiteral("plain")), QString());
    }

    void outOfRangeRaises() {
        TStringList list{QStringLiteral("a")};
        QVERIFY_THROWS_EXCEPTION(EStringListError, list.Strings(1));
        QVERIFY_THROWS_EXCEPTION(EStringListError, list.Delete(-1));
        try {
            list.Strings(5);
        } catch (const EStringListError &e) {
            QCOMPARE(e.Message(), QStringLiteral("List index out of bounds (5)"));
        }
    }

    void commaText_data() {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringList{"a", "b", "c"} << "a,b,c";
        QTest::newRow("blank quoted") << QStringList{"a b", "c"} << "\"a b\",c";
        QTest::newRow("comma quoted") << QStringList{"x,y"} << "\"x,y\"";
        QTest::newRow("quote doubled") << QStringList{"say \"hi\""} << "\"say \"\"hi\"\"\"";
        QTest::newRow("name=value")
            << QStringList{"Name=王小明", "IP=10.0.0.1"} << "Name=王小明,IP=10.0.0.1";
        QTest::newRow("single empty") << QStringList{""} << "\"\"";
        QTest::newRow("empty in the middle") << QStringList{"a", "", "b"} << "a,,b";
        QTest::newRow("none") << QStringList{} << "";
    }
    void commaText() {
        QFETCH(QStringList, items);
        QFETCH(QString, text);
        const TStringList list = TStringList::FromQStringList(items);
        QCOMPARE(list.CommaText(), text);
        TStringList back;
        back.SetCommaText(text);
        QCOMPARE(back.ToQStringList(), items);
    }

    void commaTextReading_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("unquoted blank splits") << "a b,c" << QStringList{"a", "b", "c"};
        QTest::newRow("trailing comma adds empty") << "a," << QStringList{"a", ""};
        QTest::newRow("leading blanks skipped") << "  a ,  b" << QStringList{"a", "b"};
        QTest::newRow("unterminated quote") << "\"abc" << QStringList{"abc"};
        QTest::newRow("quote then text") << "\"a\"b,c" << QStringList{"a", "b", "c"};
    }
    void commaTextReading() {
        QFETCH(QString, text);
        QFETCH(QStringList, items);
        TStringList list;
        list.SetCommaText(text);
        QCOMPARE(list.ToQStringList(), items);
    }

    void delimitedTextWithOtherDelimiter() {
        TStringList list;
        list.SetDelimiter(u';');
        list.SetDelimitedText(QStringLiteral("a;b,c;\"d;e\""));
        QCOMPARE(list.ToQStringList(), (QStringList{"a", "b,c", "d;e"}));
        QCOMPARE(list.DelimitedText(), QStringLiteral("a;b,c;\"d;e\""));
        QCOMPARE(list.CommaText(), QStringLiteral("a,\"b,c\",d;e"));
    }

    void textAndLineBreaks() {
        TStringList list;
        list.SetText(QStringLiteral("one\r\ntwo\nthree\rfour"));
        QCOMPARE(list.ToQStringList(), (QStringList{"one", "two", "three", "four"}));
        QCOMPARE(list.Text(), QStringLiteral("one\ntwo\nthree\nfour\n"));
        list.SetText(QStringLiteral("a\n\nb\n"));
        QCOMPARE(list.Count(), 3);
    }

    void objectsFollowTheirLines() {
        TStringList list;
        auto *object = new QObject;
        list.Add(QStringLiteral("first"));
        list.AddObject(QStringLiteral("second"), object);
        list.Exchange(0, 1);
        QCOMPARE(list.Objects(0), object);
        QCOMPARE(list.IndexOfObject(object), 0);
        delete object; // a freed object is not left dangling in the list
        QCOMPARE(list.Objects(0), nullptr);
    }

    void sortedListsInsertInOrder() {
        TStringList list;
        list.SetSorted(true);
        for (const char *s : {"pear", "Apple", "fig", "apple"})
            list.Add(QString::fromLatin1(s));
        QCOMPARE(list.ToQStringList(), (QStringList{"Apple", "apple", "fig", "pear"}));
        QVERIFY_THROWS_EXCEPTION(EStringListError, list.Insert(0, QStringLiteral("x")));
    }

    void filesAreBig5OrUtf8WithMark() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tree.VCL"));
        TStringList list{QStringLiteral("01,教務處"), QStringLiteral("\t0101,註冊組")};
        list.SaveToFile(path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        f.close();
        QCOMPARE(bytes, Big5Encode(QStringLiteral("01,教務處\r\n\t0101,註冊組\r\n")));
        TStringList back;
        back.LoadFromFile(path);
        QCOMPARE(back, list);

        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\xEF\xBB\xBF");
        f.write(QStringLiteral("行一\n行二").toUtf8());
        f.close();
        back.LoadFromFile(path);
        QCOMPARE(back.ToQStringList(), (QStringList{"行一", "行二"}));

        QVERIFY_THROWS_EXCEPTION(EInOutError,
                                 back.LoadFromFile(dir.filePath(QStringLiteral("missing"))));
    }

    // Packed lines read as any other, without becoming strings for a view, and become
    // strings of their own, in their places, when the list is read as strings or changed.
    void packedLinesAreLinesLikeAnyOther() {
        const QString longLine(300000, QLatin1Char('x')); // longer than a block of text
        TStringList list{QStringLiteral("first")};
        for (int i = 0; i < 20000; ++i)
            list.AddPacked(i == 7 ? QStringView(longLine) : QStringView(QString::number(i)));
        list.AddPacked(QStringView());
        QCOMPARE(list.Count(), 20002);
        QCOMPARE(list.View(0), QStringLiteral("first"));
        QCOMPARE(list.View(1), QStringLiteral("0"));
        QCOMPARE(list.View(8).size(), longLine.size());
        QCOMPARE(list.View(20000), QStringLiteral("19999"));
        QVERIFY(list.View(20001).isEmpty());
        QVERIFY_THROWS_EXCEPTION(EStringListError, list.View(20002));
        QVERIFY(list.Text().startsWith(QStringLiteral("first\n0\n1\n")));

        // A copy reads its own lines: changing either leaves the other as it was.
        TStringList copy = list;
        copy.SetStrings(2, QStringLiteral("changed"));
        QCOMPARE(list.View(2), QStringLiteral("1"));
        QCOMPARE(copy[2], QStringLiteral("changed"));
        QCOMPARE(copy.View(20000), QStringLiteral("19999"));

        // Lines added after the packed ones come after them, whichever way they are added.
        list.Add(QStringLiteral("last"));
        list.AddPacked(u"packed again");
        QCOMPARE(list.Count(), 20004);
        QCOMPARE(list[20002], QStringLiteral("last"));
        QCOMPARE(list.View(20003), QStringLiteral("packed again"));
        list.Insert(1, QStringLiteral("second"));
        QCOMPARE(list[2], QStringLiteral("0"));
        QCOMPARE(list.IndexOf(QStringLiteral("19999")), 20001);
        list.Delete(0);
        QCOMPARE(list[0], QStringLiteral("second"));
        QCOMPARE(list[8], longLine);

        // A sorted list puts a packed line in its place; a cleared one holds none.
        TStringList sorted;
        sorted.SetSorted(true);
        for (const char16_t *line : {u"b", u"c", u"a"})
            sorted.AddPacked(QStringView(line));
        QCOMPARE(sorted.ToQStringList(), (QStringList{"a", "b", "c"}));
        copy.Clear();
        QVERIFY(copy.IsEmpty());
        copy.AddPacked(u"again");
        QCOMPARE(copy.ToQStringList(), QStringList{"again"});

        // Saved lines are the lines, packed or not.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("packed.txt"));
        TStringList saved{QStringLiteral("行一")};
        saved.AddPacked(u"行二");
        saved.SaveToFile(path);
        TStringList back;
        back.LoadFromFile(path);
        QCOMPARE(back, saved);
    }

    void unwritableTextLeavesTheFileAlone() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("keep.txt"));
        TStringList good{QStringLiteral("原本")};
        good.SaveToFile(path);
        TStringList bad{QStringLiteral("emoji 😀 has no Big5 code")};
        QVERIFY_THROWS_EXCEPTION(EEncodingError, bad.SaveToFile(path));
        TStringList back;
        back.LoadFromFile(path);
        QCOMPARE(back, good);
    }
};

QTEST_GUILESS_MAIN(TstStringList)
#include "tst_stringlist.moc"
