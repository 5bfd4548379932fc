// The main window on a settings store of its own: first start, panes, dividers, album pane
// layout, placement, commands and menus, accessibility, and the settings written at the end.
#include <QtTest>
#include <QHelpEvent>

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>
#include <memory>

#include "TAppWindows.h"
#include "TMainLayout.h"
#include "TPanes.h"
#include "TPhotoList.h"
#include "TSettingsStore.h"
#include "TestSupport.h"
#include "UiTestEnv.h"
#include "frmMainU.h"
#include "TQuietToolTips.h"
#include "frmPrefs2U.h"

using testsupport::Flush;

namespace {

// A user settings file, a machine settings file naming an install folder (unless installed is
// false), and a documents folder, all in a temporary folder.
struct TEnv : testsupport::UiTestEnv {
    using UiTestEnv::UiTestEnv;
    std::string Str(const char* key) { return store.ReadString("Images", key, "<none>"); }
    bool Has(const char* key) { return Str(key) != "<none>"; }
};

// Shows the window at a normal size and position the tests can reason about.
void ShowNormal(TfrmMain& w, int width = 760, int height = 540) {
    w.show();
    Flush();
    w.setWindowState(Qt::WindowNoState);
    w.setGeometry(10, 10, width, height);
    w.activateWindow();
    QApplication::setActiveWindow(&w);
    Flush();
}

QAction* Cmd(TfrmMain& w, const char* name) {
    QAction* a = w.Command(name);
    if (!a) qFatal("no command %s", name);
    return a;
}

template <class T>
T* Child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(name);
    if (!c) qFatal("no child %s", name);
    return c;
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstStartOnEmptyStore();
    void missingInstallFolderAsksWhereAmI();
    void splashGoesAtFirstShowing();
    void albumPaneLayoutAt145();
    void albumPaneLayoutAfterResize();
    void collapseWhenReleasedBelowThirty();
    void liveAndHatchedDragging();
    void updateBarSwitchesAlbumDividerAtOnce();
    void paneTogglesAndTheirChecks();
    void albumPaneToggleTwiceRefillsList();
    void paneSettingsSurviveARestart();
    void hugeStoredNumbersAreClamped();
    void storedPaneWidthsAreClampedToTheWindow();
    void importBarToggle();
    void placementSavedAndRestored();
    void placementMinimisedReopensMinimised();
    void placementBeyondDesktopMovesLeft();
    void placementMalformedOpensMaximised();
    void placementOffScreenIsCentred();
    void commandTable();
    void menus();
    void toolBars();
    void accessibleNames();
    void detailsPanel();
    void searchBoxEnterPressesSearch();
    void destructionRemovesSearchResults();

private:
    std::filesystem::path cwd_;
};

void TestMainWindow::initTestCase() {
    ApplyLookAndFeel(*qApp);
}

// The first showing moves the working directory into the install folder; put it back.
void TestMainWindow::init() { cwd_ = std::filesystem::current_path(); }
void TestMainWindow::cleanup() { std::filesystem::current_path(cwd_); }

void TestMainWindow::firstStartOnEmptyStore() {
    TEnv env;
    {
        auto app = env.Start();
        TfrmMain& w = app->Main();
        QVERIFY(env.messages.asked.empty());
        QCOMPARE(QString::fromStdString(env.Str("useDir")), QString::fromStdString(env.install));
        QCOMPARE(QString::fromStdString(w.InstallFolder()), QString::fromStdString(env.install));
        QCOMPARE(QString::fromStdString(w.HelpFileName()), QString("Qorvix.chm"));
        QVERIFY(!w.AlbumPane()->isHidden());
        QVERIFY(!w.AlbumDivider()->isHidden());
        QVERIFY(!w.DetailsPanel()->isHidden());
        QVERIFY(!w.ImageToolStrip()->isHidden());
        QVERIFY(w.ImportBar()->isHidden());
        QVERIFY(w.ImportDivider()->isHidden());
        QCOMPARE(w.PaneWidth(w.AlbumPane()), 145);
        QCOMPARE(w.PaneWidth(w.ImportBar()), 145);
        QVERIFY(Cmd(w, "HideCollections")->isChecked());
        QVERIFY(Cmd(w, "HideImage")->isChecked());
        QVERIFY(Cmd(w, "HideCredit")->isChecked());
        QVERIFY(!Cmd(w, "nuImport")->isChecked());
        QCOMPARE(w.windowTitle(), QString("Lumavell2"));

        // The Preferences dialog holds the defaults.
        TfrmPrefs2& p = app->Prefs();
        QVERIFY(p.UpdateBar());
        QVERIFY(!p.SaveThumbs());
        QVERIFY(!p.CompressThumbs());
        QVERIFY(!p.CompressThumbsBox()->isEnabled());
        QVERIFY(!p.ResizeFull());
        // The stored default means the desktop's default editor: the box is empty.
        QCOMPARE(QString::fromStdString(p.ImageEditor()), QString());
        // Checking "Update bars" at start-up wrote it again.
        QCOMPARE(env.Str("UpdateBar"), std::string("1"));

        QVERIFY(!env.Has("timesRun"));
        w.show();
        Flush();
        QCOMPARE(env.Int("timesRun"), 1);
        QCOMPARE(std::filesystem::current_path(), std::filesystem::path(env.install));
        QVERIFY(w.AlbumDivider()->Live());
        QVERIFY(w.ImportDivider()->Live());
        // The keyboard starts in the album box, not on a divider.
        QCOMPARE(w.focusWidget(), Child<QWidget>(w, "ComboBox1"));
    }
    // Destruction wrote the pane settings and the placement.
    QCOMPARE(env.Str("showCol"), std::string("1"));
    QCOMPARE(env.Str("showImg"), std::string("1"));
    QCOMPARE(env.Str("showCre"), std::string("1"));
    QCOMPARE(env.Int("albumPanWidth"), 145);
    QCOMPARE(env.Int("importPanWidth"), 145);
    QVERIFY(mainlayout::ParsePlacement(env.Str("frmMain")).has_value());
    // Nothing ran the import bar toggle, so its setting was never written.
    QVERIFY(!env.Has("showImport"));

    // The second start counts on.
    auto again = env.Start();
    again->Main().show();
    Flush();
    QCOMPARE(env.Int("timesRun"), 2);
}

