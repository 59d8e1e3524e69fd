#pragma once
// "快捷键列表": the one hot key the program has.

#include "ui/win/window.h"

namespace corvallo::ui {

class HotkeyListWindow : public Window {
public:
    enum Control : int { kText = 3201, kOk };
    bool create(HWND owner);

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace corvallo::ui
