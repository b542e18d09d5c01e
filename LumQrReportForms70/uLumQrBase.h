#pragma once
// TLumQrBase: a report module. It is a banded report (TQuickRep) together with what its data
// need: socket connections to the application servers, stateless client datasets on their
// providers (each read with its command text in one round trip, then the links are dropped),
// the school's code tables (shared, opened when the module is made) and the settings that make
// coded fields show their descriptions. Descendants build their bands in their constructors and
// take part in the run through DoBeforePrint and DoAfterPrint.
//
// Every report made on it can be previewed (ShowPreview: the preview window, from which the
// user prints or saves a PDF), printed (PrintReport) and written to a PDF file (ExportToPdf).

#include "QuickRep.h"

#include <QList>
#include <utility>

class TClientDataSet;
class TCodeTableCDS;
class TDataSet;
class TField;
class TLumFieldDisplays;
class TLumRemoteData;
class TSocketConnection;
class TStatelessCDataSet;

class TLumQrBase : public TQuickRep {
    Q_OBJECT
public:
    explicit TLumQrBase(QObject *owner = nullptr);
    ~TLumQrBase() override;
    QString ClassName() const override { return QStringLiteral("TLumQrBase"); }

    // --- data from the servers ---
    TLumRemoteData *RemoteData() const { return FRemoteData; }
    TSocketConnection *Connection(const QString &serverName);
    // A stateless client dataset of this module on a provider of the server with that ProgID.
    TStatelessCDataSet *AddRemoteDataSet(const QString &name, const QString &serverName,
                                         const QString &providerName);
    // Opens the dataset through the module's connection with its current command text and
    // parameters; the links are dropped afterwards, also when the open fails.
    void OpenRemote(TClientDataSet *dataSet);
    void DisConnection();
    // Puts the whole data packet of source (its records and their pending changes) into
    // target, without a server call; a closed source leaves target closed.
    static void CopyDataPacket(TClientDataSet *target, TClientDataSet *source);

    // --- the master rows ---
    // The master dataset; none in this base.
    virtual TClientDataSet *GetMasterDataSet() { return nullptr; }
    // Closes the master; descendants then set its statement from WhereMaster.
    virtual void DoMasterCommand();
    // When the condition (a WHERE text without the word) differs from the one the master was
    // last read with: stored, DoMasterCommand, the master read through the module's connection.
    void OpenMaster(const QString &where);
    // The whole data packet of the dataset into the master, without a server call.
    void OpenMaster(TClientDataSet *dataSet);
    const QString &WhereMaster() const { return FWhereMaster; }
    void SetWhereMaster(const QString &where) { OpenMaster(where); }

    // --- how fields show ---
    // The get-text handler of coded fields: the look-up dataset's result for the field's own
    // value, else the field's own text.
    void GetLookUpText(TField *field, QString &text, bool displayText);
    TLumFieldDisplays *FieldDisplays() const { return FFieldDisplays; }
    // A code table of this module with that filter ("Main_Code='NUNT'"), ordered by Code and
    // opened at once from the process's shared copy.
    TCodeTableCDS *AddCodeTable(const QString &name, const QString &filter);
    // The field shows the Descript of its code in the code table, whenever the dataset opens.
    void ShowCodeText(TDataSet *dataSet, const QString &fieldName, TDataSet *codeTable);
    void SetFieldLabels(TDataSet *dataSet, const QList<std::pair<QString, QString>> &labels);

    // --- output ---
    // The preview window (modeless, freed when closed; or modal).
    void ShowPreview(bool modal = false);
    // Prints on the default printer, or on the one chosen in the print dialog.
    void PrintReport(bool withDialog = false);

protected:
    // Before a run lays the report out; printReport false prints nothing.
    virtual void DoBeforePrint(bool &printReport);
    virtual void DoAfterPrint() {}
    // Reads the master with the statement DoMasterCommand set.
    virtual void DoOpenMaster();
    // Takes the rows of OpenMaster(dataset).
    virtual void DoCopyMaster(TClientDataSet *dataSet);

private:
    TLumRemoteData *FRemoteData;
    TLumFieldDisplays *FFieldDisplays;
    QString FWhereMaster;
    bool FReadByWhere = false; // the master holds the rows of FWhereMaster
};
