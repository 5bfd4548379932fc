#pragma once
// The main window: from left to right the import bar, the album pane and the photo viewer, with
// movable dividers between them; a menu bar and three tool bars over one list of commands.
// The window is created once at start-up and lives for the whole run: its creation reads the
// install folder and the pane widths, its first showing restores the placement and counts the
// start, its destruction writes the placement and the pane settings back.

#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TAlbumView.h"
#include "TCatalog.h"
#include "TMainLayout.h"
#include "TPhotoProperties.h"
#include "TSearch.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QToolBar;
class QToolButton;
class TMessages;
class TSettingsStore;
class TBalloonHint;
class TBalloonHintPresenter;
class TfrmHelpViewer;
class TfrmPrefs2;
class THelp;
class THints;
class TPaneRow;
class TSplitter;
class THScrollStrip;
class TPhotoList;
class TImportBar;
class TAlbumCommands;
class TPropertiesPane;
class TSearchPane;
class TfrmNewCol;
class TfrmAddtoCol;
class TfrmIcons;
class TfrmProperties;
class TfrmSearchOpts;
class TfrmShare2;
class TfrmReceive;
class TPhotoView;
class TfrmIWant;
class TfrmAbout;
class TfrmDonate;
class TImageCommands;
class TMainInput;
class TfrmCamera;
class TTwainHost;
namespace viewer {
class TViewerModel;
enum class TViewerCommand;
}

class TfrmMain : public QMainWindow, private TAlbumViewObserver {
    Q_OBJECT
public:
    // documentsFolder: the user's documents folder (without a trailing slash); the catalog root
    // lies below it.
    TfrmMain(TSettingsStore& settings, TMessages& messages, std::string documentsFolder,
             QWidget* parent = nullptr);
    ~TfrmMain() override;

    // ---- Start-up wiring ----
    // The Preferences dialog: its check boxes hold options the window reads.
    void SetPrefs(TfrmPrefs2* prefs);
    TfrmPrefs2* Prefs() const { return prefs_; }
    // The splash window, hidden and destroyed at the first showing.
    void SetSplash(QWidget* splash);
    // The program's arguments (without the program name), acted on at the first showing.
    void SetArguments(std::vector<std::string> args);
    // Applies the stored options to the panes, the commands and the Preferences dialog.
    void ApplyStoredOptions();

    // ---- Commands ----
    // The command named name ("NewCol", "ZoomIn", ...), or nullptr.
    QAction* Command(const QString& name) const;
    const QList<QAction*>& Commands() const { return commands_; }

    // ---- Process-wide strings ----
    const std::string& InstallFolder() const { return installFolder_; }
    const std::string& DocumentsFolder() const { return documentsFolder_; }
    const std::string& HelpFileName() const { return helpFileName_; }
    // documents folder + "/My Pictures/My Albums/".
    std::string CatalogRoot() const;

    // ---- Panes ----
    QWidget* ImportBar() const { return Panel4; }
    TSplitter* ImportDivider() const { return Splitter3; }
    QWidget* AlbumPane() const { return Panel1; }
    TSplitter* AlbumDivider() const { return Splitter1; }
    QWidget* Viewer() const { return Panel2; }
    QWidget* DetailsPanel() const { return pnlDetails; }
    THScrollStrip* ImageToolStrip() const { return stripImage; }
    TPhotoList* PhotoList() const { return ListBox1; }
    // The width set for a pane (kept while the pane is hidden).
    int PaneWidth(const QWidget* pane) const;
    void SetPaneWidth(QWidget* pane, int width);

    // Pane toggles (the commands Album Pane, Image Bar, Everything Bar and Import Image).
    void HideCollectionsExecute();
    void HideImageExecute();
    void HideCreditExecute();
    void nuImportExecute();
    // Drops down the album box's list.
    void OpenColExecute();

    // Search-results mode: the search controls stand above the photo list.
    bool SearchMode() const { return searchMode_; }
    void SetSearchMode(bool on);

    // Lays the album pane's controls out for its width and refills the photo list.
    void LayoutAlbumPane();
    // Refills the photo list from the thumbnail strip and the row captions (drops the selection).
    void UpdThumbs();
    void SetThumbnailStrip(std::vector<QImage> pictures, std::vector<QString> captions);
    void SetThumbnailStrip(std::shared_ptr<const TRowPictures> pictures, std::vector<QString> captions);

    // Sets the dragging style of the album divider / the import divider.
    void SetAlbumDividerLive(bool live);
    void SetImportDividerLive(bool live);

