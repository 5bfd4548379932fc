#include "LikePattern.h"

#include <cstring>

namespace mlb2detail {

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// First position at or after from whose folded byte is c (c is already folded), or n.
std::size_t FindFolded(const unsigned char* t, std::size_t from, std::size_t n, unsigned char c) {
    const std::size_t len = n - from;
    if (len == 0) return n;
    const void* upper = std::memchr(t + from, c, len);
    std::size_t found = upper ? static_cast<std::size_t>(static_cast<const unsigned char*>(upper) - t) : n;
    if (c >= 'A' && c <= 'Z' && found > from) {
        // The lower-case letter counts as well; look for it only before the upper-case hit.
        const void* lower = std::memchr(t + from, c + ('a' - 'A'), found - from);
        if (lower) found = static_cast<std::size_t>(static_cast<const unsigned char*>(lower) - t);
    }
    return found;
}

}  // namespace

TLikePattern::TLikePattern(std::string_view pattern) {
    const std::size_t len = pattern.size();
    auto at = [&](std::size_t i) { return FoldCase(static_cast<unsigned char>(pattern[i])); };

    // Set-building state. The most recent set stays in force after its "]", so a later bare
    // "]" tests it again; before any "[" it is the empty set.
    std::array<bool, 256> members{};
    bool negated = false;
    bool inSet = false;
    bool rangePending = false;
    bool anyAdded = false;
    unsigned char last = 0;
    int lastSet = -1;  // index in sets_ of the test table for the current set, once made

    auto emitSetTest = [&] {
        if (lastSet < 0) {
            std::array<bool, 256> accept{};
            for (int b = 0; b < 256; ++b)
                accept[b] = members[FoldCase(static_cast<unsigned char>(b))] != negated;
            sets_.push_back(accept);
            lastSet = static_cast<int>(sets_.size()) - 1;
        }
        items_.push_back({TStep::InSet, 0, static_cast<std::uint32_t>(lastSet)});
    };

    for (std::size_t i = 0; i < len; ++i) {
        const unsigned char c = at(i);
        if (inSet) {
            if (c == ']') {
                inSet = false;
                emitSetTest();
            } else if (c == '-' && anyAdded) {
                rangePending = true;
            } else if (c == '!' && !anyAdded) {
                negated = true;
            } else if (rangePending) {
                // From the character after the range's start up to this one; the start stays.
                for (int b = last + 1; b <= c; ++b) members[b] = true;
                rangePending = false;
            } else {
                members[c] = true;
                last = c;
                anyAdded = true;
            }
            continue;
        }
        switch (c) {
        case '?':
            items_.push_back({TStep::AnyOne, 0, 0});
            break;
        case '#':
            items_.push_back({TStep::Digit, 0, 0});
            break;
        case '[':
            inSet = true;
            members.fill(false);
            negated = false;
            rangePending = false;
            anyAdded = false;
            last = 0;
            lastSet = -1;
            break;
        case ']':
            emitSetTest();
            break;
        case '*': {
            // The run: this "*" and every "*" or "?" right after it. Each further one adds one
            // to the number of characters the run must skip.
            std::size_t j = i;
            while (j + 1 < len && (pattern[j + 1] == '*' || pattern[j + 1] == '?')) ++j;
            const auto minimum = static_cast<std::uint32_t>(j - i);
            if (j + 1 == len) {
                items_.push_back({TStep::StarToEnd, 0, minimum});
                i = len;
            } else {
                const unsigned char next = at(j + 1);
                if (next == '#')
                    items_.push_back({TStep::StarToDigit, 0, minimum});
                else
                    items_.push_back({TStep::StarToLiteral, next, minimum});
                i = j + 1;
            }
            break;
        }
        default:
            items_.push_back({TStep::Literal, c, 0});
            break;
        }
    }
}

bool TLikePattern::Matches(std::string_view text) const {
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t pos = 0;
    for (const TItem& item : items_) {
        switch (item.step) {
        case TStep::Literal:
            if (pos >= n || FoldCase(t[pos]) != item.ch) return false;
            ++pos;
            break;
        case TStep::AnyOne:
            if (pos >= n) return false;
            ++pos;
            break;
        case TStep::Digit:
            if (pos >= n || !IsDigit(t[pos])) return false;
            ++pos;
            break;
        case TStep::InSet:
            if (pos >= n || !sets_[item.arg][t[pos]]) return false;
            ++pos;
            break;
        case TStep::StarToEnd:
            // Takes the rest; the run needs one character fewer than its minimum.
            if (static_cast<std::int64_t>(n - pos) < static_cast<std::int64_t>(item.arg) - 1) return false;
            pos = n;
            break;
        case TStep::StarToLiteral: {
            const std::size_t found = FindFolded(t, pos, n, item.ch);
            if (found >= n || found - pos < item.arg) return false;
            pos = found + 1;
            break;
        }
        case TStep::StarToDigit: {
            std::size_t found = pos;
            while (found < n && !IsDigit(t[found])) ++found;
            if (found >= n || found - pos < item.arg) return false;
            pos = found + 1;
            break;
        }
        }
    }
    return pos == n;
}

}  // namespace mlb2detail
