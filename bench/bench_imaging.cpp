// Decode and thumbnail speed of the imaging module. The album view makes each uncached
// thumbnail with LoadJpeg(path, img, err, 100, 80) + StretchTo(img, 100, 80), one file per core.
//
// Synthetic photos are always measured; the JPEGs of Debian's mate-backgrounds package
// (/usr/share/backgrounds/mate), when installed, are measured one by one and as the whole set
// on two threads, the figure to compare with `vipsthumbnail --size 100x80!` on the same files.

#include "JpegCodec.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

// A photo-like picture: smooth gradients with fine texture, so the entropy coder has real work.
QImage SyntheticPhoto(int width, int height) {
    QImage img(width, height, QImage::Format_RGB32);
    unsigned seed = 1;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int n = int(seed >> 28);
            row[x] = qRgb(std::min(255, x * 255 / width + n), std::min(255, y * 255 / height + n),
                          std::min(255, 128 + ((x ^ y) & 63) + n));
        }
    }
    return img;
}

const std::string& SyntheticJpeg() {
    static const std::string bytes = [] {
        std::string out, error;
        imaging::EncodeJpeg(SyntheticPhoto(4000, 3000), out, error);
        return out;
    }();
    return bytes;
}

std::vector<std::string> MateJpegs() {
    std::vector<std::string> files;
    const std::filesystem::path root = "/usr/share/backgrounds/mate";
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec)) return files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root, ec)) {
        const auto ext = e.path().extension().string();
        if (e.is_regular_file() && (ext == ".jpg" || ext == ".jpeg"))
            files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool Thumbnail(const std::string& path) {
    QImage img;
    std::string error;
    if (!imaging::LoadJpeg(path, img, error, 100, 80)) return false;
    return imaging::StretchTo(img, 100, 80).width() == 100;
}

void BM_SyntheticFullDecode(benchmark::State& state) {
    for (auto _ : state) {
        QImage img;
        std::string error;
        benchmark::DoNotOptimize(imaging::DecodeJpeg(SyntheticJpeg(), img, error));
    }
    state.SetLabel("4000x3000 baseline, full size");
}
BENCHMARK(BM_SyntheticFullDecode)->Unit(benchmark::kMillisecond);

void BM_SyntheticThumbnail(benchmark::State& state) {
    for (auto _ : state) {
        QImage img;
        std::string error;
        imaging::DecodeJpeg(SyntheticJpeg(), img, error, 100, 80);
        benchmark::DoNotOptimize(imaging::StretchTo(img, 100, 80));
    }
    state.SetLabel("4000x3000 baseline -> 100x80");
}
BENCHMARK(BM_SyntheticThumbnail)->Unit(benchmark::kMillisecond);

void BM_StretchOnly(benchmark::State& state) {
    const QImage eighth = SyntheticPhoto(705, 397);  // 5640x3172 at 1/8
    for (auto _ : state) benchmark::DoNotOptimize(imaging::StretchTo(eighth, 100, 80));
}
BENCHMARK(BM_StretchOnly)->Unit(benchmark::kMicrosecond);

void BM_MateFile(benchmark::State& state, const std::string& path) {
    for (auto _ : state)
        if (!Thumbnail(path)) state.SkipWithError("decode failed");
}

// The whole set on two threads, each taking the next file; a failure counts as an error.
void BM_MateSetTwoThreads(benchmark::State& state, const std::vector<std::string>& files) {
    for (auto _ : state) {
        std::atomic<size_t> next{0};
        std::atomic<int> failures{0};
        auto worker = [&] {
            for (size_t i; (i = next++) < files.size();)
                if (!Thumbnail(files[i])) ++failures;
        };
        std::thread other(worker);
        worker();
        other.join();
        if (failures) state.SkipWithError("a decode failed");
    }
    state.SetLabel(std::to_string(files.size()) + " files");
}

}  // namespace

int main(int argc, char** argv) {
    const auto files = MateJpegs();
    for (const auto& f : files)
        benchmark::RegisterBenchmark(
            ("BM_MateFile/" + std::filesystem::path(f).filename().string()).c_str(), BM_MateFile, f)
            ->Unit(benchmark::kMillisecond);
    if (!files.empty())
        benchmark::RegisterBenchmark("BM_MateSetTwoThreads", BM_MateSetTwoThreads, files)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
