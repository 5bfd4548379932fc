// The photo pane's behaviour: selections from both lists, zoom steps, navigation states and the
// failure rules, on real picture files in a temporary folder.
#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <utility>
#include <vector>

#include "FileDate.h"
#include "JpegCodec.h"
#include "PhotoTestFiles.h"
#include "ScriptedMessages.h"
#include "TMlb2.h"
#include "TViewerModel.h"
#include "TestSupport.h"

using namespace viewer;
using C = TViewerCommand;

namespace {

class ViewerModelTest : public ::testing::Test {
protected:
    ViewerModelTest() : model(messages) {
        for (const char* f : {"ImgID", "ImgName", "ImgPath", "ImgCredit", "ImgKeys"}) catalog.AddField(f);
        album.AddField("ImgID");
        AddRecord("1", "nil", "nil", "nil", "nil");  // the seed record
        model.ScrollBox1Resize(400, 300);
    }

    void AddRecord(const std::string& id, const std::string& name, const std::string& path,
                   const std::string& credit, const std::string& keys) {
        catalog.AppendRecord();
        catalog.SetValue("ImgID", id);
        catalog.SetValue("ImgName", name);
        catalog.SetValue("ImgPath", path);
        catalog.SetValue("ImgCredit", credit);
        catalog.SetValue("ImgKeys", keys);
    }
    void AddRow(const std::string& id) {
        album.AppendRecord();
        album.SetValue("ImgID", id);
    }
    // A photo in the catalog and as the album's next row.
    void AddPhoto(const std::string& id, const std::string& name, const std::string& path,
                  const std::string& credit = "Ann", const std::string& keys = "") {
        AddRecord(id, name, path, credit, keys);
        AddRow(id);
    }
    // A picture file: JPEG for names ending in ".jpg" (large ones would be huge as BMP).
    std::string Picture(const std::string& name, int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(qRgb(40, 120, 200));
        const std::string path = dir.file(name);
        std::string error;
        const bool ok = name.ends_with(".jpg") ? imaging::SaveJpeg(image, path, error)
                                               : imaging::SaveBmp(image, path, error);
        EXPECT_TRUE(ok) << error;
        return path;
    }
    std::string Garbage(const std::string& name) {
        testsupport::WriteAll(dir.file(name), "this is not a picture at all");
        return dir.file(name);
    }
    TSelectResult Select(int row) {
        return model.ListBox1Click(row, album.RecordCount(), album, catalog, "/usr/bin/editor");
    }
    bool AnyEnabled() const {
        for (C c : AllViewerCommands())
            if (model.Enabled(c)) return true;
        return false;
    }
    // First, Previous, Next, Last.
    std::vector<bool> Nav() const {
        return {model.Enabled(C::First), model.Enabled(C::Previous), model.Enabled(C::Next),
                model.Enabled(C::Last)};
    }

