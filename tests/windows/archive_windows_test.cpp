#include "engine/archive.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <stop_token>

#include "platform/win32/wide.h"
#include "platform/win32/win32_files.h"
#include "tests/native/archive_test_reader.h"
#include "tests/support/test_bytes.h"
#include "tests/windows/temp_folder.h"

namespace corvallo::engine {
namespace {

using corvallo::testing::noise;

using corvallo::testing::readZip;
using corvallo::testing::TempFolder;
using corvallo::testing::ZipRead;
using corvallo::testing::ZipReadError;
using platform::FileErrorKind;
using platform::win32::longPath;
using platform::win32::Win32Files;

std::string prose(std::size_t size) {
    std::string out;
    for (int line = 0; out.size() < size; ++line) out += "第 " + std::to_string(line % 89) + " 行: backup ok\r\n";
    out.resize(size);
    return out;
}

void writeFile(const std::string& path, const std::string& content) {
    Win32Files files;
    auto created = files.createFile(path);
    ASSERT_TRUE(created.ok()) << created.error.describe();
    ASSERT_FALSE(created.value->write(content));
    ASSERT_FALSE(created.value->finish());
}

void makeFolders(const std::string& path) {
    Win32Files files;
    if (files.isFolder(path)) return;
    makeFolders(path.substr(0, path.rfind('\\')));
    ASSERT_FALSE(files.createFolder(path)) << path;
}

ZipRead readArchive(const std::string& path) {
    auto bytes = Win32Files().readFile(path);
    if (!bytes.ok()) {
        ADD_FAILURE() << bytes.error.describe();
        return {};
    }
    try {
        return readZip(bytes.value);
    } catch (const ZipReadError& e) {
        ADD_FAILURE() << "archive does not read back: " << e.what();
        return {};
    }
}

// 2024-07-15 12:34:56 UTC.
constexpr std::uint64_t kKnownTime = (1721046896ull + 11644473600ull) * 10000000ull;

// A run folder with the names and shapes that trouble zip writers on Windows.
struct RunFolder {
    std::string root;
    std::map<std::string, std::string> files;  // entry name -> content
    std::vector<std::string> names;            // in archive order
};

RunFolder makeRun(const TempFolder& temp) {
    RunFolder run;
    run.root = temp / "run";
    std::string deep = "data";
    for (int i = 0; i < 6; ++i) deep += "\\" + std::string(40, static_cast<char>('a' + i)) + "长";
    const std::string deepName = [&] {
        std::string s = deep;
        for (auto& c : s) c = c == '\\' ? '/' : c;
        return s;
    }();
    struct Planned {
        std::string relative;
        std::string content;
    };
    const Planned planned[] = {
        {"emoji 😀.txt", "😀"},
        {"read only.txt", "只读"},
        {"한국어 파일.txt", "한국어"},
        {"data\\big.log", prose(3 * 1024 * 1024 + 17)},
        {"data\\photo.jpg", noise(1536 * 1024, 7)},
        {deep + "\\file in a long path.txt", "deep"},
        {"中文\\文件.txt", "中文内容"},
    };
    makeFolders(run.root);
    for (const auto& file : planned) {
        const std::string path = run.root + "\\" + file.relative;
        makeFolders(path.substr(0, path.rfind('\\')));
        writeFile(path, file.content);
        std::string name = file.relative;
        for (auto& c : name) c = c == '\\' ? '/' : c;
        run.files[name] = file.content;
    }
    makeFolders(run.root + "\\空的 🗂");
    SetFileAttributesW(longPath(run.root + "\\read only.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    {
        HANDLE h = CreateFileW(longPath(run.root + "\\emoji 😀.txt").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        FILETIME time{static_cast<DWORD>(kKnownTime & 0xFFFFFFFF), static_cast<DWORD>(kKnownTime >> 32)};
        EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &time));
        CloseHandle(h);
    }
    EXPECT_GT(run.root.size() + deep.size(), 260u);
    run.names = {"emoji 😀.txt", "read only.txt", "한국어 파일.txt", "data/big.log", "data/photo.jpg",
                 deepName + "/file in a long path.txt", "中文/文件.txt", "空的 🗂/"};
    return run;
}

// When CORVALLO_ARCHIVE_EXPORT names a folder, the archive and its expected names go there, for
// tests/windows/archive_check.py to try with Python's zipfile and unzip.
void exportForOtherReaders(const std::string& archive, const std::vector<std::string>& names) {
    wchar_t folder[MAX_PATH];
    if (GetEnvironmentVariableW(L"CORVALLO_ARCHIVE_EXPORT", folder, MAX_PATH) == 0) return;
    Win32Files files;
    const std::string target = platform::win32::narrow(folder);
    std::string list;
    for (const auto& name : names) list += name + "\n";
    EXPECT_FALSE(files.copyFile(archive, target + "\\archive.zip", {}, {}));
    EXPECT_FALSE(files.replaceFile(target + "\\names.txt", list, ""));
}

TEST(ArchiveWindowsTest, PacksRealFilesWithUnicodeLongAndReadOnlyNames) {
    TempFolder temp;
    const RunFolder run = makeRun(temp);
    // The archive lies at the end of a long path too.
    const std::string outFolder = temp / (std::string(120, 'o') + "\\" + std::string(120, 'p'));
    makeFolders(outFolder);
    const std::string archive = outFolder + "\\运行 2024.zip";

    Win32Files files;
    PackOptions options;
    options.utcOffsetMinutes = 480;
    ArchiveStats stats;
    const auto error = packFolder(files, run.root, archive, {}, options, &stats);
    ASSERT_FALSE(error) << error.describe();
    EXPECT_FALSE(files.exists(archive + std::string(kPartialArchiveSuffix)));
    EXPECT_TRUE(files.exists(run.root + "\\read only.txt"));
    EXPECT_EQ(stats.files, run.files.size());
    EXPECT_EQ(stats.folders, 1u);

    const ZipRead zip = readArchive(archive);
    std::vector<std::string> names;
    for (const auto& entry : zip.entries) {
        names.push_back(entry.name);
        SCOPED_TRACE(entry.name);
        if (entry.name.back() == '/') continue;
        EXPECT_EQ(entry.data, run.files.at(entry.name));
        EXPECT_EQ((entry.externalAttributes & FILE_ATTRIBUTE_READONLY) != 0, entry.name == "read only.txt");
        EXPECT_TRUE(entry.ntfsWriteTime.has_value());
        if (entry.name == "data/big.log") {
            EXPECT_EQ(entry.method, 8);
        }
        if (entry.name == "data/photo.jpg") {
            EXPECT_EQ(entry.method, 0);
        }
    }
    EXPECT_EQ(names, run.names);
    ASSERT_FALSE(zip.entries.empty());
    // The file whose time was set: exact UTC in the extra fields, Beijing time in the DOS fields.
    EXPECT_EQ(zip.entries[0].ntfsWriteTime, kKnownTime);
    EXPECT_EQ(zip.entries[0].unixWriteTime, 1721046896u);
    EXPECT_EQ(zip.entries[0].dosDate, ((2024 - 1980) << 9) | (7 << 5) | 15);
    EXPECT_EQ(zip.entries[0].dosTime, (20 << 11) | (34 << 5) | (56 / 2));

    exportForOtherReaders(archive, run.names);
}

// Win32Files whose reader of one file asks for a stop once it has given its first chunk.
class StoppingFiles : public Win32Files {
public:
    std::string watched;
    std::stop_source stop;

