#include "core/task_file.h"

#include <gtest/gtest.h>

#include <random>

#include "core/profile/profile_document.h"
#include "core/text/cp936.h"
#include "tests/support/memory_files.h"

namespace corvallo {
namespace {

using platform::FileErrorKind;
using testing::MemoryFiles;

const std::string kPath = "C:\\Corvallo\\quorvtask.ini";

std::string lines(std::initializer_list<std::string> items) {
    std::string out;
    for (const auto& line : items) out += line + "\r\n";
    return out;
}

// Lines given in UTF-8 and stored as the program stores them.
std::string gbkLines(std::initializer_list<std::string> items) { return text::utf8ToCp936(lines(items)); }

class TaskFileTest : public ::testing::Test {
protected:
    TaskFileTest() : file(files, kPath) {
        files.addDrive("C:");
        files.addFolder("C:\\Corvallo");
        file.sleep = [this](std::chrono::milliseconds ms) { slept.push_back(ms); };
    }

    std::vector<BackupTask> load(const std::string& bytes) {
        files.addFile(kPath, bytes);
        EXPECT_FALSE(loadTaskFile(list, file));
        return list.snapshot();
    }
    std::string saved() {
        EXPECT_FALSE(saveTaskFile(list, file));
        return files.content(kPath).value_or("<missing>");
    }

