#pragma once
// "添加一个位置": a folder typed or browsed for, appended to the editor's source or destination list.

#include <string>
#include <vector>

#include "platform/shell.h"
#include "ui/prompter.h"
#include "ui/win/window.h"

namespace corvallo::ui {

class LocationWindow : public Window {
public:
    enum Control : int { kLocationBox = 3401, kBrowse, kOk, kCancel };

    // `items` is the list the folder goes into; it must outlive the window.
    LocationWindow(Prompter& prompter, platform::Shell& shell, std::vector<std::string>& items)
        : prompter_(prompter), shell_(shell), items_(items) {}
    // Creates the window hidden with LocationBox empty; runModal() then shows it.
    bool create(HWND owner);

    // True once "确定" has appended the folder (the window then closes).
    bool added() const { return added_; }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void browse();
    void confirm();

    Prompter& prompter_;
    platform::Shell& shell_;
    std::vector<std::string>& items_;
    bool added_ = false;
};

}  // namespace corvallo::ui
