#pragma once
// The forms of the students' basic data on "SrvAcademic.AcadStudentINTF": the grid of every
// student ("dspStdBasic") and one student by number ("dspStdBasicByNo"). Both edit the same
// fields in the same edit area: number, name, sex, class and status from the code table, seat,
// birthday (with the date picker), identity number and address; the edit history is stamped
// into "EditInfo" on every post.

#include "uSingalTBForm.h"

class QToolButton;
class TAction;
class TDataFilterDialog;
class TDataSortDialog;
class TROCAddrInputDialog;
class TLUMDBCodeComboBox;
class TDBSpinEdit;
class TTqDBNumEdit;
class TCodeFieldLink;
class TDBWRTable;
struct TJobPrint;

// The edit area of the student fields, built into a table form's gbEdit.
class TStdBasicEditArea {
public:
    explicit TStdBasicEditArea(TSingalTBForm *form);
    ~TStdBasicEditArea();
    TStdBasicEditArea(const TStdBasicEditArea &) = delete;
    TStdBasicEditArea &operator=(const TStdBasicEditArea &) = delete;

    TTqDBNumEdit *edStudentID, *edName, *edBirthday, *edIDNo, *edAddress;
    TDBSpinEdit *seSeatNo;
    TLUMDBCodeComboBox *cbSex, *cbClass, *cbState;
    QToolButton *btnBirthday;
    // The address aid for the address: offered while a record is being edited.
    TAction *ActAddrInput;
    QToolButton *btnAddress;
    TROCAddrInputDialog *AddrInputDialog;
    void EnableAddrInput(const TClientDataSet *dataSet);

private:
    std::vector<std::unique_ptr<TCodeFieldLink>> FLinks;
};

class TStdBasicDataForm : public TSingalTBMultiRecForm {
    Q_OBJECT
public:
    TStdBasicDataForm();
    ~TStdBasicDataForm() override;
    void DoFormInitial() override;
    void OpCtrl() override;
    // "列印": the students of the grid, as they are filtered and ordered there, in a table of
    // the template "學生名冊.docx", shown in the preview window.
    void DataPrintExecute();
    std::unique_ptr<TStdBasicEditArea> EditArea;
    std::unique_ptr<TJobPrint> Print;
    TDBWRTable *DBWRTable = nullptr;
    // "篩選": the students that meet a condition composed in the filter form, filtered in
    // the grid; "排序": the grid's order by fields ticked in turn; with the field setup of the
    // base form on the grid's fields.
    TDataFilterDialog *DataFilterDialog = nullptr;
    TDataSortDialog *DataSortDialog = nullptr;
    TAction *ActDataFilter = nullptr;
    TAction *ActDataSort = nullptr;
};

class TStdBasicByNoForm : public TSingalTBOneRecForm {
    Q_OBJECT
public:
    TStdBasicByNoForm();
    ~TStdBasicByNoForm() override;
    void OpCtrl() override;
    std::unique_ptr<TStdBasicEditArea> EditArea;
};
