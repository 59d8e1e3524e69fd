#pragma once
// A message box the editor or one of its dialogs wants shown: the window shows it task-modal without
// an owner (refusals: error icon and OK; questions: question icon, OK and Cancel, only OK proceeds;
// notices: information icon and OK).

#include <string>
#include <utility>

namespace corvallo::ui::model {

enum class MessageIcon { Error, Question, Information };

struct Message {
    MessageIcon icon = MessageIcon::Error;
    std::string title;
    std::string text;

    bool operator==(const Message&) const = default;
};

inline constexpr const char* kErrorTitle = "错误";

inline Message errorMessage(std::string text) { return {MessageIcon::Error, kErrorTitle, std::move(text)}; }

}  // namespace corvallo::ui::model
