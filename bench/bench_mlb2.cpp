// The table engine on a photographer's catalog of 100,000 photos, against two references in
// the same run: the plain read and write of the same bytes (the floor) and SQLite holding the
// same rows (an index on the id, LIKE '%beach%' for the scan). Ratios are printed at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "TMlb2.h"

namespace {

constexpr int kRecords = 100000;
constexpr int kLookups = 1001;

struct TCatalog {
    std::filesystem::path dir;
    std::string mlbPath, savePath, floorPath;
    TMlb2 table;
    std::string fileBytes;        // the saved MLB file, for the floor's write
    std::vector<std::string> ids; // looked up, spread over the table
    sqlite3* db = nullptr;
    int beachLike = 0;            // matches of "*beach*" found by the table

    TCatalog() {
        std::random_device rd;
        dir = std::filesystem::temp_directory_path() / ("lumavell-bench-" + std::to_string(rd()));
        std::filesystem::create_directories(dir);
        mlbPath = (dir / "data.mlb").string();
        savePath = (dir / "saved.mlb").string();
        floorPath = (dir / "floor.bin").string();
        Build();
        table.SaveToMLB(mlbPath);
        std::FILE* f = std::fopen(mlbPath.c_str(), "rb");
        fileBytes.resize(std::filesystem::file_size(mlbPath));
        if (f) {
            if (std::fread(fileBytes.data(), 1, fileBytes.size(), f) != fileBytes.size()) fileBytes.clear();
            std::fclose(f);
        }
        for (int i = 0; i < kLookups; ++i)
            ids.push_back(std::to_string(1 + static_cast<long>(i) * (kRecords - 1) / (kLookups - 1)));
        BuildSqlite();
    }
    ~TCatalog() {
        sqlite3_close(db);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    void Build() {
        static const char* const kFolders[] = {"2016/Family", "2017/Summer holiday in Spain", "2018/Garden",
                                               "2019/Weddings/Anna and Tom", "2020/Scans/Old slides",
                                               "2021/Trips/Coast", "2022/Portraits", "2023/Misc imports"};
        static const char* const kCredits[] = {"Ann Baker", "Carl Dunn", "Eve Fisher", "Gus Hale", "Ida Jones"};
        static const char* const kWords[] = {"sunset", "family", "dinner", "garden", "mountain", "walk",
                                             "old", "friends", "snow", "river", "birthday", "party",
                                             "city", "lights", "morning", "coffee", "dog", "cat", "kids"};
        std::mt19937 rng(2024);
        table.AddField("ImgID");
        table.AddField("ImgName");
        table.AddField("ImgPath");
        table.AddField("ImgCredit");
        table.AddField("ImgKeys");
        char name[32];
        for (int i = 1; i <= kRecords; ++i) {
            std::snprintf(name, sizeof name, "IMG_%06d", i);
            std::string path = std::string("/home/photos/Pictures/") + kFolders[rng() % 8] + "/" + name + ".jpg";
            if (path.size() < 60) path = "/home/photos/" + std::string(60 - path.size(), 'p') + path.substr(12);
            std::string keys;
            const bool beach = rng() % 10 == 0;
            while (keys.size() < 100) {
                if (beach && keys.size() > 40 && keys.find("beach") == std::string::npos)
                    keys += "a day at the beach ";
                else
                    keys += std::string(kWords[rng() % 19]) + " ";
            }
            table.AppendRecord();
            table.SetValue("ImgID", std::to_string(i));
            table.SetValue("ImgName", name);
            table.SetValue("ImgPath", path);
            table.SetValue("ImgCredit", kCredits[rng() % 5]);
            table.SetValue("ImgKeys", keys);
        }
    }

    void BuildSqlite() {
        sqlite3_open(":memory:", &db);
        sqlite3_exec(db, "CREATE TABLE img(ImgID TEXT, ImgName TEXT, ImgPath TEXT, ImgCredit TEXT, ImgKeys TEXT);"
                         "BEGIN;", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO img VALUES(?1,?2,?3,?4,?5)", -1, &insert, nullptr);
        for (int r = 1; r <= table.RecordCount(); ++r) {
            for (int k = 1; k <= 5; ++k) {
                const std::string v = table.GetValueAt(k, r);
                sqlite3_bind_text(insert, k, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
            }
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT; CREATE INDEX img_id ON img(ImgID);", nullptr, nullptr, nullptr);
    }
};

TCatalog& Catalog() {
    static TCatalog catalog;
    return catalog;
}

int LookUp(TMlb2& t, const std::vector<std::string>& ids) {
    int found = 0;
    for (const std::string& id : ids) {
        t.First();
        t.BeginSeek(TSeekDirection::Forward);
        if (t.Seek("ImgID", "=", id)) found += !t.GetValue("ImgPath").empty();
        t.EndSeek();
    }
    return found;
}

// The program's pattern: the catalog as loaded from its file, a note edited before each save.
void BM_MlbSave(benchmark::State& state) {
    TCatalog& c = Catalog();
    TMlb2 t;
    t.LoadFromMLB(c.mlbPath);
    t.SaveToMLB(c.savePath);
    int edit = 0;
    for (auto _ : state) {
        t.GoTo(1 + (++edit * 7919) % t.RecordCount());
        t.SetValue("ImgKeys", "edited note " + std::to_string(edit));
        if (!t.SaveToMLB(c.savePath)) state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.fileBytes.size()));
}

// A table made in memory: every record is written from its values.
void BM_MlbSaveBuiltTable(benchmark::State& state) {
    TCatalog& c = Catalog();
    c.table.SaveToMLB(c.savePath);
    for (auto _ : state)
        if (!c.table.SaveToMLB(c.savePath)) state.SkipWithError("save failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.fileBytes.size()));
}

// The durable floor a save is compared with: the same bytes written and synced to the disk.
void PlainWrite(const std::string& path, const std::string& bytes, benchmark::State& state) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) state.SkipWithError("write failed");
    if (f) {
        std::fflush(f);
        ::fsync(::fileno(f));
        std::fclose(f);
    }
}

void BM_FloorWrite(benchmark::State& state) {
    TCatalog& c = Catalog();
    PlainWrite(c.floorPath, c.fileBytes, state);
    for (auto _ : state) PlainWrite(c.floorPath, c.fileBytes, state);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.fileBytes.size()));
}

// Every loop below is warmed up once before timing: the first passes of each also pay for the
// process's first touch of fresh memory, which is not what a repeated operation costs.
void BM_MlbLoad(benchmark::State& state) {
    TCatalog& c = Catalog();
    TMlb2 t;
    t.LoadFromMLB(c.mlbPath);
    t.LoadFromMLB(c.mlbPath);
    for (auto _ : state)
        if (!t.LoadFromMLB(c.mlbPath)) state.SkipWithError("load failed");
    state.counters["records"] = t.RecordCount();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.fileBytes.size()));
}