void TestMainWindow::missingInstallFolderAsksWhereAmI() {
    TEnv env(false);
    const auto before = std::filesystem::current_path();
    auto app = env.Start();
    QCOMPARE(int(env.messages.asked.size()), 1);
    const auto& m = env.messages.asked[0];
    QCOMPARE(QString::fromStdString(m.caption), QString("Where am I?"));
    QVERIFY(QString::fromStdString(m.text).startsWith("Lumavell doesn't know where it has been installed."));
    QVERIFY(QString::fromStdString(m.text).endsWith("to be sure that you do not receive any errors."));
    QCOMPARE(int(m.buttons), int(TMsgButtons::Ok));
    // Start-up goes on: the empty install folder is stored and the working directory stays.
    QVERIFY(QString::fromStdString(testsupport::ReadAll(env.userFile)).contains(QRegularExpression("(^|\\n)useDir=\\n")));
    app->Main().show();
    Flush();
    QCOMPARE(std::filesystem::current_path(), before);
    QCOMPARE(env.Int("timesRun"), 1);
}

void TestMainWindow::splashGoesAtFirstShowing() {
    TEnv env;
    auto app = env.Start();
    QPointer<QWidget> splash = new QWidget(nullptr, Qt::SplashScreen);
    splash->show();
    app->Main().SetSplash(splash);
    QVERIFY(splash->isVisible());
    app->Main().show();
    QVERIFY(!splash || !splash->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(splash.isNull());
}

void TestMainWindow::albumPaneLayoutAt145() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    ShowNormal(w);
    QWidget* pane = w.AlbumPane();
    QCOMPARE(pane->width(), 145);
    const int h = pane->height();
    QVERIFY(h > 200);

    auto* list = Child<QWidget>(w, "ListBox1");
    auto* box = Child<QComboBox>(w, "ComboBox1");
    auto* search = Child<QPushButton>(w, "btnSearch");
    auto* options = Child<QPushButton>(w, "btnSearchOptions");
    auto* help = Child<QPushButton>(w, "btnSearchHelp");
    auto* edit = Child<QLineEdit>(w, "Edit1");

    // Outside search-results mode the list covers the search controls.
    QCOMPARE(list->geometry(), QRect(0, 24, 145, h - 53));
    QCOMPARE(box->geometry(), QRect(0, 0, 145, 22));
    QVERIFY(search->isHidden());

    w.SetSearchMode(true);
    QCOMPARE(list->geometry(), QRect(0, 104, 145, h - 133));
    QVERIFY(search->isVisible());
    QCOMPARE(search->x(), 10);
    QCOMPARE(search->width(), 125);
    QCOMPARE(search->y(), 48);
    QCOMPARE(options->x(), 10);
    QCOMPARE(options->width(), 63);
    QCOMPARE(options->y(), 74);
    QCOMPARE(help->x(), 74);
    QCOMPARE(help->width(), 61);
    QCOMPARE(help->y(), 74);
    QCOMPARE(edit->geometry().topLeft(), QPoint(0, 24));
    QCOMPARE(edit->width(), 145);

    w.SetSearchMode(false);
    QCOMPARE(list->geometry(), QRect(0, 24, 145, h - 53));
    QVERIFY(search->isHidden());

    // The album tool bar sits at the bottom, 29 pixels high.
    auto* strip = Child<QWidget>(w, "stripAlbum");
    QCOMPARE(strip->geometry(), QRect(0, h - 29, 145, 29));
}

void TestMainWindow::albumPaneLayoutAfterResize() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    ShowNormal(w, 700, 500);
    auto* list = Child<QWidget>(w, "ListBox1");
    const int h1 = w.AlbumPane()->height();
    QCOMPARE(list->height(), h1 - 53);

    w.SetSearchMode(true);
    QCOMPARE(list->height(), h1 - 133);
    w.resize(760, 580);
    Flush();
    const int h2 = w.AlbumPane()->height();
    QCOMPARE(h2, h1 + 80);
    QCOMPARE(list->geometry(), QRect(0, 104, 145, h2 - 133));
    // The buttons are not moved by a resize of the window.
    QCOMPARE(Child<QWidget>(w, "btnSearchHelp")->geometry().topLeft(), QPoint(74, 74));

    w.SetSearchMode(false);
    w.resize(700, 520);
    Flush();
    QCOMPARE(list->height(), w.AlbumPane()->height() - 53);
}

