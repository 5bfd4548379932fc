#include "Twain.h"

#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dlfcn.h>
#include <malloc.h>
#include <unistd.h>

#include "TMessages.h"
#include "TPlatform.h"

#ifndef LUMAVELL_SANEDSM_NAME
#define LUMAVELL_SANEDSM_NAME "liblumavell2-sanedsm.so"
#endif
#ifndef LUMAVELL_SANEDSM_LIBDIR
#define LUMAVELL_SANEDSM_LIBDIR "../lib/lumavell2/twain"
#endif

namespace {

// The one connection record of the process.
struct TConnection {
    int state = 1;
    void* library = nullptr;
    DSMENTRYPROC entry = nullptr;
    TW_IDENTITY app{};
    TW_IDENTITY source{};
    TWAIN_HWND parent = nullptr;
    TW_USERINTERFACE ui{};
    TW_PENDINGXFERS pending{};
    TW_UINT16 result = TWRC_FAILURE;
    TWAIN_HIMAGE acquired = nullptr;
    TWAIN_HIMAGE images[kTwainMaxImages] = {};
    int count = 0;
    // The transfer could not be ended: the acquisition stops and the connection is taken down.
    bool abandon = false;
};

TConnection g;
TTwainHost* g_host = nullptr;

// Messages the source sent through the callback, waiting for the event loop.
std::mutex g_queueMutex;
std::deque<TW_UINT16> g_queue;

TTwainHost& Host() {
    static TTwainHeadlessHost fallback;
    return g_host ? *g_host : fallback;
}

void Copy32(TW_STR32& dst, const char* text) {
    std::memset(dst, 0, sizeof(TW_STR32));
    std::strncpy(dst, text, sizeof(TW_STR32) - 1);
}

void InitIdentity() {
    TW_IDENTITY& a = g.app;
    std::memset(&a, 0, sizeof a);
    a.Id = 0;
    a.Version.MajorNum = 1;
    a.Version.MinorNum = 0;
    a.Version.Language = TWLG_ENGLISH_USA;
    a.Version.Country = TWCY_USA;
    Copy32(a.Version.Info, "<?>");
    a.ProtocolMajor = 1;
    a.ProtocolMinor = 6;
    // DF_APP2 tells the source manager this application takes its events by callback, which
    // is the only way a source can reach it on Linux.
    a.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_APP2;
    Copy32(a.Manufacturer, "<?>");
    Copy32(a.ProductFamily, "<?>");
    Copy32(a.ProductName, "<?>");
}

TW_UINT16 Call(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    g.result = TWRC_FAILURE;
    if (g.entry) g.result = g.entry(&g.app, dest, dg, dat, msg, data);
    return g.result;
}

extern "C" TW_UINT16 EngineCallback(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg,
                                    TW_MEMREF) {
    {
        std::lock_guard<std::mutex> lock(g_queueMutex);
        g_queue.push_back(msg);
    }
    Host().Wake();
    return TWRC_SUCCESS;
}

bool FileExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

std::vector<std::string> ManagerCandidates() {
    std::vector<std::string> out;
    if (const char* env = std::getenv("LUMAVELL_TWAIN_DSM"); env && *env) {
        out.push_back(env);
        return out;
    }
    out.push_back("libtwaindsm.so.2");
    std::string exe = ExecutableFolder();
    if (!exe.empty()) {
        out.push_back(exe + "/" + LUMAVELL_SANEDSM_NAME);
        out.push_back(exe + "/" LUMAVELL_SANEDSM_LIBDIR "/" + LUMAVELL_SANEDSM_NAME);
    }
    return out;
}

bool LoadManager() {
    if (g.state >= 2) return true;
    for (const std::string& path : ManagerCandidates()) {
        bool isPath = path.find('/') != std::string::npos;
        if (isPath && !FileExists(path)) continue;
        void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!lib) continue;
        auto entry = reinterpret_cast<DSMENTRYPROC>(::dlsym(lib, "DSM_Entry"));
        if (!entry) {
            ::dlclose(lib);
            continue;
        }
        g.library = lib;
        g.entry = entry;
        g.state = 2;
        return true;
    }
    return false;
}

