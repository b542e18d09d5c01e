// The banded report engine against the floor of its work, in the same run: a batch of 1,000
// absence letters (one page per student: an envelope block of five texts, the student line, a
// child detail of 20 absence rows under their column heads, a subtotal with sums, the remarks,
// the page number "第 n 頁 / 共 m 頁"), laid out from client datasets joined by a master–detail
// link and written to PDF, against QPdfWriter drawing the same strings at the same positions
// (and the same lines) without any layout.
//
//   Report   TQuickRep::ExportToPdf: the layout over the datasets, then painting the pages
//   Floor    the texts and lines of those pages, taken from the report beforehand, drawn with
//            QPainter on a QPdfWriter
//   Memory   the report's peak memory above the process's size before it ran, for 250 and for
//            1,000 letters: it must not grow with the pages
//
// After the runs a table prints the pair, the ratio of their CPU times and the memory figures.

#include "BenchMemory.h"
#include "BenchRatio.h"
#include "ClientDataSet.h"
#include "DataSource.h"
#include "QuickReport.h"

#include <QDate>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>

namespace {

constexpr int kLetters = 1000;
constexpr int kRows = 20;

QTemporaryDir &Folder() {
    static QTemporaryDir folder;
    return folder;
}

struct TLetters {
    TClientDataSet Students;
    TClientDataSet Absences;
    TDataSource StudentSource;
    TQuickRep Report;

    explicit TLetters(int letters) {
        Students.SetName(QStringLiteral("Students"));
        Students.FieldDefs().Add(QStringLiteral("StudentID"), ftString, 10);
        Students.FieldDefs().Add(QStringLiteral("Cht_Name"), ftString, 12);
        Students.FieldDefs().Add(QStringLiteral("Genearch"), ftString, 12);
        Students.FieldDefs().Add(QStringLiteral("ZipCode"), ftString, 5);
        Students.FieldDefs().Add(QStringLiteral("Address"), ftString, 80);
        Students.FieldDefs().Add(QStringLiteral("AClassName"), ftString, 10);
        Students.FieldDefs().Add(QStringLiteral("SeatNo"), ftInteger);
        Students.CreateDataSet();
        for (int s = 0; s < letters; ++s) {
            Students.Append();
            Students.Fields()[0]->SetAsString(
                QStringLiteral("S%1").arg(s, 6, 10, QLatin1Char('0')));
            Students.Fields()[1]->SetAsString(QStringLiteral("學生%1").arg(s));
            Students.Fields()[2]->SetAsString(QStringLiteral("家長%1").arg(s));
            Students.Fields()[3]->SetAsString(QStringLiteral("%1").arg(100 + s % 20));
            Students.Fields()[4]->SetAsString(
                QStringLiteral("臺北市中正區重慶南路一段%1巷%2號").arg(s % 50).arg(s));
            Students.Fields()[5]->SetAsString(QStringLiteral("%1").arg(101 + s / 35));
            Students.Fields()[6]->SetAsInteger(s % 35 + 1);
            Students.Post();
        }
        Students.MergeChangeLog();
        Students.First();

        Absences.SetName(QStringLiteral("Absences"));
        Absences.FieldDefs().Add(QStringLiteral("StudentID"), ftString, 10);
        Absences.FieldDefs().Add(QStringLiteral("AbsenceDate"), ftDate);
        Absences.FieldDefs().Add(QStringLiteral("CourseName"), ftString, 20);
        Absences.FieldDefs().Add(QStringLiteral("SecAbsence"), ftInteger);
        Absences.FieldDefs().Add(QStringLiteral("SecLate"), ftInteger);
        Absences.FieldDefs().Add(QStringLiteral("SecVAC"), ftInteger);
        Absences.FieldDefs().Add(QStringLiteral("VAC_ID"), ftString, 2);
        Absences.CreateDataSet();
        const QStringList courses{QStringLiteral("國文"), QStringLiteral("英文"),
                                  QStringLiteral("數學"), QStringLiteral("歷史"),
                                  QStringLiteral("地理"), QStringLiteral("物理")};
        const QDate start(2024, 3, 1);
        for (int s = 0; s < letters; ++s)
            for (int r = 0; r < kRows; ++r) {
                Absences.Append();
                Absences.Fields()[0]->SetAsString(
                    QStringLiteral("S%1").arg(s, 6, 10, QLatin1Char('0')));
                Absences.Fields()[1]->SetAsDateTime(TDateTime::FromDate(start.addDays(r)));
                Absences.Fields()[2]->SetAsString(courses[(s + r) % courses.size()]);
                Absences.Fields()[3]->SetAsInteger((s + r) % 4);
                Absences.Fields()[4]->SetAsInteger(r % 2);
                Absences.Fields()[5]->SetAsInteger(r % 3 == 0 ? 1 : 0);
                Absences.Fields()[6]->SetAsString(r % 3 == 0 ? QStringLiteral("A")
                                                             : QStringLiteral("*"));
                Absences.Post();
            }
        Absences.MergeChangeLog();
        Absences.SetIndexFieldNames(QStringLiteral("StudentID;AbsenceDate"));
        StudentSource.SetDataSet(&Students);
        Absences.SetMasterSource(&StudentSource);
        Absences.SetMasterFields(QStringLiteral("StudentID"));
        Absences.FieldByName(QStringLiteral("VAC_ID"))->OnGetText = [](TField *f, QString &text,
                                                                       bool) {
            const QString code = f->AsString();
            text = code == QLatin1String("*") ? QString() : QStringLiteral("事假");
        };
        Build();
    }

