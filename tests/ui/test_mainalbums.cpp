// The main window over a real catalog: the album box, opening albums into the photo list, the
// command line, the files written at closing, the thumbnail cache options, help and the
// start-up hints.
#include <QtTest>

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>

#include <filesystem>
#include <memory>

#include "ScriptedMessages.h"
#include "TAppWindows.h"
#include "TBalloonHint.h"
#include "TCatalog.h"
#include "THints.h"
#include "TPhotoList.h"
#include "TSettingsStore.h"
#include "TestSupport.h"
#include "frmHelpU.h"
#include "frmMainU.h"
#include "frmPrefs2U.h"

using testsupport::ScriptedMessages;
using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

struct TPhoto {
    std::string name;
    std::string path;
};

// Settings, an install folder, and a documents folder whose catalog holds the album "Holiday"
// of real JPEG photos and the empty album "Work".
struct TEnv {
    TempDir dir;
    std::string userFile = dir.file("user.conf");
    std::string machineFile = dir.file("machine.conf");
    std::string install = dir.file("install");
    std::string docs = dir.file("docs");
    std::string root = docs + "/My Pictures/My Albums/";
    std::string photos = dir.file("photos");
    TSettingsStore store{userFile, machineFile};
    ScriptedMessages messages;

    TEnv() {
        fs::create_directories(install);
        fs::create_directories(root);
        fs::create_directories(photos);
        testsupport::WriteAll(machineFile, "[Images]\ninstalledTo=" + install + "\n");
    }

    std::string Jpeg(const std::string& file, QColor colour, int w = 320, int h = 240) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(colour);
        const std::string path = photos + "/" + file;
        if (!img.save(QString::fromStdString(path), "JPG")) qFatal("cannot write %s", path.c_str());
        return path;
    }

    // Writes the catalog, the album tables, the album list and an icon strip of two icons.
    void MakeCatalog(const std::vector<TPhoto>& holiday, int repeat = 1) {
        ScriptedMessages quiet;
        TCatalog cat(store, quiet, docs, install);
        cat.OpenCatalog();
        cat.CreateAlbumFile("Work");
        cat.CreateAlbumFile("Holiday");
        cat.OpenAlbum("Holiday");
        std::vector<int> ids;
        for (const TPhoto& p : holiday) {
            const int id = cat.NextImageId();
            TCatalog::AddImage(cat.CatalogTable(), cat.AlbumTable(), id, p.name, p.path, "Ann", "");
            ids.push_back(id);
        }
        // Further rows of the same photos make a long album without more files.
        for (int r = 1; r < repeat; ++r)
            for (size_t i = 0; i < holiday.size(); ++i) {
                cat.AlbumTable().AppendRecord();
                cat.AlbumTable().SetValue("ImgID", std::to_string(ids[i]));
            }
        QVERIFY(cat.SaveCatalog());
        QVERIFY(cat.SaveAlbum("Holiday"));
        testsupport::WriteAll(root + "albums.pdat", "Holiday;0\r\nWork;1\r\n");
        TIconStrip icons;
        for (QColor c : {QColor(Qt::red), QColor(Qt::blue)}) {
            QImage i(16, 16, QImage::Format_RGB32);
            i.fill(c);
            icons.Add(i);
        }
        QVERIFY(icons.SaveToFile(root + "icons.pdat"));
    }
    void MakeTwoPhotos() {
        MakeCatalog({{"Beach", Jpeg("beach.jpg", Qt::yellow)}, {"Hills", Jpeg("hills.jpg", Qt::green)}});
    }

    std::unique_ptr<TAppWindows> Start(std::vector<std::string> args = {}) {
        return std::make_unique<TAppWindows>(store, messages, docs, std::move(args));
    }
    int Int(const char* key, int def = -12345) { return store.ReadInteger("Images", key, def); }
    bool Asked(const std::string& caption) const {
        for (const auto& m : messages.asked)
            if (m.caption == caption) return true;
        return false;
    }
};

void Flush() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

void Show(TfrmMain& w) {
    w.show();
    Flush();
    w.setWindowState(Qt::WindowNoState);
    w.setGeometry(10, 10, 760, 540);
    Flush();
}

QStringList Rows(TPhotoList* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// Counts how often a widget is shown and keeps the range it had then.
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

}  // namespace

class TestMainAlbums : public QObject {
    Q_OBJECT
private slots:
    void init() { cwd_ = fs::current_path(); }
    void cleanup() { fs::current_path(cwd_); }

