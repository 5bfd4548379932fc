#pragma once
// The slideshow window: the album's photos one after another on black over the whole screen,
// on a timer and by the arrow keys, always starting at the first photo. Left and Right step
// back and on (wrapping around at either end); Esc or the close button ends the show. The
// photos around the current one are decoded ahead on a worker thread, so a step only swaps
// pictures.

#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "TSlideshow.h"
#include "frmFullU.h"

class TMessages;

class TfrmShow : public TFullScreenWindow {
    Q_OBJECT
public:
    TfrmShow(TMessages& messages, QWidget* parent = nullptr);
    ~TfrmShow() override;

    // What the next show steps through and how (set by the settings dialog before it opens
    // the window). interval: milliseconds; advancing: whether the timer runs (it never runs
    // with an interval of 0).
    void Prepare(const std::vector<std::string>& rowPaths, int interval, bool advancing, viewer::TSlideLoop loop,
                 bool resizeFull);
    // Whether photos are decoded ahead (on by default; the benchmark compares both).
    void SetDecodeAhead(bool on) { decodeAhead_ = on; }

    const viewer::TSlideSequence& Sequence() const { return sequence_; }
    int Index() const { return sequence_.Index(); }
    int Last() const { return sequence_.Last(); }
    int Interval() const { return interval_; }
    bool Advancing() const { return advancing_; }
    QTimer& Timer1() { return timer_; }
    // The file of the picture on screen ("" before the first one is shown).
    const std::string& ShownPath() const { return shownPath_; }

    // The window's events.
    void FormShow();
    void Timer1Timer();
    void FormKeyDown(int key);
    void btnCloseClick() override;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    void done(int result) override;

private:
    // Shows photo index of the show; a photo that cannot be loaded is reported and the previous
    // picture stays. The photos next to it are then decoded ahead.
    void LoadPhoto(int index);
    void Stop();

    TMessages& messages_;
    viewer::TSlideSequence sequence_;
    std::vector<std::string> rowPaths_;
    viewer::TSlideLoop loop_ = viewer::TSlideLoop::Continuous;
    int interval_ = 5000;
    bool advancing_ = true;
    bool resizeFull_ = false;
    bool decodeAhead_ = true;
    bool reporting_ = false;  // a load error is on screen: ticks wait for it
    std::string shownPath_;
    QTimer timer_;
    std::unique_ptr<viewer::TSlideLoader> loader_;
};
