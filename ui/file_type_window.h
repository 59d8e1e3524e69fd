#pragma once
// "添加一个文件类型": a preset group of patterns or one typed pattern, appended to the editor's
// file-type list.

#include <string>
#include <vector>

#include "ui/prompter.h"
#include "ui/win/window.h"

namespace corvallo::ui {

class FileTypeWindow : public Window {
public:
    enum Control : int { kFileTypeBox = 3501, kHint, kOk, kCancel };

    // `items` is the list the patterns go into; it must outlive the window.
    FileTypeWindow(Prompter& prompter, std::vector<std::string>& items) : prompter_(prompter), items_(items) {}
    // Creates the window hidden with FileTypeBox empty and the presets in its list; runModal() then shows it.
    bool create(HWND owner);

    // True once "确定" has appended something (the window then closes).
    bool added() const { return added_; }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void confirm();

    Prompter& prompter_;
    std::vector<std::string>& items_;
    bool added_ = false;
};

}  // namespace corvallo::ui
