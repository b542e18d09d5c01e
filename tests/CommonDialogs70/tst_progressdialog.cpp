// The progress window: one shared window for the procedural calls and the component, its
// message and bar, closing by the user or by the program, and the logo file.

#include "ProgressDialog.h"
#include "TestMain.h"
#include "uJxProgressDialog.h"

#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QTemporaryDir>

namespace {

QImage LogoOf(const TJxProgressDialog *window) {
    return window->LogoImage->pixmap().toImage();
}

// A small picture of one colour saved as PNG.
void WritePicture(const QString &fileName, const QColor &colour) {
    QImage image(16, 12, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(fileName, "PNG"));
}

} // namespace

class TstProgressDialog : public QObject {
    Q_OBJECT
    QTemporaryDir FDir;

private Q_SLOTS:
    void cleanup() {
        CloseProgressDialog();
        QTRY_COMPARE(Application()->ComponentCount(), 0);
    }

    void oneWindowForEveryShow() {
        QVERIFY(!JxProgressDialog());
        CloseProgressDialog(); // nothing to close

        ShowProgressDialog(QStringLiteral("程式初始化中.."), 10);
        QPointer<TJxProgressDialog> window = JxProgressDialog();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->Caption(), QStringLiteral("資料傳送中"));
        QVERIFY(window->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(window->size(), QSize(319, 277));
        QCOMPARE(window->MessageText->text(), QStringLiteral("程式初始化中.."));
        QCOMPARE(window->ProgressBar1->value(), 10);
        QVERIFY(Application()->MainForm() != window); // closing it never ends the program

        // The component shares the window; positions outside the bar's range are clamped.
        TProgressDialog dialog;
        dialog.SetCaption(QStringLiteral("下載作業管理資訊.."));
        dialog.SetPosition(60);
        dialog.Execute();
        QCOMPARE(JxProgressDialog(), window.data());
        QCOMPARE(window->MessageText->text(), QStringLiteral("下載作業管理資訊.."));
        QCOMPARE(window->ProgressBar1->value(), 60);
        dialog.Execute(QStringLiteral("done"), 150);
        QCOMPARE(window->ProgressBar1->value(), 100);
        ShowProgressDialog(QStringLiteral("back"), -5);
        QCOMPARE(window->ProgressBar1->value(), 0);
        QCOMPARE(Application()->ComponentCount(), 1);

        // The component frees the window at once.
        dialog.Close();
        QVERIFY(window.isNull());
        QVERIFY(!JxProgressDialog());
        dialog.Close(); // without a window: nothing
    }

    void closingTheWindowForgetsIt() {
        ShowProgressDialog(QStringLiteral("a"), 10);
        QPointer<TJxProgressDialog> first = JxProgressDialog();
        // The user (or the system) closes it: the unit forgets it at once, it frees itself.
        first->close();
        QVERIFY(!JxProgressDialog());
        QTRY_VERIFY(first.isNull());

        // The next show makes a new window, which the program closes the same way.
        ShowProgressDialog(QStringLiteral("b"), 40);
        QPointer<TJxProgressDialog> second = JxProgressDialog();
        QVERIFY(second);
        QCOMPARE(second->MessageText->text(), QStringLiteral("b"));
        CloseProgressDialog();
        QVERIFY(!JxProgressDialog());
        QVERIFY(!second->isVisible());
        QTRY_VERIFY(second.isNull());
    }

    void logoFromFile() {
        const QString logo = FDir.filePath(QStringLiteral("logo.png"));
        TProgressDialog dialog;
        dialog.SetLogoImageFile(logo);

        // No file yet: the built-in picture stays, and the file is looked for again later.
        dialog.Execute(QStringLiteral("a"), 10);
        TJxProgressDialog *window = JxProgressDialog();
        QCOMPARE(window->LogoFile(), logo);
        QCOMPARE(LogoOf(window), TJxProgressDialog::DefaultLogo().toImage());
        QVERIFY(window->LoadLogoOnce());

        WritePicture(logo, Qt::red);
        dialog.Execute(QStringLiteral("b"), 40);
        QCOMPARE(LogoOf(window).pixelColor(0, 0), QColor(Qt::red));
        QVERIFY(!window->LoadLogoOnce());

        // Loaded once: a changed file is not read again while the window lives.
        WritePicture(logo, Qt::green);
        dialog.Execute(QStringLiteral("c"), 60);
        QCOMPARE(LogoOf(window).pixelColor(0, 0), QColor(Qt::red));

        // A new window reads the file as it is now.
        dialog.Close();
        dialog.Execute(QStringLiteral("d"), 10);
        QCOMPARE(LogoOf(JxProgressDialog()).pixelColor(0, 0), QColor(Qt::green));
    }

    void logoOnlyForAWindowTheComponentCreates() {
        const QString logo = FDir.filePath(QStringLiteral("blue.png"));
        WritePicture(logo, Qt::blue);
        ShowProgressDialog(QStringLiteral("a"), 10);
        TProgressDialog dialog;
        dialog.SetLogoImageFile(logo);
        dialog.Execute(QStringLiteral("b"), 20);
        QVERIFY(JxProgressDialog()->LogoFile().isEmpty());
        QCOMPARE(LogoOf(JxProgressDialog()), TJxProgressDialog::DefaultLogo().toImage());
    }

    void damagedLogoKeepsTheBuiltInPicture() {
        const QString logo = FDir.filePath(QStringLiteral("damaged.png"));
        QFile file(logo);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\x89PNG not really");
        file.close();
        TProgressDialog dialog;
        dialog.SetLogoImageFile(logo);
        dialog.Execute(QStringLiteral("a"), 10);
        QCOMPARE(LogoOf(JxProgressDialog()), TJxProgressDialog::DefaultLogo().toImage());
        // A folder of that name is no picture file either.
        dialog.Close();
        dialog.SetLogoImageFile(FDir.path());
        dialog.Execute(QStringLiteral("b"), 10);
        QVERIFY(JxProgressDialog()->LoadLogoOnce());
        QCOMPARE(LogoOf(JxProgressDialog()), TJxProgressDialog::DefaultLogo().toImage());
    }
};

LUM_TEST_MAIN(TstProgressDialog)
#include "tst_progressdialog.moc"
