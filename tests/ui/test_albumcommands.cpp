// The album commands of the main window and their dialogs over a real catalog: New Album with
// its checks, the icon list, Remove Album, Remove From Album and Add To Album, and what the album
// box, the photo list and the files show afterwards.
#include <QtTest>

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <filesystem>
#include <functional>
#include <memory>

#include "TAppWindows.h"
#include "TCatalog.h"
#include "TPhotoList.h"
#include "TSettingsStore.h"
#include "TViewerModel.h"
#include "TestSupport.h"
#include "UiTestEnv.h"
#include "frmAddtoColU.h"
#include "frmHelpU.h"
#include "frmIconsU.h"
#include "frmMainU.h"
#include "frmNewColU.h"
#include "frmPrefs2U.h"

using testsupport::Flush;
using testsupport::ReadAll;
using testsupport::Rows;
using testsupport::Show;
namespace fs = std::filesystem;

namespace {

struct TAlbumDef {
    std::string line;                 // "name;icon"
    std::vector<std::string> photos;  // file names of new photos, filed in this album
    std::vector<int> extraRows;       // rows naming photos filed earlier
};

// Settings, an install folder with help pages, and a catalog of albums of real JPEG photos
// and an icon strip of three icons (red, blue, green).
struct TEnv : testsupport::UiTestEnv {
    TEnv() {
        fs::create_directories(install + "/help");
        fs::create_directories(root + "Thumbnails");
        for (const char* page : {"new_album", "addtoalbum", "icons"})
            testsupport::WriteAll(install + "/help/" + page + ".htm",
                                  std::string("<html><body>page ") + page + "</body></html>");
        // The picture of a row whose photo is missing.
        WriteNotFound();
        // Thumbnails are neither asked about nor saved; the ones a test writes are used.
        store.WriteInteger("Images", "saveThumbs", 1);
    }

    std::string Jpeg(const std::string& file) {
        return testsupport::WritePicture(photos + "/" + file, 64, 48, Qt::yellow);
    }
    std::string Bmp(const std::string& file, int w, int h, QColor colour = Qt::magenta) {
        return testsupport::WritePicture(dir.file(file), w, h, colour, "BMP");
    }
    void Thumb(int id) {
        QImage t(100, 80, QImage::Format_RGB32);
        t.fill(Qt::gray);
        t.save(QString::fromStdString(root + "Thumbnails/" + std::to_string(id) + ".bmp"), "BMP");
    }
    bool HasThumb(int id) const { return fs::exists(root + "Thumbnails/" + std::to_string(id) + ".bmp"); }

    // Photos get the identifiers 2, 3, ... in the order the albums list them.
    void MakeCatalog(const std::vector<TAlbumDef>& albums) {
        std::vector<testsupport::UiAlbum> defs;
        for (const TAlbumDef& a : albums) {
            testsupport::UiAlbum d{a.line, {}, a.extraRows};
            for (const std::string& p : a.photos) d.photos.push_back({p.substr(0, p.find('.')), Jpeg(p), ""});
            defs.push_back(d);
        }
        QVERIFY(WriteCatalog(defs));
        QVERIFY(WriteIcons({Qt::red, Qt::blue, Qt::green}));
    }

    // The ImgID column of a table file.
    std::vector<std::string> Ids(const std::string& file) const {
        std::vector<std::string> v;
        for (const QString& id : testsupport::TableColumn(file, "ImgID")) v.push_back(id.toStdString());
        return v;
    }
    std::vector<std::string> AlbumIds(const std::string& album) const { return Ids(root + album + ".col"); }
    std::vector<std::string> CatalogIds() const { return Ids(root + "data.mlb"); }

    // The captions of the message boxes asked since the last call.
    std::vector<std::string> Captions() {
        std::vector<std::string> out;
        for (const auto& m : messages.asked) out.push_back(m.caption);
        messages.asked.clear();
        return out;
    }
};

using Strings = std::vector<std::string>;

QStringList BoxLines(QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}

// Runs action on the modal dialog that is open once the event loop next runs; that is the
// dialog a command opens right after this call. Whatever the action leaves open is rejected, so
// a failed check inside it cannot leave the test waiting.
void OnModal(std::function<void(QDialog*)> action) {
    QMetaObject::invokeMethod(
        qApp,
        [action] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            action(d);
            if (d && d->isVisible()) d->reject();
        },
        Qt::QueuedConnection);
}

