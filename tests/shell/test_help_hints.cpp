// First-use hints and help topics over a settings store on temporary files.
#include <gtest/gtest.h>


#include "THints.h"
#include "TSettingsStore.h"
#include "TestSupport.h"

namespace {

struct HintShown {
    std::string text;
    std::string control;
    THintPosition position;
};

class RecordingPresenter : public THintPresenter {
public:
    std::vector<HintShown> shown;
    void ShowHint(const std::string& text, const std::string& control, THintPosition position) override {
        shown.push_back({text, control, position});
    }
};

class RecordingViewer : public THelpViewer {
public:
    std::vector<std::pair<THelpOwner, std::string>> shown;
    void DisplayTopic(THelpOwner owner, const std::string& request) override { shown.emplace_back(owner, request); }
    void CloseAll() override {}
};

// One run of the program: a fresh store object over the same files, as after a restart.
struct ProgramRun {
    explicit ProgramRun(const testsupport::TempDir& dir)
        : store(dir.file("user.conf"), dir.file("machine.conf")), help(viewer, "/opt/lv"),
          hints(store, presenter, help) {}
    TSettingsStore store;
    RecordingPresenter presenter;
    RecordingViewer viewer;
    THelp help;
    THints hints;
};

bool Flag(const testsupport::TempDir& dir, const char* flag) {
    TSettingsStore fresh(dir.file("user.conf"), dir.file("machine.conf"));
    return fresh.ReadBool("Images", flag, false);
}

}  // namespace

TEST(FirstUseHint, ShownOnceAtItsControlThenNeverAgain) {
    testsupport::TempDir dir;
    {
        ProgramRun run(dir);
        EXPECT_TRUE(run.hints.ShowFirstUseHint(hint::kFirstTimeOpenPhoto, hint::kTextOpenPhoto,
                                               hint::kCtlAlbumShareButton));
        ASSERT_EQ(run.presenter.shown.size(), 1u);
        EXPECT_EQ(run.presenter.shown[0].text,
                  "When you are ready to share this album with family and friends, click this button here.");
        EXPECT_EQ(run.presenter.shown[0].control, hint::kCtlAlbumShareButton);
        EXPECT_EQ(run.presenter.shown[0].position, THintPosition::AboveRight);
        EXPECT_TRUE(Flag(dir, hint::kFirstTimeOpenPhoto));
        // Other flags are untouched.
        EXPECT_FALSE(Flag(dir, hint::kFirstTimeImportPhoto));

        EXPECT_FALSE(run.hints.ShowFirstUseHint(hint::kFirstTimeOpenPhoto, hint::kTextOpenPhoto,
                                                hint::kCtlAlbumShareButton));
        EXPECT_EQ(run.presenter.shown.size(), 1u);
    }
    // The flag is kept across a restart.
    ProgramRun again(dir);
    EXPECT_FALSE(again.hints.ShowFirstUseHint(hint::kFirstTimeOpenPhoto, "x", "y"));
    EXPECT_TRUE(again.presenter.shown.empty());
    EXPECT_TRUE(again.store.ReadString("Images", hint::kFirstTimeOpenPhoto, "") == "1");
}

TEST(FirstUseHint, FlagAlreadyTrueShowsNothingAndStaysTrue) {
    testsupport::TempDir dir;
    ProgramRun run(dir);
    ASSERT_TRUE(run.store.WriteBool("Images", hint::kFirstTimeImport, true));
    EXPECT_FALSE(run.hints.ShowFirstUseHint(hint::kFirstTimeImport, hint::kTextImport, hint::kCtlAddToButton));
    EXPECT_TRUE(run.presenter.shown.empty());
    EXPECT_TRUE(Flag(dir, hint::kFirstTimeImport));
    // Any non-zero number reads as true, as booleans do everywhere in the store.
    ASSERT_TRUE(run.store.WriteString("Images", hint::kFirstTimeImportPhoto, "2"));
    EXPECT_FALSE(run.hints.ShowFirstUseHint(FirstUseHintTable()[4]));
}

