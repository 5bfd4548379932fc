#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <sys/stat.h>

#include <zip.h>

#include "ScriptedMessages.h"
#include "TZipEngine.h"
#include "TestSupport.h"
#include "ZipInspect.h"

using testsupport::ReadAll;
using testsupport::ScriptedMessages;
using testsupport::TempDir;
using testsupport::WriteAll;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen());
    return s;
}

// Every path below root, relative to it, sorted.
Names Tree(const fs::path& root) {
    Names names;
    for (const auto& e : fs::recursive_directory_iterator(root)) names.push_back(fs::relative(e.path(), root));
    std::sort(names.begin(), names.end());
    return names;
}

// The last message shown: caption "Zip", error icon, OK button, and a text holding every part.
void ExpectZipError(const ScriptedMessages& m, std::size_t count, const Names& parts) {
    ASSERT_EQ(m.asked.size(), count);
    const auto& a = m.asked.back();
    EXPECT_EQ(a.caption, "Zip");
    EXPECT_EQ(a.icon, TMsgIcon::Error);
    EXPECT_EQ(a.buttons, TMsgButtons::Ok);
    for (const auto& p : parts) EXPECT_NE(a.text.find(p), std::string::npos) << p << " not in: " << a.text;
}

struct RawEntry {
    std::string name, data;
    bool link = false;
};

// An archive written with libzip directly, so entry names and types can be anything; a name
// ending in "/" is a folder entry.
void WriteRawArchive(const std::string& path, const std::vector<RawEntry>& entries) {
    int code = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(za, nullptr);
    for (const RawEntry& e : entries) {
        zip_int64_t i = e.name.back() == '/'
                            ? zip_dir_add(za, e.name.c_str(), ZIP_FL_ENC_RAW)
                            : zip_file_add(za, e.name.c_str(), zip_source_buffer(za, e.data.data(), e.data.size(), 0),
                                           ZIP_FL_ENC_RAW);
        ASSERT_GE(i, 0) << e.name << ": " << zip_strerror(za);
        if (e.link)
            zip_file_set_external_attributes(za, zip_uint64_t(i), 0, ZIP_OPSYS_UNIX, (S_IFLNK | 0777u) << 16);
    }
    ASSERT_EQ(zip_close(za), 0);
}

// Three files from two folders, listed in an order that is not alphabetical.
struct Sources {
    TempDir dir;
    Names paths, contents;
    Sources() {
        fs::create_directories(dir.file("src/one"));
        fs::create_directories(dir.file("src/two"));
        std::string text;
        for (int i = 0; i < 2000; ++i) text += "line " + std::to_string(i % 17) + " of a caption\n";
        paths = {dir.file("src/two/c.txt"), dir.file("src/one/a.jpg"), dir.file("src/one/b.bmp")};
        contents = {text, RandomBytes(30000, 1), ""};
        for (std::size_t i = 0; i < paths.size(); ++i) WriteAll(paths[i], contents[i]);
    }
    void Pack(TZipEngine& zip, const std::string& name) {
        zip.SetArchiveName(dir.file(name));
        zip.ClearFiles();
        for (const auto& p : paths) zip.AddFileToList(p);
        ASSERT_TRUE(zip.Add()) << zip.LastError();
    }
    // The archive read by the independent reader: names, deflate and contents.
    void ExpectArchive(const std::string& name, const std::string& comment) {
        std::string bytes = ReadAll(dir.file(name));
        zipinspect::Archive a = zipinspect::Inspect(bytes);
        ASSERT_TRUE(a.ok) << a.error;
        EXPECT_EQ(a.comment, comment);
        ASSERT_EQ(a.entries.size(), 3u);
        const Names names = {"c.txt", "a.jpg", "b.bmp"};
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(a.entries[i].name, names[i]);
            EXPECT_EQ(a.entries[i].method, 8) << names[i];  // deflate, even where it does not shrink
            bool ok = false;
            EXPECT_EQ(zipinspect::Data(bytes, a.entries[i], &ok), contents[i]) << names[i];
            EXPECT_TRUE(ok) << names[i];
        }
        EXPECT_LT(a.entries[0].compressedSize * 20, a.entries[0].size);  // level 9 on repetitive text
    }
};

}  // namespace