QString Heading(QDialog* d) {
    auto* l = d->findChild<QLabel*>("lblHeader");
    return l ? l->text() : QString();
}

void RightClick(QWidget* w) {
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(4, 4), w->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(w, &e);
}

}  // namespace

class TestAlbumCommands : public QObject {
    Q_OBJECT
private slots:
    void newAlbumChecksInOrderThenTrips();
    void newAlbumCancelledOrClosedChangesNothing();
    void iconBoxRightClickAddsIconThroughIconList();
    void iconListRefusesWrongSizesAndKeepsAddedIcons();
    void dialogsHaveTheirHeadingsAndHelpTopics();
    void removeAlbumTakesSharedPhotosAndOpensANeighbour();
    void removeFromAlbumOnLastAndOnlyRow();
    void addToAlbumRefusesReadOnlyAndReloadsOpenAlbum();
    void addToAlbumNeedsAPhotoOfTheOpenAlbum();
};

void TestAlbumCommands::newAlbumChecksInOrderThenTrips() {
    TEnv env;
    env.MakeCatalog({{"Holiday;1", {"beach.jpg", "hills.jpg"}, {}}, {"Work;3", {}, {}}});
    // Files without an album line: the check is on the file.
    testsupport::WriteAll(env.root + "Hidden.col", "x");
    testsupport::WriteAll(env.root + "search results.col", "x");
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.ComboBox1Change(0);
    env.messages.asked.clear();

    bool ran = false;
    OnModal([&](QDialog* d) {
        ran = true;
        auto* dlg = qobject_cast<TfrmNewCol*>(d);
        QVERIFY(dlg);
        QCOMPARE(dlg, w.NewColDialog());
        QCOMPARE(dlg->windowTitle(), QString("New Album"));
        QCOMPARE(dlg->IconBox()->count(), 3);
        QCOMPARE(dlg->IconBox()->currentIndex(), 0);
        QCOMPARE(dlg->IconBox()->itemIcon(1).pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::blue));
        QVERIFY(dlg->NameBox()->text().isEmpty());
        // The first showing opens the dialog's help by itself.
        QVERIFY(env.store.ReadBool("Images", "firstHelp_newAlbum", false));
        TfrmHelp* help = w.HelpViewer().Window("trainer");
        QVERIFY(help && help->isVisible());
        QVERIFY(help->Browser()->toPlainText().contains("page new_album"));

        struct Case {
            QString name;
            const char* caption;
        };
        // One name per check; "search results" also has a file, and the reserved name wins.
        const Case cases[] = {
            {"a/b", "Invalid Characters"}, {"Search Results", "Invalid Name"}, {"search results", "Invalid Name"},
            {"Holiday;0", "Invalid Name"}, {"Hidden", "Already Exists"},       {"", "No name"},
            {QString(252, 'n'), "Invalid Name"},
        };
        for (const Case& c : cases) {
            dlg->NameBox()->setText(c.name);
            env.messages.asked.clear();
            // Enter in the name field presses "OK".
            QTest::keyClick(dlg->NameBox(), Qt::Key_Return);
            QCOMPARE(env.messages.asked.size(), size_t(1));
            QCOMPARE(env.messages.asked[0].caption, std::string(c.caption));
            QCOMPARE(env.messages.asked[0].icon, TMsgIcon::Information);
            QVERIFY2(dlg->isVisible(), qPrintable(c.name));
        }
        QVERIFY(!fs::exists(env.root + "Holiday;0.col"));

        dlg->IconBox()->setCurrentIndex(1);
        dlg->NameBox()->setText("Trips");
        dlg->OkButton()->click();
        QVERIFY(!dlg->isVisible());
    });
    w.Command("NewCol")->trigger();
    QVERIFY(ran);

    QCOMPARE(w.Catalog().AlbumList(), (Strings{"Holiday;1", "Work;3", "Trips;1", "Search Results;2"}));
    QCOMPARE(ReadAll(env.root + "albums.pdat"), std::string("Holiday;1\r\nWork;3\r\nTrips;1\r\n"));
    QVERIFY(env.AlbumIds("Trips").empty());
    // Trips is open, with an empty photo list, and the album it replaced is untouched.
    QCOMPARE(BoxLines(w.AlbumBox()), QStringList({"Holiday", "Work", "Trips", "Search Results"}));
    QCOMPARE(w.AlbumBox()->currentIndex(), 2);
    QCOMPARE(w.AlbumView().OpenAlbumName(), std::string("Trips"));
    QCOMPARE(w.PhotoList()->count(), 0);
    QVERIFY(w.Command("RemoveCol")->isEnabled());
    QCOMPARE(env.AlbumIds("Holiday"), (Strings{"2", "3"}));
    // Closing the dialog closed its help.
    QVERIFY(!w.HelpViewer().Window("trainer")->isVisible());
}

