#include "TDialogParts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

QString FromBytes(const std::string& s) { return QString::fromLocal8Bit(s.data(), qsizetype(s.size())); }

std::string ToBytes(const QString& s) { return s.toLocal8Bit().toStdString(); }

QWidget* DialogHeader(QWidget* parent, const QString& heading) {
    auto* band = new QFrame(parent);
    band->setObjectName("pnlHeader");
    band->setAccessibleName(heading);
    band->setAutoFillBackground(true);
    QPalette pal = band->palette();
    pal.setColor(QPalette::Window, Qt::white);
    band->setPalette(pal);
    band->setFixedHeight(52);
    auto* title = new QLabel(heading, band);
    title->setObjectName("lblHeader");
    title->setAccessibleName(heading);
    QFont f = title->font();
    f.setPixelSize(26);
    f.setBold(true);
    title->setFont(f);
    QPalette tp = title->palette();
    tp.setColor(QPalette::WindowText, QColor(160, 160, 160));
    title->setPalette(tp);
    auto* lay = new QHBoxLayout(band);
    lay->setContentsMargins(12, 0, 16, 0);
    lay->addStretch(1);
    lay->addWidget(title);
    return band;
}

QPushButton* DialogButton(QWidget* parent, const char* objectName, const QString& caption, bool isDefault) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(objectName);
    b->setAccessibleName(caption);
    if (isDefault) b->setDefault(true);
    else b->setAutoDefault(false);
    return b;
}
