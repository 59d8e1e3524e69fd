// The editor's four small windows, each opened through WindowEditorDialogs on a user-interface thread
// and driven as a user would: the weekday and date pickers, LocationWindow and FileTypeWindow.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "tests/support/recording_shell.h"
#include "tests/windows/ui/ui_harness.h"
#include "ui/date_picker_window.h"
#include "ui/editor_dialogs_win32.h"
#include "ui/file_type_window.h"
#include "ui/location_window.h"
#include "ui/model/schedule_texts.h"
#include "ui/prompter.h"
#include "ui/weekday_picker_window.h"

namespace corvallo::testing {
namespace {

using platform::win32::narrow;
using platform::win32::widen;
using ui::model::CalendarDate;
using ui::model::WeekdayChecks;

constexpr UINT kOpen = WM_APP + 1;

const std::vector<std::string> kAllDays = {"星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"};

class EditorDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_.run([this] {
            opener_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            SetWindowLongPtrW(opener_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditorDialogsTest::openerProc));
        });
    }
    void TearDown() override {
        // A window a failed check left open goes, so that the thread can end.
        for (const wchar_t* name : {L"CorvalloDatePicker", L"CorvalloWeekdayPicker", L"CorvalloLocation",
                                    L"CorvalloFileType"}) {
            for (HWND window : windowsOfThread(ui_.id(), name)) PostMessageW(window, WM_CLOSE, 0, 0);
        }
        waitUntil([this] { return returned_.load(); });
        ui_.run([this] { DestroyWindow(opener_); });
    }

    // Starts `call` on the user-interface thread; it shows its window modally and the test drives it.
    void open(std::function<void()> call) {
        returned_ = false;
        pending_ = [this, call = std::move(call)] {
            call();
            returned_ = true;
        };
        PostMessageW(opener_, kOpen, 0, reinterpret_cast<LPARAM>(&pending_));
    }
    bool waitForReturn() { return waitUntil([this] { return returned_.load(); }); }

    static LRESULT CALLBACK openerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kOpen) {
            (*reinterpret_cast<std::function<void()>*>(lParam))();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static void type(HWND control, const std::string& text) {
        SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(widen(text).c_str()));
    }
    // Clicks and waits until the click has been handled.
    void press(HWND window, const std::string& caption) {
        HWND button = childWithText(window, caption);
        ASSERT_NE(button, nullptr) << caption;
        click(button);
        ui_.flush();
    }
    static std::vector<std::string> ticked(HWND picker) {
        std::vector<std::string> days;
        for (const std::string& day : kAllDays) {
            if (SendMessageW(childWithText(picker, day), BM_GETCHECK, 0, 0) == BST_CHECKED) days.push_back(day);
        }
        return days;
    }

    UiThread ui_;
    ui::MessageBoxPrompter prompter_;
    RecordingShell shell_;
    ui::WindowEditorDialogs dialogs_{prompter_, shell_};
    HWND opener_ = nullptr;
    std::function<void()> pending_;
    std::atomic<bool> returned_{true};
};

