#include "frmAddtoColU.h"

#include "TDialogParts.h"
#include "TAlbumManager.h"
#include "TCatalog.h"
#include "THelp.h"
#include "frmIconsU.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TfrmAddtoCol::TfrmAddtoCol(TCatalog& catalog, THelp& help, QWidget* parent)
    : QDialog(parent), catalog_(catalog), help_(help) {
    setObjectName("frmAddtoCol");
    setWindowTitle("Add to Collection");
    setAccessibleName("Add to Collection");

    lblText = new QLabel("Choose an album from the list below to add this photo to.", this);
    lblText->setObjectName("lblText");
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setAccessibleName("Albums");
    ListBox1->setIconSize(QSize(16, 16));
    ListBox1->setFixedSize(300, 180);
    btnHelp = DialogButton(this, "btnHelp", "Help");
    btnOK = DialogButton(this, "btnOK", "OK", true);
    btnCancel = DialogButton(this, "btnCancel", "Cancel");

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnHelp);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 12, 16, 12);
    body->addWidget(lblText);
    body->addWidget(ListBox1);
    body->addSpacing(4);
    body->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(DialogHeader(this, "Add"));
    outer->addLayout(body);

    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] { btnOKClick(); });

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
}

void TfrmAddtoCol::FillList() {
    ListBox1->clear();
    TIconStrip& strip = catalog_.IconStrip();
    for (const std::string& line : TAlbumManager(catalog_).AddToChoices()) {
        const std::string name = TCatalog::AlbumEntryName(line);
        const int icon = TCatalog::AlbumEntryIcon(line);
        QIcon picture;
        if (icon >= 0 && icon < strip.Count()) picture = QIcon(QPixmap::fromImage(strip.IconWithAlpha(icon)));
        new QListWidgetItem(picture, QString::fromLocal8Bit(name.data(), qsizetype(name.size())), ListBox1);
    }
    ListBox1->setCurrentRow(-1);
    ListBox1->clearSelection();
}

void TfrmAddtoCol::btnOKClick() {
    TAlbumManager albums(catalog_);
    const int index = ListBox1->selectedItems().isEmpty() ? -1 : ListBox1->currentRow();
    if (!albums.AddToAlbumOk(index)) return;
    chosen_ = albums.AddToChoices()[size_t(index)];
    accept();
}

void TfrmAddtoCol::btnHelpClick() {
    help_.ShowHelpTopic(static_cast<QWidget*>(this), helptopic::kAddToAlbum);
}

void TfrmAddtoCol::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    chosen_.clear();
    FillList();
}