bool OpenManager(TWAIN_HWND window) {
    g.parent = window;
    if (!LoadManager()) return false;
    if (g.state != 2) return g.state >= 3;
    if (Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &g.parent) != TWRC_SUCCESS) return false;
    g.state = 3;
    return true;
}

void DisableSource() {
    if (g.state != 5) return;
    if (Call(&g.source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &g.ui) == TWRC_SUCCESS) g.state = 4;
}

void CloseSource() {
    if (g.state == 5) DisableSource();
    if (g.state != 4) return;
    if (Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &g.source) == TWRC_SUCCESS) g.state = 3;
}

void CloseManager(TWAIN_HWND window) {
    CloseSource();
    if (g.state != 3) return;
    TWAIN_HWND parent = window;
    if (Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent) == TWRC_SUCCESS) g.state = 2;
}

void UnloadManager() {
    if (g.state != 2) return;
    if (g.library) ::dlclose(g.library);
    g.library = nullptr;
    g.entry = nullptr;
    g.state = 1;
}

// Takes the connection down from wherever an ordinary tear-down left it: each step is tried
// once and the state goes down whatever the source answers, so a source that refuses a step
// cannot leave the library loaded and the next operation stuck.
void ForceDown(TWAIN_HWND window) {
    if (g.state >= 6) {
        Call(&g.source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &g.pending);
        g.state = 5;
    }
    if (g.state == 5) {
        Call(&g.source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &g.ui);
        g.state = 4;
    }
    if (g.state == 4) {
        Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &g.source);
        g.state = 3;
    }
    if (g.state == 3) {
        TWAIN_HWND parent = window;
        Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
        g.state = 2;
    }
    UnloadManager();
}

bool OpenDefaultSource() {
    if (g.state != 3) return false;
    g.source.Id = 0;
    std::memset(g.source.ProductName, 0, sizeof g.source.ProductName);
    if (Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &g.source) != TWRC_SUCCESS) return false;
    g.state = 4;
    // Register for the source's messages; without the callback the source could never report
    // a transfer and the event loop would wait forever.
    TW_CALLBACK cb{};
    cb.CallBackProc = reinterpret_cast<TW_MEMREF>(&EngineCallback);
    if (Call(&g.source, DG_CONTROL, DAT_CALLBACK, MSG_REGISTER_CALLBACK, &cb) != TWRC_SUCCESS) return false;
    return true;
}

bool EnableSource(TWAIN_HWND window) {
    if (g.state != 4) return false;
    g.ui.ShowUI = 1;
    g.ui.ModalUI = 0;
    g.ui.hParent = window;
    {
        std::lock_guard<std::mutex> lock(g_queueMutex);
        g_queue.clear();
    }
    if (Call(&g.source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &g.ui) == TWRC_FAILURE) return false;
    g.state = 5;
    return true;
}

void StoreImage(TWAIN_HIMAGE handle) {
    if (g.count < kTwainMaxImages) {
        g.images[g.count++] = handle;
        g.acquired = handle;
    } else {
        // No slot left: the image is released; the last stored image stays the acquired one.
        std::free(handle);
    }
}

