#include "TCatalog.h"
#include "TZipEngine.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sys/stat.h>
#include <cstring>
#include <limits>
#include <filesystem>
#include <system_error>

#include "FileIo.h"
#include "TMessages.h"
#include "TPlatform.h"
#include "TSettingsStore.h"
#include "TZipEngine.h"

namespace fs = std::filesystem;

namespace {

const char* const kAppCaption = "Lumavell2";
// The path that marks a removed photo's record.
const char* const kRemovedPhotoPath = "notexist.jpg";
const char* const kFields[5] = {"ImgID", "ImgName", "ImgPath", "ImgCredit", "ImgKeys"};

bool PathExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

bool HasField(TMlb2& t, const std::string& name) {
    for (int i = 1; i <= t.FieldCount(); ++i) {
        const std::string f = t.FieldName(i);
        if (f.size() != name.size()) continue;
        bool same = true;
        for (size_t k = 0; k < f.size() && same; ++k)
            same = std::tolower(static_cast<unsigned char>(f[k])) ==
                   std::tolower(static_cast<unsigned char>(name[k]));
        if (same) return true;
    }
    return false;
}

// A free name in the root for a file or folder set aside: "data (damaged).mlb",
// "data (damaged 2).mlb"... (ext may be empty, for a folder).
std::string DamagedName(const std::string& root, const std::string& stem, const std::string& ext) {
    for (int n = 1; n < 10000; ++n) {
        std::string name = stem + (n == 1 ? " (damaged)" : " (damaged " + std::to_string(n) + ")") + ext;
        if (!PathExists(root + name)) return root + name;
    }
    return root + stem + " (damaged)" + ext;
}

std::string WriteFailure(const TMlb2& t) {
    if (!t.SystemErrorText().empty()) return t.SystemErrorText();
    return t.ErrorText().empty() ? "unknown error" : t.ErrorText();
}

}  // namespace

TCatalog::TCatalog(TSettingsStore& settings, TMessages& messages, std::string documentsFolder,
                   std::string installFolder)
    : settings_(settings),
      messages_(messages),
      documents_(std::move(documentsFolder)),
      install_(std::move(installFolder)) {
    root_ = RootOf(documents_);
}

std::string TCatalog::RootOf(const std::string& documentsFolder) { return documentsFolder + "/My Pictures/My Albums/"; }

std::string TCatalog::InstallFile(const std::string& name) const { return install_ + "/" + name; }

bool TCatalog::ParseInt(const std::string& text, int& value) {
    const char* b = text.data();
    const char* e = b + text.size();
    if (b != e && *b == '+') {
        ++b;
        if (b != e && *b == '-') return false;
    }
    if (b == e) return false;
    int v = 0;
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e) return false;
    value = v;
    return true;
}

// ---------------------------------------------------------------- catalog table

void TCatalog::MakeFreshCatalog(int highestUsed) {
    catalog_.Clear();
    for (const char* f : kFields) catalog_.AddField(f);
    catalog_.AppendRecord();
    catalog_.SetValue("ImgID", "1");
    for (int i = 1; i < 5; ++i) catalog_.SetValue(kFields[i], "nil");
    // Album files and thumbnails of an earlier catalog still name photos by number. New photos
    // are numbered after the last record, so a record one above the highest of those numbers
    // keeps every new photo out of the old albums, for every way a photo is added and after a
    // restart. It stands for a removed photo: no album refers to it and no view lists it.
    if (highestUsed > 1) {
        const int floor = highestUsed < std::numeric_limits<int>::max() ? highestUsed + 1 : highestUsed;
        catalog_.AppendRecord();
        catalog_.SetValue("ImgID", std::to_string(floor));
        catalog_.SetValue("ImgName", "");
        catalog_.SetValue("ImgPath", kRemovedPhotoPath);
        catalog_.SetValue("ImgCredit", "");
        catalog_.SetValue("ImgKeys", "");
    }
    SaveCatalog();
}

