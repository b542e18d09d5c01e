#include "uJxTransferDialog.h"

#include "Application.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// The unit's state: the shared window, the number of its users, and the window's number
// (each new window gets the next one, so that a user of a window already gone is told apart).
struct TTransferState {
    QPointer<TJxTransferDialog> Window;
    int UseCount = 0;
    int Number = 0;
};

TTransferState &State() {
    static TTransferState state;
    return state;
}

} // namespace

TJxTransferDialog::TJxTransferDialog(QWidget *parent) : TForm(parent) {
    SetName(QStringLiteral("JxTransferDialog"));
    SetCaption(QStringLiteral("資料傳送中"));
    // A title bar without the system buttons, above every other window.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowStaysOnTopHint);
    resize(300, 130);

    Animate = new TAnimate(this);
    Animate->setObjectName(QStringLiteral("Animate"));
    Animate->SetCommonAnimation(TCommonAnimation::aniCopyFiles);
    Animate->SetStopFrame(34);

    MessageText = new QLabel(this);
    MessageText->setObjectName(QStringLiteral("MessageText"));
    MessageText->setAlignment(Qt::AlignCenter);
    MessageText->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Animate);
    layout->addWidget(MessageText, 1);

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    OnClose = [this](TCloseAction &action) { FormClose(action); };
}

TJxTransferDialog::~TJxTransferDialog() {
    Destroying();
}

void TJxTransferDialog::FormClose(TCloseAction &action) {
    // Closed by any means, the window is freed; the unit forgets it at once, so that the
    // next show makes a new one instead of reaching a window on its way out.
    action = TCloseAction::caFree;
    // Its users' closes still to come concern this window only; they no longer count.
    if (State().Window == this) {
        State().Window = nullptr;
        State().UseCount = 0;
    }
}

TJxTransferDialog *JxTransferDialog() {
    return State().Window;
}

int TransferDialogUseCount() {
    return State().UseCount;
}

int ShowTransferDialog(const QString &text, TCommonAnimation animation) {
    TTransferState &state = State();
    if (state.Window) {
        ++state.UseCount;
    } else {
        state.UseCount = 1;
        ++state.Number;
        state.Window = new TJxTransferDialog;
        FinishLoading(state.Window);
    }
    const int number = state.Number;
    TJxTransferDialog *window = state.Window;
    if (window->Animate->CommonAnimation() != animation) {
        window->Animate->SetCommonAnimation(animation);
        window->Animate->SetStopFrame(34);
    }
    window->Animate->SetActive(true);
    window->MessageText->setText(text);
    window->Show();
    Application()->ProcessMessages();
    return number;
}

void CloseTransferDialog(int window) {
    // A user of a window that is gone (closed by the user meanwhile) has nothing left to close.
    if (window == State().Number)
        CloseTransferDialog();
}

void CloseTransferDialog() {
    TTransferState &state = State();
    if (state.UseCount > 0)
        --state.UseCount;
    if (!state.Window)
        return;
    TJxTransferDialog *window = state.Window;
    if (state.UseCount > 0) {
        window->Animate->SetActive(false);
        window->hide();
        return;
    }
    state.Window = nullptr;
    window->close();
}
