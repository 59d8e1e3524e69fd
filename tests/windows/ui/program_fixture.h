#pragma once
// The resident program's main window with its real service, task file and settings in a temporary
// folder, on a user-interface thread of its own; power actions and links are recorded.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/task_file.h"
#include "core/task_list.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_files.h"
#include "service/backup_service.h"
#include "service/service_log.h"
#include "tests/support/recording_power.h"
#include "tests/support/recording_shell.h"
#include "tests/support/recording_system_info.h"
#include "tests/windows/temp_folder.h"
#include "tests/windows/ui/ui_harness.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/prompter.h"
#include "ui/window_observer.h"

namespace corvallo::testing {

// What the windows asked of the power interface and the shell, from any thread.
struct Recorded {
    std::mutex mutex;
    std::vector<std::string> powerCalls;
    std::vector<std::string> links;
    std::vector<std::string> snapshotPower() {
        std::lock_guard lock(mutex);
        return powerCalls;
    }
};

class ProgramFixture : public ::testing::Test {
protected:
    ProgramFixture();
    ~ProgramFixture() override;

    // Writes the settings file and the task file the program will start with.
    void writeSettings(const std::string& text);
    void writeTasks(const std::vector<BackupTask>& tasks);
    // Creates the main window and runs its start-up on the user-interface thread.
    void start();
    // Closes the window without asking, as the end of a test.
    void stop();

    HWND mainWindow() const { return window_ ? window_->handle() : nullptr; }
    HWND control(int id) const { return GetDlgItem(mainWindow(), id); }
    HWND list() const { return control(ui::kTaskListId); }
    std::vector<std::vector<std::string>> rows() const { return listRows(list(), 5); }
    std::string fileBytes(const std::string& name);
    // A file of the program's folder read as the program reads its INI files (code page 936).
    std::string fileText(const std::string& name);

    TempFolder folder_;
    platform::win32::Win32Files files_;
    platform::win32::Win32Clock clock_;
    TaskList tasks_;
    TaskFile taskFile_;
    SettingsFile settingsFile_;
    service::ServiceLog log_;
    ui::WindowObserver observer_;
    std::unique_ptr<service::BackupService> service_;
    ui::MessageBoxPrompter prompter_;
    Recorded recorded_;
    std::vector<std::optional<std::int32_t>> editorOpenings_;
    // Called after each opening is recorded, on the user-interface thread: a suite's real editor.
    std::function<void(HWND owner, std::optional<std::int32_t> taskId)> openEditor_;
    // What the options ask of the shell and the system; used on the user-interface thread only.
    RecordingShell shell_;
    RecordingSystemInfo systemInfo_;
    UiThread ui_;
    std::unique_ptr<ui::MainWindow> window_;
};

// A daily task at 23:59 that never comes during a test, with one source and destination.
BackupTask quietTask(std::int32_t id, std::string name, bool enabled);

}  // namespace corvallo::testing
