#include "TDeviceImport.h"

#include <filesystem>

#include "JpegCodec.h"
#include "TCatalog.h"
#include "TMessages.h"
#include "TMlb2.h"
#include "TPlatform.h"

namespace devimport {

bool IsReadOnlyLine(const std::string& line) {
    const int icon = TCatalog::AlbumEntryIcon(line);
    return icon == 0 || icon == 2 || icon == 3;
}

std::string NextFreePhotoName(const std::string& stem, const std::string& folder,
                              const std::function<bool(const std::string&)>& exists) {
    const std::string base = (folder.empty() ? std::string() : folder + "/") + stem + " ";
    // One look at the folder per number, bounded so that no folder can keep the dialog busy.
    for (long n = 2; n < 1000000; ++n) {
        const std::string candidate = base + std::to_string(n) + ".jpg";
        if (!exists(candidate)) return candidate;
    }
    return base + "new.jpg";
}

}  // namespace devimport

TDeviceImport::TDeviceImport(TCatalog& catalog) : catalog_(catalog) {}

std::vector<std::string> TDeviceImport::DialogAlbumLines(bool afterCreation) const {
    std::vector<std::string> lines;
    std::string bytes;
    // A line whose name cannot be an album file name (such as "../x") is not offered: no file
    // of it is ever read or written.
    const auto take = [&lines](const std::string& line) {
        if (TCatalog::IsUsableAlbumName(TCatalog::AlbumEntryName(line))) lines.push_back(line);
    };
    if (ReadFileBytes(catalog_.Root() + "albums.pdat", bytes, nullptr, TCatalog::kMaxAlbumListBytes)) {
        std::string line;
        for (std::size_t i = 0; i < bytes.size();) {
            const char c = bytes[i++];
            if (c == '\r' || c == '\n') {
                if (c == '\r' && i < bytes.size() && bytes[i] == '\n') ++i;
                take(line);
                line.clear();
            } else {
                line.push_back(c);
            }
        }
        if (!line.empty()) take(line);
    }
    lines.push_back(afterCreation ? devimport::kNewCollectionLine : devimport::kNewAlbumLine);
    return lines;
}

std::string TDeviceImport::PhotoFolder() const { return catalog_.DocumentsFolder() + "/My Pictures"; }

std::string TDeviceImport::PhotoPath(const std::string& fileName) const {
    if (fileName.empty() || fileName[0] == '/') return fileName;
    return std::filesystem::path(PhotoFolder() + "/" + fileName).lexically_normal().string();
}

bool TDeviceImport::CheckImport(TDeviceImportFields& f, const std::function<std::string()>& pickFile) {
    TMessages& m = catalog_.Messages();
    const std::string albumName = TCatalog::AlbumEntryName(f.albumLine);
    if (albumName.empty()) {
        ShowOk(m, "Cannot Import", "Please select a collection.", TMsgIcon::Warning);
        return false;
    }
    if (devimport::IsReadOnlyLine(f.albumLine)) {
        ShowOk(m, "Error", "This collection is read-only. You cannot add any images to this.", TMsgIcon::Information);
        return false;
    }
    if (!TCatalog::IsUsableAlbumName(albumName)) {
        ShowOk(m, "Cannot Import",
               "The album \"" + albumName + "\" cannot take photos: its name contains characters that an album "
               "name cannot have, such as / or \\.",
               TMsgIcon::Warning);
        return false;
    }
    if (f.fileName.empty() && pickFile) f.fileName = pickFile();
    f.fileName = PhotoPath(f.fileName);
    if (f.credit.empty()) {
        ShowOk(m, "Cannot Import", "Please type in a name.", TMsgIcon::Warning);
        return false;
    }
    if (f.name.empty()) {
        ShowOk(m, "Cannot Import", "Please type in a title.", TMsgIcon::Warning);
        return false;
    }
    if (f.comments.empty()) {
        ShowOk(m, "Cannot Import", "Please type in some keywords.", TMsgIcon::Warning);
        return false;
    }
    // Without a picture or a file there is nothing to write: say so instead of failing later.
    if (!f.hasImage) {
        ShowOk(m, "Cannot Import",
               "There is no photo to import yet. Press \"Re-Pick\" to scan or acquire one.", TMsgIcon::Warning);
        return false;
    }
    if (f.fileName.empty()) {
        ShowOk(m, "Cannot Import", "Please choose the file to save the photo in.", TMsgIcon::Warning);
        return false;
    }
    return true;
}

