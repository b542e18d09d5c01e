// The animation control: frames of the copy-files animation, looping up to the stop frame,
// and the painted frames.

#include "Animate.h"

#include <QElapsedTimer>
#include <QSet>
#include <QTest>

class TstAnimate : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void withoutAnimationNothingPlays() {
        TAnimate animate;
        QCOMPARE(animate.CommonAnimation(), TCommonAnimation::aniNone);
        QCOMPARE(animate.FrameCount(), 0);
        QCOMPARE(animate.Frame(), 0);
        animate.SetActive(true);
        QVERIFY(!animate.Active());
        animate.SetStopFrame(5);
        QCOMPARE(animate.StopFrame(), 0);
    }

    void copyFilesLoopsUpToTheStopFrame() {
        TAnimate animate;
        animate.SetCommonAnimation(TCommonAnimation::aniCopyFiles);
        QCOMPARE(animate.FrameCount(), 34);
        QCOMPARE(animate.StopFrame(), 34);
        QCOMPARE(animate.Frame(), 1);
        animate.SetStopFrame(99);
        QCOMPARE(animate.StopFrame(), 34);
        animate.SetStopFrame(0);
        QCOMPARE(animate.StopFrame(), 1);

        animate.SetStopFrame(3);
        animate.SetActive(true);
        QVERIFY(animate.Active());
        // Watch until the frames have started over at least once; none passes the stop frame.
        QElapsedTimer clock;
        clock.start();
        int last = animate.Frame();
        bool wrapped = false;
        QSet<int> seen{last};
        while (!wrapped && clock.elapsed() < 20000) {
            QTest::qWait(5);
            const int frame = animate.Frame();
            QVERIFY2(frame >= 1 && frame <= 3, qPrintable(QString::number(frame)));
            wrapped = frame < last;
            last = frame;
            seen.insert(frame);
        }
        QVERIFY(wrapped);
        QVERIFY(seen.contains(3));

        // Selecting an animation stops it at its first frame.
        animate.SetCommonAnimation(TCommonAnimation::aniCopyFiles);
        QVERIFY(!animate.Active());
        QCOMPARE(animate.Frame(), 1);
        QCOMPARE(animate.StopFrame(), 34);
    }

    void framesArePainted() {
        TAnimate animate;
        animate.resize(animate.sizeHint());
        const QImage blank = animate.grab().toImage();
        animate.SetCommonAnimation(TCommonAnimation::aniCopyFiles);
        const QImage first = animate.grab().toImage();
        QVERIFY(first != blank);
        animate.SetActive(true);
        QTRY_VERIFY(animate.Frame() > 5);
        animate.SetActive(false);
        QVERIFY(animate.grab().toImage() != first); // the page has moved
    }
};

QTEST_MAIN(TstAnimate)
#include "tst_animate.moc"
