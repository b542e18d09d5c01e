#pragma once
// The help reader ("輔助說明"): the help document of a job package, kept by the version server
// and shown read-only, as a page when it is HTML and as plain text otherwise. The packages to
// choose from are those of the client-application list; the job started last is chosen first.

#include "Form.h"

class QComboBox;
class QTextBrowser;
class TClientAppsCDS;

class TSYSHelpReadForm : public TForm {
    Q_OBJECT
public:
    TSYSHelpReadForm();

    QComboBox *cbPackage = nullptr;
    QTextBrowser *memHelp = nullptr;
    TClientAppsCDS *ClientApps = nullptr;

    // Fills the choice of packages from the client-application list.
    void LoadPackages();
    // Shows the help document of a package, or says that it has none.
    void ShowHelp(const QString &fileName);
    // The text of a help document: UTF-8 when it starts with a UTF-8 byte-order mark, Big5
    // otherwise.
    static QString HelpText(const QByteArray &document);

private:
    void cbPackageChange(int index);
    bool FFirstShow = true;
};