void TestAlbumCommands::newAlbumCancelledOrClosedChangesNothing() {
    TEnv env;
    env.MakeCatalog({{"Holiday;1", {"beach.jpg"}, {}}});
    env.store.WriteBool("Images", "firstHelp_newAlbum", true);
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    const std::string listBefore = ReadAll(env.root + "albums.pdat");

    const std::vector<std::function<void(TfrmNewCol*)>> ways = {
        [](TfrmNewCol* d) { d->CancelButton()->click(); },
        [](TfrmNewCol* d) { QTest::keyClick(d->NameBox(), Qt::Key_Escape); },
        [](TfrmNewCol* d) { d->close(); },  // the close box
    };
    for (const auto& closeIt : ways) {
        OnModal([&](QDialog* d) {
            auto* dlg = qobject_cast<TfrmNewCol*>(d);
            QVERIFY(dlg);
            // Every showing starts with an empty name and the first icon.
            QVERIFY(dlg->NameBox()->text().isEmpty());
            QCOMPARE(dlg->IconBox()->currentIndex(), 0);
            dlg->NameBox()->setText("Kept");
            dlg->IconBox()->setCurrentIndex(2);
            closeIt(dlg);
            QVERIFY(!dlg->isVisible());
        });
        w.NewColExecute();
    }
    QVERIFY(env.messages.asked.empty());
    QVERIFY(!fs::exists(env.root + "Kept.col"));
    QCOMPARE(ReadAll(env.root + "albums.pdat"), listBefore);
    QCOMPARE(BoxLines(w.AlbumBox()), QStringList({"Holiday", "Search Results"}));
    QCOMPARE(w.AlbumBox()->currentIndex(), -1);
    // The help was never opened: the flag was already set.
    QVERIFY(!w.HelpViewer().Window("trainer"));
}

void TestAlbumCommands::iconBoxRightClickAddsIconThroughIconList() {
    TEnv env;
    env.MakeCatalog({{"Holiday;1", {}, {}}});
    const std::string icon = env.Bmp("star.bmp", 16, 16, Qt::cyan);
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);

    bool listShown = false;
    OnModal([&](QDialog* d) {
        auto* dlg = qobject_cast<TfrmNewCol*>(d);
        QVERIFY(dlg);
        dlg->IconBox()->setCurrentIndex(2);
        OnModal([&](QDialog* inner) {
            listShown = true;
            auto* icons = qobject_cast<TfrmIcons*>(inner);
            QVERIFY(icons);
            QCOMPARE(icons, w.IconsDialog());
            QCOMPARE(icons->IconList()->count(), 3);
            icons->PathBox()->setText(QString::fromStdString(icon));
            icons->AddButton()->click();
            QCOMPARE(icons->IconList()->count(), 4);
            icons->OkButton()->click();
        });
        RightClick(dlg->IconBox());
        QVERIFY(listShown);
        // The icon box shows the new picture and starts again at the first.
        QCOMPARE(dlg->IconBox()->count(), 4);
        QCOMPARE(dlg->IconBox()->currentIndex(), 0);
        QCOMPARE(dlg->IconBox()->itemIcon(3).pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::cyan));
        dlg->IconBox()->setCurrentIndex(3);
        dlg->NameBox()->setText("Stars");
        dlg->OkButton()->click();
    });
    w.NewColExecute();
    QVERIFY(listShown);
    QCOMPARE(w.Catalog().AlbumList()[1], std::string("Stars;3"));
    TIconStrip saved;
    QVERIFY(saved.LoadFromFile(env.root + "icons.pdat"));
    QCOMPARE(saved.Count(), 4);
    // The album box draws the new album with its new icon.
    QCOMPARE(w.AlbumBox()->itemIcon(1).pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::cyan));
}

