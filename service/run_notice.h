#pragma once
// The notice after a run.

#include <stop_token>

#include "core/task.h"
#include "service/observer.h"

namespace corvallo::service {

// When the task's notify is 1 and its postAction is one of the six known values, asks the observer for
// the countdown notice with that action's caption and returns when it has closed (or at the stop);
// otherwise returns at once: no notice, and no post-run action at all. Worker thread, no lock held.
void showRunNotice(const BackupTask& task, ServiceObserver& observer, std::stop_token stop);

}  // namespace corvallo::service
