#include "Application.h"

#include "Form.h"

#include <Component.h>
#include <Exceptions.h>

#include <QLocale>
#include <QMessageBox>
#include <QStatusTipEvent>

TApplication *TApplication::Instance() {
    static TApplication *instance = new TApplication(); // lives until the process ends
    return instance;
}

bool TApplication::Owns(const QObject *object) const {
    for (TForm *f : FForms)
        if (f == object)
            return true;
    return false;
}

void TApplication::FinishFormLoading(TForm *form) {
    FinishLoading(form);
    if (!FMainForm)
        FMainForm = form;
}

void TApplication::InsertForm(TForm *form) {
    if (!FForms.contains(form))
        FForms.append(form);
}

void TApplication::RemoveForm(TForm *form) {
    FForms.removeAll(form);
    if (FMainForm == form)
        FMainForm = nullptr;
}

void TApplication::DestroyForms() {
    while (!FForms.isEmpty())
        delete FForms.takeLast();
}

void TApplication::SetTitle(const QString &title) {
    FTitle = title;
    if (QCoreApplication::instance())
        QCoreApplication::setApplicationName(title);
}

void TApplication::SetHint(const QString &hint) {
    if (hint == FHint)
        return;
    FHint = hint;
    if (OnHint)
        OnHint();
}

void TApplication::Terminate() {
    FTerminated = true;
    QCoreApplication::quit();
}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents();
}

void TApplication::Broadcast(TMessage &message, const QMetaObject &formClass) {
    Deliver(message, formClass, false);
}

qint32 TApplication::Ask(TMessage &message, const QMetaObject &formClass) {
    return Deliver(message, formClass, true);
}

qint32 TApplication::Deliver(TMessage &message, const QMetaObject &formClass, bool untilAnswered) {
    QList<QPointer<TForm>> targets;
    for (TForm *f : FForms)
        if (f->metaObject()->inherits(&formClass))
            targets.append(f);
    for (const QPointer<TForm> &f : targets) {
        if (!f || f->IsDestroying())
            continue;
        TMessage copy = message;
        f->Dispatch(copy);
        if (untilAnswered && copy.Result != 0)
            return copy.Result;
    }
    return 0;
}

void TApplication::HandleException(const std::exception_ptr &error) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort &) {
        return;
    } catch (...) {
    }
    const QString message = ExceptionMessage(error);
    if (OnException)
        OnException(message);
    else
        ShowException(message);
}

void TApplication::ShowException(const QString &message) {
    QMessageBox box(QMessageBox::Critical,
                    FTitle.isEmpty() ? QCoreApplication::applicationName() : FTitle, message,
                    QMessageBox::Ok, FMainForm);
    box.exec();
}

void ShowMessage(const QString &message) {
    QWidget *parent = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Information,
                    Application()->Title().isEmpty() ? QCoreApplication::applicationName()
                                                     : Application()->Title(),
                    message, QMessageBox::Ok, parent);
    box.exec();
}

namespace {
void ReportToApplication(const std::exception_ptr &error) {
    Application()->HandleException(error);
}
} // namespace

TApplicationHost::TApplicationHost(int &argc, char **argv) : QApplication(argc, argv) {
    SetErrorReporter(&ReportToApplication);
    // The interface is Traditional Chinese: dates, calendars and standard buttons follow.
    QLocale::setDefault(
        QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan));
}

bool TApplicationHost::notify(QObject *receiver, QEvent *event) {
    if (event->type() == QEvent::StatusTip)
        Application()->SetHint(static_cast<QStatusTipEvent *>(event)->tip());
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        Application()->HandleException(std::current_exception());
        return false;
    }
}
