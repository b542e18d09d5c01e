// The output objects: texts into bookmarks by replace type, into form fields and at the end of
// the document when the bookmark is missing; name=value labels; dataset fields, rows and
// tables; pictures.

#include "ReportTestUtil.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

class TstWRObjects : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;
    TFakeViewer FViewer;
    int FTemplates = 0;

    void Prepare(TDocuReport &report, const TBody &body) {
        const QString name = QStringLiteral("t%1").arg(++FTemplates);
        PrepareReport(report, WriteTemplate(FDir.path(), name, body), FViewer, FDir.path());
        report.SetVisible(false);
    }
    static QStringList Paragraphs(TDocuReport &report) {
        return report.Document()->Content().Text().split(u'\r');
    }
    static void Label(TWRLabel &label, TDocuReport &report, const QString &bookmark,
                      const QString &text, TReplaceType type = rtInsertAfter) {
        label.SetDocuReport(&report);
        label.SetBookMarkName(bookmark);
        label.SetText(text);
        label.SetReplaceType(type);
    }

private Q_SLOTS:
    void textsIntoBookmarks() {
        TDocuReport report;
        Prepare(report, TBody()
                            .Mark("After", "A")
                            .Mark("Before", "B")
                            .Mark("Replace", "C")
                            .Mark("Memo", "M")
                            .Mark("Year", "")
                            .Mark("Class", ""));
        TWRLabel after, before, replace, nowhere, replaceNowhere, lost;
        Label(after, report, "After", "甲");
        Label(before, report, "Before", "乙", rtInsertBefore);
        Label(replace, report, "Replace", "丙", rtRangeReplace);
        TWRMemo memo;
        memo.SetDocuReport(&report);
        memo.SetBookMarkName("Memo");
        memo.SetReplaceType(rtRangeReplace);
        memo.Lines() = TStringList{"一", "二"};
        TWRMultiLabel labels;
        labels.SetDocuReport(&report);
        labels.SetOptions(AutoSend);
        labels.Labels() = TStringList{"Year=113", "Class=三年甲班", "Nowhere=不見"};
        // Missing bookmarks: at the end of the document, replacing nothing; or not at all.
        Label(nowhere, report, "Nowhere", "尾");
        Label(replaceNowhere, report, "Nowhere", "再", rtRangeReplace);
        Label(lost, report, "Nowhere", "不見");
        lost.SetOptions(AutoSend);
        report.SendToWord();
        QCOMPARE(Paragraphs(report), QStringList({"A甲", "乙B", "丙", "一", "二", "", "113",
                                                  "三年甲班", "end尾再", ""}));
        QCOMPARE(replace.LoadData(), QStringLiteral("丙"));
        QCOMPARE(labels.ItemIndex(), 2);
        labels.SetLabelText("Class", "");
        QVERIFY(labels.BookMarkName().isEmpty() && labels.Labels().IndexOfName("Class") < 0);
    }

    void formFieldsAndActivation() {
        TDocuReport report;
        Prepare(report, TBody()
                            .TextField("Name", "____")
                            .CheckBox("Passed")
                            .DropDown("Grade", {"甲", "乙", "丙"}));
        TWRLabel name, passed, grade;
        Label(name, report, "Name", "王小明");
        Label(passed, report, "Passed", "tRuE");
        Label(grade, report, "Grade", "乙");
        report.SendToWord();
        TWordDocument *doc = report.Document();
        QCOMPARE(doc->FormField(1).Result(), QStringLiteral("王小明"));
        QVERIFY(doc->FormField(2).CheckBoxValue());
        QCOMPARE(doc->FormField(3).Result(), QStringLiteral("乙"));
        QCOMPARE(passed.LoadData(), QStringLiteral("TRUE"));
        QCOMPARE(name.GetBookMarkType(), bmFFInputText);
        QCOMPARE(passed.GetBookMarkType(), bmFFCheckBox);
        QCOMPARE(grade.GetBookMarkType(), bmFFDropDown);

        // Activating with AutoSend sends again; any other text clears the box.
        passed.SetText("yes");
        passed.SetActive(true);
        QVERIFY(!doc->FormField(2).CheckBoxValue());
        QCOMPARE(passed.LoadData(), QStringLiteral("FALSE"));

        // Changing the bookmark or disabling releases it; a disabled object sends nothing.
        QVERIFY(name.Active());
        name.SetBookMarkName("Grade");
        QVERIFY(!name.Active());
        passed.SetEnabled(false);
        QVERIFY(!passed.Active());
        passed.SetText("TRUE");
        passed.Sending();
        QVERIFY(!doc->FormField(2).CheckBoxValue());
    }

    void datasetFieldsAndRows() {
        TDocuReport report;
        Prepare(report,
                TBody().Mark("學號", "").Mark("Photo", "[相片]").Mark("List", "").Table(1, 1));
        auto students = MakeStudents(2);
        auto nobody = MakeStudents(0);
        TDataSource source, empty;
        source.SetDataSet(students.get());
        empty.SetDataSet(nobody.get());
        students->Last();
        // Visible fields whose label is a bookmark: 學號 only (姓名 is none, Photo is hidden).
        TDBWRFields fields, none;
        fields.SetDocuReport(&report);
        fields.SetDataSource(&source);
        students->FieldByName("Photo")->OnGetText = [](TField *, QString &text, bool) {
            text = QStringLiteral("hidden");
        };
        // An empty dataset writes nothing, not even a text that needs no record.
        nobody->FieldByName("No")->OnGetText = [](TField *, QString &text, bool) {
            text = QStringLiteral("空");
        };
        none.SetDocuReport(&report);
        none.SetDataSource(&empty);
        // Without a bookmark name, the field's label.
        TDBWRLabel number;
        number.SetDocuReport(&report);
        number.SetDataSource(&source);
        number.SetDataField("No");
        TDBWRLabel list;
        list.SetDocuReport(&report);
        list.SetDataSource(&source);
        list.SetDataField("Name");
        list.SetAllRows(true);
        list.SetBookMarkName("List");
        TDBWRTableIndex table;
        table.SetDocuReport(&report);
        table.SetDataSource(&source);
        table.SetStartRow(1);
        table.SetStartCol(1);
        table.SetIncludeTitle(false);
        report.SendToWord();

        QCOMPARE(Paragraphs(report).mid(0, 5), QStringList({"22", "[相片]", "S1", "S2", ""}));
        const QStringList paragraphs = Paragraphs(report);
        QCOMPARE(paragraphs.mid(paragraphs.size() - 2), QStringList({"end", ""}));
        QVERIFY(!paragraphs.join(u'\r').contains(QStringLiteral("空")));
        QVERIFY(!(fields.Options() & IgnoreNotFind));
        QCOMPARE(TableRows(report.Document()->Table(1)), QStringList({"||", "|1|S1", "|2|S2"}));
        QCOMPARE(students->RecNo(), 2);

        QCOMPARE(number.BookMarkName(), QStringLiteral("學號"));
    }

    void pictures() {
        TDocuReport report;
        Prepare(report, TBody().Mark("Photo", "[相片]"));
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(image.save(&buffer, "PNG"));
        auto students = MakeStudents(3);
        const QByteArray photos[] = {png, "not a picture", {}};
        for (const QByteArray &photo : photos) {
            students->Edit();
            students->FieldByName("Photo")->SetAsBytes(photo);
            students->Post();
            students->Next();
        }
        students->First();
        TDataSource source;
        source.SetDataSet(students.get());
        TDBWRImage photo;
        photo.SetName("imgPhoto");
        photo.SetDocuReport(&report);
        photo.SetDataSource(&source);
        photo.SetBookMarkName("Photo");
        photo.SetDataField("Photo");
        report.SendToWord();
        QCOMPARE(report.Document()->DocumentXml().count("<w:drawing"), 1);
        QVERIFY(!Paragraphs(report).contains("[相片]"));

        students->Next();
        QCOMPARE(RaisedMessage([&] { photo.SetActive(true); }),
                 QStringLiteral("欄位[Photo]不是圖片"));
        students->Next();
        photo.SetActive(true);
        QCOMPARE(report.Document()->DocumentXml().count("<w:drawing"), 1);
        photo.SetDataField("Missing");
        QCOMPARE(RaisedMessage([&] { photo.SetActive(true); }),
                 QStringLiteral("元件[imgPhoto],的[DataField]屬性設定錯誤"));
    }
};

QTEST_MAIN(TstWRObjects)
#include "tst_wrobjects.moc"
