// The commands that hand the shown photo on: full screen, the slideshow and its settings,
// copy, set as wallpaper (with stand-in desktop tools), printing to a PDF file, and the external
// editor (a stand-in script that changes the photo).
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QMessageBox>
#include <QStandardPaths>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/stat.h>

#include "JpegCodec.h"
#include "TAppWindows.h"
#include "TBalloonHint.h"
#include "TImageCommands.h"
#include "TPhotoList.h"
#include "TPhotoView.h"
#include "TSettingsStore.h"
#include "TViewerModel.h"
#include "TWallpaper.h"
#include "TestSupport.h"
#include "UiTestEnv.h"
#include "frmFullU.h"
#include "frmMainU.h"
#include "frmPrefs2U.h"
#include "frmSetWallU.h"
#include "TQtMessages.h"
#include "frmShowU.h"
#include "frmSlideSettingsU.h"

namespace fs = std::filesystem;
using testsupport::WhenShown;

namespace {

struct TEnv : testsupport::UiTestEnv {
    TEnv() {
        QImage notFound(100, 80, QImage::Format_RGB32);
        notFound.fill(Qt::gray);
        std::string error;
        if (!imaging::SaveBmp(notFound, install + "/notfound.bmp", error)) qFatal("%s", error.c_str());
        for (const char* flag : {"firstTime_openPhoto", "firstTime_openAlbumb", "firstTime_start"})
            store.WriteBool("Images", flag, true);
    }
    std::string Jpeg(const std::string& file, const QImage& img) {
        const std::string path = photos + "/" + file;
        std::string error;
        if (!imaging::SaveJpeg(img, path, error)) qFatal("%s", error.c_str());
        return path;
    }
    std::string Jpeg(const std::string& file, int w, int h, QColor c) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(c);
        return Jpeg(file, img);
    }
    std::unique_ptr<TAppWindows> Open(int album = 0) {
        auto app = Start();
        TfrmMain& w = app->Main();
        testsupport::Show(w, 900, 640);
        emit w.AlbumBox()->activated(album);
        Flush();
        messages.asked.clear();  // the questions of the first album opened
        return app;
    }
    static void Flush() { testsupport::Flush(4); }
    // The message boxes asked, as "caption: text" lines.
    QString Boxes() const {
        QStringList out;
        for (const auto& m : messages.asked) out << QString::fromStdString(m.caption + ": " + m.text);
        return out.join('\n');
    }
    bool Told(const std::string& caption, const std::string& part) const {
        for (const auto& m : messages.asked)
            if (m.caption == caption && m.text.find(part) != std::string::npos) return true;
        return false;
    }
};

QColor Pixel(const QImage& img, int x, int y) { return QColor(img.pixel(x, y)); }
bool Near(QColor a, QColor b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Runs check on the top modal window of type W once the event loop is back, then closes it by
// the key given (the windows here are closed by Esc), whatever the check did.
template <class W>
void WhenOpen(std::function<void(W&)> check, bool* opened) {
    QTimer::singleShot(0, [check, opened] {
        auto* win = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!win) {
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
            return;
        }
        *opened = true;
        check(*win);
        if (win->isVisible()) QTest::keyClick(win, Qt::Key_Escape);
    });
}

// A stand-in program: a shell script that appends its arguments, one per line, to log.
std::string StandIn(const std::string& folder, const std::string& name, const std::string& log,
                    const std::string& extra = "") {
    fs::create_directories(folder);
    const std::string path = folder + "/" + name;
    testsupport::WriteAll(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + log + "'; done\n"
                                    "echo ---- >> '" + log + "'\n" + extra);
    chmod(path.c_str(), 0755);
    return path;
}

