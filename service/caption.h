#pragma once
// The countdown notice's caption protocol: an action word, "|", and a force word ("强制" forces).

#include <optional>
#include <string>
#include <string_view>

#include "core/task.h"

namespace corvallo::service {

inline constexpr std::string_view kForceWord = "强制";

// One known action: the word of the caption and what the notice says about it.
struct ActionWords {
    PostAction action;
    std::string_view word;
    std::string_view title;
    std::string_view description;
};

// The entry for a post action (values 0 to 5), or nullptr.
const ActionWords* actionWordsFor(std::int32_t postAction);
// The entry for an action word, or nullptr.
const ActionWords* actionWordsFor(std::string_view word);

// The caption a worker sends for a post action ("关机|强制"); none for a value outside 0 to 5.
std::optional<std::string> captionFor(std::int32_t postAction);

struct Caption {
    std::string action;  // the first part; may name no known action
    bool force = false;
};

// The caption split at "|"; none unless that gives exactly two parts.
std::optional<Caption> parseCaption(std::string_view caption);

}  // namespace corvallo::service
