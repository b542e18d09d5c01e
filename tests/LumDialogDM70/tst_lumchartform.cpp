// The chart form driven as a user drives it: its defaults and foot, charting a dataset with
// paging through the spin edit and the page actions, the pie without paging, zooming and
// scrolling, the option controls on every series including added ones, the legend texts, the
// 3D view as drawn pixels, printing and saving inside the page margins, bad fields, and a
// dataset that changes under the chart.

#include "ClientDataSet.h"
#include "DateTime.h"
#include "Exceptions.h"
#include "TestMain.h"
#include "uLumChartForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

namespace {

struct TRow {
    const char *Name;
    int Count;
};

const TRow kClasses[] = {
    {"一年一班", 12}, {"一年二班", 8}, {"二年一班", 15}, {"二年二班", 5}, {"三年一班", 10}};

std::unique_ptr<TClientDataSet> ClassCounts(int rows = 5) {
    auto ds = std::make_unique<TClientDataSet>();
    ds->FieldDefs().Add("Name", ftString, 20);
    ds->FieldDefs().Add("Count", ftInteger);
    ds->FieldDefs().Add("X", ftFloat);
    ds->FieldDefs().Add("Note", ftString, 20);
    ds->CreateDataSet();
    for (int i = 0; i < rows; ++i) {
        ds->Append();
        ds->FieldByName("Name")->SetAsString(QString::fromUtf8(kClasses[i % 5].Name));
        ds->FieldByName("Count")->SetAsInteger(kClasses[i % 5].Count);
        ds->FieldByName("X")->SetValue(Variant(2.5 * (i + 1)));
        ds->FieldByName("Note")->SetAsString(i == 3 ? QStringLiteral("abc") : QString::number(i));
        ds->Post();
    }
    ds->First();
    return ds;
}

QList<double> Ys(const TChartSeries *s) {
    QList<double> ys;
    for (const TChartPoint &p : s->Points())
        ys << p.Y;
    return ys;
}

QList<double> Xs(const TChartSeries *s) {
    QList<double> xs;
    for (const TChartPoint &p : s->Points())
        xs << p.X;
    return xs;
}

void TypeInto(QSpinBox *edit, const QString &text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// The chart as drawn, once the drawing items of replaced series and axes are gone.
QImage Shot(TLumChartForm &form) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return form.DBChart1->grab().toImage();
}

// The box around everything that is not (nearly) white.
QRect InkBox(const QImage &image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 235)
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

QImage PdfPage(const QString &pdf, const QString &folder) {
    const QString base = folder + QStringLiteral("/page");
    QProcess::execute(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("40"),
                       QStringLiteral("-singlefile"), pdf, base});
    return QImage(base + QStringLiteral(".png"));
}

// The chart lies inside margins of a twelfth of the page and fills a good part of it.
void VerifyInsideMargins(const QImage &page) {
    QVERIFY(!page.isNull());
    QVERIFY2(page.width() > page.height(), "landscape page");
    const QRect ink = InkBox(page);
    const int mx = page.width() / 12, my = page.height() / 12;
    QVERIFY2(
        ink.left() >= mx - 1 && ink.right() <= page.width() - mx + 1,
        qPrintable(
            QStringLiteral("ink %1..%2 of %3").arg(ink.left()).arg(ink.right()).arg(page.width())));
    QVERIFY(ink.top() >= my - 1 && ink.bottom() <= page.height() - my + 1);
    QVERIFY(ink.width() > (page.width() - 2 * mx) * 0.8 ||
            ink.height() > (page.height() - 2 * my) * 0.8);
}

// Answers the next save dialog with the file name.
void SaveAs(const QString &file) {
    QTimer::singleShot(0, [file] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->selectFile(file);
        static_cast<QDialog *>(dialog)->accept(); // the dialog's own check of the name
    });
}

} // namespace

class TstLumChartForm : public QObject {
    Q_OBJECT
    QStringList FErrors;

private Q_SLOTS:
    void init() {
        FErrors.clear();
        Application()->OnException = [this](const QString &m) { FErrors << m; };
    }
    void cleanup() { Application()->OnException = nullptr; }

