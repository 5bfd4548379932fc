#include "TConcordances.h"

bool TConcordances::Match(const std::string& pattern, const std::string& text) const {
    return Compile(pattern).Matches(text);
}

mlb2detail::TLikePattern TConcordances::Compile(const std::string& pattern) const {
    return mlb2detail::TLikePattern(pattern);
}
