// Takes the screenshots in docs/screenshots: run under a real X server (Xvfb) with a scratch
// folder and the photos to put in an album:
//   lumavell_screenshots <scratch folder> <output folder> <install folder> photo.jpg...
// It builds a catalog with the album "Holiday" in <scratch>/docs, starts the program's windows
// on settings in the scratch folder, opens the album and saves main-window.png, hint.png and
// prefs.png from the screen; then full screen of the first photo and of a portrait copy of it,
// two slideshow steps, the slideshow settings and wallpaper dialogs, and two printed PDF pages.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPrinter>
#include <QPushButton>
#include <QFileInfo>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QKeyEvent>
#include <QTransform>

#include <filesystem>
#include <functional>
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
#include "TImageCommands.h"
#include "frmFullU.h"
#include "frmSetWallU.h"
#include "frmShowU.h"
#include "frmSlideSettingsU.h"

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
        // A portrait copy of the first photo, so full screen shows both shapes.
        const std::string portrait = scratch + "/Portrait.jpg";
        QImage(argv[4]).transformed(QTransform().rotate(90)).save(QString::fromStdString(portrait), "JPG", 90);
        TCatalog::AddImage(cat.CatalogTable(), cat.AlbumTable(), cat.NextImageId(), "Portrait", portrait, "Ann", "");
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

    // Full screen and the slideshow are modal: each shot is taken from inside their loops.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    auto shootModal = [&](const QString& file, std::function<void(QWidget*)> before = {}) {
        QTimer::singleShot(300, [&, file, before] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            if (before) before(modal);
            Settle();
            ok = Shoot(QString::fromStdString(out) + "/" + file, modal->isWindow() && modal->width() >= screen.width()
                                                                     ? screen
                                                                     : modal->frameGeometry()) && ok;
            modal->close();
        });
    };
    TImageCommands& ic = w.ImageCommands();
    w.SelectRow(1);  // the first photo (row 0 is the portrait copy)
    Settle();
    shootModal("full-screen-landscape.png");
    ic.ViewFullScreenExecute();
    w.SelectRow(0);
    Settle();
    shootModal("full-screen-portrait.png", [](QWidget* f) {
        static_cast<TfrmFull*>(f)->PictureMouseMove(f->width() - 10, 10);  // the close button shows
    });
    ic.ViewFullScreenExecute();
    Settle();
    QTimer::singleShot(300, [&] {
        auto* d = qobject_cast<TfrmSlideSettings*>(QApplication::activeModalWidget());
        if (!d) return;
        Settle();
        ok = Shoot(QString::fromStdString(out + "/slideshow-settings.png"), d->frameGeometry()) && ok;
        d->NextAfterBox()->setChecked(false);
        shootModal("slideshow-right.png", [](QWidget* s) {
            QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
            QApplication::sendEvent(s, &right);
            QApplication::sendEvent(s, &right);
        });
        d->StartButton()->click();
    });
    ic.SlideShowExecute();
    QTimer::singleShot(300, [&] {
        if (QWidget* d = QApplication::activeModalWidget()) {
            Settle();
            ok = Shoot(QString::fromStdString(out + "/set-wallpaper.png"), d->frameGeometry()) && ok;
            d->close();
        }
    });
    ic.SetWall().Execute();

    // Printing to PDF files, one landscape and one portrait page.
    ic.Printer().setOutputFormat(QPrinter::PdfFormat);
    for (int row : {1, 0}) {
        w.SelectRow(row);
        ic.Printer().setOutputFileName(QString::fromStdString(out) + (row ? "/print-landscape.pdf" : "/print-portrait.pdf"));
        ic.PrintExecute();
    }
    w.close();
    return ok ? 0 : 1;
}