    void albumBoxListsAlbumsWithIcons();
    void unreadableCatalogKeptWhenUserDeclines();
    void openingAlbumFillsPhotoList();
    void undecodablePhotoLeavesWaitingRows();
    void longRefreshShowsProgress();
    void thumbnailQuestionComesAtSecondOpening();
    void openColOpensKnownAlbum();
    void openColUnknownAlbumCannotOpen();
    void closingWritesAlbumListOnce();
    void compressedThumbnailsPackedAndUnpacked();
    void refreshThumbnailsClearsCache();
    void hintSequenceOverThreeStarts();
    void helpCommandOpensContentsAndClosingClosesIt();

private:
    fs::path cwd_;
};

void TestMainAlbums::albumBoxListsAlbumsWithIcons() {
    TEnv env;
    env.MakeTwoPhotos();
    auto app = env.Start();
    QComboBox* box = app->Main().AlbumBox();
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->itemText(0), QString("Holiday"));
    QCOMPARE(box->itemText(1), QString("Work"));
    QCOMPARE(box->itemText(2), QString("Search Results"));
    QCOMPARE(box->currentIndex(), -1);
    // Icons 0 and 1 come from the strip; the reserved line's icon 2 is not in it.
    QCOMPARE(box->itemIcon(0).pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    QCOMPARE(box->itemIcon(1).pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::blue));
    QVERIFY(box->itemIcon(2).isNull());
    QCOMPARE(box->itemData(1, Qt::AccessibleTextRole).toString(), QString("Work"));
    QCOMPARE(box->maxVisibleItems(), 20);
    QStyleOptionViewItem opt;
    opt.initFrom(box);
    QCOMPARE(box->itemDelegate()->sizeHint(opt, box->model()->index(0, 0)).height(), 22);
    // The album list in memory ends with the reserved line.
    QCOMPARE(app->Main().Catalog().AlbumList().back(), std::string("Search Results;2"));
}

void TestMainAlbums::unreadableCatalogKeptWhenUserDeclines() {
    TEnv env;
    testsupport::WriteAll(env.root + "data.mlb", "not a catalog");
    testsupport::WriteAll(env.root + "albums.pdat", "Holiday;0\r\n");
    env.messages.answers = {TMsgResult::No};
    {
        auto app = env.Start();
        QVERIFY(app->Main().CatalogMustClose());
        QCOMPARE(app->Main().AlbumBox()->count(), 0);
        app->Main().close();
    }
    QCOMPARE(testsupport::ReadAll(env.root + "data.mlb"), std::string("not a catalog"));
    QCOMPARE(testsupport::ReadAll(env.root + "albums.pdat"), std::string("Holiday;0\r\n"));
    QCOMPARE(env.Int("albumPanWidth"), -12345);
}

void TestMainAlbums::openingAlbumFillsPhotoList() {
    TEnv env;
    env.MakeTwoPhotos();
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    for (const char* c : {"First", "Last", "SlideShow", "RemoveCol", "Share"}) QVERIFY(!w.Command(c)->isEnabled());

    emit w.AlbumBox()->activated(0);
    TPhotoList* list = w.PhotoList();
    QCOMPARE(Rows(list), QStringList({"Beach", "Hills"}));
    QCOMPARE(list->RowPictureHeight(), 80);
    QCOMPARE(w.AlbumView().RowCount(), 2);
    QCOMPARE(w.AlbumBox()->currentIndex(), 0);
    QVERIFY(!w.SearchMode());
    for (const char* c : {"First", "Last", "SlideShow", "RemoveCol", "Share"}) QVERIFY2(w.Command(c)->isEnabled(), c);
    for (const char* c : {"Previous", "Next", "RemoveFromCol"}) QVERIFY2(!w.Command(c)->isEnabled(), c);
    QCOMPARE(QApplication::overrideCursor(), nullptr);

    // The rows are list items with their captions for assistive technology.
    QAccessibleInterface* ai = QAccessible::queryAccessibleInterface(list);
    QVERIFY(ai);
    QStringList names;
    for (int i = 0; i < ai->childCount(); ++i) {
        QAccessibleInterface* c = ai->child(i);
        if (c->role() == QAccessible::ListItem) names << c->text(QAccessible::Name);
    }
    QCOMPARE(names, QStringList({"Beach", "Hills"}));

    // The first album opened shows its hint at the album tool bar's Import Image button.
    QVERIFY(env.store.ReadBool("Images", "firstTime_openAlbumb", false));
    QCOMPARE(w.Balloon().Text(), QString(hint::kTextOpenAlbum));
    QWidget* importButton = w.findChild<QWidget*>("btnAlbumImport");
    QCOMPARE(w.Balloon().TipPoint(), TBalloonHint::AnchorPoint(importButton, w.Balloon().Position()));
    QVERIFY(!env.Asked("Thumbnails"));

    // The reserved album switches to search-results mode, where the album cannot be shared.
    emit w.AlbumBox()->activated(2);
    QVERIFY(w.SearchMode());
    QCOMPARE(list->count(), 0);
    QVERIFY(!w.Command("Share")->isEnabled());
    QVERIFY(!w.Command("RemoveCol")->isEnabled());
    QVERIFY(w.Command("First")->isEnabled());
    emit w.AlbumBox()->activated(1);
    QVERIFY(!w.SearchMode());
    QVERIFY(w.Command("Share")->isEnabled());
}

