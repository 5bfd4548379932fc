#pragma once
// Field-name rules shared by AddField and the loaders: names compare without regard to ASCII
// letter case and a name must not be empty or made only of spaces.
#include <string>
#include <string_view>
#include <unordered_set>

#include "LikePattern.h"

namespace mlb2detail {

inline bool IsBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

inline bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// Accepts names the way repeated AddField calls would, in time proportional to the names, so a
// file with a huge header cannot make loading quadratic.
class TNameSet {
public:
    bool Accept(std::string_view name) {
        if (IsBlank(name)) return false;
        std::string folded(name);
        for (char& c : folded) c = static_cast<char>(FoldCase(static_cast<unsigned char>(c)));
        return names_.insert(std::move(folded)).second;
    }

private:
    std::unordered_set<std::string> names_;
};

}  // namespace mlb2detail
