// The registry, system and shell pieces of the platform layer on the real Win32 calls.

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/shell.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_system_info.h"
#include "tests/windows/autostart_windows_support.h"
#include "tests/windows/temp_folder.h"

namespace corvallo::platform::win32 {
namespace {

using corvallo::testing::TempFolder;

// A key of our own under HKEY_CURRENT_USER, removed with its values at the end.
class ScratchKey {
public:
    ScratchKey() : path_("Software\\CorvalloTest-" + std::to_string(GetCurrentProcessId())) {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, widen(path_).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        if (key) RegCloseKey(key);
    }
    ~ScratchKey() { RegDeleteTreeW(HKEY_CURRENT_USER, widen(path_).c_str()); }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    const std::string& path() const { return path_; }

    // What Windows holds: the type and the raw size, as other programs will read it.
    DWORD type(const char* name, DWORD* bytes) const {
        DWORD type = 0;
        *bytes = 0;
        RegGetValueW(HKEY_CURRENT_USER, widen(path_).c_str(), widen(name).c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                     nullptr, bytes);
        return type;
    }
    bool exists(const char* name) const {
        return RegGetValueW(HKEY_CURRENT_USER, widen(path_).c_str(), widen(name).c_str(), RRF_RT_ANY, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
    }

private:
    std::string path_;
};

TEST(Win32RegistryTest, WritesReadsAndDeletesTextValues) {
    ScratchKey scratch;
    Win32Registry registry;
    auto key = registry.openKey(RegistryRoot::CurrentUser, scratch.path(), RegistryAccess::ReadWrite);
    ASSERT_TRUE(key);
    const std::string values[] = {"C:\\Program Files\\Corvallo\\Corvallo.exe", "\"D:\\备份 工具\\Corvallo.exe\"",
                                  "😀 𠀀", "", std::string(5000, 'x') + "尾"};
    for (const auto& data : values) {
        SCOPED_TRACE(data.substr(0, 40));
        ASSERT_TRUE(key->setString("名字", data));
        EXPECT_EQ(key->readString("名字"), data);
        DWORD bytes = 0;
        EXPECT_EQ(scratch.type("名字", &bytes), static_cast<DWORD>(REG_SZ));
        // Terminated, as programs that read REG_SZ without care expect.
        EXPECT_EQ(bytes, (widen(data).size() + 1) * sizeof(wchar_t));
    }
    // Stored, not held by the handle: a second handle sees it.
    EXPECT_EQ(registry.openKey(RegistryRoot::CurrentUser, scratch.path(), RegistryAccess::Read)->readString("名字"),
              values[4]);
    EXPECT_TRUE(key->deleteValue("名字"));
    EXPECT_FALSE(scratch.exists("名字"));
    EXPECT_FALSE(key->readString("名字"));
    EXPECT_FALSE(key->deleteValue("名字"));
}

TEST(Win32RegistryTest, ReadsOnlyTextAndWritesOnlyWhenAskedTo) {
    ScratchKey scratch;
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, widen(scratch.path()).c_str(), 0, KEY_SET_VALUE, &raw), ERROR_SUCCESS);
    DWORD number = 7;
    RegSetValueExW(raw, L"number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegSetValueExW(raw, L"text", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"old"), 4 * sizeof(wchar_t));
    RegCloseKey(raw);

    Win32Registry registry;
    auto reader = registry.openKey(RegistryRoot::CurrentUser, scratch.path(), RegistryAccess::Read);
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->readString("number"));
    EXPECT_FALSE(reader->readString("missing"));
    EXPECT_EQ(reader->readString("text"), "old");
    EXPECT_FALSE(reader->setString("text", "new"));
    EXPECT_FALSE(reader->deleteValue("text"));
    EXPECT_EQ(reader->readString("text"), "old");
}

TEST(Win32RegistryTest, OpensOnlyKeysThatExist) {
    ScratchKey scratch;
    Win32Registry registry;
    const std::string missing = scratch.path() + "\\missing\\deeper";
    EXPECT_FALSE(registry.openKey(RegistryRoot::CurrentUser, missing, RegistryAccess::ReadWrite));
    HKEY probe = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, widen(scratch.path() + "\\missing").c_str(), 0, KEY_READ, &probe),
              ERROR_SUCCESS);
    EXPECT_TRUE(registry.openKey(RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                 RegistryAccess::Read));
}

