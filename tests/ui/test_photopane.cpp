// The photo pane on screen: photos of an album shown fitted or at 100% in a 400 x 300 area, the
// zoom steps and the commands' states, navigation through the photo list and the import list,
// a missing file, an undecodable file, and what the picture view actually paints.
#include <QtTest>
#include <QWheelEvent>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>

#include <filesystem>
#include <memory>

#include "JpegCodec.h"
#include "TAppWindows.h"
#include "TCatalog.h"
#include "TPhotoList.h"
#include "TPhotoView.h"
#include "TSettingsStore.h"
#include "TViewerModel.h"
#include "TestSupport.h"
#include "UiTestEnv.h"
#include "frmMainU.h"

namespace fs = std::filesystem;

namespace {

using TPhoto = testsupport::UiPhoto;

// Settings, an install folder and a documents folder whose catalog holds the album "Holiday" of
// the given photos and the empty album "Work".
struct TEnv : testsupport::UiTestEnv {
    TEnv() {
        // The photo list's picture for a photo whose file is gone.
        QImage notFound(100, 80, QImage::Format_RGB32);
        notFound.fill(Qt::gray);
        std::string error;
        if (!imaging::SaveBmp(notFound, install + "/notfound.bmp", error)) qFatal("%s", error.c_str());
        // No first-use balloons in the way.
        for (const char* flag : {"firstTime_openPhoto", "firstTime_openAlbumb", "firstTime_start"})
            store.WriteBool("Images", flag, true);
    }

    // A picture file of one colour (BMP unless the name ends in ".jpg"). The photo list makes
    // its thumbnails of JPEG files only; BMP files are shown through the import list.
    std::string Picture(const std::string& file, int w, int h, QColor colour = QColor(40, 120, 200)) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(colour);
        return Save(file, img);
    }
    std::string Save(const std::string& file, const QImage& img) {
        const std::string path = photos + "/" + file;
        std::string error;
        const bool ok = file.ends_with(".jpg") ? imaging::SaveJpeg(img, path, error) : imaging::SaveBmp(img, path, error);
        if (!ok) qFatal("cannot write %s: %s", path.c_str(), error.c_str());
        return path;
    }

    void MakeCatalog(const std::vector<TPhoto>& holiday) {
        QVERIFY(WriteCatalog({{"Holiday;0", holiday}, {"Work;1"}}));
    }

    // The program's windows with the album "Holiday" open and a 400 x 300 photo area.
    std::unique_ptr<TAppWindows> Open() {
        auto app = Start();
        TfrmMain& w = app->Main();
        w.show();
        Flush();
        w.setWindowState(Qt::WindowNoState);
        w.setGeometry(10, 10, 900, 640);
        w.PhotoArea()->setFixedSize(400, 300);
        Flush();
        emit w.AlbumBox()->activated(0);
        Flush();
        return app;
    }

    static void Flush() { testsupport::Flush(4); }

    int Errors() const {
        int n = 0;
        for (const auto& m : messages.asked) n += m.icon == TMsgIcon::Error;
        return n;
    }
};

QString Title(TfrmMain& w) { return w.TitleLabel()->text(); }
bool On(TfrmMain& w, const char* command) { return w.Command(command)->isEnabled(); }
// First, Previous, Next, Last.
QList<bool> Nav(TfrmMain& w) { return {On(w, "First"), On(w, "Previous"), On(w, "Next"), On(w, "Last")}; }
QRect Box(TfrmMain& w) { return w.PhotoView()->geometry(); }

void Run(TfrmMain& w, const char* command) {
    w.Command(command)->trigger();
    TEnv::Flush();
}

// Colours survive JPEG only roughly.
bool Near(QColor a, QColor b, int tolerance = 12) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Every pixel of its own colour, so a drawn pixel tells which picture pixel it came from.
QImage Numbered(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 6, y * 8, 100));
    return img;
}

}  // namespace

