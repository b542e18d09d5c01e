// The notices job against a real server: the server's notices, newest first with ROC dates,
// the chosen notice under the list, a notice published later after a refresh, and the chosen
// notice printed through its template into the preview window.

#include "JobTestSupport.h"
#include "PrintTestSupport.h"
#include "ServerDatabase.h"
#include "uDocuReport.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

namespace {
QString Cell(const QTableView *grid, int row, int column) {
    return grid->model()->data(grid->model()->index(row, column)).toString();
}
QString Roc(const QString &databaseDate) {
    const QDate d = TServerDatabase::TextDate(databaseDate).ToDate();
    return QStringLiteral("%1/%2/%3")
        .arg(d.year() - 1911)
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'));
}
} // namespace

class TstPublicNews : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("ADMIN"), QStringLiteral("orv7-admin"));
    }
    void cleanupTestCase() { FBench.reset(); }

    void theServersNoticesNewestFirst() {
        TForm *form = FBench->Run(QStringLiteral("LumPublicNews.bpl"));
        QVERIFY(form);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(form->Caption(), QStringLiteral("公告查詢"));
        QCOMPARE(form->Tag(), 2);
        auto *grid = form->findChild<QTableView *>(QStringLiteral("grdNews"));
        const QAbstractItemModel *model = grid->model();
        QCOMPARE(model->rowCount(), FBench->Query("SELECT COUNT(*) FROM PublicNews").toInt());
        QVERIFY(model->rowCount() >= 3);
        QCOMPARE(model->columnCount(), 3);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("公告日期"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("單位"));
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("標題"));

        const auto newest = [&](int offset, const char *column) {
            return FBench
                ->Query(QStringLiteral("SELECT %1 FROM PublicNews ORDER BY PublishDate DESC "
                                       "LIMIT 1 OFFSET %2")
                            .arg(QLatin1String(column))
                            .arg(offset))
                .toString();
        };
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(Cell(grid, row, 0), Roc(newest(row, "PublishDate")));
            QCOMPARE(Cell(grid, row, 2), newest(row, "Title"));
        }
        QCOMPARE(Cell(grid, 0, 1),
                 FBench
                     ->Query(QStringLiteral("SELECT UnitName FROM Units WHERE UnitID = '%1'")
                                 .arg(newest(0, "UnitID")))
                     .toString());

        // The newest notice is shown under the list; choosing another shows that one.
        auto *title = form->findChild<QLabel *>(QStringLiteral("lblTitle"));
        auto *content = form->findChild<QTextBrowser *>(QStringLiteral("memContent"));
        auto *info = form->findChild<QLabel *>(QStringLiteral("lblInfo"));
        QCOMPARE(title->text(), newest(0, "Title"));
        QCOMPARE(content->toPlainText(), newest(0, "Content"));
        QVERIFY(info->text().contains(newest(0, "Publisher")));
        QVERIFY(info->text().contains(Roc(newest(0, "PublishDate"))));
        grid->setCurrentIndex(model->index(2, 2));
        QCOMPARE(title->text(), newest(2, "Title"));
        QCOMPARE(content->toPlainText(), newest(2, "Content"));
    }

    void aNoticePublishedLaterAppearsOnRefresh() {
        TForm *form = FBench->Run(QStringLiteral("LumPublicNews.bpl"));
        QVERIFY(form);
        auto *grid = form->findChild<QTableView *>(QStringLiteral("grdNews"));
        const int before = grid->model()->rowCount();
        FBench->Query(QStringLiteral(
            "INSERT INTO PublicNews (NewsID, PublishDate, UnitID, Title, Content, Publisher) "
            "VALUES (99, '2099-01-02 08:00:00', 'A20', '颱風停課通知', '明日停止上課。', "
            "'吳俊傑')"));
        QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("btnRefresh")),
                          Qt::LeftButton);
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(grid->model()->rowCount(), before + 1);
        QCOMPARE(Cell(grid, 0, 0), QStringLiteral("188/01/02"));
        QCOMPARE(Cell(grid, 0, 2), QStringLiteral("颱風停課通知"));
        QCOMPARE(form->findChild<QTextBrowser *>(QStringLiteral("memContent"))->toPlainText(),
                 QStringLiteral("明日停止上課。"));
    }

    void theChosenNoticePrints() {
        TForm *form = FBench->Run(QStringLiteral("LumPublicNews.bpl"));
        QVERIFY(form);
        auto *grid = form->findChild<QTableView *>(QStringLiteral("grdNews"));
        grid->setCurrentIndex(grid->model()->index(1, 2));
        const QString title = Cell(grid, 1, 2);
        const QString content =
            form->findChild<QTextBrowser *>(QStringLiteral("memContent"))->toPlainText();
        auto *report = form->findChild<TDocuReport *>(QStringLiteral("DocuReport"));
        QVERIFY(report);
        auto *print = form->findChild<QPushButton *>(QStringLiteral("btnPrint"));
        QVERIFY(print->isEnabled());
        QTest::mouseClick(print, Qt::LeftButton);
        if (!HasOfficeSuite()) {
            // Without the suite the preview cannot be made, and the user is told so.
            QVERIFY(
                FBench->Errors.join(u' ').contains(QStringLiteral("可能沒有安裝MicrosoftWord")));
            QSKIP("the office suite (soffice) is not installed");
        }
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        // The document holds the notice at its bookmarks.
        TWordDocument *doc = report->Document();
        QVERIFY(doc);
        QCOMPARE(doc->Bookmark(QStringLiteral("Title")).Range().Text(), title);
        QCOMPARE(doc->Bookmark(QStringLiteral("Content")).Range().Text(),
                 QString(content).replace(u'\n', u'\r'));
        QVERIFY(!doc->Bookmark(QStringLiteral("PrintDate")).Range().Text().isEmpty());
        // The preview shows it, and its PDF has the text.
        TPdfPreviewForm *preview = OpenPreview();
        QVERIFY(preview);
        QVERIFY(preview->PageCount() >= 1);
        const QString text = PdfText(preview->PdfPath());
        QVERIFY2(text.contains(title), qPrintable(text));
        // From the preview the Word document is saved too, and reads back with the notice.
        QVERIFY(preview->SaveDocumentAction()->isVisible());
        QTemporaryDir saved;
        const QString docx = saved.filePath(QStringLiteral("公告.docx"));
        preview->SaveDocumentAs(docx);
        QCOMPARE(
            TWordDocument::FromTemplate(docx)->Bookmark(QStringLiteral("Title")).Range().Text(),
            title);
        // Printing again fills a fresh copy: one notice, not two.
        QTest::mouseClick(print, Qt::LeftButton);
        QCOMPARE(report->Document()->Content().Text().count(title), 1);
        preview = OpenPreview();
        QVERIFY(preview);
        preview->close();
    }
};

LUM_TEST_MAIN(TstPublicNews)
#include "tst_publicnews.moc"
