#include "TAlbumView.h"

#include <QPainter>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <unordered_map>

#include "JpegCodec.h"
#include "PhotoPath.h"
#include "PlaceholderPictures.h"
#include "TCatalog.h"
#include "TMessages.h"
#include "TPlatform.h"
#include "TSettingsStore.h"
#include "TZipEngine.h"
#include "TThumbnailSaver.h"
#include "ThumbnailFiles.h"

namespace fs = std::filesystem;

namespace {

const char* const kSection = "Images";
const char* const kAppCaption = "Lumavell2";

const char* const kAskSaveThumbs =
    "Collections can load faster if the thumbnails for images are saved. Brightlet Image Viewer "
    "can save all thumbnails on your hard drive for faster loading. This will take significantly "
    "greater space. Would you like this feature turned on? You can turn this off or on later by "
    "clicking File on the Menu bar, clicking Preferences and select \"Save thumbnails\".";
const char* const kSaveThumbsOn =
    "This will take effect next time you load a collection.\r\n\r\n"
    "Lumavell has also enabled thumbnail compression. This can make the space required for "
    "thumbnails much smaller. You can turn this off by clicking File on the menu bar, clicking "
    "Preferences and unselecting \"Compress thumbnails to save disk space\".";
const char* const kAskRemoveThumbs =
    "Would you like all thumbnails created removed? These will be regenerated when you do allow "
    "the Saving of Thumbnails.";
const char* const kThumbsRemoved = "All thumbnails are now removed from your hard drive.";
const char* const kAskRefreshThumbs =
    "This will clear all thumbnails so Lumavell will create new ones. Do you want to continue?";
const char* const kThumbsRefreshed =
    "All thumbnails are now removed from your hard drive. They will be recreated when you open "
    "up albums.";
const char* const kNoThumbFolder =
    "Lumavell could not create a required directory and cannot continue on the current process. "
    "Please make sure that the following folder is not write protected or the drive has adequate "
    "disk space free: ";

bool IsRegularFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// A loader's view of the folders it looks into: the folder of the last photo stays open, so the
// photos of one folder are looked up without walking the whole path each time (ten thousand
// rows cost ten thousand lookups).
class TFolderLookup {
public:
    TFolderLookup() = default;
    TFolderLookup(const TFolderLookup&) = delete;
    TFolderLookup& operator=(const TFolderLookup&) = delete;
    ~TFolderLookup() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool IsRegularFile(const std::string& path) {
        const size_t cut = path.find_last_of('/');
        if (cut == std::string::npos || cut + 1 >= path.size()) return ::IsRegularFile(path);
        const std::string_view folder(path.data(), cut + 1);
        if (fd_ < 0 || folder != folder_) {
            if (fd_ >= 0) ::close(fd_);
            folder_.assign(folder);
            fd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd_ < 0) return false;
        }
        struct stat st {};
        return ::fstatat(fd_, path.c_str() + cut + 1, &st, 0) == 0 && S_ISREG(st.st_mode);
    }

private:
    std::string folder_;
    int fd_ = -1;
};

// The identifiers whose thumbnails may be shown and kept: photos the catalog still has. A
// thumbnail of an identifier that left the catalog belongs to a photo that is gone; its number
// may be given to a new photo.
class TKnownPhotos {
public:
    explicit TKnownPhotos(TCatalog& catalog)
        : catalog_(catalog), ids_(catalog.CatalogImageIds()), last_(catalog.LastImageId()) {}
    bool operator()(int id) const {
        return id >= 1 && id <= last_ && !catalog_.ThumbnailRemoved(id) &&
               std::binary_search(ids_.begin(), ids_.end(), id);
    }

private:
    const TCatalog& catalog_;
    std::vector<int> ids_;  // ascending
    int last_;
};

}  // namespace

