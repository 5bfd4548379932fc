// The acquisition engine against a scripted source manager: the state after every operation,
// the triplets in order, the transfer rules, and every error box.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "FakeDsm.h"
#include "Twain.h"

namespace {

struct FakeApi {
    void* lib = nullptr;
    void (*configure)(const FakeDsmScript*) = nullptr;
    int (*pump)() = nullptr;
    const char* (*log)() = nullptr;
    int (*delivered)() = nullptr;
    const TW_IDENTITY* (*appIdentity)() = nullptr;
};

// The fake stays loaded for the whole test program, so its script survives the engine
// unloading the manager at the end of every operation.
FakeApi& Fake() {
    static FakeApi api = [] {
        FakeApi a;
        a.lib = dlopen(FAKE_DSM_PATH, RTLD_NOW | RTLD_LOCAL);
        if (!a.lib) std::abort();
        a.configure = reinterpret_cast<void (*)(const FakeDsmScript*)>(dlsym(a.lib, "FakeDsm_Configure"));
        a.pump = reinterpret_cast<int (*)()>(dlsym(a.lib, "FakeDsm_Pump"));
        a.log = reinterpret_cast<const char* (*)()>(dlsym(a.lib, "FakeDsm_Log"));
        a.delivered = reinterpret_cast<int (*)()>(dlsym(a.lib, "FakeDsm_ImagesDelivered"));
        a.appIdentity = reinterpret_cast<const TW_IDENTITY* (*)()>(dlsym(a.lib, "FakeDsm_AppIdentity"));
        return a;
    }();
    return api;
}

// The event loop of the tests: each turn lets the fake send its next scripted message; when the
// script is used up the loop is told the program is quitting.
class TFakeLoopHost : public TTwainHeadlessHost {
public:
    std::vector<int> statesSeen;
    bool ProcessEvents() override {
        statesSeen.push_back(TWAIN_State());
        return Fake().pump() != 0;
    }
};

class TwainEngine : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LUMAVELL_TWAIN_DSM", FAKE_DSM_PATH, 1);
        TWAIN_SetHost(&host);
    }
    void TearDown() override {
        for (int i = 0; i < TWAIN_ImageCount(); ++i) TWAIN_FreeImage(TWAIN_Image(i));
        TWAIN_SetHost(nullptr);
        unsetenv("LUMAVELL_TWAIN_DSM");
    }
    void Script(const FakeDsmScript& s) { Fake().configure(&s); }
    std::string Log() const { return Fake().log(); }

    TFakeLoopHost host;
};

TEST_F(TwainEngine, SelectSourceOpensAndClosesTheManagerAndPresentsTheFixedIdentity) {
    FakeDsmScript s;
    Script(s);
    EXPECT_TRUE(TWAIN_SelectImageSource(nullptr));
    EXPECT_EQ(TWAIN_State(), 1);
    EXPECT_EQ(Log(), "OPENDSM 0\nUSERSELECT 0\nCLOSEDSM 0\n");
    EXPECT_EQ(host.proxiesAlive, 0);
    EXPECT_TRUE(host.boxes.empty());

    const TW_IDENTITY& app = *Fake().appIdentity();
    EXPECT_EQ(app.Version.MajorNum, 1);
    EXPECT_EQ(app.Version.MinorNum, 0);
    EXPECT_EQ(app.Version.Language, 13);
    EXPECT_EQ(app.Version.Country, 1);
    EXPECT_STREQ(app.Version.Info, "<?>");
    EXPECT_EQ(app.ProtocolMajor, 1);
    EXPECT_EQ(app.ProtocolMinor, 6);
    EXPECT_EQ(app.SupportedGroups & 0xffff, 3u);
    EXPECT_STREQ(app.Manufacturer, "<?>");
    EXPECT_STREQ(app.ProductFamily, "<?>");
    EXPECT_STREQ(app.ProductName, "<?>");
}

