#pragma once
// The dialog components job forms drop on themselves: each keeps the dialog's inputs as
// properties, checks them, shows the dialog and keeps its results.

#include "Component.h"
#include "DataSource.h"
#include "StringList.h"
#include "uJobScheduleDlg.h"
#include "uTqClientDataSetSortDlg.h"
#include "ulumTreeToolDlg.h"

#include <QString>
#include <functional>

// Exports the dataset of its data source to a workbook through the export window. FileName
// is where the window's open dialog starts; afterwards it holds the file last chosen there.
class TDataToExcelDialog : public TComponent {
    Q_OBJECT
public:
    explicit TDataToExcelDialog(QObject *owner = nullptr);
    ~TDataToExcelDialog() override;
    QString ClassName() const override { return QStringLiteral("TDataToExcelDialog"); }

    QString FileName() const { return FFileName; }
    void SetFileName(const QString &fileName) { FFileName = fileName; }
    TDataSource *DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource *source) { SetLink(FDataSource, source); }

    // Raises "Data Set Is Nil" without a data source or dataset; opens a closed dataset.
    void CheckDataSet();
    void Execute();

    void Notification(TComponentBase *component, TOperation operation) override;

private:
    QString FFileName;
    TDataSource *FDataSource = nullptr;
};

// ---- the job schedule, the filter and the sort ----------------------------------------------

// Shows the schedule of one job, kept on the job-security server.
class TJobScheduleDialog : public TComponent {
    Q_OBJECT
public:
    explicit TJobScheduleDialog(QObject *owner = nullptr);
    ~TJobScheduleDialog() override;
    QString ClassName() const override { return QStringLiteral("TJobScheduleDialog"); }

    QString JobName() const { return FJobName; }
    void SetJobName(const QString &name) { FJobName = name; }
    QString JobDescription() const { return FJobDescription; }
    void SetJobDescription(const QString &description) { FJobDescription = description; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }

    // Raises "JobName or JobDescription is Empty" when either is empty; the 12 stored day sets
    // when the user confirmed, otherwise 12 zeros.
    TJobSchedule Execute();

private:
    QString FJobName;
    QString FJobDescription;
    bool FReadOnly = false;
};

class TDataFilterDialog;
using TDataFilterNotifyEvent = std::function<void(TDataFilterDialog *sender)>;

// Lets the user compose a row condition for the dataset of its data source in the dynamic
// filter form. FilterLines keeps the readable text and FilterCondition the SQL form of the
// last accepted condition; the next run continues from them. With AutoFilter the condition is
// also applied to the dataset as its client-side filter.
class TDataFilterDialog : public TComponent {
    Q_OBJECT
public:
    explicit TDataFilterDialog(QObject *owner = nullptr);
    ~TDataFilterDialog() override;
    QString ClassName() const override { return QStringLiteral("TDataFilterDialog"); }

    QString Caption() const { return FCaption; }
    void SetCaption(const QString &caption) { FCaption = caption; }
    TDataSource *DataSource() const { return FDataSource; }
    // Another data source clears the kept condition; the same one keeps it.
    void SetDataSource(TDataSource *source);
    // FieldName=condition lines: the code-table rows whose codes a field takes, e.g.
    // Sex=Main_Code='NSEX'. The lists are copied.
    const TStringList &CodeMaps() const { return FCodeMaps; }
    void SetCodeMaps(const TStringList &maps) { FCodeMaps.Assign(maps); }
    // FieldName=TreeName lines: the stored code tree that helps to enter a field's value.
    const TStringList &TreeMaps() const { return FTreeMaps; }
    void SetTreeMaps(const TStringList &maps) { FTreeMaps.Assign(maps); }
    bool AutoFilter() const { return FAutoFilter; }
    void SetAutoFilter(bool autoFilter) { FAutoFilter = autoFilter; }
    TDataFilterNotifyEvent BeforeFilter, AfterFilter;

    TStringList FilterLines;
    QString FilterCondition;

    // "( condition )", also for an empty condition.
    QString GetFilter() const;
    void Clear();
    // Raises "DataSource Is Nil" or "DataSource.DataSet Is Nil".
    void CheckDataSet() const;
    // True when the user accepted a condition; a cancelled run keeps the previous one.
    bool Execute();

