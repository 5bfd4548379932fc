#include "frmPrefs2U.h"

#include "TDialogParts.h"
#include "TEditorLaunch.h"
#include "TMessages.h"
#include "TSettingsStore.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const kSection = "Images";

QFrame* Rule(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

TfrmPrefs2::TfrmPrefs2(TSettingsStore& settings, TMessages& messages, QWidget* parent)
    : QDialog(parent), settings_(settings), messages_(messages) {
    setObjectName("frmPrefs2");
    setWindowTitle("Preferences");
    setAccessibleName("Preferences");

    auto named = [](auto* w, const char* object, const QString& name) {
        w->setObjectName(object);
        w->setAccessibleName(name);
        return w;
    };

    chkSaveThumbs = named(new QCheckBox("Save thumbnails", this), "chkSaveThumbs", "Save thumbnails");
    chkCompress = named(new QCheckBox("Compress thumbnails to save disk space", this), "chkCompress",
                        "Compress thumbnails to save disk space");
    chkCompress->setEnabled(false);
    btnRefreshThumbs = named(new QPushButton("Refresh Thumbnails", this), "btnRefreshThumbs", "Refresh Thumbnails");
    chkUpdateBar = named(new QCheckBox("Update bars as I resize them", this), "chkUpdateBar",
                         "Update bars as I resize them");
    chkResizeFull = named(new QCheckBox("In full screen mode, resize images to fit the whole screen", this),
                          "chkResizeFull", "In full screen mode, resize images to fit the whole screen");
    lblEditor = named(new QLabel("Image editor", this), "lblEditor", "Image editor");
    edtEditor = named(new QLineEdit(this), "edtEditor", "Image editor");
    // Empty means what Edit Image then starts: the desktop's own choice.
    edtEditor->setPlaceholderText("The desktop's default image editor");
    lblEditor->setBuddy(edtEditor);
    btnBrowse = named(new QToolButton(this), "btnBrowse", "Browse for the image editor");
    btnBrowse->setText("...");
    btnBrowse->setToolTip("Browse for the image editor");
    btnPrinting = named(new QPushButton("Printing", this), "btnPrinting", "Printing");
    btnIcons = named(new QPushButton("Icons", this), "btnIcons", "Icons");
    btnSearchOpts = named(new QPushButton("Search", this), "btnSearchOpts", "Search");
    btnHelp = named(new QPushButton("Help", this), "btnHelp", "Help");
    btnOK = named(new QPushButton("OK", this), "btnOK", "OK");
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    for (QPushButton* b : {btnRefreshThumbs, btnPrinting, btnIcons, btnSearchOpts, btnHelp})
        b->setAutoDefault(false);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(16, 12, 16, 12);
    body->setSpacing(6);
    body->addWidget(chkSaveThumbs);
    auto* indented = new QHBoxLayout;
    indented->addSpacing(20);
    indented->addWidget(chkCompress);
    indented->addStretch(1);
    body->addLayout(indented);
    auto* refreshRow = new QHBoxLayout;
    refreshRow->addWidget(btnRefreshThumbs);
    refreshRow->addStretch(1);
    body->addLayout(refreshRow);
    body->addWidget(Rule(this));
    body->addWidget(chkUpdateBar);
    body->addWidget(chkResizeFull);
    body->addWidget(Rule(this));
    body->addWidget(lblEditor);
    auto* editorRow = new QHBoxLayout;
    editorRow->addWidget(edtEditor, 1);
    editorRow->addWidget(btnBrowse);
    body->addLayout(editorRow);
    body->addWidget(Rule(this));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnPrinting);
    buttons->addWidget(btnIcons);
    buttons->addWidget(btnSearchOpts);
    buttons->addStretch(1);
    buttons->addWidget(btnHelp);
    buttons->addWidget(btnOK);
    body->addSpacing(4);
    body->addLayout(buttons);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(DialogHeader(this, "Preferences"));
    outer->addWidget(Rule(this));
    outer->addLayout(body);

    connect(chkSaveThumbs, &QCheckBox::clicked, this, [this] { chkSaveThumbsClick(); });
    connect(chkUpdateBar, &QCheckBox::clicked, this, [this] { chkUpdateBarClick(); });
    connect(btnBrowse, &QToolButton::clicked, this, [this] { btnBrowseClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnRefreshThumbs, &QPushButton::clicked, this, &TfrmPrefs2::RefreshThumbnailsClicked);
    connect(btnPrinting, &QPushButton::clicked, this, &TfrmPrefs2::PrintingClicked);
    connect(btnIcons, &QPushButton::clicked, this, &TfrmPrefs2::IconsClicked);
    connect(btnSearchOpts, &QPushButton::clicked, this, &TfrmPrefs2::SearchOptionsClicked);
    connect(btnHelp, &QPushButton::clicked, this, &TfrmPrefs2::HelpClicked);

    // A fixed-size dialog: as large as its contents ask for, no larger or smaller.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    // The thumbnail options are also written elsewhere (the one-time question when an album is
    // first opened); the check boxes show what is stored, so "OK" never writes back a stale
    // choice.
    listener_ = settings_.AddWriteListener([this](const std::string& section, const std::string& key) {
        const auto is = [](const std::string& a, const char* b) {
            return QString::fromStdString(a).compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
        };
        if (!is(section, kSection)) return;
        if (is(key, "saveThumbs")) {
            const bool on = settings_.ReadInteger(kSection, "saveThumbs", 0) == 2;
            chkSaveThumbs->setChecked(on);
            chkCompress->setEnabled(on);
        } else if (is(key, "compressThumbs")) {
            chkCompress->setChecked(settings_.ReadBool(kSection, "compressThumbs", false));
        }
    });
}

TfrmPrefs2::~TfrmPrefs2() { settings_.RemoveWriteListener(listener_); }

void TfrmPrefs2::LoadUpdateBar(bool checked) {
    chkUpdateBar->setChecked(checked);
    if (checked) chkUpdateBarClick();
}

void TfrmPrefs2::LoadSaveThumbs(bool checked) {
    chkSaveThumbs->setChecked(checked);
    if (checked) chkSaveThumbsClick();
}

void TfrmPrefs2::LoadCompressThumbs(bool checked) {
    chkCompress->setChecked(checked);
    chkCompress->setEnabled(chkSaveThumbs->isChecked());
}

void TfrmPrefs2::LoadResizeFull(bool checked) { chkResizeFull->setChecked(checked); }

void TfrmPrefs2::SetImageEditor(const std::string& path) {
    // The stored default names a Windows program that is never started here: the box shows it
    // as what it means, the desktop's default editor.
    edtEditor->setText(viewer::IsDefaultEditorSetting(path) ? QString() : FromBytes(path));
}

bool TfrmPrefs2::SaveThumbs() const { return chkSaveThumbs->isChecked(); }
bool TfrmPrefs2::CompressThumbs() const { return chkCompress->isChecked(); }
bool TfrmPrefs2::UpdateBar() const { return chkUpdateBar->isChecked(); }
bool TfrmPrefs2::ResizeFull() const { return chkResizeFull->isChecked(); }
std::string TfrmPrefs2::ImageEditor() const { return ToBytes(edtEditor->text()); }

void TfrmPrefs2::chkSaveThumbsClick() {
    // Switching the cache either way starts compression over: the user chooses it again.
    chkCompress->setChecked(false);
    chkCompress->setEnabled(chkSaveThumbs->isChecked());
    if (chkSaveThumbs->isChecked()) {
        settings_.WriteInteger(kSection, "saveThumbs", 2);
        return;
    }
    settings_.WriteInteger(kSection, "saveThumbs", 1);
    emit SaveThumbsCleared();
}

void TfrmPrefs2::chkUpdateBarClick() {
    settings_.WriteBool(kSection, "UpdateBar", chkUpdateBar->isChecked());
    emit UpdateBarChanged(chkUpdateBar->isChecked());
}

void TfrmPrefs2::btnBrowseClick() {
    // Start in the current editor's folder; where that is no folder here (the default names a
    // Windows program), in the folder that holds the installed programs.
    QFileInfo current(edtEditor->text());
    QString start = current.absolutePath();
    if (edtEditor->text().trimmed().isEmpty() || !current.isAbsolute() || !QFileInfo(start).isDir())
        start = "/usr/bin";
    std::string chosen = messages_.OpenFileName("Image editor", ToBytes(start), "All files (*)");
    if (!chosen.empty()) edtEditor->setText(FromBytes(chosen));
}

void TfrmPrefs2::btnOKClick() {
    settings_.WriteBool(kSection, "compressThumbs", chkCompress->isChecked());
    settings_.WriteString(kSection, "ImageEditor", ImageEditor());
    settings_.WriteBool(kSection, "resizeFull", chkResizeFull->isChecked());
    accept();
}
