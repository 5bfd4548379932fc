#pragma once
// A "LIKE" pattern translated once into a list of steps. The matcher is a single left-to-right
// pass over the pattern with no backtracking; translating it up front lets a scan test many
// values against one pattern without walking the pattern text, building sets or folding case
// again for every value. Matches() gives the answer of that pass exactly.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace mlb2detail {

class TLikePattern {
public:
    TLikePattern() = default;
    explicit TLikePattern(std::string_view pattern);

    // Whether the whole text matches the whole pattern (letter case ignored for a to z).
    bool Matches(std::string_view text) const;

private:
    enum class TStep : std::uint8_t {
        Literal,        // one character equal to ch (after folding)
        AnyOne,         // "?"
        Digit,          // "#"
        InSet,          // "]": one character accepted by sets_[arg]
        StarToEnd,      // a star run closing the pattern; arg = its minimum
        StarToLiteral,  // a star run, then its first ch; arg = its minimum
        StarToDigit,    // a star run, then its first digit; arg = its minimum
    };
    struct TItem {
        TStep step;
        unsigned char ch;
        std::uint32_t arg;
    };

    std::vector<TItem> items_;
    // Per set test: which raw text bytes it accepts (folding and negation already applied).
    std::vector<std::array<bool, 256>> sets_;
};

// ASCII upper case: a to z only, every other byte unchanged.
inline unsigned char FoldCase(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

}  // namespace mlb2detail
