// The Preferences dialog: its controls, what it writes on each click and on "OK", and the
// options it takes from the settings store at start-up.
#include <QtTest>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <filesystem>
#include <memory>

#include "ScriptedMessages.h"
#include "TAppWindows.h"
#include "TPanes.h"
#include "TSettingsStore.h"
#include "TestSupport.h"
#include "frmMainU.h"
#include "frmPrefs2U.h"

using testsupport::ScriptedMessages;
using testsupport::TempDir;

namespace {

struct TEnv {
    TempDir dir;
    std::string userFile = dir.file("user.conf");
    std::string machineFile = dir.file("machine.conf");
    TSettingsStore store{userFile, machineFile};
    ScriptedMessages messages;

    TEnv() {
        std::filesystem::create_directories(dir.file("install"));
        testsupport::WriteAll(machineFile, "[Images]\ninstalledTo=" + dir.file("install") + "\n");
    }
    std::unique_ptr<TAppWindows> Start() {
        return std::make_unique<TAppWindows>(store, messages, dir.file("docs"));
    }
    std::string Str(const char* key) { return store.ReadString("Images", key, "<none>"); }
};

}  // namespace

class TestPrefs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ApplyLookAndFeel(*qApp); }
    // Showing the main window moves the working directory into the install folder; put it back.
    void init() { cwd_ = std::filesystem::current_path(); }
    void cleanup() { std::filesystem::current_path(cwd_); }
    void controls();
    void okWritesItsThreeOptions();
    void closingWithoutOkWritesNothing();
    void saveThumbnailsClicks();
    void storedOptionsFillTheDialog();
    void storedSaveThumbsOtherThanTwo();
    void browseOffersProgramsAndKeepsCancel();
    void buttonsReachTheMainWindow();

private:
    std::filesystem::path cwd_;
};

void TestPrefs::controls() {
    TEnv env;
    auto app = env.Start();
    TfrmPrefs2& p = app->Prefs();
    QCOMPARE(p.windowTitle(), QString("Preferences"));
    QCOMPARE(p.parentWidget(), static_cast<QWidget*>(&app->Main()));
    QCOMPARE(p.findChild<QLabel*>("lblHeader")->text(), QString("Preferences"));
    auto text = [&](const char* name) {
        QAbstractButton* b = p.findChild<QAbstractButton*>(name);
        return b ? b->text() : QString("<missing %1>").arg(name);
    };
    QCOMPARE(text("chkSaveThumbs"), QString("Save thumbnails"));
    QCOMPARE(text("chkCompress"), QString("Compress thumbnails to save disk space"));
    QCOMPARE(text("btnRefreshThumbs"), QString("Refresh Thumbnails"));
    QCOMPARE(text("chkUpdateBar"), QString("Update bars as I resize them"));
    QCOMPARE(text("chkResizeFull"), QString("In full screen mode, resize images to fit the whole screen"));
    QCOMPARE(p.findChild<QLabel*>("lblEditor")->text(), QString("Image editor"));
    QVERIFY(p.findChild<QLineEdit*>("edtEditor"));
    QVERIFY(p.findChild<QToolButton*>("btnBrowse"));
    QCOMPARE(text("btnPrinting"), QString("Printing"));
    QCOMPARE(text("btnIcons"), QString("Icons"));
    QCOMPARE(text("btnSearchOpts"), QString("Search"));
    QCOMPARE(text("btnHelp"), QString("Help"));
    QCOMPARE(text("btnOK"), QString("OK"));
    QVERIFY(p.findChild<QPushButton*>("btnOK")->isDefault());
    // The compress box sits to the right of the save box, indented under it.
    p.show();
    QVERIFY(p.CompressThumbsBox()->x() > p.SaveThumbsBox()->x());
    QVERIFY(p.CompressThumbsBox()->y() > p.SaveThumbsBox()->y());
    // Fixed size: it cannot be made larger or smaller.
    QCOMPARE(p.minimumSize(), p.maximumSize());
    p.hide();
}

