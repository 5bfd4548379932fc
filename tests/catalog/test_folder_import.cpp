// The import bar's logic: listing folders and volumes, the import list's thumbnails, the add
// buttons and filing photos with "Add To >>" and Add All.
#include <gtest/gtest.h>

#include <filesystem>

#include "CatalogTestSupport.h"
#include "JpegCodec.h"
#include "PhotoTestFiles.h"
#include "PlaceholderPictures.h"
#include "TFolderImport.h"
#include "TPlatform.h"

namespace fs = std::filesystem;
using namespace folderimport;
using testsupport::WriteAll;

namespace {

// The real platform with a fixed user name and without changing the test's working directory.
class FakePlatform : public TLinuxPlatform {
public:
    explicit FakePlatform(std::string user) : TLinuxPlatform("", std::move(user)) {}
    bool SetWorkingDirectory(const std::string& folder) override {
        workingDirectory = folder;
        return true;
    }
    std::string workingDirectory;
};

struct ImportFixture : cattest::Fixture {
    FakePlatform platform{"Ann Example"};
    TFolderImport import{*catalog, platform};
    std::string photos = tmp.file("photos");

    ImportFixture() {
        OpenFresh();
        fs::create_directories(photos);
        catalog->CreateAlbumFile("Trips");
        catalog->OpenAlbum("Trips");
        import.SetThreadCount(2);
    }
    void Photo(const std::string& name, int w = 40, int h = 30) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(qRgb(200, 100, 50));
        std::string error;
        ASSERT_TRUE(imaging::SaveJpeg(img, photos + "/" + name, error)) << error;
    }
    // Reads the photo folder and makes its thumbnails, as a folder change does.
    void Open() {
        ASSERT_TRUE(import.ReadFolder(photos));
        ASSERT_TRUE(import.FolderChanged());
    }
    std::vector<std::string> CatalogColumn(const std::string& field) {
        TMlb2 t;
        EXPECT_TRUE(t.LoadFromMLB(Root() + "data.mlb"));
        std::vector<std::string> v;
        for (int r = 1; r <= t.RecordCount(); ++r) {
            t.GoTo(r);
            v.push_back(t.GetValue(field));
        }
        return v;
    }
    std::vector<std::string> AlbumIds(const std::string& album) {
        TMlb2 t;
        EXPECT_TRUE(t.LoadFromMLB(catalog->AlbumFilePath(album)));
        std::vector<std::string> v;
        for (int r = 1; r <= t.RecordCount(); ++r) {
            t.GoTo(r);
            v.push_back(t.GetValue("ImgID"));
        }
        return v;
    }
};

class Progress : public TImportObserver {
public:
    std::vector<std::pair<int, int>> calls;
    void OnImportProgress(int done, int total) override { calls.push_back({done, total}); }
};

TEST(ImportTitle, DropsTheExtensionAndTurnsUnderscoresIntoSpaces) {
    EXPECT_EQ(ImportTitle("summer_at_the_lake.jpg"), "summer at the lake");
    EXPECT_EQ(ImportTitle("IMG_0001.JPG"), "IMG 0001");
    EXPECT_EQ(ImportTitle(".jpg"), "");
    EXPECT_EQ(ImportTitle("a.jpg"), "a");
    EXPECT_EQ(ImportTitle("abc"), "");
    // Every picture extension goes, in any letter case.
    EXPECT_EQ(ImportTitle("IMG_0002.jpeg"), "IMG 0002");
    EXPECT_EQ(ImportTitle("scan.JPE"), "scan");
    EXPECT_EQ(ImportTitle("map_of_town.png"), "map of town");
    EXPECT_EQ(ImportTitle("page.TIFF"), "page");
    EXPECT_EQ(ImportTitle("x.jpeg.jpg"), "x.jpeg");
    EXPECT_EQ(ImportTitle("IMG_0003.HEIC"), "IMG 0003");
    EXPECT_EQ(ImportTitle("sky.avif"), "sky");
    EXPECT_EQ(ImportTitle("DSC_0004.NEF"), "DSC 0004");
    EXPECT_EQ(ImportTitle("_MG_5.Cr3"), " MG 5");
    EXPECT_EQ(ImportCredit(std::string(300, 'u')).size(), 254u);
}

