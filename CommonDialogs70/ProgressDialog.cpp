#include "ProgressDialog.h"

#include "uJxProgressDialog.h"

TProgressDialog::TProgressDialog(QObject *owner) : TComponent(owner) {}

void TProgressDialog::Execute() {
    ShowDialog(FCaption, FPosition);
}

void TProgressDialog::Execute(const QString &text, int position) {
    ShowDialog(text, position);
}

void TProgressDialog::ShowDialog(const QString &text, int position) {
    ShowProgressDialog(text, position, FLogoImageFile);
}

void TProgressDialog::Close() {
    // The unit's reference follows the window and is cleared as it goes.
    delete JxProgressDialog();
}
