#include "autostart/bootwire.h"

namespace corvallo::autostart {

namespace {

constexpr std::string_view kRefusalTitle = "无法启动";
constexpr std::string_view kRefusalText = "您不能直接启动这个程序，该程序的运行无需用户手动操作！";
constexpr std::string_view kNoRightsTitle = "权限不足";
constexpr std::string_view kNoRightsText =
    "检测到正确的授予管理员权限，因此可能无法正确设置开机启动，请退出并重新运行软件，然后在选项中尝试重新设定开机启动功能！";

bool endsArgument(char c) { return static_cast<unsigned char>(c) <= ' ' || c == '"'; }

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '\\') path += '\\';
    path += name;
    return path;
}

}  // namespace

std::vector<std::string> parseArguments(std::string_view line) {
    std::size_t at = 0;
    // The program's path: quoted to its closing quote, or up to the first blank.
    if (!line.empty() && line[0] == '"') {
        std::size_t close = line.find('"', 1);
        at = close == std::string_view::npos ? line.size() : close + 1;
    } else {
        std::size_t blank = line.find(' ');
        at = blank == std::string_view::npos ? line.size() : blank;
    }
    if (at < line.size() && line[at] == ' ') ++at;

    // UTF-8 needs no care for double-byte characters: every byte of a multi-byte character is above 127,
    // so none is taken for a blank or a quote.
    std::vector<std::string> arguments;
    while (at < line.size()) {
        if (line[at] == '"') {
            std::size_t close = line.find('"', at + 1);
            std::size_t end = close == std::string_view::npos ? line.size() : close;
            arguments.emplace_back(line.substr(at + 1, end - at - 1));
            at = close == std::string_view::npos ? line.size() : close + 1;
        } else if (!endsArgument(line[at])) {
            std::size_t end = at;
            while (end < line.size() && !endsArgument(line[end])) ++end;
            arguments.emplace_back(line.substr(at, end - at));
            at = end;
        } else {
            ++at;
        }
    }
    return arguments;
}

std::optional<std::string> acceptCommandLine(std::string_view commandLine, MessageBoxes& boxes) {
    std::vector<std::string> arguments = parseArguments(commandLine);
    if (arguments.size() != 1) {
        boxes.show(kRefusalTitle, kRefusalText, BoxIcon::Error);
        return std::nullopt;
    }
    return std::move(arguments.front());
}

void carryOut(std::string_view argument, std::string_view programDirectory, Services& services) {
    // -1 (a Windows the table does not know) counts as one without user account control.
    if (services.system.windowsVersionCode() > 3 && !services.system.isProcessElevated())
        services.boxes.show(kNoRightsTitle, kNoRightsText, BoxIcon::Warning);
    if (argument == kSetVerb) {
        setAutostart(joinPath(programDirectory, kMainProgramName), services.registry, services.files);
    } else if (argument == kDeleteVerb) {
        deleteAutostart(services.registry, services.shell, services.files);
    }
}

std::string runValueData(std::string_view path) {
    if (path.find(' ') == std::string_view::npos) return std::string(path);
    return "\"" + std::string(path) + "\"";
}

bool setAutostart(std::string_view path, platform::Registry& registry, platform::Files& files) {
    // A folder of that name is no program to start.
    if (!files.exists(path) || files.isFolder(path)) return false;
    auto key = registry.openKey(platform::RegistryRoot::LocalMachine, kRunKeyPath, platform::RegistryAccess::ReadWrite);
    if (!key) return false;
    return key->setString(kRunValueName, runValueData(path));
}

bool deleteAutostart(platform::Registry& registry, platform::Shell& shell, platform::Files& files) {
    bool deleted = false;
    if (auto key =
            registry.openKey(platform::RegistryRoot::LocalMachine, kRunKeyPath, platform::RegistryAccess::ReadWrite))
        deleted = key->deleteValue(kRunValueName);

    std::string folder = shell.startupFolder();
    if (folder.empty()) return deleted;
    std::string shortcut = joinPath(folder, std::string(kRunValueName) + ".lnk");
    // A missing file is no error; a folder of that name is left alone.
    if (!files.isFolder(shortcut) && !files.removeFile(shortcut)) deleted = true;
    shell.notifyChange(platform::ShellChange::ItemDeleted, shortcut);
    shell.notifyChange(platform::ShellChange::FolderUpdated, folder);
    return deleted;
}

}  // namespace corvallo::autostart
