#include "frmPropertiesU.h"

#include "TDialogParts.h"
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmProperties::TfrmProperties(QWidget* parent) : QDialog(parent) {
    setObjectName("frmProperties");
    setWindowTitle("Image Properties");
    setAccessibleName("Image Properties");

    edtName = new QLineEdit(this);
    edtName->setObjectName("edtName");
    edtName->setAccessibleName("Name");
    QFont bold = edtName->font();
    bold.setBold(true);
    edtName->setFont(bold);
    edtName->setMinimumWidth(260);
    lblTakenBy = new QLabel(TPhotoProperties::kCreditLabel, this);
    lblTakenBy->setObjectName("lblTakenBy");
    lblTakenBy->setAccessibleName(TPhotoProperties::kCreditLabel);
    edtCredit = new QLineEdit(this);
    edtCredit->setObjectName("edtCredit");
    edtCredit->setAccessibleName(TPhotoProperties::kCreditLabel);
    lblTakenBy->setBuddy(edtCredit);

    auto button = [this](const char* object, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(object);
        b->setAccessibleName(caption);
        b->setAutoDefault(false);
        return b;
    };
    btnHelp = button("btnHelp", "Help");
    btnOK = button("btnOK", "OK");
    btnCancel = button("btnCancel", "Cancel");
    btnOK->setAutoDefault(true);
    btnOK->setDefault(true);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 12, 16, 12);
    body->setSpacing(8);
    body->addWidget(edtName);
    auto* creditRow = new QHBoxLayout;
    creditRow->addWidget(lblTakenBy);
    creditRow->addWidget(edtCredit, 1);
    body->addLayout(creditRow);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnHelp);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    body->addSpacing(4);
    body->addLayout(buttons);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(DialogHeader(this, TPhotoProperties::kHeading));
    outer->addWidget(rule);
    outer->addLayout(body);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, &TfrmProperties::HelpClicked);

    // Fixed size: as large as the contents ask for.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
}

void TfrmProperties::SetFields(const TPhotoProperties::TFields& fields) {
    edtName->setText(FromBytes(fields.name));
    edtCredit->setText(FromBytes(fields.credit));
    edtName->setFocus();
}

TPhotoProperties::TFields TfrmProperties::Fields() const {
    return {ToBytes(edtName->text()), ToBytes(edtCredit->text())};
}
