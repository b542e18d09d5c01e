#include "uQuonClientManager70.h"

#include "Application.h"
#include "CodeTableCDS.h"
#include "DialogSets.h"
#include "Exceptions.h"
#include "NetMacAddress.h"
#include "Packages.h"
#include "ProgressDialog.h"
#include "RadSystemApi.h"
#include "SystemClock.h"
#include "SystemObjServers.h"
#include "uClientAppControl.h"
#include "uClientVersionControl.h"
#include "uDBTree.h"
#include "uEmployeesIndexCDS.h"
#include "uLoginUserInfo.h"
#include "uLumMessages.h"
#include "uLumPublic.h"
#include "uLumTreeAndTableTransfer.h"
#include "uObjServers.h"
#include "uOrganization.h"
#include "uOrvCoursesIndexCDS.h"
#include "uStdOnSchoolIdxCDS.h"
#include "uStudentIndexCDS.h"

#include <QDir>
#include <QFileInfo>

#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Image indices of the action images.
constexpr int kImageClose = 16;
constexpr int kImageTree = 22;

// Keeps an action disabled for as long as the guard lives.
class ActionDisabler {
public:
    explicit ActionDisabler(QAction *action) : FAction(action) { FAction->setEnabled(false); }
    ~ActionDisabler() { FAction->setEnabled(true); }
    ActionDisabler(const ActionDisabler &) = delete;
    ActionDisabler &operator=(const ActionDisabler &) = delete;

private:
    QAction *FAction;
};

TDockArea *MakeDockArea(const char *name, QWidget *parent) {
    auto *area = new TDockArea(parent);
    area->setObjectName(QString::fromLatin1(name));
    return area;
}

} // namespace

