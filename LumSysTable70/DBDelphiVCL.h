#pragma once
// Stored components: documents kept by the stored-component server ("SystemObj.DelphiVCLINTF"),
// one per name, listed by TDelphiVCLCDS. TDBDelphiVCL binds a tree view to one stored tree:
// loading fills the tree from the document, updating writes the tree back. A document's
// category (Main_Code, "總表類別": the code-table category a tree mirrors) is given through the
// list, before or after the document is written; writing keeps it, and a new document has none
// until the list gives it one (older rows may carry "TREE" for none).
//
// A stored tree is text in Big5 bytes: one node per line, nested by leading tabs (a node one
// tab deeper than the line above is its child). Lines starting with "#" before the first node
// carry the tree's own settings as "#Name=Value" (e.g. "#Tag=1"); they are kept as they are.
// "#Tag" is the tree view's Tag property (bit 0: level coding): loading sets it, updating
// writes the view's current Tag.

#include "uSystemTable.h"

#include <QStringList>
#include <functional>

class QTreeWidget;
class TRADObjectBroker;
class TVCLServer;

class TDelphiVCLCDS : public TClonedDataSet {
    Q_OBJECT
public:
    explicit TDelphiVCLCDS(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TDelphiVCLCDS"); }
    TSystemTable *GetSystemTable() override;
};

// The process-wide copy of the stored-component list, created on first use.
TSystemTable *DelphiVCLSystemTable();

// Tree text and tree views.
void TreeTextToView(const QString &text, QTreeWidget *view, QStringList *settings = nullptr);
QString TreeViewToText(const QTreeWidget *view, const QStringList &settings = {});

using TVCLNotifyEvent = std::function<void(QObject *sender)>;

class TDBDelphiVCL : public TComponent {
    Q_OBJECT
public:
    explicit TDBDelphiVCL(QObject *owner = nullptr);
    QString ClassName() const override { return QStringLiteral("TDBDelphiVCL"); }

    QTreeWidget *VCLComponent() const { return FView; }
    void SetVCLComponent(QTreeWidget *view);
    const QString &VCLName() const { return FVCLName; }
    // Selects the document that loading reads and updating writes; nothing is loaded.
    void SetVCLName(const QString &name);
    // The server the documents come from; by default one of its own on the "SystemObj" hosts.
    TVCLServer *Server() const { return FServer; }

    // Whether the server holds a document of this name.
    bool GetExisted();
    bool ActiveLoaded() const { return FActiveLoaded; }
    // True loads the document into the bound tree; False empties it.
    void SetLoadActive(bool value);
    // Writes the bound tree back as the document (its class and description kept).
    void UpdateVCL();

    // Settings lines and description of the loaded document.
    QStringList Settings;
    QString Description;
    QString AClassName = QStringLiteral("TTreeView");

    TVCLNotifyEvent OnBeforeLoaded, OnAfterLoaded, OnBeforeWriteVCL, OnAfterWriteVCL,
        OnAfterUpdateVCL;

private:
    void LoadVCL();
    QTreeWidget *FView = nullptr;
    QString FVCLName;
    bool FActiveLoaded = false;
    TRADObjectBroker *FBroker;
    TVCLServer *FServer;
};
