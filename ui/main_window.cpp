#include "ui/main_window.h"

#include <commctrl.h>

#include "core/task_texts.h"
#include "service/service_status.h"
#include "ui/about_window.h"
#include "ui/commands.h"
#include "ui/hotkey_list_window.h"
#include "ui/menus.h"
#include "ui/resources/resource_ids.h"
#include "ui/win/layout.h"
#include "ui/win/modal.h"

namespace corvallo::ui {

namespace {

constexpr int kWidth = 641;
constexpr int kHeight = 500;
// The page "任务列表" of the tab control; its controls lie over the tab, placed from its corner.
constexpr int kTabX = 2;
constexpr int kTabY = 59;

constexpr ControlSpec kLayout[] = {
    {ControlKind::Tab, kTabId, "", kTabX, kTabY, 631, 344},
    {ControlKind::Button, kDeleteButton, "删除", kTabX + 14, kTabY + 304, 96, 24},
    {ControlKind::Button, kEditButton, "编辑...", kTabX + 385, kTabY + 304, 96, 24},
    {ControlKind::Button, kAddButton, "添加...", kTabX + 520, kTabY + 304, 96, 24},
    {ControlKind::Picture, kStatusPictureId, "", 15, 412, 32, 32},
    {ControlKind::Label, kStatusLabelId, "定时服务状态", 51, 416, 173, 25, SS_CENTERIMAGE},
    {ControlKind::Button, kHideButton, "隐藏", 394, 414, 96, 24},
    {ControlKind::Button, kExitButton, "退出", 520, 414, 96, 24},
    {ControlKind::Label, kHotkeyLabelId, "热键注册", 472, 56, 80, 24},
};

HICON loadIcon(int id, int side) {
    return static_cast<HICON>(
        LoadImageW(programInstance(), MAKEINTRESOURCEW(id), IMAGE_ICON, scaled(side), scaled(side), 0));
}

}  // namespace

MainWindow::MainWindow(MainWindowContext context) : context_(std::move(context)) {}

MainWindow::~MainWindow() { context_.observer.attach(nullptr); }

bool MainWindow::create() {
    if (!createTopLevel(L"CorvalloMainWindow", kMainWindowTitle, kWidth, kHeight,
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0, nullptr,
                        IDI_CORVALLO)) {
        return false;
    }
    createControls();
    context_.observer.attach(handle());
    startUp();
    return true;
}

void MainWindow::createControls() {
    SetMenu(handle(), makeMenuBar().release());
    toolbar_.create(handle(), kToolbarId);
    ui::createControls(handle(), kLayout);
    ShowWindow(GetDlgItem(handle(), kHotkeyLabelId), SW_HIDE);

    HWND tab = GetDlgItem(handle(), kTabId);
    std::wstring page = L"任务列表";
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = page.data();
    SendMessageW(tab, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    list_.create(handle(), kTaskListId, kTabX + 7, kTabY + 25, 617, 264);
    // Over the tab control, which would otherwise paint across them.
    for (int id : {int{kTaskListId}, int{kDeleteButton}, int{kEditButton}, int{kAddButton}}) {
        SetWindowPos(GetDlgItem(handle(), id), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }

    runningPicture_.reset(loadIcon(IDI_STATUS_RUNNING, 32));
    stoppedPicture_.reset(loadIcon(IDI_STATUS_STOPPED, 32));
    tray_ = std::make_unique<TrayIcon>(handle(), kTrayMessage);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    SetTimer(handle(), kMidnightRearmTimer, 1000, nullptr);
}

void MainWindow::startUp() {
    settings_ = loadSettings(context_.settingsFile);
    loadTaskFile(context_.tasks, context_.taskFile);
    if (settings_.startsService()) {
        context_.service.startService();
    } else {
        context_.service.stopService();
    }
    showServiceStatus();
    refreshTaskList();
    if (!settings_.startsHidden()) showMainWindow();
    registerMainHotkey();
}

void MainWindow::registerMainHotkey() {
    hotkeyId_ = RegisterHotKey(handle(), kMainHotkeyId, MOD_CONTROL | MOD_ALT, 0x31) ? kMainHotkeyId : 0;
}

void MainWindow::refreshTaskList() {
    context_.observer.listChangeTaken();
    const std::vector<BackupTask> tasks = context_.tasks.snapshot();
    list_.rebuild(tasks);
    const TraySummary summary = traySummary(tasks);
    if (tray_) tray_->show(summary.active, summary.tip);
}

void MainWindow::showServiceStatus() {
    const bool running = context_.service.status() == service::ServiceStatus::Running;
    const service::StatusDisplay display = service::statusDisplay(context_.service.status());
    setText(GetDlgItem(handle(), kStatusLabelId), display.caption);
    SendDlgItemMessageW(handle(), kStatusPictureId, STM_SETICON,
                        reinterpret_cast<WPARAM>(running ? runningPicture_.get() : stoppedPicture_.get()), 0);
    toolbar_.showServiceRunning(running);
}

void MainWindow::showMainWindow() {
    if (IsIconic(handle())) ShowWindow(handle(), SW_RESTORE);
    ShowWindow(handle(), SW_SHOW);
    SetForegroundWindow(handle());
}

void MainWindow::hideMainWindow() { ShowWindow(handle(), SW_HIDE); }

void MainWindow::saveAndStopAll() {
    saveTaskFile(context_.tasks, context_.taskFile);
    context_.service.stopService();
    if (exists()) {
        showServiceStatus();
        refreshTaskList();
    }
}

bool MainWindow::confirmExit() { return context_.prompter.confirm(kExitQuestion, "退出"); }

std::optional<std::int32_t> MainWindow::selectedTaskId() const {
    const int row = list_.selectedRow();
    if (row < 0) return std::nullopt;
    return list_.idOfRow(row);
}

void MainWindow::deleteSelectedTask() {
    const int row = list_.selectedRow();
    if (row < 0) return;
    if (!context_.prompter.confirm("确实要删除选定的项目？", "删除")) return;
    if (const std::optional<std::int32_t> id = list_.idOfRow(row)) {
        context_.service.stopWorker(*id);
        context_.tasks.locked([&](TaskListContents& contents) {
            if (const std::size_t position = contents.positionOfTask(*id); position != 0) contents.remove(position);
        });
    }
    list_.deleteRow(row);
    // The other rows stay until the next rebuild, but the tray must not go on counting the task.
    if (tray_) {
        const TraySummary summary = traySummary(context_.tasks.snapshot());
        tray_->show(summary.active, summary.tip);
    }
}

void MainWindow::toggleTaskFromCheckBox(int row, bool ticked) {
    const std::optional<std::int32_t> id = list_.idOfRow(row);
    if (!id) return;
    if (ticked) {
        context_.service.enableTask(*id);
    } else {
        context_.service.disableTask(*id);
    }
    refreshTaskList();
    list_.selectRow(row);
}

void MainWindow::runSelectedTaskNow() {
    const std::optional<std::int32_t> id = selectedTaskId();
    if (!id) return;
    switch (context_.service.runTaskNow(*id)) {
        case service::RunNowResult::Started:
        case service::RunNowResult::NoSuchTask: break;
        case service::RunNowResult::AlreadyRunning:
            context_.prompter.inform("该任务正在执行，请等待本次备份结束！", "立即执行");
            break;
        case service::RunNowResult::ThreadFailed:
            context_.prompter.inform("无法开始备份，请稍后再试！", "立即执行");
            break;
    }
}

void MainWindow::editSelectedTask() {
    if (const std::optional<std::int32_t> id = selectedTaskId()) openEditor(id);
}

void MainWindow::openEditor(std::optional<std::int32_t> taskId) {
    if (context_.openEditor) context_.openEditor(handle(), taskId);
}

void MainWindow::showTaskListMenu() {
    const std::optional<std::int32_t> id = selectedTaskId();
    if (!id) return;
    OwnedMenu menu = makePopupMenu(taskListMenuEntries());
    if (!menu) return;
    if (context_.service.isTaskRunning(*id)) EnableMenuItem(menu.get(), kRunNow, MF_BYCOMMAND | MF_GRAYED);
    if (const int chosen = trackPopupMenu(menu.get(), handle())) command(chosen);
}

void MainWindow::onTray(UINT mouseMessage) {
    switch (mouseMessage) {
        case WM_LBUTTONDBLCLK: showMainWindow(); break;
        case WM_RBUTTONUP: {
            OwnedMenu menu = makePopupMenu(trayMenuEntries());
            if (!menu) break;
            if (const int chosen = trackPopupMenu(menu.get(), handle())) command(chosen);
            break;
        }
        default: break;
    }
}

void MainWindow::showNextNotice() {
    // The notice's own message loop brings further requests here; they wait for the loop below.
    if (showingNotice_) return;
    showingNotice_ = true;
    service::NoticeQueue& queue = context_.observer.notices();
    while (std::optional<service::NoticeQueue::Notice> notice = queue.next()) {
        const std::uint64_t id = notice->id;
        CountdownWindow window(notice->caption, context_.makePower, [&queue, id] { return queue.cancelled(id); });
        if (window.create(nullptr)) runModal(window, nullptr);
        queue.closed(id);
    }
    showingNotice_ = false;
}

void MainWindow::command(int id) {
    switch (id) {
        case kStartService:
            context_.service.startService();
            showServiceStatus();
            refreshTaskList();
            break;
        case kStopService:
            context_.service.stopService();
            showServiceStatus();
            refreshTaskList();
            break;
        case kEnableAllTasks:
            context_.service.enableAllTasks();
            refreshTaskList();
            break;
        case kDisableAllTasks:
            context_.service.disableAllTasks();
            refreshTaskList();
            break;
        case kEnableTask:
        case kDisableTask:
            if (const std::optional<std::int32_t> task = selectedTaskId()) {
                const int row = list_.selectedRow();
                if (id == kEnableTask) {
                    context_.service.enableTask(*task);
                } else {
                    context_.service.disableTask(*task);
                }
                refreshTaskList();
                list_.selectRow(row);
            }
            break;
        case kRunNow: runSelectedTaskNow(); break;
        case kNewTask:
        case kAddButton: openEditor(std::nullopt); break;
        case kEditTask:
        case kEditButton: editSelectedTask(); break;
        case kDeleteTask:
        case kDeleteButton: deleteSelectedTask(); break;
        case kOptions:
            if (context_.openOptions) context_.openOptions(handle(), settings_);
            break;
        case kHotkeyList: {
            HotkeyListWindow window;
            if (window.create(handle())) runModal(window, handle());
            break;
        }
        case kCheckForUpdates:
            if (context_.openLink) context_.openLink(kProductWebPage);
            break;
        case kAbout: {
            AboutWindow window(context_.openLink);
            if (window.create(handle())) runModal(window, handle());
            break;
        }
        case kShowMainWindow: showMainWindow(); break;
        case kHideMainWindow:
        case kHideButton: hideMainWindow(); break;
        case kExit:
            if (confirmExit()) DestroyWindow(handle());
            break;
        case kExitButton:
            if (confirmExit()) {
                saveAndStopAll();
                DestroyWindow(handle());
            }
            break;
        default: break;
    }
}

void MainWindow::onNotify(const NMHDR& header) {
    if (toolbar_.answerTooltip(header)) return;
    if (header.idFrom != static_cast<UINT_PTR>(kTaskListId)) return;
    switch (header.code) {
        case NM_DBLCLK: editSelectedTask(); break;
        case NM_RCLICK: showTaskListMenu(); break;
        case LVN_ITEMCHANGED:
            if (const auto change = list_.userCheckChange(reinterpret_cast<const NMLISTVIEW&>(header))) {
                if (const std::optional<std::int32_t> task = list_.idOfRow(change->row)) {
                    PostMessageW(handle(), kCheckToggledMessage, static_cast<WPARAM>(*task),
                                 change->ticked ? 1 : 0);
                }
            }
            break;
        default: break;
    }
}

LRESULT MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (taskbarCreated_ != 0 && message == taskbarCreated_) {
        if (tray_) tray_->restore();
        return 0;
    }
    switch (message) {
        case WM_COMMAND: command(LOWORD(wParam)); return 0;
        case WM_NOTIFY: onNotify(*reinterpret_cast<const NMHDR*>(lParam)); return 0;
        case WM_TIMER:
            if (wParam == kMidnightRearmTimer) {
                context_.service.rearmWorkers();
                return 0;
            }
            break;
        case WM_HOTKEY:
            if (hotkeyId_ != 0 && static_cast<int>(wParam) == hotkeyId_) {
                showMainWindow();
                return 0;
            }
            break;
        case kTrayMessage: onTray(static_cast<UINT>(lParam)); return 0;
        case kListChangedMessage: refreshTaskList(); return 0;
        case kNoticeWantedMessage: showNextNotice(); return 0;
        case kCheckToggledMessage: {
            // The row may have moved since; find it by the id again.
            const auto id = static_cast<std::int32_t>(wParam);
            for (int row = 0; row < ListView_GetItemCount(list_.handle()); ++row) {
                if (list_.idOfRow(row) == id) {
                    toggleTaskFromCheckBox(row, lParam != 0);
                    break;
                }
            }
            return 0;
        }
        case WM_CLOSE:
            if (confirmExit()) {
                saveAndStopAll();
                DestroyWindow(handle());
            }
            return 0;
        case WM_QUERYENDSESSION:
            // Never ask while Windows logs off or shuts down: the session must not wait for a box.
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                saveAndStopAll();
                if (tray_) tray_->remove();
            }
            return 0;
        case WM_DESTROY:
            KillTimer(handle(), kMidnightRearmTimer);
            saveAndStopAll();
            tray_.reset();
            context_.observer.attach(nullptr);
            PostQuitMessage(0);
            return 0;
        default: break;
    }
    return callDefault(message, wParam, lParam);
}

}  // namespace corvallo::ui
