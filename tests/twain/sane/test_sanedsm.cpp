// Our TWAIN source manager over SANE's test backend, through the engine: the source list, a
// colour scan, a three-page feeder scan, a cancelled scan, a device failing mid-scan, and the
// grey, line-art and 16-bit conversions.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <dlfcn.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>

#include "ScriptedMessages.h"
#include "TTwainQtHost.h"
#include "TestSupport.h"
#include "Twain.h"

using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

QWidget* VisibleTopLevel(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible()) return w;
    return nullptr;
}

// Runs action on the named window once it is on screen (polling the event loop the engine runs).
void When(const char* name, std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, name, action] {
        if (QWidget* w = VisibleTopLevel(name)) {
            timer->stop();
            timer->deleteLater();
            action(w);
            // A failed check inside the action must not leave the engine waiting for ever.
            if (QTest::currentTestFailed())
                if (QWidget* open = VisibleTopLevel("SaneSourceDialog"))
                    if (auto* b = open->findChild<QPushButton*>("btnCancel")) {
                        b->click();
                        b->click();
                    }
        }
    });
    timer->start();
}

void Click(QWidget* w, const char* button) {
    auto* b = w->findChild<QPushButton*>(button);
    QVERIFY(b);
    b->click();
}

int SetOption(const char* name, const char* value) {
    void* lib = dlopen(SANE_DSM_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (!lib) return 0;
    auto fn = reinterpret_cast<int (*)(const char*, const char*)>(dlsym(lib, "SaneDsm_SetOption"));
    int r = fn ? fn(name, value) : 0;
    dlclose(lib);
    return r;
}

void Choose(QWidget* dlg, const char* combo, const QString& text) {
    auto* c = dlg->findChild<QComboBox*>(combo);
    QVERIFY(c);
    int i = c->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    c->setCurrentIndex(i);
}

// Device listings made by the source manager so far: all, and those on the window thread.
std::pair<int, int> Listings() {
    void* lib = dlopen(SANE_DSM_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (!lib) return {-1, -1};
    auto fn = reinterpret_cast<void (*)(int*, int*)>(dlsym(lib, "SaneDsm_ListingCounts"));
    int all = -1, onWindowThread = -1;
    if (fn) fn(&all, &onWindowThread);
    dlclose(lib);
    return {all, onWindowThread};
}

// Presses "Cancel" at the moment a finished scan's result reaches the dialog, before the dialog
// has handled it: the user's click and the scan's end cross.
class TCancelAsResultArrives : public QObject {
public:
    explicit TCancelAsResultArrives(QWidget* dialog) : QObject(dialog), dialog_(dialog) {}
    bool fired = false;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (!fired && o == dialog_ && e->type() == QEvent::MetaCall) {
            fired = true;
            dialog_->removeEventFilter(this);
            dialog_->findChild<QPushButton*>("btnCancel")->click();
        }
        return false;
    }

private:
    QWidget* dialog_;
};

TWAIN_BITMAPINFOHEADER Header(TWAIN_HIMAGE image) {
    TWAIN_BITMAPINFOHEADER h{};
    if (image) std::memcpy(&h, image, sizeof h);
    return h;
}

}  // namespace

class TestSaneDsm : public QObject {
    Q_OBJECT
    TempDir dir;
    testsupport::ScriptedMessages messages;
    TTwainQtHost* host = nullptr;

    void FreeAll() {
        for (int i = 0; i < TWAIN_ImageCount(); ++i) TWAIN_FreeImage(TWAIN_Image(i));
    }

private slots:
    void initTestCase() {
        // The test framework reports SIGPIPE as a crash; the program ignores it, as the source
        // manager arranges when the program has not set a handler of its own.
        std::signal(SIGPIPE, SIG_IGN);
        std::string sane = dir.file("sane");
        std::filesystem::create_directories(sane);
        WriteAll(sane + "/dll.conf", "test\n");
        setenv("SANE_CONFIG_DIR", sane.c_str(), 1);
        setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
        setenv("LUMAVELL_TWAIN_DSM", SANE_DSM_PATH, 1);
        host = new TTwainQtHost(messages);
        TWAIN_SetHost(host);
    }
    void cleanupTestCase() {
        TWAIN_SetHost(nullptr);
        delete host;
    }
    void cleanup() {
        FreeAll();
        QCOMPARE(TWAIN_State(), 1);
        QVERIFY(messages.asked.empty());
    }