    platform::FileResult<std::unique_ptr<platform::FileReader>> openForReading(std::string_view path) override {
        auto result = Win32Files::openForReading(path);
        if (result.ok() && path == watched) result.value = std::make_unique<Reader>(stop, std::move(result.value));
        return result;
    }

private:
    class Reader : public platform::FileReader {
    public:
        Reader(std::stop_source& stop, std::unique_ptr<platform::FileReader> inner) : stop_(stop), inner_(std::move(inner)) {}
        platform::FileResult<std::size_t> read(char* buffer, std::size_t capacity) override {
            auto got = inner_->read(buffer, capacity);
            stop_.request_stop();
            return got;
        }

    private:
        std::stop_source& stop_;
        std::unique_ptr<platform::FileReader> inner_;
    };
};

TEST(ArchiveWindowsTest, AStopLeavesNoFileBehindOnDisk) {
    // Once while a large file is read, once while the finished archive is checked: either way the
    // partial file must be closed before it can be deleted.
    for (const bool whileChecking : {false, true}) {
        SCOPED_TRACE(whileChecking ? "while checking" : "while packing");
        TempFolder temp;
        const RunFolder run = makeRun(temp);
        const std::string archive = temp / "run.zip";
        StoppingFiles files;
        files.watched = whileChecking ? archive + std::string(kPartialArchiveSuffix) : run.root + "\\data\\big.log";
        const auto error = packFolder(files, run.root, archive, files.stop.get_token());
        EXPECT_EQ(error.kind, FileErrorKind::Cancelled) << error.describe();
        auto listing = files.listFolder(temp.path(), "*");
        ASSERT_TRUE(listing.ok());
        ASSERT_EQ(listing.value.size(), 1u);
        EXPECT_EQ(listing.value[0].name, "run");
        EXPECT_EQ(files.readFile(run.root + "\\data\\big.log").value, run.files.at("data/big.log"));
    }
}

}  // namespace
}  // namespace corvallo::engine
