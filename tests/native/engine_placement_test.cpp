// Where a file goes below a destination's run folder, and which name it gets there.
#include <gtest/gtest.h>

#include "engine/placement.h"
#include "engine/transfer.h"
#include "tests/native/engine_fixture.h"

namespace corvallo::engine {
namespace {

using platform::FileErrorKind;

// Keeps the jobs instead of copying: names must not depend on any copy having happened.
class HoldingCopier : public Copier {
public:
    void submit(CopyJob job) override { jobs.push_back(std::move(job)); }
    void finish() override {}
    std::vector<std::string> targets() const {
        std::vector<std::string> out;
        for (const auto& job : jobs) out.push_back(job.folder + job.name);
        return out;
    }
    std::vector<CopyJob> jobs;
};

class EnginePlacementTest : public ::testing::Test, protected testing::EngineFixture {
protected:
    // Places every source below E:\bak\<run>\ and returns the targets relative to it.
    std::vector<std::string> place(const std::vector<std::string>& sources) {
        const std::string root = std::string("E:\\bak\\") + testing::kRun + "\\";
        std::vector<std::string> out;
        for (const auto& source : sources) {
            auto error = copyIntoBackup(source, root, targets, copier);
            if (error) {
                out.push_back("error: " + error.describe());
                continue;
            }
            std::string target = copier.targets().back();
            out.push_back(target.substr(0, root.size()) == root ? target.substr(root.size()) : target);
        }
        return out;
    }
    TargetFolders targets{files};
    HoldingCopier copier;
};

TEST_F(EnginePlacementTest, MirrorsTheFolderPathWithoutDriveOrShare) {
    struct Case {
        std::string source;
        std::string target;
    };
    const Case cases[] = {
        {"D:\\data\\docs\\a.doc", "data\\docs\\a.doc"},
        {"C:\\b.doc", "b.doc"},
        {"\\\\nas\\share\\data\\c.doc", "data\\c.doc"},
        {"\\\\nas\\share\\d.doc", "d.doc"},
        {"D:\\data\\.\\x\\..\\docs\\\\e.doc", "data\\docs\\e.doc"},
        {"D:\\数据\\한국어\\😀.doc", "数据\\한국어\\😀.doc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(place({c.source}), std::vector<std::string>{c.target});
    }
    EXPECT_TRUE(files.hasFolder(std::string("E:\\bak\\") + testing::kRun + "\\data\\docs"));
}

TEST_F(EnginePlacementTest, CollisionPrefixesAccumulateWhateverTheCaseOrRoot) {
    EXPECT_EQ(place({"C:\\work\\x.txt", "D:\\work\\x.txt", "\\\\nas\\share\\work\\X.TXT", "F:\\Work\\x.txt",
                     "C:\\work\\y.txt"}),
              (std::vector<std::string>{"work\\x.txt", "work\\1_x.txt", "work\\2_1_X.TXT", "Work\\3_2_1_x.txt",
                                        "work\\y.txt"}));
}

TEST_F(EnginePlacementTest, NamesAlreadyInAnExistingTargetFolderAreAvoidedAfterOneListing) {
    const std::string existing = std::string("E:\\bak\\") + testing::kRun + "\\data\\";
    files.addFile(existing + "a.doc", "old");
    files.addFile(existing + "1_a.doc", "old");
    files.addFolder(existing + "b.doc");
    EXPECT_EQ(place({"D:\\data\\a.doc", "D:\\data\\b.doc", "D:\\data\\c.doc", "C:\\data\\a.doc"}),
              (std::vector<std::string>{"data\\2_1_a.doc", "data\\1_b.doc", "data\\c.doc", "data\\3_2_1_a.doc"}));
    EXPECT_EQ(files.count("list"), 1);
}

TEST_F(EnginePlacementTest, AFolderTheRunMadeIsKnownEmptyAndNeverListed) {
    std::vector<std::string> sources;
    for (int i = 0; i < 50; ++i) sources.push_back("D:\\data\\sub" + std::to_string(i % 5) + "\\f" + std::to_string(i));
    place(sources);
    EXPECT_EQ(files.count("list"), 0);
    EXPECT_EQ(files.count("create folder"), 8);  // bak, the run folder, data, sub0 to sub4
}

TEST_F(EnginePlacementTest, FilesAndFoldersOfOneNameShareTheCollisionRule) {
    // A file named like a mirrored folder takes a prefix; a folder whose name a file holds cannot be made,
    // even while that file's copy is still waiting.
    EXPECT_EQ(place({"D:\\data\\x.doc", "C:\\data", "C:\\note", "D:\\note\\y.doc"}),
              (std::vector<std::string>{"data\\x.doc", "1_data", "note",
                                        "error: create folder \"E:\\bak\\2014-8-15 937\\note\": a file of that name is in the way"}));
}

TEST_F(EnginePlacementTest, PathsThatAreNotDriveOrSharePathsAreRefused) {
    HoldingCopier holding;
    struct Case {
        std::string source, root;
    };
    const Case cases[] = {
        {"relative\\a.doc", "E:\\bak\\R\\"},
        {"D:\\a.doc", "bak\\R\\"},
        {"D:\\a.doc", ""},
        {"", "E:\\bak\\R\\"},
        {"\\\\nas\\share\\a.doc", "\\\\nas\\share\\bak\\.\\R"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source + " -> " + c.root);
        auto error = copyIntoBackup(c.source, c.root, targets, holding);
        EXPECT_EQ(error.kind, FileErrorKind::InvalidPath) << error.describe();
    }
    EXPECT_TRUE(holding.jobs.empty());
}

TEST_F(EnginePlacementTest, ATargetRootWithoutTrailingSeparatorGetsOne) {
    ASSERT_FALSE(copyIntoBackup("D:\\x\\a.doc", "E:\\bak\\R", targets, copier));
    EXPECT_EQ(copier.targets(), std::vector<std::string>{"E:\\bak\\R\\x\\a.doc"});
}

}  // namespace
}  // namespace corvallo::engine
