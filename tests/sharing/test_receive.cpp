#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <zip.h>

#include "CatalogTestSupport.h"
#include "JpegCodec.h"
#include "TAlbumExport.h"
#include "TAlbumReceive.h"

using namespace sharing;
using testsupport::ReadAll;
using testsupport::WriteAll;
namespace fs = std::filesystem;

namespace {

// The package with the size its central directory states for one entry replaced: the engine
// must refuse on that figure alone, before reading any data.
std::string ClaimSize(std::string zip, const std::string& name, std::uint32_t size) {
    for (std::size_t at = zip.find("PK\x01\x02"); at != std::string::npos; at = zip.find("PK\x01\x02", at + 4)) {
        const std::size_t length = std::uint8_t(zip[at + 28]) | std::uint8_t(zip[at + 29]) << 8;
        if (zip.compare(at + 46, length, name) != 0) continue;
        for (int i = 0; i < 4; ++i) zip[at + 24 + i] = char((size >> (8 * i)) & 0xFF);
    }
    return zip;
}

const char* kHead =
    "<?xml version=\"1.0\"?>\r\n\r\n<album>\r\n  <settings>\r\n    <ver>1</ver>\r\n";

std::string Photo(const std::string& name, const std::string& taker, const std::string& note,
                  const std::string& file) {
    return "\r\n  <photo>\r\n    <name>" + name + "</name>\r\n    <taker>" + taker + "</taker>\r\n    <note>" +
           note + "</note>\r\n    <file>" + file + "</file>\r\n  </photo>\r\n";
}

std::string Index(const std::string& album, const std::string& icon, const std::string& photos) {
    return kHead + ("    <name>" + album + "</name>\r\n    <icon>" + icon + "</icon>\r\n  </settings>\r\n") + photos +
           "</album>\r\n\r\n";
}

// Every file below a folder, relative to it, sorted.
std::vector<std::string> Tree(const fs::path& root) {
    std::vector<std::string> names;
    if (!fs::exists(root)) return names;
    for (const auto& e : fs::recursive_directory_iterator(root)) names.push_back(fs::relative(e.path(), root));
    std::sort(names.begin(), names.end());
    return names;
}

// The names directly in a folder, sorted.
std::vector<std::string> Top(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

struct ReceiveFixture : cattest::Fixture {
    TAlbumReceive receive{*catalog};
    std::string pictures = docs + "/My Pictures/";

    ReceiveFixture() {
        OpenFresh();
        catalog->LoadAlbumList();
        std::string error;
        EXPECT_TRUE(catalog->LoadIconStrip(std::string(LUMAVELL_DATA_DIR_FALLBACK) + "/defaults.iml", &error)) << error;
    }
    // A package of stored entries at tmp/<name>.
    std::string Package(const std::string& name, const std::vector<std::pair<std::string, std::string>>& entries) {
        const std::string path = tmp.file(name);
        WriteAll(path, cattest::MakeStoredZip(entries));
        return path;
    }
    std::string Jpeg(int w = 20, int h = 10) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(qRgb(200, 100, 50));
        std::string bytes, error;
        imaging::EncodeJpeg(img, bytes, error);
        return bytes;
    }
    // The files of the catalog root (without the thumbnail folder).
    std::map<std::string, std::string> RootFiles() const {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::directory_iterator(catalog->Root()))
            if (e.is_regular_file()) files[e.path().filename()] = ReadAll(e.path());
        return files;
    }
};

}  // namespace

TEST(ShareReceive, NamesAreMadeSafe) {
    EXPECT_EQ(PackageBaseName("/home/ann/Mail/Trip.xal"), "Trip");
    EXPECT_EQ(PackageBaseName("Trip.xal"), "Trip");
    EXPECT_EQ(PackageBaseName("/x/Trip.2024.xal"), "Trip.2024");
    EXPECT_EQ(PackageBaseName("/x/noext"), "noext");
    EXPECT_EQ(PackageBaseName("/x/..xal"), "_");
    EXPECT_EQ(PackageBaseName("/x/.xal"), ".xal");
    EXPECT_EQ(SafeName("../../evil", "F"), ".._.._evil");
    EXPECT_EQ(SafeName("..", "F"), "_");
    EXPECT_EQ(SafeName("a;b|c*d?e<f>g\"h&i\\j\x01k\x7f", "F"), "a_b_c_d_e_f_g_h_i_j_k_");
    EXPECT_EQ(SafeName("", "F"), "F");
    EXPECT_EQ(SafeName("   ", "F"), "F");
    EXPECT_EQ(SafeName(std::string(300, 'a'), "F").size(), 200u);
}

