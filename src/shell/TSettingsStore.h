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
    // user; for the machine, LUMAVELL_MACHINE_SETTINGS when set, else the file the install step
    // (or the build tree) placed beside the program.
    static std::string DefaultUserFile();
    static std::string DefaultMachineFile();

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

private:
    std::string userFile_;
    std::string machineFile_;
    bool machineNext_ = false;
};
