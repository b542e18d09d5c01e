#pragma once
// TAnimate: a small animation control that plays one of the system's animations in a loop,
// frame by frame on a timer, as waiting windows show while files are copied. The frames are
// painted, not read from files: the copy-files animation sends a page in an arc from one
// folder to another.

#include <QTimer>
#include <QWidget>

// The system's animations.
enum class TCommonAnimation {
    aniNone,      // nothing is shown
    aniCopyFiles, // a page flying from one folder to another, 34 frames
};

class TAnimate : public QWidget {
    Q_OBJECT
public:
    explicit TAnimate(QWidget *parent = nullptr);

    TCommonAnimation CommonAnimation() const { return FAnimation; }
    // Selects an animation; playing stops and the first frame is shown.
    void SetCommonAnimation(TCommonAnimation animation);
    // The frames of the current animation (0 for none).
    int FrameCount() const;
    // The last frame played before the loop starts again (1..FrameCount); selecting an
    // animation sets it to that animation's last frame.
    int StopFrame() const { return FStopFrame; }
    void SetStopFrame(int frame);
    // The frame on show, from 1; 0 without an animation.
    int Frame() const { return FFrame; }
    // Playing: the frames advance on a timer from 1 to StopFrame and start over. An animation
    // must be selected for playing to start.
    bool Active() const { return FTimer.isActive(); }
    void SetActive(bool active);
    // Milliseconds between two frames.
    int Interval() const { return FTimer.interval(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void NextFrame();
    void PaintCopyFiles(QPainter &painter) const;

    TCommonAnimation FAnimation = TCommonAnimation::aniNone;
    int FStopFrame = 0;
    int FFrame = 0;
    QTimer FTimer;
};