TEST(ZipEngine, AddStoresBareNamesInListOrderDeflated) {
    Sources s;
    ScriptedMessages msgs;
    TZipEngine zip(&msgs);
    WriteAll(s.dir.file("out.xal"), "an old file that is not an archive");
    s.Pack(zip, "out.xal");
    s.ExpectArchive("out.xal", "");
    EXPECT_EQ(zip.EntryNames(), (Names{"c.txt", "a.jpg", "b.bmp"}));
    EXPECT_TRUE(msgs.asked.empty());
}

TEST(ZipEngine, FailedAddKeepsTheOldArchive) {
    Sources s;
    ScriptedMessages msgs;
    TZipEngine zip(&msgs);
    s.Pack(zip, "thumbnails.dat");
    const std::string good = ReadAll(s.dir.file("thumbnails.dat"));

    zip.AddFileToList(s.dir.file("src/gone.jpg"));
    EXPECT_FALSE(zip.Add());
    ExpectZipError(msgs, 1, {s.dir.file("thumbnails.dat"), "gone.jpg"});

    // Two files of one bare name cannot both be in the archive.
    WriteAll(s.dir.file("src/two/a.jpg"), "other");
    zip.ClearFiles();
    zip.AddFileToList(s.paths[1]);
    zip.AddFileToList(s.dir.file("src/two/a.jpg"));
    EXPECT_FALSE(zip.Add());
    ExpectZipError(msgs, 2, {"a.jpg"});
    EXPECT_EQ(ReadAll(s.dir.file("thumbnails.dat")), good);

    TZipEngine quiet;  // without a message interface the failure is only in the result
    quiet.SetArchiveName(s.dir.file("no/such/folder/x.zip"));
    EXPECT_FALSE(quiet.Add());
    EXPECT_FALSE(quiet.LastError().empty());
    EXPECT_EQ(Tree(s.dir.path()), (Names{"src", "src/one", "src/one/a.jpg", "src/one/b.bmp", "src/two",
                                         "src/two/a.jpg", "src/two/c.txt", "thumbnails.dat"}));
}

TEST(ZipEngine, CommentIsWrittenAsRawBytes) {
    Sources s;
    TZipEngine zip;
    s.Pack(zip, "album.xal");
    const std::string comment = "Lumavell2 \xB7 shared album\r\nby \xE9ric \x01";
    ASSERT_TRUE(zip.SetComment(comment)) << zip.LastError();
    s.ExpectArchive("album.xal", comment);
    EXPECT_EQ(zip.Comment(), comment);
    ASSERT_TRUE(zip.SetComment("\xB7"));  // shorter
    s.ExpectArchive("album.xal", "\xB7");
    EXPECT_EQ(zip.Comment(), "\xB7");
    ASSERT_TRUE(zip.SetComment(""));
    s.ExpectArchive("album.xal", "");
    EXPECT_FALSE(zip.SetComment(std::string(70000, 'c')));
    EXPECT_EQ(Tree(s.dir.path()).size(), 7u) << "temporary files left";

    // An archive without entries (libzip alone would write no file at all).
    zip.SetArchiveName(s.dir.file("empty.zip"));
    zip.ClearFiles();
    ASSERT_TRUE(zip.Add());
    ASSERT_TRUE(zip.SetComment("x\xB7y"));
    zipinspect::Archive a = zipinspect::Inspect(ReadAll(s.dir.file("empty.zip")));
    EXPECT_TRUE(a.ok && a.entries.empty() && a.comment == "x\xB7y") << a.error;

    ScriptedMessages msgs;
    TZipEngine bad(&msgs);
    WriteAll(s.dir.file("not.zip"), "plain text");
    bad.SetArchiveName(s.dir.file("not.zip"));
    EXPECT_FALSE(bad.SetComment("x"));
    ExpectZipError(msgs, 1, {"not.zip"});
    EXPECT_EQ(ReadAll(s.dir.file("not.zip")), "plain text");
}