bool TDeviceImport::CheckTarget(const std::string& path, bool replaceConfirmed) {
    TMessages& m = catalog_.Messages();
    std::string why;
    if (TCatalog::AllocateImageIds(catalog_.CatalogTable(), 1, TCatalog::kDeviceIdFloor, &why) == 0) {
        ShowOk(m, "Cannot Import", why, TMsgIcon::Warning);
        return false;
    }
    TMlb2& cat = catalog_.CatalogTable();
    if (cat.First()) {
        do {
            if (cat.GetValue("ImgPath") == path) {
                ShowOk(m, "Save Photo",
                       path + "\r\nholds the photo \"" + cat.GetValue("ImgName") +
                           "\" of your catalog already. Please choose another file name.",
                       TMsgIcon::Warning);
                return false;
            }
        } while (cat.Next());
    }
    std::error_code ec;
    if (!replaceConfirmed && std::filesystem::exists(path, ec) &&
        !AskYesNo(m, "Save Photo", path + " already exists.\r\nDo you want to replace it?"))
        return false;
    return true;
}

bool TDeviceImport::WritePhoto(const QImage& picture, const std::string& path) {
    std::string why;
    if (imaging::SaveJpeg(picture, path, why, 90)) return true;
    ShowOk(catalog_.Messages(), "Error", "The photo could not be written to\r\n" + path + "\r\n(" + why + ").",
           TMsgIcon::Error);
    return false;
}

TDeviceFiled TDeviceImport::File(const TDeviceImportFields& f, const std::string& openAlbumName) {
    TDeviceFiled out;
    TMessages& m = catalog_.Messages();
    const std::string catalogPath = catalog_.Root() + "data.mlb";
    const std::string albumName = TCatalog::AlbumEntryName(f.albumLine);
    if (!TCatalog::IsUsableAlbumName(albumName)) return out;
    const std::string albumPath = catalog_.AlbumFilePath(albumName);

    TMlb2 cat;
    cat.Clear();
    if (!cat.LoadFromMLB(catalogPath)) {
        // An empty copy saved over data.mlb would lose every photo of the catalog: stop here.
        ShowOk(m, "Critical Error", "The database was not found.", TMsgIcon::Warning);
        return out;
    }
    TMlb2 album;
    album.Clear();
    if (!album.LoadFromMLB(albumPath)) {
        ShowOk(m, "Critical Error", "The collection was not found.", TMsgIcon::Warning);
        std::error_code ec;
        // A missing album file is made afresh with the new row; one that exists but cannot be
        // read is never written over.
        if (std::filesystem::exists(albumPath, ec) || catalog_.AlbumIsProtected(albumName)) return out;
        album.Clear();
        album.AddField("ImgID");
    }
    std::string why;
    out.id = TCatalog::AllocateImageIds(cat, 1, TCatalog::kDeviceIdFloor, &why);
    if (out.id == 0) {
        ShowOk(m, "Critical Error", why, TMsgIcon::Warning);
        return out;
    }
    TCatalog::AddImage(cat, album, out.id, f.name, f.fileName, f.credit, f.comments);
    // The message names the file and the system's reason (the table's own text when it has none).
    auto reason = [](const TMlb2& t) {
        return !t.SystemErrorText().empty() ? t.SystemErrorText() : !t.ErrorText().empty() ? t.ErrorText() : "unknown error";
    };
    if (!cat.SaveToMLB(catalogPath)) {
        ShowOk(m, "Critical Error", "The database could not be written to\r\n" + catalogPath + "\r\n(" + reason(cat) + ").",
               TMsgIcon::Warning);
        return out;
    }
    if (!album.SaveToMLB(albumPath)) {
        // A record in no album would be a photo the user can never reach: take it out again.
        cat.Last();
        cat.DeleteCurrent();
        const bool undone = cat.SaveToMLB(catalogPath);
        ShowOk(m, "Critical Error",
               "The collection could not be written to\r\n" + albumPath + "\r\n(" + reason(album) + ")." +
                   (undone ? std::string("\r\n\r\nThe photo was not imported.")
                           : "\r\n\r\nThe photo's record could not be taken out of the catalog again: " +
                                 cat.ErrorText()),
               TMsgIcon::Warning);
        TMlb2& main = catalog_.CatalogTable();
        main.Clear();
        main.LoadFromMLB(catalogPath);
        out.id = 0;
        return out;
    }
    out.filed = true;

    TMlb2& main = catalog_.CatalogTable();
    main.Clear();
    main.LoadFromMLB(catalogPath);
    if (!openAlbumName.empty() && albumName == openAlbumName) {
        catalog_.OpenAlbum(albumName);
        out.reloadedOpenAlbum = true;
    }
    return out;
}

bool TDeviceImport::CreateAlbum(const std::string& name) {
    if (!TCatalog::IsUsableAlbumName(name)) return false;
    std::vector<std::string>& list = catalog_.AlbumList();
    if (!list.empty()) list.pop_back();
    list.push_back(name + ";1");
    list.push_back(TCatalog::kReservedAlbumLine);
    const bool created = catalog_.CreateAlbumFile(name);
    catalog_.SaveAlbumList();
    catalog_.LoadAlbumList();
    return created;
}
