#pragma once
// TDeviceImport: filing a photo from a scanner or camera into an album, without the windows.
// The import dialog checks its fields here, writes the photo file, and its progress dialog files
// the photo on private copies of the catalog and album tables, then the main window's catalog
// table is read again.

#include <QImage>

#include <functional>
#include <string>
#include <vector>

class TCatalog;
class TMlb2;

namespace devimport {

inline constexpr const char* kNewAlbumLine = "New Album...;3";
inline constexpr const char* kNewCollectionLine = "New Collection...;3";
inline constexpr const char* kSaveCaption = "Save Photo";
inline constexpr const char* kSaveFilter = "JPEG Image (*.jpg)";

// Album lines whose icon is 0, 2 or 3 take no photos from a device.
bool IsReadOnlyLine(const std::string& line);

// The name proposed for the next photo once `filed` has been filed: the first of
// "<stem> 2.jpg", "<stem> 3.jpg", ... in the same folder that does not exist yet, where the stem
// is the filed name without its extension. exists tells whether a path is taken.
std::string NextFreePhotoName(const std::string& stem, const std::string& folder,
                              const std::function<bool(const std::string&)>& exists);

}  // namespace devimport

// The import dialog's fields as "Import" sees them.
struct TDeviceImportFields {
    std::string albumLine;  // the chosen line of the album drop-down ("" when none)
    std::string fileName;   // the file name box
    std::string name;       // the photo's title
    std::string credit;     // the photographer
    std::string comments;   // the notes (line breaks kept)
    bool hasImage = false;  // the preview holds an acquired picture
};

// What a filing did.
struct TDeviceFiled {
    bool filed = false;
    int id = 0;
    // The album filed into is the one open in the main window: its table was read again and the
    // photo list must be rebuilt.
    bool reloadedOpenAlbum = false;
};

class TDeviceImport {
public:
    explicit TDeviceImport(TCatalog& catalog);

    // The album drop-down: the lines of albums.pdat whose names can be album file names, then
    // "New Album...;3" (or, once an album was created from the dialog, "New Collection...;3").
    std::vector<std::string> DialogAlbumLines(bool afterCreation) const;

    // The folder photos are proposed in, and relative file names are taken from: the documents
    // folder's "My Pictures".
    std::string PhotoFolder() const;
    // A file name as the photo is written and stored: a name that is not absolute is taken
    // relative to PhotoFolder().
    std::string PhotoPath(const std::string& fileName) const;

    // "Import"'s checks in order; the first that fails is shown and false returned. When the file
    // name is empty, pickFile is asked for one (the "Save Photo" dialog) and fields.fileName
    // becomes its answer; fields.fileName comes back as the full path (PhotoPath). Nothing is
    // written here.
    bool CheckImport(TDeviceImportFields& fields, const std::function<std::string()>& pickFile);

    // The checks made just before the photo file is written: the catalog can still number a
    // photo (else the message names the last number), no photo of the catalog is already kept
    // in that file (one file never gets two records), and a file already there is replaced only
    // when the user agrees ("Save Photo", Yes/No) unless the "Save Photo" dialog already asked
    // (replaceConfirmed). False when the import must not go on; nothing is written here.
    bool CheckTarget(const std::string& path, bool replaceConfirmed);

    // Writes the picture as a JPEG (quality 90), replacing the file atomically; a failure is
    // shown and false returned.
    bool WritePhoto(const QImage& picture, const std::string& path);

    // The filing of the importing dialog: private copies of data.mlb and the album's table, the
    // new record and row, both written, then the main window's catalog table read again (and
    // the open album's table, when that is the album filed into). A catalog that cannot be read,
    // an album name that cannot be a file name, or a catalog out of numbers stops the filing
    // before anything is written. When the album cannot be written after the catalog was, the
    // record is taken out of the catalog again and the failure is reported once.
    TDeviceFiled File(const TDeviceImportFields& fields, const std::string& openAlbumName);

    // A new album named from the dialog: its line name + ";1" goes into the album list and
    // albums.pdat, its empty table is written and the album list is read back. True when the
    // album exists afterwards; a name that cannot be an album file name changes nothing.
    bool CreateAlbum(const std::string& name);

private:
    TCatalog& catalog_;
};
