// The absence notice against the floor of its work, in the same run: a batch of 1,000 letters
// of TLumQrEAcadStudent_AbsenceNotify (one envelope per student with the school's heading, the
// sender, post code, address and receiver in the window, the student line, 20 roll-call rows
// under their headings with the subtotal and the truancy, the term's totals, the remarks), its
// students, rows and term totals copied from client datasets (OpenStudents, OpenDetail,
// OpenSemStatic), laid out and written to PDF, against QPdfWriter drawing the same strings at
// the same positions (and the same lines) without any layout.
//
//   Report   TQuickRep::ExportToPdf of the notice: the layout over the datasets (course names
//            and leave types looked up), then painting the pages
//   Floor    the texts and lines of those pages, taken from the report beforehand, drawn with
//            QPainter on a QPdfWriter
//   Memory   the report's peak memory above the process's size before it ran, for 250 and for
//            1,000 letters: it must not grow with the pages
//
// After the runs a table prints the pair, the ratio of their CPU times and the memory figures.

#include "BenchMemory.h"
#include "BenchRatio.h"
#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "QuickReport.h"
#include "StatelessDataSet.h"
#include "uLumQrEAcadStudent_AbsenceNotify.h"
#include "uSystemTable.h"

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
constexpr int kCourses = 300;

QTemporaryDir &Folder() {
    static QTemporaryDir folder;
    return folder;
}

// The school's code table as the process's shared copy: the notice opens its code tables from
// it, as it would after the first fetch from the server; likewise the course index.
void LoadCodeTable() {
    TStatelessCDataSet *codes = CodeTableSystemTable()->DataSet();
    if (codes->Active())
        return;
    codes->FieldDefs().Add(QStringLiteral("Main_Code"), ftString, 20);
    codes->FieldDefs().Add(QStringLiteral("Code"), ftString, 20);
    codes->FieldDefs().Add(QStringLiteral("Descript"), ftString, 120);
    codes->FieldDefs().Add(QStringLiteral("ALevel"), ftInteger);
    codes->FieldDefs().Add(QStringLiteral("AParent"), ftString, 20);
    codes->FieldDefs().Add(QStringLiteral("AValue"), ftInteger);
    codes->FieldDefs().Add(QStringLiteral("ADate"), ftDateTime);
    codes->CreateDataSet();
    const char *rows[][3] = {{"NSYS", "NowYSem", "1122"},  {"Semester", "2", "下學期"},
                             {"NUNT", "A1", "資訊科"},     {"NUNT", "B2", "商業科"},
                             {"st_CLASS", "1", "日間部"},  {"st_ClassName", "01", "忠"},
                             {"st_ClassName", "02", "孝"}, {"st_State", "1", "在學"},
                             {"st_VACID", "1", "事假"},    {"st_VACID", "2", "病假"}};
    for (const auto &row : rows) {
        codes->Append();
        for (int f = 0; f < 3; ++f)
            codes->Fields()[f]->SetAsString(QString::fromUtf8(row[f]));
        codes->Post();
    }
    codes->MergeChangeLog();
    // The course index, as the server's course catalogue gives it.
    TStatelessCDataSet *courses = SharedSystemTable(QStringLiteral("SystemOrvCoursesIndex"),
                                                    QStringLiteral("SrvAcademic.AcadCourseINTF"),
                                                    QStringLiteral("xOrvCoursesIdxProvider"))
                                      ->DataSet();
    courses->FieldDefs().Add(QStringLiteral("CourseID"), ftString, 12);
    courses->FieldDefs().Add(QStringLiteral("CourseName"), ftString, 60);
    courses->CreateDataSet();
    const QStringList names{QStringLiteral("國文"), QStringLiteral("英文"), QStringLiteral("數學"),
                            QStringLiteral("歷史"), QStringLiteral("地理"), QStringLiteral("物理")};
    for (int c = 0; c < kCourses; ++c) {
        courses->Append();
        courses->Fields()[0]->SetAsString(QStringLiteral("C%1").arg(c, 3, 10, QLatin1Char('0')));
        courses->Fields()[1]->SetAsString(names[c % names.size()] +
                                          QString::number(c / names.size() + 1));
        courses->Post();
    }
    courses->MergeChangeLog();
}

QString StudentID(int s) {
    return QStringLiteral("S%1").arg(s, 6, 10, QLatin1Char('0'));
}

struct TLetters {
    TClientDataSet Students, Absences, SemStatic;
    TLumQrEAcadStudent_AbsenceNotify Report;