void TransferImages() {
    while (g.state == 6) {
        TW_HANDLE handle = nullptr;
        TW_UINT16 rc = Call(&g.source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
        if (rc == TWRC_XFERDONE) {
            if (handle) StoreImage(handle);
            else g.acquired = nullptr;
            g.state = 7;
        } else if (rc == TWRC_CANCEL) {
            if (handle) std::free(handle);
            g.acquired = nullptr;
            g.state = 7;
        } else {
            g.acquired = nullptr;
            if (Call(&g.source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &g.pending) == TWRC_SUCCESS) {
                g.state = 5;
            } else {
                g.abandon = true;
            }
            break;
        }
        g.pending.Count = 0;
        if (Call(&g.source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &g.pending) == TWRC_SUCCESS) {
            g.state = g.pending.Count != 0 ? 6 : 5;
        } else {
            // The transfer could not be ended: stop here; the acquisition takes the connection
            // down and keeps what was delivered.
            g.abandon = true;
            break;
        }
    }
}

void FilterEvent(TW_UINT16 message) {
    if (g.state < 5) return;
    switch (message) {
    case MSG_XFERREADY:
        g.state = 6;
        TransferImages();
        break;
    case MSG_CLOSEDSREQ:
        DisableSource();
        break;
    default:
        break;
    }
}

bool TakeQueued(TW_UINT16& message) {
    std::lock_guard<std::mutex> lock(g_queueMutex);
    if (g_queue.empty()) return false;
    message = g_queue.front();
    g_queue.pop_front();
    return true;
}

void EventLoop() {
    while (g.state >= 5 && !g.acquired && !g.abandon) {
        TW_UINT16 message;
        if (TakeQueued(message)) {
            FilterEvent(message);
            continue;
        }
        if (!Host().ProcessEvents()) break;
    }
}

// The owner window rule: the given window when it is one, else a proxy window (nullptr when
// none could be made; *proxy says whether one was made).
TWAIN_HWND OwnerWindow(TWAIN_HWND window, bool& proxy) {
    proxy = false;
    if (window && Host().IsWindow(window)) return window;
    TWAIN_HWND made = Host().CreateProxyWindow();
    proxy = made != nullptr;
    return made;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TTwainHeadlessHost::TTwainHeadlessHost(TMessages* messages, int timeoutMs)
    : messages_(messages), timeoutMs_(timeoutMs) {}

bool TTwainHeadlessHost::IsWindow(TWAIN_HWND window) {
    return window && std::find(windows_.begin(), windows_.end(), window) != windows_.end();
}

TWAIN_HWND TTwainHeadlessHost::MakeWindow() {
    void* w = &tokens_[nextToken_++ % 64];
    windows_.push_back(w);
    return w;
}

TWAIN_HWND TTwainHeadlessHost::CreateProxyWindow() {
    if (failProxy) return nullptr;
    ++proxiesAlive;
    return MakeWindow();
}

void TTwainHeadlessHost::DestroyWindow(TWAIN_HWND window) {
    auto it = std::find(windows_.begin(), windows_.end(), window);
    if (it == windows_.end()) return;
    windows_.erase(it);
    --proxiesAlive;
}

void TTwainHeadlessHost::EnableWindow(TWAIN_HWND window, bool enable) { enabled.push_back({window, enable}); }

void TTwainHeadlessHost::WarningBox(const std::string& caption, const std::string& text) {
    boxes.push_back(text);
    if (messages_) messages_->Show(caption, text, TMsgIcon::Warning, TMsgButtons::Ok);
}

bool TTwainHeadlessHost::ProcessEvents() {
    std::unique_lock<std::mutex> lock(mutex_);
    bool woke = cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs_), [this] { return woken_; });
    woken_ = false;
    return woke;
}

void TTwainHeadlessHost::Wake() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        woken_ = true;
    }
    cv_.notify_all();
}

// ---------------------------------------------------------------------------------------------

void TWAIN_SetHost(TTwainHost* host) { g_host = host; }
TTwainHost* TWAIN_Host() { return &Host(); }

void TWAIN_ErrorBox(const std::string& text) { Host().WarningBox("TWAIN Error", text); }

void TWAIN_ReportLastError(const std::string&) { TWAIN_ErrorBox("TWAIN_ReportLastError: an error occurred"); }

int TWAIN_State() { return g.state; }
TW_UINT16 TWAIN_LastResult() { return g.result; }

