#pragma once
// The TWAIN acquisition engine: free functions over one connection record for the whole
// process. Every public operation starts from state 1 (nothing loaded), goes as deep into the
// TWAIN state machine as it needs and takes the connection back down to state 1 before it
// returns.
//
// States: 1 nothing loaded, 2 source manager loaded, 3 source manager open, 4 source open,
// 5 source enabled (its dialog is up), 6 a transfer is ready, 7 a transfer is under way.
//
// The source manager is a shared library with the entry point DSM_Entry, found in this order:
//   - the file named by the environment variable LUMAVELL_TWAIN_DSM, when it is set (and then
//     nothing else: the tests substitute a fake manager this way);
//   - a TWAIN source manager installed on the system (libtwaindsm.so.2);
//   - the program's own source manager over SANE, installed beside the program.
//
// Sources tell the engine about a transfer through a callback registered on the opened source
// (DAT_CALLBACK / MSG_REGISTER_CALLBACK); the callback may come from any thread. While a
// source is enabled the engine runs a nested event loop through its host, so the program keeps
// painting, and hands each message the source sent to FilterEvent.
//
// Images are packed DIBs (BITMAPINFOHEADER, colour table, pixel rows) in memory blocks from
// malloc; whoever takes one from the acquired image list releases it with TWAIN_FreeImage.
//
// Windows, message boxes and the event loop are reached through TTwainHost, so the engine needs
// no window system; the windows install a Qt host, the tests a headless one.

#include <QImage>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "TwainTypes.h"

class TMessages;

// An image handle: a packed DIB in a malloc block, or nullptr for none.
using TWAIN_HIMAGE = void*;
// A window handle as the host knows it, or nullptr for none.
using TWAIN_HWND = void*;

inline constexpr int kTwainMaxImages = 999;

class TTwainHost {
public:
    virtual ~TTwainHost() = default;
    // True when the handle names a live window.
    virtual bool IsWindow(TWAIN_HWND window) = 0;
    // A visible pop-up window titled "Acquire Proxy" with a border and a system menu, or
    // nullptr when it cannot be made.
    virtual TWAIN_HWND CreateProxyWindow() = 0;
    virtual void DestroyWindow(TWAIN_HWND window) = 0;
    virtual void EnableWindow(TWAIN_HWND window, bool enable) = 0;
    // A modal message box without owner: caption, text and a warning icon.
    virtual void WarningBox(const std::string& caption, const std::string& text) = 0;
    // Waits for the program's next events and dispatches them (painting, input, timers), or
    // returns early after Wake. False when the program is quitting: the loop then ends.
    virtual bool ProcessEvents() = 0;
    // Makes a waiting ProcessEvents return; may be called from any thread.
    virtual void Wake() = 0;
};

// A host without a window system: windows are tokens, message boxes go to a TMessages (when
// given), ProcessEvents sleeps until Wake (or timeoutMs passes; then it reports a quit, so a
// source that never answers cannot hang a program without a display).
class TTwainHeadlessHost : public TTwainHost {
public:
    explicit TTwainHeadlessHost(TMessages* messages = nullptr, int timeoutMs = 30000);
    bool IsWindow(TWAIN_HWND window) override;
    TWAIN_HWND CreateProxyWindow() override;
    void DestroyWindow(TWAIN_HWND window) override;
    void EnableWindow(TWAIN_HWND window, bool enable) override;
    void WarningBox(const std::string& caption, const std::string& text) override;
    bool ProcessEvents() override;
    void Wake() override;

    // A window handle this host accepts as live (for tests of the owner window rules).
    TWAIN_HWND MakeWindow();
    bool failProxy = false;            // CreateProxyWindow fails
    std::vector<std::string> boxes;    // texts of the warning boxes shown
    std::vector<std::pair<TWAIN_HWND, bool>> enabled;  // EnableWindow calls in order
    int proxiesAlive = 0;

private:
    TMessages* messages_;
    int timeoutMs_;
    std::vector<void*> windows_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool woken_ = false;
    char tokens_[64] = {};
    int nextToken_ = 0;
};

// The host the engine uses (not owned). Without one, a headless host without messages is used.
void TWAIN_SetHost(TTwainHost* host);
TTwainHost* TWAIN_Host();

// Shows the source manager's source selection; true if the user chose a source.
bool TWAIN_SelectImageSource(TWAIN_HWND window);
// One complete acquisition; every delivered image stays in the acquired image list. Returns the
// last image delivered, or nullptr. pixelTypeMask 0 accepts the source's current pixel type.
TWAIN_HIMAGE TWAIN_Acquire(TWAIN_HWND window, unsigned pixelTypeMask);
// The image in slot index (0-based) of the last acquisition, or nullptr.
TWAIN_HIMAGE TWAIN_Image(int index);
// Number of images the last acquisition delivered (at most 999).
int TWAIN_ImageCount();
// Releases an image; nullptr is ignored.
void TWAIN_FreeImage(TWAIN_HIMAGE image);
// The DIB header's width and height fields (0 for nullptr).
int TWAIN_ImageWidth(TWAIN_HIMAGE image);
int TWAIN_ImageHeight(TWAIN_HIMAGE image);
// Copies the image's pixels 1:1 onto surface: the destination rectangle (x, y, width, height)
// receives the image area starting at (sx, sy) (top-left origin). False when the image cannot
// be read.
bool TWAIN_DrawImage(QImage& surface, int x, int y, int width, int height, TWAIN_HIMAGE image,
                     int sx, int sy);
// Message box "TWAIN Error" with a warning icon.
void TWAIN_ErrorBox(const std::string& text);
// "TWAIN_ReportLastError: an error occurred" (the text given is not shown).
void TWAIN_ReportLastError(const std::string& text);

// For tests and diagnostics: the connection state (1..7), the result of the last DSM_Entry call.
int TWAIN_State();
TW_UINT16 TWAIN_LastResult();

// The whole DIB of an image as a QImage (RGB32, or Indexed8 for 8-bit and lower depths), or
// a null image when the block does not hold a complete DIB. size is the block's size.
QImage TWAIN_DibToImage(const void* dib, std::size_t size);
// The size of an image's memory block (at least what was asked of malloc).
std::size_t TWAIN_ImageBlockSize(TWAIN_HIMAGE image);
