// The countdown notice a worker asks for: shown by the window side, its texts and place, and what
// happens at 0, on "立即执行！" and on "取消".
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "tests/windows/ui/program_fixture.h"
#include "ui/countdown_window.h"

namespace corvallo::testing {
namespace {

using ui::CountdownWindow;

class NoticeTest : public ProgramFixture {
protected:
    void SetUp() override {
        writeSettings("[system]\r\nautoon=0\r\n");
        start();
    }
    // A worker asking for the notice; it returns when the notice has closed.
    void ask(const std::string& caption) {
        returned_ = false;
        worker_ = std::jthread([this, caption](std::stop_token stop) {
            observer_.showNotice(caption, stop);
            returned_ = true;
        });
    }
    // The notice, with its own second timer stopped: the test gives the ticks.
    HWND waitForNotice() {
        HWND notice = waitForWindow(ui_.id(), L"CorvalloCountdown");
        if (notice != nullptr) ui_.run([notice] { KillTimer(notice, 1); });
        return notice;
    }
    std::string label(HWND notice, int id) { return windowText(GetDlgItem(notice, id)); }
    void tick(HWND notice) { SendMessageW(notice, WM_TIMER, 1, 0); }

    std::atomic<bool> returned_{false};
    std::jthread worker_;
};

TEST_F(NoticeTest, ShowsTheActionsTextsAtTheBottomRightAndCancelDoesNothing) {
    ask("关机|强制");
    HWND notice = waitForNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(label(notice, CountdownWindow::kTitle), "系统即将关机！");
    EXPECT_EQ(label(notice, CountdownWindow::kDescription), "请立即保存当前的工作，倒计时结束后将会执行预定的操作！");
    EXPECT_EQ(label(notice, CountdownWindow::kRemaining), "剩余时间：30 秒");
    EXPECT_EQ(SendDlgItemMessageW(notice, CountdownWindow::kProgress, PBM_GETPOS, 0, 0), 300);

    RECT frame{};
    GetWindowRect(notice, &frame);
    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    EXPECT_EQ(frame.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(frame.bottom, workArea.bottom);
    saveScreenshot(notice, "countdown-window");

    tick(notice);
    EXPECT_EQ(label(notice, CountdownWindow::kRemaining), "剩余时间：29 秒");
    EXPECT_EQ(SendDlgItemMessageW(notice, CountdownWindow::kProgress, PBM_GETPOS, 0, 0), 290);
    EXPECT_FALSE(returned_);

    click(GetDlgItem(notice, CountdownWindow::kCancel));
    ASSERT_TRUE(waitUntil([&] { return returned_.load(); }));
    EXPECT_FALSE(IsWindow(notice));
    EXPECT_TRUE(recorded_.snapshotPower().empty());
}

TEST_F(NoticeTest, TheActionRunsAtZeroOrAtOnceAndOnlyOnce) {
    struct Case {
        std::string caption;
        bool now;  // "立即执行！" instead of waiting for 0
        std::vector<std::string> calls;
        std::string title;
    };
    const Case cases[] = {
        {"关机|强制", false, {"privilege", "shut down forced"}, "系统即将关机！"},
        {"关机|不强制", false, {"privilege", "shut down"}, "系统即将关机！"},
        {"重启|强制", true, {"privilege", "restart forced"}, "系统即将重启！"},
        {"关闭屏幕|强制", true, {"screen off"}, "系统即将关闭屏幕！"},
        {"无操作|强制", true, {}, "已完成备份操作！"},
        {"无操作|强制", false, {}, "已完成备份操作！"},
        {"关机|强制|多余", false, {}, "系统即将关机！"},
        {"", true, {}, "系统即将关机！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption + (c.now ? " now" : " at 0"));
        {
            std::lock_guard lock(recorded_.mutex);
            recorded_.powerCalls.clear();
        }
        ask(c.caption);
        HWND notice = waitForNotice();
        ASSERT_NE(notice, nullptr);
        EXPECT_EQ(label(notice, CountdownWindow::kTitle), c.title);
        if (c.now) {
            click(GetDlgItem(notice, CountdownWindow::kCarryOutNow));
        } else {
            for (int second = 0; second < 29; ++second) tick(notice);
            EXPECT_EQ(label(notice, CountdownWindow::kRemaining), "剩余时间：1 秒");
            EXPECT_TRUE(recorded_.snapshotPower().empty());
            tick(notice);
        }
        ASSERT_TRUE(waitUntil([&] { return returned_.load(); }));
        EXPECT_FALSE(IsWindow(notice));
        EXPECT_EQ(recorded_.snapshotPower(), c.calls);
        worker_.join();
    }
}

TEST_F(NoticeTest, NoticesOfSeveralWorkersComeOneAfterAnother) {
    std::atomic<int> done{0};
    std::jthread first([&](std::stop_token stop) {
        observer_.showNotice("无操作|强制", stop);
        ++done;
    });
    HWND notice = waitForNotice();
    ASSERT_NE(notice, nullptr);
    std::jthread second([&](std::stop_token stop) {
        observer_.showNotice("关闭屏幕|强制", stop);
        ++done;
    });
    ui_.flush();
    EXPECT_EQ(windowsOfThread(ui_.id(), L"CorvalloCountdown").size(), 1u);
    click(GetDlgItem(notice, CountdownWindow::kCancel));
    HWND next = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        const auto open = windowsOfThread(ui_.id(), L"CorvalloCountdown");
        next = open.empty() ? nullptr : open.front();
        return next != nullptr && next != notice;
    }));
    EXPECT_EQ(label(next, CountdownWindow::kTitle), "系统即将关闭屏幕！");
    click(GetDlgItem(next, CountdownWindow::kCancel));
    EXPECT_TRUE(waitUntil([&] { return done.load() == 2; }));
}

TEST_F(NoticeTest, AStoppedWorkersNoticeClosesWithoutItsAction) {
    ask("关机|强制");
    HWND notice = waitForNotice();
    ASSERT_NE(notice, nullptr);
    worker_.request_stop();
    ASSERT_TRUE(waitUntil([&] { return returned_.load(); }));
    // The next tick sees the stop and closes without acting.
    tick(notice);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(notice); }));
    EXPECT_TRUE(recorded_.snapshotPower().empty());
}

}  // namespace
}  // namespace corvallo::testing
