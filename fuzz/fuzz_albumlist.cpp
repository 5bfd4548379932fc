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

#include "FuzzSupport.h"
#include "FuzzMessages.h"

namespace fs = std::filesystem;
using fuzzsupport::Check;

namespace {
const fs::path& Scratch() { return fuzzsupport::ScratchRoot("albums"); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzsupport::TQuietMessages quiet;
    static TSettingsStore settings((Scratch() / "user.conf").string(), (Scratch() / "machine.conf").string());
    const std::string docs = (Scratch() / "docs").string();
    TCatalog catalog(settings, quiet, docs, (Scratch() / "install").string());
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
