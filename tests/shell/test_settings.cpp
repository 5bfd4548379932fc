#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <unistd.h>

#include "ScriptedMessages.h"
#include "ShellTestHelpers.h"
#include "TPlatform.h"
#include "TSettingsStore.h"
#include "TSettingsText.h"
#include "TestSupport.h"

using shelltest::EnvGuard;
using shelltest::FileSizeLimit;
using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;
namespace fs = std::filesystem;

namespace {

int CountOf(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(SettingsStore, SectionAndKeyMatchWithoutCaseAndKeepOneEntry) {
    TempDir dir;
    TSettingsStore store(dir.file("user.conf"), dir.file("machine.conf"));
    ASSERT_TRUE(store.WriteString("Images", "ImageEditor", "/usr/bin/gimp"));
    EXPECT_EQ(store.ReadString("images", "IMAGEEDITOR", "none"), "/usr/bin/gimp");
    ASSERT_TRUE(store.WriteString("IMAGES", "imageeditor", "/usr/bin/krita"));
    std::string text = ReadAll(store.UserFile());
    EXPECT_EQ(text, "[Images]\nImageEditor=/usr/bin/krita\n");
    EXPECT_EQ(store.ReadString("Images", "\xC3\x89tat", "d"), "d");  // folding is ASCII only
}

TEST(SettingsStore, ReadDefaultsAndNumberTexts) {
    TempDir dir;
    TSettingsStore store(dir.file("cfg/user.conf"), dir.file("machine.conf"));
    EXPECT_TRUE(store.ReadBool("Images", "showCol", true));  // no file at all
    EXPECT_EQ(store.ReadInteger("Images", "albumPanWidth", 145), 145);
    ASSERT_TRUE(store.WriteString("Other", "Search", "ImgName"));
    ASSERT_TRUE(store.WriteString("Images", "x", "1"));
    EXPECT_EQ(store.ReadString("Images", "Search", "ImgKeys"), "ImgKeys");  // only in another section
    ASSERT_TRUE(store.WriteString("Images", "Search", ""));
    EXPECT_EQ(store.ReadString("Images", "Search", "ImgKeys"), "ImgKeys");  // empty text

    auto put = [&](const std::string& text) { ASSERT_TRUE(store.WriteString("Images", "v", text)); };
    put("2");
    EXPECT_TRUE(store.ReadBool("Images", "v", false));
    put("0");
    EXPECT_FALSE(store.ReadBool("Images", "v", true));
    put("yes");
    EXPECT_EQ(store.ReadInteger("Images", "v", 145), 145);
    EXPECT_TRUE(store.ReadBool("Images", "v", true));
    EXPECT_FALSE(store.ReadBool("Images", "v", false));
    put("-17");
    EXPECT_EQ(store.ReadInteger("Images", "v", 0), -17);
    for (const char* bad : {"", "12abc", "1.5", "--3", "+-3", "0x10", "-", "+"}) {
        put(bad);
        EXPECT_EQ(store.ReadInteger("Images", "v", 42), 42) << bad;
    }
    ASSERT_TRUE(store.WriteBool("Images", "showCol", true));
    ASSERT_TRUE(store.WriteBool("Images", "showImg", false));
    ASSERT_TRUE(store.WriteInteger("Images", "albumPanWidth", -42));
    EXPECT_NE(ReadAll(store.UserFile()).find("\nshowCol=1\nshowImg=0\nalbumPanWidth=-42\n"), std::string::npos);
}

TEST(SettingsStore, EveryByteRoundTrips) {
    TempDir dir;
    TSettingsStore writer(dir.file("user.conf"), dir.file("machine.conf"));
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    all += '\0';
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"all", all},
        {"spaces", "  two leading, two trailing  "},
        {"escapes", "\\n is not a line end, \\x41 is not A, \\"},
        {"lines", "first\nsecond\r\nthird\r"},
        {"header", "[Images]"},
        {" key with = and spaces ", "a=b=c"},
        {";semi", "; not a comment"},
        {"#hash", "v"},
    };
    for (const auto& [key, value] : cases) ASSERT_TRUE(writer.WriteString("Images", key, value)) << key;
    ASSERT_TRUE(writer.WriteString("Sec]tion\n", "k", "odd section"));

    TSettingsStore reader(dir.file("user.conf"), dir.file("machine.conf"));
    for (const auto& [key, value] : cases) EXPECT_EQ(reader.ReadString("Images", key, "?"), value) << key;
    EXPECT_EQ(reader.ReadString("sec]TION\n", "K", "?"), "odd section");
    // One line per entry, two headers and the blank line between the sections.
    EXPECT_EQ(CountOf(ReadAll(writer.UserFile()), "\n"), static_cast<int>(cases.size()) + 4);
}