    void sourceListRemembersTheChoice() {
        When("SaneSourceList", [](QWidget* dlg) {
            auto* list = dlg->findChild<QTreeWidget*>("lstSources");
            QVERIFY(list);
            QCOMPARE(list->topLevelItemCount(), 2);
            QCOMPARE(list->topLevelItem(0)->text(0), QString("Noname"));
            QCOMPARE(list->topLevelItem(0)->text(1), QString("frontend-tester"));
            QCOMPARE(list->topLevelItem(0)->text(2), QString("virtual device"));
            list->setCurrentItem(list->topLevelItem(1));
            Click(dlg, "btnSelect");
        });
        QVERIFY(TWAIN_SelectImageSource(nullptr));
        QVERIFY(ReadAll(dir.file("config/lumavell2/twain-source")).rfind("test:1\n", 0) == 0);

        // Cancelled: false, and the stored choice stays (and is preselected next time).
        When("SaneSourceList", [](QWidget* dlg) {
            auto* list = dlg->findChild<QTreeWidget*>("lstSources");
            QCOMPARE(list->currentItem(), list->topLevelItem(1));
            Click(dlg, "btnCancel");
        });
        QVERIFY(!TWAIN_SelectImageSource(nullptr));
        QVERIFY(ReadAll(dir.file("config/lumavell2/twain-source")).rfind("test:1\n", 0) == 0);
    }

