#pragma once
// TMlb2ParseCSV: turns one value into its CSV form.
#include <string>

class TMlb2ParseCSV {
public:
    TMlb2ParseCSV() = default;
    std::string Escape(const std::string& value) const;
    char Separator() const { return separator_; }

private:
    char separator_ = ';';
};
