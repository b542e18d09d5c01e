#pragma once
// A read-only index of people (students, staff) on a provider of an application server: a
// search box above a grid, and a status line under it. Typing in the search box moves to the
// first record that matches; Enter moves on to the next one, round to the first. Text of
// letters and digits only is a number, matched at the start of the number field (any letter
// case); any other text is matched anywhere in the name field.

#include "Form.h"
#include "uJobServerData.h"

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class TDBGridModel;
class TDataSource;

struct TIndexGridSetup {
    QString FormName;
    QString Caption;
    int DockTag = 1;
    QString ProgID;
    QString ProviderName;
    QString NumberField;
    QString NameField;
    QString SearchLabel;
    QList<TJobField> Fields;
};

class TIndexGridForm : public TForm {
    Q_OBJECT
public:
    explicit TIndexGridForm(const TIndexGridSetup &setup);

    QLabel *lblSearch = nullptr;
    QLineEdit *edSearch = nullptr;
    QPushButton *btnRefresh = nullptr;
    QTableView *grdIndex = nullptr;
    QLabel *lblStatus = nullptr;
    TJobServerData *ServerData = nullptr;
    TClientDataSet *IndexCDS = nullptr;
    TDataSource *dsIndex = nullptr;
    TDBGridModel *IndexModel = nullptr;

    // Reads the index from the server again.
    void RefreshIndex();
    // Moves to the first matching record from the top (next: from the record after the
    // current one, round to the first). False, with the record left where it is, when none
    // matches.
    bool Search(const QString &text, bool next);
    // Reads the index again and moves to the record of that number; false when it is not
    // there.
    bool RefreshAndLocate(const QString &number);

protected:
    // A button of the form's own, on the search row before "重新整理".
    QPushButton *AddToolButton(const QString &name, const QString &caption);
    // Any other control of the form's own, there too.
    void AddToolWidget(QWidget *widget);

private:
    void FormShow();
    void ShowCount();
    bool Matches(int position, const QString &text, bool number);

    TIndexGridSetup FSetup;
    QHBoxLayout *FToolRow = nullptr;
    bool FFirstShow = true;
};
