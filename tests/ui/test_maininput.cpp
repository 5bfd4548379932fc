// The main window as a Linux photo program is used: keys in the picture area and the photo list,
// the context menus of a photo row and of the picture, files dropped onto the photo list and
// packages onto the window, rows dragged out as files, the keyboard shortcut list, and the
// Preferences dialog showing what is stored.
#include <memory>

#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollArea>
#include <QShortcut>
#include <QTreeWidget>

#include <filesystem>
#include <set>

#include "TAppWindows.h"
#include "TEditorLaunch.h"
#include "TKeyTable.h"
#include "TMainInput.h"
#include "TPhotoList.h"
#include "TPhotoView.h"
#include "TestSupport.h"
#include "UiTestEnv.h"
#include "frmMainU.h"
#include "frmPrefs2U.h"
#include "frmReceiveU.h"
#include "frmShortcutsU.h"

namespace fs = std::filesystem;
using testsupport::WhenShown;

namespace {

struct TEnv : testsupport::UiTestEnv {
    TEnv() {
        WriteNotFound(Qt::gray);
        for (const char* flag : {"firstTime_openPhoto", "firstTime_start"}) store.WriteBool("Images", flag, true);
    }
    std::string Jpeg(const std::string& file, QColor c) {
        return testsupport::WritePicture(photos + "/" + file, 320, 240, c);
    }
    // Three photos in "Holiday" (and an empty "Work").
    bool ThreePhotos() {
        store.WriteBool("Images", "firstTime_openAlbumb", true);
        store.WriteInteger("Images", "saveThumbs", 1);
        return WriteCatalog({{"Holiday;0",
                              {{"Red", Jpeg("red.jpg", Qt::red), ""},
                               {"Green", Jpeg("green.jpg", Qt::green), ""},
                               {"Blue", Jpeg("blue.jpg", Qt::blue), ""}}},
                             {"Work;0"}});
    }
    std::unique_ptr<TAppWindows> Open(int album = 0) {
        auto app = Start();
        TfrmMain& w = app->Main();
        testsupport::Show(w, 900, 640);
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w)) qWarning("the main window did not become active");
        emit w.AlbumBox()->activated(album);
        testsupport::Flush(4);
        messages.asked.clear();
        return app;
    }
    bool Asked(const std::string& part) const {
        for (const auto& m : messages.asked)
            if (m.text.find(part) != std::string::npos) return true;
        return false;
    }
};

QStringList Names(const QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->isVisible()) out << a->objectName();
    return out;
}

QAction* Item(const QMenu* menu, const char* name) {
    for (QAction* a : menu->actions())
        if (a->objectName() == name) return a;
    return nullptr;
}

void Press(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(w, key, mods);
    testsupport::Flush(2);
}

QMimeData* Files(const QStringList& paths) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    mime->setUrls(urls);
    return mime;
}

// Drags mime onto widget at pos and drops it there; whether the drop was taken.
// Takes the mime data over (events only borrow it) and frees it when the drop is done.
bool Drop(QWidget* widget, QPoint pos, QMimeData* data) {
    const std::unique_ptr<QMimeData> owned(data);
    QMimeData* mime = owned.get();
    QDragEnterEvent enter(pos, Qt::CopyAction | Qt::LinkAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(pos), Qt::CopyAction | Qt::LinkAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
    return drop.isAccepted();
}

}  // namespace

class TestMainInput : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ApplyLookAndFeel(*qApp); }
    void pictureAreaKeysStepAndZoomLikeTheCommands();
    void ctrlQQuits();
    void deleteInThePhotoListRemovesWithTheQuestion();
    void contextMenusOfferTheCommandsAsTheyAreEnabled();
    void photoFilesDroppedOnTheListAreFiledAsAddFilesThem();
    void packageDroppedOnTheWindowIsReceived();
    void rowsDragOutAsFiles();
    void shortcutListCoversEveryBoundKey();
    void preferencesFollowTheStoredThumbnailOptions();
    void imageEditorBoxShowsTheDesktopDefaultAsEmpty();
};

