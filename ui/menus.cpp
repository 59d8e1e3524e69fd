#include "ui/menus.h"

#include "platform/win32/wide.h"
#include "ui/commands.h"

namespace corvallo::ui {

using platform::win32::widen;

namespace {

constexpr MenuEntry kSystemMenu[] = {
    {kStartService, "启动备份服务"}, {kStopService, "停止备份服务"}, {0, ""},
    {kEnableAllTasks, "启用全部备份任务"}, {kDisableAllTasks, "停止全部备份任务"}, {0, ""},
    {kExit, "退出"},
};
constexpr MenuEntry kTaskMenu[] = {{kNewTask, "新建..."}};
constexpr MenuEntry kToolsMenu[] = {{kOptions, "选项..."}, {kHotkeyList, "快捷键列表..."}};
constexpr MenuEntry kHelpMenu[] = {{kCheckForUpdates, "检查更新版本"}, {0, ""}, {kAbout, "关于"}};

constexpr MenuColumn kMenuBar[] = {
    {"系统", kSystemMenu}, {"任务", kTaskMenu}, {"工具", kToolsMenu}, {"帮助", kHelpMenu},
};

constexpr MenuEntry kTrayMenu[] = {
    {kShowMainWindow, "显示主窗口"}, {kHideMainWindow, "隐藏主窗口"}, {0, ""},
    {kStartService, "启用备份服务"}, {kStopService, "停止备份服务"}, {0, ""},
    {kEnableAllTasks, "启用全部备份任务"}, {kDisableAllTasks, "停止全部定时任务"}, {0, ""},
    {kOptions, "选项..."}, {kHotkeyList, "快捷键列表..."}, {0, ""},
    {kAbout, "关于..."}, {0, ""},
    {kExit, "退出"},
};

constexpr MenuEntry kTaskListMenu[] = {
    {kRunNow, "立即执行！"}, {0, ""},
    {kEnableTask, "启用"}, {kDisableTask, "停用"}, {0, ""},
    {kEnableAllTasks, "全部启用"}, {kDisableAllTasks, "全部停用"}, {0, ""},
    {kEditTask, "编辑..."}, {0, ""},
    {kDeleteTask, "删除"},
};

void appendEntries(HMENU menu, std::span<const MenuEntry> entries) {
    for (const MenuEntry& entry : entries) {
        if (entry.command == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(entry.command), widen(entry.text).c_str());
        }
    }
}

}  // namespace

std::span<const MenuColumn> menuBarColumns() { return kMenuBar; }
std::span<const MenuEntry> trayMenuEntries() { return kTrayMenu; }
std::span<const MenuEntry> taskListMenuEntries() { return kTaskListMenu; }

OwnedMenu makePopupMenu(std::span<const MenuEntry> entries) {
    OwnedMenu menu(CreatePopupMenu());
    if (menu) appendEntries(menu.get(), entries);
    return menu;
}

OwnedMenu makeMenuBar() {
    OwnedMenu bar(CreateMenu());
    if (!bar) return bar;
    for (const MenuColumn& column : kMenuBar) {
        OwnedMenu popup = makePopupMenu(column.entries);
        if (!popup) continue;
        // The bar owns its popups from here on.
        AppendMenuW(bar.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup.release()), widen(column.title).c_str());
    }
    return bar;
}

int trackPopupMenu(HMENU menu, HWND owner) {
    POINT at{};
    GetCursorPos(&at);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(owner);
    const int chosen = static_cast<int>(
        TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    return chosen;
}

}  // namespace corvallo::ui