int TCatalog::HighestUsedImageId() const {
    int highest = 0;
    auto note = [&highest](const std::string& text) {
        int id = 0;
        if (ParseInt(text, id) && id > highest) highest = id;
    };
    auto noteThumbnailName = [&note](const std::string& name) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0) note(name.substr(0, name.size() - 4));
    };
    std::error_code ec;
    for (fs::directory_iterator it(root_, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        std::error_code e2;
        if (p.extension() != ".col" || !fs::is_regular_file(p, e2)) continue;
        TMlb2 album;
        if (!album.LoadFromMLB(p.string())) continue;
        for (int r = 1; r <= album.RecordCount(); ++r)
            if (album.GoTo(r)) note(album.GetValue("ImgID"));
    }
    for (fs::directory_iterator it(ThumbnailFolder(), ec), end; !ec && it != end; it.increment(ec))
        noteThumbnailName(it->path().filename().string());
    const std::string archive = root_ + "thumbnails.dat";
    if (PathExists(archive)) {
        TZipEngine zip;
        zip.SetArchiveName(archive);
        for (const std::string& name : zip.EntryNames()) noteThumbnailName(fs::path(name).filename().string());
    }
    return highest;
}

void TCatalog::SetThumbnailsAside() {
    // A fresh catalog numbers its photos from 2 again: thumbnails cached under those numbers
    // belong to the old catalog's photos and would be shown for the new ones.
    std::error_code ec;
    if (PathExists(ThumbnailFolder())) fs::rename(ThumbnailFolder(), DamagedName(root_, "Thumbnails", ""), ec);
    const std::string archive = root_ + "thumbnails.dat";
    if (PathExists(archive)) fs::rename(archive, DamagedName(root_, "thumbnails", ".dat"), ec);
}

bool TCatalog::ReportWrite(const std::string& path, bool ok, const std::string& why, const std::string& edit) {
    if (ok) {
        failingWrites_.erase(path);
        return true;
    }
    const auto known = failingWrites_.find(path);
    if (known != failingWrites_.end() && !edit.empty() && known->second.edit == edit && known->second.why == why)
        return false;
    failingWrites_[path] = TFailingWrite{why, edit};
    ShowOk(messages_, kAppCaption,
           "Lumavell could not save your changes to\r\n" + path + "\r\n(" + (why.empty() ? "unknown error" : why) +
               ").\r\n\r\nWhat you see on screen is kept, but it is not on the disk. Make room on the disk "
               "(or make the folder writable) and change something again to save it.",
           TMsgIcon::Error);
    return false;
}

