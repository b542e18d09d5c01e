#pragma once
// TAcadNoticeJobForm: a job form that prints letters to the families of students, one in its
// window envelope per student. Besides the term it asks for the period ("期間", last month
// when the form opens), whom the letters are for ("對象": a class, or the student numbers
// typed) and to whom the envelopes go ("收件人": the guardian, the student or the emergency
// contact). Descendants make the letter and read its rows.
//
// "寄送電子郵件" also sends the letters by e-mail: each student of the selection whose guardian
// gave an address gets his own letter as a PDF, queued in the server's outbox with a short
// cover text; the user is told how many were queued and which students have no address.

#include "uAcadReportJobForm.h"

class QComboBox;
class QLineEdit;
class TJobServerData;
class QRadioButton;
class TLumQrEAcadStudent;

class TAcadNoticeJobForm : public TAcadReportJobForm {
    Q_OBJECT
public:
    explicit TAcadNoticeJobForm(const QString &caption);

    QDateEdit *deFromDate, *deToDate;
    QRadioButton *rbClass, *rbStudents;
    TLUMDBCodeComboBox *cbClass;
    QLineEdit *edStudents;
    QComboBox *cbMailTo;
    TAction *ActSendMail;
    TJobServerData *MailServer; // the outbox of "SystemObj.CodeTableINTF"

    // The students' condition on vStudentAll: the class chosen, or the numbers typed; raises
    // "請選擇班級" / "請輸入學號" when there is none.
    QString StudentsWhere() const;

    std::unique_ptr<TQuickRep> MakeReport() override;

    // What a mail run did: the letters queued and the students without an address.
    struct TMailRun {
        int Queued = 0;
        QStringList WithoutAddress; // "學號 姓名"
    };
    TMailRun SendMailExecute();

protected:
    // A new letter of this form's kind.
    virtual std::unique_ptr<TLumQrEAcadStudent> NewNotice() = 0;
    // Gives the letter its period and reads its rows, once its term and students are set.
    virtual void OpenRows(TLumQrEAcadStudent &notice, TDateTime from, TDateTime to) = 0;

private:
    void TargetChange();
    // A letter of the term and receiver chosen with the students of `where` open (none raises
    // "沒有符合條件的學生"); Notice also reads its rows for the period.
    std::unique_ptr<TLumQrEAcadStudent> Receivers(const QString &where);
    std::unique_ptr<TLumQrEAcadStudent> Notice(const QString &where);
};
