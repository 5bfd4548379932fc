#pragma once
// TConcordances: the wildcard matcher behind the table's "LIKE" seek operator.
#include <string>

#include "LikePattern.h"

class TConcordances {
public:
    // The table's configuration: letter case ignored, wildcards interpreted, blanks kept.
    TConcordances() = default;
    bool Match(const std::string& pattern, const std::string& text) const;

private:
    friend class TMlb2;
    // The pattern compiled in this matcher's configuration, for a scan that tests many values.
    mlb2detail::TLikePattern Compile(const std::string& pattern) const;
};
