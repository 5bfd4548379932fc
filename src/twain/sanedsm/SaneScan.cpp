#include "SaneScan.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "TwainTypes.h"

namespace sanedsm {

namespace {

constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 28;

// One sample of a line at position i, as 8 bits.
inline unsigned char Sample(const unsigned char* line, int i, int depth, bool lineArtIsBlack) {
    if (depth == 8) return line[i];
    if (depth == 16) {
        std::uint16_t v;
        std::memcpy(&v, line + 2 * i, 2);
        return static_cast<unsigned char>(v >> 8);
    }
    bool bit = (line[i >> 3] >> (7 - (i & 7))) & 1;
    // In SANE's grey line art a set bit is black; in colour data a set bit is full intensity.
    if (lineArtIsBlack) return bit ? 0 : 255;
    return bit ? 255 : 0;
}

// A packed DIB block for width x lines: header, grey palette for 8-bit, rows of stride bytes.
unsigned char* AllocDib(int width, std::uint64_t lines, bool colour, std::size_t& size, std::size_t& stride) {
    const int outBits = colour ? 24 : 8;
    stride = ((std::size_t(width) * outBits + 31) / 32) * 4;
    const std::size_t palette = colour ? 0 : 256 * 4;
    size = sizeof(TWAIN_BITMAPINFOHEADER) + palette + stride * lines;
    auto* block = static_cast<unsigned char*>(std::malloc(size));
    if (!block) {
        size = 0;
        return nullptr;
    }
    TWAIN_BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = std::int32_t(lines);
    h.biPlanes = 1;
    h.biBitCount = std::uint16_t(outBits);
    h.biSizeImage = std::uint32_t(stride * lines);
    h.biClrUsed = colour ? 0 : 256;
    std::memcpy(block, &h, sizeof h);
    unsigned char* table = block + sizeof h;
    for (std::size_t i = 0; i < palette / 4; ++i) {
        table[i * 4] = table[i * 4 + 1] = table[i * 4 + 2] = static_cast<unsigned char>(i);
        table[i * 4 + 3] = 0;
    }
    return block;
}

std::size_t PixelOffset(bool colour) { return sizeof(TWAIN_BITMAPINFOHEADER) + (colour ? 0 : 256 * 4); }

// One line of a single grey or RGB frame into a DIB row (blue, green, red order; padding zeroed).
void ConvertLine(const unsigned char* src, unsigned char* dst, std::size_t stride, int width, int depth, bool colour) {
    const std::size_t used = (colour ? 3 : 1) * std::size_t(width);
    std::memset(dst + used, 0, stride - used);
    if (!colour) {
        if (depth == 8) std::memcpy(dst, src, std::size_t(width));
        else
            for (int x = 0; x < width; ++x) dst[x] = Sample(src, x, depth, true);
    } else if (depth == 8) {
        for (int x = 0; x < width; ++x) {
            dst[x * 3] = src[x * 3 + 2];
            dst[x * 3 + 1] = src[x * 3 + 1];
            dst[x * 3 + 2] = src[x * 3];
        }
    } else {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) dst[x * 3 + 2 - c] = Sample(src, x * 3 + c, depth, false);
    }
}

}  // namespace