    void aNewFormAndItsFoot() {
        TLumChartForm form;
        QCOMPARE(form.cbSeries->count(), 4);
        QCOMPARE(form.cbSeries->itemText(2), QStringLiteral("圓餅圖"));
        QCOMPARE(form.ActiveSeries(), form.Series1);
        QCOMPARE(form.ActiveSeries()->Style(), TSeriesStyle::Line);
        QCOMPARE(form.DBChart1->SeriesCount(), 1);
        QCOMPARE(form.Title(), QStringLiteral("標頭"));
        QCOMPARE(form.BottomTitle(), QStringLiteral("底部標頭"));
        QVERIFY(form.cb3D->isChecked());
        QCOMPARE(form.DBChart1->Chart3DPercent(), 10);
        QCOMPARE(form.cbLegendStyle->currentText(), QStringLiteral("圖樣數值"));
        QCOMPARE(form.DBChart1->LegendStyle(), TLegendStyle::lsValues);
        QVERIFY(form.cbLegendText->isVisibleTo(&form));
        QCOMPARE(form.cbMarks->currentText(), QStringLiteral("數值"));
        QVERIFY(form.Series1->MarksVisible());
        QCOMPARE(form.Series1->MarksStyle(), TSeriesMarksStyle::smsValue);
        QVERIFY(form.Series1->ColorEachPoint());

        QVERIFY(form.DBChart1->FootText().isEmpty());
        form.show();
        QCOMPARE(form.DBChart1->FootText().size(), 1);
        const QString foot = form.DBChart1->FootText().first();
        QVERIFY2(foot.startsWith(QStringLiteral("製表日期:") + DateToStr(Date())),
                 qPrintable(foot));

        form.SetTitle(QStringLiteral("各班人數"));
        QCOMPARE(form.windowTitle(), QStringLiteral("各班人數"));
        form.Titles(QStringLiteral("甲"), QStringLiteral("人數"), QStringLiteral("班級"));
        QCOMPARE(form.DBChart1->Title(), QStringLiteral("甲"));
        QCOMPARE(form.DBChart1->LeftAxisTitle(), QStringLiteral("人數"));
        QCOMPARE(form.DBChart1->BottomAxisTitle(), QStringLiteral("班級"));
    }

    void pagesThroughTheSpinEditAndActions() {
        auto ds = ClassCounts();
        TLumChartForm form;
        QCOMPARE(form.sePointsOfPage->value(), 10);
        form.Execute(TSeriesStyle::Bar, QStringLiteral("人數"), ds.get(), "Name", "Count");
        QCOMPARE(form.ActiveSeries(), form.Series2);
        QCOMPARE(form.cbSeries->currentIndex(), 1);
        QCOMPARE(form.ActiveSeries()->Title(), QStringLiteral("人數"));
        QCOMPARE(Ys(form.ActiveSeries()), (QList<double>{12, 8, 15, 5, 10}));
        QCOMPARE(form.ActiveSeries()->Points()[2].Label, QStringLiteral("二年一班"));
        // More points a page than points: all on one page.
        QCOMPARE(form.PointsPerPage(), 0);
        QCOMPARE(form.sePointsOfPage->maximum(), 4);
        QCOMPARE(form.lbNumOfPages->text(), QStringLiteral("1/1"));
        for (TAction *a :
             {form.ActFirstPage, form.ActPriorPage, form.ActNextPage, form.ActLastPage})
            QVERIFY(!a->isEnabled());

        TypeInto(form.sePointsOfPage, QStringLiteral("2"));
        QCOMPARE(form.PointsPerPage(), 2);
        QCOMPARE(form.lbNumOfPages->text(), QStringLiteral("1/3"));
        QVERIFY(!form.ActFirstPage->isEnabled() && !form.ActPriorPage->isEnabled());
        QVERIFY(form.ActNextPage->isEnabled() && form.ActLastPage->isEnabled());
        form.ActNextPage->trigger();
        QCOMPARE(form.lbNumOfPages->text(), QStringLiteral("2/3"));
        for (TAction *a :
             {form.ActFirstPage, form.ActPriorPage, form.ActNextPage, form.ActLastPage})
            QVERIFY(a->isEnabled());
        // The second page shows the third and fourth classes.
        QCOMPARE(form.DBChart1->BottomData().Min, 1.5);
        QCOMPARE(form.DBChart1->BottomData().Max, 3.5);
        form.ActLastPage->trigger();
        QCOMPARE(form.lbNumOfPages->text(), QStringLiteral("3/3"));
        QVERIFY(!form.ActNextPage->isEnabled() && !form.ActLastPage->isEnabled());
        // The last page, one point, keeps the width of a full page.
        QCOMPARE(form.DBChart1->BottomData().Width(), 2.0);
        form.ActPriorPage->trigger();
        QCOMPARE(form.lbNumOfPages->text(), QStringLiteral("2/3"));
        form.ActFirstPage->trigger();
        QCOMPARE(form.lbNumOfPages->text(), QStringLiteral("1/3"));

        form.SetPointsPerPage(-1);
        QCOMPARE(form.PointsPerPage(), 2);
        form.SetPointsPerPage(99);
        QCOMPARE(form.PointsPerPage(), 4);
        QCOMPARE(form.lbNumOfPages->text(), QStringLiteral("1/2"));
    }

