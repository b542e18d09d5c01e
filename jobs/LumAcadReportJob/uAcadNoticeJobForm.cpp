#include "uAcadNoticeJobForm.h"

#include "ClientDataSet.h"
#include "Exceptions.h"
#include "uCodeComboBox.h"
#include "uCodeCriteria.h"
#include "uLumQrEAcadStudent.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QRadioButton>

#include <tuple>

TAcadNoticeJobForm::TAcadNoticeJobForm(const QString &caption) : TAcadReportJobForm(caption) {
    std::tie(deFromDate, deToDate) = AddPeriodCriterion();

    auto *target = new QWidget;
    target->setObjectName(QStringLiteral("plTarget"));
    rbClass = new QRadioButton(QStringLiteral("班級"), target);
    rbClass->setObjectName(QStringLiteral("rbClass"));
    rbStudents = new QRadioButton(QStringLiteral("學號"), target);
    rbStudents->setObjectName(QStringLiteral("rbStudents"));
    auto *group = new QButtonGroup(target);
    group->addButton(rbClass);
    group->addButton(rbStudents);
    rbClass->setChecked(true);
    cbClass = CodeCriterion(target, CodeTableMainSource, "cbClass", QStringLiteral("st_CLASS"),
                            QString());
    edStudents = new QLineEdit(target);
    edStudents->setObjectName(QStringLiteral("edStudents"));
    edStudents->setPlaceholderText(QStringLiteral("學號,以逗號或空白分隔"));
    auto *targetLayout = new QGridLayout(target);
    targetLayout->setContentsMargins(0, 0, 0, 0);
    targetLayout->addWidget(rbClass, 0, 0);
    targetLayout->addWidget(cbClass, 0, 1);
    targetLayout->addWidget(rbStudents, 1, 0);
    targetLayout->addWidget(edStudents, 1, 1);
    targetLayout->setColumnStretch(1, 1);
    AddCriterion(QStringLiteral("對象:"), target);
    connect(rbClass, &QRadioButton::toggled, this, [this] { TargetChange(); });

    cbMailTo = new QComboBox;
    cbMailTo->setObjectName(QStringLiteral("cbMailTo"));
    cbMailTo->addItem(QStringLiteral("家長"), int(mttGenearch));
    cbMailTo->addItem(QStringLiteral("學生"), int(mttStudent));
    cbMailTo->addItem(QStringLiteral("緊急聯絡人"), int(mttEmergent));
    AddCriterion(QStringLiteral("收件人:"), cbMailTo);

    TargetChange();
}

void TAcadNoticeJobForm::TargetChange() {
    cbClass->setEnabled(rbClass->isChecked());
    edStudents->setEnabled(rbStudents->isChecked());
}

QString TAcadNoticeJobForm::StudentsWhere() const {
    if (rbClass->isChecked()) {
        const QString klass = cbClass->GetCode();
        if (klass.isEmpty())
            throw Exception(QStringLiteral("請選擇班級"));
        return QStringLiteral("ClassType='%1'").arg(SqlText(klass));
    }
    const QStringList numbers = StudentNumbers(edStudents->text());
    if (numbers.isEmpty())
        throw Exception(QStringLiteral("請輸入學號"));
    return StudentsCondition(numbers);
}

std::unique_ptr<TQuickRep> TAcadNoticeJobForm::MakeReport() {
    // The criteria are checked before anything is read.
    const auto [from, to] = PeriodOf(deFromDate, deToDate);
    const QString students = StudentsWhere();
    std::unique_ptr<TLumQrEAcadStudent> notice = NewNotice();
    notice->SetYSemester(Semester());
    notice->SetMailTo(static_cast<TMailToType>(cbMailTo->currentData().toInt()));
    notice->OpenStudents(students);
    if (notice->GetMasterDataSet()->IsEmpty())
        throw Exception(QStringLiteral("沒有符合條件的學生"));
    OpenRows(*notice, from, to);
    return notice;
}
