#include "TImportBar.h"

#include "TDialogParts.h"
#include "TCatalog.h"
#include "THelp.h"
#include "THints.h"
#include "TIcons.h"
#include "TMainLayout.h"
#include "TPanes.h"
#include "TPhotoList.h"
#include "TPlatform.h"
#include "frmMainU.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <filesystem>
#include <system_error>

using namespace folderimport;

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kIndent = 8;           // pixels per folder level in the folder list
constexpr int kDriveHeight = 22;
constexpr int kFolderListHeight = 97;
constexpr int kCloseSize = 17;
constexpr int kProgressRows = 50;    // a shorter folder is quick enough to need no progress bar
constexpr int kProgressHeight = 16;
constexpr int kToolButtonWidth = 23;
constexpr int kToolButtonHeight = 22;

// Paths stay bytes from the file system to ChangeFolder and back: a name that is not valid in
// the local encoding would not survive a trip through QString. Text is made only for showing.
QVariant PathData(const std::string& path) { return QByteArray(path.data(), qsizetype(path.size())); }
std::string PathOf(const QListWidgetItem* item) { return item->data(kPathRole).toByteArray().toStdString(); }
QString Shown(const std::string& path) { return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size()))); }

// The folder list draws each row indented by its depth below the root.
class TFolderRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem o(option);
        o.rect.setLeft(o.rect.left() + index.data(kLevelRole).toInt() * kIndent);
        QStyledItemDelegate::paint(p, o, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rwidth() += index.data(kLevelRole).toInt() * kIndent;
        return s;
    }
};

// Two photos with a plus: every photo of the folder.
QIcon AddAllIcon() {
    const QIcon one = icons::CommandIcon("AddToCollection");
    QIcon out;
    for (int size : {16, 24, 32}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        const int small = size * 3 / 4;
        p.drawPixmap(size - small, 0, one.pixmap(small, small));
        p.drawPixmap(0, size - small, one.pixmap(small, small));
        p.end();
        out.addPixmap(pm);
    }
    return out;
}

bool SameFolder(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

TImportBar::TImportBar(TfrmMain& main)
    : main_(main),
      platform_(std::make_unique<TLinuxPlatform>()),
      import_(std::make_unique<TFolderImport>(main.Catalog(), *platform_)) {
    BuildControls();
    BuildToolBar();
    FillDrives();
    // The folder list starts at the working directory; its thumbnails wait for a folder change.
    import_->ReadFolder(platform_->WorkingDirectory());
    if (!import_->CurrentFolder().empty())
        driveFolders_[VolumeOf(import_->CurrentFolder(), volumes_)] = import_->CurrentFolder();
    FillFolders();
    FillFiles();
    importFilesChange();

    connect(&main_, &TfrmMain::AlbumOpened, this, [this] {
        if (TCatalog::AlbumEntryName(AlbumLine()) == TCatalog::kSearchResultsAlbum)
            SetButtons(TFolderImport::SearchResultsOpened());
    });
    // The navigation commands step through this list while it is the source of the shown photo.
    main_.selectImportRow = [this](int row) { SelectRow(row); };
    main_.importRowCount = [this] { return RowCount(); };
    main_.importCurrentRow = [this] { return CurrentRow(); };
    main_.ImportBar()->installEventFilter(this);
    Layout();
}

TImportBar::~TImportBar() {
    main_.selectImportRow = nullptr;
    main_.importRowCount = nullptr;
    main_.importCurrentRow = nullptr;
}

// ---- Controls --------------------------------------------------------------------------------

void TImportBar::BuildControls() {
    QWidget* bar = main_.ImportBar();

    importDrives = new QComboBox(bar);
    importDrives->setObjectName("importDrives");
    importDrives->setAccessibleName("Drives");
    importDrives->setToolTip("Drives");
    importDrives->setFixedHeight(kDriveHeight);
    connect(importDrives, &QComboBox::activated, this, [this](int index) { importDrivesChange(index); });

    importFolders = new QListWidget(bar);
    importFolders->setObjectName("importFolders");
    importFolders->setAccessibleName("Folders");
    importFolders->setItemDelegate(new TFolderRowDelegate(importFolders));
    importFolders->setFixedHeight(kFolderListHeight);
    importFolders->setIconSize(QSize(16, 16));
    connect(importFolders, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ChangeFolder(PathOf(item)); });

    // The file list is the model the thumbnail list mirrors; it lies under it, never shown.
    importFiles = new QListWidget(bar);
    importFiles->setObjectName("importFiles");
    importFiles->setAccessibleName("Files");
    importFiles->hide();

    ListBox2 = new TPhotoList(bar);
    ListBox2->setObjectName("ListBox2");
    ListBox2->setAccessibleName("Photos in this folder");
    connect(ListBox2, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!quietSelection_ && row >= 0) ListBox2Click(row);
    });

    prgImport = new QProgressBar(bar);
    prgImport->setObjectName("prgImport");
    prgImport->setAccessibleName("Generating Thumbnails");
    prgImport->setTextVisible(false);
    prgImport->hide();

    QWidget* close = bar->findChild<QWidget*>("btnImportClose");
    if (close) QWidget::setTabOrder(close, importDrives);
    QWidget::setTabOrder(importDrives, importFolders);
    QWidget::setTabOrder(importFolders, importFiles);
    QWidget::setTabOrder(importFiles, ListBox2);
    QWidget::setTabOrder(ListBox2, main_.ImportDivider());
}

