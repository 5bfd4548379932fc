#include "frmSlideSettingsU.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "TDialogParts.h"
#include "THelp.h"
#include "TMessages.h"
#include "TSlideshow.h"
#include "frmShowU.h"

TfrmSlideSettings::TfrmSlideSettings(TfrmShow& show, TMessages& messages, THelp& help, QWidget* parent)
    : QDialog(parent), show_(show), messages_(messages), help_(help) {
    setObjectName("frmSlideSettings");
    setWindowTitle("Slideshow Settings");
    setAccessibleName("Slideshow Settings");

    chkNext = new QCheckBox("Show the next image after", this);
    chkNext->setObjectName("chkNext");
    chkNext->setAccessibleName("Show the next image after");
    chkNext->setChecked(true);
    edtSeconds = new QLineEdit("5", this);
    edtSeconds->setObjectName("edtSeconds");
    edtSeconds->setAccessibleName("Seconds");
    edtSeconds->setFixedWidth(40);
    auto* lblSeconds = new QLabel("seconds", this);
    lblSeconds->setObjectName("lblSeconds");
    lblSeconds->setBuddy(edtSeconds);
    auto* lblKeys = new QLabel("You can also press [Left] and [Right] on your keyboard to change image.", this);
    lblKeys->setObjectName("lblKeys");
    lblKeys->setWordWrap(true);
    auto* grpLooping = new QGroupBox("Looping", this);
    grpLooping->setObjectName("grpLooping");
    grpLooping->setAccessibleName("Looping");
    rbClose = new QRadioButton("Close afer the last image", grpLooping);
    rbClose->setObjectName("rbClose");
    rbClose->setAccessibleName("Close afer the last image");
    rbLoop = new QRadioButton("Loop continouosly", grpLooping);
    rbLoop->setObjectName("rbLoop");
    rbLoop->setAccessibleName("Loop continouosly");
    rbLoop->setChecked(true);
    auto* lblEsc = new QLabel("You can press <ESC> on your keyboard at anytime to end the show.", this);
    lblEsc->setObjectName("lblEsc");
    lblEsc->setTextFormat(Qt::PlainText);
    lblEsc->setWordWrap(true);
    btnHelp = DialogButton(this, "btnHelp", "Help");
    btnStart = DialogButton(this, "btnStart", "Start", true);
    btnCancel = DialogButton(this, "btnCancel", "Cancel");

    auto* delay = new QHBoxLayout;
    delay->addWidget(chkNext);
    delay->addWidget(edtSeconds);
    delay->addWidget(lblSeconds);
    delay->addStretch(1);
    auto* looping = new QVBoxLayout(grpLooping);
    looping->addWidget(rbClose);
    looping->addWidget(rbLoop);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnHelp);
    buttons->addStretch(1);
    buttons->addWidget(btnStart);
    buttons->addWidget(btnCancel);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 12, 16, 12);
    body->setSpacing(10);
    body->addLayout(delay);
    body->addWidget(lblKeys);
    body->addWidget(grpLooping);
    body->addWidget(lblEsc);
    body->addSpacing(4);
    body->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(DialogHeader(this, "Slideshow"));
    outer->addLayout(body);
    for (QLabel* l : {lblKeys, lblEsc}) l->setFixedWidth(330);

    connect(btnStart, &QPushButton::clicked, this, [this] { btnStartClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });
    connect(chkNext, &QCheckBox::toggled, edtSeconds, &QWidget::setEnabled);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
}

void TfrmSlideSettings::Prepare(const std::vector<std::string>& rowPaths, bool resizeFull) {
    rowPaths_ = rowPaths;
    resizeFull_ = resizeFull;
}

void TfrmSlideSettings::btnStartClick() {
    // An unticked box means no timer, whatever the seconds box holds.
    int interval = 0;
    if (chkNext->isChecked()) {
        const viewer::TSlideInterval parsed = viewer::ParseSlideSeconds(ToBytes(edtSeconds->text()));
        if (!parsed.ok) {
            ShowOk(messages_, "Lumavell2", parsed.error, TMsgIcon::Error);
            edtSeconds->setFocus();
            edtSeconds->selectAll();
            return;
        }
        interval = parsed.milliseconds;
    }
    show_.Prepare(rowPaths_, interval, chkNext->isChecked(), rbClose->isChecked() ? viewer::TSlideLoop::CloseAfterLast
                                                                                   : viewer::TSlideLoop::Continuous,
                  resizeFull_);
    show_.CoverScreen(parentWidget() ? parentWidget()->screen() : screen());
    show_.exec();
    accept();
}

void TfrmSlideSettings::btnHelpClick() {
    help_.ShowHelpTopic(static_cast<QWidget*>(this), helptopic::kSlideshow);
}
