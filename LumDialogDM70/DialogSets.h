#pragma once
// The dialog components job forms drop on themselves: each keeps the dialog's inputs as
// properties, checks them, shows the dialog and keeps its results.

#include "Component.h"
#include "DataSource.h"
#include "ulumTreeToolDlg.h"

#include <QString>

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