    explicit TLetters(int letters) {
        const struct {
            const char *Name;
            TFieldType Type;
            int Size;
        } studentFields[] = {{"StudentID", ftString, 10},  {"Cht_Name", ftString, 12},
                             {"Genearch", ftString, 12},   {"Unit_ID", ftString, 5},
                             {"ClassType", ftString, 1},   {"NGrade", ftInteger, 0},
                             {"AClassName", ftString, 10}, {"SeatNo", ftInteger, 0},
                             {"PostCode", ftString, 5},    {"Address", ftString, 80}};
        for (const auto &f : studentFields)
            Students.FieldDefs().Add(QLatin1String(f.Name), f.Type, f.Size);
        Students.CreateDataSet();
        for (int s = 0; s < letters; ++s) {
            Students.Append();
            Students.Fields()[0]->SetAsString(StudentID(s));
            Students.Fields()[1]->SetAsString(QStringLiteral("學生%1").arg(s));
            Students.Fields()[2]->SetAsString(QStringLiteral("家長%1").arg(s));
            Students.Fields()[3]->SetAsString(s % 2 ? QStringLiteral("A1") : QStringLiteral("B2"));
            Students.Fields()[4]->SetAsString(QStringLiteral("1"));
            Students.Fields()[5]->SetAsInteger(1 + s / 35 % 3);
            Students.Fields()[6]->SetAsString(s / 35 % 2 ? QStringLiteral("01")
                                                         : QStringLiteral("02"));
            Students.Fields()[7]->SetAsInteger(s % 35 + 1);
            Students.Fields()[8]->SetAsString(QStringLiteral("%1").arg(100 + s % 20));
            Students.Fields()[9]->SetAsString(
                QStringLiteral("臺北市中正區重慶南路一段%1巷%2號").arg(s % 50).arg(s));
            Students.Post();
        }
        Students.MergeChangeLog();

        const struct {
            const char *Name;
            TFieldType Type;
            int Size;
        } rowFields[] = {{"YSemester", ftString, 5},    {"StudentID", ftString, 10},
                         {"AbsenceNo", ftString, 10},   {"AbsenceDate", ftDate, 0},
                         {"Week", ftString, 1},         {"CourseID", ftString, 10},
                         {"SecAbsence", ftInteger, 0},  {"SecLate", ftInteger, 0},
                         {"SecVAC", ftInteger, 0},      {"VAC_ID", ftString, 2},
                         {"ASectionList", ftString, 20}};
        for (const auto &f : rowFields)
            Absences.FieldDefs().Add(QLatin1String(f.Name), f.Type, f.Size);
        Absences.CreateDataSet();
        const QDate start(2024, 3, 1);
        for (int s = 0; s < letters; ++s)
            for (int r = 0; r < kRows; ++r) {
                const QDate day = start.addDays(r);
                Absences.Append();
                Absences.Fields()[0]->SetAsString(QStringLiteral("1122"));
                Absences.Fields()[1]->SetAsString(StudentID(s));
                Absences.Fields()[2]->SetAsString(QStringLiteral("A%1").arg(s * kRows + r));
                Absences.Fields()[3]->SetAsDateTime(TDateTime::FromDate(day));
                Absences.Fields()[4]->SetAsString(QString::number(day.dayOfWeek() % 7));
                Absences.Fields()[5]->SetAsString(
                    QStringLiteral("C%1").arg((s + r) % kCourses, 3, 10, QLatin1Char('0')));
                Absences.Fields()[6]->SetAsInteger((s + r) % 4);
                Absences.Fields()[7]->SetAsInteger(r % 2);
                Absences.Fields()[8]->SetAsInteger(r % 3 == 0 ? 1 : 0);
                Absences.Fields()[9]->SetAsString(r % 3 == 0 ? QStringLiteral("1")
                                                             : QStringLiteral("*"));
                Absences.Fields()[10]->SetAsString(
                    QStringLiteral("%1,%2").arg(r % 7 + 1).arg(r % 7 + 2));
                Absences.Post();
            }
        Absences.MergeChangeLog();

        const char *totals[] = {"Absence",     "Truancy",    "AbsLate",     "AskFor",
                                "AskFor_Sick", "AskFor_Pub", "AskFor_Other"};
        SemStatic.FieldDefs().Add(QStringLiteral("YSemester"), ftString, 5);
        SemStatic.FieldDefs().Add(QStringLiteral("StudentID"), ftString, 10);
        for (const char *name : totals)
            SemStatic.FieldDefs().Add(QLatin1String(name), ftInteger);
        SemStatic.CreateDataSet();
        for (int s = 0; s < letters; ++s) {
            SemStatic.Append();
            SemStatic.Fields()[0]->SetAsString(QStringLiteral("1122"));
            SemStatic.Fields()[1]->SetAsString(StudentID(s));
            for (int t = 0; t < 7; ++t)
                SemStatic.Fields()[2 + t]->SetAsInteger((s + t) % 30);
            SemStatic.Post();
        }
        SemStatic.MergeChangeLog();

        Report.SetFootMemo(QStringLiteral("本通知單請家長簽名後交回導師"));
        Report.SetFromDate(TDateTime::FromDate(QDate(2024, 3, 1)));
        Report.SetToDate(TDateTime::FromDate(QDate(2024, 3, 31)));
        Report.OpenStudents(&Students);
        Report.OpenDetail(&Absences);
        Report.OpenSemStatic(&SemStatic);
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
        LoadCodeTable();
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
        LoadCodeTable();
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
