#pragma once
// The school term a report is bound to, by its code YSemester: every character but the last is
// the school year (ROC), the last is the semester ("0942": year 094, semester 2). The year and
// the semester are shown through the code table of semesters ("Main_Code='Semester'": Code ->
// Descript) and as the report's term text "094 學年度 下學期 ".

#include <QString>

class TDataSet;

class TLumAcadTerm {
public:
    const QString &YSemester() const { return FYSemester; }
    // An empty code raises "Set YSemester Error" and keeps the term as it was.
    void SetYSemester(const QString &value);
    // The school year: the code without its last character.
    QString GetAYear() const;
    // The semester: the code's last character, shown by its Descript in the semester code
    // table when the table has that code.
    QString GetASemester(TDataSet *semesters) const;
    // "%s 學年度 %s " with the year and the semester.
    QString GetYSemFMT(TDataSet *semesters) const;

private:
    QString FYSemester;
};

// The current term: the Descript of the current-term code table ("Main_Code='NSYS' and
// Code='NowYSem'"); empty when it has no row.
QString CurrentYSemester(TDataSet *nowYSem);
