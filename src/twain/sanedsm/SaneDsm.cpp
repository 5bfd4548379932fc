// A TWAIN source manager with its sources built on SANE: every SANE device (flatbed and
// sheet-fed scanners, network scanners, cameras, webcams) is a TWAIN source. Applications load
// this library and call DSM_Entry; sources report transfers through the callback the
// application registers (DAT_CALLBACK / MSG_REGISTER_CALLBACK).
//
// One application and one open source at a time. The user's choice of source is remembered in
// the user's configuration folder (lumavell2/twain-source) between runs.

#include <QApplication>
#include <QStandardPaths>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>

#include "SaneDialogs.h"
#include "SaneScan.h"
#include "TPlatform.h"
#include "TwainTypes.h"

namespace {

using namespace sanedsm;

struct TManager {
    bool open = false;
    bool saneUp = false;
    TW_IDENTITY app{};
    TW_UINT16 condition = TWCC_SUCCESS;
    std::vector<TDeviceInfo> devices;  // for MSG_GETFIRST / MSG_GETNEXT
    std::size_t nextDevice = 0;

    bool sourceOpen = false;
    TW_IDENTITY source{};
    TWAINCALLBACKPROC callback = nullptr;
    bool enabled = false;
    std::unique_ptr<TSaneDevice> device;
    std::unique_ptr<TSourceDialog> dialog;
    std::deque<TPage> ready;  // delivered pages waiting for MSG_GET
};

TManager g;

std::string ConfigFile() {
    std::string base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toLocal8Bit().toStdString();
    if (base.empty()) return {};
    return base + "/lumavell2/twain-source";
}

// The stored default source: its SANE name, vendor, model and type, one per line.
TDeviceInfo StoredDefault() {
    std::string bytes;
    TDeviceInfo d;
    std::string path = ConfigFile();
    if (path.empty() || !ReadFileBytes(path, bytes)) return d;
    std::string* fields[4] = {&d.name, &d.vendor, &d.model, &d.type};
    int i = 0;
    for (char c : bytes) {
        if (c == '\n') {
            if (++i == 4) break;
        } else if (c != '\r') {
            *fields[i] += c;
        }
    }
    return d;
}

void StoreDefault(const TDeviceInfo& d) {
    std::string path = ConfigFile();
    if (path.empty()) return;
    ForceFolders(FolderOf(path));
    WriteFileAtomic(path, d.name + "\n" + d.vendor + "\n" + d.model + "\n" + d.type + "\n");
}

void Copy32(TW_STR32& dst, const std::string& text) {
    std::memset(dst, 0, sizeof(TW_STR32));
    std::strncpy(dst, text.c_str(), sizeof(TW_STR32) - 1);
}

void FillIdentity(TW_IDENTITY& id, const TDeviceInfo& d) {
    std::memset(&id, 0, sizeof id);
    id.Id = 1;
    id.Version.MajorNum = 1;
    id.Version.MinorNum = 0;
    id.Version.Language = TWLG_ENGLISH_USA;
    id.Version.Country = TWCY_USA;
    Copy32(id.Version.Info, d.name);
    id.ProtocolMajor = 2;
    id.ProtocolMinor = 4;
    id.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_DS2 | DF_DSM2;
    Copy32(id.Manufacturer, d.vendor);
    Copy32(id.ProductFamily, d.type);
    Copy32(id.ProductName, d.model);
}

void FreeReady() {
    for (TPage& p : g.ready) std::free(p.dib);
    g.ready.clear();
}

void Notify(TW_UINT16 msg) {
    if (g.callback) g.callback(&g.source, &g.app, DG_CONTROL, DAT_NULL, msg, nullptr);
}

TW_UINT16 Fail(TW_UINT16 condition) {
    g.condition = condition;
    return TWRC_FAILURE;
}

void StopSource() {
    if (g.dialog) {
        g.dialog->StopScan();
        g.dialog->hide();
    }
    FreeReady();
    g.enabled = false;
}

void CloseSource() {
    StopSource();
    g.dialog.reset();
    g.device.reset();
    g.callback = nullptr;
    g.sourceOpen = false;
}

// MSG_OPENDS: the source the identity names by product name, else the stored default, else
// the first device.
TW_UINT16 OpenSource(TW_IDENTITY* id) {
    if (g.sourceOpen) return Fail(TWCC_SEQERROR);
    std::vector<TDeviceInfo> devices;
    TDeviceInfo chosen;
    bool found = false;
    auto device = std::make_unique<TSaneDevice>();
    std::string wanted = id && id->ProductName[0] ? std::string(id->ProductName) : std::string();
    TDeviceInfo stored = StoredDefault();
    if (wanted.empty() && !stored.name.empty() && device->Open(stored.name)) {
        // Opening by name first spares the slow probe of every backend.
        chosen = stored;
        found = true;
    }
    // The devices listed moments ago (the source list, the engine's look-ups) are tried before
    // SANE is asked to probe every backend again; a list in which no device opens is renewed.
    const auto openFirst = [&] {
        devices = g.devices;
        for (const TDeviceInfo& d : devices) {
            if (!wanted.empty() && d.model.compare(0, 33, wanted) != 0) continue;
            if (device->Open(d.name)) {
                chosen = d;
                found = true;
                return;
            }
        }
    };
    if (!found && !g.devices.empty()) openFirst();
    if (!found) {
        g.devices = LookForDevices();
        openFirst();
    }
    if (!found) return Fail(TWCC_NODS);
    if (id) FillIdentity(*id, chosen);
    FillIdentity(g.source, chosen);
    g.device = std::move(device);
    g.sourceOpen = true;
    g.callback = nullptr;
    return TWRC_SUCCESS;
}

TW_UINT16 EnableSource(TW_USERINTERFACE* ui) {
    if (!g.sourceOpen || g.enabled || !ui) return Fail(TWCC_SEQERROR);
    FreeReady();
    if (!g.dialog) {
        std::string title = std::string(g.source.Manufacturer) + " " + g.source.ProductName;
        if (title == " ") title = g.device->Name();
        g.dialog = std::make_unique<TSourceDialog>(
            *g.device, title,
            [](std::vector<TPage> pages) {
                if (!g.enabled) {
                    for (TPage& p : pages) std::free(p.dib);
                    return;
                }
                for (TPage& p : pages) g.ready.push_back(p);
                if (!g.ready.empty()) Notify(MSG_XFERREADY);
            },
            [] {
                if (g.callback && g.enabled) Notify(MSG_CLOSEDSREQ);
                else if (g.dialog) g.dialog->hide();
            });
    }
    g.enabled = true;
    if (ui->ShowUI) {
        // The application's windows wait while the source's dialog is up.
        g.dialog->setWindowModality(Qt::ApplicationModal);
        g.dialog->show();
        g.dialog->raise();
        g.dialog->activateWindow();
    } else {
        g.dialog->StartScan();
    }
    return TWRC_SUCCESS;
}

TW_UINT16 SourceCall(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (dat == DAT_CALLBACK && msg == MSG_REGISTER_CALLBACK) {
        auto* cb = static_cast<TW_CALLBACK*>(data);
        if (!cb || !cb->CallBackProc) return Fail(TWCC_BADVALUE);
        g.callback = reinterpret_cast<TWAINCALLBACKPROC>(cb->CallBackProc);
        return TWRC_SUCCESS;
    }
    if (dat == DAT_STATUS && msg == MSG_GET) {
        auto* st = static_cast<TW_STATUS*>(data);
        if (!st) return TWRC_FAILURE;
        st->ConditionCode = g.condition;
        st->Reserved = 0;
        g.condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_USERINTERFACE && msg == MSG_ENABLEDS) return EnableSource(static_cast<TW_USERINTERFACE*>(data));
    if (dat == DAT_USERINTERFACE && msg == MSG_DISABLEDS) {
        if (!g.enabled) return Fail(TWCC_SEQERROR);
        StopSource();
        return TWRC_SUCCESS;
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) {
        if (!data || g.ready.empty()) return Fail(TWCC_SEQERROR);
        TPage page = g.ready.front();
        g.ready.pop_front();
        if (!page.dib) return Fail(TWCC_OPERATIONERROR);  // the device failed during this page
        *static_cast<TW_HANDLE*>(data) = page.dib;
        return TWRC_XFERDONE;
    }
    if (dat == DAT_PENDINGXFERS && (msg == MSG_ENDXFER || msg == MSG_RESET || msg == MSG_GET)) {
        auto* pending = static_cast<TW_PENDINGXFERS*>(data);
        if (!pending) return Fail(TWCC_BADVALUE);
        if (msg == MSG_RESET) FreeReady();
        pending->Count = TW_UINT16(g.ready.size());
        pending->EOJ = 0;
        return TWRC_SUCCESS;
    }
    return Fail(TWCC_BADPROTOCOL);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(pTW_IDENTITY origin, pTW_IDENTITY dest,
                                                                       TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                                                       TW_MEMREF data) {
    if (!origin) return TWRC_FAILURE;
    if (dat == DAT_PARENT && msg == MSG_OPENDSM) {
        if (g.open) return Fail(TWCC_SEQERROR);
        // Backends feed their data through pipes; a scan cancelled while the backend writes
        // must not end the program with SIGPIPE (a handler the program set is left alone).
        struct sigaction old {};
        if (sigaction(SIGPIPE, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) std::signal(SIGPIPE, SIG_IGN);
        SANE_Int version = 0;
        if (sane_init(&version, nullptr) != SANE_STATUS_GOOD) return Fail(TWCC_BUMMER);
        g.saneUp = true;
        g.open = true;
        g.app = *origin;
        g.app.Id = 1;
        origin->Id = 1;
        g.condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (!g.open) return TWRC_FAILURE;
    if (dat == DAT_PARENT && msg == MSG_CLOSEDSM) {
        if (g.sourceOpen) return Fail(TWCC_SEQERROR);
        g.devices.clear();
        if (g.saneUp) sane_exit();
        g.saneUp = false;
        g.open = false;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_STATUS && msg == MSG_GET && !dest) {
        auto* st = static_cast<TW_STATUS*>(data);
        if (!st) return TWRC_FAILURE;
        st->ConditionCode = g.condition;
        st->Reserved = 0;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_IDENTITY && !dest) {
        auto* id = static_cast<TW_IDENTITY*>(data);
        switch (msg) {
        case MSG_USERSELECT: {
            if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return Fail(TWCC_BUMMER);
            g.devices = LookForDevices();
            std::string chosen;
            if (!RunSourceList(g.devices, StoredDefault().name, chosen)) return TWRC_CANCEL;
            for (const TDeviceInfo& d : g.devices)
                if (d.name == chosen) {
                    StoreDefault(d);
                    if (id) FillIdentity(*id, d);
                }
            return TWRC_SUCCESS;
        }
        case MSG_GETDEFAULT:
        case MSG_GETFIRST:
        case MSG_GETNEXT: {
            if (!id) return Fail(TWCC_BADVALUE);
            if (msg != MSG_GETNEXT) {
                g.devices = LookForDevices();
                g.nextDevice = 0;
            }
            if (msg == MSG_GETDEFAULT) {
                std::string stored = StoredDefault().name;
                for (const TDeviceInfo& d : g.devices)
                    if (d.name == stored) {
                        FillIdentity(*id, d);
                        return TWRC_SUCCESS;
                    }
                if (g.devices.empty()) return Fail(TWCC_NODS);
                FillIdentity(*id, g.devices.front());
                return TWRC_SUCCESS;
            }
            if (g.nextDevice >= g.devices.size()) return TWRC_ENDOFLIST;
            FillIdentity(*id, g.devices[g.nextDevice++]);
            return TWRC_SUCCESS;
        }
        case MSG_OPENDS:
            return OpenSource(id);
        case MSG_CLOSEDS:
            if (!g.sourceOpen) return Fail(TWCC_SEQERROR);
            CloseSource();
            return TWRC_SUCCESS;
        default:
            return Fail(TWCC_BADPROTOCOL);
        }
    }
    if (!dest || !g.sourceOpen || dest->Id != g.source.Id) return Fail(TWCC_BADDEST);
    return SourceCall(dg, dat, msg, data);
}

// For tests: sets a SANE option of the open source by name (for example the test backend's
// "read-return-value", to make a device fail in the middle of a scan).
extern "C" __attribute__((visibility("default"))) int SaneDsm_SetOption(const char* name, const char* value) {
    if (!g.device || !name || !value) return 0;
    return g.device->SetOption(name, value) ? 1 : 0;
}

// For tests: how many device listings this library made, and how many of them on the
// application's window thread.
extern "C" __attribute__((visibility("default"))) void SaneDsm_ListingCounts(int* all, int* onWindowThread) {
    int a = 0, w = 0;
    sanedsm::ListingCounts(a, w);
    if (all) *all = a;
    if (onWindowThread) *onWindowThread = w;
}
