#pragma once
// The message boxes the program asks and tells with, in one place so that tests can answer them.
// Every box is task-modal and has no owner window. User-interface thread only.

#include <string_view>

namespace corvallo::ui {

class Prompter {
public:
    virtual ~Prompter() = default;
    // Question icon, OK and Cancel: true for OK.
    virtual bool confirm(std::string_view text, std::string_view caption) = 0;
    // A refusal of input: error icon, caption "错误".
    virtual void refuse(std::string_view text) = 0;
    // Information icon, OK.
    virtual void inform(std::string_view text, std::string_view caption) = 0;
};

// The real boxes.
class MessageBoxPrompter : public Prompter {
public:
    bool confirm(std::string_view text, std::string_view caption) override;
    void refuse(std::string_view text) override;
    void inform(std::string_view text, std::string_view caption) override;
};

}  // namespace corvallo::ui
