#pragma once
// 學程學門列印: one study programme ("系所學程表": its discipline groups and courses; or
// "系所學程學生檢視表": its students) or one discipline group ("系所學門設定表": its programmes
// and courses), chosen from the list the course server gives ("代號", read again when the
// document changes) or typed.

#include "uAcadWordJobForm.h"

#include <memory>

class QComboBox;
class TJobServerData;
class TLumAcadChooseGPPrint;
class TLumAcadStudyPrint;
class TLumWRAcadStudyBStudentDoc;
class TStatelessCDataSet;

class TStudyProgramPrintForm : public TAcadWordJobForm {
    Q_OBJECT
public:
    TStudyProgramPrintForm();
    ~TStudyProgramPrintForm() override;

    enum TDocument { dcProgramme, dcStudents, dcGroup };
    QComboBox *cbDocument;
    QComboBox *cbNumber; // editable: the programmes or groups, by code and name
    TJobServerData *CourseData;
    TStatelessCDataSet *Studies, *Groups, *Record;
    std::unique_ptr<TLumAcadStudyPrint> StudyPrint;
    std::unique_ptr<TLumAcadChooseGPPrint> GroupPrint;
    std::unique_ptr<TLumWRAcadStudyBStudentDoc> StudentsDoc;

    TDocuReport *MakeDocument(bool &found) override;
    void DoFormInitial() override;

private:
    // The programmes or the groups read anew and listed.
    void ListNumbers();
    QString Number() const;
};