TEST(ListPhotoFiles, MatchesTheMaskWithoutCaseAndSortsWithoutCase) {
    testsupport::TempDir d;
    for (const char* n : {"b.jpg", "IMG_0001.JPG", "a.Jpg", "c.jpeg", "d.jpg.txt", ".hidden.jpg", "C.jpg", "e.JPE",
                          "f.png", "g.GIF", "h.bmp", "notes.txt", "jpg"})
        WriteAll(d.file(n), "x");
    fs::create_directories(d.file("folder.jpg"));
    fs::create_symlink(d.file("b.jpg"), d.file("link.jpg"));
    fs::create_symlink(d.file("nowhere.jpg"), d.file("dangling.jpg"));
    EXPECT_EQ(ListPhotoFiles(d.str()),
              (std::vector<std::string>{"a.Jpg", "b.jpg", "c.jpeg", "C.jpg", "e.JPE", "f.png", "g.GIF", "h.bmp",
                                        "IMG_0001.JPG", "link.jpg"}));
    EXPECT_TRUE(ListPhotoFiles(d.file("missing")).empty());
}

TEST(ListPhotoFiles, PhoneAndCameraFormatsInAnyLetterCase) {
    testsupport::TempDir d;
    for (const char* n : {"a.heic", "B.HEIF", "c.Avif", "d.hif", "e.dng", "F.CR2", "g.cr3", "h.NEF", "i.arw",
                          "j.orf", "k.RW2", "l.raf", "m.pef", "n.srw", "heic", "o.heic.txt", "p.xmp"})
        WriteAll(d.file(n), "x");
    EXPECT_EQ(ListPhotoFiles(d.str()),
              (std::vector<std::string>{"a.heic", "B.HEIF", "c.Avif", "d.hif", "e.dng", "F.CR2", "g.cr3",
                                        "h.NEF", "i.arw", "j.orf", "k.RW2", "l.raf", "m.pef", "n.srw"}));
}

TEST(FolderRows, RootDownThenSortedVisibleSubFolders) {
    EXPECT_EQ(FolderRows("/home/ann/Pictures/"),
              (std::vector<std::string>{"/", "/home", "/home/ann", "/home/ann/Pictures"}));
    EXPECT_EQ(FolderRows("/"), (std::vector<std::string>{"/"}));
    EXPECT_TRUE(FolderRows("relative/path").empty());

    testsupport::TempDir d;
    for (const char* n : {"zoo", "Beach", "alps", ".cache"}) fs::create_directories(d.file(n));
    WriteAll(d.file("file"), "x");
    EXPECT_EQ(SubFolders(d.str()), (std::vector<std::string>{"alps", "Beach", "zoo"}));
}

TEST(VolumeOf, TheLongestMountPointThatHoldsTheFolder) {
    const std::vector<std::string> mounts = {"/", "/media/usb", "/media/usb/inner/", "/home"};
    EXPECT_EQ(VolumeOf("/media/usb/a/b", mounts), "/media/usb");
    EXPECT_EQ(VolumeOf("/media/usb", mounts), "/media/usb");
    EXPECT_EQ(VolumeOf("/media/usbkey/a", mounts), "/");
    EXPECT_EQ(VolumeOf("/media/usb/inner", mounts), "/media/usb/inner/");
    EXPECT_EQ(VolumeOf("/home/ann", mounts), "/home");
    EXPECT_EQ(VolumeOf("/", mounts), "/");
    EXPECT_EQ(VolumeOf("/etc", {"/home"}), "");
    EXPECT_EQ(VolumeOf("relative", mounts), "");
}