class TestPhotoPane : public QObject {
    Q_OBJECT
private slots:
    void smallPhotoAtActualSizeThenHalf();
    void largePhotoFittedThenZoomedWithScrollBars();
    void ctrlWheelAndCtrlPlusZoomInSteps();
    void zoomStepsAndCommandStates();
    void zoomedPictureRecentredOnResize();
    void navigationStaysInsideThePhotoList();
    void listClicksAndKeysShowPhotos();
    void importListNavigationAndTexts();
    void missingFileAsksToRemoveIt();
    void undecodableFileKeepsPreviousPicture();
    void clearingAndOpeningAnotherAlbum();
    void paintsFittedPictureWithBackground();
    void paintsEnlargedPixelsInExposedParts();
    void pngShownOverWhite();
};

void TestPhotoPane::smallPhotoAtActualSizeThenHalf() {
    TEnv env;
    env.MakeCatalog({{"Small", env.Picture("small.jpg", 101, 75), "first line"}});
    auto app = env.Open();
    TfrmMain& w = app->Main();
    QSignalSpy shown(&w, &TfrmMain::PhotoShown);
    QCOMPARE(Title(w), QString("No Image Selected"));
    QCOMPARE(w.CreditLabel()->text(), QString("No Image"));
    QCOMPARE(w.DateLabel()->text(), QString("No Image"));
    QVERIFY(w.NotesBox()->isHidden());
    QVERIFY(w.PhotoView()->Picture().isNull());
    for (const char* c : {"ZoomIn", "ZoomOut", "ShowAll", "ToFit", "CopyImg", "ImgProperties"}) QVERIFY2(!On(w, c), c);
    // What replaced the picture label keeps its names.
    QCOMPARE(w.PhotoView()->objectName(), QString("Image1"));
    QCOMPARE(w.PhotoView()->accessibleName(), QString("Photo"));

    w.SelectRow(0);
    env.Flush();
    QCOMPARE(shown.count(), 1);
    QCOMPARE(shown.at(0).at(0).toInt(), 0);
    QCOMPARE(Title(w), QString("Small (100%)"));
    QCOMPARE(w.CreditLabel()->text(), QString("Ann"));
    QVERIFY(w.DateLabel()->text() != "No Image" && !w.DateLabel()->text().isEmpty());
    QVERIFY(!w.NotesBox()->isHidden());
    QCOMPARE(w.NotesBox()->toPlainText(), QString("first line"));
    QCOMPARE(Box(w), QRect(150, 113, 101, 75));  // 200 - 50, 150 - 37
    QCOMPARE(w.PhotoView()->DrawnRect(), QRect(0, 0, 101, 75));
    QCOMPARE(w.PhotoView()->Picture().size(), QSize(101, 75));
    // (Add To Album is an invisible command, which Qt always reports disabled.)
    for (const char* c : {"CopyImg", "SetAsWallpaper", "ViewFullScreen", "Print", "EditImage1", "ZoomIn", "ZoomOut", "ShowAll", "ToFit", "RemoveFromCol", "ImgProperties"})
        QVERIFY2(On(w, c), c);
    // A one-row list has nowhere to go.
    QCOMPARE(Nav(w), QList<bool>({false, false, false, false}));

    Run(w, "ZoomOut");
    QCOMPARE(Box(w), QRect(175, 131, 50, 38));  // 50.5 -> 50, 37.5 -> 38
    QCOMPARE(Title(w), QString("Small (50%)"));
    QVERIFY(!On(w, "ZoomOut"));
    QVERIFY(On(w, "ZoomIn"));
    // No scroll bars for a picture inside the area.
    QCOMPARE(w.PhotoArea()->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(w.PhotoArea()->verticalScrollBar()->maximum(), 0);

    Run(w, "ToFit");
    QCOMPARE(Title(w), QString("Small"));
    QCOMPARE(Box(w), QRect(0, 0, 400, 300));
    QCOMPARE(w.PhotoView()->DrawnRect(), QRect(0, 1, 400, 297));  // 75 * (400 / 101) = 297.03
}

void TestPhotoPane::largePhotoFittedThenZoomedWithScrollBars() {
    TEnv env;
    env.MakeCatalog({{"Big", env.Picture("big.jpg", 4000, 3000), ""}});
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.SelectRow(0);
    env.Flush();
    QCOMPARE(Title(w), QString("Big"));
    QCOMPARE(Box(w), QRect(0, 0, 400, 300));
    QCOMPARE(w.PhotoView()->DrawnRect(), QRect(0, 0, 400, 300));

    Run(w, "ZoomIn");
    QCOMPARE(Title(w), QString("Big (150%)"));
    QCOMPARE(Box(w), QRect(0, 0, 6000, 4500));
    QScrollArea* area = w.PhotoArea();
    QVERIFY(area->horizontalScrollBar()->isVisible());
    QVERIFY(area->verticalScrollBar()->isVisible());
    const QSize visible = area->viewport()->size();
    QCOMPARE(area->horizontalScrollBar()->maximum(), 6000 - visible.width());
    QCOMPARE(area->verticalScrollBar()->maximum(), 4500 - visible.height());

    // Back to fit: the bars go and the picture fills the whole area again.
    Run(w, "ToFit");
    QCOMPARE(Title(w), QString("Big"));
    QCOMPARE(area->horizontalScrollBar()->maximum(), 0);
    QVERIFY(!area->verticalScrollBar()->isVisible());
    QCOMPARE(Box(w), QRect(0, 0, 400, 300));
    QCOMPARE(w.PhotoView()->DrawnRect(), QRect(0, 0, 400, 300));

    // Zoom counts from the pixel size, not from the fitted size.
    Run(w, "ZoomOut");
    QCOMPARE(Title(w), QString("Big (50%)"));
    QCOMPARE(Box(w).size(), QSize(2000, 1500));
    Run(w, "ShowAll");
    QCOMPARE(Title(w), QString("Big (100%)"));
    QCOMPARE(Box(w).size(), QSize(4000, 3000));
}

void TestPhotoPane::zoomStepsAndCommandStates() {
    TEnv env;
    env.MakeCatalog({{"Tiny", env.Picture("tiny.jpg", 20, 10), ""}});
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.SelectRow(0);
    env.Flush();
    QCOMPARE(Title(w), QString("Tiny (100%)"));
    for (int i = 1; i <= 16; ++i) {
        Run(w, "ZoomIn");
        QCOMPARE(Title(w), QString("Tiny (%1%)").arg(100 + 50 * i));
        QVERIFY(On(w, "ZoomIn"));
    }
    QCOMPARE(Box(w).size(), QSize(180, 90));
    Run(w, "ZoomIn");
    QCOMPARE(Title(w), QString("Tiny (1000%)"));
    QCOMPARE(Box(w), QRect(100, 100, 200, 100));
    QVERIFY(!On(w, "ZoomIn"));
    // A disabled command does nothing, also from its key.
    Run(w, "ZoomIn");
    QCOMPARE(Title(w), QString("Tiny (1000%)"));

    Run(w, "ZoomOut");
    QCOMPARE(Title(w), QString("Tiny (950%)"));
    QVERIFY(On(w, "ZoomIn"));
    for (int i = 0; i < 18; ++i) Run(w, "ZoomOut");
    QCOMPARE(Title(w), QString("Tiny (50%)"));
    QCOMPARE(Box(w), QRect(195, 148, 10, 5));  // 200 - 5, 150 - 2
    QVERIFY(!On(w, "ZoomOut"));
    Run(w, "ZoomOut");
    QCOMPARE(Title(w), QString("Tiny (50%)"));
    // Switching modes turns Zoom Out on again.
    Run(w, "ShowAll");
    QVERIFY(On(w, "ZoomOut"));
    QCOMPARE(Title(w), QString("Tiny (100%)"));
}

void TestPhotoPane::ctrlWheelAndCtrlPlusZoomInSteps() {
    TEnv env;
    env.MakeCatalog({{"Tiny", env.Picture("tiny.jpg", 20, 10), ""}});
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.SelectRow(0);
    env.Flush();
    QWidget* viewport = w.PhotoArea()->viewport();
    auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent e(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &e);
    };
    QCOMPARE(Title(w), QString("Tiny (100%)"));
    wheel(120, Qt::ControlModifier);
    QCOMPARE(Title(w), QString("Tiny (150%)"));
    wheel(240, Qt::ControlModifier);  // two notches at once
    QCOMPARE(Title(w), QString("Tiny (250%)"));
    wheel(-120, Qt::ControlModifier);
    QCOMPARE(Title(w), QString("Tiny (200%)"));
    // A touchpad's small steps add up to one notch.
    for (int i = 0; i < 4; ++i) wheel(30, Qt::ControlModifier);
    QCOMPARE(Title(w), QString("Tiny (250%)"));
    // Without Ctrl the wheel does not zoom.
    wheel(120, Qt::NoModifier);
    QCOMPARE(Title(w), QString("Tiny (250%)"));
    // Zoom Out stops at 50% like the command.
    for (int i = 0; i < 10; ++i) wheel(-120, Qt::ControlModifier);
    QCOMPARE(Title(w), QString("Tiny (50%)"));

    // Ctrl++ is Zoom In as well as Ctrl+=.
    QVERIFY(w.Command("ZoomIn")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Plus)));
    QVERIFY(w.Command("ZoomIn")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Equal)));
}

