#pragma once
// The editor's dialogs as real windows: each call shows its window modally over `owner` and returns
// when it has closed. User-interface thread only.

#include "platform/shell.h"
#include "ui/editor_dialogs.h"
#include "ui/model/message.h"
#include "ui/prompter.h"

namespace corvallo::ui {

class WindowEditorDialogs : public EditorDialogs {
public:
    // Refusals go to `prompter`; LocationWindow's "浏览..." goes to `shell`. Both must outlive this.
    WindowEditorDialogs(Prompter& prompter, platform::Shell& shell) : prompter_(prompter), shell_(shell) {}

    std::optional<model::CalendarDate> pickDate(HWND owner, const model::CalendarDate& shown) override;
    std::optional<model::WeekdayChecks> pickWeekdays(HWND owner, const model::WeekdayChecks& shown) override;
    bool addLocation(HWND owner, model::EditorList list, std::vector<std::string>& items) override;
    bool addFileTypes(HWND owner, std::vector<std::string>& items) override;

private:
    Prompter& prompter_;
    platform::Shell& shell_;
};

// Shows a message of the editor's logic with the box its icon calls for: true when a question was
// answered with OK (refusals and notices give false).
bool showMessage(Prompter& prompter, const model::Message& message);

}  // namespace corvallo::ui