    void enterScansAfterPreviewAndDevicesAreListedOffTheWindowThread() {
        const auto before = Listings();
        When("SaneSourceList", [](QWidget* dlg) { Click(dlg, "btnSelect"); });
        QVERIFY(TWAIN_SelectImageSource(nullptr));
        When("SaneSourceDialog", [](QWidget* dlg) {
            Choose(dlg, "cmbResolution", "75 dpi");
            auto* preview = dlg->findChild<QPushButton*>("btnPreview");
            preview->setFocus();
            preview->click();
            QTRY_VERIFY_WITH_TIMEOUT(preview->isEnabled(), 20000);
            // Enter scans, wherever the focus fell while the preview ran.
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : dlg, Qt::Key_Return);
        });
        TWAIN_HIMAGE image = TWAIN_Acquire(nullptr, 0);
        QVERIFY(image);
        QCOMPARE(TWAIN_ImageWidth(image), 590);
        const auto after = Listings();
        QVERIFY(before.first >= 0);
        // The source list looked for devices once, away from the window's thread; opening the
        // chosen source did not look again.
        QCOMPARE(after.first - before.first, 1);
        QCOMPARE(after.second, before.second);
    }

    void cancelAsTheScanEndsDeliversNothing() {
        bool fired = false;
        When("SaneSourceDialog", [&fired](QWidget* dlg) {
            Choose(dlg, "cmbResolution", "75 dpi");
            auto* cancelAtEnd = new TCancelAsResultArrives(dlg);
            dlg->installEventFilter(cancelAtEnd);
            Click(dlg, "btnScan");
            QTRY_VERIFY_WITH_TIMEOUT(cancelAtEnd->fired, 20000);
            fired = true;
            // The scan did not arrive: the dialog is still up, and closing it ends with no image.
            QVERIFY(dlg->isVisible());
            QVERIFY(dlg->findChild<QPushButton*>("btnScan")->isEnabled());
            Click(dlg, "btnCancel");
        });
        QVERIFY(!TWAIN_Acquire(nullptr, 0));
        QVERIFY(fired);
        QCOMPARE(TWAIN_ImageCount(), 0);
    }

    void colourScanAtThreeHundredDpi() {
        When("SaneSourceDialog", [](QWidget* dlg) {
            QVERIFY(dlg->isModal());
            QCOMPARE(dlg->findChild<QLabel*>("lblDevice")->text(), QString("Noname frontend-tester"));
            QVERIFY(SetOption("test-picture", "Color pattern"));
            Choose(dlg, "cmbMode", "Color");
            Choose(dlg, "cmbResolution", "300 dpi");
            Click(dlg, "btnScan");
        });
        TWAIN_HIMAGE image = TWAIN_Acquire(nullptr, 0);
        QVERIFY(image);
        QCOMPARE(TWAIN_ImageCount(), 1);
        QCOMPARE(TWAIN_ImageWidth(image), 2362);  // the whole 200 mm bed
        QCOMPARE(TWAIN_ImageHeight(image), 2362);
        QCOMPARE(int(Header(image).biBitCount), 24);
        QImage picture = TWAIN_DibToImage(image, TWAIN_ImageBlockSize(image));
        QCOMPARE(picture.size(), QSize(2362, 2362));
        // The colour pattern has saturated colours somewhere.
        bool red = false;
        for (int x = 0; x < picture.width() && !red; x += 4)
            for (int y = 0; y < picture.height() && !red; y += 4)
                red = qRed(picture.pixel(x, y)) > 200 && qGreen(picture.pixel(x, y)) < 50 && qBlue(picture.pixel(x, y)) < 50;
        QVERIFY(red);
        QVERIFY(!VisibleTopLevel("SaneSourceDialog"));
    }

    void feederDeliversThreePagesInOnePass() {
        When("SaneSourceDialog", [](QWidget* dlg) {
            Choose(dlg, "cmbSource", "Automatic Document Feeder");
            Choose(dlg, "cmbResolution", "75 dpi");
            auto* pages = dlg->findChild<QSpinBox*>("spnPages");
            QVERIFY(pages->isVisible());
            pages->setValue(3);
            Click(dlg, "btnScan");
        });
        TWAIN_HIMAGE image = TWAIN_Acquire(nullptr, 0);
        QCOMPARE(TWAIN_ImageCount(), 3);
        QCOMPARE(image, TWAIN_Image(2));
        for (int i = 0; i < 3; ++i) QCOMPARE(TWAIN_ImageWidth(TWAIN_Image(i)), 590);
        QVERIFY(!TWAIN_Image(3));
        FreeAll();
        // Back to the flatbed for the other tests (the dialog keeps its settings).
        When("SaneSourceDialog", [](QWidget* dlg) {
            Choose(dlg, "cmbSource", "Flatbed");
            Click(dlg, "btnCancel");
        });
        QVERIFY(!TWAIN_Acquire(nullptr, 0));
    }

    void cancelledScanStopsAtOnceAndClosingEndsWithoutImage() {
        When("SaneSourceDialog", [](QWidget* dlg) {
            QVERIFY(SetOption("read-delay", "yes"));
            QVERIFY(SetOption("read-delay-duration", "200000"));
            Choose(dlg, "cmbResolution", "300 dpi");
            Click(dlg, "btnScan");
            // Cancelled once the scan is reading (its progress has moved). At 0.2 s a read a
            // 300 dpi page takes minutes, so the cancel has to stop the scan where it is: the page
            // is never completed, and a cancel that waited for it would hang the test.
            auto* bar = dlg->findChild<QProgressBar*>("prgScan");
            QVERIFY(bar);
            QTRY_VERIFY_WITH_TIMEOUT(bar->value() > 0, 60000);
            Click(dlg, "btnCancel");
            QVERIFY(bar->value() < 1000);
            QVERIFY(dlg->findChild<QPushButton*>("btnScan")->isEnabled());
            QVERIFY(dlg->findChild<QLabel*>("lblStatus")->text().contains("cancelled"));
            SetOption("read-delay", "no");
            Click(dlg, "btnCancel");  // now closes the dialog
        });
        QVERIFY(!TWAIN_Acquire(nullptr, 0));
        QCOMPARE(TWAIN_ImageCount(), 0);
    }

    void deviceFailingMidScanEndsTheTransferAndTheDialogStays() {
        When("SaneSourceDialog", [](QWidget* dlg) {
            QVERIFY(SetOption("read-return-value", "SANE_STATUS_IO_ERROR"));
            Click(dlg, "btnScan");
            // The failure is shown in the dialog, which stays up; then it is closed.
            QTRY_VERIFY_WITH_TIMEOUT(dlg->findChild<QLabel*>("lblStatus")->text().contains("failed"), 20000);
            QVERIFY(dlg->isVisible());
            QVERIFY(dlg->findChild<QPushButton*>("btnScan")->isEnabled());
            SetOption("read-return-value", "Default");
            Click(dlg, "btnCancel");
        });
        QVERIFY(!TWAIN_Acquire(nullptr, 0));
        QCOMPARE(TWAIN_ImageCount(), 0);
    }

    void greyLineArtAndSixteenBitScansArrivePackedAsEightOrTwentyFourBits() {
        struct Case {
            const char* mode;
            const char* depth;
            int bits;
        };
        for (Case c : {Case{"Gray", "8", 8}, Case{"Gray", "1", 8}, Case{"Gray", "16", 8}, Case{"Color", "16", 24}}) {
            When("SaneSourceDialog", [c](QWidget* dlg) {
                Choose(dlg, "cmbMode", c.mode);
                Choose(dlg, "cmbResolution", "75 dpi");
                QVERIFY(SetOption("depth", c.depth));
                QVERIFY(SetOption("test-picture", "Grid"));
                Click(dlg, "btnScan");
            });
            TWAIN_HIMAGE image = TWAIN_Acquire(nullptr, 0);
            QVERIFY(image);
            TWAIN_BITMAPINFOHEADER h = Header(image);
            QCOMPARE(int(h.biBitCount), c.bits);
            QCOMPARE(h.biClrUsed, c.bits == 8 ? 256u : 0u);
            QImage picture = TWAIN_DibToImage(image, TWAIN_ImageBlockSize(image));
            QVERIFY(!picture.isNull());
            // The grid is black lines on white.
            QSet<QRgb> colours;
            for (int x = 0; x < picture.width(); x += 3) colours.insert(picture.pixel(x, picture.height() / 2 + 1));
            QVERIFY(colours.contains(qRgb(0, 0, 0)) || colours.contains(qRgb(255, 255, 255)));
            FreeAll();
        }
    }
};

QTEST_MAIN(TestSaneDsm)
#include "test_sanedsm.moc"
