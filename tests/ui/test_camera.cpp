// The scanner and camera import dialog over our source manager and SANE's test backend: the
// opening (credit, source list, acquisition, album list), the checks of "Import", an album made
// from the dialog, two photos filed with identifiers 2000 and 2001, and the open album refreshed.
#include <QtTest>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <csignal>
#include <dlfcn.h>
#include <filesystem>
#include <functional>

#include "JpegCodec.h"
#include "TAppWindows.h"
#include "TCatalog.h"
#include "TPhotoList.h"
#include "TPlatform.h"
#include "Twain.h"
#include "UiTestEnv.h"
#include "frmImportingImgsCamU.h"
#include "frmMainU.h"
#include "frmNewColU.h"
#include "frmScan.h"

using testsupport::Flush;
using testsupport::ReadAll;
using testsupport::Show;
using testsupport::TableColumn;
namespace fs = std::filesystem;

namespace {

QWidget* VisibleTopLevel(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible()) return w;
    return nullptr;
}

// Runs action on the source manager's window of that name once it is on screen.
void When(const char* name, std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, name, action] {
        if (QWidget* w = VisibleTopLevel(name)) {
            timer->stop();
            timer->deleteLater();
            action(w);
        }
    });
    timer->start();
}

void Click(QWidget* w, const char* button) {
    if (auto* b = w->findChild<QPushButton*>(button)) b->click();
}

// The source dialog scans the test backend's colour pattern at 75 dpi.
void ScanWhenAsked() {
    When("SaneSourceDialog", [](QWidget* dlg) {
        void* lib = dlopen(SANE_DSM_PATH, RTLD_NOW | RTLD_NOLOAD);
        if (lib) {
            auto set = reinterpret_cast<int (*)(const char*, const char*)>(dlsym(lib, "SaneDsm_SetOption"));
            if (set) set("test-picture", "Color pattern");
            dlclose(lib);
        }
        auto* res = dlg->findChild<QComboBox*>("cmbResolution");
        res->setCurrentIndex(res->findText("75 dpi"));
        Click(dlg, "btnScan");
    });
}

// Opens the import dialog, picks the source and scans the colour pattern; true once the preview
// and the album list are there.
bool OpenWithScan(TfrmCamera* cam) {
    When("SaneSourceList", [](QWidget* dlg) { Click(dlg, "btnSelect"); });
    ScanWhenAsked();
    cam->show();
    return QTest::qWaitFor([cam] { return !cam->Picture().isNull() && cam->AlbumBox()->count() == 3; }, 20000);
}

struct TCamEnv : testsupport::UiTestEnv {
    TCamEnv() {
        // A catalog whose last identifier is 41, with the albums Trips (icon 4) and Locked (icon 0).
        WriteCatalog({{"Trips;4"}, {"Locked;0"}});
        testsupport::ScriptedMessages quiet;
        TCatalog cat(store, quiet, docs, install);
        cat.OpenCatalog();
        cat.CatalogTable().AppendRecord();
        cat.CatalogTable().SetValue("ImgID", "41");
        cat.SaveCatalog();
        cat.CreateAlbumFile("Trips");
        WriteIcons({Qt::red, Qt::blue, Qt::green, Qt::yellow, Qt::cyan});
        WriteNotFound();
        // Thumbnails are neither asked about nor saved.
        store.WriteInteger("Images", "saveThumbs", 1);
    }
};

}  // namespace

class TestCamera : public QObject {
    Q_OBJECT
    testsupport::TempDir sane;

private slots:
    void initTestCase() {
        std::signal(SIGPIPE, SIG_IGN);
        testsupport::WriteAll(sane.file("dll.conf"), "test\n");
        setenv("SANE_CONFIG_DIR", sane.str().c_str(), 1);
        setenv("LUMAVELL_TWAIN_DSM", SANE_DSM_PATH, 1);
    }