class TEnvVar {
public:
    TEnvVar(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~TEnvVar() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

}  // namespace

class TestImageCommands : public QObject {
    Q_OBJECT
private slots:
    void fullScreenShowsThePictureAndTheTipOnce();
    void slideshowStepsWrapsAndTimes();
    void slideshowRefusesBadSecondsAndEmptyAlbums();
    void copyPutsTheFullPictureOnTheClipboard();
    void wallpaperThroughEachDesktopTool();
    void wallpaperCancelChangesNothing();
    void printKeepsProportionsAndOrientation();
    void printWithoutPrinterSaysSo();
    void editorChangesArePickedUpFromTheRightList();
    void editorAfterFullScreenShowsTheEditedPhoto();
    void slideshowArrowsReachTheShowAndErrorsStayOverIt();
    void editorGetsTheFileNameAsItsBytes();
};

void TestImageCommands::fullScreenShowsThePictureAndTheTipOnce() {
    TEnv env;
    env.store.WriteBool("Images", "showFullTip", true);
    const std::string big = env.Jpeg("big.jpg", 1600, 1200, Qt::red);
    const std::string small = env.Jpeg("small.jpg", 200, 100, Qt::blue);
    QVERIFY(env.WriteCatalog({{"Holiday;0", {{"Big", big, ""}, {"Small", small, ""}}}}));
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.SelectRow(0);
    QVERIFY(w.Command("ViewFullScreen")->isEnabled());
    const QSize screen = w.screen()->geometry().size();

    bool opened = false;
    WhenOpen<TfrmFull>(
        [&](TfrmFull& f) {
            TEnv::Flush();
            QCOMPARE(f.geometry(), w.screen()->geometry());
            QCOMPARE(f.SourcePicture().size(), QSize(1600, 1200));  // the pane's picture, not the file
            const viewer::TRect r = viewer::FullScreenRect(1600, 1200, screen.width(), screen.height(), false);
            QCOMPARE(f.Picture()->Frame().rect, r);
            QCOMPARE(f.Picture()->Frame().image.size(), QSize(r.width, r.height));
            QToolButton* close = f.CloseButton();
            QCOMPARE(close->size(), QSize(25, 25));
            QCOMPARE(close->pos(), QPoint(f.width() - 25, 0));
            QVERIFY(close->isHidden());
            QCOMPARE(f.Picture()->cursor().shape(), Qt::BlankCursor);
            // The tip, once.
            QVERIFY(f.Tip()->isVisible());
            QCOMPARE(f.Tip()->Text(), QString(TfrmFull::kTipText));
            QVERIFY(!env.store.ReadBool("Images", "showFullTip", true));
            // The top-right corner shows the close button and the arrow.
            QTest::mouseMove(f.Picture(), QPoint(f.width() - 10, 10));
            f.PictureMouseMove(f.width() - 10, 10);
            QVERIFY(close->isVisible());
            QCOMPARE(f.Picture()->cursor().shape(), Qt::ArrowCursor);
            f.PictureMouseMove(f.width() - 50, 10);
            QVERIFY(close->isHidden());
            QCOMPARE(f.Picture()->cursor().shape(), Qt::BlankCursor);
            // What is on screen: the red photo in the middle, black at the sides.
            const QImage shot = f.grab().toImage();
            QVERIFY(Near(Pixel(shot, screen.width() / 2, screen.height() / 2), Qt::red));
            if (r.left > 0) QVERIFY(Near(Pixel(shot, r.left / 2, screen.height() / 2), Qt::black));
        },
        &opened);
    w.Command("ViewFullScreen")->trigger();
    QVERIFY(opened);
    QVERIFY(!app->Main().ImageCommands().FullScreen().isVisible());
    // The photo list was filled afresh: no row is selected, and Next starts from the first.
    QCOMPARE(w.SelectedRow(), -1);
    w.NextExecute();
    QCOMPARE(w.SelectedRow(), 0);

    // A small photo at its own size, the close button clicked, no tip the second time.
    w.SelectRow(1);
    opened = false;
    WhenOpen<TfrmFull>(
        [&](TfrmFull& f) {
            TEnv::Flush();
            QVERIFY(!f.Tip()->isVisible());
            QCOMPARE(f.Picture()->Frame().rect,
                     (viewer::TRect{(screen.width() - 200) / 2, (screen.height() - 100) / 2, 200, 100}));
            f.PictureMouseMove(f.width() - 1, 0);
            QTest::mouseClick(f.CloseButton(), Qt::LeftButton);
            QVERIFY(!f.isVisible());
        },
        &opened);
    w.Command("ViewFullScreen")->trigger();
    QVERIFY(opened);

    // With "resize to fit" ticked the small photo is enlarged.
    app->Prefs().ResizeFullBox()->setChecked(true);
    w.SelectRow(1);
    opened = false;
    WhenOpen<TfrmFull>(
        [&](TfrmFull& f) {
            TEnv::Flush();
            QCOMPARE(f.Picture()->Frame().rect, viewer::FullScreenRect(200, 100, screen.width(), screen.height(), true));
        },
        &opened);
    w.Command("ViewFullScreen")->trigger();
    QVERIFY(opened);
}

void TestImageCommands::slideshowStepsWrapsAndTimes() {
    TEnv env;
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta};
    std::vector<testsupport::UiPhoto> photos;
    for (int i = 0; i < 5; ++i)
        photos.push_back({"P" + std::to_string(i), env.Jpeg("p" + std::to_string(i) + ".jpg", 320, 240, colours[i]), ""});
    // A sixth row whose file is gone: the show skips it.
    photos.push_back({"Gone", env.photos + "/gone.jpg", ""});
    QVERIFY(env.WriteCatalog({{"Holiday;0", photos}}));
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.SelectRow(2);  // the show starts at the first photo whatever the pane shows
    TImageCommands& ic = w.ImageCommands();

