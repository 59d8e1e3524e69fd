#include "engine/archive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <stop_token>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "tests/native/archive_test_reader.h"
#include "tests/support/test_bytes.h"
#include "tests/support/memory_files.h"

namespace corvallo::engine {
namespace {

using corvallo::testing::noise;

using corvallo::testing::MemoryFiles;
using corvallo::testing::readZip;
using corvallo::testing::ZipRead;
using corvallo::testing::ZipReadError;
using platform::FileError;
using platform::FileErrorKind;

const std::string kRun = "D:\\runs\\r1";
const std::string kArchive = "D:\\out\\r1.zip";
const std::string kPartial = kArchive + std::string(kPartialArchiveSuffix);

std::string prose(std::size_t size) {
    std::string out;
    for (int line = 0; out.size() < size; ++line) out += "line " + std::to_string(line % 97) + ": the backup ran fine\r\n";
    out.resize(size);
    return out;
}

void prepare(MemoryFiles& files) {
    files.addDrive("D:");
    files.addFolder(kRun);
    files.addFolder("D:\\out");
}

struct PlannedFile {
    std::string path;  // below the run folder
    std::string content;
    std::uint32_t attributes = 0x20;
};

struct Shape {
    std::string name;
    std::vector<PlannedFile> files;
    std::vector<std::string> emptyFolders;
    std::vector<std::pair<std::string, std::string>> folderLinks;  // link, target (below the run folder)
    std::vector<std::string> expected;                             // entry names in archive order
    std::map<std::string, std::uint16_t> methods;                  // expected method of some entries
};

void PrintTo(const Shape& shape, std::ostream* out) { *out << shape.name; }

Shape manyFiles() {
    Shape shape{"ManyFiles", {}, {}, {}, {}, {}};
    for (int folder = 0; folder < 40; ++folder) {
        for (int file = 0; file < 50; ++file) {
            char folderName[8], fileName[16];
            std::snprintf(folderName, sizeof folderName, "f%02d", folder);
            std::snprintf(fileName, sizeof fileName, "n%03d.txt", file);
            shape.files.push_back({std::string(folderName) + "\\" + fileName, "file " + std::to_string(file)});
            shape.expected.push_back(std::string(folderName) + "/" + fileName);
        }
    }
    return shape;
}

std::vector<Shape> shapes() {
    return {
        {"EmptyRun", {}, {}, {}, {}, {}},
        {"EmptyFolder", {}, {"a", "b\\c"}, {}, {"a/", "b/c/"}, {}},
        {"EmptyFile", {{"e.txt", ""}}, {}, {}, {"e.txt"}, {{"e.txt", 0}}},
        {"Nested",
         {{"top.txt", "top"},
          {"data\\c.txt", "c"},
          {"data\\docs\\a.doc", prose(5000)},
          {"data\\docs\\exact.bin", noise(1000)},
          {"data\\docs\\deep\\b.txt", "b"}},
         {"data\\empty"},
         {},
         // Files of a folder before its subfolders: "top.txt" comes first although "data" sorts before it.
         {"top.txt", "data/c.txt", "data/docs/a.doc", "data/docs/exact.bin", "data/docs/deep/b.txt", "data/empty/"},
         {}},
        {"Unicode",
         {{"中文\\文件.txt", "中文内容"}, {"한국어 파일.txt", "한국어"}, {"emoji 😀.txt", "😀"}, {"mixed ñ é ü\\ü.txt", "ü"}},
         {"空的 🗂"},
         {},
         {"emoji 😀.txt", "한국어 파일.txt", "mixed ñ é ü/ü.txt", "中文/文件.txt", "空的 🗂/"},
         {}},
        {"Attributes",
         {{"ro.txt", "read only", 0x21}, {"hidden.txt", "hidden", 0x06}, {"plain.txt", "plain", 0}},
         {},
         {},
         {"hidden.txt", "plain.txt", "ro.txt"},
         {}},
        {"Compressible", {{"log.txt", prose(300000)}}, {}, {}, {"log.txt"}, {{"log.txt", 8}}},
        {"Incompressible", {{"photo.jpg", noise(200000)}, {"small.bin", noise(300)}}, {}, {},
         {"photo.jpg", "small.bin"}, {{"photo.jpg", 0}, {"small.bin", 0}}},
        {"FolderLink", {{"real\\a.txt", "a"}}, {}, {{"link", "real"}}, {"link/", "real/a.txt"}, {}},
        manyFiles(),
    };
}

struct Layout {
    std::string name;
    ArchiveLimits limits;
};

void PrintTo(const Layout& layout, std::ostream* out) { *out << layout.name; }

std::vector<Layout> layouts() {
    ArchiveLimits streamed;
    streamed.chunk = 1000;
    // Thresholds of zero put every size, offset and count into ZIP64 fields, as files over 4 GiB,
    // archives over 4 GiB and more than 65,535 entries do with the real thresholds.
    ArchiveLimits zip64;
    zip64.zip64Size = 0;
    zip64.zip64Offset = 0;
    zip64.zip64Count = 0;
    ArchiveLimits streamedZip64 = zip64;
    streamedZip64.chunk = 1000;
    return {{"Defaults", {}}, {"Streamed", streamed}, {"Zip64", zip64}, {"StreamedZip64", streamedZip64}};
}

// Python's zipfile and unzip -t on the archive, through the same script the Windows tests use.
// Returns their complaints; empty when both accept it and list `names`.
std::string externalCheck(const std::string& archive, const std::vector<std::string>& names) {
#ifdef _WIN32
    (void)archive;
    (void)names;
    return {};  // Under Wine the Windows suite runs these programs.
#else
    auto writeTemporary = [](const std::string& name, const std::string& bytes) {
        static int counter = 0;
        const auto folder = std::filesystem::temp_directory_path() / "corvallo-archive-test";
        std::filesystem::create_directories(folder);
        const std::string path =
            (folder / (std::to_string(getpid()) + "-" + std::to_string(++counter) + "-" + name)).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    };
    const char* source = std::getenv("CORVALLO_SOURCE_DIR");
    if (source == nullptr) return "CORVALLO_SOURCE_DIR is not set";
    std::string list;
    for (const auto& name : names) list += name + "\n";
    const std::string zipPath = writeTemporary("archive.zip", archive);
    const std::string namesPath = writeTemporary("names.txt", list);
    const std::string outPath = zipPath + ".out";
    const std::string command = "python3 '" + std::string(source) + "/tests/windows/archive_check.py' '" + zipPath +
                                "' '" + namesPath + "' >'" + outPath + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(outPath, std::ios::binary);
    std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(zipPath.c_str());
    std::remove(namesPath.c_str());
    std::remove(outPath.c_str());
    return status == 0 ? std::string() : "exit status " + std::to_string(status) + ": " + output;
#endif
}

ZipRead readArchive(const std::string& bytes) {
    try {
        return readZip(bytes);
    } catch (const ZipReadError& e) {
        ADD_FAILURE() << "archive does not read back: " << e.what();
        return {};
    }
}

class ArchiveShapeTest : public ::testing::TestWithParam<std::tuple<Shape, Layout>> {};

TEST_P(ArchiveShapeTest, PacksEveryFileAndEmptyFolderSoOtherReadersAgree) {
    const auto& [shape, layout] = GetParam();
    MemoryFiles files;
    prepare(files);
    std::map<std::string, const PlannedFile*> byName;
    for (const auto& file : shape.files) {
        files.addFile(kRun + "\\" + file.path, file.content, file.attributes);
        std::string name = file.path;
        for (auto& c : name) c = c == '\\' ? '/' : c;
        byName[name] = &file;
    }
    for (const auto& folder : shape.emptyFolders) files.addFolder(kRun + "\\" + folder);
    for (const auto& [link, target] : shape.folderLinks) files.addFolderLink(kRun + "\\" + link, kRun + "\\" + target);
    const auto before = files.filesBelow(kRun);

    PackOptions options;
    options.limits = layout.limits;
    ArchiveStats stats;
    const auto error = packFolder(files, kRun, kArchive, {}, options, &stats);
    ASSERT_FALSE(error) << error.describe();
    EXPECT_FALSE(files.exists(kPartial));
    EXPECT_EQ(files.filesBelow(kRun), before);

    const std::string bytes = *files.content(kArchive);
    const ZipRead zip = readArchive(bytes);
    std::vector<std::string> names;
    for (const auto& entry : zip.entries) names.push_back(entry.name);
    ASSERT_EQ(names, shape.expected);

    const bool allZip64 = layout.limits.zip64Size == 0;
    EXPECT_EQ(zip.zip64End, allZip64);
    std::uint64_t fileCount = 0, folderCount = 0, bytesRead = 0;
    for (const auto& entry : zip.entries) {
        SCOPED_TRACE(entry.name);
        EXPECT_NE(entry.flags & 0x800, 0) << "UTF-8 flag";
        EXPECT_EQ(entry.centralZip64, allZip64);
        if (allZip64) {
            EXPECT_EQ(entry.versionNeeded, 45);
        }
        auto method = shape.methods.find(entry.name);
        if (method != shape.methods.end()) {
            EXPECT_EQ(entry.method, method->second);
        }
        if (entry.name.back() == '/') {
            ++folderCount;
            EXPECT_EQ(entry.size, 0u);
            EXPECT_NE(entry.externalAttributes & 0x10, 0u);
            continue;
        }
        ++fileCount;
        const PlannedFile& planned = *byName.at(entry.name);
        EXPECT_EQ(entry.data, planned.content);
        EXPECT_EQ(entry.externalAttributes, planned.attributes & 0x37);
        bytesRead += planned.content.size();
        // Only files that do not fit in one chunk carry their CRC and sizes after the data.
        EXPECT_EQ((entry.flags & 8) != 0, planned.content.size() >= layout.limits.chunk);
        EXPECT_EQ(entry.localZip64, allZip64);
        if (entry.method == 8) {
            EXPECT_LT(entry.compressedSize, entry.size);
        }
    }
    EXPECT_EQ(stats.files, fileCount);
    EXPECT_EQ(stats.folders, folderCount);
    EXPECT_EQ(stats.bytesRead, bytesRead);
    EXPECT_EQ(stats.archiveBytes, bytes.size());

    EXPECT_EQ(externalCheck(bytes, shape.expected), "");
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ArchiveShapeTest, ::testing::Combine(::testing::ValuesIn(shapes()), ::testing::ValuesIn(layouts())),
    [](const auto& info) { return std::get<0>(info.param).name + "_" + std::get<1>(info.param).name; });

TEST(ArchiveTest, MoreEntriesThanTheClassicEndRecordCountsTakeZip64Records) {
    MemoryFiles files;
    prepare(files);
    std::vector<std::string> names;
    for (int folder = 0; folder < 10; ++folder) {
        std::string dir = "d";
        dir += std::to_string(folder);
        for (int file = 0; file < 6554; ++file) {
            const std::string name = std::to_string(100000 + file);
            files.addFile(kRun + "\\" + dir + "\\" + name, "");
            names.push_back(dir + "/" + name);
        }
    }
    ASSERT_GT(names.size(), 0xFFFFu);
    const auto error = packFolder(files, kRun, kArchive, {});
    ASSERT_FALSE(error) << error.describe();
    const std::string bytes = *files.content(kArchive);
    const ZipRead zip = readArchive(bytes);
    EXPECT_TRUE(zip.zip64End);
    EXPECT_EQ(zip.shortCount, 0xFFFF);
    ASSERT_EQ(zip.entries.size(), names.size());
    EXPECT_EQ(zip.entries.back().name, names.back());
    EXPECT_EQ(externalCheck(bytes, names), "");
}

// NTFS holds names with lone surrogates, which the Win32 layer carries as three-byte sequences;
// they go into the archive byte for byte. (Wine's file systems cannot hold them, so this is the test.)
TEST(ArchiveTest, NamesThatAreNotValidUtf16GoInByteForByte) {
    MemoryFiles files;
    prepare(files);
    const std::string lone = "lone \xED\xB2\x81 surrogate.txt";
    files.addFile(kRun + "\\" + lone, "x");
    const auto error = packFolder(files, kRun, kArchive, {});
    ASSERT_FALSE(error) << error.describe();
    const ZipRead zip = readArchive(*files.content(kArchive));
    ASSERT_EQ(zip.entries.size(), 1u);
    EXPECT_EQ(zip.entries[0].name, lone);
    EXPECT_EQ(zip.entries[0].data, "x");
}

// Failures: the error names what failed and where; nothing is left under either archive name and
// the run folder is untouched.
struct FaultCase {
    std::string name;
    std::function<void(MemoryFiles&)> arrange;
    FileErrorKind kind;
    std::string operation;
    std::string path;
    std::string archive = kArchive;
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

class ArchiveFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ArchiveFaultTest, FailsWithoutLeavingAnArchive) {
    const FaultCase& c = GetParam();
    MemoryFiles files;
    prepare(files);
    files.addFile(kRun + "\\data\\a.txt", prose(3000));
    files.addFile(kRun + "\\data\\b.txt", "b");
    files.addFolder(kRun + "\\empty");
    c.arrange(files);
    const auto before = files.filesBelow(kRun);
    const bool existed = files.exists(c.archive);
    const auto existing = files.content(c.archive);

