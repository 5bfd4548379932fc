#include "frmDonateU.h"

#include "TArtwork.h"
#include "TDialogParts.h"
#include "TWebLinks.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfrmDonate::TfrmDonate(QWidget* parent) : QDialog(parent) {
    setObjectName("frmDonate");
    setWindowTitle("Donate");
    setAccessibleName("Donate");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    QWidget* header = DialogHeader(this, "Donate");

    auto* text = new QLabel(
        "Lumavell2 is free. Every part of it is yours to use for as long as you like: no function is ever "
        "locked, limited or held back until you pay.\n\n"
        "If Lumavell2 looks after your photos well, please think about a voluntary donation towards its "
        "further development. Any amount helps, and it is entirely up to you.",
        this);
    text->setObjectName("lblDonateText");
    text->setAccessibleName("About donating");
    text->setWordWrap(true);
    auto* ready = new QLabel("Ready to donate? Just click the button below to get started.", this);
    ready->setObjectName("lblReady");
    ready->setAccessibleName(ready->text());
    ready->setWordWrap(true);
    QFont bold = ready->font();
    bold.setBold(true);
    ready->setFont(bold);

    auto* picture = new artwork::TPictureButton(artwork::DrawDonatePicture, this);
    picture->setObjectName("imgDonate");
    picture->setAccessibleName("Donate");
    picture->setToolTip("Donate");
    picture->setFixedSize(176, 46);
    imgDonate = picture;
    connect(picture, &QAbstractButton::clicked, this, [] { OpenWebPage(weblinks::kDonate); });

    btnClose = DialogButton(this, "btnClose", "Close", true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(20, 14, 20, 14);
    body->setSpacing(12);
    body->addWidget(text);
    body->addWidget(ready);
    body->addWidget(picture, 0, Qt::AlignHCenter);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    body->addSpacing(4);
    body->addLayout(buttons);

    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    col->addWidget(header);
    col->addLayout(body);
    // A fixed size: the wrapped texts decide the height for the width.
    constexpr int kWidth = 420;
    setFixedSize(kWidth, col->totalHeightForWidth(kWidth));
}

void TfrmDonate::showEvent(QShowEvent* e) {
    // Centred on the screen of the window it belongs to.
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        const QSize frame = frameGeometry().size();
        move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
    }
    QDialog::showEvent(e);
}
