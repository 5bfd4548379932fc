// Opening albums: a cached album of 1,000 and 10,000 rows (OpenAlbum to the end of RefreshList,
// every thumbnail file present), compared with reading the same thumbnail files with cat, and
// the process's peak memory. With --uncached <folder> it instead files every JPEG under the
// folder into a new album and prints the time of one uncached RefreshList (saveThumbs 2), the
// figure bench/thumbnails.sh compares with vipsthumbnail.
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

#include "TAlbumView.h"
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

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--uncached") return Uncached(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
