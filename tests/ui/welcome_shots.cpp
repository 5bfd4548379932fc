// Pictures of the welcome pane (a wide and a narrow main window), the About and Donate windows
// and the splash, for looking at them:
//   lumavell_welcome_shots <scratch folder> <output folder>
// Runs on any Qt platform (offscreen included): each window is grabbed on its own. With
// QT_SCALE_FACTOR=2 the pictures come out at a device pixel ratio of 2.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "TAppWindows.h"
#include "TBalloonHint.h"
#include "TQtMessages.h"
#include "TSettingsStore.h"
#include "frmAboutU.h"
#include "frmDonateU.h"
#include "frmMainU.h"
#include "frmSplashU.h"

namespace fs = std::filesystem;

namespace {

void Settle() {
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
}

void Save(QWidget& w, const std::string& file) {
    Settle();
    if (!w.grab().save(QString::fromStdString(file))) std::cerr << "cannot write " << file << "\n";
}

// The main window with the balloon hint drawn where it stands on the screen.
void SaveWithBalloon(TfrmMain& w, const std::string& file) {
    Settle();
    QPixmap shot = w.grab();
    if (w.Balloon().isVisible()) {
        QPainter p(&shot);
        p.drawPixmap(w.Balloon().pos() - w.mapToGlobal(QPoint(0, 0)), w.Balloon().grab());
    }
    if (!shot.save(QString::fromStdString(file))) std::cerr << "cannot write " << file << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::cerr << "usage: lumavell_welcome_shots scratch out\n";
        return 2;
    }
    const std::string scratch = argv[1], out = argv[2];
    fs::create_directories(scratch + "/docs/My Pictures/My Albums");
    fs::create_directories(out);
    const std::string machine = scratch + "/machine.conf";
    std::ofstream(machine) << "[Images]\ninstalledTo=" << scratch << "\n";
    TSettingsStore settings(scratch + "/user.conf", machine);
    // A first start: the welcome hint points at "Create a new album".
    settings.WriteInteger("Images", "timesRun", 11);
    ApplyLookAndFeel(app);
    TQtMessages messages(nullptr);

    TfrmSplash splash;
    splash.ShowNow();
    Save(splash, out + "/splash.png");
    splash.hide();

    TAppWindows windows(settings, messages, scratch + "/docs");
    TfrmMain& w = windows.Main();
    w.show();
    Settle();
    w.setWindowState(Qt::WindowNoState);
    w.setGeometry(0, 0, 1000, 660);
    SaveWithBalloon(w, out + "/welcome-wide.png");
    w.Balloon().hide();
    w.setGeometry(0, 0, 600, 560);
    Save(w, out + "/welcome-narrow.png");
    w.setGeometry(0, 0, 560, 450);
    Save(w, out + "/welcome-smallest.png");

    TfrmAbout& about = *w.AboutWindow();
    QTimer::singleShot(0, [&] {
        Save(about, out + "/about.png");
        about.accept();
    });
    w.AboutExecute();
    TfrmDonate& donate = *w.DonateWindow();
    QTimer::singleShot(0, [&] {
        Save(donate, out + "/donate.png");
        donate.accept();
    });
    w.DonateExecute();
    w.close();
    return 0;
}
