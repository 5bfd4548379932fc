// The Share and Receive dialogs over a real catalog: the share dialog's states and texts, an
// export through it, and a package received through "/ALBUM" at start-up, with the album box
// listing the new album at once.
#include <QtTest>

#include <QAction>
#include <QApplication>
#include <QShowEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <filesystem>

#include "TAlbumExport.h"
#include "TAlbumReceive.h"
#include "TAppWindows.h"
#include "TZipEngine.h"
#include "TestSupport.h"
#include "UiTestEnv.h"
#include "frmMainU.h"
#include "frmReceiveU.h"
#include "TPhotoList.h"
#include "frmShare2U.h"

namespace fs = std::filesystem;
using testsupport::Flush;
using testsupport::Show;

namespace {

struct TEnv : testsupport::UiTestEnv {
    TEnv() {
        WriteNotFound();
        store.WriteInteger("Images", "saveThumbs", 1);
        // The first-use help of the Share dialog has been seen.
        store.WriteBool("Images", "firstHelp_shareAlbum", true);
    }
    void MakeCatalog() {
        std::vector<testsupport::UiPhoto> photos;
        for (int i = 1; i <= 3; ++i)
            photos.push_back({"Photo " + std::to_string(i),
                              testsupport::WritePicture(this->photos + "/p" + std::to_string(i) + ".jpg", 800, 600,
                                                        QColor(60 * i, 100, 200)),
                              "note & <" + std::to_string(i) + ">"});
        QVERIFY(WriteCatalog({{"Trip;1", photos}, {"Other;0"}}));
        QVERIFY(WriteIcons({Qt::red, Qt::blue, Qt::green}));
    }
};

QStringList BoxLines(QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}

// Saves a picture of a window when LUMAVELL_SHOTS names a folder (for looking at, not checking).
void Shot(QWidget* w, const char* name) {
    const QString folder = qEnvironmentVariable("LUMAVELL_SHOTS");
    if (folder.isEmpty()) return;
    Flush();
    w->grab().save(folder + "/" + name + ".png");
}

}  // namespace

class TestShare : public QObject {
    Q_OBJECT
private slots:
    void shareDialogStates();
    void exportThroughTheDialog();
    void receiveAtStartUp();
    void packageHandedOverByALaterStart();
    void failedReceiveSaysSo();
};

void TestShare::shareDialogStates() {
    TEnv env;
    env.MakeCatalog();
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    QVERIFY(!w.Command("Share")->isEnabled());
    w.ComboBox1Change(0);
    QVERIFY(w.Command("Share")->isEnabled());
    TfrmShare2* d = w.ShareDialog();
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QString("Share"));
    QCOMPARE(d->comboType->currentIndex(), -1);
    QCOMPARE(d->comboType->itemText(0), QString("Exactly as it is"));
    QCOMPARE(d->comboType->itemText(1), QString("Just the photos"));
    QCOMPARE(d->lblExplainType->text(), QString("Choose a method above."));
    QVERIFY(!d->btnBegin->isEnabled());
    QVERIFY(d->btnBegin->isDefault());
    QVERIFY(d->radNo->isChecked());
    QCOMPARE(d->lblDoing->text(), QString("Doing nothing"));
    d->show();
    Shot(d, "share-not-ready");

    d->comboType->setCurrentIndex(0);
    d->comboTypeChange();
    QVERIFY(d->btnBegin->isEnabled());
    QVERIFY(d->lblExplainType->text().startsWith("Save as a Lumavell Shared Album file."));
    QCOMPARE(d->fileName->text(), QString::fromStdString(env.docs + "/Trip.xal"));
    QCOMPARE(d->Label3->text(), QString("Pick a spot where you would like to save this shared album."));
    Shot(d, "share-ready");

    testsupport::WriteAll(env.docs + "/Trip.zip", "x");
    d->fileName->setText("typed by hand");
    d->comboType->setCurrentIndex(1);
    d->comboTypeChange();
    QVERIFY(d->lblExplainType->text().startsWith("Put the photos into a Zip archive."));
    QCOMPARE(d->fileName->text(), QString::fromStdString(env.docs + "/Trip.zip"));
    QCOMPARE(d->Label3->text(), QString("This file exists! It will be overwritten."));
    QCOMPARE(d->Method(), sharing::TShareMethod::Zip);
    d->radThird->setChecked(true);
    QCOMPARE(d->Shrink(), sharing::TShrink::Third);

    // The browse button asks for a file name starting from the box's text.
    env.messages.paths = {env.dir.file("chosen.zip"), ""};
    env.messages.asked.clear();
    d->btnBrowse->click();
    QCOMPARE(d->fileName->text(), QString::fromStdString(env.dir.file("chosen.zip")));
    QCOMPARE(env.messages.asked.at(0).kind, std::string("save"));
    QCOMPARE(env.messages.asked.at(0).text, env.docs + "/Trip.zip");
    QCOMPARE(d->Label3->text(), QString("Pick a spot where you would like to save this shared album."));
    d->btnBrowse->click();  // cancelled: the name stays
    QCOMPARE(d->fileName->text(), QString::fromStdString(env.dir.file("chosen.zip")));
    d->hide();

    // The search results cannot be shared.
    w.ComboBox1Change(w.AlbumBox()->count() - 1);
    QVERIFY(!w.Command("Share")->isEnabled());
}

