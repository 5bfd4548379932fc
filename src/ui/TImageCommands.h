#pragma once
// The main window's commands that hand the shown photo on: View Full Screen, View as
// Slideshow, Copy, Set As Wallpaper, Print, Print Preferences and Edit Image. They work on the
// photo pane's picture (full size, whatever the zoom) or, for the editor, on the photo's file,
// and own the windows they open, created with the main window and reused.

#include <QObject>
#include <QLabel>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QPrinter;
class TMessages;
class THelp;
class TSettingsStore;
class TfrmFull;
class TfrmMain;
class TfrmSetWall;
class TfrmShow;
class TfrmSlideSettings;

class TImageCommands : public QObject {
    Q_OBJECT
public:
    // Connects the main window's commands of these names to the handlers below.
    TImageCommands(TfrmMain& main, TSettingsStore& settings, TMessages& messages, THelp& help);
    ~TImageCommands() override;

    void ViewFullScreenExecute();
    void SlideShowExecute();
    void CopyImgExecute();
    void SetAsWallpaperExecute();
    void PrintExecute();
    void PrintPrefsExecute();
    void EditImage1Execute();

    TfrmFull& FullScreen() const { return *frmFull_; }
    TfrmShow& Slideshow() const { return *frmShow_; }
    TfrmSlideSettings& SlideSettings() const { return *frmSlideSettings_; }
    TfrmSetWall& SetWall() const { return *frmSetWall_; }
    // The printer the jobs go to; Print Preferences changes it for the rest of the run.
    QPrinter& Printer() const { return *printer_; }

    // The logged-in user's name (the platform's by default) and the per-user data folder the
    // wallpaper file goes to (the application's data folder, ~/.local/share/Lumavell2).
    std::function<std::string()> userName;
    std::function<std::string()> dataFolder;
    // Where the last wallpaper file was written ("" before the first).
    const std::string& WallpaperPath() const { return wallpaperPath_; }

    // Whether the editor is running (the main window waits for it) and the text that says so.
    bool WaitingForEditor() const { return waiting_; }
    QLabel* WaitingLabel() const { return lblWaiting_; }

private:
    // Runs the editor and keeps the window painting, but deaf to input, until it ends. False
    // when it could not be started.
    bool RunEditorAndWait(const std::string& program, const std::string& name, const std::string& photo);
    // Has the printer point somewhere a job can go, asking the user when no printer is set up.
    bool PrinterReady();

    TfrmMain& main_;
    TSettingsStore& settings_;
    TMessages& messages_;
    THelp& help_;
    TfrmFull* frmFull_ = nullptr;  // children of the main window
    TfrmShow* frmShow_ = nullptr;
    TfrmSlideSettings* frmSlideSettings_ = nullptr;
    TfrmSetWall* frmSetWall_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
    std::string wallpaperPath_;
    bool waiting_ = false;
    QPointer<QLabel> lblWaiting_;
};