    // Unticked: the arrows only, wrapping both ways.
    bool showed = false;
    auto settings = WhenShown<TfrmSlideSettings>([&](TfrmSlideSettings& d) {
        QCOMPARE(d.windowTitle(), QString("Slideshow Settings"));
        QCOMPARE(d.SecondsBox()->text(), QString("5"));
        QVERIFY(d.NextAfterBox()->isChecked());
        QVERIFY(d.LoopButton()->isChecked());
        QCOMPARE(d.CloseAfterLastButton()->text(), QString("Close afer the last image"));
        QCOMPARE(d.LoopButton()->text(), QString("Loop continouosly"));
        d.NextAfterBox()->setChecked(false);
        WhenOpen<TfrmShow>(
            [&](TfrmShow& s) {
                TEnv::Flush();
                QCOMPARE(s.Sequence().Count(), 5);
                QCOMPARE(s.Index(), 0);
                QCOMPARE(s.Last(), 4);
                QVERIFY(!s.Timer1().isActive());
                QCOMPARE(s.ShownPath(), photos[0].path);
                QTest::keyClick(&s, Qt::Key_Left);
                QCOMPARE(s.Index(), 4);
                QCOMPARE(s.ShownPath(), photos[4].path);
                const QImage shot = s.grab().toImage();
                QVERIFY(Near(Pixel(shot, s.width() / 2, s.height() / 2), Qt::magenta));
                QTest::keyClick(&s, Qt::Key_Right);
                QCOMPARE(s.Index(), 0);
                QTest::keyClick(&s, Qt::Key_Right);
                QCOMPARE(s.ShownPath(), photos[1].path);
                QCOMPARE(s.Picture()->cursor().shape(), Qt::BlankCursor);
            },
            &showed);
        d.StartButton()->click();
        QVERIFY(!d.isVisible());  // closed with the show
    });
    w.Command("SlideShow")->trigger();
    QVERIFY(*settings);
    QVERIFY(showed);
    QVERIFY(!ic.Slideshow().isVisible());

    // Ticked with 1 second: the timer runs with 1000 ms and each tick steps on.
    showed = false;
    settings = WhenShown<TfrmSlideSettings>([&](TfrmSlideSettings& d) {
        QVERIFY(!d.NextAfterBox()->isChecked());  // the dialog keeps its state
        d.NextAfterBox()->setChecked(true);
        d.SecondsBox()->setText("1");
        WhenOpen<TfrmShow>(
            [&](TfrmShow& s) {
                QVERIFY(s.Timer1().isActive());
                QCOMPARE(s.Timer1().interval(), 1000);
                for (int i = 1; i <= 5; ++i) s.Timer1Timer();
                QCOMPARE(s.Index(), 0);  // after the last comes the first
                QTest::keyClick(&s, Qt::Key_Escape);
                QVERIFY(!s.Timer1().isActive());
            },
            &showed);
        d.StartButton()->click();
    });
    w.Command("SlideShow")->trigger();
    QVERIFY(showed);

    // 0 seconds: no timer. "Close afer the last image": stepping past the last ends the show.
    showed = false;
    settings = WhenShown<TfrmSlideSettings>([&](TfrmSlideSettings& d) {
        d.SecondsBox()->setText("0");
        d.CloseAfterLastButton()->setChecked(true);
        WhenOpen<TfrmShow>(
            [&](TfrmShow& s) {
                QVERIFY(!s.Timer1().isActive());
                QTest::keyClick(&s, Qt::Key_Left);
                QCOMPARE(s.Index(), 4);
                QTest::keyClick(&s, Qt::Key_Right);
                QVERIFY(!s.isVisible());
            },
            &showed);
        d.StartButton()->click();
    });
    w.Command("SlideShow")->trigger();
    QVERIFY(showed);
    QVERIFY2(env.messages.asked.empty(), qPrintable(env.Boxes()));
}

