// Opening albums: a cached album of 1,000 and 10,000 rows (OpenAlbum to the end of RefreshList,
// every thumbnail file present), compared with reading the same thumbnail files with cat, and
// the process's peak memory. With --uncached <folder> it instead files every JPEG under the
// folder into a new album and prints the time of one uncached RefreshList (saveThumbs 2), the
// figure bench/thumbnails.sh compares with vipsthumbnail. With --import <folder> it times a
// folder import ("Add All"); with --make-catalog it makes the test data of bench/album_open.sh;
// with --archive <documents> it times the thumbnail archive of such a catalog (cached): the
// first pack, a start, a close with nothing new, with 1% and with 10% new thumbnails, and the
// old way of starting (unpacking every file).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "JpegCodec.h"
#include "TAlbumView.h"
#include "TFolderImport.h"
#include "TPlatform.h"
#include "TCatalog.h"
#include "TMessages.h"
#include "TSettingsStore.h"

namespace fs = std::filesystem;

namespace {

class SilentMessages : public TMessages {
public:
    TMsgResult Show(const std::string&, const std::string& text, TMsgIcon, TMsgButtons) override {
        std::fprintf(stderr, "bench_album: message: %s\n", text.c_str());
        return TMsgResult::No;
    }
    std::string OpenFileName(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::string SaveFileName(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::string BrowseFolder(const std::string&, const std::string&) override { return ""; }
};

// A catalog in a temporary folder, removed at the end.
struct BenchCatalog {
    fs::path dir;
    std::unique_ptr<TSettingsStore> settings;
    SilentMessages messages;
    std::unique_ptr<TCatalog> catalog;

    BenchCatalog() {
        std::string tmpl = (fs::temp_directory_path() / "lumavell-bench-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        dir = tmpl;
        fs::create_directories(dir / "install");
        settings = std::make_unique<TSettingsStore>((dir / "user.conf").string(), (dir / "machine.conf").string());
        catalog = std::make_unique<TCatalog>(*settings, messages, (dir / "docs").string(), (dir / "install").string());
        catalog->OpenCatalog();
        QImage nf(100, 80, QImage::Format_RGB32);
        nf.fill(Qt::gray);
        nf.save(QString::fromStdString((dir / "install" / "notfound.bmp").string()), "BMP");
    }
    ~BenchCatalog() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

double PeakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

// Seconds for `cat` to read every file of a folder (xargs batches the names).
double CatSeconds(const fs::path& folder) {
    const std::string cmd = "find '" + folder.string() + "' -type f -print0 | xargs -0 cat > /dev/null";
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (std::system(cmd.c_str()) != 0) return -1;
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

void BM_CachedAlbum(benchmark::State& state) {
    const int rows = int(state.range(0));
    BenchCatalog b;
    TCatalog& c = *b.catalog;
    c.CreateAlbumFile("Bench");
    c.OpenAlbum("Bench");
    fs::create_directories(c.ThumbnailFolder());
    fs::create_directories(b.dir / "photos");
    QImage thumb(100, 80, QImage::Format_RGB32);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) thumb.setPixel(x, y, qRgb(x * 2, y * 3, (x + y) % 256));
    thumb.save(QString::fromStdString(c.ThumbnailPath(2)), "BMP");
    for (int i = 0; i < rows; ++i) {
        const int id = c.NextImageId();
        const std::string photo = (b.dir / "photos" / ("photo" + std::to_string(id) + ".jpg")).string();
        std::ofstream(photo).put('x');  // only its existence is checked: the thumbnail is cached
        TCatalog::AddImage(c.CatalogTable(), c.AlbumTable(), id, "Photo " + std::to_string(id), photo,
                           "bench", "");
        if (id != 2) fs::copy_file(c.ThumbnailPath(2), c.ThumbnailPath(id));
    }
    c.SaveCatalog();
    c.SaveAlbum("Bench");
    b.settings->WriteInteger("Images", "saveThumbs", 2);

    // Let the new files reach the disk first, then open once so they are in the page cache: the
    // figure is for an album whose thumbnails were cached in an earlier run.
    sync();
    TAlbumView view(c);
    c.OpenAlbum("Bench");
    view.RefreshList();
    for (auto _ : state) {
        c.OpenAlbum("Bench");
        if (view.RefreshList() != TRefreshResult::Done || view.RowCount() != rows) {
            state.SkipWithError("refresh failed");
            break;
        }
        benchmark::DoNotOptimize(view.ThumbnailStrip().size());
    }
    const double cat = CatSeconds(c.ThumbnailFolder());
    state.counters["cat_ms"] = cat * 1e3;
    state.counters["peak_MB"] = PeakMegabytes();
    state.counters["ratio_to_cat"] = benchmark::Counter(
        cat > 0 ? double(state.iterations()) * cat : 0,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CachedAlbum)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

int Uncached(const std::string& folder) {
    BenchCatalog b;
    TCatalog& c = *b.catalog;
    c.CreateAlbumFile("Bench");
    c.OpenAlbum("Bench");
    std::vector<std::string> photos;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec)) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
        if (e.is_regular_file() && (ext == ".jpg" || ext == ".jpeg")) photos.push_back(e.path().string());
    }
    std::sort(photos.begin(), photos.end());
    if (photos.empty()) {
        std::fprintf(stderr, "bench_album: no JPEG files under %s\n", folder.c_str());
        return 1;
    }
    for (const auto& p : photos)
        TCatalog::AddImage(c.CatalogTable(), c.AlbumTable(), c.NextImageId(), fs::path(p).stem().string(), p, "bench", "");
    c.SaveCatalog();
    c.SaveAlbum("Bench");
    b.settings->WriteInteger("Images", "saveThumbs", 2);

    TAlbumView view(c);
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        fs::remove_all(c.ThumbnailFolder(), ec);
        c.OpenAlbum("Bench");
        const auto t0 = std::chrono::steady_clock::now();
        const TRefreshResult r = view.RefreshList();
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        view.FinishSavingThumbnails();  // the saved files are in place before they are counted
        if (r != TRefreshResult::Done) {
            std::fprintf(stderr, "bench_album: the refresh stopped\n");
            return 1;
        }
        best = std::min(best, s);
        std::printf("run %d: %.3f s\n", run + 1, s);
    }
    size_t saved = 0;
    for (const auto& e : fs::directory_iterator(c.ThumbnailFolder(), ec)) saved += e.is_regular_file();
    if (view.RowCount() != int(photos.size()) || saved != photos.size()) {
        std::fprintf(stderr, "bench_album: %d rows listed, %zu thumbnails saved for %zu photos\n",
                     view.RowCount(), saved, photos.size());
        return 1;
    }
    std::printf("photos %zu\nthumbnails_saved %zu\nuncached_refresh_seconds %.3f\n", photos.size(), saved, best);
    return 0;
}

// Test data for bench/album_open.sh: a catalog under <documents>/My Pictures/My Albums with one
// album "Bench" of `rows` rows, the photos spread over `files` JPEG files (640 x 480) in
// <documents>/photos, and, with cached, a cache file per row (beyond the first `files`, hard
// links to those). Prints the album file's path.
int MakeCatalog(const std::string& documents, int rows, int files, bool cached) {
    const fs::path docs = documents;
    std::error_code ec;
    fs::create_directories(docs / "install", ec);
    fs::create_directories(docs / "photos", ec);
    TSettingsStore settings((docs / "user.conf").string(), (docs / "machine.conf").string());
    SilentMessages messages;
    TCatalog c(settings, messages, docs.string(), (docs / "install").string());
    c.OpenCatalog();
    c.CreateAlbumFile("Bench");
    c.OpenAlbum("Bench");
    std::vector<std::string> photos;
    for (int f = 0; f < files; ++f) {
        QImage img(640, 480, QImage::Format_RGB32);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) img.setPixel(x, y, qRgb((x + f * 7) & 255, (y * 3 + f) & 255, (x ^ y) & 255));
        photos.push_back((docs / "photos" / ("photo" + std::to_string(f) + ".jpg")).string());
        std::string error;
        if (!imaging::SaveJpeg(img, photos.back(), error)) {
            std::fprintf(stderr, "bench_album: %s\n", error.c_str());
            return 1;
        }
    }
    if (cached) fs::create_directories(c.ThumbnailFolder(), ec);
    std::string thumbBytes;
    for (int i = 0; i < rows; ++i) {
        const int id = c.NextImageId();
        const std::string& photo = photos[size_t(i % files)];
        TCatalog::AddImage(c.CatalogTable(), c.AlbumTable(), id, "Photo " + std::to_string(id), photo, "bench", "");
        if (cached) {
            if (i < files) {
                QImage t(100, 80, QImage::Format_RGB32);
                for (int y = 0; y < 80; ++y)
                    for (int x = 0; x < 100; ++x) t.setPixel(x, y, qRgb((x * 2 + i) & 255, (y * 3) & 255, (x + y) & 255));
                t.save(QString::fromStdString(c.ThumbnailPath(id)), "BMP");
            } else {
                // A link, not a copy: 100,000 copies take longer to make than to open.
                fs::create_hard_link(c.ThumbnailPath(2 + i % files), c.ThumbnailPath(id), ec);
            }
        }
    }
    c.SaveCatalog();
    c.SaveAlbum("Bench");
    // "/OPENCOL" opens only albums of the album list.
    c.LoadAlbumList();
    c.AlbumList().insert(c.AlbumList().begin(), "Bench;0");
    c.SaveAlbumList();
    std::printf("%s\n", c.AlbumFilePath("Bench").c_str());
    return 0;
}

long long WrittenBytes() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "write_bytes:") return value;
    return -1;
}

