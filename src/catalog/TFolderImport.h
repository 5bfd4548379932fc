#pragma once
// TFolderImport: the import bar without its widgets. It walks the file system (drives, the
// folder rows, the JPEG photos of one folder), makes the 100 x 80 thumbnails of the import list
// and files photos from the current folder into the open album ("Add To >>" and Add All).
//
// A photo is filed where it lies: a catalog record that points at the file (title from the file
// name, photographer = the logged-in user) and an album row; data.mlb and the album's .col are
// written after every photo. What only the window can do (rebuilding the photo list, closing the
// help windows, the balloon hint) comes back in TImportAdd for the window to carry out.
//
// The import list has no row limit: a folder of any size is listed whole.

#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TAlbumView.h"

class TCatalog;
class TPlatform;

// One mounted volume for the drive selector.
struct TVolume {
    std::string mountPoint;  // folder the volume is mounted on
    std::string device;      // what is mounted ("/dev/sda1", "server:/share", ...)
    std::string fsType;      // "ext4", "vfat", ...
};

namespace folderimport {

inline constexpr const char* kMask = "*.jpg";
inline constexpr const char* kBrowseCaption = "Browse...";
inline constexpr const char* kBrowseText =
    "Choose a folder that contains the photos that you want to import and then click OK.";
inline constexpr const char* kNoAlbumCaption = "Error";
inline constexpr const char* kNoAlbumText = "No album selected.";
inline constexpr const char* kShowImportKey = "showImport";

// The machine's mounted volumes, read from a mounts table in the /proc/self/mounts layout
// (octal escapes such as "\040" decoded). Pseudo and virtual file systems (proc, sysfs, tmpfs,
// cgroup, snap images, ...) are left out, and so is any mount point listed twice after its
// first line. Sorted by mount point, "/" first.
std::vector<TVolume> MountedVolumes(const std::string& mountsFile = "/proc/self/mounts");
// The drive selector's folders: the mount points given, plus the root folder and the home folder
// (when it is an absolute path), each once, sorted. Neither the root nor the home folder need be
// in the mount table (a container, a chroot) to be offered.
std::vector<std::string> DriveRoots(const std::vector<std::string>& mountPoints, const std::string& home);
// True for file system types that hold no user files.
bool IsPseudoFileSystem(const std::string& fsType);

// The folder rows of a folder: its path from the root down, one row per level
// ("/", "/home", "/home/ann"). A relative or empty folder gives no rows.
std::vector<std::string> FolderRows(const std::string& folder);
// The names of a folder's sub-folders (links to folders included), hidden ones (".name") left
// out, sorted without regard to case.
std::vector<std::string> SubFolders(const std::string& folder);
// The names of a folder's regular files (links followed) that are photos by MatchesMask, hidden
// ones left out, sorted without regard to case (ties bytewise).
std::vector<std::string> ListPhotoFiles(const std::string& folder);
// True when a file name is a photo's: "*.jpg", "*.jpeg" or "*.jpe", a PNG, BMP, GIF, TIFF or
// WebP picture this Qt can read, a HEIF or AVIF photo ("*.heic", "*.heif", "*.hif", "*.avif") or
// a camera RAW file ("*.dng", "*.cr2", "*.cr3", "*.nef", "*.arw", ...: imaging::
// CameraRawExtensions), extensions in any letter case.
bool MatchesMask(const std::string& fileName);
// Name order of the lists: ASCII letters compared without regard to case, then bytewise.
bool NameLess(const std::string& a, const std::string& b);
// The mount point a folder lies on: the longest of mountPoints that is the folder itself or one
// of its parents ("/media/usb" holds "/media/usb/a" but not "/media/usbkey"); "" when none does.
std::string VolumeOf(const std::string& folder, const std::vector<std::string>& mountPoints);

// The title of a filed photo: the file name without its picture extension (any other name loses
// its last four characters), every "_" turned into " " ("summer_at_the_lake.jpg" -> "summer at
// the lake"; "IMG_1.jpeg" -> "IMG 1"; ".jpg" -> "").
std::string ImportTitle(const std::string& fileName);
// The photographer of a filed photo: the user name, at most 254 bytes.
std::string ImportCredit(const std::string& userName);

}  // namespace folderimport

// States of the two add buttons.
struct TAddButtons {
    bool addTo = false;   // "Add To >>"
    bool addAll = false;  // Add All
    bool operator==(const TAddButtons&) const = default;
};

// What an add left for the window to do.
struct TImportAdd {
    std::vector<int> ids;         // identifiers filed, in order
    bool refreshList = false;     // run RefreshList on the photo list
    bool closeAllHelp = false;    // close every help window
    // The balloon hint to show at the photo list (THints::ShowFirstUseHint); empty flag: none.
    std::string hintFlag;
    std::string hintText;
    std::string hintControl;
};

// Progress of the import list's thumbnails; called on the thread that runs RefreshImportList.
class TImportObserver {
public:
    virtual ~TImportObserver() = default;
    virtual void OnImportProgress(int done, int total) { (void)done, (void)total; }
};

