#pragma once
// The TWAIN engine's host in the program: Qt widgets as windows, the message interface for its
// boxes, and the application's own event loop for the engine's nested loop.

#include "Twain.h"

class TMessages;

class TTwainQtHost : public TTwainHost {
public:
    explicit TTwainQtHost(TMessages& messages) : messages_(messages) {}
    // The engine forgets a host that goes.
    ~TTwainQtHost() override;
    bool IsWindow(TWAIN_HWND window) override;
    TWAIN_HWND CreateProxyWindow() override;
    void DestroyWindow(TWAIN_HWND window) override;
    void EnableWindow(TWAIN_HWND window, bool enable) override;
    void WarningBox(const std::string& caption, const std::string& text) override;
    bool ProcessEvents() override;
    void Wake() override;

private:
    TMessages& messages_;
};