TEST(MountedVolumes, SkipsPseudoFileSystemsAndDecodesEscapes) {
    testsupport::TempDir d;
    WriteAll(d.file("mounts"),
             "proc /proc proc rw 0 0\n"
             "/dev/sda2 / ext4 rw 0 0\n"
             "tmpfs /run tmpfs rw 0 0\n"
             "/dev/sdb1 /media/ann/USB\\040STICK vfat rw 0 0\n"
             "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
             "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
             "server:/share /mnt/share nfs4 rw 0 0\n"
             "/dev/sda2 / ext4 rw 0 0\n"
             "broken-line\n");
    const auto v = MountedVolumes(d.file("mounts"));
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].mountPoint, "/");
    EXPECT_EQ(v[1].mountPoint, "/media/ann/USB STICK");
    EXPECT_EQ(v[1].fsType, "vfat");
    EXPECT_EQ(v[2].device, "server:/share");
    EXPECT_TRUE(MountedVolumes(d.file("none")).empty());
}

TEST(DriveRoots, TheRootAndTheHomeFolderAreAlwaysOffered) {
    // A container's table may list neither.
    EXPECT_EQ(DriveRoots({}, "/home/ann"), (std::vector<std::string>{"/", "/home/ann"}));
    EXPECT_EQ(DriveRoots({"/media/usb", "/"}, "/home/ann/"),
              (std::vector<std::string>{"/", "/home/ann", "/media/usb"}));
    EXPECT_EQ(DriveRoots({"/home"}, "/home"), (std::vector<std::string>{"/", "/home"}));
    EXPECT_EQ(DriveRoots({}, ""), std::vector<std::string>{"/"});
    EXPECT_EQ(DriveRoots({}, "relative"), std::vector<std::string>{"/"});
    // The drive line of a folder under the home folder is the home folder's.
    EXPECT_EQ(VolumeOf("/home/ann/pics", DriveRoots({}, "/home/ann")), "/home/ann");
}

TEST(FolderImportFixture, ReadingAFolderMakesItTheWorkingDirectoryButNotTheThumbnails) {
    ImportFixture f;
    f.Photo("one.jpg");
    ASSERT_TRUE(f.import.ReadFolder(f.photos + "/"));
    EXPECT_EQ(f.import.CurrentFolder(), f.photos);
    EXPECT_EQ(f.platform.workingDirectory, f.photos);
    EXPECT_EQ(f.import.FileList().size(), 1u);
    EXPECT_EQ(f.import.ListState(), TFolderImport::TListState::Empty);
    EXPECT_TRUE(f.import.UpdImportThumbs().empty());
    EXPECT_FALSE(f.import.ReadFolder(f.photos + "/missing"));
    EXPECT_EQ(f.import.CurrentFolder(), f.photos);
}

TEST(FolderImportFixture, ThumbnailsAreStretchedToTheRowSize) {
    ImportFixture f;
    f.Photo("wide.jpg", 400, 100);
    f.Photo("tall.jpg", 30, 90);
    Progress progress;
    ASSERT_TRUE(f.import.ReadFolder(f.photos));
    ASSERT_TRUE(f.import.FolderChanged(&progress));
    const auto rows = f.import.UpdImportThumbs();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].caption, "tall.jpg");
    EXPECT_EQ(rows[1].caption, "wide.jpg");
    for (const auto& r : rows) {
        EXPECT_EQ(r.picture.size(), QSize(100, 80));
        EXPECT_EQ(r.picture.format(), QImage::Format_RGB32);
    }
    ASSERT_FALSE(progress.calls.empty());
    EXPECT_EQ(progress.calls.back(), std::make_pair(2, 2));
}

