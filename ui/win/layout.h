#pragma once
// Windows read as data: each control is one row (kind, id, text, place), created in table order, which
// is also the Tab order.

#include <windows.h>

#include <span>
#include <string>
#include <string_view>

namespace corvallo::ui {

enum class ControlKind {
    Label,
    Button,
    DefaultButton,
    CheckBox,
    RadioButton,
    FirstRadioButton,  // starts a new group of radio buttons
    GroupBox,
    Edit,
    ListBox,
    DropDownList,
    DropDown,  // a drop-down list whose text can also be typed
    Picture,  // an icon, set after creation
    ProgressBar,
    ListView,
    Tab,
    UpDown,
    DatePicker,
    Link,  // a label drawn as a link by its window
};

struct ControlSpec {
    ControlKind kind;
    int id;
    std::string_view text;
    int x, y, width, height;  // pixels at 96 dpi, in the parent's client area
    DWORD extraStyle = 0;
};

HWND createControl(HWND parent, const ControlSpec& spec);
void createControls(HWND parent, std::span<const ControlSpec> specs);

// UTF-8 texts of windows and controls.
void setText(HWND window, std::string_view text);
std::string textOf(HWND window);

}  // namespace corvallo::ui