TEST(SettingsStore, HandWrittenFileIsReadAndKept) {
    TempDir dir;
    WriteAll(dir.file("user.conf"),
             "; written by hand\r\n  [ images ]  \r\nImageEditor = c:\\windows\\system32\\mspaint.exe\r\n"
             "junk line\r\n[Other]\r\na=1\r\n");
    TSettingsStore store(dir.file("user.conf"), dir.file("machine.conf"));
    EXPECT_EQ(store.ReadString("Images", "ImageEditor", ""), "c:\\windows\\system32\\mspaint.exe");
    ASSERT_TRUE(store.WriteInteger("Images", "timesRun", 3));
    EXPECT_EQ(ReadAll(store.UserFile()),
              "; written by hand\n  [ images ]  \nImageEditor = c:\\windows\\system32\\mspaint.exe\n"
              "timesRun=3\njunk line\n[Other]\na=1\n");
    EXPECT_EQ(store.ReadInteger("other", "A", 0), 1);
}

TEST(SettingsStore, NoCacheBetweenStores) {
    TempDir dir;
    TSettingsStore a(dir.file("user.conf"), dir.file("machine.conf"));
    TSettingsStore b(dir.file("user.conf"), dir.file("machine.conf"));
    EXPECT_EQ(b.ReadInteger("Images", "timesRun", 0), 0);
    ASSERT_TRUE(a.WriteInteger("Images", "timesRun", 1));
    EXPECT_EQ(b.ReadInteger("Images", "timesRun", 0), 1);
    ASSERT_TRUE(b.WriteInteger("Images", "timesRun", 2));
    EXPECT_EQ(a.ReadInteger("Images", "timesRun", 0), 2);
    WriteAll(dir.file("user.conf"), "[Images]\ntimesRun=9\nshowCol=0\n");  // changed by someone else
    ASSERT_TRUE(a.WriteBool("Images", "showImg", false));
    EXPECT_FALSE(b.ReadBool("Images", "showCol", true));
    EXPECT_EQ(b.ReadInteger("Images", "timesRun", 0), 9);
}

TEST(SettingsStore, MachineRootServesOneRead) {
    TempDir dir;
    WriteAll(dir.file("machine.conf"), "[Images]\ninstalledTo=/opt/lumavell/share\nflag=1\n");
    TSettingsStore store(dir.file("user.conf"), dir.file("machine.conf"));
    ASSERT_TRUE(store.WriteString("Images", "installedTo", "user value"));
    store.UseMachineRoot();
    EXPECT_EQ(store.ReadString("Images", "installedTo", ""), "/opt/lumavell/share");
    EXPECT_EQ(store.ReadString("Images", "installedTo", ""), "user value");
    // A write in between goes to the user file and leaves the switch for the next read.
    store.UseMachineRoot();
    ASSERT_TRUE(store.WriteString("Images", "useDir", "/x"));
    EXPECT_TRUE(store.ReadBool("Images", "flag", false));
    EXPECT_FALSE(store.ReadBool("Images", "flag", false));
    EXPECT_EQ(ReadAll(dir.file("machine.conf")), "[Images]\ninstalledTo=/opt/lumavell/share\nflag=1\n");
}

TEST(SettingsStore, FailedWriteLeavesTheOldFileWhole) {
    TempDir dir;
    TSettingsStore store(dir.file("a/b/Corvane/user.conf"), dir.file("machine.conf"));
    ASSERT_TRUE(store.WriteString("Images", "Search", "ImgName"));  // makes the folders
    const std::string before = ReadAll(store.UserFile());
    {
        FileSizeLimit limit(before.size() + 10);  // a full disk
        EXPECT_FALSE(store.WriteString("Images", "frmMain", std::string(4000, 'x')));
        EXPECT_FALSE(store.LastError().empty());
    }
    EXPECT_EQ(ReadAll(store.UserFile()), before);
    EXPECT_EQ(fs::directory_iterator(dir.file("a/b/Corvane"))->path().filename(), "user.conf");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("a/b/Corvane")), fs::directory_iterator()), 1);

    WriteAll(dir.file("blocker"), "x");  // a file where a folder must go
    EXPECT_FALSE(TSettingsStore(dir.file("blocker/sub/user.conf"), "").WriteBool("Images", "showCol", true));
    if (geteuid() != 0) {  // permissions do not stop root
        fs::permissions(dir.file("a/b/Corvane"), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(store.WriteString("Images", "Search", "ImgCredit"));
        fs::permissions(dir.file("a/b/Corvane"), fs::perms::owner_all);
        EXPECT_EQ(ReadAll(store.UserFile()), before);
    }
}

