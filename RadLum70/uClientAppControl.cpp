#include "uClientAppControl.h"

#include "uLumMessages.h"

#include <QCoreApplication>
#include <QFileInfo>

TClientExecuteManager *ClientExecuteManager = nullptr;
TUnloadPackageThread *UnloadPackageThread = nullptr;

namespace {

// Creates the registry and its unload thread when the library loads and frees them, in
// reverse order, when it unloads.
struct UnitLifetime {
    UnitLifetime() {
        UnloadPackageThread = new TUnloadPackageThread();
        ClientExecuteManager = new TClientExecuteManager();
    }
    ~UnitLifetime() {
        delete ClientExecuteManager;
        ClientExecuteManager = nullptr;
        UnloadPackageThread->Stop();
        delete UnloadPackageThread;
        UnloadPackageThread = nullptr;
    }
} gUnitLifetime;

const QEvent::Type kCallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

} // namespace

// ---- TClientAppControl ----

TClientAppControl::TClientAppControl(QObject *owner) : TComponent(owner), StartTime(Now()) {}

void TClientAppControl::ClientAppShow() {
    if (!Form)
        return;
    // Shown normal: neither minimised nor maximised.
    if (Form->isWindow())
        Form->setWindowState((Form->windowState() &
                              ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) |
                             Qt::WindowActive);
    Form->Show();
    if (Form->DragKind() == TDragKind::dkDock) {
        TMessage message;
        message.Msg = WM_DOCKCLIENTFORM;
        message.WObject = Form;
        DispatchOrvMessage(message);
    }
}

void TClientAppControl::ClientAppClose() {
    if (Form)
        Form->close();
}

TDateTime TClientAppControl::GetRuningTime() const {
    return TDateTime(Now() - StartTime);
}

QString TClientAppControl::ClassName() const {
    return FClassName.isEmpty() ? TComponent::ClassName() : FClassName;
}

void TClientAppControl::AttachForm(TForm *form) {
    Form = form;
    if (ClientExecuteManager)
        ClientExecuteManager->FreeNotification(form);
    ClientAppShow();
}

void TClientAppControl::RaiseFormCreateFailed() const {
    throw Exception(Format(QStringLiteral("無法建立前端作業:%s"), {AppName}));
}

// ---- TClientExecuteManager ----

TClientExecuteManager::TClientExecuteManager(QObject *owner) : TComponent(owner) {
    setObjectName(QStringLiteral("ClientExecuteManager"));
}

QList<TClientAppControl *> TClientExecuteManager::Entries() const {
    QList<TClientAppControl *> result;
    for (QObject *child : children())
        if (auto *entry = qobject_cast<TClientAppControl *>(child))
            result.append(entry);
    return result;
}

TClientAppControl *TClientExecuteManager::FindClientAppByClass(const QString &className) const {
    for (TClientAppControl *entry : Entries())
        if (entry->ClassName().compare(className, Qt::CaseInsensitive) == 0)
            return entry;
    return nullptr;
}

TClientAppControl *TClientExecuteManager::FindClientAppByName(const QString &name) const {
    for (TClientAppControl *entry : Entries())
        if (entry->AppName.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    return nullptr;
}

TClientAppControl *TClientExecuteManager::FindClientAppByForm(const QObject *form) const {
    if (!form)
        return nullptr;
    for (TClientAppControl *entry : Entries())
        if (entry->Form.data() == form)
            return entry;
    return nullptr;
}

TClientAppControl *TClientExecuteManager::ExecuteClientApp(const QString &appFile, bool logFlag) {
    const QFileInfo info(appFile);
    const QString baseName = info.completeBaseName();
    const QString className = u'T' + baseName;
    const QString appName = info.fileName();

    if (TClientAppControl *entry = FindClientAppByClass(className)) {
        entry->ClientAppShow();
        entry->LogFlag = logFlag;
        return entry;
    }

    const QString path = RunPath.isEmpty() ? appFile : RunPath + u'/' + appFile;
    const TPackageHandle package = LoadPackage(path);

    TClientAppControl *entry = nullptr;
    try {
        const TPersistentClass *cls = GetClass(className);
        TComponentBase *instance = cls ? cls->Create(this) : nullptr;
        entry = dynamic_cast<TClientAppControl *>(instance);
        if (!entry) {
            delete instance; // registered under the job's name but not a job class
            throw EClassNotFound(QStringLiteral("類別未登錄"));
        }
        entry->FClassName = cls->ClassName;
        entry->LogFlag = logFlag;
        entry->Package = package;
        entry->AppName = appName;
    } catch (...) {
        UnRegisterModuleClasses(package);
        UnloadPackage(package);
        throw;
    }

    try {
        entry->ClientAppCreate();
        // A job that returns without its form has not started either.
        if (!entry->Form)
            entry->RaiseFormCreateFailed();
        if (OnLoadAppCtrl)
            OnLoadAppCtrl(entry);
    } catch (...) {
        // The job did not start: no entry stays behind, and a form it may already have shown
        // goes with it so that a later start makes a fresh one. The package stays loaded. The
        // reason is shown to the user rather than dropped.
        TForm *orphan = entry->Form;
        RemoveFreeNotification(orphan);
        delete entry;
        if (orphan)
            orphan->deleteLater();
        ReportError(std::current_exception());
        return nullptr;
    }
    return entry;
}

void TClientExecuteManager::CloseAllClientApps() {
    const QList<TClientAppControl *> entries = Entries();
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
        try {
            (*it)->ClientAppClose();
        } catch (...) {
            // one job's error does not keep the others open
        }
    }
}

