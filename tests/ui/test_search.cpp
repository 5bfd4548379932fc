// The search in the main window: the Search command, the search pane's terms field and buttons,
// the result opened as "Search Results", the text rows of an empty result and the search
// options dialog with its setting.
#include <QtTest>
#include <QCheckBox>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>
#include <functional>
#include <memory>

#include "TAppWindows.h"
#include "TCatalog.h"
#include "TPhotoList.h"
#include "TSettingsStore.h"
#include "TestSupport.h"
#include "UiTestEnv.h"
#include "frmHelpU.h"
#include "frmMainU.h"
#include "frmPrefs2U.h"
#include "frmSearchOptsU.h"

using testsupport::Flush;
using testsupport::Rows;
namespace fs = std::filesystem;

namespace {

struct TPhoto {
    const char* name;
    const char* notes;
};

// Settings, an install folder with the not-found picture and a catalog whose album "Holiday"
// holds the photos given (ids from 2 on).
struct TEnv : testsupport::UiTestEnv {
    explicit TEnv(const std::vector<TPhoto>& holidayPhotos) {
        WriteNotFound();
        testsupport::UiAlbum holiday{"Holiday;0"};
        for (const TPhoto& p : holidayPhotos) {
            // A small photo of its own for each: shown at 100%.
            const std::string file = dir.file(std::string(p.name) + ".jpg");
            holiday.photos.push_back({p.name, testsupport::WritePicture(file, 40, 30, Qt::blue), p.notes});
        }
        if (!WriteCatalog({holiday})) qFatal("cannot write the catalog");
    }

    // The ImgIDs "Search Results.col" holds.
    QStringList StoredResult() const { return testsupport::TableColumn(root + "Search Results.col", "ImgID"); }
};

void Show(TfrmMain& w) { testsupport::Show(w, 800, 560); }

// Enters the terms field as the user does (which empties the prompt) and types terms.
void EnterTerms(TfrmMain& w, const QString& terms) {
    w.SearchBox()->setFocus();
    if (!w.SearchBox()->hasFocus()) w.Edit1Enter();
    QTest::keyClicks(w.SearchBox(), terms);
}

// What the "Search" button looks like each time it is painted.
class TButtonLook : public QObject {
public:
    QStringList seen;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            auto* b = static_cast<QPushButton*>(o);
            seen << b->text() + (b->isEnabled() ? "" : " (off)");
        }
        return false;
    }
};

// Runs answer on the search options dialog once it is open; a dialog the answer leaves open is
// closed by its close box.
std::shared_ptr<bool> WhenOptionsShown(std::function<void(TfrmSearchOpts&)> answer) {
    return testsupport::WhenShown<TfrmSearchOpts>(std::move(answer), true);
}

using Photos = std::vector<TPhoto>;

const QStringList kNothing = {"Nothing", "Click 'Help' for search tips", "or for ways to improve", "your search"};

}  // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void commandOpensReservedAlbum();
    void beachMatchesOnlyAtFirstLetter();
    void emptyTermListsEveryRecord();
    void untouchedPromptIsSearchedAsItStands();
    void nothingFoundShowsInertTextRows();
    void fieldChoiceSurvivesRestartDialogStartsAtNotes();
    void optionsDialogControlsAndWaysIn();
    void onlyThisSearchAppliesOnceWithoutTheSetting();
};

