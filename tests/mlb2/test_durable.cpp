// Saves that are interrupted: a process killed between saves, while it saves, or inside one of a
// save's writes must leave a file that loads as the old or the new version, every time; a failed write
// says why and leaves the old file and no new file behind; new files are named by one pattern.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <utility>

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

// A child that saves B and A in turn and reports on a pipe: 'b'/'a' as it begins a save, 'B'/'A'
// when that save is complete. After each complete save it waits for one byte on its go pipe, so
// the parent can kill it exactly between two saves, or let it go and kill it while it saves.
struct SavingChild {
    pid_t pid = -1;
    int report = -1;  // read end: what the child has done
    int go = -1;      // write end: one byte lets the child start its next save

    SavingChild(const TMlb2& a, const TMlb2& b, const std::string& path, rlim_t fileSizeLimit) {
        int up[2], down[2];
        if (::pipe(up) != 0 || ::pipe(down) != 0) return;
        pid = fork();
        if (pid == 0) {
            ::close(up[0]);
            ::close(down[1]);
            if (fileSizeLimit != RLIM_INFINITY) {
                // Writing past the limit ends the process with SIGXFSZ right inside that write.
                std::signal(SIGXFSZ, SIG_DFL);
                rlimit r{};
                getrlimit(RLIMIT_FSIZE, &r);
                r.rlim_cur = fileSizeLimit;
                setrlimit(RLIMIT_FSIZE, &r);
            }
            for (;;) {
                for (const auto& [table, tag] : {std::pair{&b, 'B'}, std::pair{&a, 'A'}}) {
                    const char begin = char(tag - 'A' + 'a');
                    if (::write(up[1], &begin, 1) != 1) _exit(1);
                    TMlb2 copy = *table;
                    if (!copy.SaveToMLB(path)) _exit(2);
                    if (::write(up[1], &tag, 1) != 1) _exit(1);
                    char c = 0;
                    if (::read(down[0], &c, 1) != 1) _exit(0);
                }
            }
        }
        ::close(up[1]);
        ::close(down[0]);
        report = up[0];
        go = down[1];
    }
    ~SavingChild() {
        if (report >= 0) ::close(report);
        if (go >= 0) ::close(go);
    }
    // The next report byte; 0 when the child has ended.
    char Next() const {
        char c = 0;
        return ::read(report, &c, 1) == 1 ? c : 0;
    }
    void Go() const {
        const char c = 'g';
        (void)!::write(go, &c, 1);
    }
    // Kills the child and reaps it; the signal that ended it.
    int Kill() const {
        ::kill(pid, SIGKILL);
        int status = 0;
        if (waitpid(pid, &status, 0) != pid || !WIFSIGNALED(status)) return 0;
        return WTERMSIG(status);
    }
};

TEST(DurableSave, KilledMidSaveTheTableIsAlwaysTheOldOrTheNewVersion) {
    testsupport::TempDir dir;
    const std::string path = dir.file("data.mlb");
    constexpr int kRecords = 4000;  // about 0.9 MB: a save is many writes
    const TMlb2 a = Version('A', kRecords);
    const TMlb2 b = Version('B', kRecords);
    ASSERT_TRUE(TMlb2(a).SaveToMLB(path));
    // Kill points chosen from what the child reported: after its n-th complete save while it
    // waits (the table is exactly that version), or just after letting it begin the next save
    // (the table is the old or the new version, wherever in that save the kill lands).
    int seen[2] = {0, 0};
    for (int n = 1; n <= 6; ++n) {
        for (const bool whileSaving : {false, true}) {
            SavingChild child(a, b, path, RLIM_INFINITY);
            ASSERT_GT(child.pid, 0);
            char last = 0;
            for (int complete = 0; complete < n;) {
                const char c = child.Next();
                ASSERT_NE(c, 0) << "the child ended";
                if (c == 'A' || c == 'B') {
                    last = c;
                    if (++complete < n) child.Go();
                }
            }
            if (whileSaving) {
                child.Go();
                ASSERT_EQ(child.Next(), last == 'B' ? 'a' : 'b');
            }
            ASSERT_EQ(child.Kill(), SIGKILL);
            const char v = LoadedVersion(path, kRecords);
            if (whileSaving) {
                EXPECT_TRUE(v == 'A' || v == 'B') << "killed while saving after " << n << " saves: neither version";
            } else {
                EXPECT_EQ(v, last) << "killed between saves after " << n << " saves";
            }
            if (v == 'A' || v == 'B') ++seen[v - 'A'];
        }
    }
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);

    // Killed inside a write, at byte offsets spread over the whole new file: the table is
    // still the old version (the child's first save is B over A).
    ASSERT_TRUE(TMlb2(a).SaveToMLB(path));
    const auto size = fs::file_size(path);
    for (std::uintmax_t at = 1; at < size; at += size / 16) {
        SavingChild child(a, b, path, rlim_t(at));
        ASSERT_GT(child.pid, 0);
        ASSERT_EQ(child.Next(), 'b');
        EXPECT_EQ(child.Next(), 0) << "the save of " << size << " bytes went past a limit of " << at;
        int status = 0;
        ASSERT_EQ(waitpid(child.pid, &status, 0), child.pid);
        // A write that starts below the limit is cut short at it (the save then fails and the
        // child ends with 2); one that starts at the limit gets the signal. Either way the
        // save ends inside its write.
        EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) ||
                    (WIFEXITED(status) && WEXITSTATUS(status) == 2))
            << "stopped inside the write at " << at;
        EXPECT_EQ(LoadedVersion(path, kRecords), 'A') << "killed inside the write at " << at;
    }

    // What the kills left beside the table is named so that start-up finds and removes it.
    int left = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        if (name != "data.mlb") {
            ++left;
            EXPECT_TRUE(mlb2detail::IsAtomicTempName(name)) << name;
        }
    }
    EXPECT_GT(left, 0);  // the writes cut short left their new files behind
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
