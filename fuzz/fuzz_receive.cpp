// Receives a fuzzed shared album package into a scratch catalog and checks that nothing was
// written outside the package's extraction folder and the catalog root, that a failed receive
// left the catalog files as they were and no folder behind, and that a successful one added one
// album line.
//
// Input: a first byte of 0 gives the rest as the package file itself; any other first byte gives
// the rest as the package's album.xml, packed with two small photos and an icon.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <zip.h>

#include "TAlbumReceive.h"
#include "TCatalog.h"
#include "TMessages.h"
#include "TSettingsStore.h"

namespace fs = std::filesystem;

namespace {

void Require(bool ok) {
    if (!ok) std::abort();
}

class SilentMessages : public TMessages {
public:
    TMsgResult Show(const std::string&, const std::string&, TMsgIcon, TMsgButtons) override { return TMsgResult::Ok; }
    std::string OpenFileName(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::string SaveFileName(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::string BrowseFolder(const std::string&, const std::string&) override { return ""; }
};

const fs::path& Root() {
    static const fs::path* root = [] {
        auto* p = new fs::path(fs::temp_directory_path() / ("lumavell-fuzz-receive-" + std::to_string(getpid())));
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(Root(), ec);
        });
        return p;
    }();
    return *root;
}

std::map<std::string, std::string> Files(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folder)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        files[e.path().filename()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A package of stored entries.
void Pack(const fs::path& path, const std::map<std::string, std::string>& entries) {
    int code = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    Require(za != nullptr);
    for (const auto& [name, data] : entries) {
        zip_source_t* src = zip_source_buffer(za, data.data(), data.size(), 0);
        Require(zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_RAW) >= 0);
    }
    Require(zip_close(za) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::error_code ec;
    fs::remove_all(Root(), ec);
    const fs::path docs = Root() / "docs";
    const fs::path package = Root() / "in.xal";
    fs::create_directories(docs / "My Pictures" / "My Albums");
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] == 0) {
        Write(package, rest);
    } else {
        // 1 x 1 BMP, and JPEG bytes that need not decode: the receive never decodes photos.
        const std::string bmp("BM\x3a\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0\0\0\0\0\x04\0\0\0"
                              "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\xff\0\0\0", 58);
        Pack(package, {{"album.xml", rest}, {"in 1.jpg", "jpeg"}, {"in 2.jpg", "jpeg"}, {"icon.bmp", bmp}});
    }

    SilentMessages messages;
    TSettingsStore settings((Root() / "user.conf").string(), (Root() / "machine.conf").string());
    TCatalog catalog(settings, messages, docs.string(), (Root() / "install").string());
    catalog.OpenCatalog();
    catalog.LoadAlbumList();
    const auto before = Files(catalog.Root());
    const std::size_t lines = catalog.AlbumList().size();

    sharing::TAlbumReceive receive(catalog);
    receive.SetFreeSpaceFunction(
        [](const std::string&) { return TZipEngine::TDiskSpace{std::int64_t(9) << 20, std::int64_t(10) << 20}; });
    const bool ok = receive.Receive(package.string());

    // Only the package, the settings and the documents folder are at the top.
    for (const auto& e : fs::directory_iterator(Root())) {
        const std::string name = e.path().filename();
        Require(name == "docs" || name == "in.xal" || name == "user.conf" || name == "machine.conf");
    }
    // Under My Pictures: the catalog root and at most one extraction folder, holding plain
    // files only.
    int folders = 0;
    for (const auto& e : fs::directory_iterator(docs / "My Pictures")) {
        Require(e.is_directory() && !e.is_symlink());
        if (e.path().filename() == "My Albums") continue;
        ++folders;
        for (const auto& f : fs::directory_iterator(e.path())) Require(f.is_regular_file() && !f.is_symlink());
    }
    Require(folders <= 1);
    // A receive that fails leaves no folder behind.
    Require(ok || folders == 0);
    for (const auto& e : fs::directory_iterator(catalog.Root())) Require(e.is_regular_file() && !e.is_symlink());
    if (ok) {
        Require(catalog.AlbumList().size() == lines + 1);
        Require(catalog.AlbumList().back() == TCatalog::kReservedAlbumLine);
        Require(fs::exists(catalog.AlbumFilePath(receive.AlbumName())));
    } else {
        Require(Files(catalog.Root()) == before);
        Require(catalog.AlbumList().size() == lines);
    }
    return 0;
}
