// The options window and the elevation notice before it, opened as the user opens them: when the
// notice shows and what it writes, Bootwire's starts and verbs, and the settings "确定" writes.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <span>

#include "autostart/bootwire.h"
#include "platform/shell.h"
#include "tests/windows/ui/program_fixture.h"
#include "ui/elevation_notice_window.h"
#include "ui/menus.h"
#include "ui/options_window.h"

namespace corvallo::testing {
namespace {

using ui::ElevationNoticeWindow;
using ui::OptionsWindow;

constexpr const wchar_t* kOptionsClass = L"CorvalloOptions";
constexpr const wchar_t* kNoticeClass = L"CorvalloElevationNotice";

std::string bootwireStart(const std::string& directory, const std::string& verb) {
    return "start elevated " + directory + "\\Bootwire.exe " + verb;
}

class OptionsTest : public ProgramFixture {
protected:
    // The settings the program starts with, service stopped so that no worker runs meanwhile.
    void startWith(const std::string& systemLines, int versionCode) {
        writeSettings("[system]\r\nautoon=0\r\n" + systemLines);
        systemInfo_.versionCode = versionCode;
        start();
    }
    std::vector<std::string> shellCalls() {
        std::vector<std::string> calls;
        ui_.run([&] { calls = shell_.calls; });
        return calls;
    }
    std::vector<RecordingShell::Start> bootwireStarts() {
        std::vector<RecordingShell::Start> starts;
        ui_.run([&] { starts = shell_.elevatedStarts; });
        return starts;
    }
    void setVersionCode(int code) {
        ui_.run([&] { systemInfo_.versionCode = code; });
    }
    HWND openOptions() {
        postCommand(mainWindow(), ui::kOptions);
        return waitForWindow(ui_.id(), kOptionsClass);
    }
    bool ticked(HWND window, int id) { return SendDlgItemMessageW(window, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool gone(HWND window) {
        return waitUntil([&] { return !IsWindow(window); });
    }
    // Closing by the frame's close box.
    void closeByTitleBar(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }
    std::string doNotTellMe() { return settingsFile_.readValue(ui::kDoNotTellMeKey, "(none)"); }
    Settings settingsInMemory() {
        Settings settings;
        ui_.run([&] { settings = window_->settings(); });
        return settings;
    }
};

TEST_F(OptionsTest, NoticeComesBeforeBootwireAndTheWindowAndTickingItKeepsItAwayLater) {
    startWith("autostart=1\r\n", 5);
    postCommand(mainWindow(), ui::kOptions);
    HWND notice = waitForWindow(ui_.id(), kNoticeClass);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(windowText(notice), "授权请求");
    EXPECT_EQ(windowText(GetDlgItem(notice, ElevationNoticeWindow::kHeading)), "打开“选项”功能需要获得管理员权限！");
    const std::string explanation = windowText(GetDlgItem(notice, ElevationNoticeWindow::kExplanation));
    EXPECT_EQ(explanation.rfind("由于较新版本Windows系统的限制，Corvallo设置开机启动需要使用管理员权限，", 0), 0u);
    EXPECT_NE(explanation.find("请点击上面的“是”按钮授予Corvallo相应的权限，"), std::string::npos);
    EXPECT_EQ(windowText(GetDlgItem(notice, ElevationNoticeWindow::kDoNotShowAgain)), "下次不再显示本提示");
    EXPECT_FALSE(ticked(notice, ElevationNoticeWindow::kDoNotShowAgain));
    EXPECT_NE(SendDlgItemMessageW(notice, ElevationNoticeWindow::kIcon, STM_GETICON, 0, 0), 0);
    // Nothing else happens while the notice is up.
    EXPECT_TRUE(shellCalls().empty());
    EXPECT_TRUE(windowsOfThread(ui_.id(), kOptionsClass).empty());
    EXPECT_FALSE(IsWindowEnabled(mainWindow()));
    saveScreenshot(notice, "elevation-notice");

    click(GetDlgItem(notice, ElevationNoticeWindow::kDoNotShowAgain));
    click(childWithText(notice, "确定"));
    HWND options = waitForWindow(ui_.id(), kOptionsClass);
    ASSERT_NE(options, nullptr);
    EXPECT_FALSE(IsWindow(notice));
    EXPECT_EQ(doNotTellMe(), "1");
    EXPECT_EQ(shellCalls(), std::vector<std::string>{bootwireStart(shell_.directory, "bootwire")});
    click(childWithText(options, "取消"));
    ASSERT_TRUE(gone(options));

    // Later openings go straight to the window, and still start Bootwire.
    options = openOptions();
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(windowsOfThread(ui_.id(), kNoticeClass).empty());
    EXPECT_EQ(shellCalls().size(), 2u);
    click(childWithText(options, "取消"));
    ASSERT_TRUE(gone(options));
    EXPECT_TRUE(IsWindowEnabled(mainWindow()));
}

TEST_F(OptionsTest, NoticeLeftUntickedOrClosedByItsFrameShowsAgain) {
    // Text that is not a number reads as 0.
    startWith("donottellme=later\r\n", 6);
    postCommand(mainWindow(), ui::kOptions);
    HWND notice = waitForWindow(ui_.id(), kNoticeClass);
    ASSERT_NE(notice, nullptr);
    closeByTitleBar(notice);
    HWND options = waitForWindow(ui_.id(), kOptionsClass);
    ASSERT_NE(options, nullptr);
    // The frame's close box writes nothing, yet the opening goes on with Bootwire.
    EXPECT_EQ(doNotTellMe(), "later");
    EXPECT_EQ(shellCalls(), std::vector<std::string>{bootwireStart(shell_.directory, "delautostart")});
    click(childWithText(options, "取消"));
    ASSERT_TRUE(gone(options));

    postCommand(mainWindow(), ui::kOptions);
    notice = waitForWindow(ui_.id(), kNoticeClass);
    ASSERT_NE(notice, nullptr);
    click(childWithText(notice, "确定"));
    options = waitForWindow(ui_.id(), kOptionsClass);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(doNotTellMe(), "0");
    click(childWithText(options, "取消"));
    ASSERT_TRUE(gone(options));

    postCommand(mainWindow(), ui::kOptions);
    notice = waitForWindow(ui_.id(), kNoticeClass);
    ASSERT_NE(notice, nullptr);
    closeByTitleBar(notice);
    options = waitForWindow(ui_.id(), kOptionsClass);
    ASSERT_NE(options, nullptr);
    click(childWithText(options, "取消"));
    ASSERT_TRUE(gone(options));
    EXPECT_EQ(shellCalls().size(), 3u);
}

TEST_F(OptionsTest, NoticeOnlyOnWindowsWithConsentAndUntilTheUserSaidNo) {
    struct Case {
        int versionCode;
        std::string doNotTellMeLine;
        bool noticeShown;
    };
    const Case cases[] = {
        {4, "", true},
        {6, "donottellme=0\r\n", true},
        {3, "", false},
        {1, "", false},
        {-1, "", false},
        {6, "donottellme=1\r\n", false},
        {5, "donottellme=7\r\n", false},
    };
    startWith("", 3);
    std::size_t starts = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.versionCode) + " " + c.doNotTellMeLine);
        writeSettings("[system]\r\nautostart=0\r\nautoon=0\r\nautohide=0\r\n" + c.doNotTellMeLine);
        setVersionCode(c.versionCode);
        postCommand(mainWindow(), ui::kOptions);
        if (c.noticeShown) {
            HWND notice = waitForWindow(ui_.id(), kNoticeClass);
            ASSERT_NE(notice, nullptr);
            click(childWithText(notice, "确定"));
        }
        HWND options = waitForWindow(ui_.id(), kOptionsClass);
        ASSERT_NE(options, nullptr);
        EXPECT_TRUE(windowsOfThread(ui_.id(), kNoticeClass).empty());
        // Bootwire starts on every opening, notice or not.
        EXPECT_EQ(shellCalls().size(), ++starts);
        click(childWithText(options, "取消"));
        ASSERT_TRUE(gone(options));
    }
}

TEST_F(OptionsTest, BootwireStartsOnOpeningAndOnConfirmingWithTheVerbOfTheSetting) {
    struct Case {
        std::string name;
        std::string storedAutostart;
        std::function<void(HWND)> finish;
        std::vector<std::string> verbs;
        std::int32_t autostartAfter;
    };
    const std::vector<Case> cases = {
        {"cancel", "1", [](HWND w) { click(childWithText(w, "取消")); }, {"bootwire"}, 1},
        {"title bar", "0", [this](HWND w) { closeByTitleBar(w); }, {"delautostart"}, 0},
        {"escape", "1", [](HWND w) { PostMessageW(w, WM_KEYDOWN, VK_ESCAPE, 0); }, {"bootwire"}, 1},
        // Only exactly 1 counts as on, for the box as for the verb.
        {"confirm unchanged", "2", [](HWND w) { click(childWithText(w, "确定")); },
         {"delautostart", "delautostart"}, 0},
        {"confirm ticked", "0",
         [this](HWND w) {
             click(GetDlgItem(w, OptionsWindow::kStartAtLogon));
             ui_.flush();
             click(childWithText(w, "确定"));
         },
         {"delautostart", "bootwire"}, 1},
        {"confirm unticked", "1",
         [this](HWND w) {
             click(GetDlgItem(w, OptionsWindow::kStartAtLogon));
             ui_.flush();
             click(childWithText(w, "确定"));
         },
         {"bootwire", "delautostart"}, 0},
    };
    startWith("donottellme=1\r\n", 5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeSettings("[system]\r\nautostart=" + c.storedAutostart + "\r\nautoon=0\r\nautohide=0\r\ndonottellme=1\r\n");
        // The settings in memory come from the start-up.
        stop();
        start();
        ui_.run([&] { shell_.calls.clear(); });
        HWND options = openOptions();
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(ticked(options, OptionsWindow::kStartAtLogon), c.storedAutostart == "1");
        c.finish(options);
        ASSERT_TRUE(gone(options));
        std::vector<std::string> expected;
        for (const std::string& verb : c.verbs) expected.push_back(bootwireStart(shell_.directory, verb));
        EXPECT_EQ(shellCalls(), expected);
        EXPECT_EQ(settingsInMemory().autostart, c.autostartAfter);
    }
}

TEST_F(OptionsTest, BootwireBesideTheProgramGetsOneArgumentWhateverTheFolder) {
    startWith("donottellme=1\r\nautostart=1\r\n", 6);
    const std::vector<std::string> folders = {
        "C:\\Program Files (x86)\\Pennavo Corvallo",
        "D:\\备份 工具\\Corvallo",
        "C:\\Corvallo",
    };
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        ui_.run([&] {
            shell_.directory = folder;
            shell_.elevatedStarts.clear();
        });
        HWND options = openOptions();
        ASSERT_NE(options, nullptr);
        click(childWithText(options, "取消"));
        ASSERT_TRUE(gone(options));
        const std::vector<RecordingShell::Start> starts = bootwireStarts();
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts[0].program, folder + "\\Bootwire.exe");
        EXPECT_EQ(starts[0].argument, "bootwire");
        // The command line Bootwire receives: its own path in quotes, then the parameters the shell got.
        const std::string commandLine = "\"" + starts[0].program + "\" " + platform::quoteArgument(starts[0].argument);
        EXPECT_EQ(autostart::parseArguments(commandLine), std::vector<std::string>{"bootwire"}) << commandLine;
    }
}