TEST(FolderImportFixture, OtherPictureFormatsAreListedFiledAndThumbnailed) {
    ImportFixture f;
    QImage png(64, 32, QImage::Format_ARGB32);
    png.fill(qRgb(0, 200, 0));
    ASSERT_TRUE(png.save(QString::fromStdString(f.photos + "/green_field.png"), "PNG"));
    ASSERT_TRUE(png.save(QString::fromStdString(f.photos + "/Green.GIF"), "GIF") ||
                png.save(QString::fromStdString(f.photos + "/Green.GIF"), "BMP"));
    f.Photo("photo.JPEG");
    ASSERT_TRUE(f.import.ReadFolder(f.photos));
    ASSERT_TRUE(f.import.FolderChanged());
    EXPECT_TRUE(f.import.UnreadableFiles().empty());
    const auto rows = f.import.UpdImportThumbs();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].caption, "green_field.png");
    EXPECT_EQ(rows[1].picture.size(), QSize(100, 80));
    EXPECT_EQ(rows[1].picture.pixel(50, 40), qRgb(0, 200, 0));
    const TImportAdd all = f.import.AddAll("Trips;1");
    ASSERT_EQ(all.ids.size(), 3u);
    TMlb2& cat = f.catalog->CatalogTable();
    ASSERT_TRUE(f.catalog->FindImage(all.ids[1]));
    EXPECT_EQ(cat.GetValue("ImgName"), "green field");
    ASSERT_TRUE(f.catalog->FindImage(all.ids[2]));
    EXPECT_EQ(cat.GetValue("ImgName"), "photo");
}

TEST(FolderImportFixture, PhoneAndCameraPhotosAreThumbnailedUprightAndFiled) {
    using phototest::Corners;
    ImportFixture f;
    std::string log;
    ASSERT_TRUE(phototest::MakeHeif(f.photos + "/a_phone.HEIC", phototest::Scene(), false, 0, &log)) << log;
    ASSERT_TRUE(phototest::MakeHeif(f.photos + "/b_turned.heic", phototest::Scene()));
    ASSERT_TRUE(phototest::RotateHeif(f.photos + "/b_turned.heic", 3));
    ASSERT_TRUE(phototest::MakeHeif(f.photos + "/c_web.avif", phototest::Scene(), true));
    WriteAll(f.photos + "/d_camera.DNG", phototest::MakeDng(phototest::Scene()));
    phototest::DngOptions six;
    six.orientation = 6;
    WriteAll(f.photos + "/e_camera.nef", phototest::MakeDng(phototest::Scene(), six));
    WriteAll(f.photos + "/f_broken.heic", testsupport::ReadAll(f.photos + "/a_phone.HEIC").substr(0, 300));
    ASSERT_TRUE(f.import.ReadFolder(f.photos));
    ASSERT_TRUE(f.import.FolderChanged());
    const auto rows = f.import.UpdImportThumbs();
    ASSERT_EQ(rows.size(), 6u);
    const std::vector<std::string> corners = {"gbrb", "rgbb", "gbrb", "gbrb", "rgbb"};
    for (size_t i = 0; i < corners.size(); ++i) {
        EXPECT_EQ(rows[i].picture.size(), QSize(100, 80)) << rows[i].caption;
        EXPECT_EQ(Corners(rows[i].picture), corners[i]) << rows[i].caption;
    }
    EXPECT_EQ(rows[5].caption, "f_broken.heic");
    EXPECT_EQ(rows[5].picture, UnreadablePhotoPicture());
    ASSERT_EQ(f.import.UnreadableFiles().size(), 1u);
    EXPECT_TRUE(f.import.ReportUnreadable());
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_NE(f.messages.asked[0].text.find("f_broken.heic"), std::string::npos);
    EXPECT_EQ(f.messages.asked[0].text.find("a_phone"), std::string::npos);

    const TImportAdd all = f.import.AddAll("Trips;1");
    ASSERT_EQ(all.ids.size(), 6u);
    TMlb2& cat = f.catalog->CatalogTable();
    ASSERT_TRUE(f.catalog->FindImage(all.ids[0]));
    EXPECT_EQ(cat.GetValue("ImgName"), "a phone");
    EXPECT_EQ(cat.GetValue("ImgPath"), f.photos + "/a_phone.HEIC");
    ASSERT_TRUE(f.catalog->FindImage(all.ids[3]));
    EXPECT_EQ(cat.GetValue("ImgName"), "d camera");
}

