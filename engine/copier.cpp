#include "engine/copier.h"

namespace corvallo::engine {

void InlineCopier::submit(CopyJob job) { runCopyJob(job, context_, cache_.get()); }

CopyPool::CopyPool(CopyContext& context, int threads, std::size_t capacity) : context_(context), capacity_(capacity) {
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

CopyPool::~CopyPool() { finish(); }

void CopyPool::submit(CopyJob job) {
    std::unique_lock lock(mutex_);
    if (queue_.size() >= capacity_) {
        // Full: wait until the copies have taken half of it, so that the walk wakes once per half queue rather
        // than once per file (under Wine every wake-up, and every wait on a stop token, is a trip to the server).
        const bool room = spaceFree_.wait(lock, context_.stop, [this] {
            if (queue_.size() <= capacity_ / 2) return true;
            walkWaiting_ = true;
            return false;
        });
        // A stop drops the job: the copy threads would only discard it.
        if (!room) return;
    }
    queue_.push_back(std::move(job));
    if (idle_ > 0) jobReady_.notify_one();
}

void CopyPool::finish() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    jobReady_.notify_all();
    for (auto& thread : threads_) {
        if (thread.joinable()) thread.join();
    }
    threads_.clear();
}

void CopyPool::work() {
    // Each thread keeps its own, dropped when the thread ends, before the run goes on to pack or remove folders.
    auto cache = context_.files.makeCopyCache();
    for (;;) {
        CopyJob job;
        bool wakeWalk = false;
        {
            std::unique_lock lock(mutex_);
            if (queue_.empty() && !closing_) {
                ++idle_;
                jobReady_.wait(lock, [this] { return !queue_.empty() || closing_; });
                --idle_;
            }
            if (queue_.empty()) return;
            job = std::move(queue_.front());
            queue_.pop_front();
            if (walkWaiting_ && queue_.size() <= capacity_ / 2) {
                walkWaiting_ = false;
                wakeWalk = true;
            }
        }
        if (wakeWalk) spaceFree_.notify_one();
        runCopyJob(job, context_, cache.get());  // after a stop this returns at once without counting the file
    }
}

std::unique_ptr<Copier> makeCopier(CopyContext& context, int threads) {
    if (threads > 1) return std::make_unique<CopyPool>(context, threads);
    return std::make_unique<InlineCopier>(context);
}

}  // namespace corvallo::engine