    const auto error = packFolder(files, kRun, c.archive, {});
    EXPECT_EQ(error.kind, c.kind) << error.describe();
    EXPECT_EQ(error.operation, c.operation);
    EXPECT_EQ(error.path, c.path);
    EXPECT_FALSE(files.exists(c.archive + std::string(kPartialArchiveSuffix)));
    EXPECT_EQ(files.exists(c.archive), existed);
    EXPECT_EQ(files.content(c.archive), existing);
    EXPECT_EQ(files.filesBelow(kRun), before);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ArchiveFaultTest,
    ::testing::Values(
        FaultCase{"UnreadableFile",
                  [](MemoryFiles& f) { f.inject({"read", kRun + "\\data\\b.txt", FileErrorKind::AccessDenied}); },
                  FileErrorKind::AccessDenied, "open", kRun + "\\data\\b.txt"},
        FaultCase{"UnlistableFolder",
                  [](MemoryFiles& f) { f.inject({"list", kRun + "\\data", FileErrorKind::AccessDenied}); },
                  FileErrorKind::AccessDenied, "list", kRun + "\\data"},
        FaultCase{"CannotCreate", [](MemoryFiles& f) { f.inject({"create", kPartial, FileErrorKind::AccessDenied}); },
                  FileErrorKind::AccessDenied, "create", kPartial},
        FaultCase{"DiskFull", [](MemoryFiles& f) { f.setCapacity(f.bytesStored() + 200); }, FileErrorKind::DiskFull,
                  "append", kPartial},
        FaultCase{"WriteFails", [](MemoryFiles& f) { f.inject({"append", kPartial, FileErrorKind::Other, 1}); },
                  FileErrorKind::Other, "append", kPartial},
        FaultCase{"RenameFails", [](MemoryFiles& f) { f.inject({"rename", kPartial, FileErrorKind::SharingViolation}); },
                  FileErrorKind::SharingViolation, "rename", kPartial},
        FaultCase{"ArchiveExists", [](MemoryFiles& f) { f.addFile(kArchive, "an older archive"); },
                  FileErrorKind::AlreadyExists, "pack", kArchive},
        FaultCase{"ArchiveInsideTheRun", [](MemoryFiles&) {}, FileErrorKind::InvalidPath, "pack",
                  kRun + "\\DATA\\r1.zip", kRun + "\\DATA\\r1.zip"},
        FaultCase{"NoRunFolder", [](MemoryFiles& f) { f.removeTree(kRun); }, FileErrorKind::NotFound, "pack", kRun}),
    [](const auto& info) { return info.param.name; });

// MemoryFiles whose readers can fail, or call back, once a watched file has given some bytes, and
// whose writers can damage what they write.
class StreamingFiles : public MemoryFiles {
public:
    std::string watched;
    std::size_t after = 0;
    bool failRead = false;
    std::function<void()> onReached;
    std::size_t readAfterTrigger = 0;