void TImportBar::BuildToolBar() {
    QToolBar* tb = main_.ImportToolBar();
    // Small buttons, so that all five fit the bar at its default width.
    tb->setContentsMargins(0, 0, 0, 0);
    auto add = [tb](QAction* a, const char* object) {
        tb->addAction(a);
        QWidget* b = tb->widgetForAction(a);
        b->setObjectName(object);
        b->setAccessibleName(a->text());
        b->setFixedSize(kToolButtonWidth, kToolButtonHeight);
    };
    actHelp = new QAction(icons::CommandIcon("Help"), "Help", tb);
    actHelp->setToolTip("Help");
    add(actHelp, "ToolButton24");
    tb->addSeparator();
    actBrowse = new QAction(tb->style()->standardIcon(QStyle::SP_DirOpenIcon), "Browse...", tb);
    actBrowse->setToolTip("Browse...");
    add(actBrowse, "ToolButton11");
    // The scanner command with the import bar's own hint; it follows the command's state.
    QAction* scan = main_.Command("ImportScan");
    actScan = new QAction(scan ? scan->icon() : QIcon(), scan ? scan->text() : "Import from Camera or Scanner", tb);
    actScan->setToolTip("Scan a photo or acquire it from a digital camera");
    add(actScan, "ToolButtonScan");
    if (scan) {
        actScan->setEnabled(scan->isEnabled());
        actScan->setVisible(scan->isVisible());
        connect(actScan, &QAction::triggered, scan, &QAction::trigger);
        connect(scan, &QAction::changed, actScan, [this, scan] {
            actScan->setEnabled(scan->isEnabled());
            actScan->setVisible(scan->isVisible());
        });
    }
    tb->addSeparator();
    actAddAll = new QAction(AddAllIcon(), "Add All", tb);
    actAddAll->setToolTip("Add all files in directory into selected album.");
    add(actAddAll, "ToolButton26");
    actAddTo = new QAction(icons::CommandIcon("AddToCollection"), "Add To >>", tb);
    actAddTo->setToolTip("Add to Album");
    add(actAddTo, "ToolButton10");
    actAddAll->setEnabled(false);
    actAddTo->setEnabled(false);

    connect(actHelp, &QAction::triggered, this, [this] { ToolButton24Click(); });
    connect(actBrowse, &QAction::triggered, this, [this] { ToolButton11Click(); });
    connect(actAddAll, &QAction::triggered, this, [this] { ToolButton26Click(); });
    connect(actAddTo, &QAction::triggered, this, [this] { ToolButton10Click(); });
}

bool TImportBar::eventFilter(QObject* o, QEvent* e) {
    if (o == main_.ImportBar() && e->type() == QEvent::Resize) Layout();
    return QObject::eventFilter(o, e);
}

void TImportBar::Layout() {
    QWidget* bar = main_.ImportBar();
    const int w = bar->width(), h = bar->height();
    const mainlayout::TImportBarLayout l =
        mainlayout::ImportBarLayout(w, h, kCloseSize, kCloseSize, importDrives->height(), importFolders->height(),
                                    mainlayout::kAlbumToolBarHeight);
    importDrives->setGeometry(0, l.driveTop, l.contentWidth, importDrives->height());
    importFolders->setGeometry(0, l.folderTop, l.contentWidth, importFolders->height());
    const QRect photos(0, l.photosTop, l.contentWidth, std::max(0, l.photosHeight));
    importFiles->setGeometry(photos);
    ListBox2->setGeometry(photos);
    if (!prgImport->isHidden())
        prgImport->setGeometry(photos.left(), std::max(photos.top(), photos.bottom() + 1 - kProgressHeight),
                               photos.width(), kProgressHeight);
}

// ---- Drives, folders and files ---------------------------------------------------------------