TQuonClientManager70Main::TQuonClientManager70Main(QWidget *parent) : TForm(parent) {
    SetName(QStringLiteral("QuonClientManager70Main"));
    SetCaption(QStringLiteral("[校務行政E-系統]"));
    QFont font;
    font.setFamilies({QStringLiteral("細明體"), QStringLiteral("PMingLiU"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setPixelSize(12);
    setFont(font);
    resize(719, 541);

    BuildComponents();
    BuildActions();
    BuildMenusAndToolBar();

    SetMessageHandler(WM_DOCKCLIENTFORM, [this](TMessage &m) { WMDockClientForm(m); });
    SetMessageHandler(WM_SHOWMESSAGES, [this](TMessage &m) { WMShowMessages(m); });
    SetMessageHandler(WM_SHOWVCLTREEFORM, [this](TMessage &m) { WMShowTreeForm(m); });
    OnShow = [this] { FormShow(); };
    OnClose = [this](TCloseAction &action) { FormClose(action); };
    OnActivate = [this] { FormActivate(); };

    // FormCreate: start-up state and the dock areas by number, the clock, the caption.
    FirstShow = true;
    TreeList.Clear();
    FDockAreas = {pcMainArea, pcItemArea, pcLBWorkArea, pcRBWorkArea};
    ProgressDialog->SetLogoImageFile(ProgramFolder() + QStringLiteral("TemplateDocs/") +
                                     (Organization ? Organization->LogoFile : QString()));
    try {
        SetClockFromServer();
    } catch (...) {
        // Without the server's time the clock stays as it is; start-up goes on.
        ReportError(std::current_exception());
    }
    SetCaption((Organization ? Organization->ShortName : QString()) + Caption());
}

TQuonClientManager70Main::~TQuonClientManager70Main() {
    Destroying();
    MessageTimer->stop();
    if (ClientExecuteManager && ClientExecuteManager->OnFreeAppCtrl)
        ClientExecuteManager->OnFreeAppCtrl = nullptr;
}

void TQuonClientManager70Main::SetClockFromServer() {
    const TDateTime server = CodeServer->GetSystemDateTime();
    ClockSetter().SetSystemClock(server.ToQDateTime()); // a refusal is ignored
}

void TQuonClientManager70Main::BuildComponents() {
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    root->setMenuBar(MainMenu);

    plOp = new QWidget(this);
    plOp->setObjectName(QStringLiteral("plOp"));
    plOp->setFixedHeight(28);
    auto *opLayout = new QHBoxLayout(plOp);
    opLayout->setContentsMargins(2, 0, 2, 0);
    opLayout->setSpacing(1);
    root->addWidget(plOp);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    root->addWidget(Splitter1, 1);

    plLeftSide = new QWidget(Splitter1);
    plLeftSide->setObjectName(QStringLiteral("plLeftSide"));
    auto *leftLayout = new QVBoxLayout(plLeftSide);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    LSplitter = new QSplitter(Qt::Vertical, plLeftSide);
    LSplitter->setObjectName(QStringLiteral("LSplitter"));
    LSplitter->setHandleWidth(2);
    leftLayout->addWidget(LSplitter);
    pcMainArea = MakeDockArea("pcMainArea", LSplitter);
    pcLBWorkArea = MakeDockArea("pcLBWorkArea", LSplitter);
    LSplitter->addWidget(pcMainArea);
    LSplitter->addWidget(pcLBWorkArea);
    LSplitter->setSizes({400, 127});
    pcLBWorkArea->hide();

    plRightSide = new QWidget(Splitter1);
    plRightSide->setObjectName(QStringLiteral("plRightSide"));
    auto *rightLayout = new QVBoxLayout(plRightSide);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    RSplitter = new QSplitter(Qt::Vertical, plRightSide);
    RSplitter->setObjectName(QStringLiteral("RSplitter"));
    RSplitter->setHandleWidth(2);
    rightLayout->addWidget(RSplitter);
    pcItemArea = MakeDockArea("pcItemArea", RSplitter);
    pcItemArea->setTabPosition(QTabWidget::South); // tabs on the opposite side
    pcRBWorkArea = MakeDockArea("pcRBWorkArea", RSplitter);
    RSplitter->addWidget(pcItemArea);
    RSplitter->addWidget(pcRBWorkArea);
    RSplitter->setSizes({400, 127});
    pcRBWorkArea->hide();

    moStartBPL = new QPlainTextEdit(plRightSide);
    moStartBPL->setObjectName(QStringLiteral("moStartBPL"));
    moStartBPL->setPlainText(QStringLiteral("LumUnitActionsQuery.bpl"));
    moStartBPL->hide();

    Splitter1->addWidget(plLeftSide);
    Splitter1->addWidget(plRightSide);
    Splitter1->setSizes({257, 462});
    Splitter1->setStretchFactor(1, 1);

    GroupBox1 = new QGroupBox(QStringLiteral("智慧語錄"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *groupLayout = new QVBoxLayout(GroupBox1);
    plMessage = new QLabel(QStringLiteral("    我的價值,乃是依利人的多寡來衡量.     "), GroupBox1);
    plMessage->setObjectName(QStringLiteral("plMessage"));
    groupLayout->addWidget(plMessage);
    GroupBox1->hide();
    root->addWidget(GroupBox1);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->showMessage(QStringLiteral("說明"));
    StatusBar->setSizeGripEnabled(false);
    root->addWidget(StatusBar);

    MessageTimer = new QTimer(this);
    MessageTimer->setObjectName(QStringLiteral("MessageTimer"));
    MessageTimer->setInterval(500);
    connect(MessageTimer, &QTimer::timeout, this, [this] { MessageTimerTimer(); });
    MessageTimer->start();

    ProgressDialog = new TProgressDialog(this);
    ProgressDialog->SetName(QStringLiteral("ProgressDialog"));

    RADObjectBroker1 = new TRADObjectBroker(this, QStringLiteral("SystemObj"));
    RADObjectBroker1->SetName(QStringLiteral("RADObjectBroker1"));
    RADObjectBroker1->SetRetryCount(3);
    const QString systemObj = QStringLiteral("SystemObj");
    if (HasServerIPAddress(systemObj))
        RADObjectBroker1->AddServer(GetServerIPAddress(systemObj),
                                    HasServerPort(systemObj) ? GetServerPort(systemObj) : 250);
    CodeServer = new TCodeServer(this);
    CodeServer->SetName(QStringLiteral("CodeServer"));
    CodeServer->SetObjectBroker(RADObjectBroker1);
    VCLServer = new TVCLServer(this);
    CodeTableCDS = new TCodeTableCDS(this);
    CodeTableCDS->SetName(QStringLiteral("CodeTableCDS"));
    StudentIndexCDS = new TStudentIndexCDS(this);
    StudentIndexCDS->SetName(QStringLiteral("StudentIndexCDS"));
    StdOnSchoolIdxCDS1 = new TStdOnSchoolIdxCDS(this);
    StdOnSchoolIdxCDS1->SetName(QStringLiteral("StdOnSchoolIdxCDS1"));
    OrvCoursesIndexCDS1 = new TOrvCoursesIndexCDS(this);
    OrvCoursesIndexCDS1->SetName(QStringLiteral("OrvCoursesIndexCDS1"));
    EmployeesIndexCDS = new TEmployeesIndexCDS(this);
    EmployeesIndexCDS->SetName(QStringLiteral("EmployeesIndexCDS"));
    VCLServer->SetName(QStringLiteral("VCLServer"));
    VCLServer->SetObjectBroker(RADObjectBroker1);
    VCLTreeCodeDialog1 = new TVCLTreeCodeDialog(this);
    VCLTreeCodeDialog1->SetName(QStringLiteral("VCLTreeCodeDialog1"));
    CodeTreeInputDialog = new TCodeTreeInputDialog(this);
    CodeTreeInputDialog->SetName(QStringLiteral("CodeTreeInputDialog"));
    CodeTreeInputDialog->TreeName = QStringLiteral("TesTreeCode");
    CodeTreeInputDialog->LevelCoding = false;

    // The image list: indices as the actions refer to them.
    const QStyle::StandardPixmap pixmaps[] = {QStyle::SP_DialogApplyButton,
                                              QStyle::SP_DialogResetButton,
                                              QStyle::SP_FileIcon,
                                              QStyle::SP_DirIcon,
                                              QStyle::SP_ComputerIcon,
                                              QStyle::SP_DriveNetIcon,
                                              QStyle::SP_FileDialogDetailedView,
                                              QStyle::SP_FileDialogInfoView,
                                              QStyle::SP_FileDialogContentsView,
                                              QStyle::SP_FileDialogListView,
                                              QStyle::SP_MessageBoxInformation,
                                              QStyle::SP_MessageBoxQuestion,
                                              QStyle::SP_BrowserReload,
                                              QStyle::SP_DialogHelpButton,
                                              QStyle::SP_ArrowLeft,
                                              QStyle::SP_ArrowRight,
                                              QStyle::SP_DialogCloseButton,
                                              QStyle::SP_FileDialogNewFolder,
                                              QStyle::SP_DesktopIcon,
                                              QStyle::SP_TrashIcon,
                                              QStyle::SP_DialogSaveButton,
                                              QStyle::SP_DialogOpenButton,
                                              QStyle::SP_DirOpenIcon,
                                              QStyle::SP_TitleBarMenuButton};
    for (QStyle::StandardPixmap p : pixmaps)
        ImageList.Add(style()->standardIcon(p));
}

void TQuonClientManager70Main::BuildActions() {
    auto make = [this](TAction *&field, const char *name, const char *category, const char *caption,
                       int image) {
        field = new TAction(this, QString::fromLatin1(name), QString::fromUtf8(category),
                            QString::fromUtf8(caption));
        field->SetHint(field->text());
        if (image >= 0)
            field->SetImageIndex(image, ImageList.Icon(image));
    };
    make(ChangePassword, "ChangePassword", "功能", "密碼變更", 1);
    make(LeftSpliter, "LeftSpliter", "系統", "左分割", 14);
    make(RightSpliter, "RightSpliter", "系統", "右分割", 15);
    make(DisplayMessages, "DisplayMessages", "功能", "即時訊息", 10);
    make(About, "About", "Help", "關於電子化行政系統", 11);
    make(TreeJobList, "TreeJobList", "功能", "系統工作表", 9);
    make(actPublicNews, "actPublicNews", "功能", "公告查詢", 7);
    make(actUnitAction, "actUnitAction", "功能", "行事曆查詢", 6);
    make(actClose, "actClose", "系統", "系統關閉", kImageClose);
    make(actEmpIndex, "actEmpIndex", "功能", "員工索引表", 4);
    make(actStudentIdx, "actStudentIdx", "功能", "在校生索引表", 3);
    make(ActShowTree, "ActShowTree", "系統", "分類代碼樹", kImageTree);
    make(ActHelp, "ActHelp", "Help", "輔助說明", 13);
    make(ActRefreshCodeTable, "ActRefreshCodeTable", "功能", "代碼重整", 12);
    make(ActStartJob, "ActStartJob", "系統", "起始作業", -1);
    ActStartJob->setVisible(false);
    LeftSpliter->setCheckable(true);
    RightSpliter->setCheckable(true);

    ChangePassword->OnExecute = [this] {
        RunFixedPackage(ChangePassword, QStringLiteral("LumChangePassword.bpl"));
    };
    LeftSpliter->OnExecute = [this] { LeftSpliterExecute(); };
    RightSpliter->OnExecute = [this] { RightSpliterExecute(); };
    TreeJobList->OnExecute = [this] { TreeJobListExecute(); };
    actPublicNews->OnExecute = [this] {
        RunFixedPackage(actPublicNews, QStringLiteral("LumPublicNews.bpl"));
    };
    actUnitAction->OnExecute = [this] {
        TForm *form = RunFixedPackage(actUnitAction, QStringLiteral("LumUnitActionsQuery.bpl"));
        if (form && !ActivateDockedPage(pcItemArea, form))
            form->ManualDock(pcItemArea);
    };
    actClose->OnExecute = [this] { actCloseExecute(); };
    actEmpIndex->OnExecute = [this] {
        RunFixedPackage(actEmpIndex, QStringLiteral("LumEmployeesIndex.bpl"));
    };
    actStudentIdx->OnExecute = [this] {
        RunFixedPackage(actStudentIdx, QStringLiteral("TqStdOnSchoolIdx.bpl"));
    };
    ActShowTree->OnExecute = [this] { ActShowTreeExecute(ActShowTree); };
    ActHelp->OnExecute = [this] { RunFixedPackage(ActHelp, QStringLiteral("LumSYSHelpRead.bpl")); };
    ActStartJob->OnExecute = [this] { ActStartJobExecute(); };
    ActRefreshCodeTable->OnExecute = [this] { ActRefreshCodeTableExecute(); };
}

void TQuonClientManager70Main::BuildMenusAndToolBar() {
    // Tool bar, left to right: a plain close button, then the fixed jobs.
    auto *bar = static_cast<QHBoxLayout *>(plOp->layout());
    auto *closeButton = new QToolButton(plOp);
    closeButton->setObjectName(QStringLiteral("btnClose"));
    closeButton->setText(QStringLiteral("系統關閉"));
    closeButton->setIcon(ImageList.Icon(kImageClose));
    closeButton->setAutoRaise(true);
    closeButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    closeButton->setStatusTip(QStringLiteral("系統關閉"));
    connect(closeButton, &QToolButton::clicked, this, [this] { actCloseExecute(); });
    bar->addWidget(closeButton);
    for (TAction *action : {ChangePassword, ActRefreshCodeTable, actStudentIdx, actEmpIndex,
                            ActHelp, actPublicNews, actUnitAction}) {
        auto *button = new QToolButton(plOp);
        button->setObjectName(QStringLiteral("btn") + action->objectName());
        button->setDefaultAction(action);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        bar->addWidget(button);
    }
    bar->addStretch(1);

    QMenu *system = MainMenu->addMenu(QStringLiteral("系統"));
    system->setObjectName(QStringLiteral("mnuSystem"));
    system->addAction(LeftSpliter);
    system->addAction(RightSpliter);
    system->addSeparator();
    system->addAction(actClose);

    QMenu *functions = MainMenu->addMenu(QStringLiteral("功能"));
    functions->setObjectName(QStringLiteral("mnuFunctions"));
    functions->addAction(ChangePassword);
    functions->addAction(TreeJobList);
    functions->addAction(actPublicNews);
    functions->addAction(actUnitAction);
    functions->addAction(ActRefreshCodeTable);

    TreeMenu = MainMenu->addMenu(QStringLiteral("分類代碼樹"));
    TreeMenu->setObjectName(QStringLiteral("TreeMenu"));

    QMenu *toolbars = MainMenu->addMenu(QStringLiteral("工具列"));
    toolbars->setObjectName(QStringLiteral("mnuToolBars"));

    QMenu *help = MainMenu->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    QAction *aboutItem = help->addAction(QStringLiteral("關於校務行政自動化系統"));
    aboutItem->setObjectName(QStringLiteral("mnuAbout"));
    connect(aboutItem, &QAction::triggered, About, &QAction::trigger);
    help->addAction(ActHelp);
}

TDockArea *TQuonClientManager70Main::DockAreas(int number) const {
    return number >= 1 && number <= 4 ? FDockAreas[static_cast<size_t>(number - 1)] : nullptr;
}

QList<TAction *> TQuonClientManager70Main::Actions() const {
    return findChildren<TAction *>(QString(), Qt::FindDirectChildrenOnly);
}

// ---- start-up ----

void TQuonClientManager70Main::FormShow() {
    if (!FirstShow)
        return;
    FirstShow = false;
    try {
        BuildTreeMenu();
    } catch (...) {
        ReportError(std::current_exception());
    }
    try {
        CleanTemplateDocs();
    } catch (...) {
        ReportError(std::current_exception());
    }
    ClientExecuteManager->OnFreeAppCtrl = [this](TClientAppControl *c) { LogClientAppUsage(c); };
    Progress(QStringLiteral("程式初始化中.."), 10);
    Progress(QStringLiteral("身份驗證與下載使用者資訊......"), 40);
    // Everything below runs guarded: a failure ends the program, after the user has seen why.
    try {
        CurrentUserInfo->SetLoginChecked(true);
        if (!CurrentUserInfo->LoginChecked()) {
            ProgressDialog->Close();
            QTimer::singleShot(0, this, [this] { close(); });
            return;
        }
        RegisterComputerUser();
        CurrentUserInfo->LoginTime = Now();
        Progress(QStringLiteral("下載作業管理資訊.."), 60);
        SetCaption(
            Format(QStringLiteral("%s [使用者:%s ]"), {Caption(), CurrentUserInfo->Cht_Name}));
        // Job packages live in the program folder's "ClientApps", downloaded as they are run.
        SysClientAppFiles->SetFileDir(SysClientAppFiles->FileDir() + QStringLiteral("ClientApps"));
        FClientAppsFolderSet = true;
        SysClientAppFiles->Open();
        Progress(QStringLiteral("啟動標準前端作業.."), 80);
        TreeJobListExecute();
        ActStartJobExecute();
        ProgressDialog->Close();
        if (PasswordExpiresSoon(CurrentUserInfo->EndDate, Date()))
            ShowMessage(QStringLiteral("密碼快到期,請重設...."));
    } catch (...) {
        ProgressDialog->Close();
        Application()->HandleException(std::current_exception());
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

bool TQuonClientManager70Main::PasswordExpiresSoon(TDateTime endDate, TDateTime today) {
    return endDate.Value() - today.Value() < 15;
}

void TQuonClientManager70Main::Progress(const QString &text, int position) {
    ProgressDialog->Execute(text, position);
}

void TQuonClientManager70Main::BuildTreeMenu() {
    for (int i = 0; i < TreeList.Count(); ++i)
        delete TreeList.Objects(i);
    TreeList.Clear();
    delete TreeEditMenu;
    TreeEditMenu = nullptr;
    delete TableToTreeMenu;
    TableToTreeMenu = nullptr;
    TreeMenu->clear();
    QString names;
    OleCheck(VCLServer->ReadVCLNamesByDescription(QStringLiteral("TTreeView"), names));
    TStringList lines;
    lines.SetText(names);
    for (int i = 0; i < lines.Count(); ++i) {
        const QString name = lines.Names(i);
        if (name.isEmpty())
            continue;
        QAction *item =
            TreeMenu->addAction(ImageList.Icon(ActShowTree->ImageIndex()), lines.ValueFromIndex(i));
        item->setObjectName(name);
        connect(item, &QAction::triggered, this, [this, item] { ActShowTreeExecute(item); });
        auto *dialog = new TVCLTreeCodeDialog(this);
        dialog->SetTreeName(name);
        TreeList.AddObject(lines[i], dialog);
    }
    if (TreeList.Count() == 0)
        return;
    TreeMenu->addSeparator();
    TreeEditMenu = TreeMenu->addMenu(QStringLiteral("編輯代碼樹"));
    TreeEditMenu->menuAction()->setObjectName(QStringLiteral("TreeEditMenu"));
    TableToTreeMenu = TreeMenu->addMenu(QStringLiteral("代碼總表產生代碼樹"));
    TableToTreeMenu->menuAction()->setObjectName(QStringLiteral("TableToTreeMenu"));
    for (int i = 0; i < TreeList.Count(); ++i) {
        const QString name = TreeList.Names(i);
        const QString caption = TreeList.ValueFromIndex(i);
        // The editor offers every tool, the conversion into the code table among them.
        QAction *edit = TreeEditMenu->addAction(caption);
        edit->setObjectName(QStringLiteral("Edit") + name);
        connect(edit, &QAction::triggered, this,
                [name] { HandleTreeEdit(name, tesToCodeTable | tesToCachedFile | tesCoding); });
        QAction *build = TableToTreeMenu->addAction(caption);
        build->setObjectName(QStringLiteral("Build") + name);
        connect(build, &QAction::triggered, this, [this, name, caption] {
            bool ok = false;
            const QString mainCode =
                QInputDialog::getText(this, caption, QStringLiteral("類別代號:"), QLineEdit::Normal,
                                      QString(), &ok)
                    .trimmed();
            if (!ok || mainCode.isEmpty())
                return;
            TLumTreeAndTableTransfer transfer(this);
            transfer.ExecuteTableToTree(mainCode, name, 0);
        });
    }
}

void TQuonClientManager70Main::RegisterComputerUser() {
    TMacAddress adapters(AdapterSource);
    if (adapters.Count() == 0)
        return;
    CodeServer->SetConnected(true);
    try {
        TRemoteDispatch remote = CodeServer->GetDispatcher();
        for (int i = 0; i < adapters.Count(); ++i) {
            adapters.SetItemIndex(i);
            remote.Call(QStringLiteral("ComputerUser"),
                        {Variant(adapters.GetMacAddress()), Variant(CurrentUserInfo->Cht_Name)});
        }
    } catch (...) {
        CodeServer->SetConnected(false);
        throw;
    }
    CodeServer->SetConnected(false);
}

void TQuonClientManager70Main::LogClientAppUsage(TClientAppControl *appControl) {
    if (!appControl || !appControl->LogFlag)
        return;
    try {
        CodeServer->SetEventLog(appControl->AppName, QStringLiteral("APP"), CurrentUserInfo->ID(),
                                CurrentUserInfo->Cht_Name, appControl->StartTime);
    } catch (...) {
        // Usage logging never bothers the user.
    }
}

void TQuonClientManager70Main::LogSignOff() {
    if (!CurrentUserInfo->LoginChecked())
        return;
    try {
        CodeServer->SetConnected(true);
        TRemoteDispatch remote = CodeServer->GetDispatcher();
        const QList<TClientAppControl *> entries = ClientExecuteManager->Entries();
        for (auto it = entries.crbegin(); it != entries.crend(); ++it)
            if ((*it)->LogFlag)
                remote.Call(QStringLiteral("SetEventLog"),
                            {Variant((*it)->AppName), Variant(QStringLiteral("APP")),
                             Variant(CurrentUserInfo->ID()), Variant(CurrentUserInfo->Cht_Name),
                             Variant((*it)->StartTime)});
        remote.Call(
            QStringLiteral("SetEventLog"),
            {Variant(QStringLiteral("ClientAppManager")), Variant(QStringLiteral("執行")),
             Variant(CurrentUserInfo->ID()),
             Variant(Format(QStringLiteral("Name=%s,IP=%s,Time=%s"),
                            {CurrentUserInfo->Cht_Name, GetIPAddr(), DateTimeToStr(Now())})),
             Variant(CurrentUserInfo->LoginTime)});
    } catch (...) {
        // Sign-off logging never keeps the program from closing.
    }
    try {
        CodeServer->SetConnected(false);
    } catch (...) {
    }
}

void TQuonClientManager70Main::CloseAllConnections() {
    for (TForm *form : Application()->Forms())
        for (TSocketConnection *connection : form->findChildren<TSocketConnection *>())
            try {
                connection->SetConnected(false);
            } catch (...) {
            }
}

void TQuonClientManager70Main::TreeJobListExecute() {
    const QString package =
        CurrentUserInfo->LoginChecked() ? CurrentUserInfo->GetMainForm() : QString();
    if (package.isEmpty())
        return;
    TForm *form = RunClientApp(package);
    if (form && !ActivateDockedPage(pcMainArea, form))
        form->ManualDock(pcMainArea);
}

void TQuonClientManager70Main::ActRefreshCodeTableExecute() {
    // Every code table of the process is read again from the server; forms see the new codes
    // when they reopen theirs.
    CodeTableCDS->Close();
    CodeTableCDS->SystemTableRefresh();
    CodeTableCDS->Open();
}

void TQuonClientManager70Main::ActStartJobExecute() {
    const QStringList lines = moStartBPL->toPlainText().split(u'\n');
    for (const QString &line : lines) {
        const QString fileName = line.trimmed();
        if (!fileName.isEmpty())
            RunClientApp(fileName);
    }
}

TForm *TQuonClientManager70Main::RunClientApp(const QString &fileName) {
    // A package the list does not hold yields nothing; one this computer lacks, or holds in
    // another version, is downloaded first.
    return SysClientAppFiles->RunByFileName(fileName);
}

void TQuonClientManager70Main::CleanTemplateDocs() {
    // Template files the server no longer lists are removed; those it lists are fetched again
    // by the reports when they need them.
    TDataFiles files(this);
    files.SetFileDir(ProgramFolder() + QStringLiteral("TemplateDocs"));
    TClientDataSet dsDataFiles;
    files.CloneCursorTo(&dsDataFiles);
    const QDir dir(files.FileDir());
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden)) {
        // Names compare exactly, letter case included.
        if (!dsDataFiles.Locate(QStringLiteral("FileName"), Variant(name)))
            QFile::remove(dir.filePath(name));
    }
    dsDataFiles.Close();
}

TForm *TQuonClientManager70Main::RunFixedPackage(TAction *action, const QString &fileName) {
    ActionDisabler disabled(action);
    return RunClientApp(fileName);
}

// ---- docking ----

bool TQuonClientManager70Main::ActivateDockedPage(TDockArea *pageControl, const TForm *control) {
    if (!pageControl || !control || control->HostDockSite() != pageControl)
        return false;
    QWidget *page = pageControl->PageOf(control);
    if (!page)
        return false;
    pageControl->SetActivePage(page);
    return true;
}

void TQuonClientManager70Main::WMDockClientForm(TMessage &message) {
    TForm *form = message.WParamAs<TForm>();
    if (!form)
        return;
    for (TDockArea *area : FDockAreas)
        if (ActivateDockedPage(area, form))
            return;
    if (TDockArea *area = DockAreas(form->Tag()))
        form->ManualDock(area);
}

void TQuonClientManager70Main::FloatDockClients(TDockArea *pageControl) {
    QPoint corner = mapToGlobal(rect().topLeft());
    while (pageControl->DockClientCount() > 0) {
        TForm *client = pageControl->DockClients(0);
        const QRect r(corner, QSize(client->UndockWidth(), client->UndockHeight()));
        client->ManualFloat(r);
        corner += QPoint(30, 30);
    }
}

void TQuonClientManager70Main::ToggleWorkArea(TAction *action, TDockArea *area) {
    // The area itself tells whether it shows: a menu click has already flipped the checkable
    // action before its handler runs, a call of the handler from code has not.
    const bool show = area->isHidden();
    action->setChecked(show);
    if (show) {
        area->show();
    } else {
        FloatDockClients(area);
        area->hide();
    }
}

void TQuonClientManager70Main::LeftSpliterExecute() {
    ToggleWorkArea(LeftSpliter, pcLBWorkArea);
}

void TQuonClientManager70Main::RightSpliterExecute() {
    ToggleWorkArea(RightSpliter, pcRBWorkArea);
}

// ---- code trees ----

void TQuonClientManager70Main::ActShowTreeExecute(QObject *sender) {
    ShowTreeForm(sender ? sender->objectName() : QString());
}

void TQuonClientManager70Main::ShowTreeForm(const QString &name) {
    const int index = TreeList.IndexOfName(name);
    if (index < 0)
        throw Exception(Format(QStringLiteral("Tree Name=%s is not found"), {name}));
    auto *dialog = qobject_cast<TVCLTreeCodeDialog *>(TreeList.Objects(index));
    if (!dialog)
        throw Exception(Format(QStringLiteral("Tree Name=%s is not found"), {name}));
    dialog->ExecuteShow(pcMainArea);
    TForm *form = dialog->Form();
    if (form && !ActivateDockedPage(pcMainArea, form))
        form->ManualDock(pcMainArea);
}

void TQuonClientManager70Main::WMShowTreeForm(TMessage &message) {
    QString treeName;
    ShowVCLTreeFormReceiver(message, treeName);
    ShowTreeForm(treeName);
}

// ---- messages and hints ----

void TQuonClientManager70Main::WMShowMessages(TMessage &message) {
    if (!message.Strings)
        return;
    const QString blanks(6, u' ');
    QString caption = blanks;
    for (int i = 0; i < message.Strings->Count(); ++i)
        caption += message.Strings->Strings(i) + blanks;
    plMessage->setText(caption);
}

void TQuonClientManager70Main::MessageTimerTimer() {
    // Moves the first character to the end, a whole character at a time (a surrogate pair
    // stays together).
    QString text = plMessage->text();
    if (text.isEmpty())
        return;
    const qsizetype len = (text.size() > 1 && text[0].isHighSurrogate()) ? 2 : 1;
    plMessage->setText(text.mid(len) + text.left(len));
}

void TQuonClientManager70Main::FormActivate() {
    Application()->OnHint = [this] { DisplayHint(); };
}

void TQuonClientManager70Main::DisplayHint() {
    StatusBar->showMessage(Application()->Hint());
}

// ---- close ----

void TQuonClientManager70Main::actCloseExecute() {
    close();
}

void TQuonClientManager70Main::FormClose(TCloseAction &) {
    CloseAllConnections();
    LogSignOff();
    plOp->setEnabled(false);
    // From here on, forms that go away free their registry entries at once instead of
    // queueing their packages for unloading.
    ClientExecuteManager->Closing = true;
    // A start-up that ended before the list was pointed at "ClientApps" (login failed or
    // cancelled) would otherwise delete files of those names from the program folder itself.
    if (!FClientAppsFolderSet)
        return;
    try {
        SysClientAppFiles->DeleteClientFiles();
    } catch (...) {
        // The packages left behind are checked again at the next start.
    }
}
