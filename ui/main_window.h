#pragma once
// The program's one lasting window: menus, toolbar, the task list with its buttons, the service
// status, the tray icon and the hot key. Closing it ends the program. User-interface thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/settings.h"
#include "core/task_file.h"
#include "core/task_list.h"
#include "service/backup_service.h"
#include "ui/countdown_window.h"
#include "ui/main_toolbar.h"
#include "ui/prompter.h"
#include "ui/task_list_view.h"
#include "ui/tray_icon.h"
#include "ui/win/handles.h"
#include "ui/win/window.h"
#include "ui/window_observer.h"

namespace corvallo::ui {

// Everything the window works with; it owns none of it.
struct MainWindowContext {
    TaskList& tasks;
    TaskFile& taskFile;
    SettingsFile& settingsFile;
    service::BackupService& service;
    WindowObserver& observer;
    Prompter& prompter;
    PowerFactory makePower;
    // Opens a web page or a mail link.
    std::function<void(const std::string&)> openLink;
    // The task editor, modal over `owner`: a new task, or the task with this id. Nothing opens without it.
    std::function<void(HWND owner, std::optional<std::int32_t> taskId)> openEditor;
    // The options window, modal over `owner`; it changes the program's settings in memory, which the
    // window holds. Nothing opens without it.
    std::function<void(HWND owner, Settings& settings)> openOptions;
};

inline constexpr const char* kMainWindowTitle = "Pennavo！（Corvallo）";
inline constexpr const char* kExitQuestion =
    "如果您退出 Pennavo（Corvallo）则所有的自动备份任务都将无法执行！\r\n确定要退出吗？";

class MainWindow : public Window {
public:
    explicit MainWindow(MainWindowContext context);
    ~MainWindow() override;

    // Creates the window (hidden) and runs the start-up: settings, task file, service, list, shown
    // unless the settings say hidden, hot key. False when the window cannot be created.
    bool create();

    void refreshTaskList();
    void showMainWindow();
    void hideMainWindow();
    // Saves the task file and stops every worker.
    void saveAndStopAll();

    // For tests and checks.
    TaskListView& taskListView() { return list_; }
    MainToolbar& toolbar() { return toolbar_; }
    TrayIcon* trayIcon() { return tray_.get(); }
    int hotkeyId() const { return hotkeyId_; }
    const Settings& settings() const { return settings_; }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void createControls();
    void startUp();
    void registerMainHotkey();
    void showServiceStatus();
    void command(int id);
    void onNotify(const NMHDR& header);
    void onTray(UINT mouseMessage);

    bool confirmExit();
    void deleteSelectedTask();
    void toggleTaskFromCheckBox(int row, bool ticked);
    void runSelectedTaskNow();
    void editSelectedTask();
    void openEditor(std::optional<std::int32_t> taskId);
    void showTaskListMenu();
    void showNextNotice();
    std::optional<std::int32_t> selectedTaskId() const;

    MainWindowContext context_;
    Settings settings_;
    TaskListView list_;
    MainToolbar toolbar_;
    std::unique_ptr<TrayIcon> tray_;
    OwnedIcon runningPicture_;
    OwnedIcon stoppedPicture_;
    UINT taskbarCreated_ = 0;
    int hotkeyId_ = 0;
    bool showingNotice_ = false;
};

}  // namespace corvallo::ui
