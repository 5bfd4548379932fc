// The About window (its caption line from the start counter, its buttons), the Donate window,
// the Help menu's web links and About command, the splash window's look, and the read-me and
// licence that the install folder holds.
#include <QtTest>

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "TWebLinks.h"
#include "UiTestEnv.h"
#include "frmAboutU.h"
#include "frmDonateU.h"
#include "frmMainU.h"
#include "frmSplashU.h"

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

using TEnv = testsupport::UiTestEnv;

// Opens the About window through the About command and returns its caption line.
QString AboutCaption(TfrmMain& w) {
    QString caption;
    auto opened = WhenShown<TfrmAbout>([&caption](TfrmAbout& a) { caption = a.CaptionLabel()->text(); });
    w.Command("About")->trigger();
    if (!*opened) return "<not opened>";
    return caption;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

class TestInfoWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ApplyLookAndFeel(*qApp); }

    void aboutCaptionFollowsTheStartCounter();
    void aboutWindowLook();
    void aboutButtonsOpenReadMeLicenceAndDonate();
    void withoutInstallFolderNothingOpensAndNothingIsSaid();
    void donateWindow();
    void helpMenuWebLinksDonateAndAbout();
    void webAddressesAreWellFormed();
    void splashLook();
    void installFolderHoldsReadMeAndLicence();
};

void TestInfoWindows::aboutCaptionFollowsTheStartCounter() {
    QCOMPARE(TfrmAbout::CaptionFor(1), QString("Thanks for using Lumavell2!"));
    QCOMPARE(TfrmAbout::CaptionFor(5), QString("Thanks for using Lumavell2!"));
    QCOMPARE(TfrmAbout::CaptionFor(6),
             QString("You have used this program 6 times. Have you considered donating?"));
    QCOMPARE(TfrmAbout::CaptionFor(1234),
             QString("You have used this program 1234 times. Have you considered donating?"));

    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    // No counter yet reads as one start.
    QCOMPARE(AboutCaption(w), QString("Thanks for using Lumavell2!"));
    env.store.WriteInteger("Images", "timesRun", 5);
    QCOMPARE(AboutCaption(w), QString("Thanks for using Lumavell2!"));
    // Each opening reads the counter again.
    env.store.WriteInteger("Images", "timesRun", 6);
    QCOMPARE(AboutCaption(w), QString("You have used this program 6 times. Have you considered donating?"));
    env.store.WriteInteger("Images", "timesRun", 2);
    QCOMPARE(AboutCaption(w), QString("Thanks for using Lumavell2!"));
    // The sixth start counts itself before the window can be opened.
    env.store.WriteInteger("Images", "timesRun", 5);
    Show(w);
    QCOMPARE(AboutCaption(w), QString("You have used this program 6 times. Have you considered donating?"));
}

void TestInfoWindows::aboutWindowLook() {
    TEnv env;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w, 800, 560);
    bool checked = false;
    auto opened = WhenShown<TfrmAbout>([&](TfrmAbout& a) {
        QCOMPARE(a.windowTitle(), QString("About..."));
        QVERIFY(a.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(a.isModal());
        // Centred on the main window.
        const QPoint mine = a.frameGeometry().center(), owner = w.frameGeometry().center();
        QVERIFY2((mine - owner).manhattanLength() <= 2, "not centred on the main window");
        // White inside, the texts the window is about.
        const QImage shot = a.grab().toImage();
        QCOMPARE(QColor(shot.pixel(a.width() - 12, a.height() / 2)), QColor(Qt::white));
        QStringList texts;
        for (QLabel* l : a.findChildren<QLabel*>()) texts << l->text();
        const QString all = texts.join('\n');
        QVERIFY(all.contains("Lumavell2"));
        QVERIFY(all.contains("Version "));
        QVERIFY(all.contains("Lumavell2 developers"));
        QVERIFY(all.contains("Qt ") && all.contains("libjpeg") && all.contains("libzip"));
        QCOMPARE(a.ReadMeButton()->text(), QString("Read Me"));
        QCOMPARE(a.LicenceButton()->text(), QString("Licence Agreement"));
        QCOMPARE(a.DonateButton()->text(), QString("Donate"));
        QCOMPARE(a.OkButton()->text(), QString("OK"));
        QVERIFY(a.OkButton()->isDefault());
        // Every text fits: the window is as tall as its wrapped texts need.
        for (QLabel* l : a.findChildren<QLabel*>())
            if (l->wordWrap()) QVERIFY2(l->height() >= l->heightForWidth(l->width()), qPrintable(l->text()));
        a.OkButton()->click();
        QVERIFY(!a.isVisible());
        QCOMPARE(a.result(), int(QDialog::Accepted));
        checked = true;
    });
    w.AboutExecute();
    QVERIFY(*opened);
    QVERIFY(checked);
    // The About command carries its hint.
    QCOMPARE(w.Command("About")->toolTip(), QString("Find out all about this program."));
}

