#include "frmAboutU.h"

#include "TArtwork.h"
#include "TDialogParts.h"
#include "TSettingsStore.h"
#include "TWebLinks.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtGlobal>

#ifndef LUMAVELL_VERSION
#define LUMAVELL_VERSION "0.0.0"
#endif

namespace {

QLabel* Text(QWidget* parent, const char* object, const QString& text, int pixelSize, bool bold, QColor colour) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(object);
    l->setAccessibleName(text);
    l->setWordWrap(true);
    QFont f = l->font();
    if (pixelSize > 0) f.setPixelSize(pixelSize);
    f.setBold(bold);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    return l;
}

}  // namespace

TfrmAbout::TfrmAbout(TSettingsStore& settings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), settings_(settings) {
    setObjectName("frmAbout");
    setWindowTitle("About...");
    setAccessibleName("About...");
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    auto* picture = new artwork::TPicture(artwork::DrawEmblem, this);
    picture->setObjectName("imgProgram");
    picture->setAccessibleName("Lumavell2");
    picture->setFixedSize(72, 72);

    QLabel* name = Text(this, "lblName", "Lumavell2", 30, true, artwork::kTitle);
    name->setWordWrap(false);
    QLabel* version = Text(this, "lblVersion", QString("Version %1").arg(LUMAVELL_VERSION), 0, false,
                           QColor(110, 114, 122));
    QLabel* tagline = Text(this, "lblTagline", "A photo organiser: albums, notes, search and sharing.", 0, false,
                           QColor(110, 114, 122));
    QLabel* notice = Text(this, "lblNotice",
                          QString::fromUtf8("Copyright \u00a9 2026 Lumavell2 developers. Lumavell2 is free software, "
                                            "published under the MIT licence (see Licence Agreement)."),
                          0, false, QColor(40, 40, 48));
    QLabel* credits = Text(this, "lblCredits",
                           QString("Built with Qt %1, libjpeg-turbo (based in part on the work of the Independent "
                                   "JPEG Group), libzip, zlib and SANE.")
                               .arg(qVersion()),
                           0, false, QColor(110, 114, 122));
    lblCaption = Text(this, "lblCaption", "Thanks for using Lumavell2!", 13, true, QColor(176, 96, 16));
    lblCaption->setAccessibleName(QString());  // read out by its current text

    btnReadMe = DialogButton(this, "btnReadMe", "Read Me");
    btnLicence = DialogButton(this, "btnLicence", "Licence Agreement");
    btnDonate = DialogButton(this, "btnDonate", "Donate");
    btnOK = DialogButton(this, "btnOK", "OK", true);

    auto* head = new QHBoxLayout;
    head->setSpacing(14);
    head->addWidget(picture, 0, Qt::AlignTop);
    auto* names = new QVBoxLayout;
    names->setSpacing(2);
    names->addWidget(name);
    names->addWidget(version);
    names->addWidget(tagline);
    names->addStretch(1);
    head->addLayout(names, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    buttons->addWidget(btnReadMe);
    buttons->addWidget(btnLicence);
    buttons->addWidget(btnDonate);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);

    auto* col = new QVBoxLayout(this);
    col->setContentsMargins(22, 20, 22, 16);
    col->setSpacing(10);
    col->addLayout(head);
    col->addSpacing(4);
    col->addWidget(notice);
    col->addWidget(credits);
    col->addSpacing(4);
    col->addWidget(lblCaption);
    col->addSpacing(6);
    col->addLayout(buttons);
    FitHeight();

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnReadMe, &QPushButton::clicked, this, [this] { OpenInstallFile(installFolder_, "readme.txt"); });
    connect(btnLicence, &QPushButton::clicked, this, [this] { OpenInstallFile(installFolder_, "licence.txt"); });
    connect(btnDonate, &QPushButton::clicked, this, [this] { emit DonateClicked(); });
}

void TfrmAbout::FitHeight() {
    // The texts wrap: the height follows from the fixed width and the caption of the moment.
    constexpr int kWidth = 460;
    setFixedSize(kWidth, layout()->totalHeightForWidth(kWidth));
}

QString TfrmAbout::CaptionFor(int timesRun) {
    if (timesRun > 5)
        return "You have used this program " + QString::number(timesRun) + " times. Have you considered donating?";
    return "Thanks for using Lumavell2!";
}

void TfrmAbout::UpdateCaption() { lblCaption->setText(CaptionFor(settings_.ReadInteger("Images", "timesRun", 1))); }

void TfrmAbout::showEvent(QShowEvent* e) {
    UpdateCaption();
    FitHeight();
    // Centred on the main window.
    if (QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr) {
        const QRect o = owner->frameGeometry();
        const QSize frame = frameGeometry().size();
        move(o.x() + (o.width() - frame.width()) / 2, o.y() + (o.height() - frame.height()) / 2);
    }
    QDialog::showEvent(e);
}

void TfrmAbout::paintEvent(QPaintEvent* e) {
    QDialog::paintEvent(e);
    // A borderless white window needs an edge of its own against a white desktop, and a band of
    // the program's blue along the top.
    QPainter p(this);
    p.fillRect(QRect(0, 0, width(), 4), artwork::kCover);
    p.setPen(QColor(150, 154, 162));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
