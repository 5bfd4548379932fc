// The Image Properties dialog and the notes box in the main window: what reaches data.mlb, the
// title bar, the photo list and the selection, and which changes of the notes box write.
#include <QtTest>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "TAppWindows.h"
#include "TCatalog.h"
#include "TPhotoList.h"
#include "TSettingsStore.h"
#include "TestSupport.h"
#include "UiTestEnv.h"
#include "WriteLimit.h"
#include "frmHelpU.h"
#include "frmMainU.h"
#include "frmPropertiesU.h"

using testsupport::Flush;
using testsupport::Rows;
namespace fs = std::filesystem;

namespace {

// Settings, an install folder and a catalog with the album "Holiday" of three real photos
// (ids 2, 3, 4) and the empty album "Work".
struct TEnv : testsupport::UiTestEnv {
    TEnv() {
        // The seed record lists as a missing photo.
        WriteNotFound();
        testsupport::UiAlbum holiday{"Holiday;0"};
        struct {
            const char *name, *file, *notes;
            QColor colour;
        } rows[] = {{"Beach", "beach.jpg", "", Qt::yellow},
                    {"Hills", "hills.jpg", "A notes", Qt::green},
                    {"Town", "town.jpg", "B notes", Qt::gray}};
        for (const auto& r : rows)
            holiday.photos.push_back(
                {r.name, testsupport::WritePicture(photos + "/" + r.file, 1600, 1200, r.colour), r.notes});
        if (!WriteCatalog({holiday, {"Work;1"}})) qFatal("cannot write the catalog");
    }

    // A field of a photo as data.mlb holds it now.
    std::string Stored(int id, const char* field) const {
        TMlb2 t;
        if (!t.LoadFromMLB(root + "data.mlb")) return "<unreadable>";
        t.First();
        t.BeginSeek(TSeekDirection::Forward);
        const bool found = t.Seek("ImgID", "=", std::to_string(id));
        t.EndSeek();
        return found ? t.GetValue(field) : "<no record>";
    }
    std::string DataFile() const { return testsupport::ReadAll(root + "data.mlb"); }
};

// Counts the times data.mlb is replaced in the catalog root (every save ends with a rename).
class TSaveCounter {
public:
    explicit TSaveCounter(const std::string& folder) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ < 0 || inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0)
            qFatal("inotify is not available");
    }
    ~TSaveCounter() { close(fd_); }
    // Saves of data.mlb since the last call.
    int Take() {
        int n = 0;
        alignas(inotify_event) char buf[8192];
        for (;;) {
            const ssize_t len = read(fd_, buf, sizeof buf);
            if (len <= 0) break;
            for (char* p = buf; p < buf + len;) {
                auto* ev = reinterpret_cast<inotify_event*>(p);
                if ((ev->mask & IN_MOVED_TO) && ev->len && std::string(ev->name) == "data.mlb") ++n;
                p += sizeof(inotify_event) + ev->len;
            }
        }
        return n;
    }

private:
    int fd_ = -1;
};

// Runs answer on the Image Properties dialog once it is open; a dialog the answer leaves open
// is cancelled. Returns a flag that tells whether the dialog opened at all.
std::shared_ptr<bool> WhenPropertiesShown(std::function<void(TfrmProperties&)> answer) {
    return testsupport::WhenShown<TfrmProperties>(std::move(answer));
}

void ClickLabel(QLabel* l) { QTest::mouseClick(l, Qt::LeftButton, Qt::NoModifier, l->rect().center()); }

