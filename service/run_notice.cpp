#include "service/run_notice.h"

#include "service/caption.h"

namespace corvallo::service {

void showRunNotice(const BackupTask& task, ServiceObserver& observer, std::stop_token stop) {
    if (task.notify != 1) return;
    if (const auto caption = captionFor(task.postAction)) observer.showNotice(*caption, std::move(stop));
}

}  // namespace corvallo::service
