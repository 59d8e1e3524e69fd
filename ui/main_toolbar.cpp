#include "ui/main_toolbar.h"

#include <commctrl.h>

#include <iterator>
#include <string>

#include "platform/win32/wide.h"
#include "ui/commands.h"
#include "ui/resources/resource_ids.h"
#include "ui/win/window.h"

namespace corvallo::ui {

using platform::win32::widen;

namespace {

struct ToolbarButton {
    int command;  // 0: a separator
    int picture;
    int disabledPicture;
    std::string_view text;
    std::string_view tooltip;
};

constexpr ToolbarButton kButtons[] = {
    {kStartService, IDI_TOOLBAR_START, IDI_TOOLBAR_START_DISABLED, "启动服务", "启动倒计时服务，本软件要发挥作用必须要开启此服务！"},
    {0, 0, 0, "", ""},
    {kStopService, IDI_TOOLBAR_STOP, IDI_TOOLBAR_STOP_DISABLED, "停止服务", "停止计时服务，软件的效用将会停止！"},
    {0, 0, 0, "", ""},
    {kOptions, IDI_TOOLBAR_OPTIONS, IDI_TOOLBAR_OPTIONS_DISABLED, "选项...", "调整软件的功能选项！"},
};

}  // namespace

void MainToolbar::create(HWND parent, int id) {
    toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_TOP,
                               0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               programInstance(), nullptr);
    if (toolbar_ == nullptr) return;
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar_, WM_SETFONT, reinterpret_cast<WPARAM>(interfaceFont()), FALSE);

    const int side = scaled(32);
    pictures_.reset(ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 3, 0));
    disabledPictures_.reset(ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 3, 0));
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(pictures_.get()));
    SendMessageW(toolbar_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabledPictures_.get()));

    std::wstring texts[std::size(kButtons)];
    TBBUTTON buttons[std::size(kButtons)] = {};
    for (std::size_t b = 0; b < std::size(kButtons); ++b) {
        const ToolbarButton& spec = kButtons[b];
        if (spec.command == 0) {
            buttons[b].fsStyle = BTNS_SEP;
            continue;
        }
        auto load = [side](int id) {
            return OwnedIcon(static_cast<HICON>(
                LoadImageW(programInstance(), MAKEINTRESOURCEW(id), IMAGE_ICON, side, side, 0)));
        };
        OwnedIcon icon = load(spec.picture);
        OwnedIcon disabled = load(spec.disabledPicture);
        texts[b] = widen(spec.text);
        // Both lists use the same index for a button.
        buttons[b].iBitmap = icon ? ImageList_AddIcon(pictures_.get(), icon.get()) : I_IMAGENONE;
        if (disabled) ImageList_AddIcon(disabledPictures_.get(), disabled.get());
        buttons[b].idCommand = spec.command;
        buttons[b].fsState = TBSTATE_ENABLED;
        buttons[b].fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        buttons[b].iString = reinterpret_cast<INT_PTR>(texts[b].c_str());
    }
    SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
    SendMessageW(toolbar_, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
}

void MainToolbar::showServiceRunning(bool running) {
    SendMessageW(toolbar_, TB_ENABLEBUTTON, kStartService, MAKELPARAM(running ? FALSE : TRUE, 0));
    SendMessageW(toolbar_, TB_ENABLEBUTTON, kStopService, MAKELPARAM(running ? TRUE : FALSE, 0));
}

bool MainToolbar::enabled(int command) const {
    return SendMessageW(toolbar_, TB_ISBUTTONENABLED, static_cast<WPARAM>(command), 0) != 0;
}

std::string_view MainToolbar::tooltipOf(int command) {
    for (const ToolbarButton& button : kButtons) {
        if (button.command != 0 && button.command == command) return button.tooltip;
    }
    return {};
}

bool MainToolbar::answerTooltip(const NMHDR& header) {
    if (header.code != TTN_GETDISPINFOW) return false;
    auto& request = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
    const std::string_view tip = tooltipOf(static_cast<int>(header.idFrom));
    if (tip.empty()) return false;
    tooltip_ = widen(tip);
    request.lpszText = tooltip_.data();
    request.hinst = nullptr;
    return true;
}

}  // namespace corvallo::ui
