#pragma once
// "选择一个日期" for a task that runs on chosen weekdays: seven check boxes, Monday first, "确定" and
// "取消".

#include <optional>

#include "ui/model/schedule_texts.h"
#include "ui/win/window.h"

namespace corvallo::ui {

class WeekdayPickerWindow : public Window {
public:
    // The boxes in reading order (model::kWeekdayPickerOrder): Monday to Thursday, then Friday to Sunday.
    enum Control : int { kFirstDayBox = 3301, kOk = kFirstDayBox + 7, kCancel };

    explicit WeekdayPickerWindow(const model::WeekdayChecks& shown) : shown_(shown) {}
    // Creates the window hidden with `shown` ticked; runModal() then shows it.
    bool create(HWND owner);

    // The box of a day (index 0 = Sunday).
    static int dayBoxId(int day);

    // The days ticked at "确定" (none ticked is a choice too); none while open and after a cancel.
    const std::optional<model::WeekdayChecks>& chosen() const { return chosen_; }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void confirm();

    model::WeekdayChecks shown_;
    std::optional<model::WeekdayChecks> chosen_;
};

}  // namespace corvallo::ui