    std::string damaged;               // path whose writes are damaged
    std::uint64_t damageAt = ~0ull;    // offset of the damage
    bool truncate = false;             // drop everything from the offset instead of flipping a bit

    platform::FileResult<std::unique_ptr<platform::FileReader>> openForReading(std::string_view path) override {
        auto result = MemoryFiles::openForReading(path);
        if (result.ok() && path == watched) result.value = std::make_unique<Reader>(*this, std::move(result.value));
        return result;
    }

    platform::FileResult<std::unique_ptr<platform::FileWriter>> createFile(std::string_view path) override {
        auto result = MemoryFiles::createFile(path);
        if (result.ok() && path == damaged) result.value = std::make_unique<Writer>(*this, std::move(result.value));
        return result;
    }

private:
    class Reader : public platform::FileReader {
    public:
        Reader(StreamingFiles& owner, std::unique_ptr<platform::FileReader> inner)
            : owner_(owner), inner_(std::move(inner)) {}
        platform::FileResult<std::size_t> read(char* buffer, std::size_t capacity) override {
            if (triggered_ && owner_.failRead) {
                platform::FileResult<std::size_t> failed;
                failed.error = FileError{FileErrorKind::Other, "read", owner_.watched, "device error", 23};
                return failed;
            }
            auto got = inner_->read(buffer, capacity);
            if (triggered_) owner_.readAfterTrigger += got.value;
            delivered_ += got.value;
            if (!triggered_ && delivered_ >= owner_.after) {
                triggered_ = true;
                if (owner_.onReached) owner_.onReached();
            }
            return got;
        }