    // ---- Catalog and album view ----
    TCatalog& Catalog() const { return *catalog_; }
    TAlbumView& AlbumView() const { return *albumView_; }
    // What opening the catalog found at creation; on MustClose the program ends at once without
    // writing any catalog file.
    TCatalogOpen CatalogStatus() const { return catalogStatus_; }
    bool CatalogMustClose() const { return catalogStatus_ == TCatalogOpen::MustClose; }
    QComboBox* AlbumBox() const { return ComboBox1; }
    // The bar beside the photo list that shows how far a long refresh has got.
    QProgressBar* RefreshProgress() const { return prgRefresh; }
    // Refills the album box from the album list, each line with its icon from the icon strip.
    void LoadAlbumBox();
    // Opens the album of the album box's line index, as choosing it does.
    void ComboBox1Change(int index);
    // Opens the album an album file path names (the "/OPENCOL" argument); tells the user when
    // the album list has no such album. Returns whether an album was opened.
    bool OpenAlbumFromPath(const std::string& path);
    // Rebuilds the photo list from the open album (after its rows or photos changed).
    TRefreshResult RefreshList();

    // ---- Viewer ----
    viewer::TViewerModel& ViewerModel() const { return *viewerModel_; }
    // The photo list's selected row, or -1.
    int SelectedRow() const;
    // Makes row the photo list's current row and shows its photo, as clicking it does.
    void SelectRow(int row);
    // Shows the photo of the photo list's current row (the photo list's click).
    void ListBox1Click();
    // Shows row of the import bar's thumbnail list: folder + "/" + fileNames[row].
    void ListBox2Click(int row, const std::string& folder, const std::vector<std::string>& fileNames);
    // Back to "No Image Selected": no picture, the texts of no photo, the photo commands off
    // (First and Last stay on while the photo list has rows).
    void ClearViewer();
    // The zoom and navigation commands. Navigation steps through the list the shown photo came
    // from: the photo list, or the import bar's list through the three hooks below.
    void ZoomInExecute();
    void ZoomOutExecute();
    void ShowAllExecute();
    void ToFitExecute();
    void FirstExecute();
    void PreviousExecute();
    void NextExecute();
    void LastExecute();
    // The photo area changed size: the picture is fitted or placed again.
    void ScrollBox1Resize();
    // The import bar's thumbnail list as the navigation commands see it (set by the import bar):
    // selectImportRow(row) selects the row there and shows it (ListBox2Click).
    std::function<void(int)> selectImportRow;
    std::function<int()> importRowCount;
    std::function<int()> importCurrentRow;

    // ---- Album commands ----
    // Remove From Album for the photo list's current row (also run for a photo whose file is gone).
    void RemoveFromColExecute();
    // New Album: the new album dialog, then the album line, its file, and the album opened.
    void NewColExecute();
    // Remove Album: the open album, its photos' catalog records and thumbnails.
    void RemoveColExecute();
    // Add To Album: the shown photo of the photo list joins the album chosen in the dialog.
    void AddToCollectionExecute();
    // The icon list dialog (from the Preferences dialog and the welcome pane).
    void IconsExecute();
    // The album dialogs, created with the window and reused.
    TfrmNewCol* NewColDialog() const { return frmNewCol_; }
    TfrmAddtoCol* AddToColDialog() const { return frmAddtoCol_; }
    TfrmIcons* IconsDialog() const { return frmIcons_; }
    // The scanner and camera import dialog (Import from Camera or Scanner).
    TfrmCamera* CameraDialog() const { return frmCamera_; }

    // Controls of the viewer and the album pane that the panes' own code wires.
    QScrollArea* PhotoArea() const { return ScrollBox1; }
    TPhotoView* PhotoView() const { return Image1; }
    QLabel* TitleLabel() const { return lblTitle; }
    QLabel* CreditLabel() const { return lblCredit; }
    QLabel* DateLabel() const { return lblDate; }
    QPlainTextEdit* NotesBox() const { return Memo1; }
    QLineEdit* SearchBox() const { return Edit1; }
    QPushButton* SearchButton() const { return btnSearch; }
    QPushButton* SearchOptionsButton() const { return btnSearchOptions; }