TEST(ZipEngine, ExtractRoundTripReplacesFilesOfTheSameName) {
    Sources s;
    TZipEngine zip;
    s.Pack(zip, "t.zip");
    fs::create_directories(s.dir.file("out"));
    WriteAll(s.dir.file("out/a.jpg"), "stale");
    WriteAll(s.dir.file("out/keep.txt"), "unrelated");
    zip.SetBaseFolder(s.dir.file("out"));
    ASSERT_TRUE(zip.Extract()) << zip.LastError();
    EXPECT_EQ(Tree(s.dir.path() / "out"), (Names{"a.jpg", "b.bmp", "c.txt", "keep.txt"}));
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(ReadAll(s.dir.file("out/" + fs::path(s.paths[i]).filename().string())), s.contents[i]);
    EXPECT_EQ(ReadAll(s.dir.file("out/keep.txt")), "unrelated");

    zip.SetBaseFolder(s.dir.file("new/deeper"));  // made when missing
    ASSERT_TRUE(zip.Extract());
    EXPECT_EQ(Tree(s.dir.path() / "new/deeper"), (Names{"a.jpg", "b.bmp", "c.txt"}));
}

TEST(ZipEngine, HostileArchiveStaysInsideTheBaseFolder) {
    TempDir root;
    std::string archive = root.file("hostile.zip");
    WriteRawArchive(archive, {{"../evil.txt", "evil"},
                              {"/abs.txt", "abs"},
                              {"sub/dir/x.txt", "x"},
                              {"link", "../outside/secret", true},
                              {"sub/linkdir", "/etc", true},
                              {"..", "dots"},
                              {"a/.", "dot"},
                              {"sub/", ""},
                              {"..\\..\\win.txt", "win"}});
    fs::create_directories(root.file("base"));
    fs::create_directories(root.file("outside"));
    WriteAll(root.file("outside/target.txt"), "keep");
    fs::create_symlink(root.file("outside/target.txt"), root.file("base/x.txt"));  // a trap

    ScriptedMessages msgs;
    TZipEngine zip(&msgs);
    zip.SetArchiveName(archive);
    zip.SetBaseFolder(root.file("base"));
    EXPECT_FALSE(zip.Extract());
    EXPECT_EQ(Tree(root.path()), (Names{"base", "base/abs.txt", "base/evil.txt", "base/win.txt", "base/x.txt",
                                        "hostile.zip", "outside", "outside/target.txt"}));
    EXPECT_EQ(ReadAll(root.file("base/evil.txt")), "evil");
    EXPECT_EQ(ReadAll(root.file("base/x.txt")), "x");
    EXPECT_EQ(ReadAll(root.file("outside/target.txt")), "keep");
    for (const auto& e : fs::directory_iterator(root.file("base"))) EXPECT_FALSE(e.is_symlink()) << e.path();
    // One message naming what was left out; a folder entry is not an error.
    ExpectZipError(msgs, 1, {archive, "\"link\"", "\"sub/linkdir\"", "\"..\"", "\"a/.\""});
    EXPECT_EQ(msgs.asked[0].text.find("\"sub/\""), std::string::npos) << msgs.asked[0].text;
}

