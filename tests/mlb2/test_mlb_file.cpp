// The MLB file: exact bytes, round trips, the other byte order, what the reader tolerates,
// truncated and corrupt files, and saving that never damages the previous file.
#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "TMlb2.h"
#include "TestSupport.h"

using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

const std::string kExample(
    "MLB\x02\x02\x01"
    "\x01\x00" "\x00\x00" "\x00\x00" "\x21\x00\x00\x00" "\x00\x00"
    "\x00\x00\x00\x00"
    "\x01\x00\x00\x00" "\x01\x00\x00\x00"
    "\x00" "\x05\x00\x00\x00" "ImgID"
    "\x05\x00\x00\x00" "\x01\x00\x00\x00" "7",
    49);

// Little- or big-endian pieces for building files by hand.
struct TBytes {
    bool big = false;
    std::string s;
    TBytes& raw(const std::string& b) { s += b; return *this; }
    TBytes& u8(unsigned v) { s += static_cast<char>(v); return *this; }
    TBytes& u16(unsigned v) {
        const char lo = static_cast<char>(v & 0xff), hi = static_cast<char>((v >> 8) & 0xff);
        s += big ? hi : lo;
        s += big ? lo : hi;
        return *this;
    }
    TBytes& u32(unsigned long v) {
        for (int i = 0; i < 4; ++i) {
            const int shift = big ? 8 * (3 - i) : 8 * i;
            s += static_cast<char>((v >> shift) & 0xff);
        }
        return *this;
    }
    TBytes& str(const std::string& v) { u32(v.size()); s += v; return *this; }
    // Header up to the table name, with the given flag, table count and block type.
    TBytes& head(unsigned flag, unsigned tables = 1, unsigned type = 0) {
        raw("MLB").u8(2).u8(2).u8(flag).u16(tables).u16(0).u16(type).u32(0).u16(0);
        return *this;
    }
};

TMlb2 Sample() {
    TMlb2 t;
    t.SetTableName("data");
    t.AddField("ImgID");
    t.AddField("ImgPath");
    t.AddField("Weight");
    t.SetFieldType(3, "FLOAT");
    const char* rows[][3] = {{"1", "nil", "nil"}, {"2", "/p/a;b.jpg", "1.5"}, {"3", "", "line\r\nbreak \"q\""}};
    for (auto& row : rows) {
        t.AppendRecord();
        for (int k = 0; k < 3; ++k) t.SetValueAt(k + 1, row[k]);
    }
    return t;
}

void ExpectSameTable(const TMlb2& a, const TMlb2& b) {
    ASSERT_EQ(a.TableName(), b.TableName());
    ASSERT_EQ(a.FieldCount(), b.FieldCount());
    ASSERT_EQ(a.RecordCount(), b.RecordCount());
    for (int k = 1; k <= a.FieldCount(); ++k) {
        EXPECT_EQ(a.FieldName(k), b.FieldName(k));
        EXPECT_EQ(a.FieldType(k), b.FieldType(k));
        for (int r = 1; r <= a.RecordCount(); ++r) EXPECT_EQ(a.GetValueAt(k, r), b.GetValueAt(k, r));
    }
}

}  // namespace

TEST(Mlb2MlbFile, ExampleIsByteExact) {
    TempDir dir;
    TMlb2 t;
    t.AddField("ImgID");
    t.AppendRecord();
    t.SetValue("ImgID", "7");
    ASSERT_TRUE(t.SaveToMLB(dir.file("x.mlb")));
    EXPECT_EQ(ReadAll(dir.file("x.mlb")), kExample);

    TMlb2 back;
    ASSERT_TRUE(back.LoadFromMLB(dir.file("x.mlb")));
    EXPECT_EQ(back.TableName(), "");
    EXPECT_EQ(back.GetValue("imgid"), "7");
    EXPECT_EQ(back.CurrentIndex(), 1);  // the last record read is current
}

