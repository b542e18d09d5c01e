#include "TransferDialog.h"

#include "uJxTransferDialog.h"

TTransferDialog::TTransferDialog(QObject *owner) : TComponent(owner) {}

void TTransferDialog::Execute() {
    Execute(FCaption);
}

void TTransferDialog::Execute(const QString &text) {
    if (FVisible)
        ShowTransferDialog(text, TCommonAnimation::aniCopyFiles);
}

void TTransferDialog::Close() {
    if (FVisible)
        CloseTransferDialog();
}