    void valueFieldsAndBadFields() {
        auto ds = ClassCounts();
        TLumChartForm form;
        // A numeric second value field places line points along the bottom axis.
        form.Execute(TSeriesStyle::Line, QString(), ds.get(), "Name", "Count", "X");
        QVERIFY(!form.ActiveSeries()->XByIndex());
        QCOMPARE(Xs(form.ActiveSeries()), (QList<double>{2.5, 5, 7.5, 10, 12.5}));
        QCOMPARE(form.DBChart1->BottomData().Min < 2.5, true);
        // A text one does not: the points stand at their index.
        form.Execute(TSeriesStyle::Line, QString(), ds.get(), "Name", "Count", "Name");
        QVERIFY(form.ActiveSeries()->XByIndex());
        QCOMPARE(Xs(form.ActiveSeries()), (QList<double>{0, 1, 2, 3, 4}));

        const QList<double> before = Ys(form.ActiveSeries());
        auto refused = [&](TDataSet *data, const char *value, const QString &text) {
            try {
                form.Execute(TSeriesStyle::Bar, QString(), data, "Name", value);
                QFAIL("accepted");
            } catch (const Exception &e) {
                QVERIFY2(e.Message().contains(text), qPrintable(e.Message()));
            }
        };
        refused(ds.get(), "Nope", QStringLiteral("「Nope」不存在"));
        refused(nullptr, "Count", QStringLiteral("資料集"));
        refused(ds.get(), "", QStringLiteral("數值欄位"));
        refused(ds.get(), "Note", QStringLiteral("第 4 筆的值「abc」不是數值"));
        QCOMPARE(Ys(form.ActiveSeries()), before);
        QCOMPARE(form.ActiveSeries()->YValuesSource(), QStringLiteral("Count"));
    }

    void aPieHasNoPagingAndBarsBringItBack() {
        auto ds = ClassCounts();
        TLumChartForm form;
        form.show();
        form.Execute(TSeriesStyle::Bar, QStringLiteral("人數"), ds.get(), "Name", "Count");
        form.cbSeries->setCurrentIndex(2);
        QCOMPARE(form.ActiveSeries(), form.Series3);
        QCOMPARE(form.DBChart1->SeriesCount(), 1);
        QCOMPARE(Ys(form.Series3), (QList<double>{12, 8, 15, 5, 10}));
        QCOMPARE(form.Series3->Title(), QStringLiteral("人數"));
        QVERIFY(form.pnlPaging->isHidden());
        QVERIFY(form.sbVertical->isHidden());
        for (TAction *a : {form.ActNextPage, form.ActZoomIn, form.ActZoomOut, form.ActUndoZoom})
            QVERIFY(!a->isEnabled());
        form.cbSeries->setCurrentIndex(1);
        QCOMPARE(form.ActiveSeries(), form.Series2);
        QVERIFY(!form.pnlPaging->isHidden());
        QVERIFY(!form.sbVertical->isHidden());
        QVERIFY(form.ActZoomIn->isEnabled());
        QCOMPARE(Ys(form.Series2), (QList<double>{12, 8, 15, 5, 10}));
        QCOMPARE(form.Series2->Points()[0].Label, QStringLiteral("一年一班"));
    }