TEST(ShareReceive, RoundTripKeepsEverything) {
    ReceiveFixture f;
    // Export an album with awkward texts and a custom icon of another size.
    TShareAlbum a;
    a.name = "Trip";
    a.icon = 4;
    a.customIcon = QImage(32, 32, QImage::Format_RGB32);
    a.customIcon.fill(qRgb(0, 128, 255));
    a.photos = {{f.MakePhoto("a.jpg", 50, 40), "Sea & sand", "Ann <ann@example.org>", "a < b > c & d &amp; e"},
                {f.MakePhoto("b.jpg", 50, 40), " leading space", "", "line one\r\nline two"},
                {f.MakePhoto("c.jpg", 50, 40), "!bang", "Bob", ""}};
    TAlbumExport exporter(f.messages, f.tmp.file("work"));
    const std::string package = f.tmp.file("Trip.xal");
    ASSERT_TRUE(exporter.StartSharing(a, TShareMethod::Package, package, TShrink::None));
    f.messages.asked.clear();

    // The catalog's last record is 41.
    TMlb2& cat = f.catalog->CatalogTable();
    cat.AppendRecord();
    cat.SetValue("ImgID", "41");
    ASSERT_TRUE(f.catalog->SaveCatalog());
    const int stripBefore = f.catalog->IconStrip().Count();

    struct Seen : TReceiveObserver {
        std::vector<std::string> statuses;
        std::string name;
        QImage icon;
        void OnStatus(const std::string& t) override { statuses.push_back(t); }
        void OnAlbumName(const std::string& n) override { name = n; }
        void OnIcon(const QImage& i) override { icon = i; }
    } seen;
    f.receive.SetObserver(&seen);
    ASSERT_TRUE(f.receive.Receive(package)) << f.receive.LastError();
    EXPECT_TRUE(f.messages.asked.empty());
    EXPECT_EQ(seen.statuses, (std::vector<std::string>{TAlbumReceive::kExtracting, TAlbumReceive::kParsing,
                                                       TAlbumReceive::kImporting, TAlbumReceive::kCompleted}));
    EXPECT_EQ(seen.name, "Trip");
    EXPECT_EQ(seen.icon.size(), QSize(16, 16));

    const std::string folder = f.pictures + "Trip/";
    EXPECT_EQ(f.receive.ExtractionFolder(), folder);
    EXPECT_EQ(Tree(folder), (std::vector<std::string>{"Trip 1.jpg", "Trip 2.jpg", "Trip 3.jpg"}));
    EXPECT_EQ(f.receive.PhotoIds(), (std::vector<int>{42, 43, 44}));

    // The catalog on disk holds the three photos with their texts.
    TMlb2 saved;
    ASSERT_TRUE(saved.LoadFromMLB(f.Root() + "data.mlb"));
    ASSERT_EQ(saved.RecordCount(), 5);
    const std::vector<std::vector<std::string>> expected = {
        {"42", "Sea & sand", "Ann <ann@example.org>", "a < b > c & d &amp; e", "Trip 1.jpg"},
        {"43", " leading space", "", "line oneline two", "Trip 2.jpg"},
        {"44", "!bang", "Bob", "", "Trip 3.jpg"}};
    for (int i = 0; i < 3; ++i) {
        saved.GoTo(i + 3);
        EXPECT_EQ(saved.GetValue("ImgID"), expected[i][0]);
        EXPECT_EQ(saved.GetValue("ImgName"), expected[i][1]);
        EXPECT_EQ(saved.GetValue("ImgCredit"), expected[i][2]);
        EXPECT_EQ(saved.GetValue("ImgKeys"), expected[i][3]);
        EXPECT_EQ(saved.GetValue("ImgPath"), folder + expected[i][4]);
    }
    TMlb2 album;
    ASSERT_TRUE(album.LoadFromMLB(f.Root() + "Trip.col"));
    ASSERT_EQ(album.RecordCount(), 3);
    for (int i = 1; i <= 3; ++i) {
        album.GoTo(i);
        EXPECT_EQ(album.GetValue("ImgID"), std::to_string(41 + i));
    }
    // The icon joined the strip, which was saved; the album line stands before the reserved one.
    EXPECT_EQ(f.catalog->IconStrip().Count(), stripBefore + 1);
    EXPECT_EQ(f.receive.IconIndex(), stripBefore);
    TIconStrip onDisk;
    ASSERT_TRUE(onDisk.LoadFromFile(f.Root() + "icons.pdat"));
    EXPECT_EQ(onDisk.Count(), stripBefore + 1);
    EXPECT_EQ(onDisk.Picture(stripBefore).pixel(5, 5), qRgb(0, 128, 255));
    EXPECT_EQ(f.catalog->AlbumList(),
              (std::vector<std::string>{"Trip;" + std::to_string(stripBefore), TCatalog::kReservedAlbumLine}));
    // The album list on disk names the album at once: a crash now does not lose it.
    EXPECT_EQ(ReadAll(f.Root() + "albums.pdat"), "Trip;" + std::to_string(stripBefore) + "\r\n");

    // The same package again: a new folder "Trip 1" and the album "Trip (1)".
    ASSERT_TRUE(f.receive.Receive(package));
    EXPECT_EQ(f.receive.ExtractionFolder(), f.pictures + "Trip 1/");
    EXPECT_EQ(f.receive.AlbumName(), "Trip (1)");
    EXPECT_EQ(f.receive.PhotoIds(), (std::vector<int>{45, 46, 47}));
    fs::create_directories(f.pictures + "Trip 2");
    WriteAll(f.Root() + "Trip (2).col", "");
    ASSERT_TRUE(f.receive.Receive(package));
    EXPECT_EQ(f.receive.ExtractionFolder(), f.pictures + "Trip 3/");
    EXPECT_EQ(f.receive.AlbumName(), "Trip (3)");
}

