// The help window: pages from the install folder, "Page not found", navigation, and one
// window per window definition.
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QUrl>

#include "THelp.h"
#include "TestSupport.h"
#include "frmHelpU.h"

using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

std::string Page(const std::string& title, const std::string& body) {
    return "<html><head><title>" + title + "</title></head><body><h1>" + title + "</h1>" + body +
           "</body></html>";
}

// An install folder with a small set of pages.
struct Install {
    TempDir dir;
    Install() {
        std::filesystem::create_directories(dir.path() / "help");
        WriteAll(dir.file("help/default.htm"),
                 Page("Contents", "<a href=\"alpha.htm\">Alpha</a> <a href=\"gone.htm\">Gone</a>"));
        WriteAll(dir.file("help/alpha.htm"), Page("Alpha", "<p>First page.</p><a href=\"beta.htm\">Beta</a>"));
        WriteAll(dir.file("help/beta.htm"), Page("Beta", "<p>Second page.</p>"));
        WriteAll(dir.file("secret.htm"), Page("Secret", "<p>not a help page</p>"));
    }
    std::string Request(const std::string& suffix) const { return dir.str() + "/Qorvix.chm" + suffix; }
    QString File(const std::string& name) const { return QString::fromStdString(dir.file(name)); }
};

QString Text(TfrmHelp& w) { return w.Browser()->toPlainText(); }

bool AnyMessageBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(w) && w->isVisible()) return true;
    return QApplication::activeModalWidget() != nullptr;
}

}  // namespace

class TestHelpWindow : public QObject {
    Q_OBJECT
private slots:
    void showsThePageOfARequest() {
        Install in;
        TfrmHelp w;
        w.ShowRequest(in.Request("::/alpha.htm>trainer"));
        QCOMPARE(w.Browser()->source().toLocalFile(), in.File("help/alpha.htm"));
        QVERIFY(Text(w).contains("First page."));
        QVERIFY(!w.ShowsNotFound());
        QCOMPARE(w.windowTitle(), QString("Lumavell2 Help - Alpha"));
        QCOMPARE(w.HelpFolder(), in.File("help"));
    }

    void contentsForARequestWithoutAPage() {
        Install in;
        TfrmHelp w;
        w.ShowRequest(in.Request(">default"));
        QCOMPARE(w.Browser()->source().toLocalFile(), in.File("help/default.htm"));
        QCOMPARE(w.Browser()->documentTitle(), QString("Contents"));
    }

    void missingPageShowsPageNotFoundAndNothingElse() {
        Install in;
        TfrmHelp w;
        w.show();
        w.ShowRequest(in.Request("::/nothere.htm>trainer"));
        QVERIFY(w.ShowsNotFound());
        QVERIFY(Text(w).contains("Page not found"));
        QVERIFY(Text(w).contains("nothere.htm"));
        QVERIFY(!AnyMessageBox());
        // A missing help folder altogether behaves the same.
        TempDir empty;
        w.ShowRequest(empty.str() + "/Qorvix.chm>default");
        QVERIFY(w.ShowsNotFound());
        QVERIFY(Text(w).contains("default.htm"));
        QVERIFY(!AnyMessageBox());
        // A real page afterwards clears it.
        w.ShowRequest(in.Request("::/beta.htm>trainer"));
        QVERIFY(!w.ShowsNotFound());
        QVERIFY(Text(w).contains("Second page."));
    }

    void pageOutsideTheHelpFolderIsNeverShown() {
        Install in;
        TfrmHelp w;
        w.ShowRequest(in.Request("::/../secret.htm>trainer"));
        QVERIFY(w.ShowsNotFound());
        QVERIFY(!Text(w).contains("not a help page"));
        // Contents still leads back into the help folder.
        w.ShowContents();
        QCOMPARE(w.Browser()->documentTitle(), QString("Contents"));
    }

    void backForwardAndContents() {
        Install in;
        TfrmHelp w;
        QVERIFY(!w.BackAction()->isEnabled());
        w.ShowRequest(in.Request("::/alpha.htm>trainer"));
        w.Browser()->setSource(QUrl("beta.htm"));  // as a click on the link does
        QCOMPARE(w.Browser()->documentTitle(), QString("Beta"));
        QVERIFY(w.BackAction()->isEnabled());
        w.BackAction()->trigger();
        QCOMPARE(w.Browser()->documentTitle(), QString("Alpha"));
        QVERIFY(w.ForwardAction()->isEnabled());
        w.ForwardAction()->trigger();
        QCOMPARE(w.Browser()->documentTitle(), QString("Beta"));
        w.ContentsAction()->trigger();
        QCOMPARE(w.Browser()->documentTitle(), QString("Contents"));
        // A link to a missing page shows "Page not found" in the same window; Back returns.
        w.Browser()->setSource(QUrl("gone.htm"));
        QVERIFY(w.ShowsNotFound());
        QVERIFY(Text(w).contains("gone.htm"));
        w.BackAction()->trigger();
        QCOMPARE(w.Browser()->documentTitle(), QString("Contents"));
    }