TEST_F(EditorDialogsTest, WeekdayPickerShowsTheStoredDaysAndGivesTheTickedOnes) {
    struct Case {
        std::string flags;                     // as stored in the task
        std::string summaryShown;              // what the editor shows for them
        std::vector<std::string> tickedShown;  // the boxes ticked when the picker opens
        std::vector<std::string> toggled;      // boxes the user clicks
        std::string summaryChosen;             // what "确定" gives the editor
        std::string flagsStored;               // what the commit stores
    };
    const Case cases[] = {
        {"1|0|0|0|0|0|1|", "星期日|无|无|无|无|无|星期六|", {"星期六", "星期日"}, {},
         "星期日|无|无|无|无|无|星期六|", "1|0|0|0|0|0|1|"},
        {"1|0|0|0|0|0|1|", "星期日|无|无|无|无|无|星期六|", {"星期六", "星期日"}, {"星期日", "星期一", "星期三"},
         "无|星期一|无|星期三|无|无|星期六|", "0|1|0|1|0|0|1|"},
        {"0|0|0|0|1|1|0|", "无|无|无|无|星期四|星期五|无|", {"星期四", "星期五"}, {"星期四", "星期五"},
         "无|无|无|无|无|无|无|", "0|0|0|0|0|0|0|"},
        {"1|1|1|", "未知！", {}, {"星期二"}, "无|无|星期二|无|无|无|无|", "0|0|1|0|0|0|0|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags + " then " + std::to_string(c.toggled.size()) + " clicks");
        const std::string summary = ui::model::weekdaySummaryFromFlags(c.flags);
        EXPECT_EQ(summary, c.summaryShown);
        const WeekdayChecks shown = ui::model::weekdayChecksFromSummary(summary);
        std::optional<WeekdayChecks> chosen;
        open([&] { chosen = dialogs_.pickWeekdays(nullptr, shown); });
        HWND picker = waitForWindow(ui_.id(), L"CorvalloWeekdayPicker");
        ASSERT_NE(picker, nullptr);
        EXPECT_EQ(windowText(picker), "选择一个日期");
        EXPECT_EQ(ticked(picker), c.tickedShown);
        for (const std::string& day : c.toggled) press(picker, day);
        press(picker, "确定");
        ASSERT_TRUE(waitForReturn());
        EXPECT_FALSE(IsWindow(picker));
        ASSERT_TRUE(chosen.has_value());
        const std::string summaryChosen = ui::model::weekdaySummaryFromChecks(*chosen);
        EXPECT_EQ(summaryChosen, c.summaryChosen);
        EXPECT_EQ(ui::model::weekdayFlagsFromSummary(summaryChosen), c.flagsStored);
    }
}

TEST_F(EditorDialogsTest, WeekdayPickerHasTwoRowsMondayFirst) {
    WeekdayChecks shown{};
    shown[1] = shown[3] = true;
    open([&] { dialogs_.pickWeekdays(nullptr, shown); });
    HWND picker = waitForWindow(ui_.id(), L"CorvalloWeekdayPicker");
    ASSERT_NE(picker, nullptr);
    auto place = [&](const std::string& day) {
        RECT r{};
        GetWindowRect(childWithText(picker, day), &r);
        return r;
    };
    // Reading order: Monday to Thursday left to right, then Friday to Sunday below them.
    for (std::size_t i = 1; i < kAllDays.size(); ++i) {
        SCOPED_TRACE(kAllDays[i]);
        const RECT before = place(kAllDays[i - 1]);
        const RECT here = place(kAllDays[i]);
        if (i == 4) {
            EXPECT_GT(here.top, before.bottom);
            EXPECT_LT(here.left, before.left);
        } else {
            EXPECT_EQ(here.top, before.top);
            EXPECT_GT(here.left, before.right - 1);
        }
    }
    saveScreenshot(picker, "weekday-picker");
    press(picker, "取消");
    ASSERT_TRUE(waitForReturn());
}

TEST_F(EditorDialogsTest, CancellingAPickerGivesNothingEvenAfterAChange) {
    struct Case {
        const wchar_t* windowClass;
        const char* cancel;  // the button, or nullptr for the close box
    };
    const Case cases[] = {
        {L"CorvalloWeekdayPicker", "取消"},
        {L"CorvalloWeekdayPicker", nullptr},
        {L"CorvalloDatePicker", "关闭"},
        {L"CorvalloDatePicker", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(narrow(c.windowClass) + " " + (c.cancel != nullptr ? c.cancel : "close box"));
        const bool weekdays = std::wstring(c.windowClass) == L"CorvalloWeekdayPicker";
        bool gaveSomething = true;
        open([&] {
            if (weekdays) {
                gaveSomething = dialogs_.pickWeekdays(nullptr, WeekdayChecks{}).has_value();
            } else {
                gaveSomething = dialogs_.pickDate(nullptr, CalendarDate{2014, 8, 5}).has_value();
            }
        });
        HWND picker = waitForWindow(ui_.id(), c.windowClass);
        ASSERT_NE(picker, nullptr);
        if (weekdays) {
            press(picker, "星期三");
        } else {
            SYSTEMTIME day{};
            day.wYear = 2015;
            day.wMonth = 3;
            day.wDay = 9;
            ui_.run([&] {
                SendDlgItemMessageW(picker, ui::DatePickerWindow::kDateBox, DTM_SETSYSTEMTIME, GDT_VALID,
                                    reinterpret_cast<LPARAM>(&day));
            });
        }
        if (c.cancel != nullptr) {
            press(picker, c.cancel);
        } else {
            PostMessageW(picker, WM_CLOSE, 0, 0);
        }
        ASSERT_TRUE(waitForReturn());
        EXPECT_FALSE(IsWindow(picker));
        EXPECT_FALSE(gaveSomething);
    }
}

TEST_F(EditorDialogsTest, DatePickerGivesTheDaySetInItsBox) {
    std::optional<CalendarDate> chosen;
    open([&] { chosen = dialogs_.pickDate(nullptr, CalendarDate{2020, 2, 29}); });
    HWND picker = waitForWindow(ui_.id(), L"CorvalloDatePicker");
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(windowText(picker), "选择一个日期");
    HWND box = GetDlgItem(picker, ui::DatePickerWindow::kDateBox);
    SYSTEMTIME day{};
    ui_.run([&] { SendMessageW(box, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&day)); });
    EXPECT_EQ(day.wYear, 2020);
    EXPECT_EQ(day.wMonth, 2);
    EXPECT_EQ(day.wDay, 29);
    saveScreenshot(picker, "date-picker");

    // A day in the past is taken as well.
    day = SYSTEMTIME{};
    day.wYear = 2014;
    day.wMonth = 8;
    day.wDay = 5;
    ui_.run([&] { SendMessageW(box, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&day)); });
    press(picker, "确定");
    ASSERT_TRUE(waitForReturn());
    EXPECT_FALSE(IsWindow(picker));
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, (CalendarDate{2014, 8, 5}));
    EXPECT_EQ(ui::model::dateLinkText(*chosen), "2014年8月5日");
    EXPECT_EQ(ui::model::dateSummaryText(*chosen), "2014-8-5");
}