void TestPhotoPane::zoomedPictureRecentredOnResize() {
    TEnv env;
    env.MakeCatalog({{"Small", env.Picture("small.jpg", 101, 75), ""}});
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.SelectRow(0);
    env.Flush();
    QCOMPARE(Box(w), QRect(150, 113, 101, 75));
    w.PhotoArea()->setFixedSize(301, 200);
    env.Flush();
    QCOMPARE(Box(w), QRect(150 - 50, 100 - 37, 101, 75));
    // Larger than the area across: pinned to the left, still centred down.
    w.PhotoArea()->setFixedSize(90, 200);
    env.Flush();
    const int visibleHeight = w.PhotoArea()->viewport()->height();
    QVERIFY(visibleHeight < 200);  // the horizontal bar takes its share
    QCOMPARE(Box(w), QRect(0, visibleHeight / 2 - 37, 101, 75));
    QVERIFY(w.PhotoArea()->horizontalScrollBar()->maximum() > 0);

    // In fit mode the picture follows the area.
    Run(w, "ToFit");
    w.PhotoArea()->setFixedSize(200, 100);
    env.Flush();
    QCOMPARE(Box(w), QRect(0, 0, 200, 100));
    QCOMPARE(w.PhotoView()->DrawnRect(), QRect(32, 0, 135, 100));  // 101 * (100 / 75) = 134.67
}

