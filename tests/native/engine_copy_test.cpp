// Copying one placed file: temporary name, rename, retries, and what failures and stops leave behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/copier.h"
#include "engine/transfer.h"
#include "tests/native/engine_fixture.h"

namespace corvallo::engine {
namespace {

using corvallo::testing::MemoryFiles;
using platform::FileErrorKind;
using namespace std::chrono_literals;

// D:\data holds a small a.doc and a b.doc of several copy pieces; a run copies both to E:\bak.
struct World : testing::EngineFixture {
    World() {
        files.addFile("D:\\data\\a.doc", "alpha");
        files.addFile("D:\\data\\b.doc", std::string(300 * 1024, 'b'));
    }
    RunResult runOnce() {
        task = testing::makeTask({"D:\\data"}, {"*.doc"}, {"E:\\bak"});
        return run(task);
    }
    std::optional<std::string> target(const std::string& name) const {
        return files.content(std::string("E:\\bak\\") + testing::kRun + "\\data\\" + name);
    }
    std::vector<std::string> below() const { return files.filesBelow("E:\\bak"); }
    bool leftovers() const {
        auto all = below();
        return std::any_of(all.begin(), all.end(), [](const std::string& path) { return path.ends_with(kTemporarySuffix); });
    }
    BackupTask task;
};

TEST(EngineCopyTest, ACopyGoesThroughATemporaryNameAndArrivesWhole) {
    World world;
    RunResult result = world.runOnce();
    EXPECT_EQ(result.filesCopied, 2u) << World::describe(result);
    EXPECT_EQ(result.bytesCopied, 5u + 300 * 1024);
    EXPECT_EQ(world.target("a.doc"), "alpha");
    EXPECT_EQ(world.target("b.doc"), std::string(300 * 1024, 'b'));
    ASSERT_EQ(world.files.copyLog().size(), 2u);
    for (const auto& [source, written] : world.files.copyLog()) {
        SCOPED_TRACE(written);
        EXPECT_TRUE(written.ends_with(kTemporarySuffix));
    }
    EXPECT_FALSE(world.leftovers());
    EXPECT_TRUE(result.succeeded());
}

TEST(EngineCopyTest, AFailedCopyLeavesNothingUnderItsNameAndSaysWhatFailed) {
    struct Case {
        std::string name;
        std::function<void(MemoryFiles&)> fault;
        FileErrorKind kind;
        int waits;  // tries after a wait
    };
    const Case cases[] = {
        {"the copy breaks off", [](MemoryFiles& f) { f.inject({"copy", "D:\\data\\b.doc", FileErrorKind::Other, -1}); },
         FileErrorKind::Other, 0},
        {"the disk is full", [](MemoryFiles& f) { f.setCapacity(f.bytesStored() + 100 * 1024); }, FileErrorKind::DiskFull, 0},
        {"the file went after the listing",
         [](MemoryFiles& f) { f.onCopy("D:\\data\\b.doc", [&f] { f.removeFile("D:\\data\\b.doc"); }); },
         FileErrorKind::NotFound, 0},
        {"another program keeps it locked",
         [](MemoryFiles& f) { f.inject({"copy", "D:\\data\\b.doc", FileErrorKind::SharingViolation, -1}); },
         FileErrorKind::SharingViolation, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        World world;
        c.fault(world.files);
        RunResult result = world.runOnce();
        EXPECT_EQ(result.filesMatched, 2u);
        EXPECT_EQ(result.filesCopied, 1u);
        EXPECT_EQ(result.filesFailed, 1u);
        ASSERT_EQ(result.failures.size(), 1u);
        EXPECT_EQ(result.failures[0].kind, c.kind) << World::describe(result);
        EXPECT_EQ(result.failures[0].operation, "copy");
        EXPECT_NE(result.failures[0].describe().find("b.doc"), std::string::npos) << World::describe(result);
        EXPECT_EQ(world.target("a.doc"), "alpha");
        EXPECT_EQ(world.below(), std::vector<std::string>{std::string(testing::kRun) + "\\data\\a.doc"});
        EXPECT_EQ(world.clock.waits().size(), static_cast<std::size_t>(c.waits));
        EXPECT_FALSE(result.succeeded());
        EXPECT_FALSE(result.stopped);
    }
}

TEST(EngineCopyTest, ALockedFileIsTriedAgainAfterShortGrowingWaits) {
    World world;
    world.files.inject({"copy", "D:\\data\\b.doc", FileErrorKind::SharingViolation, 2});
    RunResult result = world.runOnce();
    EXPECT_EQ(result.filesCopied, 2u) << World::describe(result);
    EXPECT_EQ(world.clock.waits(), (std::vector<std::chrono::milliseconds>{100ms, 250ms}));
    EXPECT_EQ(world.target("b.doc"), std::string(300 * 1024, 'b'));
}

TEST(EngineCopyTest, AStopEndsTheWaitForALockedFile) {
    World world;
    world.files.inject({"copy", "D:\\data\\a.doc", FileErrorKind::SharingViolation, -1});
    world.clock.onWait = [&] { world.stop.request_stop(); };
    RunResult result = world.runOnce();
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.filesFailed, 0u) << World::describe(result);
    EXPECT_EQ(world.clock.waits().size(), 1u);
    EXPECT_TRUE(world.below().empty());
}

TEST(EngineCopyTest, AStopInTheMiddleOfAFileLeavesNoPartOfIt) {
    World world;
    world.files.duringCopy("D:\\data\\b.doc", [&](std::uint64_t done) {
        if (done >= 128 * 1024) world.stop.request_stop();
    });
    RunResult result = world.runOnce();
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.filesCopied, 1u);
    EXPECT_EQ(result.filesFailed, 0u) << World::describe(result);
    EXPECT_EQ(world.below(), std::vector<std::string>{std::string(testing::kRun) + "\\data\\a.doc"});
    EXPECT_EQ(world.task.runCount, 1);
    EXPECT_EQ(world.task.backupRecords.size(), 1u);  // the run is recorded even when stopped
}

TEST(EngineCopyTest, ANameTakenByAnotherWriterMeanwhileMovesTheCopyToTheNextFreeName) {
    World world;
    const std::string taken = std::string("E:\\bak\\") + testing::kRun + "\\data\\a.doc";
    world.files.onCopy("D:\\data\\a.doc", [&] { world.files.addFile(taken, "theirs"); });
    RunResult result = world.runOnce();
    EXPECT_EQ(result.filesCopied, 2u) << World::describe(result);
    EXPECT_EQ(world.target("a.doc"), "theirs");
    EXPECT_EQ(world.target("1_a.doc"), "alpha");
    EXPECT_FALSE(world.leftovers());
}

TEST(EngineCopyPoolTest, EveryJobIsCopiedOnceWhateverTheQueueSize) {
    // Queues far smaller than the jobs keep the walk waiting for room and the copy threads for jobs; a lost
    // wake-up would hang here, a lost or doubled job shows in the copies.
    struct Case {
        int threads;
        std::size_t capacity;
    };
    for (const Case c : {Case{2, 1}, Case{3, 2}, Case{4, 5}, Case{2, 256}}) {
        SCOPED_TRACE(std::to_string(c.threads) + " threads, room for " + std::to_string(c.capacity));
        testing::EngineFixture world;
        constexpr int kJobs = 150;
        for (int i = 0; i < kJobs; ++i) {
            world.files.addFile("D:\\data\\f" + std::to_string(i) + ".doc", "data " + std::to_string(i));
        }
        world.files.addFolder("E:\\out");
        TargetFolders targets(world.files);
        RunLog log;
        CopyContext context{world.files, world.clock, world.stop.get_token(), targets, log, {}, "pool"};
        {
            CopyPool pool(context, c.threads, c.capacity);
            for (int i = 0; i < kJobs; ++i) {
                const std::string name = "f" + std::to_string(i) + ".doc";
                pool.submit(CopyJob{"D:\\data\\" + name, "E:\\out\\", name});
            }
            pool.finish();
        }
        const RunResult result = log.result();
        EXPECT_EQ(result.filesCopied, static_cast<std::uint64_t>(kJobs)) << testing::EngineFixture::describe(result);
        EXPECT_EQ(world.files.copyLog().size(), static_cast<std::size_t>(kJobs));
        for (int i = 0; i < kJobs; ++i) {
            ASSERT_EQ(world.files.content("E:\\out\\f" + std::to_string(i) + ".doc"), "data " + std::to_string(i)) << i;
        }
    }
}

}  // namespace
}  // namespace corvallo::engine
