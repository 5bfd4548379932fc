// The import bar in the main window: its controls, walking folders and drives, the thumbnail
// list, the add buttons' states, filing photos with "Add To >>" and Add All into the open album,
// a folder whose thumbnails cannot be made, a large folder, Browse, and the Import Bar command's
// setting, help and hint.
#include <QtTest>
#include <QDir>

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QProgressBar>
#include <QToolBar>

#include <filesystem>
#include <memory>

#include "TAppWindows.h"
#include "TBalloonHint.h"
#include "TCatalog.h"
#include "TFolderImport.h"
#include "THints.h"
#include "TImportBar.h"
#include "TPhotoList.h"
#include "TPlatform.h"
#include "TSettingsStore.h"
#include "TestSupport.h"
#include "UiTestEnv.h"
#include "frmHelpU.h"
#include "frmMainU.h"

using testsupport::Flush;
using testsupport::Rows;
using testsupport::Show;
namespace fs = std::filesystem;

namespace {

// Settings, an install folder, a catalog with the album "Holiday" (two photos, identifiers 2
// and 3) and the empty album "Work", and a folder of photos to import.
struct TEnv : testsupport::UiTestEnv {
    std::string album = dir.file("album");  // the photos already filed (photos: the folder to import from)

    TEnv() {
        fs::create_directories(album);
        testsupport::UiAlbum holiday{"Holiday;0"};
        for (const char* name : {"beach", "hills"})
            holiday.photos.push_back({name, Jpeg(album + "/" + name + ".jpg"), ""});
        WriteCatalog({holiday, {"Work;1"}});
    }

    static std::string Jpeg(const std::string& path, int w = 64, int h = 48) {
        return testsupport::WritePicture(path, w, h, QColor(200, 120, 40));
    }
    std::string Photo(const std::string& name) { return Jpeg(photos + "/" + name); }

    // The program as it starts in folder.
    std::unique_ptr<TAppWindows> Start(const std::string& folder) {
        fs::current_path(folder);
        return UiTestEnv::Start();
    }

    QStringList Catalog(const char* field) const { return testsupport::TableColumn(root + "data.mlb", field); }
    QStringList AlbumIds(const std::string& name) const {
        return testsupport::TableColumn(root + name + ".col", "ImgID");
    }
};

// Opens the album of the album box's line (0 Holiday, 1 Work, 2 Search Results).
void OpenAlbum(TfrmMain& w, int line) { w.ComboBox1Change(line); }

// The states of "Add To >>" and Add All.
#define CHECK_BUTTONS(bar, to, all)                         \
    do {                                                    \
        QCOMPARE((bar).AddToAction()->isEnabled(), to);     \
        QCOMPARE((bar).AddAllAction()->isEnabled(), all);   \
    } while (0)

}  // namespace

class TestImportBar : public QObject {
    Q_OBJECT
private slots:
    void controlsToolBarAndStartFolder();
    void openingFolderRowsWalksTheTree();
    void drivesKeepTheirOwnCurrentFolder();
    void folderNamesOutsideTheLocalEncodingOpen();
    void addButtonStates();
    void addAllFilesEveryPhotoAndReloadsTheAlbum();
    void addToFilesTheSelectedPhoto();
    void unreadablePhotosAreListedAndNamedOnce();
    void largeFolderListedWholeWithProgress();
    void browseOnlyChangesToAnotherFolder();
    void importCommandSettingHelpAndHint();
    void barLayout();
};

