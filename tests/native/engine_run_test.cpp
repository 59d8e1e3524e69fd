// One run of a task: walk order, bookkeeping, loops, destinations inside sources, threads, archives.
#include <gtest/gtest.h>

#include "engine/run.h"
#include "tests/native/engine_fixture.h"

namespace corvallo::engine {
namespace {

using platform::FileErrorKind;

class EngineRunTest : public ::testing::Test, protected testing::EngineFixture {
protected:
    // The copies in the order they were made, as "source -> destination root" ("E" or "F").
    std::vector<std::string> copyOrder() const {
        std::vector<std::string> out;
        for (const auto& [source, target] : files.copyLog()) out.push_back(source + " -> " + target.substr(0, 1));
        return out;
    }
    std::vector<std::string> runFiles(const std::string& destination) const {
        return files.filesBelow(destination + "\\" + testing::kRun);
    }
};

TEST_F(EngineRunTest, WalksDepthFirstFilesPatternByPatternEachToEveryDestination) {
    files.addFile("D:\\src\\b.doc", "b");
    files.addFile("D:\\src\\a.txt", "t");
    files.addFile("D:\\src\\a.doc", "a");
    files.addFile("D:\\src\\sub\\deep\\d.doc", "d");
    files.addFile("D:\\src\\sub\\c.doc", "c");
    files.addFile("D:\\src\\.hidden\\e.doc", "e", 0x2);
    files.addFile("D:\\src\\zz\\f.doc", "f", 0x1 | 0x4);
    files.addFolder("D:\\src\\empty");
    BackupTask task = testing::makeTask({"D:\\src"}, {"*.doc", "*.*"}, {"E:\\bak", "F:\\"});
    RunResult result = run(task);

    EXPECT_EQ(copyOrder(), (std::vector<std::string>{
                               "D:\\src\\a.doc -> E", "D:\\src\\a.doc -> F", "D:\\src\\b.doc -> E", "D:\\src\\b.doc -> F",
                               "D:\\src\\a.doc -> E", "D:\\src\\a.doc -> F", "D:\\src\\a.txt -> E", "D:\\src\\a.txt -> F",
                               "D:\\src\\b.doc -> E", "D:\\src\\b.doc -> F",
                               "D:\\src\\.hidden\\e.doc -> E", "D:\\src\\.hidden\\e.doc -> F",
                               "D:\\src\\.hidden\\e.doc -> E", "D:\\src\\.hidden\\e.doc -> F",
                               "D:\\src\\sub\\c.doc -> E", "D:\\src\\sub\\c.doc -> F",
                               "D:\\src\\sub\\c.doc -> E", "D:\\src\\sub\\c.doc -> F",
                               "D:\\src\\sub\\deep\\d.doc -> E", "D:\\src\\sub\\deep\\d.doc -> F",
                               "D:\\src\\sub\\deep\\d.doc -> E", "D:\\src\\sub\\deep\\d.doc -> F",
                               "D:\\src\\zz\\f.doc -> E", "D:\\src\\zz\\f.doc -> F",
                               "D:\\src\\zz\\f.doc -> E", "D:\\src\\zz\\f.doc -> F",
                           }));
    const std::vector<std::string> expected = {
        "src\\.hidden\\1_e.doc", "src\\.hidden\\e.doc", "src\\1_a.doc",   "src\\1_b.doc",
        "src\\a.doc",            "src\\a.txt",          "src\\b.doc",     "src\\sub\\1_c.doc",
        "src\\sub\\c.doc",       "src\\sub\\deep\\1_d.doc", "src\\sub\\deep\\d.doc", "src\\zz\\1_f.doc",
        "src\\zz\\f.doc",
    };
    EXPECT_EQ(runFiles("E:\\bak"), expected);
    EXPECT_EQ(runFiles("F:"), expected);
    EXPECT_EQ(files.content(std::string("F:\\") + testing::kRun + "\\src\\sub\\deep\\1_d.doc"), "d");
    EXPECT_EQ(result.filesMatched, 13u);
    EXPECT_EQ(result.filesCopied, 26u);
    // One search for "*.doc" and one full listing per folder (which serves "*.*" and the subfolders), and
    // none of the target folders, which the run made itself.
    EXPECT_EQ(files.count("list"), 12);
    EXPECT_TRUE(result.succeeded()) << describe(result);
}

TEST_F(EngineRunTest, CountsTheRunNamesItsFolderAndRecordsOneEntryPerDestination) {
    files.addFile("D:\\data\\a.doc", "a");
    struct Case {
        std::int32_t compress;
        std::string archive;
    };
    for (const Case& c : {Case{0, ""}, Case{1, std::string(testing::kRun) + ".zip"}}) {
        SCOPED_TRACE(c.compress);
        BackupTask task = testing::makeTask({"D:\\data", "C:\\nothing-here"}, {"*.doc"}, {"E:\\bak", "F:\\x\\"});
        task.compress = c.compress;
        task.runCount = 4;
        task.backupRecords = {{"E:\\bak\\", "2014-8-1 1200", ""}};
        pack = [](platform::Files&, std::string_view, std::string_view, std::stop_token) { return platform::FileError{}; };
        run(task);
        EXPECT_EQ(task.runCount, 5);
        EXPECT_EQ(task.runFolder, std::string(testing::kRun) + "\\");
        EXPECT_EQ(task.sources, (std::vector<std::string>{"D:\\data\\", "C:\\nothing-here\\"}));
        EXPECT_EQ(task.destinations, (std::vector<std::string>{"E:\\bak\\", "F:\\x\\"}));
        EXPECT_EQ(task.backupRecords, (std::vector<BackupRecord>{{"E:\\bak\\", "2014-8-1 1200", ""},
                                                                 {"E:\\bak\\", testing::kRun, c.archive},
                                                                 {"F:\\x\\", testing::kRun, c.archive}}));
    }
}

TEST_F(EngineRunTest, ARunWithNothingToCopyStillWalksCountsAndRecords) {
    files.addFile("D:\\data\\sub\\a.doc", "a");
    struct Case {
        std::string name;
        std::vector<std::string> sources, fileTypes;
        std::size_t failures;
    };
    const Case cases[] = {
        {"no patterns", {"D:\\data"}, {}, 0},
        {"no match", {"D:\\data"}, {"*.xls"}, 0},
        {"missing source", {"D:\\gone"}, {"*.*"}, 1},
        {"source on a missing drive", {"Q:\\data"}, {"*.*"}, 1},
        {"relative source", {"data"}, {"*.*"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BackupTask task = testing::makeTask(c.sources, c.fileTypes, {"E:\\bak"});
        const int lists = files.count("list");
        RunResult result = run(task);
        EXPECT_EQ(task.runCount, 1);
        EXPECT_EQ(task.backupRecords, (std::vector<BackupRecord>{{"E:\\bak", testing::kRun, ""}}));
        EXPECT_EQ(result.filesCopied, 0u);
        EXPECT_EQ(result.failures.size(), c.failures) << describe(result);
        if (c.failures == 0) {
            EXPECT_GT(files.count("list"), lists + 1);  // the subfolder was entered too
        }
        EXPECT_FALSE(files.hasFolder("E:\\bak"));
    }
}

TEST_F(EngineRunTest, AFolderThatCannotBeMadeFailsItsFilesAndTheRunGoesOn) {
    files.addFile("D:\\data\\a.doc", "a");
    files.addFile("D:\\data\\b.doc", "b");
    files.inject({"create folder", "F:\\bak", FileErrorKind::AccessDenied, -1});
    BackupTask task = testing::makeTask({"D:\\data"}, {"*.doc"}, {"F:\\bak", "E:\\bak"});
    RunResult result = run(task);
    EXPECT_EQ(result.filesCopied, 2u);
    EXPECT_EQ(result.filesFailed, 2u);
    ASSERT_EQ(result.failures.size(), 2u);
    for (const auto& failure : result.failures) {
        EXPECT_EQ(failure.describe(), "create folder \"F:\\bak\": access denied") << describe(result);
    }
    EXPECT_EQ(runFiles("E:\\bak"), (std::vector<std::string>{"data\\a.doc", "data\\b.doc"}));
    EXPECT_EQ(task.backupRecords.size(), 2u);
}

TEST_F(EngineRunTest, LinksAndOverlappingSourcesNeverBringTheWalkIntoAFolderTwice) {
    files.addFile("D:\\src\\a.doc", "a");
    files.addFile("D:\\src\\sub\\b.doc", "b");
    files.addFolderLink("D:\\src\\sub\\up", "D:\\src");
    files.addFolderLink("D:\\src\\again", "D:\\src\\sub");
    files.addFolderLink("D:\\src\\outside", "C:\\other");
    files.addFile("C:\\other\\c.doc", "c");
    BackupTask task = testing::makeTask({"D:\\src", "D:\\src\\sub", "D:\\SRC\\"}, {"*.doc"}, {"E:\\bak"});
    RunResult result = run(task);
    // The first way in, in walk order, is the one mirrored: "again" is listed before "sub".
    EXPECT_EQ(runFiles("E:\\bak"), (std::vector<std::string>{"src\\a.doc", "src\\again\\b.doc", "src\\outside\\c.doc"}));
    EXPECT_EQ(result.filesMatched, 3u);
    EXPECT_TRUE(result.succeeded()) << describe(result);
}

TEST_F(EngineRunTest, ADestinationInsideASourceIsNeverBackedUp) {
    files.addFile("D:\\data\\a.doc", "a");
    files.addFile("D:\\data\\sub\\b.doc", "b");
    files.addFolderLink("D:\\data\\sub\\to-backups", "D:\\data\\Bak");
    BackupTask task = testing::makeTask({"D:\\data"}, {"*.*"}, {"d:\\DATA\\Bak"});
    for (int second : {7, 8}) {
        clock.time.second = second;
        RunResult result = run(task);
        EXPECT_EQ(result.filesMatched, 2u);
        EXPECT_TRUE(result.succeeded()) << describe(result);
    }
    EXPECT_EQ(files.filesBelow("D:\\data\\bak"),
              (std::vector<std::string>{"2014-8-15 937\\data\\a.doc", "2014-8-15 937\\data\\sub\\b.doc",
                                        "2014-8-15 938\\data\\a.doc", "2014-8-15 938\\data\\sub\\b.doc"}));
}

TEST_F(EngineRunTest, ASourceThatIsItsOwnDestinationIsReportedNotWalked) {
    files.addFile("D:\\data\\a.doc", "a");
    BackupTask task = testing::makeTask({"D:\\data"}, {"*.*"}, {"d:\\DATA\\"});
    RunResult result = run(task);
    EXPECT_EQ(result.filesMatched, 0u);
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_NE(result.failures[0].describe().find("D:\\data\\"), std::string::npos) << describe(result);
}

TEST_F(EngineRunTest, NetworkSharesServeAsSourcesAndDestinations) {
    files.addFile("\\\\nas\\share\\data\\a.doc", "a");
    files.addShare("\\\\other\\bak");
    BackupTask task = testing::makeTask({"\\\\nas\\share\\data"}, {"*.doc"}, {"\\\\other\\bak"});
    RunResult result = run(task);
    EXPECT_TRUE(result.succeeded()) << describe(result);
    EXPECT_EQ(files.content(std::string("\\\\other\\bak\\") + testing::kRun + "\\data\\a.doc"), "a");
    EXPECT_EQ(task.destinations[0], "\\\\other\\bak\\");
}

TEST_F(EngineRunTest, EveryNumberOfCopyThreadsGivesEveryFileTheSameName) {
    // Two sources with one layout, two patterns and a failing copy: many collision names, decided in walk order.
    for (const char* root : {"C:\\w", "D:\\w"}) {
        for (int folder = 0; folder < 6; ++folder) {
            for (int file = 0; file < 12; ++file) {
                files.addFile(std::string(root) + "\\f" + std::to_string(folder) + "\\n" + std::to_string(file) + ".doc",
                              std::string(root) + std::to_string(folder * 100 + file));
            }
        }
    }
    files.inject({"copy", "C:\\w\\f2\\n1.doc", FileErrorKind::Other, -1});
    std::vector<std::vector<std::string>> layouts;
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        clock.time.second = threads;
        BackupTask task = testing::makeTask({"C:\\w", "D:\\w"}, {"*.doc", "n1*.*"}, {"E:\\bak", "F:\\bak"});
        RunResult result = run(task, threads);
        EXPECT_EQ(result.filesMatched, 2u * 6 * (12 + 3));
        EXPECT_EQ(result.filesFailed, 4u);  // C:\w\f2\n3.doc to each destination, matched twice
        EXPECT_EQ(result.filesCopied, 2 * result.filesMatched - 4);
        auto layout = files.filesBelow("F:\\bak\\2014-8-15 93" + std::to_string(threads));
        EXPECT_EQ(layout.size(), result.filesMatched - 2);
        layouts.push_back(layout);
        EXPECT_EQ(files.content("F:\\bak\\2014-8-15 93" + std::to_string(threads) + "\\w\\f4\\2_1_n10.doc"), "D:\\w410");
    }
    EXPECT_EQ(layouts[0], layouts[1]);
}

TEST_F(EngineRunTest, TheStartIsAnnouncedBeforeAnythingIsCopied) {
    files.addFile("D:\\data\\a.doc", "a");
    BackupTask task = testing::makeTask({"D:\\data"}, {"*.doc"}, {"E:\\bak"});
    task.runCount = 2;
    std::vector<std::string> seen;
    RunEnvironment environment{files, clock};
    environment.started = [&](const BackupTask& started) {
        seen.push_back(std::to_string(started.runCount) + " " + started.runFolder + " " +
                       std::to_string(files.copyLog().size()));
    };
    runBackup(task, environment);
    EXPECT_EQ(seen, std::vector<std::string>{"3 2014-8-15 937\\ 0"});
}

TEST_F(EngineRunTest, AStopBetweenFilesEndsTheWalkButTheRunIsStillRecorded) {
    for (int i = 0; i < 10; ++i) files.addFile("D:\\data\\f" + std::to_string(i) + ".doc", "x");
    files.onCopy("D:\\data\\f3.doc", [&] { stop.request_stop(); });
    BackupTask task = testing::makeTask({"D:\\data", "C:\\more"}, {"*.doc"}, {"E:\\bak"});
    task.compress = 1;
    task.keepDays = 1;
    task.backupRecords = {{"E:\\bak\\", "2010-1-1 000", ""}};
    files.addFolder("E:\\bak\\2010-1-1 000");
    bool packed = false;
    pack = [&](platform::Files&, std::string_view, std::string_view, std::stop_token) {
        packed = true;
        return platform::FileError{};
    };
    RunResult result = run(task, 1);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.filesCopied, 3u);
    EXPECT_EQ(task.sources[1], "C:\\more");  // never reached
    EXPECT_EQ(task.backupRecords.size(), 2u);
    EXPECT_FALSE(packed);
    EXPECT_TRUE(files.hasFolder("E:\\bak\\2010-1-1 000"));
}

TEST_F(EngineRunTest, APackedRunFolderIsRemovedAndAFailedPackKeepsIt) {
    files.addFile("D:\\data\\a.doc", "a");
    BackupTask task = testing::makeTask({"D:\\data"}, {"*.doc"}, {"E:\\ok", "F:\\broken", "E:\\OK\\", "C:\\unused"});
    task.compress = 1;
    std::vector<std::string> calls;
    pack = [&](platform::Files& disk, std::string_view folder, std::string_view archive, std::stop_token) {
        calls.push_back(std::string(folder) + " => " + std::string(archive));
        if (folder.starts_with("F:")) return platform::FileError{FileErrorKind::DiskFull, "write", std::string(archive), {}, 0};
        return disk.appendFile(archive, "zip");
    };
    files.inject({"create folder", "C:\\unused", FileErrorKind::AccessDenied, -1});
    RunResult result = run(task);
    const std::string folder = testing::kRun;
    EXPECT_EQ(calls, (std::vector<std::string>{"E:\\ok\\" + folder + " => E:\\ok\\" + folder + ".zip",
                                               "F:\\broken\\" + folder + " => F:\\broken\\" + folder + ".zip"}));
    EXPECT_FALSE(files.hasFolder("E:\\ok\\" + folder));
    EXPECT_EQ(files.content("E:\\ok\\" + folder + ".zip"), "zip");
    EXPECT_TRUE(files.hasFolder("F:\\broken\\" + folder));
    EXPECT_NE(describe(result).find("F:\\broken\\" + folder + ".zip"), std::string::npos) << describe(result);
}

TEST(EngineRunDataTest, WrittenBackIntoTheLiveTaskKeepingEditsMadeMeanwhile) {
    BackupTask ran = testing::makeTask({"D:\\a\\", "D:\\b\\"}, {"*.*"}, {"E:\\x\\", "E:\\y"});
    ran.runCount = 8;
    ran.runFolder = "2014-8-15 937\\";
    ran.backupRecords = {{"E:\\x\\", "2014-8-15 937", ""}};
    BackupTask live = testing::makeTask({"D:\\a", "D:\\edited"}, {"*.doc"}, {"E:\\x", "E:\\y"});
    live.runCount = 7;
    live.name = "renamed meanwhile";
    writeBackRunData(ran, live);
    EXPECT_EQ(live.runCount, 8);
    EXPECT_EQ(live.runFolder, ran.runFolder);
    EXPECT_EQ(live.backupRecords, ran.backupRecords);
    EXPECT_EQ(live.sources, (std::vector<std::string>{"D:\\a\\", "D:\\edited"}));
    EXPECT_EQ(live.destinations, (std::vector<std::string>{"E:\\x\\", "E:\\y"}));
    EXPECT_EQ(live.fileTypes, std::vector<std::string>{"*.doc"});
    EXPECT_EQ(live.name, "renamed meanwhile");
}

}  // namespace
}  // namespace corvallo::engine