    void importDialogFilesTwoPhotosIntoANewAlbum() {
        TCamEnv env;
        auto app = env.Start();
        TfrmMain& main = app->Main();
        Show(main);
        TfrmCamera* cam = main.CameraDialog();
        QVERIFY(cam);
        QCOMPARE(cam->windowTitle(), QString("Import from Scanner or Camera"));

        // Opening: the source list, then the source's dialog.
        When("SaneSourceList", [](QWidget* dlg) { Click(dlg, "btnSelect"); });
        ScanWhenAsked();
        cam->show();
        QTRY_VERIFY_WITH_TIMEOUT(!cam->Picture().isNull(), 20000);
        QTRY_COMPARE(cam->AlbumBox()->count(), 3);
        QCOMPARE(cam->Picture().size(), QSize(590, 590));
        QVERIFY(!cam->PreviewBox()->pixmap().isNull());
        QVERIFY(cam->PreviewBox()->pixmap().width() <= 193);
        QCOMPARE(cam->CreditBox()->text(), QString::fromStdString(TLinuxPlatform().UserName()));
        QVERIFY(cam->NameBox()->text().isEmpty());
        QCOMPARE(cam->AlbumBox()->itemText(0), QString("Trips"));
        QCOMPARE(cam->AlbumBox()->itemText(2), QString("New Album..."));
        QCOMPARE(cam->AlbumBox()->currentIndex(), -1);
        QCOMPARE(TWAIN_State(), 1);

        // "Import" with nothing chosen, then a read-only album.
        env.messages.asked.clear();
        cam->ImportButton()->click();
        QCOMPARE(env.messages.asked.back().text, std::string("Please select a collection."));
        cam->AlbumBox()->setCurrentIndex(1);
        cam->ImportButton()->click();
        QCOMPARE(env.messages.asked.back().text, std::string("This collection is read-only. You cannot add any images to this."));

        // The last line makes an album: Holiday, whatever icon was picked in the dialog.
        auto made = testsupport::WhenShown<TfrmNewCol>([](TfrmNewCol& d) {
            d.NameBox()->setText("Holiday");
            d.IconBox()->setCurrentIndex(3);
            d.OkButton()->click();
        });
        cam->AlbumBox()->setCurrentIndex(2);
        QVERIFY(*made);
        QCOMPARE(ReadAll(env.root + "albums.pdat"), std::string("Trips;4\r\nLocked;0\r\nHoliday;1\r\n"));
        QVERIFY(fs::exists(env.root + "Holiday.col"));
        QCOMPARE(cam->AlbumBox()->count(), 4);
        QCOMPARE(cam->AlbumBox()->currentText(), QString("Holiday"));
        QCOMPARE(cam->AlbumBox()->itemText(3), QString("New Collection..."));
        QCOMPARE(main.AlbumBox()->itemText(2), QString("Holiday"));

        // Credit emptied: the Save Photo dialog opens (cancelled here), then the name message.
        cam->CreditBox()->clear();
        env.messages.asked.clear();
        env.messages.paths = {""};
        cam->ImportButton()->click();
        QCOMPARE(env.messages.asked.size(), size_t(2));
        QCOMPARE(env.messages.asked[0].kind, std::string("save"));
        QCOMPARE(env.messages.asked[0].caption, std::string("Save Photo"));
        QCOMPARE(env.messages.asked[1].text, std::string("Please type in a name."));
        cam->CreditBox()->setText("Ann");
        cam->NameBox()->setText("Pattern");
        env.messages.paths = {env.photos + "/first"};
        cam->ImportButton()->click();
        QCOMPARE(env.messages.asked.back().text, std::string("Please type in some keywords."));
        QCOMPARE(cam->FileNameBox()->text(), QString::fromStdString(env.photos + "/first.jpg"));
        cam->CommentsBox()->setPlainText("colour\ntest");

        // Import: the importing dialog files the photo; "Another?" Yes acquires again and asks
        // for the next file.
        auto importing = testsupport::WhenShown<TfrmImportingImgCam>([](TfrmImportingImgCam& d) {
            QCOMPARE(d.windowTitle(), QString("Importing..."));
            QTRY_VERIFY(d.OkButton()->isEnabled());
            QCOMPARE(d.StatusLabel()->text(), QString("Image was successfully imported."));
            d.OkButton()->click();
        });
        env.messages.asked.clear();
        env.messages.answers = {TMsgResult::Yes};
        env.messages.paths = {env.photos + "/second.jpg"};
        ScanWhenAsked();
        cam->ImportButton()->click();
        QVERIFY(*importing);
        QCOMPARE(env.messages.asked[0].caption, std::string("Another?"));
        QCOMPARE(env.messages.asked[0].text, std::string("Would you like to import another photo?"));
        QCOMPARE(env.messages.asked[0].buttons, TMsgButtons::YesNo);
        QCOMPARE(env.messages.asked[1].caption, std::string("Save Photo"));
        QCOMPARE(cam->FileNameBox()->text(), QString::fromStdString(env.photos + "/second.jpg"));
        QCOMPARE(cam->NameBox()->text(), QString("Pattern"));
        QCOMPARE(cam->AlbumBox()->currentText(), QString("Holiday"));

        // The second photo; "Another?" No closes the dialog.
        auto second = testsupport::WhenShown<TfrmImportingImgCam>([](TfrmImportingImgCam& d) {
            QTRY_VERIFY(d.OkButton()->isEnabled());
            d.OkButton()->click();
        });
        env.messages.answers = {TMsgResult::No};
        cam->NameBox()->setText("Pattern 2");
        cam->ImportButton()->click();
        QVERIFY(*second);
        QTRY_VERIFY(!cam->isVisible());

        QCOMPARE(TableColumn(env.root + "data.mlb", "ImgID"), (QStringList{"1", "41", "2000", "2001"}));
        QCOMPARE(TableColumn(env.root + "data.mlb", "ImgPath").mid(2),
                 (QStringList{QString::fromStdString(env.photos + "/first.jpg"), QString::fromStdString(env.photos + "/second.jpg")}));
        QCOMPARE(TableColumn(env.root + "data.mlb", "ImgKeys")[2], QString("colour\r\ntest"));
        QCOMPARE(TableColumn(env.root + "Holiday.col", "ImgID"), (QStringList{"2000", "2001"}));
        QImage written;
        std::string why;
        QVERIFY(imaging::LoadJpeg(env.photos + "/first.jpg", written, why));
        QCOMPARE(written.size(), QSize(590, 590));
        // The main window's catalog knows both; a photo added from a folder next gets 2002.
        QVERIFY(main.Catalog().FindImage(2001));
        QCOMPARE(main.Catalog().NextImageId(), 2002);
    }

