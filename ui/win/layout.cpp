#include "ui/win/layout.h"

#include <commctrl.h>

#include "platform/win32/wide.h"
#include "ui/win/window.h"

namespace corvallo::ui {

using platform::win32::narrow;
using platform::win32::widen;

namespace {

struct ClassAndStyle {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

ClassAndStyle classFor(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label: return {L"STATIC", SS_LEFT, 0};
        case ControlKind::Link: return {L"STATIC", SS_LEFT | SS_NOTIFY, 0};
        case ControlKind::Button: return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
        case ControlKind::DefaultButton: return {L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, 0};
        case ControlKind::CheckBox: return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
        case ControlKind::RadioButton: return {L"BUTTON", BS_AUTORADIOBUTTON, 0};
        case ControlKind::FirstRadioButton: return {L"BUTTON", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0};
        case ControlKind::GroupBox: return {L"BUTTON", BS_GROUPBOX, 0};
        case ControlKind::Edit: return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
        case ControlKind::ListBox:
            return {L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
        case ControlKind::DropDownList: return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
        case ControlKind::DropDown: return {L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0};
        case ControlKind::Picture: return {L"STATIC", SS_ICON | SS_REALSIZEIMAGE, 0};
        case ControlKind::ProgressBar: return {PROGRESS_CLASSW, 0, 0};
        case ControlKind::ListView: return {WC_LISTVIEWW, LVS_REPORT | WS_TABSTOP, WS_EX_CLIENTEDGE};
        case ControlKind::Tab: return {WC_TABCONTROLW, WS_CLIPSIBLINGS, 0};
        case ControlKind::UpDown: return {UPDOWN_CLASSW, UDS_ARROWKEYS, 0};
        case ControlKind::DatePicker: return {DATETIMEPICK_CLASSW, DTS_LONGDATEFORMAT | WS_TABSTOP, 0};
    }
    return {L"STATIC", 0, 0};
}

}  // namespace

HWND createControl(HWND parent, const ControlSpec& spec) {
    const ClassAndStyle kind = classFor(spec.kind);
    const std::wstring text = widen(spec.text);
    HWND control = CreateWindowExW(kind.exStyle, kind.className, text.c_str(),
                                   WS_CHILD | WS_VISIBLE | kind.style | spec.extraStyle, scaled(spec.x),
                                   scaled(spec.y), scaled(spec.width), scaled(spec.height), parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), programInstance(), nullptr);
    if (control != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(interfaceFont()), FALSE);
    return control;
}

void createControls(HWND parent, std::span<const ControlSpec> specs) {
    for (const ControlSpec& spec : specs) createControl(parent, spec);
}

void setText(HWND window, std::string_view text) { SetWindowTextW(window, widen(text).c_str()); }

std::string textOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return narrow(text);
}

}  // namespace corvallo::ui
