#include "TMlb2ParseCSV.h"

std::string TMlb2ParseCSV::Escape(const std::string& value) const {
    std::string out;
    out.reserve(value.size() + value.size() / 8);
    for (const char c : value) {
        if (c == '\r') {
            out += "\\n";
        } else if (c == '\n') {
            // dropped: a CR stands for the whole line break
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == separator_) {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    return out;
}
