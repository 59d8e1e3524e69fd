// The main window, driven as a user drives it: rows, status, toolbar, check boxes, delete, exit,
// hot key, tray, end of session.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "tests/windows/ui/program_fixture.h"
#include "ui/commands.h"
#include "ui/about_window.h"
#include "ui/menus.h"

namespace corvallo::testing {
namespace {

using ui::Command;

std::string autoon(int value, int autohide = 0) {
    return "[system]\r\nautostart=0\r\nautoon=" + std::to_string(value) + "\r\nautohide=" + std::to_string(autohide) +
           "\r\n";
}

class MainWindowTest : public ProgramFixture {
protected:
    std::vector<BackupTask> threeTasks() {
        return {quietTask(1, "文档", false), quietTask(2, "照片", true), quietTask(3, "报表", false)};
    }
    std::string statusText() const { return windowText(control(ui::kStatusLabelId)); }
    bool toolbarEnabled(int command) const { return window_->toolbar().enabled(command); }
    std::string trayTip() {
        std::string tip;
        ui_.run([&] { tip = window_->trayIcon()->tip(); });
        return tip;
    }
    std::int32_t workerOf(std::int32_t id) const {
        auto task = tasks_.taskWithId(id);
        return task ? static_cast<std::int32_t>(task->worker != 0) : -1;
    }
};

TEST_F(MainWindowTest, RowsShowEveryColumnAsTheListReadsIt) {
    BackupTask daily = quietTask(1, "每日文档", true);
    daily.hour = 8;
    daily.minute = 5;
    daily.runCount = 4;
    daily.sources = {"C:\\a\\", "D:\\b\\"};
    BackupTask repeating = quietTask(2, "每隔", false);
    repeating.repeatEnabled = true;
    repeating.repeatHours = 2;
    BackupTask weekly = quietTask(3, "周报", false);
    weekly.scheduleKind = static_cast<std::int32_t>(ScheduleKind::Weekly);
    weekly.weekdays = "0|1|0|0|0|1|0|";
    BackupTask unknown = weekly;
    unknown.id = 4;
    unknown.name = "未知";
    unknown.weekdays = "0";
    BackupTask noKind = quietTask(5, "无类型", false);
    noKind.scheduleKind = 0;
    writeSettings(autoon(0));
    writeTasks({daily, repeating, weekly, unknown, noKind});
    start();

    const std::vector<std::vector<std::string>> expected = {
        {"1", "每日文档", "备份2个位置的文件", "每日8:5执行", "4"},
        {"2", "每隔", "备份1个位置的文件", "每日每隔2小时执行", "0"},
        {"3", "周报", "备份1个位置的文件", "每逢： 星期一 星期五执行", "0"},
        {"4", "未知", "备份1个位置的文件", "每逢：未知！执行", "0"},
        {"5", "无类型", "备份1个位置的文件", "", "0"},
    };
    EXPECT_EQ(rows(), expected);
    EXPECT_TRUE(rowTicked(list(), 0));
    EXPECT_FALSE(rowTicked(list(), 1));
    EXPECT_TRUE(IsWindowVisible(mainWindow()));
    EXPECT_EQ(windowText(mainWindow()), "Pennavo！（Corvallo）");
    EXPECT_EQ(trayTip(), "Pennavo（Corvallo）—当前启用的任务1个！");
    saveScreenshot(mainWindow(), "main-window");
}

TEST_F(MainWindowTest, ServiceStateShowsInTheLabelAndToolbarAndFollowsTheButtons) {
    writeSettings(autoon(1));
    writeTasks(threeTasks());
    start();
    EXPECT_EQ(statusText(), "备份服务正在运行！");
    EXPECT_FALSE(toolbarEnabled(ui::kStartService));
    EXPECT_TRUE(toolbarEnabled(ui::kStopService));
    EXPECT_EQ(workerOf(2), 1);
    EXPECT_EQ(workerOf(1), 0);

    postCommand(mainWindow(), ui::kStopService);
    ASSERT_TRUE(waitUntil([&] { return statusText() == "备份服务已经停止！"; }));
    EXPECT_TRUE(toolbarEnabled(ui::kStartService));
    EXPECT_FALSE(toolbarEnabled(ui::kStopService));
    EXPECT_EQ(workerOf(2), 0);

    postCommand(mainWindow(), ui::kStartService);
    ASSERT_TRUE(waitUntil([&] { return statusText() == "备份服务正在运行！"; }));
    EXPECT_EQ(workerOf(2), 1);
}

TEST_F(MainWindowTest, StoppedAtStartUpShowsEveryTaskAndNoWorker) {
    writeSettings(autoon(0));
    writeTasks(threeTasks());
    start();
    EXPECT_EQ(statusText(), "备份服务已经停止！");
    EXPECT_EQ(rows().size(), 3u);
    EXPECT_EQ(service_->workerCount(), 0u);
    EXPECT_TRUE(toolbarEnabled(ui::kStartService));
}

TEST_F(MainWindowTest, CheckBoxesStartAndStopWorkersButRebuildsDoNot) {
    writeSettings(autoon(0));
    writeTasks(threeTasks());
    start();
    ASSERT_EQ(service_->workerCount(), 0u);

    setRowTicked(list(), 0, true);
    ASSERT_TRUE(waitUntil([&] { return workerOf(1) == 1; }));
    EXPECT_EQ(tasks_.taskWithId(1)->enabled, 1);
    EXPECT_TRUE(rowTicked(list(), 0));
    EXPECT_EQ(trayTip(), "Pennavo（Corvallo）—当前启用的任务2个！");

    setRowTicked(list(), 1, false);
    ASSERT_TRUE(waitUntil([&] { return tasks_.taskWithId(2)->enabled == 0; }));
    EXPECT_EQ(workerOf(2), 0);

    // Rebuilding sets every check box again; none of that may count as a click.
    ui_.run([&] { window_->refreshTaskList(); });
    ui_.flush();
    EXPECT_EQ(tasks_.taskWithId(1)->enabled, 1);
    EXPECT_EQ(tasks_.taskWithId(2)->enabled, 0);
    EXPECT_EQ(tasks_.taskWithId(3)->enabled, 0);
    EXPECT_EQ(workerOf(1), 1);
    EXPECT_EQ(workerOf(3), 0);
}

TEST_F(MainWindowTest, DeleteAsksThenRemovesExactlyTheSelectedTask) {
    writeSettings(autoon(1));
    writeTasks(threeTasks());
    start();
    const std::string before = fileBytes(kTaskFileName);

    // Nothing selected: no question, nothing removed.
    click(control(ui::kDeleteButton));
    EXPECT_FALSE(waitForMessageBox(ui_.id(), 300ms));
    EXPECT_EQ(tasks_.size(), 3u);

    selectRow(list(), 1);
    click(control(ui::kDeleteButton));
    auto box = waitForMessageBox(ui_.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, "删除");
    EXPECT_EQ(box->text, "确实要删除选定的项目？");
    answer(*box, IDCANCEL);
    ui_.flush();
    EXPECT_EQ(tasks_.size(), 3u);
    EXPECT_EQ(workerOf(2), 1);

    click(control(ui::kDeleteButton));
    box = waitForMessageBox(ui_.id());
    ASSERT_TRUE(box);
    answer(*box, IDOK);
    ASSERT_TRUE(waitUntil([&] { return tasks_.size() == 2; }));
    EXPECT_FALSE(tasks_.taskWithId(2));
    EXPECT_EQ(rows().size(), 2u);
    EXPECT_EQ(rows()[0][0], "1");
    EXPECT_EQ(rows()[1][0], "3");
    EXPECT_EQ(service_->workerCount(), 0u);
    EXPECT_EQ(tasks_.nextTaskId(), 2);
    // The tray stops counting the deleted task at once; the file is written only by the next save.
    EXPECT_EQ(trayTip(), "Pennavo（Corvallo）—当前未启用的任务2个！");
    EXPECT_EQ(fileBytes(kTaskFileName), before);
}

TEST_F(MainWindowTest, TrayTipSaysHowManyTasksAreEnabled) {
    struct Case {
        std::vector<BackupTask> tasks;
        std::string tip;
    };
    const Case cases[] = {
        {{}, "Pennavo（Corvallo）—当前无任务！"},
        {{quietTask(1, "a", false), quietTask(2, "b", false), quietTask(3, "c", false)},
         "Pennavo（Corvallo）—当前未启用的任务3个！"},
        {{quietTask(1, "a", false), quietTask(2, "b", true), quietTask(3, "c", true)},
         "Pennavo（Corvallo）—当前启用的任务2个！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tip);
        stop();
        writeSettings(autoon(0));
        writeTasks(c.tasks);
        start();
        EXPECT_EQ(trayTip(), c.tip);
    }
}

TEST_F(MainWindowTest, HiddenAtStartUpTheHotKeyShowsTheWindow) {
    writeSettings(autoon(0, 1));
    writeTasks(threeTasks());
    start();
    EXPECT_FALSE(IsWindowVisible(mainWindow()));
    const int hotkey = window_->hotkeyId();
    ASSERT_NE(hotkey, 0) << "Ctrl+Alt+1 could not be registered";
    PostMessageW(mainWindow(), WM_HOTKEY, static_cast<WPARAM>(hotkey), MAKELPARAM(MOD_CONTROL | MOD_ALT, 0x31));
    ASSERT_TRUE(waitUntil([&] { return IsWindowVisible(mainWindow()) != FALSE; }));
    PostMessageW(mainWindow(), WM_HOTKEY, static_cast<WPARAM>(hotkey), 0);
    ui_.flush();
    EXPECT_TRUE(IsWindowVisible(mainWindow()));

    click(control(ui::kHideButton));
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(mainWindow()); }));
    // A tray double click shows it again; a single click does nothing.
    PostMessageW(mainWindow(), ui::kTrayMessage, 1, WM_LBUTTONUP);
    ui_.flush();
    EXPECT_FALSE(IsWindowVisible(mainWindow()));
    PostMessageW(mainWindow(), ui::kTrayMessage, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(mainWindow()) != FALSE; }));
}