    void Notification(TComponentBase *component, TOperation operation) override;

private:
    QString FCaption;
    TDataSource *FDataSource = nullptr;
    TStringList FCodeMaps;
    TStringList FTreeMaps;
    bool FAutoFilter = false;
};

// Lets the user order the rows of a client dataset by ticking fields in the sort form; the
// order is applied at every tick and stays on the dataset. SortFields holds the display labels
// of the order, one per line, before and after a run.
class TDataSortDialog : public TComponent {
    Q_OBJECT
public:
    explicit TDataSortDialog(QObject *owner = nullptr);
    ~TDataSortDialog() override;
    QString ClassName() const override { return QStringLiteral("TDataSortDialog"); }

    TDataSource *DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource *source) { SetLink(FDataSource, source); }
    // Fields whose tag class is in the set are not offered.
    TTAOptions OptionsTagValue() const { return FOptionsTagValue; }
    void SetOptionsTagValue(TTAOptions options) { FOptionsTagValue = options; }
    TClientSortType SortBy() const { return FSortBy; }
    void SetSortBy(TClientSortType sortBy) { FSortBy = sortBy; }
    const TStringList &SortFields() const { return FSortFields; }
    void SetSortFields(const TStringList &fields) { FSortFields.Assign(fields); }

    // Raises "Data Set Is Nil" without a data source or dataset and "DataSet must be
    // TClientDataSet " when the dataset is not a client dataset.
    void CheckDataSet() const;
    void Execute();

    void Notification(TComponentBase *component, TOperation operation) override;

private:
    TDataSource *FDataSource = nullptr;
    TTAOptions FOptionsTagValue{N_9};
    TClientSortType FSortBy = cstByIndexName;
    TStringList FSortFields;
};

// ---- code trees and addresses ----

// Edits a stored code tree in the tree editor with the tools of EditStyle.
class TCodeTreeEditDialog : public TComponent {
    Q_OBJECT
public:
    explicit TCodeTreeEditDialog(QObject *owner = nullptr) : TComponent(owner) {}
    QString ClassName() const override { return QStringLiteral("TCodeTreeEditDialog"); }

    QString TreeName;
    TTreeEditStyle EditStyle;

    // False at once without a tree name; else whether the editor wrote the tree back.
    bool Execute();
};

// Picks one code from a stored tree (or from TreeFileName, or from the tree's cached file).
class TCodeTreeInputDialog : public TComponent {
    Q_OBJECT
public:
    explicit TCodeTreeInputDialog(QObject *owner = nullptr) : TComponent(owner) {}
    QString ClassName() const override { return QStringLiteral("TCodeTreeInputDialog"); }

    QString TreeName;
    QString TreeFileName;
    // The node to preselect, and after OK the chosen code.
    QString Code;
    bool LevelCoding = false;
    // After OK: the chosen node's text and its trace text.
    QString Description;
    QString TraceText;

    // Raises "TreeName 未設定" without a tree name. On OK Code, Description and TraceText
    // take the chosen node's; otherwise they keep theirs.
    bool Execute();
    // Code + "," + Description.
    QString GetText() const { return Code + u',' + Description; }
};

// An address in the form of Taiwan's administrative divisions, composed in the address aid.
class TROCAddrInputDialog : public TComponent {
    Q_OBJECT
public:
    explicit TROCAddrInputDialog(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TROCAddrInputDialog"); }

    QString Code;    // post code
    QString County;  // county or city
    QString City;    // township, town, city district
    QString Village; // village or neighbourhood
    QString Road;    // the rest of the address
    const QString &LinNo() const { return FLinNo; }
    // Keeps only the digits 0-9.
    void setLinNo(const QString &text);
    // LinNo followed by "鄰", or empty without a number.
    QString GetLinNo() const;

    // The folder of the post-code tree files; a folder given without its closing separator
    // gets one.
    const QString &PostFileDir() const { return FPostFileDir; }
    void SetPostFileDir(const QString &dir);

    // Splits the address into county, township, village, neighbourhood number and road by
    // the first marker of each level found.
    void ParserAddress(const QString &address);
    QString GetAddress() const;
    // Parses a non-empty address and lets the user compose it in the address aid; on OK the
    // parts and address take what was composed, else everything stays as it was.
    bool Execute(QString &address);

private:
    QString FLinNo;
    QString FPostFileDir;
};
