// One keystroke in the notes box on a 100,000-photo catalog: the shown photo's record found
// again by ImgID, its ImgKeys set, the whole catalog written to data.mlb (beside, synced,
// renamed, folder synced). The parts are timed on their own too, and the floor: the same bytes
// written and synced to a file of their own.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "TAlbumView.h"
#include "TCatalog.h"
#include "TMessages.h"
#include "TPhotoProperties.h"
#include "TSettingsStore.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPhotos = 100000;

class SilentMessages : public TMessages {
public:
    TMsgResult Show(const std::string&, const std::string& text, TMsgIcon, TMsgButtons) override {
        std::fprintf(stderr, "bench_notes: message: %s\n", text.c_str());
        return TMsgResult::No;
    }
    std::string OpenFileName(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::string SaveFileName(const std::string&, const std::string&, const std::string&) override { return ""; }
    std::string BrowseFolder(const std::string&, const std::string&) override { return ""; }
};

// A catalog of kPhotos photos with typical values in a temporary folder, removed at the end.
// LUMAVELL_BENCH_DIR chooses the folder it is made in (default: the system's temporary folder).
struct BigCatalog {
    fs::path dir;
    std::unique_ptr<TSettingsStore> settings;
    SilentMessages messages;
    std::unique_ptr<TCatalog> catalog;
    std::unique_ptr<TPhotoProperties> props;
    std::string shownId;

    BigCatalog() {
        const char* base = std::getenv("LUMAVELL_BENCH_DIR");
        std::string tmpl = ((base && *base ? fs::path(base) : fs::temp_directory_path()) / "lumavell-bench-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        dir = tmpl;
        fs::create_directories(dir / "install");
        settings = std::make_unique<TSettingsStore>((dir / "user.conf").string(), (dir / "machine.conf").string());
        catalog = std::make_unique<TCatalog>(*settings, messages, (dir / "docs").string(), (dir / "install").string());
        catalog->OpenCatalog();
        TMlb2 album;
        album.AddField("ImgID");
        for (int i = 0; i < kPhotos; ++i) {
            const int id = i + 2;
            const std::string n = std::to_string(id);
            TCatalog::AddImage(catalog->CatalogTable(), album, id, "Holiday photo " + n,
                               "/home/someone/Pictures/2024/Summer trip/IMG_" + n + ".jpg", "someone",
                               i % 3 ? "" : "Beach with the kids, afternoon, photo " + n);
        }
        catalog->SaveCatalog();
        // The shown photo: one in the middle of the catalog.
        shownId = std::to_string(kPhotos / 2);
        props = std::make_unique<TPhotoProperties>(*catalog);
        props->PhotoShownById(shownId);
    }
    ~BigCatalog() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string DataFile() const { return catalog->Root() + "data.mlb"; }
};

BigCatalog& Catalog() {
    static BigCatalog c;
    return c;
}

// The notes grow by one character per keystroke, as while typing.
void BM_NotesKeystroke(benchmark::State& state) {
    BigCatalog& c = Catalog();
    std::string text;
    for (auto _ : state) {
        text.push_back(char('a' + text.size() % 26));
        if (text.size() > 200) text.clear();
        if (!c.props->NotesChanged(text)) state.SkipWithError("the catalog was not written");
    }
    state.counters["file_MB"] = double(fs::file_size(c.DataFile())) / 1e6;
}
BENCHMARK(BM_NotesKeystroke)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The durable floor: the catalog's bytes written and synced, nothing else.
void BM_FloorWriteSync(benchmark::State& state) {
    BigCatalog& c = Catalog();
    std::string bytes;
    {
        std::FILE* in = std::fopen(c.DataFile().c_str(), "rb");
        if (!in) {
            state.SkipWithError("no catalog file");
            return;
        }
        char buf[1 << 16];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) bytes.append(buf, n);
        std::fclose(in);
    }
    const std::string path = (c.dir / "floor.bin").string();
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) state.SkipWithError("write failed");
        if (f) {
            std::fflush(f);
            ::fsync(::fileno(f));
            std::fclose(f);
        }
    }
}
BENCHMARK(BM_FloorWriteSync)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The parts: finding the record again and setting the value; the save alone.
void BM_FindAndSet(benchmark::State& state) {
    BigCatalog& c = Catalog();
    TMlb2& cat = c.catalog->CatalogTable();
    int n = 0;
    for (auto _ : state) {
        cat.First();  // as after a search: the cursor is elsewhere
        cat.BeginSeek(TSeekDirection::Forward);
        cat.Seek("ImgID", "=", c.shownId);
        cat.EndSeek();
        cat.SetValue("ImgKeys", std::to_string(++n));
    }
}
BENCHMARK(BM_FindAndSet)->Unit(benchmark::kMicrosecond);

void BM_SaveCatalog(benchmark::State& state) {
    BigCatalog& c = Catalog();
    for (auto _ : state) c.catalog->SaveCatalog();
}
BENCHMARK(BM_SaveCatalog)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