TEST_F(MainWindowTest, ExitAsksAndOnlyOkSavesAndEnds) {
    writeSettings(autoon(1));
    writeTasks(threeTasks());
    start();
    const std::string before = fileBytes(kTaskFileName);
    ui_.run([&] { tasks_.locked([](TaskListContents& c) { c.at(1).name = "改过的名字"; }); });

    struct Way {
        const char* name;
        std::function<void()> ask;
    };
    const Way ways[] = {
        {"button", [&] { click(control(ui::kExitButton)); }},
        {"menu", [&] { postCommand(mainWindow(), ui::kExit); }},
        {"close box", [&] { PostMessageW(mainWindow(), WM_CLOSE, 0, 0); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        way.ask();
        auto box = waitForMessageBox(ui_.id());
        ASSERT_TRUE(box);
        EXPECT_EQ(box->caption, "退出");
        EXPECT_EQ(box->text, "如果您退出 Pennavo（Corvallo）则所有的自动备份任务都将无法执行！\r\n确定要退出吗？");
        answer(*box, IDCANCEL);
        ui_.flush();
        EXPECT_TRUE(IsWindow(mainWindow()));
        EXPECT_EQ(workerOf(2), 1);
        EXPECT_EQ(fileBytes(kTaskFileName), before);
    }

    click(control(ui::kExitButton));
    auto box = waitForMessageBox(ui_.id());
    ASSERT_TRUE(box);
    answer(*box, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(mainWindow()); }));
    EXPECT_EQ(service_->workerCount(), 0u);
    EXPECT_NE(fileText(kTaskFileName).find("改过的名字"), std::string::npos);
}

