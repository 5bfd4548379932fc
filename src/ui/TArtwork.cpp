#include "TArtwork.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include <algorithm>
#include <cmath>

namespace artwork {

void DrawEmblem(QPainter& p, const QRectF& r) {
    // Drawn on the 48 x 48 grid of the desktop icon, scaled into the largest square of r.
    const double side = std::min(r.width(), r.height());
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(r.center().x() - side / 2, r.center().y() - side / 2);
    p.scale(side / 48.0, side / 48.0);
    p.setPen(Qt::NoPen);
    // A soft shadow under the book.
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRoundedRect(QRectF(6, 5.5, 38, 40), 3, 3);
    p.setBrush(kCover);
    p.drawRoundedRect(QRectF(5, 4, 38, 40), 3, 3);
    p.setBrush(kSpine);
    p.drawRoundedRect(QRectF(5, 4, 6, 40), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(14, 10, 25, 22));
    p.setBrush(kSky);
    p.drawRect(QRectF(16, 12, 21, 15));
    p.setBrush(kSun);
    p.drawEllipse(QPointF(32, 16), 2.6, 2.6);
    QPainterPath hills;
    hills.moveTo(16, 27);
    hills.lineTo(22, 19);
    hills.lineTo(27, 24);
    hills.lineTo(30, 21);
    hills.lineTo(37, 27);
    hills.closeSubpath();
    p.setBrush(kHill);
    p.drawPath(hills);
    p.setBrush(kLine);
    p.drawRoundedRect(QRectF(14, 35, 25, 2), 1, 1);
    p.drawRoundedRect(QRectF(14, 39, 17, 2), 1, 1);
    p.restore();
}

void DrawFramedPhoto(QPainter& p, double w, double h, const QColor& sky, const QColor& hill) {
    const double border = std::max(2.0, std::round(w * 0.07));
    const QRectF frame(-w / 2, -h / 2, w, h);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 34));
    p.drawRect(frame.translated(1.2, 1.6));
    p.setPen(QPen(QColor(0, 0, 0, 50), 0.8));
    p.setBrush(QColor(252, 252, 249));
    p.drawRect(frame);
    const QRectF picture = frame.adjusted(border, border, -border, -border * 1.8);
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRect(picture);
    p.setClipRect(picture);
    QPainterPath land;
    land.moveTo(picture.left(), picture.bottom());
    land.lineTo(picture.left(), picture.bottom() - picture.height() * 0.35);
    land.quadTo(picture.left() + picture.width() * 0.4, picture.top() + picture.height() * 0.3, picture.right(),
                picture.bottom() - picture.height() * 0.4);
    land.lineTo(picture.right(), picture.bottom());
    land.closeSubpath();
    p.setBrush(hill);
    p.drawPath(land);
    const double d = picture.height() * 0.26;
    p.setBrush(kSun);
    p.drawEllipse(QRectF(picture.right() - d * 1.8, picture.top() + d * 0.5, d, d));
    p.restore();
}

void DrawPhotoStrip(QPainter& p, const QRectF& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // A thin rule along the middle, fading out to both ends.
    QLinearGradient rule(r.left(), 0, r.right(), 0);
    rule.setColorAt(0.0, QColor(200, 212, 234, 0));
    rule.setColorAt(0.25, kLine);
    rule.setColorAt(0.75, kLine);
    rule.setColorAt(1.0, QColor(200, 212, 234, 0));
    p.fillRect(QRectF(r.left(), r.center().y() - 1, r.width(), 2), rule);

    // Five photos in the middle, each turned a little, the middle one largest.
    struct Shot {
        double dx, angle, scale;
        QColor sky, hill;
    };
    const Shot shots[] = {
        {-84, -8, 0.78, QColor(246, 196, 140), QColor(196, 120, 70)},
        {-42, 5, 0.9, QColor(150, 206, 240), QColor(70, 150, 110)},
        {0, -3, 1.0, kSky, kHill},
        {42, 6, 0.9, QColor(190, 210, 250), QColor(90, 110, 170)},
        {84, -6, 0.78, QColor(250, 226, 150), QColor(120, 170, 70)},
    };
    const double h = r.height() * 0.8;
    for (const Shot& s : shots) {
        p.save();
        p.translate(r.center().x() + s.dx * (r.height() / 36.0), r.center().y());
        p.rotate(s.angle);
        DrawFramedPhoto(p, h * 1.3 * s.scale, h * s.scale, s.sky, s.hill);
        p.restore();
    }
    p.restore();
}

void DrawDonatePicture(QPainter& p, const QRectF& r, bool hot) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF face = r.adjusted(1.5, 1.5, -1.5, -1.5);
    const double radius = face.height() * 0.28;
    QLinearGradient fill(face.topLeft(), face.bottomLeft());
    fill.setColorAt(0.0, hot ? QColor(255, 222, 120) : QColor(255, 214, 96));
    fill.setColorAt(1.0, hot ? QColor(250, 176, 40) : QColor(238, 160, 28));
    p.setPen(QPen(QColor(178, 112, 10), 1.2));
    p.setBrush(fill);
    p.drawRoundedRect(face, radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 140), 1));
    p.drawLine(QPointF(face.left() + radius, face.top() + 1.5), QPointF(face.right() - radius, face.top() + 1.5));

    // A heart, then the word.
    const double hs = face.height() * 0.5;
    const QPointF c(face.left() + face.height() * 0.62, face.center().y());
    QPainterPath heart;
    heart.moveTo(c.x(), c.y() + hs * 0.45);
    heart.cubicTo(c.x() - hs * 0.9, c.y() - hs * 0.05, c.x() - hs * 0.5, c.y() - hs * 0.75, c.x(), c.y() - hs * 0.3);
    heart.cubicTo(c.x() + hs * 0.5, c.y() - hs * 0.75, c.x() + hs * 0.9, c.y() - hs * 0.05, c.x(), c.y() + hs * 0.45);
    p.setPen(QPen(QColor(150, 20, 30), 1));
    p.setBrush(QColor(214, 40, 52));
    p.drawPath(heart);

    QFont f = p.font();
    f.setPixelSize(std::max(10, int(face.height() * 0.42)));
    f.setBold(true);
    p.setFont(f);
    const QRectF text(face.left() + face.height() * 1.1, face.top(), face.width() - face.height() * 1.3,
                      face.height());
    p.setPen(QColor(255, 255, 255, 120));
    p.drawText(text.translated(0, 1), Qt::AlignCenter, "Donate");
    p.setPen(QColor(92, 54, 0));
    p.drawText(text, Qt::AlignCenter, "Donate");
    p.restore();
}

TPicture::TPicture(TDrawing drawing, QWidget* parent) : QWidget(parent), drawing_(std::move(drawing)) {}

void TPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (drawing_) drawing_(p, QRectF(rect()));
}

TPictureButton::TPictureButton(THotDrawing drawing, QWidget* parent)
    : QAbstractButton(parent), drawing_(std::move(drawing)) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

void TPictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const bool hot = underMouse() || hasFocus() || isDown();
    if (drawing_) drawing_(p, QRectF(rect()).translated(isDown() ? 0.5 : 0, isDown() ? 1 : 0), hot);
    if (hasFocus()) {
        QStyleOptionFocusRect o;
        o.initFrom(this);
        o.rect = rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &o, &p, this);
    }
}

void TPictureButton::keyPressEvent(QKeyEvent* e) {
    // Enter presses a picture as it presses a link.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(e);
}

}  // namespace artwork
