#pragma once
// TForm: a top-level window of the system. Forms belong to the application object (listed in
// creation order), carry the component properties (Name, Tag), handle message records by
// number, and can be docked into a dock area as a page and floated back as a window.

#include "Messages.h"

#include "Component.h"

#include <QHash>
#include <QWidget>
#include <functional>

class TDockArea;

enum class TDragKind { dkDrag, dkDock };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

class TForm : public QWidget, public TComponentBase {
    Q_OBJECT
public:
    explicit TForm(QWidget *parent = nullptr);
    ~TForm() override;
    QObject *AsObject() override { return this; }
    using TComponentBase::AsObject;

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString &caption);

    TDragKind DragKind() const { return FDragKind; }
    void SetDragKind(TDragKind kind) { FDragKind = kind; }

    // The dock area the form is docked in, or nullptr while it floats.
    TDockArea *HostDockSite() const { return FHostDockSite; }
    // Makes the form a page of the area (leaving any other area first).
    void ManualDock(TDockArea *area);
    // Takes the form out of its area and shows it as a window at the given screen rectangle.
    void ManualFloat(const QRect &screenRect);
    // The size the form has as a window; kept while it is docked.
    int UndockWidth() const { return FUndockSize.width(); }
    int UndockHeight() const { return FUndockSize.height(); }
    void SetUndockSize(const QSize &size) { FUndockSize = size; }

    // Shows the form; a docked form's page becomes the active one.
    void Show();

    // Runs the handler registered for the message number, if any.
    void Dispatch(TMessage &message);
    bool HandlesMessage(quint32 msg) const { return FHandlers.contains(msg); }

    std::function<void()> OnShow;
    std::function<void()> OnActivate;
    std::function<void(bool &canClose)> OnCloseQuery;
    std::function<void(TCloseAction &action)> OnClose;

protected:
    void SetMessageHandler(quint32 msg, std::function<void(TMessage &)> handler);
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    friend class TDockArea;
    TDragKind FDragKind = TDragKind::dkDrag;
    TDockArea *FHostDockSite = nullptr;
    QSize FUndockSize;
    QHash<quint32, std::function<void(TMessage &)>> FHandlers;
};
