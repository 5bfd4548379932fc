// The Qt message interface: what a message box shows and what each answer returns, and the
// file and folder dialogs.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "TQtMessages.h"
#include "TestSupport.h"

namespace {

// Runs answer on the next modal window that opens (the box or dialog under test).
template <class Dialog>
void WhenShown(std::function<void(Dialog*)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!d) {
            // Nothing to answer: close whatever is open so the test fails instead of hanging.
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
            return;
        }
        answer(d);
        if (d->isVisible()) {
            if (auto* box = qobject_cast<QDialog*>(d)) box->reject();
        }
    });
}

struct Seen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    Qt::TextFormat format = Qt::AutoText;
};

Seen Look(QMessageBox* box) {
    Seen s;
    s.title = box->windowTitle();
    s.text = box->text();
    s.icon = box->icon();
    s.buttons = box->standardButtons();
    s.defaultButton = box->standardButton(box->defaultButton());
    s.format = box->textFormat();
    return s;
}

}  // namespace

class TestQtMessages : public QObject {
    Q_OBJECT
private slots:
    void boxShowsCaptionTextIconAndButtons() {
        TQtMessages m;
        Seen seen;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            seen = Look(box);
            box->button(QMessageBox::No)->click();
        });
        const TMsgResult r = m.Show("Remove Album", "Are you sure you want to remove this album?",
                                    TMsgIcon::Question, TMsgButtons::YesNo);
        QCOMPARE(r, TMsgResult::No);
        QCOMPARE(seen.title, QString("Remove Album"));
        QCOMPARE(seen.text, QString("Are you sure you want to remove this album?"));
        QCOMPARE(seen.icon, QMessageBox::Question);
        QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(seen.defaultButton, QMessageBox::Yes);
    }

    void everyIconAndButtonSetMapsToItsAnswer() {
        TQtMessages m;
        const struct {
            TMsgIcon icon;
            QMessageBox::Icon shown;
        } icons[] = {{TMsgIcon::None, QMessageBox::NoIcon},
                     {TMsgIcon::Information, QMessageBox::Information},
                     {TMsgIcon::Warning, QMessageBox::Warning},
                     {TMsgIcon::Error, QMessageBox::Critical},
                     {TMsgIcon::Question, QMessageBox::Question}};
        for (const auto& i : icons) {
            Seen seen;
            WhenShown<QMessageBox>([&](QMessageBox* box) {
                seen = Look(box);
                box->button(QMessageBox::Ok)->click();
            });
            QCOMPARE(m.Show("c", "t", i.icon, TMsgButtons::Ok), TMsgResult::Ok);
            QCOMPARE(seen.icon, i.shown);
        }

        const struct {
            TMsgButtons buttons;
            QMessageBox::StandardButton press;
            TMsgResult result;
        } presses[] = {{TMsgButtons::OkCancel, QMessageBox::Ok, TMsgResult::Ok},
                       {TMsgButtons::OkCancel, QMessageBox::Cancel, TMsgResult::Cancel},
                       {TMsgButtons::YesNo, QMessageBox::Yes, TMsgResult::Yes},
                       {TMsgButtons::YesNoCancel, QMessageBox::No, TMsgResult::No},
                       {TMsgButtons::YesNoCancel, QMessageBox::Cancel, TMsgResult::Cancel}};
        for (const auto& p : presses) {
            WhenShown<QMessageBox>([&](QMessageBox* box) { box->button(p.press)->click(); });
            QCOMPARE(m.Show("c", "t", TMsgIcon::None, p.buttons), p.result);
        }
    }

    void escapeGivesTheSafeAnswer() {
        TQtMessages m;
        const struct {
            TMsgButtons buttons;
            TMsgResult result;
        } cases[] = {{TMsgButtons::Ok, TMsgResult::Ok},
                     {TMsgButtons::OkCancel, TMsgResult::Cancel},
                     {TMsgButtons::YesNo, TMsgResult::No},
                     {TMsgButtons::YesNoCancel, TMsgResult::Cancel}};
        for (const auto& c : cases) {
            WhenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
            QCOMPARE(m.Show("c", "t", TMsgIcon::Warning, c.buttons), c.result);
        }
        QCOMPARE(TQtMessages::ResultOf(QMessageBox::NoButton, TMsgButtons::YesNo), TMsgResult::No);
        QCOMPARE(TQtMessages::ResultOf(QMessageBox::NoButton, TMsgButtons::Ok), TMsgResult::Ok);
    }

    void textIsPlainWithItsLineBreaksAndLocalBytes() {
        TQtMessages m;
        Seen seen;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            seen = Look(box);
            box->button(QMessageBox::Ok)->click();
        });
        m.Show("Invalid Characters", "The name cannot contain these characters:\r\\ / ? * \" < > | &",
               TMsgIcon::Information, TMsgButtons::Ok);
        QCOMPARE(seen.format, Qt::PlainText);
        QCOMPARE(seen.text, QString("The name cannot contain these characters:\n\\ / ? * \" < > | &"));

        WhenShown<QMessageBox>([&](QMessageBox* box) {
            seen = Look(box);
            box->button(QMessageBox::Ok)->click();
        });
        m.Show("Caf\xC3\xA9", "one\r\n\r\ntwo <b>bold</b>", TMsgIcon::Information, TMsgButtons::Ok);
        QCOMPARE(seen.title, QString::fromUtf8("Caf\xC3\xA9"));
        QCOMPARE(seen.text, QString("one\n\ntwo <b>bold</b>"));

        QCOMPARE(TQtMessages::FromQt(TQtMessages::ToQt("Caf\xC3\xA9 \xE2\x82\xAC")), std::string("Caf\xC3\xA9 \xE2\x82\xAC"));
    }

    void boxIsModalToItsParent() {
        QWidget parent;
        parent.show();
        TQtMessages m(&parent);
        QWidget* boxParent = nullptr;
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            boxParent = box->parentWidget();
            box->button(QMessageBox::Ok)->click();
        });
        m.Show("c", "t", TMsgIcon::None, TMsgButtons::Ok);
        QCOMPARE(boxParent, &parent);
    }

    void fileDialogsReturnTheChosenPathOrNothing() {
        testsupport::TempDir dir;
        const std::string photo = dir.file("Caf\xC3\xA9 at noon.jpg");
        testsupport::WriteAll(photo, "jpeg");
        TQtMessages m;

        QString title;
        QStringList filters;
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            title = d->windowTitle();
            filters = d->nameFilters();
            d->selectFile(QString::fromUtf8(photo.c_str()));
            static_cast<QDialog*>(d)->accept();
        });
        QCOMPARE(m.OpenFileName("Open Photo", dir.str(), "JPEG files (*.jpg);;All files (*)"), photo);
        QCOMPARE(title, QString("Open Photo"));
        QCOMPARE(filters, QStringList({"JPEG files (*.jpg)", "All files (*)"}));

        WhenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
        QCOMPARE(m.OpenFileName("Open Photo", dir.str(), ""), std::string());

        QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
        const std::string target = dir.file("Trip.xal");
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            mode = d->acceptMode();
            d->selectFile(QString::fromStdString(target));
            static_cast<QDialog*>(d)->accept();
        });
        QCOMPARE(m.SaveFileName("Save", target, "Lumavell2 Shared Album (*.xal)"), target);
        QCOMPARE(mode, QFileDialog::AcceptSave);
    }

    void saveDialogAddsTheExtensionBeforeAskingToReplace() {
        testsupport::TempDir dir;
        const std::string existing = dir.file("scan.jpg");
        testsupport::WriteAll(existing, "jpeg");
        TQtMessages m;
        QString asked;
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            // The user types the name without its extension; the file with it exists.
            d->selectFile("scan");
            QTimer::singleShot(0, [&asked] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    asked = box->text();
                    box->button(QMessageBox::Yes)->click();
                }
            });
            static_cast<QDialog*>(d)->accept();
        });
        QCOMPARE(m.SaveFileNameWithSuffix("Save Photo", dir.str(), "JPEG Image (*.jpg)", "jpg"), existing);
        QVERIFY2(asked.contains("scan.jpg"), qPrintable(asked));
    }

    void folderDialogReturnsAFolder() {
        testsupport::TempDir dir;
        std::filesystem::create_directories(dir.path() / "Photos");
        TQtMessages m;
        QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            fileMode = d->fileMode();
            d->selectFile(QString::fromStdString(dir.file("Photos")));
            static_cast<QDialog*>(d)->accept();
        });
        QCOMPARE(m.BrowseFolder("Browse...", dir.str()), dir.file("Photos"));
        QCOMPARE(fileMode, QFileDialog::Directory);
        WhenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
        QCOMPARE(m.BrowseFolder("Browse...", dir.str()), std::string());
    }

    void folderDialogShowsItsInstructionAndTheHighlightedFolder() {
        testsupport::TempDir dir;
        std::filesystem::create_directories(dir.path() / "Photos");
        TQtMessages m;
        QString title, text, status;
        WhenShown<QDialog>([&](QDialog* outer) {
            title = outer->windowTitle();
            text = outer->findChild<QLabel*>("browseText")->text();
            auto* files = outer->findChild<QFileDialog*>("fileDialog");
            QVERIFY(files);
            QCOMPARE(files->fileMode(), QFileDialog::Directory);
            emit files->currentChanged(QString::fromStdString(dir.file("Photos")));
            status = outer->findChild<QLabel*>("browseStatus")->text();
            files->selectFile(QString::fromStdString(dir.file("Photos")));
            static_cast<QDialog*>(files)->accept();
        });
        const std::string chosen = m.BrowseFolderWithText(
            "Browse...", "Choose a folder that contains the photos that you want to import and then click OK.",
            dir.str());
        QCOMPARE(chosen, dir.file("Photos"));
        QCOMPARE(title, QString("Browse..."));
        QCOMPARE(text, QString("Choose a folder that contains the photos that you want to import and then click OK."));
        QCOMPARE(status, QString::fromStdString(dir.file("Photos")));
        WhenShown<QDialog>([](QDialog* outer) { outer->reject(); });
        QCOMPARE(m.BrowseFolderWithText("Browse...", "x", dir.str()), std::string());
    }
};

QTEST_MAIN(TestQtMessages)
#include "test_help_messages.moc"