struct TAlbumView::Row {
    enum Kind { Photo, Dropped, BadId };
    Kind kind = Photo;
    int record = 0;        // album record number before any row was dropped
    int catalogIndex = 0;  // the catalog record FindImage made current
    int id = 0;
    long sameAs = -1;      // an earlier row of the same photo whose results this row shares
    std::string idText;    // the album record's ImgID as stored
    std::string photo;
    std::string caption;
    // Filled in by whoever loads the row (see ready):
    bool missing = false;  // the photo file does not exist
    bool cached = false;   // the cache file is there and looks whole: the row reads it when shown
    bool archived = false; // the thumbnail archive holds it: the row reads it when shown
    bool fresh = false;    // the picture was made from the photo
    QImage picture;        // a fresh picture to be saved, until it is handed to the saver
    TRowPictures::TPacked packed;  // a fresh picture, until it is stored
    int stored = -1;       // its number in the rows' pictures
    std::string error;     // set: the photo exists but could not be made into a thumbnail
};

namespace {

// The archive is rewritten at a close once the new thumbnails and the entries that go reach
// this share of it (1 / kMergeShare).
constexpr size_t kMergeShare = 10;

// How far the loaders may run ahead of the rows handed on: the loaded pictures wait in memory
// until then, so without a limit a large cached album would be read whole into memory first.
constexpr size_t kLoadAhead = 256;

// Joins the loader threads however the refresh ends, so none outlives the rows it works on.
struct TPoolJoiner {
    std::vector<std::thread>& pool;
    std::atomic<bool>& cancel;
    std::mutex& mutex;
    std::condition_variable& room;
    ~TPoolJoiner() {
        cancel = true;
        {
            std::lock_guard<std::mutex> lock(mutex);
        }
        room.notify_all();
        for (auto& t : pool)
            if (t.joinable()) t.join();
    }
};

const char* const kUnreadableHeading =
    "Some photos of this album could not be read. Their rows show a picture that says so:";

}  // namespace

TAlbumView::TAlbumView(TCatalog& catalog)
    : catalog_(catalog), strip_(std::make_shared<TRowPictures>()), saver_(std::make_unique<TThumbnailSaver>()) {}

TAlbumView::~TAlbumView() = default;

void TAlbumView::FinishSavingThumbnails() { saver_->Finish(); }

std::string TAlbumView::RowPath(int row) const {
    if (row < 1 || row > int(paths_.size())) return "";
    return paths_[size_t(row - 1)];
}

void TAlbumView::Emit(int done, int total) {
    if (!observer_) return;
    const int step = total > 100 ? total / 100 : 1;
    if (done == total || done % step == 0) observer_->OnProgress(done, total);
}

TRefreshResult TAlbumView::OpenAlbumLine(const std::string& line) {
    albumName_ = TCatalog::AlbumEntryName(line);
    searchMode_ = albumName_ == TCatalog::kSearchResultsAlbum;
    catalog_.OpenAlbum(albumName_);
    return RefreshList();
}

TRefreshResult TAlbumView::RefreshList() {
    TMessages& messages = catalog_.Messages();
    if (observer_) observer_->OnRefreshStarted();
    TRefreshResult result = TRefreshResult::Stopped;
    std::vector<std::string> problems;
    try {
        result = BuildRows(problems);
    } catch (const std::exception& e) {
        // Out of memory and the like: the rows listed so far stay, the window stays usable.
        ShowOk(messages, kAppCaption, std::string("The album could not be listed: ") + e.what(), TMsgIcon::Error);
        result = TRefreshResult::Stopped;
    }
    rowCount_ = int(strip_->size());

    if (result == TRefreshResult::Done) {
        if (observer_) observer_->OnThumbsReady();
        if (!problems.empty())
            ShowOk(messages, kAppCaption, UnreadableRowsMessage(kUnreadableHeading, problems), TMsgIcon::Warning);
        // The one-time question, offered once the first-use hint of album opening was shown.
        TSettingsStore& settings = catalog_.Settings();
        if (settings.ReadBool(kSection, "firstTime_openAlbumb", false) &&
            settings.ReadInteger(kSection, "saveThumbs", 0) == 0) {
            if (AskYesNo(messages, "Thumbnails", kAskSaveThumbs)) {
                ShowOk(messages, "Thumbnails", kSaveThumbsOn, TMsgIcon::Information);
                settings.WriteInteger(kSection, "saveThumbs", 2);
                settings.WriteBool(kSection, "compressThumbs", true);
            } else {
                settings.WriteInteger(kSection, "saveThumbs", 1);
                settings.WriteBool(kSection, "compressThumbs", false);
            }
        }
    }
    if (observer_) observer_->OnRefreshFinished(result);
    return result;
}

