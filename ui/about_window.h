#pragma once
// "关于 Pennavo（Corvallo）": the version line, what the program is for, the maker's links.

#include <functional>
#include <string>

#include "ui/win/handles.h"
#include "ui/win/links.h"
#include "ui/win/window.h"

namespace corvallo::ui {

inline constexpr const char* kProductWebPage = "https://corvallo.example.org/";
inline constexpr const char* kMakerMail = "mailto:pennavo@example.org";

class AboutWindow : public Window {
public:
    enum Control : int { kIcon = 3101, kText, kWebLink, kMailLink, kOk };

    // `openLink` opens a web page or a mail link through the shell.
    explicit AboutWindow(std::function<void(const std::string&)> openLink) : openLink_(std::move(openLink)) {}
    bool create(HWND owner);

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::function<void(const std::string&)> openLink_;
    LinkStyle links_;
    OwnedIcon icon_;
};

}  // namespace corvallo::ui
