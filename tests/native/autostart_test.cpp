#include "autostart/bootwire.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/memory_files.h"
#include "tests/support/recording_registry.h"
#include "tests/support/recording_shell.h"
#include "tests/support/recording_system_info.h"

namespace corvallo::autostart {
namespace {

using platform::RegistryRoot;
using testing::MemoryFiles;
using testing::RecordingRegistry;
using testing::RecordingShell;
using testing::RecordingSystemInfo;

constexpr RegistryRoot kMachine = RegistryRoot::LocalMachine;
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kProgramFolder = "C:\\Program Files\\Corvallo";
const std::string kStartup = "C:\\Users\\lin\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
const std::string kShortcut = kStartup + "\\Corvallo.lnk";

const char kRefusalText[] = "您不能直接启动这个程序，该程序的运行无需用户手动操作！";
const char kWarningText[] =
    "检测到正确的授予管理员权限，因此可能无法正确设置开机启动，请退出并重新运行软件，然后在选项中尝试重新设定开机启动功能！";

class RecordingBoxes : public MessageBoxes {
public:
    struct Box {
        std::string title;
        std::string text;
        BoxIcon icon;
    };
    std::vector<Box> shown;
    std::function<void()> whileOpen;  // runs before the box "closes"

    void show(std::string_view title, std::string_view text, BoxIcon icon) override {
        shown.push_back({std::string(title), std::string(text), icon});
        if (whileOpen) whileOpen();
    }
};

// ---- The command line ----

TEST(BootwireCommandLineTest, SplitsArgumentsAsBootwireReadsThem) {
    struct Case {
        const char* what;
        std::string line;
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {"no argument", "\"C:\\Program Files\\Corvallo\\Bootwire.exe\"", {}},
        {"no argument, unquoted path", "C:\\Corvallo\\Bootwire.exe", {}},
        {"only blanks after the path", "\"C:\\Corvallo\\Bootwire.exe\"   ", {}},
        {"empty line", "", {}},
        {"one verb", "\"C:\\Program Files\\Corvallo\\Bootwire.exe\" bootwire", {"bootwire"}},
        {"verb in capitals", "\"C:\\Corvallo\\Bootwire.exe\" BOOTWIRE", {"BOOTWIRE"}},
        {"two words", "\"C:\\Corvallo\\Bootwire.exe\" bootwire extra", {"bootwire", "extra"}},
        {"both verbs", "\"C:\\Corvallo\\Bootwire.exe\" bootwire delautostart", {"bootwire", "delautostart"}},
        {"quoted path with blanks", "\"C:\\Program Files (x86)\\My Tools\\Bootwire.exe\" delautostart",
         {"delautostart"}},
        {"unquoted path", "C:\\Corvallo\\Bootwire.exe bootwire", {"bootwire"}},
        {"several blanks before the verb", "C:\\Corvallo\\Bootwire.exe    bootwire  ", {"bootwire"}},
        {"tabs and control characters", "C:\\Corvallo\\Bootwire.exe \tbootwire\r\n", {"bootwire"}},
        {"quoted verb", "\"C:\\Corvallo\\Bootwire.exe\" \"bootwire\"", {"bootwire"}},
        {"quoted argument keeps its blank", "\"C:\\Corvallo\\Bootwire.exe\" \"boot wire\"", {"boot wire"}},
        {"empty quotes are an argument", "\"C:\\Corvallo\\Bootwire.exe\" \"\"", {""}},
        {"unclosed quote runs to the end", "\"C:\\Corvallo\\Bootwire.exe\" \"bootwire", {"bootwire"}},
        {"unclosed quoted path swallows the line", "\"C:\\Corvallo\\Bootwire.exe bootwire", {}},
        {"a quote ends a word", "C:\\Corvallo\\Bootwire.exe boot\"wire\"", {"boot", "wire"}},
        {"a quoted argument needs no blank after it", "C:\\x.exe \"boot\"wire", {"boot", "wire"}},
        {"backslashes escape nothing", "C:\\x.exe \"a\\\"b", {"a\\", "b"}},
        {"double-byte path", "\"D:\\备份 工具\\启动器\\Bootwire.exe\" bootwire", {"bootwire"}},
        {"double-byte unquoted path", "D:\\备份工具\\Bootwire.exe delautostart", {"delautostart"}},
        {"double-byte argument", "C:\\x.exe 开机启动", {"开机启动"}},
        {"double-byte words", "C:\\x.exe 开机 启动", {"开机", "启动"}},
        {"quoted double-byte argument", "C:\\x.exe \"开机 启动\"", {"开机 启动"}},
        {"four-byte characters", "C:\\x.exe 𠀀𠀁 \"😀\"", {"𠀀𠀁", "😀"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(parseArguments(c.line), c.arguments);
    }
}

TEST(BootwireCommandLineTest, RefusesAnythingButOneArgument) {
    struct Case {
        std::string line;
        std::optional<std::string> accepted;
    };
    const Case cases[] = {
        {"\"C:\\Program Files\\Corvallo\\Bootwire.exe\"", std::nullopt},
        {"\"C:\\Program Files\\Corvallo\\Bootwire.exe\" bootwire extra", std::nullopt},
        {"\"C:\\Program Files\\Corvallo\\Bootwire.exe\" \"\" \"\"", std::nullopt},
        {"\"C:\\Program Files\\Corvallo\\Bootwire.exe\" bootwire", "bootwire"},
        {"\"C:\\Program Files\\Corvallo\\Bootwire.exe\" \"delautostart\"", "delautostart"},
        {"\"C:\\Program Files\\Corvallo\\Bootwire.exe\" whatever", "whatever"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        RecordingBoxes boxes;
        EXPECT_EQ(acceptCommandLine(c.line, boxes), c.accepted);
        if (c.accepted) {
            EXPECT_TRUE(boxes.shown.empty());
        } else {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].title, "无法启动");
            EXPECT_EQ(boxes.shown[0].text, kRefusalText);
            EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Error);
        }
    }
}

// ---- The work ----

class BootwireTest : public ::testing::Test {
protected:
    BootwireTest() {
        files.addDrive("C:");
        files.addFile(kProgramFolder + "\\Bootwire.exe", "MZ");
        files.addFile(kProgramFolder + "\\Corvallo.exe", "MZ");
        files.addFile(kStartup + "\\Other.lnk", "link");
        registry.addKey(kMachine, kRunKey);
        registry.setValue(kMachine, kRunKey, "Other", "C:\\Other\\other.exe");
        shell.startup = kStartup;
    }