TEST(ZipEngine, ArchiveLargerThanTheFreeSpaceIsRefusedBeforeWriting) {
    TempDir root;
    std::string archive = root.file("big.zip");
    WriteRawArchive(archive, {{"one.bmp", std::string(600, 'a')}, {"two.bmp", std::string(600, 'b')}});
    ScriptedMessages msgs;
    TZipEngine zip(&msgs);
    zip.SetArchiveName(archive);
    zip.SetBaseFolder(root.file("base"));
    std::string asked;
    // A disk of 10000 bytes keeps 1000 of them free.
    zip.SetFreeSpaceFunction([&](const std::string& folder) {
        asked = folder;
        return TZipEngine::TDiskSpace{2199, 10000};
    });
    EXPECT_FALSE(zip.Extract());
    EXPECT_EQ(asked, root.file("base"));
    EXPECT_TRUE(fs::is_empty(root.file("base")));
    ExpectZipError(msgs, 1, {archive, "1200", "2199", "1000"});

    zip.SetFreeSpaceFunction([](const std::string&) { return TZipEngine::TDiskSpace{2200, 10000}; });
    EXPECT_TRUE(zip.Extract());
    EXPECT_EQ(Tree(root.path() / "base"), (Names{"one.bmp", "two.bmp"}));
}

TEST(ZipEngine, FreeSpaceMarginIsATenthOfTheDiskUpToOneGibibyte) {
    EXPECT_EQ(TZipEngine::FreeSpaceMargin(10000), 1000u);
    EXPECT_EQ(TZipEngine::FreeSpaceMargin(std::int64_t(5) << 30), (std::uint64_t(5) << 30) / 10);
    EXPECT_EQ(TZipEngine::FreeSpaceMargin(std::int64_t(100) << 30), std::uint64_t(1) << 30);
    EXPECT_EQ(TZipEngine::FreeSpaceMargin(-1), std::uint64_t(1) << 30);
}

// The sizes come from the archive's directory: one entry over its limit refuses the archive
// with one message, and not a byte of any entry is written.
TEST(ZipEngine, EntryOverItsLimitRefusesTheArchiveBeforeWriting) {
    TempDir root;
    const std::string archive = root.file("bomb.zip");
    // Compresses to almost nothing, unpacks to 4 MiB.
    WriteRawArchive(archive, {{"small.txt", "small"}, {"dir/huge.bin", std::string(4u << 20, '\0')}});
    EXPECT_LT(fs::file_size(archive), 64u * 1024u);
    ScriptedMessages msgs;
    TZipEngine zip(&msgs);
    zip.SetArchiveName(archive);
    zip.SetBaseFolder(root.file("base"));
    std::vector<std::string> limited;
    zip.SetEntryLimit([&](const std::string& name) -> std::uint64_t {
        limited.push_back(name);
        return 1u << 20;
    });
    EXPECT_FALSE(zip.Extract());
    EXPECT_EQ(limited, (Names{"small.txt", "huge.bin"}));
    EXPECT_TRUE(fs::is_empty(root.file("base")));
    ExpectZipError(msgs, 1, {archive, "\"dir/huge.bin\"", std::to_string(4u << 20)});

    zip.SetEntryLimit([](const std::string&) -> std::uint64_t { return 4u << 20; });
    EXPECT_TRUE(zip.Extract());
    EXPECT_EQ(Tree(root.path() / "base"), (Names{"huge.bin", "small.txt"}));
}

// Of entries with the same bare name the first is unpacked; a later "sub/album.xml" does not
// replace the real one.
TEST(ZipEngine, FirstEntryOfABareNameIsKept) {
    TempDir root;
    const std::string archive = root.file("twice.zip");
    WriteRawArchive(archive, {{"album.xml", "real"}, {"sub/album.xml", "fake"}, {"x\\album.xml", "fake2"},
                              {"b.jpg", "b"}, {"c/b.jpg", "b2"}});
    ScriptedMessages msgs;
    TZipEngine zip(&msgs);
    zip.SetArchiveName(archive);
    zip.SetBaseFolder(root.file("base"));
    EXPECT_TRUE(zip.Extract());
    EXPECT_TRUE(msgs.asked.empty());
    EXPECT_EQ(Tree(root.path() / "base"), (Names{"album.xml", "b.jpg"}));
    EXPECT_EQ(ReadAll(root.file("base/album.xml")), "real");
    EXPECT_EQ(ReadAll(root.file("base/b.jpg")), "b");
}

