#include "Animate.h"

#include <QPainter>

namespace {

constexpr int kCopyFilesFrames = 34;

// A folder with its tab, its front face drawn in the given rectangle.
void PaintFolder(QPainter &painter, const QRectF &r) {
    painter.setPen(QPen(QColor(150, 110, 20), 1));
    painter.setBrush(QColor(230, 180, 60));
    painter.drawRoundedRect(QRectF(r.left(), r.top() - 4, r.width() * 0.4, 8), 2, 2);
    painter.drawRoundedRect(r, 3, 3);
    painter.setBrush(QColor(250, 210, 90));
    painter.drawRoundedRect(r.adjusted(0, r.height() * 0.3, 0, 0), 3, 3);
}

// A sheet of paper with a few text lines, turned by the given angle about its centre.
void PaintPage(QPainter &painter, const QPointF &centre, qreal angle) {
    painter.save();
    painter.translate(centre);
    painter.rotate(angle);
    const QRectF sheet(-7, -9, 14, 18);
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(sheet);
    painter.setPen(QPen(QColor(70, 110, 190), 1));
    for (int i = 0; i < 4; ++i) {
        const qreal y = sheet.top() + 4 + i * 3.5;
        painter.drawLine(QPointF(sheet.left() + 3, y), QPointF(sheet.right() - 3, y));
    }
    painter.restore();
}

} // namespace

TAnimate::TAnimate(QWidget *parent) : QWidget(parent) {
    FTimer.setInterval(60);
    connect(&FTimer, &QTimer::timeout, this, [this] { NextFrame(); });
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

int TAnimate::FrameCount() const {
    return FAnimation == TCommonAnimation::aniCopyFiles ? kCopyFilesFrames : 0;
}

void TAnimate::SetCommonAnimation(TCommonAnimation animation) {
    FTimer.stop();
    FAnimation = animation;
    FStopFrame = FrameCount();
    FFrame = FrameCount() > 0 ? 1 : 0;
    update();
}

void TAnimate::SetStopFrame(int frame) {
    if (FrameCount() == 0)
        return;
    FStopFrame = qBound(1, frame, FrameCount());
    if (FFrame > FStopFrame)
        FFrame = 1;
    update();
}

void TAnimate::SetActive(bool active) {
    if (active && FrameCount() > 0)
        FTimer.start();
    else
        FTimer.stop();
}

void TAnimate::NextFrame() {
    FFrame = FFrame >= FStopFrame ? 1 : FFrame + 1;
    update();
}

QSize TAnimate::sizeHint() const {
    return QSize(272, 60);
}

void TAnimate::paintEvent(QPaintEvent *) {
    if (FAnimation != TCommonAnimation::aniCopyFiles)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintCopyFiles(painter);
}

void TAnimate::PaintCopyFiles(QPainter &painter) const {
    // Both folders sit on the bottom line, 20 pixels in from the sides of a centred strip.
    const qreal stripWidth = qMin<qreal>(width(), 272);
    const qreal left = (width() - stripWidth) / 2;
    const qreal base = height() - 6;
    const QRectF from(left + 20, base - 24, 44, 24);
    const QRectF to(left + stripWidth - 64, base - 24, 44, 24);
    PaintFolder(painter, from);
    PaintFolder(painter, to);

    // The page leaves the first folder at frame 1 and lands in the second at the last frame,
    // rising in a parabola and turning over once on the way.
    const qreal t = kCopyFilesFrames > 1 ? qreal(FFrame - 1) / (kCopyFilesFrames - 1) : 0;
    const qreal x = from.center().x() + t * (to.center().x() - from.center().x());
    const qreal rise = qMax<qreal>(0, from.top() - 14);
    const qreal y = from.top() - 2 - 4 * t * (1 - t) * rise;
    PaintPage(painter, QPointF(x, y), t * 360);
}
