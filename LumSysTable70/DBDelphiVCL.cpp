#include "DBDelphiVCL.h"

#include "Big5.h"
#include "ClientDataSet.h"
#include "Exceptions.h"
#include "Fields.h"
#include "RadServer.h"
#include "SystemObjServers.h"
#include "uObjServers.h"

#include <QCoreApplication>
#include <QTreeWidget>

namespace {

TSystemTable *gDelphiVCL = nullptr;

void AddLabelledField(TDataSet *ds, TFieldType type, const char *name, int size,
                      const char *label) {
    ds->AddField(type, QLatin1String(name), size)->SetDisplayLabel(QString::fromUtf8(label));
}

int Depth(const QString &line) {
    int depth = 0;
    while (depth < line.size() && line[depth] == u'\t')
        ++depth;
    return depth;
}

void WriteItem(const QTreeWidgetItem *item, int depth, QString &out) {
    out += QString(depth, u'\t') + item->text(0) + u'\n';
    for (int i = 0; i < item->childCount(); ++i)
        WriteItem(item->child(i), depth + 1, out);
}

constexpr QLatin1String kTagSetting("#Tag=");

// The tree's Tag travels with the document as its "#Tag=" setting.
int TagOf(const QStringList &settings) {
    for (const QString &line : settings)
        if (line.startsWith(kTagSetting))
            return line.mid(kTagSetting.size()).trimmed().toInt();
    return 0;
}

QStringList WithTag(QStringList settings, int tag) {
    for (QString &line : settings)
        if (line.startsWith(kTagSetting)) {
            line = QString(kTagSetting) + QString::number(tag);
            return settings;
        }
    if (tag != 0)
        settings.prepend(QString(kTagSetting) + QString::number(tag));
    return settings;
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
    AddLabelledField(this, ftString, "AClassName", 30, "類別");
    AddLabelledField(this, ftString, "Description", 60, "說明");
}

TSystemTable *TDelphiVCLCDS::GetSystemTable() {
    return DelphiVCLSystemTable();
}

// ---- tree text ----

void TreeTextToView(const QString &text, QTreeWidget *view, QStringList *settings) {
    view->clear();
    if (settings)
        settings->clear();
    // The last item seen at each depth: a line's parent is the item one level up.
    std::vector<QTreeWidgetItem *> path;
    bool inHeader = true;
    const QStringList lines = QString(text).remove(u'\r').split(u'\n');
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        if (inHeader && line.startsWith(u'#')) {
            if (settings)
                settings->append(line);
            continue;
        }
        inHeader = false;
        // A line more than one level deeper than the one above hangs under the deepest open
        // item rather than being dropped.
        const int depth = std::min<int>(Depth(line), static_cast<int>(path.size()));
        path.resize(static_cast<size_t>(depth));
        QTreeWidgetItem *item =
            depth == 0 ? new QTreeWidgetItem(view) : new QTreeWidgetItem(path.back());
        item->setText(0, line.mid(Depth(line)));
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
    FView->setProperty("Tag", TagOf(settings));
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
    Settings = WithTag(Settings, FView->property("Tag").toInt());
    const QByteArray bytes = Big5Encode(TreeViewToText(FView, Settings));
    if (OnAfterWriteVCL)
        OnAfterWriteVCL(this);
    Check(FServer, FServer->UpdateVCL(FVCLName, AClassName, Description, Variant(bytes)));
    if (OnAfterUpdateVCL)
        OnAfterUpdateVCL(this);
}