    void zoomScrollAndUndo() {
        auto ds = ClassCounts();
        TLumChartForm form;
        form.show();
        form.Execute(TSeriesStyle::Bar, QString(), ds.get(), "Name", "Count");
        const TAxisRange bottom = form.DBChart1->BottomData();
        const TAxisRange left = form.DBChart1->LeftData();
        QVERIFY(!form.sbHorizontal->isEnabled() && !form.sbVertical->isEnabled());
        form.ActZoomIn->trigger();
        form.ActZoomIn->trigger();
        QVERIFY(form.sbHorizontal->isEnabled() && form.sbVertical->isEnabled());
        QCOMPARE(form.DBChart1->BottomAxis().Width(), bottom.Width() / 1.44);
        QCOMPARE(form.DBChart1->LeftAxis().Width(), left.Width() / 1.44);
        // The bars show where the view starts within the data.
        const int at =
            qRound((form.DBChart1->BottomAxis().Min - bottom.Min) * 100 / bottom.Width());
        QCOMPARE(at, 15);
        QCOMPARE(form.sbHorizontal->value(), at);
        QCOMPARE(form.sbVertical->value(), 15);

        const double width = form.DBChart1->BottomAxis().Width();
        form.sbHorizontal->setValue(40);
        QCOMPARE(form.DBChart1->BottomAxis().Min, bottom.Min + 40 * bottom.Width() / 100);
        QCOMPARE(form.DBChart1->BottomAxis().Width(), width);
        form.sbVertical->setValue(5);
        QCOMPARE(form.DBChart1->LeftAxis().Min, left.Min + 5 * left.Width() / 100);

        form.ActUndoZoom->trigger();
        QCOMPARE(form.DBChart1->BottomAxis().Min, bottom.Min);
        QCOMPARE(form.DBChart1->BottomAxis().Max, bottom.Max);
        QCOMPARE(form.DBChart1->LeftAxis().Max, left.Max);
        QCOMPARE(form.sbHorizontal->value(), 0);
        QCOMPARE(form.sbVertical->value(), 0);
        QVERIFY(!form.sbHorizontal->isEnabled() && !form.sbVertical->isEnabled());

        form.ActZoomOut->trigger();
        QCOMPARE(form.DBChart1->BottomAxis().Width(), bottom.Width() / 0.8);
        // A new page is seen whole again.
        form.SetPointsPerPage(2);
        form.ActZoomIn->trigger();
        form.ActNextPage->trigger();
        QVERIFY(!form.DBChart1->Zoomed());
        QVERIFY(!form.sbHorizontal->isEnabled());
    }