TEST(SettingsStore, DefaultFiles) {
    {
        EnvGuard xdg("XDG_CONFIG_HOME", "/some/config/");
        EXPECT_EQ(TSettingsStore::DefaultUserFile(), "/some/config/Corvane/Lumavell2.conf");
    }
    {
        EnvGuard home("HOME", "/home/tester");
        EnvGuard xdg("XDG_CONFIG_HOME", "relative/path");  // not absolute: ignored
        EXPECT_EQ(TSettingsStore::DefaultUserFile(), "/home/tester/.config/Corvane/Lumavell2.conf");
    }
    {
        EnvGuard env("LUMAVELL_MACHINE_SETTINGS", "/tmp/elsewhere.conf");
        EXPECT_EQ(TSettingsStore::DefaultMachineFile(), "/tmp/elsewhere.conf");
    }
    // The build writes bin/machine.conf beside the programs, pointing at the source data folder.
    EnvGuard env("LUMAVELL_MACHINE_SETTINGS", nullptr);
    EXPECT_EQ(TSettingsStore::DefaultMachineFile(), ExecutableFolder() + "/machine.conf");
    if (const char* data = std::getenv("LUMAVELL_DATA_DIR")) {
        TSettingsStore store("", TSettingsStore::DefaultMachineFile());
        store.UseMachineRoot();
        EXPECT_EQ(store.ReadString("Images", "installedTo", ""), data);
    }
    // An installed program: <prefix>/bin beside <prefix>/etc.
    TempDir prefix;
    fs::create_directories(prefix.file("bin"));
    EXPECT_EQ(TSettingsStore::MachineFileFor(prefix.file("bin")), "/etc/lumavell2/machine.conf");
    WriteAll(prefix.file("bin/machine.conf"), "");
    EXPECT_EQ(TSettingsStore::MachineFileFor(prefix.file("bin")), prefix.file("bin/machine.conf"));
    fs::create_directories(prefix.file("etc/lumavell2"));
    WriteAll(prefix.file("etc/lumavell2/machine.conf"), "");
    EXPECT_EQ(TSettingsStore::MachineFileFor(prefix.file("bin")), prefix.file("etc/lumavell2/machine.conf"));
}

