// The main window's photo properties and notes: the Image Properties command (also run by a
// click on the title bar or the credit value), the notes box writing the catalog at every edit
// and when it loses the focus, and the wiring of both editors and of the search to the window.

#include "frmMainU.h"

#include "TDialogParts.h"
#include "THelp.h"
#include "frmPropertiesU.h"
#include "frmSearchOptsU.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

#include <functional>

namespace {

// Reports a widget getting or losing the keyboard focus. The window owns it (not the widget), so
// it can go before the window's editors do.
class TFocusEvents : public QObject {
public:
    TFocusEvents(QWidget* watched, std::function<void()> in, std::function<void()> out)
        : in_(std::move(in)), out_(std::move(out)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::FocusIn && in_) in_();
        else if (e->type() == QEvent::FocusOut && out_) out_();
        return QObject::eventFilter(o, e);
    }

private:
    std::function<void()> in_, out_;
};

// A text set by the program (setPlainText, clear) empties the undo history; every edit of the
// user leaves a step to undo or, after undoing, to redo.
bool SetByProgram(const QPlainTextEdit* box) {
    const QTextDocument* d = box->document();
    return d->availableUndoSteps() == 0 && d->availableRedoSteps() == 0;
}

}  // namespace

void TfrmMain::ConnectNotesAndSearch() {
    photoProperties_ = std::make_unique<TPhotoProperties>(*catalog_);
    search_ = std::make_unique<TSearch>(*catalog_, *albumView_);
    searchOptions_ = std::make_unique<TSearchOptions>(settings_);
    frmProperties_ = new TfrmProperties(this);
    frmSearchOpts_ = new TfrmSearchOpts(*searchOptions_, this);
    connect(frmProperties_, &TfrmProperties::HelpClicked, this,
            [this] { help_->ShowHelpTopic(static_cast<QWidget*>(frmProperties_), helptopic::kProperties); });
    connect(frmSearchOpts_, &TfrmSearchOpts::HelpClicked, this,
            [this] { help_->ShowHelpTopic(static_cast<QWidget*>(frmSearchOpts_), helptopic::kSearchOptions); });

    connect(Command("ImgProperties"), &QAction::triggered, this, [this] { ImgPropertiesExecute(); });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { Memo1Change(); });
    focusWatchers_.push_back(std::make_unique<TFocusEvents>(Memo1, nullptr, [this] { Memo1Exit(); }));

    // The viewer reports which photo the pane shows; the editors follow it.
    connect(this, &TfrmMain::PhotoShown, this, [this](int row) { EditorsFollowRow(row); });
    auto noAlbumPhoto = [this] {
        notesRefilled_ = false;
        photoProperties_->NoPhotoShown();
        Command("ImgProperties")->setEnabled(false);
    };
    connect(this, &TfrmMain::ImportPhotoShown, this, noAlbumPhoto);
    connect(this, &TfrmMain::ViewerCleared, this, noAlbumPhoto);

    connect(Command("Search"), &QAction::triggered, this, [this] { SearchExecute(); });
    connect(btnSearch, &QPushButton::clicked, this, [this] { btnSearchClick(); });
    connect(btnSearchOptions, &QPushButton::clicked, this, [this] { btnSearchOptionsClick(); });
    focusWatchers_.push_back(std::make_unique<TFocusEvents>(Edit1, [this] { Edit1Enter(); }, nullptr));
    connect(this, &TfrmMain::AlbumOpened, this, [this] {
        if (!searchOpening_) search_->AlbumOpened();
    });
}

// ---- Image Properties ------------------------------------------------------------------------

void TfrmMain::EditorsFollowRow(int row) {
    notesRefilled_ = false;
    Command("ImgProperties")->setEnabled(photoProperties_->PhotoShown(row));
}

void TfrmMain::ImgPropertiesExecute() {
    // The clicks on the title bar and the credit value do nothing while the command is off.
    if (!Command("ImgProperties")->isEnabled()) return;
    const std::optional<TPhotoProperties::TFields> fields = photoProperties_->BeginProperties();
    if (!fields) return;
    frmProperties_->SetFields(*fields);
    if (frmProperties_->exec() != QDialog::Accepted) {
        photoProperties_->PropertiesCancel();
        return;
    }
    const TPhotoProperties::TOkResult result =
        photoProperties_->PropertiesOk(frmProperties_->Fields(), *albumView_, SelectedRow());
    lblTitle->setText(FromBytes(result.titleBar));
    lblCredit->setText(FromBytes(result.credit));
    DetailsPanelResize();
    if (result.refresh == TRefreshResult::MustClose) {
        close();
        return;
    }
    // The rebuilt list has no selection: the row shown before is selected and shown again.
    if (result.rowToSelect >= 0) SelectRow(result.rowToSelect);
}

// ---- Notes box -------------------------------------------------------------------------------

void TfrmMain::Memo1Change() {
    if (SetByProgram(Memo1)) {
        // The viewer filled the box for the photo it is about to report (or reported already).
        notesRefilled_ = true;
        return;
    }
    if (notesRefilled_) {
        // The box was filled after the shown photo was last reported: it holds the notes of the
        // photo list's selected row. Without an album photo on show nothing is written.
        if (photoProperties_->ShownId().empty()) return;
        photoProperties_->PhotoShown(SelectedRow());
        notesRefilled_ = false;
    }
    photoProperties_->NotesChanged(ToBytes(Memo1->toPlainText()));
}

void TfrmMain::Memo1Exit() {
    // A box the user has not edited since the viewer filled it holds nothing to store.
    if (notesRefilled_) return;
    photoProperties_->NotesExit(ToBytes(Memo1->toPlainText()));
}