TEST(ShareReceive, NumericIconAndNameCounters) {
    ReceiveFixture f;
    const std::string pkg = f.Package("Holiday.xal", {{"Holiday 1.jpg", f.Jpeg()},
                                                      {"album.xml", Index("Trip", "2", Photo("One", "", "n", "Holiday 1.jpg"))}});
    WriteAll(f.Root() + "Trip.col", "");
    const int stripBefore = f.catalog->IconStrip().Count();
    ASSERT_TRUE(f.receive.Receive(pkg));
    // The folder and the album name are chosen independently.
    EXPECT_EQ(f.receive.ExtractionFolder(), f.pictures + "Holiday/");
    EXPECT_EQ(f.receive.AlbumName(), "Trip (1)");
    EXPECT_EQ(f.catalog->AlbumList().front(), "Trip (1);2");
    EXPECT_EQ(f.catalog->IconStrip().Count(), stripBefore);
    EXPECT_FALSE(fs::exists(f.Root() + "icons.pdat"));
    // An album named like the reserved search results gets a counter too.
    EXPECT_EQ(f.receive.ChooseAlbumName("Search Results"), "Search Results (1)");
    EXPECT_EQ(f.receive.ChooseAlbumName("Trip (1)"), "Trip (1) (1)");
    EXPECT_EQ(f.receive.ChooseFolder("Holiday"), f.pictures + "Holiday 1/");
}