TRefreshResult TAlbumView::BuildRows(std::vector<std::string>& problems) {
    TMlb2& album = catalog_.AlbumTable();
    TMlb2& cat = catalog_.CatalogTable();
    TSettingsStore& settings = catalog_.Settings();
    TMessages& messages = catalog_.Messages();

    // Thumbnails saved by the last refresh are in place before this one looks for them.
    saver_->Finish();
    // A new store: the photo list may still be showing the previous one.
    strip_ = std::make_shared<TRowPictures>();
    TRowPictures& strip = *strip_;
    captions_.clear();
    paths_.clear();
    rowCount_ = 0;
    const int saveThumbs = settings.ReadInteger(kSection, "saveThumbs", 0);

    // Walk the album table in order and resolve every row against the catalog. The file work
    // that nobody can observe (does the photo exist, reading the cached thumbnail, decoding the
    // photo) is left to the loaders below.
    const int total = album.RecordCount();
    std::vector<Row> rows;
    rows.reserve(size_t(total));
    std::unordered_map<int, size_t> firstRowOf;
    album.First();
    for (int r = 1; r <= total; ++r) {
        Row row;
        row.record = r;
        row.idText = album.GetValue("ImgID");
        if (!TCatalog::ParseInt(row.idText, row.id)) {
            // A row that names no photo: listed with the unreadable picture, reported at the end.
            row.kind = Row::BadId;
            row.caption = row.idText;
            rows.push_back(std::move(row));
            album.Next();
            continue;
        }
        catalog_.FindImage(row.id);
        row.catalogIndex = cat.CurrentIndex();
        row.photo = cat.GetValue("ImgPath");
        row.caption = cat.GetValue("ImgName");
        if (row.photo == "notexist.jpg") {
            row.kind = Row::Dropped;
        } else {
            // A photo listed twice is loaded once: the later row would find the same cached
            // file, or decode the same photo to the same picture.
            auto [it, first] = firstRowOf.emplace(row.id, rows.size());
            if (!first) row.sameAs = long(it->second);
        }
        rows.push_back(std::move(row));
        album.Next();
    }

    // The loaders: worker threads and, while it waits for a row, the calling thread, taking the
    // rows in order.
    std::vector<size_t> work;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].kind == Row::Photo && rows[i].sameAs < 0) work.push_back(i);
    auto ready = std::make_unique<std::atomic<bool>[]>(rows.size());
    std::mutex mutex;
    std::condition_variable readyCv;
    std::atomic<size_t> next{0};
    std::atomic<size_t> limit{kLoadAhead};  // work items below this may be loaded now
    std::condition_variable roomCv;
    std::atomic<bool> cancel{false};
    const bool wantSaved = saveThumbs == 2;
    const std::shared_ptr<TThumbnailArchive> archive = archive_;
    // The cache folder, open once for every loader.
    const int thumbFolder = ::open(catalog_.ThumbnailFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct TFdCloser {
        int fd;
        ~TFdCloser() {
            if (fd >= 0) ::close(fd);
        }
    } thumbFolderCloser{thumbFolder};
    auto load = [&](size_t i, TFolderLookup& folders) {
        Row& row = rows[i];
        try {
            if (!IsStoredPhotoPath(row.photo) || !folders.IsRegularFile(row.photo)) {
                row.missing = true;
            } else if (thumbFolder >= 0 &&
                       ThumbnailFileLooksWholeAt(thumbFolder, (std::to_string(row.id) + ".bmp").c_str())) {
                // Read when the row is painted; nothing of it is kept here.
                row.cached = true;
            } else if (archive && archive->Has(row.id) && !catalog_.ThumbnailRemoved(row.id)) {
                row.archived = true;
            } else {
                // No cached file, or a damaged one: make the thumbnail from the photo.
                QImage full;
                if (imaging::LoadPicture(row.photo, full, row.error, kThumbWidth, kThumbHeight)) {
                    QImage thumb = imaging::StretchTo(full, kThumbWidth, kThumbHeight);
                    row.packed = TRowPictures::Pack(thumb);
                    if (wantSaved) row.picture = std::move(thumb);
                    row.fresh = true;
                } else if (row.error.empty()) {
                    row.error = "cannot be read as a picture";
                }
            }
        } catch (const std::exception& e) {
            row.picture = QImage();
            row.packed = TRowPictures::TPacked();
            row.error = e.what();
            if (row.error.empty()) row.error = "cannot be read";
        }
        ready[i].store(true, std::memory_order_release);
        { std::lock_guard<std::mutex> lock(mutex); }
        readyCv.notify_all();
    };
    auto takeOne = [&](TFolderLookup& folders) -> bool {
        if (cancel.load()) return false;
        size_t k = next.load();
        do {
            if (k >= work.size() || k >= limit.load()) return false;
        } while (!next.compare_exchange_weak(k, k + 1));
        load(work[k], folders);
        return true;
    };
    int threads = threads_ > 0 ? threads_ : int(std::thread::hardware_concurrency());
    if (threads < 1) threads = 1;
    std::vector<std::thread> pool;
    TPoolJoiner joiner{pool, cancel, mutex, roomCv};
    try {
        for (int t = 1; t < threads && size_t(t) < work.size(); ++t)
            pool.emplace_back([&] {
                TFolderLookup folders;
                while (!cancel.load()) {
                    if (takeOne(folders)) continue;
                    if (next.load() >= work.size()) break;
                    // Far enough ahead: wait until rows are handed on.
                    std::unique_lock<std::mutex> lock(mutex);
                    roomCv.wait(lock, [&] {
                        return cancel.load() || next.load() >= work.size() || next.load() < limit.load();
                    });
                }
            });
    } catch (const std::system_error&) {
        // No more threads to be had: the ones running and the calling thread do the work.
    }
    TFolderLookup callerFolders;
    auto waitFor = [&](size_t i) {
        while (!ready[i].load(std::memory_order_acquire)) {
            if (takeOne(callerFolders)) continue;
            std::unique_lock<std::mutex> lock(mutex);
            readyCv.wait(lock, [&] { return ready[i].load(std::memory_order_acquire); });
        }
    };

    // Everything observable, in row order.
    int notFound = -1;
    int unreadable = -1;
    auto unreadablePicture = [&] {
        if (unreadable < 0) unreadable = strip.AddPicture(UnreadablePhotoPicture());
        return unreadable;
    };
    size_t handedOn = 0;  // work items whose rows were reached
    bool saving = saveThumbs == 2;
    bool folderReady = false;
    int dropped = 0;
    const int handledTotal = int(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        Row& row = rows[i];
        if (row.kind == Row::BadId) {
            strip.AddRow(unreadablePicture());
            captions_.push_back(row.caption);
            paths_.emplace_back();
            problems.push_back("Album row " + std::to_string(i + 1 - size_t(dropped)) + ": '" + row.idText +
                               "' is not a photo number");
            Emit(int(i) + 1, handledTotal);
            continue;
        }
        if (row.kind == Row::Dropped) {
            album.DeleteRecord(row.record - dropped);
            ++dropped;
            Emit(int(i) + 1, handledTotal);
            continue;
        }
        const size_t source = row.sameAs >= 0 ? size_t(row.sameAs) : i;
        if (row.sameAs < 0) {
            ++handedOn;
            if (handedOn % 16 == 0 || handedOn == work.size()) {
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    limit.store(handedOn + kLoadAhead);
                }
                roomCv.notify_all();
            }
        }
        waitFor(source);
        Row& loaded = rows[source];
        if (loaded.missing) {
            if (notFound < 0) {
                const std::string nf = catalog_.InstallFile("notfound.bmp");
                QImage picture;
                if (!ReadThumbnailFile(nf, picture, nullptr)) {
                    picture = MissingPhotoPicture();
                    problems.push_back("The picture for missing photos, \"" + nf + "\", cannot be read");
                }
                notFound = strip.AddPicture(picture);
            }
            strip.AddRow(notFound);
            captions_.push_back(row.caption);
            paths_.emplace_back();
            Emit(int(i) + 1, handledTotal);
            continue;
        }
        if (!loaded.error.empty()) {
            strip.AddRow(unreadablePicture());
            captions_.push_back(row.caption);
            paths_.push_back(row.photo);  // the file is there; the viewer reports what is wrong
            // The decoder's text names the file itself more often than not.
            if (row.sameAs < 0)
                problems.push_back(loaded.error.find(row.photo) != std::string::npos
                                       ? loaded.error
                                       : row.photo + " (" + loaded.error + ")");
            Emit(int(i) + 1, handledTotal);
            continue;
        }
        if (loaded.stored < 0) {
            // Stored once, shared with later rows of the same photo.
            if (loaded.cached) {
                loaded.stored = strip.AddFile(catalog_.ThumbnailPath(row.id));
            } else if (loaded.archived) {
                loaded.stored = strip.AddArchived(archive, row.id);
            } else {
                loaded.stored = strip.AddPacked(std::move(loaded.packed));
                loaded.packed = TRowPictures::TPacked();
            }
        }
        if (row.sameAs < 0 && loaded.fresh && saving) {
            if (!folderReady) {
                const std::string folder = catalog_.ThumbnailFolder();
                std::error_code ec;
                std::string why;
                if (!fs::is_directory(folder, ec) && !ForceFolders(folder, &why)) {
                    ShowOk(messages, "Error",
                           std::string(kNoThumbFolder) + catalog_.Root() + "\r\n(" +
                               (why.empty() ? folder + ": unknown error"
                                : why.find(folder) == std::string::npos ? folder + ": " + why
                                                                        : why) +
                               ")",
                           TMsgIcon::Error);
                    return TRefreshResult::MustClose;
                }
                folderReady = true;
            }
            // Written on the saver's thread; the row reads the file once it is in place. A full
            // or read-only disk is reported once and no further thumbnail is tried.
            if (saver_->Failed())
                saving = false;
            else
                saver_->Save(std::move(loaded.picture), catalog_.ThumbnailPath(row.id), strip_, loaded.stored);
        }
        loaded.picture = QImage();
        strip.AddRow(loaded.stored);
        captions_.push_back(row.caption);
        paths_.push_back(row.photo);
        Emit(int(i) + 1, handledTotal);
    }
    const std::string saveError = saver_->WaitWritten();
    if (!saveError.empty()) problems.push_back("Thumbnails cannot be saved: " + saveError);
    // The batch is synced and put in place on the saver's thread.
    saver_->Commit();
    return TRefreshResult::Done;
}

