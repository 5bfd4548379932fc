#include "TWallpaper.h"

#include <QProcess>
#include <QStringList>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <unistd.h>

#include "TExactProcess.h"
#include "TPlatform.h"
#include "TSettingsStore.h"

namespace viewer {

namespace {

void Put16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void Put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A text as a GVariant string literal: in single quotes, with backslash and quote escaped.
std::string GVariantString(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\\' || c == '\'') out += '\\';
        out += c;
    }
    return out + "'";
}

// A text as a JavaScript string literal in double quotes.
std::string ScriptString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// A file URI made from the path's bytes (a name that is not UTF-8 keeps its bytes, encoded).
std::string FileUri(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "file://";
    for (const unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           std::strchr("/-._~!$&'()*+,;=:@", c) != nullptr;
        if (plain && c != 0) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// The placement names of the GNOME family (GNOME, Cinnamon and MATE share them).
const char* GnomeOption(TWallpaperPosition p) {
    switch (p) {
        case TWallpaperPosition::Tiled: return "wallpaper";
        case TWallpaperPosition::Centered: return "centered";
        default: return "stretched";
    }
}

// XFCE's image-style: 1 centred, 2 tiled, 3 stretched.
const char* XfceStyle(TWallpaperPosition p) {
    switch (p) {
        case TWallpaperPosition::Tiled: return "2";
        case TWallpaperPosition::Centered: return "1";
        default: return "3";
    }
}

// Plasma's FillMode (Qt Quick Image): 0 stretch, 3 tile, 6 pad (centred at its own size).
int PlasmaFillMode(TWallpaperPosition p) {
    switch (p) {
        case TWallpaperPosition::Tiled: return 3;
        case TWallpaperPosition::Centered: return 6;
        default: return 0;
    }
}

const char* FehOption(TWallpaperPosition p) {
    switch (p) {
        case TWallpaperPosition::Tiled: return "--bg-tile";
        case TWallpaperPosition::Centered: return "--bg-center";
        default: return "--bg-scale";
    }
}

// Runs the commands in order; the first failure stops. optional[i] marks a command whose
// failure does not count (a key an older desktop does not have).
bool RunAll(TDesktopRunner& runner, const std::vector<TDesktopCommand>& commands,
            const std::vector<bool>& optional = {}) {
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const bool ok = runner.Run(commands[i], nullptr);
        if (!ok && !(i < optional.size() && optional[i])) return false;
    }
    return true;
}

TWallpaperApplied ApplyGsettings(TDesktopRunner& runner, const std::string& schema, const std::string& key,
                                 const std::string& value, TWallpaperPosition position, bool darkToo) {
    TWallpaperApplied r;
    r.tool = "gsettings";
    const std::string program = runner.Find("gsettings");
    if (program.empty()) return r;
    std::vector<TDesktopCommand> commands = {{program, {"set", schema, key, GVariantString(value)}}};
    std::vector<bool> optional = {false};
    if (darkToo) {
        // GNOME 42 and later show this key's picture in dark style; older ones have no such key.
        commands.push_back({program, {"set", schema, "picture-uri-dark", GVariantString(value)}});
        optional.push_back(true);
    }
    commands.push_back({program, {"set", schema, "picture-options", GVariantString(GnomeOption(position))}});
    optional.push_back(false);
    r.applied = RunAll(runner, commands, optional);
    return r;
}

TWallpaperApplied ApplyPlasma(TDesktopRunner& runner, const std::string& path, TWallpaperPosition position) {
    TWallpaperApplied r;
    const std::string script = PlasmaScript(path, position);
    for (const char* name : {"qdbus", "qdbus6", "qdbus-qt6", "qdbus-qt5"}) {
        const std::string program = runner.Find(name);
        if (program.empty()) continue;
        r.tool = name;
        r.applied = runner.Run(
            {program, {"org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell.evaluateScript", script}}, nullptr);
        return r;
    }
    const std::string program = runner.Find("dbus-send");
    r.tool = "dbus-send";
    if (program.empty()) return r;
    r.applied = runner.Run({program,
                            {"--session", "--type=method_call", "--dest=org.kde.plasmashell", "/PlasmaShell",
                             "org.kde.PlasmaShell.evaluateScript", "string:" + script}},
                           nullptr);
    return r;
}

TWallpaperApplied ApplyXfce(TDesktopRunner& runner, const std::string& path, TWallpaperPosition position) {
    TWallpaperApplied r;
    r.tool = "xfconf-query";
    const std::string program = runner.Find("xfconf-query");
    if (program.empty()) return r;
    // Every monitor and workspace has its own picture property; set them all.
    std::string listing;
    std::vector<std::string> properties;
    if (runner.Run({program, {"-c", "xfce4-desktop", "-l"}}, &listing)) {
        std::istringstream lines(listing);
        const std::string suffix = "/last-image";
        for (std::string line; std::getline(lines, line);) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
            if (line.size() > suffix.size() && line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
                properties.push_back(line);
        }
    }
    if (properties.empty()) properties.push_back("/backdrop/screen0/monitor0/workspace0/last-image");
    std::vector<TDesktopCommand> commands;
    for (const std::string& p : properties) {
        const std::string style = p.substr(0, p.size() - std::string("last-image").size()) + "image-style";
        commands.push_back({program, {"-c", "xfce4-desktop", "-p", p, "-n", "-t", "string", "-s", path}});
        commands.push_back({program, {"-c", "xfce4-desktop", "-p", style, "-n", "-t", "int", "-s", XfceStyle(position)}});
    }
    r.applied = RunAll(runner, commands);
    return r;
}

}  // namespace

