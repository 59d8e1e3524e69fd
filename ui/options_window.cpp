#include "ui/options_window.h"

#include "autostart/bootwire.h"
#include "core/text/text_rules.h"
#include "ui/elevation_notice_window.h"
#include "ui/resources/resource_ids.h"
#include "ui/win/layout.h"
#include "ui/win/modal.h"

namespace corvallo::ui {

namespace {

constexpr ControlSpec kLayout[] = {
    {ControlKind::CheckBox, OptionsWindow::kStartAtLogon, "开机自启动", 16, 16, 104, 24},
    {ControlKind::CheckBox, OptionsWindow::kStartService, "启动后自动开始定时服务", 47, 40, 169, 24},
    {ControlKind::CheckBox, OptionsWindow::kStartHidden, "启动后不显示主窗口", 48, 69, 169, 24},
    // Always on: the service runs every task on a worker of its own; nothing reads this box.
    {ControlKind::CheckBox, OptionsWindow::kMultiThreaded, "多线程处理备份任务（强制启用）", 16, 103, 224, 24,
     WS_DISABLED},
    {ControlKind::DefaultButton, OptionsWindow::kOk, "确定", 92, 160, 72, 24},
    {ControlKind::Button, OptionsWindow::kCancel, "取消", 176, 160, 72, 24},
};

// Windows 6.0 and later ask for consent before a program gets administrator rights.
constexpr int kLastCodeWithoutConsent = 3;

bool noticeDue(OptionsContext& context) {
    if (text::textToInteger(context.settingsFile.readValue(kDoNotTellMeKey, "0")) != 0) return false;
    return context.systemInfo.windowsVersionCode() > kLastCodeWithoutConsent;
}

void tick(HWND window, int id, bool on) {
    SendDlgItemMessageW(window, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

std::string bootwirePath(platform::Shell& shell) {
    return shell.programDirectory() + "\\" + std::string(kBootwireProgramName);
}

void runAutostartProgram(platform::Shell& shell, std::int32_t autostart) {
    // Only exactly 1 asks for the entry; any other value removes it.
    const std::string_view verb = autostart == 1 ? autostart::kSetVerb : autostart::kDeleteVerb;
    // Started through the shell: a plain process start of a program that requires administrator rights
    // fails instead of asking for consent. Neither waited for nor checked.
    shell.startElevated(bootwirePath(shell), verb);
}

bool OptionsWindow::create(HWND owner) {
    if (noticeDue(context_)) {
        ElevationNoticeWindow notice(context_.settingsFile);
        if (notice.create(owner)) runModal(notice, owner);
    }
    // Every opening applies the stored setting again, even one that ends in "取消".
    runAutostartProgram(context_.shell, context_.settings.autostart);

    if (!createModalFrame(L"CorvalloOptions", "选项", 261, 221, owner, IDI_CORVALLO)) {
        return false;
    }
    createControls(handle(), kLayout);
    tick(handle(), kStartAtLogon, context_.settings.startsAtLogon());
    tick(handle(), kStartService, context_.settings.startsService());
    tick(handle(), kStartHidden, context_.settings.startsHidden());
    tick(handle(), kMultiThreaded, true);
    return true;
}

bool OptionsWindow::ticked(int id) const { return IsDlgButtonChecked(handle(), id) == BST_CHECKED; }

void OptionsWindow::confirm() {
    context_.settings.autostart = ticked(kStartAtLogon) ? 1 : 0;
    runAutostartProgram(context_.shell, context_.settings.autostart);
    context_.settings.autoon = ticked(kStartService) ? 1 : 0;
    context_.settings.autohide = ticked(kStartHidden) ? 1 : 0;
    // Other keys of the file ("donottellme" among them) stay as they are. A failed write is not
    // reported; the settings in memory still hold the user's choice.
    saveSettings(context_.settingsFile, context_.settings);
    DestroyWindow(handle());
}

LRESULT OptionsWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (routeOkCancel(message, wParam, kOk, kCancel, [this] { confirm(); })) return 0;
    return callDefault(message, wParam, lParam);
}

void openOptions(HWND owner, OptionsContext context) {
    // The tray menu still answers while the options are up: a second request brings the open ones
    // forward instead of stacking another copy that would start Bootwire and save over the first.
    thread_local OptionsWindow* open = nullptr;
    if (open != nullptr) {
        if (open->exists()) SetForegroundWindow(open->handle());
        return;
    }
    OptionsWindow window(context);
    open = &window;
    if (window.create(owner)) runModal(window, owner);
    open = nullptr;
}

}  // namespace corvallo::ui
