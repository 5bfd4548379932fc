// Lumavell2 start-up: the splash window first, then the main window and the dialogs, the stored
// options, and the event loop.
#include <QApplication>
#include <QMessageBox>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "TAppWindows.h"
#include "TCatalog.h"
#include "TCommandLine.h"
#include "TPlatform.h"
#include "TQtMessages.h"
#include "TSettingsStore.h"
#include "TSingleInstance.h"
#include "frmMainU.h"
#include "frmSplashU.h"

int main(int argc, char** argv) {
    // --help and --version answer before anything needs a display.
    const auto info = cmdline::ParseArguments(std::vector<std::string>(argv + 1, argv + argc), "");
    if (info.outcome != cmdline::TOutcome::Start) {
        std::cout << (info.outcome == cmdline::TOutcome::ShowHelp ? cmdline::UsageText("lumavell2")
                                                                  : cmdline::VersionText());
        return 0;
    }

    // Screen readers and desktop automation find the program on the accessibility bus even
    // when the desktop has not asked every program to join it.
    if (qEnvironmentVariableIsEmpty("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"))
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    QApplication app(argc, argv);
    TLinuxPlatform platform;
    // The toolkit has taken its own options out of argv by now.
    const auto parsed = cmdline::ParseArguments(std::vector<std::string>(argv + 1, argv + argc),
                                                platform.WorkingDirectory());
    for (const std::string& note : parsed.notes) std::cerr << note << '\n';
    const std::vector<std::string>& args = parsed.startArgs;
    // One copy works on a catalog. A copy already running on this user's catalog takes the
    // command line over and this start ends; while it is busy this start waits for it, and says
    // so after a few seconds. Otherwise this start holds the catalog from here on, and listens
    // for later starts before any window or message box appears.
    TSingleInstance single(TCatalog::RootOf(platform.DocumentsFolder()));
    std::unique_ptr<QMessageBox> busy;
    const auto start = single.Start(args, [&busy] {
        std::cerr << TSingleInstance::kBusyNotice << '\n';
        busy = std::make_unique<QMessageBox>(QMessageBox::Information, "Lumavell2",
                                             QString::fromUtf8(TSingleInstance::kBusyNotice), QMessageBox::NoButton);
        busy->setAccessibleName("Lumavell2 is busy");
        busy->setModal(false);
        busy->show();
    });
    if (start == TSingleInstance::TStart::HandedOver) return 0;
    busy.reset();
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

    TAppWindows windows(settings, messages, platform.DocumentsFolder(), args);
    // The user chose to keep an unreadable catalog untouched: end before anything is written.
    if (windows.Main().CatalogMustClose()) return 1;
    messages.SetParent(&windows.Main());
    windows.Main().SetSplash(splash);
    // What later starts handed over while the windows were being made is acted on now.
    single.SetHandler([&windows](std::vector<std::string> handed, std::string folder) {
        windows.Main().ArgumentsHandedOver(std::move(handed), folder);
    });
    windows.Main().show();
    const int result = app.exec();
    // The settings written while the windows are destroyed report on a box of their own.
    messages.SetParent(nullptr);
    return result;
}
