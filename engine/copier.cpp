#include "engine/copier.h"

namespace corvallo::engine {

void InlineCopier::submit(CopyJob job) { runCopyJob(job, context_); }

CopyPool::CopyPool(CopyContext& context, int threads, std::size_t capacity) : context_(context), capacity_(capacity) {
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

CopyPool::~CopyPool() { finish(); }

void CopyPool::submit(CopyJob job) {
    std::unique_lock lock(mutex_);
    // A stop drops the job: the copy threads would only discard it.
    if (!spaceFree_.wait(lock, context_.stop, [this] { return queue_.size() < capacity_; })) return;
    queue_.push_back(std::move(job));
    jobReady_.notify_one();
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
    for (;;) {
        CopyJob job;
        {
            std::unique_lock lock(mutex_);
            jobReady_.wait(lock, [this] { return !queue_.empty() || closing_; });
            if (queue_.empty()) return;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        spaceFree_.notify_one();
        runCopyJob(job, context_);  // after a stop this returns at once without counting the file
    }
}

std::unique_ptr<Copier> makeCopier(CopyContext& context, int threads) {
    if (threads > 1) return std::make_unique<CopyPool>(context, threads);
    return std::make_unique<InlineCopier>(context);
}

}  // namespace corvallo::engine
