#include "frmSetWallU.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "TDialogParts.h"
#include "THelp.h"

TfrmSetWall::TfrmSetWall(THelp& help, QWidget* parent) : QDialog(parent), help_(help) {
    setObjectName("frmSetWall");
    setWindowTitle("Set as Wallpaper");
    setAccessibleName("Set as Wallpaper");

    auto* lblText = new QLabel("Select how you would like the picture set out on your screen", this);
    lblText->setObjectName("lblText");
    lblText->setWordWrap(true);
    lblText->setFixedWidth(300);
    auto* grpPosition = new QGroupBox("Position", this);
    grpPosition->setObjectName("grpPosition");
    grpPosition->setAccessibleName("Position");
    rbStretched = new QRadioButton("Stretched", grpPosition);
    rbTiled = new QRadioButton("Tiled", grpPosition);
    rbCentered = new QRadioButton("Centered", grpPosition);
    for (QRadioButton* b : {rbStretched, rbTiled, rbCentered}) {
        b->setObjectName("rb" + b->text());
        b->setAccessibleName(b->text());
    }
    rbStretched->setChecked(true);
    btnHelp = DialogButton(this, "btnHelp", "Help");
    btnOK = DialogButton(this, "btnOK", "OK", true);
    btnCancel = DialogButton(this, "btnCancel", "Cancel");

    auto* positions = new QVBoxLayout(grpPosition);
    positions->addWidget(rbStretched);
    positions->addWidget(rbTiled);
    positions->addWidget(rbCentered);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnHelp);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 12, 16, 12);
    body->setSpacing(10);
    body->addWidget(lblText);
    body->addWidget(grpPosition);
    body->addSpacing(4);
    body->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(DialogHeader(this, "Background"));
    outer->addLayout(body);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this,
            [this] { help_.ShowHelpTopic(static_cast<QWidget*>(this), helptopic::kSetWallpaper); });

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
}

viewer::TWallpaperPosition TfrmSetWall::Position() const {
    if (rbTiled->isChecked()) return viewer::TWallpaperPosition::Tiled;
    if (rbCentered->isChecked()) return viewer::TWallpaperPosition::Centered;
    return viewer::TWallpaperPosition::Stretched;
}

std::optional<viewer::TWallpaperPosition> TfrmSetWall::Execute() {
    if (exec() != QDialog::Accepted) return std::nullopt;
    return Position();
}
