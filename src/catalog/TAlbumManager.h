#pragma once
// TAlbumManager: creating and removing albums, moving photos between them, and the album icon
// list, without the windows. Every question and message goes through the catalog's TMessages;
// what only the window can do (opening an album line, rebuilding the photo list, selecting a
// row) comes back as a result for the window to carry out.

#include <string>
#include <vector>

class TCatalog;

namespace albummgr {

inline constexpr const char* kHelpNewAlbum = "::/new_album.htm>trainer";
inline constexpr const char* kHelpAddToAlbum = "::/addtoalbum.htm>trainer";
inline constexpr const char* kHelpIcons = "::/icons.htm>trainer";

// The characters a new album name may not hold.
inline constexpr const char* kRefusedCharacters = "&/\\*?<>|\"";
// Characters that would split the name inside an album line ("name;icon", one per line): an
// album named with one would open another album's file and could never be found again.
inline constexpr const char* kLineBreakingCharacters = ";\r\n";

// Results of the new album dialog's checks, in the order they are made.
enum class TNameCheck {
    Ok,
    InvalidCharacters,  // one of & / \ * ? < > | "
    ReservedName,       // "Search Results" or "search results"
    BreaksAlbumLine,    // ";" (it ends the name in an album line) or a line break
    AlreadyExists,      // the album file exists
    Empty,
    NotAFileName,       // too long for a file name on this system, or holds a zero byte
};

}  // namespace albummgr

// What Remove Album left for the window to do.
struct TAlbumRemoved {
    bool removed = false;
    // Album list index of the line to select and open, or -1 for none (clear the album view).
    int openLine = -1;
};

// What Remove From Album left for the window to do.
struct TPhotoRemoved {
    bool removed = false;
    bool refreshList = false;
    int selectRow = -1;  // list row to select and show afterwards; -1: none
};

// What Add To Album left for the window to do.
struct TPhotoCopied {
    bool written = false;
    // The chosen album is the open one: its table was reloaded from the file; run RefreshList.
    bool reloadedOpenAlbum = false;
};

// What the icon list's "Add" did.
struct TIconAdded {
    bool added = false;
    int index = -1;  // the new picture's icon index
};

class TAlbumManager {
public:
    explicit TAlbumManager(TCatalog& catalog);

    // ---- new album dialog (TfrmNewCol)
    // The icon box's entries: one per picture of the icon strip; the first (0) is selected.
    int IconBoxCount() const;
    // The name checks without any message.
    albummgr::TNameCheck CheckNewName(const std::string& name) const;
    // "OK": the checks in order; the first that applies is shown and false returned (the dialog
    // stays open). Otherwise the empty album file is written and true returned (close with
    // success). A file that cannot be written is reported and the dialog stays open.
    bool NewAlbumOk(const std::string& name);
    // The rest of the New Album command after the dialog closed with success: the album line
    // name + ";" + icon goes before the reserved line, albums.pdat is written, the album file is
    // (re)created. Returns the album list index of the new line, which the window selects and
    // opens.
    int AddNewAlbum(const std::string& name, int icon);

    // ---- Remove Album
    // Removes the album of album list line `line` (the open album, whose rows are in the
    // catalog's album table) after asking. Its photos leave the catalog and their cached
    // thumbnails are deleted; the album file goes and the line leaves the album list in memory.
    TAlbumRemoved RemoveAlbum(int line);

    // ---- Remove From Album
    // Removes list row `row` of the open album `albumName` (album record row + 1) after asking.
    // The photo's catalog record goes with it when the row's photo is in the catalog.
    TPhotoRemoved RemoveFromAlbum(const std::string& albumName, int row);

    // ---- add to album dialog (TfrmAddtoCol) and command
    // The dialog's lines: the album list without the reserved last line.
    std::vector<std::string> AddToChoices() const;
    // "OK" with choice `index` of AddToChoices() (-1: none): false (with a message) keeps the
    // dialog open; read-only albums (icon 0 or 2) are refused.
    bool AddToAlbumOk(int index);
    // Appends a row with imgId to the album of album line `line` on a private table, and
    // reloads the open album `openAlbumName` when that is the album written to.
    TPhotoCopied AddToAlbum(const std::string& line, const std::string& imgId, const std::string& openAlbumName);

    // ---- icon list dialog (TfrmIcons)
    static bool IconAddEnabled(const std::string& fileField) { return !fileField.empty(); }
    // "Add": a bitmap of exactly 16 x 16 pixels joins the icon strip; any other size is refused
    // with "Size", an unreadable file with an error message.
    TIconAdded IconAdd(const std::string& bitmapPath);
    // "OK": writes the strip to icons.pdat.
    bool IconListOk();

private:
    TCatalog& catalog_;
};