    private:
        StreamingFiles& owner_;
        std::unique_ptr<platform::FileReader> inner_;
        std::uint64_t delivered_ = 0;
        bool triggered_ = false;
    };

    class Writer : public platform::FileWriter {
    public:
        Writer(StreamingFiles& owner, std::unique_ptr<platform::FileWriter> inner) : owner_(owner), inner_(std::move(inner)) {}
        FileError write(std::string_view bytes) override {
            std::string copy(bytes);
            const std::uint64_t at = owner_.damageAt;
            if (at >= offset_ && at < offset_ + copy.size()) {
                if (owner_.truncate) {
                    copy.resize(at - offset_);
                } else {
                    copy[at - offset_] ^= 1;
                }
            } else if (owner_.truncate && at < offset_) {
                copy.clear();
            }
            offset_ += bytes.size();
            return inner_->write(copy);
        }
        FileError finish() override { return inner_->finish(); }

    private:
        StreamingFiles& owner_;
        std::unique_ptr<platform::FileWriter> inner_;
        std::uint64_t offset_ = 0;
    };
};

void prepareLargeFile(StreamingFiles& files) {
    prepare(files);
    files.addFile(kRun + "\\a.txt", "a");
    files.addFile(kRun + "\\big.bin", noise(64 * 1024));
    files.addFile(kRun + "\\z.txt", "z");
}

void expectNothingLeft(MemoryFiles& files) {
    EXPECT_FALSE(files.exists(kArchive));
    EXPECT_FALSE(files.exists(kPartial));
    EXPECT_EQ(files.filesBelow(kRun), (std::vector<std::string>{"a.txt", "big.bin", "z.txt"}));
}

TEST(ArchiveStopTest, AStopInsideALargeFileEndsPackingWithinAChunk) {
    StreamingFiles files;
    prepareLargeFile(files);
    std::stop_source stop;
    files.watched = kRun + "\\big.bin";
    files.after = 4096;
    files.onReached = [&] { stop.request_stop(); };
    PackOptions options;
    options.limits.chunk = 1024;
    const auto error = packFolder(files, kRun, kArchive, stop.get_token(), options);
    EXPECT_EQ(error.kind, FileErrorKind::Cancelled) << error.describe();
    EXPECT_EQ(error.operation, "pack");
    EXPECT_EQ(error.path, kArchive);
    EXPECT_LE(files.readAfterTrigger, options.limits.chunk);
    expectNothingLeft(files);
}

TEST(ArchiveStopTest, AStopWhileTheArchiveIsCheckedLeavesNothing) {
    StreamingFiles files;
    prepareLargeFile(files);
    std::stop_source stop;
    files.watched = kPartial;
    files.after = 1;
    files.onReached = [&] { stop.request_stop(); };
    const auto error = packFolder(files, kRun, kArchive, stop.get_token());
    EXPECT_EQ(error.kind, FileErrorKind::Cancelled) << error.describe();
    EXPECT_EQ(error.path, kArchive);
    expectNothingLeft(files);
}

TEST(ArchiveStopTest, AStopBeforeTheStartCreatesNothing) {
    StreamingFiles files;
    prepareLargeFile(files);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(packFolder(files, kRun, kArchive, stop.get_token()).kind, FileErrorKind::Cancelled);
    EXPECT_EQ(files.count("create"), 0);
    expectNothingLeft(files);
}

TEST(ArchiveFaultTest, AReadFailureInsideALargeFileIsReportedForThatFile) {
    StreamingFiles files;
    prepareLargeFile(files);
    files.watched = kRun + "\\big.bin";
    files.after = 2048;
    files.failRead = true;
    PackOptions options;
    options.limits.chunk = 1024;
    const auto error = packFolder(files, kRun, kArchive, {}, options);
    EXPECT_EQ(error.kind, FileErrorKind::Other);
    EXPECT_EQ(error.operation, "read");
    EXPECT_EQ(error.path, kRun + "\\big.bin");
    EXPECT_EQ(error.code, 23u);
    expectNothingLeft(files);
}

// The check after writing must catch any damage the disk or the file system does to the archive.
TEST(ArchiveVerifyTest, EveryDamagedOrMissingByteIsCaughtBeforeTheRename) {
    for (const Layout& layout : layouts()) {
        SCOPED_TRACE(layout.name);
        PackOptions options;
        options.limits = layout.limits;
        options.limits.chunk = std::min<std::size_t>(options.limits.chunk, 256);
        std::uint64_t size = 0;
        {
            StreamingFiles clean;
            prepare(clean);
            clean.addFile(kRun + "\\d\\text.txt", prose(700));
            clean.addFile(kRun + "\\d\\noise.bin", noise(300));
            clean.addFile(kRun + "\\small.txt", "small");
            clean.addFolder(kRun + "\\empty");
            ArchiveStats stats;
            ASSERT_FALSE(packFolder(clean, kRun, kArchive, {}, options, &stats));
            size = stats.archiveBytes;
        }
        for (bool truncate : {false, true}) {
            // A bit flipped anywhere; a cut at every 13th byte and just before the end.
            std::vector<std::uint64_t> positions;
            for (std::uint64_t at = 0; at < size; at += truncate ? 13 : 1) positions.push_back(at);
            if (truncate) positions.push_back(size - 1);
            for (std::uint64_t at : positions) {
                StreamingFiles files;
                prepare(files);
                files.addFile(kRun + "\\d\\text.txt", prose(700));
                files.addFile(kRun + "\\d\\noise.bin", noise(300));
                files.addFile(kRun + "\\small.txt", "small");
                files.addFolder(kRun + "\\empty");
                files.damaged = kPartial;
                files.damageAt = at;
                files.truncate = truncate;
                const auto error = packFolder(files, kRun, kArchive, {}, options);
                ASSERT_EQ(error.operation, "verify") << (truncate ? "cut at " : "bit flipped at ") << at;
                EXPECT_EQ(error.path, kPartial);
                EXPECT_FALSE(files.exists(kArchive));
                EXPECT_FALSE(files.exists(kPartial));
            }
        }
    }
}

// Times: MemoryFiles lists no times, so these come from a table.
class TimedFiles : public MemoryFiles {
public:
    std::map<std::string, std::uint64_t> times;  // by name
    platform::FileResult<std::vector<platform::FolderEntry>> listFolder(std::string_view folder,
                                                                        std::string_view pattern) override {
        auto result = MemoryFiles::listFolder(folder, pattern);
        for (auto& entry : result.value) {
            auto it = times.find(entry.name);
            if (it != times.end()) entry.lastWriteTime = it->second;
        }
        return result;
    }
};

std::int64_t unixSeconds(int y, unsigned mo, unsigned d, int h, int mi, int s) {
    const std::chrono::sys_days date{std::chrono::year{y} / std::chrono::month{mo} / std::chrono::day{d}};
    return std::chrono::duration_cast<std::chrono::seconds>(date.time_since_epoch()).count() + h * 3600 + mi * 60 + s;
}

std::uint64_t fileTime(std::int64_t unix) { return static_cast<std::uint64_t>(unix + 11644473600LL) * 10000000ull; }

struct DosFields {
    int year, month, day, hour, minute, second;
    bool operator==(const DosFields&) const = default;
};

std::ostream& operator<<(std::ostream& out, const DosFields& t) {
    return out << t.year << "-" << t.month << "-" << t.day << " " << t.hour << ":" << t.minute << ":" << t.second;
}

DosFields decode(std::uint16_t date, std::uint16_t time) {
    return {1980 + (date >> 9), (date >> 5) & 15, date & 31, time >> 11, (time >> 5) & 63, (time & 31) * 2};
}

TEST(ArchiveTimeTest, KeepsLocalDosTimesAndExactUtcTimes) {
    struct Case {
        std::string name;
        std::uint64_t fileTime;
        int offset;
        DosFields dos;
        bool unixField;
    };
    const Case cases[] = {
        {"beijing", fileTime(unixSeconds(2024, 7, 15, 12, 34, 56)), 480, {2024, 7, 15, 20, 34, 56}, true},
        {"new year", fileTime(unixSeconds(2024, 12, 31, 20, 0, 0)), 480, {2025, 1, 1, 4, 0, 0}, true},
        {"leap day west", fileTime(unixSeconds(2024, 3, 1, 2, 0, 0)), -300, {2024, 2, 29, 21, 0, 0}, true},
        {"odd second", fileTime(unixSeconds(2023, 5, 6, 7, 8, 9)) + 9999999, 0, {2023, 5, 6, 7, 8, 8}, true},
        {"before 1980", fileTime(unixSeconds(1975, 6, 1, 0, 0, 0)), 0, {1980, 1, 1, 0, 0, 0}, true},
        {"after 2038", fileTime(unixSeconds(2040, 1, 2, 3, 4, 6)), 0, {2040, 1, 2, 3, 4, 6}, false},
        {"after 2107", fileTime(unixSeconds(2200, 1, 1, 0, 0, 0)), 0, {2107, 12, 31, 23, 59, 58}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TimedFiles files;
        prepare(files);
        files.addFile(kRun + "\\f.txt", "x");
        files.addFolder(kRun + "\\empty");
        files.times["f.txt"] = c.fileTime;
        files.times["empty"] = c.fileTime;
        PackOptions options;
        options.utcOffsetMinutes = c.offset;
        const auto error = packFolder(files, kRun, kArchive, {}, options);
        ASSERT_FALSE(error) << error.describe();
        const ZipRead zip = readArchive(*files.content(kArchive));
        ASSERT_EQ(zip.entries.size(), 2u);
        for (const auto& entry : zip.entries) {
            EXPECT_EQ(decode(entry.dosDate, entry.dosTime), c.dos) << entry.name;
            EXPECT_EQ(entry.ntfsWriteTime, c.fileTime) << entry.name;
            if (c.unixField) {
                EXPECT_EQ(entry.unixWriteTime, static_cast<std::uint32_t>(c.fileTime / 10000000 - 11644473600ull));
            } else {
                EXPECT_FALSE(entry.unixWriteTime.has_value());
            }
        }
    }
}

TEST(ArchiveTimeTest, AnUnknownTimeGivesTheEarliestDosTimeAndNoExactTime) {
    MemoryFiles files;  // lists every time as 0
    prepare(files);
    files.addFile(kRun + "\\f.txt", "x");
    ASSERT_FALSE(packFolder(files, kRun, kArchive, {}));
    const ZipRead zip = readArchive(*files.content(kArchive));
    ASSERT_EQ(zip.entries.size(), 1u);
    EXPECT_EQ(decode(zip.entries[0].dosDate, zip.entries[0].dosTime), (DosFields{1980, 1, 1, 0, 0, 0}));
    EXPECT_FALSE(zip.entries[0].ntfsWriteTime.has_value());
    EXPECT_FALSE(zip.entries[0].unixWriteTime.has_value());
}

TEST(ArchiveTimeTest, LocalOffsetComesFromTheTwoClocksToTheQuarterHour) {
    struct Case {
        platform::LocalTime local;
        std::int64_t utc;
        int minutes;
    };
    const Case cases[] = {
        {{2024, 7, 15, 20, 34, 56, 2}, unixSeconds(2024, 7, 15, 12, 34, 56), 480},
        {{2025, 1, 1, 4, 0, 9, 4}, unixSeconds(2024, 12, 31, 20, 0, 10), 480},  // read a second apart
        {{2024, 2, 29, 21, 0, 3, 5}, unixSeconds(2024, 3, 1, 2, 0, 0), -300},
        {{2024, 6, 1, 15, 45, 0, 7}, unixSeconds(2024, 6, 1, 10, 0, 0), 345},
        {{2024, 6, 1, 0, 0, 0, 7}, unixSeconds(2024, 6, 1, 12, 0, 0), -720},
        {{2024, 6, 2, 2, 0, 0, 1}, unixSeconds(2024, 6, 1, 12, 0, 0), 840},
        {{2024, 6, 1, 12, 0, 0, 7}, unixSeconds(2024, 6, 1, 12, 0, 20), 0},
    };
    for (const auto& c : cases) {
        const std::chrono::system_clock::time_point utc{std::chrono::seconds(c.utc)};
        EXPECT_EQ(localOffsetMinutes(c.local, utc), c.minutes) << c.utc;
    }
}

}  // namespace
}  // namespace corvallo::engine
