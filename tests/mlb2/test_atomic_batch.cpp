// Cache files written as one batch: nothing shows under a target's name until the batch is
// committed, every target is then whole, an abandoned batch leaves nothing behind, and a
// failed write adds nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FileIo.h"
#include "TestSupport.h"
#include "WriteLimit.h"

namespace fs = std::filesystem;
using mlb2detail::IsAtomicTempName;
using mlb2detail::TAtomicBatch;

namespace {

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

TEST(AtomicBatch, TargetsAppearWholeOnlyAtCommit) {
    testsupport::TempDir tmp;
    testsupport::WriteAll(tmp.file("2.bmp"), "old");
    TAtomicBatch batch;
    for (int i = 1; i <= 3; ++i) {
        const std::string bytes(1000 * i, char('a' + i));
        ASSERT_TRUE(batch.Add(tmp.file(std::to_string(i) + ".bmp"), bytes.data(), bytes.size()));
    }
    EXPECT_EQ(batch.size(), 3u);
    // Before the commit: the old file as it was, new files only under their own names.
    EXPECT_EQ(testsupport::ReadAll(tmp.file("2.bmp")), "old");
    EXPECT_FALSE(fs::exists(tmp.file("1.bmp")));
    int temps = 0;
    for (const auto& n : Names(tmp.str())) temps += IsAtomicTempName(n);
    EXPECT_EQ(temps, 3);

    const auto done = batch.Commit();
    EXPECT_EQ(done, (std::vector<std::string>{tmp.file("1.bmp"), tmp.file("2.bmp"), tmp.file("3.bmp")}));
    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(Names(tmp.str()), (std::vector<std::string>{"1.bmp", "2.bmp", "3.bmp"}));
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(testsupport::ReadAll(tmp.file(std::to_string(i) + ".bmp")), std::string(1000 * i, char('a' + i)));
}

TEST(AtomicBatch, AnAbandonedBatchAndAFailedWriteLeaveNothing) {
    testsupport::TempDir tmp;
    {
        TAtomicBatch batch;
        ASSERT_TRUE(batch.Add(tmp.file("1.bmp"), "abc", 3));
    }
    EXPECT_TRUE(fs::is_empty(tmp.path()));

    TAtomicBatch batch;
    const std::string big(64 * 1024, 'x');
    {
        testsupport::TWriteLimit full(1024);
        EXPECT_FALSE(batch.Add(tmp.file("2.bmp"), big.data(), big.size()));
    }
    EXPECT_FALSE(batch.ErrorText().empty());
    EXPECT_TRUE(batch.empty());
    EXPECT_TRUE(fs::is_empty(tmp.path()));
    EXPECT_TRUE(batch.Commit().empty());
    // A folder that is not there.
    EXPECT_FALSE(batch.Add(tmp.file("no/such/3.bmp"), "abc", 3));
}
