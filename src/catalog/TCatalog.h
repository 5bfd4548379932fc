#pragma once
// TCatalog: the user's photo catalog, its files and the shared operations over them.
//
// The catalog root is the documents folder + "/My Pictures/My Albums/". It holds:
//   data.mlb            the catalog table, one record per photo: ImgID, ImgName, ImgPath,
//                       ImgCredit, ImgKeys (record 1 is the seed record: ImgID "1", the rest "nil")
//   <album>.col         one table per album, a single field ImgID, one record per row
//   albums.pdat         the album list: "name;icon" lines ended by CR LF
//   icons.pdat          the album icon strip (until it exists, the install folder's defaults.iml)
//   Thumbnails/<id>.bmp cached 100 x 80 thumbnails; thumbnails.dat packs them between runs
//
// The main window owns one TCatalog for the whole run: the catalog table, the open album's table,
// the album list (its last line is always the reserved "Search Results;2") and the icon strip.
// Every operation that changes a table writes it before returning; every file is replaced
// atomically, so a crash or a full disk leaves the old file whole.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "TIconStrip.h"
#include "TMlb2.h"

class TMessages;
class TSettingsStore;

// What OpenCatalog found; the main window closes the program on MustClose.
enum class TCatalogOpen {
    Loaded,     // data.mlb was read
    Created,    // there was no data.mlb: a fresh catalog with its seed record was made
    Replaced,   // data.mlb could not be read: it was kept under a new name and, as the user
                // agreed, a fresh catalog was made
    MustClose,  // data.mlb could not be read and the user declined a fresh catalog (or the
                // damaged file could not be put aside): nothing was written; close at once
};

class TCatalog {
public:
    static constexpr const char* kReservedAlbumLine = "Search Results;2";
    static constexpr const char* kSearchResultsAlbum = "Search Results";

    // documentsFolder and installFolder without trailing slash.
    TCatalog(TSettingsStore& settings, TMessages& messages, std::string documentsFolder,
             std::string installFolder);

    // Folders and state
    const std::string& DocumentsFolder() const { return documents_; }
    const std::string& InstallFolder() const { return install_; }
    // documents folder + "/My Pictures/My Albums/" (ends with "/").
    const std::string& Root() const { return root_; }
    // The catalog root of a documents folder.
    static std::string RootOf(const std::string& documentsFolder);
    // install folder + "/" + name.
    std::string InstallFile(const std::string& name) const;
    TMlb2& CatalogTable() { return catalog_; }
    TMlb2& AlbumTable() { return album_; }
    std::vector<std::string>& AlbumList() { return albumList_; }
    TIconStrip& IconStrip() { return icons_; }
    TSettingsStore& Settings() { return settings_; }
    TMessages& Messages() { return messages_; }

    // Creates the catalog root with every missing parent, then loads data.mlb, or creates it
    // with the seed record when it does not exist. A data.mlb that exists but cannot be read is
    // never overwritten: the user is asked whether to start a fresh catalog; on Yes the damaged
    // file is renamed to "data (damaged).mlb" (or "data (damaged N).mlb") beside it first.
    // A fresh catalog numbers its photos above every number the album files and cached
    // thumbnails already in the root use, so that no old album lists a new photo.
    TCatalogOpen OpenCatalog();
    // Writes the catalog table to root + "data.mlb". A failure is reported to the user; `edit`
    // names the change being saved (see ReportWrite).
    bool SaveCatalog(const std::string& edit = "");

    // Reports a failed write of one of the catalog's files (which file, and why) and returns ok.
    // While the saves of one edit keep failing for the same reason (a full disk while the user
    // types notes: edit names the photo's notes) that is reported once; a failure of another
    // file, for another reason or of another edit is reported again, and so is every failure
    // whose edit is "" (each such save is an edit of its own). A successful write of the file
    // lets the next failure be reported again. What is on screen is never reloaded from the
    // disk after a failed write.
    bool ReportWrite(const std::string& path, bool ok, const std::string& why, const std::string& edit = "");

    // Removes what interrupted saves left in the catalog root: files named like the program's
    // own new files (see IsAtomicTempName) last changed before `before`; and what interrupted
    // unpackings left in the thumbnail folder and in the folders under My Pictures (see
    // TZipEngine::IsUnpackTempName). Returns how many.
    int RemoveStaleTempFiles(std::int64_t before);

    // Makes the catalog record with this ImgID current; when there is none, record 1 (the seed
    // record) is current and the result is false.
    bool FindImage(int id);
    // ImgID of the last catalog record; 0 when the table is empty or the value is not a number.
    int LastImageId();
    // The one source of new photo identifiers, for every way a photo enters the catalog (folder
    // import, scanner and camera, received albums). Reserves `count` consecutive identifiers after
    // the ImgID of the table's last record, starting at least at `floor` (kDeviceIdFloor for
    // scanned and camera photos, 1 otherwise), and returns the first. Returns 0 when the last
    // record's ImgID is not a number, or when fewer than `count` identifiers are left below the
    // largest int; `why` then says so, naming the number, in words fit for a message box.
    static int AllocateImageIds(TMlb2& table, int count, int floor, std::string* why = nullptr);
    static constexpr int kDeviceIdFloor = 2000;
    // AllocateImageIds(catalog table, 1, 1): identifiers for photos added from folders and
    // received albums; 0 when no further one can be made.
    int NextImageId(std::string* why = nullptr);
    // The same, at least 2000: identifiers for scanned and camera photos; 0 as above.
    int NextDeviceImageId(std::string* why = nullptr);
    // Appends a catalog record and an album row for the photo (neither table is saved).
    static void AddImage(TMlb2& catalog, TMlb2& album, int id, const std::string& name,
                         const std::string& path, const std::string& credit, const std::string& notes);

