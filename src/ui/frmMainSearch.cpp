// The main window's search: the Search command, the search pane above the photo list (terms
// field, "Search", "Options"), the result opened as the reserved album "Search Results" and the
// four text rows of a search that found nothing.

#include "frmMainU.h"

#include "TDialogParts.h"
#include "THints.h"
#include "TPhotoList.h"
#include "frmSearchOptsU.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>
#include <QListWidgetItem>
#include <QPushButton>

namespace {

// Shows the pane's buttons as the search sets them while it runs.
class TSearchPaneButtons : public TSearchObserver {
public:
    TSearchPaneButtons(const TSearch& search, std::vector<QPushButton*> buttons)
        : search_(search), buttons_(std::move(buttons)) {}
    void OnSearchStarted() override {
        buttons_.front()->setText(FromBytes(search_.SearchButtonCaption()));
        for (QPushButton* b : buttons_) {
            b->setEnabled(search_.ButtonsEnabled());
            b->repaint();
        }
    }

private:
    const TSearch& search_;
    std::vector<QPushButton*> buttons_;
};

}  // namespace

void TfrmMain::SearchExecute() {
    // The reserved album is the album box's last line.
    const int line = ComboBox1->count() - 1;
    if (line < 0 || refreshing_) return;
    ComboBox1Change(line);
    if (closed_) return;
    QCursor::setPos(Edit1->mapToGlobal(Edit1->rect().center()));
}

void TfrmMain::Edit1Enter() {
    const std::string text = ToBytes(Edit1->text());
    const std::string entered = TSearch::TermsFieldEnter(text);
    if (entered != text) Edit1->setText(FromBytes(entered));
}

void TfrmMain::btnSearchOptionsClick() { frmSearchOpts_->exec(); }

void TfrmMain::btnSearchClick() {
    if (refreshing_) return;
    if (!searchPane_) {
        searchPane_ = std::make_unique<TSearchPaneButtons>(
            *search_, std::vector<QPushButton*>{btnSearch, btnSearchOptions, btnSearchHelp});
        search_->SetObserver(searchPane_.get());
    }
    search_->SetOptions(searchOptions_.get());  // a field chosen for this search only
    const TSearch::TOutcome outcome = search_->SearchClick(ToBytes(Edit1->text()));
    SearchResultOpened(outcome.refresh);
    btnSearch->setText(FromBytes(search_->SearchButtonCaption()));
    for (QPushButton* b : {btnSearch, btnSearchOptions, btnSearchHelp}) b->setEnabled(search_->ButtonsEnabled());
    if (closed_) return;

    // The rows of an empty result are text, not photos: they cannot be selected, so a click on
    // them shows nothing. A list left with the waiting rows of a stopped refresh keeps them.
    if (ListBox1->count() == 0)
        for (const std::string& text : search_->TextRows()) {
            auto* item = new QListWidgetItem(FromBytes(text));
            item->setFlags(Qt::NoItemFlags);
            ListBox1->addItem(item);
        }
}

// The search opened the reserved album itself (its list is built); the window follows as for
// any album opened from the album box.
void TfrmMain::SearchResultOpened(TRefreshResult result) {
    if (result == TRefreshResult::MustClose) {
        close();
        return;
    }
    const int line = ComboBox1->count() - 1;
    if (ComboBox1->currentIndex() != line) {
        const QSignalBlocker block(ComboBox1);
        ComboBox1->setCurrentIndex(line);
    }
    if (!searchMode_) SetSearchMode(true);
    Command("First")->setEnabled(true);
    Command("Last")->setEnabled(true);
    Command("Previous")->setEnabled(false);
    Command("Next")->setEnabled(false);
    Command("SlideShow")->setEnabled(true);
    Command("RemoveCol")->setEnabled(false);
    Command("Share")->setEnabled(false);
    Command("RemoveFromCol")->setEnabled(false);
    hints_->ShowFirstUseHint(hint::kFirstTimeOpenAlbum, hint::kTextOpenAlbum, hint::kCtlAlbumImportButton);
    searchOpening_ = true;
    emit AlbumOpened();
    searchOpening_ = false;
}
