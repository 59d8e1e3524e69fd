#pragma once
// A ServiceObserver that counts list changes and writes down the notices asked for. A notice closes at
// once unless `onNotice` holds it (it runs on the asking worker's thread).

#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "service/observer.h"

namespace corvallo::testing {

class RecordingObserver : public service::ServiceObserver {
public:
    void taskListChanged() override {
        std::lock_guard lock(mutex_);
        ++listChanges_;
    }
    void showNotice(const std::string& caption, std::stop_token stop) override {
        std::function<void(const std::string&, std::stop_token)> hook;
        {
            std::lock_guard lock(mutex_);
            notices_.push_back(caption);
            hook = onNotice;
        }
        if (hook) hook(caption, std::move(stop));
    }

    int listChanges() const {
        std::lock_guard lock(mutex_);
        return listChanges_;
    }
    std::vector<std::string> notices() const {
        std::lock_guard lock(mutex_);
        return notices_;
    }

    // Set before the service starts.
    std::function<void(const std::string&, std::stop_token)> onNotice;

private:
    mutable std::mutex mutex_;
    int listChanges_ = 0;
    std::vector<std::string> notices_;
};

}  // namespace corvallo::testing