void TestAlbumCommands::iconListRefusesWrongSizesAndKeepsAddedIcons() {
    TEnv env;
    env.MakeCatalog({{"Holiday;1", {}, {}}});
    const std::string big = env.Bmp("big.bmp", 32, 32);
    const std::string ok = env.Bmp("ok.bmp", 16, 16);
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);

    bool ran = false;
    OnModal([&](QDialog* d) {
        ran = true;
        auto* dlg = qobject_cast<TfrmIcons*>(d);
        QVERIFY(dlg);
        QCOMPARE(dlg->IconList()->count(), 3);
        QVERIFY(dlg->PathBox()->text().isEmpty());
        QVERIFY(!dlg->AddButton()->isEnabled());

        dlg->PathBox()->setText(QString::fromStdString(big));
        QVERIFY(dlg->AddButton()->isEnabled());
        dlg->AddButton()->click();
        QCOMPARE(env.Captions(), Strings{"Size"});
        QCOMPARE(dlg->IconList()->count(), 3);
        QCOMPARE(dlg->PathBox()->text(), QString::fromStdString(big));

        // The browse button fills the file field.
        env.messages.paths = {ok};
        dlg->BrowseButton()->click();
        QCOMPARE(dlg->PathBox()->text(), QString::fromStdString(ok));
        dlg->AddButton()->click();
        QCOMPARE(env.Captions(), Strings{"Open"});
        QCOMPARE(dlg->IconList()->count(), 4);
        QVERIFY(dlg->PathBox()->text().isEmpty());
        QVERIFY(!dlg->AddButton()->isEnabled());
        // Left by the close box rather than "OK".
        dlg->close();
    });
    emit w.Prefs()->IconsClicked();
    QVERIFY(ran);
    QCOMPARE(w.Catalog().IconStrip().Count(), 4);
    // The icon the user added is kept for the next start however the dialog was closed.
    TIconStrip saved;
    QVERIFY(saved.LoadFromFile(env.root + "icons.pdat"));
    QCOMPARE(saved.Count(), 4);
    QCOMPARE(saved.Picture(3).pixelColor(8, 8), QColor(Qt::magenta));
}

void TestAlbumCommands::dialogsHaveTheirHeadingsAndHelpTopics() {
    TEnv env;
    env.MakeCatalog({{"Holiday;1", {}, {}}});
    auto app = env.Start();
    TfrmMain& w = app->Main();
    struct Dialog {
        QDialog* dialog;
        QPushButton* help;
        const char* caption;
        const char* heading;
        const char* page;
    };
    const Dialog dialogs[] = {
        {w.NewColDialog(), w.NewColDialog()->HelpButton(), "New Album", "New", "page new_album"},
        {w.AddToColDialog(), w.AddToColDialog()->HelpButton(), "Add to Collection", "Add", "page addtoalbum"},
        {w.IconsDialog(), w.IconsDialog()->HelpButton(), "Icon List", "Icons", "page icons"},
    };
    for (const Dialog& d : dialogs) {
        QCOMPARE(d.dialog->windowTitle(), QString(d.caption));
        QCOMPARE(d.dialog->accessibleName(), QString(d.caption));
        QCOMPARE(Heading(d.dialog), QString(d.heading));
        QCOMPARE(d.dialog->parentWidget(), &w);
        QVERIFY(d.dialog->isModal());
        d.help->click();
        TfrmHelp* help = w.HelpViewer().Window("trainer");
        QVERIFY(help);
        QVERIFY2(help->Browser()->toPlainText().contains(d.page), d.page);
    }
    // Every control can be named by assistive technology.
    for (const Dialog& d : dialogs)
        for (QWidget* c : d.dialog->findChildren<QWidget*>())
            if (c->window() == d.dialog && c->focusPolicy() != Qt::NoFocus)
                QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
}

