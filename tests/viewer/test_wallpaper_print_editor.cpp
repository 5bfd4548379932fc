// Set As Wallpaper's values, file and desktop tools; the printed page's layout; the choice of
// the external editor.
#include <gtest/gtest.h>

#include <QImage>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "TEditorLaunch.h"
#include "TPrintLayout.h"
#include "TSettingsStore.h"
#include "TWallpaper.h"
#include "TestSupport.h"

using namespace viewer;
using Values = std::vector<TDesktopValue>;

namespace {

TEST(Wallpaper, ValuesForEachPosition) {
    const std::string p = "/home/anna/anna's Wallpaper.bmp";
    EXPECT_EQ(WallpaperValues(p, TWallpaperPosition::Stretched),
              (Values{{"Wallpaper", p}, {"TileWallpaper", "0"}, {"WallpaperStyle", "2"},
                      {"WallpaperOriginX", "0"}, {"WallpaperOriginY", "0"}}));
    EXPECT_EQ(WallpaperValues(p, TWallpaperPosition::Tiled),
              (Values{{"Wallpaper", p}, {"TileWallpaper", "1"}, {"WallpaperStyle", "3"},
                      {"WallpaperOriginX", "0"}, {"WallpaperOriginY", "0"}}));
    EXPECT_EQ(WallpaperValues(p, TWallpaperPosition::Centered),
              (Values{{"Wallpaper", p}, {"TileWallpaper", "0"}, {"WallpaperStyle", "3"},
                      {"WallpaperOriginX", "0"}, {"WallpaperOriginY", "0"}}));
    EXPECT_EQ(WallpaperFileName("anna"), "anna's Wallpaper.bmp");
}

TEST(Wallpaper, ValuesGoToTheDesktopSection) {
    testsupport::TempDir dir;
    TSettingsStore store(dir.file("user.conf"), dir.file("machine.conf"));
    ASSERT_TRUE(WriteDesktopValues(store, "/w/anna's Wallpaper.bmp", TWallpaperPosition::Tiled));
    EXPECT_EQ(store.ReadString(kDesktopSection, "Wallpaper", ""), "/w/anna's Wallpaper.bmp");
    EXPECT_EQ(store.ReadString(kDesktopSection, "TileWallpaper", ""), "1");
    EXPECT_EQ(store.ReadString(kDesktopSection, "WallpaperStyle", ""), "3");
    EXPECT_EQ(store.ReadString("Images", "Wallpaper", "none"), "none");
}

TEST(Wallpaper, Bitmap32RoundTrips) {
    QImage pic(3, 2, QImage::Format_RGB32);
    pic.setPixel(0, 0, qRgb(255, 0, 0));
    pic.setPixel(1, 0, qRgb(0, 255, 0));
    pic.setPixel(2, 0, qRgb(0, 0, 255));
    pic.setPixel(0, 1, qRgb(10, 20, 30));
    pic.setPixel(1, 1, qRgb(40, 50, 60));
    pic.setPixel(2, 1, qRgb(70, 80, 90));
    const std::string bmp = EncodeBmp32(pic);
    ASSERT_EQ(bmp.size(), 54u + 3 * 2 * 4);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 32);  // bits per pixel
    EXPECT_EQ(static_cast<unsigned char>(bmp[30]), 0);   // no compression
    // The bottom row comes first, blue-green-red.
    EXPECT_EQ(static_cast<unsigned char>(bmp[54]), 30);
    EXPECT_EQ(static_cast<unsigned char>(bmp[56]), 10);

    testsupport::TempDir dir;
    const std::string path = dir.file("anna's Wallpaper.bmp");
    std::string error;
    ASSERT_TRUE(SaveWallpaperFile(pic, path, error)) << error;
    QImage back(QString::fromStdString(path));
    ASSERT_EQ(back.size(), pic.size());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(back.pixel(x, y) & 0xFFFFFF, pic.pixel(x, y) & 0xFFFFFF);
    EXPECT_TRUE(EncodeBmp32(QImage()).empty());

}

// Records the commands instead of running them; programs in `installed` are found.
class TRecordingRunner : public TDesktopRunner {
public:
    std::map<std::string, std::string> installed;  // name -> path
    std::string listing;
    bool fail = false;
    std::vector<TDesktopCommand> ran;
    std::string Find(const std::string& program) override {
        auto it = installed.find(program);
        return it == installed.end() ? "" : it->second;
    }
    bool Run(const TDesktopCommand& c, std::string* output) override {
        ran.push_back(c);
        if (output) *output = listing;
        return !fail;
    }
};

using Args = std::vector<std::string>;

