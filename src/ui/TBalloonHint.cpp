#include "TBalloonHint.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>

namespace {

constexpr int kMaxTextWidth = 280;  // the text wraps at this width
constexpr int kPadding = 9;         // between the box edge and the text
constexpr int kRadius = 7;          // corner radius of the box
constexpr int kTailHeight = 16;
constexpr int kTailWidth = 16;      // width of the tail where it joins the box
constexpr int kTailInset = 18;      // from the box's near corner to the tip

bool IsAbove(THintPosition p) { return p == THintPosition::AboveLeft || p == THintPosition::AboveRight; }
bool IsLeft(THintPosition p) { return p == THintPosition::AboveLeft || p == THintPosition::BelowLeft; }

}  // namespace

TBalloonHint::TBalloonHint(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("firstMsg");
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::PointingHandCursor);
    hideTimer_.setSingleShot(true);
    connect(&hideTimer_, &QTimer::timeout, this, &QWidget::hide);
}

int TBalloonHint::HideAfterFor(const QString& text) const {
    if (hideAfter_ > 0) return hideAfter_;
    // About five seconds plus time to read: long texts stay up to twenty seconds.
    return std::clamp(5000 + 50 * static_cast<int>(text.size()), 5000, 20000);
}

QPoint TBalloonHint::AnchorPoint(const QWidget* control, THintPosition position) {
    const int x = control->width() / 2;
    const int y = IsAbove(position) ? 0 : control->height() - 1;
    return control->mapToGlobal(QPoint(x, y));
}

void TBalloonHint::ShowHint(const QString& text, QWidget* control) {
    if (!control) return;
    ShowHintAt(text, AnchorPoint(control, position_));
}

void TBalloonHint::ShowHintAt(const QString& text, const QPoint& globalTip) {
    text_ = text;
    tip_ = globalTip;
    setAccessibleName("Hint");
    setAccessibleDescription(text);
    setToolTip(QString());
    Layout();
    move(tip_ - tipLocal_);
    show();
    raise();
    update();
    hideTimer_.start(HideAfterFor(text));
}

void TBalloonHint::Layout() {
    const QFontMetrics fm(font());
    const QRect textBounds =
        fm.boundingRect(QRect(0, 0, kMaxTextWidth, 10000), Qt::TextWordWrap | Qt::AlignLeft, text_);
    const int bodyW = std::max(textBounds.width() + 2 * kPadding, kTailInset + kTailWidth + kRadius + 4);
    const int bodyH = textBounds.height() + 2 * kPadding;
    const bool above = IsAbove(position_);

    // One pixel of room on every side for the outline.
    body_ = QRect(1, above ? 1 : kTailHeight + 1, bodyW, bodyH);
    textRect_ = QRect(body_.left() + kPadding, body_.top() + kPadding, textBounds.width(), textBounds.height());
    const int tipY = above ? body_.bottom() + kTailHeight : body_.top() - kTailHeight;
    const int width = bodyW + 2;

    // Where the tip sits along the box for a box reaching out to the left or to the right.
    // Near a screen edge the box slides along its tail so that it stays on the screen; the tail
    // keeps pointing at the same place. When even that is not enough, the box reaches out to the
    // other side instead.
    const QScreen* screen = QGuiApplication::screenAt(tip_);
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect();
    auto place = [&](bool left, int& tipX) {
        tipX = left ? body_.right() - kTailInset : body_.left() + kTailInset;
        if (avail.isEmpty()) return true;
        const int globalLeft = tip_.x() - tipX;
        if (globalLeft + width - 1 > avail.right()) tipX += globalLeft + width - 1 - avail.right();
        if (tip_.x() - tipX < avail.left()) tipX -= avail.left() - (tip_.x() - tipX);
        // The straight side of the tail may run down the box's own edge; the slanted side
        // must meet the box on the straight part of its edge.
        const int lo = left ? body_.left() + kRadius + kTailWidth : body_.left();
        const int hi = left ? body_.right() : body_.right() - kRadius - kTailWidth;
        tipX = std::clamp(tipX, lo, std::max(lo, hi));
        return tip_.x() - tipX >= avail.left() && tip_.x() - tipX + width - 1 <= avail.right();
    };
    int tipX = 0;
    reachLeft_ = IsLeft(position_);
    if (!place(reachLeft_, tipX)) {
        int otherX = 0;
        if (place(!reachLeft_, otherX)) {
            reachLeft_ = !reachLeft_;
            tipX = otherX;
        }
    }
    tipLocal_ = QPoint(tipX, tipY);
    resize(width, bodyH + kTailHeight + 2);

    // Without a compositor a translucent window shows black corners; the mask cuts them away.
    QBitmap mask(size());
    mask.fill(Qt::color0);
    QPainter mp(&mask);
    mp.setRenderHint(QPainter::Antialiasing, false);
    mp.setPen(QPen(Qt::color1, 2));
    mp.setBrush(Qt::color1);
    mp.drawPath(Shape());
    mp.end();
    setMask(mask);
}

QPainterPath TBalloonHint::Shape() const {
    QPainterPath box;
    box.addRoundedRect(QRectF(body_).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);

    // The tail: one side straight up or down from the tip, the other slanting back to the box.
    const bool above = IsAbove(position_);
    const bool left = reachLeft_;
    const qreal edge = above ? body_.bottom() : body_.top();
    const qreal join = above ? edge - 1 : edge + 1;  // overlap the box so the union has no seam
    const qreal tipX = tipLocal_.x() + 0.5;
    const qreal otherX = left ? tipX - kTailWidth : tipX + kTailWidth;
    QPainterPath tail;
    tail.moveTo(tipX, join);
    tail.lineTo(tipX, tipLocal_.y() + 0.5);
    tail.lineTo(otherX, join);
    tail.closeSubpath();
    return box.united(tail).simplified();
}

void TBalloonHint::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = QGuiApplication::palette();
    p.setPen(QPen(pal.color(QPalette::ToolTipText), 1));
    p.setBrush(pal.color(QPalette::ToolTipBase));
    p.drawPath(Shape());
    p.setPen(pal.color(QPalette::ToolTipText));
    p.drawText(textRect_, Qt::TextWordWrap | Qt::AlignLeft, text_);
}

void TBalloonHint::mousePressEvent(QMouseEvent* event) {
    hideTimer_.stop();
    hide();
    event->accept();
}

// ---------------------------------------------------------------------------------------------

TBalloonHintPresenter::TBalloonHintPresenter(TBalloonHint& balloon, QWidget* root)
    : balloon_(balloon), root_(root) {}

void TBalloonHintPresenter::SetTarget(const std::string& name, QWidget* control) {
    targets_[name] = control;
}

QWidget* TBalloonHintPresenter::FindControl(const std::string& name) const {
    auto it = targets_.find(name);
    if (it != targets_.end() && it->second) return it->second.data();
    if (!root_) return nullptr;
    return root_->findChild<QWidget*>(QString::fromStdString(name));
}

void TBalloonHintPresenter::ShowHint(const std::string& text, const std::string& control,
                                     THintPosition position) {
    balloon_.SetPosition(position);
    const QString qtext = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    QWidget* target = FindControl(control);
    if (target && target->isVisible()) {
        balloon_.ShowHint(qtext, target);
    } else if (root_) {
        balloon_.ShowHintAt(qtext, root_->mapToGlobal(root_->rect().center()));
    }
}
