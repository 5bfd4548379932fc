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

    // The album drop-down: the lines of albums.pdat, then "New Album...;3" (or, once an album
    // was created from the dialog, "New Collection...;3").
    std::vector<std::string> DialogAlbumLines(bool afterCreation) const;

    // "Import"'s checks in order; the first that fails is shown and false returned. When the file
    // name is empty, pickFile is asked for one (the "Save Photo" dialog) and fields.fileName
    // becomes its answer. Nothing is written here.
    bool CheckImport(TDeviceImportFields& fields, const std::function<std::string()>& pickFile);

    // Writes the picture as a JPEG (quality 90), replacing the file atomically; a failure is
    // shown and false returned.
    bool WritePhoto(const QImage& picture, const std::string& path);

    // The filing of the importing dialog: private copies of data.mlb and the album's table, the
    // new record and row, both written, then the main window's catalog table read again (and
    // the open album's table, when that is the album filed into). A catalog that cannot be read
    // stops the filing before anything is written.
    TDeviceFiled File(const TDeviceImportFields& fields, const std::string& openAlbumName);

    // A new album named from the dialog: its line name + ";1" goes into the album list and
    // albums.pdat, its empty table is written and the album list is read back. True when the
    // album exists afterwards.
    bool CreateAlbum(const std::string& name);

private:
    TCatalog& catalog_;
};