TEST_F(OptionsTest, ConfirmWritesTheThreeSettingsAndKeepsTheOtherLines) {
    startWith("autostart=0\r\nautohide=0\r\ndonottellme=1\r\nlanguage=zh\r\n", 5);
    HWND options = openOptions();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(windowText(options), "选项");
    EXPECT_FALSE(ticked(options, OptionsWindow::kStartAtLogon));
    EXPECT_FALSE(ticked(options, OptionsWindow::kStartService));
    EXPECT_FALSE(ticked(options, OptionsWindow::kStartHidden));
    HWND multiThreaded = GetDlgItem(options, OptionsWindow::kMultiThreaded);
    EXPECT_EQ(windowText(multiThreaded), "多线程处理备份任务（强制启用）");
    EXPECT_TRUE(ticked(options, OptionsWindow::kMultiThreaded));
    EXPECT_FALSE(IsWindowEnabled(multiThreaded));
    EXPECT_FALSE(IsWindowEnabled(mainWindow()));
    saveScreenshot(options, "options-window");

    for (int id : {int{OptionsWindow::kStartAtLogon}, int{OptionsWindow::kStartService},
                   int{OptionsWindow::kStartHidden}}) {
        click(GetDlgItem(options, id));
    }
    ui_.flush();
    click(childWithText(options, "确定"));
    ASSERT_TRUE(gone(options));

    const Settings expected{1, 1, 1};
    EXPECT_EQ(loadSettings(settingsFile_), expected);
    EXPECT_EQ(settingsInMemory(), expected);
    EXPECT_EQ(doNotTellMe(), "1");
    EXPECT_EQ(settingsFile_.readValue("language", ""), "zh");

    // The next opening shows what was confirmed; unticking two and confirming writes 0 for them.
    options = openOptions();
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(ticked(options, OptionsWindow::kStartAtLogon));
    EXPECT_TRUE(ticked(options, OptionsWindow::kStartService));
    EXPECT_TRUE(ticked(options, OptionsWindow::kStartHidden));
    click(GetDlgItem(options, OptionsWindow::kStartService));
    click(GetDlgItem(options, OptionsWindow::kStartHidden));
    ui_.flush();
    click(childWithText(options, "确定"));
    ASSERT_TRUE(gone(options));
    EXPECT_EQ(loadSettings(settingsFile_), (Settings{1, 0, 0}));
    EXPECT_EQ(doNotTellMe(), "1");
}

