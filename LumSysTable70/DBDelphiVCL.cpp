#include "DBDelphiVCL.h"

#include "Big5.h"
#include "ClientDataSet.h"
#include "Exceptions.h"
#include "Fields.h"
#include "RadServer.h"
#include "SystemObjServers.h"
#include "uObjServers.h"
#include "uTreeText.h"

#include <QCoreApplication>
#include <QTreeWidget>

namespace {

TSystemTable *gDelphiVCL = nullptr;

void AddLabelledField(TDataSet *ds, TFieldType type, const char *name, int size,
                      const char *label) {
    ds->AddField(type, QLatin1String(name), size)->SetDisplayLabel(QString::fromUtf8(label));
}

void WriteItem(const QTreeWidgetItem *item, int depth, QString &out) {
    out += QString(depth, u'\t') + item->text(0) + u'\n';
    for (int i = 0; i < item->childCount(); ++i)
        WriteItem(item->child(i), depth + 1, out);
}

// Raises the server's error for a failed call.
void Check(TVCLServer *server, HRESULT status) {
    if (!Succeeded(status))
        throw EOleSysError(server->LastErrorText().isEmpty() ? QStringLiteral("Unspecified error")
                                                             : server->LastErrorText(),
                           status);
}

} // namespace

// ---- TDelphiVCLCDS ----

TSystemTable *DelphiVCLSystemTable() {
    if (!gDelphiVCL) {
        gDelphiVCL = new TSystemTable(nullptr, QStringLiteral("SystemObj.DelphiVCLINTF"),
                                      QStringLiteral("xspDelphiVCL"));
        gDelphiVCL->SetName(QStringLiteral("DelphiVCL"));
        if (QCoreApplication::instance())
            qAddPostRoutine([] {
                delete gDelphiVCL;
                gDelphiVCL = nullptr;
            });
    }
    return gDelphiVCL;
}

TDelphiVCLCDS::TDelphiVCLCDS(QObject *owner) : TClonedDataSet(owner) {
    AddLabelledField(this, ftString, "Main_Code", 12, "總表類別");
    AddLabelledField(this, ftString, "VCLName", 30, "元件名稱");
    // A stored component is keyed by its name: changes written back find their row by it.
    TField *name = FieldByName(QStringLiteral("VCLName"));
    name->SetProviderFlags(name->ProviderFlags() | pfInKey);
    AddLabelledField(this, ftString, "AClassName", 30, "類別");
    AddLabelledField(this, ftString, "Description", 60, "說明");
}

TSystemTable *TDelphiVCLCDS::GetSystemTable() {
    return DelphiVCLSystemTable();
}

// ---- tree text ----

void TreeTextToView(const QString &text, QTreeWidget *view, QStringList *settings) {
    view->clear();
    // The last item seen at each depth: a node's parent is the item one level up.
    std::vector<QTreeWidgetItem *> path;
    for (const TTreeTextNode &node : ParseTreeText(text, settings)) {
        path.resize(static_cast<size_t>(node.Depth));
        QTreeWidgetItem *item =
            node.Depth == 0 ? new QTreeWidgetItem(view) : new QTreeWidgetItem(path.back());
        item->setText(0, node.Text);
        path.push_back(item);
    }
}

QString TreeViewToText(const QTreeWidget *view, const QStringList &settings) {
    QString out;
    for (const QString &line : settings)
        out += line + u'\n';
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        WriteItem(view->topLevelItem(i), 0, out);
    return out;
}

// ---- TDBDelphiVCL ----

TDBDelphiVCL::TDBDelphiVCL(QObject *owner)
    : TComponent(owner), FBroker(new TRADObjectBroker(this, QStringLiteral("SystemObj"))),
      FServer(new TVCLServer(this)) {
    FServer->SetObjectBroker(FBroker);
}

void TDBDelphiVCL::SetVCLComponent(QTreeWidget *view) {
    FView = view;
}

void TDBDelphiVCL::SetVCLName(const QString &name) {
    // Only selects the document: a tree being written under a new name must not be replaced by
    // what the server holds under that name.
    FVCLName = name;
}

bool TDBDelphiVCL::GetExisted() {
    // Documents of every class count: the names are read from the server's list of all the
    // stored documents, not from those of this component's class.
    const bool openedHere = !FServer->Connected();
    TClientDataSet list;
    list.SetAppServer(FServer->GetServer());
    list.SetProviderName(QStringLiteral("xspDelphiVCL"));
    bool found = false;
    try {
        FServer->SetConnected(true);
        list.Open();
        found =
            !FVCLName.trimmed().isEmpty() &&
            list.Locate(QStringLiteral("VCLName"), Variant(FVCLName.trimmed()), loCaseInsensitive);
    } catch (...) {
        if (openedHere && FServer->AutoDisconnect())
            FServer->SetConnected(false);
        throw;
    }
    if (openedHere && FServer->AutoDisconnect())
        FServer->SetConnected(false);
    return found;
}

void TDBDelphiVCL::LoadVCL() {
    if (!FView)
        throw Exception(QStringLiteral("TDBDelphiVCL: no tree view is bound"));
    if (OnBeforeLoaded)
        OnBeforeLoaded(this);
    QString className, description;
    Variant data;
    Check(FServer, FServer->LoadVCL(FVCLName, className, description, data));
    QStringList settings;
    TreeTextToView(Big5Decode(data.IsEmptyOrNull() ? QByteArray() : data.ToBytes()), FView,
                   &settings);
    Settings = settings;
    FView->setProperty("Tag", TreeTextTag(settings));
    Description = description;
    if (!className.isEmpty())
        AClassName = className;
    if (OnAfterLoaded)
        OnAfterLoaded(this);
}

void TDBDelphiVCL::SetLoadActive(bool value) {
    if (value) {
        LoadVCL();
        FActiveLoaded = true;
        return;
    }
    FActiveLoaded = false;
    if (FView)
        FView->clear();
}

void TDBDelphiVCL::UpdateVCL() {
    if (!FView)
        throw Exception(QStringLiteral("TDBDelphiVCL: no tree view is bound"));
    if (OnBeforeWriteVCL)
        OnBeforeWriteVCL(this);
    Settings = TreeTextWithTag(Settings, FView->property("Tag").toInt());
    const QByteArray bytes = Big5Encode(TreeViewToText(FView, Settings));
    if (OnAfterWriteVCL)
        OnAfterWriteVCL(this);
    Check(FServer, FServer->UpdateVCL(FVCLName, AClassName, Description, Variant(bytes)));
    if (OnAfterUpdateVCL)
        OnAfterUpdateVCL(this);
}