TEST(Wallpaper, DesktopFamilies) {
    EXPECT_EQ(DesktopFamily("ubuntu:GNOME"), TDesktopFamily::Gnome);
    EXPECT_EQ(DesktopFamily("X-Cinnamon"), TDesktopFamily::Cinnamon);
    EXPECT_EQ(DesktopFamily("MATE"), TDesktopFamily::Mate);
    EXPECT_EQ(DesktopFamily("KDE"), TDesktopFamily::Kde);
    EXPECT_EQ(DesktopFamily("XFCE"), TDesktopFamily::Xfce);
    EXPECT_EQ(DesktopFamily("LXDE"), TDesktopFamily::Other);
    EXPECT_EQ(DesktopFamily(""), TDesktopFamily::Other);
}

TEST(Wallpaper, EachDesktopGetsItsOwnPlacement) {
    const std::string p = "/w/anna's Wallpaper.bmp";
    {
        TRecordingRunner r;
        r.installed["gsettings"] = "/bin/gsettings";
        const TWallpaperApplied a = ApplyWallpaper(p, TWallpaperPosition::Tiled, "GNOME", ":0", r);
        EXPECT_TRUE(a.applied);
        ASSERT_EQ(r.ran.size(), 3u);
        EXPECT_EQ(r.ran[0].args, (Args{"set", "org.gnome.desktop.background", "picture-uri",
                                       "'file:///w/anna\\'s%20Wallpaper.bmp'"}));
        EXPECT_EQ(r.ran[1].args[2], "picture-uri-dark");
        EXPECT_EQ(r.ran[2].args, (Args{"set", "org.gnome.desktop.background", "picture-options", "'wallpaper'"}));
    }
    {
        TRecordingRunner r;
        r.installed["gsettings"] = "/bin/gsettings";
        ApplyWallpaper(p, TWallpaperPosition::Centered, "MATE", "", r);
        ASSERT_EQ(r.ran.size(), 2u);
        EXPECT_EQ(r.ran[0].args, (Args{"set", "org.mate.background", "picture-filename", "'/w/anna\\'s Wallpaper.bmp'"}));
        EXPECT_EQ(r.ran[1].args[3], "'centered'");
    }
    {
        TRecordingRunner r;
        r.installed["gsettings"] = "/bin/gsettings";
        ApplyWallpaper(p, TWallpaperPosition::Stretched, "X-Cinnamon", "", r);
        ASSERT_EQ(r.ran.size(), 2u);
        EXPECT_EQ(r.ran[0].args[1], "org.cinnamon.desktop.background");
        EXPECT_EQ(r.ran[1].args[3], "'stretched'");
    }
    {
        TRecordingRunner r;
        r.installed["xfconf-query"] = "/bin/xfconf-query";
        r.listing = "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n/backdrop/screen0/monitorHDMI-1/"
                    "workspace0/image-style\n/backdrop/screen0/monitorDP-2/workspace1/last-image\n";
        EXPECT_TRUE(ApplyWallpaper(p, TWallpaperPosition::Stretched, "XFCE", ":0", r).applied);
        ASSERT_EQ(r.ran.size(), 5u);  // the listing, then picture and style for both
        EXPECT_EQ(r.ran[1].args, (Args{"-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitorHDMI-1/workspace0/last-image",
                                       "-n", "-t", "string", "-s", p}));
        EXPECT_EQ(r.ran[2].args, (Args{"-c", "xfce4-desktop", "-p", "/backdrop/screen0/monitorHDMI-1/workspace0/image-style",
                                       "-n", "-t", "int", "-s", "3"}));
        EXPECT_EQ(r.ran[3].args[3], "/backdrop/screen0/monitorDP-2/workspace1/last-image");
    }
    {
        TRecordingRunner r;
        r.installed["dbus-send"] = "/bin/dbus-send";
        EXPECT_TRUE(ApplyWallpaper(p, TWallpaperPosition::Centered, "KDE", ":0", r).applied);
        ASSERT_EQ(r.ran.size(), 1u);
        EXPECT_EQ(r.ran[0].args[2], "--dest=org.kde.plasmashell");
        EXPECT_NE(r.ran[0].args[5].find("\"file:///w/anna's%20Wallpaper.bmp\""), std::string::npos);
        EXPECT_NE(r.ran[0].args[5].find("writeConfig(\"FillMode\", 6)"), std::string::npos);
        r.installed["qdbus"] = "/bin/qdbus";
        r.ran.clear();
        ApplyWallpaper(p, TWallpaperPosition::Tiled, "KDE", ":0", r);
        EXPECT_EQ(r.ran.at(0).program, "/bin/qdbus");
        EXPECT_NE(r.ran[0].args[3].find("writeConfig(\"FillMode\", 3)"), std::string::npos);
    }
    {
        TRecordingRunner r;
        r.installed["feh"] = "/bin/feh";
        EXPECT_TRUE(ApplyWallpaper(p, TWallpaperPosition::Centered, "LXDE", ":0", r).applied);
        EXPECT_EQ(r.ran.at(0).args, (Args{"--bg-center", p}));
        r.ran.clear();
        EXPECT_FALSE(ApplyWallpaper(p, TWallpaperPosition::Centered, "LXDE", "", r).applied);  // no X display
        EXPECT_TRUE(r.ran.empty());
    }
    {
        TRecordingRunner r;  // nothing installed
        const TWallpaperApplied a = ApplyWallpaper(p, TWallpaperPosition::Stretched, "GNOME", ":0", r);
        EXPECT_FALSE(a.applied);
        EXPECT_EQ(a.tool, "gsettings");
        r.installed["gsettings"] = "/bin/gsettings";
        r.fail = true;  // the tool ran but failed
        EXPECT_FALSE(ApplyWallpaper(p, TWallpaperPosition::Stretched, "GNOME", ":0", r).applied);
    }
}

