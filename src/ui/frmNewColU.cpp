#include "frmNewColU.h"

#include "TDialogParts.h"
#include "TAlbumManager.h"
#include "TCatalog.h"
#include "THelp.h"
#include "THints.h"
#include "frmIconsU.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TfrmNewCol::TfrmNewCol(TCatalog& catalog, THelp& help, THints& hints, QWidget* parent)
    : QDialog(parent), catalog_(catalog), help_(help), hints_(hints) {
    setObjectName("frmNewCol");
    setWindowTitle("New Album");
    setAccessibleName("New Album");

    lblText = new QLabel(
        "Type in a name for the new album, and then choose an icon to represent it with.\n"
        "Right-click the Icon selection box to open the Icon Options dialog where you can add news ones.",
        this);
    lblText->setObjectName("lblText");
    lblText->setWordWrap(true);
    lblText->setFixedWidth(360);
    const QString iconHint = "Choose an icon. Right-click for Icon Options.";
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setAccessibleName(iconHint);
    ComboBox1->setToolTip(iconHint);
    ComboBox1->setIconSize(QSize(16, 16));
    ComboBox1->setFixedWidth(48);
    ComboBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    const QString nameHint = "Type the name for the album.";
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setAccessibleName(nameHint);
    Edit1->setToolTip(nameHint);
    btnHelp = DialogButton(this, "btnHelp", "Help");
    btnOK = DialogButton(this, "btnOK", "OK", true);
    btnCancel = DialogButton(this, "btnCancel", "Cancel");

    auto* fields = new QHBoxLayout;
    fields->addWidget(ComboBox1);
    fields->addWidget(Edit1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnHelp);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 12, 16, 12);
    body->addWidget(lblText);
    body->addLayout(fields);
    body->addSpacing(4);
    body->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(DialogHeader(this, "New"));
    outer->addLayout(body);

    // Enter in the name field presses the default button "OK"; Escape rejects the dialog.
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });
    connect(ComboBox1, &QComboBox::customContextMenuRequested, this, [this] { ComboBox1ContextPopup(); });

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
}

std::string TfrmNewCol::AlbumName() const { return Edit1->text().toLocal8Bit().toStdString(); }

int TfrmNewCol::IconIndex() const { return std::max(0, ComboBox1->currentIndex()); }

void TfrmNewCol::FillIconBox() {
    ComboBox1->clear();
    TIconStrip& strip = catalog_.IconStrip();
    for (int i = 0; i < strip.Count(); ++i) {
        ComboBox1->addItem(QIcon(QPixmap::fromImage(strip.IconWithAlpha(i))), QString());
        ComboBox1->setItemData(i, QString("Icon %1").arg(i), Qt::AccessibleTextRole);
        ComboBox1->setItemData(i, QString("Icon %1").arg(i), Qt::ToolTipRole);
    }
    ComboBox1->setCurrentIndex(strip.Count() > 0 ? 0 : -1);
}

void TfrmNewCol::ComboBox1ContextPopup() {
    if (icons_) icons_->exec();
    FillIconBox();
}

void TfrmNewCol::btnOKClick() {
    TAlbumManager albums(catalog_);
    if (albums.NewAlbumOk(AlbumName())) accept();
}

void TfrmNewCol::btnHelpClick() { help_.ShowHelpTopic(static_cast<QWidget*>(this), helptopic::kNewAlbum); }

void TfrmNewCol::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    FillIconBox();
    Edit1->clear();
    Edit1->setFocus();
    hints_.AutoHelpOnFirstShow(hint::kFirstHelpNewAlbum, helptopic::kNewAlbum, static_cast<QWidget*>(this));
}

void TfrmNewCol::done(int result) {
    help_.CloseAllHelp();
    QDialog::done(result);
}
