#pragma once
// The command ids of the main window's menus, toolbar and buttons, and its private messages.

#include <windows.h>

namespace corvallo::ui {

enum Command : int {
    // Menu bar and tray menu.
    kStartService = 1001,
    kStopService,
    kEnableAllTasks,
    kDisableAllTasks,
    kExit,
    kNewTask,
    kOptions,
    kHotkeyList,
    kCheckForUpdates,
    kAbout,
    kShowMainWindow,
    kHideMainWindow,
    // Task list menu.
    kRunNow,
    kEnableTask,
    kDisableTask,
    kEditTask,
    kDeleteTask,
    // Buttons of the main window.
    kAddButton,
    kEditButton,
    kDeleteButton,
    kHideButton,
    kExitButton,
};

// Controls of the main window that are not commands.
enum MainControl : int {
    kToolbarId = 2001,
    kTabId,
    kTaskListId,
    kStatusPictureId,
    kStatusLabelId,
    kHotkeyLabelId,
};

// Posted by workers (through the observer) and by the tray icon.
inline constexpr UINT kListChangedMessage = WM_APP + 1;
inline constexpr UINT kNoticeWantedMessage = WM_APP + 2;
inline constexpr UINT kTrayMessage = WM_APP + 3;
// A check box the user changed (wParam: task id, lParam: 1 ticked, 0 not), handled after the list
// view has finished its own notification.
inline constexpr UINT kCheckToggledMessage = WM_APP + 4;

inline constexpr UINT_PTR kMidnightRearmTimer = 1;
inline constexpr int kMainHotkeyId = 1;

}  // namespace corvallo::ui
