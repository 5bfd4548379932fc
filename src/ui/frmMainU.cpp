#include "frmMainU.h"

#include <ctime>

#include "TComboPopup.h"
#include "TDialogParts.h"
#include "TBalloonHint.h"
#include "THelp.h"
#include "THints.h"
#include "TIcons.h"
#include "TImageCommands.h"
#include "TImportBar.h"
#include "TKeyTable.h"
#include "TMainInput.h"
#include "TMessages.h"
#include "TPanes.h"
#include "TPhotoList.h"
#include "TQuietToolTips.h"
#include "TSettingsStore.h"
#include "TViewerModel.h"
#include "frmHelpU.h"
#include "frmPrefs2U.h"
#include "frmSearchOptsU.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <climits>
#include <filesystem>
#include <system_error>

using namespace mainlayout;

namespace {

const char* const kSection = "Images";

// ---- The command table ----

enum CommandFlags { kOff = 1, kCheckable = 2, kChecked = 4, kInvisible = 8 };

struct TCommandDef {
    const char* name;
    const char* caption;
    const char* hint;
    int flags;
};

const TCommandDef kCommands[] = {
    {"NewCol", "New Album", "Creates a new album", 0},
    {"OpenCol", "Open Album", "Opens a album", 0},
    {"nuImport", "Import Image", "", kCheckable},
    {"ImportScan", "Import from Camera or Scanner", "", 0},
    {"Share", "Share Album", "Share this album with friends and family", kOff},
    {"Search", "Search", "Search through all the albums available.", 0},
    {"Print", "Print", "Prints the currently selected image.", kOff},
    {"PrintPrefs", "Print Preferences", "Changes printer settings.", 0},
    {"Preferences", "Preferences", "", 0},
    {"Quit", "Quit", "Exits out of Brightlet Image Viewer.", 0},
    {"HideCollections", "Album Pane", "Toggles the Collection pane.", kCheckable | kChecked},
    {"HideImage", "Image Bar", "Toggles the Image bar.", kCheckable | kChecked},
    {"HideCredit", "Everything Bar", "Toggles the Credit bar.", kCheckable | kChecked},
    {"First", "First", "Go to the first image in this album.", kOff},
    {"Previous", "Previous", "Go back one image in this album.", kOff},
    {"Next", "Next", "Goto the next image in this album.", kOff},
    {"Last", "Last", "Goto the last image in this album.", kOff},
    {"SlideShow", "View as Slideshow", "", kOff},
    {"RemoveCol", "Remove Album", "Deletes this album permanantly.", kOff},
    {"AlbumProperties", "Album Properties", "", 0},
    {"ZoomIn", "Zoom In", "Zoom in by +100%", kOff},
    {"ShowAll", "100%", "", kOff},
    {"ZoomOut", "Zoom Out", "Zoom out by -50%", kOff},
    {"ToFit", "To Fit", "", kOff},
    {"CopyImg", "Copy", "Copy the current image to the clipboard.", kOff},
    {"EditImage1", "Edit Image", "Edit this photo", kOff},
    {"AddToCollection", "Add To Album", "Puts this image into a album.", kOff | kInvisible},
    {"RemoveFromCol", "Remove From Album", "Removes the currently selected image from the album.", kOff},
    {"SetAsWallpaper", "Set As Wallpaper", "Sets this image as the wallpaper.", kOff},
    {"ViewFullScreen", "View Full Screen", "Make this image take up the whole screen so you get a closer look.", kOff},
    {"ImgProperties", "Image Properties", "Changes current images properties.", kOff},
    {"Help", "Help", "Online help files.", 0},
    {"About", "About", "Find out all about this program.", 0},
};

// A label that reports clicks (the photo title and the photographer edit the properties).
class TClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick) onClick();
        QLabel::mouseReleaseEvent(e);
    }
};

// Text of the catalog files is bytes in the locale's encoding.

// The album box's lines are 22 pixels high, in the box and in its drop-down list.
constexpr int kAlbumLineHeight = 22;
constexpr int kAlbumBoxVisibleLines = 20;

class TAlbumLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), kAlbumLineHeight);
    }
};

// The narrowest the clickable credit value gets, however short the photographer's name.
constexpr int kCreditClickWidth = 60;

// Refreshes of at least this many rows show their progress beside the photo list.
constexpr int kProgressRows = 50;

TRect ToTRect(const QRect& r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }
QRect ToQRect(const TRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

// Object name, accessible name and hint of a control. Labels whose text changes are left
// without a fixed accessible name: they are read out by their current text.
void Name(QWidget* w, const char* objectName, const QString& accessibleName, const QString& hint = {}) {
    w->setObjectName(objectName);
    if (!accessibleName.isEmpty()) w->setAccessibleName(accessibleName);
    if (!hint.isEmpty()) w->setToolTip(hint);
}

}  // namespace

// ---- Creation --------------------------------------------------------------------------------

