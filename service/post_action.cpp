#include "service/post_action.h"

#include "service/caption.h"

namespace corvallo::service {

void performPostAction(std::string_view caption, platform::Power& power) {
    const auto parsed = parseCaption(caption);
    if (!parsed) return;
    const ActionWords* words = actionWordsFor(parsed->action);
    if (words == nullptr) return;
    switch (words->action) {
        case PostAction::NoAction: return;
        case PostAction::ScreenOff: power.turnScreenOff(); return;
        default: break;
    }
    if (!power.enableShutdownPrivilege()) return;
    switch (words->action) {
        case PostAction::Standby: power.standBy(parsed->force); break;
        case PostAction::LogOff: power.logOff(parsed->force); break;
        case PostAction::Restart: power.restart(parsed->force); break;
        case PostAction::ShutDown: power.shutDown(parsed->force); break;
        default: break;
    }
}

}  // namespace corvallo::service