void* FramesToDib(const std::vector<TFrame>& frames, std::size_t& size) {
    size = 0;
    if (frames.empty()) return nullptr;
    const SANE_Parameters& p = frames.front().params;
    const int depth = p.depth;
    if (depth != 1 && depth != 8 && depth != 16) return nullptr;
    if (p.pixels_per_line <= 0 || p.bytes_per_line <= 0) return nullptr;
    const bool single = p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB;
    bool colour = p.format != SANE_FRAME_GRAY;
    const int width = p.pixels_per_line;
    const std::size_t bpl = std::size_t(p.bytes_per_line);
    const int channels = p.format == SANE_FRAME_RGB ? 3 : 1;
    if (std::uint64_t(width) * channels * depth > std::uint64_t(bpl) * 8) return nullptr;

    // The planes of a three-pass scan, by colour; a single frame serves all three.
    const TFrame* planes[3] = {&frames.front(), &frames.front(), &frames.front()};
    std::uint64_t lines = frames.front().data.size() / bpl;
    if (!single) {
        bool seen[3] = {false, false, false};
        for (const TFrame& f : frames) {
            int c = f.params.format == SANE_FRAME_RED ? 0 : f.params.format == SANE_FRAME_GREEN ? 1
                  : f.params.format == SANE_FRAME_BLUE ? 2 : -1;
            if (c < 0 || f.params.bytes_per_line != p.bytes_per_line || f.params.depth != depth) return nullptr;
            planes[c] = &f;
            seen[c] = true;
            lines = std::min<std::uint64_t>(lines, f.data.size() / bpl);
        }
        if (!seen[0] || !seen[1] || !seen[2]) return nullptr;
    }
    if (p.lines >= 0) lines = std::min<std::uint64_t>(lines, std::uint64_t(p.lines));
    if (lines == 0 || std::uint64_t(width) * lines > kMaxPixels) return nullptr;

    std::size_t stride = 0;
    unsigned char* block = AllocDib(width, lines, colour, size, stride);
    if (!block) return nullptr;
    unsigned char* pixels = block + PixelOffset(colour);
    for (std::uint64_t y = 0; y < lines; ++y) {
        // DIB rows go bottom-up.
        unsigned char* dst = pixels + stride * (lines - 1 - y);
        if (single) {
            ConvertLine(planes[0]->data.data() + bpl * y, dst, stride, width, depth, colour);
        } else {
            std::memset(dst + 3 * std::size_t(width), 0, stride - 3 * std::size_t(width));
            for (int c = 0; c < 3; ++c) {
                const unsigned char* src = planes[c]->data.data() + bpl * y;
                for (int x = 0; x < width; ++x) dst[x * 3 + 2 - c] = Sample(src, x, depth, false);
            }
        }
    }
    return block;
}

namespace {
std::atomic<int> listings{0};
std::atomic<int> windowThreadListings{0};
}  // namespace

void ListingCounts(int& all, int& onWindowThread) {
    all = listings.load();
    onWindowThread = windowThreadListings.load();
}

std::vector<TDeviceInfo> ListDevices() {
    ++listings;
    if (QCoreApplication* app = QCoreApplication::instance(); app && QThread::currentThread() == app->thread())
        ++windowThreadListings;
    std::vector<TDeviceInfo> out;
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list) return out;
    for (int i = 0; list[i]; ++i) {
        const SANE_Device* d = list[i];
        out.push_back({d->name ? d->name : "", d->vendor ? d->vendor : "", d->model ? d->model : "",
                       d->type ? d->type : ""});
    }
    return out;
}

TSaneDevice::~TSaneDevice() { Close(); }

bool TSaneDevice::Open(const std::string& name) {
    Close();
    SANE_Handle h = nullptr;
    if (sane_open(name.c_str(), &h) != SANE_STATUS_GOOD || !h) return false;
    handle_ = h;
    name_ = name;
    return true;
}

void TSaneDevice::Close() {
    if (handle_) sane_close(handle_);
    handle_ = nullptr;
    name_.clear();
}

int TSaneDevice::FindOption(const std::string& option) const {
    if (!handle_) return -1;
    for (int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
        if (!d) return -1;
        if (d->name && option == d->name && SANE_OPTION_IS_ACTIVE(d->cap)) return i;
    }
}

bool TSaneDevice::HasOption(const std::string& option) const { return FindOption(option) >= 0; }

std::vector<std::string> TSaneDevice::StringChoices(const std::string& option) const {
    std::vector<std::string> out;
    int i = FindOption(option);
    if (i < 0) return out;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
    if (d->type != SANE_TYPE_STRING || d->constraint_type != SANE_CONSTRAINT_STRING_LIST) return out;
    for (const SANE_String_Const* s = d->constraint.string_list; s && *s; ++s) out.push_back(*s);
    return out;
}

std::string TSaneDevice::StringValue(const std::string& option) const {
    int i = FindOption(option);
    if (i < 0) return {};
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
    if (d->type != SANE_TYPE_STRING || d->size <= 0) return {};
    std::vector<char> buf(std::size_t(d->size) + 1, '\0');
    if (sane_control_option(handle_, i, SANE_ACTION_GET_VALUE, buf.data(), nullptr) != SANE_STATUS_GOOD) return {};
    return buf.data();
}