void TestShare::exportThroughTheDialog() {
    TEnv env;
    env.MakeCatalog();
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.ComboBox1Change(0);
    const std::string target = env.dir.file("Sent.xal");
    TfrmShare2* d = w.ShareDialog();
    d->SetWorkFolder(env.dir.file("work"));
    bool sawExporting = false;
    auto opened = testsupport::WhenShown<TfrmShare2>([&](TfrmShare2& s) {
        s.comboType->setCurrentIndex(0);
        s.comboTypeChange();
        s.fileName->setText(QString::fromStdString(target));
        s.radQuarter->setChecked(true);
        // While the export runs the dialog cannot be closed and its controls are off.
        QObject::connect(s.ProgressBar1, &QProgressBar::valueChanged, &s, [&] {
            if (!s.Exporting() || sawExporting) return;
            sawExporting = !s.btnHelp->isEnabled() && !s.btnBegin->isEnabled() && !s.grpMethod->isEnabled();
            s.close();
            Shot(&s, "share-exporting");
        });
        s.btnBegin->click();
    });
    w.Command("Share")->trigger();
    QVERIFY(*opened);
    QVERIFY(sawExporting);
    QVERIFY(!d->isVisible());
    QCOMPARE(d->result(), int(QDialog::Accepted));
    QVERIFY(env.Asked("Complete"));
    QVERIFY(fs::exists(target));
    QVERIFY(fs::is_empty(env.dir.file("work")));
    // The choices stay for the next opening; the dialog is ready again.
    QCOMPARE(d->comboType->currentIndex(), 0);
    QVERIFY(d->radQuarter->isChecked());
    QCOMPARE(d->lblDoing->text(), QString("Doing nothing"));
    QVERIFY(d->btnBegin->isEnabled() && d->btnHelp->isEnabled());
    // The file now exists, so the next Begin would replace it: the warning says so at once.
    QCOMPARE(d->Label3->text(), QString("This file exists! It will be overwritten."));

    // The warning follows the disk each time the dialog is shown: the file has gone since.
    fs::remove(target);
    // A failed export (a folder that does not exist) leaves the dialog ready and open.
    env.messages.asked.clear();
    auto again = testsupport::WhenShown<TfrmShare2>([&](TfrmShare2& s) {
        QCOMPARE(s.Label3->text(), QString("Pick a spot where you would like to save this shared album."));
        testsupport::WriteAll(target, "made meanwhile");
        QShowEvent shown;
        QApplication::sendEvent(&s, &shown);
        QCOMPARE(s.Label3->text(), QString("This file exists! It will be overwritten."));
        s.fileName->setText(QString::fromStdString(env.dir.file("missing/Sent.xal")));
        s.btnBegin->click();
        QVERIFY(s.isVisible());
        QVERIFY(s.btnBegin->isEnabled() && s.btnHelp->isEnabled() && s.grpMethod->isEnabled());
    });
    w.Command("Share")->trigger();
    QVERIFY(*again);
    QCOMPARE(int(env.messages.asked.size()), 1);
    QCOMPARE(env.messages.asked[0].caption, std::string("Share"));
}