TfrmMain::TfrmMain(TSettingsStore& settings, TMessages& messages, std::string documentsFolder, QWidget* parent)
    : QMainWindow(parent), settings_(settings), messages_(messages), documentsFolder_(std::move(documentsFolder)) {
    setObjectName("frmMain");
    setWindowTitle("Lumavell2");
    setAccessibleName("Lumavell2");
    setWindowIcon(icons::CommandIcon("App"));
    setMinimumSize(550, 450);
    resize(814, 544);

    BuildCommands();
    viewerModel_ = std::make_unique<viewer::TViewerModel>(messages_);

    row_ = new TPaneRow(this);
    row_->setObjectName("pnlPanes");
    row_->setAccessibleName("Lumavell2");
    setCentralWidget(row_);
    Panel4 = new QWidget;
    Panel1 = new QWidget;
    Panel2 = new QWidget;
    Splitter3 = new TSplitter(row_, Panel4, kImportDividerWidth);
    Splitter1 = new TSplitter(row_, Panel1, kAlbumDividerWidth);
    Name(Panel4, "Panel4", "Import Photos");
    Name(Splitter3, "Splitter3", "Import bar divider");
    Name(Panel1, "Panel1", "Album pane");
    Name(Splitter1, "Splitter1", "Album pane divider");
    Name(Panel2, "Panel2", "Viewer");
    row_->AddFixed(Panel4, kDefaultPaneWidth);
    row_->AddFixed(Splitter3, kImportDividerWidth, false);
    row_->AddFixed(Panel1, kDefaultPaneWidth);
    row_->AddFixed(Splitter1, kAlbumDividerWidth, false);
    row_->AddFill(Panel2);
    // The import bar starts hidden; the stored options decide later.
    Panel4->hide();
    Splitter3->hide();

    BuildImportBar();
    BuildAlbumPane();
    BuildViewer();
    BuildMenus();
    ConnectViewer();

    connect(Splitter1, &TSplitter::Moved, this, [this] { LayoutAlbumPane(); });
    // Each divider comes after its pane's controls in the keyboard order.
    setTabOrder(btnImportClose, Splitter3);
    setTabOrder(ListBox1, Splitter1);

    // Help windows and first-use hints live as long as the window.
    helpViewer_ = std::make_unique<TfrmHelpViewer>();
    help_ = std::make_unique<THelp>(*helpViewer_);
    balloon_ = new TBalloonHint(this);
    balloon_->setObjectName("BalloonHint1");
    hintPresenter_ = std::make_unique<TBalloonHintPresenter>(*balloon_, this);
    hints_ = std::make_unique<THints>(settings_, *hintPresenter_, *help_, THintPosition::AboveRight);
    connect(Command("Help"), &QAction::triggered, this, [this] { help_->ShowHelpTopic(nullptr, helptopic::kContents); });
    connect(btnSearchHelp, &QPushButton::clicked, this,
            [this] { help_->ShowHelpTopic(static_cast<QWidget*>(this), helptopic::kSearch); });

    FormCreate();
    ConnectAlbumCommands();
    ConnectScanCommand();
    ConnectNotesAndSearch();
    ConnectWelcome();
    ConnectShareCommands();
    imageCommands_ = std::make_unique<TImageCommands>(*this, settings_, messages_, *help_);
    importBar_ = std::make_unique<TImportBar>(*this);
    input_ = std::make_unique<TMainInput>(*this);
}

void TfrmMain::FormCreate() {
    helpFileName_ = "Qorvix.chm";
    settings_.UseMachineRoot();
    installFolder_ = settings_.ReadString(kSection, "installedTo", "");
    if (installFolder_.empty())
        ShowOk(messages_, "Where am I?",
               "Lumavell doesn't know where it has been installed. This could be a sign of a bad install, or "
               "the data has been wiped. It is suggested that you reinstall Lumavell to be sure that you do not "
               "receive any errors.");
    settings_.WriteString(kSection, "useDir", installFolder_);
    SetPaneWidth(Panel1, settings_.ReadInteger(kSection, "albumPanWidth", kDefaultPaneWidth, 0, kMaxPaneWidth));
    SetPaneWidth(Panel4, settings_.ReadInteger(kSection, "importPanWidth", kDefaultPaneWidth, 0, kMaxPaneWidth));
    LayoutAlbumPane();
    help_->SetInstallFolder(installFolder_);
    help_->SetHelpFileName(helpFileName_);

    catalog_ = std::make_unique<TCatalog>(settings_, messages_, documentsFolder_, installFolder_);
    albumView_ = std::make_unique<TAlbumView>(*catalog_);
    albumView_->SetObserver(this);
    const std::int64_t started = static_cast<std::int64_t>(std::time(nullptr));
    catalogStatus_ = catalog_->OpenCatalog();
    // The user declined a fresh catalog for an unreadable one: nothing more is read or written,
    // and the program ends before the window is shown.
    if (CatalogMustClose()) return;
    // New files of saves that a crash or a kill interrupted in an earlier run.
    catalog_->RemoveStaleTempFiles(started);
    // Without any icon strip the albums are listed without icons.
    catalog_->LoadStartupIconStrip();
    catalog_->LoadAlbumList();
    LoadAlbumBox();
    UpdThumbs();
}

void TfrmMain::LoadAlbumBox() {
    const QSignalBlocker block(ComboBox1);
    ComboBox1->clear();
    TIconStrip& icons = catalog_->IconStrip();
    for (const std::string& line : catalog_->AlbumList()) {
        const QString name = FromBytes(TCatalog::AlbumEntryName(line));
        const int icon = TCatalog::AlbumEntryIcon(line);
        QIcon picture;
        if (icon >= 0 && icon < icons.Count()) picture = QIcon(QPixmap::fromImage(icons.IconWithAlpha(icon)));
        ComboBox1->addItem(picture, name);
        const int i = ComboBox1->count() - 1;
        ComboBox1->setItemData(i, name, Qt::AccessibleTextRole);
        ComboBox1->setItemData(i, QSize(0, kAlbumLineHeight), Qt::SizeHintRole);
    }
    // No album is open until the user chooses one.
    ComboBox1->setCurrentIndex(-1);
}

