// Phone and camera photo thumbnails: the helper of bench/photos.sh.
//   bench_photos dng JPEG OUT.dng      writes a camera RAW (DNG) file of the JPEG's picture: raw
//                                      mosaic data and the JPEG itself as embedded preview
//   bench_photos thumbs FILE...        makes the 100 x 80 thumbnail of every file, one after the
//                                      other as the import list does on one core, three times,
//                                      and prints the best time: "seconds <s>"
#include "JpegCodec.h"
#include "PhotoTestFiles.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    std::string error;
    if (mode == "dng" && argc == 4) {
        QImage picture;
        if (!imaging::LoadPicture(argv[2], picture, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        phototest::DngOptions options;
        options.preview = picture;
        options.jpegPreview = testsupport::ReadAll(argv[2]);
        testsupport::WriteAll(argv[3], phototest::MakeDng(picture, options));
        return 0;
    }
    if (mode == "thumbs" && argc > 2) {
        double best = -1;
        for (int run = 0; run < 3; ++run) {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 2; i < argc; ++i) {
                QImage full;
                if (!imaging::LoadPicture(argv[i], full, error, 100, 80)) {
                    std::fprintf(stderr, "%s\n", error.c_str());
                    return 1;
                }
                if (imaging::StretchTo(full, 100, 80).isNull()) return 1;
            }
            const double s =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (best < 0 || s < best) best = s;
        }
        std::printf("seconds %.4f\n", best);
        return 0;
    }
    // Run without arguments (./build.sh bench runs every benchmark so): point at the script.
    std::printf("bench_photos: run bench/photos.sh (usage: bench_photos dng JPEG OUT.dng | "
                "bench_photos thumbs FILE...)\n");
    return mode.empty() ? 0 : 2;
}
