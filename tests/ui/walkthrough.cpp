// A walk through the program as a user takes it, with a screenshot after every step. Run under a
// real X server (Xvfb) with a scratch folder and a folder of photos:
//   lumavell_walkthrough <scratch folder> <output folder> <install folder> <photo folder>
// It starts the program's windows on an empty catalog in <scratch>/docs, then: creates the album
// "Holiday" through the New Album dialog, shows the import bar on the photo folder, files every
// photo with Add All, selects a photo, zooms in and out, steps with Next and Previous, removes a
// photo from the album, creates "Family" and adds the selected photo to it with Add To Album.
// Every message box that appears is saved as a screenshot and answered with its default button.
// The steps are driven through the controls (clicks on buttons and rows), as a user drives them.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>

#include "TAppWindows.h"
#include "TBalloonHint.h"
#include "TImportBar.h"
#include "TPhotoList.h"
#include "TQtMessages.h"
#include "TSettingsStore.h"
#include "frmAddtoColU.h"
#include "frmMainU.h"
#include "frmNewColU.h"

namespace fs = std::filesystem;

namespace {

std::string outFolder;
int shotNumber = 0;
bool allSaved = true;

void Settle(int rounds = 20) {
    for (int i = 0; i < rounds; ++i) {
        QApplication::processEvents();
        QThread::msleep(25);
    }
}

void Shoot(const std::string& name, QWidget* w) {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = w->frameGeometry();
    QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%02d-", ++shotNumber);
    const std::string file = outFolder + "/" + prefix + name + ".png";
    if (!shot.save(QString::fromStdString(file))) allSaved = false;
    std::cout << file << "\n";
}

// What to do with the next modal dialog of type T that opens.
template <class T>
void WhenDialogOpens(std::function<void(T&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* d = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        Settle(5);
        act(*d);
    });
    timer->start();
}

// Message boxes are photographed and answered with their default button whenever they appear.
void AnswerMessageBoxes() {
    auto* timer = new QTimer(qApp);
    timer->setInterval(100);
    QObject::connect(timer, &QTimer::timeout, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        Settle(3);
        std::cout << "message: " << box->windowTitle().toStdString() << ": " << box->text().toStdString() << "\n";
        Shoot("message", box);
        QAbstractButton* b = box->defaultButton();
        if (!b && !box->buttons().isEmpty()) b = box->buttons().first();
        if (b) b->click();
    });
    timer->start();
}

void Click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    Settle(5);
}

void ClickRow(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    if (!item) return;
    list->scrollToItem(item);
    Settle(2);
    const QRect r = list->visualItemRect(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    Settle(10);
}

void Trigger(TfrmMain& w, const char* command) {
    if (QAction* a = w.Command(command)) {
        if (!a->isEnabled()) std::cout << "command " << command << " is disabled\n";
        a->trigger();
    }
    Settle(10);
}

// An album whose line keeps the first icon is read-only for Add To Album: the walk picks the
// second icon, as a user who wants to add photos to it does.
void NewAlbum(TfrmMain& w, const QString& name) {
    WhenDialogOpens<TfrmNewCol>([name](TfrmNewCol& d) {
        if (d.IconBox()->count() > 1) d.IconBox()->setCurrentIndex(1);
        d.NameBox()->setFocus();
        QTest::keyClicks(d.NameBox(), name);
        Settle(3);
        Shoot("new-album-dialog", &d);
        Click(d.OkButton());
    });
    Trigger(w, "NewCol");
    Settle();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 5) {
        std::cerr << "usage: lumavell_walkthrough scratch out install photos\n";
        return 2;
    }
    const std::string scratch = argv[1], install = argv[3], photos = argv[4];
    outFolder = argv[2];
    const std::string docs = scratch + "/docs";
    fs::create_directories(docs);
    const std::string machine = scratch + "/machine.conf";
    std::ofstream(machine) << "[Images]\ninstalledTo=" << install << "\n";
    TSettingsStore settings(scratch + "/user.conf", machine);
    // The thumbnail question is answered; the first-use hints are shown as they come.
    settings.WriteInteger("Images", "saveThumbs", 1);
    ApplyLookAndFeel(app);
    TQtMessages messages(nullptr);
    AnswerMessageBoxes();

    TAppWindows windows(settings, messages, docs);
    TfrmMain& w = windows.Main();
    w.show();
    Settle();
    w.setWindowState(Qt::WindowNoState);
    w.setGeometry(20, 20, 1180, 760);
    Settle();
    Shoot("start", &w);

    NewAlbum(w, "Holiday");
    w.Balloon().hide();
    Shoot("album-created", &w);

    if (!w.Command("nuImport")->isChecked()) Trigger(w, "nuImport");
    TImportBar* bar = w.ImportBarContents();
    bar->ChangeFolder(photos);
    Settle(40);
    Shoot("import-folder", &w);

    bar->AddAllAction()->trigger();
    Settle(40);
    w.Balloon().hide();
    Shoot("added-all", &w);

    ClickRow(w.PhotoList(), 1);
    Shoot("photo-selected", &w);

    Trigger(w, "ZoomIn");
    Trigger(w, "ZoomIn");
    Shoot("zoomed-in", &w);
    Trigger(w, "ZoomOut");
    Shoot("zoomed-out", &w);
    Trigger(w, "ToFit");

    Trigger(w, "Next");
    Shoot("next", &w);
    Trigger(w, "Previous");
    Trigger(w, "Previous");
    Shoot("previous", &w);

    ClickRow(w.PhotoList(), 2);
    Trigger(w, "RemoveFromCol");
    Settle(20);
    Shoot("removed", &w);

    NewAlbum(w, "Family");
    w.Balloon().hide();
    // Back to the first album, whose photo goes into "Family".
    w.ComboBox1Change(w.AlbumBox()->findText("Holiday"));
    Settle(20);
    ClickRow(w.PhotoList(), 0);
    WhenDialogOpens<TfrmAddtoCol>([](TfrmAddtoCol& d) {
        QListWidget* list = d.AlbumList();
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->text() == "Family") ClickRow(list, i);
        Shoot("add-to-album-dialog", &d);
        Click(d.OkButton());
    });
    // Add To Album has no menu item or tool button: Ctrl+A runs it.
    w.activateWindow();
    Settle(5);
    QTest::keyClick(w.PhotoList(), Qt::Key_A, Qt::ControlModifier);
    Settle(20);
    w.ComboBox1Change(w.AlbumBox()->findText("Family"));
    Settle(20);
    ClickRow(w.PhotoList(), 0);
    Shoot("second-album", &w);

    w.close();
    Settle();
    return allSaved ? 0 : 1;
}
