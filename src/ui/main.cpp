// Lumavell2 start-up: the splash window first, then the main window and the dialogs, the stored
// options, and the event loop.
#include <QApplication>

#include <string>
#include <vector>

#include "TAppWindows.h"
#include "TPlatform.h"
#include "TQtMessages.h"
#include "TSettingsStore.h"
#include "frmMainU.h"
#include "frmSplashU.h"

int main(int argc, char** argv) {
    // Screen readers and desktop automation find the program on the accessibility bus even
    // when the desktop has not asked every program to join it.
    if (qEnvironmentVariableIsEmpty("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"))
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    QApplication app(argc, argv);
    auto* splash = new TfrmSplash;
    splash->ShowNow();
    QApplication::processEvents();

    QApplication::setApplicationName("Lumavell2");
    ApplyLookAndFeel(app);

    TSettingsStore settings(TSettingsStore::DefaultUserFile(), TSettingsStore::DefaultMachineFile());
    // Until the main window exists, message boxes belong to the splash so that they appear
    // above it rather than hidden behind it.
    TQtMessages messages(splash);
    // A settings file that cannot be read or written is reported, not passed over in silence.
    settings.SetMessages(&messages);
    TLinuxPlatform platform;
    std::vector<std::string> args(argv + 1, argv + argc);

    TAppWindows windows(settings, messages, platform.DocumentsFolder(), args);
    // The user chose to keep an unreadable catalog untouched: end before anything is written.
    if (windows.Main().CatalogMustClose()) return 1;
    messages.SetParent(&windows.Main());
    windows.Main().SetSplash(splash);
    windows.Main().show();
    const int result = app.exec();
    // The settings written while the windows are destroyed report on a box of their own.
    messages.SetParent(nullptr);
    return result;
}