    // ---- Photo properties, notes and search (frmMainNotes.cpp, frmMainSearch.cpp) ----
    // Image Properties for the shown photo (the command and the clicks on its title and credit).
    void ImgPropertiesExecute();
    // The notes box and Image Properties work on the photo of this photo-list row from now on
    // (its texts are on show even when its picture could not be decoded).
    void EditorsFollowRow(int row);
    // The notes box: a change of its text, and the box losing the focus.
    void Memo1Change();
    void Memo1Exit();
    // The Search command, the search pane's buttons and the terms field getting the focus.
    void SearchExecute();
    void btnSearchClick();
    void btnSearchOptionsClick();
    void Edit1Enter();
    TPhotoProperties& PhotoProperties() const { return *photoProperties_; }
    TSearch& Search() const { return *search_; }
    TfrmProperties& PropertiesDialog() const { return *frmProperties_; }
    TfrmSearchOpts& SearchOptionsDialog() const { return *frmSearchOpts_; }
    QToolBar* ImportToolBar() const { return tbImport; }
    // The import bar's contents: drives, folders, the folder's photos and the add commands.
    TImportBar* ImportBarContents() const { return importBar_.get(); }
    // The picture area's and the photo list's keys, the context menus, drag and drop, and
    // Help > Keyboard Shortcuts.
    TMainInput& Input() const { return *input_; }

    // ---- Sharing (frmMainShare.cpp) ----
    // Share Album: the Share dialog for the open album.
    void ShareExecute();
    // Receives a shared album package as "/ALBUM" does; the album box lists the new album at once.
    void ReceivePackage(const std::string& path);
    // Acts on a command line as start-up does: "/OPENCOL" path, "/ALBUM" path.
    void ActOnArguments(const std::vector<std::string>& args);
    // A later start handed its command line over: the window comes to the front and acts on it
    // (once no dialog is open); a relative path is taken from that start's working folder.
    void ArgumentsHandedOver(std::vector<std::string> args, const std::string& workingFolder, bool raise = true);
    TfrmShare2* ShareDialog() const { return frmShare2_; }
    TfrmReceive* ReceiveDialog() const { return frmReceive_; }

    // ---- Full screen, slideshow, copy, wallpaper, printing and the editor ----
    TImageCommands& ImageCommands() const { return *imageCommands_; }

    // ---- Help and first-use hints ----
    THelp& Help() const { return *help_; }
    THints& Hints() const { return *hints_; }
    TBalloonHint& Balloon() const { return *balloon_; }
    TfrmHelpViewer& HelpViewer() const { return *helpViewer_; }

    // ---- Welcome pane, About, Donate and the web links (frmMainWelcome.cpp) ----
    TfrmIWant* WelcomePane() const { return frmIWant_; }
    TfrmAbout* AboutWindow() const { return frmAbout_; }
    TfrmDonate* DonateWindow() const { return frmDonate_; }
    // The View menu's "Task Launcher": checked exactly while the welcome pane is shown.
    QAction* TaskLauncher() const;
    // Shows the welcome pane and checks "Task Launcher".
    void ShowWelcomePane();
    // Carries out the welcome pane's link of WelcomeLinkTable() index.
    void WelcomeLinkClicked(int index);
    void AboutExecute();
    void DonateExecute();

    // The window's placement in its stored form.
    std::string PlacementText() const;
    bool FirstShown() const { return firstShown_; }

signals:
    // A photo of the photo list (row) or of the import bar's list is on screen.
    void PhotoShown(int row);
    void ImportPhotoShown(int row);
    // The viewer went back to "No Image Selected".
    void ViewerCleared();
    // An album was opened from the album box (its rows are in the photo list).
    void AlbumOpened();

protected:
    void setVisible(bool visible) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // The album view's refresh, shown in the photo list and the progress bar.
    void OnRefreshStarted() override;
    void OnProgress(int done, int total) override;
    void OnThumbsReady() override;
    void OnRefreshFinished(TRefreshResult result) override;
    void FormClose();
    void RunCommandLine();
    void PlaceRefreshProgress();
    // Shows the album pane's progress bar (range 0 to total, set as it appears) at done.
    void ShowRefreshProgress(int done, int total);

    void FormCreate();
    void FormShow();
    void FormDestroy();
    void RestorePlacement();
    void TrackNormalRect();

    void BuildCommands();
    // Creates the album dialogs and connects the album commands to them.
    void ConnectAlbumCommands();
    // Creates the scanner and camera import dialog and connects its command.
    void ConnectScanCommand();
    void BuildMenus();
    void BuildImportBar();
    void BuildAlbumPane();
    void BuildViewer();
    QToolBar* MakeToolBar(const QString& objectName, const QString& accessibleName, int iconSize);
    QAction* MenuProxy(QAction* command, const QString& text, QMenu* menu);

    void AlbumPaneResize();
    void ImportBarResize();
    void DetailsPanelResize();

    // The viewer on screen.
    void BuildPhotoView();
    void ConnectViewer();
    void ShowViewer();
    void PlaceImageBox();
    void FitAreaToScrollBox();
    int PhotoRowCount() const;
    std::string ImageEditorText() const;
    void Navigate(viewer::TViewerCommand command);

