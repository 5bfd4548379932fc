#pragma once
// The full screen window: the photo pane's picture alone on black over the whole screen the
// main window is on. The pointer is hidden over the picture; a small close button appears only
// while the pointer is in the top-right corner. Esc or the button closes it. The first time it
// is ever shown, a balloon says how to close it.
//
// TFullScreenWindow is what it shares with the slideshow window: the borderless modal window,
// the picture on black, the close button and the pointer rule.

#include <QDialog>
#include <QImage>

#include "TSlideLoader.h"

class QScreen;
class QToolButton;
class TBalloonHint;
class TSettingsStore;

// The picture area: black, with the frame's picture at the frame's place (cut off at the edges
// where it is larger than the window).
class TFullScreenPicture : public QWidget {
public:
    explicit TFullScreenPicture(QWidget* parent = nullptr);
    void SetFrame(viewer::TSlideFrame frame);
    const viewer::TSlideFrame& Frame() const { return frame_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    viewer::TSlideFrame frame_;
};

class TFullScreenWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCloseButtonSize = 25;

    explicit TFullScreenWindow(QWidget* parent = nullptr);

    // Covers the screen (the primary one when null) with the window the next time it is shown.
    void CoverScreen(QScreen* screen);
    // The size the picture is placed for, in device pixels (so a screen that shows two device
    // pixels per logical one gets a picture prepared at its full sharpness): the covered
    // screen's, else the window's.
    QSize ScreenSize() const;

    TFullScreenPicture* Picture() const { return Image1; }
    QToolButton* CloseButton() const { return btnClose; }

    // The close button at the top-right corner: top 0, left = width - 25.
    void PlaceCloseButton();
    // A pointer move to (x, y) over the picture: in the top-right corner the close button and
    // the arrow show, elsewhere the button hides and the pointer disappears.
    void PictureMouseMove(int x, int y);
    // The close button clicked.
    virtual void btnCloseClick();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    // Called each time the window becomes the active window (and once when it is shown).
    virtual void FormActivate();

    TFullScreenPicture* Image1 = nullptr;
    QToolButton* btnClose = nullptr;

private:
    QSize screenSize_;
};

class TfrmFull : public TFullScreenWindow {
    Q_OBJECT
public:
    static constexpr const char* kTipText =
        "Move your mouse pointer in this direction and click the Close button to close, or just press Esc on "
        "your keyboard.";

    TfrmFull(TSettingsStore& settings, QWidget* parent = nullptr);

    // The picture to show (a copy of the photo pane's) and the Preferences option that decides
    // whether small pictures are enlarged.
    void SetPicture(const QImage& picture, bool resizeFull);
    const QImage& SourcePicture() const { return picture_; }
    TBalloonHint* Tip() const { return tip_; }

protected:
    void FormActivate() override;
    void hideEvent(QHideEvent* e) override;

private:
    // The display rule for the window's size.
    void ApplyDisplayRule();

    TSettingsStore& settings_;
    TBalloonHint* tip_ = nullptr;
    QImage picture_;
    bool resizeFull_ = false;
    QSize placedFor_;
};
