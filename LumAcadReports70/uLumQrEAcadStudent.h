#pragma once
// TLumQrEAcadStudent: a letter to a student's family, one letter in its window envelope per
// student, bound to one school term. The students come from the view vStudentAll of the
// students' server, chosen by a condition (OpenStudents(where); an empty condition selects
// nobody) or copied from a dataset the caller holds (OpenStudents(dataset)); the letters come
// out by department, study type, year, class and seat. The envelope goes to the guardian by
// default, or to the student or the emergency contact (MailTo).

#include "uLumAcadTerm.h"
#include "uLumQrEnvelope.h"

class TCodeTableCDS;
class TGenSQLWhere;

enum TMailToType { mttStudent, mttGenearch, mttEmergent };

class TLumQrEAcadStudent : public TLumQrEnvelope {
    Q_OBJECT
public:
    explicit TLumQrEAcadStudent(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumQrEAcadStudent"); }

    TCodeTableCDS *NowYSem, *Semester;
    // Class type, department, class name and study state by their descriptions.
    TCodeTableCDS *st_CLASS, *NUNT, *st_ClassName, *st_State;
    TGenSQLWhere *GenSQLWhere;

    const QString &YSemester() const { return FTerm.YSemester(); }
    // An empty code raises "Set YSemester Error"; the term stays as it was.
    void SetYSemester(const QString &value) { FTerm.SetYSemester(value); }
    QString GetAYear() const { return FTerm.GetAYear(); }
    QString GetASemester() const;
    QString GetYSemFMT() const;

    TMailToType MailTo() const { return FMailTo; }
    // The envelope's receiver: the student's own name, the guardian or the emergency contact.
    void SetMailTo(TMailToType mailTo);

    // "Select * from vStudentAll Where " + the student condition, or "ID is Null" (nobody)
    // when the condition is empty.
    void DoMasterCommand() override;
    void OpenStudents(const QString &where) { OpenMaster(where); }
    void OpenStudents(TClientDataSet *dataSet) { OpenMaster(dataSet); }

    // The student line of the current receiver: "學號:%s - %s,就讀本校%s-%s,%d年%s班座號:%d"
    // (student number, name, department, study type, year, class, seat); empty without one.
    QString GetStudentInfo() const;

protected:
    // The condition builder extended (And) by "StudentID In" the students of the receivers
    // (no condition while no students are open).
    void AddStudentsCondition();

private:
    TLumAcadTerm FTerm;
    TMailToType FMailTo = mttGenearch;
};
