#pragma once
// TQueryFormBase: what the two query forms (TBaseTBQueryForm and TBaseTBQueryFormCDS) share.
// A query form lets a user set conditions on the page "基本篩選" (the job form's criteria
// edits) and "進階篩選" (a condition composed in the filter form), fetch the matching rows,
// look at them in a grid with their count, choose the visible columns ("資訊選取") and the
// order ("排序", the fields in the order they were ticked), and print or export them.
//
// The dataset behind the form is GetActiveDataSet; the two query forms put different ones
// there. Changing a criterion closes the data (CodeChange), so that the rows shown never
// disagree with the criteria, and the query can be run again.

#include "uBaseTBForm.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSplitter;
class QTabWidget;
class QToolButton;
class QVBoxLayout;
class TDBCheckListBox;
class TDBGrid;
class TDBWRTable;
class TDataFilterDialog;
class TDocuReport;

class TQueryFormBase : public TBaseTBForm {
    Q_OBJECT
public:
    explicit TQueryFormBase(QWidget *parent = nullptr);
    ~TQueryFormBase() override;

    QSplitter *Splitter1;
    QTabWidget *PageControl;
    QWidget *tsSelect, *tsAdvanceSelect, *tsFieldVisble, *tsSort, *tsAdvanceTools;
    QToolButton *btnAdvanceSelect;
    QPlainTextEdit *Memo;
    TDBCheckListBox *dbclbFields;
    QGroupBox *gbSortFields, *gbSortSelected;
    QListWidget *clbSortFields, *lbSortSelected;
    QGroupBox *gbItems, *gbTotal;
    TDBGrid *DBGrid;
    QLabel *lbCount;
    QLineEdit *edCount;
    QAction *btnDevider3;
    TDataSource *ActiveSource;
    // The fields the advanced filter offers, defined by the job form.
    TClientDataSet *FilterFields;
    TDataSource *FilterSource;
    TDataFilterDialog *DataFilterDialog;
    TDocuReport *DocuReport;
    TDBWRTable *DBWRTable;
    TAction *DataAdvanceSelect;

    // Puts a job form's criteria on the page "基本篩選", above the advanced-filter button.
    void AddSelectWidget(QWidget *widget);

    // The dataset the form works on.
    virtual TClientDataSet *GetActiveDataSet() const = 0;
    // Orders the dataset by the semicolon-separated fields (SortByIndexName).
    virtual void DoSortBy(const QString &fields);
    // A criterion changed: the data close, and the query can run again.
    virtual void CodeChange();
    // Sets the dataset's command or parameters from the criteria, right before it opens.
    virtual void DoQueryCommand() {}
    // The condition chosen in the advanced filter.
    virtual QString GetQueryWhere() const { return FQueryWhere; }
    virtual void DoBeforePrint() {}

    // A different condition is kept and closes the data; the same one changes nothing.
    void SetWhereFilter(const QString &condition);
    // "( a And b )", or whichever of the two is not empty.
    static QString AndCond(const QString &a, const QString &b);
    static QString OrCond(const QString &a, const QString &b);
    void DataAdvanceSelectExecute();
    void DataPrintExecute();
    void dbclbFieldsClickCheck(TDBCheckListBox *sender);
    // The dataset's current index becomes one over exactly these fields: an index definition
    // over them when there is one, otherwise a new one. An empty list is the default order.
    void SortByIndexName(const QString &fields);
    void SortByIndexFieldName(const QString &fields);
    // Shows the number of rows in "筆數:".
    void SetTotalCount(int count);
    int TotalCount() const { return FTotalCount; }
    // Lists the dataset's data fields for sorting; lines of the sort order preset by the job
    // form keep their place when a field carries their label, the others go.
    void InitialSortFileds();
    void clbSortFieldsClickCheck(int index);
    void SortChange();

    void OpCtrl() override;
    void DoDataOpen() override;
    void DoDataClose() override;
    void DoDataInsert() override;
    void DoDataEdit() override;
    void DoDataDelete() override;
    void DoDataApplyUpdates() override;
    void DoDataCancelUpdates() override;
    void DoFormInitial() override;
    void FormCreate() override;

protected:
    // The dataset's handlers that keep the actions in line; descendants call it for the
    // dataset they put behind the form.
    void HookDataSet(TClientDataSet *dataSet);
    QVBoxLayout *SelectLayout;

private:
    QString FQueryWhere;
    int FTotalCount = 0;
    bool FInitialing = false;
};
