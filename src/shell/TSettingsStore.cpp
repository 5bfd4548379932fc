// The settings file is plain text, one setting a line, grouped under section headers:
//
//     [Images]
//     showCol=1
//     ImageEditor=/usr/bin/gimp
//
// Section and key names and values are written with a few bytes escaped so that any byte
// string survives: "\\" for a backslash, "\n", "\r", "\t", and "\xHH" for other control bytes,
// for a space at either end of a text (the reader trims unescaped spaces), for "=" in a key,
// "]" in a section name and a leading ";", "#" or "[" in a key. A backslash followed by anything
// else is kept as it is, so a hand-written Windows path reads back unchanged. Lines starting
// with ";" or "#" are comments; they and any line the reader does not understand are kept as
// they are when the file is rewritten.

#include "TSettingsStore.h"

#include "TPlatform.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

struct Line {
    enum Kind { Other, Section, Entry } kind = Other;
    std::string raw;    // the line as it is in the file (without its line end)
    std::string name;   // section name or key, decoded
    std::string value;  // decoded value of an entry
};

std::vector<Line> Parse(const std::string& bytes) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        Line line;
        line.raw = bytes.substr(pos, end - pos);
        if (!line.raw.empty() && line.raw.back() == '\r') line.raw.pop_back();
        pos = end + 1;

        std::string t = Trim(line.raw);
        if (t.empty() || t[0] == ';' || t[0] == '#') {
            // comment or blank line
        } else if (t[0] == '[' && t.back() == ']' && t.size() >= 2) {
            line.kind = Line::Section;
            line.name = Decode(Trim(t.substr(1, t.size() - 2)));
        } else if (std::size_t eq = t.find('='); eq != std::string::npos) {
            line.kind = Line::Entry;
            line.name = Decode(Trim(t.substr(0, eq)));
            line.value = Decode(Trim(t.substr(eq + 1)));
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string Join(const std::vector<Line>& lines) {
    std::string out;
    for (const Line& l : lines) {
        out += l.raw;
        out += '\n';
    }
    return out;
}

enum class Loaded { Ok, Missing, Unreadable };

Loaded LoadFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? Loaded::Missing : Loaded::Unreadable;
    if (!S_ISREG(st.st_mode)) return Loaded::Unreadable;
    return ReadFileBytes(path, bytes) ? Loaded::Ok : Loaded::Unreadable;
}

// Index of the first entry for section/key, or -1. Sections may repeat in a hand-edited file;
// the first entry in any of them counts.
long FindEntry(const std::vector<Line>& lines, const std::string& section, const std::string& key) {
    bool inSection = section.empty();  // entries before the first header belong to section ""
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        if (l.kind == Line::Section) inSection = SameName(l.name, section);
        else if (l.kind == Line::Entry && inSection && SameName(l.name, key)) return static_cast<long>(i);
    }
    return -1;
}

bool ParseInteger(const std::string& text, int& value) {
    const char* b = text.data();
    const char* e = b + text.size();
    if (b != e && *b == '+') {
        ++b;
        if (b == e || *b == '-') return false;
    }
    int v = 0;
    auto [ptr, ec] = std::from_chars(b, e, v, 10);
    if (ec != std::errc() || ptr != e) return false;
    value = v;
    return true;
}

}  // namespace

TSettingsStore::TSettingsStore(std::string userFile, std::string machineFile)
    : userFile_(std::move(userFile)), machineFile_(std::move(machineFile)) {}

std::string TSettingsStore::DefaultUserFile() {
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        std::string home;
        const char* env = std::getenv("HOME");
        if (env && *env) {
            home = env;
        } else if (struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
            home = pw->pw_dir;
        }
        base = home + "/.config";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/Corvane/Lumavell2.conf";
}

