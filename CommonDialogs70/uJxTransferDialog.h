#pragma once
// The transfer window "資料傳送中": a modeless window, always on top, with an animation and a
// message, shown while files or data travel between the client and a server. Nested users
// share one window: each show raises a use count and each close lowers it; the window hides
// while others still use it and is freed by the close that brings the count to 0. A window the
// user closes ends its count; closes of its users that come later leave other windows alone.

#include "Animate.h"
#include "Form.h"

class QLabel;

class TJxTransferDialog : public TForm {
    Q_OBJECT
public:
    explicit TJxTransferDialog(QWidget *parent = nullptr);
    ~TJxTransferDialog() override;

    TAnimate *Animate = nullptr;
    QLabel *MessageText = nullptr;

private:
    void FormClose(TCloseAction &action);
};

// The unit's window, or nullptr when none is open.
TJxTransferDialog *JxTransferDialog();
// How many users the window has (0 without one).
int TransferDialogUseCount();
// Counts one more user, creating the window when there is none; plays the animation, sets the
// message, shows the window and lets pending messages run once so that it paints. Returns the
// window's number for CloseTransferDialog(int).
int ShowTransferDialog(const QString &text,
                       TCommonAnimation animation = TCommonAnimation::aniCopyFiles);
// Counts one user less; hides the window while others still use it, else closes it (it frees
// itself) and forgets it. Nothing without a window.
void CloseTransferDialog();
// The same for a user of the window with that number: nothing when that window is already
// gone (closed by the user), so that a window shown later stays for its own users.
void CloseTransferDialog(int window);
