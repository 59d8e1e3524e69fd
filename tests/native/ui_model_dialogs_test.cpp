#include "ui/model/list_dialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvallo::ui::model {
namespace {

using Items = std::vector<std::string>;

TEST(UiModelDialogsTest, ListButtonsAskTheirQuestions) {
    struct Case {
        EditorMode mode;
        EditorList list;
        const char* clearText;
        const char* deleteText;
    };
    const Case cases[] = {
        {EditorMode::Add, EditorList::Sources, "确实要清空列表中的项目？", "确实要删除指定的项目？"},
        {EditorMode::Add, EditorList::FileTypes, "确实要清空列表？", "确实要删除项目？"},
        {EditorMode::Add, EditorList::Destinations, "确实要清空列表？", "确实要删除项目？"},
        {EditorMode::Edit, EditorList::Sources, "确实要清空列表？", "确实要删除项目？"},
        {EditorMode::Edit, EditorList::FileTypes, "确实要清空列表？", "确实要删除项目？"},
        {EditorMode::Edit, EditorList::Destinations, "确实要清空列表？", "确实要删除项目？"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << (c.mode == EditorMode::Add ? "add " : "edit ")
                                          << static_cast<int>(c.list));
        EXPECT_EQ(clearQuestion(c.mode, c.list, 2), (Message{MessageIcon::Question, "清空", c.clearText}));
        EXPECT_EQ(deleteQuestion(c.mode, c.list, true), (Message{MessageIcon::Question, "删除", c.deleteText}));
        // Nothing to clear or nothing selected: the button does nothing and asks nothing.
        EXPECT_EQ(clearQuestion(c.mode, c.list, 0), std::nullopt);
        EXPECT_EQ(deleteQuestion(c.mode, c.list, false), std::nullopt);
    }
}

TEST(UiModelDialogsTest, ListButtonsActOnTheirOwnList) {
    EditorState state = openAddEditor();
    state.sources = {"A", "B", "C"};
    state.fileTypes = {"*.doc"};
    state.destinations = {"X"};
    deleteItem(state, EditorList::Sources, 1);
    EXPECT_EQ(state.sources, (Items{"A", "C"}));
    deleteItem(state, EditorList::Sources, 2);  // no such item
    EXPECT_EQ(state.sources, (Items{"A", "C"}));
    clearItems(state, EditorList::FileTypes);
    EXPECT_TRUE(state.fileTypes.empty());
    EXPECT_EQ(state.sources, (Items{"A", "C"}));
    EXPECT_EQ(state.destinations, (Items{"X"}));
    clearItems(state, EditorList::Destinations);
    EXPECT_TRUE(state.destinations.empty());
}

TEST(UiModelDialogsTest, LocationRefusesOnlyEmptyAndIdenticalTexts) {
    struct Case {
        const char* text;
        const char* refusal;  // nullptr: appended
    };
    const Case cases[] = {
        {"", "请填入一个有效的路径！"},
        {"D:\\Backup", "列表中已存在一个相同的项目，不能重复添加！"},
        {"E:\\照片", "列表中已存在一个相同的项目，不能重复添加！"},
        {"d:\\backup", nullptr},
        {"D:\\Backup\\", nullptr},
        {" D:\\Backup", nullptr},
        {"Z:\\不存在的文件夹", nullptr},
        {"relative", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Items items{"D:\\Backup", "E:\\照片"};
        const auto refusal = confirmLocation(items, c.text);
        if (c.refusal == nullptr) {
            EXPECT_EQ(refusal, std::nullopt);
            EXPECT_EQ(items, (Items{"D:\\Backup", "E:\\照片", c.text}));
        } else {
            EXPECT_EQ(refusal, (Message{MessageIcon::Error, "错误", c.refusal}));
            EXPECT_EQ(items, (Items{"D:\\Backup", "E:\\照片"}));
        }
    }
}

TEST(UiModelDialogsTest, FileTypePresetsAddTheirPatternsInOrder) {
    struct Case {
        const char* preset;
        Items patterns;
    };
    const Case cases[] = {
        {"常见文档格式", {"*.txt", "*.doc", "*.docx", "*.rtf", "*.xls", "*.xlsx", "*.ppt", "*.pptx"}},
        {"常见图片格式", {"*.bmp", "*.jpg", "*.jpeg", "*.png", "*.gif", "*.raw"}},
        {"常见音乐格式", {"*.mp3", "*.wav", "*.mid", "*.midi", "*.wma", "*.ogg"}},
        {"常见视频格式", {"*.rm", "*.rmvb", "*.avi", "*.wmv", "*.3gp", "*.3gpp", "*.mp4"}},
        {"常见代码文件", {"*.c", "*.cpp", "*.e", "*.h", "*.vbs", "*.js", "*.hpp"}},
        {"常见应用文件", {"*.exe", "*.com", "*.scr", "*.ims"}},
        {"全部文件类型", {"*.*"}},
    };
    std::size_t index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preset);
        ASSERT_LT(index, fileTypePresets().size());
        EXPECT_EQ(fileTypePresets()[index++].name, std::string(c.preset));  // the drop-down's order
        Items items{"*.psd"};
        EXPECT_EQ(confirmFileType(items, c.preset), std::nullopt);
        Items expected{"*.psd"};
        expected.insert(expected.end(), c.patterns.begin(), c.patterns.end());
        EXPECT_EQ(items, expected);
    }
    EXPECT_EQ(index, fileTypePresets().size());
}

TEST(UiModelDialogsTest, ChoosingAPresetTwiceAddsItsPatternsTwice) {
    Items items;
    ASSERT_EQ(confirmFileType(items, "常见应用文件"), std::nullopt);
    ASSERT_EQ(confirmFileType(items, "常见应用文件"), std::nullopt);
    EXPECT_EQ(items, (Items{"*.exe", "*.com", "*.scr", "*.ims", "*.exe", "*.com", "*.scr", "*.ims"}));
}

TEST(UiModelDialogsTest, TypedFileTypes) {
    struct Case {
        const char* text;
        bool added;
    };
    const Case cases[] = {
        {"", false}, {"doc", false}, {"常见文档", false}, {"*.psd", true}, {".psd", true}, {"报告*.doc", true},
        {"*.*", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Items items{"*.doc"};
        const auto refusal = confirmFileType(items, c.text);
        if (c.added) {
            EXPECT_EQ(refusal, std::nullopt);
            EXPECT_EQ(items, (Items{"*.doc", c.text}));
        } else {
            EXPECT_EQ(refusal, (Message{MessageIcon::Error, "错误", "请输入一个有效的文件类型扩展名！"}));
            EXPECT_EQ(items, (Items{"*.doc"}));
        }
    }
}

}  // namespace
}  // namespace corvallo::ui::model