TEST_F(OptionsTest, CancelLeavesTheFileAndTheSettingsAsTheyWere) {
    startWith("autostart=1\r\nautohide=1\r\ndonottellme=1\r\n", 5);
    const std::string before = fileBytes(kSettingsFileName);
    const Settings inMemory = settingsInMemory();
    HWND options = openOptions();
    ASSERT_NE(options, nullptr);
    for (int id : {int{OptionsWindow::kStartAtLogon}, int{OptionsWindow::kStartService},
                   int{OptionsWindow::kStartHidden}}) {
        click(GetDlgItem(options, id));
    }
    ui_.flush();
    click(childWithText(options, "取消"));
    ASSERT_TRUE(gone(options));
    EXPECT_EQ(fileBytes(kSettingsFileName), before);
    EXPECT_EQ(settingsInMemory(), inMemory);
}

TEST_F(OptionsTest, RefusedConsentIsNotReportedAndTheChoiceIsStillSaved) {
    startWith("autostart=0\r\ndonottellme=1\r\n", 6);
    ui_.run([&] { shell_.programsStart = false; });
    HWND options = openOptions();
    ASSERT_NE(options, nullptr);
    click(GetDlgItem(options, OptionsWindow::kStartAtLogon));
    ui_.flush();
    click(childWithText(options, "确定"));
    ASSERT_TRUE(gone(options));
    EXPECT_FALSE(waitForMessageBox(ui_.id(), 300ms));
    EXPECT_EQ(loadSettings(settingsFile_).autostart, 1);
    EXPECT_EQ(bootwireStarts().size(), 2u);
}

