#pragma once
// The notice after a run: counts 30 seconds down in the bottom-right corner, then carries out the
// task's post-run action. The window shows what service::Countdown decides.

#include <functional>
#include <memory>
#include <string>

#include "platform/power.h"
#include "service/countdown.h"
#include "ui/win/handles.h"
#include "ui/win/window.h"

namespace corvallo::ui {

// The power operations for a notice; the screen-off request goes to `screenWindow`, a window of ours.
using PowerFactory = std::function<std::unique_ptr<platform::Power>(HWND screenWindow)>;

class CountdownWindow : public Window {
public:
    enum Control : int {
        kIcon = 3001,
        kTitle,
        kDescription,
        kRemaining,
        kProgress,
        kCarryOutNow,
        kCancel,
    };

    // `cancelled` is asked before the action: true when the worker that asked was stopped meanwhile.
    CountdownWindow(std::string caption, PowerFactory makePower, std::function<bool()> cancelled);

    // Creates the window hidden; runModal() then shows it.
    bool create(HWND owner);

    const service::Countdown& countdown() const { return countdown_; }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void activate();
    void tick();
    void carryOut();
    void showState();

    service::Countdown countdown_;
    PowerFactory makePower_;
    std::function<bool()> cancelled_;
    OwnedBitmap background_;
    OwnedIcon icon_;
    OwnedFont titleFont_;
    bool activated_ = false;
};

}  // namespace corvallo::ui
