// The countdown notice: its caption protocol, its texts, its 30 ticks and the action at the end.
#include <gtest/gtest.h>

#include "service/caption.h"
#include "service/countdown.h"
#include "service/post_action.h"
#include "tests/support/recording_power.h"

namespace corvallo::service {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kComing = "请立即保存当前的工作，倒计时结束后将会执行预定的操作！";
constexpr const char* kInitialDescription = "系统已按照您的要求完成了备份操作，本消息将倒计时结束后自动关闭！";

struct CaptionCase {
    std::string caption;
    std::string title;
    std::string description;
    Strings powerCalls;  // what performPostAction does with this caption
};

const CaptionCase kCaptions[] = {
    {"无操作|强制", "已完成备份操作！", "系统已按照您的要求完成了备份操作，本消息将在倒计时结束后自动关闭！", {}},
    {"关闭屏幕|强制", "系统即将关闭屏幕！", kComing, {"screen off"}},
    {"待机|强制", "系统即将待机！", kComing, {"privilege", "stand by forced"}},
    {"注销|强制", "系统即将注销！", kComing, {"privilege", "log off forced"}},
    {"重启|强制", "系统即将重启！", kComing, {"privilege", "restart forced"}},
    {"关机|强制", "系统即将关机！", kComing, {"privilege", "shut down forced"}},
    {"关机|", "系统即将关机！", kInitialDescription, {}},  // one part only: a trailing "|" makes none
    {"关机|不", "系统即将关机！", kComing, {"privilege", "shut down"}},
    {"重启|强制 ", "系统即将重启！", kComing, {"privilege", "restart"}},
    {"关闭屏幕|否", "系统即将关闭屏幕！", kComing, {"screen off"}},
    {"关机|强制|", "系统即将关机！", kComing, {"privilege", "shut down forced"}},
    {"关机|强制|x", "系统即将关机！", kInitialDescription, {}},
    {"关机||强制", "系统即将关机！", kInitialDescription, {}},
    {"", "系统即将关机！", kInitialDescription, {}},
    {"关机", "系统即将关机！", kInitialDescription, {}},
    {"休眠|强制", "系统即将关机！", kInitialDescription, {}},
    {"|强制", "系统即将关机！", kInitialDescription, {}},
};

TEST(ServiceCountdownTest, TheCaptionSetsTheTextsAtFirstActivation) {
    for (const CaptionCase& c : kCaptions) {
        SCOPED_TRACE("caption \"" + c.caption + "\"");
        Countdown countdown(c.caption);
        EXPECT_EQ(countdown.title(), "系统即将关机！");
        EXPECT_EQ(countdown.remainingText(), "剩余时间：");
        countdown.activate();
        EXPECT_EQ(countdown.title(), c.title);
        EXPECT_EQ(countdown.description(), c.description);
        EXPECT_EQ(countdown.remainingText(), "剩余时间：30 秒");
        EXPECT_EQ(countdown.progress(), 300);
    }
}

TEST(ServiceCountdownTest, TheActionFollowsTheCaptionAndItsForceWord) {
    for (const CaptionCase& c : kCaptions) {
        SCOPED_TRACE("caption \"" + c.caption + "\"");
        corvallo::testing::RecordingPower power;
        performPostAction(c.caption, power);
        EXPECT_EQ(power.calls, c.powerCalls);
    }
}

TEST(ServiceCountdownTest, NothingHappensWithoutTheShutDownPrivilege) {
    for (const char* caption : {"待机|强制", "注销|强制", "重启|强制", "关机|强制", "关机|否"}) {
        SCOPED_TRACE(caption);
        corvallo::testing::RecordingPower power;
        power.privilegeGranted = false;
        performPostAction(caption, power);
        EXPECT_EQ(power.calls, Strings{"privilege"});
    }
}

TEST(ServiceCountdownTest, ThirtyTicksCountDownTheTextAndTheBarAndActOnTheLast) {
    Countdown countdown("关机|强制");
    countdown.activate();
    Strings texts;
    std::vector<int> bar;
    std::vector<int> actingTicks;
    for (int tick = 1; tick <= 32; ++tick) {
        if (countdown.tick()) actingTicks.push_back(tick);
        texts.push_back(countdown.remainingText());
        bar.push_back(countdown.progress());
    }
    EXPECT_EQ(actingTicks, std::vector<int>{30});
    Strings expectedTexts;
    std::vector<int> expectedBar;
    for (int remaining = 29; remaining >= 0; --remaining) {
        expectedTexts.push_back("剩余时间：" + std::to_string(remaining) + " 秒");
        expectedBar.push_back(remaining * 10);
    }
    texts.resize(30);
    bar.resize(30);
    EXPECT_EQ(texts, expectedTexts);
    EXPECT_EQ(bar, expectedBar);
    EXPECT_TRUE(countdown.finished());
    EXPECT_FALSE(countdown.carryOutNow()) << "the action ran at 0 already";
}

TEST(ServiceCountdownTest, CarryOutNowActsOnceAndCancelNever) {
    Countdown now("重启|强制");
    now.activate();
    now.tick();
    EXPECT_TRUE(now.carryOutNow());
    EXPECT_FALSE(now.carryOutNow());
    for (int i = 0; i < 40; ++i) EXPECT_FALSE(now.tick());

    Countdown cancelled("重启|强制");
    cancelled.activate();
    cancelled.cancel();
    EXPECT_FALSE(cancelled.carryOutNow());
    for (int i = 0; i < 40; ++i) EXPECT_FALSE(cancelled.tick());
}

TEST(ServiceCountdownTest, WorkersSendTheForcedCaptionOfTheTasksPostAction) {
    const Strings expected = {"无操作|强制", "关闭屏幕|强制", "待机|强制", "注销|强制", "重启|强制", "关机|强制"};
    for (std::int32_t action = 0; action <= 5; ++action) EXPECT_EQ(captionFor(action), expected[action]);
    EXPECT_FALSE(captionFor(-1));
    EXPECT_FALSE(captionFor(6));
}

}  // namespace
}  // namespace corvallo::service