std::vector<TPhotoRow> TAlbumView::UpdThumbs() {
    std::vector<TPhotoRow> rows;
    const TRowPictures& strip = *strip_;
    rows.reserve(strip.size());
    for (size_t i = 0; i < strip.size(); ++i) {
        const QImage p = strip[i];
        QImage copy;
        if (p.width() == kThumbWidth && p.height() == kThumbHeight && p.format() == QImage::Format_RGB32) {
            copy = p;
        } else {
            copy = QImage(kThumbWidth, kThumbHeight, QImage::Format_RGB32);
            copy.fill(Qt::white);
            QPainter painter(&copy);
            painter.drawImage(0, 0, p);
        }
        rowPictureHeight_ = copy.height();
        rows.push_back({i < captions_.size() ? captions_[i] : std::string(), std::move(copy)});
    }
    return rows;
}

// ---------------------------------------------------------------- thumbnail archive

void TAlbumView::UnpackThumbnails(bool compressChecked) {
    saver_->Finish();
    archive_.reset();
    const std::string folder = catalog_.ThumbnailFolder();
    std::error_code ec;
    if (compressChecked) fs::create_directory(folder, ec);
    const std::string path = catalog_.ThumbnailArchivePath();
    if (!IsRegularFile(path)) return;
    // Only what the cache can hold: "<id>.bmp" entries of photos the catalog has, no larger
    // than a thumbnail can be.
    const TKnownPhotos known(catalog_);
    if (compressChecked) {
        auto archive = std::make_shared<TThumbnailArchive>();
        std::string why;
        if (archive->Open(path, known, &why)) {
            archive_ = std::move(archive);
            return;
        }
        ShowOk(catalog_.Messages(), "Zip",
               "The thumbnail archive " + path + " cannot be used: " + why +
                   ". It is removed; the thumbnails are made again from the photos as albums are opened.",
               TMsgIcon::Error);
        fs::remove(path, ec);
        return;
    }
    // Compression was turned off: the archive goes back into the folder, once. Thumbnails
    // already in the folder are newer than the archive's and stay.
    TZipEngine zip(&catalog_.Messages());
    zip.SetArchiveName(path);
    zip.SetBaseFolder(folder);
    zip.SetEntryFilter([&known, &folder](const std::string& name, std::uint64_t size) {
        int id = 0;
        std::error_code e;
        return size <= kMaxThumbnailFileBytes && ThumbnailIdOfName(name, id) && known(id) &&
               !fs::exists(folder + "/" + name, e);
    });
    // The engine refuses the archive when even that would leave the disk short of room.
    zip.Extract();
    // Whatever the outcome: the cache is rebuilt from the photos as needed.
    fs::remove(path, ec);
}