void TestImageCommands::slideshowRefusesBadSecondsAndEmptyAlbums() {
    TEnv env;
    const std::string a = env.Jpeg("a.jpg", 64, 48, Qt::red);
    QVERIFY(env.WriteCatalog({{"Holiday;0", {{"A", a, ""}}}, {"Empty;1"}}));
    auto app = env.Open();
    TfrmMain& w = app->Main();

    bool showed = false;
    auto settings = WhenShown<TfrmSlideSettings>([&](TfrmSlideSettings& d) {
        d.SecondsBox()->setText("2.5");
        WhenOpen<TfrmShow>([&](TfrmShow&) {}, &showed);
        d.StartButton()->click();
        QVERIFY(d.isVisible());  // the dialog stays open
        d.CancelButton()->click();
        QVERIFY(!d.isVisible());
    });
    w.Command("SlideShow")->trigger();
    QVERIFY(*settings);
    QVERIFY(!showed);
    QVERIFY(env.Told("Lumavell2", "'2.5' is not a valid integer value"));

    // An album without photos has nothing to show: no dialog, no black window.
    emit w.AlbumBox()->activated(1);
    TEnv::Flush();
    QVERIFY(w.Command("SlideShow")->isEnabled());
    settings = WhenShown<TfrmSlideSettings>([](TfrmSlideSettings&) {});
    w.Command("SlideShow")->trigger();
    QVERIFY(!*settings);
    QVERIFY(env.Told("View as Slideshow", "There are no photos in this album to show."));
}

void TestImageCommands::copyPutsTheFullPictureOnTheClipboard() {
    TEnv env;
    const std::string a = env.Jpeg("a.jpg", 1200, 900, Qt::green);
    QVERIFY(env.WriteCatalog({{"Holiday;0", {{"A", a, ""}}}}));
    auto app = env.Open();
    TfrmMain& w = app->Main();
    QGuiApplication::clipboard()->clear();
    w.SelectRow(0);
    w.ZoomInExecute();  // the zoom does not matter
    w.Command("CopyImg")->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(1200, 900));
    QVERIFY(Near(Pixel(copied, 600, 450), Qt::green));
}

