#include "TSettingsStore.h"

#include "TMessages.h"
#include "TPlatform.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kAppCaption = "Lumavell2";

std::string ErrnoText(int err) { return std::strerror(err); }

// A free name beside the file for keeping a damaged copy: "name (damaged).ext", then
// "name (damaged 2).ext" and so on.
std::string DamagedName(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string bare = BareName(path);
    const std::size_t dot = bare.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? bare : bare.substr(0, dot);
    const std::string ext = dot == std::string::npos || dot == 0 ? std::string() : bare.substr(dot);
    const std::string prefix = folder.empty() ? std::string() : folder + "/";
    for (int n = 1; n < 10000; ++n) {
        const std::string name =
            prefix + stem + (n == 1 ? " (damaged)" : " (damaged " + std::to_string(n) + ")") + ext;
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0 && errno == ENOENT) return name;
    }
    return prefix + stem + " (damaged)" + ext;
}

// The stored text as a number: an optional sign and decimal digits, nothing else. A number
// beyond the int range gives the nearest end of it.
bool ParseInteger(const std::string& text, int& value) {
    const char* b = text.data();
    const char* e = b + text.size();
    if (b != e && *b == '+') {
        ++b;
        if (b == e || *b == '-') return false;
    }
    long long v = 0;
    auto [ptr, ec] = std::from_chars(b, e, v, 10);
    if (ptr != e || b == e) return false;
    if (ec == std::errc::result_out_of_range) v = *b == '-' ? LLONG_MIN : LLONG_MAX;
    else if (ec != std::errc()) return false;
    value = v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : static_cast<int>(v);
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

TSettingsStore::TStamp TSettingsStore::StampOf(const struct stat& st) {
    TStamp s;
    s.exists = true;
    s.dev = std::uint64_t(st.st_dev);
    s.ino = std::uint64_t(st.st_ino);
    s.size = std::uint64_t(st.st_size);
    s.mtimeNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs = std::int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

TSettingsStore::TCachedFile& TSettingsStore::Load(bool machine) {
    TCachedFile& c = machine ? machine_ : user_;
    const std::string& path = machine ? machineFile_ : userFile_;
    TStamp now;
    int statError = 0;
    struct stat st {};
    if (!path.empty() && ::stat(path.c_str(), &st) == 0) {
        now = StampOf(st);
    } else if (!path.empty() && errno != ENOENT && errno != ENOTDIR) {
        // There may be a file, but it cannot even be looked at (a folder without permission).
        statError = errno;
        now.exists = true;
        now.size = std::uint64_t(statError);
    }
    if (c.loaded && c.stamp == now) return c;

    c = TCachedFile{};
    c.loaded = true;
    c.stamp = now;
    if (!now.exists) return c;

    std::string reason;
    std::string bytes;
    if (statError != 0) {
        reason = ErrnoText(statError);
    } else if (int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); fd < 0) {
        reason = ErrnoText(errno);
    } else {
        struct stat fst {};
        if (::fstat(fd, &fst) != 0) {
            reason = ErrnoText(errno);
        } else if (!S_ISREG(fst.st_mode)) {
            reason = "it is not a file";
        } else if (std::uint64_t(fst.st_size) > kMaxFileBytes) {
            reason = "it is " + std::to_string(fst.st_size) + " bytes long; a settings file is at most " +
                     std::to_string(kMaxFileBytes) + " bytes";
        } else {
            // Read at most one byte more than allowed, in case the file grows meanwhile.
            bytes.resize(kMaxFileBytes + 1);
            std::size_t got = 0;
            while (got < bytes.size()) {
                const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) {
                    reason = ErrnoText(errno);
                    break;
                }
                if (n == 0) break;
                got += std::size_t(n);
            }
            bytes.resize(got);
            if (reason.empty() && got > kMaxFileBytes)
                reason = "it is longer than " + std::to_string(kMaxFileBytes) + " bytes";
        }
        ::close(fd);
    }
    ++fileReads_;
    if (reason.empty()) {
        c.text = TSettingsText(bytes);
        c.bytes = std::move(bytes);
        return c;
    }
    if (machine) {
        // Not ours to move: the program goes on as if there were none.
        Report("The machine settings file \"" + path + "\" cannot be read (" + reason + "). It is ignored.");
        return c;
    }
    SetAside(c, reason);
    return c;
}

