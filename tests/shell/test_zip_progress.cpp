// The Zip engine's progress reports: both packing and unpacking report how far they are, in
// order, ending with everything done.
#include <gtest/gtest.h>

#include <random>

#include "TZipEngine.h"
#include "TestSupport.h"

using testsupport::TempDir;
using testsupport::WriteAll;

TEST(ZipProgress, AddAndExtractReportTheirProgress) {
    TempDir dir;
    std::mt19937 gen(7);
    TZipEngine zip;
    zip.SetArchiveName(dir.file("a.zip"));
    for (int i = 0; i < 3; ++i) {
        std::string bytes(300000, '\0');
        for (char& c : bytes) c = static_cast<char>(gen());
        WriteAll(dir.file("f" + std::to_string(i)), bytes);
        zip.AddFileToList(dir.file("f" + std::to_string(i)));
    }
    std::vector<double> seen;
    zip.SetProgressFunction([&](double done) { seen.push_back(done); });
    ASSERT_TRUE(zip.Add());
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_DOUBLE_EQ(seen.back(), 1.0);

    seen.clear();
    zip.SetBaseFolder(dir.file("out"));
    ASSERT_TRUE(zip.Extract());
    ASSERT_GE(seen.size(), 3u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_DOUBLE_EQ(seen.back(), 1.0);
    EXPECT_GT(seen.front(), 0.0);
}