// Types into the notes box as the user does, with the box holding the focus.
void Type(TfrmMain& w, const QString& text) {
    w.NotesBox()->setFocus();
    QTest::keyClick(w.NotesBox(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(w.NotesBox(), text);
}

struct TStarted {
    TEnv env;
    std::unique_ptr<TAppWindows> app = env.Start();
    TfrmMain& w = app->Main();
    TStarted() {
        testsupport::Show(w, 800, 560);
        w.ComboBox1Change(0);
    }
};

}  // namespace

class TestProperties : public QObject {
    Q_OBJECT
private slots:
    void okStoresTitleAndSelectsSameRow();
    void cancelChangesNothing();
    void clicksDoNothingWithoutAlbumPhoto();
    void dialogControlsAndHelp();
    void everyKeystrokeWritesTheWholeText();
    void notesWithLineBreaksStoredWithCrLf();
    void selectingBAfterALeavesBAlone();
    void fillingTheBoxWritesNothing();
    void editsReachShownPhotoAfterCatalogMoved();
    void editsAfterAFailedLoadReachThePhotoShown();
    void propertiesOnAFullDiskKeepTheEditAndSaySo();
};

// Every field of a photo's record as data.mlb holds it.
static std::string Record(const TEnv& env, int id) {
    std::string all;
    for (const char* f : {"ImgID", "ImgName", "ImgPath", "ImgCredit", "ImgKeys"}) all += env.Stored(id, f) + '\x1f';
    return all;
}

void TestProperties::editsAfterAFailedLoadReachThePhotoShown() {
    TStarted s;
    // Hills' file no longer decodes.
    testsupport::WriteAll(s.env.photos + "/hills.jpg", "this is not a JPEG file");
    s.w.SelectRow(0);
    QCOMPARE(s.w.TitleLabel()->text(), QString("Beach"));
    const std::string beach = Record(s.env, 2);
    s.w.SelectRow(1);
    QCOMPARE(s.w.TitleLabel()->text(), QString("Hills"));
    QCOMPARE(s.w.NotesBox()->toPlainText(), QString("A notes"));

    // Clicking into the box and away, then typing: only Hills' record changes.
    s.w.NotesBox()->setFocus();
    Flush();
    s.w.PhotoList()->setFocus();
    Flush();
    QCOMPARE(Record(s.env, 2), beach);
    Type(s.w, "!");
    QCOMPARE(s.env.Stored(3, "ImgKeys"), std::string("A notes!"));
    QCOMPARE(Record(s.env, 2), beach);

    // Image Properties opens with Hills' data and stores into Hills' record.
    QString shownName;
    auto opened = WhenPropertiesShown([&](TfrmProperties& d) {
        shownName = d.NameBox()->text();
        d.NameBox()->setText("Hills 2");
        QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    });
    s.w.Command("ImgProperties")->trigger();
    QVERIFY(*opened);
    QCOMPARE(shownName, QString("Hills"));
    QCOMPARE(s.env.Stored(3, "ImgName"), std::string("Hills 2"));
    QCOMPARE(Record(s.env, 2), beach);
}

void TestProperties::propertiesOnAFullDiskKeepTheEditAndSaySo() {
    TStarted s;
    s.w.SelectRow(1);
    const std::string before = s.env.DataFile();
    s.env.messages.asked.clear();
    auto opened = WhenPropertiesShown([&](TfrmProperties& d) {
        d.NameBox()->setText("Lake");
        QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    });
    {
        testsupport::TWriteLimit full(0);
        s.w.Command("ImgProperties")->trigger();
    }
    QVERIFY(*opened);
    QCOMPARE(s.env.DataFile(), before);
    // The title stays as the user left it: nothing was read back over it.
    QCOMPARE(s.w.TitleLabel()->text(), QString("Lake"));
    QCOMPARE(Rows(s.w.PhotoList()).at(1), QString("Lake"));
    bool told = false;
    for (const auto& m : s.env.messages.asked)
        told = told || (m.text.find("data.mlb") != std::string::npos && m.icon == TMsgIcon::Error);
    QVERIFY(told);
}

void TestProperties::okStoresTitleAndSelectsSameRow() {
    TStarted s;
    s.w.SelectRow(1);
    QVERIFY(s.w.Command("ImgProperties")->isEnabled());
    QCOMPARE(s.w.TitleLabel()->text(), QString("Hills"));

    QString shownName, shownCredit;
    auto opened = WhenPropertiesShown([&](TfrmProperties& d) {
        shownName = d.NameBox()->text();
        shownCredit = d.CreditBox()->text();
        d.NameBox()->setText("Lake");
        d.CreditBox()->setText("Zed");
        QTest::keyClick(d.CreditBox(), Qt::Key_Return);  // OK is the default button
    });
    // The credit value below the photo runs the command.
    ClickLabel(s.w.CreditLabel());
    QVERIFY(*opened);
    QCOMPARE(shownName, QString("Hills"));
    QCOMPARE(shownCredit, QString("Ann"));

    QCOMPARE(s.env.Stored(3, "ImgName"), std::string("Lake"));
    QCOMPARE(s.env.Stored(3, "ImgCredit"), std::string("Zed"));
    QCOMPARE(s.env.Stored(2, "ImgName"), std::string("Beach"));
    QCOMPARE(s.w.TitleLabel()->text(), QString("Lake"));
    QCOMPARE(s.w.CreditLabel()->text(), QString("Zed"));
    QCOMPARE(Rows(s.w.PhotoList()), QStringList({"Beach", "Lake", "Town"}));
    QCOMPARE(s.w.SelectedRow(), 1);
    QVERIFY(s.w.NotesBox()->isVisible());
    QCOMPARE(s.w.NotesBox()->toPlainText(), QString("A notes"));

    // The title bar runs it too; the dialog shows the values just stored, and empty fields are
    // stored as they are.
    auto again = WhenPropertiesShown([&](TfrmProperties& d) {
        shownName = d.NameBox()->text();
        shownCredit = d.CreditBox()->text();
        d.CreditBox()->setText("");
        QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    });
    ClickLabel(s.w.TitleLabel());
    QVERIFY(*again);
    QCOMPARE(shownName, QString("Lake"));
    QCOMPARE(shownCredit, QString("Zed"));
    QCOMPARE(s.env.Stored(3, "ImgCredit"), std::string(""));
    QCOMPARE(s.env.Stored(3, "ImgName"), std::string("Lake"));
    QCOMPARE(s.w.SelectedRow(), 1);
    // An empty photographer still leaves a credit value to click.
    QVERIFY(s.w.CreditLabel()->width() >= 40);
    auto emptyCredit = WhenPropertiesShown([](TfrmProperties& d) { QTest::mouseClick(d.CancelButton(), Qt::LeftButton); });
    ClickLabel(s.w.CreditLabel());
    QVERIFY(*emptyCredit);

    // Ctrl+Enter runs it from the notes box as well.
    s.w.activateWindow();
    Flush();
    auto byKey = WhenPropertiesShown([](TfrmProperties& d) { QTest::mouseClick(d.CancelButton(), Qt::LeftButton); });
    s.w.NotesBox()->setFocus();
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(s.w.NotesBox()));
    QTest::keyClick(s.w.NotesBox(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(*byKey);
    QCOMPARE(s.w.NotesBox()->toPlainText(), QString("A notes"));
}

void TestProperties::cancelChangesNothing() {
    TStarted s;
    s.w.SelectRow(2);
    const std::string before = s.env.DataFile();
    TSaveCounter saves(s.env.root);
    auto opened = WhenPropertiesShown([](TfrmProperties& d) {
        d.NameBox()->setText("Changed");
        d.CreditBox()->setText("Someone");
        QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
    });
    s.w.Command("ImgProperties")->trigger();
    QVERIFY(*opened);
    QCOMPARE(saves.Take(), 0);
    QCOMPARE(s.env.DataFile(), before);
    QCOMPARE(s.w.TitleLabel()->text(), QString("Town"));
    QCOMPARE(s.w.CreditLabel()->text(), QString("Ann"));
    QCOMPARE(s.w.PhotoList()->item(2)->text(), QString("Town"));

    // The dialog keeps nothing of the cancelled edit: the next showing has the stored values.
    QString name;
    auto next = WhenPropertiesShown([&](TfrmProperties& d) { name = d.NameBox()->text(); });
    s.w.Command("ImgProperties")->trigger();
    QVERIFY(*next);
    QCOMPARE(name, QString("Town"));
    QCOMPARE(s.env.DataFile(), before);
}

void TestProperties::clicksDoNothingWithoutAlbumPhoto() {
    TStarted s;
    QVERIFY(!s.w.Command("ImgProperties")->isEnabled());
    auto opened = WhenPropertiesShown([](TfrmProperties&) {});
    ClickLabel(s.w.TitleLabel());
    ClickLabel(s.w.CreditLabel());
    Flush();
    QVERIFY(!*opened);

    // An import-bar preview turns the command off again, and the notes write nothing.
    s.w.SelectRow(0);
    QVERIFY(s.w.Command("ImgProperties")->isEnabled());
    emit s.w.ImportPhotoShown(0);
    QVERIFY(!s.w.Command("ImgProperties")->isEnabled());
    TSaveCounter saves(s.env.root);
    Type(s.w, "q");
    s.w.Memo1Exit();
    auto later = WhenPropertiesShown([](TfrmProperties&) {});
    s.w.ImgPropertiesExecute();
    Flush();
    QVERIFY(!*later);
    QCOMPARE(saves.Take(), 0);
}

void TestProperties::dialogControlsAndHelp() {
    TStarted s;
    fs::create_directories(s.env.install + "/help");
    testsupport::WriteAll(s.env.install + "/help/properties.htm", "<html><body>Editing properties</body></html>");
    TfrmProperties& d = s.w.PropertiesDialog();
    QCOMPARE(d.parentWidget(), static_cast<QWidget*>(&s.w));
    for (QWidget* c : d.findChildren<QWidget*>())
        if (qobject_cast<QLineEdit*>(c) || qobject_cast<QPushButton*>(c))
            QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));

    s.w.SelectRow(0);
    auto opened = WhenPropertiesShown([](TfrmProperties& dlg) {
        QCOMPARE(dlg.minimumSize(), dlg.size());
        QCOMPARE(dlg.maximumSize(), dlg.size());
        QTest::mouseClick(dlg.HelpButton(), Qt::LeftButton);
    });
    s.w.Command("ImgProperties")->trigger();
    QVERIFY(*opened);
    TfrmHelp* help = s.w.HelpViewer().Window("trainer");
    QVERIFY(help);
    QVERIFY(help->Browser()->toPlainText().contains("Editing properties"));
}

