#include "ui/app.h"

#include <windows.h>

#include <memory>

#include "core/settings.h"
#include "core/task_file.h"
#include "core/task_list.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_power.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_system_info.h"
#include "service/backup_service.h"
#include "service/service_log.h"
#include "ui/editor_dialogs_win32.h"
#include "ui/main_window.h"
#include "ui/options_window.h"
#include "ui/prompter.h"
#include "ui/task_editor_window.h"
#include "ui/window_observer.h"

namespace corvallo::ui {

int runCorvallo() {
    platform::win32::Win32Files files;
    platform::win32::Win32Clock clock;
    platform::win32::Win32Shell shell;
    platform::win32::Win32SystemInfo systemInfo;
    const std::string folder = shell.programDirectory();

    TaskList tasks;
    TaskFile taskFile(files, folder + "\\" + kTaskFileName);
    SettingsFile settingsFile(files, folder + "\\" + kSettingsFileName);
    service::ServiceLog log(files, folder + "\\" + service::kServiceLogName);
    WindowObserver observer;
    service::BackupService backupService(service::ServiceEnvironment{tasks, taskFile, clock, observer, log});
    MessageBoxPrompter prompter;
    WindowEditorDialogs editorDialogs(prompter, shell);
    // Set once the window exists: the editor's commit rebuilds its list.
    MainWindow* mainWindow = nullptr;

    MainWindowContext context{
        tasks,
        taskFile,
        settingsFile,
        backupService,
        observer,
        prompter,
        [](HWND screenWindow) { return std::make_unique<platform::win32::Win32Power>(screenWindow); },
        [&shell](const std::string& link) { shell.openLink(link); },
        [&](HWND owner, std::optional<std::int32_t> taskId) {
            runTaskEditor({tasks, taskFile, backupService, log, clock, prompter, editorDialogs,
                           [&] {
                               if (mainWindow != nullptr) mainWindow->refreshTaskList();
                           }},
                          owner, taskId);
        },
        [&](HWND owner, Settings& settings) { openOptions(owner, {settingsFile, settings, shell, systemInfo}); },
    };
    MainWindow window(std::move(context));
    mainWindow = &window;
    if (!window.create()) return 1;

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (window.exists() && IsDialogMessageW(window.handle(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace corvallo::ui