void TestMainInput::pictureAreaKeysStepAndZoomLikeTheCommands() {
    TEnv env;
    QVERIFY(env.ThreePhotos());
    auto app = env.Open();
    TfrmMain& w = app->Main();
    w.SelectRow(0);
    QWidget* area = w.PhotoArea();
    area->setFocus();
    QVERIFY(area->hasFocus());
    Press(area, Qt::Key_Right);
    QCOMPARE(w.SelectedRow(), 1);
    Press(area, Qt::Key_Space);
    QCOMPARE(w.SelectedRow(), 2);
    // At the last photo Next is off: the key does nothing.
    Press(area, Qt::Key_PageDown);
    QCOMPARE(w.SelectedRow(), 2);
    Press(area, Qt::Key_Left);
    QCOMPARE(w.SelectedRow(), 1);
    Press(area, Qt::Key_Backspace);
    QCOMPARE(w.SelectedRow(), 0);
    Press(area, Qt::Key_End);
    QCOMPARE(w.SelectedRow(), 2);
    Press(area, Qt::Key_PageUp);
    QCOMPARE(w.SelectedRow(), 1);
    Press(area, Qt::Key_Home);
    QCOMPARE(w.SelectedRow(), 0);
    // The commands' own keys still work there.
    Press(area, Qt::Key_Right, Qt::AltModifier);
    QCOMPARE(w.SelectedRow(), 1);
    // A 320 x 240 photo in this area is shown at 100%; + and - step as the zoom commands do.
    QVERIFY(w.TitleLabel()->text().endsWith("(100%)"));
    area->setFocus();
    Press(area, Qt::Key_Plus);
    QVERIFY2(w.TitleLabel()->text().endsWith("(150%)"), qPrintable(w.TitleLabel()->text()));
    Press(area, Qt::Key_Equal);
    QVERIFY(w.TitleLabel()->text().endsWith("(200%)"));
    Press(area, Qt::Key_Minus);
    QVERIFY(w.TitleLabel()->text().endsWith("(150%)"));
    Press(area, Qt::Key_Minus);
    Press(area, Qt::Key_Minus);
    QVERIFY(w.TitleLabel()->text().endsWith("(50%)"));
    QVERIFY(!w.Command("ZoomOut")->isEnabled());
    Press(area, Qt::Key_Minus);  // off at 50%: nothing happens
    QVERIFY(w.TitleLabel()->text().endsWith("(50%)"));
    // The keys belong to the picture: in the photo list the arrows move the list as before.
    TPhotoList* list = w.PhotoList();
    list->setFocus();
    list->setCurrentRow(0);
    testsupport::Flush(2);
    Press(list, Qt::Key_Down);
    QCOMPARE(w.SelectedRow(), 1);
}

