// The main window over a real catalog: the album box, opening albums into the photo list, the
// command line, the files written at closing, the thumbnail cache options, help and the
// start-up hints.
#include <QtTest>
#include <QScrollBar>
#include <QAbstractItemView>

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>

#include <filesystem>
#include <memory>

#include "TAppWindows.h"
#include "TBalloonHint.h"
#include "TCatalog.h"
#include "THints.h"
#include "TPhotoList.h"
#include "TSettingsStore.h"
#include "TestSupport.h"
#include "UiTestEnv.h"
#include "frmHelpU.h"
#include "frmMainU.h"
#include "frmPrefs2U.h"

using testsupport::Flush;
using testsupport::Rows;
using testsupport::Show;
namespace fs = std::filesystem;

namespace {

struct TPhoto {
    std::string name;
    std::string path;
};

// Settings, an install folder, and a documents folder whose catalog holds the album "Holiday"
// of real JPEG photos and the empty album "Work".
struct TEnv : testsupport::UiTestEnv {
    std::string Jpeg(const std::string& file, QColor colour, int w = 320, int h = 240) {
        return testsupport::WritePicture(photos + "/" + file, w, h, colour);
    }

    // Writes the catalog, the album tables, the album list and an icon strip of two icons.
    void MakeCatalog(const std::vector<TPhoto>& holiday, int repeat = 1) {
        testsupport::UiAlbum album{"Holiday;0"};
        for (const TPhoto& p : holiday) album.photos.push_back({p.name, p.path, ""});
        // Further rows of the same photos (identifiers 2, 3, ...) make a long album without
        // more files.
        for (int r = 1; r < repeat; ++r)
            for (size_t i = 0; i < holiday.size(); ++i) album.extraRows.push_back(2 + static_cast<int>(i));
        QVERIFY(WriteCatalog({album, {"Work;1"}}));
        QVERIFY(WriteIcons({Qt::red, Qt::blue}));
    }
    void MakeTwoPhotos() {
        MakeCatalog({{"Beach", Jpeg("beach.jpg", Qt::yellow)}, {"Hills", Jpeg("hills.jpg", Qt::green)}});
    }
};

}  // namespace

class TestMainAlbums : public QObject {
    Q_OBJECT
private slots:
    void albumBoxListsAlbumsWithIcons();
    void albumBoxDropDownShowsTwentyLines();
    void unreadableCatalogKeptWhenUserDeclines();
    void openingAlbumFillsPhotoList();
    void undecodablePhotoIsListedAndNamed();
    void longRefreshShowsProgress();
    void thumbnailQuestionComesAtSecondOpening();
    void openColOpensKnownAlbum();
    void openColUnknownAlbumCannotOpen();
    void closingWritesAlbumListOnce();
    void compressedThumbnailsPackedAndUnpacked();
    void refreshThumbnailsClearsCache();
    void hintSequenceOverThreeStarts();
    void helpCommandOpensContentsAndClosingClosesIt();
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
    QCOMPARE(box->style()->styleHint(QStyle::SH_ComboBox_Popup, nullptr, box), 0);
    QStyleOptionViewItem opt;
    opt.initFrom(box);
    QCOMPARE(box->itemDelegate()->sizeHint(opt, box->model()->index(0, 0)).height(), 22);
    // The album list in memory ends with the reserved line.
    QCOMPARE(app->Main().Catalog().AlbumList().back(), std::string("Search Results;2"));
}

void TestMainAlbums::albumBoxDropDownShowsTwentyLines() {
    TEnv env;
    std::vector<testsupport::UiAlbum> albums;
    for (int i = 0; i < 30; ++i) albums.push_back({"Album " + std::to_string(i) + ";0"});
    QVERIFY(env.WriteCatalog(albums));
    QVERIFY(env.WriteIcons({Qt::red}));
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    QComboBox* box = w.AlbumBox();
    QCOMPARE(box->count(), 31);
    box->showPopup();
    Flush();
    QAbstractItemView* view = box->view();
    QVERIFY(view->isVisible());
    // Twenty whole lines fit in the list, and it scrolls to the rest.
    const int lines = view->viewport()->height() / 22;
    QCOMPARE(lines, 20);
    QVERIFY(view->verticalScrollBar()->maximum() > 0);
    // It opens below the box, not over it.
    QVERIFY(view->window()->geometry().top() >= box->mapToGlobal(QPoint(0, box->height())).y() - 1);
    box->hidePopup();
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

void TestMainAlbums::undecodablePhotoIsListedAndNamed() {
    TEnv env;
    const std::string broken = env.photos + "/broken.jpg";
    testsupport::WriteAll(broken, "this is not a JPEG file");
    env.MakeCatalog({{"Broken", broken}, {"Beach", env.Jpeg("beach.jpg", Qt::yellow)}});
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    env.messages.asked.clear();
    QStringList rowsAtMessage;
    env.messages.onShow = [&](const testsupport::AskedMessage&) { rowsAtMessage = Rows(w.PhotoList()); };
    w.ComboBox1Change(0);
    env.messages.onShow = nullptr;
    QCOMPARE(env.messages.asked.size(), size_t(1));
    QVERIFY(env.messages.asked[0].text.find(broken) != std::string::npos);
    QCOMPARE(rowsAtMessage, QStringList({"Broken", "Beach"}));
    QCOMPARE(Rows(w.PhotoList()), QStringList({"Broken", "Beach"}));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // The album's commands work as after any refresh.
    QVERIFY(w.Command("First")->isEnabled());
    QVERIFY(w.Command("SlideShow")->isEnabled());
    QVERIFY(w.Command("Share")->isEnabled());
}

void TestMainAlbums::longRefreshShowsProgress() {
    TEnv env;
    env.MakeCatalog({{"Beach", env.Jpeg("beach.jpg", Qt::yellow)}, {"Hills", env.Jpeg("hills.jpg", Qt::green)}},
                    40);
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    testsupport::TShowSpy spy;
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
        app->Main().AlbumView().FinishSavingThumbnails();  // saved on a thread of their own
        QVERIFY(fs::exists(env.root + "Thumbnails/2.bmp"));
        QVERIFY(fs::exists(env.root + "Thumbnails/3.bmp"));
        app->Main().close();
    }
    QVERIFY(fs::exists(env.root + "thumbnails.dat"));
    QVERIFY(!fs::exists(env.root + "Thumbnails"));
    {
        auto app = env.Start();
        Show(app->Main());
        // Read where it lies: nothing is unpacked, and the rows come from the archive.
        QVERIFY(fs::exists(env.root + "thumbnails.dat"));
        QVERIFY(!fs::exists(env.root + "Thumbnails/2.bmp"));
        app->Main().ComboBox1Change(0);
        QCOMPARE(Rows(app->Main().PhotoList()), QStringList({"Beach", "Hills"}));
        QVERIFY(app->Main().AlbumView().ThumbnailStrip().InFile(0));
        QVERIFY(!fs::exists(env.root + "Thumbnails/2.bmp"));
    }
    // Without compression the archive is unpacked once and nothing is packed.
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
    w.AlbumView().FinishSavingThumbnails();  // new thumbnails are saved on a thread of their own
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
    w.AlbumView().FinishSavingThumbnails();  // new thumbnails are saved on a thread of their own
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