void TestInfoWindows::aboutButtonsOpenReadMeLicenceAndDonate() {
    TEnv env;
    TUrlCatcher urls;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    bool donateOpened = false;
    auto opened = WhenShown<TfrmAbout>([&](TfrmAbout& a) {
        a.ReadMeButton()->click();
        a.LicenceButton()->click();
        auto donate = WhenShown<TfrmDonate>([](TfrmDonate& d) { d.CloseButton()->click(); });
        a.DonateButton()->click();
        donateOpened = *donate;
        // The About window stays open behind the Donate window.
        QVERIFY(a.isVisible());
    });
    w.AboutExecute();
    QVERIFY(*opened);
    QVERIFY(donateOpened);
    QCOMPARE(urls.urls, QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(env.install + "/readme.txt")),
                                     QUrl::fromLocalFile(QString::fromStdString(env.install + "/licence.txt"))}));
    QVERIFY(env.messages.asked.empty());
}

void TestInfoWindows::withoutInstallFolderNothingOpensAndNothingIsSaid() {
    TEnv env(false);
    TUrlCatcher urls;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    env.messages.asked.clear();  // the start-up's "Where am I?"
    auto opened = WhenShown<TfrmAbout>([&](TfrmAbout& a) {
        a.ReadMeButton()->click();
        a.LicenceButton()->click();
    });
    w.AboutExecute();
    QVERIFY(*opened);
    // A file name alone would be looked for in whatever the working directory is.
    QVERIFY(urls.urls.isEmpty());
    QVERIFY(env.messages.asked.empty());
    QVERIFY(!OpenInstallFile("", "readme.txt"));
}

void TestInfoWindows::donateWindow() {
    TEnv env;
    TUrlCatcher urls;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    TfrmDonate& d = *w.DonateWindow();
    QCOMPARE(d.windowTitle(), QString("Donate"));
    QCOMPARE(d.minimumSize(), d.maximumSize());
    QStringList texts;
    for (QLabel* l : d.findChildren<QLabel*>()) texts << l->text();
    QVERIFY(texts.contains("Donate"));
    QVERIFY(texts.contains("Ready to donate? Just click the button below to get started."));
    QVERIFY(texts.join(' ').contains("no function is ever locked"));
    bool checked = false;
    auto opened = WhenShown<TfrmDonate>([&](TfrmDonate& dlg) {
        QVERIFY(dlg.isModal());
        const QRect area = dlg.screen()->availableGeometry();
        QVERIFY2((dlg.frameGeometry().center() - area.center()).manhattanLength() <= 2, "not centred on the screen");
        for (QLabel* l : dlg.findChildren<QLabel*>())
            if (l->wordWrap()) QVERIFY2(l->height() >= l->heightForWidth(l->width()), qPrintable(l->text()));
        QCOMPARE(dlg.DonatePicture()->accessibleName(), QString("Donate"));
        QTest::mouseClick(dlg.DonatePicture(), Qt::LeftButton);
        QCOMPARE(urls.urls, QList<QUrl>({QUrl(weblinks::kDonate)}));
        // The picture is a button for the keyboard too.
        dlg.DonatePicture()->setFocus();
        QTest::keyClick(dlg.DonatePicture(), Qt::Key_Space);
        QCOMPARE(urls.urls.size(), 2);
        QCOMPARE(dlg.CloseButton()->text(), QString("Close"));
        dlg.CloseButton()->click();
        QVERIFY(!dlg.isVisible());
        checked = true;
    });
    w.DonateExecute();
    QVERIFY(*opened);
    QVERIFY(checked);
    // Reused: the same window opens again.
    auto again = WhenShown<TfrmDonate>([&d](TfrmDonate& dlg) { QCOMPARE(&dlg, &d); });
    w.DonateExecute();
    QVERIFY(*again);
}