void TestPhotoPane::navigationStaysInsideThePhotoList() {
    TEnv env;
    env.MakeCatalog({{"A", env.Picture("a.jpg", 500, 400, Qt::red), ""},
                     {"B", env.Picture("b.jpg", 500, 400, Qt::green), "about b"},
                     {"C", env.Picture("c.jpg", 500, 400, Qt::blue), ""}});
    auto app = env.Open();
    TfrmMain& w = app->Main();
    QSignalSpy shown(&w, &TfrmMain::PhotoShown);
    // Opening the album allows First and Last only.
    QCOMPARE(Nav(w), QList<bool>({true, false, false, true}));

    Run(w, "First");
    QCOMPARE(w.SelectedRow(), 0);
    QCOMPARE(Title(w), QString("A"));
    QCOMPARE(Nav(w), QList<bool>({false, false, true, true}));
    Run(w, "Next");
    QCOMPARE(w.SelectedRow(), 1);
    QCOMPARE(Title(w), QString("B"));
    QCOMPARE(w.NotesBox()->toPlainText(), QString("about b"));
    QCOMPARE(Nav(w), QList<bool>({true, true, true, true}));
    Run(w, "Last");
    QCOMPARE(w.SelectedRow(), 2);
    QCOMPARE(Title(w), QString("C"));
    QCOMPARE(w.NotesBox()->toPlainText(), QString(""));
    QCOMPARE(Nav(w), QList<bool>({true, true, false, false}));
    Run(w, "Next");  // disabled
    QCOMPARE(w.SelectedRow(), 2);
    Run(w, "Previous");
    QCOMPARE(w.SelectedRow(), 1);
    QCOMPARE(Title(w), QString("B"));
    Run(w, "Previous");
    Run(w, "Previous");  // disabled at the first row
    QCOMPARE(w.SelectedRow(), 0);
    QCOMPARE(Nav(w), QList<bool>({false, false, true, true}));
    QList<int> rows;
    for (const QList<QVariant>& args : shown) rows << args.at(0).toInt();
    QCOMPARE(rows, QList<int>({0, 1, 2, 1, 0}));

    // With no row selected (the list was refilled), Previous finds no row and changes nothing.
    w.UpdThumbs();
    QCOMPARE(w.SelectedRow(), -1);
    w.PreviousExecute();
    QCOMPARE(w.SelectedRow(), -1);
    QCOMPARE(Title(w), QString("A"));
    w.NextExecute();
    QCOMPARE(w.SelectedRow(), 0);
}

