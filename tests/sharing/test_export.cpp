#include <gtest/gtest.h>

#include <filesystem>
#include <QBuffer>
#include <QImageReader>
#include <sys/stat.h>

#include "CatalogTestSupport.h"
#include "JpegCodec.h"
#include "JpegTestSupport.h"
#include "PhotoTestFiles.h"
#include "TAlbumExport.h"
#include "TAlbumView.h"
#include "ZipInspect.h"

using namespace sharing;
using testsupport::ReadAll;
using testsupport::WriteAll;
namespace fs = std::filesystem;

namespace {

// Qt makes its image format plugins on the first thread that reads a picture. Without an
// application object, plugins made on a worker thread (the export decodes on several) keep that
// thread's data, which Qt then frees once per plugin at exit: a double free. Reading once on the
// main thread first, as the program's own start does through its application object, keeps them
// with the main thread.
class QtImagePluginsOnTheMainThread : public ::testing::Environment {
public:
    void SetUp() override {
        QByteArray none("not a picture");
        QBuffer buffer(&none);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        (void)reader.read();
    }
};
[[maybe_unused]] ::testing::Environment* const kQtPlugins =
    ::testing::AddGlobalTestEnvironment(new QtImagePluginsOnTheMainThread);

struct ExportFixture : cattest::Fixture {
    std::string work = tmp.file("work");
    std::string out = tmp.file("out");
    TAlbumExport exporter{messages, work};

    ExportFixture() { fs::create_directories(out); }

    TShareAlbum Album(const std::string& name, int photos, int w = 64, int h = 48) {
        TShareAlbum a;
        a.name = name;
        a.icon = 1;
        for (int i = 1; i <= photos; ++i) {
            TSharePhoto p;
            p.source = MakePhoto("src" + std::to_string(i) + ".jpg", w, h);
            p.name = "Photo " + std::to_string(i);
            p.credit = "Ann";
            p.notes = "note " + std::to_string(i);
            a.photos.push_back(p);
        }
        return a;
    }
    std::vector<std::string> WorkFiles() const {
        std::vector<std::string> names;
        if (fs::exists(work))
            for (const auto& e : fs::directory_iterator(work)) names.push_back(e.path().filename());
        return names;
    }
    zipinspect::Archive Inspect(const std::string& path) const { return zipinspect::Inspect(ReadAll(path)); }
};

std::vector<std::string> Names(const zipinspect::Archive& a) {
    std::vector<std::string> n;
    for (const auto& e : a.entries) n.push_back(e.name);
    return n;
}

struct Recorder : TShareObserver {
    std::vector<std::string> statuses;
    int lastPosition = -1, lastMaximum = -1;
    void OnStatus(const std::string& text) override { statuses.push_back(text); }
    void OnProgress(int position, int maximum) override { lastPosition = position, lastMaximum = maximum; }
};

}  // namespace

TEST(ShareExport, AlbumXmlLineForLine) {
    TShareAlbum a;
    a.name = "Summer";
    a.icon = 3;
    a.photos = {{"", "Beach & sea", "", "a < b > c &amp; d\r\nsecond line"},
                {"", " spaced", "!bang", "x"}};
    const std::string expected =
        "<?xml version=\"1.0\"?>\r\n"
        "\r\n"
        "<album>\r\n"
        "  <settings>\r\n"
        "    <ver>1</ver>\r\n"
        "    <name>Summer</name>\r\n"
        "    <icon>3</icon>\r\n"
        "  </settings>\r\n"
        "\r\n"
        "  <photo>\r\n"
        "    <name>Beach &amp; sea</name>\r\n"
        "    <taker></taker>\r\n"
        "    <note>a &lt; b &gt; c &amp;amp; d\r\nsecond line</note>\r\n"
        "    <file>Summer 1.jpg</file>\r\n"
        "  </photo>\r\n"
        "\r\n"
        "  <photo>\r\n"
        "    <name>&#32;spaced</name>\r\n"
        "    <taker>&#33;bang</taker>\r\n"
        "    <note>x</note>\r\n"
        "    <file>Summer 2.jpg</file>\r\n"
        "  </photo>\r\n"
        "</album>\r\n"
        "\r\n";
    EXPECT_EQ(AlbumXml(a), expected);
    EXPECT_EQ(AlbumXml(a).compare(0, 21, "<?xml version=\"1.0\"?>"), 0);

    // Twelve photos: names without leading zeros.
    a.photos.resize(12);
    const std::string many = AlbumXml(a);
    EXPECT_NE(many.find("    <file>Summer 1.jpg</file>\r\n"), std::string::npos);
    EXPECT_NE(many.find("    <file>Summer 12.jpg</file>\r\n"), std::string::npos);
    EXPECT_EQ(many.find("Summer 01.jpg"), std::string::npos);

    // Icons: 4 or more travel as "custom" when the picture is there, else as the first icon.
    a.icon = 4;
    EXPECT_NE(AlbumXml(a).find("    <icon>0</icon>\r\n"), std::string::npos);
    a.customIcon = QImage(16, 16, QImage::Format_RGB32);
    EXPECT_NE(AlbumXml(a).find("    <icon>custom</icon>\r\n"), std::string::npos);
    EXPECT_EQ(EscapeText(std::string("a\0b", 3)), "ab");
}