void TClientExecuteManager::Notification(TComponentBase *component, TOperation operation) {
    if (operation == TOperation::opRemove) {
        if (TClientAppControl *entry = FindClientAppByForm(component->AsObject())) {
            if (Closing || Application()->Terminated()) {
                delete entry;
            } else {
                if (OnFreeAppCtrl) {
                    try {
                        OnFreeAppCtrl(entry);
                    } catch (...) {
                        ReportError(std::current_exception());
                    }
                }
                entry->setParent(nullptr);
                UnloadPackageThread->Push(entry);
            }
        }
    }
    TComponent::Notification(component, operation);
}

// ---- TMainThreadCaller ----

TMainThreadCaller::TMainThreadCaller() = default;

bool TMainThreadCaller::Call(const std::function<void()> &fn) {
    QMutexLocker lock(&FLock);
    if (FStop)
        return false;
    FPending = fn;
    FDone = false;
    QCoreApplication::postEvent(this, new QEvent(kCallEvent));
    while (!FDone && !FStop)
        FDoneCond.wait(&FLock);
    return FDone;
}

void TMainThreadCaller::Stop() {
    QMutexLocker lock(&FLock);
    FStop = true;
    FPending = nullptr;
    FDoneCond.wakeAll();
}

bool TMainThreadCaller::Stopping() const {
    QMutexLocker lock(&FLock);
    return FStop;
}

bool TMainThreadCaller::event(QEvent *event) {
    if (event->type() != kCallEvent)
        return QObject::event(event);
    std::function<void()> fn;
    {
        QMutexLocker lock(&FLock);
        fn = std::move(FPending);
        FPending = nullptr;
    }
    if (fn) {
        try {
            fn();
        } catch (...) {
            ReportError(std::current_exception());
        }
    }
    QMutexLocker lock(&FLock);
    FDone = true;
    FDoneCond.wakeAll();
    return true;
}

// ---- TUnloadPackageThread ----

TUnloadPackageThread::TUnloadPackageThread() {
    setObjectName(QStringLiteral("UnloadPackageThread"));
}

TUnloadPackageThread::~TUnloadPackageThread() {
    Stop();
    // An entry the thread had taken but not yet unloaded when it stopped goes with the queue.
    delete Current;
    Current = nullptr;
    qDeleteAll(Queue);
    Queue.clear();
}

void TUnloadPackageThread::Push(TClientAppControl *appControl) {
    Queue.enqueue(appControl);
    QMutexLocker lock(&FLock);
    if (FStopped)
        return;
    FResumed = true;
    FResumeCond.wakeAll();
    if (!isRunning() && !isFinished())
        start(QThread::LowestPriority);
}

void TUnloadPackageThread::Pop() {
    Current = Queue.isEmpty() ? nullptr : Queue.dequeue();
}

void TUnloadPackageThread::TestForm() {
    FormGone = !Current || !Current->Form || !Application()->Owns(Current->Form);
    Application()->ProcessMessages();
}

void TUnloadPackageThread::DoUnLoad() {
    TClientAppControl *entry = Current;
    Current = nullptr;
    if (!entry)
        return;
    const TPackageHandle package = entry->Package;
    const QString appName = entry->AppName;
    delete entry;
    UnRegisterModuleClasses(package);
    UnloadPackage(package);
    if (ClientExecuteManager)
        Q_EMIT ClientExecuteManager->PackageUnloaded(appName);
}

bool TUnloadPackageThread::WaitForResume() {
    QMutexLocker lock(&FLock);
    FSuspended = true;
    while (!FResumed && !FStopped)
        FResumeCond.wait(&FLock);
    FResumed = false;
    FSuspended = false;
    return !FStopped;
}

bool TUnloadPackageThread::Suspended() const {
    QMutexLocker lock(&FLock);
    return FSuspended;
}

void TUnloadPackageThread::run() {
    for (;;) {
        TClientAppControl *current = nullptr;
        if (!FCaller.Call([this, &current] {
                Pop();
                current = Current;
            }))
            return;
        if (!current) {
            if (!WaitForResume())
                return;
            continue;
        }
        bool gone = false;
        while (!gone) {
            if (!FCaller.Call([this, &gone] {
                    TestForm();
                    gone = FormGone;
                }))
                return;
        }
        if (!FCaller.Call([this] { DoUnLoad(); }))
            return;
    }
}

void TUnloadPackageThread::Stop() {
    {
        QMutexLocker lock(&FLock);
        FStopped = true;
        FResumeCond.wakeAll();
    }
    FCaller.Stop();
    if (isRunning())
        wait();
}

// ---- TUnloadPkgThread ----

TUnloadPkgThread::TUnloadPkgThread(bool createSuspended, TForm *form, TPackageHandle package)
    : Form(form), FormAddress(form), Package(package) {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    if (!createSuspended)
        start(QThread::HighPriority);
}

TUnloadPkgThread::~TUnloadPkgThread() {
    FCaller.Stop();
    if (isRunning())
        wait();
}

void TUnloadPkgThread::run() {
    while (!FormGone) {
        if (!FCaller.Call([this] {
                FormGone = !Form || !Application()->Owns(FormAddress);
                Application()->ProcessMessages();
            }))
            return;
    }
    FCaller.Call([this] {
        UnRegisterModuleClasses(Package);
        UnloadPackage(Package);
    });
}