TEST_F(TwainEngine, CancelledSelectionReturnsFalseAndAcquireStillOpensTheDefaultSource) {
    FakeDsmScript s;
    s.userSelect = TWRC_CANCEL;
    s.events[0] = MSG_XFERREADY;
    s.eventCount = 1;
    Script(s);
    EXPECT_FALSE(TWAIN_SelectImageSource(nullptr));
    EXPECT_EQ(TWAIN_State(), 1);
    EXPECT_TRUE(host.boxes.empty());

    TWAIN_HIMAGE image = TWAIN_Acquire(nullptr, 0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(TWAIN_State(), 1);
    EXPECT_NE(Log().find("OPENDS 0\n"), std::string::npos);
}

TEST_F(TwainEngine, ThreePagesInOnePassFillSlotsZeroToTwoAndTheThirdIsReturned) {
    FakeDsmScript s;
    s.pagesPerPass = 3;
    s.events[0] = MSG_XFERREADY;
    s.eventCount = 1;
    Script(s);
    TWAIN_HIMAGE image = TWAIN_Acquire(nullptr, 0);
    EXPECT_EQ(TWAIN_State(), 1);
    ASSERT_EQ(TWAIN_ImageCount(), 3);
    EXPECT_EQ(image, TWAIN_Image(2));
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(TWAIN_Image(i), nullptr);
        EXPECT_EQ(TWAIN_ImageWidth(TWAIN_Image(i)), 4 + i);
        EXPECT_EQ(TWAIN_ImageHeight(TWAIN_Image(i)), 3);
    }
    EXPECT_EQ(TWAIN_Image(3), nullptr);
    EXPECT_EQ(TWAIN_Image(-1), nullptr);
    EXPECT_EQ(TWAIN_Image(999), nullptr);
    EXPECT_EQ(Log(),
              "OPENDSM 0\nOPENDS 0\nREGISTER_CALLBACK 0\nENABLEDS 0\n"
              "NATIVEXFER 6\nENDXFER 0\nNATIVEXFER 6\nENDXFER 0\nNATIVEXFER 6\nENDXFER 0\n"
              "DISABLEDS 0\nCLOSEDS 0\nCLOSEDSM 0\n");
    // The loop ran with the source enabled, with the proxy window disabled around it.
    ASSERT_FALSE(host.statesSeen.empty());
    EXPECT_EQ(host.statesSeen.front(), 5);
    ASSERT_EQ(host.enabled.size(), 2u);
    EXPECT_FALSE(host.enabled[0].second);
    EXPECT_TRUE(host.enabled[1].second);
    EXPECT_EQ(host.proxiesAlive, 0);
}

TEST_F(TwainEngine, GivenOwnerWindowIsUsedWithoutAProxy) {
    FakeDsmScript s;
    s.events[0] = MSG_XFERREADY;
    s.eventCount = 1;
    Script(s);
    TWAIN_HWND owner = host.MakeWindow();
    ASSERT_NE(TWAIN_Acquire(owner, 0), nullptr);
    ASSERT_EQ(host.enabled.size(), 2u);
    EXPECT_EQ(host.enabled[0].first, owner);
    EXPECT_EQ(host.proxiesAlive, 0);
}

