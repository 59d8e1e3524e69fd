// Bootwire.exe itself, run as Corvallo runs it, against this prefix's real registry and Startup folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "tests/windows/autostart_windows_support.h"
#include "tests/windows/temp_folder.h"

namespace corvallo::testing {
namespace {

using platform::RegistryAccess;
using platform::RegistryRoot;
using platform::win32::widen;

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr int kRunLimitMs = 30000;

std::optional<std::string> runValue() {
    auto key = platform::win32::Win32Registry().openKey(RegistryRoot::LocalMachine, kRunKey, RegistryAccess::Read);
    return key ? key->readString("Corvallo") : std::nullopt;
}

void setRunValue(const std::string& data) {
    auto key =
        platform::win32::Win32Registry().openKey(RegistryRoot::LocalMachine, kRunKey, RegistryAccess::ReadWrite);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->setString("Corvallo", data));
}

void removeRunValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, widen(kRunKey).c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, L"Corvallo");
    RegCloseKey(key);
}

// Names of the Run key's values that Windows takes for ours (names compare without case).
std::vector<std::string> ourValueNames() {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, widen(kRunKey).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (lstrcmpiW(name, L"Corvallo") == 0) names.push_back(platform::win32::narrow(name));
    }
    RegCloseKey(key);
    return names;
}

bool fileExists(const std::string& path) {
    return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

class BootwireProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        removeRunValue();
        startup_ = platform::win32::Win32Shell().startupFolder();
        ASSERT_FALSE(startup_.empty());
        CreateDirectoryW(widen(startup_).c_str(), nullptr);
        DeleteFileW(widen(shortcut()).c_str());
    }
    void TearDown() override {
        removeRunValue();
        DeleteFileW(widen(shortcut()).c_str());
    }

    // A folder below the temporary one holding a copy of Bootwire.exe and, when asked, a Corvallo.exe.
    std::string installIn(const std::string& name, bool withMainProgram) {
        std::string folder = temp_ / name;
        EXPECT_TRUE(CreateDirectoryW(widen(folder).c_str(), nullptr)) << folder;
        EXPECT_TRUE(copyFileTo(builtBootwire(), folder + "\\Bootwire.exe")) << builtBootwire();
        // Any program will do: it is only looked for, never started.
        if (withMainProgram) {
            EXPECT_TRUE(copyFileTo(builtBootwire(), folder + "\\Corvallo.exe"));
        }
        return folder;
    }

    // Runs Bootwire as Corvallo does ("<path>" <arguments>) and returns its exit code once it has ended.
    // A box it shows instead of ending is answered and fails the test.
    DWORD run(const std::string& folder, const std::string& arguments) {
        std::string program = folder + "\\Bootwire.exe";
        Process bootwire(program, "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments));
        EXPECT_TRUE(bootwire.started()) << program;
        if (!bootwire.started()) return 99;
        if (!bootwire.ended(kRunLimitMs)) {
            HWND box = findBox(bootwire.id());
            ADD_FAILURE() << "Bootwire " << arguments << " did not end"
                          << (box ? ", it shows " + describeBox(box) : std::string());
            if (box) pressOk(box);
            bootwire.ended(kRunLimitMs);
        }
        return bootwire.exitCode();
    }

    std::string shortcut() const { return startup_ + "\\Corvallo.lnk"; }

    TempFolder temp_;
    std::string startup_;
};