void TestImportBar::controlsToolBarAndStartFolder() {
    TEnv env;
    fs::create_directories(env.photos + "/sub");
    env.Photo("b.jpg");
    env.Photo("IMG_0001.JPG");
    testsupport::WriteAll(env.photos + "/notes.txt", "x");
    auto app = env.Start(env.photos);
    TfrmMain& w = app->Main();
    TImportBar* bar = w.ImportBarContents();
    QVERIFY(bar);

    // Help, separator, Browse, the scanner command, separator, Add All, "Add To >>".
    const QList<QAction*> actions = w.ImportToolBar()->actions();
    QStringList tips;
    for (QAction* a : actions) tips << (a->isSeparator() ? QString("-") : a->toolTip());
    QCOMPARE(tips, QStringList({"Help", "-", "Browse...", "Scan a photo or acquire it from a digital camera", "-",
                                "Add all files in directory into selected album.", "Add to Album"}));
    QCOMPARE(bar->AddToAction()->text(), QString("Add To >>"));
    CHECK_BUTTONS(*bar, false, false);
    QCOMPARE(w.ImportToolBar()->widgetForAction(bar->AddToAction())->objectName(), QString("ToolButton10"));
    // The scanner button runs the scanner command and follows its state.
    int scans = 0;
    connect(w.Command("ImportScan"), &QAction::triggered, this, [&] { ++scans; });
    // The command opens the import dialog modally; it is closed at once (no source manager is
    // loaded in the tests, so it has nothing to acquire).
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    bar->ScanAction()->trigger();
    QCOMPARE(scans, 1);
    w.Command("ImportScan")->setEnabled(false);
    QVERIFY(!bar->ScanAction()->isEnabled());

    // Every control of the bar can be named by assistive technology.
    for (QWidget* c : w.ImportBar()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
    for (QAction* a : actions)
        if (!a->isSeparator()) QVERIFY(!w.ImportToolBar()->widgetForAction(a)->accessibleName().isEmpty());

    // The folder list starts at the working directory; the hidden file list holds its photos,
    // the mask matching without regard to case; the thumbnail list stays empty.
    const QListWidget* folders = bar->Folders();
    const QStringList rows = Rows(folders);
    QCOMPARE(rows.first(), QString("/"));
    QCOMPARE(rows.last(), QString("sub"));
    QCOMPARE(rows.at(rows.size() - 2), QString("photos"));
    QCOMPARE(folders->currentRow(), rows.size() - 2);
    QCOMPARE(folders->currentItem()->data(Qt::UserRole).toString(), QString::fromStdString(env.photos));
    QCOMPARE(Rows(bar->Files()), QStringList({"b.jpg", "IMG_0001.JPG"}));
    QVERIFY(bar->Files()->isHidden());
    QCOMPARE(bar->Thumbnails()->count(), 0);
    QCOMPARE(w.importRowCount(), 0);
    QCOMPARE(w.importCurrentRow(), -1);

    // The drive box lists the root and shows the current folder's drive.
    QVERIFY(std::find(bar->Volumes().begin(), bar->Volumes().end(), "/") != bar->Volumes().end());
    const std::string volume = folderimport::VolumeOf(env.photos, bar->Volumes());
    QCOMPARE(bar->Drives()->currentData().toString(), QString::fromStdString(volume));
}

void TestImportBar::openingFolderRowsWalksTheTree() {
    TEnv env;
    fs::create_directories(env.photos + "/Zoo");
    fs::create_directories(env.photos + "/alps/deeper");
    fs::create_directories(env.photos + "/.hidden");
    env.Jpeg(env.photos + "/alps/peak.jpg");
    env.Photo("top.jpg");
    auto app = env.Start(env.photos);
    TfrmMain& w = app->Main();
    TImportBar& bar = *w.ImportBarContents();
    QListWidget* folders = bar.Folders();
    QCOMPARE(Rows(folders).mid(Rows(folders).indexOf("photos")), QStringList({"photos", "alps", "Zoo"}));

    // Opening a subfolder row: it becomes the current folder and the working directory, its
    // photos fill the file list and the thumbnail list, with no row selected.
    emit folders->itemActivated(folders->item(folders->count() - 2));
    QCOMPARE(bar.Import().CurrentFolder(), env.photos + "/alps");
    QCOMPARE(fs::current_path().string(), env.photos + "/alps");
    QCOMPARE(Rows(folders).mid(Rows(folders).indexOf("photos")), QStringList({"photos", "alps", "deeper"}));
    QCOMPARE(folders->currentItem()->text(), QString("alps"));
    QCOMPARE(Rows(bar.Files()), QStringList({"peak.jpg"}));
    QCOMPARE(Rows(bar.Thumbnails()), QStringList({"peak.jpg"}));
    QCOMPARE(bar.Thumbnails()->currentRow(), -1);
    QCOMPARE(bar.Thumbnails()->RowPictureHeight(), 80);

    // Opening the current folder's row again changes nothing; a level row goes back up.
    emit folders->itemActivated(folders->currentItem());
    QCOMPARE(Rows(bar.Thumbnails()), QStringList({"peak.jpg"}));
    emit folders->itemActivated(folders->item(Rows(folders).indexOf("photos")));
    QCOMPARE(bar.Import().CurrentFolder(), env.photos);
    QCOMPARE(Rows(bar.Thumbnails()), QStringList({"top.jpg"}));
    // A folder that has gone since leaves everything as it was.
    QVERIFY(!bar.ChangeFolder(env.photos + "/gone"));
    QCOMPARE(bar.Import().CurrentFolder(), env.photos);
}

void TestImportBar::folderNamesOutsideTheLocalEncodingOpen() {
    TEnv env;
    // Latin-1 bytes, not valid UTF-8: the name cannot be spelt in the program's text.
    const std::string odd = env.photos + "/Caf\xE9 \xFF";
    fs::create_directories(odd);
    fs::copy_file(env.Jpeg(env.dir.file("inside.jpg")), odd + "/inside.jpg");
    auto app = env.Start(env.photos);
    TImportBar& bar = *app->Main().ImportBarContents();
    QListWidget* folders = bar.Folders();
    int row = -1;
    for (int i = 0; i < folders->count(); ++i)
        if (folders->item(i)->text().startsWith("Caf")) row = i;
    QVERIFY(row >= 0);
    emit folders->itemActivated(folders->item(row));
    QCOMPARE(bar.Import().CurrentFolder(), odd);
    QCOMPARE(Rows(bar.Thumbnails()), QStringList({"inside.jpg"}));
    // And back up through its level rows.
    emit folders->itemActivated(folders->item(Rows(folders).indexOf("photos")));
    QCOMPARE(bar.Import().CurrentFolder(), env.photos);
    // The root is a drive whatever the mount table says, and so is the home folder.
    QStringList drives;
    for (int i = 0; i < bar.Drives()->count(); ++i) drives << bar.Drives()->itemData(i).toByteArray();
    QVERIFY(drives.contains("/"));
    QVERIFY(drives.contains(QDir::homePath()));
}

void TestImportBar::drivesKeepTheirOwnCurrentFolder() {
    TEnv env;
    const std::string card = env.dir.file("card");
    fs::create_directories(card + "/DCIM/100");
    env.Jpeg(card + "/DCIM/100/shot.jpg");
    auto app = env.Start(env.photos);
    TImportBar& bar = *app->Main().ImportBarContents();
    bar.SetVolumes({"/", card});
    QCOMPARE(bar.Drives()->count(), 2);
    QCOMPARE(bar.Drives()->currentIndex(), 0);

    // First visit: the drive's top folder.
    bar.importDrivesChange(1);
    QCOMPARE(bar.Import().CurrentFolder(), card);
    QVERIFY(bar.ChangeFolder(card + "/DCIM/100"));
    QCOMPARE(Rows(bar.Thumbnails()), QStringList({"shot.jpg"}));
    // Each drive comes back at the folder last visited on it.
    bar.importDrivesChange(0);
    QCOMPARE(bar.Import().CurrentFolder(), env.photos);
    QCOMPARE(bar.Drives()->currentIndex(), 0);
    bar.importDrivesChange(1);
    QCOMPARE(bar.Import().CurrentFolder(), card + "/DCIM/100");
    QCOMPARE(bar.Drives()->currentIndex(), 1);
    // Choosing the drive one is on changes nothing; a remembered folder that is gone sends the
    // list to the drive's top.
    bar.importDrivesChange(1);
    QCOMPARE(bar.Import().CurrentFolder(), card + "/DCIM/100");
    bar.importDrivesChange(0);
    fs::remove_all(card + "/DCIM");
    bar.importDrivesChange(1);
    QCOMPARE(bar.Import().CurrentFolder(), card);
}

void TestImportBar::addButtonStates() {
    TEnv env;
    fs::create_directories(env.photos + "/empty");
    env.Photo("a.jpg");
    env.Photo("b.jpg");
    auto app = env.Start(env.dir.str());
    TfrmMain& w = app->Main();
    TImportBar& bar = *w.ImportBarContents();

    // No album open: nothing can be added, even with photos in the folder.
    QVERIFY(bar.ChangeFolder(env.photos));
    CHECK_BUTTONS(bar, false, false);
    bar.Thumbnails()->setCurrentRow(0);
    CHECK_BUTTONS(bar, false, false);

    // Opening an album leaves the buttons as they are until the folder or the selection
    // changes; a folder change enables Add All only, a selected thumbnail both.
    OpenAlbum(w, 0);
    CHECK_BUTTONS(bar, false, false);
    QVERIFY(bar.ChangeFolder(env.photos + "/empty"));
    CHECK_BUTTONS(bar, false, false);  // an empty folder
    QVERIFY(bar.ChangeFolder(env.photos));
    CHECK_BUTTONS(bar, false, true);
    bar.Thumbnails()->setCurrentRow(1);
    CHECK_BUTTONS(bar, true, true);

    // "Search Results" disables both; switching to another album leaves them disabled.
    OpenAlbum(w, 2);
    CHECK_BUTTONS(bar, false, false);
    bar.Thumbnails()->setCurrentRow(0);
    CHECK_BUTTONS(bar, false, false);
    OpenAlbum(w, 1);
    CHECK_BUTTONS(bar, false, false);
    bar.Thumbnails()->setCurrentRow(1);
    CHECK_BUTTONS(bar, true, true);
    OpenAlbum(w, 0);
    CHECK_BUTTONS(bar, true, true);
    // The navigation hooks step through the thumbnail list and set the buttons the same way.
    QCOMPARE(w.importRowCount(), 2);
    OpenAlbum(w, 2);
    w.selectImportRow(0);
    QCOMPARE(w.importCurrentRow(), 0);
    CHECK_BUTTONS(bar, false, false);
}

void TestImportBar::addAllFilesEveryPhotoAndReloadsTheAlbum() {
    TEnv env;
    for (const char* n : {"summer_at_the_lake.jpg", "c.jpg", "A.JPG"}) env.Photo(n);
    auto app = env.Start(env.dir.str());
    TfrmMain& w = app->Main();
    Show(w);
    TImportBar& bar = *w.ImportBarContents();
    OpenAlbum(w, 0);
    QCOMPARE(w.PhotoList()->count(), 2);
    QVERIFY(bar.ChangeFolder(env.photos));
    QCOMPARE(Rows(bar.Thumbnails()), QStringList({"A.JPG", "c.jpg", "summer_at_the_lake.jpg"}));
    QVERIFY(bar.AddAllAction()->isEnabled());
    bar.AddAllAction()->trigger();

    // One record per photo, in list order, with identifiers rising by one from the catalog's last.
    QCOMPARE(env.Catalog("ImgID"), QStringList({"1", "2", "3", "4", "5", "6"}));
    QCOMPARE(env.Catalog("ImgName").mid(3), QStringList({"A", "c", "summer at the lake"}));
    QCOMPARE(env.Catalog("ImgPath").mid(3),
             QStringList({QString::fromStdString(env.photos + "/A.JPG"), QString::fromStdString(env.photos + "/c.jpg"),
                          QString::fromStdString(env.photos + "/summer_at_the_lake.jpg")}));
    const QString user = QString::fromLocal8Bit(folderimport::ImportCredit(TLinuxPlatform().UserName()).c_str());
    QCOMPARE(env.Catalog("ImgCredit").mid(3), QStringList({user, user, user}));
    QCOMPARE(env.Catalog("ImgKeys").mid(3), QStringList({"", "", ""}));
    QCOMPARE(env.AlbumIds("Holiday"), QStringList({"2", "3", "4", "5", "6"}));
    QCOMPARE(env.AlbumIds("Work"), QStringList());

    // The open album is read again: the photo list shows the new photos last.
    QCOMPARE(Rows(w.PhotoList()), QStringList({"beach", "hills", "A", "c", "summer at the lake"}));
    QCOMPARE(w.AlbumView().RowCount(), 5);
    // The selection walked to the last row; the hint points at the photo list.
    QCOMPARE(bar.Thumbnails()->currentRow(), 2);
    QCOMPARE(w.Balloon().Text(), QString(hint::kTextImportPhoto));
    QVERIFY(env.store.ReadBool("Images", "firstTime_importPhoto", false));

    // Adding the same folder again files every photo a second time.
    bar.ToolButton26Click();
    QCOMPARE(env.AlbumIds("Holiday"), QStringList({"2", "3", "4", "5", "6", "7", "8", "9"}));
    QCOMPARE(w.PhotoList()->count(), 8);
}

void TestImportBar::addToFilesTheSelectedPhoto() {
    TEnv env;
    env.Photo("IMG_0001.JPG");
    env.Photo("summer_at_the_lake.jpg");
    env.Photo(".jpg");
    auto app = env.Start(env.dir.str());
    TfrmMain& w = app->Main();
    TImportBar& bar = *w.ImportBarContents();
    OpenAlbum(w, 1);  // Work
    QVERIFY(bar.ChangeFolder(env.photos));
    // Hidden files are not listed.
    QCOMPARE(Rows(bar.Thumbnails()), QStringList({"IMG_0001.JPG", "summer_at_the_lake.jpg"}));
    bar.Thumbnails()->setCurrentRow(0);
    QVERIFY(bar.AddToAction()->isEnabled());
    bar.AddToAction()->trigger();
    QCOMPARE(env.Catalog("ImgName").mid(3), QStringList({"IMG 0001"}));
    QCOMPARE(env.Catalog("ImgID").last(), QString("4"));
    QCOMPARE(env.AlbumIds("Work"), QStringList({"4"}));
    QCOMPARE(Rows(w.PhotoList()), QStringList({"IMG 0001"}));

    bar.Thumbnails()->setCurrentRow(1);
    bar.AddToAction()->trigger();
    QCOMPARE(env.Catalog("ImgName").mid(3), QStringList({"IMG 0001", "summer at the lake"}));
    QCOMPARE(env.AlbumIds("Work"), QStringList({"4", "5"}));
    QCOMPARE(Rows(w.PhotoList()), QStringList({"IMG 0001", "summer at the lake"}));
    QCOMPARE(env.AlbumIds("Holiday"), QStringList({"2", "3"}));
    // (The photo list's own question about saving thumbnails may have come; no error did.)
    for (const auto& m : env.messages.asked) QVERIFY(m.caption != "Error");
    env.messages.asked.clear();

    // With the album box showing no album the add stops with a message and writes nothing.
    const std::string before = testsupport::ReadAll(env.root + "data.mlb");
    w.AlbumBox()->setCurrentIndex(-1);
    bar.ToolButton10Click();
    bar.ToolButton26Click();
    QCOMPARE(env.messages.asked.size(), size_t(2));
    for (const auto& m : env.messages.asked) {
        QCOMPARE(m.caption, std::string("Error"));
        QCOMPARE(m.text, std::string("No album selected."));
        QCOMPARE(m.icon, TMsgIcon::Information);
    }
    QCOMPARE(testsupport::ReadAll(env.root + "data.mlb"), before);
}

void TestImportBar::unreadablePhotosAreListedAndNamedOnce() {
    TEnv env;
    env.Photo("a.jpg");
    testsupport::WriteAll(env.photos + "/b.jpg", "not a photo");
    env.Photo("c.jpg");
    auto app = env.Start(env.dir.str());
    TfrmMain& w = app->Main();
    TImportBar& bar = *w.ImportBarContents();
    OpenAlbum(w, 0);
    env.messages.asked.clear();
    // The message comes once the list is on screen and the cursor is back.
    QStringList rowsAtMessage;
    bool hourglassAtMessage = true;
    env.messages.onShow = [&](const testsupport::AskedMessage&) {
        rowsAtMessage = Rows(bar.Thumbnails());
        hourglassAtMessage = QApplication::overrideCursor() != nullptr;
    };
    QVERIFY(bar.ChangeFolder(env.photos));
    env.messages.onShow = nullptr;
    QCOMPARE(env.messages.asked.size(), size_t(1));
    QCOMPARE(env.messages.asked[0].icon, TMsgIcon::Warning);
    QVERIFY(env.messages.asked[0].text.find("b.jpg") != std::string::npos);
    QVERIFY(env.messages.asked[0].text.find("c.jpg") == std::string::npos);
    QCOMPARE(rowsAtMessage, QStringList({"a.jpg", "b.jpg", "c.jpg"}));
    QVERIFY(!hourglassAtMessage);
    QCOMPARE(Rows(bar.Thumbnails()), QStringList({"a.jpg", "b.jpg", "c.jpg"}));
    QCOMPARE(w.importRowCount(), 3);

    // Add All files every row, the unreadable one included.
    bar.ToolButton26Click();
    QCOMPARE(env.AlbumIds("Holiday"), QStringList({"2", "3", "4", "5", "6"}));
}

void TestImportBar::largeFolderListedWholeWithProgress() {
    TEnv env;
    const std::string one = env.Jpeg(env.photos + "/p0000.jpg", 8, 8);
    const std::string bytes = testsupport::ReadAll(one);
    char name[32];
    for (int i = 1; i < 1100; ++i) {
        std::snprintf(name, sizeof name, "/p%04d.jpg", i);
        testsupport::WriteAll(env.photos + name, bytes);
    }
    auto app = env.Start(env.dir.str());
    TfrmMain& w = app->Main();
    Show(w);
    w.Command("nuImport")->trigger();
    TImportBar& bar = *w.ImportBarContents();
    testsupport::TShowSpy spy;
    bar.Progress()->installEventFilter(&spy);
    QVERIFY(bar.ChangeFolder(env.photos));
    QCOMPARE(bar.Files()->count(), 1100);
    QCOMPARE(bar.Thumbnails()->count(), 1100);
    QCOMPARE(bar.Thumbnails()->item(1099)->text(), QString("p1099.jpg"));
    QCOMPARE(spy.shown, 1);
    QCOMPARE(spy.maximum, 1100);
    QVERIFY(bar.Progress()->isHidden());
    QCOMPARE(w.importRowCount(), 1100);
    w.selectImportRow(1099);
    QCOMPARE(w.importCurrentRow(), 1099);

    // A short folder needs no progress bar.
    fs::create_directories(env.photos + "/few");
    env.Jpeg(env.photos + "/few/x.jpg");
    QVERIFY(bar.ChangeFolder(env.photos + "/few"));
    QCOMPARE(spy.shown, 1);
}

void TestImportBar::browseOnlyChangesToAnotherFolder() {
    TEnv env;
    fs::create_directories(env.photos + "/sub");
    env.Jpeg(env.photos + "/sub/s.jpg");
    env.Photo("a.jpg");
    auto app = env.Start(env.photos);
    TImportBar& bar = *app->Main().ImportBarContents();

    // Right after start-up: the same folder again leaves the thumbnail list empty.
    env.messages.paths = {env.photos + "/", ""};
    bar.BrowseAction()->trigger();
    QCOMPARE(bar.Thumbnails()->count(), 0);
    QCOMPARE(env.messages.asked.back().kind, std::string("folder"));
    QCOMPARE(env.messages.asked.back().caption, std::string("Browse..."));
    QCOMPARE(env.messages.asked.back().text, env.photos);
    bar.ToolButton11Click();  // cancelled
    QCOMPARE(bar.Thumbnails()->count(), 0);

    // The dialog starts at the folder list's selected row; another folder fills the list.
    QListWidget* folders = bar.Folders();
    folders->setCurrentRow(folders->count() - 1);  // "sub", selected but not opened
    env.messages.paths = {env.photos};
    bar.ToolButton11Click();
    QCOMPARE(env.messages.asked.back().text, env.photos + "/sub");
    QCOMPARE(bar.Thumbnails()->count(), 0);  // still the current folder
    env.messages.paths = {env.photos + "/sub"};
    bar.ToolButton11Click();
    QCOMPARE(bar.Import().CurrentFolder(), env.photos + "/sub");
    QCOMPARE(Rows(bar.Thumbnails()), QStringList({"s.jpg"}));
    QCOMPARE(folders->currentItem()->text(), QString("sub"));
}

void TestImportBar::importCommandSettingHelpAndHint() {
    TEnv env;
    fs::create_directories(env.install + "/help");
    testsupport::WriteAll(env.install + "/help/import.htm", "<html><body><h1>Importing</h1></body></html>");
    auto app = env.Start(env.dir.str());
    TfrmMain& w = app->Main();
    Show(w);
    QAction* command = w.Command("nuImport");
    QVERIFY(w.ImportBar()->isHidden());

    command->trigger();
    QVERIFY(!w.ImportBar()->isHidden());
    QVERIFY(command->isChecked());
    QVERIFY(env.store.ReadBool("Images", "showImport", false));
    QVERIFY(env.store.ReadBool("Images", "firstHelp_import", false));
    QVERIFY(env.store.ReadBool("Images", "firstTime_import", false));
    QPointer<TfrmHelp> help = w.HelpViewer().Window("trainer");
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QVERIFY(help->Browser()->toPlainText().contains("Importing"));
    QCOMPARE(w.Balloon().Text(), QString(hint::kTextImport));
    help->close();
    w.Balloon().hide();

    // Later toggles write the setting each time; the help and the hint do not come again.
    command->trigger();
    QVERIFY(w.ImportBar()->isHidden());
    QVERIFY(!command->isChecked());
    QVERIFY(!env.store.ReadBool("Images", "showImport", true));
    command->trigger();
    QVERIFY(env.store.ReadBool("Images", "showImport", false));
    QVERIFY(!help->isVisible());
    QVERIFY(!w.Balloon().isVisible());

    // The bar's Help button opens the same topic.
    w.ImportBarContents()->HelpAction()->trigger();
    QVERIFY(help->isVisible());
    // The "x" button hides the bar.
    QTest::mouseClick(w.ImportBar()->findChild<QWidget*>("btnImportClose"), Qt::LeftButton);
    QVERIFY(w.ImportBar()->isHidden());
    QVERIFY(!env.store.ReadBool("Images", "showImport", true));
}

void TestImportBar::barLayout() {
    TEnv env;
    auto app = env.Start(env.dir.str());
    TfrmMain& w = app->Main();
    Show(w);
    w.Command("nuImport")->trigger();
    Flush();
    TImportBar& bar = *w.ImportBarContents();
    const int width = w.ImportBar()->width(), height = w.ImportBar()->height();
    QCOMPARE(width, 145);
    // Drive box, folder list and photo list stacked under the title, the photo list down to the
    // tool bar; the hidden file list lies under the photo list.
    const QRect drives = bar.Drives()->geometry(), folders = bar.Folders()->geometry();
    QCOMPARE(drives.topLeft(), QPoint(0, 17));
    QCOMPARE(folders.top(), drives.bottom() + 2);
    QCOMPARE(bar.Thumbnails()->geometry(),
             QRect(0, folders.bottom() + 1, width, height - drives.height() - folders.height() - 29 - 17));
    QCOMPARE(bar.Files()->geometry(), bar.Thumbnails()->geometry());
    // All five tool buttons fit the bar at its default width (none goes into an overflow menu).
    for (QAction* a : w.ImportToolBar()->actions())
        if (!a->isSeparator()) QVERIFY2(w.ImportToolBar()->widgetForAction(a)->isVisible(), qPrintable(a->text()));

    // Wider bar, wider lists.
    w.SetPaneWidth(w.ImportBar(), 200);
    Flush();
    QCOMPARE(bar.Thumbnails()->width(), 200);
    QCOMPARE(bar.Drives()->width(), 200);
}

QTEST_MAIN(TestImportBar)
#include "test_importbar.moc"
