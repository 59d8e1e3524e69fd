#include "core/settings.h"

#include <gtest/gtest.h>

#include "tests/support/memory_files.h"

namespace corvallo {
namespace {

using platform::FileErrorKind;
using testing::MemoryFiles;

const std::string kPath = "C:\\Corvallo\\quorvsetup.ini";

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() : file(files, kPath) {
        files.addDrive("C:");
        files.addFolder("C:\\Corvallo");
    }
    MemoryFiles files;
    SettingsFile file;
};

TEST_F(SettingsTest, AMissingFileIsCreatedWithTheDefaults) {
    Settings settings = loadSettings(file);
    EXPECT_EQ(settings, Settings{});
    EXPECT_TRUE(settings.startsService());
    EXPECT_EQ(files.content(kPath), "[system]\r\nautostart=0\r\nautoon=1\r\nautohide=0\r\n");
}

TEST_F(SettingsTest, OnlyOneCountsAsOn) {
    struct Case {
        std::string file;
        Settings expected;
    };
    const Case cases[] = {
        {"[system]\r\nautoon=2\r\n", {0, 2, 0}},
        {"[system]\r\nautostart=1\r\nautoon=0\r\nautohide=1\r\n", {1, 0, 1}},
        {"[SYSTEM]\r\nAutoOn= x \r\n", {0, 0, 0}},
        {"[system]\r\nautohide=\"1\"\r\n", {0, 1, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        files.addFile(kPath, c.file);
        Settings settings = loadSettings(file);
        EXPECT_EQ(settings, c.expected);
        EXPECT_EQ(settings.startsService(), c.expected.autoon == 1);
        EXPECT_EQ(files.content(kPath), c.file);  // an existing file is only read
    }
}

TEST_F(SettingsTest, SavingKeepsEveryOtherKey) {
    files.addFile(kPath, "[system]\r\ndonottellme=1\r\n[other]\r\nx=1\r\n");
    EXPECT_EQ(loadSettings(file), Settings{});
    EXPECT_EQ(files.content(kPath), "[system]\r\ndonottellme=1\r\n[other]\r\nx=1\r\n");
    EXPECT_FALSE(saveSettings(file, Settings{1, 0, 1}));
    EXPECT_EQ(files.content(kPath), "[system]\r\ndonottellme=1\r\nautostart=1\r\nautoon=0\r\nautohide=1\r\n[other]\r\nx=1\r\n");
    EXPECT_EQ(file.readValue("donottellme", "0"), "1");
    EXPECT_EQ(loadSettings(file), (Settings{1, 0, 1}));
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsNeverOverwritten) {
    files.addFile(kPath, "[system]\r\nautoon=0\r\n");
    files.inject({"read", kPath, FileErrorKind::AccessDenied, -1});
    EXPECT_EQ(loadSettings(file), Settings{});  // the defaults in memory
    EXPECT_EQ(saveSettings(file, Settings{1, 1, 1}).kind, FileErrorKind::AccessDenied);
    EXPECT_EQ(files.count("replace"), 0);
}

}  // namespace
}  // namespace corvallo