void TestInfoWindows::helpMenuWebLinksDonateAndAbout() {
    TEnv env;
    TUrlCatcher urls;
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    const std::pair<const char*, const char*> items[] = {
        {"GotoCorvane", weblinks::kMakerSite},
        {"GotoSupport", weblinks::kSupport},
        {"GotoWebPage", weblinks::kProductPage},
    };
    for (const auto& i : items) {
        urls.urls.clear();
        QAction* a = w.findChild<QAction*>(i.first);
        QVERIFY(a);
        a->trigger();
        QCOMPARE(urls.urls, QList<QUrl>({QUrl(i.second)}));
    }
    auto donate = WhenShown<TfrmDonate>([](TfrmDonate&) {});
    w.findChild<QAction*>("Donate")->trigger();
    QVERIFY(*donate);
    auto about = WhenShown<TfrmAbout>([](TfrmAbout&) {});
    w.Command("About")->trigger();
    QVERIFY(*about);
    QVERIFY(env.messages.asked.empty());
}

void TestInfoWindows::webAddressesAreWellFormed() {
    const char* all[] = {weblinks::kMakerSite,  weblinks::kSupport,      weblinks::kProductPage,
                         weblinks::kDonate,     weblinks::kFindPhotos,   weblinks::kPhotoEditors,
                         weblinks::kImagingDevices};
    QSet<QString> seen;
    for (const char* a : all) {
        const QUrl url(a, QUrl::StrictMode);
        QVERIFY2(url.isValid() && url.scheme() == "https" && !url.host().isEmpty(), a);
        seen.insert(a);
    }
    QCOMPARE(seen.size(), int(std::size(all)));
    // Something that is not an address is not handed to the desktop.
    TUrlCatcher urls;
    QVERIFY(!OpenWebPage("http://exa mple/%zz"));
    QVERIFY(urls.urls.isEmpty());
}

void TestInfoWindows::splashLook() {
    TfrmSplash splash;
    QCOMPARE(splash.windowTitle(), QString("Brightlet Image Viewer"));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    splash.ShowNow();
    Flush();
    QCOMPARE(splash.size(), QSize(500, 100));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(splash.geometry().center(), QRect(screen.x() + (screen.width() - 500) / 2,
                                               screen.y() + (screen.height() - 100) / 2, 500, 100)
                                             .center());
    // A picture, not an empty window: the emblem's white tile sits on the blue.
    const QImage shot = splash.grab().toImage();
    QCOMPARE(QColor(shot.pixel(54, 17)).lightness() > 230, true);
    QCOMPARE(QColor(shot.pixel(8, 50)).blue() > QColor(shot.pixel(8, 50)).red(), true);
}

void TestInfoWindows::installFolderHoldsReadMeAndLicence() {
    const std::string data = qEnvironmentVariable("LUMAVELL_DATA_DIR").toStdString();
    QVERIFY(!data.empty());
    const std::string readme = ReadAll(data + "/readme.txt");
    const std::string licence = ReadAll(data + "/licence.txt");
    QVERIFY(readme.find("Lumavell2") != std::string::npos);
    QVERIFY(readme.find("licence.txt") != std::string::npos);
    QVERIFY(licence.find("MIT License") != std::string::npos);
    QVERIFY(licence.find("Copyright (c) 2026 Lumavell2 developers") != std::string::npos);
}

QTEST_MAIN(TestInfoWindows)
#include "test_infowindows.moc"
