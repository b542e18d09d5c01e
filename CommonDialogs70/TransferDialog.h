#pragma once
// TTransferDialog: the transfer window as a component that a form keeps among its own. Each
// Execute counts one more user of the shared transfer window of uJxTransferDialog and each
// Close one less; with Visible false both do nothing, so a form can switch its waiting window
// off.

#include "Component.h"

#include <QList>

class TTransferDialog : public TComponent {
    Q_OBJECT
public:
    explicit TTransferDialog(QObject *owner = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString &caption) { FCaption = caption; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible) { FVisible = visible; }

    // Shows the window with Caption and the copy-files animation.
    void Execute();
    // Shows the window with the text and the copy-files animation.
    void Execute(const QString &text);
    void Close();

private:
    QString FCaption;
    bool FVisible = true;
    QList<int> FWindows; // the numbers of the windows its shows counted on, latest last
};
