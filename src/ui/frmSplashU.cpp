#include "frmSplashU.h"

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

    // Three overlapping photo frames at the left.
    const QColor frame(250, 250, 246);
    const QColor sky[] = {QColor(125, 185, 236), QColor(240, 190, 110), QColor(120, 196, 140)};
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(52 + i * 10, 50);
        p.rotate(-14 + i * 14);
        p.setPen(QPen(QColor(0, 0, 0, 60), 1));
        p.setBrush(frame);
        p.drawRect(QRectF(-26, -20, 52, 40));
        p.setPen(Qt::NoPen);
        p.setBrush(sky[i]);
        p.drawRect(QRectF(-22, -16, 44, 26));
        p.setClipRect(QRectF(-22, -16, 44, 26));
        p.setBrush(QColor(60, 140, 70));
        p.drawEllipse(QRectF(-30, -2, 46, 26));
        p.setBrush(QColor(250, 222, 120));
        p.drawEllipse(QRectF(8, -12, 8, 8));
        p.restore();
    }

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
