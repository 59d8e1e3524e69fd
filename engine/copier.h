#pragma once
// Where the walk hands the copies it has placed: done at once on the walking thread, or by a small
// pool of copy threads. Names are decided before a job is handed over, so both give every file the
// same name.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/transfer.h"

namespace corvallo::engine {

class Copier {
public:
    virtual ~Copier() = default;
    // Walking thread only, in walk order.
    virtual void submit(CopyJob job) = 0;
    // Returns when every job handed over has been copied, has failed, or was dropped after a stop.
    virtual void finish() = 0;
};

// Made, used and dropped on the walking thread.
class InlineCopier : public Copier {
public:
    explicit InlineCopier(CopyContext& context) : context_(context), cache_(context.files.makeCopyCache()) {}
    void submit(CopyJob job) override;
    void finish() override { cache_.reset(); }

private:
    CopyContext& context_;
    std::unique_ptr<platform::CopyCache> cache_;
};

// Copy threads behind a bounded queue: the walk runs at most `capacity` files ahead of the copies, and once
// the queue is full it waits until half of it has been taken.
class CopyPool : public Copier {
public:
    CopyPool(CopyContext& context, int threads, std::size_t capacity = 256);
    ~CopyPool() override;
    CopyPool(const CopyPool&) = delete;
    CopyPool& operator=(const CopyPool&) = delete;
    void submit(CopyJob job) override;
    void finish() override;

private:
    void work();

    CopyContext& context_;
    std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable_any spaceFree_;  // waited for with the run's stop token
    std::deque<CopyJob> queue_;
    int idle_ = 0;              // copy threads waiting for a job
    bool walkWaiting_ = false;  // the walk waits for room
    bool closing_ = false;
    std::vector<std::thread> threads_;
};

// A pool for more than one thread, otherwise copies on the caller's thread.
std::unique_ptr<Copier> makeCopier(CopyContext& context, int threads);

}  // namespace corvallo::engine
