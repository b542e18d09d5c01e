#pragma once
// TProgressDialog: the progress window as a component that a form keeps among its own. It
// shares the one progress window of uJxProgressDialog with every other user; a window that it
// creates shows its logo file.

#include "Component.h"

class TProgressDialog : public TComponent {
    Q_OBJECT
public:
    explicit TProgressDialog(QObject *owner = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString &caption) { FCaption = caption; }
    // Percent, 0..100.
    int Position() const { return FPosition; }
    void SetPosition(int position) { FPosition = position; }
    // The picture that replaces the built-in logo of a window this component creates.
    QString LogoImageFile() const { return FLogoImageFile; }
    void SetLogoImageFile(const QString &fileName) { FLogoImageFile = fileName; }

    // ShowDialog(Caption, Position).
    void Execute();
    // ShowDialog(text, position).
    void Execute(const QString &text, int position);
    // As ShowProgressDialog, giving a window created now the logo file.
    void ShowDialog(const QString &text, int position);
    // Frees the window, if there is one; the next show creates a new one.
    void Close();

private:
    QString FCaption;
    int FPosition = 0;
    QString FLogoImageFile;
};