// Reads the whole file into new memory.
std::unique_ptr<char[]> PlainRead(const std::string& path, benchmark::State& state) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        state.SkipWithError("open failed");
        return nullptr;
    }
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(size));
    if (std::fread(buffer.get(), 1, static_cast<std::size_t>(size), f) != static_cast<std::size_t>(size))
        state.SkipWithError("read failed");
    std::fclose(f);
    benchmark::DoNotOptimize(buffer.get());
    return buffer;
}

void BM_FloorRead(benchmark::State& state) {
    TCatalog& c = Catalog();
    PlainRead(c.mlbPath, state);
    for (auto _ : state) PlainRead(c.mlbPath, state);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.fileBytes.size()));
}

// The same, the previous read released only after the next one: what a reload must do at
// least, since the old contents stay until the new ones are complete.
void BM_FloorReadReplacing(benchmark::State& state) {
    TCatalog& c = Catalog();
    std::unique_ptr<char[]> previous = PlainRead(c.mlbPath, state);
    previous = PlainRead(c.mlbPath, state);
    for (auto _ : state) previous = PlainRead(c.mlbPath, state);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.fileBytes.size()));
}

void BM_MlbLookup1001(benchmark::State& state) {
    TCatalog& c = Catalog();
    int found = LookUp(c.table, c.ids);
    for (auto _ : state) found = LookUp(c.table, c.ids);
    state.counters["found"] = found;
}

// Straight after a load: the table has no index yet and makes it on the way.
void BM_MlbLookup1001AfterLoad(benchmark::State& state) {
    TCatalog& c = Catalog();
    TMlb2 t;
    t.LoadFromMLB(c.mlbPath);
    LookUp(t, c.ids);
    int found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        t.LoadFromMLB(c.mlbPath);
        state.ResumeTiming();
        found = LookUp(t, c.ids);
    }
    state.counters["found"] = found;
}

