#include "uSYSHelpReadForm.h"

#include "Big5.h"
#include "RadServer.h"
#include "uClientAppControl.h"
#include "uClientVersionControl.h"
#include "uJobGuard.h"

#include <QBuffer>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {
const QString kOwnFile = QStringLiteral("LumSYSHelpRead.bpl");
} // namespace

TSYSHelpReadForm::TSYSHelpReadForm() {
    SetName(QStringLiteral("SYSHelpReadForm"));
    SetCaption(QStringLiteral("輔助說明"));
    SetTag(2); // the shell's item area
    SetDragKind(TDragKind::dkDock);
    resize(560, 460);

    ClientApps = new TClientAppsCDS(this);

    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("作業:"), this);
    cbPackage = new QComboBox(this);
    cbPackage->setObjectName(QStringLiteral("cbPackage"));
    label->setBuddy(cbPackage);
    bar->addWidget(label);
    bar->addWidget(cbPackage, 1);
    layout->addLayout(bar);
    memHelp = new QTextBrowser(this);
    memHelp->setObjectName(QStringLiteral("memHelp"));
    memHelp->setOpenLinks(false);
    layout->addWidget(memHelp, 1);

    connect(cbPackage, &QComboBox::currentIndexChanged, this,
            [this](int index) { cbPackageChange(index); });
    OnShow = [this] {
        if (!FFirstShow)
            return;
        FFirstShow = false;
        RunGuarded([this] { LoadPackages(); });
    };
    OnClose = [](TCloseAction &action) { action = TCloseAction::caFree; };
}

void TSYSHelpReadForm::LoadPackages() {
    ClientApps->Close();
    ClientApps->Open();
    // The list is shown before any document is read; the choice below reads one.
    const QSignalBlocker quiet(cbPackage);
    cbPackage->clear();
    TField *name = ClientApps->FieldByName(QStringLiteral("FileName"));
    TField *description = ClientApps->FieldByName(QStringLiteral("Descript"));
    for (ClientApps->First(); !ClientApps->Eof(); ClientApps->Next()) {
        const QString text =
            description->AsString().isEmpty()
                ? name->AsString()
                : QStringLiteral("%1 (%2)").arg(description->AsString(), name->AsString());
        cbPackage->addItem(text, name->AsString());
    }
    // The job the user started last, if it is listed.
    int chosen = cbPackage->count() > 0 ? 0 : -1;
    const QList<TClientAppControl *> jobs = ClientExecuteManager->Entries();
    for (auto it = jobs.crbegin(); it != jobs.crend(); ++it) {
        if ((*it)->AppName.compare(kOwnFile, Qt::CaseInsensitive) == 0)
            continue;
        const int index = cbPackage->findData((*it)->AppName, Qt::UserRole, Qt::MatchFixedString);
        if (index >= 0) {
            chosen = index;
            break;
        }
    }
    cbPackage->setCurrentIndex(chosen);
    if (chosen >= 0)
        ShowHelp(cbPackage->itemData(chosen).toString());
    else
        memHelp->setPlainText(QStringLiteral("沒有可查詢的作業"));
}

void TSYSHelpReadForm::cbPackageChange(int index) {
    if (index >= 0)
        RunGuarded([&] { ShowHelp(cbPackage->itemData(index).toString()); });
}

QString TSYSHelpReadForm::HelpText(const QByteArray &document) {
    static const QByteArray bom("\xEF\xBB\xBF");
    if (document.startsWith(bom))
        return QString::fromUtf8(document.mid(bom.size()));
    return Big5Decode(document);
}

void TSYSHelpReadForm::ShowHelp(const QString &fileName) {
    QBuffer document;
    document.open(QIODevice::ReadWrite);
    SysVersionServer->GetClientAppsHelp(fileName, document);
    const QString text = HelpText(document.data());
    if (text.trimmed().isEmpty())
        memHelp->setPlainText(QStringLiteral("此作業尚無輔助說明"));
    else if (Qt::mightBeRichText(text))
        memHelp->setHtml(text);
    else
        memHelp->setPlainText(text);
}