TEST(Win32SystemInfoTest, ReadsTheRealVersionAndTheToken) {
    // The kernel's own copy of the version, which no compatibility setting changes.
    const auto* shared = reinterpret_cast<const volatile ULONG*>(0x7FFE0000);
    WindowsVersion kernel{static_cast<int>(shared[0x26C / 4]), static_cast<int>(shared[0x270 / 4])};
    WindowsVersion actual = actualWindowsVersion();
    EXPECT_EQ(actual.major, kernel.major);
    EXPECT_EQ(actual.minor, kernel.minor);

    Win32SystemInfo system;
    SCOPED_TRACE(std::to_string(actual.major) + "." + std::to_string(actual.minor));
    // This prefix presents Windows 7 or later; each has user account control.
    ASSERT_TRUE(actual.major > 6 || (actual.major == 6 && actual.minor >= 1));
    EXPECT_EQ(system.windowsVersionCode(), actual.major == 6 && actual.minor == 1 ? 5 : 6);
    // Wine gives every process an elevated token.
    EXPECT_TRUE(system.isProcessElevated());
}

TEST(Win32ShellTest, QuotedArgumentsComeBackWholeThroughTheWindowsRules) {
    const std::string arguments[] = {"bootwire", "", "a b", "C:\\my dir\\", "say \"hi\"", "a\\\"b", "a\\\\b c",
                                     "\\\\server\\share\\x y", "中文 参数", "tab\there", "\"", "\\"};
    for (const auto& argument : arguments) {
        SCOPED_TRACE(argument);
        std::wstring line = L"prog.exe " + widen(quoteArgument(argument));
        int count = 0;
        LPWSTR* parts = CommandLineToArgvW(line.c_str(), &count);
        ASSERT_NE(parts, nullptr);
        ASSERT_EQ(count, 2);
        EXPECT_EQ(narrow(parts[1]), argument);
        LocalFree(parts);
    }
}

TEST(Win32ShellTest, StartupFolderIsTheUsersAndProgramDirectoryIsOurs) {
    Win32Shell shell;
    wchar_t legacy[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, legacy), S_OK);
    EXPECT_EQ(shell.startupFolder(), narrow(legacy));

    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::string expected = narrow(self);
    expected.resize(expected.rfind('\\'));
    EXPECT_EQ(shell.programDirectory(), expected);
    EXPECT_EQ(programDirectory(), expected);
}

TEST(Win32ShellTest, StartElevatedRunsTheProgramWithItsOneArgumentAndDoesNotWait) {
    TempFolder temp;
    const std::string folder = temp / "启动 测试";
    ASSERT_TRUE(CreateDirectoryW(widen(folder).c_str(), nullptr));
    ASSERT_TRUE(corvallo::testing::copyFileTo(corvallo::testing::builtBootwire(), folder + "\\Bootwire.exe"));
    ASSERT_TRUE(corvallo::testing::copyFileTo(corvallo::testing::builtBootwire(), folder + "\\Corvallo.exe"));
    Win32Registry registry;
    const char* run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    if (auto key = registry.openKey(RegistryRoot::LocalMachine, run, RegistryAccess::ReadWrite))
        key->deleteValue("Corvallo");

    Win32Shell shell;
    EXPECT_FALSE(shell.startElevated(folder + "\\Missing.exe", "bootwire"));
    ASSERT_TRUE(shell.startElevated(folder + "\\Bootwire.exe", "bootwire"));

    // Bootwire got exactly one argument, the verb, or it would have refused or done nothing.
    std::optional<std::string> written;
    for (int i = 0; i < 1500 && !written; ++i) {
        if (auto key = registry.openKey(RegistryRoot::LocalMachine, run, RegistryAccess::Read))
            written = key->readString("Corvallo");
        if (!written) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(written, "\"" + folder + "\\Corvallo.exe\"");
    if (auto key = registry.openKey(RegistryRoot::LocalMachine, run, RegistryAccess::ReadWrite))
        key->deleteValue("Corvallo");
    // Let it end before its folder goes.
    std::wstring image = widen(folder + "\\Bootwire.exe");
    for (int i = 0; i < 500 && !DeleteFileW(image.c_str()); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace
}  // namespace corvallo::platform::win32