    void optionsReachEverySeriesAddedOrNot() {
        auto boys = ClassCounts();
        auto girls = ClassCounts(3);
        TLumChartForm form;
        TChartSeries *a =
            form.ExecuteNew(TSeriesStyle::Bar, QStringLiteral("男"), boys.get(), "Name", "Count");
        TChartSeries *b = form.ExecuteNew(static_cast<TSeriesStyle>(7), QStringLiteral("女"),
                                          girls.get(), "Name", "Count");
        QCOMPARE(b->Style(), TSeriesStyle::Line);
        // The never-bound line series of the form leaves the chart to the added ones.
        QCOMPARE(form.DBChart1->SeriesList(), (QList<TChartSeries *>{a, b}));
        QVERIFY(form.gbSeries->isHidden());
        QCOMPARE(form.cbLegendStyle->currentIndex(), 1);
        QVERIFY(!form.cbColorForEach->isChecked());
        QVERIFY(!a->ColorEachPoint() && !b->ColorEachPoint());
        QVERIFY(a->SeriesColor() != b->SeriesColor());
        const auto legend = form.DBChart1->LegendItems();
        QCOMPARE(legend.size(), 2);
        QCOMPARE(legend[0].second, QStringLiteral("男"));
        QCOMPARE(legend[1].first, b->SeriesColor());
        QVERIFY(!form.cbLegendText->isVisibleTo(&form));

        form.cbMarks->setCurrentIndex(4);
        for (TChartSeries *s : {a, b}) {
            QVERIFY(s->MarksVisible());
            QCOMPARE(s->MarksStyle(), TSeriesMarksStyle::smsLabelPercent);
        }
        QCOMPARE(a->MarkText(0), QStringLiteral("一年一班 24%"));
        QCOMPARE(b->MarkText(2), QStringLiteral("二年一班 42.86%"));
        form.cbMarks->setCurrentIndex(5);
        QCOMPARE(b->MarkText(1), QStringLiteral("一年二班 8"));
        form.cbMarks->setCurrentIndex(0);
        QVERIFY(!a->MarksVisible() && !b->MarksVisible());
        form.cbTransparent->click();
        form.cbClipped->click();
        form.cbDark3D->click();
        for (TChartSeries *s : {a, b, form.Series1}) {
            QVERIFY(s->MarksTransparent());
            QVERIFY(!s->MarksClipped());
            QVERIFY(!s->Dark3D());
        }
        form.cbColorForEach->click();
        QVERIFY(a->ColorEachPoint() && b->ColorEachPoint());
        QVERIFY(a->PointColor(0) != a->PointColor(1));
        // Switching it off again colours every series anew, each component within 0..254.
        form.cbColorForEach->click();
        for (TChartSeries *s : {a, b}) {
            QVERIFY(!s->ColorEachPoint());
            QVERIFY(s->SeriesColor().red() < 255 && s->SeriesColor().green() < 255 &&
                    s->SeriesColor().blue() < 255);
        }
    }

    void legendStylesAndTexts() {
        auto ds = ClassCounts();
        TLumChartForm form;
        form.Execute(TSeriesStyle::Pie, QStringLiteral("人數"), ds.get(), "Name", "Count");
        auto texts = [&] {
            QStringList list;
            for (const auto &item : form.DBChart1->LegendItems())
                list << item.second;
            return list;
        };
        QCOMPARE(texts().size(), 5);
        QCOMPARE(texts().first(), QStringLiteral("12 一年一班"));
        form.cbLegendText->setCurrentIndex(1);
        QCOMPARE(texts()[2], QStringLiteral("30% 二年一班"));
        form.cbLegendText->setCurrentIndex(2);
        QCOMPARE(texts()[3], QStringLiteral("3 二年二班"));
        // Each point its own colour in the legend too.
        QVERIFY(form.DBChart1->LegendItems()[0].first != form.DBChart1->LegendItems()[1].first);
        form.cbLegendStyle->setCurrentIndex(1);
        QCOMPARE(texts(), QStringList{QStringLiteral("人數")});
        QVERIFY(!form.cbLegendText->isVisibleTo(&form));
        form.cbLegendStyle->setCurrentIndex(0);
        QVERIFY(texts().isEmpty());
        QVERIFY(!form.DBChart1->LegendVisible());
        QVERIFY(!form.cbLegendText->isVisibleTo(&form));
        form.cbLegendStyle->setCurrentIndex(2);
        QVERIFY(form.cbLegendText->isVisibleTo(&form));
        QCOMPARE(form.DBChart1->LegendTextStyle(), TLegendTextStyle::ltsXValue);
    }

