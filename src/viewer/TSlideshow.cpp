#include "TSlideshow.h"

#include <charconv>
#include <climits>

namespace viewer {

TSlideSequence::TSlideSequence(const std::vector<std::string>& rowPaths, TSlideLoop loop) : loop_(loop) {
    for (const std::string& p : rowPaths)
        if (!p.empty()) paths_.push_back(p);
}

bool TSlideSequence::Forward() {
    if (paths_.empty()) return false;
    if (index_ + 1 > Last()) {
        if (loop_ == TSlideLoop::CloseAfterLast) return false;
        index_ = 0;
    } else {
        ++index_;
    }
    return true;
}

void TSlideSequence::Back() {
    if (paths_.empty()) return;
    index_ = index_ - 1 < 0 ? Last() : index_ - 1;
}

std::optional<int> TSlideSequence::NextIndex() const {
    if (Count() < 2) return std::nullopt;
    if (index_ + 1 > Last()) {
        if (loop_ == TSlideLoop::CloseAfterLast) return std::nullopt;
        return 0;
    }
    return index_ + 1;
}

std::optional<int> TSlideSequence::PreviousIndex() const {
    if (Count() < 2) return std::nullopt;
    return index_ - 1 < 0 ? Last() : index_ - 1;
}

TSlideInterval ParseSlideSeconds(const std::string& text) {
    constexpr int kMaxSeconds = INT_MAX / 1000;
    TSlideInterval r;
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    const char* first = text.data() + b;
    const char* last = text.data() + e;
    if (first != last && *first == '+') ++first;  // from_chars takes "-" but not "+"
    long long seconds = 0;
    const auto [end, ec] = std::from_chars(first, last, seconds);
    const bool digits = first != last && !(*first == '-' && first + 1 == last);
    if (!digits || end != last || (ec != std::errc() && ec != std::errc::result_out_of_range)) {
        r.error = "'" + text + "' is not a valid integer value";
        return r;
    }
    if (ec == std::errc::result_out_of_range || seconds < 0 || seconds > kMaxSeconds) {
        r.error = "Please enter a number of seconds from 0 to " + std::to_string(kMaxSeconds) + ".";
        return r;
    }
    r.ok = true;
    r.milliseconds = static_cast<int>(seconds) * 1000;
    return r;
}

bool InCloseCorner(int x, int y, int windowWidth) { return y < 50 && x > windowWidth - 50; }

}  // namespace viewer