// Presses keys in the menu being tracked: `downs` times down, then Enter.
void chooseInMenu(HWND menuOrOwner, int downs) {
    for (int i = 0; i < downs; ++i) PostMessageW(menuOrOwner, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menuOrOwner, WM_KEYDOWN, VK_RETURN, 0);
}

// How many entries, separators left out, come before the command: the downs that reach it.
int downsTo(std::span<const ui::MenuEntry> entries, int command) {
    int downs = 0;
    for (const ui::MenuEntry& entry : entries) {
        if (entry.command == 0) continue;
        ++downs;
        if (entry.command == command) return downs;
    }
    return -1;
}

TEST_F(OptionsTest, OpensFromTheToolbarTheToolsMenuAndTheTrayMenu) {
    startWith("donottellme=1\r\n", 5);
    struct Case {
        std::string name;
        std::function<void()> open;
    };
    const std::vector<Case> cases = {
        {"toolbar",
         [&] {
             HWND toolbar = window_->toolbar().handle();
             const LRESULT index = SendMessageW(toolbar, TB_COMMANDTOINDEX, ui::kOptions, 0);
             RECT button{};
             SendMessageW(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button));
             const LPARAM middle = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
             PostMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, middle);
             PostMessageW(toolbar, WM_LBUTTONUP, 0, middle);
         }},
        {"tools menu",
         [&] {
             // The keyboard way into the menu bar: its first column, then right to "工具".
             int column = 0;
             for (const ui::MenuColumn& c : ui::menuBarColumns()) {
                 if (c.title == "工具") break;
                 ++column;
             }
             // Posted in order: the menu bar's tracking takes the keys that follow from the queue.
             PostMessageW(mainWindow(), WM_SYSCOMMAND, SC_KEYMENU, 0);
             for (int i = 0; i < column; ++i) PostMessageW(mainWindow(), WM_KEYDOWN, VK_RIGHT, 0);
             PostMessageW(mainWindow(), WM_KEYDOWN, VK_DOWN, 0);
             HWND menu = waitForWindow(ui_.id(), L"#32768");
             ASSERT_NE(menu, nullptr);
             const ui::MenuColumn tools = ui::menuBarColumns()[static_cast<std::size_t>(column)];
             ASSERT_EQ(menuWindowEntries(menu)[0], "选项...");
             chooseInMenu(menu, downsTo(tools.entries, ui::kOptions) - 1);
         }},
        {"tray menu",
         [&] {
             PostMessageW(mainWindow(), ui::kTrayMessage, 1, WM_RBUTTONUP);
             HWND menu = waitForWindow(ui_.id(), L"#32768");
             ASSERT_NE(menu, nullptr);
             chooseInMenu(menu, downsTo(ui::trayMenuEntries(), ui::kOptions));
         }},
    };
    std::size_t starts = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.open();
        HWND options = waitForWindow(ui_.id(), kOptionsClass);
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(windowText(options), "选项");
        EXPECT_FALSE(IsWindowEnabled(mainWindow()));
        EXPECT_EQ(shellCalls().size(), ++starts);
        // The tray menu still answers meanwhile; asking again must not stack a second window.
        postCommand(mainWindow(), ui::kOptions);
        ui_.flush();
        EXPECT_EQ(windowsOfThread(ui_.id(), kOptionsClass), std::vector<HWND>{options});
        EXPECT_EQ(shellCalls().size(), starts);
        click(childWithText(options, "取消"));
        ASSERT_TRUE(gone(options));
        ASSERT_TRUE(waitUntil([&] { return windowsOfThread(ui_.id(), L"#32768").empty(); }));
    }
}

}  // namespace
}  // namespace corvallo::testing