void TestMainWindow::collapseWhenReleasedBelowThirty() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    ShowNormal(w);
    w.SetSearchMode(true);
    TSplitter* d = w.AlbumDivider();
    auto* help = Child<QWidget>(w, "btnSearchHelp");
    const QRect helpBefore = help->geometry();
    int moved = 0;
    connect(d, &TSplitter::Moved, this, [&moved] { ++moved; });

    // Dragging to leave 20 pixels collapses the pane; nothing inside is laid out for it.
    d->BeginDrag();
    d->DragBy(-125);
    d->EndDrag();
    QCOMPARE(moved, 1);
    QCOMPARE(w.PaneWidth(w.AlbumPane()), 0);
    QCOMPARE(w.AlbumPane()->width(), 0);
    QVERIFY(!w.AlbumPane()->isHidden());
    QCOMPARE(d->x(), w.AlbumPane()->x());
    QCOMPARE(help->geometry(), helpBefore);

    // Exactly 30 stays 30 and is still not laid out.
    d->BeginDrag();
    d->DragBy(30);
    d->EndDrag();
    QCOMPARE(w.PaneWidth(w.AlbumPane()), 30);
    QCOMPARE(help->geometry(), helpBefore);

    // Widened again, the pane is laid out for its new width.
    d->BeginDrag();
    d->DragBy(171);
    d->EndDrag();
    QCOMPARE(w.PaneWidth(w.AlbumPane()), 201);
    QCOMPARE(Child<QWidget>(w, "btnSearch")->width(), 181);
    QCOMPARE(help->x(), (181 - 90) + 11);
    QCOMPARE(Child<QWidget>(w, "ListBox1")->width(), 201);

    // The viewer keeps at least 30 pixels however far the divider is dragged.
    d->BeginDrag();
    d->DragBy(5000);
    d->EndDrag();
    QCOMPARE(w.Viewer()->width(), 30);
}

void TestMainWindow::liveAndHatchedDragging() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    ShowNormal(w);
    TSplitter* d = w.AlbumDivider();

    d->SetLive(true);
    d->BeginDrag();
    QVERIFY(!d->DragLine());
    d->DragBy(40);
    QCOMPARE(w.AlbumPane()->width(), 185);
    d->DragBy(-130);  // 15: collapses while dragging too
    QCOMPARE(w.AlbumPane()->width(), 0);
    d->DragBy(10);
    d->EndDrag();
    QCOMPARE(w.PaneWidth(w.AlbumPane()), 155);

    d->SetLive(false);
    const int viewerX = w.Viewer()->x();
    d->BeginDrag();
    QVERIFY(d->DragLine());
    QVERIFY(d->DragLine()->isVisible());
    d->DragBy(-55);
    // Only the hatched line moves; the panes wait for the release.
    QCOMPARE(w.AlbumPane()->width(), 155);
    QCOMPARE(w.Viewer()->x(), viewerX);
    QCOMPARE(d->DragLine()->x(), w.AlbumPane()->x() + 100);
    d->EndDrag();
    QVERIFY(!d->DragLine());
    QCOMPARE(w.AlbumPane()->width(), 100);
    QCOMPARE(w.Viewer()->x(), viewerX - 55);

    // The mouse drives the same steps.
    const QPoint start(d->width() / 2, d->height() / 2);
    QTest::mousePress(d, Qt::LeftButton, Qt::NoModifier, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(30, 0)), d->mapToGlobal(QPointF(start + QPoint(30, 0))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(d, &move);
    QCOMPARE(w.AlbumPane()->width(), 100);
    QTest::mouseRelease(d, Qt::LeftButton, Qt::NoModifier, start + QPoint(30, 0));
    QCOMPARE(w.PaneWidth(w.AlbumPane()), 130);

    // With the keyboard focus the arrow keys move it, and a collapsed pane comes back at 30.
    QTest::keyClick(d, Qt::Key_Left);
    QCOMPARE(w.PaneWidth(w.AlbumPane()), 120);
    w.SetPaneWidth(w.AlbumPane(), 0);
    QTest::keyClick(d, Qt::Key_Right);
    QCOMPARE(w.PaneWidth(w.AlbumPane()), 30);
}

void TestMainWindow::updateBarSwitchesAlbumDividerAtOnce() {
    TEnv env;
    {
        auto app = env.Start();
        TfrmMain& w = app->Main();
        w.show();
        Flush();
        QVERIFY(w.AlbumDivider()->Live());
        QCheckBox* box = app->Prefs().UpdateBarBox();
        box->click();  // clears it
        QVERIFY(!box->isChecked());
        QCOMPARE(env.Str("UpdateBar"), std::string("0"));
        QVERIFY(!w.AlbumDivider()->Live());
        QVERIFY(w.ImportDivider()->Live());  // only at the next start
    }
    auto app = env.Start();
    QVERIFY(!app->Prefs().UpdateBar());
    app->Main().show();
    Flush();
    QVERIFY(!app->Main().AlbumDivider()->Live());
    QVERIFY(!app->Main().ImportDivider()->Live());
    app.reset();
    // A box that stays unchecked at start-up is not written again.
    env.store.WriteString("Images", "UpdateBar", "00");
    app = env.Start();
    QVERIFY(!app->Prefs().UpdateBar());
    QCOMPARE(env.Str("UpdateBar"), std::string("00"));
}

void TestMainWindow::paneTogglesAndTheirChecks() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    ShowNormal(w);

    Cmd(w, "HideCredit")->trigger();
    QVERIFY(w.DetailsPanel()->isHidden());
    QVERIFY(!Cmd(w, "HideCredit")->isChecked());
    // The image tool bar goes with the details panel but keeps its own state.
    QVERIFY(!w.ImageToolStrip()->isVisible());
    QVERIFY(!w.ImageToolStrip()->isHidden());
    Cmd(w, "HideCredit")->trigger();
    QVERIFY(!w.DetailsPanel()->isHidden());
    QVERIFY(Cmd(w, "HideCredit")->isChecked());

    Cmd(w, "HideImage")->trigger();
    QVERIFY(w.ImageToolStrip()->isHidden());
    QVERIFY(!Cmd(w, "HideImage")->isChecked());
    QVERIFY(!w.DetailsPanel()->isHidden());

    const int viewerX = w.Viewer()->x();
    Cmd(w, "HideCollections")->trigger();
    QVERIFY(w.AlbumPane()->isHidden());
    QVERIFY(w.AlbumDivider()->isHidden());
    QVERIFY(!Cmd(w, "HideCollections")->isChecked());
    QCOMPARE(w.Viewer()->x(), 0);
    Cmd(w, "HideCollections")->trigger();
    QVERIFY(!w.AlbumPane()->isHidden());
    QVERIFY(!w.AlbumDivider()->isHidden());
    QVERIFY(Cmd(w, "HideCollections")->isChecked());
    QCOMPARE(w.Viewer()->x(), viewerX);

    // The shortcuts run the same toggles.
    QTest::keyClick(&w, Qt::Key_1, Qt::AltModifier);
    QVERIFY(w.AlbumPane()->isHidden());
    QTest::keyClick(&w, Qt::Key_2, Qt::AltModifier);
    QVERIFY(w.DetailsPanel()->isHidden());
}

