#pragma once
// The import bar's contents inside the main window's Panel4: the drive selector, the folder list,
// the hidden file list, the thumbnail list of the current folder and the import tool bar (Help,
// Browse, the scanner command, Add All, "Add To >>"). The file system walk, the thumbnails and
// the filing itself are TFolderImport's; this class wires them to the widgets and carries out
// what an add leaves for the window (reloading the photo list, closing help, the balloon hint).

#include <QObject>
#include <QString>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TFolderImport.h"

class QAction;
class QComboBox;
class QListWidget;
class QProgressBar;
class QToolButton;
class TPhotoList;
class TPlatform;
class TfrmMain;

class TImportBar : public QObject, private TImportObserver {
    Q_OBJECT
public:
    // Builds the controls in main's import bar and reads the working directory into the file
    // list (the thumbnail list stays empty until the folder changes).
    explicit TImportBar(TfrmMain& main);
    ~TImportBar() override;

    TFolderImport& Import() const { return *import_; }

    QComboBox* Drives() const { return importDrives; }
    QListWidget* Folders() const { return importFolders; }
    QListWidget* Files() const { return importFiles; }
    TPhotoList* Thumbnails() const { return ListBox2; }
    QProgressBar* Progress() const { return prgImport; }
    QAction* HelpAction() const { return actHelp; }
    QAction* BrowseAction() const { return actBrowse; }
    QAction* ScanAction() const { return actScan; }
    QAction* AddAllAction() const { return actAddAll; }
    QAction* AddToAction() const { return actAddTo; }

    // The volumes of the drive selector (mount points), in its order.
    const std::vector<std::string>& Volumes() const { return volumes_; }
    // Replaces the drive selector's volumes by these mount points ("/" among them).
    void SetVolumes(const std::vector<std::string>& mountPoints);

    // Makes folder the current folder, as opening its row does: the file list is re-read, then
    // the thumbnails are rebuilt. Choosing the current folder again, or a folder that does not
    // exist, changes nothing. Returns whether the folder changed.
    bool ChangeFolder(const std::string& folder);
    // Choosing line index of the drive selector: the folder list moves to that drive's current
    // folder (the last one visited there, at first its mount point).
    void importDrivesChange(int index);

    // The tool bar's commands.
    void ToolButton24Click();  // Help
    void ToolButton11Click();  // Browse
    void ToolButton26Click();  // Add All
    void ToolButton10Click();  // "Add To >>"
    // Photo files dropped onto the photo list: filed into the open album as "Add To >>" files.
    void AddDroppedFiles(const std::vector<std::string>& paths);

    // Selecting row of the thumbnail list, as a click does: shows the photo and sets the add
    // buttons. A waiting row is not a photo: it only disables the buttons.
    void ListBox2Click(int row);
    // Moves the selection to row and shows it (the viewer's navigation commands).
    void SelectRow(int row);
    // Photo rows of the thumbnail list (0 while it shows the waiting rows) and the current row.
    int RowCount() const;
    int CurrentRow() const;

    // The first-use steps of the Import Bar command, run after every toggle.
    void BarToggled();

    // The line the album box shows, "" when it shows none.
    std::string AlbumLine() const;

private:
    void OnImportProgress(int done, int total) override;
    bool eventFilter(QObject* o, QEvent* e) override;

    void BuildControls();
    void BuildToolBar();
    void Layout();
    void FillDrives();
    void SetDriveLines(std::vector<std::pair<std::string, QString>> lines);
    void FillFolders();
    void FillFiles();
    void ShowThumbnails();
    void SetButtons(const TAddButtons& b);
    // After the file list was re-read for a new folder: the folder list, the drive box, the file
    // list, the add buttons, then the thumbnails.
    void FolderRead();
    void importFilesChange();
    void importFoldersChange();
    void CarryOut(const TImportAdd& out);

    TfrmMain& main_;
    std::unique_ptr<TPlatform> platform_;
    std::unique_ptr<TFolderImport> import_;
    std::vector<std::string> volumes_;
    std::map<std::string, std::string> driveFolders_;  // mount point -> last folder there
    bool quietSelection_ = false;  // selection moves that show nothing (filling, Add All)

    QComboBox* importDrives = nullptr;
    QListWidget* importFolders = nullptr;
    QListWidget* importFiles = nullptr;
    TPhotoList* ListBox2 = nullptr;
    QProgressBar* prgImport = nullptr;
    QAction* actHelp = nullptr;
    QAction* actBrowse = nullptr;
    QAction* actScan = nullptr;
    QAction* actAddAll = nullptr;
    QAction* actAddTo = nullptr;
};
