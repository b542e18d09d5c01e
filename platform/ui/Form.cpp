#include "Form.h"

#include "Application.h"
#include "DockArea.h"

#include <QCloseEvent>

TForm::TForm(QWidget *parent) : QWidget(parent, parent ? Qt::WindowFlags() : Qt::Window) {
    SetLoading(true);
    Application()->InsertForm(this);
}

TForm::~TForm() {
    Destroying();
    Application()->RemoveForm(this);
}

void TForm::SetCaption(const QString &caption) {
    setWindowTitle(caption);
    if (FHostDockSite)
        FHostDockSite->UpdateCaption(this);
}

void TForm::ManualDock(TDockArea *area) {
    if (!area || area == FHostDockSite)
        return;
    if (FHostDockSite)
        FHostDockSite->Release(this);
    else if (isWindow() && size().isValid() && !size().isEmpty())
        FUndockSize = size();
    area->Adopt(this);
}

void TForm::ManualFloat(const QRect &screenRect) {
    if (FHostDockSite)
        FHostDockSite->Release(this);
    setParent(nullptr, Qt::Window);
    setGeometry(screenRect);
    FUndockSize = screenRect.size();
    show();
}

void TForm::Show() {
    if (FHostDockSite)
        FHostDockSite->ActivateForm(this);
    show();
    if (isWindow())
        raise();
}

void TForm::Dispatch(TMessage &message) {
    auto it = FHandlers.constFind(message.Msg);
    if (it != FHandlers.constEnd())
        (*it)(message);
}

void TForm::SetMessageHandler(quint32 msg, std::function<void(TMessage &)> handler) {
    FHandlers.insert(msg, std::move(handler));
}

void TForm::closeEvent(QCloseEvent *event) {
    // Errors of the close handlers must not unwind through the toolkit's close handling; the
    // form stays open and the user sees the error.
    bool canClose = true;
    TCloseAction action = TCloseAction::caHide;
    try {
        if (OnCloseQuery)
            OnCloseQuery(canClose);
        if (canClose && OnClose)
            OnClose(action);
    } catch (...) {
        event->ignore();
        ReportError(std::current_exception());
        return;
    }
    if (!canClose || action == TCloseAction::caNone) {
        event->ignore();
        return;
    }
    const bool isMain = Application()->MainForm() == this;
    if (action == TCloseAction::caMinimize && !isMain) {
        event->ignore();
        showMinimized();
        return;
    }
    event->accept();
    if (isMain) {
        Application()->Terminate();
        return;
    }
    if (action == TCloseAction::caFree)
        deleteLater();
}

void TForm::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!event->spontaneous() && OnShow)
        OnShow();
}

bool TForm::event(QEvent *event) {
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate && OnActivate)
        OnActivate();
    return result;
}
