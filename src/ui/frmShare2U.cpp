#include "frmShare2U.h"

#include "TAlbumView.h"
#include "TCatalog.h"
#include "TDialogParts.h"
#include "THelp.h"
#include "THints.h"
#include "TMessages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char* const kIntro =
    "You can share this album with friends and family down the road or across the globe. To share the album, "
    "follow the instructions below.";
const char* const kExplainPackage =
    "Save as a Lumavell Shared Album file. Everything, including notes, photographer as well as the photos are put "
    "into a single file. To use the file, the person you send it to must have Lumavell - a free download from my site.";
const char* const kExplainZip =
    "Put the photos into a Zip archive. The person you send it to requires a program such as WinZip or PowerArchiver "
    "to use it.";
const char* const kPickSpot = "Pick a spot where you would like to save this shared album.";
const char* const kFileExists = "This file exists! It will be overwritten.";
const char* const kDoingNothing = "Doing nothing";

// "Description|*.ext" as Qt writes a filter: "Description (*.ext)".
QString QtFilter(const std::string& filter) {
    const std::size_t bar = filter.find('|');
    if (bar == std::string::npos) return FromBytes(filter);
    return FromBytes(filter.substr(0, bar)) + " (" + FromBytes(filter.substr(bar + 1)) + ")";
}

// The dialog keeps one width; wrapped texts get that width so their height follows from it.
constexpr int kTextWidth = 410;

QLabel* WrappedLabel(const QString& text, QWidget* parent, const char* objectName = nullptr) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    l->setFixedWidth(kTextWidth);
    if (objectName) l->setObjectName(objectName);
    l->setAccessibleName(text);
    return l;
}

// The export's messages, shown with the normal cursor over the busy one.
class TArrowMessages : public TMessages {
public:
    explicit TArrowMessages(TMessages& inner) : inner_(inner) {}
    TMsgResult Show(const std::string& caption, const std::string& text, TMsgIcon icon, TMsgButtons buttons) override {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        TMsgResult r = inner_.Show(caption, text, icon, buttons);
        QApplication::restoreOverrideCursor();
        return r;
    }
    std::string OpenFileName(const std::string& c, const std::string& s, const std::string& f) override {
        return inner_.OpenFileName(c, s, f);
    }
    std::string SaveFileName(const std::string& c, const std::string& s, const std::string& f) override {
        return inner_.SaveFileName(c, s, f);
    }
    std::string BrowseFolder(const std::string& c, const std::string& s) override { return inner_.BrowseFolder(c, s); }

private:
    TMessages& inner_;
};

}  // namespace

