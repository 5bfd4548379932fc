// The album list (albums.pdat) from arbitrary bytes: loading always ends with the reserved line
// and gives lines without line breaks; saving and loading again gives the same list.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "TCatalog.h"
#include "TMessages.h"
#include "TSettingsStore.h"

namespace fs = std::filesystem;

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

class TQuiet : public TMessages {
public:
    TMsgResult Show(const std::string&, const std::string&, TMsgIcon, TMsgButtons buttons) override {
        return buttons == TMsgButtons::YesNo || buttons == TMsgButtons::YesNoCancel ? TMsgResult::No
                                                                                   : TMsgResult::Ok;
    }
    std::string OpenFileName(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::string SaveFileName(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::string BrowseFolder(const std::string&, const std::string&) override { return ""; }
};

void RemoveRoot();
const fs::path& Root() {
    static const fs::path root = [] {
        std::string tmpl = (fs::temp_directory_path() / "lumavell-fuzz-albums-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        return fs::path(tmpl);
    }();
    static const bool cleanup = std::atexit(RemoveRoot) == 0;
    (void)cleanup;
    return root;
}
void RemoveRoot() {
    std::error_code ec;
    fs::remove_all(Root(), ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TQuiet quiet;
    static TSettingsStore settings((Root() / "user.conf").string(), (Root() / "machine.conf").string());
    const std::string docs = (Root() / "docs").string();
    TCatalog catalog(settings, quiet, docs, (Root() / "install").string());
    std::error_code ec;
    fs::create_directories(catalog.Root(), ec);
    const std::string path = catalog.Root() + "albums.pdat";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) Check(std::fwrite(data, 1, size, f) == size, "scratch file written");
    std::fclose(f);

    catalog.LoadAlbumList();
    const std::vector<std::string> first = catalog.AlbumList();
    Check(!first.empty() && first.back() == TCatalog::kReservedAlbumLine, "the reserved line is last");
    for (const std::string& line : first) {
        Check(line.find('\r') == std::string::npos && line.find('\n') == std::string::npos, "no line breaks");
        (void)TCatalog::AlbumEntryName(line);
        (void)TCatalog::AlbumEntryIcon(line);
    }
    if (!catalog.SaveAlbumList()) return 0;
    catalog.LoadAlbumList();
    Check(catalog.AlbumList() == first, "saved and loaded again, the list is the same");
    return 0;
}