void TestMainWindow::albumPaneToggleTwiceRefillsList() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    ShowNormal(w);
    QImage red(100, 80, QImage::Format_RGB32);
    red.fill(Qt::red);
    w.SetThumbnailStrip({red, red, red}, {"one", "two", "three"});
    w.UpdThumbs();
    TPhotoList* list = w.PhotoList();
    QCOMPARE(list->count(), 3);
    list->setCurrentRow(1);
    QCOMPARE(list->selectedItems().size(), 1);
    w.SetPaneWidth(w.AlbumPane(), 170);

    Cmd(w, "HideCollections")->trigger();
    Cmd(w, "HideCollections")->trigger();
    QCOMPARE(w.AlbumPane()->width(), 170);
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->item(2)->text(), QString("three"));
    QVERIFY(list->selectedItems().isEmpty());
    QCOMPARE(Child<QWidget>(w, "btnSearch")->width(), 150);
}

void TestMainWindow::hugeStoredNumbersAreClamped() {
    TEnv env;
    QVERIFY(env.store.WriteString("Images", "albumPanWidth", "2147483647"));
    QVERIFY(env.store.WriteString("Images", "importPanWidth", "-2147483648"));
    QVERIFY(env.store.WriteString("Images", "showImport", "1"));
    QVERIFY(env.store.WriteString("Images", "timesRun", "2147483647"));
    QVERIFY(env.store.WriteString("Images", "frmMain", "200,0,1,-2147483648,-2147483648,2147483647,2147483647"));
    {
        auto app = env.Start();
        TfrmMain& w = app->Main();
        QCOMPARE(w.PaneWidth(w.AlbumPane()), mainlayout::kMaxPaneWidth);
        QCOMPARE(w.PaneWidth(w.ImportBar()), 0);
        w.show();
        Flush();
        // The count stays at the top of the range instead of wrapping to a negative number.
        QCOMPARE(env.Int("timesRun"), 2147483647);
        QVERIFY(w.geometry().width() <= 1 << 20);
    }
    QVERIFY(env.Int("albumPanWidth") <= mainlayout::kMaxPaneWidth);
    QVERIFY(env.Int("albumPanWidth") >= 0);
    const auto placement = mainlayout::ParsePlacement(env.Str("frmMain"));
    QVERIFY(placement.has_value());
}

void TestMainWindow::storedPaneWidthsAreClampedToTheWindow() {
    TEnv env;
    QVERIFY(env.store.WriteString("Images", "albumPanWidth", "5000"));
    QVERIFY(env.store.WriteString("Images", "importPanWidth", "4000"));
    QVERIFY(env.store.WriteString("Images", "showImport", "1"));
    QVERIFY(env.store.WriteString("Images", "frmMain", "200,0,1,10,10,610,410"));
    {
        auto app = env.Start();
        TfrmMain& w = app->Main();
        w.show();
        Flush();
        QCOMPARE(w.geometry().width(), 600);
        QCOMPARE(w.PaneWidth(w.AlbumPane()), 600);
        QCOMPARE(w.PaneWidth(w.ImportBar()), 600);
    }
    QCOMPARE(env.Int("albumPanWidth"), 600);
    QCOMPARE(env.Int("importPanWidth"), 600);
}

void TestMainWindow::paneSettingsSurviveARestart() {
    TEnv env;
    {
        auto app = env.Start();
        TfrmMain& w = app->Main();
        ShowNormal(w);
        w.SetPaneWidth(w.AlbumPane(), 210);
        Cmd(w, "HideCollections")->trigger();
        Cmd(w, "HideImage")->trigger();
        Cmd(w, "nuImport")->trigger();
        w.SetPaneWidth(w.ImportBar(), 180);
    }
    QCOMPARE(env.Str("showCol"), std::string("0"));
    QCOMPARE(env.Str("showImg"), std::string("0"));
    QCOMPARE(env.Int("albumPanWidth"), 210);
    QCOMPARE(env.Int("importPanWidth"), 180);
    {
        auto app = env.Start();
        TfrmMain& w = app->Main();
        ShowNormal(w);
        QVERIFY(w.AlbumPane()->isHidden());
        QVERIFY(w.AlbumDivider()->isHidden());
        QVERIFY(!Cmd(w, "HideCollections")->isChecked());
        QVERIFY(w.ImageToolStrip()->isHidden());
        QVERIFY(!Cmd(w, "HideImage")->isChecked());
        QVERIFY(!w.DetailsPanel()->isHidden());
        QVERIFY(!w.ImportBar()->isHidden());
        QVERIFY(!w.ImportDivider()->isHidden());
        QVERIFY(Cmd(w, "nuImport")->isChecked());
        QCOMPARE(w.ImportBar()->width(), 180);
        // The hidden pane comes back at its last width.
        Cmd(w, "HideCollections")->trigger();
        QCOMPARE(w.AlbumPane()->width(), 210);
        Cmd(w, "HideCredit")->trigger();
    }
    QCOMPARE(env.Str("showCol"), std::string("1"));
    QCOMPARE(env.Str("showCre"), std::string("0"));
    auto app = env.Start();
    QVERIFY(app->Main().DetailsPanel()->isHidden());
    QVERIFY(!Cmd(app->Main(), "HideCredit")->isChecked());
}

void TestMainWindow::importBarToggle() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    ShowNormal(w);
    QAction* toggle = Cmd(w, "nuImport");
    toggle->trigger();
    QVERIFY(!w.ImportBar()->isHidden());
    QVERIFY(!w.ImportDivider()->isHidden());
    QVERIFY(toggle->isChecked());
    QCOMPARE(env.Str("showImport"), std::string("1"));
    // The bar stays at the far left with its divider beside it.
    QCOMPARE(w.ImportBar()->geometry().topLeft(), QPoint(0, 0));
    QCOMPARE(w.ImportDivider()->x(), 145);
    QCOMPARE(w.ImportDivider()->width(), 3);
    QCOMPARE(w.AlbumPane()->x(), 148);
    QCOMPARE(w.AlbumDivider()->width(), 5);
    auto* close = Child<QToolButton>(w, "btnImportClose");
    QCOMPARE(close->geometry(), QRect(128, 0, 17, 17));
    QCOMPARE(Child<QLabel>(w, "lblImportTitle")->text(), QString("Import Photos"));

    close->click();
    QVERIFY(w.ImportBar()->isHidden());
    QVERIFY(w.ImportDivider()->isHidden());
    QVERIFY(!toggle->isChecked());
    QCOMPARE(env.Str("showImport"), std::string("0"));
}

void TestMainWindow::placementSavedAndRestored() {
    TEnv env;
    {
        auto app = env.Start();
        ShowNormal(app->Main(), 640, 480);
        app->Main().setGeometry(40, 30, 640, 480);
        Flush();
        QCOMPARE(QString::fromStdString(app->Main().PlacementText()), QString("200,0,1,40,30,680,510"));
    }
    QCOMPARE(QString::fromStdString(env.Str("frmMain")), QString("200,0,1,40,30,680,510"));
    auto app = env.Start();
    app->Main().show();
    Flush();
    QCOMPARE(app->Main().geometry(), QRect(40, 30, 640, 480));
    QVERIFY(!app->Main().isMaximized());

    // Maximised, the normal rectangle is what is kept.
    app->Main().showMaximized();
    Flush();
    QCOMPARE(QString::fromStdString(app->Main().PlacementText()), QString("200,0,3,40,30,680,510"));
}

void TestMainWindow::placementMinimisedReopensMinimised() {
    for (const char* flags : {"0", "2"}) {
        TEnv env;
        env.store.WriteString("Images", "frmMain", std::string("200,") + flags + ",2,40,30,680,510");
        {
            auto app = env.Start();
            app->Main().show();
            Flush();
            QVERIFY(app->Main().isMinimized());
            QCOMPARE(app->Main().isMaximized(), std::string(flags) == "2");
            QCOMPARE(app->Main().geometry(), QRect(40, 30, 640, 480));
        }
        // Still minimised at the end: stored so again.
        QCOMPARE(QString::fromStdString(env.Str("frmMain")), QString("200,") + flags + ",2,40,30,680,510");
    }
}

void TestMainWindow::placementBeyondDesktopMovesLeft() {
    TEnv env;
    const QRect desk = QGuiApplication::primaryScreen()->virtualGeometry();
    const int right = desk.x() + desk.width();
    const int left = right + 100 - 600;
    env.store.WriteString("Images", "frmMain",
                          "200,0,1," + std::to_string(left) + ",20," + std::to_string(right + 100) + ",500");
    auto app = env.Start();
    app->Main().show();
    Flush();
    QCOMPARE(app->Main().geometry(), QRect(left - 100, 20, 600, 480));
}

void TestMainWindow::placementMalformedOpensMaximised() {
    TEnv env;
    env.store.WriteString("Images", "frmMain", "200,0,1,10,10,600");
    auto app = env.Start();
    app->Main().show();
    Flush();
    QVERIFY(app->Main().isMaximized());
    // Its normal rectangle is the designed size, centred.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const int x = area.x() + (area.width() - 814) / 2, y = area.y() + (area.height() - 544) / 2;
    QCOMPARE(QString::fromStdString(app->Main().PlacementText()),
             QString("200,0,3,%1,%2,%3,%4").arg(x).arg(y).arg(x + 814).arg(y + 544));
}

void TestMainWindow::placementOffScreenIsCentred() {
    TEnv env;
    env.store.WriteString("Images", "frmMain", "200,0,1,-3000,-2000,-2400,-1500");
    auto app = env.Start();
    app->Main().show();
    Flush();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(app->Main().geometry().size(), QSize(600, 500));
    QCOMPARE(app->Main().geometry().center(), QRect(area.x() + (area.width() - 600) / 2,
                                                     area.y() + (area.height() - 500) / 2, 600, 500)
                                                  .center());
}

void TestMainWindow::commandTable() {
    struct Row {
        const char* name;
        const char* caption;
        const char* hint;
        QKeySequence key;
        bool enabled;
        int check;  // -1 not checkable, 0 unchecked, 1 checked
        bool visible;
    };
    const QKeySequence none;
    const Row rows[] = {
        {"NewCol", "New Album", "Creates a new album", QKeySequence(Qt::CTRL | Qt::Key_N), true, -1, true},
        {"OpenCol", "Open Album", "Opens a album", QKeySequence(Qt::CTRL | Qt::Key_O), true, -1, true},
        {"nuImport", "Import Image", "", QKeySequence(Qt::CTRL | Qt::Key_I), true, 0, true},
        {"ImportScan", "Import from Camera or Scanner", "", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I), true, -1,
         true},
        {"Share", "Share Album", "Share this album with friends and family", QKeySequence(Qt::ALT | Qt::Key_S),
         false, -1, true},
        {"Search", "Search", "Search through all the albums available.", QKeySequence(Qt::CTRL | Qt::Key_S), true,
         -1, true},
        {"Print", "Print", "Prints the currently selected image.", QKeySequence(Qt::CTRL | Qt::Key_P), false, -1,
         true},
        {"PrintPrefs", "Print Preferences", "Changes printer settings.", none, true, -1, true},
        {"Preferences", "Preferences", "", none, true, -1, true},
        {"Quit", "Quit", "Exits out of Brightlet Image Viewer.", QKeySequence(Qt::ALT | Qt::Key_F4), true, -1, true},
        {"HideCollections", "Album Pane", "Toggles the Collection pane.", QKeySequence(Qt::ALT | Qt::Key_1), true, 1,
         true},
        {"HideImage", "Image Bar", "Toggles the Image bar.", none, true, 1, true},
        {"HideCredit", "Everything Bar", "Toggles the Credit bar.", QKeySequence(Qt::ALT | Qt::Key_2), true, 1,
         true},
        {"First", "First", "Go to the first image in this album.", QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_Left),
         false, -1, true},
        {"Previous", "Previous", "Go back one image in this album.", QKeySequence(Qt::ALT | Qt::Key_Left), false, -1,
         true},
        {"Next", "Next", "Goto the next image in this album.", QKeySequence(Qt::ALT | Qt::Key_Right), false, -1,
         true},
        {"Last", "Last", "Goto the last image in this album.", QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_Right),
         false, -1, true},
        {"SlideShow", "View as Slideshow", "", none, false, -1, true},
        {"RemoveCol", "Remove Album", "Deletes this album permanantly.", QKeySequence(Qt::SHIFT | Qt::Key_Delete),
         false, -1, true},
        {"AlbumProperties", "Album Properties", "", none, true, -1, true},
        {"ZoomIn", "Zoom In", "Zoom in by +100%", QKeySequence(Qt::CTRL | Qt::Key_Equal), false, -1, true},
        {"ShowAll", "100%", "", QKeySequence(Qt::ALT | Qt::Key_Equal), false, -1, true},
        {"ZoomOut", "Zoom Out", "Zoom out by -50%", QKeySequence(Qt::CTRL | Qt::Key_Minus), false, -1, true},
        {"ToFit", "To Fit", "", QKeySequence(Qt::ALT | Qt::Key_Minus), false, -1, true},
        {"CopyImg", "Copy", "Copy the current image to the clipboard.", QKeySequence(Qt::CTRL | Qt::Key_C), false,
         -1, true},
        {"EditImage1", "Edit Image", "Edit this photo", QKeySequence(Qt::CTRL | Qt::Key_E), false, -1, true},
        {"AddToCollection", "Add To Album", "Puts this image into a album.", QKeySequence(Qt::CTRL | Qt::Key_A),
         false, -1, false},
        {"RemoveFromCol", "Remove From Album", "Removes the currently selected image from the album.",
         QKeySequence(Qt::Key_Delete), false, -1, true},
        {"SetAsWallpaper", "Set As Wallpaper", "Sets this image as the wallpaper.", QKeySequence(Qt::CTRL | Qt::Key_W),
         false, -1, true},
        {"ViewFullScreen", "View Full Screen", "Make this image take up the whole screen so you get a closer look.",
         QKeySequence(Qt::Key_F11), false, -1, true},
        {"ImgProperties", "Image Properties", "Changes current images properties.",
         QKeySequence(Qt::CTRL | Qt::Key_Return), false, -1, true},
        {"Help", "Help", "Online help files.", QKeySequence(Qt::Key_F1), true, -1, true},
        {"About", "About", "Find out all about this program.", none, true, -1, true},
    };

    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    QCOMPARE(w.Commands().size(), qsizetype(std::size(rows)));
    for (const Row& r : rows) {
        const QByteArray tag(r.name);
        QAction* a = w.Command(r.name);
        QVERIFY2(a, tag);
        QCOMPARE(a->text(), QString(r.caption));
        QCOMPARE(a->statusTip(), QString(r.hint));
        if (*r.hint) QCOMPARE(a->toolTip(), QString(r.hint));
        QVERIFY2(a->shortcut() == r.key, tag + " " + a->shortcut().toString().toUtf8());
        QVERIFY2(a->isEnabled() == r.enabled, tag);
        QVERIFY2(a->isCheckable() == (r.check >= 0), tag);
        if (r.check >= 0) QVERIFY2(a->isChecked() == (r.check == 1), tag);
        QVERIFY2(a->isVisible() == r.visible, tag);
        QVERIFY2(!a->icon().isNull(), tag);
        // Every command's key works wherever the focus is in the window.
        QVERIFY2(w.actions().contains(a), tag);
    }
    // Keypad Enter works like Enter for the properties.
    QVERIFY(w.Command("ImgProperties")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Enter)));
    // The slideshow button carries its own hint.
    QCOMPARE(w.Command("SlideShow")->toolTip(), QString("Show this collection as a slideshow"));
}

namespace {
// "Text" per item, "-" for a separator, "Text>" for a submenu followed by its items and "<".
QStringList Describe(const QMenu* m) {
    QStringList out;
    for (QAction* a : m->actions()) {
        if (a->isSeparator()) {
            out << "-";
        } else if (a->menu()) {
            out << a->text() + ">";
            out << Describe(a->menu());
            out << "<";
        } else {
            out << a->text();
        }
    }
    return out;
}
}  // namespace

void TestMainWindow::menus() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    QStringList titles;
    for (QAction* a : w.menuBar()->actions()) titles << a->text().remove('&');
    QCOMPARE(titles, QStringList({"File", "View", "Album", "Image", "Help"}));
    auto menu = [&](const char* name) { return Describe(Child<QMenu>(w, name)); };
    QCOMPARE(menu("mnuFile"),
             QStringList({"New Album", "Open Album", "-", "Import>", "from File", "from a Camera or Scanner", "<",
                          "Share Album", "-", "Search", "-", "Print", "Print Preferences", "-", "Preferences", "-",
                          "Quit"}));
    QCOMPARE(menu("mnuView"), QStringList({"Task Launcher", "-", "Album Pane", "Everything Bar", "Import Bar"}));
    QCOMPARE(menu("mnuAlbum"), QStringList({"Navigation>", "First", "Previous", "Next", "Last", "<",
                                            "View as Slideshow", "-", "Remove Album"}));
    QCOMPARE(menu("mnuImage"),
             QStringList({"Zoom>", "Zoom In", "100%", "Zoom Out", "-", "To Fit", "<", "-", "Copy", "Edit Image",
                          "Add To Album", "Remove From Album", "Set As Wallpaper", "View Full Screen",
                          "Image Properties"}));
    QCOMPARE(menu("mnuHelp"), QStringList({"Help", "Keyboard Shortcuts", "-", "Goto &Corvane", "Goto Corvane &Support",
                                           "Goto &Lumavell2 Web Page", "-", "Donate", "-", "About"}));

    // The menu items with captions of their own follow their command and run it.
    auto* fromFile = Child<QMenu>(w, "mnuImport")->actions().at(0);
    auto* importBar = Child<QMenu>(w, "mnuView")->actions().at(4);
    QMenu* importMenu = Child<QMenu>(w, "mnuImport");
    QVERIFY(fromFile->isCheckable());
    QVERIFY(!fromFile->isChecked());
    // The item shows the command's key while its menu is open.
    emit importMenu->aboutToShow();
    QCOMPARE(fromFile->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    QCOMPARE(importMenu->actions().at(1)->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    emit importMenu->aboutToHide();
    QVERIFY(fromFile->shortcut().isEmpty());
    fromFile->trigger();
    QVERIFY(!w.ImportBar()->isHidden());
    QVERIFY(fromFile->isChecked());
    QVERIFY(importBar->isChecked());
    QVERIFY(w.Command("nuImport")->isChecked());
    importBar->trigger();
    QVERIFY(w.ImportBar()->isHidden());
    QVERIFY(!fromFile->isChecked());
    // A disabled command disables its item.
    w.Command("ImportScan")->setEnabled(false);
    QVERIFY(!Child<QMenu>(w, "mnuImport")->actions().at(1)->isEnabled());

    // The key stays unambiguous while the menu bar has the focus (after a menu was closed).
    ShowNormal(w);
    w.menuBar()->setFocus();
    QTest::keyClick(w.menuBar(), Qt::Key_I, Qt::ControlModifier);
    QVERIFY(!w.ImportBar()->isHidden());

    QAction* launcher = Child<QMenu>(w, "mnuView")->actions().at(0);
    QCOMPARE(launcher->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
    QVERIFY(launcher->isCheckable());
}

void TestMainWindow::toolBars() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    auto names = [](QToolBar* tb) {
        QStringList out;
        for (QAction* a : tb->actions()) out << (a->isSeparator() ? "-" : a->objectName());
        return out;
    };
    auto* album = Child<QToolBar>(w, "tbAlbum");
    auto* image = Child<QToolBar>(w, "tbImage");
    QCOMPARE(names(album), QStringList({"nuImport", "-", "Search", "SlideShow", "-", "Share"}));
    QCOMPARE(names(image), QStringList({"CopyImg", "SetAsWallpaper", "AddToCollection", "ViewFullScreen",
                                        "RemoveFromCol", "-", "Print", "EditImage1", "-", "First", "Previous",
                                        "Next", "Last", "-", "ZoomIn", "ZoomOut"}));
    QCOMPARE(album->iconSize(), QSize(16, 16));
    QCOMPARE(image->iconSize(), QSize(24, 24));
    QCOMPARE(image->toolButtonStyle(), Qt::ToolButtonIconOnly);
    QCOMPARE(image->widgetForAction(w.Command("Print"))->size(), QSize(34, 30));
    // The controls the first-use hints point at.
    QCOMPARE(album->widgetForAction(w.Command("nuImport"))->objectName(), QString("btnAlbumImport"));
    QCOMPARE(album->widgetForAction(w.Command("Share"))->objectName(), QString("btnAlbumShare"));

    // A tool tip shows a command's hint; Import Image has none, so it shows none (rather than
    // its caption again): its tip event is swallowed.
    ShowNormal(w);
    auto* quiet = album->findChild<TQuietToolTips*>();
    QVERIFY(quiet);
    QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), QPoint(2, 2));
    QVERIFY(quiet->eventFilter(album->widgetForAction(w.Command("nuImport")), &tip));
    QVERIFY(!quiet->eventFilter(album->widgetForAction(w.Command("SlideShow")), &tip));
    QCOMPARE(album->widgetForAction(w.Command("SlideShow"))->toolTip(), QString("Show this collection as a slideshow"));

    // A button disappears with its command.
    QWidget* add = image->widgetForAction(w.Command("AddToCollection"));
    QVERIFY(!add->isVisible());
    w.Command("AddToCollection")->setVisible(true);
    Flush();
    QVERIFY(add->isVisible());

    // A narrow pane scrolls its tool bar instead of cutting it off.
    auto* strip = static_cast<THScrollStrip*>(Child<QWidget>(w, "stripAlbum"));
    QVERIFY(!strip->Scrollable());
    w.SetPaneWidth(w.AlbumPane(), 60);
    Flush();
    QVERIFY(strip->Scrollable());
    strip->ScrollBy(1000);
    QVERIFY(strip->Offset() > 0);
    QCOMPARE(strip->Content()->x(), -strip->Offset());
    QCOMPARE(strip->Offset(), strip->Content()->width() - (strip->width() - 24));
    strip->ScrollBy(-1000);
    QCOMPARE(strip->Offset(), 0);
}

