#pragma once
// The set-up the window tests share: settings, an install folder and a documents folder in a
// temporary folder, a catalog and icon strip written through the catalog module, the program's
// windows started over them, and small helpers for showing the main window and reading lists
// and tables back.
#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QListWidget>
#include <QProgressBar>
#include <QStringList>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedMessages.h"
#include "TAppWindows.h"
#include "TCatalog.h"
#include "TSettingsStore.h"
#include "TestSupport.h"
#include "frmMainU.h"

namespace testsupport {

// A photo to file in a catalog: its title, its file and its notes.
struct UiPhoto {
    std::string name;
    std::string path;
    std::string notes;
};

// An album to write: its line in albums.pdat ("name;icon"), the photos filed in it, and further
// rows naming photos by identifier.
struct UiAlbum {
    std::string line;
    std::vector<UiPhoto> photos = {};
    std::vector<int> extraRows = {};
};

// Writes a picture of one colour in the given format ("JPG", "BMP"); a fixture that cannot be
// written stops the test program.
inline std::string WritePicture(const std::string& path, int w, int h, QColor colour, const char* format = "JPG") {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    if (!img.save(QString::fromStdString(path), format)) qFatal("cannot write %s", path.c_str());
    return path;
}

// Puts the working directory back when it goes: showing the main window moves the working
// directory into the install folder, and the program's folder walks move it too.
class TWorkingDirGuard {
public:
    TWorkingDirGuard() : path_(std::filesystem::current_path()) {}
    ~TWorkingDirGuard() {
        std::error_code ec;
        std::filesystem::current_path(path_, ec);
    }
    TWorkingDirGuard(const TWorkingDirGuard&) = delete;
    TWorkingDirGuard& operator=(const TWorkingDirGuard&) = delete;

private:
    std::filesystem::path path_;
};

// A user settings file, a machine settings file naming an install folder, a documents folder
// with an empty catalog folder, and a folder for photos, all in a temporary folder. The working
// directory is put back before the folder is removed.
struct UiTestEnv {
    TempDir dir;
    TWorkingDirGuard workingDir;
    std::string userFile = dir.file("user.conf");
    std::string machineFile = dir.file("machine.conf");
    std::string install = dir.file("install");
    std::string docs = dir.file("docs");
    std::string root = docs + "/My Pictures/My Albums/";
    std::string photos = dir.file("photos");
    TSettingsStore store{userFile, machineFile};
    ScriptedMessages messages;

    // installed: whether the machine settings name the install folder.
    explicit UiTestEnv(bool installed = true) {
        std::filesystem::create_directories(install);
        std::filesystem::create_directories(root);
        std::filesystem::create_directories(photos);
        if (installed) WriteAll(machineFile, "[Images]\ninstalledTo=" + install + "\n");
    }
    UiTestEnv(const UiTestEnv&) = delete;
    UiTestEnv& operator=(const UiTestEnv&) = delete;

    // The picture the photo list shows for a photo whose file is missing.
    void WriteNotFound(QColor colour = Qt::red) const {
        WritePicture(install + "/notfound.bmp", 100, 80, colour, "BMP");
    }

    // Writes the catalog with the albums in the order given and albums.pdat listing their
    // lines. The photos get the identifiers 2, 3, ... in that order (1 is the seed record).
    bool WriteCatalog(const std::vector<UiAlbum>& albums, const std::string& credit = "Ann") {
        ScriptedMessages quiet;
        TCatalog cat(store, quiet, docs, install);
        cat.OpenCatalog();
        std::string list;
        for (const UiAlbum& a : albums) {
            cat.CreateAlbumFile(TCatalog::AlbumEntryName(a.line));
            list += a.line + "\r\n";
        }
        bool ok = true;
        for (const UiAlbum& a : albums) {
            if (a.photos.empty() && a.extraRows.empty()) continue;
            const std::string name = TCatalog::AlbumEntryName(a.line);
            cat.OpenAlbum(name);
            for (const UiPhoto& p : a.photos)
                TCatalog::AddImage(cat.CatalogTable(), cat.AlbumTable(), cat.NextImageId(), p.name, p.path, credit,
                                   p.notes);
            for (int id : a.extraRows) {
                cat.AlbumTable().AppendRecord();
                cat.AlbumTable().SetValue("ImgID", std::to_string(id));
            }
            ok = cat.SaveAlbum(name) && ok;
        }
        ok = cat.SaveCatalog() && ok;
        WriteAll(root + "albums.pdat", list);
        return ok;
    }

    // Writes the album icon strip: one 16 x 16 icon of each colour.
    bool WriteIcons(std::initializer_list<QColor> colours) const {
        TIconStrip icons;
        for (QColor c : colours) {
            QImage i(16, 16, QImage::Format_RGB32);
            i.fill(c);
            icons.Add(i);
        }
        return icons.SaveToFile(root + "icons.pdat");
    }

    std::unique_ptr<TAppWindows> Start(std::vector<std::string> args = {}) {
        return std::make_unique<TAppWindows>(store, messages, docs, std::move(args));
    }
    int Int(const char* key, int def = -12345) { return store.ReadInteger("Images", key, def); }
    // Whether a message with this caption was asked.
    bool Asked(const std::string& caption) const {
        for (const auto& m : messages.asked)
            if (m.caption == caption) return true;
        return false;
    }
};

inline void Flush(int rounds = 3) {
    for (int i = 0; i < rounds; ++i) QCoreApplication::processEvents();
}

// Shows the main window at a normal size and position the tests can reason about.
inline void Show(TfrmMain& w, int width = 760, int height = 540) {
    w.show();
    Flush();
    w.setWindowState(Qt::WindowNoState);
    w.setGeometry(10, 10, width, height);
    Flush();
}

// The texts of a list's rows.
inline QStringList Rows(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// A field of every record of a saved table, in record order.
inline QStringList TableColumn(const std::string& file, const char* field) {
    TMlb2 t;
    if (!t.LoadFromMLB(file)) return {"<unreadable>"};
    QStringList v;
    for (int r = 1; r <= t.RecordCount(); ++r) {
        t.GoTo(r);
        v << QString::fromStdString(t.GetValue(field));
    }
    return v;
}

// Counts how often a progress bar is shown and keeps the range it had then.
class TShowSpy : public QObject {
public:
    int shown = 0;
    int maximum = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show) {
            ++shown;
            maximum = static_cast<QProgressBar*>(o)->maximum();
        }
        return false;
    }
};

// Runs answer on the modal dialog of type Dialog once it is open: the dialog a command opens
// right after this call. Another modal window is closed unanswered. A dialog the answer leaves
// open is rejected, or closed by its close box when byCloseBox, so a failed check inside the
// answer cannot leave the test waiting. Returns a flag that tells whether the dialog opened.
template <class Dialog>
std::shared_ptr<bool> WhenShown(std::function<void(Dialog&)> answer, bool byCloseBox = false) {
    auto opened = std::make_shared<bool>(false);
    QTimer::singleShot(0, [answer, opened, byCloseBox] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* d = qobject_cast<Dialog*>(modal);
        if (!d) {
            if (modal) modal->close();
            return;
        }
        *opened = true;
        answer(*d);
        if (d->isVisible()) {
            if (byCloseBox)
                d->close();
            else
                d->reject();
        }
    });
    return opened;
}

}  // namespace testsupport
