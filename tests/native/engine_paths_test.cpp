// Run folder names, path splitting and comparing, drive roots and folder chains.
#include <gtest/gtest.h>

#include <optional>

#include "engine/folder_chain.h"
#include "engine/paths.h"
#include "engine/run_folder_name.h"
#include "tests/native/engine_fixture.h"

namespace corvallo::engine {
namespace {

using platform::FileErrorKind;
using platform::LocalTime;

TEST(EngineRunFolderNameTest, NumbersWithoutLeadingZerosAndNothingBetweenHourMinuteSecond) {
    struct Case {
        LocalTime time;
        std::string name;
    };
    const Case cases[] = {
        {{2014, 8, 15, 9, 3, 7, 6}, "2014-8-15 937\\"},
        {{2014, 12, 1, 23, 45, 10, 2}, "2014-12-1 234510\\"},
        {{2020, 1, 1, 0, 0, 0, 4}, "2020-1-1 000\\"},
        // Two times of one day that give one name: the second run writes into the same folder.
        {{2014, 8, 15, 1, 11, 5, 6}, "2014-8-15 1115\\"},
        {{2014, 8, 15, 11, 1, 5, 6}, "2014-8-15 1115\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(runFolderName(c.time), c.name);
    }
}

TEST(EnginePathsTest, SplitsDriveAndSharePathsAndRefusesOtherForms) {
    struct Case {
        std::string path;
        std::string root;
        std::vector<std::string> components;
    };
    const Case cases[] = {
        {"D:\\data\\docs\\a.doc", "D:", {"data", "docs", "a.doc"}},
        {"C:\\a\\b\\", "C:", {"a", "b"}},
        {"C:\\a\\\\b", "C:", {"a", "", "b"}},
        {"e:\\", "e:", {}},
        {"\\\\srv\\share\\data\\a.doc", "\\\\srv\\share", {"data", "a.doc"}},
        {"\\\\srv\\share\\", "\\\\srv\\share", {}},
        {"\\\\srv\\share", "\\\\srv\\share", {}},
        {"\\\\srv", "", {}},
        {"\\\\srv\\\\x", "", {}},
        {"\\\\?\\D:\\x", "", {}},
        {"D:", "", {}},
        {"D:relative", "", {}},
        {"relative\\x", "", {}},
        {"\\rooted\\x", "", {}},
        {"1:\\x", "", {}},
        {"", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        PathParts parts = splitPath(c.path);
        EXPECT_EQ(parts.root, c.root);
        EXPECT_EQ(parts.components, c.components);
        EXPECT_EQ(isRootedPath(c.path), !c.root.empty());
    }
}

TEST(EnginePathsTest, ComparablePathsMatchEverySpellingOfOneFolder) {
    struct Case {
        std::string a, b;
        bool same;
    };
    const Case cases[] = {
        {"D:\\Data\\Bak\\", "d:\\data\\bak", true},
        {"D:/data//bak", "D:\\data\\bak", true},
        {"D:\\data\\.\\x\\..\\bak", "D:\\data\\bak", true},
        {"D:\\..\\data", "D:\\data", true},
        {"\\\\NAS\\Share\\x", "\\\\nas\\share\\x\\", true},
        {"D:\\data\\bak", "D:\\data\\bak2", false},
        {"D:\\data", "E:\\data", false},
        {"\\\\nas\\share\\x", "\\\\nas\\other\\x", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a + " vs " + c.b);
        EXPECT_EQ(comparablePath(c.a) == comparablePath(c.b), c.same);
    }
}

class EngineFolderChainTest : public ::testing::Test, protected testing::EngineFixture {};

TEST_F(EngineFolderChainTest, DriveRootsAreExactlyTheRootsOfDrivesAndSharesThatExist) {
    files.addDrive("G:", platform::DriveType::CdRom);
    files.addDrive("H:", platform::DriveType::RamDisk);
    files.addDrive("I:", platform::DriveType::Unknown);
    const std::pair<std::string, bool> cases[] = {
        {"E:\\", true},  {"e:\\", true},          {"G:\\", true},           {"H:\\", true},
        {"I:\\", false}, {"Q:\\", false},         {"E:", false},            {"E:\\x", false},
        {"E:\\\\", false}, {"", false},           {"\\\\nas\\share\\", true}, {"\\\\nas\\share", false},
        {"\\\\nas\\gone\\", false}, {"\\\\nas\\share\\x\\", false},
    };
    for (const auto& [path, root] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(isDriveRoot(files, path), root);
    }
}

TEST_F(EngineFolderChainTest, ChainResultsForEveryKindOfPath) {
    files.addFolder("E:\\old\\deep");
    files.addFile("E:\\file.txt", "x");
    files.addFolder("\\\\nas\\share\\bak");
    struct Case {
        std::string path;
        ChainResult result;
        std::optional<FileErrorKind> kind;  // none: any failure (a missing drive or share)
        std::string made;                   // a folder that exists afterwards
    };
    const Case cases[] = {
        {"E:\\bak\\2014-8-15 937\\", ChainCreated, FileErrorKind::None, "E:\\bak\\2014-8-15 937"},
        {"E:\\old\\deep\\", ChainExisted, FileErrorKind::None, "E:\\old\\deep"},
        {"E:\\old\\deep\\new", ChainCreated, FileErrorKind::None, "E:\\old\\deep\\new"},
        {"E:\\OLD\\Deep", ChainExisted, FileErrorKind::None, "E:\\old\\deep"},
        {"E:\\", ChainExisted, FileErrorKind::None, "E:"},
        {"\\\\nas\\share\\", ChainExisted, FileErrorKind::None, "\\\\nas\\share"},
        {"\\\\nas\\share\\bak\\R\\data\\", ChainCreated, FileErrorKind::None, "\\\\nas\\share\\bak\\R\\data"},
        {"Q:\\x\\", ChainFailed, std::nullopt, ""},
        {"Q:\\", ChainFailed, FileErrorKind::NotFound, ""},
        {"\\\\nas\\gone\\x", ChainFailed, std::nullopt, ""},
        {"E:\\a\\.\\b\\", ChainFailed, FileErrorKind::InvalidPath, ""},
        {"E:\\a\\..\\b\\", ChainFailed, FileErrorKind::InvalidPath, ""},
        {"E:\\a\\\\b\\", ChainFailed, FileErrorKind::InvalidPath, ""},
        {"relative\\x\\", ChainFailed, FileErrorKind::InvalidPath, ""},
        {"E:relative", ChainFailed, FileErrorKind::InvalidPath, ""},
        {"", ChainFailed, FileErrorKind::InvalidPath, ""},
        {"E:\\file.txt\\sub\\", ChainFailed, FileErrorKind::AlreadyExists, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        platform::FileError error;
        EXPECT_EQ(makeFolderChain(files, c.path, &error), c.result);
        if (c.kind) {
            EXPECT_EQ(error.kind, *c.kind) << error.describe();
        }
        EXPECT_EQ(static_cast<bool>(error), c.result == ChainFailed);
        if (!c.made.empty()) {
            EXPECT_TRUE(files.hasFolder(c.made));
        }
    }
    EXPECT_FALSE(files.hasFolder("E:\\a"));  // nothing is made before a bad component is found
    EXPECT_EQ(files.content("E:\\file.txt"), "x");
}

TEST_F(EngineFolderChainTest, AFolderThatCannotBeMadeFailsWithItsReasonAndKeepsTheParentsMadeBefore) {
    files.inject({"create folder", "E:\\bak\\R\\locked", FileErrorKind::AccessDenied, -1});
    platform::FileError error;
    EXPECT_EQ(makeFolderChain(files, "E:\\bak\\R\\locked\\x\\", &error), ChainFailed);
    EXPECT_EQ(error.kind, FileErrorKind::AccessDenied);
    EXPECT_NE(error.describe().find("E:\\bak\\R\\locked"), std::string::npos) << error.describe();
    EXPECT_TRUE(files.hasFolder("E:\\bak\\R"));
    EXPECT_FALSE(files.hasFolder("E:\\bak\\R\\locked"));
}

TEST_F(EngineFolderChainTest, ARunAsksTheDiskOnlyAboutFoldersItHasNotSeen) {
    files.addFolder("E:\\bak");
    TargetFolders targets(files);
    platform::FileError error;
    ASSERT_EQ(targets.makeChain("E:\\bak\\R\\a\\b\\", error), ChainCreated);
    const int made = files.count("create folder");
    EXPECT_EQ(made, 4);  // bak (found there), R, a, b
    for (int i = 0; i < 3; ++i) EXPECT_EQ(targets.makeChain("E:\\bak\\R\\a\\b\\", error), ChainExisted);
    EXPECT_EQ(targets.makeChain("E:\\bak\\R\\a\\c\\", error), ChainCreated);
    EXPECT_EQ(files.count("create folder"), made + 1);
    EXPECT_EQ(files.count("list"), 0);
}

}  // namespace
}  // namespace corvallo::engine
