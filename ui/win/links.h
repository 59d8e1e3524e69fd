#pragma once
// Labels that act as links: blue, bold, underlined, with the hand cursor.

#include <windows.h>

#include <vector>

#include "ui/win/handles.h"

namespace corvallo::ui {

class LinkStyle {
public:
    // Makes the control with this id of `parent` a link (a label created with ControlKind::Link).
    void apply(HWND parent, int id);

    bool isLink(HWND control) const;
    // The parent's WM_CTLCOLORSTATIC for a link; 0 for any other control.
    LRESULT color(HWND control, HDC dc) const;
    // The parent's WM_SETCURSOR: true when the hand was set.
    bool setCursor(HWND control) const;

private:
    OwnedFont font_;
    std::vector<HWND> links_;
};

}  // namespace corvallo::ui