// Files that an unpacking cut short by a kill left behind are recognised by their names and
// removed when they are older than the given time; other files stay.
TEST(ZipEngine, LeftoversOfInterruptedUnpackingsAreRemoved) {
    TempDir root;
    EXPECT_TRUE(TZipEngine::IsUnpackTempName(".lumavell-unzip-123-0"));
    EXPECT_TRUE(TZipEngine::IsUnpackTempName(".lumavell-unzip-4-56"));
    EXPECT_FALSE(TZipEngine::IsUnpackTempName(".lumavell-unzip-4-"));
    EXPECT_FALSE(TZipEngine::IsUnpackTempName(".lumavell-unzip--1"));
    EXPECT_FALSE(TZipEngine::IsUnpackTempName(".lumavell-unzip-1-2.jpg"));
    EXPECT_FALSE(TZipEngine::IsUnpackTempName("photo.jpg"));
    WriteAll(root.file(".lumavell-unzip-99-3"), std::string(1000, 'x'));
    WriteAll(root.file("photo.jpg"), "keep");
    WriteAll(root.file(".lumavell-unzip-99-x"), "keep");
    const auto changed = [&](const std::string& name) {
        struct stat st {};
        ::stat(root.file(name).c_str(), &st);
        return static_cast<std::int64_t>(st.st_mtime);
    };
    // A file changed at the time given may belong to an unpacking running now.
    EXPECT_EQ(TZipEngine::RemoveLeftovers(root.str(), changed(".lumavell-unzip-99-3")), 0);
    EXPECT_EQ(TZipEngine::RemoveLeftovers(root.str(), changed(".lumavell-unzip-99-3") + 1), 1);
    EXPECT_EQ(Tree(root.path()), (Names{".lumavell-unzip-99-x", "photo.jpg"}));

    // What an unpacking writes in the making carries such a name.
    const std::string archive = root.file("a.zip");
    WriteRawArchive(archive, {{"a.txt", "a"}});
    TZipEngine zip;
    zip.SetArchiveName(archive);
    zip.SetBaseFolder(root.file("base"));
    std::vector<std::string> seen;
    zip.SetProgressFunction([&](double) {
        for (const auto& e : fs::directory_iterator(root.file("base"))) seen.push_back(e.path().filename());
    });
    EXPECT_TRUE(zip.Extract());
    ASSERT_FALSE(seen.empty());
    for (const auto& name : seen) EXPECT_TRUE(TZipEngine::IsUnpackTempName(name)) << name;
}

TEST(ZipEngine, DamagedArchivesWriteNothing) {
    TempDir root;
    ScriptedMessages msgs;
    TZipEngine zip(&msgs);
    zip.SetBaseFolder(root.file("base"));
    WriteAll(root.file("text.zip"), "this is not an archive");
    zip.SetArchiveName(root.file("text.zip"));
    EXPECT_FALSE(zip.Extract());
    ExpectZipError(msgs, 1, {"text.zip"});
    zip.SetArchiveName(root.file("absent.zip"));
    EXPECT_FALSE(zip.Extract());
    ExpectZipError(msgs, 2, {"absent.zip"});

    // A broken second entry: the good first one is not left behind either.
    WriteRawArchive(root.file("crc.zip"), {{"first.bmp", std::string(5000, 'g')}, {"second.bmp", RandomBytes(5000, 7)}});
    std::string bytes = ReadAll(root.file("crc.zip"));
    zipinspect::Archive a = zipinspect::Inspect(bytes);
    ASSERT_TRUE(a.ok);
    const auto& e = a.entries[1];
    bytes[e.localOffset + 30 + zipinspect::Get(bytes, e.localOffset + 26, 2) +
          zipinspect::Get(bytes, e.localOffset + 28, 2) + e.compressedSize / 2] ^= 0x55;
    WriteAll(root.file("crc.zip"), bytes);
    zip.SetArchiveName(root.file("crc.zip"));
    EXPECT_FALSE(zip.Extract());
    EXPECT_TRUE(fs::is_empty(root.file("base")));
    ExpectZipError(msgs, 3, {"second.bmp"});
}
