// Look-ups and values of tables read from MLB files: the loader prepares the "=" index of the
// first field while it reads, so answers after a load (and after a failed load, edits and
// reloads) are checked against a plain scan of the values.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "TMlb2.h"
#include "TestSupport.h"

using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

using TRows = std::vector<std::vector<std::string>>;

// An MLB file of the given fields and rows, in either byte order, values written whole.
std::string MlbBytes(const std::vector<std::string>& fields, const TRows& rows, bool bigEndian) {
    std::string s;
    auto u16 = [&](unsigned v) {
        const char lo = static_cast<char>(v & 0xff), hi = static_cast<char>(v >> 8);
        s += bigEndian ? hi : lo;
        s += bigEndian ? lo : hi;
    };
    auto u32 = [&](std::size_t v) {
        for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (bigEndian ? 8 * (3 - i) : 8 * i)) & 0xff);
    };
    auto str = [&](const std::string& v) {
        u32(v.size());
        s += v;
    };
    s += "MLB\x02\x02";
    s += bigEndian ? '\0' : '\x01';
    u16(1);
    u16(0);
    u16(0);
    u32(0);
    u16(0);
    str("t");
    u32(fields.size());
    u32(rows.size());
    for (const std::string& f : fields) {
        s += '\0';
        str(f);
    }
    for (const auto& row : rows) {
        std::size_t length = 0;
        for (const std::string& v : row) length += 4 + v.size();
        u32(length);
        for (const std::string& v : row) str(v);
    }
    return s;
}

// A text and a number after it.
std::string Named(const char* text, long long n) {
    std::string s(text);
    s += std::to_string(n);
    return s;
}

// The first value from a zero byte on is not part of the loaded value.
std::string Cut(const std::string& v) { return v.substr(0, v.find('\0')); }

// First record from start (1-based) in the direction whose field equals value, 0 for none.
int ScanFind(const TMlb2& t, int field, const std::string& value, int start, bool forward) {
    for (int r = start; r >= 1 && r <= t.RecordCount(); r += forward ? 1 : -1)
        if (t.GetValueAt(field, r) == value) return r;
    return 0;
}

// The table's own seek from the same start; a miss must leave the cursor on the start.
int SeekFind(TMlb2& t, const std::string& fieldName, const std::string& value, int start, bool forward) {
    t.GoTo(start);
    t.BeginSeek(forward ? TSeekDirection::Forward : TSeekDirection::Backward);
    const bool hit = t.Seek(fieldName, "=", value);
    const int at = t.CurrentIndex();
    t.EndSeek();
    if (!hit) return at == start ? 0 : -1;
    return at;
}

// Random look-ups of values the first field holds (and some it does not), compared with the
// scan; enough of them that the table answers from its index.
void ExpectLookupsAgree(TMlb2& t, std::mt19937& rng, int count, const char* where) {
    const int n = t.RecordCount();
    ASSERT_GT(n, 0);
    for (int i = 0; i < count; ++i) {
        const int start = 1 + static_cast<int>(rng() % n);
        const bool forward = rng() % 4 != 0;
        const std::string value =
            rng() % 8 == 0 ? Named("absent", i) : t.GetValueAt(1, 1 + static_cast<int>(rng() % n));
        ASSERT_EQ(SeekFind(t, t.FieldName(1), value, start, forward), ScanFind(t, 1, value, start, forward))
            << where << ": look-up " << i << " of '" << value << "' from " << start << (forward ? " forward" : " back");
    }
}

// Rows whose first field repeats, is sometimes empty and sometimes holds a zero byte.
TRows RandomRows(std::mt19937& rng, int records, int distinct) {
    TRows rows;
    for (int r = 0; r < records; ++r) {
        std::string id = std::to_string(rng() % distinct);
        switch (rng() % 10) {
        case 0: id.clear(); break;
        case 1: id += std::string("\0tail", 5); break;  // loads as the same id
        case 2: id = std::string(static_cast<std::size_t>(10 + rng() % 30), 'k') + id; break;
        default: break;
        }
        rows.push_back({id, Named("p", r), std::string(rng() % 20, 'x')});
    }
    return rows;
}

}  // namespace

