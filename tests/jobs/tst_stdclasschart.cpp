// Students per class against a real server: the package counts the students of the roll by
// class, lists the counts and charts them as bars, one point per class; the user switches
// the chart to a pie, and closing the job closes its chart.

#include "ClientDataSet.h"
#include "JobTestSupport.h"
#include "uLumChartForm.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>

namespace {
// The chart form that is open, or nullptr.
TLumChartForm *OpenChart() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *chart = qobject_cast<TLumChartForm *>(w); chart && chart->isVisible())
            return chart;
    return nullptr;
}
} // namespace

class TstStdClassChart : public QObject {
    Q_OBJECT
    std::unique_ptr<TJobTestBench> FBench;

private Q_SLOTS:
    void initTestCase() {
        FBench =
            std::make_unique<TJobTestBench>(QStringLiteral("T001"), QStringLiteral("teach-2024"));
    }
    void cleanupTestCase() { FBench.reset(); }

    void chartsOnePointPerClass() {
        TForm *form = FBench->Run("TqStdClassChart.bpl");
        QVERIFY(form);
        form->show(); // the first show reads the students and opens the chart
        QVERIFY2(FBench->Errors.isEmpty(), qPrintable(FBench->Errors.join(u'\n')));
        QCOMPARE(form->Caption(), QStringLiteral("各班人數統計"));
        QCOMPARE(form->Tag(), 1);

        // The server's own count by class, with the classes' names from the code table.
        QMap<QString, int> expected;
        const int classes =
            FBench->Query("SELECT COUNT(DISTINCT ClassID) FROM StdOnSchool").toInt();
        QVERIFY(classes >= 3);
        // Every class code of the school, one at a time.
        QStringList ids;
        for (QVariant id; (id = FBench->Query(QStringLiteral("SELECT Code FROM CodeTable WHERE "
                                                             "Main_Code='st_CLASS' ORDER BY Code "
                                                             "LIMIT 1 OFFSET %1")
                                                  .arg(ids.size())))
                              .isValid();)
            ids << id.toString();
        int total = 0;
        for (const QString &id : ids) {
            const int n =
                FBench
                    ->Query(QStringLiteral("SELECT COUNT(*) FROM StdOnSchool WHERE ClassID='%1'")
                                .arg(id))
                    .toInt();
            if (n == 0)
                continue;
            const QString name = FBench
                                     ->Query(QStringLiteral("SELECT Descript FROM CodeTable WHERE "
                                                            "Main_Code='st_CLASS' AND Code='%1'")
                                                 .arg(id))
                                     .toString();
            expected.insert(name, n);
            total += n;
        }
        QCOMPARE(expected.size(), classes);

        TLumChartForm *chart = OpenChart();
        QVERIFY(chart);
        QVERIFY(chart->isVisible());
        QVERIFY(chart->windowState() & Qt::WindowMaximized);
        QCOMPARE(chart->Title(), QStringLiteral("各班人數統計"));
        QCOMPARE(chart->cbSeries->currentText(), QStringLiteral("直條圖"));
        TChartSeries *bars = chart->ActiveSeries();
        QCOMPARE(bars->Style(), TSeriesStyle::Bar);
        QCOMPARE(bars->Count(), classes);
        QMap<QString, int> charted;
        for (const TChartPoint &p : bars->Points())
            charted.insert(p.Label, int(p.Y));
        QCOMPARE(charted, expected);
        QCOMPARE(form->findChild<QLabel *>(QStringLiteral("lblStatus"))->text(),
                 QStringLiteral("共 %1 班，%2 人").arg(classes).arg(total));
        QCOMPARE(form->findChild<QTableView *>(QStringLiteral("grdClasses"))->model()->rowCount(),
                 classes);

        chart->cbSeries->setCurrentIndex(2);
        QCOMPARE(chart->ActiveSeries()->Style(), TSeriesStyle::Pie);
        QCOMPARE(chart->ActiveSeries()->Count(), classes);
        QVERIFY(chart->pnlPaging->isHidden());

        // A new student shows in the chart after a refresh.
        FBench->Query("INSERT INTO StdOnSchool (StudentID, Cht_Name, Sex, ClassID, SeatNo, State) "
                      "VALUES ('113099', '測試生', '1', '101', 9, '0')");
        form->findChild<QPushButton *>(QStringLiteral("btnRefresh"))->click();
        const QString first = FBench
                                  ->Query("SELECT Descript FROM CodeTable WHERE "
                                          "Main_Code='st_CLASS' AND Code='101'")
                                  .toString();
        QTRY_VERIFY(std::any_of(chart->ActiveSeries()->Points().begin(),
                                chart->ActiveSeries()->Points().end(), [&](const TChartPoint &p) {
                                    return p.Label == first && int(p.Y) == expected[first] + 1;
                                }));

        const QPointer<TLumChartForm> open(chart);
        FBench->CloseJobs();
        QTRY_VERIFY(open.isNull());
        QVERIFY(FBench->Errors.isEmpty());
    }
};

LUM_TEST_MAIN(TstStdClassChart)
#include "tst_stdclasschart.moc"
