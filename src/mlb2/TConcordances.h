#pragma once
// TConcordances: the wildcard matcher behind the table's "LIKE" seek operator.
#include <string>

class TConcordances {
public:
    // The table's configuration: letter case ignored, wildcards interpreted, blanks kept.
    TConcordances() = default;
    bool Match(const std::string& pattern, const std::string& text) const;
};
