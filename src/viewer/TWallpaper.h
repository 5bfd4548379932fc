#pragma once
// Set As Wallpaper without its dialog: the wallpaper file (a 32-bit BMP named after the user),
// the desktop values kept in the settings store, and telling the running desktop to show it.
//
// Each desktop is told through its own settings tool, picked by XDG_CURRENT_DESKTOP: GNOME and
// its relatives, Cinnamon and MATE through gsettings, KDE Plasma through its scripting
// interface on D-Bus (qdbus or dbus-send), XFCE through xfconf-query, and any other X desktop
// through feh when it is installed. The tools are found on the PATH and run through a runner,
// which tests replace.

#include <QImage>
#include <string>
#include <vector>

class TSettingsStore;

namespace viewer {

enum class TWallpaperPosition { Stretched, Tiled, Centered };

// The settings store section that holds the desktop values.
inline constexpr const char* kDesktopSection = "Control Panel\\Desktop";

struct TDesktopValue {
    std::string name;
    std::string value;
    bool operator==(const TDesktopValue&) const = default;
};

// The five desktop values for the wallpaper file at path, in the order they are written:
// "Wallpaper", "TileWallpaper", "WallpaperStyle", "WallpaperOriginX", "WallpaperOriginY".
std::vector<TDesktopValue> WallpaperValues(const std::string& path, TWallpaperPosition position);

// user + "'s Wallpaper.bmp".
std::string WallpaperFileName(const std::string& userName);

// The picture as an uncompressed 32-bit Windows bitmap (bottom-up rows, blue-green-red-255).
// Empty for a null picture or one too large for the format.
std::string EncodeBmp32(const QImage& picture);

// Writes the bitmap at path, replacing any file there atomically. False with the reason.
bool SaveWallpaperFile(const QImage& picture, const std::string& path, std::string& error);

// Writes the five values into the settings store's desktop section. False when the store
// could not be written.
bool WriteDesktopValues(TSettingsStore& settings, const std::string& path, TWallpaperPosition position);

// ---- Telling the desktop ----

struct TDesktopCommand {
    std::string program;
    std::vector<std::string> args;
};

// Runs desktop tools. Find gives a program's full path on the PATH ("" when not installed);
// Run runs one, waits for it and returns whether it ran and ended with exit code 0 (its
// standard output in *output when asked).
class TDesktopRunner {
public:
    virtual ~TDesktopRunner() = default;
    virtual std::string Find(const std::string& program) = 0;
    virtual bool Run(const TDesktopCommand& command, std::string* output) = 0;
};

// The runner the program uses: QProcess, each tool given 15 seconds.
class TProcessRunner : public TDesktopRunner {
public:
    std::string Find(const std::string& program) override;
    bool Run(const TDesktopCommand& command, std::string* output) override;
};

enum class TDesktopFamily { Gnome, Cinnamon, Mate, Kde, Xfce, Other };

// The desktop named by XDG_CURRENT_DESKTOP (a colon-separated list, the first known name wins).
TDesktopFamily DesktopFamily(const std::string& currentDesktop);

struct TWallpaperApplied {
    bool applied = false;
    std::string tool;  // the tool that was used or that failed ("" when none applies)
};

// Tells the running desktop to show the wallpaper file at path. currentDesktop is
// XDG_CURRENT_DESKTOP, display is DISPLAY (feh is only used on an X display).
TWallpaperApplied ApplyWallpaper(const std::string& path, TWallpaperPosition position,
                                 const std::string& currentDesktop, const std::string& display,
                                 TDesktopRunner& runner);

// The Plasma script that sets the picture on every desktop with the placement's fill mode.
std::string PlasmaScript(const std::string& path, TWallpaperPosition position);

}  // namespace viewer
