// Receiving shared album packages of 1x, 10x and 100x a base size, to see that the time grows no
// faster than the package. Two kinds of package:
//   photos: 50 x k photos, each with a note of 80 character references;
//   note:   one photo whose note holds 20,000 x k "&amp;" (the worst case of the decoder).
// Each receive goes into a fresh catalog; each figure is the best of three runs. Prints
//   <kind>_<k>x_seconds S / <kind>_<k>x_package_bytes N, then <kind>_ratio_10x_1x R and
//   <kind>_ratio_100x_1x R.
//
//   bench_receive [SCRATCH_FOLDER]     (default: a new folder under the system's temporary folder)
#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "TAlbumReceive.h"
#include "TCatalog.h"
#include "QuietMessages.h"
#include "TMessages.h"
#include "TSettingsStore.h"
#include "TZipEngine.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Repeat(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// A package of `photos` photo files (small stand-ins: receiving never decodes them) whose notes
// are noteOf(i), as the export writes album.xml.
fs::path MakePackage(const fs::path& folder, const std::string& name, int photos,
                     const std::function<std::string(int)>& noteOf) {
    const fs::path work = folder / (name + "-work");
    fs::create_directories(work);
    std::string xml = "<?xml version=\"1.0\"?>\r\n\r\n<album>\r\n  <settings>\r\n    <ver>1</ver>\r\n    <name>" +
                      name + "</name>\r\n    <icon>1</icon>\r\n  </settings>\r\n";
    TZipEngine zip;
    zip.SetArchiveName((folder / (name + ".xal")).string());
    for (int i = 1; i <= photos; ++i) {
        const std::string file = name + " " + std::to_string(i) + ".jpg";
        Write(work / file, "\xff\xd8 photo " + std::to_string(i) + " \xff\xd9");
        zip.AddFileToList((work / file).string());
        xml += "\r\n  <photo>\r\n    <name>Photo " + std::to_string(i) + "</name>\r\n    <taker>Ann</taker>\r\n    <note>" +
               noteOf(i) + "</note>\r\n    <file>" + file + "</file>\r\n  </photo>\r\n";
    }
    xml += "</album>\r\n\r\n";
    Write(work / "album.xml", xml);
    zip.AddFileToList((work / "album.xml").string());
    if (!zip.Add()) std::fprintf(stderr, "packing %s failed: %s\n", name.c_str(), zip.LastError().c_str());
    fs::remove_all(work);
    return folder / (name + ".xal");
}

// The best of three receives of the package, each into a fresh catalog.
double ReceiveSeconds(const fs::path& folder, const fs::path& package, int& errors) {
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        const fs::path home = folder / ("home-" + std::to_string(run));
        fs::remove_all(home);
        fs::create_directories(home / "docs");
        Quiet messages;
        TSettingsStore settings((home / "user.conf").string(), (home / "machine.conf").string());
        TCatalog catalog(settings, messages, (home / "docs").string(), (home / "install").string());
        catalog.OpenCatalog();
        catalog.LoadAlbumList();
        sharing::TAlbumReceive receive(catalog);
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = receive.Receive(package.string());
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        if (!ok) ++errors;
        errors += messages.errors;
        fs::remove_all(home);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "lumavell-bench-receive";
    fs::remove_all(folder);
    fs::create_directories(folder);
    int errors = 0;
    struct Kind {
        const char* name;
        std::function<fs::path(int k)> make;
    };
    const std::string refs = Repeat("&amp;&lt;&#65;", 26) + "&gt;&copy;";  // 80 references
    const std::vector<Kind> kinds = {
        {"photos",
         [&](int k) {
             return MakePackage(folder, "photos" + std::to_string(k), 50 * k, [&](int) { return refs; });
         }},
        {"note",
         [&](int k) {
             const std::string note = Repeat("&amp;", 20000 * std::size_t(k));
             return MakePackage(folder, "note" + std::to_string(k), 1, [&](int) { return note; });
         }},
    };
    for (const Kind& kind : kinds) {
        double seconds[3] = {};
        const int scale[3] = {1, 10, 100};
        for (int s = 0; s < 3; ++s) {
            const fs::path package = kind.make(scale[s]);
            seconds[s] = ReceiveSeconds(folder, package, errors);
            std::printf("%s_%dx_seconds %.6f\n", kind.name, scale[s], seconds[s]);
            std::printf("%s_%dx_package_bytes %llu\n", kind.name, scale[s],
                        static_cast<unsigned long long>(fs::file_size(package)));
            std::fflush(stdout);
        }
        std::printf("%s_ratio_10x_1x %.2f\n", kind.name, seconds[1] / seconds[0]);
        std::printf("%s_ratio_100x_1x %.2f\n", kind.name, seconds[2] / seconds[0]);
    }
    fs::remove_all(folder);
    if (errors) std::fprintf(stderr, "%d receives failed\n", errors);
    return errors ? 1 : 0;
}