TEST(SettingsStore, NumbersAreClampedWhenRead) {
    TempDir dir;
    TSettingsStore store(dir.file("user.conf"), dir.file("machine.conf"));
    const std::vector<std::pair<std::string, int>> cases = {
        {"2147483647", INT_MAX},        {"2147483648", INT_MAX},       {"99999999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},       {"-2147483649", INT_MIN},      {"-99999999999999999999999", INT_MIN},
        {"+2147483648", INT_MAX},       {"000000000000000000000007", 7},
    };
    for (const auto& [text, want] : cases) {
        ASSERT_TRUE(store.WriteString("Images", "n", text));
        EXPECT_EQ(store.ReadInteger("Images", "n", 0), want) << text;
        EXPECT_TRUE(store.ReadBool("Images", "n", false)) << text;
    }
    ASSERT_TRUE(store.WriteString("Images", "albumPanWidth", "2147483647"));
    EXPECT_EQ(store.ReadInteger("Images", "albumPanWidth", 145, 0, 4096), 4096);
    ASSERT_TRUE(store.WriteString("Images", "albumPanWidth", "-99999999999"));
    EXPECT_EQ(store.ReadInteger("Images", "albumPanWidth", 145, 0, 4096), 0);
    ASSERT_TRUE(store.WriteString("Images", "albumPanWidth", "wide"));
    EXPECT_EQ(store.ReadInteger("Images", "albumPanWidth", 145, 0, 4096), 145);
}

TEST(SettingsStore, TheFileIsReadAgainOnlyWhenItChanged) {
    TempDir dir;
    WriteAll(dir.file("user.conf"), "[Images]\ntimesRun=4\n");
    TSettingsStore store(dir.file("user.conf"), dir.file("machine.conf"));
    for (int i = 0; i < 50; ++i) EXPECT_EQ(store.ReadInteger("Images", "timesRun", 0), 4);
    EXPECT_EQ(store.FileReads(), 1);
    // Own writes need no read.
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(store.WriteInteger("Images", "timesRun", i));
    EXPECT_EQ(store.ReadInteger("Images", "timesRun", 0), 9);
    EXPECT_EQ(store.FileReads(), 1);
    // Replaced by another program (new file), or changed in place: read again.
    ASSERT_TRUE(WriteFileAtomic(dir.file("user.conf"), "[Images]\ntimesRun=5\n"));
    EXPECT_EQ(store.ReadInteger("Images", "timesRun", 0), 5);
    WriteAll(dir.file("user.conf"), "[Images]\ntimesRun=60\n");
    EXPECT_EQ(store.ReadInteger("Images", "timesRun", 0), 60);
    fs::remove(dir.file("user.conf"));
    EXPECT_EQ(store.ReadInteger("Images", "timesRun", 0), 0);
    EXPECT_EQ(store.FileReads(), 3);
}

TEST(SettingsStore, AnOverLargeOrUnreadableFileIsPutAsideWithOneMessage) {
    TempDir dir;
    testsupport::ScriptedMessages messages;
    const std::string big = "[Images]\nshowCol=0\n; " + std::string(TSettingsStore::kMaxFileBytes, 'x') + "\n";
    WriteAll(dir.file("Lumavell2.conf"), big);
    {
        TSettingsStore store(dir.file("Lumavell2.conf"), dir.file("machine.conf"));
        store.SetMessages(&messages);
        EXPECT_TRUE(store.ReadBool("Images", "showCol", true));  // the default
        EXPECT_TRUE(store.ReadBool("Images", "showCol", true));
        ASSERT_EQ(messages.asked.size(), 1u);
        EXPECT_EQ(messages.asked[0].icon, TMsgIcon::Warning);
        EXPECT_NE(messages.asked[0].text.find(dir.file("Lumavell2.conf")), std::string::npos);
        EXPECT_NE(messages.asked[0].text.find("Lumavell2 (damaged).conf"), std::string::npos);
        EXPECT_EQ(ReadAll(dir.file("Lumavell2 (damaged).conf")), big);
        EXPECT_FALSE(fs::exists(dir.file("Lumavell2.conf")));
        ASSERT_TRUE(store.WriteBool("Images", "showImg", false));
        EXPECT_EQ(ReadAll(dir.file("Lumavell2.conf")), "[Images]\nshowImg=0\n");
    }
    // A folder where the file should be cannot be read either; the next free name is used.
    fs::remove(dir.file("Lumavell2.conf"));
    fs::create_directory(dir.file("Lumavell2.conf"));
    messages.asked.clear();
    TSettingsStore store(dir.file("Lumavell2.conf"), dir.file("machine.conf"));
    store.SetMessages(&messages);
    EXPECT_TRUE(store.WriteBool("Images", "showCol", true));
    EXPECT_TRUE(fs::is_directory(dir.file("Lumavell2 (damaged 2).conf")));
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(ReadAll(dir.file("Lumavell2.conf")), "[Images]\nshowCol=1\n");

    // When it cannot be put aside either, it is never written over.
    TempDir locked;
    fs::create_directories(locked.file("cfg/user.conf/inside"));
    if (geteuid() != 0) {
        fs::permissions(locked.file("cfg"), fs::perms::owner_read | fs::perms::owner_exec);
        messages.asked.clear();
        TSettingsStore stuck(locked.file("cfg/user.conf"), "");
        stuck.SetMessages(&messages);
        EXPECT_FALSE(stuck.WriteBool("Images", "showCol", true));
        EXPECT_FALSE(stuck.WriteBool("Images", "showImg", true));
        EXPECT_EQ(messages.asked.size(), 2u);  // the file, then the first refused write
        fs::permissions(locked.file("cfg"), fs::perms::owner_all);
        EXPECT_TRUE(fs::is_directory(locked.file("cfg/user.conf/inside")));
    }
}

TEST(SettingsStore, FailedWritesAreReportedWithFileAndReason) {
    TempDir dir;
    testsupport::ScriptedMessages messages;
    TSettingsStore store(dir.file("user.conf"), dir.file("machine.conf"));
    store.SetMessages(&messages);
    ASSERT_TRUE(store.WriteString("Images", "Search", "ImgName"));
    EXPECT_TRUE(messages.asked.empty());
    {
        FileSizeLimit limit(40);  // a full disk
        EXPECT_FALSE(store.WriteString("Images", "frmMain", std::string(400, '1')));
        EXPECT_FALSE(store.WriteString("Images", "albumPanWidth", std::string(400, '2')));  // same reason
    }
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_NE(messages.asked[0].text.find(dir.file("user.conf")), std::string::npos);
    EXPECT_NE(messages.asked[0].text.find("frmMain"), std::string::npos);
    EXPECT_NE(messages.asked[0].text.find(store.LastError()), std::string::npos);
    ASSERT_TRUE(store.WriteString("Images", "Search", "ImgKeys"));
    EXPECT_EQ(store.ReadString("Images", "Search", ""), "ImgKeys");
    // After a write that worked, the next failure is reported again.
    {
        FileSizeLimit limit(40);
        EXPECT_FALSE(store.WriteString("Images", "frmMain", std::string(400, '3')));
    }
    EXPECT_EQ(messages.asked.size(), 2u);
    // A value that would make the file too large to be read back is refused.
    EXPECT_FALSE(store.WriteString("Images", "ImageEditor", std::string(TSettingsStore::kMaxFileBytes, 'e')));
    EXPECT_EQ(messages.asked.size(), 3u);
    EXPECT_EQ(store.ReadString("Images", "Search", ""), "ImgKeys");
}

TEST(SettingsText, OneGrammarForReadingAndWriting) {
    // "[Images]" followed by CR CR LF is no header; rewriting the file must not make it one.
    const std::string bytes = "[Images]\r\r\nshowCol=0\r\n[Images]\nshowImg=0\nlast=1\r";
    TSettingsText text(bytes);
    std::string v;
    EXPECT_FALSE(text.Find("Images", "showCol", v));
    EXPECT_TRUE(text.Find("", "showCol", v));
    const auto before = text.Entries();
    text.Set("Images", "timesRun", "1");
    TSettingsText again(text.Bytes());
    ASSERT_TRUE(again.Find("Images", "timesRun", v));
    EXPECT_EQ(v, "1");
    EXPECT_FALSE(again.Find("Images", "showCol", v));
    auto after = again.Entries();
    ASSERT_EQ(after.size(), before.size() + 1);
    after.erase(std::remove_if(after.begin(), after.end(), [](const auto& e) { return e.key == "timesRun"; }),
                after.end());
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].section, before[i].section);
        EXPECT_EQ(after[i].key, before[i].key);
        EXPECT_EQ(after[i].value, before[i].value);
    }
    EXPECT_EQ(TSettingsText(again.Bytes()).Bytes(), again.Bytes());
}

