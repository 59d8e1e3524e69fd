#include "ui/task_list_view.h"

#include <commctrl.h>

#include <string>

#include "core/task_texts.h"
#include "core/text/text_rules.h"
#include "platform/win32/wide.h"
#include "ui/win/layout.h"
#include "ui/win/window.h"

namespace corvallo::ui {

using platform::win32::narrow;
using platform::win32::widen;

namespace {

struct Column {
    const char* header;
    int width;
};
constexpr Column kColumns[] = {
    {"序号：", 50}, {"名称：", 130}, {"内容：", 180}, {"执行条件：", 160}, {"执行次数：", 80},
};

constexpr UINT kTicked = INDEXTOSTATEIMAGEMASK(2);
constexpr UINT kNotTicked = INDEXTOSTATEIMAGEMASK(1);

void setCell(HWND list, int row, int column, const std::string& text) {
    std::wstring wide = widen(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void TaskListView::create(HWND parent, int id, int x, int y, int width, int height) {
    list_ = createControl(parent, {ControlKind::ListView, id, "", x, y, width, height, LVS_SINGLESEL | LVS_SHOWSELALWAYS});
    if (list_ == nullptr) return;
    ListView_SetExtendedListViewStyle(list_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES |
                                                 LVS_EX_DOUBLEBUFFER);
    for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
        std::wstring header = widen(kColumns[c].header);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = header.data();
        column.cx = scaled(kColumns[c].width);
        column.iSubItem = c;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
    }
}

void TaskListView::rebuild(const std::vector<BackupTask>& tasks) {
    rebuilding_ = true;
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list_);
    int row = 0;
    for (const BackupTask& task : tasks) {
        std::wstring id = widen(std::to_string(task.id));
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = id.data();
        const int at = static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) continue;
        ListView_SetItemState(list_, at, task.isEnabled() ? kTicked : kNotTicked, LVIS_STATEIMAGEMASK);
        setCell(list_, at, 1, task.name);
        setCell(list_, at, 2, contentText(task));
        setCell(list_, at, 3, scheduleText(task));
        setCell(list_, at, 4, std::to_string(task.runCount));
        ++row;
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    rebuilding_ = false;
}

int TaskListView::selectedRow() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void TaskListView::selectRow(int row) {
    ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_, row, FALSE);
}

void TaskListView::deleteRow(int row) { ListView_DeleteItem(list_, row); }

std::optional<std::int32_t> TaskListView::idOfRow(int row) const {
    if (row < 0 || row >= ListView_GetItemCount(list_)) return std::nullopt;
    wchar_t buffer[64] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = buffer;
    item.cchTextMax = static_cast<int>(std::size(buffer));
    SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text::textToInteger(narrow(buffer));
}

std::optional<TaskListView::CheckChange> TaskListView::userCheckChange(const NMLISTVIEW& change) const {
    if (rebuilding_ || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0) return std::nullopt;
    const UINT before = change.uOldState & LVIS_STATEIMAGEMASK;
    const UINT after = change.uNewState & LVIS_STATEIMAGEMASK;
    // 0 is the state of a row being inserted, before its check box is set.
    if (before == after || before == 0 || after == 0) return std::nullopt;
    return CheckChange{change.iItem, after == kTicked};
}

}  // namespace corvallo::ui