TEST(Mlb2MlbFile, RoundTripKeepsEverythingAndLeavesTheTableAlone) {
    TempDir dir;
    TMlb2 t = Sample();
    t.GoTo(2);
    ASSERT_TRUE(t.SaveToFile(dir.file("data.MLB")));
    EXPECT_EQ(t.CurrentIndex(), 2);
    const std::string bytes = ReadAll(dir.file("data.MLB"));
    std::uint32_t blockLength = 0;
    std::memcpy(&blockLength, bytes.data() + 12, 4);
    EXPECT_EQ(blockLength + 16, bytes.size());

    TMlb2 back;
    back.AddField("Old");
    ASSERT_TRUE(back.LoadFromFile(dir.file("data.MLB")));
    ExpectSameTable(t, back);
    EXPECT_EQ(back.FieldType(3), "FLOAT");
    EXPECT_EQ(back.CurrentIndex(), 3);
    EXPECT_FALSE(back.Bof() || back.Eof());

    TMlb2 empty;
    empty.SetTableName("none");
    ASSERT_TRUE(empty.SaveToMLB(dir.file("e.mlb")));
    ASSERT_TRUE(back.LoadFromMLB(dir.file("e.mlb")));
    EXPECT_EQ(back.TableName(), "none");
    EXPECT_EQ(back.FieldCount(), 0);
    EXPECT_EQ(back.CurrentIndex(), 0);
    EXPECT_TRUE(back.Bof() && back.Eof());

    // Records without fields survive a load and a second save.
    empty.AppendRecord();
    empty.AppendRecord();
    ASSERT_TRUE(empty.SaveToMLB(dir.file("e.mlb")));
    ASSERT_TRUE(back.LoadFromMLB(dir.file("e.mlb")));
    EXPECT_EQ(back.RecordCount(), 2);
    ASSERT_TRUE(back.SaveToMLB(dir.file("e2.mlb")));
    EXPECT_EQ(ReadAll(dir.file("e2.mlb")), ReadAll(dir.file("e.mlb")));
}

TEST(Mlb2MlbFile, ValuesAreCutAtAZeroByte) {
    TempDir dir;
    // Every length up to past the longest word-wise test, with a zero byte at every place,
    // and without one.
    TMlb2 t;
    t.AddField("A");
    std::vector<std::string> expected;
    for (std::size_t len = 1; len <= 140; len += (len < 70 ? 1 : 7)) {
        for (std::size_t zero = 0; zero <= len; ++zero) {
            std::string v;
            for (std::size_t i = 0; i < len; ++i) v += static_cast<char>('a' + i % 26);
            if (zero < len) v[zero] = '\0';
            t.AppendRecord();
            t.SetValue("A", v);
            expected.push_back(v.substr(0, zero));
        }
    }
    ASSERT_TRUE(t.SaveToMLB(dir.file("z.mlb")));
    TMlb2 back;
    ASSERT_TRUE(back.LoadFromMLB(dir.file("z.mlb")));
    ASSERT_EQ(back.RecordCount(), static_cast<int>(expected.size()));
    for (int r = 1; r <= back.RecordCount(); ++r) ASSERT_EQ(back.GetValueAt(1, r), expected[r - 1]) << r;
}

TEST(Mlb2MlbFile, ReadsTheOtherByteOrder) {
    TempDir dir;
    TBytes b;
    b.big = true;
    b.head(0).str("cat").u32(2).u32(1).u8(0).str("ImgID").u8(1).str("Size").u32(12).str("42").str("3.25");
    WriteAll(dir.file("be.mlb"), b.s);
    TMlb2 t;
    ASSERT_TRUE(t.LoadFromMLB(dir.file("be.mlb")));
    EXPECT_EQ(t.TableName(), "cat");
    EXPECT_EQ(t.FieldType(2), "FLOAT");
    EXPECT_EQ(t.GetValue("ImgID"), "42");
    EXPECT_EQ(t.GetValue("Size"), "3.25");

    // Any flag other than this machine's order means the other order.
    b.s[5] = 7;
    WriteAll(dir.file("be7.mlb"), b.s);
    ASSERT_TRUE(t.LoadFromMLB(dir.file("be7.mlb")));
    EXPECT_EQ(t.GetValue("Size"), "3.25");
}

TEST(Mlb2MlbFile, ReaderTolerance) {
    TempDir dir;
    TBytes b;
    // Odd version bytes, two tables, wrong block and record lengths, a type byte of 9, and
    // bytes after the first block.
    b.raw("MLB").u8(9).u8(0).u8(1).u16(2).u16(0xBEEF).u16(0).u32(12345).u16(77);
    b.str("t").u32(2).u32(1).u8(9).str("A").u8(0).str("B").u32(999).str("x").str("y").raw("trailing junk");
    WriteAll(dir.file("odd.mlb"), b.s);
    TMlb2 t;
    ASSERT_TRUE(t.LoadFromMLB(dir.file("odd.mlb")));
    EXPECT_EQ(t.FieldType(1), "STRING");
    EXPECT_EQ(t.GetValue("B"), "y");

    // The table count is unsigned: 0x8000 tables is fine.
    TBytes many;
    many.head(1, 0x8000).str("").u32(0).u32(0);
    WriteAll(dir.file("many.mlb"), many.s);
    EXPECT_TRUE(t.LoadFromMLB(dir.file("many.mlb")));

    // Counts of zero or below mean none; what follows is not read.
    TBytes negative;
    negative.head(1).str("n").u32(0xFFFFFFFFUL).u32(0xFFFFFFFBUL);
    WriteAll(dir.file("neg.mlb"), negative.s);
    ASSERT_TRUE(t.LoadFromMLB(dir.file("neg.mlb")));
    EXPECT_EQ(t.FieldCount(), 0);
    EXPECT_EQ(t.RecordCount(), 0);
}

