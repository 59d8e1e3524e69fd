// The task editor over the real main window, service and task file, driven as a user drives it:
// pages, spinners, number boxes, the name filter, the lists, the refusals and the commit.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "tests/windows/ui/program_fixture.h"
#include "tests/windows/ui/task_editor_scripted_dialogs.h"
#include "ui/commands.h"
#include "ui/task_editor_window.h"
#include "ui/win/modal.h"

namespace corvallo::testing {
namespace {

using Editor = ui::TaskEditorWindow;
using platform::win32::narrow;

constexpr const char* kIllegalMessage = "任务名称中不能包含非法的字符，包括 | / \\ ? * < > \" :";

std::string autoon(int value) { return "[system]\r\nautostart=0\r\nautoon=" + std::to_string(value) + "\r\nautohide=0\r\n"; }

class TaskEditorTest : public ProgramFixture {
protected:
    TaskEditorTest() {
        openEditor_ = [this](HWND owner, std::optional<std::int32_t> id) {
            Editor editor(ui::TaskEditorContext{tasks_, taskFile_, *service_, log_, clock_, prompter_, dialogs_,
                                                [this] { window_->refreshTaskList(); }},
                          id);
            if (!editor.create(owner)) return;
            editorObject_ = &editor;
            ui::runModal(editor, owner);
            editorObject_ = nullptr;
        };
    }

    void startWith(const std::vector<BackupTask>& tasks) {
        writeSettings(autoon(0));
        writeTasks(tasks);
        start();
    }

    void openWith(int command) {
        postCommand(mainWindow(), command);
        editor_ = waitForWindow(ui_.id(), ui::kTaskEditorClass);
        ASSERT_NE(editor_, nullptr);
    }
    void openAdd() { openWith(ui::kAddButton); }
    void openEdit(int row) {
        selectRow(list(), row);
        openWith(ui::kEditButton);
    }
    bool editorOpen() const { return editor_ != nullptr && IsWindow(editor_) && IsWindowVisible(editor_); }

