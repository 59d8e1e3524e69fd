// Notices asked for by several workers, shown one at a time by the user-interface thread.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "service/notice_queue.h"

namespace corvallo::service {
namespace {

// The test thread plays the user-interface thread; each asking worker is a thread of its own.
class ServiceNoticeQueueTest : public ::testing::Test {
protected:
    struct Asker {
        std::stop_source stop;
        std::atomic<int> result{-1};  // -1 waiting, 0 stopped, 1 closed
        std::jthread thread;
    };

    void ask(const std::string& caption) {
        Asker& asker = askers_[caption];
        asker.thread = std::jthread([this, &asker, caption] { asker.result = queue_.show(caption, asker.stop.get_token()) ? 1 : 0; });
    }
    // Blocks until `count` notices have been queued in all.
    void waitForWakes(int count) {
        std::unique_lock lock(mutex_);
        woken_.wait(lock, [&] { return wakes_ >= count; });
    }
    int finish(const std::string& caption) {
        askers_[caption].thread.join();
        return askers_[caption].result;
    }
    int state(const std::string& caption) { return askers_[caption].result; }

    std::mutex mutex_;
    std::condition_variable woken_;
    int wakes_ = 0;
    NoticeQueue queue_{[this] {
        std::lock_guard lock(mutex_);
        ++wakes_;
        woken_.notify_all();
    }};
    std::map<std::string, Asker> askers_;
};

TEST_F(ServiceNoticeQueueTest, NoticesAreShownOneAfterAnotherAndEachWorkerWaitsForItsOwn) {
    ask("关机|强制");
    ask("待机|强制");
    waitForWakes(2);
    auto first = queue_.next();
    ASSERT_TRUE(first);
    EXPECT_FALSE(queue_.next()) << "a second window while the first is open";
    const std::string other = first->caption == "关机|强制" ? "待机|强制" : "关机|强制";

    queue_.closed(first->id);
    EXPECT_EQ(finish(first->caption), 1);
    EXPECT_EQ(state(other), -1) << "the other worker waits for its own notice";
    auto second = queue_.next();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->caption, other);
    EXPECT_FALSE(queue_.cancelled(second->id));
    queue_.closed(second->id);
    EXPECT_EQ(finish(other), 1);
    EXPECT_FALSE(queue_.next());
}

TEST_F(ServiceNoticeQueueTest, AStoppedWorkersQueuedNoticeIsDroppedAndItsOpenOneCancelled) {
    ask("a|强制");
    waitForWakes(1);
    auto open = queue_.next();
    ASSERT_TRUE(open);
    ask("b|强制");
    waitForWakes(2);

    askers_["b|强制"].stop.request_stop();
    EXPECT_EQ(finish("b|强制"), 0);
    askers_["a|强制"].stop.request_stop();
    EXPECT_EQ(finish("a|强制"), 0);
    EXPECT_TRUE(queue_.cancelled(open->id)) << "the window must close without its action";
    queue_.closed(open->id);
    EXPECT_FALSE(queue_.next()) << "the stopped worker's queued notice was shown";

    ask("c|强制");  // the queue goes on as before
    waitForWakes(3);
    auto next = queue_.next();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->caption, "c|强制");
    EXPECT_FALSE(queue_.cancelled(next->id));
    queue_.closed(next->id);
    EXPECT_EQ(finish("c|强制"), 1);
}

}  // namespace
}  // namespace corvallo::service
