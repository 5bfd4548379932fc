// The thumbnail archive from arbitrary bytes, in a scratch catalog of photos 2 to 40 (and the
// seed record 1): read where it lies (every entry taken is read and decoded, then the close
// merges it), then unpacked the way a start with compression turned off does. Afterwards the archive is gone, the cache folder
// holds only files named "<id>.bmp" no larger than a thumbnail, and nothing else in the catalog
// folder changed.
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

#include "FuzzSupport.h"
#include "FuzzMessages.h"

namespace fs = std::filesystem;
using fuzzsupport::Check;

namespace {
const fs::path& Scratch() { return fuzzsupport::ScratchRoot("thumbs"); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzsupport::TQuietMessages quiet;
    static TSettingsStore settings((Scratch() / "user.conf").string(), (Scratch() / "machine.conf").string());
    static TCatalog catalog(settings, quiet, (Scratch() / "docs").string(), (Scratch() / "install").string());
    static const bool made = [] {
        std::error_code ec;
        fs::remove_all(Scratch() / "docs", ec);
        catalog.OpenCatalog();
        TMlb2 album;
        album.AddField("ImgID");
        for (int id = 2; id <= 40; ++id) TCatalog::AddImage(catalog.CatalogTable(), album, id, "P", "/p.jpg", "me", "");
        return catalog.SaveCatalog();
    }();
    Check(made, "the scratch catalog is made");
    // The catalog's own files, as they are before any archive is tried.
    static const std::string before = [] {
        std::string list;
        for (const auto& e : fs::recursive_directory_iterator(Scratch() / "docs"))
            if (e.is_regular_file()) list += e.path().string() + " " + std::to_string(e.file_size()) + "\n";
        return list;
    }();
    const fs::path root = catalog.Root();  // ends with "/"
    const fs::path cache = catalog.ThumbnailFolder();
    std::error_code ec;
    fs::remove_all(cache, ec);
    const fs::path archive = root / "thumbnails.dat";
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) return 0;
    }
    {
        TAlbumView view(catalog);
        view.UnpackThumbnails(true);
        if (const auto a = view.ThumbnailArchive()) {
            for (int id : a->Ids()) {
                Check(id >= 1 && id <= 40, "an entry of a photo the catalog does not have");  // 1: the seed record
                QImage picture;
                if (a->Read(id, picture)) Check(!picture.isNull(), "an entry read as an empty picture");
            }
        }
        view.PackThumbnails(true);
    }
    if (fs::exists(archive)) {
        TAlbumView view(catalog);
        view.UnpackThumbnails(false);
    }

    Check(!fs::exists(archive), "the archive is removed", archive);
    for (const auto& e : fs::recursive_directory_iterator(Scratch() / "docs")) {
        const fs::path p = e.path().lexically_normal();
        if (e.is_directory() && !e.is_symlink() && (root.lexically_normal().string().rfind(p.string(), 0) == 0 ||
                                                    p == cache.lexically_normal()))
            continue;  // the folders down to the cache folder
        if (e.is_regular_file() && !e.is_symlink() &&
            before.find(e.path().string() + " " + std::to_string(e.file_size()) + "\n") != std::string::npos)
            continue;  // the catalog's own files, unchanged
        Check(p.parent_path() == cache.lexically_normal(), "written outside the cache folder", p);
        Check(e.is_regular_file() && !e.is_symlink(), "not a plain file", p);
        int id = 0;
        Check(ThumbnailIdOfName(p.filename().string(), id), "not a thumbnail name", p);
        Check(fs::file_size(p) <= kMaxThumbnailFileBytes, "larger than a thumbnail", p);
    }
    return 0;
}
