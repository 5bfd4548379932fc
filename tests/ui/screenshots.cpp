// Takes the screenshots in docs/screenshots: run under a real X server (Xvfb) with a scratch
// folder and the photos to put in an album:
//   lumavell_screenshots <scratch folder> <output folder> <install folder> photo.jpg...
// It builds a catalog with the album "Holiday" in <scratch>/docs, starts the program's windows
// on settings in the scratch folder, opens the album and saves main-window.png, hint.png and
// prefs.png from the screen.
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QScreen>
#include <QThread>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "TAppWindows.h"
#include "TBalloonHint.h"
#include "TCatalog.h"
#include "TPhotoList.h"
#include "THints.h"
#include "TQtMessages.h"
#include "TSettingsStore.h"
#include "frmMainU.h"
#include "frmPrefs2U.h"

namespace fs = std::filesystem;

namespace {

void Settle(int rounds = 20) {
    for (int i = 0; i < rounds; ++i) {
        QApplication::processEvents();
        QThread::msleep(25);
    }
}

bool Shoot(const QString& file, const QRect& area) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    return shot.save(file);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 5) {
        std::cerr << "usage: lumavell_screenshots scratch out install photo.jpg...\n";
        return 2;
    }
    const std::string scratch = argv[1], out = argv[2], install = argv[3];
    const std::string docs = scratch + "/docs";
    fs::create_directories(docs + "/My Pictures/My Albums");
    const std::string machine = scratch + "/machine.conf";
    std::ofstream(machine) << "[Images]\ninstalledTo=" << install << "\n";
    TSettingsStore settings(scratch + "/user.conf", machine);
    ApplyLookAndFeel(app);
    TQtMessages messages(nullptr);

    {
        TCatalog cat(settings, messages, docs, install);
        cat.OpenCatalog();
        cat.CreateAlbumFile("Holiday");
        cat.CreateAlbumFile("Family");
        cat.OpenAlbum("Holiday");
        for (int i = 4; i < argc; ++i) {
            QString name = QFileInfo(argv[i]).completeBaseName();
            name[0] = name[0].toUpper();
            TCatalog::AddImage(cat.CatalogTable(), cat.AlbumTable(), cat.NextImageId(), name.toStdString(),
                               fs::absolute(argv[i]).string(), "Ann", "");
        }
        cat.SaveCatalog();
        cat.SaveAlbum("Holiday");
        std::ofstream(docs + "/My Pictures/My Albums/albums.pdat", std::ios::binary)
            << "Holiday;0\r\nFamily;1\r\nTrips;3\r\n";
    }
    // Not the first start, and the thumbnail question already answered: the shots show the
    // album-opening hint and no question.
    settings.WriteBool("Images", "firstTime_first", true);
    settings.WriteBool("Images", "firstTime_anotherOpen", true);
    settings.WriteInteger("Images", "saveThumbs", 1);

    TAppWindows windows(settings, messages, docs);
    TfrmMain& w = windows.Main();
    w.show();
    Settle();
    w.setWindowState(Qt::WindowNoState);
    w.setGeometry(40, 30, 900, 620);
    Settle();
    w.ComboBox1Change(0);
    Settle();
    const QRect frame = w.frameGeometry();
    QRect withHint = frame.united(w.Balloon().frameGeometry()).adjusted(-4, -4, 4, 4);
    bool ok = Shoot(QString::fromStdString(out + "/hint.png"), withHint);
    w.Balloon().hide();
    // A selected row shows its tint.
    w.PhotoList()->setCurrentRow(1);
    Settle();
    ok = Shoot(QString::fromStdString(out + "/main-window.png"), frame) && ok;

    TfrmPrefs2& prefs = windows.Prefs();
    prefs.setModal(false);
    prefs.show();
    prefs.move(200, 150);
    Settle();
    ok = Shoot(QString::fromStdString(out + "/prefs.png"), prefs.frameGeometry()) && ok;
    prefs.hide();
    w.close();
    return ok ? 0 : 1;
}