void TestPrefs::okWritesItsThreeOptions() {
    TEnv env;
    auto app = env.Start();
    TfrmPrefs2& p = app->Prefs();
    p.SaveThumbsBox()->click();
    p.CompressThumbsBox()->click();
    p.ResizeFullBox()->click();
    p.ImageEditorBox()->setText("/usr/bin/gimp");
    QCOMPARE(env.Str("compressThumbs"), std::string("<none>"));
    QCOMPARE(env.Str("resizeFull"), std::string("<none>"));
    p.findChild<QPushButton*>("btnOK")->click();
    QCOMPARE(env.Str("compressThumbs"), std::string("1"));
    QCOMPARE(env.Str("resizeFull"), std::string("1"));
    QCOMPARE(env.Str("ImageEditor"), std::string("/usr/bin/gimp"));
    QCOMPARE(p.result(), int(QDialog::Accepted));

    // The next start reads them back.
    app.reset();
    app = env.Start();
    QVERIFY(app->Prefs().SaveThumbs());
    QVERIFY(app->Prefs().CompressThumbs());
    QVERIFY(app->Prefs().ResizeFull());
    QCOMPARE(app->Prefs().ImageEditor(), std::string("/usr/bin/gimp"));
}

void TestPrefs::closingWithoutOkWritesNothing() {
    TEnv env;
    auto app = env.Start();
    TfrmPrefs2& p = app->Prefs();
    p.show();
    p.ResizeFullBox()->click();
    p.ImageEditorBox()->setText("/usr/bin/pinta");
    p.reject();
    QVERIFY(!p.isVisible());
    QCOMPARE(env.Str("resizeFull"), std::string("<none>"));
    QCOMPARE(env.Str("ImageEditor"), std::string("<none>"));
    // The controls keep what the user left for the rest of the run.
    p.show();
    QVERIFY(p.ResizeFull());
    QCOMPARE(p.ImageEditor(), std::string("/usr/bin/pinta"));
    p.hide();
}

void TestPrefs::saveThumbnailsClicks() {
    TEnv env;
    auto app = env.Start();
    TfrmPrefs2& p = app->Prefs();
    int cleared = 0;
    connect(&p, &TfrmPrefs2::SaveThumbsCleared, this, [&cleared] { ++cleared; });
    QVERIFY(!p.CompressThumbsBox()->isEnabled());

    p.SaveThumbsBox()->click();
    QVERIFY(p.SaveThumbs());
    QVERIFY(p.CompressThumbsBox()->isEnabled());
    QCOMPARE(env.Str("saveThumbs"), std::string("2"));
    p.CompressThumbsBox()->click();
    QVERIFY(p.CompressThumbs());

    // Clearing it clears and disables compression, and stores "no".
    p.SaveThumbsBox()->click();
    QVERIFY(!p.CompressThumbs());
    QVERIFY(!p.CompressThumbsBox()->isEnabled());
    QCOMPARE(env.Str("saveThumbs"), std::string("1"));
    QCOMPARE(cleared, 1);

    // Checking it again leaves compression for the user to choose.
    p.SaveThumbsBox()->click();
    QVERIFY(!p.CompressThumbs());
    QVERIFY(p.CompressThumbsBox()->isEnabled());
    QCOMPARE(env.Str("saveThumbs"), std::string("2"));
    QCOMPARE(cleared, 1);
    // Compression is only stored by "OK".
    QCOMPARE(env.Str("compressThumbs"), std::string("<none>"));
}