void TestMainInput::ctrlQQuits() {
    TEnv env;
    QVERIFY(env.ThreePhotos());
    auto app = env.Open();
    TfrmMain& w = app->Main();
    QVERIFY(w.isVisible());
    Press(w.PhotoList(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!w.isVisible());
}

void TestMainInput::deleteInThePhotoListRemovesWithTheQuestion() {
    TEnv env;
    QVERIFY(env.ThreePhotos());
    auto app = env.Open();
    TfrmMain& w = app->Main();
    TPhotoList* list = w.PhotoList();
    list->setFocus();
    list->setCurrentRow(1);
    testsupport::Flush(2);
    QCOMPARE(w.SelectedRow(), 1);
    env.messages.answers = {TMsgResult::No};
    Press(list, Qt::Key_Delete);
    QVERIFY(env.Asked("Are you sure you want to delete this photo from the album?"));
    QCOMPARE(list->count(), 3);
    env.messages.asked.clear();
    Press(list, Qt::Key_Delete);  // Yes
    QVERIFY(env.Asked("Are you sure you want to delete this photo from the album?"));
    QCOMPARE(list->count(), 2);
    QCOMPARE(testsupport::TableColumn(env.root + "Holiday.col", "ImgID"), QStringList({"2", "4"}));
}

void TestMainInput::contextMenusOfferTheCommandsAsTheyAreEnabled() {
    TEnv env;
    QVERIFY(env.ThreePhotos());
    auto app = env.Open();
    TfrmMain& w = app->Main();
    TMainInput& input = w.Input();
    TPhotoList* list = w.PhotoList();
    QMenu* rowMenu = input.PhotoMenu();
    QMenu* picMenu = input.PictureMenu();
    QCOMPARE(Names(rowMenu), QStringList({"ViewFullScreen", "CopyImg", "EditImage1", "SetAsWallpaper", "Print",
                                          "RemoveFromCol", "ImgProperties"}));
    // Nothing shown yet: the photo commands are off, in the menu too.
    QVERIFY(!Item(rowMenu, "RemoveFromCol")->isEnabled());

    // A right click on row 2 shows that photo and opens the row's menu there.
    const QPoint at = list->visualItemRect(list->item(2)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &click);
    QTRY_VERIFY(rowMenu->isVisible());
    QCOMPARE(w.SelectedRow(), 2);
    for (const char* name : {"ViewFullScreen", "CopyImg", "EditImage1", "SetAsWallpaper", "Print", "RemoveFromCol",
                             "ImgProperties"})
        QVERIFY2(Item(rowMenu, name)->isEnabled(), name);
    const QString shots = qEnvironmentVariable("LUMAVELL_SHOT_DIR");
    if (!shots.isEmpty()) {
        testsupport::Flush(4);
        w.grab().save(shots + "/window-with-menu.png");
        rowMenu->grab().save(shots + "/photo-row-menu.png");
    }
    rowMenu->hide();
    // Its Remove From Album is the command: the question, then the row goes.
    Item(rowMenu, "RemoveFromCol")->trigger();
    QVERIFY(env.Asked("Are you sure you want to delete this photo from the album?"));
    QCOMPARE(list->count(), 2);

    // The Menu key opens it at the current row.
    list->setFocus();
    list->setCurrentRow(0);
    testsupport::Flush(2);
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5), list->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(list, &key);
    QTRY_VERIFY(rowMenu->isVisible());
    rowMenu->hide();

    // The picture's menu: zoom and navigation with the photo commands, as enabled.
    QCOMPARE(Names(picMenu), QStringList({"ZoomIn", "ShowAll", "ZoomOut", "ToFit", "First", "Previous", "Next",
                                          "Last", "ViewFullScreen", "CopyImg", "EditImage1", "SetAsWallpaper",
                                          "Print", "ImgProperties"}));
    QVERIFY(!Item(picMenu, "Previous")->isEnabled());
    QVERIFY(Item(picMenu, "Next")->isEnabled());
    QWidget* picture = w.PhotoView();
    const QPoint mid = picture->rect().center();
    QContextMenuEvent onPicture(QContextMenuEvent::Mouse, mid, picture->mapToGlobal(mid));
    QApplication::sendEvent(picture, &onPicture);
    QTRY_VERIFY(picMenu->isVisible());
    picMenu->hide();
    Item(picMenu, "ZoomIn")->trigger();
    QVERIFY(w.TitleLabel()->text().endsWith("(150%)"));
    Item(picMenu, "Next")->trigger();
    QCOMPARE(w.SelectedRow(), 1);
}

void TestMainInput::photoFilesDroppedOnTheListAreFiledAsAddFilesThem() {
    TEnv env;
    QVERIFY(env.ThreePhotos());
    const std::string yellow = env.Jpeg("sunny_day.jpg", Qt::yellow);
    const std::string cyan = env.Jpeg("Sea.JPG", Qt::cyan);
    testsupport::WriteAll(env.photos + "/notes.txt", "not a photo");
    fs::create_directories(env.photos + "/folder.jpg");
    auto app = env.Open(1);  // "Work", empty
    TfrmMain& w = app->Main();
    TPhotoList* list = w.PhotoList();
    QCOMPARE(list->count(), 0);
    const QPoint at(20, 20);
    // Only files it can file are taken.
    QVERIFY(!Drop(list->viewport(), at, Files({QString::fromStdString(env.photos + "/notes.txt")})));
    QVERIFY(Drop(list->viewport(), at,
                 Files({QString::fromStdString(yellow), QString::fromStdString(env.photos + "/notes.txt"),
                        QString::fromStdString(env.photos + "/folder.jpg"), QString::fromStdString(cyan)})));
    testsupport::Flush(4);
    QCOMPARE(testsupport::Rows(list), QStringList({"sunny day", "Sea"}));
    QCOMPARE(testsupport::TableColumn(env.root + "Work.col", "ImgID"), QStringList({"5", "6"}));
    const QStringList paths = testsupport::TableColumn(env.root + "data.mlb", "ImgPath");
    QCOMPARE(paths.mid(4), QStringList({QString::fromStdString(yellow), QString::fromStdString(cyan)}));

    // With the album box on no album, the add buttons' message.
    w.AlbumBox()->setCurrentIndex(-1);
    env.messages.asked.clear();
    QVERIFY(Drop(list->viewport(), at, Files({QString::fromStdString(yellow)})));
    QVERIFY(env.Asked("No album selected."));
    QCOMPARE(testsupport::TableColumn(env.root + "data.mlb", "ImgPath").size(), 6);
    // Dropped outside the photo list, photos are not taken.
    QVERIFY(!Drop(&w, QPoint(5, 5), Files({QString::fromStdString(yellow)})));
}

