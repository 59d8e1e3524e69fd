#pragma once
// "授权请求": tells the user, before the options open, that the system will ask for administrator
// consent when Bootwire starts, and offers never to say so again.

#include "core/settings.h"
#include "ui/win/window.h"

namespace corvallo::ui {

// The key of section "system" that, read as a non-zero integer, keeps the notice from showing.
inline constexpr const char* kDoNotTellMeKey = "donottellme";

class ElevationNoticeWindow : public Window {
public:
    enum Control : int { kIcon = 3301, kHeading, kExplanation, kDoNotShowAgain, kOk };

    explicit ElevationNoticeWindow(SettingsFile& settingsFile) : settingsFile_(settingsFile) {}
    // Creates the window hidden; runModal() then shows it.
    bool create(HWND owner);

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void confirm();

    SettingsFile& settingsFile_;
};

}  // namespace corvallo::ui
