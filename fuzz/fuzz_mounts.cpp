// Mount tables from arbitrary bytes: every volume found has an absolute mount point, a file
// system type that holds user files, and appears once; the list is sorted.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>

#include "TFolderImport.h"
#include "FuzzSupport.h"

using fuzzsupport::Check;

namespace fs = std::filesystem;

namespace {

const std::string& ScratchFile() {
    static const std::string* path = [] {
        std::string tmpl = (fs::temp_directory_path() / "lumavell-fuzz-mounts-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        auto* p = new std::string(tmpl + "/mounts");
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(fs::path(ScratchFile()).parent_path(), ec);
        });
        return p;
    }();
    return *path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(ScratchFile().c_str(), "wb");
    if (!f) std::abort();
    if (size) Check(std::fwrite(data, 1, size, f) == size, "scratch file written");
    std::fclose(f);
    const std::vector<TVolume> volumes = folderimport::MountedVolumes(ScratchFile());
    std::set<std::string> seen;
    for (size_t i = 0; i < volumes.size(); ++i) {
        const TVolume& v = volumes[i];
        Check(!v.mountPoint.empty() && v.mountPoint[0] == '/', "absolute mount point");
        Check(!folderimport::IsPseudoFileSystem(v.fsType), "no pseudo file systems");
        Check(seen.insert(v.mountPoint).second, "each mount point once");
        if (i > 0) Check(volumes[i - 1].mountPoint < v.mountPoint, "sorted");
        (void)folderimport::VolumeOf(v.mountPoint + "/x", {v.mountPoint});
    }
    return 0;
}