TEST_F(MainWindowTest, ExitWithNoTasksWritesACountOfZero) {
    writeSettings(autoon(1));
    start();
    postCommand(mainWindow(), ui::kExit);
    auto box = waitForMessageBox(ui_.id());
    ASSERT_TRUE(box);
    answer(*box, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(mainWindow()); }));
    EXPECT_NE(fileBytes(kTaskFileName).find("number=0"), std::string::npos);
}

TEST_F(MainWindowTest, EndOfSessionSavesAndStopsWithoutAsking) {
    writeSettings(autoon(1));
    writeTasks(threeTasks());
    start();
    ui_.run([&] { tasks_.locked([](TaskListContents& c) { c.at(3).name = "注销前"; }); });
    const LRESULT mayEnd = SendMessageW(mainWindow(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
    EXPECT_NE(mayEnd, 0);
    SendMessageW(mainWindow(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(waitForMessageBox(ui_.id(), 300ms));
    EXPECT_NE(fileText(kTaskFileName).find("注销前"), std::string::npos);
    EXPECT_EQ(service_->workerCount(), 0u);
}

TEST_F(MainWindowTest, TrayMenuListsItsEntries) {
    writeSettings(autoon(0));
    start();
    PostMessageW(mainWindow(), ui::kTrayMessage, 1, WM_RBUTTONUP);
    HWND menu = waitForWindow(ui_.id(), L"#32768");
    ASSERT_NE(menu, nullptr);
    std::vector<std::string> expected;
    for (const ui::MenuEntry& entry : ui::trayMenuEntries()) expected.emplace_back(entry.text);
    EXPECT_EQ(menuWindowEntries(menu), expected);
    EXPECT_EQ(expected[3], "启用备份服务");
    saveScreenshot(menu, "tray-menu");
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(waitUntil([&] { return windowsOfThread(ui_.id(), L"#32768").empty(); }));
}

TEST_F(MainWindowTest, ListMenuNeedsASelectedRow) {
    writeSettings(autoon(0));
    writeTasks(threeTasks());
    start();
    // What the list view sends on a right click; posted, since the menu holds the thread until it closes.
    static NMHDR rightClick{};
    rightClick.hwndFrom = list();
    rightClick.idFrom = ui::kTaskListId;
    rightClick.code = NM_RCLICK;
    PostMessageW(mainWindow(), WM_NOTIFY, ui::kTaskListId, reinterpret_cast<LPARAM>(&rightClick));
    ui_.flush();
    EXPECT_TRUE(windowsOfThread(ui_.id(), L"#32768").empty());

    selectRow(list(), 0);
    PostMessageW(mainWindow(), WM_NOTIFY, ui::kTaskListId, reinterpret_cast<LPARAM>(&rightClick));
    HWND menu = waitForWindow(ui_.id(), L"#32768");
    ASSERT_NE(menu, nullptr);
    std::vector<std::string> expected;
    for (const ui::MenuEntry& entry : ui::taskListMenuEntries()) expected.emplace_back(entry.text);
    EXPECT_EQ(menuWindowEntries(menu), expected);
    EXPECT_EQ(expected.front(), "立即执行！");
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(waitUntil([&] { return windowsOfThread(ui_.id(), L"#32768").empty(); }));
}

TEST_F(MainWindowTest, TrayIconComesBackWhenTheTaskbarIsCreatedAgain) {
    writeSettings(autoon(0));
    writeTasks(threeTasks());
    start();
    bool shown = false;
    ui_.run([&] {
        window_->trayIcon()->remove();
        shown = window_->trayIcon()->shown();
    });
    ASSERT_FALSE(shown);
    PostMessageW(mainWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ui_.flush();
    ui_.run([&] { shown = window_->trayIcon()->shown(); });
    EXPECT_TRUE(shown);
    EXPECT_EQ(trayTip(), "Pennavo（Corvallo）—当前启用的任务1个！");
}

TEST_F(MainWindowTest, EditAndAddOpenTheEditorOnlyWithWhatTheyNeed) {
    writeSettings(autoon(0));
    writeTasks(threeTasks());
    start();
    click(control(ui::kEditButton));
    click(control(ui::kAddButton));
    ui_.flush();
    selectRow(list(), 2);
    ASSERT_EQ(SendMessageW(list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
    click(control(ui::kEditButton));
    ui_.flush();
    const std::vector<std::optional<std::int32_t>> expected = {std::nullopt, 3};
    EXPECT_EQ(editorOpenings_, expected);
}

TEST_F(MainWindowTest, SmallWindowsOpenFromTheMenusAndClose) {
    writeSettings(autoon(0));
    start();
    postCommand(mainWindow(), ui::kAbout);
    HWND about = waitForWindow(ui_.id(), L"CorvalloAbout");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(windowText(about), "关于 Pennavo（Corvallo）");
    const std::string text = windowText(GetDlgItem(about, 3102));
    EXPECT_EQ(text.rfind("Pennavo（Corvallo） v1.1.43.101 build20140815\r\n\r\n方便好用的自动备份软件", 0), 0u) << text;
    EXPECT_FALSE(IsWindowEnabled(mainWindow()));
    click(childWithText(about, "访问作者的博客"));
    saveScreenshot(about, "about-window");
    click(childWithText(about, "确定"));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(IsWindowEnabled(mainWindow()));
    {
        std::lock_guard lock(recorded_.mutex);
        EXPECT_EQ(recorded_.links, std::vector<std::string>{ui::kProductWebPage});
    }

    // The tray menu's entry opens the same list as the tools menu's.
    postCommand(mainWindow(), ui::kHotkeyList);
    HWND hotkeys = waitForWindow(ui_.id(), L"CorvalloHotkeys");
    ASSERT_NE(hotkeys, nullptr);
    EXPECT_EQ(windowText(hotkeys), "快捷键列表");
    EXPECT_NE(childWithText(hotkeys, "显示主窗口：   Ctrl + Alt + 1"), nullptr);
    click(childWithText(hotkeys, "确定"));
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(hotkeys); }));
}

}  // namespace
}  // namespace corvallo::testing
