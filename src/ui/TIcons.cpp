#include "TIcons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace icons {
namespace {

// Every icon is drawn on a 16 x 16 grid; the painter is scaled to the pixmap's size.
using Drawer = std::function<void(QPainter&)>;

const QColor kInk(40, 40, 48);
const QColor kBlue(38, 104, 196);
const QColor kLightBlue(150, 190, 240);
const QColor kGreen(40, 150, 60);
const QColor kRed(200, 40, 36);
const QColor kYellow(242, 196, 70);
const QColor kDarkYellow(176, 128, 30);
const QColor kPaper(252, 252, 248);
const QColor kGrey(120, 124, 132);
const QColor kLightGrey(214, 216, 220);
const QColor kSky(120, 180, 235);
const QColor kHill(70, 160, 80);

QPen Pen(const QColor& c, double w = 1.0) {
    QPen p(c, w);
    p.setJoinStyle(Qt::RoundJoin);
    p.setCapStyle(Qt::RoundCap);
    return p;
}

// A small landscape photo: frame, sky, sun and a hill.
void Photo(QPainter& p, const QRectF& r) {
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(kSky);
    p.drawRect(r);
    QPainterPath hill;
    hill.moveTo(r.left(), r.bottom());
    hill.lineTo(r.left(), r.bottom() - r.height() * 0.3);
    hill.quadTo(r.left() + r.width() * 0.45, r.top() + r.height() * 0.25, r.right(),
                r.bottom() - r.height() * 0.35);
    hill.lineTo(r.right(), r.bottom());
    hill.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kHill);
    p.drawPath(hill);
    p.setBrush(kYellow);
    double d = r.height() * 0.28;
    p.drawEllipse(QRectF(r.right() - d - r.width() * 0.15, r.top() + r.height() * 0.15, d, d));
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(kInk, 0.8));
    p.drawRect(r);
}

// A closed album: a blue book with a page edge.
void Album(QPainter& p, const QRectF& r) {
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(kPaper);
    p.drawRect(r.adjusted(1.2, 0.8, 0.6, 0.6));
    p.setBrush(kBlue);
    p.drawRect(r.adjusted(0, 0, -0.8, -0.4));
    p.setPen(Pen(kLightBlue, 0.8));
    p.drawLine(QPointF(r.left() + 2, r.top() + 0.8), QPointF(r.left() + 2, r.bottom() - 1.2));
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawRect(QRectF(r.left() + 3.5, r.top() + 2.5, r.width() - 6, r.height() * 0.28));
}

// A round badge in the corner with a plus, a minus or a cross.
void Badge(QPainter& p, const QColor& c, char mark, const QPointF& centre = QPointF(12, 12)) {
    p.setPen(Pen(Qt::white, 0.8));
    p.setBrush(c);
    p.drawEllipse(centre, 3.6, 3.6);
    p.setPen(Pen(Qt::white, 1.4));
    if (mark == '+' || mark == '-') p.drawLine(centre + QPointF(-1.9, 0), centre + QPointF(1.9, 0));
    if (mark == '+') p.drawLine(centre + QPointF(0, -1.9), centre + QPointF(0, 1.9));
    if (mark == 'x') {
        p.drawLine(centre + QPointF(-1.5, -1.5), centre + QPointF(1.5, 1.5));
        p.drawLine(centre + QPointF(-1.5, 1.5), centre + QPointF(1.5, -1.5));
    }
}

void Magnifier(QPainter& p, char mark = 0) {
    p.setPen(Pen(kInk, 2.2));
    p.drawLine(QPointF(10, 10), QPointF(14.2, 14.2));
    p.setPen(Pen(kInk, 1.2));
    p.setBrush(QColor(220, 236, 252));
    p.drawEllipse(QPointF(6.5, 6.5), 4.8, 4.8);
    p.setPen(Pen(kBlue, 1.4));
    if (mark == '+' || mark == '-') p.drawLine(QPointF(4.3, 6.5), QPointF(8.7, 6.5));
    if (mark == '+') p.drawLine(QPointF(6.5, 4.3), QPointF(6.5, 8.7));
}

void Printer(QPainter& p) {
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(kLightGrey);
    p.drawRoundedRect(QRectF(1.5, 6, 13, 6), 1, 1);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 10, 8, 4.5));
    p.setPen(Pen(kGrey, 0.7));
    p.drawLine(QPointF(5.5, 11.8), QPointF(10.5, 11.8));
    p.drawLine(QPointF(5.5, 13.2), QPointF(9.5, 13.2));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(12.5, 7.8), 0.8, 0.8);
}

