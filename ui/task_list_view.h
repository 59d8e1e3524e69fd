#pragma once
// The report list of tasks with a check box per row. A row knows its task only by the id in its first
// column. User-interface thread only.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "core/task.h"

namespace corvallo::ui {

class TaskListView {
public:
    // Creates the list as a child of `parent` at this place (pixels at 96 dpi).
    void create(HWND parent, int id, int x, int y, int width, int height);
    HWND handle() const { return list_; }

    // Every row from scratch; the selection is lost.
    void rebuild(const std::vector<BackupTask>& tasks);

    int selectedRow() const;  // -1 for none
    void selectRow(int row);
    void deleteRow(int row);
    // The id in a row's first column (the text read by the integer rule); none for no such row.
    std::optional<std::int32_t> idOfRow(int row) const;

    // A check box the user changed, from LVN_ITEMCHANGED; none for anything else, including every
    // change that rebuild() itself makes.
    struct CheckChange {
        int row;
        bool ticked;
    };
    std::optional<CheckChange> userCheckChange(const NMLISTVIEW& change) const;

private:
    HWND list_ = nullptr;
    bool rebuilding_ = false;
};

}  // namespace corvallo::ui