bool TWAIN_SelectImageSource(TWAIN_HWND window) {
    InitIdentity();
    if (window && !Host().IsWindow(window)) {
        TWAIN_ErrorBox("TWAIN_SelectImageSource: window handle is invalid");
        return false;
    }
    bool proxy = false;
    TWAIN_HWND owner = OwnerWindow(window, proxy);
    if (!owner) {
        TWAIN_ErrorBox("TWAIN_SelectImageSource: Unable to create proxy window");
        return false;
    }
    bool chosen = false;
    if (!LoadManager()) {
        TWAIN_ErrorBox("Unable to load Source Manager (TWAIN_32.DLL)");
    } else if (!OpenManager(owner)) {
        TWAIN_ErrorBox("Unable to open Source Manager (TWAIN_32.DLL)");
    } else {
        TW_IDENTITY choice{};
        chosen = Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &choice) == TWRC_SUCCESS;
        CloseManager(owner);
    }
    UnloadManager();
    ForceDown(owner);
    if (proxy) Host().DestroyWindow(owner);
    return chosen;
}

TWAIN_HIMAGE TWAIN_Acquire(TWAIN_HWND window, unsigned pixelTypeMask) {
    InitIdentity();
    g.acquired = nullptr;
    std::fill(std::begin(g.images), std::end(g.images), nullptr);
    g.count = 0;
    g.abandon = false;

    bool proxy = false;
    TWAIN_HWND owner = OwnerWindow(window, proxy);
    if (!owner) {
        TWAIN_ErrorBox("Unable to create proxy window");
        return nullptr;
    }

    bool ready = false;
    if (!LoadManager()) {
        TWAIN_ErrorBox("Unable to load Source Manager (TWAIN_32.DLL)");
    } else if (!OpenManager(owner)) {
        TWAIN_ErrorBox("Unable to open Source Manager (TWAIN_32.DLL)");
    } else if (!OpenDefaultSource()) {
        TWAIN_ReportLastError("Unable to open default Data Source");
    } else if (pixelTypeMask != 0) {
        // The engine's one client accepts the source's current pixel type; other masks are
        // not negotiated and count as a failure to negotiate.
        TWAIN_ReportLastError("Unable to negotiate pixel type");
    } else if (!EnableSource(owner)) {
        TWAIN_ReportLastError("Unable to enable Data Source");
    } else {
        ready = true;
    }

    if (ready) {
        Host().EnableWindow(owner, false);
        EventLoop();
        Host().EnableWindow(owner, true);
    }

    DisableSource();
    CloseSource();
    CloseManager(owner);
    UnloadManager();
    ForceDown(owner);
    if (proxy) Host().DestroyWindow(owner);
    return g.acquired;
}

TWAIN_HIMAGE TWAIN_Image(int index) {
    if (index < 0 || index >= kTwainMaxImages) return nullptr;
    return g.images[index];
}

int TWAIN_ImageCount() { return g.count; }

void TWAIN_FreeImage(TWAIN_HIMAGE image) {
    if (!image) return;
    // The list forgets the image, so a later TWAIN_Image cannot hand out a released block.
    for (int i = 0; i < g.count; ++i)
        if (g.images[i] == image) g.images[i] = nullptr;
    if (g.acquired == image) g.acquired = nullptr;
    std::free(image);
}

std::size_t TWAIN_ImageBlockSize(TWAIN_HIMAGE image) { return image ? ::malloc_usable_size(image) : 0; }

int TWAIN_ImageWidth(TWAIN_HIMAGE image) {
    if (!image || TWAIN_ImageBlockSize(image) < sizeof(TWAIN_BITMAPINFOHEADER)) return 0;
    TWAIN_BITMAPINFOHEADER h;
    std::memcpy(&h, image, sizeof h);
    return h.biWidth;
}

int TWAIN_ImageHeight(TWAIN_HIMAGE image) {
    if (!image || TWAIN_ImageBlockSize(image) < sizeof(TWAIN_BITMAPINFOHEADER)) return 0;
    TWAIN_BITMAPINFOHEADER h;
    std::memcpy(&h, image, sizeof h);
    return h.biHeight;
}

bool TWAIN_DrawImage(QImage& surface, int x, int y, int width, int height, TWAIN_HIMAGE image, int sx,
                     int sy) {
    if (!image || surface.isNull()) return false;
    QImage picture = TWAIN_DibToImage(image, TWAIN_ImageBlockSize(image));
    if (picture.isNull()) return false;
    QPainter painter(&surface);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(x, y), picture, QRect(sx, sy, width, height));
    return true;
}