std::vector<int> TSaneDevice::Resolutions() const {
    std::vector<int> out;
    int i = FindOption("resolution");
    if (i < 0) return out;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
    auto value = [d](SANE_Word w) { return d->type == SANE_TYPE_FIXED ? int(std::lround(SANE_UNFIX(w))) : int(w); };
    if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
        const SANE_Word* list = d->constraint.word_list;
        for (int k = 1; k <= list[0]; ++k) out.push_back(value(list[k]));
    } else if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
        int lo = value(d->constraint.range->min), hi = value(d->constraint.range->max);
        for (int dpi : {75, 100, 150, 200, 300, 600, 1200, 2400})
            if (dpi >= lo && dpi <= hi) out.push_back(dpi);
        if (out.empty()) out.push_back(hi);
    }
    return out;
}

int TSaneDevice::ResolutionValue() const {
    int i = FindOption("resolution");
    if (i < 0) return 0;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
    SANE_Word w = 0;
    if (d->size != sizeof(SANE_Word) ||
        sane_control_option(handle_, i, SANE_ACTION_GET_VALUE, &w, nullptr) != SANE_STATUS_GOOD)
        return 0;
    return d->type == SANE_TYPE_FIXED ? int(std::lround(SANE_UNFIX(w))) : int(w);
}

static double RangeMax(SANE_Handle h, int i) {
    if (i < 0) return 0;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
    if (d->constraint_type != SANE_CONSTRAINT_RANGE) return 0;
    SANE_Word w = d->constraint.range->max;
    return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : double(w);
}

double TSaneDevice::BedWidthMm() const { return RangeMax(handle_, FindOption("br-x")); }
double TSaneDevice::BedHeightMm() const { return RangeMax(handle_, FindOption("br-y")); }

bool TSaneDevice::SetNumber(const std::string& option, double value) {
    int i = FindOption(option);
    if (i < 0) return false;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
    if (!SANE_OPTION_IS_SETTABLE(d->cap) || d->size < int(sizeof(SANE_Word))) return false;
    std::vector<SANE_Word> words(std::size_t(d->size) / sizeof(SANE_Word));
    SANE_Word w;
    if (d->type == SANE_TYPE_FIXED) w = SANE_FIX(value);
    else if (d->type == SANE_TYPE_INT) w = SANE_Word(std::lround(value));
    else if (d->type == SANE_TYPE_BOOL) w = value != 0 ? SANE_TRUE : SANE_FALSE;
    else return false;
    std::fill(words.begin(), words.end(), w);
    return sane_control_option(handle_, i, SANE_ACTION_SET_VALUE, words.data(), nullptr) == SANE_STATUS_GOOD;
}

bool TSaneDevice::SetOption(const std::string& option, const std::string& value) {
    int i = FindOption(option);
    if (i < 0) return false;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
    if (d->type == SANE_TYPE_STRING) {
        if (!SANE_OPTION_IS_SETTABLE(d->cap) || d->size <= 0) return false;
        std::vector<char> buf(std::max<std::size_t>(std::size_t(d->size), value.size() + 1), '\0');
        std::memcpy(buf.data(), value.c_str(), value.size());
        buf[std::size_t(d->size) - 1] = '\0';
        return sane_control_option(handle_, i, SANE_ACTION_SET_VALUE, buf.data(), nullptr) == SANE_STATUS_GOOD;
    }
    if (d->type == SANE_TYPE_BOOL) return SetNumber(option, value == "yes" || value == "1" || value == "true");
    char* end = nullptr;
    double v = std::strtod(value.c_str(), &end);
    if (end == value.c_str()) return false;
    return SetNumber(option, v);
}

void TSaneDevice::Cancel() {
    cancelled_ = true;
    if (handle_) sane_cancel(handle_);
}

static void ReportProgress(std::atomic<int>* progress, double done, int pageIndex, int pageCount) {
    if (!progress) return;
    const int pc = pageCount > 0 ? pageCount : 1;
    *progress = int(1000.0 * (std::min(done, 1.0) + pageIndex % pc) / pc);
}