void TestMainAlbums::undecodablePhotoLeavesWaitingRows() {
    TEnv env;
    const std::string broken = env.photos + "/broken.jpg";
    testsupport::WriteAll(broken, "this is not a JPEG file");
    env.MakeCatalog({{"Broken", broken}});
    auto app = env.Start();
    Show(app->Main());
    env.messages.asked.clear();
    app->Main().ComboBox1Change(0);
    QCOMPARE(env.messages.asked.size(), size_t(1));
    QCOMPARE(Rows(app->Main().PhotoList()), QStringList({"Please wait...", "Generating Thumbnails"}));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestMainAlbums::longRefreshShowsProgress() {
    TEnv env;
    env.MakeCatalog({{"Beach", env.Jpeg("beach.jpg", Qt::yellow)}, {"Hills", env.Jpeg("hills.jpg", Qt::green)}},
                    40);
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    TShowSpy spy;
    w.RefreshProgress()->installEventFilter(&spy);
    w.ComboBox1Change(0);
    QCOMPARE(w.PhotoList()->count(), 80);
    QCOMPARE(spy.shown, 1);
    QCOMPARE(spy.maximum, 80);
    QVERIFY(w.RefreshProgress()->isHidden());
    // A short album shows none.
    w.ComboBox1Change(1);
    QCOMPARE(spy.shown, 1);
}

void TestMainAlbums::thumbnailQuestionComesAtSecondOpening() {
    TEnv env;
    env.MakeTwoPhotos();
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.ComboBox1Change(1);
    QVERIFY(!env.Asked("Thumbnails"));
    env.messages.answers = {TMsgResult::No};
    w.ComboBox1Change(0);
    QVERIFY(env.Asked("Thumbnails"));
    QCOMPARE(env.Int("saveThumbs"), 1);
    QVERIFY(!fs::exists(env.root + "Thumbnails/2.bmp"));
    env.messages.asked.clear();
    w.ComboBox1Change(1);
    QVERIFY(!env.Asked("Thumbnails"));
}

void TestMainAlbums::openColOpensKnownAlbum() {
    TEnv env;
    env.MakeTwoPhotos();
    auto app = env.Start({"/opencol", env.root + "Holiday.col"});
    Show(app->Main());
    QVERIFY(!env.Asked("Cannot Open"));
    QCOMPARE(app->Main().AlbumBox()->currentIndex(), 0);
    QCOMPARE(Rows(app->Main().PhotoList()), QStringList({"Beach", "Hills"}));
}

void TestMainAlbums::openColUnknownAlbumCannotOpen() {
    TEnv env;
    env.MakeTwoPhotos();
    // Album names are compared with their letter case.
    auto app = env.Start({"/OpenCol", env.root + "holiday.col"});
    Show(app->Main());
    QVERIFY(env.Asked("Cannot Open"));
    const auto& m = env.messages.asked.back();
    QCOMPARE(m.caption, std::string("Cannot Open"));
    QCOMPARE(m.buttons, TMsgButtons::Ok);
    QVERIFY(m.text.rfind("Lumavell2 does not know about this album", 0) == 0);
    QCOMPARE(app->Main().AlbumBox()->currentIndex(), -1);
    QCOMPARE(app->Main().PhotoList()->count(), 0);
    QVERIFY(app->Main().isVisible());
}

void TestMainAlbums::closingWritesAlbumListOnce() {
    TEnv env;
    env.MakeTwoPhotos();
    testsupport::WriteAll(env.root + "albums.pdat", "Holiday;0\r\nWork;1");
    {
        auto app = env.Start();
        Show(app->Main());
        app->Main().ComboBox1Change(0);
        testsupport::WriteAll(env.root + "Search Results.col", "x");
        app->Main().close();
        // A second close must not take another line off the list.
        app->Main().close();
        QCOMPARE(testsupport::ReadAll(env.root + "albums.pdat"), std::string("Holiday;0\r\nWork;1\r\n"));
        QVERIFY(fs::exists(env.root + "Search Results.col"));
    }
    QVERIFY(!fs::exists(env.root + "Search Results.col"));
    // The next start reads the same albums.
    auto again = env.Start();
    QCOMPARE(again->Main().AlbumBox()->count(), 3);
}

void TestMainAlbums::compressedThumbnailsPackedAndUnpacked() {
    TEnv env;
    env.MakeTwoPhotos();
    env.store.WriteInteger("Images", "saveThumbs", 2);
    env.store.WriteBool("Images", "compressThumbs", true);
    {
        auto app = env.Start();
        QVERIFY(app->Prefs().SaveThumbs());
        QVERIFY(app->Prefs().CompressThumbs());
        Show(app->Main());
        app->Main().ComboBox1Change(0);
        QVERIFY(fs::exists(env.root + "Thumbnails/2.bmp"));
        QVERIFY(fs::exists(env.root + "Thumbnails/3.bmp"));
        app->Main().close();
    }
    QVERIFY(fs::exists(env.root + "thumbnails.dat"));
    QVERIFY(!fs::exists(env.root + "Thumbnails"));
    {
        auto app = env.Start();
        Show(app->Main());
        QVERIFY(!fs::exists(env.root + "thumbnails.dat"));
        QVERIFY(fs::exists(env.root + "Thumbnails/2.bmp"));
        QVERIFY(fs::exists(env.root + "Thumbnails/3.bmp"));
        app->Main().ComboBox1Change(0);
        QCOMPARE(Rows(app->Main().PhotoList()), QStringList({"Beach", "Hills"}));
    }
    // Without compression nothing is packed.
    auto app = env.Start();
    app->Prefs().CompressThumbsBox()->setChecked(false);
    Show(app->Main());
    app->Main().close();
    QVERIFY(!fs::exists(env.root + "thumbnails.dat"));
    QVERIFY(fs::exists(env.root + "Thumbnails/2.bmp"));
}

void TestMainAlbums::refreshThumbnailsClearsCache() {
    TEnv env;
    env.MakeTwoPhotos();
    env.store.WriteInteger("Images", "saveThumbs", 2);
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.ComboBox1Change(0);
    QVERIFY(fs::exists(env.root + "Thumbnails/2.bmp"));

    env.messages.answers = {TMsgResult::No};
    QPushButton* refresh = app->Prefs().findChild<QPushButton*>("btnRefreshThumbs");
    QVERIFY(refresh);
    refresh->click();
    QVERIFY(env.Asked("Refresh Thumbnails"));
    QVERIFY(fs::exists(env.root + "Thumbnails/2.bmp"));
    refresh->click();  // Yes
    QVERIFY(env.Asked("RefreshThumbnails"));
    QVERIFY(!fs::exists(env.root + "Thumbnails/2.bmp"));
    QVERIFY(!fs::exists(env.root + "Thumbnails/3.bmp"));
    // The list on screen stays as it was.
    QCOMPARE(w.PhotoList()->count(), 2);

    // Clearing "Save thumbnails" offers to remove the cache again.
    w.ComboBox1Change(0);
    QVERIFY(fs::exists(env.root + "Thumbnails/2.bmp"));
    env.messages.asked.clear();
    app->Prefs().SaveThumbsBox()->click();
    QVERIFY(!app->Prefs().SaveThumbs());
    QCOMPARE(env.Int("saveThumbs"), 1);
    QVERIFY(env.Asked("Don't Save Thumbnails"));
    QVERIFY(!fs::exists(env.root + "Thumbnails/2.bmp"));
}

void TestMainAlbums::hintSequenceOverThreeStarts() {
    TEnv env;
    env.MakeTwoPhotos();
    const QString expected[] = {hint::kTextWelcome, hint::kTextAnotherOpen, QString()};
    for (const QString& text : expected) {
        auto app = env.Start();
        Show(app->Main());
        QCOMPARE(app->Main().Balloon().Text(), text);
        QCOMPARE(app->Main().Balloon().isVisible(), !text.isEmpty());
        app->Main().close();
    }
    QVERIFY(env.store.ReadBool("Images", "firstTime_first", false));
    QVERIFY(env.store.ReadBool("Images", "firstTime_anotherOpen", false));
    QCOMPARE(env.Int("timesRun"), 3);
}

void TestMainAlbums::helpCommandOpensContentsAndClosingClosesIt() {
    TEnv env;
    fs::create_directories(env.install + "/help");
    testsupport::WriteAll(env.install + "/help/default.htm", "<html><body><h1>Contents</h1></body></html>");
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    QCOMPARE(w.Command("Help")->shortcut(), QKeySequence(Qt::Key_F1));
    w.Command("Help")->trigger();
    TfrmHelp* help = w.HelpViewer().Window("default");
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QVERIFY(!help->ShowsNotFound());
    QVERIFY(help->Browser()->toPlainText().contains("Contents"));
    QCOMPARE(help->parentWidget(), nullptr);
    QPointer<TfrmHelp> guard(help);
    w.close();
    Flush();
    QVERIFY(!guard || !guard->isVisible());
}

QTEST_MAIN(TestMainAlbums)
#include "test_mainalbums.moc"
