#pragma once
// Bootwire's decisions, apart from its window: reading its command line, the warning about missing
// administrator rights, and writing or removing Corvallo's start-at-logon entry.
// Texts are UTF-8; the command line is the process's own, converted from UTF-16.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system_info.h"

namespace corvallo::autostart {

inline constexpr std::string_view kSetVerb = "bootwire";
inline constexpr std::string_view kDeleteVerb = "delautostart";

// The entry Windows reads at every logon: HKEY_LOCAL_MACHINE\<kRunKeyPath>, value <kRunValueName>.
inline constexpr std::string_view kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::string_view kRunValueName = "Corvallo";
// The main program, which must lie beside Bootwire.
inline constexpr std::string_view kMainProgramName = "Corvallo.exe";

// The one label of Bootwire's window.
inline constexpr std::string_view kPleaseWaitText = "请稍等！";

enum class BoxIcon { Error, Warning };

// Bootwire's message boxes: an OK button only, no owner window, task-modal. Returns once closed.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void show(std::string_view title, std::string_view text, BoxIcon icon) = 0;
};

// Everything Bootwire touches outside itself.
struct Services {
    platform::Registry& registry;
    platform::Shell& shell;
    platform::SystemInfo& system;
    platform::Files& files;
    MessageBoxes& boxes;
};

// The arguments after the program's path. A double quote starts an argument that runs to the next
// double quote (quotes removed); otherwise an argument runs up to the next blank, control character or
// double quote. Unlike the usual Windows rules, backslashes escape nothing.
std::vector<std::string> parseArguments(std::string_view commandLine);

// When the window is created: the one argument, or nothing after showing the refusal box (the program
// then ends without showing its window).
std::optional<std::string> acceptCommandLine(std::string_view commandLine, MessageBoxes& boxes);

// When the window has been shown: the warning when rights are missing, then the verb. Any other argument
// does nothing. `programDirectory` is Bootwire's own folder.
void carryOut(std::string_view argument, std::string_view programDirectory, Services& services);

// The Run value's data for the main program at `path`: the path itself, in double quotes when it holds a
// blank (unquoted, Windows would try "C:\Program.exe" first for "C:\Program Files\...").
std::string runValueData(std::string_view path);

// Writes the Run value for the main program at `path` when that file exists. The key is opened, never
// created. True when the value was written.
bool setAutostart(std::string_view path, platform::Registry& registry, platform::Files& files);

// Deletes the Run value, then the shortcut "<Startup folder>\Corvallo.lnk", and tells the shell about the
// shortcut and its folder. True when either the value or the shortcut was deleted.
bool deleteAutostart(platform::Registry& registry, platform::Shell& shell, platform::Files& files);

}  // namespace corvallo::autostart