void TestAlbumCommands::removeAlbumTakesSharedPhotosAndOpensANeighbour() {
    TEnv env;
    // Holiday: photos 2 and 3; Work: photo 4 and a row of photo 3; Spare: no rows.
    env.MakeCatalog({{"Holiday;1", {"beach.jpg", "hills.jpg"}, {}},
                     {"Work;3", {"desk.jpg"}, {3}},
                     {"Spare;3", {}, {}}});
    for (int id : {2, 3, 4}) env.Thumb(id);
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.ComboBox1Change(0);
    QCOMPARE(Rows(w.PhotoList()), QStringList({"beach", "hills"}));
    QVERIFY(w.Command("RemoveCol")->isEnabled());
    env.messages.asked.clear();

    env.messages.answers = {TMsgResult::No};
    w.Command("RemoveCol")->trigger();
    QCOMPARE(env.Captions(), Strings{"Remove Album"});
    QVERIFY(fs::exists(env.root + "Holiday.col"));
    QCOMPARE(w.PhotoList()->count(), 2);

    // The first album of the list: the album that now comes first is opened.
    w.Command("RemoveCol")->trigger();
    QCOMPARE(env.Captions(), Strings{"Remove Album"});
    QVERIFY(!fs::exists(env.root + "Holiday.col"));
    QCOMPARE(env.CatalogIds(), (Strings{"1", "4"}));
    QVERIFY(!env.HasThumb(2));
    QVERIFY(!env.HasThumb(3));
    QVERIFY(env.HasThumb(4));
    QCOMPARE(BoxLines(w.AlbumBox()), QStringList({"Work", "Spare", "Search Results"}));
    QCOMPARE(w.AlbumBox()->currentIndex(), 0);
    QCOMPARE(w.AlbumView().OpenAlbumName(), std::string("Work"));
    // Work keeps its row of the removed photo, which now finds no photo.
    QCOMPARE(env.AlbumIds("Work"), (Strings{"4", "3"}));
    QCOMPARE(w.PhotoList()->count(), 2);
    QVERIFY(w.AlbumView().RowPath(2).empty());
    // The album list file is written at once, so a crash cannot bring the album back.
    QVERIFY(ReadAll(env.root + "albums.pdat").find("Holiday") == std::string::npos);

    // A later album: the line before it is opened.
    w.ComboBox1Change(1);
    w.Command("RemoveCol")->trigger();
    QVERIFY(!fs::exists(env.root + "Spare.col"));
    QCOMPARE(BoxLines(w.AlbumBox()), QStringList({"Work", "Search Results"}));
    QCOMPARE(w.AlbumBox()->currentIndex(), 0);
    QCOMPARE(w.PhotoList()->count(), 2);

    // The last album: nothing is opened and the album view is empty.
    w.Command("RemoveCol")->trigger();
    QCOMPARE(env.CatalogIds(), Strings{"1"});
    QCOMPARE(BoxLines(w.AlbumBox()), QStringList({"Search Results"}));
    QCOMPARE(w.AlbumBox()->currentIndex(), -1);
    QCOMPARE(w.PhotoList()->count(), 0);
    QCOMPARE(w.AlbumView().RowCount(), 0);
    QVERIFY(!w.Command("RemoveCol")->isEnabled());
    QVERIFY(!w.Command("Share")->isEnabled());
    w.close();
    QCOMPARE(ReadAll(env.root + "albums.pdat"), std::string());
}

void TestAlbumCommands::removeFromAlbumOnLastAndOnlyRow() {
    TEnv env;
    env.MakeCatalog({{"Holiday;1", {"beach.jpg", "hills.jpg"}, {}}});
    env.Thumb(3);
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.ComboBox1Change(0);
    w.SelectRow(1);
    env.messages.asked.clear();
    QAction* remove = w.Command("RemoveFromCol");
    remove->setEnabled(true);

    env.messages.answers = {TMsgResult::No};
    remove->trigger();
    QCOMPARE(env.Captions(), Strings{"Delete"});
    QCOMPARE(w.PhotoList()->count(), 2);
    QCOMPARE(env.AlbumIds("Holiday"), (Strings{"2", "3"}));

    // The last row: the row before it is selected and shown.
    remove->setEnabled(true);
    remove->trigger();
    QCOMPARE(Rows(w.PhotoList()), QStringList({"beach"}));
    QCOMPARE(w.SelectedRow(), 0);
    QCOMPARE(w.ViewerModel().State().title, std::string("beach"));
    QCOMPARE(env.AlbumIds("Holiday"), Strings{"2"});
    QCOMPARE(env.CatalogIds(), (Strings{"1", "2"}));
    QVERIFY(!env.HasThumb(3));

    // The only row: no row is selected and the viewer is back to no photo.
    remove->setEnabled(true);
    remove->trigger();
    QCOMPARE(w.PhotoList()->count(), 0);
    QCOMPARE(w.SelectedRow(), -1);
    QVERIFY(!w.ViewerModel().HasPicture());
    QVERIFY(env.AlbumIds("Holiday").empty());
    QCOMPARE(env.CatalogIds(), Strings{"1"});
}

