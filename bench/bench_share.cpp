// Sharing an album of real photos: exports every JPEG of a folder as a shared album package with
// "No, don't shrink the photos" and with "Make photos quarter of the original size", then
// receives the first package into a fresh catalog. Prints the best of three runs of each:
//   package_none_seconds S / package_quarter_seconds S / receive_seconds S / package_bytes N
//
//   bench_share PHOTO_FOLDER
#include <QGuiApplication>
#include <cstdlib>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "TAlbumExport.h"
#include "TAlbumReceive.h"
#include "TCatalog.h"
#include "QuietMessages.h"
#include "TMessages.h"
#include "TSettingsStore.h"

namespace fs = std::filesystem;

namespace {

template <class F>
double Best(F work) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        work(i);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    // Headless unless a display is given: the benchmark draws nothing on screen.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_share PHOTO_FOLDER\n");
        return 64;
    }
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(argv[1])) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (e.is_regular_file() && (ext == ".jpg" || ext == ".jpeg")) files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    sharing::TShareAlbum album;
    album.name = "Backgrounds";
    album.icon = 1;
    for (const std::string& f : files)
        album.photos.push_back({f, fs::path(f).stem().string(), "MATE", "A background of the MATE desktop"});

    const fs::path scratch = fs::temp_directory_path() / ("lumavell-bench-share-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    Quiet messages;
    sharing::TAlbumExport exporter(messages, (scratch / "work").string());
    const std::string none = (scratch / "none.xal").string();
    const std::string quarter = (scratch / "quarter.xal").string();
    const double tNone = Best([&](int) { exporter.StartSharing(album, sharing::TShareMethod::Package, none, sharing::TShrink::None); });
    const double tQuarter = Best([&](int) { exporter.StartSharing(album, sharing::TShareMethod::Package, quarter, sharing::TShrink::Quarter); });

    const double tReceive = Best([&](int run) {
        const std::string home = (scratch / ("home" + std::to_string(run))).string();
        TSettingsStore settings(home + "/user.conf", home + "/machine.conf");
        TCatalog catalog(settings, messages, home + "/Documents", home + "/install");
        catalog.OpenCatalog();
        catalog.LoadAlbumList();
        sharing::TAlbumReceive receive(catalog);
        receive.Receive(none);
    });
    std::printf("photos %zu\n", files.size());
    std::printf("package_none_seconds %.3f\n", tNone);
    std::printf("package_quarter_seconds %.3f\n", tQuarter);
    std::printf("receive_seconds %.3f\n", tReceive);
    std::printf("package_none_bytes %lld\n", static_cast<long long>(fs::file_size(none)));
    std::printf("package_quarter_bytes %lld\n", static_cast<long long>(fs::file_size(quarter)));
    std::error_code ec;
    fs::remove_all(scratch, ec);
    return messages.errors ? 1 : 0;
}