bool TSaneDevice::ReadStreaming(const SANE_Parameters& p, std::vector<TPage>& pages, std::atomic<int>* progress,
                                int pageIndex, int pageCount) {
    const bool colour = p.format == SANE_FRAME_RGB;
    const int width = p.pixels_per_line;
    const std::size_t bpl = std::size_t(p.bytes_per_line);
    const std::uint64_t lines = std::uint64_t(p.lines);
    TPage page;
    std::size_t stride = 0;
    auto* block = AllocDib(width, lines, colour, page.size, stride);
    if (!block) {
        pages.push_back({nullptr, 0, "There is not enough memory for the image."});
        return false;
    }
    unsigned char* pixels = block + PixelOffset(colour);
    // Whole lines are gathered in a small buffer and converted while it is still in the cache.
    const std::size_t chunkLines = std::max<std::size_t>(1, (std::size_t(256) << 10) / bpl);
    std::vector<unsigned char> chunk(chunkLines * bpl);
    std::size_t filled = 0;
    std::uint64_t row = 0;
    auto fail = [&](const std::string& why) {
        std::free(block);
        if (!why.empty()) pages.push_back({nullptr, 0, why});
        return false;
    };
    for (;;) {
        SANE_Int n = 0;
        SANE_Status s = sane_read(handle_, chunk.data() + filled, SANE_Int(chunk.size() - filled), &n);
        if (s == SANE_STATUS_EOF) break;
        if (s != SANE_STATUS_GOOD) {
            if (s == SANE_STATUS_CANCELLED || cancelled_) return fail("");
            return fail(sane_strstatus(s));
        }
        if (cancelled_) return fail("");
        filled += std::size_t(std::max<SANE_Int>(0, n));
        const std::size_t whole = filled / bpl;
        for (std::size_t i = 0; i < whole && row < lines; ++i, ++row)
            ConvertLine(chunk.data() + i * bpl, pixels + stride * (lines - 1 - row), stride, width, p.depth, colour);
        const std::size_t used = whole * bpl;
        if (used && used < filled) std::memmove(chunk.data(), chunk.data() + used, filled - used);
        filled -= used;
        ReportProgress(progress, double(row) / double(lines), pageIndex, pageCount);
    }
    if (row == 0) return fail("The scanner sent no image data.");
    if (row < lines) {
        // Fewer lines than announced: the rows that came move to the bottom of the block.
        std::memmove(pixels, pixels + stride * (lines - row), stride * row);
        TWAIN_BITMAPINFOHEADER h;
        std::memcpy(&h, block, sizeof h);
        h.biHeight = std::int32_t(row);
        h.biSizeImage = std::uint32_t(stride * row);
        std::memcpy(block, &h, sizeof h);
        page.size = PixelOffset(colour) + stride * row;
    }
    page.dib = block;
    pages.push_back(page);
    return true;
}