// The machine file, first found of: $LUMAVELL_MACHINE_SETTINGS; <program folder>/../etc/
// lumavell2/machine.conf (an installed program, <prefix>/bin next to <prefix>/etc); <program
// folder>/machine.conf (a program run from the build tree); /etc/lumavell2/machine.conf (the
// last is returned even when it does not exist, and then reads give the defaults).
std::string TSettingsStore::DefaultMachineFile() {
    const char* env = std::getenv("LUMAVELL_MACHINE_SETTINGS");
    if (env && *env) return env;
    return MachineFileFor(ExecutableFolder());
}

std::string TSettingsStore::MachineFileFor(const std::string& programFolder) {
    if (!programFolder.empty()) {
        struct stat st {};
        std::string parent = FolderOf(programFolder);
        std::string installed = (parent == "/" ? "" : parent) + "/etc/lumavell2/machine.conf";
        if (::stat(installed.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return installed;
        std::string beside = programFolder + "/machine.conf";
        if (::stat(beside.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return beside;
    }
    return "/etc/lumavell2/machine.conf";
}

bool TSettingsStore::Lookup(const std::string& section, const std::string& key, std::string& value) {
    const std::string& file = machineNext_ ? machineFile_ : userFile_;
    machineNext_ = false;
    std::string bytes;
    if (LoadFile(file, bytes) != Loaded::Ok) return false;
    std::vector<Line> lines = Parse(bytes);
    long i = FindEntry(lines, section, key);
    if (i < 0) return false;
    value = lines[static_cast<std::size_t>(i)].value;
    return true;
}

std::string TSettingsStore::ReadString(const std::string& section, const std::string& key,
                                       const std::string& def) {
    std::string value;
    if (!Lookup(section, key, value) || value.empty()) return def;
    return value;
}

int TSettingsStore::ReadInteger(const std::string& section, const std::string& key, int def) {
    std::string text;
    int value = 0;
    if (!Lookup(section, key, text) || !ParseInteger(text, value)) return def;
    return value;
}

bool TSettingsStore::ReadBool(const std::string& section, const std::string& key, bool def) {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TSettingsStore::WriteString(const std::string& section, const std::string& key,
                                 const std::string& value) {
    lastError_.clear();
    std::string bytes;
    Loaded state = LoadFile(userFile_, bytes);
    if (state == Loaded::Unreadable) {
        // Writing now would replace every other setting with nothing.
        lastError_ = "cannot read \"" + userFile_ + "\"";
        return false;
    }
    std::vector<Line> lines = Parse(bytes);
    long at = FindEntry(lines, section, key);
    if (at >= 0) {
        Line& l = lines[static_cast<std::size_t>(at)];
        // The key keeps the spelling it already has in the file.
        l.raw = Encode(l.name, TextKind::Key) + "=" + Encode(value, TextKind::Value);
    } else {
        Line entry;
        entry.kind = Line::Entry;
        entry.raw = Encode(key, TextKind::Key) + "=" + Encode(value, TextKind::Value);
        // After the last entry of the first matching section, or a new section at the end.
        long insertAfter = -1;
        bool inSection = section.empty();
        bool found = section.empty();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const Line& l = lines[i];
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
            lines.insert(lines.begin() + (insertAfter + 1), entry);
        } else {
            if (!lines.empty() && !Trim(lines.back().raw).empty()) lines.push_back(Line{});
            Line header;
            header.kind = Line::Section;
            header.raw = "[" + Encode(section, TextKind::Section) + "]";
            lines.push_back(header);
            lines.push_back(entry);
        }
    }
    std::string out = Join(lines);
    if (state == Loaded::Ok && out == bytes) return true;  // nothing changes
    std::string error;
    if (!ForceFolders(FolderOf(userFile_), &error) || !WriteFileAtomic(userFile_, out, &error)) {
        lastError_ = error;
        return false;
    }
    return true;
}

bool TSettingsStore::WriteInteger(const std::string& section, const std::string& key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool TSettingsStore::WriteBool(const std::string& section, const std::string& key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

void TSettingsStore::UseMachineRoot() { machineNext_ = true; }
