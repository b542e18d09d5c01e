#pragma once
// The new-person dialog ("新增"): the name and the identity number of a new person (national
// identity number, "身分證號") or company (unified business number, "統一編號"). A number
// that fails its checksum is refused and the dialog stays open until a valid pair is given or
// the user cancels.

#include <QDialog>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

enum class TIDStyle { itPerson, itCompany };

class TDlgGetNewID : public QDialog {
    Q_OBJECT
public:
    explicit TDlgGetNewID(QWidget *parent = nullptr);

    QGroupBox *gbID = nullptr;
    QLabel *lbName = nullptr;
    QLineEdit *edName = nullptr;
    QLabel *lbID = nullptr;
    QLineEdit *edID = nullptr;
    QCheckBox *cbIDCheck = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;

    QString GetID() const;
    void SetID(const QString &id);
    QString GetIDName() const;
    void SetIDName(const QString &name);
    TIDStyle IDStyle() const { return FStyle; }
    void SetIDStyle(TIDStyle style);
    // Whether the number passes the check of the style (always, when the check is off).
    bool IDCheck() const;
    bool OK() const { return FOK; }

private:
    void btnOKClick();
    TIDStyle FStyle = TIDStyle::itPerson;
    bool FOK = false;
};

// Ask for a new person or company; on OK name and id take the trimmed texts entered. The
// Validate variants do not show the check box; the number is checked in every variant.
bool GetNewPerson(QString &name, QString &id);
bool GetNewCompany(QString &name, QString &id);
bool GetNewPersonValidate(QString &name, QString &id);
bool GetNewCompanyValidate(QString &name, QString &id);
