#pragma once
// The application object: the list of top-level forms in creation order (the components the
// application owns), synchronous message dispatch to them, the current hint, and the one place
// where errors that nobody caught are shown to the user.

#include "Messages.h"

#include <QApplication>
#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class TForm;

class TApplication : public QObject {
    Q_OBJECT
public:
    static TApplication *Instance();

    // Creates a form, lets its components finish loading, and makes the first form created
    // this way the main form. Exceptions of the form's constructor reach the caller.
    template <class T, class... Args> T *CreateForm(Args &&...args) {
        T *form = new T(std::forward<Args>(args)...);
        FinishFormLoading(form);
        return form;
    }

    QList<TForm *> Forms() const { return FForms; }
    int ComponentCount() const { return static_cast<int>(FForms.size()); }
    bool Owns(const QObject *object) const;
    TForm *MainForm() const { return FMainForm; }
    void SetMainForm(TForm *form) { FMainForm = form; }
    // Frees every form, the newest first. The program calls it after Terminate().
    void DestroyForms();

    QString Title() const { return FTitle; }
    void SetTitle(const QString &title);

    // The long hint of the control under the mouse; OnHint runs whenever it changes.
    QString Hint() const { return FHint; }
    void SetHint(const QString &hint);
    std::function<void()> OnHint;

    bool Terminated() const { return FTerminated; }
    // Ends the message loop; forms are freed afterwards by DestroyForms.
    void Terminate();
    void ProcessMessages();

    // Delivers a message to every form that is an instance of formClass, in creation order, and
    // returns when all have handled it. An error raised by a handler ends the delivery and
    // reaches the caller. Forms freed during delivery are skipped.
    void Broadcast(TMessage &message, const QMetaObject &formClass);
    // Delivers a message that asks the forms a question, as Broadcast does, until a form
    // answers by setting a result other than 0: the delivery ends there and the result is
    // returned (0 when no form answered).
    qint32 Ask(TMessage &message, const QMetaObject &formClass);

    // Shows an error that nobody caught: silent for EAbort, else OnException when assigned,
    // else a message box.
    void HandleException(const std::exception_ptr &error);
    std::function<void(const QString &message)> OnException;
    void ShowException(const QString &message);

    // Called by TForm only.
    void InsertForm(TForm *form);
    void RemoveForm(TForm *form);

private:
    qint32 Deliver(TMessage &message, const QMetaObject &formClass, bool untilAnswered);
    TApplication() = default;
    void FinishFormLoading(TForm *form);

    QList<TForm *> FForms;
    TForm *FMainForm = nullptr;
    QString FTitle;
    QString FHint;
    bool FTerminated = false;
};

inline TApplication *Application() {
    return TApplication::Instance();
}

// The Qt application of the program: it routes errors escaping any event handler to
// TApplication::HandleException and status tips to the application's hint.
class TApplicationHost : public QApplication {
    Q_OBJECT
public:
    TApplicationHost(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// An information box with an OK button, owned by the active window; returns when it is closed.
void ShowMessage(const QString &message);