    void threeDChangesTheDrawing_data() {
        QTest::addColumn<int>("style");
        QTest::newRow("bar") << 1;
        QTest::newRow("pie") << 2;
        QTest::newRow("line") << 0;
        QTest::newRow("point") << 3;
    }
    void threeDChangesTheDrawing() {
        QFETCH(int, style);
        auto ds = ClassCounts();
        TLumChartForm form;
        form.setWindowState(Qt::WindowNoState);
        form.resize(1000, 700);
        form.show();
        form.Execute(TSeriesStyle::Bar, QStringLiteral("人數"), ds.get(), "Name", "Count");
        form.cbSeries->setCurrentIndex(style);
        form.cbMarks->setCurrentIndex(0);
        const QImage deep10 = Shot(form);
        form.cb3D->click();
        QVERIFY(!form.sb3DPercent->isEnabled() && !form.sbRotation->isEnabled() &&
                !form.cbDark3D->isEnabled());
        QVERIFY(form.DBChart1->DepthOffset().isNull());
        const QImage flat = Shot(form);
        QVERIFY(flat != deep10);
        form.cb3D->click();
        QVERIFY(form.sb3DPercent->isEnabled() && form.sbRotation->isEnabled());
        QCOMPARE(Shot(form), deep10);
        form.sb3DPercent->setValue(40);
        const QImage deep40 = Shot(form);
        QVERIFY(deep40 != deep10);
        form.sbRotation->setValue(70);
        QVERIFY(!form.DBChart1->Orthogonal());
        if (style == 2)
            QCOMPARE(form.DBChart1->Elevation(), 70);
        else
            QCOMPARE(form.DBChart1->Rotation(), 70);
        const QImage turned = Shot(form);
        QVERIFY(turned != deep40);
        form.cbDark3D->click();
        QVERIFY(Shot(form) != turned);
    }

    void printsAndSavesInsideTheMargins() {
        QTemporaryDir dir;
        auto ds = ClassCounts();
        TLumChartForm form;
        form.setWindowState(Qt::WindowNoState);
        form.resize(1000, 700);
        form.show();
        form.Execute(TSeriesStyle::Bar, QStringLiteral("各班人數"), ds.get(), "Name", "Count");
        form.SetTitle(QStringLiteral("各班人數統計"));

        // Print setup works on the printer that printing uses.
        bool setupShown = false;
        QTimer::singleShot(0, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            auto *dialog = qobject_cast<QPageSetupDialog *>(modal);
            setupShown = dialog && dialog->printer() == form.Printer();
            if (modal)
                modal->close();
        });
        form.btnPrintSetup->click();
        QVERIFY(setupShown);

        const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
        form.Printer()->setOutputFileName(printed);
        form.btnPrint->click();
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
        QVERIFY(QFileInfo(printed).size() > 1000);
        VerifyInsideMargins(PdfPage(printed, dir.path()));
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        const QString pdf = dir.filePath(QStringLiteral("saved.pdf"));
        SaveAs(pdf);
        form.btnSavePdf->click();
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join(u'\n')));
        VerifyInsideMargins(PdfPage(pdf, dir.path()));

        const QString png = dir.filePath(QStringLiteral("saved.png"));
        SaveAs(png);
        form.ActSavePng->trigger();
        const QImage picture(png);
        QCOMPARE(picture.size(), form.DBChart1->size());
        QVERIFY(InkBox(picture).width() > picture.width() / 2);

        SaveAs(QStringLiteral("/nonexistent-folder/chart.png"));
        form.ActSavePng->trigger();
        QCOMPARE(FErrors.size(), 1);
        QVERIFY2(FErrors.first().contains(QStringLiteral("無法寫入檔案")),
                 qPrintable(FErrors.first()));
    }

    void followsItsDataset() {
        auto ds = ClassCounts();
        TLumChartForm form;
        form.Execute(TSeriesStyle::Bar, QString(), ds.get(), "Name", "Count");
        ds->Append();
        ds->FieldByName("Name")->SetAsString(QStringLiteral("三年二班"));
        ds->FieldByName("Count")->SetAsInteger(7);
        ds->Post();
        QTRY_COMPARE(form.ActiveSeries()->Count(), 6);
        QCOMPARE(form.ActiveSeries()->Points()[5].Label, QStringLiteral("三年二班"));
        ds->Close();
        QTRY_COMPARE(form.ActiveSeries()->Count(), 0);
        QVERIFY(FErrors.isEmpty());
    }
};

LUM_TEST_MAIN(TstLumChartForm)
#include "tst_lumchartform.moc"
