#include "uJxProgressDialog.h"

#include "Application.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

namespace {

// The unit's single window; cleared as soon as the window closes, before it is freed.
QPointer<TJxProgressDialog> &TheWindow() {
    static QPointer<TJxProgressDialog> window;
    return window;
}

QPixmap PaintDefaultLogo() {
    // A neutral emblem: an open book in a ring on a soft blue field.
    QPixmap pixmap(319, 240);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient field(0, 0, 0, pixmap.height());
    field.setColorAt(0, QColor(235, 242, 252));
    field.setColorAt(1, QColor(190, 210, 240));
    painter.fillRect(pixmap.rect(), field);

    const QPointF centre(pixmap.width() / 2.0, pixmap.height() / 2.0);
    painter.setPen(QPen(QColor(40, 80, 150), 6));
    painter.setBrush(QColor(255, 255, 255, 180));
    painter.drawEllipse(centre, 90, 90);

    painter.setPen(QPen(QColor(40, 80, 150), 3));
    painter.setBrush(Qt::white);
    for (const int side : {-1, 1}) {
        QPolygonF page;
        page << centre + QPointF(0, -30) << centre + QPointF(side * 58, -40)
             << centre + QPointF(side * 58, 30) << centre + QPointF(0, 40);
        painter.drawPolygon(page);
        for (int line = 0; line < 4; ++line) {
            const qreal y = -22 + line * 14;
            painter.drawLine(centre + QPointF(side * 12, y), centre + QPointF(side * 48, y - 6));
        }
    }
    return pixmap;
}

} // namespace

TJxProgressDialog::TJxProgressDialog(QWidget *parent) : TForm(parent) {
    SetName(QStringLiteral("JxProgressDialog"));
    SetCaption(QStringLiteral("資料傳送中"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(319, 277);

    MessageText = new QLabel(this);
    MessageText->setObjectName(QStringLiteral("MessageText"));
    MessageText->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    MessageText->setAutoFillBackground(true);
    QPalette palette = MessageText->palette();
    palette.setColor(QPalette::Window, QColor(0, 0, 160));
    palette.setColor(QPalette::WindowText, Qt::white);
    MessageText->setPalette(palette);
    MessageText->setMinimumHeight(22);

    LogoImage = new QLabel(this);
    LogoImage->setObjectName(QStringLiteral("LogoImage"));
    LogoImage->setScaledContents(true);
    LogoImage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    LogoImage->setPixmap(DefaultLogo());

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(MessageText);
    layout->addWidget(LogoImage, 1);
    layout->addWidget(ProgressBar1);

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    OnClose = [this](TCloseAction &action) { FormClose(action); };
}

TJxProgressDialog::~TJxProgressDialog() {
    Destroying();
}

QPixmap TJxProgressDialog::DefaultLogo() {
    return PaintDefaultLogo();
}

void TJxProgressDialog::ShowProgress(const QString &text, int position) {
    MessageText->setText(text);
    ProgressBar1->setValue(qBound(0, position, 100));
    CheckLogo();
    Show();
}

void TJxProgressDialog::CheckLogo() {
    if (!FLoadLogoOnce || FLogoFile.isEmpty() || !QFileInfo(FLogoFile).isFile())
        return;
    FLoadLogoOnce = false;
    // A file that is no picture leaves the built-in logo: the window is only there to show
    // progress, and a damaged logo must not stop the work it accompanies.
    QPixmap picture;
    if (picture.load(FLogoFile))
        LogoImage->setPixmap(picture);
}

void TJxProgressDialog::FormClose(TCloseAction &action) {
    action = TCloseAction::caFree;
    if (TheWindow() == this)
        TheWindow() = nullptr;
}

TJxProgressDialog *JxProgressDialog() {
    return TheWindow();
}

void ShowProgressDialog(const QString &text, int position) {
    ShowProgressDialog(text, position, QString());
}

void ShowProgressDialog(const QString &text, int position, const QString &logoImageFile) {
    QPointer<TJxProgressDialog> &window = TheWindow();
    if (!window) {
        window = new TJxProgressDialog;
        FinishLoading(window);
        window->SetLogoFile(logoImageFile);
    }
    window->ShowProgress(text, position);
    Application()->ProcessMessages();
}

void CloseProgressDialog() {
    QPointer<TJxProgressDialog> &window = TheWindow();
    if (!window)
        return;
    TJxProgressDialog *closing = window;
    window = nullptr;
    closing->close();
}
