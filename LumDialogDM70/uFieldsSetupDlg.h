#pragma once
// The field setup "欄位設定": a check list of the fields of a data source; ticking a field
// shows it and unticking hides it, so a grid on the same dataset shows or hides the column at
// once.

#include <QDialog>

class QGroupBox;
class QPushButton;
class TDBCheckListBox;
class TDataSource;

class TFieldsSetupdlg : public QDialog {
    Q_OBJECT
public:
    explicit TFieldsSetupdlg(QWidget *parent = nullptr);

    QGroupBox *gbFieldsTitle;
    TDBCheckListBox *dbclbFields;
    QPushButton *btnOK;

    // The group's caption becomes `caption` and the list shows the fields of the data source;
    // shows the form modally.
    void Execute(const QString &caption, TDataSource *dataSource);

private:
    void FieldClicked();
};

// Creates the field setup, runs it for the data source and frees it.
void HandleFieldsSetup(const QString &caption, TDataSource *dataSource);