    testsupport::TempDir dir;
    testsupport::ScriptedMessages messages;
    TViewerModel model;
    TMlb2 catalog;
    TMlb2 album;
};

TEST_F(ViewerModelTest, StartsEmptyWithEveryCommandDisabled) {
    EXPECT_EQ(model.TitleBarText(), "No Image Selected");
    EXPECT_EQ(model.CreditText(), "No Image");
    EXPECT_EQ(model.DateText(), "No Image");
    EXPECT_FALSE(model.NotesVisible());
    EXPECT_EQ(model.State().source, TViewSource::PhotoList);
    EXPECT_FLOAT_EQ(model.State().factor, 0.001f);
    EXPECT_FALSE(AnyEnabled());
    // The window finds its actions by these names.
    const std::vector<std::pair<C, std::string>> names = {
        {C::ZoomIn, "ZoomIn"}, {C::ZoomOut, "ZoomOut"}, {C::ShowAll, "ShowAll"}, {C::ToFit, "ToFit"},
        {C::First, "First"}, {C::Previous, "Previous"}, {C::Next, "Next"}, {C::Last, "Last"},
        {C::CopyImg, "CopyImg"}, {C::SetAsWallpaper, "SetAsWallpaper"},
        {C::AddToCollection, "AddToCollection"}, {C::ViewFullScreen, "ViewFullScreen"},
        {C::Print, "Print"}, {C::EditImage1, "EditImage1"}, {C::RemoveFromCol, "RemoveFromCol"},
        {C::ImgProperties, "ImgProperties"}};
    ASSERT_EQ(names.size(), AllViewerCommands().size());
    for (const auto& [c, name] : names) {
        EXPECT_EQ(ViewerCommandName(c), name);
        EXPECT_EQ(ViewerCommandByName(name), c);
    }
    EXPECT_FALSE(model.Enabled(std::string_view("Zoom In")));

    // Without a picture there is nothing to zoom: switching modes enables nothing.
    model.SetToZoom(true);
    model.SetToZoom(false);
    EXPECT_FALSE(AnyEnabled());
    EXPECT_TRUE(model.TakeChanges().empty());
}

TEST_F(ViewerModelTest, SmallPhotoShowsAtActualSizeThenZoomOutToHalf) {
    AddPhoto("2", "Small", Picture("small.bmp", 101, 75));
    ASSERT_EQ(Select(0), TSelectResult::Shown);
    EXPECT_EQ(model.State().mode, TViewMode::Zoom);
    EXPECT_EQ(model.TitleBarText(), "Small (100%)");
    EXPECT_EQ(model.State().title, "Small");
    EXPECT_EQ(model.ImageBoxRect(), (TRect{150, 113, 101, 75}));  // 200 - 50, 150 - 37

    model.ZoomOutExecute();
    EXPECT_EQ(model.ImageBoxRect(), (TRect{175, 131, 50, 38}));  // 50.5 -> 50, 37.5 -> 38
    EXPECT_EQ(model.PictureRect(), (TRect{0, 0, 50, 38}));
    EXPECT_EQ(model.TitleBarText(), "Small (50%)");
    EXPECT_FALSE(model.Enabled(C::ZoomOut));
    // Run anyway, it never goes below 50%.
    model.ZoomOutExecute();
    EXPECT_FLOAT_EQ(model.State().factor, 0.5f);
}

TEST_F(ViewerModelTest, OnlyPhotosSmallerBothWaysShowAtActualSize) {
    AddPhoto("2", "Wide", Picture("wide.bmp", 400, 250));
    AddPhoto("3", "Tall", Picture("tall.bmp", 200, 300));
    ASSERT_EQ(Select(0), TSelectResult::Shown);
    EXPECT_EQ(model.TitleBarText(), "Wide");
    EXPECT_EQ(model.PictureRect(), (TRect{0, 25, 400, 250}));
    ASSERT_EQ(Select(1), TSelectResult::Shown);
    EXPECT_EQ(model.State().mode, TViewMode::Fit);
    EXPECT_EQ(model.PictureRect(), (TRect{100, 0, 200, 300}));
}

TEST_F(ViewerModelTest, LargePhotoIsFittedAndZoomCountsFromPixelSize) {
    AddPhoto("2", "Large", Picture("large.jpg", 4000, 3000));
    ASSERT_EQ(Select(0), TSelectResult::Shown);
    EXPECT_EQ(model.State().mode, TViewMode::Fit);
    EXPECT_EQ(model.TitleBarText(), "Large");
    EXPECT_EQ(model.PictureRect(), (TRect{0, 0, 400, 300}));

    model.ZoomInExecute();
    EXPECT_EQ(model.ImageBoxRect(), (TRect{0, 0, 6000, 4500}));
    EXPECT_EQ(model.TitleBarText(), "Large (150%)");
    EXPECT_EQ(model.ScrollRange(), (TSize{5600, 4200}));

    model.ToFitExecute();
    EXPECT_EQ(model.TitleBarText(), "Large");
    EXPECT_EQ(model.ImageBoxRect(), (TRect{0, 0, 400, 300}));
    model.ZoomOutExecute();  // from the fitted view: 50%
    EXPECT_EQ(model.ImageBoxRect(), (TRect{0, 0, 2000, 1500}));
    model.ShowAllExecute();
    EXPECT_EQ(model.TitleBarText(), "Large (100%)");
    EXPECT_TRUE(model.Enabled(C::ZoomOut));
}

TEST_F(ViewerModelTest, ZoomStepsUpToTenfoldAndBackDownToHalf) {
    AddPhoto("2", "P", Picture("p.jpg", 800, 600));
    ASSERT_EQ(Select(0), TSelectResult::Shown);
    for (int i = 1; i <= 16; ++i) {
        model.ZoomInExecute();
        ASSERT_EQ(model.State().factor, 1.0f + 0.5f * static_cast<float>(i)) << i;
        ASSERT_TRUE(model.Enabled(C::ZoomIn) && model.Enabled(C::ZoomOut)) << i;
    }
    EXPECT_EQ(model.TitleBarText(), "P (900%)");
    model.ZoomInExecute();
    EXPECT_EQ(model.TitleBarText(), "P (1000%)");
    EXPECT_EQ(model.ImageBoxRect(), (TRect{0, 0, 8000, 6000}));
    EXPECT_FALSE(model.Enabled(C::ZoomIn));

    model.ZoomOutExecute();
    EXPECT_EQ(model.TitleBarText(), "P (950%)");
    EXPECT_TRUE(model.Enabled(C::ZoomIn));
    model.ZoomInExecute();  // from 9.5 the next step is 10.0 as well
    EXPECT_EQ(model.State().factor, 10.0f);
    EXPECT_FALSE(model.Enabled(C::ZoomIn));

    for (float f = 9.5f; f >= 1.0f; f -= 0.5f) {
        model.ZoomOutExecute();
        ASSERT_EQ(model.State().factor, f);
        ASSERT_TRUE(model.Enabled(C::ZoomOut) && model.Enabled(C::ZoomIn)) << f;
    }
    model.ZoomOutExecute();
    EXPECT_EQ(model.TitleBarText(), "P (50%)");
    EXPECT_FALSE(model.Enabled(C::ZoomOut));
}

TEST_F(ViewerModelTest, ResizePlacesTheZoomedPictureAgain) {
    AddPhoto("2", "P", Picture("p.bmp", 300, 200));
    ASSERT_EQ(Select(0), TSelectResult::Shown);  // at 100%
    EXPECT_EQ(model.ImageBoxRect(), (TRect{50, 50, 300, 200}));
    model.ScrollBox1Resize(1001, 600);
    EXPECT_EQ(model.ImageBoxRect(), (TRect{350, 200, 300, 200}));
    model.ScrollBox1Resize(250, 600);  // narrower than the picture: pinned to 0 across
    EXPECT_EQ(model.ImageBoxRect(), (TRect{0, 200, 300, 200}));
    EXPECT_EQ(model.ScrollRange(), (TSize{50, 0}));

    model.ToFitExecute();
    model.ScrollBox1Resize(600, 200);
    EXPECT_EQ(model.ImageBoxRect(), (TRect{0, 0, 600, 200}));
    EXPECT_EQ(model.PictureRect(), (TRect{150, 0, 300, 200}));
}

TEST_F(ViewerModelTest, AlbumRowFillsTheTextsAndEnablesInOrder) {
    const std::string path = Picture("lake.jpg", 1000, 800);
    AddPhoto("2", "Lake", path, "Bob", "Morning swim");
    AddPhoto("3", "Dock", Picture("dock.bmp", 500, 400), "", "");
    ASSERT_EQ(Select(0), TSelectResult::Shown);
    EXPECT_EQ(model.TitleBarText(), "Lake");
    EXPECT_EQ(model.CreditText(), "Bob");
    EXPECT_EQ(model.NotesText(), "Morning swim");
    EXPECT_TRUE(model.NotesVisible());
    EXPECT_EQ(model.EditorProgram(), "/usr/bin/editor");
    EXPECT_EQ(model.EditorParameters(), "\"" + path + "\"");
    EXPECT_EQ(model.DateText(), FileDateText(path));
    EXPECT_EQ(model.Picture().size(), QSize(1000, 800));

    // The first selection has no earlier picture, so its fit mode enables no zoom command.
    const std::vector<TCommandChange> expected = {
        {C::RemoveFromCol, true}, {C::CopyImg, true},   {C::SetAsWallpaper, true},
        {C::AddToCollection, true}, {C::ViewFullScreen, true}, {C::Print, true},
        {C::EditImage1, true},    {C::ZoomIn, true},    {C::ZoomOut, true},
        {C::ShowAll, true},       {C::ToFit, true},     {C::First, false},
        {C::Previous, false},     {C::Last, true},      {C::Next, true},
        {C::ImgProperties, true},
    };
    EXPECT_EQ(model.TakeChanges(), expected);

    // An empty photographer stays empty ("(No data)" is for folder files); empty notes clear
    // the previous photo's.
    ASSERT_EQ(Select(1), TSelectResult::Shown);
    EXPECT_EQ(model.CreditText(), "");
    EXPECT_EQ(model.NotesText(), "");
}

TEST_F(ViewerModelTest, ImportRowShowsTheFileWithoutCatalogData) {
    AddPhoto("2", "Album photo", Picture("album.bmp", 500, 400), "Ann", "notes");
    ASSERT_EQ(Select(0), TSelectResult::Shown);
    const std::string name = "summer_at_the_lake.jpg";
    Picture(name, 1200, 900);
    const std::vector<std::string> files = {"IMG_0001.JPG", name, "zz.jpg"};
    ASSERT_EQ(model.ListBox2Click(1, dir.str() + "/", files, "gimp"), TSelectResult::Shown);

    EXPECT_EQ(model.State().source, TViewSource::ImportList);
    EXPECT_EQ(model.TitleBarText(), name);
    EXPECT_EQ(model.CreditText(), "(No data)");
    EXPECT_FALSE(model.NotesVisible());
    EXPECT_EQ(model.EditorProgram(), "gimp");
    EXPECT_EQ(model.EditorParameters(), "\"" + dir.file(name) + "\"");
    EXPECT_EQ(model.DateText(), FileDateText(dir.file(name)));
    EXPECT_FALSE(model.Enabled(C::RemoveFromCol));
    EXPECT_FALSE(model.Enabled(C::ImgProperties));
    for (C c : {C::CopyImg, C::SetAsWallpaper, C::AddToCollection, C::ViewFullScreen, C::Print,
                C::ZoomIn, C::ZoomOut, C::ShowAll, C::ToFit, C::EditImage1})
        EXPECT_TRUE(model.Enabled(c)) << ViewerCommandName(c);

    Picture("tiny.bmp", 40, 30);
    ASSERT_EQ(model.ListBox2Click(0, dir.str(), {"tiny.bmp"}, "gimp"), TSelectResult::Shown);
    EXPECT_EQ(model.TitleBarText(), "tiny.bmp (100%)");
    EXPECT_EQ(model.EditorParameters(), "\"" + dir.file("tiny.bmp") + "\"");
}

TEST_F(ViewerModelTest, NavigationRowsStayInsideTheList) {
    EXPECT_EQ(TViewerModel::NavigationRow(C::First, 3, 5), 0);
    EXPECT_EQ(TViewerModel::NavigationRow(C::Last, 0, 5), 4);
    EXPECT_EQ(TViewerModel::NavigationRow(C::Previous, 3, 5), 2);
    EXPECT_EQ(TViewerModel::NavigationRow(C::Next, 3, 5), 4);
    EXPECT_EQ(TViewerModel::NavigationRow(C::Next, 4, 5), std::nullopt);
    EXPECT_EQ(TViewerModel::NavigationRow(C::Previous, 0, 5), std::nullopt);
    // No selected row (the list was rebuilt): Next starts at the first row, Previous has none.
    EXPECT_EQ(TViewerModel::NavigationRow(C::Next, -1, 5), 0);
    EXPECT_EQ(TViewerModel::NavigationRow(C::Previous, -1, 5), std::nullopt);
    EXPECT_EQ(TViewerModel::NavigationRow(C::Next, 7, 5), std::nullopt);  // the list shrank
    EXPECT_EQ(TViewerModel::NavigationRow(C::Last, -1, 0), std::nullopt);
    EXPECT_EQ(TViewerModel::NavigationRow(C::ZoomIn, 1, 5), std::nullopt);
}

TEST_F(ViewerModelTest, NavigationStatesAtTheBoundsOfBothLists) {
    std::vector<std::string> files;
    for (const char* id : {"2", "3", "4"}) {
        const std::string name = std::string("p") + id + ".bmp";
        AddPhoto(id, name, Picture(name, 500, 400));
        files.push_back(name);
    }
    using V = std::vector<bool>;
    const V atFirst{false, false, true, true}, inside{true, true, true, true},
        atLast{true, true, false, false}, none{false, false, false, false};
    const std::vector<V> expected = {atFirst, inside, atLast};
    for (int row = 0; row < 3; ++row) {
        ASSERT_EQ(Select(row), TSelectResult::Shown);
        EXPECT_EQ(Nav(), expected[static_cast<std::size_t>(row)]) << "album row " << row;
        ASSERT_EQ(model.ListBox2Click(row, dir.str(), files, ""), TSelectResult::Shown);
        EXPECT_EQ(Nav(), expected[static_cast<std::size_t>(row)]) << "import row " << row;
        EXPECT_EQ(model.State().source, TViewSource::ImportList);
    }
    ASSERT_EQ(model.ListBox2Click(0, dir.str(), {files[0]}, ""), TSelectResult::Shown);
    EXPECT_EQ(Nav(), none);
    ASSERT_EQ(model.ListBox1Click(0, 1, album, catalog, ""), TSelectResult::Shown);
    EXPECT_EQ(Nav(), none);
    EXPECT_EQ(model.State().source, TViewSource::PhotoList);
}

TEST_F(ViewerModelTest, PlaceholderPathShowsAndEnablesNothing) {
    AddRow("1");   // the seed record itself
    AddRow("77");  // no catalog record: the seed record answers
    for (int row : {0, 1}) {
        EXPECT_EQ(Select(row), TSelectResult::Placeholder);
        EXPECT_FALSE(AnyEnabled());
        EXPECT_EQ(model.TitleBarText(), "No Image Selected");
        EXPECT_FALSE(model.NotesVisible());
    }
    EXPECT_TRUE(messages.asked.empty());
}

TEST_F(ViewerModelTest, MissingFileOnlyResetsToFit) {
    AddPhoto("2", "Here", Picture("here.bmp", 120, 90));
    AddPhoto("3", "Gone", dir.file("gone.jpg"));
    ASSERT_EQ(Select(0), TSelectResult::Shown);
    model.ZoomInExecute();
    const std::string date = model.DateText();

    EXPECT_EQ(Select(1), TSelectResult::MissingFile);
    EXPECT_EQ(model.State().mode, TViewMode::Fit);
    EXPECT_FLOAT_EQ(model.State().factor, 1.0f);
    EXPECT_EQ(model.State().title, "Here");
    EXPECT_EQ(model.DateText(), date);
    EXPECT_EQ(model.Picture().size(), QSize(120, 90));
    EXPECT_TRUE(messages.asked.empty());  // asking about the removal is the window's job
}

TEST_F(ViewerModelTest, UndecodableAlbumPhotoKeepsThePreviousPicture) {
    AddPhoto("2", "Good", Picture("good.bmp", 640, 480), "Ann", "good notes");
    AddPhoto("3", "Broken", Garbage("broken.jpg"), "Bob", "broken notes");
    // As the very first selection: no picture, so nothing to zoom.
    EXPECT_EQ(Select(1), TSelectResult::LoadFailed);
    EXPECT_FALSE(model.HasPicture());
    EXPECT_FALSE(model.Enabled(C::ZoomIn));

    ASSERT_EQ(Select(0), TSelectResult::Shown);
    const std::string goodDate = model.DateText();
    model.SetEnabled(C::ImgProperties, false);  // as if changed elsewhere meanwhile
    messages.asked.clear();

    EXPECT_EQ(Select(1), TSelectResult::LoadFailed);
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_EQ(messages.asked[0].icon, TMsgIcon::Error);
    EXPECT_EQ(messages.asked[0].text, model.LastError());
    EXPECT_NE(messages.asked[0].text.find("broken.jpg"), std::string::npos);
    // Picture, date and the later commands are the previous photo's ...
    EXPECT_EQ(model.Picture().size(), QSize(640, 480));
    EXPECT_EQ(model.DateText(), goodDate);
    EXPECT_FALSE(model.Enabled(C::ImgProperties));
    EXPECT_FALSE(model.Enabled(C::First));  // row 1 of 2 would have enabled it
    // ... while the steps before loading have taken effect.
    EXPECT_EQ(model.TitleBarText(), "Broken");
    EXPECT_EQ(model.CreditText(), "Bob");
    EXPECT_EQ(model.NotesText(), "broken notes");
    EXPECT_TRUE(model.Enabled(C::RemoveFromCol));
}

TEST_F(ViewerModelTest, TheMessageAboutAnUndecodablePhotoNamesTheFile) {
    // An empty file and a JPEG cut short after its first marker: the decoder's text alone
    // does not say which file it could not read.
    const std::string empty = dir.file("empty.jpg");
    const std::string cut = dir.file("cut.jpg");
    testsupport::WriteAll(empty, "");
    testsupport::WriteAll(cut, std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10));
    AddPhoto("2", "Empty", empty);
    AddPhoto("3", "Cut", cut);
    EXPECT_EQ(Select(0), TSelectResult::LoadFailed);
    EXPECT_EQ(Select(1), TSelectResult::LoadFailed);
    ASSERT_EQ(messages.asked.size(), 2u);
    EXPECT_NE(messages.asked[0].text.find(empty), std::string::npos) << messages.asked[0].text;
    EXPECT_NE(messages.asked[1].text.find(cut), std::string::npos) << messages.asked[1].text;
}

