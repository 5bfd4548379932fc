#include "frmReceiveU.h"

#include "TCatalog.h"
#include "TDialogParts.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

TfrmReceive::TfrmReceive(TCatalog& catalog, QWidget* parent)
    : QDialog(parent), catalog_(catalog), receive_(catalog) {
    setObjectName("frmReceive");
    setWindowTitle("Receive");
    setAccessibleName("Receive");
    receive_.SetObserver(this);

    lblIntro = new QLabel(kReadyText, this);
    lblIntro->setObjectName("lblIntro");
    lblIntro->setAccessibleName(kReadyText);
    lblIntro->setWordWrap(true);
    auto* albumCaption = new QLabel("Album:", this);
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setAccessibleName("Album icon");
    Image1->setFixedSize(16, 16);
    Label5 = new QLabel(this);
    Label5->setObjectName("Label5");
    Label5->setAccessibleName("Album name");
    QFont bold = Label5->font();
    bold.setBold(true);
    Label5->setFont(bold);
    Button1 = DialogButton(this, "Button1", "OK", true);
    Button1->setEnabled(false);

    // Hidden, as the dialog's own record of what it is doing.
    auto* fileCaption = new QLabel("File:", this);
    fileName = new QLabel(this);
    fileName->setObjectName("fileName");
    fileName->setAccessibleName("File");
    auto* doingCaption = new QLabel("Currently:", this);
    lblDoing = new QLabel(sharing::TAlbumReceive::kWaiting, this);
    lblDoing->setObjectName("lblDoing");
    lblDoing->setAccessibleName("Currently");
    for (QWidget* w : {static_cast<QWidget*>(fileCaption), static_cast<QWidget*>(fileName),
                       static_cast<QWidget*>(doingCaption), static_cast<QWidget*>(lblDoing)})
        w->hide();

    auto* albumRow = new QHBoxLayout;
    albumRow->addWidget(albumCaption);
    albumRow->addWidget(Image1);
    albumRow->addWidget(Label5, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 12, 16, 12);
    body->addWidget(lblIntro);
    body->addSpacing(6);
    body->addLayout(albumRow);
    body->addSpacing(6);
    body->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(DialogHeader(this, "Receive"));
    outer->addLayout(body);
    setFixedWidth(380);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
}

void TfrmReceive::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    // Centred on the desktop.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.center() - QPoint(width() / 2, height() / 2));
    }
    // The receive starts once the dialog has been painted.
    pending_ = true;
    QTimer::singleShot(0, this, [this] { FormShow(); });
}

void TfrmReceive::FormShow() {
    if (!pending_) return;
    pending_ = false;
    succeeded_ = false;
    Button1->setEnabled(false);
    Label5->clear();
    Image1->clear();
    lblIntro->setText(kReadyText);
    lblIntro->setAccessibleName(kReadyText);
    const QString path = FromBytes(package_);
    fileName->setText(fileName->fontMetrics().elidedText(path, Qt::ElideMiddle, 300));
    fileName->setToolTip(path);
    succeeded_ = receive_.Receive(package_);
    if (!succeeded_) {
        // Nothing was added: no album to name, nothing ready to view.
        Label5->clear();
        Label5->setAccessibleName("Album name");
        Image1->clear();
        lblIntro->setText(kFailedText);
        lblIntro->setAccessibleName(kFailedText);
    }
    Button1->setEnabled(true);
    Button1->setFocus();
    emit ReceiveEnded(succeeded_);
}

void TfrmReceive::OnStatus(const std::string& text) {
    lblDoing->setText(FromBytes(text));
    OnBusy();
}

void TfrmReceive::OnAlbumName(const std::string& name) {
    Label5->setText(FromBytes(name));
    Label5->setAccessibleName("Album name: " + Label5->text());
    OnBusy();
}

void TfrmReceive::OnIcon(const QImage& icon) {
    Image1->setPixmap(QPixmap::fromImage(icon));
    OnBusy();
}

void TfrmReceive::OnBusy() { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }
