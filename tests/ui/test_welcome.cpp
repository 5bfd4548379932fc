// The welcome pane: its layout steps at 300 and 507 pixels, when it is shown and hidden (first
// showing, a photo shown, Ctrl+T), the first-use hints at its links, "Share this album" waiting
// for an album, and what every link does.
#include <QtTest>

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QScrollBar>
#include <QSignalSpy>
#include <QUrl>

#include <filesystem>
#include <memory>

#include "TBalloonHint.h"
#include "THelp.h"
#include "THints.h"
#include "TWebLinks.h"
#include "UiTestEnv.h"
#include "frmAboutU.h"
#include "frmHelpU.h"
#include "frmIconsU.h"
#include "frmIWantU.h"
#include "frmMainU.h"

using testsupport::Flush;
using testsupport::Show;
using testsupport::WhenShown;

namespace {

// Takes the addresses the program hands to the desktop, so no test starts a browser.
class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    TUrlCatcher() {
        for (const char* scheme : {"http", "https", "file"}) QDesktopServices::setUrlHandler(scheme, this, "Open");
    }
    ~TUrlCatcher() override {
        for (const char* scheme : {"http", "https", "file"}) QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls << url; }
};

struct TEnv : testsupport::UiTestEnv {
    // One album "Holiday" with two photos, and the album "Empty".
    void MakeAlbums() {
        const std::string a = testsupport::WritePicture(photos + "/a.jpg", 64, 48, Qt::blue);
        const std::string b = testsupport::WritePicture(photos + "/b.jpg", 64, 48, Qt::green);
        WriteNotFound();
        WriteCatalog({{"Holiday;0", {{"Beach", a, ""}, {"Hills", b, ""}}}, {"Empty;1"}});
        // Later starts: the start-up hints and the thumbnail question are behind us.
        store.WriteBool("Images", "firstTime_first", true);
        store.WriteBool("Images", "firstTime_anotherOpen", true);
        store.WriteBool("Images", "firstTime_openAlbumb", true);
        store.WriteBool("Images", "firstTime_openPhoto", true);
        store.WriteInteger("Images", "saveThumbs", 1);
    }
};

// A host widget of a given width with a welcome pane over it.
struct TPaneOnHost {
    QWidget host;
    TfrmIWant* pane;
    TPaneOnHost() : pane(new TfrmIWant(&host)) {
        host.resize(800, 600);
        host.show();
        pane->show();
        Flush();
    }
    void Width(int w) {
        host.resize(w, 600);
        Flush();
    }
};

}  // namespace

class TestWelcome : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ApplyLookAndFeel(*qApp); }

    void layoutRuleInNumbers();
    void layoutStepsAt300And507();
    void shortPaneScrollsToTheFocusedLink();
    void linksAreNamedAndInOrder();
    void hiddenAtCreationShownAtFirstShowing();
    void photoHidesPaneAndCtrlTBringsItBack();
    void importPhotoHidesPane();
    void startupHintsPointAtTheirLinks();
    void shareLinkWaitsForAnAlbum();
    void helpLinksOpenTheirTopicsForThePane();
    void commandLinksRunTheirCommands();
    void importLinkShowsTheImportBar();
    void webLinksAboutAndIconsOpenTheirTargets();
    void keyboardFollowsLinks();
};

void TestWelcome::layoutRuleInNumbers() {
    // Halving rounds toward zero, for the pane and for each part.
    TWelcomeLayout l = WelcomeLayout(299, 281, 281);
    QVERIFY(!l.shown);
    QCOMPARE(l.panelWidth, 281);
    l = WelcomeLayout(300, 281, 281);
    QVERIFY(l.shown);
    QCOMPARE(l.panelWidth, 281);
    QCOMPARE(l.panelLeft, 150 - 140);
    l = WelcomeLayout(506, 281, 281);
    QCOMPARE(l.panelWidth, 281);
    QCOMPARE(l.panelLeft, 253 - 140);
    l = WelcomeLayout(507, 281, 280);
    QCOMPARE(l.panelWidth, 489);
    QCOMPARE(l.panelLeft, 253 - 244);
    QCOMPARE(l.titleLeft, 253 - 140);
    QCOMPARE(l.pictureLeft, 253 - 140);
    l = WelcomeLayout(1001, 301, 100);
    QCOMPARE(l.panelLeft, 500 - 244);
    QCOMPARE(l.titleLeft, 500 - 150);
    QCOMPARE(l.pictureLeft, 500 - 50);
    // A pane of no width: nothing shown, the narrow panel, parts left of the pane.
    l = WelcomeLayout(0, 281, 281);
    QVERIFY(!l.shown);
    QCOMPARE(l.panelWidth, 281);
    QCOMPARE(l.panelLeft, -140);
}

void TestWelcome::layoutStepsAt300And507() {
    TPaneOnHost s;
    TfrmIWant& p = *s.pane;
    QCOMPARE(p.geometry(), s.host.rect());
    struct Case {
        int width;
        bool shown;
        int panel;
    };
    for (const Case& c : {Case{299, false, 281}, Case{300, true, 281}, Case{506, true, 281}, Case{507, true, 489},
                          Case{900, true, 489}, Case{120, false, 281}}) {
        s.Width(c.width);
        QCOMPARE(p.width(), c.width);
        QCOMPARE(p.TitleGroup()->isVisible(), c.shown);
        QCOMPARE(p.LinkPanel()->isVisible(), c.shown);
        QCOMPARE(p.LinkPanel()->width(), c.panel);
        if (!c.shown) continue;
        const int half = c.width / 2;
        QCOMPARE(p.LeftInPane(p.TitleGroup()), half - p.TitleGroup()->width() / 2);
        QCOMPARE(p.LeftInPane(p.LinkPanel()), half - c.panel / 2);
        QCOMPARE(p.LeftInPane(p.Picture()), half - p.Picture()->width() / 2);
        // Every link lies inside the panel and inside the pane's frame.
        for (TWelcomeLink* link : p.Links()) {
            const QRect r(link->mapTo(&p, QPoint(0, 0)), link->size());
            QVERIFY2(QRect(QPoint(0, 0), p.LinkPanel()->size()).contains(link->geometry()),
                     qPrintable(link->objectName()));
            QVERIFY2(r.left() >= welcome::kFrameWidth && r.right() < c.width - welcome::kFrameWidth,
                     qPrintable(link->objectName()));
        }
    }
    // The wide panel puts "Or, I could..." beside the groups, the narrow one below them.
    s.Width(800);
    const int sideBySide = p.Link("lnkSearch")->x();
    QVERIFY(sideBySide >= 281);
    QVERIFY(p.Link("lnkSearch")->y() < p.Link("lnkShareAlbum")->y());
    s.Width(400);
    QVERIFY(p.Link("lnkSearch")->x() < 40);
    QVERIFY(p.Link("lnkSearch")->y() > p.Link("lnkHelpEmail")->y());
}

void TestWelcome::shortPaneScrollsToTheFocusedLink() {
    TPaneOnHost s;
    TfrmIWant& p = *s.pane;
    s.host.resize(400, 1400);
    Flush();
    QVERIFY(!p.ScrollBar()->isVisible());
    s.host.resize(400, 200);
    Flush();
    QVERIFY(p.ScrollBar()->isVisible());
    QCOMPARE(p.ScrollBar()->value(), 0);
    s.host.activateWindow();
    // Walking to the last link brings it into view.
    p.Link("lnkSearch")->setFocus();
    for (int i = 0; i < 8; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focused = QApplication::focusWidget();
    QVERIFY(p.isAncestorOf(focused));
    QVERIFY(p.ScrollBar()->value() > 0);
    const QRect r(focused->mapTo(&p, QPoint(0, 0)), focused->size());
    QVERIFY(r.top() >= 0 && r.bottom() <= p.height());
}

void TestWelcome::linksAreNamedAndInOrder() {
    TPaneOnHost s;
    const auto& table = WelcomeLinkTable();
    QCOMPARE(int(s.pane->Links().size()) + 1, int(table.size()));
    QStringList captions;
    for (size_t i = 0; i + 1 < table.size(); ++i) {
        TWelcomeLink* link = s.pane->Links()[i];
        QCOMPARE(link->objectName(), QString(table[i].object));
        QCOMPARE(link->text(), QString(table[i].caption));
        QCOMPARE(link->accessibleName(), link->text());
        QCOMPARE(link->focusPolicy(), Qt::StrongFocus);
        captions << link->text();
    }
    QCOMPARE(captions, QStringList({"Start importing photos", "Importing photos from a file",
                                    "Importing photos from a camera or scanner", "Create a new album",
                                    "Open an album", "Creating albums", "Opening albums",
                                    "Changing photos properties", "Share this album", "Sharing albums",
                                    "Passing on albums through the web", "Search for a photo",
                                    "Change Lumavell2 preferences", "Add more icons for use in albums",
                                    "Learn everything about Lumavell2", "Find photos on the internet",
                                    "Find and buy photo editors", "Find and buy imaging devices", "Goto Corvane",
                                    "Get Lumavell2 support"}));
    QCOMPARE(s.pane->AboutPicture()->toolTip(), QString("About"));
    QCOMPARE(s.pane->AboutPicture()->accessibleName(), QString("About"));
    // The pane is white inside its grey frame.
    const QImage shot = s.pane->grab().toImage();
    QCOMPARE(QColor(shot.pixel(1, 300)).lightness() < 200, true);
    QCOMPARE(QColor(shot.pixel(6, 300)), QColor(Qt::white));
    for (const char* verb : {"lblVerb_snap", "lblVerb_organise", "lblVerb_share"})
        QVERIFY(s.pane->findChild<QWidget*>(verb));
}

void TestWelcome::hiddenAtCreationShownAtFirstShowing() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    QVERIFY(w.WelcomePane()->isHidden());
    QVERIFY(w.TaskLauncher());
    QVERIFY(w.TaskLauncher()->isCheckable());
    QVERIFY(!w.TaskLauncher()->isChecked());
    QCOMPARE(w.TaskLauncher()->text(), QString("Task Launcher"));
    QCOMPARE(w.TaskLauncher()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
    Show(w);
    QVERIFY(w.WelcomePane()->isVisible());
    QVERIFY(w.TaskLauncher()->isChecked());
    // It covers the viewer: photo title, photo area and details panel.
    QCOMPARE(w.WelcomePane()->parentWidget(), w.Viewer());
    QCOMPARE(w.WelcomePane()->geometry(), w.Viewer()->rect());
    w.resize(900, 600);
    Flush();
    QCOMPARE(w.WelcomePane()->geometry(), w.Viewer()->rect());
    QCOMPARE(w.WelcomePane()->LinkPanel()->width(), w.Viewer()->width() >= 507 ? 489 : 281);
}

void TestWelcome::photoHidesPaneAndCtrlTBringsItBack() {
    TEnv env;
    env.MakeAlbums();
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.activateWindow();
    QApplication::setActiveWindow(&w);
    w.ComboBox1Change(0);
    Flush();
    // Opening an album leaves the pane up; showing a photo puts it away.
    QVERIFY(w.WelcomePane()->isVisible());
    w.SelectRow(1);
    Flush();
    QVERIFY(w.WelcomePane()->isHidden());
    QVERIFY(!w.TaskLauncher()->isChecked());

    QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);
    QVERIFY(w.WelcomePane()->isVisible());
    QVERIFY(w.TaskLauncher()->isChecked());
    QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);
    QVERIFY(w.WelcomePane()->isHidden());
    QVERIFY(!w.TaskLauncher()->isChecked());
    // The menu item does the same.
    w.TaskLauncher()->trigger();
    QVERIFY(w.WelcomePane()->isVisible());
    // Over a photo it is on top, and the next photo puts it away again.
    QVERIFY(w.WelcomePane()->grab().toImage().pixel(w.WelcomePane()->width() / 2, 8) != 0);
    w.SelectRow(0);
    QVERIFY(w.WelcomePane()->isHidden());
    QVERIFY(!w.TaskLauncher()->isChecked());
}

void TestWelcome::importPhotoHidesPane() {
    TEnv env;
    testsupport::WritePicture(env.photos + "/c.jpg", 64, 48, Qt::yellow);
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    QVERIFY(w.WelcomePane()->isVisible());
    w.ListBox2Click(0, env.photos, {"c.jpg"});
    QVERIFY(w.WelcomePane()->isHidden());
    QVERIFY(!w.TaskLauncher()->isChecked());
}

void TestWelcome::startupHintsPointAtTheirLinks() {
    TEnv env;
    struct Start {
        const char* text;
        const char* link;
    };
    for (const Start& s : {Start{hint::kTextWelcome, "lnkCreateAlbum"}, Start{hint::kTextAnotherOpen, "lnkOpenAlbum"}}) {
        auto app = env.Start();
        TfrmMain& w = app->Main();
        Show(w);
        TWelcomeLink* link = w.WelcomePane()->Link(s.link);
        QVERIFY(link->isVisible());
        QCOMPARE(w.Balloon().Text(), QString(s.text));
        // The window took its size after the hint was placed: the hint followed the link.
        Flush();
        QVERIFY(w.Balloon().isVisible());
        QCOMPARE(w.Balloon().TipPoint(), TBalloonHint::AnchorPoint(link, THintPosition::AboveRight));
        w.resize(w.width() + 160, w.height() + 40);
        Flush();
        QCOMPARE(w.Balloon().TipPoint(), TBalloonHint::AnchorPoint(link, THintPosition::AboveRight));
        w.close();
    }
}

void TestWelcome::shareLinkWaitsForAnAlbum() {
    TEnv env;
    env.MakeAlbums();
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    TWelcomeLink* share = w.WelcomePane()->Link("lnkShareAlbum");
    QVERIFY(!share->isEnabled());
    // A click on the disabled link does nothing.
    QSignalSpy runs(w.Command("Share"), &QAction::triggered);
    QTest::mouseClick(share, Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(runs.count(), 0);
    // Search results cannot be shared: the link stays off with the command.
    w.SearchExecute();
    QVERIFY(!share->isEnabled());
    w.ComboBox1Change(0);
    QVERIFY(share->isEnabled());
    QVERIFY(w.Command("Share")->isEnabled());
    auto shown = WhenShown<QDialog>([](QDialog&) {});
    share->click();
    Flush();
    QCOMPARE(runs.count(), 1);
    (void)shown;
}

void TestWelcome::helpLinksOpenTheirTopicsForThePane() {
    TEnv env;
    std::filesystem::create_directories(env.install + "/help");
    const std::pair<const char*, const char*> links[] = {
        {"lnkHelpImport", "import.htm"},         {"lnkHelpImportDevice", "import_device.htm"},
        {"lnkHelpNewAlbum", "new_album.htm"},    {"lnkHelpOpenAlbum", "open_album.htm"},
        {"lnkHelpProperties", "properties.htm"}, {"lnkHelpSharing", "sharing.htm"},
        {"lnkHelpEmail", "email.htm"},
    };
    for (const auto& l : links)
        testsupport::WriteAll(env.install + "/help/" + l.second, std::string("<html><body>") + l.second + "</body></html>");
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    for (const auto& l : links) {
        w.WelcomePane()->Link(l.first)->click();
        Flush();
        // The "welcome" help window shows the page.
        TfrmHelp* help = w.HelpViewer().Window("welcome");
        QVERIFY2(help && help->isVisible(), l.first);
        QCOMPARE(help->Browser()->source().toLocalFile(),
                 QString::fromStdString(env.install + "/help/" + l.second));
        QVERIFY(!help->ShowsNotFound());
    }
    // The table names the welcome window definition for every help link.
    for (const TWelcomeLinkDef& d : WelcomeLinkTable())
        if (d.kind == TWelcomeLinkKind::Help) QVERIFY(QString(d.target).endsWith(">welcome"));
    QVERIFY(env.messages.asked.empty());
}

void TestWelcome::commandLinksRunTheirCommands() {
    TEnv env;
    env.MakeAlbums();
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.ComboBox1Change(0);
    const std::pair<const char*, const char*> links[] = {
        {"lnkCreateAlbum", "NewCol"}, {"lnkOpenAlbum", "OpenCol"},       {"lnkShareAlbum", "Share"},
        {"lnkSearch", "Search"},      {"lnkPreferences", "Preferences"}, {"lnkHelpAll", "Help"},
    };
    for (const auto& l : links) {
        // Search switches to the search results; open the album again for the next link.
        if (QString(l.first) == "lnkShareAlbum") w.ComboBox1Change(0);
        QSignalSpy runs(w.Command(l.second), &QAction::triggered);
        auto opened = WhenShown<QDialog>([](QDialog&) {});
        w.WelcomePane()->Link(l.first)->click();
        Flush();
        QVERIFY2(runs.count() == 1, l.first);
        w.AlbumBox()->hidePopup();
        Flush();
    }
    // "New Album" and "Preferences" opened their dialogs; "Open an album" the album box; Help its
    // contents.
    QVERIFY(w.HelpViewer().Window("default"));
}

void TestWelcome::importLinkShowsTheImportBar() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    QVERIFY(w.ImportBar()->isHidden());
    QSignalSpy runs(w.Command("nuImport"), &QAction::triggered);
    TWelcomeLink* link = w.WelcomePane()->Link("lnkStartImport");
    link->click();
    Flush();
    QCOMPARE(runs.count(), 1);
    QVERIFY(w.ImportBar()->isVisible());
    QVERIFY(w.Command("nuImport")->isChecked());
    // A second click leaves the open bar open.
    link->click();
    Flush();
    QCOMPARE(runs.count(), 1);
    QVERIFY(w.ImportBar()->isVisible());
}

