#pragma once
// The toolbar of the main window: start, stop, options, each with its picture, text and tooltip.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>

#include "ui/win/handles.h"

namespace corvallo::ui {

class MainToolbar {
public:
    void create(HWND parent, int id);
    HWND handle() const { return toolbar_; }

    // Follows the service: start is enabled only while it is stopped, stop only while it runs.
    void showServiceRunning(bool running);
    bool enabled(int command) const;

    // The tooltip of a button, for the toolbar's tooltip request (WM_NOTIFY); none for other controls.
    static std::string_view tooltipOf(int command);
    // Answers the tooltip requests of the toolbar; true when `header` was one of them.
    bool answerTooltip(const NMHDR& header);

private:
    HWND toolbar_ = nullptr;
    OwnedImageList pictures_;
    OwnedImageList disabledPictures_;
    std::wstring tooltip_;  // kept alive for the tooltip control
};

}  // namespace corvallo::ui
