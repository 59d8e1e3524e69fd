#include "platform/win32/win32_files.h"

#include <gtest/gtest.h>

#include "platform/win32/wide.h"
#include "tests/windows/temp_folder.h"

namespace corvallo::platform::win32 {
namespace {

using corvallo::testing::TempFolder;

TEST(WideTest, RoundTripsEveryKindOfName) {
    const std::string names[] = {
        "plain.txt", "中文名.doc", "한국어 파일.txt", "emoji 😀.txt", "mixed ñ é ü", std::string("lone \xED\xB2\x81 surrogate"),
    };
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(narrow(widen(name)), name);
    }
    EXPECT_EQ(widen("😀"), std::wstring(L"\xD83D\xDE00"));
    EXPECT_EQ(widen("\xED\xB2\x81"), std::wstring(1, static_cast<wchar_t>(0xDC81)));
}

TEST(WideTest, LongPathsGetThePrefixOnlyHere) {
    struct Case {
        std::string in;
        std::wstring out;
    };
    const Case cases[] = {
        {"D:\\data\\a.doc", L"\\\\?\\D:\\data\\a.doc"},
        {"D:\\", L"\\\\?\\D:\\"},
        {"D:\\data\\", L"\\\\?\\D:\\data\\"},
        {"D:/data/x", L"\\\\?\\D:\\data\\x"},
        {"D:\\a\\.\\b\\..\\c", L"\\\\?\\D:\\a\\c"},
        {"D:\\a\\\\b", L"\\\\?\\D:\\a\\b"},
        {"\\\\server\\share\\x", L"\\\\?\\UNC\\server\\share\\x"},
        {"\\\\?\\D:\\already", L"\\\\?\\D:\\already"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(longPath(c.in), c.out);
    }
    std::wstring relative = longPath("relative\\x");
    EXPECT_EQ(relative.rfind(L"\\\\?\\", 0), 0u);
    EXPECT_EQ(relative.substr(relative.size() - 11), L"\\relative\\x");
}

TEST(Win32FilesTest, ReplaceKeepsThePreviousVersionAndLeavesNoTemporaryFile) {
    TempFolder temp;
    Win32Files files;
    const std::string path = temp / "任务.ini";
    EXPECT_EQ(files.readFile(path).error.kind, FileErrorKind::NotFound);
    ASSERT_FALSE(files.replaceFile(path, "first", path + ".bak"));
    EXPECT_FALSE(files.exists(path + ".bak"));
    ASSERT_FALSE(files.replaceFile(path, std::string("second\0x", 8), path + ".bak"));
    EXPECT_EQ(files.readFile(path).value, std::string("second\0x", 8));
    EXPECT_EQ(files.readFile(path + ".bak").value, "first");
    auto listing = files.listFolder(temp.path(), "*");
    ASSERT_TRUE(listing.ok());
    EXPECT_EQ(listing.value.size(), 2u);
}

TEST(Win32FilesTest, ReplaceIntoAMissingFolderFailsAndNamesThePath) {
    TempFolder temp;
    Win32Files files;
    auto error = files.replaceFile(temp / "missing\\x.ini", "x", "");
    EXPECT_EQ(error.kind, FileErrorKind::NotFound);
    EXPECT_NE(error.describe().find("missing\\x.ini"), std::string::npos);
}

TEST(Win32FilesTest, ListsUnicodeAndVeryLongPaths) {
    TempFolder temp;
    Win32Files files;
    std::string deep = temp.path();
    while (deep.size() < 300) {
        deep += "\\" + std::string(40, 'd');
        ASSERT_FALSE(files.createFolder(deep)) << deep;
    }
    const std::string names[] = {"한국어.txt", "😀.doc", "中文.doc", "plain.DOC"};
    for (const auto& name : names) ASSERT_FALSE(files.appendFile(deep + "\\" + name, name)) << name;
    ASSERT_FALSE(files.createFolder(deep + "\\sub.doc"));

    auto all = files.listFolder(deep, "*");
    ASSERT_TRUE(all.ok()) << all.error.describe();
    EXPECT_EQ(all.value.size(), 5u);
    auto docs = files.listFolder(deep, "*.doc");
    ASSERT_TRUE(docs.ok());
    std::vector<std::string> found;
    for (const auto& entry : docs.value) found.push_back(entry.name + (entry.isFolder ? "/" : ""));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"plain.DOC", "sub.doc/", "中文.doc", "😀.doc"}));
    EXPECT_EQ(files.readFile(deep + "\\한국어.txt").value, "한국어.txt");
    EXPECT_TRUE(files.listFolder(deep, "*.none").ok());
    EXPECT_EQ(files.listFolder(temp / "absent", "*").error.kind, FileErrorKind::NotFound);
}

TEST(Win32FilesTest, FoldersAndFilesAreCreatedCopiedRenamedAndRemoved) {
    TempFolder temp;
    Win32Files files;
    EXPECT_EQ(files.createFolder(temp.path()).kind, FileErrorKind::AlreadyExists);
    ASSERT_FALSE(files.createFolder(temp / "a"));
    ASSERT_FALSE(files.appendFile(temp / "a\\x.txt", "abc"));
    SetFileAttributesW(longPath(temp / "a\\x.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_FALSE(files.copyFile(temp / "a\\x.txt", temp / "y.txt", {}, {}));
    EXPECT_EQ(files.readFile(temp / "y.txt").value, "abc");
    EXPECT_EQ(files.rename(temp / "y.txt", temp / "a\\x.txt").kind, FileErrorKind::AlreadyExists);
    ASSERT_FALSE(files.rename(temp / "y.txt", temp / "z.txt"));
    EXPECT_FALSE(files.exists(temp / "y.txt"));
    EXPECT_TRUE(files.isFolder(temp / "a"));
    EXPECT_FALSE(files.isFolder(temp / "z.txt"));
    ASSERT_FALSE(files.removeTree(temp / "a"));  // holds a read-only file
    EXPECT_FALSE(files.exists(temp / "a"));
    ASSERT_FALSE(files.removeFile(temp / "z.txt"));
    EXPECT_EQ(files.removeFile(temp / "z.txt").kind, FileErrorKind::NotFound);
}

TEST(Win32FilesTest, ACopyStoppedBeforeItStartsCopiesNothing) {
    TempFolder temp;
    Win32Files files;
    ASSERT_FALSE(files.appendFile(temp / "big.bin", std::string(4 << 20, 'x')));
    std::stop_source stop;
    stop.request_stop();
    auto error = files.copyFile(temp / "big.bin", temp / "copy.bin", stop.get_token(), {});
    EXPECT_EQ(error.kind, FileErrorKind::Cancelled);
}

TEST(Win32FilesTest, FolderIdentityIsTheSameThroughEveryPath) {
    TempFolder temp;
    Win32Files files;
    ASSERT_FALSE(files.createFolder(temp / "a"));
    ASSERT_FALSE(files.createFolder(temp / "b"));
    auto a = files.folderIdentity(temp / "a");
    auto again = files.folderIdentity(temp / "b\\..\\A");
    auto b = files.folderIdentity(temp / "b");
    ASSERT_TRUE(a.ok() && again.ok() && b.ok());
    EXPECT_EQ(a.value, again.value);
    EXPECT_FALSE(a.value == b.value);
}

TEST(Win32FilesTest, DriveTypesAreReported) {
    Win32Files files;
    EXPECT_EQ(files.driveType("C:"), DriveType::Fixed);
    EXPECT_EQ(files.driveType("c:\\windows"), DriveType::Fixed);
}

}  // namespace
}  // namespace corvallo::platform::win32
