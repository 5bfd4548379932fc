#include "THyperParse.h"

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <unordered_map>

namespace {

// How many bytes the scanner handles between two progress calls.
constexpr std::size_t kProgressStep = 4096;

// The Latin-1 entity names of codes 161 to 255, in code order.
constexpr const char* kLatin1Names[] = {
    "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
    "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",
    "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",
    "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",
    "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute",
    "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",
    "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave",
    "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",    "ntilde",
    "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave", "uacute",
    "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};
static_assert(sizeof(kLatin1Names) / sizeof(kLatin1Names[0]) == 95);

std::vector<THyperParse::TEntity> BuildEntityTable() {
    // The strings live as long as the program: the table is built once.
    static std::vector<std::string> storage;
    std::vector<std::pair<std::string, int>> pairs = {
        {"quot", 34}, {"amp", 38}, {"lt", 60}, {"gt", 62}, {"nbsp", 160}};
    for (int code = 161; code <= 255; ++code) pairs.emplace_back(kLatin1Names[code - 161], code);
    storage.reserve(pairs.size() * 2);
    std::vector<THyperParse::TEntity> table;
    for (const auto& [name, code] : pairs) {
        storage.push_back("&" + name + ";");
        const char* n = storage.back().c_str();
        storage.push_back("&#" + std::to_string(code) + ";");
        table.push_back({n, storage.back().c_str()});
    }
    return table;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The number of a numeric reference's digits (at most three characters, "x" or "X" first for
// hexadecimal, a sign allowed before decimal digits); false when they form no number.
bool ReferenceNumber(const std::string& digits, int& value) {
    if (digits.empty() || digits.size() > 3) return false;
    if (digits[0] == 'x' || digits[0] == 'X') {
        if (digits.size() < 2) return false;
        value = 0;
        for (std::size_t i = 1; i < digits.size(); ++i) {
            int h = HexValue(digits[i]);
            if (h < 0) return false;
            value = value * 16 + h;
        }
        return true;
    }
    std::size_t i = 0;
    bool negative = false;
    if (digits[0] == '+' || digits[0] == '-') {
        negative = digits[0] == '-';
        i = 1;
    }
    if (i >= digits.size()) return false;
    value = 0;
    for (; i < digits.size(); ++i) {
        if (!IsDigit(digits[i])) return false;
        value = value * 10 + (digits[i] - '0');
    }
    if (negative) value = -value;
    return true;
}

}  // namespace

const std::vector<THyperParse::TEntity>& THyperParse::EntityTable() {
    static const std::vector<TEntity> table = BuildEntityTable();
    return table;
}

unsigned char THyperParse::CharTable(int code) {
    if (code < 32 || code == 160) return 32;
    return static_cast<unsigned char>(code);
}

const THtmlInfo& THyperParse::Items(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("THyperParse::Items: index " + std::to_string(index) + " of " +
                                std::to_string(Count()));
    return tokens_[static_cast<std::size_t>(index)];
}

bool THyperParse::Execute() {
    std::FILE* f = std::fopen(fileName_.c_str(), "rb");
    if (!f) return false;
    std::string bytes;
    char buffer[65536];
    bool ok = true;
    for (;;) {
        std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
        bytes.append(buffer, n);
        if (n < sizeof buffer) {
            ok = !std::ferror(f);
            break;
        }
        if (progress_) progress_();
    }
    std::fclose(f);
    if (!ok) return false;
    ExecuteBytes(bytes);
    return true;
}

void THyperParse::ExecuteBytes(const std::string& bytes) {
    open_ = false;
    bool inTag = false;
    std::size_t sinceProgress = 0;
    for (char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == 0) break;  // a NUL ends the document
        if (c == '<') {
            if (!inTag) {
                StartToken(true);
                inTag = true;
            }
        } else if (c == '>') {
            FinishToken();
            inTag = false;
        } else if (!open_ && !inTag && c >= 0x15) {
            StartToken(false);
            if (c > 0x21) tokens_.back().text_ += ch;
        } else if (open_ && c >= 0x20) {
            tokens_.back().text_ += ch;
        }
        if (progress_ && ++sinceProgress >= kProgressStep) {
            sinceProgress = 0;
            progress_();
        }
    }
    FinishToken();
}

void THyperParse::StartToken(bool tag) {
    FinishToken();
    tokens_.emplace_back();
    tokens_.back().isTag_ = tag;
    open_ = true;
}

void THyperParse::FinishToken() {
    if (!open_) return;
    open_ = false;
    THtmlInfo& token = tokens_.back();
    if (token.isTag_)
        ParseTag(token);
    else
        DecodeEntities(token.text_);
}

void THyperParse::ParseTag(THtmlInfo& token) {
    const std::string& text = token.text_;
    std::size_t pos = 1;
    std::string name = ReadWord(text, pos);
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    token.tagName_ = name;
    token.params_.clear();

    if (name.size() >= 3 && name.compare(0, 3, "!--") == 0) {
        pos = 4;
        while (pos <= text.size() && text[pos - 1] == ' ') ++pos;
        // From the position up to, but not including, the last byte of the text.
        std::string comment = pos < text.size() ? text.substr(pos - 1, text.size() - pos) : "";
        while (!comment.empty() && (comment.back() == ' ' || comment.back() == '-')) comment.pop_back();
        THtmlParameter p;
        p.Raw = comment;
        token.params_.push_back(std::move(p));
        return;
    }
    while (pos <= text.size()) {
        std::string word = ReadWord(text, pos);
        if (word.empty()) break;
        token.params_.push_back(SplitParam(word));
    }
}

std::string THyperParse::ReadWord(const std::string& text, std::size_t& pos) {
    const std::size_t len = text.size();
    auto at = [&](std::size_t p) { return text[p - 1]; };  // 1-based, p within 1 .. len
    std::string word;
    // Spaces are skipped, but never the last byte.
    while (pos < len && at(pos) == ' ') ++pos;
    while (pos <= len && at(pos) != '=' && at(pos) != ' ') word += at(pos++);
    if (pos <= len && at(pos) == '=') {
        if (pos + 1 <= len && at(pos + 1) == '"') {
            // "=", the opening quote and the byte after it, then up to the closing quote.
            for (int k = 0; k < 3 && pos <= len; ++k) word += at(pos++);
            while (pos <= len && at(pos - 1) != '"') word += at(pos++);
        } else {
            while (pos <= len && at(pos) != ' ') word += at(pos++);
        }
    }
    return word;
}

THtmlParameter THyperParse::SplitParam(const std::string& word) {
    THtmlParameter p;
    p.Raw = word;
    std::size_t eq = word.find('=');
    if (eq == std::string::npos) {
        p.Name = word;
        return p;
    }
    p.Name = word.substr(0, eq);
    for (std::size_t i = eq + 1; i < word.size(); ++i)
        if (word[i] != '"') p.Value += word[i];
    return p;
}

void THyperParse::DecodeEntities(std::string& text) {
    // One pass from left to right into a new string. A reference runs from an "&" to the next
    // ";" or space; another "&" before that starts a new reference there, and the bytes passed
    // over stay as written. A complete reference is replaced by its byte when it decodes (a
    // named one by way of its numeric reference) and kept as written otherwise; what a
    // replacement yields is never looked at again, so "&amp;lt;" becomes "&lt;".
    static const std::unordered_map<std::string, unsigned char> named = [] {
        std::unordered_map<std::string, unsigned char> map;
        for (const TEntity& e : EntityTable()) {
            const std::string numeric = e.numeric;
            int value = 0;
            ReferenceNumber(numeric.substr(2, numeric.size() - 3), value);
            map.emplace(e.name, CharTable(value));  // the first of equal names wins
        }
        return map;
    }();
    if (text.find('&') == std::string::npos) return;
    const std::size_t n = text.size();
    std::string out;
    out.reserve(n);
    std::size_t i = 0;
    while (i < n) {
        const std::size_t amp = text.find('&', i);
        if (amp == std::string::npos) {
            out.append(text, i, std::string::npos);
            break;
        }
        out.append(text, i, amp - i);
        const std::size_t end = text.find_first_of("&; ", amp + 1);
        if (end == std::string::npos || text[end] == '&') {
            // No terminator before the next "&" (or the end): the bytes stay as written.
            const std::size_t stop = end == std::string::npos ? n : end;
            out.append(text, amp, stop - amp);
            i = stop;
            continue;
        }
        const std::size_t length = end - amp + 1;  // "&" to the terminator, both included
        bool replaced = false;
        if (length > 2 && text[amp + 1] == '#') {
            int value = 0;
            if (ReferenceNumber(text.substr(amp + 2, length - 3), value) && value >= 0 && value <= 255) {
                out += static_cast<char>(CharTable(value));
                replaced = true;
            }
        } else {
            const auto found = named.find(text.substr(amp, length));
            if (found != named.end()) {
                out += static_cast<char>(found->second);
                replaced = true;
            }
        }
        if (!replaced) out.append(text, amp, length);
        i = end + 1;
    }
    text.swap(out);
}