void BM_SqliteLookup1001(benchmark::State& state) {
    TCatalog& c = Catalog();
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(c.db, "SELECT ImgPath FROM img WHERE ImgID = ?1", -1, &q, nullptr);
    int found = 0;
    for (auto _ : state) {
        found = 0;
        for (const std::string& id : c.ids) {
            sqlite3_bind_text(q, 1, id.data(), static_cast<int>(id.size()), SQLITE_STATIC);
            if (sqlite3_step(q) == SQLITE_ROW) found += sqlite3_column_bytes(q, 0) > 0;
            sqlite3_reset(q);
        }
    }
    sqlite3_finalize(q);
    state.counters["found"] = found;
}

void BM_MlbLikeScan(benchmark::State& state) {
    TCatalog& c = Catalog();
    int found = 0;
    for (auto _ : state) {
        found = 0;
        c.table.First();
        c.table.BeginSeek(TSeekDirection::Forward);
        while (c.table.Seek("ImgKeys", "LIKE", "*beach*")) ++found;
        c.table.EndSeek();
    }
    state.counters["found"] = found;
}

void BM_SqliteLikeScan(benchmark::State& state) {
    TCatalog& c = Catalog();
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(c.db, "SELECT ImgID FROM img WHERE ImgKeys LIKE '%beach%'", -1, &q, nullptr);
    int found = 0;
    for (auto _ : state) {
        found = 0;
        while (sqlite3_step(q) == SQLITE_ROW) ++found;
        sqlite3_reset(q);
    }
    sqlite3_finalize(q);
    state.counters["found"] = found;
}

BENCHMARK(BM_MlbSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MlbSaveBuiltTable)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FloorWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MlbLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FloorRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FloorReadReplacing)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MlbLookup1001)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MlbLookup1001AfterLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SqliteLookup1001)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MlbLikeScan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SqliteLikeScan)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each benchmark's real and CPU time (ms): the median over repetitions when there are
// some, else the mean of the one run.
class TSummaryReporter : public benchmark::ConsoleReporter {
public:
    struct TTimes {
        double real = 0, cpu = 0;
        bool median = false;
    };
    std::map<std::string, TTimes> times;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type != Run::RT_Iteration && !median) continue;
            std::string name = run.benchmark_name();
            name = name.substr(0, name.find('/'));
            TTimes& t = times[name];
            if (t.median && !median) continue;
            const double toMs = benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                                benchmark::GetTimeUnitMultiplier(run.time_unit);
            t = {run.GetAdjustedRealTime() * toMs, run.GetAdjustedCPUTime() * toMs, median};
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Five repetitions by default, reported as aggregates; flags given on the command line win.
    std::vector<char*> args{argv[0]};
    std::string repetitions = "--benchmark_repetitions=5", aggregates = "--benchmark_report_aggregates_only=true";
    args.push_back(repetitions.data());
    args.push_back(aggregates.data());
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    TCatalog& c = Catalog();
    std::printf("catalog: %d records, MLB file %.1f MB\n", c.table.RecordCount(), c.fileBytes.size() / 1e6);
    TSummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto& t = reporter.times;
    auto line = [&](const char* what, const char* a, const char* b, const char* target) {
        if (!t.count(a) || !t.count(b)) return;
        std::printf("  %-44s %6.2fx real  %6.2fx cpu   %s\n", what, t[a].real / t[b].real, t[a].cpu / t[b].cpu, target);
    };
    std::printf("\nsummary (medians; ratio of the first to the second)\n");
    line("save (loaded catalog, one edit) / plain write + fsync", "BM_MlbSave", "BM_FloorWrite", "target <= 1.5");
    line("save (table made in memory) / plain write + fsync", "BM_MlbSaveBuiltTable", "BM_FloorWrite", "");
    line("load / plain read", "BM_MlbLoad", "BM_FloorRead", "target <= 3");
    line("load / plain read replacing the previous", "BM_MlbLoad", "BM_FloorReadReplacing", "");
    line("1001 look-ups: SQLite / table", "BM_SqliteLookup1001", "BM_MlbLookup1001", "target > 1");
    line("1001 look-ups after a load: SQLite / table", "BM_SqliteLookup1001", "BM_MlbLookup1001AfterLoad", "");
    line("LIKE scan: SQLite / table", "BM_SqliteLikeScan", "BM_MlbLikeScan", "target > 1");
    return 0;
}
