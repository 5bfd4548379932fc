#pragma once
// The character-reference decoder written step by step, exactly as its rules read: a 1-based
// position over a text that shrinks as references are replaced in place, a named reference
// replaced by its numeric reference which the next steps decode in turn. It is quadratic and
// serves only as the reference the program's one-pass decoder is compared with.

#include <string>

#include "THyperParse.h"

namespace stepwise {

inline bool Number(const std::string& digits, int& value) {
    if (digits.empty() || digits.size() > 3) return false;
    int base = 10;
    std::size_t i = 0;
    bool negative = false;
    if (digits[0] == 'x' || digits[0] == 'X') {
        base = 16;
        i = 1;
    } else if (digits[0] == '+' || digits[0] == '-') {
        negative = digits[0] == '-';
        i = 1;
    }
    if (i >= digits.size()) return false;
    value = 0;
    for (; i < digits.size(); ++i) {
        const char c = digits[i];
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return false;
        value = value * base + d;
    }
    if (negative) value = -value;
    return true;
}

inline void DecodeEntities(std::string& text) {
    std::size_t pos = 1;
    bool collecting = false;
    std::size_t start = 0;
    std::string ref;
    while (pos <= text.size()) {
        const char c = text[pos - 1];
        if (c == '&') {
            start = pos;
            ref.clear();
            collecting = true;
        }
        if (collecting) {
            ref += c;
            if (c == ';' || c == ' ') {
                collecting = false;
                if (ref.size() > 2 && ref[1] == '#') {
                    int value = 0;
                    if (Number(ref.substr(2, ref.size() - 3), value) && value >= 0 && value <= 255) {
                        text.replace(start - 1, ref.size(), 1, static_cast<char>(THyperParse::CharTable(value)));
                        pos = start;
                    }
                } else {
                    bool found = false;
                    for (const THyperParse::TEntity& e : THyperParse::EntityTable()) {
                        if (ref == e.name) {
                            text.replace(start - 1, ref.size(), e.numeric);
                            pos = start - 1;
                            found = true;
                            break;
                        }
                    }
                    if (!found) pos = start;
                }
            }
        }
        ++pos;
    }
}

inline std::string Decoded(std::string text) {
    DecodeEntities(text);
    return text;
}

}  // namespace stepwise