TEST(Mlb2LoadedIndex, LookupsAfterALoadAgreeWithTheScan) {
    TempDir dir;
    std::mt19937 rng(5);
    const std::vector<std::string> fields{"ImgID", "ImgPath", "ImgKeys"};
    TMlb2 t;  // one table for every load, as the program reloads its catalog
    for (const int records : {63, 64, 65, 300, 4000}) {
        for (const bool big : {false, true}) {
            for (const int distinct : {3, 50, 100000}) {
                const TRows rows = RandomRows(rng, records, distinct);
                WriteAll(dir.file("t.mlb"), MlbBytes(fields, rows, big));
                ASSERT_TRUE(t.LoadFromMLB(dir.file("t.mlb")));
                ASSERT_EQ(t.RecordCount(), records);
                for (int r = 1; r <= records; ++r) ASSERT_EQ(t.GetValueAt(1, r), Cut(rows[r - 1][0]));
                const std::string where = std::to_string(records) + (big ? " big-endian" : "") + " distinct " +
                                          std::to_string(distinct);
                ExpectLookupsAgree(t, rng, 3 * records / 2, where.c_str());
            }
        }
    }
}

TEST(Mlb2LoadedIndex, EditsAfterALoadKeepLookupsExact) {
    TempDir dir;
    std::mt19937 rng(9);
    TMlb2 t;
    for (int round = 0; round < 12; ++round) {
        const TRows rows = RandomRows(rng, 200 + static_cast<int>(rng() % 200), 60);
        WriteAll(dir.file("t.mlb"), MlbBytes({"ImgID", "ImgPath", "ImgKeys"}, rows, round % 3 == 2));
        ASSERT_TRUE(t.LoadFromMLB(dir.file("t.mlb")));
        // Sometimes the index exists before the edits, sometimes only the load's preparation.
        if (round % 2 == 0) ExpectLookupsAgree(t, rng, 400, "before edits");
        for (int edit = 0; edit < 30; ++edit) {
            const int n = t.RecordCount();
            switch (rng() % 6) {
            case 0:
                t.GoTo(1 + static_cast<int>(rng() % n));
                t.SetValueAt(1, std::to_string(rng() % 60));
                break;
            case 1:
                t.GoTo(1 + static_cast<int>(rng() % n));
                t.SetValueAt(2, "other field");
                break;
            case 2: t.DeleteRecord(1 + static_cast<int>(rng() % n)); break;
            case 3:
                t.AppendRecord();
                t.SetValueAt(1, std::to_string(rng() % 60));
                break;
            case 4:
                // An appended record deleted again: the table is as loaded but for its tail.
                t.AppendRecord();
                t.DeleteCurrent();
                break;
            default: t.AddField(Named("Late", edit)); break;
            }
            if (edit % 5 == 4) ExpectLookupsAgree(t, rng, 60, Named("round ", round).c_str());
        }
        ExpectLookupsAgree(t, rng, 400, Named("after the edits of round ", round).c_str());
    }
}

TEST(Mlb2LoadedIndex, BackToTheLoadedSizeAfterAnIndexOfAnotherSize) {
    // 129 and 130 records make indexes of different bucket counts. An index made for 130
    // records replaces what the load prepared for 129; once the table is back at 129 records
    // the next index must not take it for the load's.
    TempDir dir;
    std::mt19937 rng(29);
    TRows rows;
    for (int r = 0; r < 129; ++r) rows.push_back({Named("id", r), "x"});
    WriteAll(dir.file("t.mlb"), MlbBytes({"ImgID", "Other"}, rows, false));
    TMlb2 t;
    ASSERT_TRUE(t.LoadFromMLB(dir.file("t.mlb")));
    for (int round = 0; round < 3; ++round) {
        t.AppendRecord();
        t.SetValueAt(1, Named("extra", round));
        ExpectLookupsAgree(t, rng, 400, "with the extra record");
        ASSERT_TRUE(t.DeleteRecord(t.RecordCount()));
        ExpectLookupsAgree(t, rng, 400, "back at the loaded size");
        for (int r = 1; r <= 129; r += 5) ASSERT_EQ(SeekFind(t, "ImgID", Named("id", r - 1), 1, true), r);
    }
}

