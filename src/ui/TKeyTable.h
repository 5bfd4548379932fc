#pragma once
// Every key of the program in one table. The main window binds its commands' keys and the keys
// of the picture area and the photo list from it, and Help > Keyboard Shortcuts lists it, so the
// list cannot drift from what the keys do. The full screen and slideshow windows' keys are
// listed here as those windows handle them.

#include <QKeySequence>
#include <QList>
#include <QString>

#include <vector>

enum class TKeyPlace {
    Window,       // anywhere in the main window: the commands' own keys
    PictureArea,  // while the picture area has the focus
    PhotoList,    // while the photo list has the focus
    FullScreen,   // the full screen window
    Slideshow,    // the slideshow window
};

struct TKeyBinding {
    TKeyPlace place;
    const char* keys;     // portable key text; several keys separated by ";"
    const char* command;  // the command the keys run (its object name), or "" for a window's own key
    const char* what;     // what the keys do, for the list (empty: the command's caption)
};

const std::vector<TKeyBinding>& KeyTable();

// The keys of one entry.
QList<QKeySequence> BindingKeys(const TKeyBinding& binding);
// The keys the table gives a command in a place (empty when none).
QList<QKeySequence> CommandKeys(const char* command, TKeyPlace place = TKeyPlace::Window);
// The place as the list names it ("Anywhere", "Picture area", ...).
QString KeyPlaceName(TKeyPlace place);
// The keys as the user reads them ("Ctrl+N", "Alt+Left, Alt+=").
QString KeysText(const QList<QKeySequence>& keys);