void TestAlbumCommands::addToAlbumRefusesReadOnlyAndReloadsOpenAlbum() {
    TEnv env;
    env.MakeCatalog({{"Holiday;1", {"beach.jpg", "hills.jpg"}, {}}, {"Plain;0", {}, {}}, {"Work;3", {}, {}}});
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.ComboBox1Change(0);
    w.SelectRow(0);
    env.messages.asked.clear();
    w.activateWindow();
    Flush();

    bool ran = false;
    OnModal([&](QDialog* d) {
        ran = true;
        auto* dlg = qobject_cast<TfrmAddtoCol*>(d);
        QVERIFY(dlg);
        QListWidget* list = dlg->AlbumList();
        // Every album but the search results, the open one too; nothing selected.
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(0)->text(), QString("Holiday"));
        QCOMPARE(list->item(1)->text(), QString("Plain"));
        QCOMPARE(list->item(2)->text(), QString("Work"));
        QCOMPARE(list->item(0)->icon().pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::blue));
        QVERIFY(list->selectedItems().isEmpty());

        dlg->OkButton()->click();  // no album chosen
        QCOMPARE(env.Captions(), Strings{"Add to Collection"});
        QVERIFY(dlg->isVisible());
        list->setCurrentRow(1);  // icon 0: read-only
        dlg->OkButton()->click();
        QCOMPARE(env.messages.asked.back().text,
                 std::string("This collection is read-only. You cannot add any images to this."));
        QCOMPARE(env.Captions(), Strings{"Error"});
        QVERIFY(dlg->isVisible());
        list->setCurrentRow(2);
        dlg->OkButton()->click();
        QVERIFY(!dlg->isVisible());
    });
    // The command has neither menu item nor tool button: its key runs it.
    QTest::keyClick(w.PhotoList(), Qt::Key_A, Qt::ControlModifier);
    QVERIFY(ran);
    QCOMPARE(env.AlbumIds("Work"), Strings{"2"});
    QCOMPARE(env.AlbumIds("Plain"), Strings{});
    QCOMPARE(env.AlbumIds("Holiday"), (Strings{"2", "3"}));

    // Cancel writes nothing.
    OnModal([](QDialog* d) {
        auto* dlg = qobject_cast<TfrmAddtoCol*>(d);
        QVERIFY(dlg);
        dlg->AlbumList()->setCurrentRow(2);
        dlg->CancelButton()->click();
    });
    w.AddToCollectionExecute();
    QCOMPARE(env.AlbumIds("Work"), Strings{"2"});

    // Into the open album: the photo list shows the new row at once, and the same photo stays
    // selected.
    w.SelectRow(1);
    OnModal([](QDialog* d) {
        auto* dlg = qobject_cast<TfrmAddtoCol*>(d);
        QVERIFY(dlg);
        QVERIFY(dlg->AlbumList()->selectedItems().isEmpty());
        dlg->AlbumList()->setCurrentRow(0);
        dlg->OkButton()->click();
    });
    w.AddToCollectionExecute();
    QCOMPARE(env.AlbumIds("Holiday"), (Strings{"2", "3", "3"}));
    QCOMPARE(Rows(w.PhotoList()), QStringList({"beach", "hills", "hills"}));
    QCOMPARE(w.SelectedRow(), 1);
    // A later save of the open album keeps the added row.
    w.SelectRow(0);
    w.RemoveFromColExecute();
    QCOMPARE(env.AlbumIds("Holiday"), (Strings{"3", "3"}));
}

void TestAlbumCommands::addToAlbumNeedsAPhotoOfTheOpenAlbum() {
    TEnv env;
    env.MakeCatalog({{"Holiday;1", {"beach.jpg"}, {}}, {"Work;3", {}, {}}});
    const std::string loose = env.Jpeg("loose.jpg");
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.ComboBox1Change(0);
    w.SelectRow(0);
    // A picture previewed from the import bar is on screen.
    w.ListBox2Click(0, env.photos, {"loose.jpg"});
    QCOMPARE(w.ViewerModel().State().source, viewer::TViewSource::ImportList);
    env.messages.asked.clear();

    bool dialogShown = false;
    OnModal([&](QDialog* d) { dialogShown = d != nullptr; });
    w.AddToCollectionExecute();
    Flush();
    QVERIFY(!dialogShown);
    QCOMPARE(env.Captions(), Strings{"Add To Album"});
    QCOMPARE(env.AlbumIds("Work"), Strings{});
}

QTEST_MAIN(TestAlbumCommands)
#include "test_albumcommands.moc"
