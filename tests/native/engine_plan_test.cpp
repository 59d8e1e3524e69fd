// A plan names what a run would copy where, and touches nothing.
#include <gtest/gtest.h>

#include "engine/plan.h"
#include "tests/native/engine_fixture.h"

namespace corvallo::engine {
namespace {

class EnginePlanTest : public ::testing::Test, protected testing::EngineFixture {
protected:
    EnginePlanTest() {
        files.addFile("D:\\data\\a.doc", "a");
        files.addFile("D:\\data\\sub\\b.doc", "b");
        files.addFile("C:\\data\\a.doc", "c");
        // A run earlier in this second left a.doc in the run folder.
        files.addFile(std::string("E:\\bak\\") + testing::kRun + "\\data\\a.doc", "earlier");
    }
    BackupTask task = testing::makeTask({"D:\\data", "C:\\data"}, {"*.doc", "*.*"}, {"E:\\bak", "F:\\new"});
};

TEST_F(EnginePlanTest, NamesEveryTargetARunWouldGiveAndChangesNothing) {
    const std::uint64_t stored = files.bytesStored();
    const BackupTask before = task;
    BackupPlan plan = planBackup(task, files, clock.now());

    EXPECT_EQ(task, before);
    EXPECT_EQ(files.count("create folder"), 0);
    EXPECT_EQ(files.count("copy"), 0);
    EXPECT_EQ(files.bytesStored(), stored);
    EXPECT_FALSE(files.exists("F:\\new"));
    EXPECT_TRUE(plan.failures.empty());
    EXPECT_EQ(plan.runFolder, std::string(testing::kRun) + "\\");

    std::vector<std::string> planned;
    for (const auto& copy : plan.copies) planned.push_back(copy.source + " -> " + copy.target);
    const std::string e = std::string("E:\\bak\\") + testing::kRun + "\\data\\";
    const std::string f = std::string("F:\\new\\") + testing::kRun + "\\data\\";
    EXPECT_EQ(planned, (std::vector<std::string>{
                           "D:\\data\\a.doc -> " + e + "1_a.doc", "D:\\data\\a.doc -> " + f + "a.doc",
                           "D:\\data\\a.doc -> " + e + "2_1_a.doc", "D:\\data\\a.doc -> " + f + "1_a.doc",
                           "D:\\data\\sub\\b.doc -> " + e + "sub\\b.doc", "D:\\data\\sub\\b.doc -> " + f + "sub\\b.doc",
                           "D:\\data\\sub\\b.doc -> " + e + "sub\\1_b.doc", "D:\\data\\sub\\b.doc -> " + f + "sub\\1_b.doc",
                           "C:\\data\\a.doc -> " + e + "3_2_1_a.doc", "C:\\data\\a.doc -> " + f + "2_1_a.doc",
                           "C:\\data\\a.doc -> " + e + "4_3_2_1_a.doc", "C:\\data\\a.doc -> " + f + "3_2_1_a.doc",
                       }));

    // The run then puts every file exactly where the plan said.
    RunResult result = run(task);
    ASSERT_TRUE(result.succeeded()) << describe(result);
    for (const auto& copy : plan.copies) {
        SCOPED_TRACE(copy.target);
        EXPECT_EQ(files.content(copy.target), files.content(copy.source));
    }
}

TEST_F(EnginePlanTest, FilesThatCannotBePlacedAreNamedWithTheReason) {
    files.addFile(std::string("F:\\new\\") + testing::kRun + "\\data\\sub", "a file where a folder must go");
    BackupPlan plan = planBackup(task, files, clock.now());
    ASSERT_EQ(plan.failures.size(), 2u);  // sub\b.doc, matched twice, to F:
    EXPECT_NE(plan.failures[0].describe().find("F:\\new\\2014-8-15 937\\data\\sub"), std::string::npos)
        << plan.failures[0].describe();
    EXPECT_EQ(plan.copies.size(), 10u);
}

}  // namespace
}  // namespace corvallo::engine