void TestSearch::commandOpensReservedAlbum() {
    TEnv env(Photos{{"Beach day", "Trip to the beach"}});
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.ComboBox1Change(0);
    QVERIFY(!w.SearchMode());
    w.Command("Search")->trigger();
    QVERIFY(w.SearchMode());
    QCOMPARE(w.AlbumBox()->currentIndex(), 1);
    QCOMPARE(w.AlbumBox()->currentText(), QString("Search Results"));
    QVERIFY(w.SearchBox()->isVisible());
    QCOMPARE(w.PhotoList()->count(), 0);
    QVERIFY(!w.Command("Share")->isEnabled());
    QVERIFY(!w.Command("RemoveCol")->isEnabled());
    QCOMPARE(w.SearchBox()->text(), QString("Enter search terms"));
    QCOMPARE(w.SearchButton()->text(), QString("Search"));
    // The pointer is put onto the terms field.
    QCOMPARE(QCursor::pos(), w.SearchBox()->mapToGlobal(w.SearchBox()->rect().center()));

    // A search, another album, and the command again: the same result.
    EnterTerms(w, "beach");
    QTest::keyClick(w.SearchBox(), Qt::Key_Return);  // Enter in the terms field presses "Search"
    QCOMPARE(Rows(w.PhotoList()), QStringList({"Beach day"}));
    w.ComboBox1Change(0);
    QCOMPARE(w.PhotoList()->count(), 1);
    QVERIFY(!w.SearchMode());
    w.SearchExecute();
    QCOMPARE(Rows(w.PhotoList()), QStringList({"Beach day"}));
    QCOMPARE(w.SearchBox()->text(), QString("beach"));
    QCOMPARE(w.SearchButton()->text(), QString("Search Again"));

    // A photo of the result shows like any album photo.
    w.SelectRow(0);
    QCOMPARE(w.TitleLabel()->text(), QString("Beach day (100%)"));
}

void TestSearch::beachMatchesOnlyAtFirstLetter() {
    TEnv env(Photos{{"Trip", "Trip to the beach"}, {"Big", "big beach"}, {"Other", "mountains"}});
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.SearchExecute();
    TButtonLook look;
    w.SearchButton()->installEventFilter(&look);
    EnterTerms(w, "beach");
    QCOMPARE(w.SearchBox()->text(), QString("beach"));
    QTest::mouseClick(w.SearchButton(), Qt::LeftButton);
    // The pass shows "Searching..." with the buttons off; then "Search Again" with them on.
    QVERIFY2(look.seen.contains("Searching... (off)"), qPrintable(look.seen.join(", ")));
    QCOMPARE(w.SearchButton()->text(), QString("Search Again"));
    QVERIFY(w.SearchButton()->isEnabled());
    QVERIFY(w.SearchOptionsButton()->isEnabled());
    // 'big beach' is not found: the pattern binds to the first "b".
    QCOMPARE(Rows(w.PhotoList()), QStringList({"Trip"}));
    QCOMPARE(env.StoredResult(), QStringList({"2"}));
    QCOMPARE(w.AlbumBox()->currentText(), QString("Search Results"));

    // Letters match without regard to case.
    w.SearchBox()->setText("BEACH");
    w.btnSearchClick();
    QCOMPARE(Rows(w.PhotoList()), QStringList({"Trip"}));
}

void TestSearch::emptyTermListsEveryRecord() {
    TEnv env(Photos{{"Trip", "Trip to the beach"}, {"Big", "big beach"}});
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.SearchExecute();
    EnterTerms(w, "");
    QCOMPARE(w.SearchBox()->text(), QString());
    w.btnSearchClick();
    // The seed record is listed too, as a missing photo titled "nil".
    QCOMPARE(env.StoredResult(), QStringList({"1", "2", "3"}));
    QCOMPARE(Rows(w.PhotoList()), QStringList({"nil", "Trip", "Big"}));
    QCOMPARE(w.AlbumView().RowCount(), 3);
}

void TestSearch::untouchedPromptIsSearchedAsItStands() {
    TEnv env(Photos{{"Prompt", "Enter search terms here"}, {"Trip", "Trip to the beach"}});
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.SearchExecute();
    QTest::mouseClick(w.SearchButton(), Qt::LeftButton);
    QCOMPARE(w.SearchBox()->text(), QString("Enter search terms"));
    QCOMPARE(Rows(w.PhotoList()), QStringList({"Prompt"}));
    // Entering the field empties the prompt only while it is exactly the prompt.
    w.SearchBox()->setText("Enter search terms ");
    w.Edit1Enter();
    QCOMPARE(w.SearchBox()->text(), QString("Enter search terms "));
    w.SearchBox()->setText("Enter search terms");
    w.Edit1Enter();
    QCOMPARE(w.SearchBox()->text(), QString());
}

