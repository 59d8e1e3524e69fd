#include "ui/win/links.h"

#include <algorithm>

#include "ui/win/window.h"

namespace corvallo::ui {

void LinkStyle::apply(HWND parent, int id) {
    HWND control = GetDlgItem(parent, id);
    if (control == nullptr) return;
    if (!font_) {
        LOGFONTW style{};
        GetObjectW(interfaceFont(), sizeof style, &style);
        style.lfWeight = FW_BOLD;
        style.lfUnderline = TRUE;
        font_.reset(CreateFontIndirectW(&style));
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    links_.push_back(control);
}

bool LinkStyle::isLink(HWND control) const {
    return std::find(links_.begin(), links_.end(), control) != links_.end();
}

LRESULT LinkStyle::color(HWND control, HDC dc) const {
    if (!isLink(control)) return 0;
    SetTextColor(dc, RGB(0, 0, 0xFF));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

bool LinkStyle::setCursor(HWND control) const {
    if (!isLink(control)) return false;
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return true;
}

}  // namespace corvallo::ui
