#pragma once
// "选项": start at logon, start the service at launch, start hidden. Start at logon is a machine-wide
// entry only Bootwire can write, so every opening and every confirmation starts Bootwire with the
// verb for the setting; the first opening on a Windows with user account control warns about the
// consent window first.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/settings.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "ui/win/window.h"

namespace corvallo::ui {

inline constexpr std::string_view kBootwireProgramName = "Bootwire.exe";

// What the options work with; they own none of it. `settings` is the program's one copy in memory.
struct OptionsContext {
    SettingsFile& settingsFile;
    Settings& settings;
    platform::Shell& shell;
    platform::SystemInfo& systemInfo;
};

// The Bootwire beside the running program: "<program directory>\Bootwire.exe".
std::string bootwirePath(platform::Shell& shell);

// Starts Bootwire with "bootwire" when `autostart` is 1 and with "delautostart" otherwise. The system
// asks for consent where needed; a refusal or a missing Bootwire is not reported.
void runAutostartProgram(platform::Shell& shell, std::int32_t autostart);

class OptionsWindow : public Window {
public:
    enum Control : int { kStartAtLogon = 3201, kStartService, kStartHidden, kMultiThreaded, kOk, kCancel };

    explicit OptionsWindow(OptionsContext context) : context_(context) {}

    // The opening, before the window shows: the elevation notice when it is due, Bootwire with the
    // stored setting, then the check boxes from the settings. runModal() then shows it.
    bool create(HWND owner);

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void confirm();
    bool ticked(int id) const;

    OptionsContext context_;
};

// Opens the options modally over `owner` and returns once they are closed. While they are open, a
// further call only brings them forward.
void openOptions(HWND owner, OptionsContext context);

}  // namespace corvallo::ui