    void theShippedContentsPageOpens() {
        const QByteArray data = qgetenv("LUMAVELL_DATA_DIR");
        QVERIFY(!data.isEmpty());
        TfrmHelp w;
        w.ShowRequest(data.toStdString() + "/Qorvix.chm>default");
        QVERIFY(!w.ShowsNotFound());
        QCOMPARE(w.windowTitle(), QString("Lumavell2 Help"));
        QVERIFY(Text(w).contains("Creating albums"));
        w.Browser()->setSource(QUrl("sharing.htm"));
        QVERIFY(!w.ShowsNotFound());
        QCOMPARE(w.windowTitle(), QString("Lumavell2 Help - Sharing albums"));
        const QByteArray shots = qgetenv("LUMAVELL_SHOT_DIR");
        if (!shots.isEmpty()) {
            w.resize(440, 560);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.grab().save(QString::fromLocal8Bit(shots) + "/help_sharing.png");
            w.ShowContents();
            w.resize(780, 620);
            w.grab().save(QString::fromLocal8Bit(shots) + "/help_contents.png");
        }
    }

    void viewerKeepsOneWindowPerDefinition() {
        Install in;
        TfrmHelpViewer viewer;
        QWidget main;
        main.setGeometry(40, 40, 300, 300);
        main.show();
        viewer.DisplayTopic(&main, in.Request("::/alpha.htm>trainer"));
        viewer.DisplayTopic(nullptr, in.Request(">default"));
        TfrmHelp* trainer = viewer.Window("trainer");
        TfrmHelp* contents = viewer.Window("default");
        QVERIFY(trainer && contents && trainer != contents);
        QVERIFY(trainer->isVisible() && contents->isVisible());
        QCOMPARE(trainer->Browser()->documentTitle(), QString("Alpha"));
        QCOMPARE(contents->Browser()->documentTitle(), QString("Contents"));
        QCOMPARE(trainer->parentWidget(), &main);
        QVERIFY(contents->parentWidget() == nullptr);

        // The same definition reuses its window; an unknown one is the default window.
        viewer.DisplayTopic(&main, in.Request("::/beta.htm>trainer"));
        QCOMPARE(viewer.Window("trainer"), trainer);
        QCOMPARE(trainer->Browser()->documentTitle(), QString("Beta"));
        viewer.DisplayTopic(nullptr, in.Request("::/beta.htm>nosuchwindow"));
        QCOMPARE(viewer.Window("default"), contents);
        QCOMPARE(contents->Browser()->documentTitle(), QString("Beta"));

        viewer.CloseAll();
        QVERIFY(!trainer->isVisible() && !contents->isVisible());
        // Opened again after closing: the window comes back.
        viewer.DisplayTopic(&main, in.Request("::/alpha.htm>trainer"));
        QVERIFY(viewer.Window("trainer")->isVisible());
        viewer.CloseAll();
    }

    void helpWindowFollowsAModalOwner() {
        // The help of a modal dialog must belong to the dialog, or the dialog would block it.
        Install in;
        TfrmHelpViewer viewer;
        QWidget main;
        main.show();
        viewer.DisplayTopic(&main, in.Request("::/alpha.htm>trainer"));
        QDialog dialog(&main);
        QWidget* button = new QWidget(&dialog);
        dialog.setModal(true);
        dialog.show();
        viewer.DisplayTopic(button, in.Request("::/beta.htm>trainer"));
        TfrmHelp* w = viewer.Window("trainer");
        QCOMPARE(w->parentWidget(), static_cast<QWidget*>(&dialog));
        QVERIFY(w->isWindow() && w->isVisible());
        QCOMPARE(w->Browser()->documentTitle(), QString("Beta"));
        // A help window deleted with its owner is simply made again.
        dialog.hide();
        delete w;
        QVERIFY(viewer.Window("trainer") == nullptr);
        viewer.DisplayTopic(&main, in.Request("::/alpha.htm>trainer"));
        QVERIFY(viewer.Window("trainer") != nullptr);
        viewer.CloseAll();
    }

    void definitionsPickSizeAndPlace() {
        const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget owner;
        owner.setGeometry(avail.left() + 20, avail.top() + 30, 300, 200);
        owner.show();
        const QRect ownerFrame = owner.frameGeometry();

        const QRect contents = TfrmHelpViewer::DefinitionGeometry("default", nullptr);
        const QRect trainer = TfrmHelpViewer::DefinitionGeometry("trainer", &owner);
        const QRect welcome = TfrmHelpViewer::DefinitionGeometry("welcome", &owner);
        QVERIFY(avail.contains(contents) && avail.contains(trainer) && avail.contains(welcome));
        // The main help is the largest, in the middle of the screen.
        QVERIFY(contents.width() > trainer.width() && contents.width() > welcome.width());
        QVERIFY((contents.center() - avail.center()).manhattanLength() <= 2);
        // Trainer help opens beside its owner, level with its top.
        QCOMPARE(trainer.left(), ownerFrame.right() + 1);
        QCOMPARE(trainer.top(), ownerFrame.top());
        // Welcome help is centred on the owner as far as the screen allows.
        QVERIFY(welcome.width() < contents.width());
        QCOMPARE(TfrmHelpViewer::DefinitionGeometry("", nullptr), contents);

        // No room on the right: the trainer window goes to the screen's right edge.
        owner.setGeometry(avail.right() - 310, avail.top() + 30, 300, 200);
        const QRect squeezed = TfrmHelpViewer::DefinitionGeometry("trainer", &owner);
        QCOMPARE(squeezed.right(), avail.right());
        QVERIFY(avail.contains(squeezed));
    }
};

QTEST_MAIN(TestHelpWindow)
#include "test_help_window.moc"
