#pragma once
// The sort form "設定排序欄位": the user ticks the fields of a client dataset in the order the
// rows are to be sorted by. The left list shows the order, the right list every field that can
// be sorted on; every tick applies the order to the dataset at once, either through an index
// definition chosen by name or through the dataset's index field names.

#include "DBCheckListBox.h"

#include <QDialog>
#include <vector>

class QGroupBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TClientDataSet;
class TField;

// How the sort form orders the dataset.
enum TClientSortType { cstByIndexName, cstByFieldName };

class TTqClientDataSetSortDlg : public QDialog {
    Q_OBJECT
public:
    explicit TTqClientDataSetSortDlg(QWidget *parent = nullptr);

    QGroupBox *gbSelected;
    QListWidget *lbSortSelected;
    QGroupBox *gbFields;
    QListWidget *clbSortFields;
    QPushButton *btnClose;

    TClientDataSet *GetDataSet() const { return FDataSet; }
    // A new dataset starts with an empty order.
    void SetDataSet(TClientDataSet *dataSet);
    // The order as display labels, one per line; labels that match no offered field are
    // dropped.
    void SetSortFieldNames(const QString &text);
    QString GetSortFieldNames() const;
    // Fields whose tag class is in the set are not offered.
    void SetDisableTagValue(TTAOptions options);
    TClientSortType SortBy() const { return FSortBy; }
    void SetSortBy(TClientSortType sortBy) { FSortBy = sortBy; }

    // Lists the offered fields, ticked when they are in the order, and applies the order.
    void InitialSortFileds();
    // Applies the order of the left list to the dataset.
    void SortChange();
    // Field names joined by ";", empty for the natural order.
    void DoSortBy(const QString &fieldNames);
    void SortByIndexName(const QString &fieldNames);
    void SortByIndexFieldName(const QString &fieldNames);
    // Replaces the order by these fields.
    void SortFields(const std::vector<TField *> &fields);
    // Shows the form modally.
    void Execute();

    // Whether a field can be sorted on under the disabled tag classes.
    static bool Offered(const TField *field, TTAOptions disabled);

private:
    void FieldTicked(QListWidgetItem *item);
    TClientDataSet *FDataSet = nullptr;
    bool FInitialing = false;
    TTAOptions FDisableTagValue{N_9};
    TClientSortType FSortBy = cstByIndexName;
};
