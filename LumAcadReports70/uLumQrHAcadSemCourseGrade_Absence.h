#pragma once
// TLumQrHAcadSemCourseGrade_Absence: the roll-call sheet "科目點名表" of each course (titled with
// the term), on landscape paper: per student the roster's columns, the admission type, the
// student's department and disability, empty cells under repeated column groups "日期" with
// "缺課" and "遲到" for the teacher to fill in at each lesson, and the term's totals of absent
// ("缺課"), late ("遲到") and leave ("請假") periods.

#include "uLumQrHAcadSemCourseGrade.h"

class TLumQrHAcadSemCourseGrade_Absence : public TLumQrHAcadSemCourseGrade {
    Q_OBJECT
public:
    explicit TLumQrHAcadSemCourseGrade_Absence(QObject *owner = nullptr);
    QString ClassName() const override {
        return QStringLiteral("TLumQrHAcadSemCourseGrade_Absence");
    }

    // The column groups for lessons.
    static constexpr int kLessons = 6;

protected:
    void DoBeforePrint(bool &printReport) override;
};
