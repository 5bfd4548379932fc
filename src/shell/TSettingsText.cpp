#include "TSettingsText.h"

namespace {

enum class TextKind { Section, Key, Value };

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

void AppendHex(std::string& out, unsigned char c) {
    static const char digits[] = "0123456789ABCDEF";
    out += "\\x";
    out += digits[c >> 4];
    out += digits[c & 15];
}

// Escapes what the reader would otherwise take apart: line breaks and other control bytes,
// blanks at either end (the reader trims them), "=" in a key, a key that would start a comment
// or a header, and "]" in a section name.
std::string Encode(const std::string& text, TextKind kind) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        bool atEdge = i == 0 || i + 1 == text.size();
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c == 0x7F) AppendHex(out, c);
        else if (c == ' ' && atEdge) AppendHex(out, c);
        else if (kind == TextKind::Key && c == '=') AppendHex(out, c);
        else if (kind == TextKind::Key && i == 0 && (c == ';' || c == '#' || c == '[')) AppendHex(out, c);
        else if (kind == TextKind::Section && c == ']') AppendHex(out, c);
        else out += static_cast<char>(c);
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Decode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        char n = text[i + 1];
        if (n == '\\') { out += '\\'; ++i; }
        else if (n == 'n') { out += '\n'; ++i; }
        else if (n == 'r') { out += '\r'; ++i; }
        else if (n == 't') { out += '\t'; ++i; }
        else if (n == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
        } else {
            out += c;  // not an escape: keep the backslash
        }
    }
    return out;
}

}  // namespace

TSettingsText::Line TSettingsText::ParseLine(std::string raw) {
    Line line;
    line.raw = std::move(raw);
    const std::string t = Trim(line.raw);
    if (t.empty() || t[0] == ';' || t[0] == '#') {
        // comment or blank line
    } else if (t.size() >= 2 && t[0] == '[' && t.back() == ']') {
        line.kind = Line::Section;
        line.name = Decode(Trim(t.substr(1, t.size() - 2)));
    } else if (std::size_t eq = t.find('='); eq != std::string::npos) {
        line.kind = Line::Entry;
        line.name = Decode(Trim(t.substr(0, eq)));
        line.value = Decode(Trim(t.substr(eq + 1)));
    }
    return line;
}

TSettingsText::TSettingsText(const std::string& bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string raw = bytes.substr(pos, end - pos);
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        pos = end + 1;
        lines_.push_back(ParseLine(std::move(raw)));
    }
}

long TSettingsText::FindEntry(const std::string& section, const std::string& key) const {
    bool inSection = section.empty();  // entries before the first header belong to section ""
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (l.kind == Line::Section) inSection = SameName(l.name, section);
        else if (l.kind == Line::Entry && inSection && SameName(l.name, key)) return static_cast<long>(i);
    }
    return -1;
}

bool TSettingsText::Find(const std::string& section, const std::string& key, std::string& value) const {
    const long i = FindEntry(section, key);
    if (i < 0) return false;
    value = lines_[static_cast<std::size_t>(i)].value;
    return true;
}

void TSettingsText::Set(const std::string& section, const std::string& key, const std::string& value) {
    const long at = FindEntry(section, key);
    if (at >= 0) {
        Line& l = lines_[static_cast<std::size_t>(at)];
        // The key keeps the spelling it already has in the file.
        l = ParseLine(Encode(l.name, TextKind::Key) + "=" + Encode(value, TextKind::Value));
        return;
    }
    Line entry = ParseLine(Encode(key, TextKind::Key) + "=" + Encode(value, TextKind::Value));
    // After the last entry of the first matching section, or a new section at the end.
    long insertAfter = -1;
    bool inSection = section.empty();
    bool found = section.empty();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        if (l.kind == Line::Section) {
            if (found && inSection) break;
            inSection = SameName(l.name, section);
            if (inSection) {
                found = true;
                insertAfter = static_cast<long>(i);
            }
        } else if (l.kind == Line::Entry && inSection) {
            insertAfter = static_cast<long>(i);
        }
    }
    if (found) {
        lines_.insert(lines_.begin() + (insertAfter + 1), std::move(entry));
        return;
    }
    if (!lines_.empty() && !Trim(lines_.back().raw).empty()) lines_.push_back(Line{});
    lines_.push_back(ParseLine("[" + Encode(section, TextKind::Section) + "]"));
    lines_.push_back(std::move(entry));
}

std::string TSettingsText::Bytes() const {
    std::string out;
    for (const Line& l : lines_) {
        out += l.raw;
        // A line that ends with a CR keeps it only when a CR LF follows.
        out += !l.raw.empty() && l.raw.back() == '\r' ? "\r\n" : "\n";
    }
    return out;
}

std::vector<TSettingsText::TEntry> TSettingsText::Entries() const {
    std::vector<TEntry> out;
    std::string section;
    for (const Line& l : lines_) {
        if (l.kind == Line::Section) section = l.name;
        else if (l.kind == Line::Entry) out.push_back({section, l.name, l.value});
    }
    return out;
}
