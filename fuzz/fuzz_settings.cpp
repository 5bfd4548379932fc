// Settings files from arbitrary bytes. The input is split at its first two NUL bytes into a
// section name, a key and the file text (the value written is derived from the text). Checks:
// reading and rewriting follow one grammar (writing one setting changes no other, the written
// value reads back, a rewritten text parses to itself), and the same holds through the store on
// a real file: read, write, read again in a second store.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "TSettingsStore.h"
#include "TSettingsText.h"

#include "FuzzSupport.h"

namespace fs = std::filesystem;
using fuzzsupport::Check;

namespace {
const fs::path& Scratch() { return fuzzsupport::ScratchRoot("settings"); }
}  // namespace

namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
bool Same(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

// Every other setting of before reads the same in after.
void SameOtherSettings(const TSettingsText& before, const TSettingsText& after, const std::string& section,
                       const std::string& key) {
    for (const auto& e : before.Entries()) {
        if (Same(e.section, section) && Same(e.key, key)) continue;
        std::string a, b;
        Check(before.Find(e.section, e.key, a), "an entry of the text is found");
        Check(after.Find(e.section, e.key, b), "another setting survives the write");
        Check(a == b, "another setting keeps its value");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t a = input.find('\0');
    const size_t b = a == std::string::npos ? std::string::npos : input.find('\0', a + 1);
    std::string section = "Images", key = "timesRun", text = input;
    if (b != std::string::npos) {
        section = input.substr(0, a);
        key = input.substr(a + 1, b - a - 1);
        text = input.substr(b + 1);
    }
    const std::string value = text.substr(0, text.size() % 23) + "\r\n =\\x";

    // In memory.
    const TSettingsText before(text);
    TSettingsText written = before;
    written.Set(section, key, value);
    const TSettingsText after(written.Bytes());
    std::string back;
    Check(after.Find(section, key, back), "the written setting is found");
    Check(back == value, "the written setting reads back as written");
    SameOtherSettings(before, after, section, key);
    Check(TSettingsText(after.Bytes()).Bytes() == after.Bytes(), "a rewritten text parses to itself");
    const TSettingsText plain(before.Bytes());
    SameOtherSettings(before, plain, "", std::string(1, '\0') + "no such key");

    // Through the store and a file.
    const fs::path file = Scratch() / "user.conf";
    std::error_code ec;
    fs::remove_all(file, ec);
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) std::abort();
    if (!text.empty()) Check(std::fwrite(text.data(), 1, text.size(), f) == text.size(), "scratch file written");
    std::fclose(f);
    TSettingsStore store(file.string(), (Scratch() / "machine.conf").string());
    (void)store.ReadInteger(section, key, 0);
    (void)store.ReadBool(section, "showCol", true);
    Check(store.WriteString(section, key, value), "the store writes");
    TSettingsStore reader(file.string(), (Scratch() / "machine.conf").string());
    std::string stored = reader.ReadString(section, key, "<default>");
    Check(stored == (value.empty() ? "<default>" : value), "the store reads its write back");
    return 0;
}