void TestMainWindow::accessibleNames() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    ShowNormal(w);
    auto check = [](QWidget* root, int atLeast) {
        QList<QWidget*> all = root->findChildren<QWidget*>();
        all.prepend(root);
        int checked = 0;
        for (QWidget* c : all) {
            const QString name = c->objectName();
            if (name.startsWith("qt_")) continue;
            const bool ours = !name.isEmpty();
            const bool toolButton = qobject_cast<QToolButton*>(c) && qobject_cast<QToolBar*>(c->parentWidget());
            if (!ours && !toolButton) continue;
            QAccessibleInterface* ai = QAccessible::queryAccessibleInterface(c);
            QVERIFY2(ai, qPrintable(name));
            QVERIFY2(!ai->text(QAccessible::Name).isEmpty(), qPrintable(name + " " + c->metaObject()->className()));
            ++checked;
        }
        QVERIFY(checked >= atLeast);
    };
    check(&w, 40);
    check(&app->Prefs(), 15);
    // Tool buttons are named by their command's caption.
    auto* image = Child<QToolBar>(w, "tbImage");
    QCOMPARE(image->widgetForAction(w.Command("ZoomIn"))->accessibleName(), QString("Zoom In"));
    // Labels are read by their text.
    QCOMPARE(QAccessible::queryAccessibleInterface(Child<QLabel>(w, "lblTitle"))->text(QAccessible::Name),
             QString("No Image Selected"));
}

void TestMainWindow::detailsPanel() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    ShowNormal(w);
    QWidget* panel = w.DetailsPanel();
    QCOMPARE(panel->height(), 74);
    QCOMPARE(Child<QLabel>(w, "lblTakenBy")->pos(), QPoint(8, 40));
    QCOMPARE(Child<QLabel>(w, "lblTakenBy")->text(), QString("Taken by:"));
    QCOMPARE(Child<QLabel>(w, "lblCredit")->pos(), QPoint(64, 40));
    QCOMPARE(Child<QLabel>(w, "lblCredit")->text(), QString("No Image"));
    QCOMPARE(Child<QLabel>(w, "lblDateCaption")->pos(), QPoint(8, 56));
    QCOMPARE(Child<QLabel>(w, "lblDate")->pos(), QPoint(64, 56));
    QCOMPARE(Child<QLabel>(w, "lblDate")->text(), QString("No Image"));
    auto* notes = Child<QPlainTextEdit>(w, "Memo1");
    QVERIFY(notes->isHidden());
    QCOMPARE(notes->width(), 185);
    QCOMPARE(notes->geometry().right(), panel->width() - 3 - 1);
    QCOMPARE(w.ImageToolStrip()->width(), panel->width() - 185 - 6);
    QCOMPARE(w.ImageToolStrip()->pos(), QPoint(3, 3));
    auto* title = Child<QLabel>(w, "lblTitle");
    QCOMPARE(title->height(), 18);
    QCOMPARE(title->width(), w.Viewer()->width());
    QVERIFY(title->font().bold());

    // Enter does not start a new line in the notes box.
    notes->show();
    notes->setFocus();
    QTest::keyClicks(notes, "ab");
    QTest::keyClick(notes, Qt::Key_Return);
    QTest::keyClick(notes, Qt::Key_Enter);
    QTest::keyClicks(notes, "c");
    QCOMPARE(notes->toPlainText(), QString("abc"));
}

void TestMainWindow::searchBoxEnterPressesSearch() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    ShowNormal(w);
    w.SetSearchMode(true);
    auto* edit = Child<QLineEdit>(w, "Edit1");
    QCOMPARE(edit->text(), QString("Enter search terms"));
    QCOMPARE(edit->toolTip(), QString("Enter search terms"));
    QCOMPARE(Child<QPushButton>(w, "btnSearch")->toolTip(), QString("Click this button to perform the search"));
    QCOMPARE(Child<QPushButton>(w, "btnSearchOptions")->toolTip(), QString("Change search options"));
    QCOMPARE(Child<QPushButton>(w, "btnSearchHelp")->toolTip(), QString("Get help"));
    int pressed = 0;
    connect(Child<QPushButton>(w, "btnSearch"), &QPushButton::clicked, this, [&pressed] { ++pressed; });
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(pressed, 1);
    QCOMPARE(Child<QComboBox>(w, "ComboBox1")->maxVisibleItems(), 20);
}

void TestMainWindow::destructionRemovesSearchResults() {
    TEnv env;
    const std::string results = env.docs + "/My Pictures/My Albums/Search Results.col";
    const std::string other = env.docs + "/My Pictures/My Albums/Holiday.col";
    testsupport::WriteAll(results, "x");
    testsupport::WriteAll(other, "y");
    {
        auto app = env.Start();
        QCOMPARE(QString::fromStdString(app->Main().CatalogRoot()),
                 QString::fromStdString(env.docs + "/My Pictures/My Albums/"));
        QVERIFY(std::filesystem::exists(results));
    }
    QVERIFY(!std::filesystem::exists(results));
    QVERIFY(std::filesystem::exists(other));
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
