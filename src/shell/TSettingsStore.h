#pragma once
// The settings store: values addressed by section and key, both matched without regard to
// letter case, kept as text in a per-user settings file. Booleans are "0"/"1", integers their
// decimal text. There is no cache: every read reads the file, every write replaces it atomically.
//
// The machine settings (the install step's `installedTo`) live in a separate, read-only file;
// UseMachineRoot() switches the next single read to it.

#include <string>

class TSettingsStore {
public:
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

    bool ReadBool(const std::string& section, const std::string& key, bool def);
    int ReadInteger(const std::string& section, const std::string& key, int def);
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def);

    // Each returns false when the file could not be written (the old file is then left whole).
    bool WriteBool(const std::string& section, const std::string& key, bool value);
    bool WriteInteger(const std::string& section, const std::string& key, int value);
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);

    // The next read (only) goes to the machine settings.
    void UseMachineRoot();

    const std::string& UserFile() const { return userFile_; }
    const std::string& MachineFile() const { return machineFile_; }
    // Why the last write failed ("" after a write that succeeded).
    const std::string& LastError() const { return lastError_; }

private:
    // The stored text of section/key from the file the next read goes to; false when absent.
    bool Lookup(const std::string& section, const std::string& key, std::string& value);

    std::string userFile_;
    std::string machineFile_;
    bool machineNext_ = false;
    std::string lastError_;
};
