// The album rows' picture store: what comes back is what went in, the pixels stay out of memory
// and out of sight, and a full disk moves them to memory rather than lose the rows.
#include <gtest/gtest.h>

#include <filesystem>

#include "TRowPictures.h"
#include "TestSupport.h"
#include "WriteLimit.h"

namespace fs = std::filesystem;

namespace {

// A 100 x 80 picture that differs from the one of every other tag in every pixel's blue.
QImage Tagged(int tag, int w = 100, int h = 80) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb((x * 41 + tag) & 255, (y * 67) & 255, tag & 255));
    return img;
}

bool Same(const QImage& a, const QImage& b) {
    return a.format() == QImage::Format_RGB32 && a.size() == b.size() &&
           a == b.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TEST(RowPictures, GivesBackEachRowsPictureOnDiskAndInMemory) {
    testsupport::TempDir tmp;
    for (bool disk : {true, false}) {
        TRowPictures store(disk ? std::vector<std::string>{tmp.str()} : std::vector<std::string>{});
        EXPECT_EQ(store.OnDisk(), disk);
        QImage clear(20, 10, QImage::Format_ARGB32);
        clear.fill(qRgba(0, 0, 0, 0));
        clear.setPixel(3, 4, qRgba(10, 200, 30, 255));
        const QImage odd = Tagged(7, 50, 40).convertToFormat(QImage::Format_RGB888);
        const QImage indexed = Tagged(9).convertToFormat(QImage::Format_Indexed8);
        const int a = store.AddPicture(Tagged(1));
        const int b = store.AddPicture(odd);
        const int c = store.AddPicture(clear);
        const int d = store.AddPicture(indexed);
        for (int n : {a, b, a, c, d}) store.AddRow(n);

        ASSERT_EQ(store.size(), 5u);
        EXPECT_EQ(store.PictureCount(), 4u);
        EXPECT_TRUE(Same(store[0], Tagged(1)));
        EXPECT_TRUE(Same(store[1], odd));  // any size, kept as it is
        EXPECT_TRUE(Same(store[2], Tagged(1)));
        EXPECT_TRUE(Same(store[4], indexed));
        // Transparency is drawn on white, as the list shows it.
        EXPECT_EQ(store[3].pixel(0, 0), qRgb(255, 255, 255));
        EXPECT_EQ(store[3].pixel(3, 4), qRgb(10, 200, 30));
        // Rows of one picture share its pixels.
        EXPECT_EQ(store[0].constBits(), store[2].constBits());
        EXPECT_TRUE(store[5].isNull());
    }
    // The file has no name: nothing is left in the folder, during or after.
    EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(RowPictures, ManyRowsHoldAFewBytesEachInMemory) {
    testsupport::TempDir tmp;
    TRowPictures store({tmp.str()});
    const int rows = 3000;
    for (int i = 0; i < rows; ++i) store.AddRow(store.AddPicture(Tagged(i)));
    ASSERT_TRUE(store.OnDisk());
    // 32-bit pictures would be 96 MB; the rows and their places in the file are a few bytes each.
    EXPECT_LT(store.HeldBytes(), size_t(rows) * 64);
    // Every row, read in any order and far more rows than the cache holds, is its own picture.
    for (int i : {0, 2999, 1500, 1, 2998, 0, 777})
        EXPECT_TRUE(Same(store[size_t(i)], Tagged(i))) << i;
    for (int i = 0; i < rows; i += 7) EXPECT_EQ(qBlue(store[size_t(i)].pixel(60, 30)), i & 255) << i;
}

TEST(RowPictures, AFolderThatCannotHoldTheFileFallsBackToTheTemporaryFolder) {
    TRowPictures store({"/no/such/folder"});
    EXPECT_TRUE(store.OnDisk());
    store.AddRow(store.AddPicture(Tagged(3)));
    EXPECT_TRUE(Same(store[0], Tagged(3)));
}

TEST(RowPictures, AFullDiskMovesThePicturesToMemory) {
    testsupport::TempDir tmp;
    TRowPictures store({tmp.str()});
    ASSERT_TRUE(store.OnDisk());
    store.AddRow(store.AddPicture(Tagged(1)));
    {
        testsupport::TWriteLimit limit(2 * 100 * 80 * 3 + 1000);  // room for one more picture and a bit
        store.AddRow(store.AddPicture(Tagged(2)));
        EXPECT_TRUE(store.OnDisk());
        store.AddRow(store.AddPicture(Tagged(3)));
        EXPECT_FALSE(store.OnDisk());
    }
    store.AddRow(store.AddPicture(Tagged(4)));
    EXPECT_FALSE(store.OnDisk());
    ASSERT_EQ(store.size(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Same(store[size_t(i)], Tagged(i + 1))) << i;
    EXPECT_GE(store.HeldBytes(), size_t(4) * 100 * 80 * 3);
}
