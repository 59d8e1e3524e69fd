#pragma once
// The program-wide settings, kept in section "system" of the settings file.

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace corvallo {

inline constexpr const char* kSettingsFileName = "quorvsetup.ini";
inline constexpr const char* kSettingsSection = "system";

struct Settings {
    std::int32_t autostart = 0;
    std::int32_t autoon = 1;
    std::int32_t autohide = 0;

    // A setting is on only when it is exactly 1.
    bool startsAtLogon() const { return autostart == 1; }
    bool startsService() const { return autoon == 1; }
    bool startsHidden() const { return autohide == 1; }
    bool operator==(const Settings&) const = default;
};

class SettingsFile {
public:
    SettingsFile(platform::Files& files, std::string path) : files_(files), path_(std::move(path)) {}
    const std::string& path() const { return path_; }
    platform::Files& files() { return files_; }

    // One key of section "system", read as the profile functions read it.
    std::string readValue(const std::string& key, const std::string& fallback);
    // Sets keys of section "system" in the file, leaving every other line as it is. A file that exists
    // but cannot be read is left alone and the error returned.
    platform::FileError writeValues(const std::vector<std::pair<std::string, std::string>>& keyValues);

private:
    platform::Files& files_;
    std::string path_;
};

// Reads the three settings; creates the file with the defaults when there is none.
Settings loadSettings(SettingsFile& file);
platform::FileError writeDefaultSettings(SettingsFile& file);
platform::FileError saveSettings(SettingsFile& file, const Settings& settings);

}  // namespace corvallo
