#pragma once
// Shared by the fuzz targets: a failed check that libFuzzer records as a crash, and one scratch
// folder per process, removed at exit.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzzsupport {

inline void Check(bool ok, const char* what, const std::filesystem::path& p = {}) {
    if (!ok) {
        std::fprintf(stderr, "check failed: %s %s\n", what, p.c_str());
        std::abort();
    }
}

// A fresh folder "lumavell-fuzz-<tag>-XXXXXX" in the temporary folder, made on the first call
// (the tag of later calls is not used) and removed when the process ends.
inline const std::filesystem::path& ScratchRoot(const char* tag) {
    static const std::filesystem::path root = [tag] {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / (std::string("lumavell-fuzz-") + tag + "-XXXXXX")).string();
        if (!mkdtemp(tmpl.data())) std::abort();
        return std::filesystem::path(tmpl);
    }();
    // Registered after root exists, so it runs before root is destroyed at exit.
    static const bool cleanup = std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(ScratchRoot(""), ec);
    }) == 0;
    (void)cleanup;
    return root;
}

}  // namespace fuzzsupport
