#pragma once
// Scanning through SANE for the source manager: one open device, its few options the source
// dialog offers, and scans that end as packed DIBs (the form a TWAIN native transfer delivers).
//
// A scan runs on a worker thread; Cancel (from any thread) stops it at once through
// sane_cancel, which SANE allows while another thread is inside sane_read.

#include <sane/sane.h>

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

namespace sanedsm {

// One device as sane_get_devices lists it.
struct TDeviceInfo {
    std::string name, vendor, model, type;
};

// All devices SANE finds (local and network). Needs sane_init.
std::vector<TDeviceInfo> ListDevices();
// How many times ListDevices ran, and how many of those on the application's window thread.
void ListingCounts(int& all, int& onWindowThread);

// The settings a scan uses; empty / 0 leave the device's own value.
struct TScanSettings {
    std::string mode;        // "Color", "Gray", "Lineart", ...
    int resolution = 0;      // dpi
    std::string source;      // "Flatbed", "Automatic Document Feeder", ...
    bool preview = false;    // the device's quick preview, when it has one
    // The scan area in millimetres (left, top, right, bottom); all 0 for the whole bed.
    double area[4] = {0, 0, 0, 0};
    int maxPages = 0;        // for a feeder: pages to take at most (0 = until it is empty)
};

// One delivered page: a malloc block holding a packed DIB, or nullptr with the failure.
struct TPage {
    void* dib = nullptr;
    std::size_t size = 0;
    std::string error;
};

enum class TScanEnd { Done, Cancelled, Failed };

class TSaneDevice {
public:
    TSaneDevice() = default;
    ~TSaneDevice();
    TSaneDevice(const TSaneDevice&) = delete;
    TSaneDevice& operator=(const TSaneDevice&) = delete;

    bool Open(const std::string& name);
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }
    const std::string& Name() const { return name_; }

    // The choices of a string-list option ("mode", "source"); empty when the device has none.
    std::vector<std::string> StringChoices(const std::string& option) const;
    std::string StringValue(const std::string& option) const;
    // The resolutions offered: a word list, or a few common steps inside a range.
    std::vector<int> Resolutions() const;
    int ResolutionValue() const;
    // The whole scan bed in millimetres (right, bottom); 0 when unknown.
    double BedWidthMm() const;
    double BedHeightMm() const;
    bool HasOption(const std::string& option) const;

    // Sets an option by name from text: numbers for int and fixed options (fixed ones with
    // their fixed-point value), "yes"/"no" for booleans, the text itself for strings.
    bool SetOption(const std::string& option, const std::string& value);
    bool SetNumber(const std::string& option, double value);

    // Scans with the settings: one page, or every page of a feeder. Pages that completed stay in
    // pages when a later one fails; the failure is the last entry (dib nullptr). Cancelled scans
    // release their pages. progress (0..1000) is updated as data arrives.
    TScanEnd Scan(const TScanSettings& settings, std::vector<TPage>& pages, std::atomic<int>* progress);
    // Stops a running scan at once (any thread).
    void Cancel();
    // Called before a scan is started on another thread, so a Cancel that comes before the
    // thread reaches sane_start is not lost.
    void ClearCancel() { cancelled_ = false; }
    bool CancelRequested() const { return cancelled_; }

private:
    int FindOption(const std::string& option) const;
    bool ReadPage(std::vector<TPage>& pages, std::atomic<int>* progress, int pageIndex, int pageCount);
    // A single grey or colour frame of known height, converted line by line straight into its
    // DIB as the data arrives.
    bool ReadStreaming(const SANE_Parameters& p, std::vector<TPage>& pages, std::atomic<int>* progress,
                       int pageIndex, int pageCount);

    SANE_Handle handle_ = nullptr;
    std::string name_;
    std::atomic<bool> cancelled_{false};
};

// Turns one SANE frame (or three colour planes) into a packed DIB in a malloc block: 24-bit
// colour, or 8-bit grey with its 256-entry palette; 1-bit line art and 16-bit samples are
// converted to 8 bits. lines < 0: as many whole lines as data holds. nullptr when the
// parameters are unusable.
struct TFrame {
    SANE_Parameters params{};
    std::vector<unsigned char> data;
};
void* FramesToDib(const std::vector<TFrame>& frames, std::size_t& size);

}  // namespace sanedsm
