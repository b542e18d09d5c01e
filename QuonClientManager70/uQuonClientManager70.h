#pragma once
// The main window of the client: the frame that holds the tool bar, the menus, the four dock
// areas that job forms dock into, the scrolling message line and the status bar, and that
// starts the user's jobs and the start-up packages.

#include "Actions.h"
#include "DateTime.h"
#include "DockArea.h"
#include "Form.h"
#include "StringList.h"

#include <QTimer>
#include <array>

class IAdapterSource;
class QGroupBox;
class TCodeServer;
class TProgressDialog;
class TCodeTableCDS;
class TEmployeesIndexCDS;
class TOrvCoursesIndexCDS;
class TStdOnSchoolIdxCDS;
class TStudentIndexCDS;
class TRADObjectBroker;
class TVCLServer;
class TVCLTreeCodeDialog;
class TCodeTreeInputDialog;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class TClientAppControl;

class TQuonClientManager70Main : public TForm {
    Q_OBJECT
public:
    explicit TQuonClientManager70Main(QWidget *parent = nullptr);
    ~TQuonClientManager70Main() override;

    // Components, under the names the system gives them.
    QWidget *plOp = nullptr;
    QWidget *plLeftSide = nullptr;
    QSplitter *Splitter1 = nullptr;
    QWidget *plRightSide = nullptr;
    QSplitter *LSplitter = nullptr;
    QSplitter *RSplitter = nullptr;
    TDockArea *pcMainArea = nullptr;
    TDockArea *pcItemArea = nullptr;
    TDockArea *pcLBWorkArea = nullptr;
    TDockArea *pcRBWorkArea = nullptr;
    QPlainTextEdit *moStartBPL = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QLabel *plMessage = nullptr;
    QStatusBar *StatusBar = nullptr;
    QTimer *MessageTimer = nullptr;
    QMenuBar *MainMenu = nullptr;
    QMenu *TreeMenu = nullptr;
    TImageList ImageList;
    TProgressDialog *ProgressDialog = nullptr;
    // The system-object server ("SystemObj"): its host comes from the machine's "SystemObj"
    // server setting (port 250 unless set), else from the server-location table.
    TRADObjectBroker *RADObjectBroker1 = nullptr;
    TCodeServer *CodeServer = nullptr;
    TVCLServer *VCLServer = nullptr;
    // The shared code table, read again by "代碼重整".
    TCodeTableCDS *CodeTableCDS = nullptr;
    // The shared index datasets, on the window so that their tables live as long as it does.
    TStudentIndexCDS *StudentIndexCDS = nullptr;
    TStdOnSchoolIdxCDS *StdOnSchoolIdxCDS1 = nullptr;
    TOrvCoursesIndexCDS *OrvCoursesIndexCDS1 = nullptr;
    TEmployeesIndexCDS *EmployeesIndexCDS = nullptr;
    // A stored-tree picker on the main window (the tree menu makes one per stored tree).
    TVCLTreeCodeDialog *VCLTreeCodeDialog1 = nullptr;
    // A code picker on the test tree; not used by the window's own code.
    TCodeTreeInputDialog *CodeTreeInputDialog = nullptr;
    // The tree menu's maintenance: the tree editor, and the code table built from a tree or a
    // tree built from the code table, one item per stored tree.
    QMenu *TreeEditMenu = nullptr;
    QMenu *TableToTreeMenu = nullptr;
    // Where the network adapters are read from; nullptr: the machine's own.
    IAdapterSource *AdapterSource = nullptr;

    TAction *ChangePassword = nullptr;
    TAction *LeftSpliter = nullptr;
    TAction *RightSpliter = nullptr;
    TAction *DisplayMessages = nullptr;
    TAction *About = nullptr;
    TAction *TreeJobList = nullptr;
    TAction *actPublicNews = nullptr;
    TAction *actUnitAction = nullptr;
    TAction *actClose = nullptr;
    TAction *actEmpIndex = nullptr;
    TAction *actStudentIdx = nullptr;
    TAction *ActShowTree = nullptr;
    TAction *ActHelp = nullptr;
    TAction *ActRefreshCodeTable = nullptr;
    TAction *ActStartJob = nullptr;

    // The dock areas by number: 1 pcMainArea, 2 pcItemArea, 3 pcLBWorkArea, 4 pcRBWorkArea.
    TDockArea *DockAreas(int number) const;
    QList<TAction *> Actions() const;

    // Brings the page that holds control to the front if the control is docked in pageControl.
    bool ActivateDockedPage(TDockArea *pageControl, const TForm *control);
    // Floats every form docked in the area, cascading 30 pixels apart from the main window's
    // client origin.
    void FloatDockClients(TDockArea *pageControl);

    void FormShow();
    void FormClose(TCloseAction &action);
    // The menu of stored code trees, from the stored definitions of class "TTreeView".
    void BuildTreeMenu();
    // Records this user against the MAC address of every network adapter.
    void RegisterComputerUser();
    // Usage entry of a job whose form has gone (errors are swallowed).
    void LogClientAppUsage(TClientAppControl *appControl);
    // Usage entries of the jobs still open and the sign-off entry (errors are swallowed).
    void LogSignOff();
    void CloseAllConnections();
    // Removes the template files of the program folder that the server's list does not hold.
    void CleanTemplateDocs();
    // Whether a password valid until endDate runs out within 15 days of today.
    static bool PasswordExpiresSoon(TDateTime endDate, TDateTime today);
    void FormActivate();
    void MessageTimerTimer();

    void actCloseExecute();
    void LeftSpliterExecute();
    void RightSpliterExecute();
    void TreeJobListExecute();
    void ActStartJobExecute();
    void ActRefreshCodeTableExecute();
    void ActShowTreeExecute(QObject *sender);
    // Shows a stored code tree docked in the main area; raises "Tree Name=%s is not found".
    void ShowTreeForm(const QString &name);

private:
    void BuildComponents();
    void BuildActions();
    void BuildMenusAndToolBar();
    void DisplayHint();
    // Sets the computer's clock to the server's (a refused change is ignored).
    void SetClockFromServer();
    void Progress(const QString &text, int position);
    // Runs a package through the registry and returns its form, or nullptr.
    TForm *RunClientApp(const QString &fileName);
    // Runs a fixed package for an action that stays disabled while the package loads.
    TForm *RunFixedPackage(TAction *action, const QString &fileName);
    void ToggleWorkArea(TAction *action, TDockArea *area);

    void WMDockClientForm(TMessage &message);
    void WMShowMessages(TMessage &message);
    void WMShowTreeForm(TMessage &message);

    bool FirstShow = true;
    // Set once the start-up has pointed the client-application list at "ClientApps": only
    // then are the packages not kept on the client deleted on close.
    bool FClientAppsFolderSet = false;
    TStringList TreeList;
    std::array<TDockArea *, 4> FDockAreas{};
};
