#include "service/notice_queue.h"

#include <algorithm>

namespace corvallo::service {

NoticeQueue::NoticeQueue(std::function<void()> wake) : wake_(std::move(wake)) {}

bool NoticeQueue::show(std::string caption, std::stop_token stop) {
    std::unique_lock lock(mutex_);
    const std::uint64_t id = nextId_++;
    waiting_.push_back(Notice{id, std::move(caption)});
    lock.unlock();
    if (wake_) wake_();
    lock.lock();
    const bool closed = changed_.wait(lock, stop, [&] { return closed_.count(id) != 0; });
    if (closed) {
        closed_.erase(id);
        return true;
    }
    auto queued = std::find_if(waiting_.begin(), waiting_.end(), [id](const Notice& n) { return n.id == id; });
    if (queued != waiting_.end()) {
        waiting_.erase(queued);
    } else if (open_ == id) {
        cancelled_.insert(id);
    }
    return false;
}

std::optional<NoticeQueue::Notice> NoticeQueue::next() {
    std::lock_guard lock(mutex_);
    if (open_ || waiting_.empty()) return std::nullopt;
    Notice notice = std::move(waiting_.front());
    waiting_.pop_front();
    open_ = notice.id;
    return notice;
}

bool NoticeQueue::cancelled(std::uint64_t id) const {
    std::lock_guard lock(mutex_);
    return cancelled_.count(id) != 0;
}

void NoticeQueue::closed(std::uint64_t id) {
    {
        std::lock_guard lock(mutex_);
        if (open_ != id) return;
        open_.reset();
        // A stopped worker no longer waits for its notice.
        if (cancelled_.erase(id) == 0) closed_.insert(id);
    }
    changed_.notify_all();
}

}  // namespace corvallo::service