void TfrmMain::ComboBox1Change(int index) {
    std::vector<std::string>& list = catalog_->AlbumList();
    if (index < 0 || size_t(index) >= list.size() || refreshing_) return;
    if (ComboBox1->currentIndex() != index) {
        const QSignalBlocker block(ComboBox1);
        ComboBox1->setCurrentIndex(index);
    }
    const std::string line = list[size_t(index)];
    SetSearchMode(TCatalog::AlbumEntryName(line) == TCatalog::kSearchResultsAlbum);  // also lays out
    const TRefreshResult result = albumView_->OpenAlbumLine(line);
    if (result == TRefreshResult::MustClose) {
        close();
        return;
    }
    Command("First")->setEnabled(true);
    Command("Last")->setEnabled(true);
    Command("Previous")->setEnabled(false);
    Command("Next")->setEnabled(false);
    Command("SlideShow")->setEnabled(true);
    Command("RemoveCol")->setEnabled(!searchMode_);
    Command("Share")->setEnabled(!searchMode_);
    Command("RemoveFromCol")->setEnabled(false);
    hints_->ShowFirstUseHint(hint::kFirstTimeOpenAlbum, hint::kTextOpenAlbum, hint::kCtlAlbumImportButton);
    emit AlbumOpened();
}

TRefreshResult TfrmMain::RefreshList() {
    if (refreshing_) return TRefreshResult::Stopped;
    const TRefreshResult result = albumView_->RefreshList();
    if (result == TRefreshResult::MustClose) close();
    return result;
}

bool TfrmMain::OpenAlbumFromPath(const std::string& path) {
    const std::string name = AlbumNameFromPath(path);
    const std::vector<std::string>& list = catalog_->AlbumList();
    for (size_t i = 0; i < list.size(); ++i) {
        if (TCatalog::AlbumEntryName(list[i]) != name) continue;
        ComboBox1Change(int(i));
        return true;
    }
    ShowOk(messages_, "Cannot Open",
           "Lumavell2 does not know about this album and hence cannot open it. Remember, to share an album "
           "with another user, you should select Share from the File menu. Click OK to continue.");
    return false;
}

// ---- The refresh on screen ----

void TfrmMain::OnRefreshStarted() {
    refreshing_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    thumbStrip_.reset();
    rowCaptions_.clear();
    ListBox1->ShowWaitingRows();
    prgRefresh->hide();
}

void TfrmMain::OnProgress(int done, int total) {
    if (total >= kProgressRows) ShowRefreshProgress(done, total);
}

void TfrmMain::ShowRefreshProgress(int done, int total) {
    if (prgRefresh->isHidden()) {
        prgRefresh->setRange(0, total);
        PlaceRefreshProgress();
        prgRefresh->show();
        prgRefresh->raise();
    }
    prgRefresh->setValue(done);
    prgRefresh->repaint();
}

void TfrmMain::OnThumbsReady() {
    // The pictures stay where the album view keeps them; the list reads the rows it paints.
    std::vector<QString> captions;
    captions.reserve(albumView_->RowCaptions().size());
    for (const std::string& c : albumView_->RowCaptions()) captions.push_back(FromBytes(c));
    SetThumbnailStrip(albumView_->RowPictures(), std::move(captions));
    UpdThumbs();
}

void TfrmMain::OnRefreshFinished(TRefreshResult) {
    prgRefresh->hide();
    QApplication::restoreOverrideCursor();
    refreshing_ = false;
}

void TfrmMain::PlaceRefreshProgress() {
    const QRect list = ListBox1->geometry();
    const int h = 16;
    prgRefresh->setGeometry(list.left(), std::max(list.top(), list.bottom() + 1 - h), list.width(), h);
}

std::string TfrmMain::CatalogRoot() const { return documentsFolder_ + "/My Pictures/My Albums/"; }

void TfrmMain::SetPrefs(TfrmPrefs2* prefs) {
    prefs_ = prefs;
    connect(prefs_, &TfrmPrefs2::UpdateBarChanged, this, [this](bool live) { SetAlbumDividerLive(live); });
    connect(prefs_, &TfrmPrefs2::PrintingClicked, this, [this] { Command("PrintPrefs")->trigger(); });
    connect(prefs_, &TfrmPrefs2::SaveThumbsCleared, this, [this] { albumView_->SaveThumbnailsClicked(false, false); });
    connect(prefs_, &TfrmPrefs2::RefreshThumbnailsClicked, this, [this] { albumView_->RefreshThumbnailsClicked(); });
    connect(prefs_, &TfrmPrefs2::SearchOptionsClicked, this, [this] { frmSearchOpts_->ExecFromPreferences(); });
    connect(prefs_, &TfrmPrefs2::IconsClicked, this, [this] { IconsExecute(); });
    connect(prefs_, &TfrmPrefs2::HelpClicked, this,
            [this] { help_->ShowHelpTopic(static_cast<QWidget*>(prefs_), helptopic::kOptions); });
}

void TfrmMain::SetSplash(QWidget* splash) { splash_ = splash; }

void TfrmMain::SetArguments(std::vector<std::string> args) { args_ = std::move(args); }

