#pragma once
// The menu bar, the tray menu and the task list menu, each built from its table.

#include <span>
#include <string_view>

#include "ui/win/handles.h"

namespace corvallo::ui {

struct MenuEntry {
    int command;  // 0: a separator
    std::string_view text;
};

struct MenuColumn {
    std::string_view title;
    std::span<const MenuEntry> entries;
};

std::span<const MenuColumn> menuBarColumns();
std::span<const MenuEntry> trayMenuEntries();
std::span<const MenuEntry> taskListMenuEntries();

OwnedMenu makePopupMenu(std::span<const MenuEntry> entries);
OwnedMenu makeMenuBar();

// Shows a popup menu at the mouse for `owner` and returns the chosen command (0 for none) without
// sending it; the caller acts on it as on any command.
int trackPopupMenu(HMENU menu, HWND owner);

}  // namespace corvallo::ui
