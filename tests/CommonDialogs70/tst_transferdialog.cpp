// The transfer window: nested users of one window, closing without a window, the component
// switched off, closing by the user, and the copy-files animation it plays.

#include "TestMain.h"
#include "TransferDialog.h"
#include "uJxTransferDialog.h"

#include <QLabel>
#include <QPointer>

class TstTransferDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() {
        while (TransferDialogUseCount() > 0)
            CloseTransferDialog();
        QTRY_COMPARE(Application()->ComponentCount(), 0);
    }

    void nestedShowsShareOneWindow() {
        ShowTransferDialog(QStringLiteral("版本控制:[File:a.bpl,OK]"));
        QPointer<TJxTransferDialog> window = JxTransferDialog();
        QVERIFY(window);
        QCOMPARE(TransferDialogUseCount(), 1);
        QVERIFY(window->isVisible());
        QCOMPARE(window->Caption(), QStringLiteral("資料傳送中"));
        QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(window->windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(window->Animate->CommonAnimation(), TCommonAnimation::aniCopyFiles);
        QCOMPARE(window->Animate->StopFrame(), 34);
        QVERIFY(window->Animate->Active());

        ShowTransferDialog(QStringLiteral("inner"));
        QCOMPARE(JxTransferDialog(), window.data());
        QCOMPARE(TransferDialogUseCount(), 2);
        QCOMPARE(window->MessageText->text(), QStringLiteral("inner"));

        // The inner user is done: the window hides but stays for the outer one.
        CloseTransferDialog();
        QCOMPARE(TransferDialogUseCount(), 1);
        QCOMPARE(JxTransferDialog(), window.data());
        QVERIFY(!window->isVisible());
        QVERIFY(!window->Animate->Active());
        QTest::qWait(20);
        QVERIFY(window);

        // It comes back with the next show.
        ShowTransferDialog(QStringLiteral("again"));
        QCOMPARE(TransferDialogUseCount(), 2);
        QVERIFY(window->isVisible());
        QVERIFY(window->Animate->Active());
        CloseTransferDialog();
        CloseTransferDialog();
        QCOMPARE(TransferDialogUseCount(), 0);
        QVERIFY(!JxTransferDialog());
        QTRY_VERIFY(window.isNull());
    }

    void closeWithoutWindow() {
        CloseTransferDialog();
        CloseTransferDialog();
        QCOMPARE(TransferDialogUseCount(), 0);
        QVERIFY(!JxTransferDialog());
        // Extra closes never make a later show need more than one close.
        ShowTransferDialog(QStringLiteral("x"));
        QCOMPARE(TransferDialogUseCount(), 1);
        QPointer<TJxTransferDialog> window = JxTransferDialog();
        CloseTransferDialog();
        QTRY_VERIFY(window.isNull());
    }

    void componentSwitchedOff() {
        TTransferDialog off;
        QVERIFY(off.Visible());
        off.SetVisible(false);
        off.SetCaption(QStringLiteral("off"));
        off.Execute();
        off.Execute(QStringLiteral("off"));
        QVERIFY(!JxTransferDialog());
        QCOMPARE(TransferDialogUseCount(), 0);

        // Switched off, it does not close a window that others use.
        TTransferDialog on;
        on.SetCaption(QStringLiteral("上傳"));
        on.Execute();
        QCOMPARE(JxTransferDialog()->MessageText->text(), QStringLiteral("上傳"));
        off.Close();
        QCOMPARE(TransferDialogUseCount(), 1);
        QVERIFY(JxTransferDialog()->isVisible());
        on.Execute(QStringLiteral("next file"));
        QCOMPARE(TransferDialogUseCount(), 2);
        QCOMPARE(JxTransferDialog()->MessageText->text(), QStringLiteral("next file"));
        on.Close();
        on.Close();
        QVERIFY(!JxTransferDialog());
    }

    void closedByTheUser() {
        ShowTransferDialog(QStringLiteral("a"));
        QPointer<TJxTransferDialog> first = JxTransferDialog();
        first->close();
        QVERIFY(!JxTransferDialog());
        QTRY_VERIFY(first.isNull());
        // The next show makes a new window with one user; its close frees it.
        ShowTransferDialog(QStringLiteral("b"));
        QPointer<TJxTransferDialog> second = JxTransferDialog();
        QVERIFY(second);
        QCOMPARE(TransferDialogUseCount(), 1);
        CloseTransferDialog();
        QTRY_VERIFY(second.isNull());
    }

    void aWindowClosedByTheUserIsNotClosedAgainForItsUsers() {
        // Two forms' transfers share the window; the user closes it while both still run.
        TTransferDialog first, second, later;
        first.Execute(QStringLiteral("a"));
        second.Execute(QStringLiteral("b"));
        QCOMPARE(TransferDialogUseCount(), 2);
        QPointer<TJxTransferDialog> closed = JxTransferDialog();
        closed->close();
        QTRY_VERIFY(closed.isNull());
        QCOMPARE(TransferDialogUseCount(), 0);
        // A transfer started afterwards keeps its window until it ends itself, whatever the
        // earlier users do when they end.
        later.Execute(QStringLiteral("c"));
        QPointer<TJxTransferDialog> window = JxTransferDialog();
        QVERIFY(window);
        QCOMPARE(TransferDialogUseCount(), 1);
        first.Close();
        second.Close();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(TransferDialogUseCount(), 1);
        QCOMPARE(window->MessageText->text(), QStringLiteral("c"));
        later.Close();
        QTRY_VERIFY(window.isNull());
        QCOMPARE(TransferDialogUseCount(), 0);

        // Nested users of one window still share it as before.
        first.Execute(QStringLiteral("d"));
        second.Execute(QStringLiteral("e"));
        second.Close();
        QVERIFY(JxTransferDialog());
        QVERIFY(JxTransferDialog()->isHidden());
        first.Close();
        QVERIFY(!JxTransferDialog());
    }

    void animationRunsOnlyWhileShown() {
        ShowTransferDialog(QStringLiteral("a"));
        ShowTransferDialog(QStringLiteral("b"));
        TAnimate *animate = JxTransferDialog()->Animate;
        const int start = animate->Frame();
        QTRY_VERIFY(animate->Frame() != start);
        CloseTransferDialog(); // hidden: the frames stand still
        const int stopped = animate->Frame();
        QTest::qWait(200);
        QCOMPARE(animate->Frame(), stopped);
    }
};

LUM_TEST_MAIN(TstTransferDialog)
#include "tst_transferdialog.moc"
