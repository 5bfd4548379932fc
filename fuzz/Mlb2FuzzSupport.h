#pragma once
// Shared by the table fuzz targets: a per-process scratch folder for the input file and the
// files written back, and a full comparison of two tables.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "TMlb2.h"

namespace fuzzsupport {

inline const std::filesystem::path& ScratchDir() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("lumavell-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchDir(), ec);
        });
        return d;
    }();
    return dir;
}

inline std::string ScratchFile(const std::string& name) { return (ScratchDir() / name).string(); }

inline void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

inline void Check(bool ok) {
    if (!ok) std::abort();
}

// The MLB reader keeps a value up to its first zero byte.
inline std::string UpToZero(const std::string& v) { return v.substr(0, v.find('\0')); }

inline void CheckSameTable(const TMlb2& a, const TMlb2& b) {
    Check(a.TableName() == b.TableName());
    Check(a.FieldCount() == b.FieldCount());
    Check(a.RecordCount() == b.RecordCount());
    for (int k = 1; k <= a.FieldCount(); ++k) {
        Check(a.FieldName(k) == b.FieldName(k));
        Check((a.FieldType(k) == "FLOAT") == (b.FieldType(k) == "FLOAT"));
        for (int r = 1; r <= a.RecordCount(); ++r) Check(UpToZero(a.GetValueAt(k, r)) == b.GetValueAt(k, r));
    }
}

// Seeks with every operator over the first field, using a value of the table as the operand,
// and checks that the cursor rules hold.
inline void ExerciseSeeks(TMlb2& t) {
    if (t.FieldCount() == 0) return;
    const std::string field = t.FieldName(1);
    const std::string operand = t.RecordCount() ? t.GetValueAt(1, (t.RecordCount() + 1) / 2) : "";
    for (const char* op : {"=", "<", ">=", "LIKE"}) {
        t.First();
        t.BeginSeek(TSeekDirection::Forward);
        int hits = 0;
        while (t.Seek(field, op, operand) && hits < 64) {
            ++hits;
            Check(t.CurrentIndex() >= 1 && t.CurrentIndex() <= t.RecordCount());
        }
        t.EndSeek();
    }
    TConcordances matcher;
    for (int r = 1; r <= t.RecordCount() && r <= 16; ++r) matcher.Match(operand, t.GetValueAt(1, r));
}

// Writes the table as MLB and reads it back: the same table, values up to a zero byte.
inline void CheckMlbRoundTrip(TMlb2& t) {
    const std::string out = ScratchFile("roundtrip.mlb");
    Check(t.SaveToMLB(out));
    TMlb2 back;
    Check(back.LoadFromMLB(out));
    CheckSameTable(t, back);
}

}  // namespace fuzzsupport
