#include "frmSearchOptsU.h"

#include "TDialogParts.h"
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TfrmSearchOpts::TfrmSearchOpts(TSearchOptions& options, QWidget* parent) : QDialog(parent), options_(options) {
    setObjectName("frmSearchOpts");
    setWindowTitle(TSearchOptions::kCaption);
    setAccessibleName(TSearchOptions::kCaption);

    grpLookIn = new QGroupBox(TSearchOptions::kGroup, this);
    grpLookIn->setObjectName("grpLookIn");
    grpLookIn->setAccessibleName(TSearchOptions::kGroup);
    auto radio = [this](const char* object, TSearchField field) {
        const char* caption = TSearchOptions::RadioCaption(field);
        auto* r = new QRadioButton(caption, grpLookIn);
        r->setObjectName(object);
        r->setAccessibleName(caption);
        return r;
    };
    rbNotes = radio("rbNotes", TSearchField::Notes);
    rbName = radio("rbName", TSearchField::Name);
    rbPhotographer = radio("rbPhotographer", TSearchField::Photographer);
    // Not the stored setting: the choice the dialog starts the run with.
    Radio(options_.Selected())->setChecked(true);
    auto* group = new QVBoxLayout(grpLookIn);
    for (QRadioButton* r : {rbNotes, rbName, rbPhotographer}) group->addWidget(r);

    chkOnlyThisSearch = new QCheckBox("Only apply to this Search", this);
    chkOnlyThisSearch->setObjectName("chkOnlyThisSearch");
    chkOnlyThisSearch->setAccessibleName("Only apply to this Search");

    btnHelp = DialogButton(this, "btnHelp", "Help");
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setAccessibleName("OK");
    btnOK->setAutoDefault(true);
    btnOK->setDefault(true);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 12, 16, 12);
    body->setSpacing(8);
    body->addWidget(grpLookIn);
    body->addWidget(chkOnlyThisSearch);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnHelp);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    body->addLayout(buttons);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(DialogHeader(this, TSearchOptions::kHeading));
    outer->addWidget(rule);
    outer->addLayout(body);

    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnHelp, &QPushButton::clicked, this, &TfrmSearchOpts::HelpClicked);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
}

QRadioButton* TfrmSearchOpts::Radio(TSearchField field) const {
    switch (field) {
        case TSearchField::Name: return rbName;
        case TSearchField::Photographer: return rbPhotographer;
        case TSearchField::Notes: break;
    }
    return rbNotes;
}

TSearchField TfrmSearchOpts::Checked() const {
    if (rbName->isChecked()) return TSearchField::Name;
    if (rbPhotographer->isChecked()) return TSearchField::Photographer;
    return TSearchField::Notes;
}

void TfrmSearchOpts::btnOKClick() {
    options_.Ok(Checked(), chkOnlyThisSearch->isEnabled() && chkOnlyThisSearch->isChecked());
    accept();
}

int TfrmSearchOpts::ExecFromPreferences() {
    chkOnlyThisSearch->setEnabled(false);
    const int result = exec();
    chkOnlyThisSearch->setEnabled(true);
    return result;
}
