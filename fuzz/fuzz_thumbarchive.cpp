// The thumbnail archive from arbitrary bytes, through the real unpack into a scratch catalog:
// afterwards the archive is gone, the cache folder holds only files named "<id>.bmp" no larger
// than a thumbnail, and nothing else in the catalog folder changed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "TAlbumView.h"
#include "TCatalog.h"
#include "TMessages.h"
#include "TSettingsStore.h"
#include "ThumbnailFiles.h"

namespace fs = std::filesystem;

namespace {

void Check(bool ok, const char* what, const fs::path& p = {}) {
    if (!ok) {
        std::fprintf(stderr, "check failed: %s %s\n", what, p.c_str());
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
        std::string tmpl = (fs::temp_directory_path() / "lumavell-fuzz-thumbs-XXXXXX").string();
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
    TCatalog catalog(settings, quiet, (Root() / "docs").string(), (Root() / "install").string());
    const fs::path root = catalog.Root();  // ends with "/"
    const fs::path cache = catalog.ThumbnailFolder();
    std::error_code ec;
    fs::remove_all(Root() / "docs", ec);
    fs::create_directories(root, ec);
    const fs::path archive = root / "thumbnails.dat";
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) return 0;
    }
    TAlbumView view(catalog);
    view.UnpackThumbnails(true);

    Check(!fs::exists(archive), "the archive is removed", archive);
    for (const auto& e : fs::recursive_directory_iterator(Root() / "docs")) {
        const fs::path p = e.path().lexically_normal();
        if (e.is_directory() && !e.is_symlink() && (root.lexically_normal().string().rfind(p.string(), 0) == 0 ||
                                                    p == cache.lexically_normal()))
            continue;  // the folders down to the cache folder
        Check(p.parent_path() == cache.lexically_normal(), "written outside the cache folder", p);
        Check(e.is_regular_file() && !e.is_symlink(), "not a plain file", p);
        int id = 0;
        Check(ThumbnailIdOfName(p.filename().string(), id), "not a thumbnail name", p);
        Check(fs::file_size(p) <= kMaxThumbnailFileBytes, "larger than a thumbnail", p);
    }
    return 0;
}
