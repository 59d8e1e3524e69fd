#include "ui/prompter.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace corvallo::ui {

using platform::win32::widen;

namespace {

int ask(std::string_view text, std::string_view caption, UINT kind) {
    return MessageBoxW(nullptr, widen(text).c_str(), widen(caption).c_str(), kind | MB_TASKMODAL);
}

}  // namespace

bool MessageBoxPrompter::confirm(std::string_view text, std::string_view caption) {
    return ask(text, caption, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

void MessageBoxPrompter::refuse(std::string_view text) { ask(text, "错误", MB_OK | MB_ICONERROR); }

void MessageBoxPrompter::inform(std::string_view text, std::string_view caption) {
    ask(text, caption, MB_OK | MB_ICONINFORMATION);
}

}  // namespace corvallo::ui