TEST_F(BootwireProgramTest, BootwireWritesThePathBesideItOnceHoweverOftenItRuns) {
    struct Case {
        std::string folder;
        bool quoted;
    };
    const Case cases[] = {
        {"plain", false},
        {"备份 工具", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        std::string folder = installIn(c.folder, true);
        std::string path = folder + "\\Corvallo.exe";
        EXPECT_EQ(run(folder, "bootwire"), 0u);
        EXPECT_EQ(runValue(), c.quoted ? "\"" + path + "\"" : path);
        EXPECT_EQ(run(folder, "bootwire"), 0u);
        EXPECT_EQ(ourValueNames(), std::vector<std::string>{"Corvallo"});
        EXPECT_EQ(runValue(), c.quoted ? "\"" + path + "\"" : path);
    }
}

TEST_F(BootwireProgramTest, NothingIsWrittenWithoutCorvalloBesideIt) {
    std::string folder = installIn("alone", false);
    EXPECT_EQ(run(folder, "bootwire"), 0u);
    EXPECT_FALSE(runValue());

    // An entry made by an earlier installation stays as it was.
    setRunValue("C:\\Earlier\\Corvallo.exe");
    EXPECT_EQ(run(folder, "bootwire"), 0u);
    EXPECT_EQ(runValue(), "C:\\Earlier\\Corvallo.exe");
}

TEST_F(BootwireProgramTest, DelautostartRemovesTheValueAndTheStartupShortcutOnly) {
    std::string folder = installIn("delete", true);
    ASSERT_EQ(run(folder, "bootwire"), 0u);
    ASSERT_TRUE(runValue());
    const std::string other = startup_ + "\\Corvallo-other.lnk";
    for (const std::string& path : {shortcut(), other}) {
        HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
        CloseHandle(file);
    }

    EXPECT_EQ(run(folder, "delautostart"), 0u);
    EXPECT_FALSE(runValue());
    EXPECT_TRUE(ourValueNames().empty());
    EXPECT_FALSE(fileExists(shortcut()));
    EXPECT_TRUE(fileExists(other));
    DeleteFileW(widen(other).c_str());

    // Neither exists now: it ends quietly, with no box to wait for.
    EXPECT_EQ(run(folder, "delautostart"), 0u);
    EXPECT_FALSE(runValue());
}

TEST_F(BootwireProgramTest, OnlyTheExactVerbsDoAnything) {
    struct Case {
        const char* arguments;
        bool writes;
    };
    const Case cases[] = {
        {"\"bootwire\"", true},
        {"BOOTWIRE", false},
        {"\"\"", false},
    };
    std::string folder = installIn("verbs", true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        removeRunValue();
        EXPECT_EQ(run(folder, c.arguments), 0u);
        EXPECT_EQ(runValue().has_value(), c.writes);
    }
}

TEST_F(BootwireProgramTest, StartedByHandItRefusesWithABoxAndNeverShowsItsWindow) {
    if (!messageBoxesCanShow())
        GTEST_SKIP() << "this Wine desktop cannot show message boxes: it needs a display (DISPLAY set, e.g. Xvfb) "
                        "when the prefix's server starts";
    std::string folder = installIn("by hand", true);
    const char* argumentLists[] = {"", "bootwire delautostart", "bootwire extra", "\"\" \"\""};
    for (const char* arguments : argumentLists) {
        SCOPED_TRACE(std::string("arguments: ") + arguments);
        std::string program = folder + "\\Bootwire.exe";
        Process bootwire(program, "\"" + program + "\"" + (*arguments ? std::string(" ") + arguments : ""));
        ASSERT_TRUE(bootwire.started());
        HWND box = bootwire.waitForBox(kRunLimitMs);
        ASSERT_NE(box, nullptr) << "no box; ended: " << bootwire.ended(0);
        EXPECT_EQ(windowText(box), "无法启动");
        EXPECT_EQ(windowText(GetDlgItem(box, 0xFFFF)), "您不能直接启动这个程序，该程序的运行无需用户手动操作！");
        for (const auto& window : topWindowsOf(bootwire.id())) {
            if (window.handle != box) {
                EXPECT_FALSE(window.visible) << window.className << " \"" << window.title << "\"";
            }
        }
        EXPECT_FALSE(bootwire.ended(0));  // the box holds it until answered
        pressOk(box);
        ASSERT_TRUE(bootwire.ended(kRunLimitMs));
        EXPECT_EQ(bootwire.exitCode(), 0u);
        EXPECT_FALSE(runValue());
    }
}

TEST(BootwireResourcesTest, ManifestAsksForAdministratorRightsStylesAndDpiAwarenessBesideIconAndVersion) {
    HMODULE module = LoadLibraryExW(widen(builtBootwire()).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << builtBootwire();
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(resource, nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, resource)));
    std::string manifest(bytes, SizeofResource(module, resource));
    for (const char* part : {"level=\"requireAdministrator\"", "uiAccess=\"false\"",
                             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "true/pm</dpiAware>",
                             "PerMonitorV2, PerMonitor</dpiAwareness>"}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
    // A second manifest (one a toolchain might add) would leave Windows to pick either.
    int manifests = 0;
    EnumResourceNamesW(
        module, RT_MANIFEST,
        [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR count) -> BOOL {
            ++*reinterpret_cast<int*>(count);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&manifests));
    EXPECT_EQ(manifests, 1);
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION), nullptr);
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
    FreeLibrary(module);
}

}  // namespace
}  // namespace corvallo::testing
