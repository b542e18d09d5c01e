#include "uClassAbsWeeklyForm.h"

#include "Exceptions.h"
#include "uCodeComboBox.h"
#include "uCodeCriteria.h"
#include "uLumQrHAcadClassmate_AbsWeekly.h"

#include <QDateEdit>
#include <QGroupBox>

#include <tuple>

TClassAbsWeeklyForm::TClassAbsWeeklyForm()
    : TAcadReportJobForm(QStringLiteral("班級學生週缺曠課統計表")) {
    setObjectName(QStringLiteral("ClassAbsWeeklyForm"));
    std::tie(deFromDate, deToDate) = AddPeriodCriterion();
    cbClass = CodeCriterion(gbCriteria, CodeTableMainSource, "cbClass", QStringLiteral("st_CLASS"),
                            QStringLiteral("(全部)"));
    AddCriterion(QStringLiteral("班級:"), cbClass);
}

std::unique_ptr<TQuickRep> TClassAbsWeeklyForm::MakeReport() {
    const auto [from, to] = PeriodOf(deFromDate, deToDate);
    auto report = std::make_unique<TLumQrHAcadClassmate_AbsWeekly>();
    report->SetYSemester(Semester());
    report->SetFromDate(from);
    report->SetToDate(to);
    // The term and the period are added to the class chosen (none: every class).
    const QString klass = cbClass->GetCode();
    report->OpenMaster(klass.isEmpty() ? QString()
                                       : QStringLiteral("ClassType='%1'").arg(SqlText(klass)));
    return report;
}