void TSettingsStore::SetAside(TCachedFile& c, const std::string& reason) {
    const std::string aside = DamagedName(userFile_);
    if (::rename(userFile_.c_str(), aside.c_str()) == 0) {
        c.stamp = TStamp{};  // no file now: every setting has its default
        Report("The settings file \"" + userFile_ + "\" could not be read (" + reason + "). It was kept as \"" +
               BareName(aside) + "\" and Lumavell2 goes on with its default settings.");
        return;
    }
    const std::string why = ErrnoText(errno);
    // Left where it is and never written over: the user may still rescue it.
    c.readable = false;
    Report("The settings file \"" + userFile_ + "\" could not be read (" + reason + ") and could not be put " +
           "aside (" + why + "). Lumavell2 goes on with its default settings and will not change that file.");
}

void TSettingsStore::Report(const std::string& text) {
    if (messages_) ShowOk(*messages_, kAppCaption, text, TMsgIcon::Warning);
}

bool TSettingsStore::Lookup(const std::string& section, const std::string& key, std::string& value) {
    const bool machine = machineNext_;
    machineNext_ = false;
    return Load(machine).text.Find(section, key, value);
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

int TSettingsStore::ReadInteger(const std::string& section, const std::string& key, int def, int min, int max) {
    std::string text;
    int value = 0;
    if (!Lookup(section, key, text) || !ParseInteger(text, value)) return def;
    return value < min ? min : value > max ? max : value;
}

bool TSettingsStore::ReadBool(const std::string& section, const std::string& key, bool def) {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TSettingsStore::Fail(const std::string& key, const std::string& why) {
    lastError_ = why;
    // A run of writes failing for one reason (a full disk at exit) is reported once.
    if (why != failStreak_) {
        failStreak_ = why;
        Report("Lumavell2 could not save the setting \"" + key + "\" in \"" + userFile_ + "\": " + why + ".");
    }
    return false;
}

bool TSettingsStore::WriteString(const std::string& section, const std::string& key,
                                 const std::string& value) {
    if (!StoreString(section, key, value)) return false;
    // A copy: a listener may add or remove listeners.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners) listener(section, key);
    return true;
}

int TSettingsStore::AddWriteListener(TWriteListener listener) {
    listeners_.emplace_back(++lastListener_, std::move(listener));
    return lastListener_;
}

void TSettingsStore::RemoveWriteListener(int id) {
    std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

bool TSettingsStore::StoreString(const std::string& section, const std::string& key, const std::string& value) {
    lastError_.clear();
    TCachedFile& c = Load(false);
    if (!c.readable) return Fail(key, "the file cannot be read, and writing it would lose every other setting");
    TSettingsText text = c.text;
    text.Set(section, key, value);
    std::string out = text.Bytes();
    if (c.stamp.exists && out == c.bytes) {  // nothing changes
        failStreak_.clear();
        return true;
    }
    if (out.size() > kMaxFileBytes)
        return Fail(key, "the settings would be longer than " + std::to_string(kMaxFileBytes) + " bytes");
    std::string error;
    if (!ForceFolders(FolderOf(userFile_), &error) || !WriteFileAtomic(userFile_, out, &error))
        return Fail(key, error.empty() ? std::string("the file could not be written") : error);
    failStreak_.clear();
    // Keep what is now on disk, so the next read need not read it again.
    struct stat st {};
    if (::stat(userFile_.c_str(), &st) != 0) {
        c.loaded = false;
        return true;
    }
    c.stamp = StampOf(st);
    c.text = std::move(text);
    c.bytes = std::move(out);
    c.readable = true;
    return true;
}

bool TSettingsStore::WriteInteger(const std::string& section, const std::string& key, int value) {
    return WriteString(section, key, std::to_string(value));
}

bool TSettingsStore::WriteBool(const std::string& section, const std::string& key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

void TSettingsStore::UseMachineRoot() { machineNext_ = true; }
