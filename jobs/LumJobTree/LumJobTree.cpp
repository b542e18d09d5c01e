// The job tree ("系統工作表"): the user's main form. It lists the jobs the user may run (from
// the job-management server, read at login) with their descriptions from the client-application
// list, grouped by the list's application type, and starts the chosen one through the version
// control, which downloads the package first when this computer lacks it or holds an old copy.
// It docks into the shell's main area.

#include "ClientDataSet.h"
#include "Fields.h"
#include "Packages.h"
#include "StringList.h"
#include "uClientAppControl.h"
#include "uClientVersionControl.h"
#include "uLoginUserInfo.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMap>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kFileNameRole = Qt::UserRole + 1;

// "A,教務" names the group "教務"; a type without a name is its own name.
QString GroupName(const QString &appType) {
    const qsizetype comma = appType.indexOf(u',');
    const QString name = comma < 0 ? appType : appType.mid(comma + 1);
    return name.trimmed().isEmpty() ? QStringLiteral("其他") : name.trimmed();
}

class TJobTreeForm : public TForm {
public:
    TJobTreeForm() {
        SetName(QStringLiteral("JobTreeForm"));
        SetCaption(QStringLiteral("系統工作表"));
        SetTag(1); // the shell's main area
        SetDragKind(TDragKind::dkDock);
        resize(360, 480);

        auto *layout = new QVBoxLayout(this);
        lblUser = new QLabel(this);
        lblUser->setObjectName(QStringLiteral("lblUser"));
        layout->addWidget(lblUser);
        tvJobs = new QTreeWidget(this);
        tvJobs->setObjectName(QStringLiteral("tvJobs"));
        tvJobs->setColumnCount(2);
        tvJobs->setHeaderLabels({QStringLiteral("作業"), QStringLiteral("檔案")});
        tvJobs->header()->setStretchLastSection(true);
        tvJobs->installEventFilter(this);
        layout->addWidget(tvJobs, 1);
        connect(tvJobs, &QTreeWidget::itemActivated, this,
                [this](QTreeWidgetItem *item) { StartJob(item); });
        OnClose = [](TCloseAction &action) { action = TCloseAction::caFree; };
        LoadJobs();
    }

    // Fills the tree: one branch per application type, one leaf per job the list holds.
    void LoadJobs() {
        tvJobs->clear();
        if (!CurrentUserInfo || !CurrentUserInfo->LoginChecked())
            return;
        lblUser->setText(QStringLiteral("%1 的工作").arg(CurrentUserInfo->Cht_Name));
        TStringList jobs;
        jobs.SetText(CurrentUserInfo->JobList.IsEmptyOrNull()
                         ? QString()
                         : CurrentUserInfo->JobList.ToString());
        TClientDataSet apps;
        SysClientAppFiles->CloneCursorTo(&apps);
        QMap<QString, QTreeWidgetItem *> groups;
        for (int i = 0; i < jobs.Count(); ++i) {
            const QString job = jobs[i].trimmed();
            if (job.isEmpty() ||
                !apps.Locate(QStringLiteral("FileName"), Variant(job), loCaseInsensitive))
                continue; // a job whose package the school has not published
            const QString group =
                GroupName(apps.FieldByName(QStringLiteral("AppType"))->AsString());
            QTreeWidgetItem *&branch = groups[group];
            if (!branch) {
                branch = new QTreeWidgetItem(tvJobs, {group});
                branch->setExpanded(true);
            }
            const QString fileName = apps.FieldByName(QStringLiteral("FileName"))->AsString();
            QString caption = apps.FieldByName(QStringLiteral("Descript"))->AsString();
            if (caption.isEmpty())
                caption = fileName;
            auto *leaf = new QTreeWidgetItem(branch, {caption, fileName});
            leaf->setData(0, kFileNameRole, fileName);
        }
        tvJobs->sortItems(0, Qt::AscendingOrder);
    }

    void StartJob(QTreeWidgetItem *item) {
        const QString fileName = item ? item->data(0, kFileNameRole).toString() : QString();
        if (fileName.isEmpty())
            return;
        try {
            SysClientAppFiles->RunByFileName(fileName);
        } catch (...) {
            ReportError(std::current_exception());
        }
    }

    QLabel *lblUser = nullptr;
    QTreeWidget *tvJobs = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        // Enter starts the job under the cursor, as a double-click does.
        if (watched == tvJobs && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                StartJob(tvJobs->currentItem());
                return true;
            }
        }
        return TForm::eventFilter(watched, event);
    }
};

} // namespace

class TLumJobTree : public TClientAppControl {
public:
    using TClientAppControl::TClientAppControl;
    void ClientAppCreate() override { CreateClientForm(FForm); }

private:
    TJobTreeForm *FForm = nullptr;
};

LUM_REGISTER_CLASS(TLumJobTree);
