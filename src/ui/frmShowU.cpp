#include "frmShowU.h"

#include <QKeyEvent>
#include <QPointer>
#include <QShowEvent>
#include <QToolButton>

#include "TMessages.h"
#include "TQtMessages.h"

TfrmShow::TfrmShow(TMessages& messages, QWidget* parent) : TFullScreenWindow(parent), messages_(messages) {
    setObjectName("frmShow");
    setWindowTitle("Slideshow");
    setAccessibleName("Slideshow");
    timer_.setObjectName("Timer1");
    // The period runs on regardless of the keys: a key press does not restart it.
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { Timer1Timer(); });
    // A focused button takes the arrow keys for moving the focus; in the show they step.
    btnClose->installEventFilter(this);
}

bool TfrmShow::eventFilter(QObject* o, QEvent* e) {
    if (o == btnClose && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            FormKeyDown(key);
            return true;
        }
    }
    return TFullScreenWindow::eventFilter(o, e);
}

TfrmShow::~TfrmShow() = default;

void TfrmShow::Prepare(const std::vector<std::string>& rowPaths, int interval, bool advancing,
                       viewer::TSlideLoop loop, bool resizeFull) {
    rowPaths_ = rowPaths;
    interval_ = interval;
    advancing_ = advancing;
    loop_ = loop;
    resizeFull_ = resizeFull;
}

void TfrmShow::showEvent(QShowEvent* e) {
    TFullScreenWindow::showEvent(e);
    if (!e->spontaneous()) FormShow();
}

void TfrmShow::FormShow() {
    Image1->setCursor(Qt::BlankCursor);
    btnClose->hide();
    const QSize s = ScreenSize();
    loader_ = std::make_unique<viewer::TSlideLoader>(s.width(), s.height(), resizeFull_, decodeAhead_);
    sequence_ = viewer::TSlideSequence(rowPaths_, loop_);
    shownPath_.clear();
    Image1->SetFrame({});
    timer_.stop();
    if (advancing_ && interval_ > 0) {
        timer_.setInterval(interval_);
        timer_.start();
    }
    sequence_.Restart();
    if (!sequence_.Empty()) LoadPhoto(0);
}

void TfrmShow::Timer1Timer() {
    // While a load error is being reported the show waits; the next tick moves on.
    if (reporting_ || !isVisible()) return;
    if (!sequence_.Forward()) {
        Stop();
        accept();
        return;
    }
    LoadPhoto(sequence_.Index());
}

void TfrmShow::FormKeyDown(int key) {
    switch (key) {
        case Qt::Key_Escape:
            Stop();
            reject();
            return;
        case Qt::Key_Left:
            sequence_.Back();
            LoadPhoto(sequence_.Index());
            break;
        case Qt::Key_Right:
            if (!sequence_.Forward()) {
                Stop();
                accept();
                return;
            }
            LoadPhoto(sequence_.Index());
            break;
        default:
            break;
    }
    // The display rule again, as after any key: the frame is already placed for this screen.
    Image1->update();
}

void TfrmShow::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    if (key == Qt::Key_Escape || key == Qt::Key_Left || key == Qt::Key_Right) {
        FormKeyDown(key);
        e->accept();
        return;
    }
    FormKeyDown(key);
    TFullScreenWindow::keyPressEvent(e);
}

void TfrmShow::btnCloseClick() {
    Stop();
    reject();
}

void TfrmShow::done(int result) {
    Stop();
    TFullScreenWindow::done(result);
    // The pictures go and nothing more is decoded. A decode in hand finishes in the background
    // rather than holding up the close; the loader itself goes at the next show.
    if (loader_) loader_->Keep({});
}

void TfrmShow::Stop() { timer_.stop(); }

void TfrmShow::LoadPhoto(int index) {
    if (!loader_ || sequence_.Empty()) return;
    const std::string& path = sequence_.Path(index);
    viewer::TSlideFrame frame = loader_->Take(path);
    if (frame.ok) {
        Image1->SetFrame(std::move(frame));
        shownPath_ = path;
    } else {
        reporting_ = true;
        // The box belongs to the show: over its owner window it would bring that window up
        // over the show.
        auto* qtMessages = dynamic_cast<TQtMessages*>(&messages_);
        QPointer<QWidget> owner = qtMessages ? qtMessages->Parent() : nullptr;
        if (qtMessages) qtMessages->SetParent(this);
        ShowOk(messages_, "Lumavell2", frame.error, TMsgIcon::Error);
        if (qtMessages) qtMessages->SetParent(owner);
        reporting_ = false;
    }
    viewer::PrepareAround(*loader_, sequence_);
}
