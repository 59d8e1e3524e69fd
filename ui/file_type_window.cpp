#include "ui/file_type_window.h"

#include "platform/win32/wide.h"
#include "ui/editor_dialogs_win32.h"
#include "ui/model/editor_texts.h"
#include "ui/model/list_dialogs.h"
#include "ui/win/layout.h"

namespace corvallo::ui {

namespace {

// The box's height includes its opened list, tall enough for the seven presets.
constexpr ControlSpec kLayout[] = {
    {ControlKind::DropDown, FileTypeWindow::kFileTypeBox, "", 10, 14, 367, 200},
    {ControlKind::Label, FileTypeWindow::kHint, model::kFileTypeHint, 10, 62, 196, 20},
    {ControlKind::DefaultButton, FileTypeWindow::kOk, model::kOkCaption, 214, 58, 78, 24},
    {ControlKind::Button, FileTypeWindow::kCancel, model::kCancelCaption, 299, 58, 78, 24},
};

}  // namespace

bool FileTypeWindow::create(HWND owner) {
    if (!createModalFrame(L"CorvalloFileType", model::kFileTypeTitle, 395, 129, owner, 0)) {
        return false;
    }
    createControls(handle(), kLayout);
    HWND box = GetDlgItem(handle(), kFileTypeBox);
    for (const model::FileTypePreset& preset : model::fileTypePresets()) {
        const std::wstring name = platform::win32::widen(preset.name);
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    SetFocus(box);
    return true;
}

void FileTypeWindow::confirm() {
    // The box's text is what was typed or the preset picked from its list.
    HWND box = GetDlgItem(handle(), kFileTypeBox);
    if (std::optional<model::Message> refusal = model::confirmFileType(items_, textOf(box))) {
        showMessage(prompter_, *refusal);
        SetFocus(box);
        return;
    }
    added_ = true;
    DestroyWindow(handle());
}

LRESULT FileTypeWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (routeOkCancel(message, wParam, kOk, kCancel, [this] { confirm(); })) return 0;
    return callDefault(message, wParam, lParam);
}

}  // namespace corvallo::ui
