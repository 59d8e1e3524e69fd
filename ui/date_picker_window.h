#pragma once
// "选择一个日期" for a task that runs once: a date picker, "确定" and "关闭". Any date is taken, one in
// the past too.

#include <optional>

#include "ui/model/schedule_texts.h"
#include "ui/win/window.h"

namespace corvallo::ui {

class DatePickerWindow : public Window {
public:
    enum Control : int { kDateBox = 3201, kOk, kClose };

    // `shown` is the date DateBox starts on; one that is not a real date leaves it on today.
    explicit DatePickerWindow(const model::CalendarDate& shown) : shown_(shown) {}
    // Creates the window hidden; runModal() then shows it.
    bool create(HWND owner);

    // The date confirmed with "确定"; none while open and after "关闭" or the close box.
    const std::optional<model::CalendarDate>& chosen() const { return chosen_; }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void confirm();

    model::CalendarDate shown_;
    std::optional<model::CalendarDate> chosen_;
};

}  // namespace corvallo::ui
