// corvallo.log: the entry of a run and the cap on the file.
#include <gtest/gtest.h>

#include "service/service_log.h"
#include "tests/support/memory_files.h"
#include "tests/support/virtual_clock.h"

namespace corvallo::service {
namespace {

using corvallo::testing::VirtualClock;
using platform::FileError;
using platform::FileErrorKind;

TEST(ServiceLogTest, ARunEntryNamesTheTaskTheFiguresAndEveryFailure) {
    engine::RunResult result;
    result.filesCopied = 12;
    result.filesFailed = 2;
    result.bytesCopied = 123456;
    result.seconds = 3.25;
    result.failures = {
        FileError{FileErrorKind::SharingViolation, "copy", "D:\\data\\a.doc", "", 32},
        FileError{FileErrorKind::AccessDenied, "create folder", "E:\\bak\\2014-8-5 90307\\data", "拒绝访问。", 5},
    };
    const RunEntry entry{3, "文档", VirtualClock::at(2014, 8, 5, 9, 3, 7), VirtualClock::at(2014, 8, 5, 9, 3, 10)};
    EXPECT_EQ(formatRunEntry(entry, result),
              "2014-08-05 09:03:07 .. 2014-08-05 09:03:10  task 3 \"文档\": 12 copied, 2 failed, 123456 bytes, 3.2 s\r\n"
              "    copy \"D:\\data\\a.doc\": sharing violation (32)\r\n"
              "    create folder \"E:\\bak\\2014-8-5 90307\\data\": 拒绝访问。 (5)\r\n");
}

class ServiceLogFileTest : public ::testing::Test {
protected:
    ServiceLogFileTest() {
        files.addDrive("C:");
        files.addFolder("C:\\Corvallo");
    }
    std::string current() const { return files.content(kPath).value_or("<none>"); }
    std::string rotated() const { return files.content(std::string(kPath) + ".1").value_or("<none>"); }

    static constexpr const char* kPath = "C:\\Corvallo\\corvallo.log";
    corvallo::testing::MemoryFiles files;
    const platform::LocalTime at = VirtualClock::at(2014, 8, 5, 9, 0, 0);
};

TEST_F(ServiceLogFileTest, TheFileIsMovedAsideOnceBeforeItWouldPassTheCap) {
    const std::string line = "2014-08-05 09:00:00  0123456789\r\n";  // 33 bytes
    ServiceLog log(files, kPath, 100);
    for (int i = 0; i < 3; ++i) log.note(at, "0123456789");
    EXPECT_EQ(current(), line + line + line);
    EXPECT_EQ(rotated(), "<none>");

    log.note(at, "ABCDEFGHIJ");  // 132 bytes would pass the cap
    EXPECT_EQ(rotated(), line + line + line);
    EXPECT_EQ(current(), "2014-08-05 09:00:00  ABCDEFGHIJ\r\n");

    for (int i = 0; i < 3; ++i) log.note(at, "0123456789");
    EXPECT_EQ(rotated(), "2014-08-05 09:00:00  ABCDEFGHIJ\r\n" + line + line) << "the older rotation is replaced";
    EXPECT_EQ(current(), line);
}

TEST_F(ServiceLogFileTest, ALogLeftByAnEarlierStartCountsTowardsTheCap) {
    files.addFile(kPath, std::string(90, 'x'));
    ServiceLog log(files, kPath, 100);
    log.note(at, "new");
    EXPECT_EQ(rotated(), std::string(90, 'x'));
    EXPECT_EQ(current(), "2014-08-05 09:00:00  new\r\n");
}

TEST_F(ServiceLogFileTest, AnEntryLargerThanTheCapStillGetsWrittenWhole) {
    ServiceLog log(files, kPath, 10);
    log.note(at, "first");
    log.note(at, "second");
    EXPECT_EQ(rotated(), "2014-08-05 09:00:00  first\r\n");
    EXPECT_EQ(current(), "2014-08-05 09:00:00  second\r\n");
}

TEST_F(ServiceLogFileTest, AFailedWriteIsNotCountedAndDoesNotStopLaterOnes) {
    ServiceLog log(files, kPath, 60);
    files.inject({"append", kPath, FileErrorKind::DiskFull, 1});
    log.note(at, "lost");
    log.note(at, "kept");
    log.note(at, "more");
    EXPECT_EQ(current(), "2014-08-05 09:00:00  kept\r\n2014-08-05 09:00:00  more\r\n");
    EXPECT_EQ(rotated(), "<none>");
}

}  // namespace
}  // namespace corvallo::service