void TestProperties::everyKeystrokeWritesTheWholeText() {
    TStarted s;
    s.w.SelectRow(0);  // "Beach", no notes
    QCOMPARE(s.w.NotesBox()->toPlainText(), QString());
    TSaveCounter saves(s.env.root);
    s.w.NotesBox()->setFocus();
    const char* expected[] = {"x", "xy", "xyz"};
    for (const char* e : expected) {
        QTest::keyClick(s.w.NotesBox(), e[std::strlen(e) - 1]);
        QCOMPARE(saves.Take(), 1);
        QCOMPARE(s.env.Stored(2, "ImgKeys"), std::string(e));
    }
    // Deleting is an edit as well.
    QTest::keyClick(s.w.NotesBox(), Qt::Key_Backspace);
    QCOMPARE(saves.Take(), 1);
    QCOMPARE(s.env.Stored(2, "ImgKeys"), std::string("xy"));

    // Losing the focus stores the text once more.
    s.w.AlbumBox()->setFocus();
    if (s.w.NotesBox()->hasFocus()) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(s.w.NotesBox(), &out);
    }
    QCOMPARE(saves.Take(), 1);
    QCOMPARE(s.env.Stored(2, "ImgKeys"), std::string("xy"));
    QCOMPARE(s.env.Stored(3, "ImgKeys"), std::string("A notes"));
}