void TfrmMain::ApplyStoredOptions() {
    QAction* albumPane = Command("HideCollections");
    QAction* imageBar = Command("HideImage");
    QAction* detailsBar = Command("HideCredit");
    QAction* importBar = Command("nuImport");

    albumPane->setChecked(settings_.ReadBool(kSection, "showCol", true));
    if (prefs_) prefs_->LoadUpdateBar(settings_.ReadBool(kSection, "UpdateBar", true));
    imageBar->setChecked(settings_.ReadBool(kSection, "showImg", true));
    detailsBar->setChecked(settings_.ReadBool(kSection, "showCre", true));
    importBar->setChecked(settings_.ReadBool(kSection, "showImport", false));
    Panel1->setVisible(albumPane->isChecked());
    Splitter1->setVisible(albumPane->isChecked());
    stripImage->setVisible(imageBar->isChecked());
    if (prefs_) prefs_->SetImageEditor(settings_.ReadString(kSection, "ImageEditor", "c:\\windows\\system32\\mspaint.exe"));
    pnlDetails->setVisible(detailsBar->isChecked());
    Panel4->setVisible(importBar->isChecked());
    Splitter3->setVisible(!Panel4->isHidden());
    if (prefs_) {
        if (settings_.ReadInteger(kSection, "saveThumbs", 0) == 2) prefs_->LoadSaveThumbs(true);
        prefs_->LoadCompressThumbs(settings_.ReadBool(kSection, "compressThumbs", false));
        prefs_->LoadResizeFull(settings_.ReadBool(kSection, "resizeFull", false));
    }
}

// ---- Commands and menus ----------------------------------------------------------------------

void TfrmMain::BuildCommands() {
    for (const TCommandDef& def : kCommands) {
        auto* a = new QAction(def.caption, this);
        a->setObjectName(def.name);
        a->setIcon(icons::CommandIcon(def.name));
        a->setStatusTip(def.hint);
        if (*def.hint) a->setToolTip(def.hint);
        // The keys come from the program's one key table (which Help > Keyboard Shortcuts lists).
        const QList<QKeySequence> keys = CommandKeys(def.name);
        a->setShortcuts(keys);
        a->setCheckable(def.flags & kCheckable);
        a->setChecked(def.flags & kChecked);
        a->setEnabled(!(def.flags & kOff));
        a->setVisible(!(def.flags & kInvisible));
        // Every command lives on the window itself, so its key works wherever the focus is and
        // whichever pane is hidden.
        addAction(a);
        commands_ << a;
        // A hidden command has neither menu item nor tool button, and Qt ignores the keys of a
        // hidden action: its keys are the only way to run it, so they get shortcuts of their
        // own, live while the viewer has the command enabled.
        if (def.flags & kInvisible) {
            for (const QKeySequence& key : keys) {
                auto* shortcut = new QShortcut(key, this);
                shortcut->setObjectName(QString(def.name) + "_key");
                const std::string name = def.name;
                connect(shortcut, &QShortcut::activated, a, [this, a, name] {
                    if (viewerModel_ && viewerModel_->Enabled(name)) emit a->triggered(false);
                });
            }
        }
    }
    // The album tool bar shows its own hint for the slideshow.
    Command("SlideShow")->setToolTip("Show this collection as a slideshow");

    connect(Command("HideCollections"), &QAction::triggered, this, [this] { HideCollectionsExecute(); });
    connect(Command("HideImage"), &QAction::triggered, this, [this] { HideImageExecute(); });
    connect(Command("HideCredit"), &QAction::triggered, this, [this] { HideCreditExecute(); });
    connect(Command("nuImport"), &QAction::triggered, this, [this] { nuImportExecute(); });
    connect(Command("OpenCol"), &QAction::triggered, this, [this] { OpenColExecute(); });
    connect(Command("Quit"), &QAction::triggered, this, [this] { close(); });
    connect(Command("Preferences"), &QAction::triggered, this, [this] {
        if (prefs_) prefs_->exec();
    });
}

QAction* TfrmMain::Command(const QString& name) const {
    for (QAction* a : commands_)
        if (a->objectName() == name) return a;
    return nullptr;
}

// A menu item of its own for a command that shows a different caption in a menu: it runs the
// command and mirrors its state. It shows the command's key only while its menu is open: a
// second holder of the same key would make the key ambiguous whenever the menu bar has the focus.
QAction* TfrmMain::MenuProxy(QAction* command, const QString& text, QMenu* menu) {
    auto* item = new QAction(text, menu);
    item->setObjectName(command->objectName() + "_" + menu->objectName());
    item->setCheckable(command->isCheckable());
    item->setShortcutContext(Qt::WidgetShortcut);
    connect(menu, &QMenu::aboutToShow, item, [item, command] { item->setShortcut(command->shortcut()); });
    connect(menu, &QMenu::aboutToHide, item, [item] { item->setShortcut(QKeySequence()); });
    auto sync = [item, command] {
        item->setIcon(command->icon());
        item->setEnabled(command->isEnabled());
        item->setVisible(command->isVisible());
        item->setChecked(command->isChecked());
        item->setStatusTip(command->statusTip());
    };
    sync();
    connect(command, &QAction::changed, item, sync);
    connect(item, &QAction::triggered, command, [command, sync] {
        command->trigger();
        sync();
    });
    menu->addAction(item);
    return item;
}

