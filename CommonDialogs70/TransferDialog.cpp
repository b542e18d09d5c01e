#include "TransferDialog.h"

#include "uJxTransferDialog.h"

TTransferDialog::TTransferDialog(QObject *owner) : TComponent(owner) {}

void TTransferDialog::Execute() {
    Execute(FCaption);
}

void TTransferDialog::Execute(const QString &text) {
    if (FVisible)
        FWindows.append(ShowTransferDialog(text, TCommonAnimation::aniCopyFiles));
}

void TTransferDialog::Close() {
    if (!FVisible)
        return;
    if (FWindows.isEmpty())
        CloseTransferDialog();
    else
        CloseTransferDialog(FWindows.takeLast());
}
