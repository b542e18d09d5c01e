#include "Actions.h"

#include "Application.h"

TAction::TAction(QObject *owner, const QString &name, const QString &category,
                 const QString &caption)
    : QAction(caption, owner), FCategory(category) {
    setObjectName(name);
    // A click, a menu item or a shortcut: an error of the handler is shown to the user here,
    // so that it never unwinds through the toolkit's signal delivery.
    connect(this, &QAction::triggered, this, [this] {
        try {
            Execute();
        } catch (...) {
            Application()->HandleException(std::current_exception());
        }
    });
}

void TAction::SetHint(const QString &hint) {
    setStatusTip(hint);
    setToolTip(hint);
}

void TAction::SetImageIndex(int index, const QIcon &icon) {
    FImageIndex = index;
    setIcon(icon);
}

bool TAction::Execute() {
    if (!OnExecute)
        return false;
    OnExecute();
    return true;
}