void TestSearch::nothingFoundShowsInertTextRows() {
    TEnv env(Photos{{"Trip", "Trip to the beach"}});
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.SearchExecute();
    EnterTerms(w, "zebra");
    w.btnSearchClick();
    QCOMPARE(Rows(w.PhotoList()), kNothing);
    QCOMPARE(env.StoredResult(), QStringList());
    QCOMPARE(w.AlbumView().RowCount(), 0);

    // Clicking the text rows selects nothing and shows nothing.
    const size_t asked = env.messages.asked.size();
    QSignalSpy shown(&w, &TfrmMain::PhotoShown);
    TPhotoList* list = w.PhotoList();
    for (int i = 0; i < list->count(); ++i) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(list->item(i)).center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(list->item(i)).center());
    }
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(w.SelectedRow(), -1);
    QCOMPARE(shown.count(), 0);
    QCOMPARE(w.TitleLabel()->text(), QString("No Image Selected"));
    QVERIFY(!w.Command("ImgProperties")->isEnabled());
    QVERIFY(!w.NotesBox()->isVisible());
    QCOMPARE(Rows(w.PhotoList()), kNothing);
    // The navigation commands find no photo there either.
    w.Command("First")->trigger();
    w.Command("Last")->trigger();
    QCOMPARE(shown.count(), 0);
    QCOMPARE(w.TitleLabel()->text(), QString("No Image Selected"));
    QCOMPARE(env.messages.asked.size(), asked);

    // Reopened by the command, the empty result is an empty list.
    w.ComboBox1Change(0);
    w.SearchExecute();
    QCOMPARE(w.PhotoList()->count(), 0);
}

void TestSearch::fieldChoiceSurvivesRestartDialogStartsAtNotes() {
    TEnv env(Photos{{"Lake Tahoe", "a cold morning"}, {"Hills", "Lake in the distance"}});
    {
        auto app = env.Start();
        TfrmMain& w = app->Main();
        Show(w);
        w.SearchExecute();
        auto opened = WhenOptionsShown([](TfrmSearchOpts& d) {
            QVERIFY(d.Radio(TSearchField::Notes)->isChecked());
            d.Radio(TSearchField::Name)->click();
            QTest::mouseClick(d.OkButton(), Qt::LeftButton);
        });
        QTest::mouseClick(w.SearchOptionsButton(), Qt::LeftButton);
        QVERIFY(*opened);
        QCOMPARE(env.store.ReadString("Images", "Search", ""), std::string("ImgName"));
        EnterTerms(w, "Lake");
        w.btnSearchClick();
        QCOMPARE(Rows(w.PhotoList()), QStringList({"Lake Tahoe"}));

        // The dialog keeps the choice for the rest of the run; its close box stores nothing.
        auto again = WhenOptionsShown([](TfrmSearchOpts& d) {
            QVERIFY(d.Radio(TSearchField::Name)->isChecked());
            d.Radio(TSearchField::Photographer)->click();
        });
        w.btnSearchOptionsClick();
        QVERIFY(*again);
        QCOMPARE(env.store.ReadString("Images", "Search", ""), std::string("ImgName"));
        w.close();
    }
    QVERIFY(!fs::exists(env.root + "Search Results.col"));

    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    QVERIFY(w.SearchOptionsDialog().Radio(TSearchField::Notes)->isChecked());
    w.SearchExecute();
    // The last run's result is gone.
    QCOMPARE(w.PhotoList()->count(), 0);
    EnterTerms(w, "Lake");
    w.btnSearchClick();
    QCOMPARE(Rows(w.PhotoList()), QStringList({"Lake Tahoe"}));

    // Back to the notes: the photo whose notes start with "Lake" is found instead.
    auto notes = WhenOptionsShown([](TfrmSearchOpts& d) {
        QVERIFY(d.Radio(TSearchField::Notes)->isChecked());
        QTest::keyClick(&d, Qt::Key_Return);  // OK is the default button
    });
    w.btnSearchOptionsClick();
    QVERIFY(*notes);
    QCOMPARE(env.store.ReadString("Images", "Search", ""), std::string("ImgKeys"));
    w.btnSearchClick();
    QCOMPARE(Rows(w.PhotoList()), QStringList({"Hills"}));
}

