#pragma once
// PDFs made on the spot, read back as pictures; dialogs answered as the user would.

#include "DesktopLauncher.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QStringList>
#include <QTimer>
#include <functional>

// A PDF with one page per gray (0 black .. 255 white), each filled edge to edge.
inline bool WriteGrayPages(const QString &path, const QList<int> &grays,
                           const QPageSize &paper = QPageSize(QPageSize::A4)) {
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(paper);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    for (qsizetype i = 0; i < grays.size(); ++i) {
        if (i > 0)
            writer.newPage();
        painter.fillRect(QRect(0, 0, writer.width(), writer.height()),
                         QColor(grays[i], grays[i], grays[i]));
    }
    return painter.end();
}

// A page rendered on white paper, at the given width (height in proportion) or size.
inline QImage PageOnWhite(QPdfDocument &document, int page, int width, QSize size = {}) {
    const QSizeF points = document.pagePointSize(page);
    if (size.isEmpty())
        size = QSize(width, qRound(width * points.height() / points.width()));
    QImage paper(size, QImage::Format_RGB32);
    paper.fill(Qt::white);
    QPainter(&paper).drawImage(0, 0, document.render(page, size));
    return paper;
}

// The rectangle of the pixels darker than light gray.
inline QRect DarkArea(const QImage &image) {
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 200)
                area |= QRect(x, y, 1, 1);
    return area;
}

// Plays the user at the next modal dialog of class Dialog: answer runs on it once.
template <class Dialog> class TDialogAnswer : public QObject {
public:
    explicit TDialogAnswer(std::function<void(Dialog *)> answer) {
        connect(&FTimer, &QTimer::timeout, this, [this, answer] {
            if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
                FTimer.stop();
                Title = dialog->windowTitle();
                answer(dialog);
            }
        });
        FTimer.start(10);
    }
    QString Title; // of the dialog answered; empty until then

private:
    QTimer FTimer;
};

// The desktop as a test sees it: every file it is asked to open is kept.
class TRecordingLauncher : public TDesktopLauncher {
public:
    explicit TRecordingLauncher(QStringList &opened) : FOpened(opened) {}
    bool OpenFile(const QString &path) override {
        FOpened << path;
        return true;
    }

private:
    QStringList &FOpened;
};
