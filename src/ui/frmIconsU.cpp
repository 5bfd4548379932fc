#include "frmIconsU.h"

#include "TDialogParts.h"
#include "TAlbumManager.h"
#include "TCatalog.h"
#include "THelp.h"
#include "TMessages.h"

#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

TfrmIcons::TfrmIcons(TCatalog& catalog, THelp& help, QWidget* parent)
    : QDialog(parent), catalog_(catalog), help_(help) {
    setObjectName("frmIcons");
    setWindowTitle("Icon List");
    setAccessibleName("Icon List");

    lblText = new QLabel(
        "Icons let you differentiate between different albums. Icons must be size 16x16. Click Help for more "
        "information on icons and creating them.",
        this);
    lblText->setObjectName("lblText");
    lblText->setWordWrap(true);
    lblText->setFixedWidth(300);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setAccessibleName("Icons");
    ListBox1->setIconSize(QSize(16, 16));
    ListBox1->setFixedWidth(48);
    ListBox1->setFixedHeight(150);
    lblPath = new QLabel("Path", this);
    lblPath->setObjectName("lblPath");
    edtPath = new QLineEdit(this);
    edtPath->setObjectName("edtPath");
    edtPath->setAccessibleName("Path");
    lblPath->setBuddy(edtPath);
    btnBrowse = new QToolButton(this);
    btnBrowse->setObjectName("btnBrowse");
    btnBrowse->setText("...");
    btnBrowse->setAccessibleName("Browse for a bitmap");
    btnBrowse->setToolTip("Browse for a bitmap");
    btnAdd = DialogButton(this, "btnAdd", "Add", true);
    btnAdd->setEnabled(false);
    btnHelp = DialogButton(this, "btnHelp", "Help");
    btnOK = DialogButton(this, "btnOK", "OK");

    auto* side = new QVBoxLayout;
    side->addWidget(lblText);
    side->addStretch(1);
    side->addWidget(lblPath);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(edtPath, 1);
    pathRow->addWidget(btnBrowse);
    side->addLayout(pathRow);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnHelp);
    buttons->addWidget(btnOK);
    side->addLayout(buttons);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(16, 12, 16, 12);
    body->addWidget(ListBox1);
    body->addLayout(side, 1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(DialogHeader(this, "Icons"));
    outer->addLayout(body);

    connect(edtPath, &QLineEdit::textChanged, this,
            [this](const QString& t) { btnAdd->setEnabled(TAlbumManager::IconAddEnabled(ToBytes(t))); });
    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
    connect(btnBrowse, &QToolButton::clicked, this, [this] { btnBrowseClick(); });
    connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
}

void TfrmIcons::FillList() {
    ListBox1->clear();
    TIconStrip& strip = catalog_.IconStrip();
    for (int i = 0; i < strip.Count(); ++i) {
        auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(strip.IconWithAlpha(i))), QString(), ListBox1);
        item->setData(Qt::AccessibleTextRole, QString("Icon %1").arg(i));
        item->setToolTip(QString("Icon %1").arg(i));
    }
}

void TfrmIcons::btnAddClick() {
    const std::string path = ToBytes(edtPath->text());
    if (!TAlbumManager::IconAddEnabled(path)) return;
    TAlbumManager albums(catalog_);
    if (!albums.IconAdd(path).added) return;
    unsaved_ = true;
    FillList();
    edtPath->clear();
}

void TfrmIcons::btnBrowseClick() {
    const QFileInfo current(edtPath->text());
    const std::string start = edtPath->text().isEmpty() ? std::string() : ToBytes(current.absolutePath());
    const std::string chosen = catalog_.Messages().OpenFileName("Open", start, "Bitmaps (*.bmp)");
    if (!chosen.empty()) edtPath->setText(FromBytes(chosen));
}

void TfrmIcons::btnHelpClick() { help_.ShowHelpTopic(static_cast<QWidget*>(this), helptopic::kIcons); }

void TfrmIcons::btnOKClick() {
    TAlbumManager(catalog_).IconListOk();
    unsaved_ = false;
    accept();
}

void TfrmIcons::showEvent(QShowEvent* e) {
    FillList();
    QDialog::showEvent(e);
}

void TfrmIcons::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) FillList();
    QDialog::changeEvent(e);
}

void TfrmIcons::done(int result) {
    // Pictures the user added are written however the dialog is closed: album lines may already
    // name their icon indexes, which the next start must still have.
    if (unsaved_) {
        TAlbumManager(catalog_).IconListOk();
        unsaved_ = false;
    }
    QDialog::done(result);
}