std::vector<TDesktopValue> WallpaperValues(const std::string& path, TWallpaperPosition position) {
    const char* tile = position == TWallpaperPosition::Tiled ? "1" : "0";
    const char* style = position == TWallpaperPosition::Stretched ? "2" : "3";
    return {{"Wallpaper", path},
            {"TileWallpaper", tile},
            {"WallpaperStyle", style},
            {"WallpaperOriginX", "0"},
            {"WallpaperOriginY", "0"}};
}

std::string WallpaperFileName(const std::string& userName) { return userName + "'s Wallpaper.bmp"; }

std::string EncodeBmp32(const QImage& picture) {
    if (picture.isNull()) return {};
    const std::uint64_t w = std::uint64_t(picture.width());
    const std::uint64_t h = std::uint64_t(picture.height());
    const std::uint64_t pixelBytes = w * h * 4;
    if (pixelBytes + 54 > 0xFFFFFFFFull || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return {};
    const QImage rgb = picture.format() == QImage::Format_RGB32 ? picture
                                                                  : picture.convertToFormat(QImage::Format_RGB32);
    std::string out;
    out.reserve(std::size_t(54 + pixelBytes));
    // File header.
    out += "BM";
    Put32(out, std::uint32_t(54 + pixelBytes));
    Put32(out, 0);
    Put32(out, 54);
    // Information header: bottom-up rows, 32 bits per pixel, no compression, 72 dpi.
    Put32(out, 40);
    Put32(out, std::uint32_t(w));
    Put32(out, std::uint32_t(h));
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);
    Put32(out, std::uint32_t(pixelBytes));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = int(h) - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (std::uint64_t x = 0; x < w; ++x) {
            out += static_cast<char>(qBlue(row[x]));
            out += static_cast<char>(qGreen(row[x]));
            out += static_cast<char>(qRed(row[x]));
            out += static_cast<char>(0xFF);
        }
    }
    return out;
}

bool SaveWallpaperFile(const QImage& picture, const std::string& path, std::string& error) {
    const std::string bytes = EncodeBmp32(picture);
    if (bytes.empty()) {
        error = "The picture is too large to be saved as a wallpaper.";
        return false;
    }
    return WriteFileAtomic(path, bytes, &error);
}

bool WriteDesktopValues(TSettingsStore& settings, const std::string& path, TWallpaperPosition position) {
    bool ok = true;
    for (const TDesktopValue& v : WallpaperValues(path, position))
        ok = settings.WriteString(kDesktopSection, v.name, v.value) && ok;
    return ok;
}

std::string TProcessRunner::Find(const std::string& program) { return FindProgramBytes(program); }

bool TProcessRunner::Run(const TDesktopCommand& command, std::string* output) {
    // The wallpaper's path reaches the tool as its bytes, whatever the file name's encoding.
    TExactArguments exact(command.program, command.args);
    QProcess p;
    exact.ApplyTo(p);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start();
    if (!p.waitForStarted(15000)) return false;
    p.closeWriteChannel();
    if (!p.waitForFinished(15000)) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    if (output) *output = p.readAllStandardOutput().toStdString();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

TDesktopFamily DesktopFamily(const std::string& currentDesktop) {
    std::istringstream names(currentDesktop);
    for (std::string name; std::getline(names, name, ':');) {
        std::string n;
        for (char c : name) n += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (n == "x-cinnamon" || n == "cinnamon") return TDesktopFamily::Cinnamon;
        if (n == "mate") return TDesktopFamily::Mate;
        if (n == "kde" || n == "plasma") return TDesktopFamily::Kde;
        if (n == "xfce" || n == "xfce4") return TDesktopFamily::Xfce;
        if (n == "gnome" || n == "gnome-classic" || n == "gnome-flashback" || n == "unity" || n == "ubuntu" ||
            n == "budgie" || n == "pantheon" || n == "zorin")
            return TDesktopFamily::Gnome;
    }
    return TDesktopFamily::Other;
}

std::string PlasmaScript(const std::string& path, TWallpaperPosition position) {
    return "var all = desktops();\n"
           "for (var i = 0; i < all.length; i++) {\n"
           "    var d = all[i];\n"
           "    d.wallpaperPlugin = \"org.kde.image\";\n"
           "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
           "    d.writeConfig(\"Image\", " +
           ScriptString(FileUri(path)) +
           ");\n"
           "    d.writeConfig(\"FillMode\", " +
           std::to_string(PlasmaFillMode(position)) +
           ");\n"
           "}\n";
}

TWallpaperApplied ApplyWallpaper(const std::string& path, TWallpaperPosition position,
                                 const std::string& currentDesktop, const std::string& display,
                                 TDesktopRunner& runner) {
    switch (DesktopFamily(currentDesktop)) {
        case TDesktopFamily::Gnome:
            return ApplyGsettings(runner, "org.gnome.desktop.background", "picture-uri", FileUri(path), position, true);
        case TDesktopFamily::Cinnamon:
            return ApplyGsettings(runner, "org.cinnamon.desktop.background", "picture-uri", FileUri(path), position,
                                  false);
        case TDesktopFamily::Mate:
            return ApplyGsettings(runner, "org.mate.background", "picture-filename", path, position, false);
        case TDesktopFamily::Kde:
            return ApplyPlasma(runner, path, position);
        case TDesktopFamily::Xfce:
            return ApplyXfce(runner, path, position);
        case TDesktopFamily::Other:
            break;
    }
    TWallpaperApplied r;
    if (display.empty()) return r;
    const std::string feh = runner.Find("feh");
    if (feh.empty()) return r;
    r.tool = "feh";
    r.applied = runner.Run({feh, {FehOption(position), path}}, nullptr);
    return r;
}

}  // namespace viewer
