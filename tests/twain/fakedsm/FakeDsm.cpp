#include "FakeDsm.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

FakeDsmScript g_script;
std::string g_log;
TWAINCALLBACKPROC g_callback = nullptr;
TW_IDENTITY g_app{};
TW_IDENTITY g_source{};
bool g_dsmOpen = false;
bool g_dsOpen = false;
bool g_enabled = false;
int g_event = 0;
int g_page = 0;         // pages taken so far (all passes)
int g_pending = 0;
int g_delivered = 0;

const char* Name(TW_UINT16 dat, TW_UINT16 msg) {
    switch (msg) {
    case MSG_OPENDSM: return "OPENDSM";
    case MSG_CLOSEDSM: return "CLOSEDSM";
    case MSG_USERSELECT: return "USERSELECT";
    case MSG_OPENDS: return "OPENDS";
    case MSG_CLOSEDS: return "CLOSEDS";
    case MSG_ENABLEDS: return "ENABLEDS";
    case MSG_DISABLEDS: return "DISABLEDS";
    case MSG_REGISTER_CALLBACK: return "REGISTER_CALLBACK";
    case MSG_ENDXFER: return "ENDXFER";
    case MSG_RESET: return "RESET";
    case MSG_GET: return dat == DAT_IMAGENATIVEXFER ? "NATIVEXFER" : "GET";
    default: return "OTHER";
    }
}

void* MakeDib(int w, int h, unsigned char shade) {
    int stride = ((w * 24 + 31) / 32) * 4;
    std::size_t size = sizeof(TWAIN_BITMAPINFOHEADER) + std::size_t(stride) * h;
    auto* block = static_cast<unsigned char*>(std::calloc(1, size));
    TWAIN_BITMAPINFOHEADER hdr{};
    hdr.biSize = sizeof hdr;
    hdr.biWidth = w;
    hdr.biHeight = h;
    hdr.biPlanes = 1;
    hdr.biBitCount = 24;
    std::memcpy(block, &hdr, sizeof hdr);
    unsigned char* px = block + sizeof hdr;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            px[y * stride + x * 3 + 0] = shade;  // blue
            px[y * stride + x * 3 + 1] = 0;
            px[y * stride + x * 3 + 2] = 255;    // red
        }
    return block;
}

TW_UINT16 Handle(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                 TW_MEMREF data) {
    if (dat == DAT_PARENT && msg == MSG_OPENDSM) {
        if (g_dsmOpen || !data) return TWRC_FAILURE;
        if (g_script.openDsm != TWRC_SUCCESS) return g_script.openDsm;
        g_app = *origin;
        g_app.Id = 7;
        origin->Id = 7;
        g_dsmOpen = true;
        return TWRC_SUCCESS;
    }
    if (!g_dsmOpen) return TWRC_FAILURE;
    if (dat == DAT_PARENT && msg == MSG_CLOSEDSM) {
        if (g_dsOpen) return TWRC_FAILURE;
        g_dsmOpen = false;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_IDENTITY && msg == MSG_USERSELECT) {
        if (g_script.userSelect == TWRC_SUCCESS) {
            auto* id = static_cast<TW_IDENTITY*>(data);
            id->Id = 1;
            std::strcpy(id->ProductName, "Fake Scanner");
        }
        return g_script.userSelect;
    }
    if (dat == DAT_IDENTITY && msg == MSG_OPENDS) {
        if (g_dsOpen || g_script.openDs != TWRC_SUCCESS) return TWRC_FAILURE;
        auto* id = static_cast<TW_IDENTITY*>(data);
        id->Id = 1;
        std::strcpy(id->ProductName, "Fake Scanner");
        g_source = *id;
        g_dsOpen = true;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_IDENTITY && msg == MSG_CLOSEDS) {
        if (!g_dsOpen || g_enabled) return TWRC_FAILURE;
        g_dsOpen = false;
        g_callback = nullptr;
        return TWRC_SUCCESS;
    }
    // Everything below is addressed to the open source.
    if (!g_dsOpen || !dest || dest->Id != g_source.Id) return TWRC_FAILURE;
    if (dat == DAT_CALLBACK && msg == MSG_REGISTER_CALLBACK) {
        if (g_script.registerCallback != TWRC_SUCCESS) return g_script.registerCallback;
        g_callback = reinterpret_cast<TWAINCALLBACKPROC>(static_cast<TW_CALLBACK*>(data)->CallBackProc);
        return TWRC_SUCCESS;
    }
    if (dat == DAT_USERINTERFACE && msg == MSG_ENABLEDS) {
        if (g_enabled || g_script.enableDs == TWRC_FAILURE) return TWRC_FAILURE;
        g_enabled = true;
        return g_script.enableDs;
    }
    if (dat == DAT_USERINTERFACE && msg == MSG_DISABLEDS) {
        if (!g_enabled || g_script.disableDs != TWRC_SUCCESS) return TWRC_FAILURE;
        g_enabled = false;
        g_pending = 0;
        return TWRC_SUCCESS;
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) {
        if (g_pending <= 0) return TWRC_FAILURE;
        int n = g_page++;
        TW_UINT16 rc = g_script.pageResult[n < 16 ? n : 15];
        if (rc == 0) rc = TWRC_XFERDONE;
        if (rc == TWRC_XFERDONE) {
            *static_cast<TW_HANDLE*>(data) = MakeDib(g_script.width + n % 100, g_script.height, (unsigned char)n);
            ++g_delivered;
        }
        return rc;
    }
    if (dat == DAT_PENDINGXFERS && msg == MSG_ENDXFER) {
        if (g_script.endXferFailAt == g_page) return TWRC_FAILURE;
        --g_pending;
        static_cast<TW_PENDINGXFERS*>(data)->Count = TW_UINT16(g_pending);
        return TWRC_SUCCESS;
    }
    if (dat == DAT_PENDINGXFERS && msg == MSG_RESET) {
        if (g_script.resetFails) return TWRC_FAILURE;
        g_pending = 0;
        static_cast<TW_PENDINGXFERS*>(data)->Count = 0;
        return TWRC_SUCCESS;
    }
    return TWRC_FAILURE;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) TW_UINT16 DSM_Entry(pTW_IDENTITY origin, pTW_IDENTITY dest,
                                                            TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                                            TW_MEMREF data) {
    TW_UINT16 rc = Handle(origin, dest, dg, dat, msg, data);
    g_log += std::string(Name(dat, msg)) + " " + std::to_string(rc) + "\n";
    return rc;
}

__attribute__((visibility("default"))) void FakeDsm_Configure(const FakeDsmScript* script) {
    g_script = *script;
    g_log.clear();
    g_callback = nullptr;
    g_dsmOpen = g_dsOpen = g_enabled = false;
    g_event = g_page = g_pending = g_delivered = 0;
}

__attribute__((visibility("default"))) int FakeDsm_Pump() {
    if (g_event >= g_script.eventCount || !g_callback || !g_enabled) return 0;
    TW_UINT16 msg = g_script.events[g_event++];
    if (msg == MSG_XFERREADY) g_pending = g_script.pagesPerPass;
    g_callback(&g_source, &g_app, DG_CONTROL, DAT_NULL, msg, nullptr);
    return 1;
}

__attribute__((visibility("default"))) const char* FakeDsm_Log() { return g_log.c_str(); }
__attribute__((visibility("default"))) int FakeDsm_ImagesDelivered() { return g_delivered; }
__attribute__((visibility("default"))) const TW_IDENTITY* FakeDsm_AppIdentity() { return &g_app; }
}