    HWND ctl(int id) const {
        struct Search {
            int id;
            HWND found = nullptr;
        } search{id};
        EnumChildWindows(
            editor_,
            [](HWND child, LPARAM context) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(context);
                if (GetDlgCtrlID(child) != s.id) return TRUE;
                s.found = child;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    std::string text(int id) const { return windowText(ctl(id)); }
    bool checked(int id) const { return SendMessageW(ctl(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool enabled(int id) const { return IsWindowEnabled(ctl(id)) != FALSE; }
    std::vector<std::string> items(int id) const {
        std::vector<std::string> found;
        const int count = static_cast<int>(SendMessageW(ctl(id), LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t item[512] = {};
            SendMessageW(ctl(id), LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
            found.push_back(narrow(item));
        }
        return found;
    }
    HWND focus() {
        HWND focused = nullptr;
        ui_.run([&] { focused = GetFocus(); });
        return focused;
    }
    void setFocus(int id) {
        ui_.run([&] { SetFocus(ctl(id)); });
    }

    void press(int id) {
        click(ctl(id));
        ui_.flush();
    }
    // A click on the spinner's upper or lower arrow.
    void spin(int spinnerId, bool up) {
        HWND spinner = ctl(spinnerId);
        RECT area{};
        GetClientRect(spinner, &area);
        const LPARAM at = MAKELPARAM(area.right / 2, up ? 2 : area.bottom - 3);
        PostMessageW(spinner, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(spinner, WM_LBUTTONUP, 0, at);
        ui_.flush();
    }
    void type(int id, const std::wstring& characters) {
        for (wchar_t character : characters) PostMessageW(ctl(id), WM_CHAR, character, 1);
        ui_.flush();
    }
    // Pasted or set by the program: no filter.
    void setBoxText(int id, const std::string& value) {
        SendMessageW(ctl(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(platform::win32::widen(value).c_str()));
    }
    // A click on the tab of this page (1 to 6).
    void showTab(int page) {
        HWND tabs = ctl(Editor::kEditorTabs);
        RECT item{};
        SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(page - 1), reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(tabs, WM_LBUTTONUP, 0, at);
        ui_.flush();
    }
    int currentPage() const {
        return static_cast<int>(SendMessageW(ctl(Editor::kEditorTabs), TCM_GETCURSEL, 0, 0)) + 1;
    }
    bool pageVisible(int page) const { return IsWindowVisible(ctl(Editor::kFirstPage + page - 1)) != FALSE; }
    std::string tabText(int page) const {
        wchar_t buffer[128] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = buffer;
        item.cchTextMax = 128;
        SendMessageW(ctl(Editor::kEditorTabs), TCM_GETITEMW, static_cast<WPARAM>(page - 1), reinterpret_cast<LPARAM>(&item));
        return narrow(buffer);
    }
    std::string balloon() {
        std::string shown;
        ui_.run([&] { shown = editorObject_ != nullptr ? editorObject_->balloonText() : ""; });
        return shown;
    }
    bool balloonWindowShown() { return !windowsOfThread(ui_.id(), TOOLTIPS_CLASSW).empty(); }

    void script(const std::function<void(ScriptedEditorDialogs&)>& change) {
        ui_.run([&] { change(dialogs_); });
    }
    // "添加" under the source or destination list, with the folder the location dialog gives.
    void addLocation(int addButton, const std::string& folder) {
        script([&](ScriptedEditorDialogs& d) { d.location = folder; });
        press(addButton);
    }
    // The commit, answering the refusal it shows; empty when it shows none.
    std::optional<MessageBoxSeen> commitRefused() {
        click(ctl(Editor::kCommitButton));
        auto box = waitForMessageBox(ui_.id(), 2s);
        if (box) answer(*box, IDOK);
        ui_.flush();
        return box;
    }
    void commitAccepted() {
        click(ctl(Editor::kCommitButton));
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(editor_); }));
        ui_.flush();
    }

    ScriptedEditorDialogs dialogs_;  // user-interface thread
    Editor* editorObject_ = nullptr;  // while it is open; user-interface thread
    HWND editor_ = nullptr;
};

TEST_F(TaskEditorTest, AddModeOpensOnThePageOfTheNameWithTheDesignDefaults) {
    startWith({});
    openAdd();
    EXPECT_EQ(windowText(editor_), "添加一个备份任务");
    EXPECT_EQ(text(Editor::kHeading), "添加一个定时备份任务到系统");
    EXPECT_EQ(text(Editor::kSecondLine), "请您依次设定好下面的选项以便定时备份操作能够正确执行");
    EXPECT_TRUE(IsWindowVisible(ctl(Editor::kSecondLine)));
    EXPECT_EQ(text(Editor::kHintLabel), "提示：新添加的定时任务将会立即生效！");
    EXPECT_EQ(text(Editor::kCommitButton), "添加");
    EXPECT_EQ(text(Editor::kCancelButton), "取消");
    EXPECT_FALSE(IsWindowEnabled(mainWindow())) << "the editor is modal";

    const std::vector<std::string> tabs = {"1、任务名称", "2、源文件", "3、需要备份的文件类型", "4、备份到",
                                           "5、定时执行", "6、高级"};
    const std::vector<std::string> groups = {"任务名称：", "需要备份的源文件位置：", "需要备份的文件类型：",
                                             "备份文件存放到：", "定时执行备份：", "备份选项："};
    for (int page = 1; page <= 6; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(tabText(page), tabs[page - 1]);
        EXPECT_EQ(text(Editor::kFirstGroup + page - 1), groups[page - 1]);
        EXPECT_EQ(pageVisible(page), page == 1);
    }
    EXPECT_EQ(currentPage(), 1);
    EXPECT_EQ(text(Editor::kTaskNameBox), "");
    EXPECT_EQ(focus(), ctl(Editor::kTaskNameBox));

    EXPECT_TRUE(checked(Editor::kDateRadio));
    EXPECT_FALSE(checked(Editor::kWeekdayRadio));
    EXPECT_FALSE(checked(Editor::kDailyRadio));
    EXPECT_EQ(text(Editor::kDateLink), "点击指定日期");
    EXPECT_EQ(text(Editor::kWeekdayLink), "点击指定");
    EXPECT_EQ(text(Editor::kDateSummary), "");
    EXPECT_FALSE(checked(Editor::kRepeatCheck));
    EXPECT_FALSE(enabled(Editor::kRepeatCheck));
    EXPECT_EQ(text(Editor::kRepeatHoursBox), "1");
    EXPECT_FALSE(enabled(Editor::kRepeatHoursBox));
    EXPECT_FALSE(enabled(Editor::kRepeatHoursSpinner));
    EXPECT_EQ(text(Editor::kHourBox), "0");
    EXPECT_EQ(text(Editor::kMinuteBox), "0");
    EXPECT_TRUE(enabled(Editor::kHourSpinner));
    EXPECT_FALSE(checked(Editor::kCompressCheck));
    EXPECT_FALSE(checked(Editor::kNotifyCheck));
    EXPECT_FALSE(checked(Editor::kKeepDaysCheck));
    EXPECT_EQ(text(Editor::kKeepDaysBox), "1");
    EXPECT_FALSE(enabled(Editor::kKeepDaysBox));
    EXPECT_FALSE(enabled(Editor::kKeepDaysSpinner));
    EXPECT_EQ(SendMessageW(ctl(Editor::kPostActionBox), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(text(Editor::kPostActionBox), "不执行其他操作");
    EXPECT_EQ(SendMessageW(ctl(Editor::kPostActionBox), CB_GETCOUNT, 0, 0), 6);

    click(ctl(Editor::kCancelButton));
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(editor_); }));
    ui_.flush();
    EXPECT_TRUE(IsWindowEnabled(mainWindow()));
    EXPECT_EQ(tasks_.size(), 0u);
}

TEST_F(TaskEditorTest, EveryPageAsItLooks) {
    startWith({});
    openAdd();
    setBoxText(Editor::kTaskNameBox, "每日文档");
    addLocation(Editor::kSourceAdd, "C:\\文档\\");
    script([](ScriptedEditorDialogs& d) { d.fileTypes = {"*.doc", "*.xls"}; });
    press(Editor::kFileTypeAdd);
    addLocation(Editor::kDestinationAdd, "D:\\备份\\");
    script([](ScriptedEditorDialogs& d) { d.weekdays = ui::model::WeekdayChecks{true, false, true, false, false, false, true}; });
    click(ctl(Editor::kWeekdayLink));
    ui_.flush();
    const char* names[] = {"editor-1-name", "editor-2-sources", "editor-3-file-types", "editor-4-destinations",
                           "editor-5-schedule", "editor-6-options"};
    for (int page = 1; page <= 6; ++page) {
        SCOPED_TRACE(page);
        showTab(page);
        EXPECT_EQ(currentPage(), page);
        for (int other = 1; other <= 6; ++other) EXPECT_EQ(pageVisible(other), other == page);
        RedrawWindow(editor_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        ui_.flush();
        saveScreenshot(editor_, names[page - 1]);
    }
    EXPECT_EQ(items(Editor::kFileTypeList), (std::vector<std::string>{"*.doc", "*.xls"}));
    EXPECT_EQ(text(Editor::kWeekdaySummary), "星期日|无|星期二|无|无|无|星期六|");
}

TEST_F(TaskEditorTest, EditModeShowsTheStoredTask) {
    BackupTask weekly = quietTask(1, "周报", true);
    weekly.scheduleKind = static_cast<std::int32_t>(ScheduleKind::Weekly);
    weekly.weekdays = "0|1|0|0|0|1|0|";
    weekly.repeatEnabled = true;
    weekly.repeatHours = 3;
    weekly.hour = 8;
    weekly.minute = 5;
    weekly.fileTypes = {"*.doc", "*.txt"};
    weekly.keepDays = 0;
    weekly.postAction = 3;
    BackupTask dated = quietTask(2, "一次", false);
    dated.scheduleKind = static_cast<std::int32_t>(ScheduleKind::Date);
    dated.year = 2014;
    dated.month = 8;
    dated.day = 5;
    dated.compress = 1;
    dated.notify = 1;
    dated.keepDays = 4;
    dated.postAction = 5;
    startWith({weekly, dated});

    openEdit(0);
    EXPECT_EQ(windowText(editor_), "编辑一个任务");
    EXPECT_EQ(text(Editor::kHeading), "编辑一个现有的定时任务");
    EXPECT_FALSE(IsWindowVisible(ctl(Editor::kSecondLine)));
    EXPECT_EQ(text(Editor::kHintLabel), "提示：编辑后的定时任务将会立即生效！");
    EXPECT_EQ(text(Editor::kCommitButton), "添加");
    EXPECT_EQ(text(Editor::kTaskNameBox), "周报");
    EXPECT_EQ(items(Editor::kSourceList), std::vector<std::string>{"C:\\nowhere\\"});
    EXPECT_EQ(items(Editor::kFileTypeList), (std::vector<std::string>{"*.doc", "*.txt"}));
    EXPECT_EQ(items(Editor::kDestinationList), std::vector<std::string>{"C:\\nowhere-backup\\"});
    EXPECT_FALSE(checked(Editor::kDateRadio));
    EXPECT_TRUE(checked(Editor::kWeekdayRadio));
    EXPECT_EQ(text(Editor::kWeekdayLink), "已指定，点击查看");
    EXPECT_EQ(text(Editor::kWeekdaySummary), "无|星期一|无|无|无|星期五|无|");
    // Repeating, but not daily: ticked and greyed, while its hours stay usable.
    EXPECT_TRUE(checked(Editor::kRepeatCheck));
    EXPECT_FALSE(enabled(Editor::kRepeatCheck));
    EXPECT_TRUE(enabled(Editor::kRepeatHoursBox));
    EXPECT_EQ(text(Editor::kRepeatHoursBox), "3");
    EXPECT_EQ(text(Editor::kHourBox), "8");
    EXPECT_EQ(text(Editor::kMinuteBox), "5");
    EXPECT_FALSE(checked(Editor::kKeepDaysCheck));
    EXPECT_EQ(text(Editor::kKeepDaysBox), "0");
    EXPECT_FALSE(enabled(Editor::kKeepDaysBox));
    EXPECT_EQ(text(Editor::kPostActionBox), "注销");
    click(ctl(Editor::kCancelButton));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(editor_); }));
    ui_.flush();

    openEdit(1);
    EXPECT_EQ(text(Editor::kTaskNameBox), "一次");
    EXPECT_TRUE(checked(Editor::kDateRadio));
    EXPECT_EQ(text(Editor::kDateLink), "2014年8月5日");
    EXPECT_EQ(text(Editor::kDateSummary), "2014-8-5");
    EXPECT_FALSE(enabled(Editor::kRepeatCheck));
    EXPECT_TRUE(checked(Editor::kCompressCheck));
    EXPECT_TRUE(checked(Editor::kNotifyCheck));
    EXPECT_TRUE(checked(Editor::kKeepDaysCheck));
    EXPECT_TRUE(enabled(Editor::kKeepDaysSpinner));
    EXPECT_EQ(text(Editor::kKeepDaysBox), "4");
    EXPECT_EQ(text(Editor::kPostActionBox), "关机");
}

TEST_F(TaskEditorTest, RadioButtonsAndChecksEnableWhatTheyGovern) {
    startWith({});
    openAdd();
    press(Editor::kDailyRadio);
    EXPECT_TRUE(enabled(Editor::kRepeatCheck));
    EXPECT_FALSE(enabled(Editor::kRepeatHoursBox));
    press(Editor::kRepeatCheck);
    EXPECT_TRUE(checked(Editor::kRepeatCheck));
    EXPECT_TRUE(enabled(Editor::kRepeatHoursBox));
    EXPECT_TRUE(enabled(Editor::kRepeatHoursSpinner));

    // The link checks its radio button directly: RepeatCheck stays usable.
    script([](ScriptedEditorDialogs& d) { d.date = std::nullopt; });
    click(ctl(Editor::kDateLink));
    ui_.flush();
    EXPECT_TRUE(checked(Editor::kDateRadio));
    EXPECT_FALSE(checked(Editor::kDailyRadio));
    EXPECT_TRUE(enabled(Editor::kRepeatCheck));
    EXPECT_EQ(text(Editor::kDateSummary), "") << "a cancelled picker chooses nothing";

    // The radio button itself greys it, and leaves its tick and its hours alone.
    press(Editor::kWeekdayRadio);
    EXPECT_FALSE(enabled(Editor::kRepeatCheck));
    EXPECT_TRUE(checked(Editor::kRepeatCheck));
    EXPECT_TRUE(enabled(Editor::kRepeatHoursBox));

    press(Editor::kKeepDaysCheck);
    EXPECT_TRUE(enabled(Editor::kKeepDaysBox));
    EXPECT_TRUE(enabled(Editor::kKeepDaysSpinner));
    press(Editor::kKeepDaysCheck);
    EXPECT_FALSE(enabled(Editor::kKeepDaysBox));
    EXPECT_FALSE(enabled(Editor::kKeepDaysSpinner));
}

struct SpinCase {
    const char* what;
    std::function<void(BackupTask&)> stored;  // none: add mode
    bool tickKeepDays;
    int spinner;
    int box;
    bool up;
    const char* before;
    const char* after;
};

TEST_F(TaskEditorTest, SpinnersWrapOrHoldAtTheirEnds) {
    const std::vector<SpinCase> cases = {
        {"hour 23 up", [](BackupTask& t) { t.hour = 23; }, false, Editor::kHourSpinner, Editor::kHourBox, true, "23", "0"},
        {"hour 0 down (add)", nullptr, false, Editor::kHourSpinner, Editor::kHourBox, false, "0", "23"},
        {"hour 7 up", [](BackupTask& t) { t.hour = 7; }, false, Editor::kHourSpinner, Editor::kHourBox, true, "7", "8"},
        {"minute 0 down", [](BackupTask& t) { t.minute = 0; }, false, Editor::kMinuteSpinner, Editor::kMinuteBox, false, "0", "59"},
        {"minute 59 up", [](BackupTask& t) { t.minute = 59; }, false, Editor::kMinuteSpinner, Editor::kMinuteBox, true, "59", "0"},
        {"repeat 4 up", [](BackupTask& t) { t.repeatEnabled = true; t.repeatHours = 4; }, false,
         Editor::kRepeatHoursSpinner, Editor::kRepeatHoursBox, true, "4", "1"},
        {"repeat 1 down", [](BackupTask& t) { t.repeatEnabled = true; t.repeatHours = 1; }, false,
         Editor::kRepeatHoursSpinner, Editor::kRepeatHoursBox, false, "1", "4"},
        {"repeat 7 up", [](BackupTask& t) { t.repeatEnabled = true; t.repeatHours = 7; }, false,
         Editor::kRepeatHoursSpinner, Editor::kRepeatHoursBox, true, "7", "1"},
        {"repeat 7 down", [](BackupTask& t) { t.repeatEnabled = true; t.repeatHours = 7; }, false,
         Editor::kRepeatHoursSpinner, Editor::kRepeatHoursBox, false, "7", "6"},
        {"repeat greyed", [](BackupTask& t) { t.repeatEnabled = false; t.repeatHours = 2; }, false,
         Editor::kRepeatHoursSpinner, Editor::kRepeatHoursBox, true, "2", "2"},
        {"keep 5 up", [](BackupTask& t) { t.keepDays = 5; }, false, Editor::kKeepDaysSpinner, Editor::kKeepDaysBox, true, "5", "5"},
        {"keep 1 down", [](BackupTask& t) { t.keepDays = 1; }, false, Editor::kKeepDaysSpinner, Editor::kKeepDaysBox, false, "1", "1"},
        {"keep 3 down", [](BackupTask& t) { t.keepDays = 3; }, false, Editor::kKeepDaysSpinner, Editor::kKeepDaysBox, false, "3", "2"},
        {"keep 0 down", [](BackupTask& t) { t.keepDays = 0; }, true, Editor::kKeepDaysSpinner, Editor::kKeepDaysBox, false, "0", "1"},
    };
    startWith({quietTask(1, "任务", true)});
    for (const SpinCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.stored) {
            // Straight into the list: the task file would bring the repeat hours back into range.
            ui_.run([&] { tasks_.locked([&](TaskListContents& tasks) { c.stored(tasks.at(1)); }); });
            openEdit(0);
        } else {
            openAdd();
        }
        if (c.tickKeepDays) press(Editor::kKeepDaysCheck);
        EXPECT_EQ(text(c.box), c.before);
        spin(c.spinner, c.up);
        EXPECT_EQ(text(c.box), c.after);
        click(ctl(Editor::kCancelButton));
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(editor_); }));
        ui_.flush();
        ui_.run([&] { tasks_.locked([](TaskListContents& tasks) { tasks.at(1) = quietTask(1, "任务", true); }); });
    }
}

TEST_F(TaskEditorTest, NumberBoxesIgnoreClicksAndKeysButLetTabThrough) {
    startWith({});
    openAdd();
    press(Editor::kDailyRadio);
    press(Editor::kRepeatCheck);
    press(Editor::kKeepDaysCheck);
    spin(Editor::kHourSpinner, true);
    for (int box : {Editor::kHourBox, Editor::kMinuteBox, Editor::kRepeatHoursBox, Editor::kKeepDaysBox}) {
        SCOPED_TRACE(box);
        const std::string before = text(box);
        showTab(box == Editor::kKeepDaysBox ? 6 : 5);
        setFocus(Editor::kDailyRadio);
        HWND earlier = focus();
        PostMessageW(ctl(box), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageW(ctl(box), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        PostMessageW(ctl(box), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageW(ctl(box), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
        PostMessageW(ctl(box), WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
        ui_.flush();
        EXPECT_EQ(focus(), earlier) << "a click does not reach the box";
        EXPECT_TRUE(windowsOfThread(ui_.id(), L"#32768").empty()) << "no context menu";

        // Even with the focus in it, the keys change nothing.
        setFocus(box);
        PostMessageW(ctl(box), WM_KEYDOWN, VK_END, 1);
        PostMessageW(ctl(box), WM_KEYDOWN, VK_BACK, 1);
        PostMessageW(ctl(box), WM_CHAR, VK_BACK, 1);
        PostMessageW(ctl(box), WM_KEYDOWN, VK_HOME, 1);
        PostMessageW(ctl(box), WM_KEYDOWN, VK_DELETE, 1);
        type(box, L"7");
        EXPECT_EQ(text(box), before);
        EXPECT_EQ(focus(), ctl(box));

        PostMessageW(ctl(box), WM_KEYDOWN, VK_TAB, 1);
        ui_.flush();
        HWND next = focus();
        EXPECT_NE(next, ctl(box)) << "Tab moves on";
        EXPECT_TRUE(IsChild(editor_, next));
    }
    EXPECT_EQ(text(Editor::kHourBox), "1") << "only the spinner changed it";
}

struct NameCase {
    const char* what;
    bool edit;
    const char* shown;
    bool balloon;
};

TEST_F(TaskEditorTest, TypedIllegalCharactersAreDroppedOnlyWhenAdding) {
    const std::vector<NameCase> cases = {
        {"add", false, "ab", true},
        {"edit", true, "a:b", false},
    };
    startWith({quietTask(1, "", true)});
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.edit) {
            openEdit(0);
        } else {
            openAdd();
        }
        setFocus(Editor::kTaskNameBox);
        type(Editor::kTaskNameBox, L"a:b");
        EXPECT_EQ(text(Editor::kTaskNameBox), c.shown);
        EXPECT_EQ(balloon(), c.balloon ? kIllegalMessage : "");
        EXPECT_EQ(balloonWindowShown(), c.balloon);
        if (c.balloon) {
            // It points at the middle of the name box, 15 pixels lower (the frame's edges not counted).
            const std::vector<HWND> tips = windowsOfThread(ui_.id(), TOOLTIPS_CLASSW);
            ASSERT_EQ(tips.size(), 1u);
            HWND tip = tips.front();
            RECT balloonAt{};
            GetWindowRect(tip, &balloonAt);
            RECT box{};
            GetWindowRect(ctl(Editor::kTaskNameBox), &box);
            const int middle = (box.left + box.right) / 2;
            EXPECT_LE(balloonAt.left, middle);
            EXPECT_GE(balloonAt.right, middle);
            EXPECT_GT(balloonAt.bottom, box.top);
            // Every other character goes in, including the rest of the name.
            type(Editor::kTaskNameBox, L"?c");
            EXPECT_EQ(text(Editor::kTaskNameBox), "abc");
        }
        click(ctl(Editor::kCancelButton));
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(editor_); }));
        ui_.flush();
    }
}

TEST_F(TaskEditorTest, AutoNameFillsTheFirstFreeNameThenSaysItIsFree) {
    startWith({quietTask(1, "定时备份任务(1)", true), quietTask(2, "定时备份任务(3)", true)});
    openEdit(1);
    press(Editor::kAutoNameButton);
    EXPECT_EQ(text(Editor::kTaskNameBox), "定时备份任务(2)");
    click(ctl(Editor::kAutoNameButton));
    auto box = waitForMessageBox(ui_.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, "自动生成任务名称");
    EXPECT_EQ(box->text, "编辑框内的名称是可以使用的，无需再生成！");
    answer(*box, IDOK);
    EXPECT_EQ(text(Editor::kTaskNameBox), "定时备份任务(2)");
}

struct RefusalCase {
    const char* message;
    const char* name;
    bool source;
    bool destination;
    int radio;  // 0: the date radio as it opens
    int page;
    int focused;
};

TEST_F(TaskEditorTest, EachRefusalKeepsTheEditorOpenOnTheControlToMend) {
    const std::vector<RefusalCase> cases = {
        {"请给这个备份任务指定一个名称！", "", true, true, 0, 1, Editor::kTaskNameBox},
        {kIllegalMessage, "a:b", true, true, 0, 1, Editor::kTaskNameBox},
        {"您必须为这个备份任务添加至少一个需要备份的源文件目录！", "任务", false, true, 0, 2, Editor::kSourceList},
        {"您必须为备份的文件至少指定一个存放的目录！", "任务", true, false, 0, 4, Editor::kDestinationList},
        {"您必须指定一个有效的任务执行日期才能让这个任务生效！", "任务", true, true, 0, 5, Editor::kDateLink},
        {"您必须指定任务执行的周星期才能让这个任务生效！", "任务", true, true, Editor::kWeekdayRadio, 5, Editor::kWeekdayLink},
    };
    startWith({});
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.message);
        openAdd();
        setBoxText(Editor::kTaskNameBox, c.name);
        if (c.source) addLocation(Editor::kSourceAdd, "C:\\data\\");
        if (c.destination) addLocation(Editor::kDestinationAdd, "D:\\backup\\");
        if (c.radio != 0) press(c.radio);
        showTab(6);
        const auto box = commitRefused();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->caption, "错误");
        EXPECT_EQ(box->text, c.message);
        EXPECT_TRUE(editorOpen());
        EXPECT_TRUE(waitUntil([&] { return currentPage() == c.page && focus() == ctl(c.focused); }))
            << "page " << currentPage();
        EXPECT_TRUE(pageVisible(c.page));
        EXPECT_EQ(text(Editor::kTaskNameBox), c.name) << "the input stays";
        click(ctl(Editor::kCancelButton));
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(editor_); }));
        ui_.flush();
    }
    EXPECT_EQ(tasks_.size(), 0u);
    EXPECT_EQ(service_->workerCount(), 0u);
}