// Folder import: reads a folder, makes its import thumbnails, then "Add All" into an album of a
// new catalog. Prints the seconds of each step, the peak memory and the bytes written.
int Import(const std::string& folder) {
    BenchCatalog b;
    TCatalog& c = *b.catalog;
    c.CreateAlbumFile("Bench");
    c.OpenAlbum("Bench");
    TLinuxPlatform platform("", "bench");
    TFolderImport import(c, platform);
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    if (!import.ReadFolder(folder) || !import.FolderChanged()) {
        std::fprintf(stderr, "bench_album: the folder %s cannot be read\n", folder.c_str());
        return 1;
    }
    const auto t1 = Clock::now();
    const long long before = WrittenBytes();
    const TImportAdd added = import.AddAll("Bench;1");
    sync();
    const auto t2 = Clock::now();
    const long long written = WrittenBytes() - before;
    std::printf("photos %d\nfiled %zu\nthumbnails_seconds %.3f\nadd_all_seconds %.3f\n", import.FileCount(),
                added.ids.size(), std::chrono::duration<double>(t1 - t0).count(),
                std::chrono::duration<double>(t2 - t1).count());
    std::printf("add_all_written_MB %.2f (data.mlb %.2f MB, album %.2f MB)\npeak_MB %.0f\n", double(written) / 1e6,
                double(fs::file_size(c.Root() + "data.mlb")) / 1e6,
                double(fs::file_size(c.AlbumFilePath("Bench"))) / 1e6, PeakMegabytes());
    return 0;
}

