#include "TFolderImport.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <cstdint>
#include <limits>
#include <set>
#include <thread>

#include <QImageReader>

#include "JpegCodec.h"
#include "PhotoCodecs.h"
#include "PlaceholderPictures.h"
#include "TCatalog.h"
#include "THints.h"
#include "TMessages.h"
#include "TPlatform.h"

namespace fs = std::filesystem;

namespace folderimport {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool IsHidden(const std::string& name) { return !name.empty() && name[0] == '.'; }

// "\040" and friends in a mounts table field.
std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
            s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
            out.push_back(char((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// Names of a folder's entries of one kind, hidden ones left out, in list order.
std::vector<std::string> Entries(const std::string& folder, bool wantFolders, bool photosOnly) {
    std::vector<std::string> out;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (IsHidden(name)) continue;
        if (photosOnly && !MatchesMask(name)) continue;
        std::error_code sec;
        const fs::file_status st = fs::status(it->path(), sec);  // follows links
        if (sec) continue;
        if (wantFolders ? fs::is_directory(st) : fs::is_regular_file(st)) out.push_back(name);
    }
    std::sort(out.begin(), out.end(), NameLess);
    return out;
}

}  // namespace

bool IsPseudoFileSystem(const std::string& t) {
    static const std::set<std::string> pseudo = {
        "proc",      "sysfs",       "devtmpfs",   "devpts",   "tmpfs",      "cgroup",     "cgroup2",
        "securityfs", "pstore",     "debugfs",    "tracefs",  "configfs",   "fusectl",    "mqueue",
        "hugetlbfs", "bpf",         "autofs",     "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs",
        "ramfs",     "selinuxfs",   "squashfs",   "devfs",    "usbfs",      "nfsd",       "rootfs",
        "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs", "fuse.snapfuse"};
    return pseudo.count(t) > 0;
}

std::vector<TVolume> MountedVolumes(const std::string& mountsFile) {
    std::vector<TVolume> out;
    std::string bytes;
    if (!ReadFileBytes(mountsFile, bytes)) return out;
    std::set<std::string> seen;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t eol = bytes.find('\n', pos);
        if (eol == std::string::npos) eol = bytes.size();
        const std::string line = bytes.substr(pos, eol - pos);
        pos = eol + 1;
        std::vector<std::string> f;
        size_t i = 0;
        while (i < line.size() && f.size() < 3) {
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
            size_t j = i;
            while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
            if (j > i) f.push_back(line.substr(i, j - i));
            i = j;
        }
        if (f.size() < 3) continue;
        TVolume v{Unescape(f[1]), Unescape(f[0]), f[2]};
        if (IsPseudoFileSystem(v.fsType) || v.mountPoint.empty() || v.mountPoint[0] != '/') continue;
        if (!seen.insert(v.mountPoint).second) continue;
        out.push_back(std::move(v));
    }
    std::sort(out.begin(), out.end(),
              [](const TVolume& a, const TVolume& b) { return a.mountPoint < b.mountPoint; });
    return out;
}

std::vector<std::string> DriveRoots(const std::vector<std::string>& mountPoints, const std::string& home) {
    std::set<std::string> roots(mountPoints.begin(), mountPoints.end());
    roots.insert("/");
    std::string h = home;
    while (h.size() > 1 && h.back() == '/') h.pop_back();
    if (!h.empty() && h[0] == '/') roots.insert(h);
    return {roots.begin(), roots.end()};
}

std::vector<std::string> FolderRows(const std::string& folder) {
    std::vector<std::string> rows;
    if (folder.empty() || folder[0] != '/') return rows;
    rows.push_back("/");
    size_t pos = 1;
    while (pos < folder.size()) {
        size_t slash = folder.find('/', pos);
        if (slash == std::string::npos) slash = folder.size();
        if (slash > pos) rows.push_back(folder.substr(0, slash));
        pos = slash + 1;
    }
    return rows;
}

std::vector<std::string> SubFolders(const std::string& folder) { return Entries(folder, true, false); }

std::vector<std::string> ListPhotoFiles(const std::string& folder) { return Entries(folder, false, true); }

namespace {

// The part after the last "." in lower case ("" when there is none, or only a leading one).
std::string LowerExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 >= name.size()) return "";
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = Lower(c);
    return ext;
}

bool IsJpegExtension(const std::string& ext) { return ext == "jpg" || ext == "jpeg" || ext == "jpe"; }

const std::set<std::string>& OtherPictureExtensions() {
    static const std::set<std::string> extensions{"png", "bmp", "gif", "tif", "tiff", "webp"};
    return extensions;
}