TEST_F(TaskEditorTest, AnAddedTaskIsListedRunsAndIsSaved) {
    startWith({});
    openWith(ui::kNewTask);
    EXPECT_EQ(windowText(editor_), "添加一个备份任务");
    setBoxText(Editor::kTaskNameBox, "文档备份");
    addLocation(Editor::kSourceAdd, "C:\\文档\\");
    addLocation(Editor::kDestinationAdd, "D:\\备份\\");
    script([](ScriptedEditorDialogs& d) { d.location.reset(); });
    press(Editor::kDestinationAdd);  // cancelled: nothing more
    press(Editor::kDailyRadio);
    spin(Editor::kHourSpinner, false);
    spin(Editor::kMinuteSpinner, false);
    showTab(6);
    SendMessageW(ctl(Editor::kPostActionBox), CB_SETCURSEL, 2, 0);
    PostMessageW(ctl(Editor::kFirstPage + 5), WM_COMMAND, MAKEWPARAM(Editor::kPostActionBox, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(ctl(Editor::kPostActionBox)));
    press(Editor::kNotifyCheck);
    commitAccepted();

    const std::vector<std::vector<std::string>> expected = {{"1", "文档备份", "备份1个位置的文件", "每日23:59执行", "0"}};
    EXPECT_EQ(rows(), expected);
    EXPECT_TRUE(rowTicked(list(), 0));
    const std::optional<BackupTask> added = tasks_.taskWithId(1);
    ASSERT_TRUE(added);
    ASSERT_NE(added->worker, 0);
    EXPECT_TRUE(service_->workerAlive(added->worker));
    EXPECT_EQ(fileText(kTaskFileName),
              "[task]\r\nnumber=1\r\n[1]\r\non=1\r\ntimes=0\r\nname=文档备份\r\nsource=1\r\nsource1=C:\\文档\\\r\n"
              "filetype=1\r\nfiletype1=*.*\r\ndest=1\r\ndest1=D:\\备份\\\r\nbak=0\r\ntype=3\r\nyear=0\r\nmouth=0\r\n"
              "day=0\r\nweek=\r\nmps=0\r\nraps=1\r\nhours=23\r\nminutes=59\r\nusezip=0\r\nnotice=1\r\nmaxbak=0\r\n"
              "dolast=2\r\n");
}

TEST_F(TaskEditorTest, AddedDateTaskTakesThePickedDayAndTheSecondTaskGoesLast) {
    startWith({quietTask(1, "一", true), quietTask(2, "三", true)});
    // The file numbers tasks by position; a gap in the ids comes from deletions while the program runs.
    ui_.run([&] {
        tasks_.locked([](TaskListContents& tasks) { tasks.at(2).id = 3; });
        window_->refreshTaskList();
    });
    openAdd();
    setBoxText(Editor::kTaskNameBox, "一次");
    addLocation(Editor::kSourceAdd, "C:\\a\\");
    addLocation(Editor::kDestinationAdd, "D:\\b\\");
    script([](ScriptedEditorDialogs& d) { d.date = ui::model::CalendarDate{2030, 8, 5}; });
    click(ctl(Editor::kDateLink));
    ui_.flush();
    EXPECT_EQ(text(Editor::kDateLink), "2030年8月5日");
    EXPECT_EQ(text(Editor::kDateSummary), "2030-8-5");
    // The picker opens again on the date chosen.
    script([](ScriptedEditorDialogs& d) { d.date.reset(); });
    click(ctl(Editor::kDateLink));
    ui_.flush();
    std::vector<ui::model::CalendarDate> shown;
    ui_.run([&] { shown = dialogs_.datesShown; });
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], (ui::model::CalendarDate{2030, 8, 5}));
    commitAccepted();

    ASSERT_EQ(tasks_.size(), 3u);
    const BackupTask added = tasks_.snapshot()[2];
    EXPECT_EQ(added.id, 2);
    EXPECT_EQ(added.scheduleKind, static_cast<std::int32_t>(ScheduleKind::Date));
    EXPECT_EQ(std::vector<int>({added.year, added.month, added.day}), std::vector<int>({2030, 8, 5}));
    EXPECT_EQ(added.fileTypes, std::vector<std::string>{"*.*"});
    EXPECT_NE(added.worker, 0);
    EXPECT_NE(fileText(kTaskFileName).find("[3]\r\non=1\r\ntimes=0\r\nname=一次\r\n"), std::string::npos);
    EXPECT_NE(fileText(kTaskFileName).find("type=1\r\nyear=2030\r\nmouth=8\r\nday=5\r\n"), std::string::npos);
}