void TfrmMain::BuildMenus() {
    auto menu = [this](const char* object, const QString& title) {
        QMenu* m = menuBar()->addMenu(title);
        m->setObjectName(object);
        m->setAccessibleName(QString(title).remove('&'));
        return m;
    };
    auto add = [this](QMenu* m, const char* name) { m->addAction(Command(name)); };
    auto plain = [](QMenu* m, const char* object, const QString& text, const char* icon) {
        auto* a = new QAction(text, m);
        a->setObjectName(object);
        a->setIcon(icons::CommandIcon(icon));
        m->addAction(a);
        return a;
    };
    menuBar()->setAccessibleName("Menu bar");

    QMenu* file = menu("mnuFile", "&File");
    add(file, "NewCol");
    add(file, "OpenCol");
    file->addSeparator();
    QMenu* import = file->addMenu(icons::CommandIcon("nuImport"), "Import");
    import->setObjectName("mnuImport");
    import->setAccessibleName("Import");
    MenuProxy(Command("nuImport"), "from File", import);
    MenuProxy(Command("ImportScan"), "from a Camera or Scanner", import);
    add(file, "Share");
    file->addSeparator();
    add(file, "Search");
    file->addSeparator();
    add(file, "Print");
    add(file, "PrintPrefs");
    file->addSeparator();
    add(file, "Preferences");
    file->addSeparator();
    add(file, "Quit");

    QMenu* view = menu("mnuView", "&View");
    QAction* launcher = plain(view, "TaskLauncher", "Task Launcher", "TaskLauncher");
    launcher->setCheckable(true);
    launcher->setShortcuts(CommandKeys("TaskLauncher"));
    addAction(launcher);
    view->addSeparator();
    add(view, "HideCollections");
    add(view, "HideCredit");
    MenuProxy(Command("nuImport"), "Import Bar", view);

    QMenu* album = menu("mnuAlbum", "&Album");
    QMenu* nav = album->addMenu(icons::CommandIcon("Next"), "Navigation");
    nav->setObjectName("mnuNavigation");
    nav->setAccessibleName("Navigation");
    for (const char* n : {"First", "Previous", "Next", "Last"}) add(nav, n);
    add(album, "SlideShow");
    album->addSeparator();
    add(album, "RemoveCol");

    QMenu* image = menu("mnuImage", "&Image");
    QMenu* zoom = image->addMenu(icons::CommandIcon("ZoomIn"), "Zoom");
    zoom->setObjectName("mnuZoom");
    zoom->setAccessibleName("Zoom");
    add(zoom, "ZoomIn");
    add(zoom, "ShowAll");
    add(zoom, "ZoomOut");
    zoom->addSeparator();
    add(zoom, "ToFit");
    image->addSeparator();
    for (const char* n : {"CopyImg", "EditImage1", "AddToCollection", "RemoveFromCol", "SetAsWallpaper",
                          "ViewFullScreen", "ImgProperties"})
        add(image, n);

    QMenu* help = menu("mnuHelp", "&Help");
    add(help, "Help");
    help->addSeparator();
    plain(help, "GotoCorvane", "Goto &Corvane", "Web");
    plain(help, "GotoSupport", "Goto Corvane &Support", "Web");
    plain(help, "GotoWebPage", "Goto &Lumavell2 Web Page", "Web");
    help->addSeparator();
    plain(help, "Donate", "Donate", "Donate");
    help->addSeparator();
    add(help, "About");
}

QToolBar* TfrmMain::MakeToolBar(const QString& objectName, const QString& accessibleName, int iconSize) {
    auto* tb = new QToolBar;
    tb->setObjectName(objectName);
    tb->setAccessibleName(accessibleName);
    tb->setWindowTitle(accessibleName);
    tb->setMovable(false);
    tb->setFloatable(false);
    tb->setIconSize(QSize(iconSize, iconSize));
    tb->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return tb;
}

// ---- Import bar ------------------------------------------------------------------------------

void TfrmMain::BuildImportBar() {
    lblImportTitle = new QLabel("Import Photos", Panel4);
    Name(lblImportTitle, "lblImportTitle", "Import Photos");
    QFont bold = lblImportTitle->font();
    bold.setBold(true);
    lblImportTitle->setFont(bold);
    lblImportTitle->setIndent(4);
    btnImportClose = new QToolButton(Panel4);
    Name(btnImportClose, "btnImportClose", "Close the import bar");
    btnImportClose->setText("x");
    btnImportClose->setFont(bold);
    btnImportClose->setAutoRaise(true);
    btnImportClose->setFixedSize(17, 17);
    connect(btnImportClose, &QToolButton::clicked, this, [this] { Command("nuImport")->trigger(); });
    tbImport = MakeToolBar("tbImport", "Import tool bar", 16);
    tbImport->setParent(Panel4);
    Panel4->installEventFilter(this);
}

void TfrmMain::ImportBarResize() {
    const int w = Panel4->width(), h = Panel4->height();
    // Only the title, the close button and the tool bar are placed here; the folder and photo
    // lists are laid out by the import code.
    TImportBarLayout l = ImportBarLayout(w, h, btnImportClose->width(), btnImportClose->height(), 0, 0,
                                         kAlbumToolBarHeight);
    btnImportClose->move(l.closeLeft, 0);
    lblImportTitle->setGeometry(0, 0, std::max(0, l.closeLeft), btnImportClose->height());
    tbImport->setGeometry(0, h - kAlbumToolBarHeight, w, kAlbumToolBarHeight);
}

// ---- Album pane ------------------------------------------------------------------------------

