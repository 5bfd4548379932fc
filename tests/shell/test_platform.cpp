#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "ShellTestHelpers.h"
#include "TPlatform.h"
#include "TestSupport.h"

using shelltest::EnvGuard;
using shelltest::FileSizeLimit;
using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

TEST(Platform, DocumentsFolderAndUserName) {
    EXPECT_EQ(TLinuxPlatform("/data/docs///").DocumentsFolder(), "/data/docs");
    TempDir home;
    EnvGuard h("HOME", home.str().c_str());
    EnvGuard x("XDG_CONFIG_HOME", home.file(".config").c_str());
    EXPECT_EQ(TLinuxPlatform().DocumentsFolder(), home.file("Documents"));
    fs::create_directories(home.file(".config"));
    fs::create_directories(home.file("Papers"));
    WriteAll(home.file(".config/user-dirs.dirs"), "XDG_DOCUMENTS_DIR=\"$HOME/Papers/\"\n");
    EXPECT_EQ(TLinuxPlatform().DocumentsFolder(), home.file("Papers"));

    EXPECT_FALSE(TLinuxPlatform().UserName().empty());
    EXPECT_EQ(TLinuxPlatform("", std::string(300, 'u')).UserName(), std::string(255, 'u'));
}

TEST(Platform, FoldersAndFiles) {
    TempDir dir;
    TLinuxPlatform p;
    std::string deep = dir.file("My Pictures/My Albums/Thumbnails");
    ASSERT_TRUE(p.ForceFolders(deep + "/"));
    EXPECT_TRUE(p.FolderExists(deep));
    WriteAll(deep + "/7.bmp", "bmp");
    WriteAll(deep + "/10.bmp", "bmp");
    fs::create_directory(deep + "/sub");
    fs::create_symlink(deep + "/7.bmp", deep + "/link.bmp");
    fs::create_symlink(dir.file("nowhere"), deep + "/dangling.bmp");
    EXPECT_EQ(p.ListFiles(deep), (Names{"10.bmp", "7.bmp", "link.bmp"}));

    EXPECT_FALSE(p.ForceFolders(deep + "/7.bmp/inner"));  // a file in the way
    EXPECT_FALSE(p.DeleteFile(deep + "/sub"));
    EXPECT_FALSE(p.RemoveFolder(deep));  // not empty
    EXPECT_TRUE(p.DeleteFile(deep + "/link.bmp"));
    EXPECT_TRUE(p.FileExists(deep + "/7.bmp"));  // the link went, not its file
    EXPECT_TRUE(p.RemoveFolder(deep + "/sub"));
    // A folder still to be made is measured on the volume that will hold it.
    EXPECT_GT(p.FreeSpace(dir.file("not/yet/made")), 0);
}

TEST(WriteFileAtomic, ReplacesWholeOrNotAtAll) {
    TempDir dir;
    std::string path = dir.file("data.mlb");
    std::string error;
    ASSERT_TRUE(WriteFileAtomic(path, std::string("MLB\0\x01\xff", 6), &error)) << error;
    chmod(path.c_str(), 0600);
    ASSERT_TRUE(WriteFileAtomic(path, "second", &error)) << error;
    EXPECT_EQ(ReadAll(path), "second");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // a replaced file keeps its permissions
    {
        FileSizeLimit limit(64);  // a full disk
        EXPECT_FALSE(WriteFileAtomic(path, std::string(10000, 'z'), &error));
        EXPECT_NE(error.find("data.mlb"), std::string::npos) << error;
    }
    EXPECT_EQ(ReadAll(path), "second");
    EXPECT_FALSE(WriteFileAtomic(dir.file("missing/x"), "x", &error));
    std::string longName = dir.file(std::string(250, 'n') + ".col");  // near the name length limit
    ASSERT_TRUE(WriteFileAtomic(longName, "album", &error)) << error;
    fs::remove(longName);

    // A link at the path is replaced; what it pointed to is not touched.
    fs::create_directory(dir.file("outside"));
    WriteAll(dir.file("outside/target"), "keep");
    fs::create_symlink(dir.file("outside/target"), dir.file("icons.pdat"));
    ASSERT_TRUE(WriteFileAtomic(dir.file("icons.pdat"), "new"));
    EXPECT_FALSE(fs::is_symlink(dir.file("icons.pdat")));
    EXPECT_EQ(ReadAll(dir.file("outside/target")), "keep");
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(dir.file("icons.pdat"), bytes));
    EXPECT_EQ(bytes, "new");

    Names names;
    for (const auto& e : fs::recursive_directory_iterator(dir.path())) names.push_back(fs::relative(e.path(), dir.path()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{"data.mlb", "icons.pdat", "outside", "outside/target"}));  // no temporary files
}