void TestPhotoPane::listClicksAndKeysShowPhotos() {
    TEnv env;
    env.MakeCatalog({{"A", env.Picture("a.jpg", 500, 400, Qt::red), ""},
                     {"B", env.Picture("b.jpg", 500, 400, Qt::green), ""},
                     {"C", env.Picture("c.jpg", 500, 400, Qt::blue), ""}});
    auto app = env.Open();
    TfrmMain& w = app->Main();
    TPhotoList* list = w.PhotoList();
    QSignalSpy shown(&w, &TfrmMain::PhotoShown);

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    env.Flush();
    QCOMPARE(w.SelectedRow(), 1);
    QCOMPARE(Title(w), QString("B"));
    QCOMPARE(shown.count(), 1);
    QVERIFY(Near(w.PhotoView()->Picture().pixelColor(0, 0), Qt::green));

    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    env.Flush();
    QCOMPARE(w.SelectedRow(), 2);
    QCOMPARE(Title(w), QString("C"));
    QCOMPARE(shown.count(), 2);
    QCOMPARE(Nav(w), QList<bool>({true, true, false, false}));

    // A selection always starts fitted, whatever the zoom was.
    Run(w, "ZoomIn");
    QCOMPARE(Title(w), QString("C (150%)"));
    QTest::keyClick(list, Qt::Key_Up);
    env.Flush();
    QCOMPARE(Title(w), QString("B"));
    QCOMPARE(Box(w), QRect(0, 0, 400, 300));
    QCOMPARE(w.PhotoView()->DrawnRect(), QRect(12, 0, 375, 300));
}