TEST(AutoHelpOnFirstShow, OpensTheTopicForItsOwnerOnlyTheFirstTime) {
    testsupport::TempDir dir;
    int dialog = 0;
    {
        ProgramRun run(dir);
        EXPECT_TRUE(run.hints.AutoHelpOnFirstShow(hint::kFirstHelpNewAlbum, helptopic::kNewAlbum, &dialog));
        ASSERT_EQ(run.viewer.shown.size(), 1u);
        EXPECT_EQ(run.viewer.shown[0].first, &dialog);
        EXPECT_EQ(run.viewer.shown[0].second, "/opt/lv/Qorvix.chm::/new_album.htm>trainer");
        EXPECT_TRUE(Flag(dir, hint::kFirstHelpNewAlbum));
        // The dialog shown a second time in the same run.
        EXPECT_FALSE(run.hints.AutoHelpOnFirstShow(hint::kFirstHelpNewAlbum, helptopic::kNewAlbum, &dialog));
        EXPECT_EQ(run.viewer.shown.size(), 1u);
        // Another flag opens its own topic.
        EXPECT_TRUE(run.hints.AutoHelpOnFirstShow(hint::kFirstHelpShareAlbum, helptopic::kSharing, &dialog));
        EXPECT_EQ(run.viewer.shown.back().second, "/opt/lv/Qorvix.chm::/sharing.htm>trainer");
        EXPECT_TRUE(run.presenter.shown.empty());
    }
    ProgramRun again(dir);
    EXPECT_FALSE(again.hints.AutoHelpOnFirstShow(hint::kFirstHelpNewAlbum, helptopic::kNewAlbum, &dialog));
    EXPECT_FALSE(again.hints.AutoHelpOnFirstShow(hint::kFirstHelpShareAlbum, helptopic::kSharing, &dialog));
    EXPECT_TRUE(again.hints.AutoHelpOnFirstShow(hint::kFirstHelpImport, helptopic::kImport));
    EXPECT_TRUE(again.viewer.shown.size() == 1u && again.viewer.shown[0].first == nullptr);
}

TEST(StartupHints, WelcomeOnTheFirstStartOpenAlbumOnTheSecondNothingAfter) {
    testsupport::TempDir dir;
    {
        ProgramRun first(dir);
        first.hints.ShowStartupHints();
        ASSERT_EQ(first.presenter.shown.size(), 1u);
        EXPECT_EQ(first.presenter.shown[0].text, hint::kTextWelcome);
        EXPECT_EQ(first.presenter.shown[0].control, hint::kCtlCreateAlbumLink);
        EXPECT_TRUE(Flag(dir, hint::kFirstTimeFirst));
        EXPECT_FALSE(Flag(dir, hint::kFirstTimeAnotherOpen));
    }
    // The full screen window's hint object sits below-left of its control.
    {
        testsupport::TempDir other;
        ProgramRun run(other);
        run.hints.SetPosition(THintPosition::BelowLeft);
        run.hints.ShowFirstUseHint("showSomething", "text", "control");
        ASSERT_EQ(run.presenter.shown.size(), 1u);
        EXPECT_EQ(run.presenter.shown[0].position, THintPosition::BelowLeft);
    }
    {
        ProgramRun second(dir);
        second.hints.ShowStartupHints();
        ASSERT_EQ(second.presenter.shown.size(), 1u);
        EXPECT_EQ(second.presenter.shown[0].text, hint::kTextAnotherOpen);
        EXPECT_EQ(second.presenter.shown[0].control, hint::kCtlOpenAlbumLink);
        EXPECT_TRUE(Flag(dir, hint::kFirstTimeAnotherOpen));
    }
    for (int start = 3; start <= 4; ++start) {
        ProgramRun later(dir);
        later.hints.ShowStartupHints();
        EXPECT_TRUE(later.presenter.shown.empty()) << "start " << start;
    }
}

TEST(StartupHints, OpenAlbumHintWaitsForTheWelcomeHint) {
    // A store in which only the open-album flag is set still greets the user first.
    testsupport::TempDir dir;
    ProgramRun run(dir);
    ASSERT_TRUE(run.store.WriteBool("Images", hint::kFirstTimeAnotherOpen, true));
    run.hints.ShowStartupHints();
    ASSERT_EQ(run.presenter.shown.size(), 1u);
    EXPECT_EQ(run.presenter.shown[0].text, hint::kTextWelcome);
    ProgramRun next(dir);
    next.hints.ShowStartupHints();
    EXPECT_TRUE(next.presenter.shown.empty());
}