    TSettingsStore& settings_;
    TMessages& messages_;
    std::string documentsFolder_;
    std::string installFolder_;
    std::string helpFileName_;
    TfrmPrefs2* prefs_ = nullptr;
    QPointer<QWidget> splash_;
    std::vector<std::string> args_;
    bool firstShown_ = false;
    bool searchMode_ = false;
    QRect normalRect_;
    bool closed_ = false;

    std::unique_ptr<TCatalog> catalog_;
    std::unique_ptr<TAlbumView> albumView_;
    TCatalogOpen catalogStatus_ = TCatalogOpen::Loaded;
    bool refreshing_ = false;

    std::unique_ptr<TfrmHelpViewer> helpViewer_;
    std::unique_ptr<THelp> help_;
    TBalloonHint* balloon_ = nullptr;  // a child of the window
    std::unique_ptr<TBalloonHintPresenter> hintPresenter_;
    std::unique_ptr<THints> hints_;

    std::unique_ptr<viewer::TViewerModel> viewerModel_;

    // Album dialogs (children of the window).
    TfrmNewCol* frmNewCol_ = nullptr;
    TfrmAddtoCol* frmAddtoCol_ = nullptr;
    TfrmIcons* frmIcons_ = nullptr;
    TfrmCamera* frmCamera_ = nullptr;
    std::shared_ptr<TTwainHost> twainHost_;  // the TWAIN engine's windows and event loop

    std::shared_ptr<const TRowPictures> thumbStrip_;  // shared with the album view
    std::vector<QString> rowCaptions_;

    QList<QAction*> commands_;

    // Panes and dividers.
    TPaneRow* row_ = nullptr;
    QWidget* Panel4 = nullptr;
    TSplitter* Splitter3 = nullptr;
    QWidget* Panel1 = nullptr;
    TSplitter* Splitter1 = nullptr;
    QWidget* Panel2 = nullptr;

    // Import bar.
    QLabel* lblImportTitle = nullptr;
    QToolButton* btnImportClose = nullptr;
    QToolBar* tbImport = nullptr;

    // Album pane.
    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnSearchOptions = nullptr;
    QPushButton* btnSearchHelp = nullptr;
    TPhotoList* ListBox1 = nullptr;
    QProgressBar* prgRefresh = nullptr;
    QToolBar* tbAlbum = nullptr;
    THScrollStrip* stripAlbum = nullptr;

    // Viewer.
    QLabel* lblTitle = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    QWidget* imageCanvas_ = nullptr;  // the scroll box's content, holding Image1
    TPhotoView* Image1 = nullptr;
    QWidget* pnlDetails = nullptr;
    QToolBar* tbImage = nullptr;
    THScrollStrip* stripImage = nullptr;
    QLabel* lblTakenBy = nullptr;
    QLabel* lblCredit = nullptr;
    QLabel* lblDateCaption = nullptr;
    QLabel* lblDate = nullptr;
    QPlainTextEdit* Memo1 = nullptr;

    // Share and Receive dialogs (children of the window).
    void ConnectShareCommands();
    TfrmShare2* frmShare2_ = nullptr;
    TfrmReceive* frmReceive_ = nullptr;

    // Photo properties, notes and search.
    void ConnectNotesAndSearch();
    void SearchResultOpened(TRefreshResult result);
    std::unique_ptr<TPhotoProperties> photoProperties_;
    std::unique_ptr<TSearch> search_;
    std::unique_ptr<TSearchObserver> searchPane_;
    std::unique_ptr<TSearchOptions> searchOptions_;
    TfrmProperties* frmProperties_ = nullptr;  // children of the window
    TfrmSearchOpts* frmSearchOpts_ = nullptr;
    // The viewer has refilled the notes box since the shown photo was last reported.
    bool notesRefilled_ = false;
    // The search is opening its result: the text rows of an empty result must survive.
    bool searchOpening_ = false;
    // The focus watchers of the notes box and the terms field; they go first when the window is
    // destroyed, so no focus change during the destruction reaches the editors.
    std::vector<std::unique_ptr<QObject>> focusWatchers_;

    // Welcome pane, About and Donate (children of the window).
    void ConnectWelcome();
    TfrmIWant* frmIWant_ = nullptr;
    TfrmAbout* frmAbout_ = nullptr;
    TfrmDonate* frmDonate_ = nullptr;
    std::unique_ptr<TImageCommands> imageCommands_;

    // Last members: they go first, while the catalog and the widgets they use still exist.
    std::unique_ptr<TImportBar> importBar_;
    std::unique_ptr<TMainInput> input_;
};
