#include "uLumAbsenceWeekly.h"

#include "Fields.h"
#include "QRBands.h"
#include "QRCtrls.h"
#include "uLumFieldDisplays.h"

QString WeekDayName(int day) {
    static const QString names[] = {
        QStringLiteral("日"), QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三"),
        QStringLiteral("四"), QStringLiteral("五"), QStringLiteral("六")};
    return day >= 1 && day <= 7 ? names[day - 1] : QString();
}

void ShowWeeklyAbsence(TLumFieldDisplays *displays, TDataSet *weekly, TDataSet *vacTable) {
    const auto zeroEmpty = [](TField *field) {
        field->OnGetText = [](TField *f, QString &text, bool) {
            text = f->IsNull() || f->AsFloat() == 0 ? QString() : f->AsString();
        };
    };
    for (int day = 1; day <= 7; ++day) {
        displays->Setup(weekly, QStringLiteral("AbsWeek%1").arg(day), zeroEmpty);
        displays->Setup(weekly, QStringLiteral("AskWeek%1").arg(day), zeroEmpty);
        displays->Setup(weekly, QStringLiteral("AskWeek%1VAC").arg(day), [vacTable](TField *f) {
            f->OnGetText = [vacTable](TField *field, QString &text, bool) {
                const QString code = field->AsString().trimmed();
                text = code == QLatin1String("*") ? QString() : CodeTableText(vacTable, code);
            };
        });
    }
}

double AddWeekDays(TQRBand *heading, TQRBand *row, TDataSet *weekly, double left, double countWidth,
                   double typeWidth, double headingTop) {
    const double dayWidth = 2 * countWidth + typeWidth;
    for (int day = 1; day <= 7; ++day) {
        const double x = left + (day - 1) * dayWidth;
        TQRLabel *name = heading->AddLabel(x, headingTop, dayWidth, 4.5, WeekDayName(day));
        name->SetAlignment(taCenter);
        heading->AddHorLine(x + 0.5, headingTop + 4.8, dayWidth - 1, 0.1);
        const struct {
            double Left, Width;
            const char *Heading;
            QString Field;
        } cells[] = {
            {x, countWidth, "缺", QStringLiteral("AbsWeek%1").arg(day)},
            {x + countWidth, countWidth, "假", QStringLiteral("AskWeek%1").arg(day)},
            {x + 2 * countWidth, typeWidth, "假別", QStringLiteral("AskWeek%1VAC").arg(day)}};
        for (const auto &cell : cells) {
            TQRLabel *label = heading->AddLabel(cell.Left, headingTop + 5, cell.Width, 4.5,
                                                QString::fromUtf8(cell.Heading));
            label->SetAlignment(taCenter);
            TQRDBText *text = row->AddDBText(cell.Left, 0.5, cell.Width, 4.5, weekly, cell.Field);
            text->SetAlignment(taCenter);
        }
    }
    return left + 7 * dayWidth;
}
