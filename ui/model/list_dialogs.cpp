#include "ui/model/list_dialogs.h"

#include <algorithm>

namespace corvallo::ui::model {

namespace {

bool addEditorSources(EditorMode mode, EditorList list) {
    return mode == EditorMode::Add && list == EditorList::Sources;
}

}  // namespace

std::optional<Message> clearQuestion(EditorMode mode, EditorList list, std::size_t itemCount) {
    if (itemCount == 0) return std::nullopt;
    return Message{MessageIcon::Question, "清空",
                   addEditorSources(mode, list) ? "确实要清空列表中的项目？" : "确实要清空列表？"};
}

std::optional<Message> deleteQuestion(EditorMode mode, EditorList list, bool itemSelected) {
    if (!itemSelected) return std::nullopt;
    return Message{MessageIcon::Question, "删除",
                   addEditorSources(mode, list) ? "确实要删除指定的项目？" : "确实要删除项目？"};
}

void clearItems(EditorState& state, EditorList list) { itemsOf(state, list).clear(); }

void deleteItem(EditorState& state, EditorList list, std::size_t index) {
    auto& items = itemsOf(state, list);
    if (index < items.size()) items.erase(items.begin() + static_cast<std::ptrdiff_t>(index));
}

std::optional<Message> confirmLocation(std::vector<std::string>& items, const std::string& text) {
    if (text.empty()) return errorMessage("请填入一个有效的路径！");
    if (std::find(items.begin(), items.end(), text) != items.end()) {
        return errorMessage("列表中已存在一个相同的项目，不能重复添加！");
    }
    items.push_back(text);
    return std::nullopt;
}

const std::array<FileTypePreset, 7>& fileTypePresets() {
    static const std::array<FileTypePreset, 7> presets = {{
        {"常见文档格式", {"*.txt", "*.doc", "*.docx", "*.rtf", "*.xls", "*.xlsx", "*.ppt", "*.pptx"}},
        {"常见图片格式", {"*.bmp", "*.jpg", "*.jpeg", "*.png", "*.gif", "*.raw"}},
        {"常见音乐格式", {"*.mp3", "*.wav", "*.mid", "*.midi", "*.wma", "*.ogg"}},
        {"常见视频格式", {"*.rm", "*.rmvb", "*.avi", "*.wmv", "*.3gp", "*.3gpp", "*.mp4"}},
        {"常见代码文件", {"*.c", "*.cpp", "*.e", "*.h", "*.vbs", "*.js", "*.hpp"}},
        {"常见应用文件", {"*.exe", "*.com", "*.scr", "*.ims"}},
        {"全部文件类型", {"*.*"}},
    }};
    return presets;
}

std::optional<Message> confirmFileType(std::vector<std::string>& items, const std::string& text) {
    static constexpr const char* kRefusal = "请输入一个有效的文件类型扩展名！";
    if (text.empty()) return errorMessage(kRefusal);
    for (const auto& preset : fileTypePresets()) {
        if (text == preset.name) {
            items.insert(items.end(), preset.patterns.begin(), preset.patterns.end());
            return std::nullopt;
        }
    }
    if (text.find('.') == std::string::npos) return errorMessage(kRefusal);
    items.push_back(text);
    return std::nullopt;
}

}  // namespace corvallo::ui::model
