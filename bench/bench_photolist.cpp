// Scrolling the photo list of a large album from top to bottom through the list's own paint
// path: every row's picture read from its cache file as the row is painted (TRowPictures), a
// page at a time. Prints the time to fill the list, the mean and worst time of one page's paint
// and the process's peak memory. Target: a mean under 16 ms (one frame).
//
//   bench_photolist [rows (default 100000)] [folder of <id>.bmp thumbnails (default: made)]
#include <sys/resource.h>

#include <QApplication>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TPhotoList.h"
#include "TRowPictures.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    fs::path folder;
    fs::path made;
    if (argc > 2) {
        folder = argv[2];
    } else {
        std::string tmpl = (fs::temp_directory_path() / "lumavell-bench-list-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) return 1;
        made = folder = tmpl;
    }
    // The thumbnails to show: the folder's <id>.bmp files, or 2,000 made here.
    std::vector<std::string> files;
    if (made.empty()) {
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path().extension() == ".bmp") files.push_back(e.path().string());
    } else {
        for (int i = 0; i < 2000; ++i) {
            QImage t(100, 80, QImage::Format_RGB32);
            for (int y = 0; y < 80; ++y)
                for (int x = 0; x < 100; ++x) t.setPixel(x, y, qRgb((x * 2 + i) & 255, (y * 3) & 255, (x + y + i) & 255));
            files.push_back((folder / (std::to_string(i + 2) + ".bmp")).string());
            t.save(QString::fromStdString(files.back()), "BMP");
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "bench_photolist: no .bmp files in %s\n", folder.c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());

    using Clock = std::chrono::steady_clock;
    auto store = std::make_shared<TRowPictures>();
    std::vector<QString> captions;
    captions.reserve(size_t(rows));
    for (int i = 0; i < rows; ++i) {
        store->AddRow(store->AddFile(files[size_t(i) % files.size()]));
        captions.push_back(QString("Photo %1").arg(i + 2));
    }
    TPhotoList list;
    list.resize(220, 900);
    list.show();
    app.processEvents();
    const auto f0 = Clock::now();
    list.FillFrom(store, captions);
    app.processEvents();
    list.viewport()->repaint();
    const double fill = std::chrono::duration<double>(Clock::now() - f0).count();

    QScrollBar* bar = list.verticalScrollBar();
    std::vector<double> paints;
    for (int v = 0;; v += bar->pageStep()) {
        bar->setValue(std::min(v, bar->maximum()));
        const auto t0 = Clock::now();
        list.viewport()->repaint();
        paints.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (v >= bar->maximum()) break;
    }
    double sum = 0, worst = 0;
    for (double p : paints) {
        sum += p;
        worst = std::max(worst, p);
    }
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("rows %d (pictures from %zu cache files)\n", rows, files.size());
    std::printf("fill_seconds %.3f\n", fill);
    std::printf("pages %zu  paint_mean_ms %.2f  paint_worst_ms %.2f  (target: mean < 16)\n", paints.size(),
                sum / double(paints.size()), worst);
    std::printf("peak_MB %.0f\n", double(u.ru_maxrss) / 1024.0);
    if (!made.empty()) {
        std::error_code ec;
        fs::remove_all(made, ec);
    }
    return 0;
}