    void filingIntoTheOpenAlbumRefreshesItsList() {
        TCamEnv env;
        auto app = env.Start();
        TfrmMain& main = app->Main();
        Show(main);
        main.ComboBox1Change(0);  // Trips
        Flush();
        QCOMPARE(main.PhotoList()->count(), 0);
        TfrmCamera* cam = main.CameraDialog();
        // The source list is cancelled; the default source is acquired all the same.
        When("SaneSourceList", [](QWidget* dlg) { Click(dlg, "btnCancel"); });
        ScanWhenAsked();
        cam->show();
        QTRY_VERIFY_WITH_TIMEOUT(!cam->Picture().isNull(), 20000);
        QTRY_COMPARE(cam->AlbumBox()->count(), 3);
        cam->AlbumBox()->setCurrentIndex(0);
        cam->FileNameBox()->setText(QString::fromStdString(env.photos + "/open.jpg"));
        cam->NameBox()->setText("Open");
        cam->CommentsBox()->setPlainText("k");
        auto importing = testsupport::WhenShown<TfrmImportingImgCam>([](TfrmImportingImgCam& d) {
            QTRY_VERIFY(d.OkButton()->isEnabled());
            d.OkButton()->click();
        });
        env.messages.answers = {TMsgResult::No};
        cam->ImportButton()->click();
        QVERIFY(*importing);
        QTRY_COMPARE(main.PhotoList()->count(), 1);
        QCOMPARE(TableColumn(env.root + "Trips.col", "ImgID"), QStringList{"2000"});
        // A later save of the open album keeps the row.
        QVERIFY(main.Catalog().SaveAlbum("Trips"));
        QCOMPARE(TableColumn(env.root + "Trips.col", "ImgID"), QStringList{"2000"});
    }

    void cancellingTheSourceDialogLeavesThePreviewEmptyAndImportSaysSo() {
        TCamEnv env;
        auto app = env.Start();
        TfrmMain& main = app->Main();
        Show(main);
        TfrmCamera* cam = main.CameraDialog();
        When("SaneSourceList", [](QWidget* dlg) { Click(dlg, "btnSelect"); });
        When("SaneSourceDialog", [](QWidget* dlg) { Click(dlg, "btnCancel"); });
        cam->show();
        QTRY_COMPARE_WITH_TIMEOUT(cam->AlbumBox()->count(), 3, 20000);
        QVERIFY(cam->Picture().isNull());
        cam->AlbumBox()->setCurrentIndex(0);
        cam->FileNameBox()->setText(QString::fromStdString(env.photos + "/none.jpg"));
        cam->NameBox()->setText("None");
        cam->CommentsBox()->setPlainText("k");
        env.messages.asked.clear();
        cam->ImportButton()->click();
        QCOMPARE(env.messages.asked.back().text,
                 std::string("There is no photo to import yet. Press \"Re-Pick\" to scan or acquire one."));
        QVERIFY(!fs::exists(env.photos + "/none.jpg"));
        QCOMPARE(TableColumn(env.root + "data.mlb", "ImgID"), (QStringList{"1", "41"}));
        cam->reject();
    }