TEST_F(TaskEditorTest, EditingADisabledTaskEnablesItKeepsItsRecordsAndSurvivesAListRebuild) {
    BackupTask photos = quietTask(2, "照片", false);
    photos.runCount = 5;
    photos.backupRecords = {{"D:\\b\\", "2014-8-15 937", ""}, {"D:\\b\\", "2014-8-16 937", "D:\\b\\2014-8-16 937.zip"}};
    startWith({quietTask(1, "文档", false), photos, quietTask(3, "报表", false)});
    openEdit(1);
    EXPECT_EQ(text(Editor::kTaskNameBox), "照片");
    setBoxText(Editor::kTaskNameBox, "照片和视频");
    press(Editor::kCompressCheck);
    // A worker's run ends meanwhile: the list is rebuilt and loses its selection.
    PostMessageW(mainWindow(), ui::kListChangedMessage, 0, 0);
    ui_.flush();
    ASSERT_EQ(SendMessageW(list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);
    commitAccepted();

    const std::vector<BackupTask> after = tasks_.snapshot();
    ASSERT_EQ(after.size(), 3u);
    const BackupTask& edited = after[1];
    EXPECT_EQ(edited.id, 2);
    EXPECT_EQ(edited.name, "照片和视频");
    EXPECT_EQ(edited.enabled, 1);
    EXPECT_EQ(edited.runCount, 0);
    EXPECT_EQ(edited.compress, 1);
    EXPECT_EQ(edited.backupRecords, photos.backupRecords);
    ASSERT_NE(edited.worker, 0);
    EXPECT_TRUE(service_->workerAlive(edited.worker));
    EXPECT_EQ(after[0].name, "文档");
    EXPECT_EQ(after[2].name, "报表");
    EXPECT_EQ(rows()[1], (std::vector<std::string>{"2", "照片和视频", "备份1个位置的文件", "每日23:59执行", "0"}));
    EXPECT_TRUE(rowTicked(list(), 1));
    const std::string file = fileText(kTaskFileName);
    EXPECT_NE(file.find("[2]\r\non=1\r\ntimes=0\r\nname=照片和视频\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("bak=2\r\nbak1=D:\\b\\|2014-8-15 937|0\r\nbak2=D:\\b\\|2014-8-16 937|D:\\b\\2014-8-16 937.zip\r\n"),
              std::string::npos)
        << file;
}

TEST_F(TaskEditorTest, ListButtonsAskBeforeTheyRemove) {
    startWith({quietTask(1, "任务", true)});
    openEdit(0);
    addLocation(Editor::kSourceAdd, "D:\\two\\");
    EXPECT_EQ(items(Editor::kSourceList), (std::vector<std::string>{"C:\\nowhere\\", "D:\\two\\"}));
    std::vector<ui::model::EditorList> asked;
    ui_.run([&] { asked = dialogs_.locationLists; });
    EXPECT_EQ(asked, std::vector<ui::model::EditorList>{ui::model::EditorList::Sources});

    // Nothing selected: "删除" asks nothing and removes nothing.
    click(ctl(Editor::kSourceDelete));
    EXPECT_FALSE(waitForMessageBox(ui_.id(), 300ms));
    SendMessageW(ctl(Editor::kSourceList), LB_SETCURSEL, 0, 0);
    click(ctl(Editor::kSourceDelete));
    auto box = waitForMessageBox(ui_.id());
    ASSERT_TRUE(box);
    answer(*box, IDCANCEL);
    ui_.flush();
    EXPECT_EQ(items(Editor::kSourceList).size(), 2u) << "Cancel keeps the item";
    click(ctl(Editor::kSourceDelete));
    box = waitForMessageBox(ui_.id());
    ASSERT_TRUE(box);
    answer(*box, IDOK);
    ui_.flush();
    EXPECT_EQ(items(Editor::kSourceList), std::vector<std::string>{"D:\\two\\"});

    click(ctl(Editor::kDestinationClear));
    box = waitForMessageBox(ui_.id());
    ASSERT_TRUE(box);
    answer(*box, IDOK);
    ui_.flush();
    EXPECT_TRUE(items(Editor::kDestinationList).empty());
    // An empty list: "清空" does nothing.
    click(ctl(Editor::kDestinationClear));
    EXPECT_FALSE(waitForMessageBox(ui_.id(), 300ms));
}

TEST_F(TaskEditorTest, DoubleClickAndTheListMenuOpenTheSelectedTask) {
    startWith({quietTask(1, "文档", true), quietTask(4, "照片", true)});
    static NMHDR doubleClick{};
    doubleClick.hwndFrom = list();
    doubleClick.idFrom = ui::kTaskListId;
    doubleClick.code = NM_DBLCLK;
    struct Opening {
        const char* what;
        std::function<void()> open;
    };
    const std::vector<Opening> openings = {
        {"double click", [&] { PostMessageW(mainWindow(), WM_NOTIFY, ui::kTaskListId, reinterpret_cast<LPARAM>(&doubleClick)); }},
        {"list menu", [&] { postCommand(mainWindow(), ui::kEditTask); }},
    };
    for (const Opening& opening : openings) {
        SCOPED_TRACE(opening.what);
        selectRow(list(), 1);
        opening.open();
        editor_ = waitForWindow(ui_.id(), ui::kTaskEditorClass);
        ASSERT_NE(editor_, nullptr);
        EXPECT_EQ(windowText(editor_), "编辑一个任务");
        EXPECT_EQ(text(Editor::kTaskNameBox), "照片");
        click(ctl(Editor::kCancelButton));
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(editor_); }));
        ui_.flush();
    }
    EXPECT_EQ(tasks_.snapshot()[1].name, "照片") << "cancel writes nothing";
}

}  // namespace
}  // namespace corvallo::testing
