#include "service/caption.h"

#include <array>

#include "core/text/text_rules.h"

namespace corvallo::service {

namespace {

constexpr std::string_view kActionComing = "请立即保存当前的工作，倒计时结束后将会执行预定的操作！";

constexpr std::array<ActionWords, 6> kActions{{
    {PostAction::NoAction, "无操作", "已完成备份操作！", "系统已按照您的要求完成了备份操作，本消息将在倒计时结束后自动关闭！"},
    {PostAction::ScreenOff, "关闭屏幕", "系统即将关闭屏幕！", kActionComing},
    {PostAction::Standby, "待机", "系统即将待机！", kActionComing},
    {PostAction::LogOff, "注销", "系统即将注销！", kActionComing},
    {PostAction::Restart, "重启", "系统即将重启！", kActionComing},
    {PostAction::ShutDown, "关机", "系统即将关机！", kActionComing},
}};

}  // namespace

const ActionWords* actionWordsFor(std::int32_t postAction) {
    for (const auto& entry : kActions) {
        if (static_cast<std::int32_t>(entry.action) == postAction) return &entry;
    }
    return nullptr;
}

const ActionWords* actionWordsFor(std::string_view word) {
    for (const auto& entry : kActions) {
        if (entry.word == word) return &entry;
    }
    return nullptr;
}

std::optional<std::string> captionFor(std::int32_t postAction) {
    const ActionWords* entry = actionWordsFor(postAction);
    if (entry == nullptr) return std::nullopt;
    return std::string(entry->word) + "|" + std::string(kForceWord);
}

std::optional<Caption> parseCaption(std::string_view caption) {
    auto parts = text::splitText(caption, '|');
    if (parts.size() != 2) return std::nullopt;
    return Caption{std::move(parts[0]), parts[1] == kForceWord};
}

}  // namespace corvallo::service
