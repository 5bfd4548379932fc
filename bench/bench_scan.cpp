// Acquires one 300 dpi colour page from SANE's test device through our TWAIN source manager and
// the engine into a DIB, the way the import dialog does (source dialog up, "Scan" pressed as soon
// as it shows), and prints the best wall time of N runs in milliseconds.
//
//   bench_scan [<source manager library> [runs [page.ppm]]]
//
// Without arguments (as ./build.sh bench runs every benchmark) it uses the source manager of the
// build tree and, when SANE_CONFIG_DIR is not set, a private SANE configuration naming only the
// test backend.
//
// With a file name the last page is also written there as a binary PPM, to compare with scanimage.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "TMessages.h"
#include "TPlatform.h"
#include "TTwainQtHost.h"
#include "Twain.h"

namespace {

class TPrintMessages : public TMessages {
public:
    TMsgResult Show(const std::string& caption, const std::string& text, TMsgIcon, TMsgButtons) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return TMsgResult::Ok;
    }
    std::string OpenFileName(const std::string&, const std::string&, const std::string&) override { return {}; }
    std::string SaveFileName(const std::string&, const std::string&, const std::string&) override { return {}; }
    std::string BrowseFolder(const std::string&, const std::string&) override { return {}; }
};

// Presses "Scan" at 300 dpi in colour once the source dialog is on screen.
void ScanWhenShown() {
    auto* timer = new QTimer;
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [timer] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() != "SaneSourceDialog" || !w->isVisible()) continue;
            timer->stop();
            timer->deleteLater();
            auto* mode = w->findChild<QComboBox*>("cmbMode");
            mode->setCurrentIndex(mode->findText("Color"));
            auto* res = w->findChild<QComboBox*>("cmbResolution");
            res->setCurrentIndex(res->findText("300 dpi"));
            w->findChild<QPushButton*>("btnScan")->click();
            return;
        }
    });
    timer->start();
}

}  // namespace

int main(int argc, char** argv) {
    const bool named = argc > 1 && argv[1][0] != '-';
    std::string library = named ? argv[1] : ExecutableFolder() + "/../bin/liblumavell2-sanedsm.so";
    setenv("LUMAVELL_TWAIN_DSM", library.c_str(), 1);
    const int runs = named && argc > 2 ? std::atoi(argv[2]) : 5;
    std::string privateSane;
    if (!std::getenv("SANE_CONFIG_DIR")) {
        privateSane = (std::filesystem::temp_directory_path() / ("bench-scan-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(privateSane);
        std::ofstream(privateSane + "/dll.conf") << "test\n";
        setenv("SANE_CONFIG_DIR", privateSane.c_str(), 1);
    }
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    TPrintMessages messages;
    TTwainQtHost host(messages);
    TWAIN_SetHost(&host);
    double best = 1e30;
    int width = 0, height = 0;
    for (int i = 0; i < runs; ++i) {
        ScanWhenShown();
        QElapsedTimer t;
        t.start();
        TWAIN_HIMAGE image = TWAIN_Acquire(nullptr, 0);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (!image) {
            std::fprintf(stderr, "no image acquired\n");
            if (!privateSane.empty()) std::filesystem::remove_all(privateSane);
            return 1;
        }
        width = TWAIN_ImageWidth(image);
        height = TWAIN_ImageHeight(image);
        if (named && argc > 3 && i == runs - 1) {
            QImage page = TWAIN_DibToImage(image, TWAIN_ImageBlockSize(image));
            std::ofstream out(argv[3], std::ios::binary);
            out << "P6\n" << page.width() << " " << page.height() << "\n255\n";
            for (int y = 0; y < page.height(); ++y)
                for (int x = 0; x < page.width(); ++x) {
                    const QRgb c = page.pixel(x, y);
                    const char rgb[3] = {char(qRed(c)), char(qGreen(c)), char(qBlue(c))};
                    out.write(rgb, 3);
                }
        }
        for (int k = 0; k < TWAIN_ImageCount(); ++k) TWAIN_FreeImage(TWAIN_Image(k));
        if (ms < best) best = ms;
    }
    std::printf("%.1f %d %d\n", best, width, height);
    if (!privateSane.empty()) std::filesystem::remove_all(privateSane);
    return 0;
}