void TestProperties::notesWithLineBreaksStoredWithCrLf() {
    TStarted s;
    s.w.SelectRow(0);
    s.w.NotesBox()->setFocus();
    // Enter does not start a new line; a pasted text of two lines keeps its break.
    QTest::keyClicks(s.w.NotesBox(), "one");
    QTest::keyClick(s.w.NotesBox(), Qt::Key_Return);
    QCOMPARE(s.env.Stored(2, "ImgKeys"), std::string("one"));
    s.w.NotesBox()->insertPlainText("\ntwo");
    QCOMPARE(s.env.Stored(2, "ImgKeys"), std::string("one\r\ntwo"));

    // Shown again, the notes are the same two lines.
    s.w.SelectRow(1);
    s.w.SelectRow(0);
    QCOMPARE(s.w.NotesBox()->document()->blockCount(), 2);
    QCOMPARE(s.w.NotesBox()->toPlainText(), QString("one\ntwo"));
    QCOMPARE(s.env.Stored(2, "ImgKeys"), std::string("one\r\ntwo"));
}

void TestProperties::selectingBAfterALeavesBAlone() {
    TStarted s;
    s.w.SelectRow(1);  // A: "Hills", "A notes"
    Type(s.w, "!");
    QCOMPARE(s.env.Stored(3, "ImgKeys"), std::string("A notes!"));

    // Clicking B's row moves the focus to the list first, then shows B.
    TPhotoList* list = s.w.PhotoList();
    const QRect rowB = list->visualItemRect(list->item(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rowB.center());
    if (s.w.SelectedRow() != 2) s.w.SelectRow(2);
    QCOMPARE(s.w.TitleLabel()->text(), QString("Town"));
    QCOMPARE(s.w.NotesBox()->toPlainText(), QString("B notes"));
    QCOMPARE(s.env.Stored(4, "ImgKeys"), std::string("B notes"));
    QCOMPARE(s.env.Stored(3, "ImgKeys"), std::string("A notes!"));

    // B's edits go to B only.
    Type(s.w, "?");
    QCOMPARE(s.env.Stored(4, "ImgKeys"), std::string("B notes?"));
    QCOMPARE(s.env.Stored(3, "ImgKeys"), std::string("A notes!"));
}

void TestProperties::fillingTheBoxWritesNothing() {
    TStarted s;
    s.w.SelectRow(1);
    TSaveCounter saves(s.env.root);
    // Text the program puts into the box is not an edit, whoever puts it there.
    s.w.NotesBox()->setPlainText("set by the program");
    s.w.NotesBox()->clear();
    QCOMPARE(saves.Take(), 0);
    QCOMPARE(s.env.Stored(3, "ImgKeys"), std::string("A notes"));
    // A box refilled after the photo was reported holds the selected row's notes: the next
    // edit goes to that row's photo.
    s.w.SelectRow(2);
    s.w.NotesBox()->setPlainText("B notes");
    Type(s.w, "+");
    QCOMPARE(saves.Take(), 1);
    QCOMPARE(s.env.Stored(4, "ImgKeys"), std::string("B notes+"));
    QCOMPARE(s.env.Stored(3, "ImgKeys"), std::string("A notes"));
    // After the viewer went back to "No Image Selected" nothing is written.
    s.w.ClearViewer();
    s.w.NotesBox()->insertPlainText("stray");
    s.w.Memo1Exit();
    QCOMPARE(saves.Take(), 0);
}

void TestProperties::editsReachShownPhotoAfterCatalogMoved() {
    TStarted s;
    s.w.SelectRow(1);  // "Hills", id 3
    // Opening another album and searching both walk the catalog; the pane still shows Hills.
    s.w.ComboBox1Change(1);
    s.w.SearchExecute();
    s.w.SearchBox()->setText("");
    s.w.btnSearchClick();
    QCOMPARE(s.w.PhotoList()->count(), 4);
    QCOMPARE(s.w.TitleLabel()->text(), QString("Hills"));
    Type(s.w, "#");
    QCOMPARE(s.env.Stored(3, "ImgKeys"), std::string("A notes#"));
    QCOMPARE(s.env.Stored(4, "ImgKeys"), std::string("B notes"));
    QCOMPARE(s.env.Stored(1, "ImgKeys"), std::string("nil"));

    auto opened = WhenPropertiesShown([](TfrmProperties& d) {
        QCOMPARE(d.NameBox()->text(), QString("Hills"));
        d.NameBox()->setText("Hills at dusk");
        QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    });
    s.w.Command("ImgProperties")->trigger();
    QVERIFY(*opened);
    QCOMPARE(s.env.Stored(3, "ImgName"), std::string("Hills at dusk"));
    QCOMPARE(s.env.Stored(1, "ImgName"), std::string("nil"));
    QCOMPARE(s.w.TitleLabel()->text(), QString("Hills at dusk"));
    // The result list shows the new title under its thumbnail; no row was selected there.
    QCOMPARE(s.w.PhotoList()->item(2)->text(), QString("Hills at dusk"));
    QCOMPARE(s.w.SelectedRow(), -1);
}

QTEST_MAIN(TestProperties)
#include "test_properties.moc"