// Packs the cache of a catalog made by --make-catalog ... cached into its archive, as a close
// with "Compress thumbnails" on does.
int Pack(const std::string& documents) {
    const fs::path docs = documents;
    TSettingsStore settings((docs / "user.conf").string(), (docs / "machine.conf").string());
    SilentMessages messages;
    TCatalog c(settings, messages, docs.string(), (docs / "install").string());
    c.OpenCatalog();
    TAlbumView view(c);
    view.PackThumbnails(true);
    return fs::exists(c.ThumbnailArchivePath()) ? 0 : 1;
}

// The thumbnail archive of a catalog made by --make-catalog ... cached, in step order. The
// catalog's cache folder is packed away: run it on a copy.
int Archive(const std::string& documents) {
    const fs::path docs = documents;
    TSettingsStore settings((docs / "user.conf").string(), (docs / "machine.conf").string());
    SilentMessages messages;
    TCatalog c(settings, messages, docs.string(), (docs / "install").string());
    c.OpenCatalog();
    c.OpenAlbum("Bench");
    const int n = c.LastImageId();
    using Clock = std::chrono::steady_clock;
    auto step = [](const char* what, auto&& fn) {
        const long long before = WrittenBytes();
        const auto t0 = Clock::now();
        fn();
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        std::printf("%-44s %7.3f s  written %8.2f MB\n", what, seconds, double(WrittenBytes() - before) / 1e6);
        std::fflush(stdout);
    };
    sync();
    size_t files = 0;
    std::uintmax_t looseBytes = 0;
    for (const auto& e : fs::directory_iterator(c.ThumbnailFolder())) {
        ++files;
        looseBytes += e.file_size();
    }
    std::printf("thumbnails %zu, %.1f MB in the cache folder\n", files, double(looseBytes) / 1e6);
    {
        TAlbumView view(c);
        step("first close: pack every thumbnail", [&] { view.PackThumbnails(true); });
    }
    std::printf("archive %.1f MB\n", double(fs::file_size(c.ThumbnailArchivePath())) / 1e6);
    {
        TAlbumView view(c);
        step("start: open the archive where it lies", [&] { view.UnpackThumbnails(true); });
        step("open the album from the archive", [&] { view.RefreshList(); });
        const TRowPictures& strip = view.ThumbnailStrip();
        step("paint 1,000 rows from the archive", [&] {
            for (size_t r = 0; r < 1000 && r < strip.size(); ++r) (void)strip[r * (strip.size() / 1000 + 1) % strip.size()];
        });
        step("close with nothing new", [&] { view.PackThumbnails(true); });
    }
    // A session that made thumbnails for the last `share` of the photos, then closed.
    auto closeWithNew = [&](int share, QRgb colour, const char* what) {
        TAlbumView view(c);
        view.UnpackThumbnails(true);
        fs::create_directories(c.ThumbnailFolder());
        QImage t(100, 80, QImage::Format_RGB32);
        t.fill(colour);
        const int fresh = std::max(1, n / share);
        for (int id = n - fresh + 1; id <= n; ++id) t.save(QString::fromStdString(c.ThumbnailPath(id)), "BMP");
        sync();
        step(what, [&] { view.PackThumbnails(true); });
    };
    closeWithNew(100, qRgb(1, 2, 3), "close with 1% new thumbnails (they wait)");
    closeWithNew(10, qRgb(4, 5, 6), "close with 10% new thumbnails (merge)");
    {
        TAlbumView view(c);
        step("start with compression off: unpack all", [&] { view.UnpackThumbnails(false); });
    }
    std::printf("peak_MB %.0f\n", PeakMegabytes());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--archive") return Archive(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--pack") return Pack(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--import") return Import(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--uncached") return Uncached(argv[2]);
    if (argc >= 5 && std::string(argv[1]) == "--make-catalog")
        return MakeCatalog(argv[2], std::atoi(argv[3]), std::max(1, std::atoi(argv[4])),
                           argc >= 6 && std::string(argv[5]) == "cached");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
