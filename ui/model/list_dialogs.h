#pragma once
// The buttons under the editor's three lists and the two dialogs behind "添加": LocationWindow
// (a folder for the sources or destinations) and FileTypeWindow (file-name patterns).

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ui/model/editor_state.h"
#include "ui/model/message.h"

namespace corvallo::ui::model {

// "清空": the question to ask before the list is emptied, none when the list is empty (the button
// then does nothing). The add editor's source list words it differently.
std::optional<Message> clearQuestion(EditorMode mode, EditorList list, std::size_t itemCount);
// "删除": the question to ask before the selected item goes, none when no item is selected.
std::optional<Message> deleteQuestion(EditorMode mode, EditorList list, bool itemSelected);
// The answers' effects, after OK.
void clearItems(EditorState& state, EditorList list);
// An index outside the list changes nothing.
void deleteItem(EditorState& state, EditorList list, std::size_t index);

// LocationWindow's "确定": the refusal to show (the dialog stays open), or none when the text has
// been appended and the dialog closes. Only an empty text and a text equal to an item (compared
// exactly: case, blanks and backslashes count) are refused.
std::optional<Message> confirmLocation(std::vector<std::string>& items, const std::string& text);

struct FileTypePreset {
    const char* name;
    std::vector<const char*> patterns;
};
// FileTypeBox's list, in order.
const std::array<FileTypePreset, 7>& fileTypePresets();

// FileTypeWindow's "确定": a preset's name appends its patterns (again, if some are listed already);
// any other text holding a "." is a pattern of its own (such as "*.psd") and is appended as typed.
// Returns the refusal to show for an empty text or one without a "." (the dialog stays open), or none
// when something has been appended and the dialog closes.
std::optional<Message> confirmFileType(std::vector<std::string>& items, const std::string& text);

}  // namespace corvallo::ui::model