void TImportBar::FillDrives() {
    std::vector<std::pair<std::string, QString>> found;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady()) continue;
        if (IsPseudoFileSystem(v.fileSystemType().toStdString())) continue;
        const std::string root = QFile::encodeName(v.rootPath()).toStdString();
        if (root.empty() || root[0] != '/') continue;
        if (std::any_of(found.begin(), found.end(), [&](const auto& f) { return f.first == root; })) continue;
        found.push_back({root, v.name()});
    }
    // The root and the home folder are always offered, whatever the mounts table says (in a
    // container or a chroot it may list neither).
    std::vector<std::string> roots;
    for (const auto& f : found) roots.push_back(f.first);
    for (const std::string& r : DriveRoots(roots, QFile::encodeName(QDir::homePath()).toStdString()))
        if (std::none_of(found.begin(), found.end(), [&](const auto& f) { return f.first == r; }))
            found.push_back({r, QString()});
    SetDriveLines(std::move(found));
}

void TImportBar::SetVolumes(const std::vector<std::string>& mountPoints) {
    std::vector<std::pair<std::string, QString>> lines;
    for (const std::string& m : mountPoints) lines.push_back({m, QString()});
    SetDriveLines(std::move(lines));
    FillFolders();
}

void TImportBar::SetDriveLines(std::vector<std::pair<std::string, QString>> found) {
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    volumes_.clear();
    const QSignalBlocker block(importDrives);
    importDrives->clear();
    for (const auto& [root, label] : found) {
        volumes_.push_back(root);
        const QString text = label.isEmpty() ? Shown(root) : Shown(root) + " [" + label + "]";
        importDrives->addItem(importDrives->style()->standardIcon(QStyle::SP_DriveHDIcon), text, PathData(root));
        importDrives->setItemData(importDrives->count() - 1, text, Qt::AccessibleTextRole);
    }
}

void TImportBar::FillFolders() {
    const std::string& current = import_->CurrentFolder();
    const QIcon open = importFolders->style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = importFolders->style()->standardIcon(QStyle::SP_DirClosedIcon);
    importFolders->clear();
    const std::vector<std::string> rows = FolderRows(current);
    int level = 0;
    for (const std::string& path : rows) {
        auto* item = new QListWidgetItem(open, Shown(path == "/" ? path : BareName(path)));
        item->setData(kPathRole, PathData(path));
        item->setData(kLevelRole, level++);
        item->setToolTip(Shown(path));
        importFolders->addItem(item);
    }
    for (const std::string& name : SubFolders(current)) {
        const std::string path = current == "/" ? "/" + name : current + "/" + name;
        auto* item = new QListWidgetItem(closed, Shown(name));
        item->setData(kPathRole, PathData(path));
        item->setData(kLevelRole, level);
        item->setToolTip(Shown(path));
        importFolders->addItem(item);
    }
    // The current folder's row is the selected one.
    if (!rows.empty()) importFolders->setCurrentRow(int(rows.size()) - 1);

    const std::string volume = VolumeOf(current, volumes_);
    const auto it = std::find(volumes_.begin(), volumes_.end(), volume);
    const QSignalBlocker block(importDrives);
    importDrives->setCurrentIndex(it == volumes_.end() ? -1 : int(it - volumes_.begin()));
}

void TImportBar::FillFiles() {
    importFiles->clear();
    for (const std::string& name : import_->FileList()) importFiles->addItem(Shown(name));
}

bool TImportBar::ChangeFolder(const std::string& folder) {
    std::string f = folder;
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    if (SameFolder(f, import_->CurrentFolder())) return false;
    if (!import_->ReadFolder(f)) return false;
    FolderRead();
    return true;
}

void TImportBar::FolderRead() {
    driveFolders_[VolumeOf(import_->CurrentFolder(), volumes_)] = import_->CurrentFolder();
    FillFolders();
    FillFiles();
    importFilesChange();
    importFoldersChange();
}

void TImportBar::importDrivesChange(int index) {
    if (index < 0 || size_t(index) >= volumes_.size()) return;
    const std::string& volume = volumes_[size_t(index)];
    const auto it = driveFolders_.find(volume);
    std::error_code ec;
    // A drive's folder that has gone since sends the list to the drive's top.
    const std::string target =
        it != driveFolders_.end() && std::filesystem::is_directory(it->second, ec) ? it->second : volume;
    if (!ChangeFolder(target)) FillFolders();  // the drive box goes back to the current drive
}

void TImportBar::importFilesChange() { SetButtons(import_->FilesChanged(AlbumLine())); }

void TImportBar::importFoldersChange() {
    ListBox2->ShowWaitingRows();
    prgImport->hide();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool made = import_->FolderChanged(this);
    QApplication::restoreOverrideCursor();
    prgImport->hide();
    ShowThumbnails();
    // The waiting rows left by a failed generation are no photos to add.
    if (!made) SetButtons({});
    import_->ReportUnreadable();
}