bool TSaneDevice::ReadPage(std::vector<TPage>& pages, std::atomic<int>* progress, int pageIndex, int pageCount) {
    std::vector<TFrame> frames;
    for (;;) {
        TFrame frame;
        if (SANE_Status s = sane_get_parameters(handle_, &frame.params); s != SANE_STATUS_GOOD) {
            pages.push_back({nullptr, 0, sane_strstatus(s)});
            return false;
        }
        const SANE_Parameters& p = frame.params;
        if (frames.empty() && p.last_frame && (p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB) &&
            p.lines > 0 && p.pixels_per_line > 0 && p.bytes_per_line > 0 &&
            (p.depth == 1 || p.depth == 8 || p.depth == 16) &&
            std::uint64_t(p.pixels_per_line) * (p.format == SANE_FRAME_RGB ? 3 : 1) * std::uint64_t(p.depth) <=
                std::uint64_t(p.bytes_per_line) * 8 &&
            std::uint64_t(p.pixels_per_line) * std::uint64_t(p.lines) <= kMaxPixels)
            return ReadStreaming(p, pages, progress, pageIndex, pageCount);
        const std::uint64_t expected = frame.params.lines > 0
                                           ? std::uint64_t(frame.params.lines) * std::uint64_t(std::max(0, frame.params.bytes_per_line))
                                           : 0;
        if (expected > (std::uint64_t(1) << 32)) {
            pages.push_back({nullptr, 0, "The image is too large."});
            return false;
        }
        frame.data.resize(expected ? std::size_t(expected) : std::size_t(1) << 20);
        std::size_t got = 0;
        for (;;) {
            if (got == frame.data.size()) frame.data.resize(frame.data.size() * 2);
            SANE_Int n = 0;
            std::size_t room = std::min<std::size_t>(frame.data.size() - got, std::size_t(1) << 20);
            SANE_Status s = sane_read(handle_, frame.data.data() + got, SANE_Int(room), &n);
            if (s == SANE_STATUS_EOF) break;
            if (s != SANE_STATUS_GOOD) {
                if (s == SANE_STATUS_CANCELLED || cancelled_) return false;
                pages.push_back({nullptr, 0, sane_strstatus(s)});
                return false;
            }
            if (cancelled_) return false;
            got += std::size_t(std::max<SANE_Int>(0, n));
            if (expected) {
                int frameCount = frame.params.last_frame ? 1 : 3;
                ReportProgress(progress, (double(got) / double(expected) + double(frames.size())) / frameCount,
                               pageIndex, pageCount);
            }
        }
        frame.data.resize(got);
        bool last = frame.params.last_frame;
        frames.push_back(std::move(frame));
        if (last) break;
        if (SANE_Status s = sane_start(handle_); s != SANE_STATUS_GOOD) {
            if (s == SANE_STATUS_CANCELLED || cancelled_) return false;
            pages.push_back({nullptr, 0, sane_strstatus(s)});
            return false;
        }
    }
    TPage page;
    page.dib = FramesToDib(frames, page.size);
    if (!page.dib) page.error = "The scanner sent an image this program cannot read.";
    pages.push_back(page);
    return page.dib != nullptr;
}

TScanEnd TSaneDevice::Scan(const TScanSettings& settings, std::vector<TPage>& pages, std::atomic<int>* progress) {
    if (!handle_) {
        pages.push_back({nullptr, 0, "No scanner is open."});
        return TScanEnd::Failed;
    }
    if (!settings.source.empty()) SetOption("source", settings.source);
    if (!settings.mode.empty()) SetOption("mode", settings.mode);
    if (settings.resolution > 0) SetNumber("resolution", settings.resolution);
    if (HasOption("preview")) SetNumber("preview", settings.preview ? 1 : 0);
    if (settings.area[2] > settings.area[0] && settings.area[3] > settings.area[1]) {
        SetNumber("tl-x", settings.area[0]);
        SetNumber("tl-y", settings.area[1]);
        SetNumber("br-x", settings.area[2]);
        SetNumber("br-y", settings.area[3]);
    } else {
        SetNumber("tl-x", 0);
        SetNumber("tl-y", 0);
        if (double w = BedWidthMm(); w > 0) SetNumber("br-x", w);
        if (double h = BedHeightMm(); h > 0) SetNumber("br-y", h);
    }
    const bool feeder = settings.source.find("Feeder") != std::string::npos ||
                        settings.source.find("ADF") != std::string::npos;
    const int pageCount = feeder ? settings.maxPages : 1;
    TScanEnd end = TScanEnd::Done;
    for (int page = 0; !feeder || settings.maxPages == 0 || page < settings.maxPages; ++page) {
        SANE_Status s = sane_start(handle_);
        if (cancelled_ || s == SANE_STATUS_CANCELLED) {
            end = TScanEnd::Cancelled;
            break;
        }
        if (s == SANE_STATUS_NO_DOCS && page > 0) break;  // the feeder is empty
        if (s != SANE_STATUS_GOOD) {
            pages.push_back({nullptr, 0, sane_strstatus(s)});
            end = TScanEnd::Failed;
            break;
        }
        if (!ReadPage(pages, progress, page, pageCount)) {
            end = cancelled_ ? TScanEnd::Cancelled : TScanEnd::Failed;
            break;
        }
        if (!feeder) break;
    }
    sane_cancel(handle_);
    if (end == TScanEnd::Cancelled) {
        for (TPage& p : pages) std::free(p.dib);
        pages.clear();
    }
    if (progress && end == TScanEnd::Done) *progress = 1000;
    return end;
}

}  // namespace sanedsm