TEST(ShareReceive, WrongVersion) {
    ReceiveFixture f;
    std::string xml = Index("Trip", "1", Photo("One", "", "", "x.jpg"));
    xml.replace(xml.find("<ver>1"), 6, "<ver>2");
    const std::string pkg = f.Package("Trip.xal", {{"x.jpg", f.Jpeg()}, {"album.xml", xml}});
    const auto before = f.RootFiles();
    EXPECT_FALSE(f.receive.Receive(pkg));
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_EQ(f.messages.asked[0].caption, "Wrong Version");
    EXPECT_EQ(f.messages.asked[0].icon, TMsgIcon::Warning);
    EXPECT_EQ(f.messages.asked[0].text,
              std::string("The version of this Shared Album is not supported in this version of Lumavell. Please visit ") +
                  kMakerSite + " to download the latest version of Lumavell.");
    EXPECT_EQ(f.RootFiles(), before);
    EXPECT_EQ(f.catalog->AlbumList(), std::vector<std::string>{TCatalog::kReservedAlbumLine});
    // Nothing of the package is left behind.
    EXPECT_FALSE(fs::exists(f.pictures + "Trip"));
}

TEST(ShareReceive, BrokenPackagesChangeNothing) {
    ReceiveFixture f;
    const auto before = f.RootFiles();
    const int records = f.catalog->CatalogTable().RecordCount();
    struct Case {
        std::string what;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    const std::string good = Photo("One", "", "", "a.jpg");
    std::vector<Case> cases = {
        {"no album.xml", {{"a.jpg", f.Jpeg()}}},
        {"few tokens", {{"album.xml", "<a>b</a>"}}},
        {"icon not a number", {{"album.xml", Index("Trip", "two", good)}}},
        {"icon.bmp missing", {{"album.xml", Index("Trip", "custom", good)}}},
        {"icon.bmp not a picture", {{"album.xml", Index("Trip", "custom", good)}, {"icon.bmp", "junk"}}},
        {"too many elements", {{"album.xml", Index("Trip", "1", good) + std::string(3 * 1000001, '<')}}},
    };
    for (const Case& c : cases) {
        f.messages.asked.clear();
        const std::string pkg = f.Package("Trip.xal", c.entries);
        EXPECT_FALSE(f.receive.Receive(pkg)) << c.what;
        ASSERT_EQ(f.messages.asked.size(), 1u) << c.what;
        EXPECT_EQ(f.messages.asked[0].caption, "Receive");
        EXPECT_NE(f.messages.asked[0].text.find(pkg), std::string::npos) << f.messages.asked[0].text;
        EXPECT_EQ(f.RootFiles(), before) << c.what;
        EXPECT_EQ(f.catalog->CatalogTable().RecordCount(), records) << c.what;
        EXPECT_EQ(f.catalog->AlbumList(), std::vector<std::string>{TCatalog::kReservedAlbumLine}) << c.what;
        // The folder made for it is gone with everything unpacked into it.
        EXPECT_EQ(Top(f.pictures), std::vector<std::string>{"My Albums"}) << c.what;
    }
    // Not a Zip, and no file at all: no folder is left behind.
    f.messages.asked.clear();
    WriteAll(f.tmp.file("Junk.xal"), "this is not an archive");
    EXPECT_FALSE(f.receive.Receive(f.tmp.file("Junk.xal")));
    EXPECT_FALSE(f.receive.Receive(f.tmp.file("Missing.xal")));
    EXPECT_EQ(f.messages.asked.size(), 2u);
    EXPECT_FALSE(fs::exists(f.pictures + "Junk"));
    EXPECT_FALSE(fs::exists(f.pictures + "Missing"));
    EXPECT_EQ(f.RootFiles(), before);
}

TEST(ShareReceive, FailedWriteIsUndone) {
    ReceiveFixture f;
    const std::string pkg = f.Package("Trip.xal", {{"a.jpg", f.Jpeg()},
                                                   {"icon.bmp", ""},
                                                   {"album.xml", Index("Trip", "custom", Photo("One", "", "", "a.jpg"))}});
    // A valid icon, and an icon strip file that cannot be replaced (a folder stands in its way).
    QImage icon(16, 16, QImage::Format_RGB32);
    icon.fill(Qt::red);
    std::string error;
    ASSERT_TRUE(imaging::SaveBmp(icon, f.tmp.file("icon.bmp"), error));
    WriteAll(pkg, cattest::MakeStoredZip({{"a.jpg", f.Jpeg()},
                                          {"icon.bmp", ReadAll(f.tmp.file("icon.bmp"))},
                                          {"album.xml", Index("Trip", "custom", Photo("One", "", "", "a.jpg"))}}));
    fs::create_directories(f.Root() + "icons.pdat/blocked");
    const auto before = f.RootFiles();
    const int strip = f.catalog->IconStrip().Count();
    EXPECT_FALSE(f.receive.Receive(pkg));
    // One message, naming the package and the file that could not be written.
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_NE(f.messages.asked[0].text.find(pkg), std::string::npos);
    EXPECT_NE(f.messages.asked[0].text.find("icons.pdat"), std::string::npos);
    EXPECT_EQ(f.RootFiles(), before);
    EXPECT_FALSE(fs::exists(f.Root() + "Trip.col"));
    EXPECT_EQ(f.catalog->IconStrip().Count(), strip);
    EXPECT_EQ(f.catalog->CatalogTable().RecordCount(), 1);
    EXPECT_EQ(f.catalog->AlbumList(), std::vector<std::string>{TCatalog::kReservedAlbumLine});
    // The unpacked photo goes with its folder.
    EXPECT_FALSE(fs::exists(f.pictures + "Trip"));
}

TEST(ShareReceive, HostilePackagesStayInTheirFolders) {
    ReceiveFixture f;
    const std::string pkg = f.Package(
        "Evil.xal", {{"../../x", "escaped"},
                     {"/abs/y.jpg", f.Jpeg()},
                     {"album.xml", Index("../../evil", "1",
                                         Photo("One", "", "", "../../../etc/passwd") + Photo("Two", "", "", "..") +
                                             Photo("Three", "", "", "sub\\y.jpg"))}});
    ASSERT_TRUE(f.receive.Receive(pkg)) << f.receive.LastError();
    const std::string folder = f.pictures + "Evil/";
    EXPECT_EQ(Tree(folder), (std::vector<std::string>{"x", "y.jpg"}));
    // Nothing outside the documents folder's pictures, the catalog root and the package.
    EXPECT_FALSE(fs::exists(f.tmp.path() / "x"));
    EXPECT_FALSE(fs::exists(f.docs + "/x"));
    EXPECT_FALSE(fs::exists(f.pictures + "x"));
    EXPECT_EQ(f.receive.AlbumName(), ".._.._evil");
    EXPECT_TRUE(fs::exists(f.Root() + ".._.._evil.col"));
    // Only the photo whose file the package holds is filed.
    TMlb2& cat = f.catalog->CatalogTable();
    ASSERT_EQ(cat.RecordCount(), 2);
    cat.GoTo(2);
    EXPECT_EQ(cat.GetValue("ImgName"), "Three");
    EXPECT_EQ(cat.GetValue("ImgPath"), folder + "y.jpg");
    EXPECT_EQ(f.receive.MissingPhotos(), 2);
    for (const auto& p : fs::recursive_directory_iterator(f.tmp.path())) {
        const std::string s = p.path().string();
        EXPECT_TRUE(s.rfind(f.docs, 0) == 0 || s == pkg || s.rfind(f.install, 0) == 0 ||
                    s.rfind(f.tmp.file("user.conf"), 0) == 0 || s.rfind(f.tmp.file("machine.conf"), 0) == 0)
            << s;
    }
}

TEST(ShareReceive, ZipBombIsRefusedBeforeWriting) {
    ReceiveFixture f;
    // Two entries that claim 3 GiB together: more than the test disk is asked to hold.
    const std::string pkg = f.tmp.file("Bomb.xal");
    int code = 0;
    zip_t* za = zip_open(pkg.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(za, nullptr);
    const std::string big(64 << 20, '\0');
    for (const char* name : {"a.jpg", "b.jpg"}) {
        zip_source_t* src = zip_source_buffer(za, big.data(), big.size(), 0);
        ASSERT_GE(zip_file_add(za, name, src, 0), 0);
        zip_set_file_compression(za, zip_uint64_t(zip_name_locate(za, name, 0)), ZIP_CM_DEFLATE, 9);
    }
    zip_source_t* xml = zip_source_buffer(za, "<a>", 3, 0);
    zip_file_add(za, "album.xml", xml, 0);
    ASSERT_EQ(zip_close(za), 0);
    ASSERT_LT(fs::file_size(pkg), 1u << 20);
    f.receive.SetFreeSpaceFunction(
        [](const std::string&) { return TZipEngine::TDiskSpace{std::int64_t(100) << 20, std::int64_t(1) << 40}; });
    EXPECT_FALSE(f.receive.Receive(pkg));
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_NE(f.messages.asked[0].text.find("bytes are free"), std::string::npos) << f.messages.asked[0].text;
    EXPECT_FALSE(fs::exists(f.pictures + "Bomb"));
    EXPECT_EQ(f.catalog->CatalogTable().RecordCount(), 1);
}

TEST(ShareReceive, NamesThatAreNotUtf8KeepTheirBytes) {
    ReceiveFixture f;
    const std::string name = "Caf\xe9 1.jpg";  // Latin-1, not UTF-8
    const std::string pkg = f.Package("Cafe.xal", {{name, f.Jpeg()},
                                                   {"album.xml", Index("Caf\xe9", "0", Photo("P", "", "", name))}});
    ASSERT_TRUE(f.receive.Receive(pkg)) << f.receive.LastError();
    EXPECT_EQ(Tree(f.pictures + "Cafe"), std::vector<std::string>{name});
    TMlb2& cat = f.catalog->CatalogTable();
    cat.Last();
    EXPECT_EQ(cat.GetValue("ImgPath"), f.pictures + "Cafe/" + name);
    EXPECT_TRUE(fs::exists(cat.GetValue("ImgPath")));
    EXPECT_EQ(f.receive.AlbumName(), "Caf\xe9");
}

// What a package may unpack is bounded by the sizes its directory states, before a byte is
// written: album.xml, icon.bmp and every photo have their limits, and the whole must leave a
// margin of the disk free. Each refusal is one message and leaves nothing behind.
TEST(ShareReceive, OversizedEntriesAreRefusedBeforeWriting) {
    ReceiveFixture f;
    const std::string xml = Index("Trip", "custom", Photo("One", "", "", "a.jpg"));
    const std::string stored = cattest::MakeStoredZip({{"a.jpg", f.Jpeg()}, {"album.xml", xml}, {"icon.bmp", "BM"}});
    struct Case {
        std::string what, zip;
        TZipEngine::TDiskSpace disk;
    };
    const TZipEngine::TDiskSpace roomy{std::int64_t(1) << 40, std::int64_t(1) << 42};
    const std::vector<Case> cases = {
        {"album.xml", ClaimSize(stored, "album.xml", std::uint32_t(TAlbumReceive::kMaxIndexBytes) + 1), roomy},
        {"icon.bmp", ClaimSize(stored, "icon.bmp", std::uint32_t(TAlbumReceive::kMaxIconBytes) + 1), roomy},
        {"a.jpg", ClaimSize(stored, "a.jpg", std::uint32_t(TAlbumReceive::kMaxPhotoBytes) + 1), roomy},
        // 300 MiB on a disk of 100 GiB with 1.2 GiB free: the last GiB stays free.
        {"free", ClaimSize(stored, "a.jpg", 300u << 20), {std::int64_t(1200) << 20, std::int64_t(100) << 30}},
    };
    const auto before = f.RootFiles();
    for (const Case& c : cases) {
        f.messages.asked.clear();
        WriteAll(f.tmp.file("Trip.xal"), c.zip);
        f.receive.SetFreeSpaceFunction([&](const std::string&) { return c.disk; });
        EXPECT_FALSE(f.receive.Receive(f.tmp.file("Trip.xal"))) << c.what;
        ASSERT_EQ(f.messages.asked.size(), 1u) << c.what;
        const std::string& text = f.messages.asked[0].text;
        if (c.what == "free")
            EXPECT_NE(text.find("bytes are free"), std::string::npos) << text;
        else
            EXPECT_NE(text.find("\"" + c.what + "\" is larger than"), std::string::npos) << text;
        EXPECT_EQ(Top(f.pictures), std::vector<std::string>{"My Albums"}) << c.what;
        EXPECT_EQ(f.RootFiles(), before) << c.what;
    }
    // The same package with its true sizes is received.
    f.messages.asked.clear();
    WriteAll(f.tmp.file("Trip.xal"), cattest::MakeStoredZip({{"a.jpg", f.Jpeg()}, {"album.xml", Index("Trip", "1", Photo("One", "", "", "a.jpg"))}}));
    EXPECT_TRUE(f.receive.Receive(f.tmp.file("Trip.xal"))) << f.receive.LastError();
}

// A small index naming thousands of photos that are not in the package files only those that
// are, each file once, and says how many were missing.
TEST(ShareReceive, OnlyPhotosThePackageHoldsAreFiled) {
    ReceiveFixture f;
    std::string photos = Photo("A", "", "", "a.jpg");
    for (int i = 0; i < 5000; ++i) photos += Photo("Ghost", "", "", "ghost " + std::to_string(i) + ".jpg");
    photos += Photo("B", "", "", "b.jpg") + Photo("A again", "", "", "a.jpg") + Photo("Index", "", "", "album.xml");
    const std::string pkg =
        f.Package("Trip.xal", {{"a.jpg", f.Jpeg()}, {"b.jpg", f.Jpeg()}, {"album.xml", Index("Trip", "1", photos)}});
    ASSERT_TRUE(f.receive.Receive(pkg)) << f.receive.LastError();
    EXPECT_EQ(f.receive.PhotoIds(), (std::vector<int>{2, 3}));
    EXPECT_EQ(f.receive.MissingPhotos(), 5002);
    TMlb2 saved;
    ASSERT_TRUE(saved.LoadFromMLB(f.Root() + "data.mlb"));
    ASSERT_EQ(saved.RecordCount(), 3);
    saved.GoTo(2);
    EXPECT_EQ(saved.GetValue("ImgName"), "A");
    saved.GoTo(3);
    EXPECT_EQ(saved.GetValue("ImgName"), "B");
    TMlb2 album;
    ASSERT_TRUE(album.LoadFromMLB(f.Root() + "Trip.col"));
    EXPECT_EQ(album.RecordCount(), 2);
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_EQ(f.messages.asked[0].caption, "Receive");
    EXPECT_NE(f.messages.asked[0].text.find("5002 photos"), std::string::npos) << f.messages.asked[0].text;
}

// Of two entries with the same bare name the first counts: a later "sub/album.xml" does not
// stand in for the real index.
TEST(ShareReceive, FirstEntryOfANameIsKept) {
    ReceiveFixture f;
    const std::string pkg = f.Package("Trip.xal", {{"a.jpg", f.Jpeg()},
                                                   {"album.xml", Index("Real", "1", Photo("One", "", "", "a.jpg"))},
                                                   {"sub/album.xml", Index("Fake", "1", "")},
                                                   {"x/a.jpg", "not the photo"}});
    ASSERT_TRUE(f.receive.Receive(pkg)) << f.receive.LastError();
    EXPECT_EQ(f.receive.AlbumName(), "Real");
    EXPECT_EQ(f.receive.PhotoIds().size(), 1u);
    EXPECT_EQ(ReadAll(f.pictures + "Trip/a.jpg"), f.Jpeg());
}

// Identifiers never wrap: with none left, or fewer left than the package has photos, nothing is
// written and the user is told.
TEST(ShareReceive, ExhaustedIdentifiersStopBeforeWriting) {
    for (const std::string last : {"2147483647", "2147483646"}) {
        ReceiveFixture f;
        TMlb2& cat = f.catalog->CatalogTable();
        cat.AppendRecord();
        cat.SetValue("ImgID", "2");
        cat.AppendRecord();
        cat.SetValue("ImgID", last);
        ASSERT_TRUE(f.catalog->SaveCatalog());
        const auto before = f.RootFiles();
        const std::string pkg = f.Package(
            "Trip.xal", {{"a.jpg", f.Jpeg()}, {"b.jpg", f.Jpeg()},
                         {"album.xml", Index("Trip", "1", Photo("A", "", "", "a.jpg") + Photo("B", "", "", "b.jpg"))}});
        EXPECT_FALSE(f.receive.Receive(pkg)) << last;
        ASSERT_EQ(f.messages.asked.size(), 1u) << last;
        EXPECT_NE(f.messages.asked[0].text.find(pkg), std::string::npos) << f.messages.asked[0].text;
        EXPECT_TRUE(f.receive.PhotoIds().empty());
        EXPECT_EQ(f.RootFiles(), before) << last;
        EXPECT_EQ(cat.RecordCount(), 3) << last;
        EXPECT_FALSE(fs::exists(f.Root() + "Trip.col"));
        EXPECT_EQ(f.catalog->AlbumList(), std::vector<std::string>{TCatalog::kReservedAlbumLine});
        EXPECT_EQ(Top(f.pictures), std::vector<std::string>{"My Albums"});
    }
}

// An unpacking cut short by a kill leaves its file in the making in the folder under My
// Pictures; the next start removes it, and the folder it leaves empty.
TEST(ShareReceive, NextStartRemovesWhatAKilledReceiveLeft) {
    ReceiveFixture f;
    fs::create_directories(f.pictures + "Trip");
    fs::create_directories(f.pictures + "Kept");
    WriteAll(f.pictures + "Trip/.lumavell-unzip-4242-0", std::string(4096, 'x'));
    WriteAll(f.pictures + "Kept/.lumavell-unzip-4242-1", std::string(4096, 'x'));
    WriteAll(f.pictures + "Kept/photo.jpg", "mine");
    fs::create_directories(f.catalog->ThumbnailFolder());
    WriteAll(f.catalog->ThumbnailFolder() + "/.lumavell-unzip-4242-2", "x");
    struct stat st {};
    ASSERT_EQ(::stat((f.pictures + "Kept/photo.jpg").c_str(), &st), 0);
    EXPECT_EQ(f.catalog->RemoveStaleTempFiles(static_cast<std::int64_t>(st.st_mtime) + 1), 3);
    EXPECT_FALSE(fs::exists(f.pictures + "Trip"));
    EXPECT_EQ(Tree(f.pictures + "Kept"), std::vector<std::string>{"photo.jpg"});
    EXPECT_TRUE(fs::is_empty(f.catalog->ThumbnailFolder()));
}

// A field whose first visible byte is a space or "!" after tabs or line breaks keeps that byte
// through a package; the tabs and line breaks themselves are dropped by the reader as always.
TEST(ShareReceive, LeadingSpaceOrBangAfterControlBytesSurvives) {
    ReceiveFixture f;
    const std::vector<std::string> texts = {"\t x", "\r\n!y", "\n\t !z", "\t\t\t", " lead", "!bang", "\x16 w",
                                            "\r\n  two", "a\t b"};
    TShareAlbum a;
    a.name = "Trip";
    for (std::size_t i = 0; i < texts.size(); ++i)
        a.photos.push_back({f.MakePhoto("p" + std::to_string(i) + ".jpg", 20, 20), texts[i], texts[i], texts[i]});
    TAlbumExport exporter(f.messages, f.tmp.file("work"));
    const std::string package = f.tmp.file("Trip.xal");
    ASSERT_TRUE(exporter.StartSharing(a, TShareMethod::Package, package, TShrink::None));
    f.messages.asked.clear();
    ASSERT_TRUE(f.receive.Receive(package)) << f.receive.LastError();
    TMlb2 saved;
    ASSERT_TRUE(saved.LoadFromMLB(f.Root() + "data.mlb"));
    ASSERT_EQ(saved.RecordCount(), int(texts.size()) + 1);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string expected;
        for (char c : texts[i])
            if (static_cast<unsigned char>(c) >= 0x20) expected += c;
        saved.GoTo(int(i) + 2);
        EXPECT_EQ(saved.GetValue("ImgName"), expected) << i;
        EXPECT_EQ(saved.GetValue("ImgCredit"), expected) << i;
        EXPECT_EQ(saved.GetValue("ImgKeys"), expected) << i;
    }
}