void TestWelcome::webLinksAboutAndIconsOpenTheirTargets() {
    TEnv env;
    TUrlCatcher urls;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    const std::pair<const char*, const char*> links[] = {
        {"lnkFindPhotos", weblinks::kFindPhotos},   {"lnkPhotoEditors", weblinks::kPhotoEditors},
        {"lnkImagingDevices", weblinks::kImagingDevices}, {"lnkCorvane", weblinks::kMakerSite},
        {"lnkSupport", weblinks::kSupport},
    };
    for (const auto& l : links) {
        urls.urls.clear();
        w.WelcomePane()->Link(l.first)->click();
        QCOMPARE(urls.urls, QList<QUrl>({QUrl(l.second)}));
        QVERIFY(QUrl(l.second).isValid());
        QCOMPARE(QUrl(l.second).scheme(), QString("https"));
    }
    // The About picture opens the About window, the icons link the icon list.
    auto about = WhenShown<TfrmAbout>([](TfrmAbout& a) { QVERIFY(a.isVisible()); });
    w.WelcomePane()->AboutPicture()->click();
    QVERIFY(*about);
    auto icons = WhenShown<QDialog>([&w](QDialog& d) { QCOMPARE(&d, static_cast<QDialog*>(w.IconsDialog())); });
    w.WelcomePane()->Link("lnkIcons")->click();
    QVERIFY(*icons);
    QVERIFY(env.messages.asked.empty());
}

void TestWelcome::keyboardFollowsLinks() {
    TEnv env;
    TUrlCatcher urls;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.activateWindow();
    QApplication::setActiveWindow(&w);
    TWelcomeLink* link = w.WelcomePane()->Link("lnkSupport");
    link->setFocus();
    QTest::keyClick(link, Qt::Key_Return);
    QTest::keyClick(link, Qt::Key_Space);
    QCOMPARE(urls.urls.size(), 2);
    QCOMPARE(urls.urls[0], QUrl(weblinks::kSupport));
}

QTEST_MAIN(TestWelcome)
#include "test_welcome.moc"