void TestImageCommands::wallpaperThroughEachDesktopTool() {
    TEnv env;
    const std::string a = env.Jpeg("a.jpg", 160, 120, Qt::blue);
    QVERIFY(env.WriteCatalog({{"Holiday;0", {{"A", a, ""}}}}));
    auto app = env.Open();
    TfrmMain& w = app->Main();
    TImageCommands& ic = w.ImageCommands();
    ic.userName = [] { return std::string("anna"); };
    // By default the application's data folder.
    QCOMPARE(ic.dataFolder(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString());
    ic.dataFolder = [&env] { return env.dir.file("data/Lumavell2"); };
    // The working directory is where the user last looked at photos: nothing goes there.
    const std::string cwd = env.dir.file("cwd");
    fs::create_directories(cwd);
    fs::current_path(cwd);
    const std::string tools = env.dir.file("tools");
    const std::string log = env.dir.file("tools.log");
    StandIn(tools, "gsettings", log);
    StandIn(tools, "xfconf-query", log);
    StandIn(tools, "feh", log);
    TEnvVar path("PATH", QByteArray::fromStdString(tools));
    w.SelectRow(0);
    const std::string file = env.dir.file("data/Lumavell2") + "/anna's Wallpaper.bmp";

    struct Case {
        const char* desktop;
        const char* display;
        const char* position;
        QStringList expected;
    } cases[] = {
        {"ubuntu:GNOME", ":0", "Tiled",
         {"set", "org.gnome.desktop.background", "picture-uri",
          "'" + QUrl::fromLocalFile(QString::fromStdString(file)).toString(QUrl::FullyEncoded).replace("'", "\\'") + "'",
          "----"}},
        {"XFCE", ":0", "Centered",
         {"-c", "xfce4-desktop", "-l", "----", "-c", "xfce4-desktop", "-p",
          "/backdrop/screen0/monitor0/workspace0/last-image", "-n", "-t", "string", "-s", QString::fromStdString(file),
          "----"}},
        {"LXDE", ":7", "Stretched", {"--bg-scale", QString::fromStdString(file), "----"}},
    };
    for (const Case& c : cases) {
        fs::remove(log);
        TEnvVar desktop("XDG_CURRENT_DESKTOP", c.desktop);
        TEnvVar display("DISPLAY", c.display);
        auto shown = WhenShown<TfrmSetWall>([&](TfrmSetWall& d) {
            QCOMPARE(d.windowTitle(), QString("Set as Wallpaper"));
            d.findChild<QRadioButton*>(QString("rb") + c.position)->setChecked(true);
            d.OkButton()->click();
        });
        w.Command("SetAsWallpaper")->trigger();
        QVERIFY(*shown);
        QVERIFY2(fs::exists(file), c.desktop);
        QCOMPARE(ic.WallpaperPath(), file);
        const QStringList ran = QString::fromStdString(testsupport::ReadAll(log)).split('\n', Qt::SkipEmptyParts);
        QVERIFY2(ran.size() >= c.expected.size(), qPrintable(ran.join('|')));
        QCOMPARE(ran.mid(0, c.expected.size()), c.expected);
    }
    // The file: a 32-bit bitmap of the picture; the values of the last choice (Stretched).
    const std::string bmp = testsupport::ReadAll(file);
    QCOMPARE(bmp.substr(0, 2), std::string("BM"));
    QCOMPARE(int(static_cast<unsigned char>(bmp[28])), 32);
    QCOMPARE(QImage(QString::fromStdString(file)).size(), QSize(160, 120));
    QCOMPARE(env.store.ReadString(viewer::kDesktopSection, "Wallpaper", ""), file);
    QCOMPARE(env.store.ReadString(viewer::kDesktopSection, "TileWallpaper", ""), std::string("0"));
    QCOMPARE(env.store.ReadString(viewer::kDesktopSection, "WallpaperStyle", ""), std::string("2"));
    QVERIFY2(env.messages.asked.empty(), qPrintable(env.Boxes()));
    // The dialog keeps the last choice.
    QVERIFY(ic.SetWall().StretchedButton()->isChecked());

    QVERIFY(fs::is_empty(cwd));

    // No tool for this desktop: the user is told where the picture is.
    TEnvVar desktop("XDG_CURRENT_DESKTOP", "LXDE");
    TEnvVar display("DISPLAY", "");
    auto shown = WhenShown<TfrmSetWall>([](TfrmSetWall& d) { d.OkButton()->click(); });
    w.Command("SetAsWallpaper")->trigger();
    QVERIFY(env.Told("Set As Wallpaper", "The picture was saved as \"" + file + "\""));
}

void TestImageCommands::wallpaperCancelChangesNothing() {
    TEnv env;
    const std::string a = env.Jpeg("a.jpg", 160, 120, Qt::blue);
    QVERIFY(env.WriteCatalog({{"Holiday;0", {{"A", a, ""}}}}));
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.ImageCommands().userName = [] { return std::string("anna"); };
    const std::string cwd = env.dir.file("cwd");
    fs::create_directories(cwd);
    fs::current_path(cwd);
    const std::string tools = env.dir.file("tools");
    const std::string log = env.dir.file("tools.log");
    StandIn(tools, "gsettings", log);
    TEnvVar path("PATH", QByteArray::fromStdString(tools));
    TEnvVar desktop("XDG_CURRENT_DESKTOP", "GNOME");
    w.SelectRow(0);
    const std::string settingsBefore = testsupport::ReadAll(env.userFile);
    for (bool byCloseBox : {false, true}) {
        auto shown = WhenShown<TfrmSetWall>(
            [&](TfrmSetWall& d) {
                d.TiledButton()->setChecked(true);
                if (!byCloseBox) d.CancelButton()->click();
            },
            byCloseBox);
        w.Command("SetAsWallpaper")->trigger();
        QVERIFY(*shown);
    }
    QVERIFY(fs::is_empty(cwd));
    QVERIFY(!fs::exists(log));
    QCOMPARE(testsupport::ReadAll(env.userFile), settingsBefore);
    QVERIFY2(env.messages.asked.empty(), qPrintable(env.Boxes()));
}

void TestImageCommands::printKeepsProportionsAndOrientation() {
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (pdftoppm.isEmpty()) QSKIP("pdftoppm (poppler-utils) is not installed");
    TEnv env;
    // Left half red, right half blue: the page shows which way round the photo went.
    QImage wide(1600, 1000, QImage::Format_RGB32);
    wide.fill(Qt::red);
    for (int y = 0; y < 1000; ++y)
        for (int x = 800; x < 1600; ++x) wide.setPixel(x, y, qRgb(0, 0, 255));
    const std::string a = env.Jpeg("wide.jpg", wide);
    const std::string b = env.Jpeg("tall.jpg", 600, 1200, Qt::green);
    QVERIFY(env.WriteCatalog({{"Holiday;0", {{"Wide", a, ""}, {"Tall", b, ""}}}}));
    auto app = env.Open();
    TfrmMain& w = app->Main();
    QPrinter& printer = w.ImageCommands().Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));

    struct Case {
        int row;
        const char* pdf;
        bool landscape;
        double aspect;
    } cases[] = {{0, "wide.pdf", true, 1.6}, {1, "tall.pdf", false, 0.5}};
    for (const Case& c : cases) {
        const std::string pdf = env.dir.file(c.pdf);
        printer.setOutputFileName(QString::fromStdString(pdf));
        w.SelectRow(c.row);
        w.Command("Print")->trigger();
        QVERIFY(fs::exists(pdf));
        const std::string png = env.dir.file(std::string(c.pdf) + "-page");
        QCOMPARE(QProcess::execute(pdftoppm, {"-r", "30", "-png", "-singlefile", QString::fromStdString(pdf),
                                              QString::fromStdString(png)}),
                 0);
        const QImage page(QString::fromStdString(png + ".png"));
        QVERIFY(!page.isNull());
        QCOMPARE(page.width() > page.height(), c.landscape);
        // The photo's extent on the page: everything that is not white paper.
        QRect ink;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 200) ink |= QRect(x, y, 1, 1);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(std::abs(double(ink.width()) / ink.height() - c.aspect) < 0.05,
                 qPrintable(QString("%1 x %2").arg(ink.width()).arg(ink.height())));
        // Centred on the page, and as large as the margins allow in one direction.
        QVERIFY(std::abs(ink.center().x() - page.width() / 2) <= 3);
        QVERIFY(std::abs(ink.center().y() - page.height() / 2) <= 3);
        QVERIFY(ink.width() > page.width() * 0.8 || ink.height() > page.height() * 0.8);
        if (c.landscape) {
            QVERIFY(Near(Pixel(page, ink.left() + ink.width() / 4, ink.center().y()), Qt::red, 40));
            QVERIFY(Near(Pixel(page, ink.right() - ink.width() / 4, ink.center().y()), Qt::blue, 40));
        }
    }
    // Printing again to a file that is there: the print dialog comes up first; cancelled, the
    // file stays as it was.
    const std::string tall = env.dir.file("tall.pdf");
    const std::string before = testsupport::ReadAll(tall);
    auto dialog = WhenShown<QPrintDialog>([](QPrintDialog&) {});
    w.Command("Print")->trigger();
    QVERIFY(*dialog);
    QCOMPARE(testsupport::ReadAll(tall), before);
    QVERIFY2(env.messages.asked.empty(), qPrintable(env.Boxes()));
}

