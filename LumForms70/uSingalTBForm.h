#pragma once
// Table forms on one client dataset. TSingalTBForm fills the table form's hooks for the
// dataset behind ActiveSource; TSingalTBMultiRecForm lays it out as a grid of many records
// with a field check-list and the edit area below; TSingalTBOneRecForm reads one record by
// its number.

#include "uBaseTBForm.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QSplitter;
class QTableView;
class QToolButton;
class QVBoxLayout;
class TDBCheckListBox;
class TDBGridModel;

class TSingalTBForm : public TBaseTBForm {
    Q_OBJECT
public:
    explicit TSingalTBForm(QWidget *parent = nullptr);
    ~TSingalTBForm() override;
    QString ClassName() const override { return QStringLiteral("TSingalTBForm"); }

    // The selection panel at the top, with a flat button for DataOpen.
    QWidget *plDataSelection;
    QToolButton *btnDataOpen;
    // The edit area; job forms put their data-aware controls into it.
    QGroupBox *gbEdit;
    TDataSource *ActiveSource;
    TClientDataSet *ActiveDataSet;

    void OpCtrl() override;
    void DoDataOpen() override;
    void DoDataClose() override;
    void DoDataInsert() override;
    void DoDataEdit() override;
    void DoDataDelete() override;
    void DoDataApplyUpdates() override;
    void DoDataCancelUpdates() override;

    void ActiveDataSetBeforeEdit(TDataSet *dataSet);
    void ActiveDataSetBeforeDelete(TDataSet *dataSet);
    void ActiveDataSetAfterScroll(TDataSet *dataSet);
    void ActiveSourceStateChange(TDataSource *source);

protected:
    // The client dataset behind ActiveSource, or nullptr.
    TClientDataSet *ActiveClientDataSet() const;
    QVBoxLayout *ClientLayout;
};

class TSingalTBMultiRecForm : public TSingalTBForm {
    Q_OBJECT
public:
    explicit TSingalTBMultiRecForm(QWidget *parent = nullptr);
    ~TSingalTBMultiRecForm() override;
    QString ClassName() const override { return QStringLiteral("TSingalTBMultiRecForm"); }

    QGroupBox *gbDataArea;
    TDBCheckListBox *DBCheckListBox;
    QTableView *DBGrid;
    TDBGridModel *DBGridModel;

    // The field of the check-list's current item shows exactly when its item is checked.
    void DBCheckListBoxClickCheck(TDBCheckListBox *sender);
};

class TSingalTBOneRecForm : public TSingalTBForm {
    Q_OBJECT
public:
    explicit TSingalTBOneRecForm(QWidget *parent = nullptr);
    QString ClassName() const override { return QStringLiteral("TSingalTBOneRecForm"); }

    QLabel *lbNo;
    QLineEdit *edNo;

    // The trimmed number typed in edNo.
    QString GetNo() const;
    // A different number is put into edNo and read at once.
    void SetNo(const QString &value);

    void DoDataOpen() override;
    void OpCtrl() override;
};