int TCatalog::RemoveStaleTempFiles(std::int64_t before) {
    // The catalog root and the thumbnail folder hold only the program's files; beside the
    // settings file, only the new files of the settings file itself are the program's.
    const fs::path settings(settings_.UserFile());
    const std::string settingsName = settings.filename().string();
    struct Folder {
        std::string path;
        std::string prefix;  // the leftover's name starts with this ("" = any)
    };
    std::vector<Folder> folders = {{root_, ""}, {ThumbnailFolder(), ""}};
    if (!settingsName.empty()) folders.push_back({settings.parent_path().string(), settingsName});
    int removed = 0;
    for (const Folder& folder : folders) {
        std::error_code ec;
        for (fs::directory_iterator it(folder.path, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (!mlb2detail::IsAtomicTempName(name)) continue;
            // A target with a very long name has its new file named ".lumavell.~tmp...".
            if (!folder.prefix.empty() && name.rfind(folder.prefix + ".~tmp", 0) != 0 &&
                name.rfind(".lumavell.~tmp", 0) != 0)
                continue;
            struct stat st {};
            if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            if (static_cast<std::int64_t>(st.st_mtime) >= before) continue;  // a save may be writing it now
            std::error_code e2;
            if (fs::remove(it->path(), e2)) ++removed;
        }
    }
    // Files of unpackings that were cut short: in the thumbnail folder, and in the folders under
    // My Pictures that received albums unpack into (such a folder left empty goes too).
    removed += TZipEngine::RemoveLeftovers(ThumbnailFolder(), before);
    const fs::path pictures = fs::path(documents_) / "My Pictures";
    std::error_code ec;
    for (fs::directory_iterator it(pictures, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        if (!it->is_directory(e2) || it->is_symlink(e2)) continue;
        const int here = TZipEngine::RemoveLeftovers(it->path().string(), before);
        if (here > 0) fs::remove(it->path(), e2);  // only succeeds when it is empty
        removed += here;
    }
    return removed;
}

TCatalogOpen TCatalog::OpenCatalog() {
    catalog_.Clear();
    // Without the parents the root can never be made on a system whose documents folder has no
    // "My Pictures"; a failure here stays silent and every save then fails quietly.
    std::error_code ec;
    fs::create_directories(root_, ec);

    const std::string path = root_ + "data.mlb";
    if (!PathExists(path)) {
        MakeFreshCatalog(HighestUsedImageId());
        return TCatalogOpen::Created;
    }
    std::string reason;
    if (catalog_.LoadFromMLB(path)) {
        if (HasField(catalog_, "ImgID")) return TCatalogOpen::Loaded;
        reason = "it holds no photo records";
    } else {
        reason = catalog_.ErrorText();
        if (!catalog_.SystemErrorText().empty()) reason += ": " + catalog_.SystemErrorText();
        if (reason.empty()) reason = "unknown error";
    }
    catalog_.Clear();

    // The damaged file is the user's only copy of the catalog: never write over it.
    const std::string aside = DamagedName(root_, "data", ".mlb");
    const std::string question =
        "The photo catalog could not be read:\r\n" + path + "\r\n(" + reason + ")\r\n\r\n" +
        "Do you want to start with a new, empty catalog? The unreadable file will be kept "
        "beside it as \"" + BareName(aside) + "\".\r\n\r\n" +
        "If you answer No, Lumavell will close without changing any file.";
    if (messages_.Show(kAppCaption, question, TMsgIcon::Warning, TMsgButtons::YesNo) != TMsgResult::Yes)
        return TCatalogOpen::MustClose;

    fs::rename(path, aside, ec);
    if (ec) {
        ShowOk(messages_, kAppCaption,
               "The unreadable catalog " + path + " could not be renamed (" + ec.message() +
                   "). Lumavell will close without changing any file.",
               TMsgIcon::Error);
        return TCatalogOpen::MustClose;
    }
    const int highestUsed = HighestUsedImageId();
    SetThumbnailsAside();
    MakeFreshCatalog(highestUsed);
    return TCatalogOpen::Replaced;
}

bool TCatalog::SaveCatalog(const std::string& edit) {
    const std::string path = root_ + "data.mlb";
    const bool ok = catalog_.SaveToMLB(path);
    return ReportWrite(path, ok, ok ? std::string() : WriteFailure(catalog_), edit);
}

bool TCatalog::FindImage(int id) {
    catalog_.First();
    catalog_.BeginSeek(TSeekDirection::Forward);
    const bool found = catalog_.Seek("ImgID", "=", std::to_string(id));
    catalog_.EndSeek();
    return found;
}

int TCatalog::LastImageId() {
    if (!catalog_.Last()) return 0;
    int id = 0;
    return ParseInt(catalog_.GetValue("ImgID"), id) ? id : 0;
}

int TCatalog::AllocateImageIds(TMlb2& table, int count, int floor, std::string* why) {
    if (count < 1) count = 1;
    if (floor < 1) floor = 1;
    long long last = 0;
    if (table.Last()) {
        const std::string text = table.GetValue("ImgID");
        int value = 0;
        if (!ParseInt(text, value)) {
            if (why)
                *why = "The photo catalog's last photo number ('" + text +
                       "') is not a number, so no new photo can be numbered.";
            return 0;
        }
        last = value;
    }
    const long long first = std::max<long long>(last + 1, floor);
    if (first + count - 1 > std::numeric_limits<int>::max()) {
        if (why)
            *why = "The photo catalog has used up its photo numbers (the last is " + std::to_string(last) +
                   "), so no more photos can be added to it.";
        return 0;
    }
    return static_cast<int>(first);
}

int TCatalog::NextImageId(std::string* why) { return AllocateImageIds(catalog_, 1, 1, why); }

int TCatalog::NextDeviceImageId(std::string* why) {
    return AllocateImageIds(catalog_, 1, kDeviceIdFloor, why);
}

void TCatalog::AddImage(TMlb2& catalog, TMlb2& album, int id, const std::string& name,
                        const std::string& path, const std::string& credit, const std::string& notes) {
    const std::string ids = std::to_string(id);
    catalog.AppendRecord();
    catalog.SetValue("ImgID", ids);
    catalog.SetValue("ImgName", name);
    catalog.SetValue("ImgPath", path);
    catalog.SetValue("ImgCredit", credit);
    catalog.SetValue("ImgKeys", notes);
    album.AppendRecord();
    album.SetValue("ImgID", ids);
}

// ---------------------------------------------------------------- albums

std::string TCatalog::AlbumFilePath(const std::string& name) const { return root_ + name + ".col"; }

bool TCatalog::IsUsableAlbumName(const std::string& name) {
    if (name.empty()) return false;
    for (const char c : name)
        if (c == '\0' || std::strchr("&/\\*?<>|\";\r\n", c)) return false;
    return true;
}

bool TCatalog::OpenAlbum(const std::string& name) {
    album_.Clear();
    if (!IsUsableAlbumName(name)) {
        album_.AddField("ImgID");
        protectedAlbums_.insert(name);
        ShowOk(messages_, kAppCaption,
               "The album \"" + name + "\" cannot be opened: its name in the album list (albums.pdat) "
               "contains characters that an album name cannot have, such as / or \\.\r\n\r\n"
               "No file is read, written or removed for it.",
               TMsgIcon::Warning);
        return false;
    }
    const std::string path = AlbumFilePath(name);
    if (!PathExists(path)) {
        album_.AddField("ImgID");
        return false;
    }
    if (album_.LoadFromMLB(path)) {
        protectedAlbums_.erase(name);
        return true;
    }
    const std::string reason = album_.SystemErrorText().empty()
                                   ? (album_.ErrorText().empty() ? "unknown error" : album_.ErrorText())
                                   : album_.SystemErrorText();
    album_.Clear();
    album_.AddField("ImgID");
    // The search result album is rewritten by every search and deleted at exit: nothing to keep.
    if (name == kSearchResultsAlbum) return false;
    protectedAlbums_.insert(name);
    ShowOk(messages_, kAppCaption,
           "The album \"" + name + "\" could not be read from\r\n" + path + "\r\n(" + reason +
               ").\r\n\r\nThe album is shown empty and its file is left as it is.",
           TMsgIcon::Warning);
    return false;
}

bool TCatalog::AlbumIsProtected(const std::string& name) const {
    return protectedAlbums_.count(name) > 0 || !IsUsableAlbumName(name);
}

bool TCatalog::SaveAlbum(const std::string& name) {
    if (AlbumIsProtected(name)) return false;
    const std::string path = AlbumFilePath(name);
    const bool ok = album_.SaveToMLB(path);
    return ReportWrite(path, ok, ok ? std::string() : WriteFailure(album_));
}

bool TCatalog::CreateAlbumFile(const std::string& name) {
    if (AlbumIsProtected(name)) return false;
    TMlb2 t;
    t.Clear();
    t.AddField("ImgID");
    const std::string path = AlbumFilePath(name);
    const bool ok = t.SaveToMLB(path);
    return ReportWrite(path, ok, ok ? std::string() : WriteFailure(t));
}

void TCatalog::LoadAlbumList() {
    albumList_.clear();
    albumListProtected_ = false;
    const std::string path = root_ + "albums.pdat";
    if (PathExists(path)) {
        std::string bytes, why;
        if (ReadFileBytes(path, bytes, &why, kMaxAlbumListBytes)) {
            std::string line;
            size_t i = 0;
            while (i < bytes.size()) {
                const char c = bytes[i++];
                if (c == '\r' || c == '\n') {
                    if (c == '\r' && i < bytes.size() && bytes[i] == '\n') ++i;
                    albumList_.push_back(line);
                    line.clear();
                } else {
                    line.push_back(c);
                }
            }
            if (!line.empty()) albumList_.push_back(line);
        } else {
            albumListProtected_ = true;
            ShowOk(messages_, kAppCaption,
                   "The album list could not be read from\r\n" + path + "\r\n(" + why +
                       ").\r\n\r\nThe file is left as it is; albums added in this run are not "
                       "written to it.",
                   TMsgIcon::Warning);
        }
    }
    albumList_.push_back(kReservedAlbumLine);
}

bool TCatalog::SaveAlbumList() {
    if (!albumList_.empty() && albumList_.back() == kReservedAlbumLine) albumList_.pop_back();
    return WriteAlbumList();
}

bool TCatalog::WriteAlbumList() {
    if (albumListProtected_) return false;
    std::string bytes;
    for (std::size_t i = 0; i < albumList_.size(); ++i)
        if (i + 1 < albumList_.size() || albumList_[i] != kReservedAlbumLine) bytes += albumList_[i] + "\r\n";
    const std::string path = root_ + "albums.pdat";
    std::string why;
    const bool ok = WriteFileAtomic(path, bytes, &why);
    return ReportWrite(path, ok, why);
}

std::string TCatalog::AlbumEntryName(const std::string& line) {
    const size_t semi = line.find(';');
    return semi == std::string::npos ? line : line.substr(0, semi);
}

int TCatalog::AlbumEntryIcon(const std::string& line) {
    const size_t semi = line.find(';');
    if (semi == std::string::npos) return 0;
    int icon = 0;
    return ParseInt(line.substr(semi + 1, 255), icon) ? icon : -1;
}

// ---------------------------------------------------------------- icon strip

bool TCatalog::LoadIconStrip(const std::string& path, std::string* error) {
    return icons_.LoadFromFile(path, error);
}

bool TCatalog::LoadStartupIconStrip(std::string* error) {
    const std::string own = root_ + "icons.pdat";
    if (!PathExists(own)) return LoadIconStrip(InstallFile("defaults.iml"), error);
    std::string why;
    if (LoadIconStrip(own, &why)) return true;
    // The damaged strip is kept for the user; the album icons come from the defaults until the
    // icon list is saved again.
    const std::string aside = DamagedName(root_, "icons", ".pdat");
    std::error_code ec;
    fs::rename(own, aside, ec);
    ShowOk(messages_, kAppCaption,
           "The album icons could not be read from\r\n" + own + "\r\n(" + why + ").\r\n\r\n" +
               (ec ? "The file is left as it is. "
                   : "The file has been kept beside it as \"" + BareName(aside) + "\". ") +
               "The standard icons are used instead.",
           TMsgIcon::Warning);
    return LoadIconStrip(InstallFile("defaults.iml"), error);
}

bool TCatalog::SaveIconStrip(std::string* error) {
    const std::string path = root_ + "icons.pdat";
    std::string why;
    const bool ok = icons_.SaveToFile(path, &why);
    if (error) *error = why;
    return ReportWrite(path, ok, why);
}

// ---------------------------------------------------------------- thumbnails

std::string TCatalog::ThumbnailFolder() const { return root_ + "Thumbnails"; }

std::string TCatalog::ThumbnailPath(int id) const {
    return root_ + "Thumbnails/" + std::to_string(id) + ".bmp";
}

void TCatalog::RemoveThumbnail(int id) {
    std::error_code ec;
    fs::remove(ThumbnailPath(id), ec);
    removedThumbnails_.insert(id);
}

std::vector<int> TCatalog::CatalogImageIds() {
    const int here = catalog_.CurrentIndex();
    std::vector<int> ids;
    ids.reserve(size_t(std::max(0, catalog_.RecordCount())));
    for (int r = 1; r <= catalog_.RecordCount(); ++r) {
        int id = 0;
        if (catalog_.GoTo(r) && ParseInt(catalog_.GetValue("ImgID"), id)) ids.push_back(id);
    }
    if (here >= 1) catalog_.GoTo(here);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}
