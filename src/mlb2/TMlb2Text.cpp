// TMlb2: the CSV and TXT table files.
//
// CSV: one line of field names, then one line per record; values are escaped (backslash
// before ";" and "\", a CR as "\n", LF dropped). TXT: the names in double quotes, then one line
// per record with "STRING" values in double quotes (quotes doubled) and other values bare.
// Both separate values with ";" and end every line with CR LF.
#include <cstring>

#include "FileIo.h"
#include "NameRules.h"
#include "TMlb2.h"

namespace {

// One CSV line split into values, escapes resolved.
std::vector<std::string> SplitCsvLine(std::string_view line, char separator) {
    std::vector<std::string> values;
    std::string value;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == separator) {
            values.push_back(std::move(value));
            value.clear();
        } else if (c == '\\') {
            if (i + 1 == line.size()) {
                value += '\\';
            } else {
                const char next = line[++i];
                if (next == 'N' || next == 'n')
                    value += "\r\n";
                else
                    value += next;
            }
        } else {
            value += c;
        }
    }
    values.push_back(std::move(value));
    return values;
}

// The TXT tokenizer: one value per call, outside quotes spaces and LF are dropped.
class TTxtTokenizer {
public:
    enum class TEnd { Delimiter, LineEnd, FileEnd };
    struct TToken {
        std::string text;
        bool quoted = false;
        TEnd end = TEnd::FileEnd;
    };

    TTxtTokenizer(const char* data, std::size_t size, char quote, char delimiter)
        : p_(data), end_(data + size), quote_(quote), delimiter_(delimiter) {}

    bool AtEnd() const { return p_ == end_; }

    TToken Next() {
        TToken t;
        bool inQuotes = false;
        while (p_ != end_) {
            const char c = *p_++;
            if (inQuotes) {
                if (c == quote_) {
                    if (p_ != end_ && *p_ == quote_) {
                        t.text += quote_;
                        ++p_;
                    } else {
                        inQuotes = false;
                    }
                } else {
                    t.text += c;
                }
            } else if (c == quote_) {
                t.quoted = true;
                inQuotes = true;
            } else if (c == ' ' || c == '\n') {
                // not part of a bare value
            } else if (c == delimiter_) {
                t.end = TEnd::Delimiter;
                return t;
            } else if (c == '\r') {
                t.end = TEnd::LineEnd;
                return t;
            } else {
                t.text += c;
            }
        }
        t.end = TEnd::FileEnd;
        return t;
    }

private:
    const char* p_;
    const char* end_;
    char quote_;
    char delimiter_;
};

}  // namespace

bool TMlb2::WriteTextFile(const std::string& fileName, const std::string& bytes) {
    mlb2detail::TAtomicFile out(fileName);
    if (!out.Open(0)) {
        SetError(3, "1-Unable to open the file for writing");
        return false;
    }
    out.Write(bytes);
    if (!out.Commit()) {
        SetError(3, "2-Unable to write the file");
        return false;
    }
    return true;
}

bool TMlb2::SaveToCSV(const std::string& fileName) {
    ClearError();
    const char sep = Delimiter();
    std::string text;
    if (!fields_.empty()) {
        for (std::size_t k = 0; k < fields_.size(); ++k) {
            if (k) text += sep;
            text += fields_[k].name;
        }
        text += "\r\n";
    }
    for (int r = 0; r < recordCount_; ++r) {
        for (std::size_t k = 0; k < fields_.size(); ++k) {
            if (k) text += sep;
            text += parseCSV_.Escape(std::string(Cell(r, static_cast<int>(k))));
        }
        text += "\r\n";
    }
    return WriteTextFile(fileName, text);
}