void TfrmMain::BuildAlbumPane() {
    ComboBox1 = new QComboBox(Panel1);
    Name(ComboBox1, "ComboBox1", "Albums");
    ComboBox1->setMaxVisibleItems(kAlbumBoxVisibleLines);
    UseListPopup(ComboBox1);
    ComboBox1->setIconSize(QSize(16, 16));
    ComboBox1->setItemDelegate(new TAlbumLineDelegate(ComboBox1));
    connect(ComboBox1, &QComboBox::activated, this, [this](int index) { ComboBox1Change(index); });
    ComboBox1->setFixedHeight(kAlbumBoxHeight);
    ComboBox1->move(0, 0);

    Edit1 = new QLineEdit("Enter search terms", Panel1);
    Name(Edit1, "Edit1", "Enter search terms", "Enter search terms");
    btnSearch = new QPushButton("Search", Panel1);
    Name(btnSearch, "btnSearch", "Search", "Click this button to perform the search");
    btnSearchOptions = new QPushButton("Options", Panel1);
    Name(btnSearchOptions, "btnSearchOptions", "Options", "Change search options");
    btnSearchHelp = new QPushButton("Help", Panel1);
    Name(btnSearchHelp, "btnSearchHelp", "Help", "Get help");
    Edit1->setFixedHeight(21);
    for (QPushButton* b : {btnSearch, btnSearchOptions, btnSearchHelp}) b->setFixedHeight(24);
    // Enter in the search box presses "Search".
    connect(Edit1, &QLineEdit::returnPressed, btnSearch, &QPushButton::click);

    ListBox1 = new TPhotoList(Panel1);
    Name(ListBox1, "ListBox1", "Photos");
    prgRefresh = new QProgressBar(Panel1);
    Name(prgRefresh, "prgRefresh", "Generating Thumbnails");
    prgRefresh->setTextVisible(false);
    prgRefresh->hide();

    tbAlbum = MakeToolBar("tbAlbum", "Album tool bar", 16);
    tbAlbum->addAction(Command("nuImport"));
    tbAlbum->addSeparator();
    tbAlbum->addAction(Command("Search"));
    tbAlbum->addAction(Command("SlideShow"));
    tbAlbum->addSeparator();
    tbAlbum->addAction(Command("Share"));
    for (QAction* a : tbAlbum->actions()) {
        if (a->isSeparator()) continue;
        QWidget* b = tbAlbum->widgetForAction(a);
        b->setAccessibleName(a->text());
        b->setObjectName("tbAlbum_" + a->objectName());
    }
    tbAlbum->widgetForAction(Command("nuImport"))->setObjectName("btnAlbumImport");
    tbAlbum->widgetForAction(Command("Share"))->setObjectName("btnAlbumShare");
    TQuietToolTips::Install(tbAlbum);
    stripAlbum = new THScrollStrip(tbAlbum, Panel1);
    Name(stripAlbum, "stripAlbum", "Album tool bar");

    SetSearchMode(false);
    Panel1->installEventFilter(this);
}

void TfrmMain::SetSearchMode(bool on) {
    searchMode_ = on;
    for (QWidget* w : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(btnSearch),
                       static_cast<QWidget*>(btnSearchOptions), static_cast<QWidget*>(btnSearchHelp)})
        w->setVisible(on);
    LayoutAlbumPane();
}

void TfrmMain::LayoutAlbumPane() {
    const int w = PaneWidth(Panel1), h = Panel1->height();
    TAlbumPaneLayout l = AlbumPaneLayout(w, h, searchMode_);
    if (l.laidOut) {
        ListBox1->setGeometry(0, l.listTop, l.listWidth, std::max(0, l.listHeight));
        ComboBox1->setFixedWidth(l.boxWidth);
        Edit1->setGeometry(0, kSearchBoxTop, l.searchBoxWidth, Edit1->height());
        btnSearch->setGeometry(l.searchLeft, kSearchButtonTop, l.searchWidth, btnSearch->height());
        btnSearchOptions->setGeometry(l.optionsLeft, kOptionsButtonTop, l.optionsWidth, btnSearchOptions->height());
        btnSearchHelp->setGeometry(l.helpLeft, kOptionsButtonTop, l.helpWidth, btnSearchHelp->height());
    }
    UpdThumbs();
}

void TfrmMain::AlbumPaneResize() {
    const int w = Panel1->width(), h = Panel1->height();
    stripAlbum->setGeometry(0, h - kAlbumToolBarHeight, w, kAlbumToolBarHeight);
    TAlbumPaneLayout l = AlbumPaneLayout(w, h, searchMode_);
    if (!l.laidOut) return;
    ComboBox1->setFixedWidth(l.boxWidth);
    ListBox1->setGeometry(ListBox1->x(), l.listTop, l.listWidth, std::max(0, l.listHeight));
    if (!prgRefresh->isHidden()) PlaceRefreshProgress();
}

void TfrmMain::SetThumbnailStrip(std::vector<QImage> pictures, std::vector<QString> captions) {
    auto strip = std::make_shared<TRowPictures>();
    for (const QImage& p : pictures) strip->AddRow(strip->AddPicture(p));
    SetThumbnailStrip(std::move(strip), std::move(captions));
}

void TfrmMain::SetThumbnailStrip(std::shared_ptr<const TRowPictures> pictures, std::vector<QString> captions) {
    thumbStrip_ = std::move(pictures);
    rowCaptions_ = std::move(captions);
}

void TfrmMain::UpdThumbs() {
    if (thumbStrip_)
        ListBox1->FillFrom(thumbStrip_, rowCaptions_);
    else
        ListBox1->Fill(std::vector<QImage>(), rowCaptions_);
}

void TfrmMain::OpenColExecute() { ComboBox1->showPopup(); }

// ---- Viewer ----------------------------------------------------------------------------------