// The other formats this Qt can read (PNG, BMP and GIF always; TIFF and WebP with their plugins).
const std::set<std::string>& ReadableExtensions() {
    static const std::set<std::string> readable = [] {
        std::set<std::string> out;
        const QList<QByteArray> formats = QImageReader::supportedImageFormats();
        for (const std::string& ext : OtherPictureExtensions())
            if (formats.contains(QByteArray::fromStdString(ext))) out.insert(ext);
        return out;
    }();
    return readable;
}

// Phone and camera formats, which the imaging module decodes itself: HEIF/AVIF and camera RAW.
bool IsPhoneOrCameraExtension(const std::string& ext) {
    const auto listed = [&](const std::vector<std::string>& all) {
        return std::find(all.begin(), all.end(), ext) != all.end();
    };
    return !ext.empty() && (listed(imaging::HeifExtensions()) || listed(imaging::CameraRawExtensions()));
}

}  // namespace

bool MatchesMask(const std::string& name) {
    const std::string ext = LowerExtension(name);
    return IsJpegExtension(ext) || ReadableExtensions().count(ext) > 0 || IsPhoneOrCameraExtension(ext);
}

bool NameLess(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(Lower(a[i]));
        const unsigned char y = static_cast<unsigned char>(Lower(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

std::string VolumeOf(const std::string& folder, const std::vector<std::string>& mountPoints) {
    std::string best;
    size_t bestLength = 0;
    for (const std::string& m : mountPoints) {
        std::string base = m;
        while (base.size() > 1 && base.back() == '/') base.pop_back();
        if (base.empty()) continue;
        bool holds;
        if (base == "/") holds = !folder.empty() && folder[0] == '/';
        else holds = folder == base || folder.compare(0, base.size() + 1, base + "/") == 0;
        if (holds && (best.empty() || base.size() > bestLength)) {
            best = m;
            bestLength = base.size();
        }
    }
    return best;
}

std::string ImportTitle(const std::string& fileName) {
    const std::string ext = LowerExtension(fileName);
    std::string title;
    if (IsJpegExtension(ext) || OtherPictureExtensions().count(ext) > 0 || IsPhoneOrCameraExtension(ext))
        title = fileName.substr(0, fileName.size() - ext.size() - 1);
    else
        title = fileName.size() > 4 ? fileName.substr(0, fileName.size() - 4) : std::string();
    std::replace(title.begin(), title.end(), '_', ' ');
    return title;
}

std::string ImportCredit(const std::string& userName) { return userName.substr(0, 254); }

}  // namespace folderimport

using namespace folderimport;

TFolderImport::TFolderImport(TCatalog& catalog, TPlatform& platform) : catalog_(catalog), platform_(platform) {}

bool TFolderImport::ReadFolder(const std::string& folder) {
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return false;
    std::string f = folder;
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    folder_ = f;
    files_ = ListPhotoFiles(folder_);
    platform_.SetWorkingDirectory(folder_);
    return true;
}

bool TFolderImport::FolderChanged(TImportObserver* observer) {
    state_ = TListState::Placeholders;
    return RefreshImportList(observer);
}

bool TFolderImport::RefreshImportList(TImportObserver* observer) {
    const std::vector<std::string> files = files_;
    const std::string folder = folder_;
    const size_t total = files.size();
    // Each thumbnail is compressed as soon as it is made: only the rows being made are ever
    // held as pixels.
    // (A packed picture always has bytes: an empty one was not made.)
    std::vector<TRowPictures::TPacked> pictures(total);
    std::vector<std::string> errors(total);
    std::atomic<size_t> next{0};
    std::atomic<int> done{0};

    auto doOne = [&](size_t i) {
        try {
            QImage full;
            if (imaging::LoadPicture(folder + "/" + files[i], full, errors[i], TAlbumView::kThumbWidth,
                                  TAlbumView::kThumbHeight)) {
                pictures[i] = TRowPictures::Pack(
                    imaging::StretchTo(full, TAlbumView::kThumbWidth, TAlbumView::kThumbHeight));
            } else if (errors[i].empty()) {
                errors[i] = "cannot be read as a picture";
            }
        } catch (const std::exception& e) {
            pictures[i] = TRowPictures::TPacked();
            errors[i] = e.what();
            if (errors[i].empty()) errors[i] = "cannot be read";
        }
        done.fetch_add(1);
    };
    auto work = [&] {
        for (size_t i = next.fetch_add(1); i < total; i = next.fetch_add(1)) doOne(i);
    };

    int threads = threads_ > 0 ? threads_ : int(std::thread::hardware_concurrency());
    if (threads < 1) threads = 1;
    std::vector<std::thread> pool;
    {
        // Joins the workers however this block is left.
        struct Joiner {
            std::vector<std::thread>& pool;
            ~Joiner() {
                for (auto& t : pool)
                    if (t.joinable()) t.join();
            }
        } joiner{pool};
        try {
            for (int t = 1; t < threads && size_t(t) < total; ++t) pool.emplace_back(work);
        } catch (const std::system_error&) {
            // No more threads to be had: the ones running and this thread do the work.
        }
        // The calling thread decodes too, and reports progress between its own rows (about a
        // hundred times at most).
        int reportedStep = -1;
        for (size_t i = next.fetch_add(1); i < total; i = next.fetch_add(1)) {
            doOne(i);
            const int d = done.load();
            const int step = int(int64_t(d) * 100 / int64_t(total));
            if (observer && step != reportedStep) {
                observer->OnImportProgress(d, int(total));
                reportedStep = step;
            }
        }
        for (auto& t : pool) t.join();
        if (observer && total > 0 && reportedStep != 100) observer->OnImportProgress(int(total), int(total));
    }

    // A file that cannot be decoded gets the unreadable picture; the list is complete and every
    // such file is named in one message.
    unreadable_.clear();
    auto store = std::make_shared<TRowPictures>();
    int unreadablePicture = -1;
    for (size_t i = 0; i < total; ++i) {
        if (!pictures[i].bytes.isEmpty()) {
            store->AddRow(store->AddPacked(std::move(pictures[i])));
            continue;
        }
        if (unreadablePicture < 0) unreadablePicture = store->AddPicture(UnreadablePhotoPicture());
        store->AddRow(unreadablePicture);
        unreadable_.push_back(errors[i].find(files[i]) != std::string::npos ? errors[i]
                                                                             : files[i] + " (" + errors[i] + ")");
    }
    names_ = files;
    thumbs_ = std::move(store);
    state_ = TListState::Thumbnails;
    return true;
}

bool TFolderImport::ReportUnreadable() {
    if (unreadable_.empty()) return false;
    const std::vector<std::string> entries = std::move(unreadable_);
    unreadable_.clear();
    ShowOk(catalog_.Messages(), "Lumavell2",
           UnreadableRowsMessage("Some photos in " + folder_ + " could not be read. Their rows show a picture that "
                                 "says so:",
                                 entries),
           TMsgIcon::Warning);
    return true;
}

std::vector<TPhotoRow> TFolderImport::UpdImportThumbs() const {
    std::vector<TPhotoRow> rows;
    if (state_ == TListState::Placeholders) {
        rows.push_back({TAlbumView::kWaitingRow1, QImage()});
        rows.push_back({TAlbumView::kWaitingRow2, QImage()});
        return rows;
    }
    if (state_ != TListState::Thumbnails) return rows;
    rows.reserve(names_.size());
    for (size_t i = 0; i < names_.size(); ++i)
        rows.push_back({names_[i], (*thumbs_)[i]});
    return rows;
}

bool TFolderImport::Browse(const std::string& startFolder) {
    const std::string chosen =
        catalog_.Messages().BrowseFolderWithText(kBrowseCaption, kBrowseText, startFolder.empty() ? folder_ : startFolder);
    if (chosen.empty()) return false;
    // The same folder (by identity, however it is spelt) changes nothing.
    std::error_code ec;
    if (!folder_.empty() && fs::equivalent(chosen, folder_, ec) && !ec) return false;
    return ReadFolder(chosen);
}

bool TFolderImport::IsRealAlbum(const std::string& albumLine) {
    const std::string name = TCatalog::AlbumEntryName(albumLine);
    return !name.empty() && name != TCatalog::kSearchResultsAlbum;
}

TAddButtons TFolderImport::FilesChanged(const std::string& albumLine) const {
    return {false, !files_.empty() && IsRealAlbum(albumLine)};
}

TAddButtons TFolderImport::ThumbnailSelected(const std::string& albumLine) const {
    if (state_ != TListState::Thumbnails) return {};
    const bool on = IsRealAlbum(albumLine);
    return {on, on};
}

bool TFolderImport::NoAlbum(const std::string& albumLine) {
    if (!albumLine.empty()) return false;
    ShowOk(catalog_.Messages(), kNoAlbumCaption, kNoAlbumText, TMsgIcon::Information);
    return true;
}

bool TFolderImport::AddOne(int row, const std::string& albumName, const std::string& credit, TImportAdd& out) {
    const std::string& name = names_[size_t(row)];
    return FilePhoto(folder_ + "/" + name, name, albumName, credit, out);
}

bool TFolderImport::FilePhoto(const std::string& path, const std::string& name, const std::string& albumName,
                              const std::string& credit, TImportAdd& out) {
    TMlb2& cat = catalog_.CatalogTable();
    // The new identifier continues from the last record's; a last record whose ImgID is not a
    // number stops the add before anything is written.
    int last = 0;
    const std::string lastText = cat.Last() ? cat.GetValue("ImgID") : std::string();
    if (!TCatalog::ParseInt(lastText, last)) {
        ShowOk(catalog_.Messages(), "Error", "'" + lastText + "' is not a valid integer value",
               TMsgIcon::Error);
        return false;
    }
    // An album whose file could not be read (or whose name cannot be a file name) is never
    // written: refuse before the catalog gets a record the album could not keep.
    if (catalog_.AlbumIsProtected(albumName)) {
        ShowOk(catalog_.Messages(), "Error",
               "Photos cannot be added to the album \"" + albumName +
                   "\": its file could not be read when it was opened, and it is left as it is.",
               TMsgIcon::Error);
        return false;
    }
    std::string why;
    const int id = catalog_.NextImageId(&why);
    if (id == 0) {
        ShowOk(catalog_.Messages(), "Error", why, TMsgIcon::Error);
        return false;
    }
    TCatalog::AddImage(cat, catalog_.AlbumTable(), id, ImportTitle(name), path, credit, "");
    out.ids.push_back(id);
    return true;
}

bool TFolderImport::SaveAdded(const std::string& albumName, TImportAdd& out) {
    if (out.ids.empty()) return true;
    TMlb2& cat = catalog_.CatalogTable();
    TMlb2& album = catalog_.AlbumTable();
    // The photos just added are the last records of both tables; a failed save takes them back
    // out, so the list shows what is stored.
    auto takeBack = [&] {
        for (size_t i = 0; i < out.ids.size(); ++i) {
            if (cat.Last()) cat.DeleteCurrent();
            if (album.Last()) album.DeleteCurrent();
        }
        out.ids.clear();
    };
    if (!catalog_.SaveCatalog()) {
        takeBack();
        return false;
    }
    if (!catalog_.SaveAlbum(albumName)) {
        // The catalog has the records but the album does not: drop them again.
        takeBack();
        catalog_.SaveCatalog();
        return false;
    }
    return true;
}

void TFolderImport::Finish(TImportAdd& out) const {
    out.refreshList = true;
    out.closeAllHelp = true;
    out.hintFlag = hint::kFirstTimeImportPhoto;
    out.hintText = hint::kTextImportPhoto;
    out.hintControl = hint::kCtlPhotoList;
}

TImportAdd TFolderImport::AddTo(int row, const std::string& albumLine) {
    TImportAdd out;
    if (state_ != TListState::Thumbnails || row < 0 || row >= FileCount()) return out;
    if (NoAlbum(albumLine)) return out;
    const std::string credit = ImportCredit(platform_.UserName());
    const std::string albumName = TCatalog::AlbumEntryName(albumLine);
    if (!AddOne(row, albumName, credit, out) || !SaveAdded(albumName, out)) return out;
    Finish(out);
    return out;
}

TImportAdd TFolderImport::AddFiles(const std::vector<std::string>& paths, const std::string& albumLine) {
    TImportAdd out;
    std::vector<std::string> photos;
    for (const std::string& path : paths) {
        std::error_code ec;
        if (fs::is_regular_file(path, ec) && MatchesMask(fs::path(path).filename().string())) photos.push_back(path);
    }
    if (photos.empty()) return out;
    // The reserved search-results line is no album to file into, as for the add buttons.
    if (NoAlbum(IsRealAlbum(albumLine) ? albumLine : std::string())) return out;
    const std::string credit = ImportCredit(platform_.UserName());
    const std::string albumName = TCatalog::AlbumEntryName(albumLine);
    for (const std::string& path : photos) {
        if (!FilePhoto(path, fs::path(path).filename().string(), albumName, credit, out)) {
            SaveAdded(albumName, out);  // what was added before the stop is kept
            return out;
        }
    }
    if (!SaveAdded(albumName, out)) return out;
    Finish(out);
    return out;
}

TImportAdd TFolderImport::AddAll(const std::string& albumLine, const std::function<void(int)>& selectRow) {
    TImportAdd out;
    if (state_ == TListState::Placeholders) return out;
    const std::string credit = ImportCredit(platform_.UserName());
    const std::string albumName = TCatalog::AlbumEntryName(albumLine);
    // The photos are added in memory and both files written once at the end: saving after
    // every photo would write the whole growing catalog once per photo.
    for (int i = 0; i < FileCount(); ++i) {
        if (selectRow) selectRow(i);
        if (NoAlbum(albumLine)) return out;
        if (!AddOne(i, albumName, credit, out)) {
            // What was added before the stop is kept, as when each photo was saved on its own.
            SaveAdded(albumName, out);
            return out;
        }
    }
    if (!SaveAdded(albumName, out)) return out;
    Finish(out);
    return out;
}
