#pragma once
// The editor's four small dialogs, answered from a script instead of windows: each call records what
// it was shown and gives the answer set beforehand. Used on the user-interface thread; the test reads
// the record through UiThread::run.

#include <optional>
#include <string>
#include <vector>

#include "ui/editor_dialogs.h"

namespace corvallo::testing {

class ScriptedEditorDialogs : public ui::EditorDialogs {
public:
    // The answers; none: the dialog is cancelled.
    std::optional<ui::model::CalendarDate> date;
    std::optional<ui::model::WeekdayChecks> weekdays;
    std::optional<std::string> location;
    std::vector<std::string> fileTypes;  // empty: cancelled

    // What the calls were shown.
    std::vector<ui::model::CalendarDate> datesShown;
    std::vector<ui::model::WeekdayChecks> weekdaysShown;
    std::vector<ui::model::EditorList> locationLists;

    std::optional<ui::model::CalendarDate> pickDate(HWND, const ui::model::CalendarDate& shown) override {
        datesShown.push_back(shown);
        return date;
    }
    std::optional<ui::model::WeekdayChecks> pickWeekdays(HWND, const ui::model::WeekdayChecks& shown) override {
        weekdaysShown.push_back(shown);
        return weekdays;
    }
    bool addLocation(HWND, ui::model::EditorList list, std::vector<std::string>& items) override {
        locationLists.push_back(list);
        if (!location) return false;
        items.push_back(*location);
        return true;
    }
    bool addFileTypes(HWND, std::vector<std::string>& items) override {
        if (fileTypes.empty()) return false;
        items.insert(items.end(), fileTypes.begin(), fileTypes.end());
        return true;
    }
};

}  // namespace corvallo::testing