TEST(Mlb2LoadedIndex, AFailedLoadKeepsTheOldTablesLookups) {
    TempDir dir;
    std::mt19937 rng(3);
    TRows mine, theirs;
    for (int r = 0; r < 500; ++r) {
        mine.push_back({Named("m", r), "x"});
        theirs.push_back({Named("m", 499 - r), "y"});  // the same ids, other places
    }
    WriteAll(dir.file("mine.mlb"), MlbBytes({"ImgID", "Other"}, mine, false));
    const std::string full = MlbBytes({"ImgID", "Other"}, theirs, false);
    // Cut inside the last record: everything before it is read before the load gives up.
    WriteAll(dir.file("cut.mlb"), full.substr(0, full.size() - 3));

    for (const bool lookupsFirst : {false, true}) {
        TMlb2 t;
        ASSERT_TRUE(t.LoadFromMLB(dir.file("mine.mlb")));
        if (lookupsFirst) ExpectLookupsAgree(t, rng, 800, "before the failed load");
        ASSERT_FALSE(t.LoadFromMLB(dir.file("cut.mlb")));
        EXPECT_EQ(t.ErrorText(), "5-File is truncated or corrupt");
        ASSERT_EQ(t.RecordCount(), 500);
        for (int r = 1; r <= 500; ++r) ASSERT_EQ(SeekFind(t, "ImgID", Named("m", r - 1), 1, true), r);
        ExpectLookupsAgree(t, rng, 800, "after the failed load");
        // And the same table loads the complete file and answers for it.
        WriteAll(dir.file("theirs.mlb"), full);
        ASSERT_TRUE(t.LoadFromMLB(dir.file("theirs.mlb")));
        for (int r = 1; r <= 500; r += 7) ASSERT_EQ(SeekFind(t, "ImgID", Named("m", 500 - r), 1, true), r);
        ExpectLookupsAgree(t, rng, 800, "after a good load");
    }
}

TEST(Mlb2LoadedIndex, LargeFilesReadWholeWithZeroBytesAnywhere) {
    // Several read pieces' worth of values of every short length, some holding zero bytes,
    // some ending the file; each value must come back cut at its first zero byte.
    TempDir dir;
    std::mt19937 rng(17);
    for (const int lastLength : {0, 1, 7, 15, 16, 40}) {
        TRows rows;
        std::size_t bytes = 0;
        while (bytes < 1200000) {
            std::vector<std::string> row;
            for (int k = 0; k < 2; ++k) {
                std::string v(rng() % (rng() % 8 == 0 ? 600 : 40), 'v');
                for (char& c : v) c = static_cast<char>('a' + rng() % 26);
                if (!v.empty() && rng() % 5 == 0) v[rng() % v.size()] = '\0';
                bytes += v.size() + 4;
                row.push_back(v);
            }
            rows.push_back(row);
        }
        rows.back().back() = std::string(static_cast<std::size_t>(lastLength), 'e');
        TMlb2 t;
        for (const bool big : {false, true}) {
            WriteAll(dir.file("big.mlb"), MlbBytes({"A", "B"}, rows, big));
            ASSERT_TRUE(t.LoadFromMLB(dir.file("big.mlb")));
            ASSERT_EQ(t.RecordCount(), static_cast<int>(rows.size()));
            for (int r = 1; r <= t.RecordCount(); ++r)
                for (int k = 1; k <= 2; ++k)
                    ASSERT_EQ(t.GetValueAt(k, r), Cut(rows[r - 1][k - 1])) << "record " << r << " field " << k;
        }
        // Saved again, the cut values are what is written.
        ASSERT_TRUE(t.SaveToMLB(dir.file("again.mlb")));
        TMlb2 copy(t);
        ASSERT_TRUE(copy.SaveToMLB(dir.file("copy.mlb")));
        EXPECT_EQ(ReadAll(dir.file("again.mlb")), ReadAll(dir.file("copy.mlb")));
    }
}