TEST(ShareExport, CommentAndShrinkRule) {
    const std::string c = ArchiveComment();
    EXPECT_EQ(c.rfind("Created using Lumavell2. Snap\xB7Organise\xB7Share your world with Lumavell2. Free from ", 0), 0u);
    EXPECT_EQ(c.back(), '.');

    struct Case { int W, H; TShrink s; int w, h; };
    for (const Case& k : std::vector<Case>{{1600, 1200, TShrink::Half, 800, 600},
                                           {1600, 1200, TShrink::Third, 533, 400},
                                           {1600, 1200, TShrink::Quarter, 400, 300},
                                           {1600, 1200, TShrink::None, 1600, 1200},
                                           {1600, 480, TShrink::Quarter, 1600, 480},
                                           {640, 2000, TShrink::Half, 640, 2000},
                                           {641, 481, TShrink::Half, 320, 240}}) {
        int w = 0, h = 0;
        ShrunkSize(k.W, k.H, k.s, w, h);
        EXPECT_EQ(w, k.w) << k.W << "x" << k.H;
        EXPECT_EQ(h, k.h) << k.W << "x" << k.H;
    }

    // Plain pixel selection: every other column and row of a checkerboard is dropped, so the
    // result is one colour, where any averaging would give grey.
    QImage board(8, 6, QImage::Format_RGB32);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) board.setPixel(x, y, ((x + y) % 2) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    QImage half = PickPixels(board, 4, 3);
    ASSERT_EQ(half.size(), QSize(4, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(half.pixel(x, y), qRgb(0, 0, 0));
}


TEST(ShareExport, PackageEntriesCommentAndCleanUp) {
    ExportFixture f;
    TShareAlbum a = f.Album("Trip", 3, 1600, 1200);
    a.icon = 5;
    a.customIcon = QImage(16, 16, QImage::Format_RGB32);
    a.customIcon.fill(qRgb(10, 200, 30));
    Recorder r;
    f.exporter.SetObserver(&r);
    const std::string target = f.out + "/Trip.xal";
    WriteAll(target, "old contents");  // an existing target is replaced
    ASSERT_TRUE(f.exporter.StartSharing(a, TShareMethod::Package, target, TShrink::Half));

    zipinspect::Archive z = f.Inspect(target);
    ASSERT_TRUE(z.ok) << z.error;
    EXPECT_EQ(Names(z), (std::vector<std::string>{"Trip 1.jpg", "Trip 2.jpg", "Trip 3.jpg", "album.xml", "icon.bmp"}));
    EXPECT_EQ(z.comment, ArchiveComment());
    for (const auto& e : z.entries) EXPECT_EQ(e.method, 8) << e.name;  // deflate
    const std::string bytes = ReadAll(target);
    bool ok = false;
    EXPECT_EQ(zipinspect::Data(bytes, z.entries[3], &ok), AlbumXml(a));
    // The copies are new JPEGs at half size; the icon is a 16 x 16 bitmap.
    QImage copy, icon;
    std::string error;
    ASSERT_TRUE(imaging::DecodeJpeg(zipinspect::Data(bytes, z.entries[0], &ok), copy, error)) << error;
    EXPECT_EQ(copy.size(), QSize(800, 600));
    ASSERT_TRUE(icon.loadFromData(QByteArray::fromStdString(zipinspect::Data(bytes, z.entries[4], &ok)), "BMP"));
    EXPECT_EQ(icon.size(), QSize(16, 16));
    EXPECT_EQ(icon.pixel(3, 3), qRgb(10, 200, 30));

    EXPECT_TRUE(f.WorkFiles().empty());
    EXPECT_EQ(r.statuses, (std::vector<std::string>{TAlbumExport::kShrinking, TAlbumExport::kIndexing,
                                                    TAlbumExport::kCompressing, TAlbumExport::kDeleting,
                                                    TAlbumExport::kCompleted}));
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_EQ(f.messages.asked[0].caption, "Complete");
    EXPECT_EQ(f.messages.asked[0].text, TAlbumExport::kDone);
    EXPECT_EQ(f.messages.asked[0].icon, TMsgIcon::Information);
    // Nothing but the target is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(f.out), fs::directory_iterator()), 1);
}

TEST(ShareExport, PlainZipAndNoShrinkStillReencodes) {
    ExportFixture f;
    TShareAlbum a = f.Album("Trip", 2, 1600, 1200);
    a.icon = 5;
    a.customIcon = QImage(16, 16, QImage::Format_RGB32);
    f.exporter.SetThreadCount(1);
    Recorder r;
    f.exporter.SetObserver(&r);
    const std::string target = f.out + "/Trip.zip";
    ASSERT_TRUE(f.exporter.StartSharing(a, TShareMethod::Zip, target, TShrink::None));
    zipinspect::Archive z = f.Inspect(target);
    ASSERT_TRUE(z.ok);
    EXPECT_EQ(Names(z), (std::vector<std::string>{"Trip 1.jpg", "Trip 2.jpg"}));
    EXPECT_EQ(z.comment, ArchiveComment());
    bool ok = false;
    const std::string copy = zipinspect::Data(ReadAll(target), z.entries[0], &ok);
    EXPECT_NE(copy, ReadAll(a.photos[0].source)) << "the source file itself was packed";
    QImage img;
    std::string error;
    ASSERT_TRUE(imaging::DecodeJpeg(copy, img, error));
    EXPECT_EQ(img.size(), QSize(1600, 1200));
    EXPECT_EQ(r.statuses.front(), TAlbumExport::kCopying);
    EXPECT_TRUE(f.WorkFiles().empty());
}

TEST(ShareExport, AlbumWithoutPhotos) {
    ExportFixture f;
    TShareAlbum a = f.Album("Empty", 0);
    ASSERT_FALSE(f.exporter.StartSharing(a, TShareMethod::Zip, f.out + "/Empty.zip", TShrink::None));
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_EQ(f.messages.asked[0].text, TAlbumExport::kNoPhotosForZip);
    EXPECT_FALSE(fs::exists(f.out + "/Empty.zip"));

    ASSERT_TRUE(f.exporter.StartSharing(a, TShareMethod::Package, f.out + "/Empty.xal", TShrink::None));
    zipinspect::Archive z = f.Inspect(f.out + "/Empty.xal");
    ASSERT_TRUE(z.ok);
    EXPECT_EQ(Names(z), std::vector<std::string>{"album.xml"});
    EXPECT_EQ(z.comment, ArchiveComment());
}

TEST(ShareExport, FailuresNameThePhotoAndLeaveTheTargetAlone) {
    ExportFixture f;
    // A copy that cannot be written (a folder stands in its way) fails the whole export.
    TShareAlbum a = f.Album("Trip", 4);
    a.photos[2].name = "Blocked";
    fs::create_directories(f.work + "/Trip 3.jpg/x");
    const std::string target = f.out + "/Trip.xal";
    WriteAll(target, "old contents");
    EXPECT_FALSE(f.exporter.StartSharing(a, TShareMethod::Package, target, TShrink::None));
    ASSERT_EQ(f.messages.asked.size(), 1u);
    const auto& m = f.messages.asked[0];
    EXPECT_EQ(m.icon, TMsgIcon::Error);
    EXPECT_NE(m.text.find("Photo 3"), std::string::npos) << m.text;
    EXPECT_NE(m.text.find("\"Blocked\""), std::string::npos) << m.text;
    EXPECT_NE(m.text.find(a.photos[2].source), std::string::npos) << m.text;
    EXPECT_EQ(ReadAll(target), "old contents");
    fs::remove_all(f.work + "/Trip 3.jpg");
    EXPECT_TRUE(f.WorkFiles().empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(f.out), fs::directory_iterator()), 1);

    // A target folder that does not exist: the message names the target, no work file stays.
    a = f.Album("Trip", 2);
    f.messages.asked.clear();
    const std::string nowhere = f.out + "/no/such/folder/Trip.xal";
    EXPECT_FALSE(f.exporter.StartSharing(a, TShareMethod::Package, nowhere, TShrink::None));
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_NE(f.messages.asked[0].text.find(nowhere), std::string::npos) << f.messages.asked[0].text;
    EXPECT_TRUE(f.WorkFiles().empty());

    // An empty file name.
    f.messages.asked.clear();
    EXPECT_FALSE(f.exporter.StartSharing(a, TShareMethod::Package, "", TShrink::None));
    EXPECT_EQ(f.messages.asked.size(), 1u);
}

// Photos that cannot be read (a file that is no picture, a missing file) are left out; the rest
// are shared under consecutive names, album.xml lists only them, and the completion message
// names the ones left out.
TEST(ShareExport, UnreadablePhotosAreLeftOutAndNamed) {
    ExportFixture f;
    TShareAlbum a = f.Album("Trip", 5);
    WriteAll(a.photos[1].source, "not a picture");
    a.photos[1].name = "Broken";
    a.photos[3].source = "";
    a.photos[3].name = "Gone";
    const std::string target = f.out + "/Trip.xal";
    ASSERT_TRUE(f.exporter.StartSharing(a, TShareMethod::Package, target, TShrink::None)) << f.exporter.LastError();
    EXPECT_EQ(f.exporter.LeftOut(), (std::vector<int>{1, 3}));
    zipinspect::Archive z = f.Inspect(target);
    ASSERT_TRUE(z.ok) << z.error;
    EXPECT_EQ(Names(z), (std::vector<std::string>{"Trip 1.jpg", "Trip 2.jpg", "Trip 3.jpg", "album.xml"}));
    TShareAlbum kept = a;
    kept.photos = {a.photos[0], a.photos[2], a.photos[4]};
    const std::string bytes = ReadAll(target);
    bool ok = false;
    EXPECT_EQ(zipinspect::Data(bytes, z.entries[3], &ok), AlbumXml(kept));
    // The third photo of the album is the second of the package.
    QImage copy, original;
    std::string error;
    ASSERT_TRUE(imaging::DecodeJpeg(zipinspect::Data(bytes, z.entries[1], &ok), copy, error)) << error;
    ASSERT_TRUE(imaging::DecodeJpeg(ReadAll(a.photos[2].source), original, error)) << error;
    EXPECT_EQ(copy.pixel(10, 10), original.pixel(10, 10));
    ASSERT_EQ(f.messages.asked.size(), 1u);
    const auto& m = f.messages.asked[0];
    EXPECT_EQ(m.caption, "Complete");
    EXPECT_EQ(m.text.rfind(TAlbumExport::kDone, 0), 0u) << m.text;
    EXPECT_NE(m.text.find("Photo 2 \"Broken\" (" + a.photos[1].source + ")"), std::string::npos) << m.text;
    EXPECT_NE(m.text.find("Photo 4 \"Gone\""), std::string::npos) << m.text;
    EXPECT_EQ(m.text.find("Photo 3"), std::string::npos) << m.text;
    EXPECT_TRUE(f.WorkFiles().empty());

    // A plain Zip of photos none of which can be read writes nothing.
    TShareAlbum none = f.Album("None", 1);
    none.photos[0].source = "";
    f.messages.asked.clear();
    EXPECT_FALSE(f.exporter.StartSharing(none, TShareMethod::Zip, f.out + "/None.zip", TShrink::None));
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_EQ(f.messages.asked[0].icon, TMsgIcon::Error);
    EXPECT_FALSE(fs::exists(f.out + "/None.zip"));
}

TEST(ShareExport, PythonReadsCommentAndEntryOrder) {
    if (std::system("python3 -c 'import zipfile' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    ExportFixture f;
    TShareAlbum a = f.Album("Trip", 2);
    const std::string target = f.out + "/Trip.xal";
    ASSERT_TRUE(f.exporter.StartSharing(a, TShareMethod::Package, target, TShrink::None));
    const std::string result = f.tmp.file("py.txt");
    const std::string cmd = "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                            "z.testzip() is None or sys.exit(3); "
                            "open(sys.argv[2],'wb').write(z.comment + b'|' + b','.join(i.filename.encode('cp437') for i in z.infolist()))\" '" +
                            target + "' '" + result + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(ReadAll(result), ArchiveComment() + "|Trip 1.jpg,Trip 2.jpg,album.xml");
}

TEST(ShareExport, CollectsTheOpenAlbumFromTheCatalog) {
    cattest::Fixture f;
    fs::create_directories(f.install);
    fs::copy_file(std::string(LUMAVELL_DATA_DIR_FALLBACK) + "/notfound.bmp", f.install + "/notfound.bmp");
    f.OpenFresh();
    TCatalog& c = *f.catalog;
    const std::string p1 = f.MakePhoto("one.jpg", 40, 30);
    const std::string p2 = f.MakePhoto("two.jpg", 40, 30);
    c.CreateAlbumFile("Trip");
    c.OpenAlbum("Trip");
    TCatalog::AddImage(c.CatalogTable(), c.AlbumTable(), 2, "One", p1, "Ann", "first");
    TCatalog::AddImage(c.CatalogTable(), c.AlbumTable(), 3, "Two", p2, "Bob", "second");
    c.AlbumTable().AppendRecord();
    c.AlbumTable().SetValue("ImgID", "99");  // no such photo: the seed record's values
    c.CatalogTable().AppendRecord();
    c.CatalogTable().SetValue("ImgID", "99");
    c.CatalogTable().SetValue("ImgPath", p1);
    c.SaveCatalog();
    c.SaveAlbum("Trip");
    c.AlbumList().insert(c.AlbumList().begin(), "Trip;6");
    c.IconStrip().ClearPictures();
    for (int i = 0; i < 7; ++i) {
        QImage img(16, 16, QImage::Format_RGB32);
        img.fill(qRgb(i * 30, 0, 0));
        c.IconStrip().Add(img);
    }
    TAlbumView view(c);
    view.SetThreadCount(1);
    ASSERT_EQ(view.OpenAlbumLine("Trip;6"), TRefreshResult::Done);
    // The third row was listed with photo 99; now it names an identifier the catalog lacks.
    c.AlbumTable().GoTo(3);
    c.AlbumTable().SetValue("ImgID", "77");

    TShareAlbum a = CollectAlbum(c, view);
    EXPECT_EQ(a.name, "Trip");
    EXPECT_EQ(a.icon, 6);
    EXPECT_EQ(a.customIcon.pixel(0, 0), qRgb(180, 0, 0));
    ASSERT_EQ(a.photos.size(), 3u);
    EXPECT_EQ(a.photos[0].source, p1);
    EXPECT_EQ(a.photos[1].name, "Two");
    EXPECT_EQ(a.photos[1].credit, "Bob");
    EXPECT_EQ(a.photos[1].notes, "second");
    EXPECT_EQ(a.photos[2].name, "nil");  // the seed record
}

TEST(ShareExport, CopiesAreUprightAndCarryNoMetadata) {
    ExportFixture f;
    // A 1600 x 1200 picture stored sideways: orientation 6 turns it a quarter clockwise.
    const std::string jpeg = imagingtest::WithApp1(imagingtest::EncodeWithLibjpeg(imagingtest::Quadrants(1600, 1200)),
                                                   imagingtest::OrientationPayload(6, true));
    TShareAlbum a = f.Album("Turned", 1);
    WriteAll(a.photos[0].source, jpeg);
    const std::string target = f.out + "/Turned.zip";
    ASSERT_TRUE(f.exporter.StartSharing(a, TShareMethod::Zip, target, TShrink::Half));
    zipinspect::Archive z = f.Inspect(target);
    ASSERT_TRUE(z.ok);
    bool ok = false;
    const std::string copy = zipinspect::Data(ReadAll(target), z.entries.at(0), &ok);
    EXPECT_EQ(copy.find("Exif"), std::string::npos);
    QImage img;
    std::string error;
    ASSERT_TRUE(imaging::DecodeJpeg(copy, img, error)) << error;
    // Upright it is 1200 x 1600, and half of that.
    EXPECT_EQ(img.size(), QSize(600, 800));
    // Turned a quarter clockwise, the bottom-left (blue) quadrant is now top-left.
    EXPECT_TRUE(imagingtest::Near(img.pixel(100, 100), imagingtest::kBlue)) << std::hex << img.pixel(100, 100);
}

TEST(ShareExport, PhoneAndCameraPhotosAreSharedAsUprightJpegCopies) {
    ExportFixture f;
    TShareAlbum a = f.Album("Phone", 3);
    a.photos[0].source = f.tmp.file("turned.HEIC");
    ASSERT_TRUE(phototest::MakeHeif(a.photos[0].source, phototest::Scene()));
    ASSERT_TRUE(phototest::RotateHeif(a.photos[0].source, 3));
    a.photos[1].source = f.tmp.file("web.avif");
    ASSERT_TRUE(phototest::MakeHeif(a.photos[1].source, phototest::Scene(), true));
    a.photos[2].source = f.tmp.file("camera.dng");
    phototest::DngOptions six;
    six.orientation = 6;
    WriteAll(a.photos[2].source, phototest::MakeDng(phototest::Scene(), six));
    const std::string target = f.out + "/Phone.zip";
    ASSERT_TRUE(f.exporter.StartSharing(a, TShareMethod::Zip, target, TShrink::None));
    zipinspect::Archive z = f.Inspect(target);
    ASSERT_TRUE(z.ok);
    EXPECT_EQ(Names(z), (std::vector<std::string>{"Phone 1.jpg", "Phone 2.jpg", "Phone 3.jpg"}));
    const std::vector<std::pair<QSize, std::string>> expected = {
        {QSize(48, 64), "rgbb"}, {QSize(64, 48), "gbrb"}, {QSize(48, 64), "rgbb"}};
    for (size_t i = 0; i < expected.size(); ++i) {
        bool ok = false;
        const std::string copy = zipinspect::Data(ReadAll(target), z.entries.at(i), &ok);
        ASSERT_TRUE(ok);
        QImage img;
        std::string error;
        ASSERT_TRUE(imaging::DecodeJpeg(copy, img, error)) << error;
        EXPECT_EQ(img.size(), expected[i].first) << z.entries[i].name;
        EXPECT_EQ(phototest::Corners(img), expected[i].second) << z.entries[i].name;
    }
}

TEST(ShareExport, AnUndecodablePhoneOrCameraPhotoIsNamedLikeABrokenJpeg) {
    ExportFixture f;
    TShareAlbum a = f.Album("Broken", 1);
    a.photos[0].source = f.tmp.file("broken.cr3");
    WriteAll(a.photos[0].source, "this is no camera file");
    const std::string target = f.out + "/Broken.zip";
    EXPECT_FALSE(f.exporter.StartSharing(a, TShareMethod::Zip, target, TShrink::None));
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_NE(f.messages.asked[0].text.find("broken.cr3"), std::string::npos) << f.messages.asked[0].text;
    EXPECT_FALSE(fs::exists(target));
}