    void photosFiledInARowWithoutTouchingTheNameKeepTheirFiles() {
        TCamEnv env;
        auto app = env.Start();
        TfrmMain& main = app->Main();
        Show(main);
        TfrmCamera* cam = main.CameraDialog();
        QVERIFY(OpenWithScan(cam));
        cam->AlbumBox()->setCurrentIndex(0);  // Trips
        cam->NameBox()->setText("Scan");
        cam->CommentsBox()->setPlainText("k");
        // A name without a folder is taken from My Pictures; a file already there is replaced
        // only when the user agrees.
        const std::string pictures = env.docs + "/My Pictures";
        const std::string first = pictures + "/first.jpg";
        const std::string second = pictures + "/first 2.jpg";
        testsupport::WriteAll(first, "an older photo");
        cam->FileNameBox()->setText("first.jpg");
        env.messages.asked.clear();
        env.messages.answers = {TMsgResult::No};
        cam->ImportButton()->click();
        QCOMPARE(cam->FileNameBox()->text(), QString::fromStdString(first));
        QCOMPARE(env.messages.asked.size(), size_t(1));
        QCOMPARE(env.messages.asked[0].caption, std::string("Save Photo"));
        QCOMPARE(env.messages.asked[0].buttons, TMsgButtons::YesNo);
        QCOMPARE(ReadAll(first), std::string("an older photo"));
        QCOMPARE(TableColumn(env.root + "data.mlb", "ImgID"), (QStringList{"1", "41"}));

        // Yes: filed. "Another?" Yes scans again; the "Save Photo" dialog, opened on the fresh
        // name, is cancelled, and Import files the second photo under that fresh name.
        auto importing = testsupport::WhenShown<TfrmImportingImgCam>([](TfrmImportingImgCam& d) {
            QTRY_VERIFY(d.OkButton()->isEnabled());
            d.OkButton()->click();
        });
        env.messages.asked.clear();
        env.messages.answers = {TMsgResult::Yes, TMsgResult::Yes};
        env.messages.paths = {""};
        ScanWhenAsked();
        cam->ImportButton()->click();
        QVERIFY(*importing);
        QCOMPARE(env.messages.asked.size(), size_t(3));
        QCOMPARE(env.messages.asked[1].caption, std::string("Another?"));
        QCOMPARE(env.messages.asked[2].kind, std::string("save"));
        QCOMPARE(env.messages.asked[2].text, second);
        QCOMPARE(cam->FileNameBox()->text(), QString::fromStdString(second));

        auto again = testsupport::WhenShown<TfrmImportingImgCam>([](TfrmImportingImgCam& d) {
            QTRY_VERIFY(d.OkButton()->isEnabled());
            d.OkButton()->click();
        });
        env.messages.asked.clear();
        env.messages.answers = {TMsgResult::No};
        cam->ImportButton()->click();
        QVERIFY(*again);
        QTRY_VERIFY(!cam->isVisible());
        QCOMPARE(env.messages.asked.size(), size_t(1));  // only "Another?"
        // Two files, two records, two paths; the box proposes the next name for next time.
        QCOMPARE(TableColumn(env.root + "data.mlb", "ImgID"), (QStringList{"1", "41", "2000", "2001"}));
        QCOMPARE(TableColumn(env.root + "data.mlb", "ImgPath").mid(2),
                 (QStringList{QString::fromStdString(first), QString::fromStdString(second)}));
        QImage a, b;
        std::string why;
        QVERIFY(imaging::LoadJpeg(first, a, why));
        QVERIFY(imaging::LoadJpeg(second, b, why));
        QCOMPARE(cam->FileNameBox()->text(), QString::fromStdString(pictures + "/first 3.jpg"));
    }

    void aCatalogOutOfNumbersStopsTheImportBeforeAnythingIsWritten() {
        TCamEnv env;
        {
            testsupport::ScriptedMessages quiet;
            TCatalog cat(env.store, quiet, env.docs, env.install);
            cat.OpenCatalog();
            cat.CatalogTable().AppendRecord();
            cat.CatalogTable().SetValue("ImgID", "2147483647");
            cat.SaveCatalog();
        }
        const std::string catalogBefore = ReadAll(env.root + "data.mlb");
        const std::string albumBefore = ReadAll(env.root + "Trips.col");
        auto app = env.Start();
        TfrmMain& main = app->Main();
        Show(main);
        TfrmCamera* cam = main.CameraDialog();
        QVERIFY(OpenWithScan(cam));
        cam->AlbumBox()->setCurrentIndex(0);
        cam->FileNameBox()->setText(QString::fromStdString(env.photos + "/last.jpg"));
        cam->NameBox()->setText("Last");
        cam->CommentsBox()->setPlainText("k");
        env.messages.asked.clear();
        cam->ImportButton()->click();
        QCOMPARE(env.messages.asked.size(), size_t(1));
        QVERIFY2(env.messages.asked[0].text.find("2147483647") != std::string::npos, env.messages.asked[0].text.c_str());
        QVERIFY(!cam->ImportingDialog()->isVisible());
        QVERIFY(!fs::exists(env.photos + "/last.jpg"));
        QCOMPARE(ReadAll(env.root + "data.mlb"), catalogBefore);
        QCOMPARE(ReadAll(env.root + "Trips.col"), albumBefore);
        cam->reject();
    }
};

QTEST_MAIN(TestCamera)
#include "test_camera.moc"