void TestImageCommands::printWithoutPrinterSaysSo() {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) QSKIP("this machine has a printer");
    TEnv env;
    const std::string a = env.Jpeg("a.jpg", 300, 200, Qt::red);
    QVERIFY(env.WriteCatalog({{"Holiday;0", {{"A", a, ""}}}}));
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.SelectRow(0);
    auto dialog = WhenShown<QPrintDialog>([](QPrintDialog&) {});
    w.Command("Print")->trigger();
    QVERIFY(env.Told("Print", "No printer is installed."));
    QVERIFY(*dialog);  // the print dialog was offered, and cancelled: nothing printed

    // Print Preferences is the same dialog, only choosing: its button says OK, not Print.
    QString title, button;
    auto prefs = WhenShown<QPrintDialog>([&](QPrintDialog& d) {
        title = d.windowTitle();
        if (auto* box = d.findChild<QDialogButtonBox*>())
            if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) button = ok->text();
    });
    w.Command("PrintPrefs")->trigger();
    QVERIFY(*prefs);
    QCOMPARE(title, QString("Print Preferences"));
    QCOMPARE(button, QString("OK"));
}

void TestImageCommands::editorChangesArePickedUpFromTheRightList() {
    TEnv env;
    const std::string photo = env.Jpeg("photo.jpg", 320, 240, Qt::red);
    const std::string edited = env.Jpeg("edited.jpg", 320, 240, Qt::blue);
    const std::string other = env.Jpeg("other.jpg", 320, 240, Qt::green);
    QVERIFY(env.WriteCatalog({{"Holiday;0", {{"Photo", photo, ""}, {"Other", other, ""}}}}));
    const std::string log = env.dir.file("editor.log");
    // The editor copies the edited picture over the photo it was given; while the pipe "release"
    // exists it first waits for a line on it, so the test looks at the window while it runs.
    const std::string release = env.dir.file("release");
    QCOMPARE(::mkfifo(release.c_str(), 0600), 0);
    const std::string editor = StandIn(env.dir.file("bin"), "editor", log,
                                       "if [ -p '" + release + "' ]; then read go < '" + release + "'; fi\ncp '" +
                                           edited + "' \"$1\"\n");
    auto app = env.Open();
    TfrmMain& w = app->Main();
    app->Prefs().ImageEditorBox()->setText(QString::fromStdString(editor));
    w.SelectRow(0);
    QCOMPARE(w.ViewerModel().EditorParameters(), "\"" + photo + "\"");

    bool sawWaiting = false;
    // Runs in the loop that waits for the editor, which is held until the line is written.
    QTimer::singleShot(0, [&] {
        TImageCommands& ic = w.ImageCommands();
        sawWaiting = ic.WaitingForEditor() && ic.WaitingLabel() && ic.WaitingLabel()->isVisible() &&
                     QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        // Input is not taken while the editor runs: the window does not close.
        w.close();
        std::ofstream(release) << "go\n";
    });
    w.Command("EditImage1")->trigger();
    fs::remove(release);
    QVERIFY(sawWaiting);
    QVERIFY(w.isVisible());
    QVERIFY(!w.ImageCommands().WaitingLabel()->isVisible());
    QCOMPARE(testsupport::ReadAll(log), photo + "\n----\n");
    // The photo was shown anew from the photo list: blue now, fitted, same row.
    QCOMPARE(w.SelectedRow(), 0);
    QVERIFY(Near(Pixel(w.ViewerModel().Picture(), 160, 120), Qt::blue));
    QCOMPARE(w.ViewerModel().State().source, viewer::TViewSource::PhotoList);

    // From the import list it comes back through the import list.
    env.Jpeg("again.jpg", 320, 240, Qt::red);
    std::vector<std::string> names = {"again.jpg"};
    int importSelections = 0;
    w.selectImportRow = [&](int row) {
        ++importSelections;
        w.ListBox2Click(row, env.photos, names);
    };
    w.importRowCount = [&] { return 1; };
    w.importCurrentRow = [&] { return 0; };
    w.selectImportRow(0);
    QVERIFY(Near(Pixel(w.ViewerModel().Picture(), 160, 120), Qt::red));
    w.Command("EditImage1")->trigger();
    QCOMPARE(importSelections, 2);
    QVERIFY(w.TitleLabel()->text().startsWith("again.jpg"));
    QVERIFY(Near(Pixel(w.ViewerModel().Picture(), 160, 120), Qt::blue));
    QCOMPARE(w.ViewerModel().State().source, viewer::TViewSource::ImportList);

    // An editor that cannot be started is named in a message; the photo is still shown anew.
    app->Prefs().ImageEditorBox()->setText("/nonexistent/paint");
    w.SelectRow(1);
    w.Command("EditImage1")->trigger();
    QVERIFY(env.Told("Edit Image", "The image editor \"/nonexistent/paint\" could not be started."));
    QCOMPARE(w.SelectedRow(), 1);
    QVERIFY(w.TitleLabel()->text().startsWith("Other"));
}

