#pragma once
// TLumDocuReportStudent: a Word document about one student, from the student's row of the view
// vStudentAll (StudentDataSet), chosen by a condition (an empty one selects nobody) or copied
// from a dataset the caller holds. The template's bookmarks StudentID, Cht_Name, Unit_ID,
// ClassType and DiplomaType receive the row's display texts (codes by their descriptions).

#include "uLumDocuReportBase.h"

class TLumDocuReportStudent : public TLumDocuReportBase {
    Q_OBJECT
public:
    explicit TLumDocuReportStudent(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumDocuReportStudent"); }

    TCodeTableCDS *st_CLASS, *NUNT, *st_ClassName, *st_State, *st_Diploma;
    TStatelessCDataSet *StudentDataSet;

    // Closes the students, stores the condition, DoStudentCommand, reads them.
    void OpenStudents(const QString &where);
    void OpenStudents(TClientDataSet *dataSet);
    const QString &StudentCondition() const { return FCondition; }
    // "Select * from vStudentAll Where " + the condition, or "ID is Null" when it is empty.
    virtual void DoStudentCommand();

    void SetFormLabels() override;

protected:
    void DoPrintData(TClientDataSet *dataSet) override;

private:
    QString FCondition;
};