TEST(FolderImportFixture, AFolderOfMoreThan1001PhotosIsListedWhole) {
    ImportFixture f;
    f.Photo("p.jpg", 8, 8);
    const std::string one = testsupport::ReadAll(f.photos + "/p.jpg");
    for (int i = 0; i < 1100; ++i) WriteAll(f.photos + "/p" + std::to_string(i) + ".jpg", one);
    Progress progress;
    ASSERT_TRUE(f.import.ReadFolder(f.photos));
    ASSERT_TRUE(f.import.FolderChanged(&progress));
    EXPECT_EQ(f.import.FileCount(), 1101);
    EXPECT_EQ(f.import.UpdImportThumbs().size(), 1101u);
    EXPECT_LE(progress.calls.size(), 102u);
    EXPECT_EQ(progress.calls.back(), std::make_pair(1101, 1101));
    for (size_t i = 1; i < progress.calls.size(); ++i) EXPECT_GT(progress.calls[i].first, progress.calls[i - 1].first);
}

TEST(FolderImportFixture, AnUndecodablePhotoGetsTheUnreadablePictureAndTheListGoesOn) {
    for (int threads : {1, 2}) {
        ImportFixture f;
        f.import.SetThreadCount(threads);
        f.Photo("a.jpg");
        WriteAll(f.photos + "/b.jpg", "not a jpeg at all");
        f.Photo("c.jpg");
        WriteAll(f.photos + "/d.jpg", "");
        ASSERT_TRUE(f.import.ReadFolder(f.photos));
        EXPECT_TRUE(f.import.FolderChanged());
        EXPECT_TRUE(f.messages.asked.empty());  // reported once the window shows the list
        const auto rows = f.import.UpdImportThumbs();
        ASSERT_EQ(rows.size(), 4u);
        EXPECT_EQ(rows[1].caption, "b.jpg");
        EXPECT_EQ(rows[1].picture, UnreadablePhotoPicture());
        EXPECT_EQ(rows[3].picture, UnreadablePhotoPicture());
        EXPECT_NE(rows[2].picture, UnreadablePhotoPicture());
        EXPECT_EQ(f.import.FileCount(), 4);
        EXPECT_EQ(f.import.UnreadableFiles().size(), 2u);

        EXPECT_TRUE(f.import.ReportUnreadable());
        ASSERT_EQ(f.messages.asked.size(), 1u);
        EXPECT_EQ(f.messages.asked[0].icon, TMsgIcon::Warning);
        EXPECT_NE(f.messages.asked[0].text.find("b.jpg"), std::string::npos);
        EXPECT_NE(f.messages.asked[0].text.find("d.jpg"), std::string::npos);
        EXPECT_EQ(f.messages.asked[0].text.find("a.jpg"), std::string::npos);
        EXPECT_FALSE(f.import.ReportUnreadable());  // said once

        // The rows are photos like any other: selecting enables the buttons and Add All files all.
        EXPECT_EQ(f.import.ThumbnailSelected("Trips;1"), (TAddButtons{true, true}));
        const TImportAdd all = f.import.AddAll("Trips;1");
        EXPECT_EQ(all.ids.size(), 4u);
        EXPECT_TRUE(all.refreshList);
    }
}

TEST(FolderImportFixture, AddButtonStates) {
    ImportFixture f;
    ASSERT_TRUE(f.import.ReadFolder(f.photos));  // empty folder
    EXPECT_EQ(f.import.FilesChanged("Trips;1"), (TAddButtons{false, false}));
    f.Photo("a.jpg");
    f.Open();
    EXPECT_EQ(f.import.FilesChanged("Trips;1"), (TAddButtons{false, true}));
    EXPECT_EQ(f.import.FilesChanged("Search Results;2"), (TAddButtons{false, false}));
    EXPECT_EQ(f.import.FilesChanged(""), (TAddButtons{false, false}));
    EXPECT_EQ(f.import.FilesChanged(";1"), (TAddButtons{false, false}));
    EXPECT_EQ(f.import.ThumbnailSelected("Trips;1"), (TAddButtons{true, true}));
    EXPECT_EQ(f.import.ThumbnailSelected("Search Results;2"), (TAddButtons{false, false}));
    EXPECT_EQ(f.import.ThumbnailSelected(""), (TAddButtons{false, false}));
    EXPECT_EQ(f.import.ThumbnailSelected("search results;3"), (TAddButtons{true, true}));
    EXPECT_EQ(TFolderImport::SearchResultsOpened(), (TAddButtons{false, false}));
}

