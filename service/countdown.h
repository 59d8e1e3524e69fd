#pragma once
// The countdown notice apart from its window: what it shows and when it acts. The window owns one and
// forwards its events to it; user-interface thread only.

#include <string>
#include <string_view>

namespace corvallo::service {

inline constexpr int kCountdownSeconds = 30;
inline constexpr int kCountdownProgressStart = 300;  // the progress bar runs from 0 to this
// What the window shows until a caption names a known action.
inline constexpr std::string_view kCountdownInitialTitle = "系统即将关机！";
inline constexpr std::string_view kCountdownInitialDescription =
    "系统已按照您的要求完成了备份操作，本消息将倒计时结束后自动关闭！";
inline constexpr std::string_view kRemainingTimeLabel = "剩余时间：";

// "剩余时间：29 秒"
std::string remainingTimeText(int seconds);

class Countdown {
public:
    // The caption must be in place before the window is first activated.
    explicit Countdown(std::string caption);

    // First activation: the progress bar at its start and the step it falls by per second, the texts
    // for the caption's action (the initial ones when it names none), and the full remaining time.
    void activate();
    // One timer tick (1 s). True once, on the tick that reaches 0: carry out the action and close.
    bool tick();
    // "立即执行！": true when the action is still to be carried out (then close).
    bool carryOutNow();
    // "取消", or the window closed any other way: no action, now or later.
    void cancel();
    bool finished() const { return finished_; }

    const std::string& caption() const { return caption_; }
    std::string_view title() const { return title_; }
    std::string_view description() const { return description_; }
    const std::string& remainingText() const { return remainingText_; }
    int remainingSeconds() const { return remaining_; }
    int progress() const { return progress_; }

private:
    std::string caption_;
    std::string_view title_ = kCountdownInitialTitle;
    std::string_view description_ = kCountdownInitialDescription;
    std::string remainingText_{kRemainingTimeLabel};
    int remaining_ = kCountdownSeconds;
    int progress_ = 0;
    float step_ = 0;
    bool finished_ = false;
};

}  // namespace corvallo::service
