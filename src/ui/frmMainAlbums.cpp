// The main window's album commands: New Album, Remove Album, Remove From Album, Add To Album,
// and the icon list dialog. The work on the catalog files is TAlbumManager's; here the dialogs
// are shown and the album box, the photo list and the viewer follow what it did.

#include "frmMainU.h"

#include "TAlbumManager.h"
#include "TMessages.h"
#include "TPhotoList.h"
#include "TViewerModel.h"
#include "frmAddtoColU.h"
#include "frmIconsU.h"
#include "frmNewColU.h"

#include <QAction>
#include <QComboBox>

void TfrmMain::ConnectAlbumCommands() {
    frmIcons_ = new TfrmIcons(*catalog_, *help_, this);
    frmNewCol_ = new TfrmNewCol(*catalog_, *help_, *hints_, this);
    frmNewCol_->SetIconList(frmIcons_);
    frmAddtoCol_ = new TfrmAddtoCol(*catalog_, *help_, this);

    connect(Command("NewCol"), &QAction::triggered, this, [this] { NewColExecute(); });
    connect(Command("RemoveCol"), &QAction::triggered, this, [this] { RemoveColExecute(); });
    connect(Command("RemoveFromCol"), &QAction::triggered, this, [this] { RemoveFromColExecute(); });
    connect(Command("AddToCollection"), &QAction::triggered, this, [this] { AddToCollectionExecute(); });
}

void TfrmMain::NewColExecute() {
    if (frmNewCol_->exec() != QDialog::Accepted) return;
    const int line = TAlbumManager(*catalog_).AddNewAlbum(frmNewCol_->AlbumName(), frmNewCol_->IconIndex());
    LoadAlbumBox();
    ComboBox1Change(line);
}

void TfrmMain::RemoveColExecute() {
    const int line = ComboBox1->currentIndex();
    const std::vector<std::string>& list = catalog_->AlbumList();
    // Only the album on screen is removed, and never the search results.
    if (line < 0 || size_t(line) >= list.size() || searchMode_ ||
        TCatalog::AlbumEntryName(list[size_t(line)]) != albumView_->OpenAlbumName())
        return;
    const TAlbumRemoved removed = TAlbumManager(*catalog_).RemoveAlbum(line);
    if (!removed.removed) return;

    LoadAlbumBox();
    // The album table is empty now: refreshing it clears the photo list and the album view.
    RefreshList();
    ClearViewer();
    if (removed.openLine >= 0) {
        ComboBox1Change(removed.openLine);
        return;
    }
    // No album is left to open.
    for (const char* c : {"RemoveCol", "Share", "SlideShow", "First", "Last", "Previous", "Next"})
        Command(c)->setEnabled(false);
}

void TfrmMain::RemoveFromColExecute() {
    const int row = SelectedRow();
    const TPhotoRemoved removed = TAlbumManager(*catalog_).RemoveFromAlbum(albumView_->OpenAlbumName(), row);
    if (!removed.removed) return;
    if (removed.refreshList) RefreshList();
    if (removed.selectRow >= 0 && removed.selectRow < ListBox1->count())
        SelectRow(removed.selectRow);
    else
        ClearViewer();
}

void TfrmMain::AddToCollectionExecute() {
    // Only a photo of the open album can join another album: a picture previewed from the import
    // bar is not in the catalog yet (it is filed with "Add To >>").
    const int row = SelectedRow();
    TMlb2& album = catalog_->AlbumTable();
    const bool fromPhotoList = viewerModel_->State().source == viewer::TViewSource::PhotoList;
    if (!fromPhotoList || row < 0 || !album.GoTo(row + 1)) {
        ShowOk(messages_, "Add To Album", "Select a photo of the open album to add it to another album.",
               TMsgIcon::Information);
        return;
    }
    const std::string id = album.GetValue("ImgID");
    if (frmAddtoCol_->exec() != QDialog::Accepted) return;
    const TPhotoCopied copied =
        TAlbumManager(*catalog_).AddToAlbum(frmAddtoCol_->ChosenLine(), id, albumView_->OpenAlbumName());
    if (!copied.reloadedOpenAlbum) return;
    // The open album was written to and its table read again: the photo list shows the new row,
    // and the same photo stays selected (the refresh moves the catalog's current record).
    RefreshList();
    if (row < ListBox1->count()) SelectRow(row);
}

void TfrmMain::IconsExecute() { frmIcons_->exec(); }
