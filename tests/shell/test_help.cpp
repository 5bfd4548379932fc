// Help requests, the topic table and the help pages that ship with the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <unistd.h>

#include "THelp.h"
#include "TestSupport.h"

namespace {

struct Shown {
    THelpOwner owner;
    std::string request;
};

class RecordingViewer : public THelpViewer {
public:
    std::vector<Shown> shown;
    int closeAll = 0;
    void DisplayTopic(THelpOwner owner, const std::string& request) override { shown.push_back({owner, request}); }
    void CloseAll() override { ++closeAll; }
};

// The targets of the href="..." links of a page, without their "#part".
std::vector<std::string> Links(const std::string& html) {
    std::vector<std::string> out;
    const std::string mark = "href=\"";
    for (std::size_t at = html.find(mark); at != std::string::npos; at = html.find(mark, at + 1)) {
        const std::size_t start = at + mark.size();
        const std::size_t end = html.find('"', start);
        if (end == std::string::npos) break;
        std::string target = html.substr(start, end - start);
        target = target.substr(0, target.find('#'));
        if (!target.empty()) out.push_back(target);
    }
    return out;
}

std::string DataDir() {
    const char* d = std::getenv("LUMAVELL_DATA_DIR");
    return d ? d : "";
}

}  // namespace

// Every place that opens help, with the suffix and owner it must use.
TEST(HelpTopics, TableHoldsEveryPlaceWithItsSuffixAndOwner) {
    struct Expected {
        const char* suffix;
        THelpOwnerKind owner;
    };
    const std::vector<Expected> expected = {
        {">default", THelpOwnerKind::Desktop},
        {"::/search.htm>trainer", THelpOwnerKind::MainWindow},
        {"::/import.htm>trainer", THelpOwnerKind::MainWindow},
        {"::/new_album.htm>trainer", THelpOwnerKind::Dialog},
        {"::/addtoalbum.htm>trainer", THelpOwnerKind::Dialog},
        {"::/icons.htm>trainer", THelpOwnerKind::Dialog},
        {"::/properties.htm>trainer", THelpOwnerKind::Dialog},
        {"::/search_opts.htm>trainer", THelpOwnerKind::Dialog},
        {"::/options.htm>trainer", THelpOwnerKind::Dialog},
        {"::/slideshow.htm>trainer", THelpOwnerKind::Dialog},
        {"::/setwall.htm>trainer", THelpOwnerKind::Dialog},
        {"::/import_device.htm>trainer", THelpOwnerKind::Dialog},
        {"::/sharing.htm>trainer", THelpOwnerKind::Dialog},
        {"::/import.htm>welcome", THelpOwnerKind::WelcomePane},
        {"::/import_device.htm>welcome", THelpOwnerKind::WelcomePane},
        {"::/new_album.htm>welcome", THelpOwnerKind::WelcomePane},
        {"::/open_album.htm>welcome", THelpOwnerKind::WelcomePane},
        {"::/properties.htm>welcome", THelpOwnerKind::WelcomePane},
        {"::/sharing.htm>welcome", THelpOwnerKind::WelcomePane},
        {"::/email.htm>welcome", THelpOwnerKind::WelcomePane},
    };
    const auto& table = HelpTopicTable();
    ASSERT_EQ(table.size(), expected.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(std::string(table[i].suffix), expected[i].suffix) << table[i].where;
        EXPECT_EQ(table[i].owner, expected[i].owner) << table[i].where;
    }
}

TEST(HelpRequests, EveryTopicIsTheHelpFileInTheInstallFolderPlusItsSuffix) {
    RecordingViewer viewer;
    THelp help(viewer, "/opt/Lumavell 2", "Qorvix.chm");
    EXPECT_EQ(help.HelpFilePath(), "/opt/Lumavell 2/Qorvix.chm");

    int owner = 0;
    for (const auto& topic : HelpTopicTable()) {
        viewer.shown.clear();
        help.ShowHelpTopic(&owner, topic.suffix);
        ASSERT_EQ(viewer.shown.size(), 1u) << topic.where;
        EXPECT_EQ(viewer.shown[0].request, std::string("/opt/Lumavell 2/Qorvix.chm") + topic.suffix);
        EXPECT_EQ(viewer.shown[0].owner, &owner);
    }
    EXPECT_EQ(help.Request(helptopic::kNewAlbum), "/opt/Lumavell 2/Qorvix.chm::/new_album.htm>trainer");
    EXPECT_EQ(help.Request(helptopic::kContents), "/opt/Lumavell 2/Qorvix.chm>default");

    help.CloseAllHelp();
    EXPECT_EQ(viewer.closeAll, 1);
}

TEST(HelpRequests, DoNotDependOnTheWorkingDirectory) {
    testsupport::TempDir install, elsewhere;
    RecordingViewer viewer;
    THelp help(viewer, install.str());
    const std::string before = help.Request(helptopic::kImport);
    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    help.ShowHelpTopic(nullptr, helptopic::kImport);
    std::filesystem::current_path(old);
    ASSERT_EQ(viewer.shown.size(), 1u);
    EXPECT_EQ(viewer.shown[0].request, before);
    EXPECT_EQ(HelpPageFile(viewer.shown[0].request), install.str() + "/help/import.htm");
}