TEST_F(EditorDialogsTest, DatePickerStartsOnTodayWhenGivenNoRealDate) {
    SYSTEMTIME before{};
    GetLocalTime(&before);
    std::optional<CalendarDate> chosen;
    open([&] { chosen = dialogs_.pickDate(nullptr, CalendarDate{2014, 2, 30}); });
    HWND picker = waitForWindow(ui_.id(), L"CorvalloDatePicker");
    ASSERT_NE(picker, nullptr);
    press(picker, "确定");
    ASSERT_TRUE(waitForReturn());
    SYSTEMTIME after{};
    GetLocalTime(&after);
    ASSERT_TRUE(chosen.has_value());
    // Around midnight the day may turn while the picker is open.
    const CalendarDate today{before.wYear, before.wMonth, before.wDay};
    const CalendarDate tomorrow{after.wYear, after.wMonth, after.wDay};
    EXPECT_TRUE(*chosen == today || *chosen == tomorrow) << ui::model::dateSummaryText(*chosen);
}

TEST_F(EditorDialogsTest, LocationWindowRefusesAnEmptyOrListedPathAndStaysOpen) {
    struct Case {
        std::string typed;
        std::string message;
    };
    const Case cases[] = {
        {"", "请填入一个有效的路径！"},
        {"D:\\Backup", "列表中已存在一个相同的项目，不能重复添加！"},
        {"C:\\照片", "列表中已存在一个相同的项目，不能重复添加！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        std::vector<std::string> items = {"D:\\Backup", "C:\\照片"};
        bool added = true;
        open([&] { added = dialogs_.addLocation(nullptr, ui::model::EditorList::Destinations, items); });
        HWND dialog = waitForWindow(ui_.id(), L"CorvalloLocation");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(windowText(dialog), "添加一个位置");
        HWND box = GetDlgItem(dialog, ui::LocationWindow::kLocationBox);
        EXPECT_EQ(windowText(box), "");
        type(box, c.typed);
        click(childWithText(dialog, "确定"));
        std::optional<MessageBoxSeen> refusal = waitForMessageBox(ui_.id());
        ASSERT_TRUE(refusal.has_value());
        EXPECT_EQ(refusal->caption, "错误");
        EXPECT_EQ(refusal->text, c.message);
        answer(*refusal, IDOK);
        ui_.flush();
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_EQ(windowText(box), c.typed);
        press(dialog, "取消");
        ASSERT_TRUE(waitForReturn());
        EXPECT_FALSE(added);
        EXPECT_EQ(items, (std::vector<std::string>{"D:\\Backup", "C:\\照片"}));
    }
}

TEST_F(EditorDialogsTest, LocationWindowAppendsAnyOtherTypedPathAndCloses) {
    // Only identical texts count as listed; a folder need not exist.
    for (const std::string typed : {"d:\\backup", "D:\\Backup\\", "X:\\不存在\\的文件夹", " D:\\Backup"}) {
        SCOPED_TRACE(typed);
        std::vector<std::string> items = {"D:\\Backup", "E:\\"};
        bool added = false;
        open([&] { added = dialogs_.addLocation(nullptr, ui::model::EditorList::Sources, items); });
        HWND dialog = waitForWindow(ui_.id(), L"CorvalloLocation");
        ASSERT_NE(dialog, nullptr);
        type(GetDlgItem(dialog, ui::LocationWindow::kLocationBox), typed);
        press(dialog, "确定");
        ASSERT_TRUE(waitForReturn());
        EXPECT_TRUE(windowsOfThread(ui_.id(), L"#32770").empty());
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_TRUE(added);
        EXPECT_EQ(items, (std::vector<std::string>{"D:\\Backup", "E:\\", typed}));
    }
}

TEST_F(EditorDialogsTest, BrowsingFillsTheLocationBoxUnlessCancelled) {
    std::vector<std::string> items;
    bool added = false;
    open([&] { added = dialogs_.addLocation(nullptr, ui::model::EditorList::Sources, items); });
    HWND dialog = waitForWindow(ui_.id(), L"CorvalloLocation");
    ASSERT_NE(dialog, nullptr);
    HWND box = GetDlgItem(dialog, ui::LocationWindow::kLocationBox);
    type(box, "typed first");

    shell_.browsedFolder = "E:\\我的照片\\2014";
    press(dialog, "浏览...");
    EXPECT_EQ(windowText(box), "E:\\我的照片\\2014");
    EXPECT_EQ(shell_.calls, (std::vector<std::string>{"browse 选择一个有效的位置："}));
    EXPECT_EQ(shell_.browseOwner, static_cast<void*>(dialog));
    saveScreenshot(dialog, "location-window");

    shell_.browsedFolder.reset();
    press(dialog, "浏览...");
    EXPECT_EQ(windowText(box), "E:\\我的照片\\2014");
    EXPECT_EQ(shell_.calls.size(), 2u);
    EXPECT_TRUE(items.empty());

    press(dialog, "确定");
    ASSERT_TRUE(waitForReturn());
    EXPECT_TRUE(added);
    EXPECT_EQ(items, (std::vector<std::string>{"E:\\我的照片\\2014"}));
}

std::vector<std::string> comboEntries(HWND combo) {
    std::vector<std::string> entries;
    const auto count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.push_back(narrow(text));
    }
    return entries;
}