void TestImageCommands::editorAfterFullScreenShowsTheEditedPhoto() {
    TEnv env;
    const std::string photo = env.Jpeg("photo.jpg", 320, 240, Qt::red);
    const std::string edited = env.Jpeg("edited.jpg", 320, 240, Qt::blue);
    const std::string other = env.Jpeg("other.jpg", 320, 240, Qt::green);
    QVERIFY(env.WriteCatalog({{"Holiday;0", {{"Other", other, ""}, {"Photo", photo, ""}}}}));
    const std::string log = env.dir.file("editor.log");
    const std::string editor = StandIn(env.dir.file("bin"), "editor", log, "cp '" + edited + "' \"$1\"\n");
    auto app = env.Open();
    TfrmMain& w = app->Main();
    app->Prefs().ImageEditorBox()->setText(QString::fromStdString(editor));
    w.SelectRow(1);
    bool opened = false;
    WhenOpen<TfrmFull>([](TfrmFull&) {}, &opened);
    w.Command("ViewFullScreen")->trigger();
    QVERIFY(opened);
    QCOMPARE(w.SelectedRow(), -1);
    QVERIFY(Near(Pixel(w.ViewerModel().Picture(), 160, 120), Qt::red));

    w.Command("EditImage1")->trigger();
    QCOMPARE(testsupport::ReadAll(log), photo + "\n----\n");
    // The pane shows the edited photo, and Copy hands on its pixels, not the old ones.
    QCOMPARE(w.SelectedRow(), 1);
    QVERIFY(w.TitleLabel()->text().startsWith("Photo"));
    QVERIFY(Near(Pixel(w.ViewerModel().Picture(), 160, 120), Qt::blue));
    w.Command("CopyImg")->trigger();
    QVERIFY(Near(Pixel(QGuiApplication::clipboard()->image(), 160, 120), Qt::blue));
}

