#pragma once
// Opening a file with the desktop's application for its type. The desktop is asked first
// whether it has such an application at all, because its opener reports success even when it
// has none, and the caller then tells the user where the file is instead.

#include <QString>

class TDesktopLauncher {
public:
    virtual ~TDesktopLauncher() = default;
    // Starts the desktop's default application for the file's MIME type on the file and returns
    // true; returns false, starting nothing, when the desktop has no such application or its
    // tools (xdg-mime, xdg-open) are not installed.
    virtual bool OpenFile(const QString &path);

    // The desktop file of the default application for mimeType ("" when there is none).
    static QString DefaultApplication(const QString &mimeType);
};