void TAlbumView::PackThumbnails(bool compressChecked, const std::function<void(double done)>& progress) {
    saver_->Finish();
    if (!compressChecked) return;
    std::error_code ec;
    const int n = catalog_.LastImageId();
    const std::string path = catalog_.ThumbnailArchivePath();
    // The cache files of identifiers 1 to n that can be read; one that cannot stays where it is
    // rather than spoil the archive for all the others.
    std::vector<std::string> files;
    for (const TCachedThumbnail& t : CachedThumbnails(catalog_.ThumbnailFolder(), n)) {
        const auto size = fs::file_size(t.path, ec);
        if (ec || size > kMaxThumbnailFileBytes) continue;
        const int fd = ::open(t.path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        ::close(fd);
        files.push_back(t.path);
    }
    // The archive's entries that stay: those of photos still in the catalog.
    const bool archiveFile = IsRegularFile(path);
    std::shared_ptr<TThumbnailArchive> archive = archive_;
    if (!archive && archiveFile) {
        // Not opened at the start (compression was turned on since): read it now.
        archive = std::make_shared<TThumbnailArchive>();
        if (!archive->Open(path, {}, nullptr)) archive.reset();
    }
    // Entries turned down when the archive was opened (photos that had left the catalog) go.
    bool entriesGo = archive && archive->Unwanted() > 0;
    std::vector<int> kept;
    if (archive) {
        const TKnownPhotos known(catalog_);
        for (int id : archive->Ids()) {
            if (known(id))
                kept.push_back(id);
            else
                entriesGo = true;
        }
        std::sort(kept.begin(), kept.end());
    }
    // Entries of photos that left the catalog go at once: their numbers may be given to new
    // photos. New thumbnails may wait: a merge rewrites the whole archive (its entries copied,
    // not packed again), so while the new ones are few next to what the archive holds they stay
    // in the folder, where they are read before the archive, and the close writes nothing. The
    // archive is rewritten once they reach a tenth of it: the cost stays in step with what
    // changed.
    const bool merge = !archive || entriesGo || files.size() * kMergeShare >= archive->size();
    if (!merge) {
        fs::remove(catalog_.ThumbnailFolder(), ec);  // only succeeds when it is empty
        return;
    }
    bool packed = true;
    if (!files.empty() || entriesGo || (!archive && archiveFile)) {
        TZipEngine zip(&catalog_.Messages());
        zip.SetArchiveName(path);
        // Thumbnails are small pictures deflate does little for: the fastest level packs them
        // several times faster than the smallest for a few per cent more bytes.
        zip.SetCompressionLevel(1);
        if (progress) zip.SetProgressFunction(progress);
        zip.ClearFiles();
        for (const auto& f : files) zip.AddFileToList(f);
        if (archive && !kept.empty())
            zip.SetKeptEntries(archive->Path(), [&kept](const std::string& name, std::uint64_t) {
                int id = 0;
                return ThumbnailIdOfName(name, id) && std::binary_search(kept.begin(), kept.end(), id);
            });
        if (files.empty() && kept.empty()) {
            // Nothing is left to hold.
            fs::remove(path, ec);
        } else {
            packed = zip.Add();
        }
    }
    // Only what the archive now holds leaves the folder; after a failed pack (a full disk) the
    // cache stays as it is and is used as it is at the next start.
    if (!packed) return;
    for (const auto& f : files) fs::remove(f, ec);
    fs::remove(catalog_.ThumbnailFolder(), ec);  // only succeeds when it is empty
}

// ---------------------------------------------------------------- preferences

int TAlbumView::DeleteThumbnails() {
    saver_->Finish();
    int removed = 0;
    std::error_code ec;
    const std::string path = catalog_.ThumbnailArchivePath();
    if (archive_) removed += int(archive_->size());
    archive_.reset();
    fs::remove(path, ec);
    for (const TCachedThumbnail& t : CachedThumbnails(catalog_.ThumbnailFolder(), catalog_.LastImageId()))
        if (fs::remove(t.path, ec)) ++removed;
    return removed;
}

TAlbumView::TThumbBoxes TAlbumView::SaveThumbnailsClicked(bool saveChecked, bool compressChecked) {
    (void)compressChecked;  // always cleared by a click
    TThumbBoxes boxes{saveChecked, false, saveChecked};
    TSettingsStore& settings = catalog_.Settings();
    if (saveChecked) {
        settings.WriteInteger(kSection, "saveThumbs", 2);
        return boxes;
    }
    settings.WriteInteger(kSection, "saveThumbs", 1);
    TMessages& messages = catalog_.Messages();
    if (AskYesNo(messages, "Don't Save Thumbnails", kAskRemoveThumbs)) {
        DeleteThumbnails();
        ShowOk(messages, "Thumbnails", kThumbsRemoved, TMsgIcon::Information);
    }
    return boxes;
}

bool TAlbumView::RefreshThumbnailsClicked() {
    TMessages& messages = catalog_.Messages();
    if (!AskYesNo(messages, "Refresh Thumbnails", kAskRefreshThumbs)) return false;
    DeleteThumbnails();
    ShowOk(messages, "RefreshThumbnails", kThumbsRefreshed, TMsgIcon::Information);
    return true;
}
