#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TCommandLine.h"

using cmdline::ParseArguments;
using cmdline::TOutcome;
using Args = std::vector<std::string>;

namespace {

cmdline::TParsedArguments Parse(const Args& a) { return ParseArguments(a, "/home/ann/Pictures"); }

}  // namespace

TEST(CommandLine, NothingStartsPlainly) {
    auto r = Parse({});
    EXPECT_EQ(r.outcome, TOutcome::Start);
    EXPECT_TRUE(r.startArgs.empty());
    EXPECT_TRUE(r.notes.empty());
}

TEST(CommandLine, EmptyArgumentsFromLaunchersAreNothing) {
    auto r = Parse({""});
    EXPECT_TRUE(r.startArgs.empty());
    EXPECT_TRUE(r.notes.empty());
    EXPECT_EQ(Parse({"", "/tmp/a.xal"}).startArgs, (Args{"/ALBUM", "/tmp/a.xal"}));
    // An empty path after a switch is still the switch's path.
    EXPECT_EQ(Parse({"/OPENCOL", ""}).startArgs, (Args{"/OPENCOL", ""}));
}

TEST(CommandLine, HelpAndVersionWinWhereverTheyStandBeforeDoubleDash) {
    EXPECT_EQ(Parse({"--help"}).outcome, TOutcome::ShowHelp);
    EXPECT_EQ(Parse({"-h"}).outcome, TOutcome::ShowHelp);
    EXPECT_EQ(Parse({"/ALBUM", "a.xal", "--help"}).outcome, TOutcome::ShowHelp);
    EXPECT_EQ(Parse({"--version"}).outcome, TOutcome::ShowVersion);
    EXPECT_EQ(Parse({"x.col", "--version", "--help"}).outcome, TOutcome::ShowVersion);
    // After "--" they are file names.
    auto r = Parse({"--", "--help"});
    EXPECT_EQ(r.outcome, TOutcome::Start);
    EXPECT_TRUE(r.startArgs.empty());
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_NE(r.notes[0].find("\"--help\""), std::string::npos);
}

TEST(CommandLine, SwitchesPassThroughInAnyCaseWithTheirPath) {
    EXPECT_EQ(Parse({"/OPENCOL", "/media/d/Holiday.col"}).startArgs,
              (Args{"/OPENCOL", "/media/d/Holiday.col"}));
    EXPECT_EQ(Parse({"/opencol", "/media/d/Holiday.col"}).startArgs,
              (Args{"/opencol", "/media/d/Holiday.col"}));
    EXPECT_EQ(Parse({"/Album", "/tmp/p.xal"}).startArgs, (Args{"/Album", "/tmp/p.xal"}));
    // The switch's path is taken whatever it looks like, even when it starts with a dash or
    // does not end in the usual extension.
    EXPECT_EQ(Parse({"/ALBUM", "/tmp/-odd name.zip"}).startArgs,
              (Args{"/ALBUM", "/tmp/-odd name.zip"}));
    EXPECT_EQ(Parse({"/ALBUM", "-x.xal"}).startArgs,
              (Args{"/ALBUM", "/home/ann/Pictures/-x.xal"}));
    // A switch without its path is left for the main window, which reports it.
    EXPECT_EQ(Parse({"/ALBUM"}).startArgs, (Args{"/ALBUM"}));
}

TEST(CommandLine, PlainPathsActAsTheSwitchesByExtension) {
    EXPECT_EQ(Parse({"/tmp/Summer.xal"}).startArgs, (Args{"/ALBUM", "/tmp/Summer.xal"}));
    EXPECT_EQ(Parse({"/tmp/Summer.XAL"}).startArgs, (Args{"/ALBUM", "/tmp/Summer.XAL"}));
    EXPECT_EQ(Parse({"/home/ann/Documents/My Pictures/My Albums/Holiday.col"}).startArgs,
              (Args{"/OPENCOL", "/home/ann/Documents/My Pictures/My Albums/Holiday.col"}));
    EXPECT_EQ(Parse({"Trip.Col"}).startArgs, (Args{"/OPENCOL", "/home/ann/Pictures/Trip.Col"}));
    // A file that is only the extension is not an album file.
    EXPECT_TRUE(Parse({".xal"}).startArgs.empty());
    // After "--" a name that looks like an option is a path.
    EXPECT_EQ(Parse({"--", "-dash.xal"}).startArgs,
              (Args{"/ALBUM", "/home/ann/Pictures/-dash.xal"}));
}

TEST(CommandLine, RelativePathsBecomeAbsoluteAgainstTheStartingFolder) {
    EXPECT_EQ(Parse({"./shared/p.xal"}).startArgs, (Args{"/ALBUM", "/home/ann/Pictures/shared/p.xal"}));
    EXPECT_EQ(ParseArguments({"p.xal"}, "/").startArgs, (Args{"/ALBUM", "/p.xal"}));
    EXPECT_EQ(ParseArguments({"p.xal"}, "").startArgs, (Args{"/ALBUM", "p.xal"}));
    EXPECT_EQ(Parse({"/ALBUM", "../p.xal"}).startArgs, (Args{"/ALBUM", "/home/ann/Pictures/../p.xal"}));
}

TEST(CommandLine, UnknownSwitchesOtherFilesAndExtrasAreNotedAndSkipped) {
    auto r = Parse({"--fullscreen", "-x", "/tmp/photo.jpg", "/tmp/a.xal", "/tmp/b.col"});
    EXPECT_EQ(r.outcome, TOutcome::Start);
    EXPECT_EQ(r.startArgs, (Args{"/ALBUM", "/tmp/a.xal"}));
    ASSERT_EQ(r.notes.size(), 4u);
    EXPECT_NE(r.notes[0].find("unknown option \"--fullscreen\""), std::string::npos);
    EXPECT_NE(r.notes[1].find("unknown option \"-x\""), std::string::npos);
    EXPECT_NE(r.notes[2].find("\"/tmp/photo.jpg\" is neither"), std::string::npos);
    EXPECT_NE(r.notes[3].find("\"/tmp/b.col\" was skipped"), std::string::npos);
    for (const auto& n : r.notes) EXPECT_EQ(n.rfind("lumavell2: ", 0), 0u) << n;

    // A switch that is not one of the two is unknown; it does not swallow the next argument.
    auto s = Parse({"/OPEN", "/tmp/x.col"});
    EXPECT_EQ(s.startArgs, (Args{"/OPENCOL", "/tmp/x.col"}));
    ASSERT_EQ(s.notes.size(), 1u);
    EXPECT_NE(s.notes[0].find("unknown option \"/OPEN\""), std::string::npos);
}

TEST(CommandLine, UsageNamesEveryFormAndVersionIsOneLine) {
    const std::string u = cmdline::UsageText("lumavell2");
    for (const char* part : {"/OPENCOL ALBUMFILE", "/ALBUM PACKAGE", ".xal", ".col", "--version",
                             "--help"})
        EXPECT_NE(u.find(part), std::string::npos) << part;
    EXPECT_EQ(u.rfind("Usage: lumavell2 ", 0), 0u);
    EXPECT_EQ(u.back(), '\n');
    for (std::size_t start = 0, nl; (nl = u.find('\n', start)) != std::string::npos; start = nl + 1)
        EXPECT_LE(nl - start, 80u) << u.substr(start, nl - start);

    const std::string v = cmdline::VersionText();
    EXPECT_EQ(v.rfind("lumavell2 ", 0), 0u);
    EXPECT_EQ(v.find('\n'), v.size() - 1);
    EXPECT_NE(v.find_first_of("0123456789"), std::string::npos);
}
