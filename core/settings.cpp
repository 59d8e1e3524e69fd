#include "core/settings.h"

#include "core/profile/profile_document.h"
#include "core/text/text_rules.h"

namespace corvallo {

using platform::FileError;
using platform::FileErrorKind;
using profile::ProfileDocument;

std::string SettingsFile::readValue(const std::string& key, const std::string& fallback) {
    auto bytes = files_.readFile(path_);
    if (!bytes.ok()) return ProfileDocument().valueOr(kSettingsSection, key, fallback);
    return ProfileDocument::parse(bytes.value).valueOr(kSettingsSection, key, fallback);
}

FileError SettingsFile::writeValues(const std::vector<std::pair<std::string, std::string>>& keyValues) {
    auto bytes = files_.readFile(path_);
    if (!bytes.ok() && bytes.error.kind != FileErrorKind::NotFound) return bytes.error;
    ProfileDocument document = bytes.ok() ? ProfileDocument::parse(bytes.value) : ProfileDocument();
    for (const auto& [key, value] : keyValues) document.setValue(kSettingsSection, key, value);
    return files_.replaceFile(path_, document.serialize(), path_ + ".bak");
}

Settings loadSettings(SettingsFile& file) {
    if (!file.files().exists(file.path())) writeDefaultSettings(file);
    auto bytes = file.files().readFile(file.path());
    ProfileDocument document = bytes.ok() ? ProfileDocument::parse(bytes.value) : ProfileDocument();
    Settings settings;
    settings.autostart = text::textToInteger(document.valueOr(kSettingsSection, "autostart", "0"));
    settings.autoon = text::textToInteger(document.valueOr(kSettingsSection, "autoon", "1"));
    settings.autohide = text::textToInteger(document.valueOr(kSettingsSection, "autohide", "0"));
    return settings;
}

FileError writeDefaultSettings(SettingsFile& file) {
    return file.writeValues({{"autostart", "0"}, {"autoon", "1"}, {"autohide", "0"}});
}

FileError saveSettings(SettingsFile& file, const Settings& settings) {
    return file.writeValues({{"autostart", std::to_string(settings.autostart)},
                             {"autoon", std::to_string(settings.autoon)},
                             {"autohide", std::to_string(settings.autohide)}});
}

}  // namespace corvallo
