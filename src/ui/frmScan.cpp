#include "frmScan.h"

#include "TDeviceImport.h"
#include "TDialogParts.h"
#include "THelp.h"
#include "TMessages.h"
#include "TPlatform.h"
#include "Twain.h"
#include "frmImportingImgsCamU.h"
#include "frmMainU.h"
#include "frmNewColU.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdlib>
#include <filesystem>

namespace {

constexpr int kPreviewWidth = 193;
constexpr int kPreviewHeight = 137;

QLabel* FieldLabel(QWidget* parent, const char* text, QWidget* buddy) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

}  // namespace

TfrmCamera::TfrmCamera(TfrmMain& main, QWidget* parent) : QDialog(parent), main_(main) {
    setObjectName("frmCamera");
    setWindowTitle("Import from Scanner or Camera");
    setAccessibleName("Import from Scanner or Camera");

    lblText = new QLabel("From this dialog you can import photos directly from an imaging device.", this);
    lblText->setObjectName("lblText");
    lblText->setWordWrap(true);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setAccessibleName("Preview");
    Image1->setFixedSize(kPreviewWidth, kPreviewHeight);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setFrameShape(QFrame::StyledPanel);

    lmdSave = new QLineEdit(this);
    lmdSave->setObjectName("lmdSave");
    lmdSave->setAccessibleName("File Name");
    btnBrowse = new QToolButton(this);
    btnBrowse->setObjectName("btnBrowse");
    btnBrowse->setText("...");
    btnBrowse->setAccessibleName("Browse for the photo's file");
    btnBrowse->setToolTip("Browse for the photo's file");
    lmdCombo = new QComboBox(this);
    lmdCombo->setObjectName("lmdCombo");
    lmdCombo->setAccessibleName("Album");
    lmdCombo->setIconSize(QSize(16, 16));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setAccessibleName("Name");
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName("Edit2");
    Edit2->setAccessibleName("Credit");
    Edit2->setMaxLength(255);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setAccessibleName("Comments");
    Memo1->setFixedHeight(64);
    Memo1->setTabChangesFocus(true);

    btnHelp = DialogButton(this, "btnHelp", "Help");
    btnImport = DialogButton(this, "btnImport", "Import", true);
    btnRePick = DialogButton(this, "btnRePick", "Re-Pick");
    btnCancel = DialogButton(this, "btnCancel", "Cancel");

    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    fileRow->addWidget(lmdSave, 1);
    fileRow->addWidget(btnBrowse);
    auto* grid = new QGridLayout;
    grid->addWidget(FieldLabel(this, "File Name", lmdSave), 0, 0);
    grid->addLayout(fileRow, 0, 1);
    grid->addWidget(FieldLabel(this, "Album", lmdCombo), 1, 0);
    grid->addWidget(lmdCombo, 1, 1);
    grid->addWidget(FieldLabel(this, "Name", Edit1), 2, 0);
    grid->addWidget(Edit1, 2, 1);
    grid->addWidget(FieldLabel(this, "Credit", Edit2), 3, 0);
    grid->addWidget(Edit2, 3, 1);
    grid->addWidget(FieldLabel(this, "Comments", Memo1), 4, 0, Qt::AlignTop);
    grid->addWidget(Memo1, 4, 1);
    grid->setColumnMinimumWidth(1, 240);

    auto* middle = new QHBoxLayout;
    middle->addWidget(Image1, 0, Qt::AlignTop);
    middle->addSpacing(8);
    middle->addLayout(grid, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnHelp);
    buttons->addStretch(1);
    buttons->addWidget(btnImport);
    buttons->addWidget(btnRePick);
    buttons->addWidget(btnCancel);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 12, 16, 12);
    body->addWidget(lblText);
    body->addSpacing(6);
    body->addLayout(middle);
    body->addSpacing(8);
    body->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(DialogHeader(this, "Import from a Camera or Scanner"));
    outer->addLayout(body);

    frmImporting_ = new TfrmImportingImgCam(main_, this);

    connect(btnImport, &QPushButton::clicked, this, [this] { btnImportClick(); });
    connect(btnRePick, &QPushButton::clicked, this, [this] { btnRePickClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });
    connect(btnBrowse, &QToolButton::clicked, this, [this] { lmdSaveBrowse(); });
    connect(lmdCombo, &QComboBox::currentIndexChanged, this, [this](int i) { lmdComboChange(i); });

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
}

void TfrmCamera::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    Edit2->setText(FromBytes(TLinuxPlatform().UserName().substr(0, 255)));
    Edit1->clear();
    Memo1->clear();
    // The source is picked and acquired once the dialog is on screen.
    QTimer::singleShot(0, this, [this] { FormShow(); });
}

void TfrmCamera::FormShow() {
    // Closed again before it got here: nothing to acquire for.
    if (!isVisible()) return;
    TWAIN_SelectImageSource(nullptr);
    AcquirePreview();
    FillAlbums(false);
}

void TfrmCamera::FillAlbums(bool afterCreation) {
    const QSignalBlocker quiet(lmdCombo);
    lmdCombo->clear();
    TIconStrip& strip = main_.Catalog().IconStrip();
    for (const std::string& line : TDeviceImport(main_.Catalog()).DialogAlbumLines(afterCreation)) {
        const int icon = TCatalog::AlbumEntryIcon(line);
        QIcon picture;
        if (icon >= 0 && icon < strip.Count()) picture = QIcon(QPixmap::fromImage(strip.IconWithAlpha(icon)));
        lmdCombo->addItem(picture, FromBytes(TCatalog::AlbumEntryName(line)), FromBytes(line));
    }
    lmdCombo->setCurrentIndex(-1);
}