void Gear(QPainter& p, const QPointF& c, double r, const QColor& colour) {
    QPainterPath path;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        double a = i * 3.14159265358979 / teeth;
        double rr = (i % 2 == 0) ? r : r * 0.72;
        QPointF pt(c.x() + rr * std::cos(a), c.y() + rr * std::sin(a));
        if (i == 0) path.moveTo(pt);
        else path.lineTo(pt);
    }
    path.closeSubpath();
    path.addEllipse(c, r * 0.32, r * 0.32);
    path.setFillRule(Qt::OddEvenFill);
    p.setPen(Pen(kInk, 0.7));
    p.setBrush(colour);
    p.drawPath(path);
}

void Triangle(QPainter& p, bool right, double x) {
    QPolygonF t;
    if (right) t << QPointF(x, 3) << QPointF(x + 6, 8) << QPointF(x, 13);
    else t << QPointF(x + 6, 3) << QPointF(x, 8) << QPointF(x + 6, 13);
    p.setPen(Pen(kInk, 0.7));
    p.setBrush(kBlue);
    p.drawPolygon(t);
}

void Bar(QPainter& p, double x) {
    p.setPen(Pen(kInk, 0.7));
    p.setBrush(kBlue);
    p.drawRect(QRectF(x, 3, 2, 10));
}