bool TMlb2::LoadFromCSV(const std::string& fileName) {
    ClearError();
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    if (mlb2detail::IsBlank(fileName) || !mlb2detail::ReadWholeFile(fileName, bytes, size)) {
        SetError(3, "1-Unable to open the file for reading");
        return false;
    }
    SetNameFromFile(fileName);
    Clear();

    // A 0x1A byte ends the text.
    if (const void* eof = size ? std::memchr(bytes.get(), 0x1A, size) : nullptr)
        size = static_cast<std::size_t>(static_cast<const char*>(eof) - bytes.get());
    const char* p = bytes.get();
    const char* const end = p + size;
    const char sep = Delimiter();
    bool header = true;
    std::size_t width = 0;
    while (p < end) {
        // A line ends at CR; an LF right after the CR belongs to the line end.
        const void* cr = std::memchr(p, '\r', static_cast<std::size_t>(end - p));
        const char* lineEnd = cr ? static_cast<const char*>(cr) : end;
        const std::string_view line(p, static_cast<std::size_t>(lineEnd - p));
        p = lineEnd;
        if (p < end) ++p;
        if (p < end && *p == '\n' && cr) ++p;

        if (header) {
            header = false;
            mlb2detail::TNameSet names;
            for (std::string& name : SplitCsvLine(line, sep))
                if (names.Accept(name)) fields_.push_back({std::move(name), "STRING"});
            width = fields_.size();
            EnsureIndexSlots();
            continue;
        }
        if (mlb2detail::IsBlank(line)) continue;
        cells_.resize(cells_.size() + width);
        ++recordCount_;
        const std::vector<std::string> values = SplitCsvLine(line, sep);
        for (std::size_t k = 0; k < width && k < values.size(); ++k)
            StoreCell(recordCount_ - 1, static_cast<int>(k), values[k]);
    }
    if (recordCount_ > 0) Last();
    return true;
}

bool TMlb2::SaveToTXT(const std::string& fileName) {
    ClearError();
    const char sep = Delimiter();
    const char quote = QuoteChar();
    std::string text;
    for (std::size_t k = 0; k < fields_.size(); ++k) {
        if (k) text += sep;
        text += quote;
        text += fields_[k].name;
        text += quote;
    }
    text += "\r\n";
    for (int r = 0; r < recordCount_; ++r) {
        for (std::size_t k = 0; k < fields_.size(); ++k) {
            if (k) text += sep;
            const std::string_view value = Cell(r, static_cast<int>(k));
            if (fields_[k].type == "STRING") {
                text += quote;
                for (const char c : value) {
                    if (c == quote) text += quote;
                    text += c;
                }
                text += quote;
            } else {
                text += value;
            }
        }
        text += "\r\n";
    }
    return WriteTextFile(fileName, text);
}

bool TMlb2::LoadFromTXT(const std::string& fileName) {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    if (!mlb2detail::ReadWholeFile(fileName, bytes, size)) return false;
    SetNameFromFile(fileName);
    Clear();

    using TEnd = TTxtTokenizer::TEnd;
    TTxtTokenizer in(bytes.get(), size, QuoteChar(), Delimiter());
    mlb2detail::TNameSet names;
    for (;;) {
        TTxtTokenizer::TToken t = in.Next();
        if (!t.text.empty() && names.Accept(t.text)) fields_.push_back({std::move(t.text), "STRING"});
        if (t.end != TEnd::Delimiter) break;
    }
    const std::size_t width = fields_.size();
    EnsureIndexSlots();

    // A field's type follows how its values are written: a quoted value marks it "STRING", a
    // bare non-empty one "FLOAT"; the last such value decides. A bare empty value tells nothing.
    std::vector<char> typeSeen(width, 0);  // 0 none, 'S' or 'F'
    while (!in.AtEnd()) {
        std::size_t k = 0;
        for (;;) {
            TTxtTokenizer::TToken t = in.Next();
            // What is left after the last line end (an LF, spaces) is not a line.
            if (k == 0 && t.end == TEnd::FileEnd && t.text.empty() && !t.quoted) break;
            if (k == 0) AppendRecord();
            if (k < width) {
                if (!t.text.empty()) SetValueAt(static_cast<int>(k) + 1, t.text);
                if (t.quoted)
                    typeSeen[k] = 'S';
                else if (!t.text.empty())
                    typeSeen[k] = 'F';
            }
            ++k;
            if (t.end != TEnd::Delimiter) break;
        }
    }
    for (std::size_t k = 0; k < width; ++k)
        if (typeSeen[k] == 'F') fields_[k].type = "FLOAT";
    return true;
}
