#include "Actions.h"

TAction::TAction(QObject *owner, const QString &name, const QString &category,
                 const QString &caption)
    : QAction(caption, owner), FCategory(category) {
    setObjectName(name);
    connect(this, &QAction::triggered, this, [this] { Execute(); });
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
