// Saves that are interrupted: a process killed at random moments while it saves a table over and
// over must leave a file that loads as the old or the new version, every time; a failed write
// says why and leaves the old file and no new file behind; new files are named by one pattern.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "FileIo.h"
#include "TMlb2.h"
#include "TestSupport.h"
#include "WriteLimit.h"

namespace fs = std::filesystem;

namespace {

// A table whose every value names its version, so a load tells which version it got.
TMlb2 Version(char tag, int records) {
    TMlb2 t;
    t.AddField("ImgID");
    t.AddField("ImgKeys");
    const std::string notes(200, tag);
    for (int r = 1; r <= records; ++r) {
        t.AppendRecord();
        t.SetValue("ImgID", std::to_string(r));
        t.SetValue("ImgKeys", notes);
    }
    return t;
}

// 'A' or 'B' when the file loads whole as that version, '?' otherwise.
char LoadedVersion(const std::string& path, int records) {
    TMlb2 t;
    if (!t.LoadFromMLB(path) || t.RecordCount() != records) return '?';
    t.First();
    const std::string first = t.GetValue("ImgKeys");
    if (first.size() != 200) return '?';
    t.Last();
    if (t.GetValue("ImgKeys") != first || t.GetValue("ImgID") != std::to_string(records)) return '?';
    return first[0];
}

TEST(DurableSave, KilledMidSaveTheTableIsAlwaysTheOldOrTheNewVersion) {
    testsupport::TempDir dir;
    const std::string path = dir.file("data.mlb");
    constexpr int kRecords = 4000;  // about 0.9 MB: a save takes a few milliseconds
    TMlb2 a = Version('A', kRecords);
    TMlb2 b = Version('B', kRecords);
    ASSERT_TRUE(a.SaveToMLB(path));

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> wait(0, 15000);
    int seen[2] = {0, 0};
    for (int kill = 0; kill < 300; ++kill) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                b.SaveToMLB(path);
                a.SaveToMLB(path);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(wait(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        const char v = LoadedVersion(path, kRecords);
        ASSERT_TRUE(v == 'A' || v == 'B') << "kill " << kill << " left a table that is neither version";
        ++seen[v - 'A'];
    }
    // The kills landed on both sides of the renames.
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    // What the kills left beside the table is named so that start-up finds and removes it.
    for (const auto& e : fs::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        if (name != "data.mlb") {
            EXPECT_TRUE(mlb2detail::IsAtomicTempName(name)) << name;
        }
    }
}

TEST(DurableSave, AFailedWriteSaysWhyAndLeavesTheOldFileAndNoNewFile) {
    testsupport::TempDir dir;
    const std::string path = dir.file("data.mlb");
    TMlb2 a = Version('A', 100);
    ASSERT_TRUE(a.SaveToMLB(path));
    const std::string before = testsupport::ReadAll(path);
    TMlb2 b = Version('B', 100);
    {
        testsupport::TWriteLimit full(1000);
        EXPECT_FALSE(b.SaveToMLB(path));
    }
    EXPECT_EQ(b.ErrorText(), "2-Unable to write the file");
    EXPECT_EQ(b.SystemErrorText(), "File too large");
    EXPECT_EQ(testsupport::ReadAll(path), before);
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);

    // A folder in the way of the target is refused before anything is written.
    fs::create_directories(dir.file("Trips.col"));
    EXPECT_FALSE(b.SaveToMLB(dir.file("Trips.col")));
    EXPECT_FALSE(b.SystemErrorText().empty());
    // A missing folder gives the system's reason.
    EXPECT_FALSE(b.SaveToMLB(dir.file("missing/data.mlb")));
    EXPECT_EQ(b.SystemErrorText(), "No such file or directory");
}

TEST(DurableSave, NewFilesFollowOnePatternAndOnlyThoseMatchIt) {
    testsupport::TempDir dir;
    const std::string t = mlb2detail::AtomicTempPath(dir.file("albums.pdat"));
    EXPECT_EQ(t.rfind(dir.file("albums.pdat.~tmp"), 0), 0u) << t;
    EXPECT_TRUE(mlb2detail::IsAtomicTempName(fs::path(t).filename().string()));
    // A very long name gets a short new name in the same folder.
    const std::string longName = dir.file(std::string(240, 'x') + ".col");
    const std::string l = mlb2detail::AtomicTempPath(longName);
    EXPECT_EQ(fs::path(l).parent_path(), fs::path(longName).parent_path());
    EXPECT_LT(fs::path(l).filename().string().size(), 40u);
    EXPECT_TRUE(mlb2detail::IsAtomicTempName(fs::path(l).filename().string()));

    EXPECT_TRUE(mlb2detail::IsAtomicTempName("data.mlb.~tmp0123456789ab"));
    EXPECT_FALSE(mlb2detail::IsAtomicTempName("data.mlb"));
    EXPECT_FALSE(mlb2detail::IsAtomicTempName("data.mlb.~tmp0123456789a"));
    EXPECT_FALSE(mlb2detail::IsAtomicTempName("data.mlb.~tmp0123456789aB"));
    EXPECT_FALSE(mlb2detail::IsAtomicTempName("data.mlb.~tmp0123456789abc"));
    EXPECT_FALSE(mlb2detail::IsAtomicTempName("my.~tmp0123456789ab.jpg"));
}

TEST(SizeChecks, TablesAndWholeFilesFarLargerThanTheirFormatAreRefusedUnallocated) {
    testsupport::TempDir dir;
    const std::string path = dir.file("huge.mlb");
    testsupport::WriteAll(path, std::string("MLB\2\2\1\1\0\0\0\0\0", 12));
    ASSERT_EQ(::truncate(path.c_str(), off_t{64} << 30), 0);  // 64 GiB, nearly all hole
    TMlb2 t;
    t.AddField("ImgID");
    EXPECT_FALSE(t.LoadFromMLB(path));
    EXPECT_EQ(t.ErrorCode(), 3);
    EXPECT_FALSE(t.SystemErrorText().empty());
    EXPECT_EQ(t.FieldCount(), 1);  // the table is left as it was
    EXPECT_FALSE(t.LoadFromTXT(path));
    EXPECT_FALSE(t.LoadFromCSV(path));

    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    testsupport::WriteAll(dir.file("small"), "12345");
    EXPECT_FALSE(mlb2detail::ReadWholeFile(dir.file("small"), bytes, size, 4));
    EXPECT_TRUE(mlb2detail::ReadWholeFile(dir.file("small"), bytes, size, 5));
    EXPECT_EQ(size, 5u);
}

}  // namespace
