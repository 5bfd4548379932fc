#include "frmSplashU.h"

#include "TArtwork.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

TfrmSplash::TfrmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("frmSplash");
    setWindowTitle("Brightlet Image Viewer");
    setAccessibleName("Lumavell2");
    setAccessibleDescription("Lumavell2 is starting");
    setFixedSize(kWidth, kHeight);
}

void TfrmSplash::ShowNow() {
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect area = s->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    show();
    raise();
    repaint();
}

void TfrmSplash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF r = rect();

    // A deep blue band fading to a lighter one, a thin highlight along the top.
    QLinearGradient bg(r.topLeft(), r.bottomRight());
    bg.setColorAt(0.0, QColor(22, 58, 112));
    bg.setColorAt(1.0, QColor(46, 116, 186));
    p.fillRect(r, bg);
    p.fillRect(QRectF(0, 0, r.width(), 2), QColor(255, 255, 255, 70));

    // The program's emblem on a white tile at the left, as the desktop shows the program's icon.
    const QRectF tile(18, 14, 72, 72);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(tile.translated(1.5, 2.5), 14, 14);
    p.setBrush(QColor(250, 251, 253));
    p.drawRoundedRect(tile, 14, 14);
    artwork::DrawEmblem(p, tile.adjusted(8, 8, -8, -8));

    // A few photos fading in along the right edge.
    p.save();
    p.setOpacity(0.55);
    artwork::DrawPhotoStrip(p, QRectF(r.width() - 166, 60, 156, 28));
    p.restore();

    QFont name("DejaVu Sans");
    name.setPixelSize(40);
    name.setBold(true);
    p.setFont(name);
    p.setPen(Qt::white);
    p.drawText(QRectF(120, 10, r.width() - 130, 54), Qt::AlignLeft | Qt::AlignVCenter, "Lumavell2");

    QFont sub("DejaVu Sans");
    sub.setPixelSize(13);
    p.setFont(sub);
    p.setPen(QColor(214, 228, 246));
    p.drawText(QRectF(122, 62, r.width() - 130, 24), Qt::AlignLeft | Qt::AlignVCenter,
               "Your photos, your albums");

    p.setPen(QColor(255, 255, 255, 90));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
}