TEST_F(TwainEngine, CancelledTransferStoresNothingAndTheLoopWaitsForTheNextPass) {
    FakeDsmScript s;
    s.pagesPerPass = 1;
    s.pageResult[0] = TWRC_CANCEL;
    s.pageResult[1] = TWRC_XFERDONE;
    s.events[0] = MSG_XFERREADY;
    s.events[1] = MSG_XFERREADY;
    s.eventCount = 2;
    Script(s);
    TWAIN_HIMAGE image = TWAIN_Acquire(nullptr, 0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(TWAIN_ImageCount(), 1);
    EXPECT_EQ(TWAIN_Image(0), image);
    EXPECT_EQ(TWAIN_ImageWidth(image), 5);  // the second page
    EXPECT_EQ(TWAIN_State(), 1);
}

TEST_F(TwainEngine, CancelledTransferGoesOnWithTheRemainingPendingOnes) {
    FakeDsmScript s;
    s.pagesPerPass = 3;
    s.pageResult[1] = TWRC_CANCEL;
    s.events[0] = MSG_XFERREADY;
    s.eventCount = 1;
    Script(s);
    TWAIN_HIMAGE image = TWAIN_Acquire(nullptr, 0);
    ASSERT_EQ(TWAIN_ImageCount(), 2);
    EXPECT_EQ(TWAIN_ImageWidth(TWAIN_Image(0)), 4);
    EXPECT_EQ(TWAIN_ImageWidth(TWAIN_Image(1)), 6);
    EXPECT_EQ(image, TWAIN_Image(1));
}

TEST_F(TwainEngine, FailedTransferResetsThePendingTransfersAndWaitsForTheSource) {
    FakeDsmScript s;
    s.pageResult[0] = TWRC_FAILURE;
    s.events[0] = MSG_XFERREADY;
    s.events[1] = MSG_CLOSEDSREQ;
    s.eventCount = 2;
    Script(s);
    EXPECT_EQ(TWAIN_Acquire(nullptr, 0), nullptr);
    EXPECT_EQ(TWAIN_ImageCount(), 0);
    EXPECT_EQ(TWAIN_State(), 1);
    EXPECT_EQ(Log(),
              "OPENDSM 0\nOPENDS 0\nREGISTER_CALLBACK 0\nENABLEDS 0\n"
              "NATIVEXFER 1\nRESET 0\nDISABLEDS 0\nCLOSEDS 0\nCLOSEDSM 0\n");
    // After the reset the loop waited again in state 5.
    ASSERT_EQ(host.statesSeen.size(), 2u);
    EXPECT_EQ(host.statesSeen[1], 5);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(TwainEngine, FailedTransferWhoseResetFailsEndsTheAcquisitionInsteadOfLooping) {
    FakeDsmScript s;
    s.pageResult[0] = TWRC_FAILURE;
    s.resetFails = true;
    s.events[0] = MSG_XFERREADY;
    s.events[1] = MSG_XFERREADY;
    s.eventCount = 2;
    Script(s);
    EXPECT_EQ(TWAIN_Acquire(nullptr, 0), nullptr);
    EXPECT_EQ(TWAIN_State(), 1);
    // The loop did not wait again: the second message was never asked for.
    EXPECT_EQ(host.statesSeen.size(), 1u);
    EXPECT_EQ(Log(),
              "OPENDSM 0\nOPENDS 0\nREGISTER_CALLBACK 0\nENABLEDS 0\nNATIVEXFER 1\nRESET 1\n"
              "RESET 1\nDISABLEDS 0\nCLOSEDS 0\nCLOSEDSM 0\n");
}

TEST_F(TwainEngine, ClosingTheSourceDialogEndsWithoutImageOrMessage) {
    FakeDsmScript s;
    s.events[0] = MSG_CLOSEDSREQ;
    s.eventCount = 1;
    Script(s);
    EXPECT_EQ(TWAIN_Acquire(nullptr, 0), nullptr);
    EXPECT_EQ(TWAIN_ImageCount(), 0);
    EXPECT_EQ(TWAIN_State(), 1);
    EXPECT_TRUE(host.boxes.empty());
    // The disable came from the request, so the tear-down does not repeat it.
    EXPECT_EQ(Log(), "OPENDSM 0\nOPENDS 0\nREGISTER_CALLBACK 0\nENABLEDS 0\nDISABLEDS 0\nCLOSEDS 0\nCLOSEDSM 0\n");
}

TEST_F(TwainEngine, FailingEndOfTransferEndsTheAcquisitionCleanlyKeepingTheImage) {
    FakeDsmScript s;
    s.pagesPerPass = 3;
    s.endXferFailAt = 1;
    s.events[0] = MSG_XFERREADY;
    s.eventCount = 1;
    Script(s);
    TWAIN_HIMAGE image = TWAIN_Acquire(nullptr, 0);
    EXPECT_EQ(TWAIN_State(), 1);
    ASSERT_EQ(TWAIN_ImageCount(), 1);
    EXPECT_EQ(image, TWAIN_Image(0));
    EXPECT_EQ(Log(),
              "OPENDSM 0\nOPENDS 0\nREGISTER_CALLBACK 0\nENABLEDS 0\nNATIVEXFER 6\nENDXFER 1\n"
              "RESET 0\nDISABLEDS 0\nCLOSEDS 0\nCLOSEDSM 0\n");
    // The next acquisition starts from a clean connection.
    FakeDsmScript again;
    again.events[0] = MSG_XFERREADY;
    again.eventCount = 1;
    Script(again);
    TWAIN_FreeImage(image);
    EXPECT_NE(TWAIN_Acquire(nullptr, 0), nullptr);
    EXPECT_EQ(TWAIN_State(), 1);
}

TEST_F(TwainEngine, ImagesBeyondTheListAreReleasedNotStored) {
    FakeDsmScript s;
    s.pagesPerPass = 1001;
    s.width = 1;
    s.height = 1;
    s.events[0] = MSG_XFERREADY;
    s.eventCount = 1;
    Script(s);
    TWAIN_HIMAGE image = TWAIN_Acquire(nullptr, 0);
    EXPECT_EQ(Fake().delivered(), 1001);
    EXPECT_EQ(TWAIN_ImageCount(), 999);
    EXPECT_EQ(image, TWAIN_Image(998));
    EXPECT_EQ(TWAIN_ImageWidth(image), 1 + 998 % 100);
    EXPECT_EQ(TWAIN_State(), 1);
}

TEST_F(TwainEngine, NoSourceManagerAtAll) {
    setenv("LUMAVELL_TWAIN_DSM", "/nonexistent/libtwaindsm.so", 1);
    EXPECT_FALSE(TWAIN_SelectImageSource(nullptr));
    EXPECT_EQ(TWAIN_State(), 1);
    EXPECT_EQ(TWAIN_Acquire(nullptr, 0), nullptr);
    EXPECT_EQ(TWAIN_State(), 1);
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"Unable to load Source Manager (TWAIN_32.DLL)",
                                                    "Unable to load Source Manager (TWAIN_32.DLL)"}));
    EXPECT_EQ(host.proxiesAlive, 0);
}