    void Build() {
        TQuickRep &r = Report;
        r.SetReportTitle(QStringLiteral("學生缺曠課通知單"));
        r.SetDataSet(&Students);
        // The envelope: sender, mail ID, receiver, post code, address in the window.
        auto *envelope = new TQRGroup(&r, QStringLiteral("StudentID"), 62);
        envelope->SetForceNewPage(true);
        TQRMemo *sender = envelope->AddMemo(0, 0, 90, 12);
        sender->Lines().Add(QStringLiteral("臺北市立示範高級中學 學生事務處"));
        sender->Lines().Add(QStringLiteral("100 臺北市中正區示範路一號"));
        envelope->AddLabel(120, 0, 70, 6, QStringLiteral("限時專送 第 1234 號"));
        envelope->AddDBText(30, 34, 40, 6, &Students, QStringLiteral("ZipCode"));
        envelope->AddDBText(30, 42, 140, 6, &Students, QStringLiteral("Address"));
        TQRDBText *receiver =
            envelope->AddDBText(40, 50, 100, 8, &Students, QStringLiteral("Genearch"));
        receiver->SetFontSize(14);
        receiver->OnPrint = [](TQRCustomLabel *, QString &text) {
            text += QStringLiteral(" 君 收");
        };
        // The student line and the period.
        auto *line = new TQRBand(&r, rbDetail, 14);
        TQRMemo *info = line->AddMemo(0, 0, 190, 6);
        line->AddLabel(0, 7, 190, 6,
                       QStringLiteral("於 2024/03/01 至 2024/03/31 期間缺課節數記錄如下："));
        line->BeforePrint = [this, info](TQRBand *, bool &) {
            info->Lines().Clear();
            info->Lines().Add(
                QStringLiteral("查貴子弟學號:%1 - %2,%3班座號:%4")
                    .arg(Students.Fields()[0]->AsString(), Students.Fields()[1]->AsString(),
                         Students.Fields()[5]->AsString(), Students.Fields()[6]->AsString()));
        };
        // The rows with their heads and subtotal.
        auto *rows = new TQRSubDetail(&r, &Absences, 7);
        const double columns[] = {0, 35, 75, 100, 125, 150};
        const char *fields[] = {"AbsenceDate", "CourseName", "SecAbsence",
                                "SecLate",     "SecVAC",     "VAC_ID"};
        const char *heads[] = {"日期", "科目", "缺課", "遲到", "請假節數", "假別"};
        TQRBand *head = rows->AddHeaderBand(8);
        for (int c = 0; c < 6; ++c) {
            head->AddLabel(columns[c], 1, 25, 6, QString::fromUtf8(heads[c]));
            rows->AddDBText(columns[c], 0, 25, 6, &Absences, QString::fromUtf8(fields[c]));
        }
        head->Frame().Bottom = true;
        TQRBand *subtotal = rows->AddFooterBand(8);
        subtotal->Frame().Top = true;
        subtotal->AddLabel(35, 1, 30, 6, QStringLiteral("小計"));
        subtotal->AddExpr(75, 1, 20, 6, qaSum, QStringLiteral("SecAbsence"));
        subtotal->AddExpr(100, 1, 20, 6, qaSum, QStringLiteral("SecLate"));
        subtotal->AddExpr(125, 1, 20, 6, qaSum, QStringLiteral("SecVAC"));
        TQRExpr *truancy = subtotal->AddExpr(150, 1, 40, 6, qaSum);
        TField *absence = Absences.FieldByName(QStringLiteral("SecAbsence"));
        TField *vac = Absences.FieldByName(QStringLiteral("SecVAC"));
        truancy->ValueFunction = [absence, vac] { return absence->AsFloat() - vac->AsFloat(); };
        truancy->SetDisplayFormat(QStringLiteral("曠課:0"));
        // The remarks.
        TQRBand *remarks = envelope->AddFooterBand(26);
        TQRMemo *foot = remarks->AddMemo(0, 2, 190, 24);
        foot->Lines().Add(QStringLiteral("備註說明:"));
        foot->Lines().Add(QStringLiteral("1.依據教育部學生德育成績考查辦法,曠課達45小時予以退學."));
        foot->Lines().Add(QStringLiteral("2.請家長注意貴子弟之學習"));
        foot->Lines().Add(QStringLiteral("3.請家長簽名："));
        auto *pageFooter = new TQRBand(&r, rbPageFooter, 8);
        pageFooter->AddSysData(120, 1, 70, 6, qrsPageNumber, QStringLiteral("第 %d 頁 / 共 %d 頁"))
            ->SetAlignment(taRightJustify);
    }
};

// The floor's input: every page's texts and lines, at device positions of a 1,200 dpi writer.
struct TFloorPage {
    struct TText {
        int Font;
        QPointF At;
        QString Text;
    };
    struct TLine {
        QPointF From, To;
        double Width;
    };
    std::vector<TText> Texts;
    std::vector<TLine> Lines;
};

struct TFloor {
    std::vector<QFont> Fonts;
    std::vector<TFloorPage> Pages;
    QPageLayout Layout;
};

TFloor &Floor() {
    static TFloor floor;
    return floor;
}

void TakeFloor(const TQRPreparedReport &pages) {
    TFloor &floor = Floor();
    floor.Fonts = pages.Fonts();
    floor.Layout = pages.PageLayout();
    floor.Pages.clear();
    const double scale = 1200 / 25.4;
    for (int p = 0; p < pages.PageCount(); ++p) {
        TFloorPage page;
        for (const TQRDrawItem &item : pages.PageItems(p)) {
            if (item.Kind == TQRDrawItem::TextItem)
                page.Texts.push_back({item.Font, item.Position * scale, item.Text});
            else if (item.Kind == TQRDrawItem::PageDataItem)
                page.Texts.push_back({item.Font,
                                      QPointF(item.Rect.left(), item.Rect.top() + 4) * scale,
                                      TQRPreparedReport::PageDataText(item.Data, item.Text, p + 1,
                                                                      pages.PageCount())});
            else if (item.Kind == TQRDrawItem::LineItem)
                page.Lines.push_back(
                    {item.Position * scale, item.End * scale, item.PenWidth * scale});
        }
        floor.Pages.push_back(std::move(page));
    }
}

std::unique_ptr<TLetters> &Letters() {
    static std::unique_ptr<TLetters> letters;
    if (!letters) {
        letters = std::make_unique<TLetters>(kLetters);
        TakeFloor(*letters->Report.Prepare());
    }
    return letters;
}

void Report(benchmark::State &state) {
    TLetters &letters = *Letters();
    const QString out = Folder().filePath(QStringLiteral("letters.pdf"));
    for (auto _ : state)
        letters.Report.ExportToPdf(out);
    state.counters["pages"] = letters.Report.PageCount();
    state.counters["pdf_MB"] = QFile(out).size() / 1e6;
}

// The two halves of Report apart: laying the pages out, painting them.
void Layout(benchmark::State &state) {
    TLetters &letters = *Letters();
    for (auto _ : state)
        letters.Report.Prepare();
}

void Paint(benchmark::State &state) {
    TLetters &letters = *Letters();
    const std::shared_ptr<TQRPreparedReport> pages = letters.Report.Prepare();
    const QString out = Folder().filePath(QStringLiteral("paint.pdf"));
    for (auto _ : state)
        pages->SaveToPdf(out);
}

void FloorPdf(benchmark::State &state) {
    Letters();
    const TFloor &floor = Floor();
    const QString out = Folder().filePath(QStringLiteral("floor.pdf"));
    for (auto _ : state) {
        QPdfWriter writer(out);
        writer.setResolution(1200);
        writer.setPageLayout(floor.Layout);
        QPainter painter(&writer);
        int font = -1;
        for (size_t p = 0; p < floor.Pages.size(); ++p) {
            if (p > 0)
                writer.newPage();
            for (const TFloorPage::TText &text : floor.Pages[p].Texts) {
                if (text.Font != font) {
                    painter.setFont(floor.Fonts[static_cast<size_t>(text.Font)]);
                    font = text.Font;
                }
                painter.drawText(text.At, text.Text);
            }
            for (const TFloorPage::TLine &line : floor.Pages[p].Lines) {
                painter.setPen(QPen(Qt::black, line.Width));
                painter.drawLine(line.From, line.To);
            }
            painter.setPen(Qt::black);
        }
        painter.end();
    }
    state.counters["pdf_MB"] = QFile(out).size() / 1e6;
}

struct TMemoryFigures {
    qint64 Small = 0, Large = 0; // peak growth for 250 and 1,000 letters
    int SmallPages = 0, LargePages = 0;
};

TMemoryFigures &Memory() {
    static TMemoryFigures figures;
    return figures;
}

// The peak above the size before the run of a report already built (datasets made).
qint64 PeakGrowth(TLetters &letters, const QString &out) {
    malloc_trim(0);
    ResetPeakRss();
    const qint64 before = CurrentRss();
    letters.Report.ExportToPdf(out);
    return PeakRss() - before;
}

void MemoryGrowth(benchmark::State &state) {
    const QString out = Folder().filePath(QStringLiteral("memory.pdf"));
    for (auto _ : state) {
        // A first run of each loads fonts and fills caches.
        TLetters small(kLetters / 4);
        small.Report.ExportToPdf(out);
        Memory().Small = PeakGrowth(small, out);
        Memory().SmallPages = small.Report.PageCount();
        TLetters &large = *Letters();
        large.Report.ExportToPdf(out);
        Memory().Large = PeakGrowth(large, out);
        Memory().LargePages = large.Report.PageCount();
        state.counters["peak_250_MB"] = Memory().Small / 1e6;
        state.counters["peak_1000_MB"] = Memory().Large / 1e6;
        state.counters["stored_pages_MB"] = large.Report.Prepared()->StoredBytes() / 1e6;
    }
}

// Memory first, while the process has not yet grown for the other runs.
BENCHMARK(MemoryGrowth)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Report)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(FloorPdf)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Layout)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Paint)->Unit(benchmark::kMillisecond)->Iterations(3);

class TRatioReporter : public TTimesReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double report = FTimes["Report/iterations:3"];
        const double floor = FTimes["FloorPdf/iterations:3"];
        std::printf("\n%-34s %12s %12s %8s %8s\n", "work", "report ms", "floor ms", "ratio",
                    "target");
        std::printf("%-34s %12.1f %12.1f %8.2f %8s\n", "1,000 letters to PDF", report, floor,
                    floor > 0 ? report / floor : 0.0, "<= 2");
        std::printf("%-34s %12.1f\n", "  of which layout", FTimes["Layout/iterations:3"]);
        std::printf("%-34s %12.1f\n", "  of which painting", FTimes["Paint/iterations:3"]);
        const TMemoryFigures &m = Memory();
        std::printf(
            "%-34s %12.1f %12s\n",
            QStringLiteral("peak memory, %1 pages (MB)").arg(m.SmallPages).toUtf8().constData(),
            m.Small / 1e6, "");
        std::printf(
            "%-34s %12.1f %12s %8.2f %8s\n",
            QStringLiteral("peak memory, %1 pages (MB)").arg(m.LargePages).toUtf8().constData(),
            m.Large / 1e6, "", m.Small > 0 ? double(m.Large) / m.Small : 0.0, "~1");
    }
};

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
