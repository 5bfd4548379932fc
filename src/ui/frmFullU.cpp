#include "frmFullU.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QToolButton>

#include "TBalloonHint.h"
#include "TSettingsStore.h"
#include "TSlideshow.h"

namespace {

// The close button's glyph: a light cross on a dark square.
QIcon CloseGlyph() {
    QPixmap pm(17, 17);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(230, 230, 230), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(13, 13));
    p.drawLine(QPointF(13, 4), QPointF(4, 13));
    return QIcon(pm);
}

}  // namespace

// ---- The picture area ----

TFullScreenPicture::TFullScreenPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void TFullScreenPicture::SetFrame(viewer::TSlideFrame frame) {
    frame_ = std::move(frame);
    update();
}

void TFullScreenPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (!frame_.ok) return;
    // The frame is made in device pixels; on a screen with more device pixels than logical
    // ones it is drawn one picture pixel to one device pixel, not enlarged from a smaller copy.
    const viewer::TRect& r = frame_.rect;
    const qreal ratio = devicePixelRatioF();
    p.drawImage(QRectF(r.left / ratio, r.top / ratio, frame_.image.width() / ratio, frame_.image.height() / ratio),
                frame_.image);
}

// ---- The window both share ----

TFullScreenWindow::TFullScreenWindow(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint) {
    setModal(true);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setMouseTracking(true);

    Image1 = new TFullScreenPicture(this);
    Image1->setObjectName("Image1");
    Image1->setAccessibleName("Photo");
    Image1->installEventFilter(this);
    Image1->setCursor(Qt::BlankCursor);

    btnClose = new QToolButton(this);
    btnClose->setObjectName("btnClose");
    btnClose->setAccessibleName("Close");
    btnClose->setToolTip("Close");
    btnClose->setIcon(CloseGlyph());
    btnClose->setIconSize(QSize(17, 17));
    btnClose->setFixedSize(kCloseButtonSize, kCloseButtonSize);
    btnClose->setCursor(Qt::ArrowCursor);
    btnClose->setAutoRaise(false);
    btnClose->setStyleSheet(
        "QToolButton { background: #303030; border: 1px solid #707070; }"
        "QToolButton:hover { background: #b03030; }");
    btnClose->hide();
    connect(btnClose, &QToolButton::clicked, this, [this] { btnCloseClick(); });
}

void TFullScreenWindow::CoverScreen(QScreen* screen) {
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    screenSize_ = screen->geometry().size() * screen->devicePixelRatio();
    setScreen(screen);
    setGeometry(screen->geometry());
    setWindowState(windowState() | Qt::WindowFullScreen);
}

QSize TFullScreenWindow::ScreenSize() const {
    if (screenSize_.isValid()) return screenSize_;
    if (isVisible() && width() > 0 && height() > 0) return size() * devicePixelRatioF();
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().size() * s->devicePixelRatio() : QSize(640, 480);
}

void TFullScreenWindow::PlaceCloseButton() {
    btnClose->move(width() - btnClose->width(), 0);
    btnClose->raise();
}

void TFullScreenWindow::PictureMouseMove(int x, int y) {
    const bool corner = viewer::InCloseCorner(x, y, width());
    btnClose->setVisible(corner);
    Image1->setCursor(corner ? Qt::ArrowCursor : Qt::BlankCursor);
}

void TFullScreenWindow::btnCloseClick() { reject(); }

bool TFullScreenWindow::eventFilter(QObject* o, QEvent* e) {
    if (o == Image1 && e->type() == QEvent::MouseMove) {
        const QPoint pos = static_cast<QMouseEvent*>(e)->position().toPoint();
        PictureMouseMove(pos.x(), pos.y());
    }
    return QDialog::eventFilter(o, e);
}

void TFullScreenWindow::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TFullScreenWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Some window systems never make a window active without the user; the picture must not
    // wait for that.
    if (!e->spontaneous()) FormActivate();
}

void TFullScreenWindow::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    Image1->setGeometry(rect());
    PlaceCloseButton();
}

void TFullScreenWindow::FormActivate() { PlaceCloseButton(); }

// ---- Full screen ----

TfrmFull::TfrmFull(TSettingsStore& settings, QWidget* parent) : TFullScreenWindow(parent), settings_(settings) {
    setObjectName("frmFull");
    setWindowTitle("Full Screen");
    setAccessibleName("Full Screen");
    tip_ = new TBalloonHint(this);
    tip_->setObjectName("BalloonHint1");
    tip_->setAccessibleName("Hint");
    tip_->SetPosition(THintPosition::BelowLeft);
}

void TfrmFull::SetPicture(const QImage& picture, bool resizeFull) {
    picture_ = picture;
    resizeFull_ = resizeFull;
    placedFor_ = QSize();
    Image1->SetFrame({});
    btnClose->hide();
    Image1->setCursor(Qt::BlankCursor);
}

void TfrmFull::ApplyDisplayRule() {
    const QSize s = ScreenSize();
    if (s == placedFor_) return;  // scaling a large photo again would give the same frame
    placedFor_ = s;
    Image1->SetFrame(viewer::MakeFrame(picture_, s.width(), s.height(), resizeFull_));
}

void TfrmFull::FormActivate() {
    PlaceCloseButton();
    ApplyDisplayRule();
    if (settings_.ReadBool("Images", "showFullTip", true)) {
        tip_->ShowHint(kTipText, btnClose);
        settings_.WriteBool("Images", "showFullTip", false);
    }
}

void TfrmFull::hideEvent(QHideEvent* e) {
    tip_->hide();  // the tip belongs to this showing only
    TFullScreenWindow::hideEvent(e);
}