TEST_F(TwainEngine, ALibraryWithoutTheEntryPointIsNoSourceManager) {
    // The engine's own test program is a file, but has no DSM_Entry.
    setenv("LUMAVELL_TWAIN_DSM", "/proc/self/exe", 1);
    EXPECT_EQ(TWAIN_Acquire(nullptr, 0), nullptr);
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"Unable to load Source Manager (TWAIN_32.DLL)"}));
    EXPECT_EQ(TWAIN_State(), 1);
}

TEST_F(TwainEngine, ManagerThatWillNotOpen) {
    FakeDsmScript s;
    s.openDsm = TWRC_FAILURE;
    Script(s);
    EXPECT_FALSE(TWAIN_SelectImageSource(nullptr));
    EXPECT_EQ(TWAIN_Acquire(nullptr, 0), nullptr);
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"Unable to open Source Manager (TWAIN_32.DLL)",
                                                    "Unable to open Source Manager (TWAIN_32.DLL)"}));
    EXPECT_EQ(TWAIN_State(), 1);
}

TEST_F(TwainEngine, SourceFailuresAreReportedAsTheLastErrorAndTakenDown) {
    const std::string last = "TWAIN_ReportLastError: an error occurred";
    struct Case {
        const char* what;
        FakeDsmScript script;
        const char* log;
    };
    std::vector<Case> cases(3);
    cases[0] = {"open source", {}, "OPENDSM 0\nOPENDS 1\nCLOSEDSM 0\n"};
    cases[0].script.openDs = TWRC_FAILURE;
    cases[1] = {"callback", {}, "OPENDSM 0\nOPENDS 0\nREGISTER_CALLBACK 1\nCLOSEDS 0\nCLOSEDSM 0\n"};
    cases[1].script.registerCallback = TWRC_FAILURE;
    cases[2] = {"enable", {}, "OPENDSM 0\nOPENDS 0\nREGISTER_CALLBACK 0\nENABLEDS 1\nCLOSEDS 0\nCLOSEDSM 0\n"};
    cases[2].script.enableDs = TWRC_FAILURE;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.boxes.clear();
        Script(c.script);
        EXPECT_EQ(TWAIN_Acquire(nullptr, 0), nullptr);
        EXPECT_EQ(host.boxes, std::vector<std::string>{last});
        EXPECT_EQ(Log(), c.log);
        EXPECT_EQ(TWAIN_State(), 1);
    }
    // A pixel type mask is not negotiated: reported the same way.
    host.boxes.clear();
    Script(FakeDsmScript{});
    EXPECT_EQ(TWAIN_Acquire(nullptr, 1), nullptr);
    EXPECT_EQ(host.boxes, std::vector<std::string>{last});
    EXPECT_EQ(TWAIN_State(), 1);
}

TEST_F(TwainEngine, SourceThatRefusesToBeDisabledIsStillTakenDown) {
    FakeDsmScript s;
    s.disableDs = TWRC_FAILURE;
    s.events[0] = MSG_XFERREADY;
    s.eventCount = 1;
    Script(s);
    EXPECT_NE(TWAIN_Acquire(nullptr, 0), nullptr);
    EXPECT_EQ(TWAIN_State(), 1);
}

TEST_F(TwainEngine, OwnerWindowRules) {
    Script(FakeDsmScript{});
    int notAWindow = 0;
    EXPECT_FALSE(TWAIN_SelectImageSource(&notAWindow));
    EXPECT_EQ(host.boxes, std::vector<std::string>{"TWAIN_SelectImageSource: window handle is invalid"});
    EXPECT_EQ(Log(), "");

    host.boxes.clear();
    host.failProxy = true;
    EXPECT_FALSE(TWAIN_SelectImageSource(nullptr));
    EXPECT_EQ(TWAIN_Acquire(&notAWindow, 0), nullptr);
    EXPECT_EQ(host.boxes, (std::vector<std::string>{"TWAIN_SelectImageSource: Unable to create proxy window",
                                                    "Unable to create proxy window"}));
    EXPECT_EQ(TWAIN_State(), 1);
    EXPECT_EQ(Log(), "");
}

TEST_F(TwainEngine, FreedImagesLeaveTheList) {
    FakeDsmScript s;
    s.pagesPerPass = 2;
    s.events[0] = MSG_XFERREADY;
    s.eventCount = 1;
    Script(s);
    TWAIN_Acquire(nullptr, 0);
    TWAIN_FreeImage(TWAIN_Image(0));
    EXPECT_EQ(TWAIN_Image(0), nullptr);
    EXPECT_NE(TWAIN_Image(1), nullptr);
    TWAIN_FreeImage(nullptr);
}

}  // namespace
