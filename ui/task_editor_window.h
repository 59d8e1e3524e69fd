#pragma once
// "添加一个备份任务" / "编辑一个任务": the task editor, modal over the main window. Six pages in a tab
// control; the portable EditorState is the truth, the controls only show it and report what the user
// did. User-interface thread only.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/task_file.h"
#include "core/task_list.h"
#include "platform/clock.h"
#include "service/backup_service.h"
#include "service/service_log.h"
#include "ui/editor_dialogs.h"
#include "ui/model/editor_commit.h"
#include "ui/model/editor_state.h"
#include "ui/prompter.h"
#include "ui/win/handles.h"
#include "ui/win/links.h"
#include "ui/win/window.h"

namespace corvallo::ui {

// Everything the editor works with; it owns none of it.
struct TaskEditorContext {
    TaskList& tasks;
    TaskFile& taskFile;
    service::BackupService& service;
    service::ServiceLog& log;
    platform::Clock& clock;
    Prompter& prompter;
    EditorDialogs& dialogs;
    // MainWindow::refreshTaskList.
    std::function<void()> refreshTaskList;
};

inline constexpr const wchar_t* kTaskEditorClass = L"CorvalloTaskEditor";

class TaskEditorWindow : public Window {
public:
    enum Control : int {
        // Frame.
        kPicture = 4001,
        kHeading,
        kSecondLine,
        kEditorTabs,
        kHintLabel,
        kCommitButton,
        kCancelButton,
        // The six pages (child windows over the tab control) and their group boxes.
        kFirstPage = 4011,
        kFirstGroup = 4021,
        // Page 1.
        kNameLabel = 4101,
        kTaskNameBox,
        kAutoNameButton,
        // Pages 2 to 4: a list and its three buttons each.
        kSourceList = 4201,
        kSourceClear,
        kSourceDelete,
        kSourceAdd,
        kFileTypeList = 4301,
        kFileTypeClear,
        kFileTypeDelete,
        kFileTypeAdd,
        kDestinationList = 4401,
        kDestinationClear,
        kDestinationDelete,
        kDestinationAdd,
        // Page 5.
        kDateRadio = 4501,
        kDateLink,
        kDateSummary,
        kWeekdayRadio,
        kWeekdayLink,
        kWeekdaySummary,
        kDailyRadio,
        kRepeatCheck,
        kRepeatHoursBox,
        kRepeatHoursSpinner,
        kRepeatHoursLabel,
        kTimeLabel,
        kHourBox,
        kHourSpinner,
        kHourLabel,
        kMinuteBox,
        kMinuteSpinner,
        kMinuteLabel,
        // Page 6.
        kCompressCheck = 4601,
        kNotifyCheck,
        kKeepDaysCheck,
        kKeepDaysBox,
        kKeepDaysSpinner,
        kKeepDaysLabel,
        kPostActionLabel,
        kPostActionBox,
    };

    // `editedTaskId`: none for a new task; otherwise the task to edit (not found: the add defaults
    // under the edit title, and the commit adds the input as a new task).
    TaskEditorWindow(TaskEditorContext context, std::optional<std::int32_t> editedTaskId);
    ~TaskEditorWindow() override;

    // Creates the window (hidden), filled for its mode.
    bool create(HWND owner);

    // Any control of the editor by id, on whichever page it lies.
    HWND control(int id) const;
    // The page shown, 1 to 6.
    model::EditorPage currentPage() const;
    // The balloon's text while it shows, else empty.
    std::string balloonText() const;
    const model::EditorState& state() const { return state_; }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static LRESULT CALLBACK pageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK controlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR kind,
                                        DWORD_PTR self);

    void createPages();
    void subclassControls();
    void show();
    void showPage(model::EditorPage page);
    void command(int id, int code, HWND from);
    bool notify(const NMHDR& header);
    void listButton(model::EditorList list, int button);
    void linkReleased(int id);
    void autoName();
    void commit();
    void showBalloon();
    void hideBalloon();
    LRESULT staticColor(HWND control, HDC dc);

    TaskEditorContext context_;
    model::EditorState state_;
    HWND pages_[6] = {};
    HWND lastFocus_ = nullptr;
    LinkStyle links_;
    OwnedIcon picture_;
    OwnedFont headingFont_;
    OwnedFont hintFont_;
    HWND balloon_ = nullptr;  // owned by the editor: goes with it
    bool balloonShown_ = false;
};

// Opens the editor modally over `owner` and returns once it has closed (committed or cancelled).
void runTaskEditor(const TaskEditorContext& context, HWND owner, std::optional<std::int32_t> editedTaskId);

}  // namespace corvallo::ui