TEST_F(EditorDialogsTest, FileTypePresetsAreAppendedEachTimeTheyAreChosen) {
    struct Case {
        int listIndex;      // picked from the box's list, or -1
        std::string typed;  // typed instead
        std::vector<std::string> appended;
    };
    const Case cases[] = {
        {5, "", {"*.exe", "*.com", "*.scr", "*.ims"}},
        {-1, "常见应用文件", {"*.exe", "*.com", "*.scr", "*.ims"}},
        {6, "", {"*.*"}},
        {1, "", {"*.bmp", "*.jpg", "*.jpeg", "*.png", "*.gif", "*.raw"}},
        {-1, "*.psd", {"*.psd"}},
    };
    // One list across the cases, as in one editor: nothing already listed is skipped.
    std::vector<std::string> items = {"*.doc"};
    std::vector<std::string> expected = items;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.listIndex >= 0 ? std::to_string(c.listIndex) : c.typed);
        bool added = false;
        open([&] { added = dialogs_.addFileTypes(nullptr, items); });
        HWND dialog = waitForWindow(ui_.id(), L"CorvalloFileType");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(windowText(dialog), "添加一个文件类型");
        HWND box = GetDlgItem(dialog, ui::FileTypeWindow::kFileTypeBox);
        EXPECT_EQ(windowText(box), "");
        EXPECT_EQ(comboEntries(box), (std::vector<std::string>{"常见文档格式", "常见图片格式", "常见音乐格式", "常见视频格式",
                                                               "常见代码文件", "常见应用文件", "全部文件类型"}));
        if (c.listIndex >= 0) {
            SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(c.listIndex), 0);
        } else {
            type(box, c.typed);
        }
        if (c.listIndex == 5) saveScreenshot(dialog, "file-type-window");
        press(dialog, "确定");
        ASSERT_TRUE(waitForReturn());
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_TRUE(added);
        expected.insert(expected.end(), c.appended.begin(), c.appended.end());
        EXPECT_EQ(items, expected);
    }
}

TEST_F(EditorDialogsTest, FileTypeWindowRefusesATextWithoutADot) {
    for (const std::string typed : {"", "doc", "常见文档"}) {
        SCOPED_TRACE(typed);
        std::vector<std::string> items = {"*.txt"};
        bool added = true;
        open([&] { added = dialogs_.addFileTypes(nullptr, items); });
        HWND dialog = waitForWindow(ui_.id(), L"CorvalloFileType");
        ASSERT_NE(dialog, nullptr);
        HWND box = GetDlgItem(dialog, ui::FileTypeWindow::kFileTypeBox);
        type(box, typed);
        click(childWithText(dialog, "确定"));
        std::optional<MessageBoxSeen> refusal = waitForMessageBox(ui_.id());
        ASSERT_TRUE(refusal.has_value());
        EXPECT_EQ(refusal->caption, "错误");
        EXPECT_EQ(refusal->text, "请输入一个有效的文件类型扩展名！");
        answer(*refusal, IDOK);
        ui_.flush();
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_EQ(windowText(box), typed);
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        ASSERT_TRUE(waitForReturn());
        EXPECT_FALSE(added);
        EXPECT_EQ(items, (std::vector<std::string>{"*.txt"}));
    }
}

}  // namespace
}  // namespace corvallo::testing
