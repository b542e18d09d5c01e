#pragma once
// TLumQrHAcadSemCourseGrade: the course roster "科目修課學生": under each course's header its
// students (student number "學 號", name "姓 名", seat "座位"), by course and student number (or
// by the order SemGradeIndexFields gives within each course), and the course's count
// "學生合計：" n "人". The students come from the course server (view vLumSemGradeBySTD), by
// default those of the courses opened, or copied from a dataset the caller holds. Grades below
// 0 (not entered) print empty wherever a sheet shows them. The page footer carries a message
// memo (moFooter) that callers fill.

#include "uLumQrElements.h"
#include "uLumQrHAcadSemCourse.h"

class TQRBand;
class TQRExpr;
class TQRMemo;
class TQRSubDetail;

class TLumQrHAcadSemCourseGrade : public TLumQrHAcadSemCourse {
    Q_OBJECT
public:
    explicit TLumQrHAcadSemCourseGrade(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumQrHAcadSemCourseGrade"); }

    TCodeTableCDS *st_ENmType, *st_Enter;
    TStatelessCDataSet *SemGradeDetail;

    TQRSubDetail *StudentRows;
    TQRBand *StudentHeading, *StudentFooter, *PageFooter;
    TQRExpr *qrStudentCount;
    TQRMemo *moFooter;

    // The condition builder reset to `where`; with addDefaults, or when `where` is empty,
    // "SemCourseID In" the courses opened is added (And); the rows of "Select * From
    // vLumSemGradeBySTD Where " + that condition are read. With no courses and no text the
    // condition is "SemCourseID is Null" (nobody).
    void OpenSemGrade(const QString &where, bool addDefaults);
    void OpenSemGrade(TClientDataSet *dataSet);

    // The order of each course's students: reads the detail's index fields; writing "SeatNo"
    // orders by "SemCourseID;SeatNo", so that students stay grouped by course.
    QString SemGradeIndexFields() const;
    void SetSemGradeIndexFields(const QString &names);

protected:
    // The roster's columns; sheets add theirs after the last.
    const QList<TLumColumn> &RosterColumns() const { return FColumns; }
    // A column of the students: heading and field (none: an empty cell for hand entry); the
    // heading's label into *heading when asked for.
    TQRDBText *AddStudentColumn(const TLumColumn &column, const QString &field,
                                TQRLabel **heading = nullptr);
    // The grid lines between the columns, once every column is in.
    void FinishStudentGrid();
    // The course's footer with the teacher's signature and the date, after its students.
    TQRBand *AddTeacherFooter();

private:
    QList<TLumColumn> FColumns;
};
