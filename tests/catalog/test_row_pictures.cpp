// The album rows' picture store: what comes back is what went in, pixel for pixel, whether it is
// read from a cache file or from compressed memory; nothing is written; a cache file that goes
// away or is damaged before its row is painted shows the unreadable picture.
#include <gtest/gtest.h>

#include <QFile>
#include <filesystem>
#include <fstream>
#include <random>

#include "JpegCodec.h"
#include "PlaceholderPictures.h"
#include "TRowPictures.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

// A 100 x 80 picture that differs from the one of every other tag in every pixel's blue.
QImage Tagged(int tag, int w = 100, int h = 80) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb((x * 41 + tag) & 255, (y * 67) & 255, tag & 255));
    return img;
}

// Noise: the worst case for any compressor, and every byte value in every channel.
QImage Noise(unsigned seed) {
    std::mt19937 gen(seed);
    QImage img(100, 80, QImage::Format_RGB32);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) img.setPixel(x, y, qRgb(gen() & 255, gen() & 255, gen() & 255));
    return img;
}

bool Same(const QImage& a, const QImage& b) {
    return a.format() == QImage::Format_RGB32 && a.size() == b.size() &&
           a == b.convertToFormat(QImage::Format_RGB32);
}

std::string SaveBmp(const testsupport::TempDir& tmp, const std::string& name, const QImage& img) {
    std::string error;
    EXPECT_TRUE(imaging::SaveBmp(img, tmp.file(name), error)) << error;
    return tmp.file(name);
}

// Bytes this process has handed to write calls so far.
long long BytesWritten() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "wchar:") return value;
    return -1;
}

}  // namespace

TEST(RowPictures, GivesBackEachPicturePixelExactFromMemoryAndFromItsFile) {
    testsupport::TempDir tmp;
    TRowPictures store;
    QImage clear(20, 10, QImage::Format_ARGB32);
    clear.fill(qRgba(0, 0, 0, 0));
    clear.setPixel(3, 4, qRgba(10, 200, 30, 255));
    const QImage odd = Tagged(7, 50, 40).convertToFormat(QImage::Format_RGB888);
    const QImage indexed = Tagged(9).convertToFormat(QImage::Format_Indexed8);
    const int a = store.AddPicture(Tagged(1));
    const int b = store.AddPicture(odd);
    const int c = store.AddPicture(clear);
    const int d = store.AddPicture(indexed);
    const int e = store.AddPicture(Noise(5));
    const int f = store.AddFile(SaveBmp(tmp, "6.bmp", Noise(6)));
    const int g = store.AddFile(SaveBmp(tmp, "7.bmp", Tagged(7, 30, 20)));
    for (int n : {a, b, a, c, d, e, f, g, f}) store.AddRow(n);

    ASSERT_EQ(store.size(), 9u);
    EXPECT_EQ(store.PictureCount(), 7u);
    EXPECT_FALSE(store.InFile(a));
    EXPECT_TRUE(store.InFile(f));
    EXPECT_TRUE(Same(store[0], Tagged(1)));
    EXPECT_TRUE(Same(store[1], odd));  // any size, kept as it is
    EXPECT_TRUE(Same(store[2], Tagged(1)));
    EXPECT_TRUE(Same(store[4], indexed));
    EXPECT_TRUE(Same(store[5], Noise(5)));
    EXPECT_TRUE(Same(store[6], Noise(6)));
    EXPECT_TRUE(Same(store[7], Tagged(7, 30, 20)));
    // Transparency is drawn on white, as the list shows it.
    EXPECT_EQ(store[3].pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(store[3].pixel(3, 4), qRgb(10, 200, 30));
    // Rows of one picture share its pixels.
    EXPECT_EQ(store[0].constBits(), store[2].constBits());
    EXPECT_EQ(store[6].constBits(), store[8].constBits());
    EXPECT_TRUE(store[9].isNull());
}

TEST(RowPictures, ManyRowsHoldAFewBytesEachAndWriteNothing) {
    testsupport::TempDir tmp;
    const int rows = 3000;
    std::vector<std::string> files;
    for (int i = 0; i < 40; ++i) files.push_back(SaveBmp(tmp, std::to_string(i + 1) + ".bmp", Tagged(i)));
    const auto before = BytesWritten();
    {
        TRowPictures store;
        for (int i = 0; i < rows; ++i) store.AddRow(store.AddFile(files[size_t(i % 40)]));
        // 32-bit pictures would be 96 MB; a row is its number and its file's name (with the
        // room the containers keep for growth).
        EXPECT_LT(store.HeldBytes(), size_t(rows) * 2 * (32 + files[0].size()));
        for (int i : {0, 2999, 1500, 1, 2998, 0, 777})
            EXPECT_TRUE(Same(store[size_t(i)], Tagged(i % 40))) << i;
        for (int i = 0; i < rows; i += 7) EXPECT_EQ(qBlue(store[size_t(i)].pixel(60, 30)), (i % 40) & 255) << i;

        // Pictures only in memory are compressed: a smooth one to a small part of its pixels.
        TRowPictures memory;
        QImage smooth(100, 80, QImage::Format_RGB32);
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 100; ++x) smooth.setPixel(x, y, qRgb(x * 2, y * 3, 128));
        for (int i = 0; i < 100; ++i) memory.AddRow(memory.AddPicture(smooth));
        EXPECT_LT(memory.HeldBytes(), size_t(100) * 100 * 80 * 3 / 10);
        EXPECT_TRUE(Same(memory[99], smooth));
    }
    // Nothing went to any file (a few bytes of test output at most).
    EXPECT_LT(BytesWritten() - before, 16 * 1024);
}

TEST(RowPictures, ACacheFileGoneOrDamagedBeforeThePaintShowsTheUnreadablePicture) {
    testsupport::TempDir tmp;
    const std::string path = SaveBmp(tmp, "2.bmp", Tagged(2));
    const QImage unreadable = UnreadablePhotoPicture();
    for (int damage = 0; damage < 3; ++damage) {
        TRowPictures store;
        store.AddRow(store.AddFile(path));
        const std::string good = [&] {
            std::ifstream in(path, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        }();
        if (damage == 0) fs::remove(path);
        if (damage == 1) fs::resize_file(path, good.size() / 2);
        if (damage == 2) std::ofstream(path, std::ios::binary | std::ios::trunc) << "BM not a picture";
        const QImage shown = store[0];
        EXPECT_FALSE(shown.isNull()) << damage;
        EXPECT_EQ(shown, unreadable) << damage;
        // Put back, the file is shown again.
        std::ofstream(path, std::ios::binary | std::ios::trunc) << good;
        EXPECT_TRUE(Same(store[0], Tagged(2))) << damage;
    }
}

TEST(RowPictures, APictureMovedToItsFileGivesUpItsMemory) {
    testsupport::TempDir tmp;
    TRowPictures store;
    const int n = store.AddPicture(Noise(1));
    store.AddRow(n);
    const size_t held = store.HeldBytes();
    EXPECT_GT(held, size_t(100) * 80 * 2);  // noise does not compress
    store.MoveToFile(n, SaveBmp(tmp, "9.bmp", Noise(1)));
    EXPECT_TRUE(store.InFile(n));
    EXPECT_LT(store.HeldBytes() + size_t(100) * 80 * 2, held);
    EXPECT_TRUE(Same(store[0], Noise(1)));
}
