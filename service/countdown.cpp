#include "service/countdown.h"

#include "service/caption.h"

namespace corvallo::service {

std::string remainingTimeText(int seconds) {
    return std::string(kRemainingTimeLabel) + std::to_string(seconds) + " 秒";
}

Countdown::Countdown(std::string caption) : caption_(std::move(caption)) {}

void Countdown::activate() {
    progress_ = kCountdownProgressStart;
    step_ = static_cast<float>(progress_) / static_cast<float>(remaining_);
    if (const auto parsed = parseCaption(caption_)) {
        if (const ActionWords* words = actionWordsFor(parsed->action)) {
            title_ = words->title;
            description_ = words->description;
        }
    }
    remainingText_ = remainingTimeText(remaining_);
}

bool Countdown::tick() {
    if (finished_) return false;
    remaining_ -= 1;
    progress_ = static_cast<int>(static_cast<float>(progress_) - step_);
    remainingText_ = remainingTimeText(remaining_);
    if (remaining_ > 0) return false;
    finished_ = true;
    return true;
}

bool Countdown::carryOutNow() {
    if (finished_) return false;
    finished_ = true;
    return true;
}

void Countdown::cancel() { finished_ = true; }

}  // namespace corvallo::service
