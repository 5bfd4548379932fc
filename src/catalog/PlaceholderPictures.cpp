#include "PlaceholderPictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>

namespace {

constexpr int kWidth = 100;
constexpr int kHeight = 80;

// The frame both pictures share: a light panel with a darker border and a photo outline.
void DrawFrame(QPainter& p) {
    p.fillRect(0, 0, kWidth, kHeight, QColor(236, 236, 236));
    p.setPen(QPen(QColor(160, 160, 160), 1));
    p.drawRect(0, 0, kWidth - 1, kHeight - 1);
}

bool HaveFonts() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

QImage MakeUnreadable() {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    DrawFrame(p);
    // A photo torn in two: two halves of a landscape with a jagged gap between them.
    const QPolygonF left({QPointF(22, 10), QPointF(48, 10), QPointF(54, 20), QPointF(46, 30), QPointF(54, 40),
                          QPointF(50, 50), QPointF(22, 50)});
    const QPolygonF right({QPointF(52, 10), QPointF(78, 10), QPointF(78, 50), QPointF(54, 50), QPointF(58, 40),
                           QPointF(50, 30), QPointF(58, 20)});
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.setBrush(QColor(200, 220, 240));
    p.drawPolygon(left);
    p.drawPolygon(right);
    // Hills on both halves.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 170, 110));
    p.drawPolygon(QPolygonF({QPointF(23, 49), QPointF(23, 40), QPointF(34, 32), QPointF(46, 40), QPointF(50, 49)}));
    p.drawPolygon(QPolygonF({QPointF(55, 49), QPointF(57, 41), QPointF(66, 34), QPointF(77, 42), QPointF(77, 49)}));
    // A red cross over the tear.
    p.setPen(QPen(QColor(200, 30, 30), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(40, 20), QPointF(60, 40));
    p.drawLine(QPointF(60, 20), QPointF(40, 40));
    if (HaveFonts()) {
        QFont f = p.font();
        f.setPixelSize(11);
        p.setFont(f);
        p.setPen(QColor(90, 20, 20));
        p.drawText(QRect(0, 52, kWidth, 24), Qt::AlignCenter, "Cannot read");
    }
    p.end();
    return img;
}

QImage MakeMissing() {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    DrawFrame(p);
    p.setPen(QPen(QColor(140, 140, 140), 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(22, 10, 56, 40));
    // A question mark drawn from strokes.
    p.setPen(QPen(QColor(90, 90, 90), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(42, 15, 16, 14), 180 * 16, -270 * 16);
    p.drawLine(QPointF(50, 29), QPointF(50, 35));
    p.drawPoint(QPointF(50, 42));
    if (HaveFonts()) {
        QFont f = p.font();
        f.setPixelSize(11);
        p.setFont(f);
        p.setPen(QColor(60, 60, 60));
        p.drawText(QRect(0, 52, kWidth, 24), Qt::AlignCenter, "Not found");
    }
    p.end();
    return img;
}

}  // namespace

QImage UnreadablePhotoPicture() {
    static const QImage picture = MakeUnreadable();
    return picture;
}

QImage MissingPhotoPicture() {
    static const QImage picture = MakeMissing();
    return picture;
}

std::string UnreadableRowsMessage(const std::string& heading, const std::vector<std::string>& entries,
                                  size_t maxLines) {
    std::string text = heading;
    const size_t shown = std::min(entries.size(), maxLines);
    for (size_t i = 0; i < shown; ++i) text += "\r\n" + entries[i];
    if (entries.size() > shown) text += "\r\n... and " + std::to_string(entries.size() - shown) + " more.";
    return text;
}
