#include "ui/editor_dialogs_win32.h"

#include "ui/date_picker_window.h"
#include "ui/file_type_window.h"
#include "ui/location_window.h"
#include "ui/weekday_picker_window.h"
#include "ui/win/modal.h"

namespace corvallo::ui {

bool showMessage(Prompter& prompter, const model::Message& message) {
    switch (message.icon) {
        case model::MessageIcon::Error: prompter.refuse(message.text); return false;
        case model::MessageIcon::Question: return prompter.confirm(message.text, message.title);
        case model::MessageIcon::Information: prompter.inform(message.text, message.title); return false;
    }
    return false;
}

std::optional<model::CalendarDate> WindowEditorDialogs::pickDate(HWND owner, const model::CalendarDate& shown) {
    DatePickerWindow window(shown);
    if (!window.create(owner)) return std::nullopt;
    runModal(window, owner);
    return window.chosen();
}

std::optional<model::WeekdayChecks> WindowEditorDialogs::pickWeekdays(HWND owner, const model::WeekdayChecks& shown) {
    WeekdayPickerWindow window(shown);
    if (!window.create(owner)) return std::nullopt;
    runModal(window, owner);
    return window.chosen();
}

bool WindowEditorDialogs::addLocation(HWND owner, model::EditorList /*list*/, std::vector<std::string>& items) {
    // The two lists' dialogs differ only in the list they add to.
    LocationWindow window(prompter_, shell_, items);
    if (!window.create(owner)) return false;
    runModal(window, owner);
    return window.added();
}

bool WindowEditorDialogs::addFileTypes(HWND owner, std::vector<std::string>& items) {
    FileTypeWindow window(prompter_, items);
    if (!window.create(owner)) return false;
    runModal(window, owner);
    return window.added();
}

}  // namespace corvallo::ui
