#pragma once
// The text of a settings file, parsed once and kept in memory: the settings store reads values
// from it and rewrites it for a change. One grammar serves both ways, so whatever a write puts
// in the file reads back as written, and every line the writer did not change reads back as it
// did before.
//
// The grammar:
//   - A line ends at LF. One CR right before the LF (or at the very end of the file) belongs to
//     the line end, not to the line. Any other CR is part of the line.
//   - Leading and trailing spaces and tabs of a line, a name or a value are not part of it.
//   - A line whose text starts with ";" or "#" is a comment; an empty line is blank.
//   - A line whose text starts with "[" and ends with "]" is a section header.
//   - Any other line with an "=" is an entry: key before the first "=", value after it.
//   - Anything else is kept as it is and means nothing.
//   - Names and values are escaped: "\\", "\n", "\r", "\t" and "\xHH"; a backslash followed by
//     anything else is an ordinary character (a hand-written Windows path reads back as it is).
// Entries before the first header belong to the section "". Section and key names match
// without regard to ASCII letter case; the first matching entry counts.
//
// When the text is written out, every line ends with LF, and a line that itself ends with a CR
// (a CR CR LF line end in the file) with CR LF, so that it reads back the same.

#include <string>
#include <vector>

class TSettingsText {
public:
    TSettingsText() = default;
    explicit TSettingsText(const std::string& bytes);

    // The decoded value of section/key; false when there is no such entry.
    bool Find(const std::string& section, const std::string& key, std::string& value) const;
    // Sets section/key to value: the first matching entry is replaced (its key keeps its
    // spelling), or a new entry goes after the last entry of the first matching section, or a
    // new section is added at the end.
    void Set(const std::string& section, const std::string& key, const std::string& value);
    // The file text.
    std::string Bytes() const;
    bool Empty() const { return lines_.empty(); }

    // One (section, key, value) per entry, in file order, for the tests and the fuzz target.
    struct TEntry {
        std::string section, key, value;
    };
    std::vector<TEntry> Entries() const;

private:
    struct Line {
        enum Kind { Other, Section, Entry } kind = Other;
        std::string raw;    // the line as it is in the file, without its line end
        std::string name;   // section name or key, decoded
        std::string value;  // decoded value of an entry
    };
    static Line ParseLine(std::string raw);
    long FindEntry(const std::string& section, const std::string& key) const;

    std::vector<Line> lines_;
};