TEST_F(ViewerModelTest, PhoneAndCameraPhotosShowUprightWithTheirFileDate) {
    const std::string heic = dir.file("phone.heic"), dng = dir.file("camera.dng");
    ASSERT_TRUE(phototest::MakeHeif(heic, phototest::Scene()));
    ASSERT_TRUE(phototest::RotateHeif(heic, 3));  // a quarter turn clockwise
    phototest::DngOptions six;
    six.orientation = 6;
    testsupport::WriteAll(dng, phototest::MakeDng(phototest::Scene(), six));
    AddPhoto("2", "Phone", heic);
    AddPhoto("3", "Camera", dng);
    for (int row : {0, 1}) {
        ASSERT_EQ(Select(row), TSelectResult::Shown) << model.LastError();
        EXPECT_EQ(model.Picture().size(), QSize(48, 64));
        EXPECT_EQ(phototest::Corners(model.Picture()), "rgbb");
        EXPECT_EQ(model.DateText(), FileDateText(row == 0 ? heic : dng));
        for (C c : {C::CopyImg, C::SetAsWallpaper, C::ViewFullScreen, C::Print})
            EXPECT_TRUE(model.Enabled(c)) << ViewerCommandName(c);
    }
    // One that cannot be decoded is reported like a broken JPEG, by name.
    AddPhoto("4", "Broken", Garbage("broken.NEF"));
    messages.asked.clear();
    EXPECT_EQ(Select(2), TSelectResult::LoadFailed);
    ASSERT_EQ(messages.asked.size(), 1u);
    EXPECT_NE(messages.asked[0].text.find("broken.NEF"), std::string::npos);
    EXPECT_EQ(model.Picture().size(), QSize(48, 64));
}