void TestSearch::optionsDialogControlsAndWaysIn() {
    TEnv env(Photos{});
    fs::create_directories(env.install + "/help");
    testsupport::WriteAll(env.install + "/help/search_opts.htm", "<html><body>Search options page</body></html>");
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    TfrmSearchOpts& d = w.SearchOptionsDialog();
    QCOMPARE(d.parentWidget(), static_cast<QWidget*>(&w));
    QVERIFY(!d.findChild<QPushButton*>("btnCancel"));
    for (QAbstractButton* b : d.findChildren<QAbstractButton*>()) QVERIFY(!b->accessibleName().isEmpty());

    // The Preferences dialog's "Search" button opens it as well; its Help opens its page.
    auto opened = WhenOptionsShown([](TfrmSearchOpts& dlg) {
        QTest::mouseClick(dlg.HelpButton(), Qt::LeftButton);
        dlg.Radio(TSearchField::Photographer)->click();
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    });
    QPushButton* prefsSearch = app->Prefs().findChild<QPushButton*>("btnSearchOpts");
    QVERIFY(prefsSearch);
    prefsSearch->click();
    QVERIFY(*opened);
    QCOMPARE(env.store.ReadString("Images", "Search", ""), std::string("ImgCredit"));
    TfrmHelp* help = w.HelpViewer().Window("trainer");
    QVERIFY(help);
    QVERIFY(help->Browser()->toPlainText().contains("Search options page"));
}

void TestSearch::onlyThisSearchAppliesOnceWithoutTheSetting() {
    TEnv env(Photos{{"Lake Tahoe", "a cold morning"}, {"Hills", "Lake in the distance"}});
    auto app = env.Start();
    TfrmMain& w = app->Main();
    Show(w);
    w.SearchExecute();
    EnterTerms(w, "Lake");
    auto opened = WhenOptionsShown([](TfrmSearchOpts& d) {
        QVERIFY(d.OnlyThisSearchBox()->isEnabled());
        d.Radio(TSearchField::Name)->click();
        d.OnlyThisSearchBox()->click();
        QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    });
    w.btnSearchOptionsClick();
    QVERIFY(*opened);
    QCOMPARE(env.store.ReadString("Images", "Search", "<none>"), std::string("<none>"));  // nothing written
    w.btnSearchClick();
    QCOMPARE(Rows(w.PhotoList()), QStringList({"Lake Tahoe"}));  // by name, this once
    w.btnSearchClick();
    QCOMPARE(Rows(w.PhotoList()), QStringList({"Hills"}));  // then the setting again (notes)

    // From Preferences the box is disabled for that showing, and OK writes the setting.
    auto fromPrefs = WhenOptionsShown([](TfrmSearchOpts& d) {
        QVERIFY(!d.OnlyThisSearchBox()->isEnabled());
        d.Radio(TSearchField::Photographer)->click();
        QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    });
    app->Prefs().findChild<QPushButton*>("btnSearchOpts")->click();
    QVERIFY(*fromPrefs);
    QCOMPARE(env.store.ReadString("Images", "Search", ""), std::string("ImgCredit"));
    QVERIFY(w.SearchOptionsDialog().OnlyThisSearchBox()->isEnabled());
}

QTEST_MAIN(TestSearch)
#include "test_search.moc"
