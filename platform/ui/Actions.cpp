#include "Actions.h"

#include "Application.h"

TAction::TAction(QObject *owner, const QString &name, const QString &category,
                 const QString &caption)
    : QAction(caption, owner), FCategory(category) {
    setObjectName(name);
    // Qt's signal delivery is not exception-safe: a handler's error is reported here, as the
    // message loop reports any other, instead of unwinding through Qt.
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