    void run(std::string_view argument, std::string_view folder) { carryOut(argument, folder, services); }
    void run(std::string_view argument) { run(argument, kProgramFolder); }
    std::optional<std::string> runValue() const { return registry.value(kMachine, kRunKey, "Corvallo"); }

    MemoryFiles files;
    RecordingRegistry registry;
    RecordingShell shell;
    RecordingSystemInfo system;
    RecordingBoxes boxes;
    Services services{registry, shell, system, files, boxes};
};

TEST_F(BootwireTest, SetWritesThePathBesideBootwireQuotedWhenItHoldsABlank) {
    struct Case {
        std::string folder;
        std::string data;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Corvallo", "\"C:\\Program Files\\Corvallo\\Corvallo.exe\""},
        {"C:\\Corvallo", "C:\\Corvallo\\Corvallo.exe"},
        {"C:\\备份工具", "C:\\备份工具\\Corvallo.exe"},
        {"C:\\备份 工具", "\"C:\\备份 工具\\Corvallo.exe\""},
        {"C:", "C:\\Corvallo.exe"},  // a program in the root of a drive
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        files.addFile(c.folder + "\\Corvallo.exe", "MZ");
        run("bootwire", c.folder);
        EXPECT_EQ(runValue(), c.data);
    }
    EXPECT_EQ(registry.value(kMachine, kRunKey, "Other"), "C:\\Other\\other.exe");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(BootwireTest, SetTwiceLeavesOneValueWithTheLatestPath) {
    files.addDrive("D:");
    files.addFile("D:\\Tools\\Corvallo.exe", "MZ");
    run("bootwire");
    run("bootwire", "D:\\Tools");
    auto values = registry.values(kMachine, kRunKey);
    EXPECT_EQ(values.size(), 2u);  // "Other" and ours
    EXPECT_EQ(values["corvallo"], "D:\\Tools\\Corvallo.exe");
}

TEST_F(BootwireTest, SetOverwritesAValueWrittenInAnotherCase) {
    registry.setValue(kMachine, kRunKey, "CORVALLO", "C:\\Old\\Corvallo.exe");
    run("bootwire");
    EXPECT_EQ(runValue(), "\"C:\\Program Files\\Corvallo\\Corvallo.exe\"");
    EXPECT_EQ(registry.values(kMachine, kRunKey).size(), 2u);
}

TEST_F(BootwireTest, SetWritesNothingWithoutTheMainProgramBesideBootwire) {
    struct Case {
        const char* what;
        std::function<void(MemoryFiles&)> arrange;
    };
    const Case cases[] = {
        {"missing", [](MemoryFiles& f) { f.removeFile(kProgramFolder + "\\Corvallo.exe"); }},
        {"a folder of that name",
         [](MemoryFiles& f) {
             f.removeFile(kProgramFolder + "\\Corvallo.exe");
             f.addFolder(kProgramFolder + "\\Corvallo.exe");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFiles fresh;
        fresh.addDrive("C:");
        fresh.addFile(kProgramFolder + "\\Bootwire.exe", "MZ");
        fresh.addFile(kProgramFolder + "\\Corvallo.exe", "MZ");
        c.arrange(fresh);
        RecordingRegistry freshRegistry;
        freshRegistry.addKey(kMachine, kRunKey);
        EXPECT_FALSE(setAutostart(kProgramFolder + "\\Corvallo.exe", freshRegistry, fresh));
        EXPECT_TRUE(freshRegistry.calls.empty());
        EXPECT_TRUE(freshRegistry.values(kMachine, kRunKey).empty());
    }
    // And through the verb, with the other values left as they were.
    files.removeFile(kProgramFolder + "\\Corvallo.exe");
    run("bootwire");
    EXPECT_FALSE(runValue());
    EXPECT_EQ(registry.values(kMachine, kRunKey).size(), 1u);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(BootwireTest, SetNeverCreatesTheRunKeyAndStopsWhenItCannotWrite) {
    RecordingRegistry noKey;
    EXPECT_FALSE(setAutostart(kProgramFolder + "\\Corvallo.exe", noKey, files));
    EXPECT_FALSE(noKey.value(kMachine, kRunKey, "Corvallo"));
    EXPECT_TRUE(noKey.values(kMachine, kRunKey).empty());

    RecordingRegistry refused;
    refused.addKey(kMachine, kRunKey);
    refused.refuseWriting(kMachine, kRunKey);
    EXPECT_FALSE(setAutostart(kProgramFolder + "\\Corvallo.exe", refused, files));
    EXPECT_FALSE(refused.value(kMachine, kRunKey, "Corvallo"));

    RecordingRegistry failing;
    failing.addKey(kMachine, kRunKey);
    failing.failWrites(kMachine, kRunKey);
    EXPECT_FALSE(setAutostart(kProgramFolder + "\\Corvallo.exe", failing, files));
    EXPECT_EQ(failing.calls.back(), std::string("set HKLM\\") + kRunKey +
                                        "\\Corvallo = \"C:\\Program Files\\Corvallo\\Corvallo.exe\"");

    EXPECT_TRUE(setAutostart(kProgramFolder + "\\Corvallo.exe", registry, files));
}

TEST_F(BootwireTest, DeleteRemovesTheValueAndTheShortcutAndTellsTheShell) {
    registry.setValue(kMachine, kRunKey, "Corvallo", "C:\\Corvallo\\Corvallo.exe");
    files.addFile(kShortcut, "link");
    run("delautostart");
    EXPECT_FALSE(runValue());
    EXPECT_FALSE(files.content(kShortcut));
    EXPECT_EQ(registry.value(kMachine, kRunKey, "Other"), "C:\\Other\\other.exe");
    EXPECT_EQ(files.content(kStartup + "\\Other.lnk"), "link");
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"deleted " + kShortcut, "updated " + kStartup}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(BootwireTest, DeleteDoesEachPartWhateverTheOtherFinds) {
    struct Case {
        const char* what;
        bool value;
        bool shortcut;
        bool keyOpens;
        bool deleted;
    };
    const Case cases[] = {
        {"neither exists", false, false, true, false},
        {"only the value", true, false, true, true},
        {"only the shortcut", false, true, true, true},
        {"shortcut while the key is refused", true, true, false, true},
        {"nothing while the key is refused", true, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryFiles disk;
        disk.addDrive("C:");
        disk.addFolder(kStartup);
        if (c.shortcut) disk.addFile(kShortcut, "link");
        RecordingRegistry machine;
        machine.addKey(kMachine, kRunKey);
        if (c.value) machine.setValue(kMachine, kRunKey, "Corvallo", "C:\\Corvallo\\Corvallo.exe");
        if (!c.keyOpens) machine.refuseWriting(kMachine, kRunKey);
        RecordingShell desktop;
        desktop.startup = kStartup;

        EXPECT_EQ(deleteAutostart(machine, desktop, disk), c.deleted);
        EXPECT_EQ(machine.value(kMachine, kRunKey, "Corvallo").has_value(), c.value && !c.keyOpens);
        EXPECT_FALSE(disk.content(kShortcut));
        EXPECT_EQ(desktop.calls, (std::vector<std::string>{"deleted " + kShortcut, "updated " + kStartup}));
    }
}

TEST_F(BootwireTest, DeleteLeavesAFolderOfTheShortcutsNameAndSurvivesAFailedRemoval) {
    files.addFolder(kShortcut);
    files.addFile(kShortcut + "\\inside.txt", "x");
    EXPECT_FALSE(deleteAutostart(registry, shell, files));
    EXPECT_EQ(files.content(kShortcut + "\\inside.txt"), "x");

    MemoryFiles locked;
    locked.addDrive("C:");
    locked.addFile(kShortcut, "link");
    locked.inject({"remove", kShortcut, platform::FileErrorKind::SharingViolation});
    shell.calls.clear();
    EXPECT_FALSE(deleteAutostart(registry, shell, locked));
    EXPECT_EQ(locked.content(kShortcut), "link");
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"deleted " + kShortcut, "updated " + kStartup}));
}

TEST_F(BootwireTest, DeleteWithoutAStartupFolderStillRemovesTheValue) {
    registry.setValue(kMachine, kRunKey, "Corvallo", "C:\\Corvallo\\Corvallo.exe");
    shell.startup.clear();
    EXPECT_TRUE(deleteAutostart(registry, shell, files));
    EXPECT_FALSE(runValue());
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(files.count("remove"), 0);
}

TEST_F(BootwireTest, AnyOtherArgumentDoesNothing) {
    registry.setValue(kMachine, kRunKey, "Corvallo", "C:\\Corvallo\\Corvallo.exe");
    files.addFile(kShortcut, "link");
    registry.calls.clear();
    const char* arguments[] = {"BOOTWIRE", "Bootwire", "DelAutostart", "bootwire ", " delautostart", "boot", "",
                               "bootwire\t", "开机启动"};
    for (const char* argument : arguments) {
        SCOPED_TRACE(argument);
        run(argument);
        EXPECT_TRUE(registry.calls.empty());
        EXPECT_TRUE(shell.calls.empty());
        EXPECT_EQ(files.count("remove"), 0);
        EXPECT_EQ(runValue(), "C:\\Corvallo\\Corvallo.exe");
        EXPECT_EQ(files.content(kShortcut), "link");
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(BootwireTest, WarnsOnlyOnWindowsWithAccountControlWithoutRightsAndWorksOnAfterwards) {
    struct Case {
        int code;
        bool elevated;
        bool warned;
        bool asked;
    };
    const Case cases[] = {
        {4, false, true, true},  {5, false, true, true},  {6, false, true, true},
        {4, true, false, true},  {5, true, false, true},  {6, true, false, true},
        {1, false, false, false}, {2, false, false, false}, {3, false, false, false},
        {-1, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("code " + std::to_string(c.code) + (c.elevated ? ", elevated" : ", not elevated"));
        for (const char* verb : {"bootwire", "delautostart", "other"}) {
            SCOPED_TRACE(verb);
            registry.setValue(kMachine, kRunKey, "Corvallo", "C:\\Old\\Corvallo.exe");
            system.elevationAsked = false;
            system.versionCode = c.code;
            system.elevated = c.elevated;
            boxes.shown.clear();
            std::optional<std::string> valueWhileWarning;
            boxes.whileOpen = [&] { valueWhileWarning = runValue(); };

            run(verb);

            EXPECT_EQ(system.elevationAsked, c.asked);
            if (c.warned) {
                ASSERT_EQ(boxes.shown.size(), 1u);
                EXPECT_EQ(boxes.shown[0].title, "权限不足");
                EXPECT_EQ(boxes.shown[0].text, kWarningText);
                EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Warning);
                // The verb waits for the box and then goes on.
                EXPECT_EQ(valueWhileWarning, "C:\\Old\\Corvallo.exe");
            } else {
                EXPECT_TRUE(boxes.shown.empty());
            }
            std::optional<std::string> expected;
            if (std::string(verb) == "bootwire") expected = "\"C:\\Program Files\\Corvallo\\Corvallo.exe\"";
            if (std::string(verb) == "other") expected = "C:\\Old\\Corvallo.exe";
            EXPECT_EQ(runValue(), expected);
        }
    }
}

}  // namespace
}  // namespace corvallo::autostart
