#include "frmImportingImgsCamU.h"

#include "TDialogParts.h"
#include "frmMainU.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

TfrmImportingImgCam::TfrmImportingImgCam(TfrmMain& main, QWidget* parent) : QDialog(parent), main_(main) {
    setObjectName("frmImportingImgCam");
    setWindowTitle("Importing...");
    setAccessibleName("Importing...");
    Label1 = new QLabel("Importing image # of #", this);
    Label1->setObjectName("Label1");
    Label1->setMinimumWidth(260);
    btnOK = DialogButton(this, "btnOK", "OK", true);
    btnOK->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(16, 16, 16, 12);
    body->addWidget(Label1);
    body->addSpacing(8);
    body->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
}

void TfrmImportingImgCam::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    btnOK->setEnabled(false);
    Label1->setText("Please wait...");
    filed_ = {};
    // The filing runs once the dialog has been painted, so "Please wait..." is seen.
    QTimer::singleShot(0, this, [this] { FormShow(); });
}

void TfrmImportingImgCam::FormShow() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    filed_ = TDeviceImport(main_.Catalog()).File(fields_, main_.AlbumView().OpenAlbumName());
    QApplication::restoreOverrideCursor();
    // The open album took the photo: its list shows the new row.
    if (filed_.reloadedOpenAlbum) main_.RefreshList();
    Label1->setText(filed_.filed ? "Image was successfully imported." : "The image was not imported.");
    btnOK->setEnabled(true);
    btnOK->setFocus();
}