void TestImageCommands::slideshowArrowsReachTheShowAndErrorsStayOverIt() {
    TEnv env;
    const std::string a = env.Jpeg("a.jpg", 320, 240, Qt::red);
    const std::string b = env.Jpeg("b.jpg", 320, 240, Qt::green);
    const std::string bad = env.photos + "/bad.jpg";
    testsupport::WriteAll(bad, "this is no JPEG");
    QWidget owner;
    owner.show();
    TQtMessages messages(&owner);
    TfrmShow show(messages, &owner);
    show.Prepare({a, b, bad}, 0, false, viewer::TSlideLoop::Continuous, false);
    QWidget* boxParent = nullptr;
    bool opened = false;
    WhenOpen<TfrmShow>(
        [&](TfrmShow& s) {
            TEnv::Flush();
            QCOMPARE(s.ShownPath(), a);
            // The close button has the keyboard focus: the arrows still step.
            s.PictureMouseMove(s.width() - 1, 0);
            s.CloseButton()->setFocus();
            QTest::keyClick(s.CloseButton(), Qt::Key_Right);
            QCOMPARE(s.ShownPath(), b);
            QTest::keyClick(s.CloseButton(), Qt::Key_Left);
            QCOMPARE(s.ShownPath(), a);
            // A photo that cannot be read: the message belongs to the show, not to the window
            // behind it.
            QTimer::singleShot(0, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    boxParent = box->parentWidget();
                    box->button(QMessageBox::Ok)->click();
                }
            });
            QTest::keyClick(&s, Qt::Key_Left);
            QCOMPARE(boxParent, static_cast<QWidget*>(&s));
            QCOMPARE(s.ShownPath(), a);
            QCOMPARE(messages.Parent(), &owner);
        },
        &opened);
    show.exec();
    QVERIFY(opened);
}

void TestImageCommands::editorGetsTheFileNameAsItsBytes() {
    TEnv env;
    // A Latin-1 "café.jpg": the byte E9 alone is no UTF-8.
    const std::string photo = env.Jpeg("caf\xe9.jpg", 320, 240, Qt::red);
    const std::string edited = env.Jpeg("edited.jpg", 320, 240, Qt::blue);
    QVERIFY(env.WriteCatalog({{"Holiday;0", {{"Cafe", photo, ""}}}}));
    const std::string log = env.dir.file("editor.log");
    const std::string editor = StandIn(env.dir.file("bin"), "editor", log, "cp '" + edited + "' \"$1\"\n");
    auto app = env.Open();
    TfrmMain& w = app->Main();
    app->Prefs().ImageEditorBox()->setText(QString::fromStdString(editor));
    w.SelectRow(0);
    QVERIFY(Near(Pixel(w.ViewerModel().Picture(), 160, 120), Qt::red));
    w.Command("EditImage1")->trigger();
    QCOMPARE(testsupport::ReadAll(log), photo + "\n----\n");
    QVERIFY(Near(Pixel(w.ViewerModel().Picture(), 160, 120), Qt::blue));
    QVERIFY2(env.messages.asked.empty(), qPrintable(env.Boxes()));
}

QTEST_MAIN(TestImageCommands)
#include "test_imagecommands.moc"