TEST_F(ViewerModelTest, UndecodableImportFileKeepsEverythingButTheSource) {
    AddPhoto("2", "Good", Picture("good.bmp", 640, 480));
    ASSERT_EQ(Select(0), TSelectResult::Shown);
    Garbage("bad.jpg");
    EXPECT_EQ(model.ListBox2Click(0, dir.str(), {"bad.jpg"}, "gimp"), TSelectResult::LoadFailed);
    EXPECT_EQ(model.ListBox2Click(0, dir.str(), {"absent.jpg"}, "gimp"), TSelectResult::LoadFailed);
    EXPECT_EQ(messages.asked.size(), 2u);
    EXPECT_EQ(model.State().source, TViewSource::ImportList);
    EXPECT_EQ(model.TitleBarText(), "Good");
    EXPECT_EQ(model.Picture().size(), QSize(640, 480));
    EXPECT_TRUE(model.Enabled(C::RemoveFromCol));
}

TEST_F(ViewerModelTest, RowsOutsideTheListChangeNothing) {
    AddPhoto("2", "A", Picture("a.bmp", 500, 400));
    AddPhoto("3", "B", Picture("b.bmp", 500, 400));
    ASSERT_EQ(Select(0), TSelectResult::Shown);
    model.ZoomInExecute();
    model.TakeChanges();
    EXPECT_EQ(Select(-1), TSelectResult::NoRow);
    EXPECT_EQ(Select(2), TSelectResult::NoRow);
    // The list is shorter than the album table, or claims more rows than the table holds.
    EXPECT_EQ(model.ListBox1Click(1, 1, album, catalog, ""), TSelectResult::NoRow);
    EXPECT_EQ(model.ListBox1Click(3, 5, album, catalog, ""), TSelectResult::NoRow);
    EXPECT_EQ(model.ListBox2Click(0, dir.str(), {}, ""), TSelectResult::NoRow);
    EXPECT_EQ(model.State().mode, TViewMode::Zoom);
    EXPECT_EQ(model.TitleBarText(), "A (150%)");
    EXPECT_TRUE(model.TakeChanges().empty());
}