TEST(SettingsStore, RewritingTheFileChangesNoOtherSetting) {
    TempDir dir;
    WriteAll(dir.file("user.conf"), "[Images]\r\r\nshowCol=0\r\n");
    TSettingsStore store(dir.file("user.conf"), dir.file("machine.conf"));
    EXPECT_TRUE(store.ReadBool("Images", "showCol", true));
    ASSERT_TRUE(store.WriteInteger("Images", "timesRun", 1));
    EXPECT_TRUE(store.ReadBool("Images", "showCol", true));
    TSettingsStore other(dir.file("user.conf"), dir.file("machine.conf"));
    EXPECT_TRUE(other.ReadBool("Images", "showCol", true));
    EXPECT_EQ(other.ReadInteger("Images", "timesRun", 0), 1);
}

TEST(SettingsStore, WriteListenersHearEveryWriteThatSucceeded) {
    TempDir dir;
    TSettingsStore store(dir.file("user.conf"), dir.file("machine.conf"));
    std::vector<std::string> heard;
    const int id = store.AddWriteListener(
        [&](const std::string& section, const std::string& key) { heard.push_back(section + "/" + key); });
    store.WriteInteger("Images", "saveThumbs", 2);
    store.WriteBool("Images", "compressThumbs", true);
    store.WriteBool("Images", "compressThumbs", true);  // unchanged: still a write that succeeded
    // The listener reads what was written.
    int seen = 0;
    const int reader = store.AddWriteListener([&](const std::string&, const std::string& key) {
        if (key == "saveThumbs") seen = store.ReadInteger("Images", "saveThumbs", 0);
    });
    store.WriteInteger("Images", "saveThumbs", 1);
    EXPECT_EQ(seen, 1);
    store.RemoveWriteListener(reader);
    {
        FileSizeLimit limit(10);  // a full disk: nothing is heard
        EXPECT_FALSE(store.WriteString("Images", "frmMain", std::string(4000, 'x')));
    }
    store.RemoveWriteListener(id);
    store.WriteBool("Images", "showCol", false);
    EXPECT_EQ(heard, (std::vector<std::string>{"Images/saveThumbs", "Images/compressThumbs", "Images/compressThumbs",
                                               "Images/saveThumbs"}));
}