void TestPhotoPane::importListNavigationAndTexts() {
    TEnv env;
    env.MakeCatalog({{"A", env.Picture("a.jpg", 500, 400, Qt::red), "notes of a"},
                     {"B", env.Picture("b.jpg", 500, 400, Qt::green), ""}});
    const std::string folder = env.dir.file("import");
    fs::create_directories(folder);
    std::vector<std::string> names;
    for (const char* n : {"one.bmp", "two.bmp", "three.bmp"}) {
        QImage img(640, 480, QImage::Format_RGB32);
        img.fill(Qt::yellow);
        std::string error;
        QVERIFY(imaging::SaveBmp(img, folder + "/" + n, error));
        names.push_back(n);
    }
    int current = -1;
    auto app = env.Open();
    TfrmMain& w = app->Main();
    // A stand-in for the import bar's list.
    w.selectImportRow = [&](int row) {
        current = row;
        w.ListBox2Click(row, folder, names);
    };
    w.importRowCount = [&] { return int(names.size()); };
    w.importCurrentRow = [&] { return current; };
    QSignalSpy imported(&w, &TfrmMain::ImportPhotoShown);
    QSignalSpy shown(&w, &TfrmMain::PhotoShown);

    w.SelectRow(1);
    QCOMPARE(Title(w), QString("B"));
    QVERIFY(On(w, "RemoveFromCol"));

    w.selectImportRow(0);
    QCOMPARE(imported.count(), 1);
    QCOMPARE(Title(w), QString("one.bmp"));
    QCOMPARE(w.CreditLabel()->text(), QString("(No data)"));
    QVERIFY(w.NotesBox()->isHidden());
    QVERIFY(!On(w, "RemoveFromCol"));
    QVERIFY(!On(w, "ImgProperties"));
    QCOMPARE(Nav(w), QList<bool>({false, false, true, true}));

    // Next steps through the import list although the photo list has its row selected.
    QCOMPARE(w.SelectedRow(), 1);
    Run(w, "Next");
    QCOMPARE(current, 1);
    QCOMPARE(Title(w), QString("two.bmp"));
    Run(w, "Last");
    QCOMPARE(current, 2);
    QCOMPARE(Nav(w), QList<bool>({true, true, false, false}));
    QCOMPARE(imported.count(), 3);
    QCOMPARE(shown.count(), 1);

    // Choosing a photo-list row again makes the photo list the source.
    w.SelectRow(0);
    QCOMPARE(Title(w), QString("A"));
    QVERIFY(!w.NotesBox()->isHidden());
    QCOMPARE(w.NotesBox()->toPlainText(), QString("notes of a"));
    Run(w, "Next");
    QCOMPARE(w.SelectedRow(), 1);
    QCOMPARE(current, 2);

    // Without the import bar's hooks the commands do nothing on the import list.
    w.selectImportRow(0);
    w.selectImportRow = nullptr;
    w.importRowCount = nullptr;
    w.importCurrentRow = nullptr;
    w.NextExecute();
    QCOMPARE(Title(w), QString("one.bmp"));
}

void TestPhotoPane::missingFileAsksToRemoveIt() {
    TEnv env;
    const std::string gone = env.Picture("gone.jpg", 300, 200, Qt::red);
    env.MakeCatalog({{"Kept", env.Picture("kept.jpg", 500, 400, Qt::green), ""}, {"Gone", gone, ""}});
    fs::remove(gone);
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.SelectRow(0);
    Run(w, "ZoomIn");
    QCOMPARE(Title(w), QString("Kept (150%)"));
    QSignalSpy shown(&w, &TfrmMain::PhotoShown);
    const qint64 before = w.PhotoView()->Picture().cacheKey();

    env.messages.answers = {TMsgResult::No};
    QCOMPARE(w.AlbumView().RowCount(), 2);
    env.messages.asked.clear();
    w.SelectRow(1);
    env.Flush();
    QCOMPARE(env.messages.asked.size(), size_t(1));
    QCOMPARE(QString::fromStdString(env.messages.asked[0].text),
             QString("Are you sure you want to delete this photo from the album? This will not remove it from your "
                     "system."));
    // Only the reset to fit mode happened.
    QCOMPARE(shown.count(), 0);
    QCOMPARE(w.ViewerModel().State().mode, viewer::TViewMode::Fit);
    QCOMPARE(Box(w), QRect(0, 0, 400, 300));
    QCOMPARE(w.PhotoView()->Picture().cacheKey(), before);
    QCOMPARE(w.PhotoList()->count(), 2);

    // Yes removes the row; the neighbour is shown.
    env.messages.answers = {TMsgResult::Yes};
    w.SelectRow(1);
    env.Flush();
    QCOMPARE(w.PhotoList()->count(), 1);
    QCOMPARE(w.SelectedRow(), 0);
    QCOMPARE(Title(w), QString("Kept"));
}

