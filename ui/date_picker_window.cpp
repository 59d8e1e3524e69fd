#include "ui/date_picker_window.h"

#include <commctrl.h>

#include "ui/model/editor_texts.h"
#include "ui/win/layout.h"

namespace corvallo::ui {

namespace {

constexpr ControlSpec kLayout[] = {
    {ControlKind::DatePicker, DatePickerWindow::kDateBox, "", 10, 14, 152, 24},
    {ControlKind::DefaultButton, DatePickerWindow::kOk, model::kOkCaption, 10, 62, 72, 24},
    {ControlKind::Button, DatePickerWindow::kClose, model::kDatePickerCloseCaption, 90, 62, 72, 24},
};

}  // namespace

bool DatePickerWindow::create(HWND owner) {
    if (!createModalFrame(L"CorvalloDatePicker", model::kPickerTitle, 180, 139, owner, 0)) {
        return false;
    }
    createControls(handle(), kLayout);
    SYSTEMTIME day{};
    day.wYear = static_cast<WORD>(shown_.year);
    day.wMonth = static_cast<WORD>(shown_.month);
    day.wDay = static_cast<WORD>(shown_.day);
    const bool plausible = shown_.year >= 1601 && shown_.year <= 9999 && shown_.month >= 1 && shown_.month <= 12 &&
                           shown_.day >= 1 && shown_.day <= 31;
    // The control refuses a day the month does not have and keeps today.
    if (plausible) {
        SendDlgItemMessageW(handle(), kDateBox, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&day));
    }
    return true;
}

void DatePickerWindow::confirm() {
    SYSTEMTIME day{};
    if (SendDlgItemMessageW(handle(), kDateBox, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&day)) != GDT_VALID) {
        return;
    }
    chosen_ = model::CalendarDate{day.wYear, day.wMonth, day.wDay};
    DestroyWindow(handle());
}

LRESULT DatePickerWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (routeOkCancel(message, wParam, kOk, kClose, [this] { confirm(); })) return 0;
    return callDefault(message, wParam, lParam);
}

}  // namespace corvallo::ui
