#pragma once
// The settings store: values addressed by section and key, both matched without regard to
// letter case, kept as text in a per-user settings file (grammar in TSettingsText.h). Booleans
// are "0"/"1", integers their decimal text.
//
// The parsed file is kept in memory and read again only when it changed on disk (another
// identity, size or modification time); every write replaces it atomically. A file larger than
// kMaxFileBytes, or one that cannot be read, is put aside under a "(damaged)" name and the
// program goes on from the defaults, after one message. A write that fails is reported through
// the message interface (which file, which setting, why) once the store has one.
//
// The machine settings (the install step's `installedTo`) live in a separate, read-only file;
// UseMachineRoot() switches the next single read to it.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "TSettingsText.h"

class TMessages;
struct stat;

class TSettingsStore {
public:
    // A settings file is a few kilobytes; anything above this is not one.
    static constexpr std::size_t kMaxFileBytes = std::size_t(1) << 20;

    // userFile: the per-user settings file; machineFile: the machine settings file.
    TSettingsStore(std::string userFile, std::string machineFile);

    // The default locations: $XDG_CONFIG_HOME (or ~/.config) + "/Corvane/Lumavell2.conf" for the
    // user; for the machine, LUMAVELL_MACHINE_SETTINGS when set, else MachineFileFor the folder
    // of the running program.
    static std::string DefaultUserFile();
    static std::string DefaultMachineFile();
    // The first that exists of <programFolder>/../etc/lumavell2/machine.conf (an installed
    // program: <prefix>/bin beside <prefix>/etc) and <programFolder>/machine.conf (a program run
    // from the build tree); otherwise /etc/lumavell2/machine.conf, whether it exists or not.
    static std::string MachineFileFor(const std::string& programFolder);

    // Where problems with the files are reported; null (the default) reports nothing.
    void SetMessages(TMessages* messages) { messages_ = messages; }

    bool ReadBool(const std::string& section, const std::string& key, bool def);
    // A stored number beyond the int range reads as the nearest end of it.
    int ReadInteger(const std::string& section, const std::string& key, int def);
    // The same, the result kept within [min, max] (def is returned as it is when absent).
    int ReadInteger(const std::string& section, const std::string& key, int def, int min, int max);
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def);

    // Each returns false when the file could not be written (the old file is then left whole)
    // and reports why.
    bool WriteBool(const std::string& section, const std::string& key, bool value);
    bool WriteInteger(const std::string& section, const std::string& key, int value);
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);

    // Called after every write that succeeded, with its section and key as the writer spelt them,
    // so what shows a setting can follow whoever writes it. Returns an id for RemoveWriteListener.
    using TWriteListener = std::function<void(const std::string& section, const std::string& key)>;
    int AddWriteListener(TWriteListener listener);
    void RemoveWriteListener(int id);

    // The next read (only) goes to the machine settings.
    void UseMachineRoot();

    const std::string& UserFile() const { return userFile_; }
    const std::string& MachineFile() const { return machineFile_; }
    // Why the last write failed ("" after a write that succeeded).
    const std::string& LastError() const { return lastError_; }
    // How often a settings file was read from disk (for the tests and measurements).
    int FileReads() const { return fileReads_; }

private:
    // What is known of one file on disk.
    struct TStamp {
        bool exists = false;
        std::uint64_t dev = 0, ino = 0, size = 0;
        std::int64_t mtimeNs = 0, ctimeNs = 0;
        bool operator==(const TStamp&) const = default;
    };
    struct TCachedFile {
        bool loaded = false;
        bool readable = true;  // false: the file is there but could neither be read nor put aside
        TStamp stamp;
        TSettingsText text;
        std::string bytes;  // the file as read (or last written)
    };

    static TStamp StampOf(const struct stat& st);
    // Brings the cache of a file up to date with the disk.
    TCachedFile& Load(bool machine);
    // A user file that is too large or unreadable: put it aside, go on from nothing.
    void SetAside(TCachedFile& cache, const std::string& reason);
    void Report(const std::string& text);
    bool Lookup(const std::string& section, const std::string& key, std::string& value);
    bool Fail(const std::string& key, const std::string& why);
    bool StoreString(const std::string& section, const std::string& key, const std::string& value);

    std::string userFile_;
    std::string machineFile_;
    bool machineNext_ = false;
    std::string lastError_;
    TMessages* messages_ = nullptr;
    TCachedFile user_;
    TCachedFile machine_;
    std::string failStreak_;  // the reason of the last reported failed write, until one succeeds
    int fileReads_ = 0;
    std::vector<std::pair<int, TWriteListener>> listeners_;
    int lastListener_ = 0;
};