void Window(QPainter& p) {
    p.setPen(Pen(kInk, 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setBrush(kBlue);
    p.drawRect(QRectF(1.5, 2.5, 13, 2.2));
}

void Circle(QPainter& p, const QColor& c, const QString& text) {
    p.setPen(Pen(c.darker(140), 0.8));
    p.setBrush(c);
    p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
    QFont f("DejaVu Sans");
    f.setBold(true);
    f.setPixelSize(10);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, text);
}

void Arrow(QPainter& p, const QPointF& from, const QPointF& to, const QColor& c) {
    p.setPen(Pen(c, 1.6));
    p.drawLine(from, to);
    QLineF l(to, from);
    QLineF a = l;
    a.setLength(3.2);
    a.setAngle(l.angle() + 35);
    QLineF b = l;
    b.setLength(3.2);
    b.setAngle(l.angle() - 35);
    p.drawLine(a);
    p.drawLine(b);
}

const QHash<QString, Drawer>& Drawers() {
    static const QHash<QString, Drawer> d = {
        {"NewCol", [](QPainter& p) { Album(p, QRectF(2, 1.5, 10, 13)); Badge(p, kGreen, '+'); }},
        {"OpenCol",
         [](QPainter& p) {
             p.setPen(Pen(kDarkYellow, 0.8));
             p.setBrush(kDarkYellow.lighter(130));
             p.drawRect(QRectF(1.5, 3, 12, 10));
             p.setBrush(kYellow);
             QPolygonF front;
             front << QPointF(1.5, 13) << QPointF(4, 6.5) << QPointF(15, 6.5) << QPointF(12.5, 13);
             p.drawPolygon(front);
         }},
        {"nuImport",
         [](QPainter& p) {
             Photo(p, QRectF(1.5, 5.5, 10, 8));
             Arrow(p, QPointF(13.5, 1), QPointF(13.5, 8.5), kGreen);
         }},
        {"ImportScan",
         [](QPainter& p) {
             p.setPen(Pen(kInk, 0.8));
             p.setBrush(kLightGrey);
             p.drawRoundedRect(QRectF(1, 4.5, 14, 9), 1.5, 1.5);
             p.drawRect(QRectF(4, 2.5, 4, 2));
             p.setBrush(kInk);
             p.drawEllipse(QPointF(8.5, 9), 3.3, 3.3);
             p.setBrush(kSky);
             p.drawEllipse(QPointF(8.5, 9), 1.8, 1.8);
             p.setBrush(kRed);
             p.setPen(Qt::NoPen);
             p.drawEllipse(QPointF(13, 6.3), 0.8, 0.8);
         }},
        {"Share",
         [](QPainter& p) {
             p.setPen(Pen(kInk, 0.8));
             p.setBrush(kPaper);
             p.drawRect(QRectF(1.5, 5, 11, 8.5));
             p.setBrush(Qt::NoBrush);
             p.drawPolyline(QPolygonF() << QPointF(1.5, 5) << QPointF(7, 9.8) << QPointF(12.5, 5));
             Arrow(p, QPointF(9, 4), QPointF(15, 1.5), kGreen);
         }},
        {"Search", [](QPainter& p) { Magnifier(p); }},
        {"Print", [](QPainter& p) { Printer(p); }},
        {"PrintPrefs",
         [](QPainter& p) {
             Printer(p);
             Gear(p, QPointF(12, 12), 3.6, kYellow);
         }},
        {"Preferences", [](QPainter& p) { Gear(p, QPointF(8, 8), 7, kLightGrey); }},
        {"Quit",
         [](QPainter& p) {
             p.setPen(Pen(kInk, 0.8));
             p.setBrush(QColor(168, 108, 60));
             p.drawRect(QRectF(2, 1.5, 8, 13));
             p.setBrush(kYellow);
             p.drawEllipse(QPointF(8, 8.5), 0.8, 0.8);
             Arrow(p, QPointF(8, 8), QPointF(15, 8), kRed);
         }},
        {"HideCollections",
         [](QPainter& p) {
             Window(p);
             p.setPen(Qt::NoPen);
             p.setBrush(kLightBlue);
             p.drawRect(QRectF(2, 5, 4, 8));
             p.setPen(Pen(kInk, 0.8));
             p.drawLine(QPointF(6, 4.7), QPointF(6, 13.5));
         }},
        {"HideCredit",
         [](QPainter& p) {
             Window(p);
             p.setPen(Qt::NoPen);
             p.setBrush(kLightBlue);
             p.drawRect(QRectF(2, 10, 12, 3));
             p.setPen(Pen(kInk, 0.8));
             p.drawLine(QPointF(1.5, 10), QPointF(14.5, 10));
         }},
        {"HideImage",
         [](QPainter& p) {
             Window(p);
             p.setPen(Qt::NoPen);
             p.setBrush(kLightBlue);
             for (int i = 0; i < 4; ++i) p.drawRect(QRectF(2.5 + i * 3, 6, 2, 2));
         }},
        {"TaskLauncher",
         [](QPainter& p) {
             Window(p);
             p.setPen(Pen(kGreen, 1.3));
             p.drawPolyline(QPolygonF() << QPointF(3.5, 8) << QPointF(5, 9.5) << QPointF(7.5, 6.5));
             p.drawPolyline(QPolygonF() << QPointF(3.5, 11.5) << QPointF(5, 13) << QPointF(7.5, 10));
             p.setPen(Pen(kGrey, 1));
             p.drawLine(QPointF(9, 8), QPointF(13, 8));
             p.drawLine(QPointF(9, 11.5), QPointF(13, 11.5));
         }},
        {"First", [](QPainter& p) { Bar(p, 2.5); Triangle(p, false, 5.5); }},
        {"Previous", [](QPainter& p) { Triangle(p, false, 4.5); }},
        {"Next", [](QPainter& p) { Triangle(p, true, 5.5); }},
        {"Last", [](QPainter& p) { Triangle(p, true, 4.5); Bar(p, 11.5); }},
        {"SlideShow",
         [](QPainter& p) {
             p.setPen(Pen(kInk, 0.8));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(1.5, 1.5, 13, 9.5));
             p.drawLine(QPointF(8, 11), QPointF(5, 15));
             p.drawLine(QPointF(8, 11), QPointF(11, 15));
             QPolygonF play;
             play << QPointF(6.5, 3.8) << QPointF(10.5, 6.2) << QPointF(6.5, 8.6);
             p.setBrush(kGreen);
             p.setPen(Qt::NoPen);
             p.drawPolygon(play);
         }},
        {"RemoveCol", [](QPainter& p) { Album(p, QRectF(2, 1.5, 10, 13)); Badge(p, kRed, 'x'); }},
        {"AlbumProperties",
         [](QPainter& p) {
             Album(p, QRectF(2, 1.5, 10, 13));
             Gear(p, QPointF(12, 12), 3.6, kYellow);
         }},
        {"ZoomIn", [](QPainter& p) { Magnifier(p, '+'); }},
        {"ZoomOut", [](QPainter& p) { Magnifier(p, '-'); }},
        {"ShowAll",
         [](QPainter& p) {
             p.setPen(Pen(kInk, 0.8));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(1.5, 2.5, 13, 11));
             QFont f("DejaVu Sans");
             f.setBold(true);
             f.setPixelSize(7);
             p.setFont(f);
             p.setPen(kBlue);
             p.drawText(QRectF(1.5, 2.5, 13, 11), Qt::AlignCenter, "1:1");
         }},
        {"ToFit",
         [](QPainter& p) {
             p.setPen(Pen(kInk, 0.8));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(1.5, 1.5, 13, 13));
             Arrow(p, QPointF(5, 8), QPointF(2.8, 8), kBlue);
             Arrow(p, QPointF(11, 8), QPointF(13.2, 8), kBlue);
             Arrow(p, QPointF(8, 5), QPointF(8, 2.8), kBlue);
             Arrow(p, QPointF(8, 11), QPointF(8, 13.2), kBlue);
         }},
        {"CopyImg",
         [](QPainter& p) {
             p.setPen(Pen(kInk, 0.8));
             p.setBrush(kPaper);
             p.drawRect(QRectF(1.5, 1.5, 8, 10));
             Photo(p, QRectF(6, 5, 8.5, 9.5));
         }},
        {"EditImage1",
         [](QPainter& p) {
             Photo(p, QRectF(1, 3, 11, 9));
             p.setPen(Pen(kInk, 0.7));
             p.setBrush(kYellow);
             QPolygonF pencil;
             pencil << QPointF(9, 12.5) << QPointF(14, 7.5) << QPointF(15.5, 9) << QPointF(10.5, 14);
             p.drawPolygon(pencil);
             p.setBrush(kInk);
             p.drawPolygon(QPolygonF() << QPointF(9, 12.5) << QPointF(10.5, 14) << QPointF(8.3, 14.7));
         }},
        {"AddToCollection", [](QPainter& p) { Photo(p, QRectF(1, 2, 11, 9)); Badge(p, kGreen, '+'); }},
        {"RemoveFromCol", [](QPainter& p) { Photo(p, QRectF(1, 2, 11, 9)); Badge(p, kRed, '-'); }},
        {"SetAsWallpaper",
         [](QPainter& p) {
             p.setPen(Pen(kInk, 0.8));
             p.setBrush(kLightGrey);
             p.drawRect(QRectF(1, 1.5, 14, 10.5));
             Photo(p, QRectF(2.5, 3, 11, 7.5));
             p.setPen(Pen(kInk, 0.8));
             p.setBrush(kLightGrey);
             p.drawRect(QRectF(6, 12, 4, 1.5));
             p.drawRect(QRectF(4, 13.5, 8, 1.2));
         }},
        {"ViewFullScreen",
         [](QPainter& p) {
             Arrow(p, QPointF(5.5, 5.5), QPointF(2, 2), kBlue);
             Arrow(p, QPointF(10.5, 5.5), QPointF(14, 2), kBlue);
             Arrow(p, QPointF(5.5, 10.5), QPointF(2, 14), kBlue);
             Arrow(p, QPointF(10.5, 10.5), QPointF(14, 14), kBlue);
             p.setPen(Pen(kInk, 0.8));
             p.setBrush(kSky);
             p.drawRect(QRectF(6, 6, 4, 4));
         }},
        {"ImgProperties",
         [](QPainter& p) {
             p.setPen(Pen(kInk, 0.8));
             p.setBrush(kPaper);
             p.drawRect(QRectF(2.5, 1.5, 10, 13));
             p.setPen(Pen(kGrey, 1));
             for (double y : {5.0, 7.5, 10.0}) p.drawLine(QPointF(4.5, y), QPointF(10.5, y));
             Badge(p, kBlue, 0);
             p.setPen(Pen(Qt::white, 1.2));
             p.drawLine(QPointF(12, 11.4), QPointF(12, 13.8));
             p.drawPoint(QPointF(12, 10));
         }},
        {"Help", [](QPainter& p) { Circle(p, kBlue, "?"); }},
        {"About", [](QPainter& p) { Circle(p, kGreen, "i"); }},
        {"Donate",
         [](QPainter& p) {
             QPainterPath heart;
             heart.moveTo(8, 14);
             heart.cubicTo(1, 9, 1, 3, 5, 3);
             heart.cubicTo(7, 3, 8, 5, 8, 5);
             heart.cubicTo(8, 5, 9, 3, 11, 3);
             heart.cubicTo(15, 3, 15, 9, 8, 14);
             p.setPen(Pen(kRed.darker(130), 0.8));
             p.setBrush(kRed);
             p.drawPath(heart);
         }},
        {"Web",
         [](QPainter& p) {
             p.setPen(Pen(kBlue, 0.9));
             p.setBrush(QColor(220, 236, 252));
             p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(8, 8), 3, 6.5);
             p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
             p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
         }},
        {"App",
         [](QPainter& p) {
             Album(p, QRectF(0.5, 1, 10, 13));
             p.save();
             p.translate(9, 6);
             p.rotate(12);
             p.setPen(Pen(kInk, 0.6));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(-3.8, -3.8, 8, 7.5));
             Photo(p, QRectF(-3, -3, 6.4, 5));
             p.restore();
         }},
        {"CloseBar",
         [](QPainter& p) {
             p.setPen(Pen(kInk, 1.8));
             p.drawLine(QPointF(4, 4), QPointF(12, 12));
             p.drawLine(QPointF(4, 12), QPointF(12, 4));
         }},
    };
    return d;
}

QPixmap Render(const Drawer& draw, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    return pm;
}

}  // namespace

QIcon CommandIcon(const QString& name) {
    const auto& drawers = Drawers();
    auto d = drawers.find(name);
    if (d == drawers.end()) return QIcon();
    QIcon icon;
    for (int size : {16, 24, 32, 48}) icon.addPixmap(Render(*d, size));
    return icon;
}

QStringList IconNames() { return Drawers().keys(); }

}  // namespace icons
