#include "ui/weekday_picker_window.h"

#include "ui/model/editor_texts.h"
#include "ui/win/layout.h"

namespace corvallo::ui {

namespace {

using model::kWeekdayNames;
using model::kWeekdayPickerOrder;

constexpr int kBox = WeekdayPickerWindow::kFirstDayBox;

constexpr ControlSpec kLayout[] = {
    {ControlKind::CheckBox, kBox + 0, kWeekdayNames[kWeekdayPickerOrder[0]], 20, 18, 80, 22},
    {ControlKind::CheckBox, kBox + 1, kWeekdayNames[kWeekdayPickerOrder[1]], 108, 18, 80, 22},
    {ControlKind::CheckBox, kBox + 2, kWeekdayNames[kWeekdayPickerOrder[2]], 196, 18, 80, 22},
    {ControlKind::CheckBox, kBox + 3, kWeekdayNames[kWeekdayPickerOrder[3]], 284, 18, 80, 22},
    {ControlKind::CheckBox, kBox + 4, kWeekdayNames[kWeekdayPickerOrder[4]], 20, 50, 80, 22},
    {ControlKind::CheckBox, kBox + 5, kWeekdayNames[kWeekdayPickerOrder[5]], 108, 50, 80, 22},
    {ControlKind::CheckBox, kBox + 6, kWeekdayNames[kWeekdayPickerOrder[6]], 196, 50, 80, 22},
    {ControlKind::DefaultButton, WeekdayPickerWindow::kOk, model::kOkCaption, 196, 92, 80, 24},
    {ControlKind::Button, WeekdayPickerWindow::kCancel, model::kCancelCaption, 284, 92, 80, 24},
};

}  // namespace

int WeekdayPickerWindow::dayBoxId(int day) {
    for (int place = 0; place < 7; ++place) {
        if (kWeekdayPickerOrder[static_cast<std::size_t>(place)] == day) return kFirstDayBox + place;
    }
    return 0;
}

bool WeekdayPickerWindow::create(HWND owner) {
    if (!createModalFrame(L"CorvalloWeekdayPicker", model::kPickerTitle, 380, 167, owner, 0)) {
        return false;
    }
    createControls(handle(), kLayout);
    for (int day = 0; day < 7; ++day) {
        CheckDlgButton(handle(), dayBoxId(day), shown_[static_cast<std::size_t>(day)] ? BST_CHECKED : BST_UNCHECKED);
    }
    return true;
}

void WeekdayPickerWindow::confirm() {
    model::WeekdayChecks checks{};
    for (int day = 0; day < 7; ++day) {
        checks[static_cast<std::size_t>(day)] = IsDlgButtonChecked(handle(), dayBoxId(day)) == BST_CHECKED;
    }
    chosen_ = checks;
    DestroyWindow(handle());
}

LRESULT WeekdayPickerWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (routeOkCancel(message, wParam, kOk, kCancel, [this] { confirm(); })) return 0;
    return callDefault(message, wParam, lParam);
}

}  // namespace corvallo::ui
