// Keeping the last N days of runs: which records expire, and what their removal may touch.
#include <gtest/gtest.h>

#include <functional>

#include "engine/retention.h"
#include "tests/native/engine_fixture.h"

namespace corvallo::engine {
namespace {

using platform::FileErrorKind;

TEST(EngineRetentionTest, RunDatesAreReadFromTheStartOfRunFolderNames) {
    struct Case {
        std::string folder;
        std::optional<CalendarDate> date;
    };
    const Case cases[] = {
        {"2014-8-15 937", CalendarDate{2014, 8, 15}},
        {"2014-12-1 234510", CalendarDate{2014, 12, 1}},
        {"2016-2-29 000", CalendarDate{2016, 2, 29}},
        {"2014-08-05 0937", CalendarDate{2014, 8, 5}},
        {"2015-2-29 000", std::nullopt},
        {"2014-13-1 000", std::nullopt},
        {"2014-0-1 000", std::nullopt},
        {"2014-8-15", std::nullopt},
        {"2014-8-15 ", std::nullopt},
        {"2014-8-15 93", std::nullopt},
        {"2014-8-15 9370000", std::nullopt},
        {"2014-8-15 937x", std::nullopt},
        {"2014-8-15  937", std::nullopt},
        {"x2014-8-15 937", std::nullopt},
        {"documents", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(runDate(c.folder), c.date);
    }
}

TEST(EngineRetentionTest, RecordsExpireWhenTheirRunLiesMoreThanNDaysBeforeToday) {
    const std::vector<BackupRecord> records = {
        {"E:\\bak\\", "2014-8-12 100", ""},    // 0: 3 days before: kept with N = 3
        {"E:\\bak\\", "2014-8-11 235959", ""}, // 1: 4 days before
        {"F:\\", "2014-8-11 000", "2014-8-11 000.zip"},  // 2
        {"E:\\bak\\", "2014-8-15 937", ""},    // 3: the current run
        {"E:\\bak\\", "old stuff", ""},        // 4: not a run folder name
        {"E:\\bak\\", "2014-8-20 100", ""},    // 5: after today (the clock was set back)
        {"E:\\bak\\", "2013-8-15 100", ""},    // 6
        {"E:\\bak\\", "2014-8-15 100", ""},    // 7: today, earlier
    };
    struct Case {
        CalendarDate today;
        int keepDays;
        std::string current;
        std::vector<std::size_t> expired;
    };
    const Case cases[] = {
        {{2014, 8, 15}, 3, "2014-8-15 937\\", {1, 2, 6}},
        {{2014, 8, 15}, 3, "2014-8-15 937", {1, 2, 6}},
        {{2014, 8, 15}, 2, "2014-8-15 937\\", {0, 1, 2, 6}},
        {{2014, 8, 15}, 400, "2014-8-15 937\\", {}},
        {{2014, 8, 15}, 0, "2014-8-15 937\\", {}},
        {{2014, 8, 15}, -5, "2014-8-15 937\\", {}},
        // Today's run folder name may come back after midnight: only a matching name is protected.
        {{2014, 8, 25}, 1, "2014-8-15 937\\", {0, 1, 2, 5, 6, 7}},
        {{2014, 8, 25}, 1, "2014-8-25 100\\", {0, 1, 2, 3, 5, 6, 7}},
        {{2014, 2, 31}, 1, "2014-8-15 937\\", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.today.month) + "-" + std::to_string(c.today.day) + " N=" + std::to_string(c.keepDays));
        EXPECT_EQ(expiredRecords(records, c.today, c.keepDays, c.current), c.expired);
    }
}

TEST(EngineRetentionTest, DaysAreCountedAcrossMonthsYearsAndLeapDays) {
    struct Case {
        std::string folder;
        CalendarDate today;
        bool expired;  // with N = 3
    };
    const Case cases[] = {
        {"2014-2-26 100", {2014, 3, 1}, false}, {"2014-2-25 100", {2014, 3, 1}, true},
        {"2016-2-27 100", {2016, 3, 1}, false}, {"2016-2-26 100", {2016, 3, 1}, true},
        {"2014-12-29 100", {2015, 1, 1}, false}, {"2014-12-28 100", {2015, 1, 1}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        auto expired = expiredRecords({{"E:\\", c.folder, ""}}, c.today, 3, "2000-1-1 000");
        EXPECT_EQ(!expired.empty(), c.expired);
    }
}

TEST(EngineRetentionTest, OnlyRunFoldersAndTheirArchivesDirectlyBelowADestinationQualify) {
    struct Case {
        BackupRecord record;
        bool safe;
    };
    const Case cases[] = {
        {{"E:\\bak\\", "2014-8-1 100", ""}, true},
        {{"E:\\bak", "2014-8-1 100", "2014-8-1 100.zip"}, true},
        {{"\\\\nas\\share\\bak\\", "2014-8-1 100", ""}, true},
        {{"E:\\", "2014-8-1 100", ""}, true},
        {{"E:\\bak\\", "..", ""}, false},
        {{"E:\\bak\\", ".", ""}, false},
        {{"E:\\bak\\", "", "x.zip"}, false},
        {{"E:\\bak\\", "sub\\2014-8-1 100", ""}, false},
        {{"E:\\bak\\", "sub/2014-8-1 100", ""}, false},
        {{"E:\\bak\\", "C:2014-8-1 100", ""}, false},
        {{"E:\\bak\\", "2014-8-*", ""}, false},
        {{"E:\\bak\\", "2014-8-1 100", "other.zip"}, false},
        {{"E:\\bak\\", "2014-8-1 100", "..\\2014-8-1 100.zip"}, false},
        {{"E:\\bak\\..\\", "2014-8-1 100", ""}, false},
        {{"E:\\bak\\.\\x", "2014-8-1 100", ""}, false},
        {{"bak\\", "2014-8-1 100", ""}, false},
        {{"", "2014-8-1 100", ""}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record.destination + "|" + c.record.folder + "|" + c.record.archive);
        EXPECT_EQ(namesRunBelowDestination(c.record), c.safe);
    }
}

// Runs at E:\bak\, some expired on 2014-8-15 with N = 3, and records naming them or things that must stay.
struct ExpiredRunsOnDisk : testing::EngineFixture {
    ExpiredRunsOnDisk() {
        files.addFile("E:\\bak\\2014-8-1 100\\data\\a.doc", "old");
        files.addFile("E:\\bak\\2014-8-1 100.zip", "old zip");
        files.addFile("E:\\bak\\2014-8-2 100.zip", "zip only");
        files.addFile("E:\\bak\\2014-8-14 100\\data\\a.doc", "recent");
        files.addFile("E:\\bak\\keep-me\\2014-8-1 100\\x", "not ours");
        files.addFile("E:\\bak\\2014-8-3 100", "a file, not a run folder");
        files.addFile("E:\\elsewhere\\2014-8-1 100\\x", "not below the record's destination");
    }
    std::vector<BackupRecord> records = {
        {"E:\\bak\\", "2014-8-1 100", "2014-8-1 100.zip"},   // expired: folder and archive go
        {"E:\\bak\\", "2014-8-2 100", "2014-8-2 100.zip"},   // expired: only the archive is there
        {"E:\\bak\\", "2014-8-14 100", ""},                  // recent
        {"E:\\bak\\", "2014-8-3 100", ""},                   // expired, but the name is a file
        {"E:\\bak\\", "2014-8-4 100", ""},                   // expired, nothing left: record dropped
        {"Q:\\gone\\", "2014-8-1 100", ""},                  // destination not reachable now
        {"E:\\bak\\..\\elsewhere\\", "2014-8-1 100", ""},    // not safe
        {"E:\\bak\\", "keep-me", ""},                        // not a run folder name
    };
};

class EngineRetentionRemovalTest : public ::testing::Test, protected ExpiredRunsOnDisk {};

TEST_F(EngineRetentionRemovalTest, RemovesExactlyTheExpiredRunsAndTheirRecords) {
    files.addFile("E:\\bak\\2014-8-15 937.zip", "this run");
    RunLog log;
    removeExpiredRuns(files, records, {2014, 8, 15}, 3, "2014-8-15 937\\", log);
    EXPECT_TRUE(log.result().failures.empty()) << log.result().failures[0].describe();
    EXPECT_EQ(records, (std::vector<BackupRecord>{{"E:\\bak\\", "2014-8-14 100", ""},
                                                  {"E:\\bak\\", "2014-8-3 100", ""},
                                                  {"Q:\\gone\\", "2014-8-1 100", ""},
                                                  {"E:\\bak\\..\\elsewhere\\", "2014-8-1 100", ""},
                                                  {"E:\\bak\\", "keep-me", ""}}));
    EXPECT_EQ(files.filesBelow("E:\\"),
              (std::vector<std::string>{"bak\\2014-8-14 100\\data\\a.doc", "bak\\2014-8-15 937.zip", "bak\\2014-8-3 100",
                                        "bak\\keep-me\\2014-8-1 100\\x", "elsewhere\\2014-8-1 100\\x"}));
}

TEST_F(EngineRetentionRemovalTest, AFailedRemovalIsReportedAndKeepsItsRecord) {
    files.addFile("E:\\bak\\2014-8-15 937\\data\\a.doc", "this run");
    files.inject({"remove", "E:\\bak\\2014-8-1 100", FileErrorKind::AccessDenied, -1});
    RunLog log;
    removeExpiredRuns(files, records, {2014, 8, 15}, 3, "2014-8-15 937\\", log);
    auto result = log.result();
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].kind, FileErrorKind::AccessDenied);
    EXPECT_NE(result.failures[0].describe().find("E:\\bak\\2014-8-1 100"), std::string::npos);
    EXPECT_EQ(records.front(), (BackupRecord{"E:\\bak\\", "2014-8-1 100", "2014-8-1 100.zip"}));
    EXPECT_TRUE(files.hasFolder("E:\\bak\\2014-8-1 100"));
    EXPECT_EQ(records.size(), 6u);
}

TEST(EngineRetentionDestinationTest, ADestinationThatHoldsNothingOfThisRunKeepsItsOldRuns) {
    // A destination the run could not write to (full, no longer writable) may hold the last copies there are.
    struct Case {
        const char* name;
        const char* current;  // what the current run left at F:\\other\\, if anything
        bool removed;
    };
    const Case cases[] = {
        {"its run folder", "2014-8-15 937\\data\\a.doc", true},
        {"its archive", "2014-8-15 937.zip", true},
        {"nothing", nullptr, false},
        {"another run's folder", "2014-8-15 938\\data\\a.doc", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::EngineFixture disk;
        disk.files.addFile("F:\\other\\2014-8-1 100\\a.doc", "old");
        if (c.current != nullptr) disk.files.addFile(std::string("F:\\other\\") + c.current, "new");
        std::vector<BackupRecord> records = {{"F:\\other\\", "2014-8-1 100", ""}};
        RunLog log;
        removeExpiredRuns(disk.files, records, {2014, 8, 15}, 3, "2014-8-15 937\\", log);
        EXPECT_TRUE(log.result().failures.empty());
        EXPECT_EQ(records.empty(), c.removed);
        EXPECT_EQ(disk.files.exists("F:\\other\\2014-8-1 100"), !c.removed);
    }
}

TEST_F(EngineRetentionRemovalTest, ARunWithKeepDaysRemovesExpiredRunsAfterCopying) {
    files.addFile("D:\\data\\a.doc", "new");
    BackupTask task = testing::makeTask({"D:\\data"}, {"*.doc"}, {"E:\\bak\\"});
    task.keepDays = 3;
    task.backupRecords = records;
    RunResult result = run(task);
    EXPECT_TRUE(result.succeeded()) << describe(result);
    EXPECT_FALSE(files.exists("E:\\bak\\2014-8-1 100"));
    EXPECT_FALSE(files.exists("E:\\bak\\2014-8-2 100.zip"));
    EXPECT_EQ(files.content("E:\\bak\\2014-8-14 100\\data\\a.doc"), "recent");
    EXPECT_EQ(files.content(std::string("E:\\bak\\") + testing::kRun + "\\data\\a.doc"), "new");
    EXPECT_EQ(task.backupRecords.size(), 6u);
    EXPECT_EQ(task.backupRecords.back(), (BackupRecord{"E:\\bak\\", testing::kRun, ""}));
}

TEST(EngineRetentionRunTest, OldRunsStayWhenASourceCouldNotBeReadAtAll) {
    // A source that is gone must not lose its last copies to retention; an unreadable folder further down
    // the tree does not hold retention back (it would then never run on such a tree).
    struct Case {
        const char* name;
        std::vector<std::string> sources;
        std::function<void(corvallo::testing::MemoryFiles&)> fault;
        bool removed;
    };
    const Case cases[] = {
        {"every source read", {"D:\\data"}, nullptr, true},
        {"a subfolder unreadable", {"D:\\data"},
         [](corvallo::testing::MemoryFiles& f) { f.inject({"list", "D:\\data\\locked\\", FileErrorKind::AccessDenied, -1}); }, true},
        {"a source missing", {"D:\\data", "G:\\gone"}, nullptr, false},
        {"a source unreadable", {"D:\\data", "C:\\other"},
         [](corvallo::testing::MemoryFiles& f) {
             f.addFolder("C:\\other");
             f.inject({"list", "C:\\other\\", FileErrorKind::AccessDenied, -1});
         },
         false},
        {"a source that is the destination", {"D:\\data", "E:\\bak"}, nullptr, false},
        {"a source that is not a drive path", {"D:\\data", "relative\\data"}, nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpiredRunsOnDisk disk;
        auto& files = disk.files;
        files.addFile("D:\\data\\a.doc", "new");
        files.addFile("D:\\data\\locked\\b.doc", "b");
        if (c.fault) c.fault(files);
        BackupTask task = testing::makeTask(c.sources, {"*.doc"}, {"E:\\bak\\"});
        task.keepDays = 3;
        task.backupRecords = disk.records;
        RunResult result = disk.run(task);
        EXPECT_EQ(files.content(std::string("E:\\bak\\") + testing::kRun + "\\data\\a.doc"), "new");
        EXPECT_EQ(!files.exists("E:\\bak\\2014-8-1 100"), c.removed);
        EXPECT_EQ(task.backupRecords.size(), c.removed ? 6u : disk.records.size() + 1);
        const std::string text = disk.describe(result);
        EXPECT_EQ(text.find("remove old runs") == std::string::npos, c.removed) << text;
    }
}

}  // namespace
}  // namespace corvallo::engine