void TfrmCamera::AcquirePreview() {
    TWAIN_Acquire(nullptr, 0);
    TWAIN_HIMAGE first = TWAIN_Image(0);
    if (first) {
        const int w = TWAIN_ImageWidth(first);
        const int h = std::abs(TWAIN_ImageHeight(first));
        QImage picture(w, h, QImage::Format_RGB32);
        if (!picture.isNull()) {
            picture.fill(Qt::white);
            if (TWAIN_DrawImage(picture, 0, 0, w, h, first, 0, 0)) {
                picture_ = picture;
                ShowPicture();
            }
        }
    }
    // Every image of the acquisition is released; only the first was used.
    for (int i = 0; i < TWAIN_ImageCount(); ++i) TWAIN_FreeImage(TWAIN_Image(i));
}

void TfrmCamera::ShowPicture() {
    if (picture_.isNull()) {
        Image1->clear();
        return;
    }
    Image1->setPixmap(QPixmap::fromImage(
        picture_.scaled(kPreviewWidth - 2, kPreviewHeight - 2, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TfrmCamera::btnRePickClick() {
    TWAIN_SelectImageSource(nullptr);
    AcquirePreview();
}

void TfrmCamera::btnHelpClick() { main_.Help().ShowHelpTopic(static_cast<QWidget*>(this), helptopic::kImportDevice); }

bool TfrmCamera::lmdSaveBrowse() {
    const TDeviceImport import(main_.Catalog());
    const std::string current = ToBytes(lmdSave->text());
    const std::string start = current.empty() ? import.PhotoFolder() : import.PhotoPath(current);
    const std::string path = import.PhotoPath(main_.Catalog().Messages().SaveFileNameWithSuffix(
        devimport::kSaveCaption, start, devimport::kSaveFilter, "jpg"));
    if (path.empty()) return false;
    confirmedPath_ = path;
    lmdSave->setText(FromBytes(path));
    return true;
}

void TfrmCamera::ProposeNextName(const std::string& filed) {
    std::string stem;
    if (filed == proposedPath_ && !proposedStem_.empty()) {
        stem = proposedStem_;
    } else {
        stem = BareName(filed);
        const std::size_t dot = stem.rfind('.');
        if (dot != std::string::npos && dot > 0) stem.erase(dot);
    }
    proposedStem_ = stem;
    proposedPath_ = devimport::NextFreePhotoName(stem, FolderOf(filed), [](const std::string& p) {
        std::error_code ec;
        return std::filesystem::exists(p, ec) || ec;
    });
    confirmedPath_.clear();
    lmdSave->setText(FromBytes(proposedPath_));
}

void TfrmCamera::lmdComboChange(int index) {
    if (index < 0 || index != lmdCombo->count() - 1) return;
    TfrmNewCol* newCol = main_.NewColDialog();
    if (!newCol || newCol->exec() != QDialog::Accepted) return;
    const std::string name = newCol->AlbumName();
    TDeviceImport(main_.Catalog()).CreateAlbum(name);
    main_.LoadAlbumBox();
    FillAlbums(true);
    const QSignalBlocker quiet(lmdCombo);
    lmdCombo->setCurrentIndex(lmdCombo->count() - 2);
}

TDeviceImportFields TfrmCamera::Fields() const {
    TDeviceImportFields f;
    if (lmdCombo->currentIndex() >= 0) f.albumLine = ToBytes(lmdCombo->currentData().toString());
    f.fileName = ToBytes(lmdSave->text());
    f.name = ToBytes(Edit1->text());
    f.credit = ToBytes(Edit2->text());
    // Line breaks of the comments are kept as CR LF, as the notes box of the main window has them.
    f.comments = ToBytes(Memo1->toPlainText().replace("\n", "\r\n"));
    f.hasImage = !picture_.isNull();
    return f;
}

void TfrmCamera::btnImportClick() {
    TDeviceImport import(main_.Catalog());
    TDeviceImportFields f = Fields();
    const bool ok = import.CheckImport(f, [this] {
        lmdSaveBrowse();
        return ToBytes(lmdSave->text());
    });
    if (!ok) return;
    // The box shows the path the photo is written to and stored under.
    lmdSave->setText(FromBytes(f.fileName));
    if (!import.CheckTarget(f.fileName, f.fileName == confirmedPath_)) return;
    if (!import.WritePhoto(picture_, f.fileName)) return;
    // A retry after a failed filing may write this file again without asking.
    confirmedPath_ = f.fileName;
    frmImporting_->SetFields(f);
    const bool closedWithOk = frmImporting_->exec() == QDialog::Accepted;
    if (!frmImporting_->Filed().filed) return;
    // The next photo never goes into this one's file unless the user chooses it.
    ProposeNextName(f.fileName);
    if (!closedWithOk) return;
    if (AskYesNo(main_.Catalog().Messages(), "Another?", "Would you like to import another photo?")) {
        AcquirePreview();
        lmdSaveBrowse();
    } else {
        accept();
    }
}
