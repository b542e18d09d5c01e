#pragma once
// The progress window "資料傳送中": a borderless, modeless window with a message line, the
// school's logo and a progress bar, shown while the client does long work such as starting
// up. There is at most one: the unit keeps it, creates it on the first show and forgets it
// when it closes, however it is closed.

#include "Form.h"

#include <QPixmap>

class QLabel;
class QProgressBar;

class TJxProgressDialog : public TForm {
    Q_OBJECT
public:
    explicit TJxProgressDialog(QWidget *parent = nullptr);
    ~TJxProgressDialog() override;

    QLabel *MessageText = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QLabel *LogoImage = nullptr;

    // The picture file that replaces the built-in logo; empty for none.
    QString LogoFile() const { return FLogoFile; }
    void SetLogoFile(const QString &fileName) { FLogoFile = fileName; }
    // Whether the logo file is still to be loaded (set until it has been).
    bool LoadLogoOnce() const { return FLoadLogoOnce; }

    // Message and position (0..100, clamped), the logo check, then the window is shown.
    void ShowProgress(const QString &text, int position);

    // The built-in logo (the same picture every time).
    static QPixmap DefaultLogo();

private:
    // Loads the logo file once it exists; until then the built-in picture stays.
    void CheckLogo();
    void FormClose(TCloseAction &action);

    QString FLogoFile;
    bool FLoadLogoOnce = true;
};

// The unit's window, or nullptr when none is open.
TJxProgressDialog *JxProgressDialog();
// Creates the window when there is none (giving a new window the logo file, if one is named),
// sets message and position, shows it and lets pending messages run once so that it paints.
void ShowProgressDialog(const QString &text, int position);
void ShowProgressDialog(const QString &text, int position, const QString &logoImageFile);
// Closes the window (it frees itself) and forgets it; nothing without a window.
void CloseProgressDialog();