TEST(FolderImportFixture, AddToFilesOnePhotoWithTitleUserAndPath) {
    ImportFixture f;
    f.Photo("summer_at_the_lake.jpg");
    f.Photo("IMG_0001.JPG");
    f.Open();
    const TImportAdd r = f.import.AddTo(1, "Trips;1");  // rows: IMG_0001.JPG, summer_at_the_lake.jpg
    EXPECT_EQ(r.ids, std::vector<int>{2});
    EXPECT_TRUE(r.refreshList);
    EXPECT_TRUE(r.closeAllHelp);
    EXPECT_EQ(r.hintFlag, "firstTime_importPhoto");
    EXPECT_EQ(r.hintControl, "ListBox1");
    EXPECT_EQ(f.CatalogColumn("ImgName"), (std::vector<std::string>{"nil", "summer at the lake"}));
    EXPECT_EQ(f.CatalogColumn("ImgPath")[1], f.photos + "/summer_at_the_lake.jpg");
    EXPECT_EQ(f.CatalogColumn("ImgCredit")[1], "Ann Example");
    EXPECT_EQ(f.CatalogColumn("ImgKeys")[1], "");
    EXPECT_EQ(f.AlbumIds("Trips"), std::vector<std::string>{"2"});

    // The same file again is a second record and a second row, with the next identifier.
    EXPECT_EQ(f.import.AddTo(1, "Trips;1").ids, std::vector<int>{3});
    EXPECT_EQ(f.CatalogColumn("ImgPath")[2], f.photos + "/summer_at_the_lake.jpg");
    EXPECT_EQ(f.AlbumIds("Trips"), (std::vector<std::string>{"2", "3"}));
    // Rows out of range do nothing.
    EXPECT_TRUE(f.import.AddTo(2, "Trips;1").ids.empty());
    EXPECT_TRUE(f.import.AddTo(-1, "Trips;1").ids.empty());
    EXPECT_TRUE(f.messages.asked.empty());
}

