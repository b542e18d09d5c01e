#pragma once
// TLumQrHAcadClassmate: the class report "班級資訊", one group per class (department, study
// type, year, class), each from a new page under its header "科系：", "年級：", "班別：",
// "修業類別：" with their descriptions. The classes are gathered in memory from the rows given
// (OpenClassmateMaster: one class per distinct four values, in their order); the rows
// themselves, weekly absence rows of the absence server, follow their class (OpenClassmateDetail,
// or OpenMaster(where) to read them through the module's connection). The header's message
// shows the period of the data, which the caller sets ("資料: %s 至 %s ").

#include "DateTime.h"
#include "uLumQrHAcad.h"

class TDataSource;
class TQRGroup;

class TLumQrHAcadClassmate : public TLumQrHAcad {
    Q_OBJECT
public:
    explicit TLumQrHAcadClassmate(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TLumQrHAcadClassmate"); }

    TCodeTableCDS *NUNT, *st_CLASS, *st_ClassName;
    TClientDataSet *AClassMaster; // the classes, made in memory
    TDataSource *AClassSource;
    TStatelessCDataSet *AClassDetail;

    TQRGroup *ClassHeader;

    // The classes of the dataset's rows, from its first row to its end; the dataset keeps its
    // place. The detail is closed.
    void OpenClassmateMaster(TClientDataSet *dataSet);
    // The classes of the rows, then the rows themselves under their classes.
    void OpenClassmateDetail(TClientDataSet *dataSet);

    TClientDataSet *GetMasterDataSet() override;
    // The rows' statement: "select * from vLumStudentAbsenceWeekly Where " + the condition with
    // the term and the weeks beginning in the period (when set) added.
    void DoMasterCommand() override;

    // The period of the data; no dates at creation (they print empty).
    TDateTime FromDate() const { return FFromDate; }
    void SetFromDate(TDateTime date) { FFromDate = date; }
    TDateTime ToDate() const { return FToDate; }
    void SetToDate(TDateTime date) { FToDate = date; }

protected:
    void DoBeforePrint(bool &printReport) override;
    // Reads the rows with the statement and gathers their classes.
    void DoOpenMaster() override;
    void DoCopyMaster(TClientDataSet *dataSet) override;

private:
    TDateTime FFromDate, FToDate;
};
