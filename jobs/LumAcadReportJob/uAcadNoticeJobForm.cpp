#include "uAcadNoticeJobForm.h"

#include "ClientDataSet.h"
#include "DataSet.h"
#include "Exceptions.h"
#include "Fields.h"
#include "QRPreparedReport.h"
#include "uCodeComboBox.h"
#include "uCodeCriteria.h"
#include "uJobServerData.h"
#include "uLumQrEAcadStudent.h"
#include "uOrganization.h"
#include "uRocDate.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QToolBar>

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

    MailServer = new TJobServerData(this, QStringLiteral("SystemObj.CodeTableINTF"));
    ActSendMail = new TAction(this, QStringLiteral("ActSendMail"), QStringLiteral("Report"),
                              QStringLiteral("寄送電子郵件"));
    ActSendMail->SetHint(QStringLiteral("將每位學生的通知單以電子郵件寄給家長"));
    ActSendMail->setIcon(QIcon::fromTheme(QStringLiteral("mail-send"),
                                          style()->standardIcon(QStyle::SP_ArrowRight)));
    ActSendMail->OnExecute = [this] {
        const TMailRun run = SendMailExecute();
        QString text = QStringLiteral("已排入寄送 %1 封電子郵件。").arg(run.Queued);
        if (!run.WithoutAddress.isEmpty())
            text += QStringLiteral("\n下列 %1 位學生沒有家長電子郵件:\n%2")
                        .arg(run.WithoutAddress.size())
                        .arg(run.WithoutAddress.join(u'\n'));
        lbStatus->setText(QStringLiteral("已排入寄送 %1 封電子郵件，%2 位學生沒有家長電子郵件")
                              .arg(run.Queued)
                              .arg(run.WithoutAddress.size()));
        QMessageBox::information(this, QStringLiteral("寄送電子郵件"), text);
    };
    ToolBar1->addAction(ActSendMail);

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

std::unique_ptr<TLumQrEAcadStudent> TAcadNoticeJobForm::Receivers(const QString &where) {
    std::unique_ptr<TLumQrEAcadStudent> notice = NewNotice();
    notice->SetYSemester(Semester());
    notice->SetMailTo(static_cast<TMailToType>(cbMailTo->currentData().toInt()));
    notice->OpenStudents(where);
    if (notice->GetMasterDataSet()->IsEmpty())
        throw Exception(QStringLiteral("沒有符合條件的學生"));
    return notice;
}

std::unique_ptr<TLumQrEAcadStudent> TAcadNoticeJobForm::Notice(const QString &where) {
    // The criteria are checked before anything is read.
    const auto [from, to] = PeriodOf(deFromDate, deToDate);
    std::unique_ptr<TLumQrEAcadStudent> notice = Receivers(where);
    OpenRows(*notice, from, to);
    return notice;
}

std::unique_ptr<TQuickRep> TAcadNoticeJobForm::MakeReport() {
    PeriodOf(deFromDate, deToDate);
    return Notice(StudentsWhere());
}

TAcadNoticeJobForm::TMailRun TAcadNoticeJobForm::SendMailExecute() {
    const auto [from, to] = PeriodOf(deFromDate, deToDate);
    const QString where = StudentsWhere();
    // Who gets a letter, and where to: the students alone, their rows are read letter by letter.
    struct TReceiver {
        QString Id, Name, Address;
    };
    QList<TReceiver> receivers;
    TMailRun run;
    {
        const std::unique_ptr<TLumQrEAcadStudent> all = Receivers(where);
        TClientDataSet *students = all->GetMasterDataSet();
        TField *id = students->FieldByName(QStringLiteral("StudentID"));
        TField *name = students->FieldByName(QStringLiteral("Cht_Name"));
        TField *mail = students->FieldByName(QStringLiteral("GenearchEMail"));
        for (students->First(); !students->Eof(); students->Next()) {
            const TReceiver r{id->AsString().trimmed(), name->AsString().trimmed(),
                              mail->AsString().trimmed()};
            if (r.Address.isEmpty())
                run.WithoutAddress << r.Id + u' ' + r.Name;
            else
                receivers << r;
        }
    }
    const QString period = QStringLiteral("%1 至 %2").arg(RocDateText(from), RocDateText(to));
    const QString school = Organization ? Organization->FullName : QString();
    const QString title = Caption();
    QTemporaryDir folder;
    if (!folder.isValid())
        throw Exception(QStringLiteral("無法建立暫存資料夾"));
    const TProgressWindow progress;
    for (int i = 0; i < receivers.size(); ++i) {
        const TReceiver &r = receivers[i];
        progress.Show(QStringLiteral("寄送電子郵件... (%1/%2) %3")
                          .arg(i + 1)
                          .arg(receivers.size())
                          .arg(r.Name),
                      i * 100 / int(receivers.size()));
        // The student's own letter, alone.
        const std::unique_ptr<TLumQrEAcadStudent> letter = Notice(StudentsCondition({r.Id}));
        const QString pdf = folder.filePath(QStringLiteral("%1.pdf").arg(r.Id));
        letter->Prepare()->SaveToPdf(pdf);
        QFile file(pdf);
        if (!file.open(QIODevice::ReadOnly))
            throw Exception(QStringLiteral("無法讀取 %1").arg(pdf));
        const QString body =
            QStringLiteral("%1 家長您好:\n\n附件為貴子弟 %2 (學號 %3) 的%4,期間 %5。\n"
                           "請撥冗查閱,如有疑問請與學校聯絡。\n\n%6 敬啟")
                .arg(r.Name, r.Name, r.Id, title, period, school);
        std::vector<Variant> args{
            Variant(r.Address),
            Variant(QStringLiteral("%1%2 (%3)").arg(school, title, period)),
            Variant(body),
            Variant(QString()),
            Variant::ArrayOf({Variant::ArrayOf(
                {Variant(QStringLiteral("%1-%2.pdf").arg(title, r.Id)), Variant(file.readAll())})}),
            Variant()};
        if (MailServer->Call(QStringLiteral("QueueMail"), args).ToInt64() <= 0)
            throw Exception(QStringLiteral("%1 %2: %3").arg(r.Id, r.Name, args[5].ToString()));
        ++run.Queued;
    }
    return run;
}