void TestMainInput::packageDroppedOnTheWindowIsReceived() {
    TEnv env;
    QVERIFY(env.ThreePhotos());
    const std::string package = env.photos + "/Trip.XAL";
    testsupport::WriteAll(package, "PK");
    auto app = env.Open();
    TfrmMain& w = app->Main();
    // Anywhere on the window, the photo list included.
    for (QWidget* target : {static_cast<QWidget*>(&w), w.PhotoList()->viewport()}) {
        QVERIFY(Drop(target, QPoint(5, 5), Files({QString::fromStdString(package)})));
        std::string received;
        auto opened = WhenShown<TfrmReceive>([&](TfrmReceive& d) { received = d.Package(); });
        QTRY_VERIFY(*opened);
        QCOMPARE(received, package);
        testsupport::Flush(4);
    }
}

void TestMainInput::rowsDragOutAsFiles() {
    TEnv env;
    QVERIFY(env.ThreePhotos());
    fs::remove(env.photos + "/green.jpg");
    auto app = env.Open();
    TfrmMain& w = app->Main();
    std::unique_ptr<QMimeData> mime(w.Input().RowsMimeData({0, 1, 2}));
    QVERIFY(mime);
    // The missing photo is left out.
    QCOMPARE(mime->urls(), QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(env.photos + "/red.jpg")),
                                        QUrl::fromLocalFile(QString::fromStdString(env.photos + "/blue.jpg"))}));
    QVERIFY(!w.Input().RowsMimeData({1}));
    // What a drop reads back from such a drag: the files, sorted into packages and photos.
    std::vector<std::string> packages, photos;
    TMainInput::DroppedFiles(mime.get(), packages, photos);
    QVERIFY(packages.empty());
    QCOMPARE(photos.size(), size_t(2));
}

void TestMainInput::shortcutListCoversEveryBoundKey() {
    TEnv env;
    QVERIFY(env.ThreePhotos());
    auto app = env.Open();
    TfrmMain& w = app->Main();
    // Every key bound anywhere in the main window.
    std::set<QString> bound;
    for (QAction* a : w.findChildren<QAction*>())
        for (const QKeySequence& k : a->shortcuts()) bound.insert(k.toString(QKeySequence::PortableText));
    for (QShortcut* s : w.findChildren<QShortcut*>())
        for (const QKeySequence& k : s->keys()) bound.insert(k.toString(QKeySequence::PortableText));
    QVERIFY(bound.count("Ctrl+Q"));
    QVERIFY(bound.count("Right"));

    // Help > Keyboard Shortcuts opens the list.
    QMenu* help = w.menuBar()->findChild<QMenu*>("mnuHelp");
    QAction* item = nullptr;
    for (QAction* a : help->actions())
        if (a->objectName() == "KeyboardShortcuts") item = a;
    QVERIFY(item);
    QCOMPARE(item->text(), QString("Keyboard Shortcuts"));
    std::set<QString> listed;
    QStringList places;
    auto opened = WhenShown<TfrmShortcuts>([&](TfrmShortcuts& d) {
        QTreeWidget* list = d.List();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = list->topLevelItem(i);
            if (row->isFirstColumnSpanned()) {
                places << row->text(0);
                continue;
            }
            QVERIFY2(!row->text(1).isEmpty(), qPrintable(row->text(0)));
            QVERIFY2(!row->text(0).isEmpty(), qPrintable(row->text(1)));
            for (const QString& k : row->data(0, Qt::UserRole + 1).toStringList()) listed.insert(k);
        }
        const QString shots = qEnvironmentVariable("LUMAVELL_SHOT_DIR");
        if (!shots.isEmpty()) d.grab().save(shots + "/keyboard-shortcuts.png");
    });
    item->trigger();
    QVERIFY(*opened);
    for (const QString& k : bound) QVERIFY2(listed.count(k), qPrintable("not listed: " + k));
    QCOMPARE(places, QStringList({"Anywhere in the main window", "In the picture", "In the photo list", "Full screen",
                                  "Slideshow"}));

    // No place takes a key the window binds to another command.
    for (const TKeyBinding& b : KeyTable()) {
        if (b.place == TKeyPlace::Window || !*b.command) continue;
        for (const QKeySequence& k : BindingKeys(b))
            for (const TKeyBinding& other : KeyTable())
                if (other.place == TKeyPlace::Window && std::string(other.command) != b.command)
                    QVERIFY2(!BindingKeys(other).contains(k), b.command);
    }
}