TEST(Mlb2MlbFile, RejectedFieldNamesPlaceValuesByPosition) {
    TempDir dir;
    TBytes b;
    // Fields "A", "a" (a repeat), "  " (blank), "B" typed FLOAT at file position 4.
    b.head(1).str("").u32(4).u32(1);
    b.u8(0).str("A").u8(1).str("a").u8(0).str("  ").u8(1).str("B");
    b.u32(0).str("v1").str("v2").str("v3").str("v4");
    WriteAll(dir.file("names.mlb"), b.s);
    TMlb2 t;
    ASSERT_TRUE(t.LoadFromMLB(dir.file("names.mlb")));
    ASSERT_EQ(t.FieldCount(), 2);
    EXPECT_EQ(t.FieldName(2), "B");
    EXPECT_EQ(t.GetValue("A"), "v1");
    EXPECT_EQ(t.GetValue("B"), "v2");  // the 2nd value goes to the 2nd field
    // File field k's type goes to table field k when that exists: after a rejected name the
    // table is behind the file, so "B" keeps "STRING" despite its type byte.
    EXPECT_EQ(t.FieldType(2), "STRING");
}

TEST(Mlb2MlbFile, HeaderChecksKeepTheTable) {
    TempDir dir;
    struct TCase {
        std::string bytes;
        int code;
        std::string text;
    };
    TBytes noTables, notTable;
    noTables.head(1, 0).str("").u32(0).u32(0);
    notTable.head(1, 1, 3).str("").u32(0).u32(0);
    const TCase cases[] = {
        {"MLX" + kExample.substr(3), 2, "1-File's Signature must be MLB"},
        {"XY", 2, "1-File's Signature must be MLB"},
        {noTables.s, 2, "2-number of tables must be at least 1"},
        {notTable.s, 2, "3-First Block must be a TABLE"},
    };
    for (const TCase& c : cases) {
        WriteAll(dir.file("bad.mlb"), c.bytes);
        TMlb2 t = Sample();
        t.GoTo(2);
        EXPECT_FALSE(t.LoadFromMLB(dir.file("bad.mlb")));
        EXPECT_EQ(t.ErrorCode(), c.code);
        EXPECT_EQ(t.ErrorText(), c.text);
        ExpectSameTable(t, Sample());
        EXPECT_EQ(t.CurrentIndex(), 2);
    }
    TMlb2 t;
    EXPECT_FALSE(t.LoadFromMLB(dir.file("missing.mlb")));
    EXPECT_EQ(t.ErrorCode(), 3);
    EXPECT_EQ(t.ErrorText(), "4-Unable to open file for reading");
    EXPECT_FALSE(t.LoadFromMLB(dir.str()));  // a folder
    EXPECT_EQ(t.ErrorCode(), 3);
}

TEST(Mlb2MlbFile, EveryTruncationIsReportedAndKeepsTheTable) {
    TempDir dir;
    ASSERT_TRUE(Sample().SaveToMLB(dir.file("full.mlb")));
    const std::string full = ReadAll(dir.file("full.mlb"));
    for (std::size_t len = 0; len < full.size(); ++len) {
        WriteAll(dir.file("cut.mlb"), full.substr(0, len));
        TMlb2 t;
        t.AddField("Keep");
        t.AppendRecord();
        t.SetValue("Keep", "me");
        t.SetTableName("mine");
        ASSERT_FALSE(t.LoadFromMLB(dir.file("cut.mlb"))) << "length " << len;
        EXPECT_EQ(t.ErrorCode(), 2);
        EXPECT_EQ(t.ErrorText(), "5-File is truncated or corrupt");
        EXPECT_EQ(t.TableName(), "mine");
        EXPECT_EQ(t.FieldCount(), 1);
        EXPECT_EQ(t.GetValue("Keep"), "me");
    }
}

