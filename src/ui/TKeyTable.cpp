#include "TKeyTable.h"

#include <QStringList>

#include <cstring>

namespace {

// Keys of the places come after the commands' own: a place never takes a key the window binds
// (Left is not Alt+Left, "+" is not Ctrl++).
const std::vector<TKeyBinding> kTable = {
    {TKeyPlace::Window, "Ctrl+N", "NewCol", ""},
    {TKeyPlace::Window, "Ctrl+O", "OpenCol", ""},
    {TKeyPlace::Window, "Ctrl+I", "nuImport", ""},
    {TKeyPlace::Window, "Ctrl+Shift+I", "ImportScan", ""},
    {TKeyPlace::Window, "Alt+S", "Share", ""},
    {TKeyPlace::Window, "Ctrl+S", "Search", ""},
    {TKeyPlace::Window, "Ctrl+P", "Print", ""},
    {TKeyPlace::Window, "Alt+F4;Ctrl+Q", "Quit", ""},
    {TKeyPlace::Window, "Ctrl+T", "TaskLauncher", "Task Launcher"},
    {TKeyPlace::Window, "Alt+1", "HideCollections", ""},
    {TKeyPlace::Window, "Alt+2", "HideCredit", ""},
    {TKeyPlace::Window, "Shift+Alt+Left", "First", ""},
    {TKeyPlace::Window, "Alt+Left", "Previous", ""},
    {TKeyPlace::Window, "Alt+Right", "Next", ""},
    {TKeyPlace::Window, "Shift+Alt+Right", "Last", ""},
    {TKeyPlace::Window, "Shift+Del", "RemoveCol", ""},
    {TKeyPlace::Window, "Ctrl+=;Ctrl++", "ZoomIn", ""},
    {TKeyPlace::Window, "Alt+=", "ShowAll", ""},
    {TKeyPlace::Window, "Ctrl+-", "ZoomOut", ""},
    {TKeyPlace::Window, "Alt+-", "ToFit", ""},
    {TKeyPlace::Window, "Ctrl+C", "CopyImg", ""},
    {TKeyPlace::Window, "Ctrl+E", "EditImage1", ""},
    {TKeyPlace::Window, "Ctrl+A", "AddToCollection", ""},
    {TKeyPlace::Window, "Del", "RemoveFromCol", ""},
    {TKeyPlace::Window, "Ctrl+W", "SetAsWallpaper", ""},
    {TKeyPlace::Window, "F11", "ViewFullScreen", ""},
    {TKeyPlace::Window, "Ctrl+Return;Ctrl+Enter", "ImgProperties", ""},
    {TKeyPlace::Window, "F1", "Help", ""},

    {TKeyPlace::PictureArea, "Left;PgUp;Backspace", "Previous", ""},
    {TKeyPlace::PictureArea, "Right;PgDown;Space", "Next", ""},
    {TKeyPlace::PictureArea, "Home", "First", ""},
    {TKeyPlace::PictureArea, "End", "Last", ""},
    {TKeyPlace::PictureArea, "+;=", "ZoomIn", ""},
    {TKeyPlace::PictureArea, "-", "ZoomOut", ""},
    {TKeyPlace::PictureArea, "Menu", "", "The picture's menu"},

    {TKeyPlace::PhotoList, "Del", "RemoveFromCol", ""},
    {TKeyPlace::PhotoList, "Menu", "", "The photo's menu"},

    {TKeyPlace::FullScreen, "Esc", "", "Close full screen"},
    {TKeyPlace::Slideshow, "Left", "", "Previous photo"},
    {TKeyPlace::Slideshow, "Right", "", "Next photo"},
    {TKeyPlace::Slideshow, "Esc", "", "End the show"},
};

}  // namespace

const std::vector<TKeyBinding>& KeyTable() { return kTable; }

QList<QKeySequence> BindingKeys(const TKeyBinding& binding) {
    QList<QKeySequence> keys;
    // "+" alone is a key, not the separator of a combination.
    for (const QString& k : QString(binding.keys).split(';', Qt::SkipEmptyParts))
        keys << (k == "+" ? QKeySequence(Qt::Key_Plus) : QKeySequence::fromString(k, QKeySequence::PortableText));
    return keys;
}

QList<QKeySequence> CommandKeys(const char* command, TKeyPlace place) {
    for (const TKeyBinding& b : kTable)
        if (b.place == place && std::strcmp(b.command, command) == 0) return BindingKeys(b);
    return {};
}

QString KeyPlaceName(TKeyPlace place) {
    switch (place) {
        case TKeyPlace::Window: return "Anywhere in the main window";
        case TKeyPlace::PictureArea: return "In the picture";
        case TKeyPlace::PhotoList: return "In the photo list";
        case TKeyPlace::FullScreen: return "Full screen";
        case TKeyPlace::Slideshow: return "Slideshow";
    }
    return {};
}

QString KeysText(const QList<QKeySequence>& keys) {
    QStringList parts;
    for (const QKeySequence& k : keys) parts << k.toString(QKeySequence::NativeText);
    return parts.join(", ");
}
