#include "TAlbumManager.h"

#include <climits>
#include <filesystem>
#include <unistd.h>

#include "JpegCodec.h"
#include "TCatalog.h"
#include "TMessages.h"

namespace fs = std::filesystem;
using namespace albummgr;

namespace {

bool IsReservedSpelling(const std::string& name) { return name == "Search Results" || name == "search results"; }

// Longest file name, in bytes, that the folder's file system takes.
size_t NameMax(const std::string& folder) {
    const long n = pathconf(folder.c_str(), _PC_NAME_MAX);
    return n > 0 ? size_t(n) : size_t(NAME_MAX);
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// Writes an album table with the single field ImgID and no rows.
// False with the system's reason in *why when the file cannot be written.
bool WriteEmptyAlbum(const std::string& path, std::string* why) {
    TMlb2 t;
    t.Clear();
    t.AddField("ImgID");
    if (t.SaveToMLB(path)) return true;
    *why = !t.SystemErrorText().empty() ? t.SystemErrorText() : !t.ErrorText().empty() ? t.ErrorText() : "unknown error";
    return false;
}

}  // namespace

TAlbumManager::TAlbumManager(TCatalog& catalog) : catalog_(catalog) {}

// ------------------------------------------------------------------ new album

int TAlbumManager::IconBoxCount() const { return catalog_.IconStrip().Count(); }

TNameCheck TAlbumManager::CheckNewName(const std::string& name) const {
    if (!IsReservedSpelling(name) && name.find_first_of(kRefusedCharacters) != std::string::npos)
        return TNameCheck::InvalidCharacters;
    if (IsReservedSpelling(name)) return TNameCheck::ReservedName;
    if (name.find_first_of(kLineBreakingCharacters) != std::string::npos) return TNameCheck::BreaksAlbumLine;
    if (!name.empty() && Exists(catalog_.AlbumFilePath(name))) return TNameCheck::AlreadyExists;
    if (name.empty()) return TNameCheck::Empty;
    const std::string fileName = name + ".col";
    if (name.find('\0') != std::string::npos || fileName.size() > NameMax(catalog_.Root()))
        return TNameCheck::NotAFileName;
    return TNameCheck::Ok;
}

bool TAlbumManager::NewAlbumOk(const std::string& name) {
    TMessages& m = catalog_.Messages();
    switch (CheckNewName(name)) {
    case TNameCheck::InvalidCharacters:
        ShowOk(m, "Invalid Characters", "The name cannot contain these characters:\r\\ / ? * \" < > | &",
               TMsgIcon::Information);
        return false;
    case TNameCheck::ReservedName:
        ShowOk(m, "Invalid Name", "Your album cannot be named 'Search Results'.", TMsgIcon::Information);
        return false;
    case TNameCheck::BreaksAlbumLine:
        ShowOk(m, "Invalid Name", "An album name cannot contain a semicolon (;) or a line break.",
               TMsgIcon::Information);
        return false;
    case TNameCheck::AlreadyExists:
        ShowOk(m, "Already Exists", "That collection already exists. Please type in a new name.",
               TMsgIcon::Information);
        return false;
    case TNameCheck::Empty:
        ShowOk(m, "No name", "Please type in a name.", TMsgIcon::Information);
        return false;
    case TNameCheck::NotAFileName:
        ShowOk(m, "Invalid Name",
               "That name is too long to be used for an album on this system. Please type in a shorter name.",
               TMsgIcon::Information);
        return false;
    case TNameCheck::Ok:
        break;
    }
    // The file is written from a table of its own: the open album's table still holds the rows
    // of the album on screen until the window opens the new one.
    std::string why;
    const std::string path = catalog_.AlbumFilePath(name);
    if (!WriteEmptyAlbum(path, &why)) {
        ShowOk(m, "Error", "The album could not be created as\r\n" + path + "\r\n(" + why + ").", TMsgIcon::Error);
        return false;
    }
    return true;
}

int TAlbumManager::AddNewAlbum(const std::string& name, int icon) {
    std::vector<std::string>& list = catalog_.AlbumList();
    if (!list.empty() && list.back() == TCatalog::kReservedAlbumLine) list.pop_back();
    list.push_back(name + ";" + std::to_string(icon));
    catalog_.SaveAlbumList();  // also drops the reserved line when it is still there
    list.push_back(TCatalog::kReservedAlbumLine);
    catalog_.CreateAlbumFile(name);
    return static_cast<int>(list.size()) - 2;
}

// ------------------------------------------------------------------ remove album

TAlbumRemoved TAlbumManager::RemoveAlbum(int line) {
    TAlbumRemoved out;
    std::vector<std::string>& list = catalog_.AlbumList();
    if (line < 0 || size_t(line) >= list.size()) return out;
    const std::string name = TCatalog::AlbumEntryName(list[size_t(line)]);
    if (name.empty() || name == TCatalog::kSearchResultsAlbum) return out;
    if (!TCatalog::IsUsableAlbumName(name)) {
        // Such a name would lead outside the catalog folder: no file is removed for it.
        ShowOk(catalog_.Messages(), "Remove Album",
               "The album \"" + name + "\" cannot be removed: its name in the album list (albums.pdat) "
               "contains characters that an album name cannot have, such as / or \\.",
               TMsgIcon::Warning);
        return out;
    }
    if (!AskYesNo(catalog_.Messages(), "Remove Album", "Are you sure you want to remove this album?")) return out;

    TMlb2& album = catalog_.AlbumTable();
    TMlb2& cat = catalog_.CatalogTable();
    // Kept until the catalog is written: a failed write puts the tables back as they were.
    TMlb2 catalogBefore = cat;
    TMlb2 albumBefore = album;
    for (int r = album.RecordCount(); r >= 1; --r) {
        album.GoTo(r);
        int id = 0;
        // A row whose identifier is not a number refers to no photo; it only leaves the album.
        if (TCatalog::ParseInt(album.GetValue("ImgID"), id)) {
            catalog_.RemoveThumbnail(id);
            // Record 1 is the seed record that failed look-ups land on; it is never deleted.
            if (catalog_.FindImage(id) && cat.CurrentIndex() > 1) cat.DeleteCurrent();
        }
        album.DeleteRecord(r);
    }
    if (!catalog_.SaveCatalog()) {
        cat = std::move(catalogBefore);
        album = std::move(albumBefore);
        return out;
    }
    std::error_code ec;
    fs::remove(catalog_.AlbumFilePath(name), ec);

    list.erase(list.begin() + line);
    // At once, not at exit: after a crash the list would still name the removed album.
    catalog_.WriteAlbumList();
    out.removed = true;
    if (line > 0)
        out.openLine = line - 1;
    else if (!list.empty() && list.front() != TCatalog::kReservedAlbumLine)
        out.openLine = 0;
    return out;
}

// ------------------------------------------------------------------ remove from album

TPhotoRemoved TAlbumManager::RemoveFromAlbum(const std::string& albumName, int row) {
    TPhotoRemoved out;
    TMlb2& album = catalog_.AlbumTable();
    TMlb2& cat = catalog_.CatalogTable();
    const int rows = album.RecordCount();
    if (row < 0 || row >= rows) return out;
    if (catalog_.Messages().Show("Delete",
                                 "Are you sure you want to delete this photo from the album? This will not "
                                 "remove it from your system.",
                                 TMsgIcon::Information, TMsgButtons::YesNo) != TMsgResult::Yes)
        return out;

    if (catalog_.AlbumIsProtected(albumName)) return out;
    TMlb2 catalogBefore = cat;
    TMlb2 albumBefore = album;
    album.GoTo(row + 1);
    int id = 0;
    const bool numeric = TCatalog::ParseInt(album.GetValue("ImgID"), id);
    // A row without a catalog record leaves the catalog alone (the seed record stays).
    const bool found = numeric && catalog_.FindImage(id) && cat.CurrentIndex() > 1;
    album.DeleteRecord(row + 1);
    if (found) cat.DeleteCurrent();
    // The album first: a row gone from the album but still in the catalog is harmless, the
    // other way round the album would name a photo the catalog no longer has.
    if (!catalog_.SaveAlbum(albumName)) {
        cat = std::move(catalogBefore);
        album = std::move(albumBefore);
        return out;
    }
    if (!catalog_.SaveCatalog()) {
        cat = std::move(catalogBefore);
        return out;
    }
    if (found) catalog_.RemoveThumbnail(id);

    out.removed = true;
    out.refreshList = true;
    out.selectRow = rows == 1 ? -1 : (row == rows - 1 ? row - 1 : row);
    return out;
}

// ------------------------------------------------------------------ add to album

std::vector<std::string> TAlbumManager::AddToChoices() const {
    std::vector<std::string> lines = catalog_.AlbumList();
    if (!lines.empty()) lines.pop_back();
    return lines;
}

bool TAlbumManager::AddToAlbumOk(int index) {
    const std::vector<std::string> lines = AddToChoices();
    if (index < 0 || size_t(index) >= lines.size()) {
        ShowOk(catalog_.Messages(), "Add to Collection", "Choose an album from the list below to add this photo to.",
               TMsgIcon::Information);
        return false;
    }
    const int icon = TCatalog::AlbumEntryIcon(lines[size_t(index)]);
    if (icon == 0 || icon == 2) {
        ShowOk(catalog_.Messages(), "Error", "This collection is read-only. You cannot add any images to this.",
               TMsgIcon::Information);
        return false;
    }
    return true;
}

TPhotoCopied TAlbumManager::AddToAlbum(const std::string& line, const std::string& imgId,
                                       const std::string& openAlbumName) {
    TPhotoCopied out;
    const std::string name = TCatalog::AlbumEntryName(line);
    if (name.empty() || imgId.empty()) return out;
    if (catalog_.AlbumIsProtected(name)) {
        ShowOk(catalog_.Messages(), "Error",
               "The photo cannot be added to the album \"" + name +
                   "\": its file could not be read, and it is left as it is.",
               TMsgIcon::Error);
        return out;
    }
    const std::string path = catalog_.AlbumFilePath(name);
    TMlb2 t;
    t.Clear();
    if (!t.LoadFromMLB(path)) {
        ShowOk(catalog_.Messages(), "Error",
               "The photo cannot be added to the album \"" + name + "\": its file\r\n" + path +
                   "\r\ncould not be read (" +
                   (t.SystemErrorText().empty() ? t.ErrorText() : t.SystemErrorText()) + ").",
               TMsgIcon::Error);
        return out;
    }
    t.AppendRecord();
    if (!t.SetValue("ImgID", imgId)) return out;
    const bool saved = t.SaveToMLB(path);
    if (!catalog_.ReportWrite(path, saved, t.SystemErrorText().empty() ? t.ErrorText() : t.SystemErrorText()))
        return out;
    out.written = true;
    // The open album's table is a copy taken when it was opened: reload it so that no later
    // save of that copy drops the new row.
    if (name == openAlbumName) {
        catalog_.OpenAlbum(name);
        out.reloadedOpenAlbum = true;
    }
    return out;
}

// ------------------------------------------------------------------ icon list

TIconAdded TAlbumManager::IconAdd(const std::string& bitmapPath) {
    TIconAdded out;
    QImage picture;
    std::string why;
    if (!imaging::LoadBmp(bitmapPath, picture, why)) {
        ShowOk(catalog_.Messages(), "Error", "The file " + bitmapPath + " could not be read as a picture: " + why,
               TMsgIcon::Error);
        return out;
    }
    if (picture.width() != 16 || picture.height() != 16) {
        ShowOk(catalog_.Messages(), "Size", "The image is not of the required size of 16x16.", TMsgIcon::Information);
        return out;
    }
    out.index = catalog_.IconStrip().Count();
    catalog_.IconStrip().Add(picture);
    out.added = true;
    return out;
}

bool TAlbumManager::IconListOk() { return catalog_.SaveIconStrip(); }