void TImportBar::OnImportProgress(int done, int total) {
    if (total < kProgressRows) return;
    if (prgImport->isHidden()) {
        prgImport->setRange(0, total);
        prgImport->show();
        Layout();
        prgImport->raise();
    }
    prgImport->setValue(done);
    prgImport->repaint();
}

void TImportBar::ShowThumbnails() {
    quietSelection_ = true;
    if (import_->ListState() == TFolderImport::TListState::Placeholders) {
        ListBox2->ShowWaitingRows();
    } else {
        // The list reads each picture from the import's store when it paints the row.
        std::vector<QString> captions;
        captions.reserve(import_->FileNames().size());
        for (const std::string& name : import_->FileNames()) captions.push_back(Shown(name));
        ListBox2->FillFrom(import_->Thumbnails(), captions);
    }
    ListBox2->setCurrentRow(-1);
    quietSelection_ = false;
}

// ---- Add buttons and adding ------------------------------------------------------------------

std::string TImportBar::AlbumLine() const {
    const QComboBox* box = main_.AlbumBox();
    const std::vector<std::string>& list = main_.Catalog().AlbumList();
    const int i = box->currentIndex();
    if (i < 0 || size_t(i) >= list.size() || box->currentText().isEmpty()) return "";
    return list[size_t(i)];
}

void TImportBar::SetButtons(const TAddButtons& b) {
    actAddTo->setEnabled(b.addTo);
    actAddAll->setEnabled(b.addAll);
}

void TImportBar::ListBox2Click(int row) {
    const bool photo = import_->ListState() == TFolderImport::TListState::Thumbnails && row >= 0 &&
                       row < import_->FileCount();
    if (photo) main_.ListBox2Click(row, import_->CurrentFolder(), import_->FileNames());
    SetButtons(import_->ThumbnailSelected(AlbumLine()));
}

void TImportBar::SelectRow(int row) {
    if (row < 0 || row >= ListBox2->count()) return;
    quietSelection_ = true;
    ListBox2->setCurrentRow(row);
    quietSelection_ = false;
    ListBox2Click(row);
}

int TImportBar::RowCount() const {
    return import_->ListState() == TFolderImport::TListState::Thumbnails ? import_->FileCount() : 0;
}

int TImportBar::CurrentRow() const { return RowCount() > 0 ? ListBox2->currentRow() : -1; }

void TImportBar::ToolButton10Click() { CarryOut(import_->AddTo(ListBox2->currentRow(), AlbumLine())); }

void TImportBar::AddDroppedFiles(const std::vector<std::string>& paths) {
    CarryOut(import_->AddFiles(paths, AlbumLine()));
}

void TImportBar::ToolButton26Click() {
    CarryOut(import_->AddAll(AlbumLine(), [this](int row) {
        // The selection walks the list as the photos are filed; the photo pane stays as it is.
        quietSelection_ = true;
        ListBox2->setCurrentRow(row);
        quietSelection_ = false;
        ListBox2->viewport()->repaint();
    }));
}

void TImportBar::CarryOut(const TImportAdd& out) {
    // Whatever was written to the open album is read back into the photo list at once, so the
    // list and the album's rows never disagree.
    if (!out.ids.empty() || out.refreshList) {
        main_.RefreshList();
        if (TPhotoList* photos = main_.PhotoList()) photos->scrollToBottom();
    }
    if (out.closeAllHelp) main_.Help().CloseAllHelp();
    if (!out.hintFlag.empty()) main_.Hints().ShowFirstUseHint(out.hintFlag, out.hintText, out.hintControl);
}

// ---- Browse and help -------------------------------------------------------------------------

void TImportBar::ToolButton11Click() {
    std::string start = import_->CurrentFolder();
    if (QListWidgetItem* item = importFolders->currentItem()) start = PathOf(item);
    if (import_->Browse(start)) FolderRead();
}

void TImportBar::ToolButton24Click() {
    main_.Help().ShowHelpTopic(static_cast<QWidget*>(&main_), helptopic::kImport);
}

void TImportBar::BarToggled() {
    if (!main_.ImportBar()->isHidden()) {
        // Volumes come and go between showings (a memory card, a network share).
        FillDrives();
        FillFolders();
        Layout();
    }
    main_.Hints().AutoHelpOnFirstShow(hint::kFirstHelpImport, helptopic::kImport, static_cast<QWidget*>(&main_));
    main_.Hints().ShowFirstUseHint(hint::kFirstTimeImport, hint::kTextImport, hint::kCtlAddToButton);
}
