// The main window's viewer: the photo of the selected row of the photo list or of the import
// bar's list, drawn fitted or zoomed in the photo area, with its title, credit, date and notes.
// The viewer model decides what is shown and which commands are on; this file shows it.

#include "frmMainU.h"
#include "TWheelZoom.h"

#include "TDialogParts.h"
#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSignalBlocker>

#include <algorithm>

#include "THints.h"
#include "TPhotoList.h"
#include "TPhotoView.h"
#include "TViewerModel.h"
#include "frmPrefs2U.h"

using viewer::TSelectResult;
using viewer::TViewerCommand;
using viewer::TViewerModel;

namespace {

QRect ToQRect(const viewer::TRect& r) { return QRect(r.left, r.top, r.width, r.height); }

int WidgetExtent(int n) { return std::clamp(n, 0, QWIDGETSIZE_MAX); }

// Runs a function whenever the watched widget changes size.
class TResizeWatcher : public QObject {
public:
    TResizeWatcher(QWidget* watched, std::function<void()> onResize)
        : QObject(watched), onResize_(std::move(onResize)) {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == parent() && e->type() == QEvent::Resize) onResize_();
        return false;
    }

private:
    std::function<void()> onResize_;
};

}  // namespace

// ---- Building and wiring ----

void TfrmMain::BuildPhotoView() {
    // The scroll box's content is as large as the visible area, or as the zoomed picture where
    // that is larger (the scroll bars then appear); imageBox sits in it where the model puts it.
    imageCanvas_ = new QWidget;
    imageCanvas_->setObjectName("imageCanvas");
    imageCanvas_->setAccessibleName("Photo");
    Image1 = new TPhotoView(imageCanvas_);
    Image1->setObjectName("Image1");
    Image1->setAccessibleName("Photo");
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setWidget(imageCanvas_);
    new TResizeWatcher(ScrollBox1->viewport(), [this] { ScrollBox1Resize(); });
    new TWheelZoom(ScrollBox1->viewport(), Command("ZoomIn"), Command("ZoomOut"));
}

void TfrmMain::ConnectViewer() {
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this] { ListBox1Click(); });
    const std::pair<const char*, void (TfrmMain::*)()> commands[] = {
        {"ZoomIn", &TfrmMain::ZoomInExecute},   {"ZoomOut", &TfrmMain::ZoomOutExecute},
        {"ShowAll", &TfrmMain::ShowAllExecute}, {"ToFit", &TfrmMain::ToFitExecute},
        {"First", &TfrmMain::FirstExecute},     {"Previous", &TfrmMain::PreviousExecute},
        {"Next", &TfrmMain::NextExecute},       {"Last", &TfrmMain::LastExecute},
    };
    for (const auto& [name, handler] : commands)
        connect(Command(name), &QAction::triggered, this, [this, handler] { (this->*handler)(); });
}

// ---- What the model holds, on screen ----

void TfrmMain::PlaceImageBox() {
    const TViewerModel& m = *viewerModel_;
    const bool zoom = m.State().mode == viewer::TViewMode::Zoom;
    const viewer::TRect box = m.ImageBoxRect();
    // In zoom mode the content holds the whole zoomed picture; in fit mode it follows the area.
    imageCanvas_->setMinimumSize(zoom ? WidgetExtent(box.left + box.width) : 0,
                                 zoom ? WidgetExtent(box.top + box.height) : 0);
    Image1->setGeometry(ToQRect(box));
    Image1->SetPicture(m.Picture(), ToQRect(m.PictureRect()));
}

void TfrmMain::ShowViewer() {
    TViewerModel& m = *viewerModel_;
    lblTitle->setText(FromBytes(m.TitleBarText()));
    lblCredit->setText(FromBytes(m.CreditText()));
    lblDate->setText(FromBytes(m.DateText()));
    DetailsPanelResize();  // the labels take their texts' widths
    Memo1->setVisible(m.NotesVisible());
    PlaceImageBox();
    for (const viewer::TCommandChange& c : m.TakeChanges())
        if (QAction* a = Command(QString::fromLatin1(viewer::ViewerCommandName(c.command))))
            a->setEnabled(c.enabled);
}

void TfrmMain::ScrollBox1Resize() {
    const QSize s = ScrollBox1->viewport()->size();
    viewerModel_->ScrollBox1Resize(s.width(), s.height());
    PlaceImageBox();
}

void TfrmMain::FitAreaToScrollBox() {
    // A selection starts in fit mode, where the picture never needs scroll bars: its area is
    // the whole scroll box, even while the bars of a zoomed picture are still showing.
    const QSize s = ScrollBox1->contentsRect().size();
    viewerModel_->ScrollBox1Resize(s.width(), s.height());
}

