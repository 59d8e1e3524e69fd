#pragma once
// The small modal windows the task editor opens: the two schedule pickers and the two dialogs behind
// the lists' "添加" buttons. Behind an interface so that the editor can be driven with or without them.
// User-interface thread only; each call returns when its window has closed.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/model/editor_state.h"
#include "ui/model/schedule_texts.h"

namespace corvallo::ui {

class EditorDialogs {
public:
    virtual ~EditorDialogs() = default;

    // DatePickerWindow, showing `shown`: the chosen date, none when cancelled.
    virtual std::optional<model::CalendarDate> pickDate(HWND owner, const model::CalendarDate& shown) = 0;
    // WeekdayPickerWindow, with `shown` ticked: the chosen days, none when cancelled.
    virtual std::optional<model::WeekdayChecks> pickWeekdays(HWND owner, const model::WeekdayChecks& shown) = 0;
    // LocationWindow for the source or destination list: appends the confirmed folder to `items`;
    // false when cancelled.
    virtual bool addLocation(HWND owner, model::EditorList list, std::vector<std::string>& items) = 0;
    // FileTypeWindow: appends the chosen patterns to `items`; false when cancelled.
    virtual bool addFileTypes(HWND owner, std::vector<std::string>& items) = 0;
};

}  // namespace corvallo::ui