class TFolderImport {
public:
    // What the thumbnail list shows.
    enum class TListState {
        Empty,         // nothing yet (start-up)
        Placeholders,  // the two waiting rows: thumbnails are being made or making them failed
        Thumbnails,    // one row per file of the file list
    };

    TFolderImport(TCatalog& catalog, TPlatform& platform);

    // Worker threads for the thumbnails; 0 (the default) uses one per core.
    void SetThreadCount(int n) { threads_ = n; }

    // Reads a folder into the file list and makes it the working directory. The thumbnail list
    // is not touched: the window runs FolderChanged afterwards. False when the folder does not
    // exist (nothing changes then).
    bool ReadFolder(const std::string& folder);
    const std::string& CurrentFolder() const { return folder_; }
    const std::vector<std::string>& FileList() const { return files_; }

    // Folder changed: the thumbnail list shows the two waiting rows (the window paints them at
    // once), then RefreshImportList. Returns whether the thumbnails were made.
    bool FolderChanged(TImportObserver* observer = nullptr);
    // Rebuilds the thumbnails and file names from the file list. A file that cannot be decoded
    // (half copied, not a JPEG) gets a picture that says so and the list goes on; the files are
    // kept for ReportUnreadable, which the window calls once the list is on screen.
    bool RefreshImportList(TImportObserver* observer = nullptr);
    // Shows one message naming the files the last RefreshImportList could not read; false (and
    // no message) when there were none.
    bool ReportUnreadable();
    const std::vector<std::string>& UnreadableFiles() const { return unreadable_; }
    // The rows of the thumbnail list: the two waiting rows (no picture), or one per file with a
    // 32-bit copy of its thumbnail. Every picture is read back into memory: a window fills its
    // list from Thumbnails and FileNames instead.
    std::vector<TPhotoRow> UpdImportThumbs() const;

    TListState ListState() const { return state_; }
    const std::vector<std::string>& FileNames() const { return names_; }
    // The thumbnails, one row per file, kept compressed in memory (a folder of ten thousand
    // photos would otherwise hold 320 MB of pixels); never null.
    std::shared_ptr<const TRowPictures> Thumbnails() const { return thumbs_; }
    int FileCount() const { return static_cast<int>(names_.size()); }

    // Browse: the folder dialog starts at startFolder (the current folder when empty). True when
    // another folder than the current one was chosen and read (the window then runs
    // FolderChanged); the same folder, a folder that cannot be read, or Cancel change nothing.
    bool Browse(const std::string& startFolder = {});

    // Add buttons. albumLine is the line the album box shows ("" when none).
    static bool IsRealAlbum(const std::string& albumLine);
    // After every re-read of the file list and every change of its selection.
    TAddButtons FilesChanged(const std::string& albumLine) const;
    // A row of the thumbnail list was selected. The waiting rows are not photos: selecting one
    // leaves both buttons disabled.
    TAddButtons ThumbnailSelected(const std::string& albumLine) const;
    // The album box switched to "Search Results".
    static TAddButtons SearchResultsOpened() { return {}; }

    // "Add To >>" for row r of the thumbnail list, into the open album (the catalog's album
    // table) named by albumLine. Does nothing while the list shows the waiting rows.
    TImportAdd AddTo(int row, const std::string& albumLine);
    // Add All: every row in order; selectRow (may be empty) moves the list's selection to each
    // row before it is filed. Does nothing while the list shows the waiting rows.
    TImportAdd AddAll(const std::string& albumLine, const std::function<void(int)>& selectRow = {});

    // Photo files from anywhere (dropped from a file manager) into the open album named by
    // albumLine, in the given order, with the checks and messages of "Add To >>". Paths that are
    // not photo files by MatchesMask are passed over; with none left nothing happens.
    TImportAdd AddFiles(const std::vector<std::string>& paths, const std::string& albumLine);

private:
    bool NoAlbum(const std::string& albumLine);
    // Adds one photo to both tables in memory and its identifier to out.ids; false (after a
    // message) when no identifier can be made or the album cannot be written.
    bool AddOne(int row, const std::string& albumName, const std::string& credit, TImportAdd& out);
    // Writes the catalog and the album once for the photos of out.ids; on a failure they are
    // taken back out of both tables (and out.ids emptied).
    bool SaveAdded(const std::string& albumName, TImportAdd& out);
    // Adds the photo file at path (shown as name) to both tables in memory, as AddOne does.
    bool FilePhoto(const std::string& path, const std::string& name, const std::string& albumName,
                   const std::string& credit, TImportAdd& out);
    void Finish(TImportAdd& out) const;

    TCatalog& catalog_;
    TPlatform& platform_;
    int threads_ = 0;
    std::string folder_;
    std::vector<std::string> files_;
    TListState state_ = TListState::Empty;
    std::vector<std::string> names_;
    std::shared_ptr<TRowPictures> thumbs_ = std::make_shared<TRowPictures>();
    std::vector<std::string> unreadable_;  // "name (reason)" per file the last listing could not read
};