TfrmShare2::TfrmShare2(TCatalog& catalog, TAlbumView& view, THelp& help, THints& hints, TMessages& messages,
                       QWidget* parent)
    : QDialog(parent),
      catalog_(catalog),
      view_(view),
      help_(help),
      hints_(hints),
      messages_(messages),
      workFolder_(sharing::DefaultWorkFolder()) {
    setObjectName("frmShare2");
    setWindowTitle("Share");
    setAccessibleName("Share");

    // Title band: the introduction at the left, the heading at the right.
    QWidget* band = DialogHeader(this, "Share");
    band->setFixedHeight(64);
    auto* intro = WrappedLabel(kIntro, band, "lblIntro");
    intro->setFixedWidth(320);
    static_cast<QHBoxLayout*>(band->layout())->insertWidget(0, intro);

    // Step one.
    grpMethod = new QGroupBox("Step One: How do you want to share this album?", this);
    grpMethod->setObjectName("grpMethod");
    comboType = new QComboBox(grpMethod);
    comboType->setObjectName("comboType");
    comboType->addItem("Exactly as it is");
    comboType->addItem("Just the photos");
    comboType->setCurrentIndex(-1);
    comboType->setAccessibleName("How do you want to share this album?");
    comboType->setToolTip("Pick a method to share this album with.");
    lblExplainType = WrappedLabel("Choose a method above.", grpMethod, "lblExplainType");
    // Room for the longer explanation, so the dialog does not change size with the choice.
    {
        QLabel probe(kExplainPackage);
        probe.setWordWrap(true);
        probe.setFont(lblExplainType->font());
        lblExplainType->setFixedHeight(probe.heightForWidth(kTextWidth));
    }
    lblExplainType->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* one = new QVBoxLayout(grpMethod);
    one->addWidget(WrappedLabel("Pick a method to share this album with from the drop-down box below.", grpMethod));
    one->addWidget(comboType);
    one->addWidget(lblExplainType);

    // Step two.
    grpTarget = new QGroupBox("Step Two: Where do you want to put this shared album?", this);
    grpTarget->setObjectName("grpTarget");
    Label3 = WrappedLabel(kPickSpot, grpTarget, "Label3");
    fileName = new QLineEdit(grpTarget);
    fileName->setObjectName("fileName");
    fileName->setAccessibleName("Where do you want to put this shared album?");
    fileName->setToolTip("The file the shared album is saved as.");
    btnBrowse = new QToolButton(grpTarget);
    btnBrowse->setObjectName("btnBrowse");
    btnBrowse->setText("...");
    btnBrowse->setAccessibleName("Browse");
    btnBrowse->setToolTip("Choose where to save the shared album.");
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileName, 1);
    fileRow->addWidget(btnBrowse);
    auto* two = new QVBoxLayout(grpTarget);
    two->addWidget(Label3);
    two->addLayout(fileRow);

    // Step three.
    grpPhotos = new QGroupBox("Step Three: What do you want done to the photos?", this);
    grpPhotos->setObjectName("grpPhotos");
    auto radio = [&](const char* name, const char* text) {
        auto* r = new QRadioButton(text, grpPhotos);
        r->setObjectName(name);
        r->setAccessibleName(text);
        return r;
    };
    radNo = radio("radNo", "No, don't shrink the photos");
    radHalf = radio("radHalf", "Make photos half of the original size");
    radThird = radio("radThird", "Make photos a third of the original size");
    radQuarter = radio("radQuarter", "Make photos quarter of the original size");
    radNo->setChecked(true);
    auto* three = new QVBoxLayout(grpPhotos);
    three->addWidget(WrappedLabel(
        "If your photos are large, it is suggested that you shrink the photos to make its size smaller and you are "
        "going to share it via e-mail or the internet. Lumavell will not shrink photos that are smaller than 640x480.",
        grpPhotos));
    for (QRadioButton* r : {radNo, radHalf, radThird, radQuarter}) three->addWidget(r);

    // Status and buttons.
    auto* currently = new QLabel("Currently:", this);
    lblDoing = new QLabel(kDoingNothing, this);
    lblDoing->setObjectName("lblDoing");
    lblDoing->setAccessibleName("Currently");
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setAccessibleName("Progress");
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    btnHelp = DialogButton(this, "btnHelp", "Help");
    btnBegin = DialogButton(this, "btnBegin", "Begin", true);
    btnBegin->setEnabled(false);
    btnCancel = DialogButton(this, "btnCancel", "Cancel");

    auto* status = new QHBoxLayout;
    status->addWidget(currently);
    status->addSpacing(4);
    status->addWidget(lblDoing, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnHelp);
    buttons->addStretch(1);
    buttons->addWidget(btnBegin);
    buttons->addWidget(btnCancel);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 10, 12, 12);
    body->addWidget(grpMethod);
    body->addWidget(grpTarget);
    body->addWidget(grpPhotos);
    body->addLayout(status);
    body->addWidget(ProgressBar1);
    body->addSpacing(4);
    body->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(band);
    outer->addLayout(body);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(comboType, &QComboBox::activated, this, [this] { comboTypeChange(); });
    connect(fileName, &QLineEdit::textChanged, this, [this] { fileNameChange(); });
    connect(btnBrowse, &QToolButton::clicked, this, [this] { fileNameBrowse(); });
    connect(btnBegin, &QPushButton::clicked, this, [this] { startSharing(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this,
            [this] { help_.ShowHelpTopic(static_cast<QWidget*>(this), helptopic::kSharing); });
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
}

void TfrmShare2::SetWorkFolder(const std::string& folder) { workFolder_ = folder; }

sharing::TShareMethod TfrmShare2::Method() const {
    return comboType->currentIndex() == 1 ? sharing::TShareMethod::Zip : sharing::TShareMethod::Package;
}

sharing::TShrink TfrmShare2::Shrink() const {
    if (radHalf->isChecked()) return sharing::TShrink::Half;
    if (radThird->isChecked()) return sharing::TShrink::Third;
    if (radQuarter->isChecked()) return sharing::TShrink::Quarter;
    return sharing::TShrink::None;
}

void TfrmShare2::comboTypeChange() {
    if (comboType->currentIndex() < 0) return;
    const bool package = Method() == sharing::TShareMethod::Package;
    lblExplainType->setText(package ? kExplainPackage : kExplainZip);
    btnBegin->setEnabled(true);
    fileName->setText(FromBytes(catalog_.DocumentsFolder() + "/" + view_.OpenAlbumName() + (package ? ".xal" : ".zip")));
    filter_ = package ? "Lumavell2 Shared Album|*.xal" : "Zip File|*.zip";
}

void TfrmShare2::fileNameChange() {
    const bool exists = QFileInfo(fileName->text()).isFile();
    Label3->setText(exists ? kFileExists : kPickSpot);
    Label3->setAccessibleName(Label3->text());
}

void TfrmShare2::fileNameBrowse() {
    const std::string chosen = messages_.SaveFileName("Save As", ToBytes(fileName->text()), ToBytes(QtFilter(filter_)));
    if (!chosen.empty()) fileName->setText(FromBytes(chosen));
}

void TfrmShare2::SetExporting(bool on) {
    exporting_ = on;
    for (QWidget* w : std::initializer_list<QWidget*>{grpMethod, grpTarget, grpPhotos, btnHelp, btnBegin, btnCancel})
        w->setEnabled(!on);
    if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

void TfrmShare2::startSharing() {
    if (exporting_ || comboType->currentIndex() < 0) return;
    const sharing::TShareAlbum album = sharing::CollectAlbum(catalog_, view_);
    SetExporting(true);
    TArrowMessages messages(messages_);
    sharing::TAlbumExport exporter(messages, workFolder_);
    exporter.SetObserver(this);
    const bool ok = exporter.StartSharing(album, Method(), ToBytes(fileName->text()), Shrink());
    SetExporting(false);
    // The target now exists (or still does): the warning follows the disk, not the typing.
    fileNameChange();
    lblDoing->setText(kDoingNothing);
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    if (ok) accept();
}

void TfrmShare2::OnStatus(const std::string& text) {
    lblDoing->setText(FromBytes(text));
    lblDoing->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmShare2::OnProgress(int position, int maximum) {
    ProgressBar1->setRange(0, std::max(1, maximum));
    ProgressBar1->setValue(std::min(position, std::max(1, maximum)));
    ProgressBar1->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmShare2::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (e->spontaneous()) return;
    // A file of that name may have been made or removed since the name was typed.
    fileNameChange();
    hints_.AutoHelpOnFirstShow(hint::kFirstHelpShareAlbum, helptopic::kSharing, static_cast<QWidget*>(this));
}

void TfrmShare2::closeEvent(QCloseEvent* e) {
    // No closing while an export runs ("Help" is enabled exactly when none runs).
    if (!btnHelp->isEnabled()) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

void TfrmShare2::done(int result) {
    if (!btnHelp->isEnabled()) return;  // Escape while exporting
    help_.CloseAllHelp();
    QDialog::done(result);
}