TEST(FolderImportFixture, AddAllGivesConsecutiveIdentifiersAndSavesOnceAtTheEnd) {
    ImportFixture f;
    for (const char* n : {"c.jpg", "a.jpg", "B.JPG"}) f.Photo(n);
    f.Open();
    std::vector<int> selected;
    std::vector<int> savedRows;
    const TImportAdd r = f.import.AddAll("Trips;4", [&](int row) {
        selected.push_back(row);
        // Nothing is written while the photos are being added: both files once at the end.
        TMlb2 t;
        ASSERT_TRUE(t.LoadFromMLB(f.catalog->AlbumFilePath("Trips")));
        savedRows.push_back(t.RecordCount());
    });
    EXPECT_EQ(selected, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(savedRows, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(r.ids, (std::vector<int>{2, 3, 4}));
    EXPECT_TRUE(r.refreshList);
    EXPECT_EQ(f.CatalogColumn("ImgID"), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(f.CatalogColumn("ImgName"), (std::vector<std::string>{"nil", "a", "B", "c"}));
    EXPECT_EQ(f.AlbumIds("Trips"), (std::vector<std::string>{"2", "3", "4"}));
}

TEST(FolderImportFixture, NoAlbumSelectedWritesNothing) {
    ImportFixture f;
    f.Photo("a.jpg");
    f.Photo("b.jpg");
    f.Open();
    const std::string before = testsupport::ReadAll(f.Root() + "data.mlb");
    const TImportAdd one = f.import.AddTo(0, "");
    const TImportAdd all = f.import.AddAll("");
    EXPECT_TRUE(one.ids.empty());
    EXPECT_FALSE(one.refreshList);
    EXPECT_FALSE(all.refreshList);
    EXPECT_FALSE(all.closeAllHelp);
    ASSERT_EQ(f.messages.asked.size(), 2u);  // Add All stops at its first row
    for (const auto& m : f.messages.asked) {
        EXPECT_EQ(m.caption, "Error");
        EXPECT_EQ(m.text, "No album selected.");
        EXPECT_EQ(m.icon, TMsgIcon::Information);
    }
    EXPECT_EQ(testsupport::ReadAll(f.Root() + "data.mlb"), before);
    EXPECT_EQ(f.catalog->CatalogTable().RecordCount(), 1);
}

TEST(FolderImportFixture, ALastIdentifierThatIsNotANumberStopsBeforeWriting) {
    ImportFixture f;
    f.Photo("a.jpg");
    f.Open();
    TMlb2& cat = f.catalog->CatalogTable();
    cat.Last();
    cat.SetValue("ImgID", "x7");
    const TImportAdd r = f.import.AddAll("Trips;1");
    EXPECT_TRUE(r.ids.empty());
    EXPECT_FALSE(r.refreshList);
    EXPECT_EQ(cat.RecordCount(), 1);
    EXPECT_EQ(f.catalog->AlbumTable().RecordCount(), 0);
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_EQ(f.messages.asked[0].icon, TMsgIcon::Error);
    EXPECT_NE(f.messages.asked[0].text.find("x7"), std::string::npos);
}

TEST(FolderImportFixture, TheLargestLastIdentifierStopsBeforeWriting) {
    ImportFixture f;
    f.Photo("a.jpg");
    f.Open();
    TMlb2& cat = f.catalog->CatalogTable();
    cat.Last();
    cat.SetValue("ImgID", "2147483647");
    const TImportAdd r = f.import.AddAll("Trips;1");
    EXPECT_TRUE(r.ids.empty());
    EXPECT_EQ(cat.RecordCount(), 1);
    EXPECT_EQ(f.catalog->AlbumTable().RecordCount(), 0);
    ASSERT_EQ(f.messages.asked.size(), 1u);
    EXPECT_NE(f.messages.asked[0].text.find("2147483647"), std::string::npos);
}

TEST(FolderImportFixture, BrowseChangesOnlyToAnotherFolder) {
    ImportFixture f;
    fs::create_directories(f.photos + "/sub");
    f.Photo("a.jpg");
    ASSERT_TRUE(f.import.ReadFolder(f.photos));
    f.messages.paths = {"", f.photos + "/", f.photos + "/sub/..", f.photos + "/missing", f.photos + "/sub"};
    EXPECT_FALSE(f.import.Browse());  // cancelled
    EXPECT_FALSE(f.import.Browse());  // the same folder
    EXPECT_FALSE(f.import.Browse());  // the same folder, spelt otherwise
    EXPECT_FALSE(f.import.Browse());  // not a folder
    EXPECT_EQ(f.import.CurrentFolder(), f.photos);
    EXPECT_TRUE(f.import.Browse());
    EXPECT_EQ(f.import.CurrentFolder(), f.photos + "/sub");
    EXPECT_TRUE(f.import.FileList().empty());
    ASSERT_FALSE(f.messages.asked.empty());
    EXPECT_EQ(f.messages.asked[0].kind, "folder");
    EXPECT_EQ(f.messages.asked[0].caption, "Browse...");
    EXPECT_EQ(f.messages.instruction,
              "Choose a folder that contains the photos that you want to import and then click OK.");
    EXPECT_EQ(f.messages.asked[0].text, f.photos);  // starts at the current folder

    // Started elsewhere, the dialog opens there; the current folder is still what counts as
    // "the same folder".
    f.messages.paths = {f.photos + "/sub"};
    EXPECT_FALSE(f.import.Browse(f.photos));
    EXPECT_EQ(f.messages.asked.back().text, f.photos);
}

}  // namespace