TEST(HelpRequests, ParseIntoFilePageAndWindow) {
    THelpRequest r = ParseHelpRequest("/opt/lv/Qorvix.chm::/new_album.htm>trainer");
    EXPECT_EQ(r.file, "/opt/lv/Qorvix.chm");
    EXPECT_EQ(r.page, "new_album.htm");
    EXPECT_EQ(r.window, "trainer");

    r = ParseHelpRequest("/opt/lv/Qorvix.chm>default");
    EXPECT_EQ(r.file, "/opt/lv/Qorvix.chm");
    EXPECT_EQ(r.page, "");
    EXPECT_EQ(r.window, "default");

    r = ParseHelpRequest("/opt/lv/Qorvix.chm::/search.htm");
    EXPECT_EQ(r.page, "search.htm");
    EXPECT_EQ(r.window, "");

    // A ">" in a folder name is part of the path, not a window definition.
    r = ParseHelpRequest("/tmp/a>b/Qorvix.chm::/import.htm>welcome");
    EXPECT_EQ(r.file, "/tmp/a>b/Qorvix.chm");
    EXPECT_EQ(r.page, "import.htm");
    EXPECT_EQ(r.window, "welcome");
}

TEST(HelpRequests, MapToPagesBesideTheHelpFile) {
    EXPECT_EQ(HelpPageFile("/opt/lv/Qorvix.chm::/new_album.htm>trainer"), "/opt/lv/help/new_album.htm");
    EXPECT_EQ(HelpPageFile("/opt/lv/Qorvix.chm>default"), "/opt/lv/help/default.htm");
    EXPECT_EQ(HelpPageFile("/opt/lv/Qorvix.chm::/search.htm#tips>trainer"), "/opt/lv/help/search.htm");
    EXPECT_EQ(HelpPageFile("/opt/lv/Qorvix.chm::/more\\extra.htm>trainer"), "/opt/lv/help/more/extra.htm");
    EXPECT_EQ(HelpPagesFolder("/opt/lv/Qorvix.chm"), "/opt/lv/help");
}

TEST(HelpRequests, PagesThatLeaveTheHelpFolderAreRefused) {
    for (const char* bad : {"::/../secret.htm>trainer", "::/a/../../secret.htm>trainer", "::/./x.htm>trainer",
                            "::/a//b.htm>trainer", "::/c:evil.htm>trainer", "::/..\\x.htm>trainer"})
        EXPECT_EQ(HelpPageFile(std::string("/opt/lv/Qorvix.chm") + bad), "") << bad;
    // Leading slashes only mark the page as the root of the help file.
    EXPECT_EQ(HelpPageFile("/opt/lv/Qorvix.chm:://x.htm>trainer"), "/opt/lv/help/x.htm");
}

// The shipped pages: one per topic, a table of contents linking all of them, no broken links.
TEST(HelpPages, EveryTopicHasAPageAndTheContentsLinksEveryPage) {
    const std::string data = DataDir();
    ASSERT_FALSE(data.empty()) << "LUMAVELL_DATA_DIR is not set";
    const std::string helpFile = data + "/" + helptopic::kHelpFileName;

    std::set<std::string> topicPages;
    for (const auto& topic : HelpTopicTable()) {
        const std::string page = HelpPageFile(helpFile + topic.suffix);
        EXPECT_TRUE(std::filesystem::is_regular_file(page)) << topic.where << ": " << page;
        topicPages.insert(std::filesystem::path(page).filename().string());
    }
    EXPECT_TRUE(topicPages.count("default.htm"));

    std::set<std::string> linkedFromContents;
    for (const auto& entry : std::filesystem::directory_iterator(data + "/help")) {
        const std::string name = entry.path().filename().string();
        const std::string html = testsupport::ReadAll(entry.path().string());
        const std::size_t titleAt = html.find("<title>");
        EXPECT_TRUE(titleAt != std::string::npos && html.find("</title>") > titleAt + 7) << name << " has no title";
        EXPECT_TRUE(topicPages.count(name)) << name << " is not the page of any help topic";
        bool linksContents = false;
        for (const std::string& target : Links(html)) {
            if (target.rfind("http", 0) == 0) continue;
            EXPECT_TRUE(std::filesystem::is_regular_file(data + "/help/" + target))
                << name << " links the missing page " << target;
            if (name == "default.htm") linkedFromContents.insert(target);
            if (target == "default.htm") linksContents = true;
        }
        if (name != "default.htm") {
            EXPECT_TRUE(linksContents) << name << " has no way back to the contents";
        }
        const bool ascii = std::all_of(html.begin(), html.end(), [](char c) { return (c & 0x80) == 0; });
        EXPECT_TRUE(ascii) << name << " holds a byte that is not ASCII";
    }
    for (const auto& page : topicPages) {
        if (page != "default.htm") {
            EXPECT_TRUE(linkedFromContents.count(page)) << page << " is not in the contents";
        }
    }
}
