// Icon strip files from arbitrary bytes: a load either fails and leaves the strip as it was, or
// gives a strip that saves and loads back with the same pictures and settings. The same bytes
// also go straight through the LZRW1/KH chunk decoder.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "Lzrw1kh.h"
#include "TIconStrip.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// The scratch folder's path lives as long as the process, so the exit handler can still use it.
const std::string& ScratchFile() {
    static const std::string* path = [] {
        auto dir = std::filesystem::temp_directory_path() / ("lumavell-fuzz-strip-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        auto* p = new std::string((dir / "icons.pdat").string());
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(std::filesystem::path(ScratchFile()).parent_path(), ec);
        });
        return p;
    }();
    return *path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string out;
    if (lzrw1kh::DecodeChunk(data, size, out)) Check(out.size() <= lzrw1kh::kMaxChunkOutput);

    const std::string& path = ScratchFile();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) Check(std::fwrite(data, 1, size, f) == size);
    std::fclose(f);

    TIconStrip strip;
    strip.SetDescription("before");
    std::string error;
    if (!strip.LoadFromFile(path, &error)) {
        Check(!error.empty());
        Check(strip.Description() == "before" && strip.Count() == 0);
        return 0;
    }
    std::string bytes;
    Check(strip.ToBytes(bytes));
    TIconStrip back;
    Check(back.LoadFromBytes(bytes, &error));
    Check(back.Count() == strip.Count());
    Check(back.Flags() == strip.Flags());
    Check(back.Width() == strip.Width() && back.Height() == strip.Height());
    Check(back.Masked() == strip.Masked());
    return 0;
}