void TestShare::receiveAtStartUp() {
    TEnv env;
    env.MakeCatalog();
    // A package made by the export from an album of another catalog.
    testsupport::ScriptedMessages quiet;
    sharing::TShareAlbum album;
    album.name = "Beach";
    album.icon = 2;
    album.photos = {{env.photos + "/p1.jpg", "Waves", "Bob", "a & b"}, {env.photos + "/p2.jpg", "Sand", "", ""}};
    sharing::TAlbumExport exporter(quiet, env.dir.file("work"));
    const std::string package = env.dir.file("Beach.xal");
    QVERIFY(exporter.StartSharing(album, sharing::TShareMethod::Package, package, sharing::TShrink::None));

    auto app = env.Start({"/album", package});
    TfrmMain& w = app->Main();
    // The receive dialog opens from the event loop once the window has been shown.
    w.show();
    bool ended = false;
    auto opened = testsupport::WhenShown<TfrmReceive>([&](TfrmReceive& r) {
        QCOMPARE(r.windowTitle(), QString("Receive"));
        QVERIFY(!r.Button1->isEnabled());
        Shot(&r, "receive-start");
        r.FormShow();
        ended = r.Succeeded();
        QVERIFY(r.Button1->isEnabled());
        QCOMPARE(r.Label5->text(), QString("Beach"));
        QCOMPARE(r.lblDoing->text(), QString("Completed"));
        Shot(&r, "receive-done");
        r.Button1->click();
    });
    Flush();
    QVERIFY(*opened);
    QVERIFY(ended);
    QCOMPARE(BoxLines(w.AlbumBox()), (QStringList{"Trip", "Other", "Beach", "Search Results"}));
    const QStringList names = testsupport::TableColumn(env.root + "data.mlb", "ImgName");
    QCOMPARE(names.mid(names.size() - 2), (QStringList{"Waves", "Sand"}));
    QVERIFY(fs::exists(env.docs + "/My Pictures/Beach/Beach 1.jpg"));
    // OK opened the new album, with its two photos.
    QCOMPARE(w.AlbumBox()->currentIndex(), 2);
    QCOMPARE(w.PhotoList()->count(), 2);
}

void TestShare::packageHandedOverByALaterStart() {
    TEnv env;
    env.MakeCatalog();
    testsupport::ScriptedMessages quiet;
    sharing::TShareAlbum album;
    album.name = "Later";
    album.photos = {{env.photos + "/p3.jpg", "Late", "", ""}};
    sharing::TAlbumExport exporter(quiet, env.dir.file("work"));
    fs::create_directories(env.dir.file("mail"));
    QVERIFY(exporter.StartSharing(album, sharing::TShareMethod::Package, env.dir.file("mail/Later.xal"),
                                  sharing::TShrink::None));
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.ComboBox1Change(0);
    // The later start ran in the mail folder and named the package relative to it.
    w.ArgumentsHandedOver({"/ALBUM", "Later.xal"}, env.dir.file("mail"));
    auto opened = testsupport::WhenShown<TfrmReceive>([&](TfrmReceive& r) {
        r.FormShow();
        QCOMPARE(r.Package(), env.dir.file("mail/Later.xal"));
        QVERIFY(r.Succeeded());
        r.Button1->click();
    });
    Flush();
    QVERIFY(*opened);
    QCOMPARE(BoxLines(w.AlbumBox()), (QStringList{"Trip", "Other", "Later", "Search Results"}));
    // The received album replaces the one that was open.
    QCOMPARE(w.AlbumBox()->currentIndex(), 2);
    QCOMPARE(w.PhotoList()->count(), 1);
}

void TestShare::failedReceiveSaysSo() {
    TEnv env;
    env.MakeCatalog();
    // A package naming its album, whose custom icon is missing: the receive fails after the
    // album's name was shown.
    const std::string xml = env.dir.file("album.xml");
    testsupport::WriteAll(xml, "<?xml version=\"1.0\"?>\r\n\r\n<album>\r\n  <settings>\r\n    <ver>1</ver>\r\n"
                               "    <name>Broken</name>\r\n    <icon>custom</icon>\r\n  </settings>\r\n</album>\r\n");
    TZipEngine zip;
    zip.SetArchiveName(env.dir.file("Broken.xal"));
    zip.AddFileToList(xml);
    QVERIFY(zip.Add());
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.ComboBox1Change(0);
    w.ArgumentsHandedOver({"/ALBUM", env.dir.file("Broken.xal")}, env.dir.str());
    auto opened = testsupport::WhenShown<TfrmReceive>([&](TfrmReceive& r) {
        r.FormShow();
        QVERIFY(!r.Succeeded());
        QVERIFY(r.Button1->isEnabled());
        QVERIFY(!r.lblIntro->text().contains("ready for you to view"));
        QCOMPARE(r.lblIntro->text(), QString(TfrmReceive::kFailedText));
        QVERIFY(r.Label5->text().isEmpty());
        Shot(&r, "receive-failed");
        r.Button1->click();
    });
    Flush();
    QVERIFY(*opened);
    QCOMPARE(BoxLines(w.AlbumBox()), (QStringList{"Trip", "Other", "Search Results"}));
    QCOMPARE(w.AlbumBox()->currentIndex(), 0);
    QVERIFY(!fs::exists(env.docs + "/My Pictures/Broken"));
}

QTEST_MAIN(TestShare)
#include "test_share.moc"