TEST_F(ViewerModelTest, ClearGoesBackToNoImageAndStartsZoomFromScratch) {
    AddPhoto("2", "A", Picture("a.bmp", 500, 400), "Ann", "notes");
    AddPhoto("3", "B", Picture("b.bmp", 500, 400));
    ASSERT_EQ(Select(1), TSelectResult::Shown);
    model.ZoomInExecute();
    model.TakeChanges();

    model.Clear(2);
    EXPECT_FALSE(model.HasPicture());
    EXPECT_EQ(model.TitleBarText(), "No Image Selected");
    EXPECT_EQ(model.CreditText(), "No Image");
    EXPECT_EQ(model.DateText(), "No Image");
    EXPECT_FALSE(model.NotesVisible());
    EXPECT_TRUE(model.EditorParameters().empty());
    EXPECT_EQ(model.State().mode, TViewMode::Fit);
    EXPECT_EQ(model.State().source, TViewSource::PhotoList);
    EXPECT_EQ(model.ImageBoxRect(), (TRect{0, 0, 400, 300}));
    EXPECT_EQ(model.PictureRect(), TRect{});
    // Every command is reported, so the window's actions follow; only First and Last stay on.
    const std::vector<TCommandChange> changes = model.TakeChanges();
    EXPECT_EQ(changes.size(), AllViewerCommands().size());
    for (C c : AllViewerCommands()) EXPECT_EQ(model.Enabled(c), c == C::First || c == C::Last) << int(c);
    // A resize after the clear places nothing.
    model.ScrollBox1Resize(300, 200);
    EXPECT_EQ(model.ImageBoxRect(), (TRect{0, 0, 300, 200}));

    // The next selection counts zoom from the new photo's size, not from the old factor.
    ASSERT_EQ(Select(0), TSelectResult::Shown);
    model.ZoomInExecute();
    EXPECT_EQ(model.TitleBarText(), "A (150%)");

    // An empty list leaves no command enabled.
    model.Clear(0);
    EXPECT_FALSE(AnyEnabled());
}

TEST(FileDate, ShortDateAndLongTimeOfTheLocale) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    const QDateTime afternoon(QDate(2024, 3, 5), QTime(14, 7, 9));
    EXPECT_EQ(FormatFileDate(afternoon, us), "3/5/24 2:07:09 PM");
    EXPECT_EQ(FormatFileDate(afternoon, de), "05.03.24 14:07:09");
    // Exactly midnight: the date alone.
    EXPECT_EQ(FormatFileDate(QDateTime(QDate(2024, 3, 5), QTime(0, 0, 0)), us), "3/5/24");
    EXPECT_EQ(FormatFileDate(QDateTime(QDate(2024, 3, 5), QTime(0, 0, 1)), de), "05.03.24 00:00:01");
    testsupport::TempDir dir;
    EXPECT_EQ(FileDateText(dir.file("missing")), "");
}

}  // namespace