    // root + name + ".col".
    std::string AlbumFilePath(const std::string& name) const;
    // Whether an album name can be turned into a file path: what New Album accepts (no "/",
    // "\\", "&", "*", "?", "<", ">", "|", '"', ";", line break or zero byte, not empty). Names read
    // from albums.pdat that fail this are listed but never opened, written or removed.
    static bool IsUsableAlbumName(const std::string& name);
    // Loads the album's table. A missing or unreadable file leaves the table empty (with its
    // ImgID field, so rows can still be added). An unreadable file, or a name that cannot be a
    // file name, is reported to the user and the album is marked so that SaveAlbum,
    // CreateAlbumFile and the adds never write over it this run.
    bool OpenAlbum(const std::string& name);
    // Writes the album table to AlbumFilePath(name); false without writing for an album whose
    // file could not be read.
    bool SaveAlbum(const std::string& name);
    // Writes a new empty album table (field ImgID, no records) to AlbumFilePath(name).
    bool CreateAlbumFile(const std::string& name);
    // True when OpenAlbum found the album's file unreadable this run.
    bool AlbumIsProtected(const std::string& name) const;

    // The album list becomes the lines of root + "albums.pdat" (CR LF, CR or LF line ends), then
    // the reserved line is appended. A file that exists but cannot be read is reported and
    // SaveAlbumList then leaves it alone.
    void LoadAlbumList();
    // Removes the reserved last line from the album list and writes the other lines, each ended
    // by CR LF, to root + "albums.pdat".
    bool SaveAlbumList();
    // Writes the album list to root + "albums.pdat" as SaveAlbumList does, but keeps the reserved
    // line in memory: for changes to the list that must survive a crash of this run.
    bool WriteAlbumList();
    // The text before the first ";" (the whole line without one).
    static std::string AlbumEntryName(const std::string& line);
    // The number after the first ";" (at most 255 characters of it); 0 for a line without ";";
    // -1 (no icon) when the text is not an integer.
    static int AlbumEntryIcon(const std::string& line);

    // Replaces the icon strip from a strip file; on failure the strip is unchanged and *error
    // says why.
    bool LoadIconStrip(const std::string& path, std::string* error = nullptr);
    // icons.pdat from the root when it exists, else the install folder's defaults.iml. An
    // icons.pdat that cannot be read is renamed to "icons (damaged).pdat" (or "icons (damaged
    // N).pdat"), the user is told once, and defaults.iml is loaded instead.
    bool LoadStartupIconStrip(std::string* error = nullptr);
    // Writes the icon strip to root + "icons.pdat". A failure is reported to the user.
    bool SaveIconStrip(std::string* error = nullptr);

    // root + "Thumbnails/" + id + ".bmp".
    std::string ThumbnailPath(int id) const;
    std::string ThumbnailFolder() const;
    // root + "thumbnails.dat": the cache packed, read where it lies while the program runs.
    std::string ThumbnailArchivePath() const { return root_ + "thumbnails.dat"; }
    // A photo left the catalog: its cached thumbnail goes, and an entry of its identifier in
    // the thumbnail archive is no longer shown (a later photo may get the same identifier) and
    // is left out when the archive is next written.
    void RemoveThumbnail(int id);
    bool ThumbnailRemoved(int id) const { return removedThumbnails_.count(id) != 0; }
    // Every identifier the catalog table holds, ascending (the current record is kept).
    std::vector<int> CatalogImageIds();

    // Parses an identifier: optional sign and decimal digits only. False for anything else.
    static bool ParseInt(const std::string& text, int& value);

    // Longest albums.pdat that is read (a line per album: far beyond any real list).
    static constexpr std::size_t kMaxAlbumListBytes = std::size_t{16} << 20;

private:
    // A new catalog table with its seed record, saved; new photos are numbered above highestUsed.
    void MakeFreshCatalog(int highestUsed);
    // The highest photo number that an album file, a cached thumbnail or the thumbnail archive
    // in the root names (0 when none).
    int HighestUsedImageId() const;
    void SetThumbnailsAside();

    TSettingsStore& settings_;
    TMessages& messages_;
    std::string documents_;
    std::string install_;
    std::string root_;
    TMlb2 catalog_;
    TMlb2 album_;
    std::vector<std::string> albumList_;
    TIconStrip icons_;
    std::set<std::string> protectedAlbums_;
    bool albumListProtected_ = false;
    struct TFailingWrite {
        std::string why;
        std::string edit;
    };
    std::map<std::string, TFailingWrite> failingWrites_;  // by file
    std::set<int> removedThumbnails_;
};