void TfrmMain::BuildViewer() {
    auto* col = new QVBoxLayout(Panel2);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);

    auto* title = new TClickLabel("No Image Selected");
    lblTitle = title;
    Name(lblTitle, "lblTitle", "", "Edit properties");
    lblTitle->setFixedHeight(18);
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    lblTitle->setCursor(Qt::PointingHandCursor);
    QFont tf = lblTitle->font();
    tf.setBold(true);
    tf.setPixelSize(15);
    lblTitle->setFont(tf);
    lblTitle->setAutoFillBackground(true);
    QPalette tp = lblTitle->palette();
    tp.setColor(QPalette::Window, QColor(171, 171, 171));  // the workspace grey
    tp.setColor(QPalette::WindowText, Qt::white);           // caption text
    lblTitle->setPalette(tp);
    title->onClick = [this] { Command("ImgProperties")->trigger(); };
    col->addWidget(lblTitle);

    ScrollBox1 = new QScrollArea;
    Name(ScrollBox1, "ScrollBox1", "Photo");
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->horizontalScrollBar()->setTracking(true);
    ScrollBox1->verticalScrollBar()->setTracking(true);
    BuildPhotoView();  // Image1 inside the scroll box
    col->addWidget(ScrollBox1, 1);

    pnlDetails = new QWidget;
    Name(pnlDetails, "pnlDetails", "Everything Bar");
    pnlDetails->setFixedHeight(kDetailsHeight);
    pnlDetails->setAutoFillBackground(true);
    QPalette dp = pnlDetails->palette();
    dp.setColor(QPalette::Window, Qt::white);
    pnlDetails->setPalette(dp);
    col->addWidget(pnlDetails);

    tbImage = MakeToolBar("tbImage", "Image tool bar", 24);
    const char* imageButtons[] = {"CopyImg", "SetAsWallpaper", "AddToCollection", "ViewFullScreen",
                                  "RemoveFromCol", nullptr, "Print", "EditImage1", nullptr, "First",
                                  "Previous", "Next", "Last", nullptr, "ZoomIn", "ZoomOut"};
    for (const char* n : imageButtons) {
        if (!n) {
            tbImage->addSeparator();
            continue;
        }
        QAction* a = Command(n);
        tbImage->addAction(a);
        QWidget* b = tbImage->widgetForAction(a);
        b->setFixedSize(34, 30);
        b->setAccessibleName(a->text());
        b->setObjectName(QString("tbImage_") + n);
    }
    stripImage = new THScrollStrip(tbImage, pnlDetails);
    Name(stripImage, "stripImage", "Image Bar");

    auto label = [this](const char* object, const QString& text, int x, int y) {
        auto* l = new TClickLabel(text, pnlDetails);
        Name(l, object, "");
        l->move(x, y);
        l->resize(l->sizeHint());
        return l;
    };
    lblTakenBy = label("lblTakenBy", "Taken by:", 8, 40);
    auto* credit = label("lblCredit", "No Image", 64, 40);
    lblCredit = credit;
    lblCredit->setCursor(Qt::PointingHandCursor);
    lblCredit->setToolTip("Edit properties");
    credit->onClick = [this] { Command("ImgProperties")->trigger(); };
    lblDateCaption = label("lblDateCaption", "Date:", 8, 56);
    lblDate = label("lblDate", "No Image", 64, 56);

    Memo1 = new QPlainTextEdit(pnlDetails);
    Name(Memo1, "Memo1", "Notes");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->hide();
    Memo1->installEventFilter(this);
    pnlDetails->installEventFilter(this);
}

void TfrmMain::DetailsPanelResize() {
    const int w = pnlDetails->width(), h = pnlDetails->height();
    stripImage->setGeometry(kDetailsBorder, kDetailsBorder, std::max(0, ImageToolStripWidth(w)), 34);
    Memo1->setGeometry(w - kDetailsBorder - kNotesWidth, kDetailsBorder, kNotesWidth, h - 2 * kDetailsBorder);
    const int room = std::max(0, Memo1->x() - lblCredit->x() - 4);
    for (QLabel* l : {lblCredit, lblDate})
        l->resize(std::min(l->sizeHint().width(), room), l->sizeHint().height());
    // The credit value opens the properties: an empty photographer keeps a clickable width.
    lblCredit->resize(std::min(std::max(lblCredit->width(), kCreditClickWidth), room), lblCredit->height());
}

// ---- Panes -----------------------------------------------------------------------------------

int TfrmMain::PaneWidth(const QWidget* pane) const { return row_->ItemWidth(pane); }

void TfrmMain::SetPaneWidth(QWidget* pane, int width) { row_->SetItemWidth(pane, width); }

void TfrmMain::HideCollectionsExecute() {
    Splitter1->setVisible(Splitter1->isHidden());
    Panel1->setVisible(!Splitter1->isHidden());
    Command("HideCollections")->setChecked(!Panel1->isHidden());
    LayoutAlbumPane();
}

void TfrmMain::HideImageExecute() {
    stripImage->setVisible(stripImage->isHidden());
    Command("HideImage")->setChecked(!stripImage->isHidden());
}

void TfrmMain::HideCreditExecute() {
    pnlDetails->setVisible(pnlDetails->isHidden());
    Command("HideCredit")->setChecked(!pnlDetails->isHidden());
}

void TfrmMain::nuImportExecute() {
    Panel4->setVisible(Panel4->isHidden());
    Splitter3->setVisible(!Panel4->isHidden());
    Command("nuImport")->setChecked(!Panel4->isHidden());
    settings_.WriteBool(kSection, "showImport", !Panel4->isHidden());
    if (importBar_) importBar_->BarToggled();
}

void TfrmMain::SetAlbumDividerLive(bool live) { Splitter1->SetLive(live); }
void TfrmMain::SetImportDividerLive(bool live) { Splitter3->SetLive(live); }

// ---- Showing, closing, destruction ------------------------------------------------------------

void TfrmMain::setVisible(bool visible) {
    if (visible && !firstShown_) {
        RestorePlacement();
        // The stored pane widths are applied to the window as it is now placed: no pane is wider
        // than the window (maximised, the screen) it is shown in.
        int limit = normalRect_.width();
        if (windowState() & Qt::WindowMaximized)
            if (QScreen* screen = QGuiApplication::primaryScreen())
                limit = std::max(limit, screen->availableGeometry().width());
        for (QWidget* pane : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(Panel4)})
            if (limit > 0 && PaneWidth(pane) > limit) SetPaneWidth(pane, limit);
    }
    QMainWindow::setVisible(visible);
    if (visible && !firstShown_) {
        firstShown_ = true;
        FormShow();
    }
}

