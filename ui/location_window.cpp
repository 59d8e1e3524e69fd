#include "ui/location_window.h"

#include "ui/editor_dialogs_win32.h"
#include "ui/model/editor_texts.h"
#include "ui/model/list_dialogs.h"
#include "ui/win/layout.h"

namespace corvallo::ui {

namespace {

constexpr ControlSpec kLayout[] = {
    {ControlKind::Edit, LocationWindow::kLocationBox, "", 10, 14, 284, 24},
    {ControlKind::Button, LocationWindow::kBrowse, model::kBrowseCaption, 302, 14, 75, 24},
    {ControlKind::DefaultButton, LocationWindow::kOk, model::kOkCaption, 214, 58, 78, 24},
    {ControlKind::Button, LocationWindow::kCancel, model::kCancelCaption, 299, 58, 78, 24},
};

}  // namespace

bool LocationWindow::create(HWND owner) {
    if (!createModalFrame(L"CorvalloLocation", model::kLocationTitle, 395, 129, owner, 0)) {
        return false;
    }
    createControls(handle(), kLayout);
    SetFocus(GetDlgItem(handle(), kLocationBox));
    return true;
}

void LocationWindow::browse() {
    // A cancelled browse, or a choice without a path, keeps what the user typed.
    if (std::optional<std::string> folder = shell_.browseForFolder(handle(), model::kBrowsePrompt)) {
        setText(GetDlgItem(handle(), kLocationBox), *folder);
    }
}

void LocationWindow::confirm() {
    HWND box = GetDlgItem(handle(), kLocationBox);
    if (std::optional<model::Message> refusal = model::confirmLocation(items_, textOf(box))) {
        showMessage(prompter_, *refusal);
        SetFocus(box);
        return;
    }
    added_ = true;
    DestroyWindow(handle());
}

LRESULT LocationWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == kBrowse) {
        browse();
        return 0;
    }
    if (routeOkCancel(message, wParam, kOk, kCancel, [this] { confirm(); })) return 0;
    return callDefault(message, wParam, lParam);
}

}  // namespace corvallo::ui