TEST(Wallpaper, FileNamesThatAreNotUtf8KeepTheirBytes) {
    // A Latin-1 "café" folder: the byte E9 alone is no UTF-8.
    const std::string p = "/w/caf\xe9/anna's Wallpaper.bmp";
    TRecordingRunner r;
    r.installed["gsettings"] = "/bin/gsettings";
    ApplyWallpaper(p, TWallpaperPosition::Tiled, "GNOME", ":0", r);
    ASSERT_FALSE(r.ran.empty());
    EXPECT_EQ(r.ran[0].args[3], "'file:///w/caf%E9/anna\\'s%20Wallpaper.bmp'");
    TRecordingRunner mate;
    mate.installed["gsettings"] = "/bin/gsettings";
    ApplyWallpaper(p, TWallpaperPosition::Tiled, "MATE", "", mate);
    ASSERT_FALSE(mate.ran.empty());
    EXPECT_EQ(mate.ran[0].args[3], "'/w/caf\xe9/anna\\'s Wallpaper.bmp'");

    // The runner the program uses hands the bytes on unchanged.
    testsupport::TempDir dir;
    const std::string log = dir.file("args");
    const std::string tool = dir.file("tool");
    testsupport::WriteAll(tool, "#!/bin/sh\nprintf '%s' \"$1\" > '" + log + "'\n");
    ASSERT_EQ(chmod(tool.c_str(), 0755), 0);
    TProcessRunner runner;
    EXPECT_TRUE(runner.Run({tool, {p}}, nullptr));
    EXPECT_EQ(testsupport::ReadAll(log), p);
}

TEST(PrintLayout, OrientationAndProportions) {
    EXPECT_EQ(PrintOrientation(1600, 1200), TPageOrientation::Landscape);
    EXPECT_EQ(PrintOrientation(1200, 1600), TPageOrientation::Portrait);
    EXPECT_EQ(PrintOrientation(1000, 1000), TPageOrientation::Portrait);
    // 1600 x 1200 on a landscape page 6800 x 4800: as large as the height allows, centred.
    EXPECT_EQ(PrintRect(1600, 1200, 6800, 4800), (TRect{200, 0, 6400, 4800}));
    // A wide panorama is limited by the width instead.
    EXPECT_EQ(PrintRect(4000, 1000, 6800, 4800), (TRect{0, 1550, 6800, 1700}));
    EXPECT_EQ(PrintRect(0, 0, 6800, 4800), TRect{});
}

TEST(EditorLaunch, DefaultFindsACommonEditorElseTheDesktopOpener) {
    std::map<std::string, std::string> path;
    const auto find = [&](const std::string& p) { return path.count(p) ? path[p] : std::string(); };
    path["xdg-open"] = "/usr/bin/xdg-open";
    TEditorLaunch l = ResolveEditor(kDefaultImageEditor, "/p/a b.jpg", find);
    EXPECT_EQ(l.program, "/usr/bin/xdg-open");
    EXPECT_FALSE(l.wait);
    EXPECT_EQ(l.args, (Args{"/p/a b.jpg"}));
    path["pinta"] = "/usr/bin/pinta";
    path["krita"] = "/usr/bin/krita";
    l = ResolveEditor("C:\\Windows\\System32\\MSPaint.exe", "/p/a.jpg", find);
    EXPECT_EQ(l.program, "/usr/bin/krita");
    EXPECT_TRUE(l.wait);
    EXPECT_EQ(ResolveEditor("  ", "/p/a.jpg", find).name, "krita");
    // A named program is used as named, looked up on the PATH when it has no folder.
    EXPECT_EQ(ResolveEditor("pinta", "/p/a.jpg", find).program, "/usr/bin/pinta");
    l = ResolveEditor("/opt/paint/bin/paint", "/p/a.jpg", find);
    EXPECT_EQ(l.program, "/opt/paint/bin/paint");
    EXPECT_TRUE(l.wait);
    l = ResolveEditor("nosuchpaint", "/p/a.jpg", find);
    EXPECT_EQ(l.program, "nosuchpaint");
    EXPECT_EQ(l.name, "nosuchpaint");
    EXPECT_EQ(UnquotedPath("\"/p/a b.jpg\""), "/p/a b.jpg");
    EXPECT_EQ(UnquotedPath("/p/a.jpg"), "/p/a.jpg");
}

}  // namespace