void TestPrefs::storedOptionsFillTheDialog() {
    TEnv env;
    env.store.WriteInteger("Images", "saveThumbs", 2);
    env.store.WriteBool("Images", "compressThumbs", true);
    env.store.WriteBool("Images", "resizeFull", true);
    env.store.WriteBool("Images", "UpdateBar", false);
    env.store.WriteString("Images", "ImageEditor", "/opt/editor");
    auto app = env.Start();
    TfrmPrefs2& p = app->Prefs();
    // "Save thumbnails" checked at start-up ran its click (clearing compression), and the stored
    // compression was applied after it.
    QVERIFY(p.SaveThumbs());
    QVERIFY(p.CompressThumbs());
    QVERIFY(p.CompressThumbsBox()->isEnabled());
    QVERIFY(p.ResizeFull());
    QVERIFY(!p.UpdateBar());
    QCOMPARE(p.ImageEditor(), std::string("/opt/editor"));
    QCOMPARE(env.Str("saveThumbs"), std::string("2"));
    // The dividers take the unchecked box's style when the window is first shown.
    QVERIFY(app->Main().AlbumDivider()->Live());
    app->Main().show();
    QVERIFY(!app->Main().AlbumDivider()->Live());
    QVERIFY(!app->Main().ImportDivider()->Live());
}

void TestPrefs::storedSaveThumbsOtherThanTwo() {
    for (int stored : {0, 1, 3}) {
        TEnv env;
        env.store.WriteInteger("Images", "saveThumbs", stored);
        // Compression stored on but thumbnails not saved: the box shows it, disabled.
        env.store.WriteBool("Images", "compressThumbs", true);
        auto app = env.Start();
        QVERIFY(!app->Prefs().SaveThumbs());
        QVERIFY(app->Prefs().CompressThumbs());
        QVERIFY(!app->Prefs().CompressThumbsBox()->isEnabled());
        QCOMPARE(env.store.ReadInteger("Images", "saveThumbs", -1), stored);
    }
}

void TestPrefs::browseOffersProgramsAndKeepsCancel() {
    TEnv env;
    auto app = env.Start();
    TfrmPrefs2& p = app->Prefs();
    env.messages.paths.push_back("/usr/bin/gimp");
    env.messages.paths.push_back("");
    p.findChild<QToolButton*>("btnBrowse")->click();
    QCOMPARE(p.ImageEditor(), std::string("/usr/bin/gimp"));
    p.findChild<QToolButton*>("btnBrowse")->click();  // cancelled
    QCOMPARE(p.ImageEditor(), std::string("/usr/bin/gimp"));
    QCOMPARE(int(env.messages.asked.size()), 2);
    QCOMPARE(env.messages.asked[0].kind, std::string("open"));
    QCOMPARE(env.messages.asked[0].text, std::string("/usr/bin"));  // not the default's Windows folder
    QCOMPARE(env.messages.asked[1].text, std::string("/usr/bin"));
}

void TestPrefs::buttonsReachTheMainWindow() {
    TEnv env;
    auto app = env.Start();
    TfrmPrefs2& p = app->Prefs();
    int printPrefs = 0;
    connect(app->Main().Command("PrintPrefs"), &QAction::triggered, this, [&printPrefs] { ++printPrefs; });
    // "Printing" opens the modal print set-up dialog: closed once it is up.
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    p.findChild<QPushButton*>("btnPrinting")->click();
    QCOMPARE(printPrefs, 1);
    int help = 0, icons = 0, search = 0, refresh = 0;
    connect(&p, &TfrmPrefs2::HelpClicked, this, [&help] { ++help; });
    connect(&p, &TfrmPrefs2::IconsClicked, this, [&icons] { ++icons; });
    connect(&p, &TfrmPrefs2::SearchOptionsClicked, this, [&search] { ++search; });
    connect(&p, &TfrmPrefs2::RefreshThumbnailsClicked, this, [&refresh] { ++refresh; });
    p.findChild<QPushButton*>("btnHelp")->click();
    // "Icons" opens the modal icon list dialog: closed by its close box once it is up.
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    p.findChild<QPushButton*>("btnIcons")->click();
    // "Search" opens the modal search options dialog: closed by its close box once it is up.
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    p.findChild<QPushButton*>("btnSearchOpts")->click();
    p.findChild<QPushButton*>("btnRefreshThumbs")->click();
    QCOMPARE(help + icons + search + refresh, 4);
}

QTEST_MAIN(TestPrefs)
#include "test_prefs.moc"
