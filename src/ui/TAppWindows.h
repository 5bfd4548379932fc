#pragma once
// The program's windows, created in their start-up order and destroyed together at the end of
// the run: first the main window, then the dialogs; then the stored options are applied to them.

#include <memory>
#include <string>
#include <vector>

class QApplication;
class TMessages;
class TSettingsStore;
class TfrmMain;
class TfrmPrefs2;

// The look shared by every window: the Fusion style and the system sans-serif font at 8 points.
void ApplyLookAndFeel(QApplication& app);

class TAppWindows {
public:
    // args: the program's arguments without the program name.
    TAppWindows(TSettingsStore& settings, TMessages& messages, std::string documentsFolder,
                std::vector<std::string> args = {});
    ~TAppWindows();

    TAppWindows(const TAppWindows&) = delete;
    TAppWindows& operator=(const TAppWindows&) = delete;

    TfrmMain& Main() const { return *main_; }
    TfrmPrefs2& Prefs() const { return *prefs_; }

private:
    std::unique_ptr<TfrmMain> main_;
    TfrmPrefs2* prefs_ = nullptr;  // owned by the main window
};