void TfrmMain::RestorePlacement() {
    QScreen* primary = QGuiApplication::primaryScreen();
    const TRect primaryArea = primary ? ToTRect(primary->availableGeometry()) : TRect{0, 0, 1024, 768};
    const TRect desktop = primary ? ToTRect(primary->virtualGeometry()) : primaryArea;
    std::vector<TRect> screens;
    for (QScreen* s : QGuiApplication::screens()) screens.push_back(ToTRect(s->geometry()));

    std::optional<TWindowPlacement> p = ParsePlacement(settings_.ReadString(kSection, "frmMain", ""));
    if (!p) {
        // No usable placement: the window opens maximised, centred for when it is restored.
        normalRect_ = ToQRect(CentreOn(ToTRect(QRect(QPoint(0, 0), size())), primaryArea));
        setGeometry(normalRect_);
        setWindowState(Qt::WindowMaximized);
        return;
    }
    normalRect_ = ToQRect(RestoredRect(p->normal, desktop, screens, primaryArea));
    setGeometry(normalRect_);
    // A window closed while minimised opens minimised, and is restored to what it was before
    // it was minimised (maximised when the flag says so).
    const bool maximised = p->showCmd == kShowMaximized ||
                           (p->showCmd == kShowMinimized && (p->flags & kRestoreToMaximized));
    Qt::WindowStates state = maximised ? Qt::WindowMaximized : Qt::WindowNoState;
    if (p->showCmd == kShowMinimized) state |= Qt::WindowMinimized;
    setWindowState(state);
}

void TfrmMain::TrackNormalRect() {
    if (isVisible() && !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        normalRect_ = geometry();
}

void TfrmMain::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    TrackNormalRect();
}

void TfrmMain::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    TrackNormalRect();
}

std::string TfrmMain::PlacementText() const {
    TWindowPlacement p;
    const Qt::WindowStates s = windowState();
    if (s & Qt::WindowMinimized) {
        p.showCmd = kShowMinimized;
        if (s & Qt::WindowMaximized) p.flags = kRestoreToMaximized;
    } else if (s & Qt::WindowMaximized) {
        p.showCmd = kShowMaximized;
    }
    QRect n = normalRect_.isValid() ? normalRect_ : geometry();
    p.normal = ToTRect(n);
    return FormatPlacement(p);
}

void TfrmMain::FormShow() {
    const bool live = prefs_ ? prefs_->UpdateBar() : true;
    SetAlbumDividerLive(live);
    SetImportDividerLive(live);
    if (prefs_) albumView_->UnpackThumbnails(prefs_->CompressThumbs());
    if (!installFolder_.empty()) {
        std::error_code ec;
        std::filesystem::current_path(installFolder_, ec);
    }
    settings_.WriteInteger(kSection, "timesRun", settings_.ReadInteger(kSection, "timesRun", 0, 0, INT_MAX - 1) + 1);
    if (splash_) {
        splash_->hide();
        splash_->deleteLater();
        splash_ = nullptr;
    }
    // With the splash gone the window takes the keyboard (also on a bare X server, where no
    // window manager would give it the focus).
    raise();
    activateWindow();
    if (!Panel1->isHidden()) ComboBox1->setFocus();
    ShowWelcomePane();
    hints_->ShowStartupHints();
    RunCommandLine();
}

void TfrmMain::RunCommandLine() { ActOnArguments(args_); }

void TfrmMain::closeEvent(QCloseEvent* e) {
    FormClose();
    QMainWindow::closeEvent(e);
}

void TfrmMain::FormClose() {
    // Closing runs once: the album list loses its reserved last line here.
    if (closed_ || CatalogMustClose()) return;
    closed_ = true;
    if (prefs_) {
        // Packing the cache into the archive can take seconds for a large library: the album
        // pane's progress bar follows it.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        albumView_->PackThumbnails(prefs_->CompressThumbs(),
                                   [this](double done) { ShowRefreshProgress(int(done * 1000), 1000); });
        prgRefresh->hide();
        QApplication::restoreOverrideCursor();
    }
    catalog_->SaveAlbumList();
    help_->CloseAllHelp();
}

TfrmMain::~TfrmMain() { FormDestroy(); }

void TfrmMain::FormDestroy() {
    // A run that ended at an unreadable catalog was never shown: it leaves the settings as
    // they were.
    if (CatalogMustClose()) return;
    settings_.WriteString(kSection, "frmMain", PlacementText());
    std::error_code ec;
    std::filesystem::remove(CatalogRoot() + "Search Results.col", ec);
    settings_.WriteBool(kSection, "showCol", !Panel1->isHidden());
    settings_.WriteBool(kSection, "showImg", !stripImage->isHidden());
    settings_.WriteBool(kSection, "showCre", !pnlDetails->isHidden());
    settings_.WriteInteger(kSection, "albumPanWidth", PaneWidth(Panel1));
    settings_.WriteInteger(kSection, "importPanWidth", PaneWidth(Panel4));
}

// ---- Events of the child panes ---------------------------------------------------------------

bool TfrmMain::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::Resize) {
        if (o == Panel1) AlbumPaneResize();
        else if (o == Panel4) ImportBarResize();
        else if (o == pnlDetails) DetailsPanelResize();
    } else if (o == Memo1 && e->type() == QEvent::KeyPress) {
        // Enter does not start a new line in the notes.
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) return true;
    }
    return QMainWindow::eventFilter(o, e);
}