TEST(Mlb2MlbFile, HugeLengthsAndCountsAreCorruptNotAllocated) {
    TempDir dir;
    const std::string variants[] = {
        TBytes().head(1).u32(0xFFFFFFF0UL).s,                                    // table name
        TBytes().head(1).str("").u32(0x7FFFFFFF).u32(0).s,                       // field count
        TBytes().head(1).str("").u32(1).u32(0x7FFFFFFF).u8(0).str("A").s,        // record count
        TBytes().head(1).str("").u32(1).u32(1).u8(0).str("A").u32(0).u32(0x7FFFFFFF).raw("abc").s,
        TBytes().head(1).str("").u32(0).u32(0x40000000).s,                       // records, no fields
    };
    for (const std::string& bytes : variants) {
        WriteAll(dir.file("huge.mlb"), bytes);
        TMlb2 t;
        EXPECT_FALSE(t.LoadFromMLB(dir.file("huge.mlb")));
        EXPECT_EQ(t.ErrorText(), "5-File is truncated or corrupt");
    }
}

TEST(Mlb2MlbSave, FailuresBeforeWritingKeepTheOldFile) {
    TempDir dir;
    TMlb2 t = Sample();
    ASSERT_TRUE(t.SaveToMLB(dir.file("old.mlb")));
    const std::string old = ReadAll(dir.file("old.mlb"));
    std::filesystem::create_directory(dir.file("folder.mlb"));
    WriteAll(dir.file("plainfile"), "x");

    for (const std::string& target : {dir.file("no/such/dir/x.mlb"), dir.file("folder.mlb"),
                                      dir.file("plainfile") + "/x.mlb", std::string()}) {
        t.ClearError();
        EXPECT_FALSE(t.SaveToMLB(target)) << target;
        EXPECT_EQ(t.ErrorCode(), 3);
        EXPECT_EQ(t.ErrorText(), "1-Unable to open the file for writing");
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.mlb")));
    EXPECT_EQ(ReadAll(dir.file("old.mlb")), old);
}

TEST(Mlb2MlbSave, ReadOnlyFolderOrFileKeepsTheOldFile) {
    TempDir dir;
    const std::string sub = dir.file("ro");
    std::filesystem::create_directory(sub);
    TMlb2 t = Sample();
    ASSERT_TRUE(t.SaveToMLB(sub + "/data.mlb"));
    const std::string old = ReadAll(sub + "/data.mlb");
    std::filesystem::permissions(sub, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    {
        // The superuser writes anyway; then there is nothing to check here.
        std::FILE* probe = std::fopen((sub + "/probe").c_str(), "wb");
        if (probe) {
            std::fclose(probe);
            GTEST_SKIP() << "this user can write into read-only folders";
        }
    }
    t.AppendRecord();
    EXPECT_FALSE(t.SaveToMLB(sub + "/data.mlb"));
    EXPECT_EQ(t.ErrorCode(), 3);
    EXPECT_EQ(ReadAll(sub + "/data.mlb"), old);

    // A read-only file in a writable folder is not replaced either.
    ASSERT_TRUE(t.SaveToMLB(dir.file("ro.mlb")));
    const std::string mine = ReadAll(dir.file("ro.mlb"));
    std::filesystem::permissions(dir.file("ro.mlb"), std::filesystem::perms::owner_read);
    t.AppendRecord();
    EXPECT_FALSE(t.SaveToMLB(dir.file("ro.mlb")));
    EXPECT_EQ(t.ErrorText(), "1-Unable to open the file for writing");
    EXPECT_EQ(ReadAll(dir.file("ro.mlb")), mine);
}

TEST(Mlb2MlbSave, WriteFailureAfterCreationKeepsTheOldFile) {
    TempDir dir;
    TMlb2 t = Sample();
    ASSERT_TRUE(t.SaveToMLB(dir.file("data.mlb")));
    const std::string old = ReadAll(dir.file("data.mlb"));
    t.GoTo(1);
    t.SetValue("ImgPath", std::string(5000, 'p'));

    // A file-size limit below the new file's size: writing fails part way, as on a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = t.SaveToMLB(dir.file("data.mlb"));
    const bool csv_ok = t.SaveToCSV(dir.file("data.csv"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(t.ErrorCode(), 3);
    EXPECT_FALSE(csv_ok);
    EXPECT_EQ(t.ErrorText(), "2-Unable to write the file");
    EXPECT_EQ(ReadAll(dir.file("data.mlb")), old);
    EXPECT_FALSE(std::filesystem::exists(dir.file("data.csv")));
    // Nothing is left beside the target.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(Mlb2MlbSave, ReplacesThroughALinkAndKeepsPermissions) {
    TempDir dir;
    TMlb2 t = Sample();
    ASSERT_TRUE(t.SaveToMLB(dir.file("real.mlb")));
    std::filesystem::permissions(dir.file("real.mlb"), std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::owner_write);
    std::filesystem::create_symlink("real.mlb", dir.file("link.mlb"));
    t.AppendRecord();
    ASSERT_TRUE(t.SaveToMLB(dir.file("link.mlb")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.mlb")));
    EXPECT_EQ(std::filesystem::status(dir.file("real.mlb")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    TMlb2 back;
    ASSERT_TRUE(back.LoadFromMLB(dir.file("real.mlb")));
    EXPECT_EQ(back.RecordCount(), 4);
}

TEST(Mlb2MlbSave, SavingALoadedTableWritesWhatACopyWrites) {
    // A loaded table saves unchanged records straight from the file it read; a copy of it holds
    // its values elsewhere and writes every record itself. Both must give the same bytes after
    // any mix of edits.
    TempDir dir;
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        TMlb2 t;
        const int fields = 1 + static_cast<int>(rng() % 4);
        for (int k = 1; k <= fields; ++k) t.AddField("F" + std::to_string(k));
        const int records = static_cast<int>(rng() % 60);
        for (int r = 0; r < records; ++r) {
            t.AppendRecord();
            for (int k = 1; k <= fields; ++k)
                t.SetValueAt(k, rng() % 4 == 0 ? std::string() : std::string(rng() % 40, static_cast<char>('a' + k)));
        }
        ASSERT_TRUE(t.SaveToMLB(dir.file("in.mlb")));
        TMlb2 loaded;
        ASSERT_TRUE(loaded.LoadFromMLB(dir.file("in.mlb")));
        for (int edit = static_cast<int>(rng() % 8); edit > 0 && loaded.RecordCount() > 0; --edit) {
            loaded.GoTo(1 + static_cast<int>(rng() % loaded.RecordCount()));
            switch (rng() % 5) {
            case 0: loaded.SetValueAt(1, ""); break;
            case 1: loaded.SetValueAt(1, std::string(rng() % 40, 'z')); break;
            case 2: loaded.DeleteCurrent(); break;
            case 3: loaded.AppendRecord(); break;
            default: loaded.SetValueAt(1, loaded.GetValueAt(1, loaded.CurrentIndex())); break;
            }
        }
        if (round % 10 == 9) loaded.AddField("Late");
        ASSERT_TRUE(loaded.SaveToMLB(dir.file("direct.mlb")));
        TMlb2 copy(loaded);
        ASSERT_TRUE(copy.SaveToMLB(dir.file("copied.mlb")));
        ASSERT_EQ(ReadAll(dir.file("direct.mlb")), ReadAll(dir.file("copied.mlb"))) << "round " << round;
    }
}

TEST(Mlb2MlbSave, FilesTheWriterWouldNotWriteSaveCorrectly) {
    // Wrong record lengths, values cut at a zero byte, the other byte order and dropped values
    // of rejected fields all make records that must be written afresh, not copied.
    TempDir dir;
    TBytes odd;
    odd.head(1).str("").u32(3).u32(3);
    odd.u8(0).str("A").u8(0).str("B").u8(0).str("a");
    odd.u32(999).str("x").str("yy").str("dropped");
    odd.u32(0).str(std::string("z\0z", 3)).str("").str("");
    odd.u32(15).str("p").str("q").str("r");
    TBytes be;
    be.big = true;
    be.head(0).str("").u32(1).u32(2).u8(0).str("A").u32(5).str("1").u32(6).str("22");
    for (const std::string& bytes : {odd.s, be.s}) {
        WriteAll(dir.file("odd.mlb"), bytes);
        TMlb2 t;
        ASSERT_TRUE(t.LoadFromMLB(dir.file("odd.mlb")));
        ASSERT_TRUE(t.SaveToMLB(dir.file("direct.mlb")));
        TMlb2 copy(t);
        ASSERT_TRUE(copy.SaveToMLB(dir.file("copied.mlb")));
        EXPECT_EQ(ReadAll(dir.file("direct.mlb")), ReadAll(dir.file("copied.mlb")));
        TMlb2 back;
        ASSERT_TRUE(back.LoadFromMLB(dir.file("direct.mlb")));
        ExpectSameTable(t, back);
    }
}