    MemoryFiles files;
    TaskFile file;
    TaskList list;
    std::vector<std::chrono::milliseconds> slept;
};

BackupTask dailyDocuments() {
    BackupTask task;
    task.id = 1;
    task.enabled = 1;
    task.runCount = 1;
    task.name = "文档";
    task.sources = {"D:\\我的文档\\"};
    task.fileTypes = {"*.doc"};
    task.destinations = {"E:\\备份\\"};
    task.backupRecords = {{"E:\\备份\\", "2014-8-15 937", ""}};
    task.scheduleKind = 3;
    task.weekdays = "";
    task.hour = 8;
    task.minute = 30;
    task.postAction = 0;
    return task;
}

const std::string kDailyDocumentsFile = gbkLines({
    "[task]", "number=1", "[1]", "on=1", "times=1", "name=文档", "source=1", "source1=D:\\我的文档\\", "filetype=1",
    "filetype1=*.doc", "dest=1", "dest1=E:\\备份\\", "bak=1", "bak1=E:\\备份\\|2014-8-15 937|0", "type=3", "year=0",
    "mouth=0", "day=0", "week=", "mps=0", "raps=1", "hours=8", "minutes=30", "usezip=0", "notice=0", "maxbak=0",
    "dolast=0",
});

TEST_F(TaskFileTest, SavesEveryKeyInItsOrder) {
    list.append(dailyDocuments());
    EXPECT_EQ(saved(), kDailyDocumentsFile);
}

TEST_F(TaskFileTest, LoadsWhatItSaves) {
    auto tasks = load(kDailyDocumentsFile);
    ASSERT_EQ(tasks.size(), 1u);
    EXPECT_EQ(tasks[0], dailyDocuments());
    EXPECT_EQ(saved(), kDailyDocumentsFile);
}

TEST_F(TaskFileTest, NoFileMeansNoTasksAndNoFile) {
    EXPECT_FALSE(loadTaskFile(list, file));
    EXPECT_EQ(list.size(), 0u);
    EXPECT_FALSE(files.exists(kPath));
    EXPECT_EQ(saved(), lines({"[task]", "number=0"}));
}

TEST_F(TaskFileTest, MissingSectionsAndKeysTakeDefaults) {
    auto tasks = load(gbkLines({"[task]", "number=2", "[1]", "name=定时备份任务(1)", "source=2", "source1=D:\\a"}));
    ASSERT_EQ(tasks.size(), 2u);
    EXPECT_EQ(tasks[0].sources, (std::vector<std::string>{"D:\\a", ""}));
    const BackupTask& second = tasks[1];
    EXPECT_EQ(second.id, 2);
    EXPECT_EQ(second.enabled, 0);
    EXPECT_EQ(second.name, "定时备份任务(2)");  // the first task already holds (1)
    EXPECT_TRUE(second.sources.empty());
    EXPECT_EQ(second.scheduleKind, 0);
    EXPECT_EQ(second.weekdays, "0");
    EXPECT_EQ(second.repeatHours, 1);
    EXPECT_EQ(second.postAction, 1);
    auto document = profile::ProfileDocument::parse(saved());
    EXPECT_EQ(document.value("1", "source2"), "");
    EXPECT_EQ(document.value("2", "name"), "定时备份任务(2)");
}

TEST_F(TaskFileTest, ValuesOutsideTheirRangesAreKeptOrClampedAsStored) {
    struct Case {
        std::string key;
        std::string value;
        std::string savedAs;
    };
    const Case cases[] = {
        {"raps", "0", "1"},     {"raps", "9", "4"},       {"raps", "-3", "1"},   {"mps", "2", "0"},
        {"mps", "1", "1"},      {"on", "2", "2"},         {"dolast", "9", "9"},  {"type", "7", "7"},
        {"hours", "x", "0"},    {"times", "12abc", "12"}, {"maxbak", "-5", "-5"}, {"minutes", "３０", "30"},
        {"year", " +2014", "2014"}, {"day", "99999999999", "2147483647"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key + "=" + c.value);
        load(text::utf8ToCp936(lines({"[task]", "number=1", "[1]", c.key + "=" + c.value})));
        auto document = profile::ProfileDocument::parse(saved());
        EXPECT_EQ(document.value("1", c.key), c.savedAs);
    }
}

TEST_F(TaskFileTest, RecordTextsLoadByTheirParts) {
    struct Case {
        std::string text;
        std::vector<BackupRecord> expected;
    };
    const Case cases[] = {
        {"E:\\b\\|2014-8-15 937|0", {{"E:\\b\\", "2014-8-15 937", ""}}},
        {"E:\\b\\|2014-8-15 937|2014-8-15 937.zip", {{"E:\\b\\", "2014-8-15 937", "2014-8-15 937.zip"}}},
        {"E:\\b\\|2014-8-15 937", {}},                   // two parts are not a record
        {"E:\\b\\|2014-8-15 937|0|extra", {{"E:\\b\\", "2014-8-15 937", ""}}},
        {"||x", {{"", "", "x"}}},
        {"", {}},
        {"|||", {{"", "", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto tasks = load(lines({"[task]", "number=1", "[1]", "bak=1", "bak1=" + c.text}));
        ASSERT_EQ(tasks.size(), 1u);
        EXPECT_EQ(tasks[0].backupRecords, c.expected);
    }
}

TEST_F(TaskFileTest, WhollyEmptyRecordsAreSavedAsGaps) {
    BackupTask task;
    task.id = 1;
    task.backupRecords = {{}, {"E:\\b\\", "R", ""}};
    list.append(task);
    auto document = profile::ProfileDocument::parse(saved());
    EXPECT_EQ(document.value("1", "bak"), "2");
    EXPECT_FALSE(document.value("1", "bak1").has_value());
    EXPECT_EQ(document.value("1", "bak2"), "E:\\b\\|R|0");
    // A gap loads as no record, so the next save counts one record.
    load(files.content(kPath).value());
    EXPECT_EQ(list.snapshot()[0].backupRecords.size(), 1u);
}

TEST_F(TaskFileTest, NamesLoseTheirOuterBlanks) {
    auto tasks = load(gbkLines({"[task]", "number=1", "[1]", "name=  周报 备份  "}));
    EXPECT_EQ(tasks[0].name, "周报 备份");
}

TEST_F(TaskFileTest, AbsurdCountsStayWithinWhatTheFileHolds) {
    auto tasks = load(lines({"[task]", "number=2000000000", "[1]", "source=999999999", "source1=D:\\a", "source3=D:\\c",
                             "filetype=2147483647", "bak=1000000000", "bak2=E:\\|R|0", "[3]", "name=third"}));
    ASSERT_EQ(tasks.size(), 3u);
    EXPECT_EQ(tasks[0].sources, (std::vector<std::string>{"D:\\a", "", "D:\\c"}));
    EXPECT_TRUE(tasks[0].fileTypes.empty());
    EXPECT_EQ(tasks[0].backupRecords.size(), 1u);
    EXPECT_EQ(tasks[2].name, "third");
}

TEST_F(TaskFileTest, CountsWithinReachOfThePresentEntriesAreHonoured) {
    auto tasks = load(lines({"[task]", "number=5", "[1]", "dest=4", "dest1=E:\\"}));
    ASSERT_EQ(tasks.size(), 5u);
    EXPECT_EQ(tasks[0].destinations.size(), 4u);
}

TEST_F(TaskFileTest, AFileThatCannotBeReadAtFirstIsReadAgain) {
    files.addFile(kPath, kDailyDocumentsFile);
    files.inject({"read", kPath, FileErrorKind::SharingViolation, 2});
    EXPECT_FALSE(loadTaskFile(list, file));
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(slept.size(), 2u);
}

TEST_F(TaskFileTest, AnUnreadableFileIsSetAsideBeforeTheFirstSave) {
    files.addFile(kPath, kDailyDocumentsFile);
    files.inject({"read", kPath, FileErrorKind::AccessDenied, static_cast<int>(file.readRetryDelays.size()) + 1});
    auto error = loadTaskFile(list, file);
    EXPECT_EQ(error.kind, FileErrorKind::AccessDenied);
    EXPECT_EQ(list.size(), 0u);
    EXPECT_EQ(slept.size(), file.readRetryDelays.size());

    EXPECT_FALSE(saveTaskFile(list, file));
    EXPECT_EQ(files.content(kPath + ".unreadable"), kDailyDocumentsFile);
    EXPECT_EQ(files.content(kPath), lines({"[task]", "number=0"}));
    // Only the first save sets a file aside.
    EXPECT_FALSE(saveTaskFile(list, file));
    EXPECT_FALSE(files.exists(kPath + ".unreadable-2"));
}

TEST_F(TaskFileTest, AnUnreadableFileThatCannotBeMovedIsNeverOverwritten) {
    files.addFile(kPath, kDailyDocumentsFile);
    files.inject({"read", kPath, FileErrorKind::SharingViolation, -1});
    files.inject({"rename", kPath, FileErrorKind::SharingViolation, 1});
    loadTaskFile(list, file);
    list.append(dailyDocuments());
    EXPECT_EQ(saveTaskFile(list, file).kind, FileErrorKind::SharingViolation);
    EXPECT_EQ(files.content(kPath), kDailyDocumentsFile);
    // Once the other program lets go, the next save sets it aside and writes.
    EXPECT_FALSE(saveTaskFile(list, file));
    EXPECT_EQ(files.content(kPath + ".unreadable"), kDailyDocumentsFile);
}

TEST_F(TaskFileTest, AFailedSaveKeepsTheOldFileAndASaveKeepsThePreviousVersion) {
    load(kDailyDocumentsFile);
    list.locked([](TaskListContents& c) { c.at(1).runCount = 2; });
    files.inject({"replace", kPath, FileErrorKind::DiskFull, 1});
    EXPECT_EQ(saveTaskFile(list, file).kind, FileErrorKind::DiskFull);
    EXPECT_EQ(files.content(kPath), kDailyDocumentsFile);
    EXPECT_FALSE(saveTaskFile(list, file));
    EXPECT_EQ(files.content(kPath + ".bak"), kDailyDocumentsFile);
    EXPECT_NE(files.content(kPath), kDailyDocumentsFile);
}

TEST_F(TaskFileTest, BytesThatDoNotDecodeSurviveALoadAndSave) {
    // A name with a lone lead byte and a GBK pair whose trail byte is '|', and a path with a trail byte '\'.
    std::string name = std::string("a\x81") + " b\x95\x7c";
    std::string source = "D:\\\x95\x5c\\x";
    auto tasks = load(lines({"[task]", "number=1", "[1]", "name=" + name, "source=1", "source1=" + source, "bak=1",
                             "bak1=E:\\\x95\x7c|R|0"}));
    ASSERT_EQ(tasks.size(), 1u);
    ASSERT_EQ(tasks[0].backupRecords.size(), 1u);
    auto document = profile::ProfileDocument::parse(saved());
    EXPECT_EQ(text::utf8ToCp936(document.value("1", "name").value()), name);
    EXPECT_EQ(text::utf8ToCp936(document.value("1", "source1").value()), source);
    EXPECT_EQ(text::utf8ToCp936(document.value("1", "bak1").value()), "E:\\\x95\x7c|R|0");
}

TEST_F(TaskFileTest, AnyBytesLoadAndSaveWithoutHarm) {
    std::mt19937 random(20261211);
    const std::string alphabet = "[]=;\"' \t\r\n|\\09aZ\x80\x81\x95\xa1\xb0\xfe\xff\x30\x7c";
    for (int round = 0; round < 300; ++round) {
        std::string bytes = "[task]\r\nnumber=3\r\n[1]\r\n";
        std::size_t length = random() % 400;
        for (std::size_t i = 0; i < length; ++i) bytes += alphabet[random() % alphabet.size()];
        SCOPED_TRACE(round);
        files.addFile(kPath, bytes);
        loadTaskFile(list, file);
        auto first = saved();
        loadTaskFile(list, file);
        EXPECT_EQ(saved(), first);  // a second load and save changes nothing
    }
}

}  // namespace
}  // namespace corvallo