int TfrmMain::PhotoRowCount() const {
    // While the album is being read the list shows only its waiting rows.
    if (refreshing_ || !albumView_) return 0;
    return std::min(albumView_->RowCount(), ListBox1->count());
}

std::string TfrmMain::ImageEditorText() const { return prefs_ ? prefs_->ImageEditor() : std::string(); }

// ---- Selections ----

int TfrmMain::SelectedRow() const {
    const int row = ListBox1->currentRow();
    if (row < 0 || !ListBox1->item(row)->isSelected()) return -1;
    return row;
}

void TfrmMain::SelectRow(int row) {
    {
        const QSignalBlocker block(ListBox1);
        ListBox1->setCurrentRow(row);
    }
    ListBox1Click();
}

void TfrmMain::ListBox1Click() {
    // The list is also refilled while the window is being built, before the catalog exists.
    if (refreshing_ || !catalog_ || !albumView_) return;
    const int row = SelectedRow();
    FitAreaToScrollBox();
    const TSelectResult result = viewerModel_->ListBox1Click(row, PhotoRowCount(), catalog_->AlbumTable(),
                                                             catalog_->CatalogTable(), ImageEditorText());
    if (result == TSelectResult::NoRow) {
        ScrollBox1Resize();  // back to the visible size
        return;
    }
    ListBox1->viewport()->update();
    if (result == TSelectResult::Shown || result == TSelectResult::LoadFailed) {
        // Filling the notes is not an edit: the notes' own handlers do not see it.
        const QSignalBlocker block(Memo1);
        Memo1->setPlainText(FromBytes(viewerModel_->NotesText()));
    }
    ShowViewer();
    switch (result) {
        case TSelectResult::Shown:
            if (QAction* launcher = findChild<QAction*>("TaskLauncher")) launcher->setChecked(false);
            hints_->ShowFirstUseHint(hint::kFirstTimeOpenPhoto, hint::kTextOpenPhoto, hint::kCtlAlbumShareButton);
            emit PhotoShown(row);
            break;
        case TSelectResult::LoadFailed:
            // The texts and the notes shown are this row's photo's: the editors follow them, so
            // an edit can never reach the photo shown before.
            EditorsFollowRow(row);
            break;
        case TSelectResult::MissingFile:
            RemoveFromColExecute();
            break;
        default:
            break;
    }
}

void TfrmMain::ListBox2Click(int row, const std::string& folder, const std::vector<std::string>& fileNames) {
    FitAreaToScrollBox();
    const TSelectResult result = viewerModel_->ListBox2Click(row, folder, fileNames, ImageEditorText());
    if (result == TSelectResult::NoRow) {
        ScrollBox1Resize();
        return;
    }
    ShowViewer();
    if (result == TSelectResult::Shown) {
        if (QAction* launcher = findChild<QAction*>("TaskLauncher")) launcher->setChecked(false);
        emit ImportPhotoShown(row);
    }
}

void TfrmMain::ClearViewer() {
    viewerModel_->Clear(PhotoRowCount());
    {
        const QSignalBlocker block(Memo1);
        Memo1->clear();
    }
    ScrollBox1Resize();
    ShowViewer();
    emit ViewerCleared();
}

// ---- Commands ----

void TfrmMain::ZoomInExecute() {
    viewerModel_->ZoomInExecute();
    ShowViewer();
}

void TfrmMain::ZoomOutExecute() {
    viewerModel_->ZoomOutExecute();
    ShowViewer();
}

void TfrmMain::ShowAllExecute() {
    viewerModel_->ShowAllExecute();
    ShowViewer();
}

void TfrmMain::ToFitExecute() {
    viewerModel_->ToFitExecute();
    ShowViewer();
}

void TfrmMain::FirstExecute() { Navigate(TViewerCommand::First); }
void TfrmMain::PreviousExecute() { Navigate(TViewerCommand::Previous); }
void TfrmMain::NextExecute() { Navigate(TViewerCommand::Next); }
void TfrmMain::LastExecute() { Navigate(TViewerCommand::Last); }

void TfrmMain::Navigate(TViewerCommand command) {
    // A row outside the list (Previous with no row selected after the list was rebuilt, say)
    // selects nothing.
    if (viewerModel_->State().source == viewer::TViewSource::ImportList) {
        if (!selectImportRow || !importRowCount) return;
        const int current = importCurrentRow ? importCurrentRow() : -1;
        if (const auto row = TViewerModel::NavigationRow(command, current, importRowCount())) selectImportRow(*row);
        return;
    }
    if (const auto row = TViewerModel::NavigationRow(command, SelectedRow(), PhotoRowCount())) SelectRow(*row);
}
