#pragma once
// TAction: a command with a category, a caption, a long hint shown in the status bar, an
// image index into the form's image list and an execute handler. Menus and tool buttons show
// the same action; errors raised by the handler reach the application's error display.

#include <QAction>
#include <QIcon>
#include <QList>
#include <functional>

class TAction : public QAction {
    Q_OBJECT
public:
    TAction(QObject *owner, const QString &name, const QString &category, const QString &caption);

    QString Category() const { return FCategory; }
    QString Hint() const { return statusTip(); }
    void SetHint(const QString &hint);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int index, const QIcon &icon);

    // Runs the handler; returns false when there is none. Errors reach the caller.
    bool Execute();
    std::function<void()> OnExecute;

private:
    QString FCategory;
    int FImageIndex = -1;
};

// A small list of icons addressed by index, as actions and menu items refer to them.
class TImageList {
public:
    void Add(const QIcon &icon) { FIcons.append(icon); }
    QIcon Icon(int index) const {
        return index >= 0 && index < FIcons.size() ? FIcons[index] : QIcon();
    }
    int Count() const { return static_cast<int>(FIcons.size()); }

private:
    QList<QIcon> FIcons;
};