void TestMainInput::preferencesFollowTheStoredThumbnailOptions() {
    TEnv env;
    QVERIFY(env.ThreePhotos());
    env.store.WriteInteger("Images", "saveThumbs", 0);  // the question is still to come
    env.messages.answers = {TMsgResult::Yes};
    auto app = env.Start();
    TfrmMain& w = app->Main();
    TfrmPrefs2& prefs = app->Prefs();
    testsupport::Show(w, 900, 640);
    QVERIFY(!prefs.SaveThumbsBox()->isChecked());
    emit w.AlbumBox()->activated(0);
    testsupport::Flush(4);
    QCOMPARE(env.Int("saveThumbs"), 2);
    QVERIFY(prefs.SaveThumbsBox()->isChecked());
    QVERIFY(prefs.CompressThumbsBox()->isChecked());
    QVERIFY(prefs.CompressThumbsBox()->isEnabled());
    // OK without touching anything keeps what was answered.
    prefs.btnOKClick();
    QVERIFY(env.store.ReadBool("Images", "compressThumbs", false));
    // Anything else that writes them is followed as well.
    env.store.WriteInteger("Images", "saveThumbs", 1);
    env.store.WriteBool("Images", "compressThumbs", false);
    QVERIFY(!prefs.SaveThumbsBox()->isChecked());
    QVERIFY(!prefs.CompressThumbsBox()->isChecked());
    QVERIFY(!prefs.CompressThumbsBox()->isEnabled());
}

void TestMainInput::imageEditorBoxShowsTheDesktopDefaultAsEmpty() {
    for (const std::string& stored : {std::string("c:\\windows\\system32\\mspaint.exe"),
                                      std::string("C:\\WINDOWS\\System32\\MSPaint.exe"), std::string()}) {
        TEnv env;
        if (!stored.empty()) env.store.WriteString("Images", "ImageEditor", stored);
        auto app = env.Start();
        QLineEdit* box = app->Prefs().ImageEditorBox();
        QCOMPARE(box->text(), QString());
        QCOMPARE(box->placeholderText(), QString("The desktop's default image editor"));
        // "OK" keeps the meaning: Edit Image goes on starting the desktop's default editor.
        app->Prefs().btnOKClick();
        QVERIFY(viewer::IsDefaultEditorSetting(env.store.ReadString("Images", "ImageEditor", "")));
    }
    TEnv env;
    env.store.WriteString("Images", "ImageEditor", "/usr/bin/gimp");
    auto app = env.Start();
    QCOMPARE(app->Prefs().ImageEditorBox()->text(), QString("/usr/bin/gimp"));
    app->Prefs().ImageEditorBox()->setText("/opt/krita/bin/krita");
    app->Prefs().btnOKClick();
    QCOMPARE(env.store.ReadString("Images", "ImageEditor", "?"), std::string("/opt/krita/bin/krita"));
}

QTEST_MAIN(TestMainInput)
#include "test_maininput.moc"