void TestPhotoPane::undecodableFileKeepsPreviousPicture() {
    TEnv env;
    const std::string broken = env.Picture("broken.jpg", 640, 480, Qt::blue);
    env.MakeCatalog({{"Fine", env.Picture("fine.jpg", 640, 480, Qt::red), ""}, {"Broken", broken, "broken notes"}});
    auto app = env.Open();
    TfrmMain& w = app->Main();
    QCOMPARE(w.PhotoList()->count(), 2);
    // The file is overwritten after the album was listed.
    testsupport::WriteAll(broken, "this is not a picture at all");
    w.SelectRow(0);
    const QImage before = w.PhotoView()->Picture();
    QVERIFY(Near(before.pixelColor(10, 10), Qt::red));
    const QString date = w.DateLabel()->text();
    Run(w, "ZoomIn");
    QSignalSpy shown(&w, &TfrmMain::PhotoShown);
    const QList<bool> nav = Nav(w);

    env.messages.asked.clear();
    w.SelectRow(1);
    env.Flush();
    QCOMPARE(env.Errors(), 1);
    QVERIFY(!env.messages.asked[0].text.empty());
    QCOMPARE(shown.count(), 0);
    // The steps before loading stay done: title and notes of the new row.
    QCOMPARE(Title(w), QString("Broken"));
    QCOMPARE(w.NotesBox()->toPlainText(), QString("broken notes"));
    QVERIFY(On(w, "RemoveFromCol"));
    // The picture and the date are still the previous photo's, fitted again.
    QCOMPARE(w.PhotoView()->Picture().cacheKey(), before.cacheKey());
    QCOMPARE(w.DateLabel()->text(), date);
    QCOMPARE(w.PhotoView()->DrawnRect(), QRect(0, 0, 400, 300));
    QCOMPARE(Nav(w), nav);

    // The next good photo shows normally.
    w.SelectRow(0);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(Title(w), QString("Fine"));
}

void TestPhotoPane::clearingAndOpeningAnotherAlbum() {
    TEnv env;
    env.MakeCatalog({{"A", env.Picture("a.jpg", 500, 400), "notes"}, {"B", env.Picture("b.jpg", 500, 400), ""}});
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.SelectRow(1);
    QCOMPARE(Title(w), QString("B"));

    // Opening another album leaves the photo on screen.
    emit w.AlbumBox()->activated(1);
    env.Flush();
    QCOMPARE(w.PhotoList()->count(), 0);
    QCOMPARE(Title(w), QString("B"));
    QVERIFY(On(w, "ZoomIn"));
    // Its rows are gone, so the navigation commands find nothing to select.
    w.FirstExecute();
    w.LastExecute();
    QCOMPARE(Title(w), QString("B"));

    emit w.AlbumBox()->activated(0);
    env.Flush();
    w.SelectRow(0);
    QVERIFY(!w.NotesBox()->isHidden());
    QSignalSpy cleared(&w, &TfrmMain::ViewerCleared);
    w.ClearViewer();
    QCOMPARE(cleared.count(), 1);
    QCOMPARE(Title(w), QString("No Image Selected"));
    QCOMPARE(w.CreditLabel()->text(), QString("No Image"));
    QCOMPARE(w.DateLabel()->text(), QString("No Image"));
    QVERIFY(w.NotesBox()->isHidden());
    QVERIFY(w.NotesBox()->toPlainText().isEmpty());
    QVERIFY(w.PhotoView()->Picture().isNull());
    for (const char* c : {"ZoomIn", "ZoomOut", "ShowAll", "ToFit", "CopyImg", "Print", "ImgProperties",
                          "RemoveFromCol", "Previous", "Next"})
        QVERIFY2(!On(w, c), c);
    QVERIFY(On(w, "First"));
    QVERIFY(On(w, "Last"));
    Run(w, "Last");
    QCOMPARE(Title(w), QString("B"));
}

