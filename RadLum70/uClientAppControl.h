#pragma once
// The job-package registry. Every job ("前端作業") is a package file loaded at run time: the
// package registers a class named "T" + the file's base name, derived from TClientAppControl,
// whose ClientAppCreate creates the job's form. The registry keeps one entry per running job;
// when the job's form is freed, the entry is queued for the unload thread, which waits until
// the form has left the application and then frees the entry and unloads the package, every
// step on the main thread.

#include "Application.h"
#include "Component.h"
#include "DateTime.h"
#include "Exceptions.h"
#include "Form.h"
#include "Packages.h"

#include <QMutex>
#include <QPointer>
#include <QQueue>
#include <QThread>
#include <QWaitCondition>
#include <functional>

class TClientAppControl : public TComponent {
    Q_OBJECT
public:
    explicit TClientAppControl(QObject *owner);

    TPackageHandle Package = 0; // the loaded package, 0 until the registry sets it
    QPointer<TForm> Form;       // the job's main form, set by CreateClientForm
    QString AppName;            // package file name without folder, e.g. "LumChangePassword.bpl"
    TDateTime StartTime;        // when the entry was made
    bool LogFlag = false;       // whether the job's use is logged on the server

    // Creates the job's main form through CreateClientForm.
    virtual void ClientAppCreate() = 0;
    // Shows the form again (normal window state); a dockable form is offered to the shell with
    // message 33669.
    virtual void ClientAppShow();
    // Asks the form to close.
    virtual void ClientAppClose();
    // How long the job has been running.
    TDateTime GetRuningTime() const;

    // The name the class was registered under.
    QString ClassName() const override;

protected:
    // Creates the job's form owned by the application, remembers it and shows it. Raises
    // "無法建立前端作業:%s" with AppName when the form cannot be created.
    template <class TFormClass> void CreateClientForm(TFormClass *&formReference) {
        formReference = nullptr;
        TFormClass *form = nullptr;
        try {
            form = Application()->CreateForm<TFormClass>();
        } catch (...) {
            RaiseFormCreateFailed();
        }
        formReference = form;
        AttachForm(form);
    }

private:
    friend class TClientExecuteManager;
    void AttachForm(TForm *form);
    [[noreturn]] void RaiseFormCreateFailed() const;
    QString FClassName;
};

using TAppControlEvent = std::function<void(TClientAppControl *appControl)>;

class TClientExecuteManager : public TComponent {
    Q_OBJECT
public:
    explicit TClientExecuteManager(QObject *owner = nullptr);

    QString RunPath;                // folder put in front of package file names; empty = as given
    bool Closing = false;           // set when the main window closes: entries are freed at once
    TAppControlEvent OnLoadAppCtrl; // after a new entry's form was created
    TAppControlEvent OnFreeAppCtrl; // when an entry's form was freed, before it is unloaded

    // Starts a job or shows it again. Returns the entry, or nullptr when the job's form could
    // not be created. Raises when the package cannot be loaded or does not register its class
    // ("類別未登錄").
    TClientAppControl *ExecuteClientApp(const QString &appFile, bool logFlag);
    TClientAppControl *FindClientAppByClass(const QString &className) const;
    TClientAppControl *FindClientAppByName(const QString &name) const;
    TClientAppControl *FindClientAppByForm(const QObject *form) const;
    // Asks every job to close, newest first; errors of one job do not stop the others.
    void CloseAllClientApps();
    // The running jobs, oldest first.
    QList<TClientAppControl *> Entries() const;

    void Notification(TComponentBase *component, TOperation operation) override;

Q_SIGNALS:
    // A job's entry was freed and its package unloaded by the unload thread.
    void PackageUnloaded(const QString &appName);
};

// Runs functions on the main thread on behalf of a worker thread and waits for them; Stop()
// releases a waiting worker even when the main thread no longer runs an event loop.
class TMainThreadCaller : public QObject {
    Q_OBJECT
public:
    TMainThreadCaller();
    // From the worker: runs fn on the main thread; false once stopping.
    bool Call(const std::function<void()> &fn);
    void Stop();
    bool Stopping() const;

protected:
    bool event(QEvent *event) override;

private:
    mutable QMutex FLock;
    QWaitCondition FDoneCond;
    std::function<void()> FPending;
    bool FDone = false;
    bool FStop = false;
};

// The package-unload thread: one per process, created suspended, resumed by Push, suspending
// itself when its queue is empty. All of its work runs on the main thread.
class TUnloadPackageThread : public QThread {
    Q_OBJECT
public:
    TUnloadPackageThread();
    ~TUnloadPackageThread() override;

    // Main thread: queues an entry whose form is being freed and resumes the thread.
    void Push(TClientAppControl *appControl);
    // Main thread, called by the thread through synchronisation.
    void Pop();
    void TestForm();
    void DoUnLoad();

    // Ends the thread; safe to call from the main thread at any time.
    void Stop();
    bool Suspended() const;
    int QueueCount() const { return static_cast<int>(Queue.size()); }

protected:
    void run() override;

private:
    bool WaitForResume();

    QQueue<TClientAppControl *> Queue; // owns nothing
    TClientAppControl *Current = nullptr;
    bool FormGone = false;

    TMainThreadCaller FCaller;
    mutable QMutex FLock;
    QWaitCondition FResumeCond;
    bool FResumed = false;
    bool FSuspended = true;
    bool FStopped = false;
};

// A one-shot unloader for a single form and package, for job packages that manage their own
// forms: it waits until the form has left the application, then unregisters the package's
// classes and unloads it, and frees itself.
class TUnloadPkgThread : public QThread {
    Q_OBJECT
public:
    TUnloadPkgThread(bool createSuspended, TForm *form, TPackageHandle package);
    ~TUnloadPkgThread() override;

protected:
    void run() override;

private:
    QPointer<TForm> Form;
    const TForm *FormAddress;
    TPackageHandle Package;
    bool FormGone = false;
    TMainThreadCaller FCaller;
};

// The registry of the process, created when this library loads.
extern TClientExecuteManager *ClientExecuteManager;
extern TUnloadPackageThread *UnloadPackageThread;
