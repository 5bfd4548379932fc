// Extracts a fuzzed archive into a scratch folder and checks that every file it wrote is a
// plain file directly in that folder: nothing beside or above it, no links, no sub-folders.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "TZipEngine.h"

#include "FuzzSupport.h"

namespace fs = std::filesystem;
using fuzzsupport::Check;
using fuzzsupport::ScratchRoot;

namespace {

[[noreturn]] void Escaped(const fs::path& p) {
    std::fprintf(stderr, "written outside the base folder or not a plain file: %s\n", p.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path& root = ScratchRoot("zip");
    const fs::path base = root / "base";
    const fs::path archive = root / "in.zip";
    std::error_code ec;
    fs::remove_all(base, ec);
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) return 0;
    }

    TZipEngine zip;
    zip.SetArchiveName(archive.string());
    zip.SetBaseFolder(base.string());
    // Keeps archives that inflate to a great deal small enough to fuzz quickly.
    zip.SetFreeSpaceFunction(
        [](const std::string&) { return TZipEngine::TDiskSpace{std::int64_t(9) << 20, std::int64_t(10) << 20}; });
    zip.Extract();
    zip.Comment();
    zip.EntryNames();

    for (const auto& e : fs::directory_iterator(root)) {
        if (e.path() != base && e.path() != archive) Escaped(e.path());
    }
    if (fs::exists(base)) {
        for (const auto& e : fs::directory_iterator(base)) {
            if (!e.is_regular_file() || e.is_symlink()) Escaped(e.path());
            if (e.path().filename().string().rfind(".lumavell-unzip-", 0) == 0) Escaped(e.path());
        }
    }
    fs::remove_all(base, ec);
    return 0;
}