void TestPhotoPane::paintsFittedPictureWithBackground() {
    // Through the import list, where BMP files keep their exact colours.
    TEnv env;
    QImage halves(800, 200, QImage::Format_RGB32);
    halves.fill(Qt::red);
    for (int y = 0; y < 200; ++y)
        for (int x = 400; x < 800; ++x) halves.setPixel(x, y, qRgb(0, 0, 255));
    env.Save("wide.bmp", halves);
    env.MakeCatalog({});
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.ListBox2Click(0, env.photos, {"wide.bmp"});
    env.Flush();
    // 800 x 200 into 400 x 300: 400 x 100, centred down.
    QCOMPARE(Title(w), QString("wide.bmp"));
    QCOMPARE(w.PhotoView()->DrawnRect(), QRect(0, 100, 400, 100));
    const QImage shot = w.PhotoArea()->viewport()->grab().toImage();
    const QColor background = w.PhotoView()->palette().color(w.PhotoView()->backgroundRole());
    QCOMPARE(shot.pixelColor(200, 50), background);
    QCOMPARE(shot.pixelColor(200, 250), background);
    QCOMPARE(shot.pixelColor(100, 150), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(300, 150), QColor(0, 0, 255));
}

void TestPhotoPane::paintsEnlargedPixelsInExposedParts() {
    TEnv env;
    const QImage numbered = Numbered(40, 30);
    env.Save("numbered.bmp", numbered);
    env.MakeCatalog({});
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.ListBox2Click(0, env.photos, {"numbered.bmp"});
    env.Flush();
    TPhotoView* view = w.PhotoView();
    QCOMPARE(Title(w), QString("numbered.bmp (100%)"));
    QCOMPARE(view->grab().toImage().pixelColor(7, 5), numbered.pixelColor(7, 5));

    // 150% and 1000%: the centre of every picture pixel shows that pixel, also when only a
    // part of the view away from its corner is painted.
    for (int steps : {1, 17}) {
        Run(w, "ShowAll");
        for (int i = 0; i < steps; ++i) Run(w, "ZoomIn");
        const double f = steps == 1 ? 1.5 : 10.0;
        const QRect part(23, 11, 31, 29);
        const QImage shot = view->grab(part).toImage();
        QCOMPARE(shot.size(), part.size());
        for (int sy = 0; sy < 30; ++sy)
            for (int sx = 0; sx < 40; ++sx) {
                const QPoint centre(int((sx + 0.5) * f), int((sy + 0.5) * f));
                if (!part.contains(centre)) continue;
                QCOMPARE(shot.pixelColor(centre - part.topLeft()), numbered.pixelColor(sx, sy));
            }
    }
    // Halving draws a smooth reduction: a pixel of the 50% view mixes its four pixels.
    Run(w, "ShowAll");
    Run(w, "ZoomOut");
    QCOMPARE(view->size(), QSize(20, 15));
    const QColor c = view->grab().toImage().pixelColor(5, 5);
    QVERIFY(Near(c, QColor(qRgb(10 * 6 + 3, 10 * 8 + 4, 100)), 8));
}

void TestPhotoPane::pngShownOverWhite() {
    TEnv env;
    QImage png(60, 40, QImage::Format_ARGB32);
    png.fill(Qt::transparent);
    for (int x = 0; x < 30; ++x)
        for (int y = 0; y < 40; ++y) png.setPixel(x, y, qRgba(0, 160, 0, 255));
    QVERIFY(png.save(QString::fromStdString(env.photos + "/half.png"), "PNG"));
    env.MakeCatalog({});
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.ListBox2Click(0, env.photos, {"half.png"});
    QCOMPARE(Title(w), QString("half.png (100%)"));
    const QImage& shown = w.PhotoView()->Picture();
    QCOMPARE(shown.size(), QSize(60, 40));
    QCOMPARE(shown.pixelColor(10, 10), QColor(0, 160, 0));
    QCOMPARE(shown.pixelColor(50, 10), QColor(Qt::white));
    QCOMPARE(env.Errors(), 0);
}

QTEST_MAIN(TestPhotoPane)
#include "test_photopane.moc"
