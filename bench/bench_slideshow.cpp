// Slideshow steps: how long a tick waits, from the timer firing until the next photo's picture
// is ready to draw (decoded upright, placed by the display rule and scaled for the screen), for
// the JPEGs of Debian's mate-backgrounds package on a 1920 x 1080 screen. The show runs twice:
// once decoding the next photo ahead on the worker thread while the current one is on screen,
// once decoding at the tick. Per step and as median and worst.
//
//   bench_slideshow [photo folder] [seconds each photo is on screen, default 5 as the show's]
//
// Plain timing rather than Google Benchmark: a step's cost depends on the show before it, and
// the figures wanted are per step.

#include "TSlideLoader.h"
#include "TSlideshow.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct TRun {
    std::vector<double> ms;  // per step
    double Median() const {
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        return v.empty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
    }
    double Worst() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

// Shows the first photo, then ticks through every photo once (the last tick wraps to the first),
// each on screen for `shown` before the next tick, as the slideshow window does.
TRun RunShow(const std::vector<std::string>& paths, bool ahead, std::chrono::milliseconds shown) {
    viewer::TSlideLoader loader(1920, 1080, false, ahead);
    viewer::TSlideSequence show(paths);
    TRun run;
    if (!loader.Take(show.CurrentPath()).ok) std::fprintf(stderr, "cannot read %s\n", show.CurrentPath().c_str());
    viewer::PrepareAround(loader, show);
    for (int step = 0; step < show.Count(); ++step) {
        std::this_thread::sleep_for(shown);
        const auto tick = Clock::now();
        show.Forward();
        const viewer::TSlideFrame frame = loader.Take(show.CurrentPath());
        run.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - tick).count());
        if (!frame.ok) std::fprintf(stderr, "cannot read %s: %s\n", show.CurrentPath().c_str(), frame.error.c_str());
        viewer::PrepareAround(loader, show);
    }
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    // Options meant for the other benchmarks (--benchmark_...) are passed to every one; skip them.
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).rfind("--", 0) != 0) args.push_back(argv[i]);
    const std::string folder = args.size() > 0 ? args[0] : "/usr/share/backgrounds/mate";
    const int seconds = args.size() > 1 ? std::max(0, std::atoi(args[1].c_str())) : 5;
    std::vector<std::string> paths;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        const std::string p = it->path().string();
        if (it->is_regular_file() && (p.ends_with(".jpg") || p.ends_with(".jpeg"))) paths.push_back(p);
    }
    std::sort(paths.begin(), paths.end());
    if (paths.empty()) {
        std::printf("bench_slideshow: no JPEG photos under %s (apt-get install mate-backgrounds); skipped\n",
                    folder.c_str());
        return 0;
    }
    std::printf("%zu photos, 1920 x 1080, each on screen %d s before the next tick\n\n", paths.size(), seconds);
    RunShow(paths, false, std::chrono::milliseconds(0));  // warm the page cache
    const TRun ahead = RunShow(paths, true, std::chrono::seconds(seconds));
    // Decoding at the tick does not depend on how long the photo before was on screen.
    const TRun atTick = RunShow(paths, false, std::chrono::milliseconds(0));
    std::printf("%-4s %-44s %12s %12s\n", "step", "photo", "ahead (ms)", "at tick (ms)");
    viewer::TSlideSequence order(paths);
    for (std::size_t i = 0; i < ahead.ms.size(); ++i) {
        order.Forward();
        const std::string name = std::filesystem::path(order.CurrentPath()).filename().string();
        std::printf("%-4zu %-44s %12.2f %12.2f\n", i + 1, name.c_str(), ahead.ms[i], atTick.ms[i]);
    }
    std::printf("\n%-49s %12.2f %12.2f\n", "median", ahead.Median(), atTick.Median());
    std::printf("%-49s %12.2f %12.2f\n", "worst", ahead.Worst(), atTick.Worst());
    return 0;
}
