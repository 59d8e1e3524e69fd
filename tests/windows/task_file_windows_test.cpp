// Our load and save of task files against the same load-and-save sequence done key by key through
// the Windows profile functions (code page 936): the bytes written must be the same.

#include <windows.h>

#include <gtest/gtest.h>

#include <random>

#include "core/task_file.h"
#include "core/text/cp936.h"
#include "core/text/text_rules.h"
#include "platform/win32/win32_files.h"
#include "tests/windows/temp_folder.h"

namespace corvallo {
namespace {

using testing::TempFolder;

// Texts here are the file's own bytes, as the A functions hand them over.
class ProfileReference {
public:
    explicit ProfileReference(std::string path) : path_(std::move(path)) {}

    std::string get(const std::string& section, const std::string& key, const std::string& fallback) const {
        std::string buffer(10240, '\0');
        DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                                static_cast<DWORD>(buffer.size()), path_.c_str());
        buffer.resize(length);
        return buffer;
    }
    bool has(const std::string& section, const std::string& key) const {
        return get(section, key, "\x01missing") != "\x01missing";
    }
    int integer(const std::string& section, const std::string& key, const std::string& fallback) const {
        return text::textToInteger(text::cp936ToUtf8(get(section, key, fallback)));
    }
    void put(const std::string& section, const std::string& key, const std::string& value) const {
        WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path_.c_str());
    }

private:
    std::string path_;
};

// The load-then-save sequence of the task file, one profile call per key.
void roundTripWithProfileFunctions(const std::string& in, const std::string& out) {
    ProfileReference source(in), target(out);
    std::vector<std::vector<std::pair<std::string, std::string>>> tasks;
    std::vector<std::string> names;
    int count = source.integer("task", "number", "0");
    for (int p = 1; p <= count; ++p) {
        const std::string s = std::to_string(p);
        std::vector<std::pair<std::string, std::string>> keys;
        auto number = [&](const char* key, const char* fallback) { keys.emplace_back(key, std::to_string(source.integer(s, key, fallback))); };
        number("on", "0");
        number("times", "0");
        std::string name;
        if (source.has(s, "name")) {
            name = source.get(s, "name", "");
        } else {
            for (int n = 1;; ++n) {
                name = text::utf8ToCp936("定时备份任务(" + std::to_string(n) + ")");
                if (std::find(names.begin(), names.end(), name) == names.end()) break;
            }
        }
        names.push_back(name);
        keys.emplace_back("name", name);
        for (const char* list : {"source", "filetype", "dest"}) {
            int k = source.integer(s, list, "0");
            keys.emplace_back(list, std::to_string(std::max(k, 0)));
            for (int i = 1; i <= k; ++i) keys.emplace_back(list + std::to_string(i), source.get(s, list + std::to_string(i), ""));
        }
        int records = std::max(source.integer(s, "bak", "0"), 0);
        std::vector<std::string> recordTexts;
        for (int i = 1; i <= records; ++i) {
            std::string value = source.get(s, "bak" + std::to_string(i), "");
            auto parts = text::splitText(text::cp936ToUtf8(value), '|');
            if (value.empty() || parts.size() < 3) continue;
            for (auto& part : parts) part = text::utf8ToCp936(part);
            recordTexts.push_back(parts[0] + "|" + parts[1] + "|" + (parts[2] == "0" ? "0" : parts[2]));
        }
        keys.emplace_back("bak", std::to_string(recordTexts.size()));
        for (std::size_t i = 0; i < recordTexts.size(); ++i) {
            if (recordTexts[i] != "||0") keys.emplace_back("bak" + std::to_string(i + 1), recordTexts[i]);
        }
        number("type", "0");
        number("year", "0");
        number("mouth", "0");
        number("day", "0");
        keys.emplace_back("week", source.get(s, "week", "0"));
        keys.emplace_back("mps", source.integer(s, "mps", "0") == 1 ? "1" : "0");
        keys.emplace_back("raps", std::to_string(std::clamp(source.integer(s, "raps", "1"), 1, 4)));
        number("hours", "0");
        number("minutes", "0");
        number("usezip", "0");
        number("notice", "0");
        number("maxbak", "0");
        number("dolast", "1");
        tasks.push_back(std::move(keys));
    }
    DeleteFileA(out.c_str());
    target.put("task", "number", std::to_string(tasks.size()));
    for (std::size_t p = 0; p < tasks.size(); ++p) {
        for (const auto& [key, value] : tasks[p]) target.put(std::to_string(p + 1), key, value);
    }
}

std::string roundTripOurs(const std::string& in, const std::string& out) {
    platform::win32::Win32Files files;
    TaskList list;
    TaskFile source(files, in), target(files, out);
    EXPECT_FALSE(loadTaskFile(list, source));
    EXPECT_FALSE(saveTaskFile(list, target));
    return files.readFile(out).value;
}

std::string readBytes(const std::string& path) { return platform::win32::Win32Files().readFile(path).value; }

class TaskFileWindowsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(GetACP(), 936u) << "the tests need Wine's ANSI code page 936 (LC_ALL=zh_CN.UTF-8)"; }

    void expectSameRoundTrip(const std::string& fileBytes) {
        ASSERT_FALSE(platform::win32::Win32Files().replaceFile(temp / "in.ini", fileBytes, ""));
        std::string ours = roundTripOurs(temp / "in.ini", temp / "ours.ini");
        roundTripWithProfileFunctions(temp / "in.ini", temp / "theirs.ini");
        EXPECT_EQ(ours, readBytes(temp / "theirs.ini"));
    }

    TempFolder temp;
};

TEST_F(TaskFileWindowsTest, TrickyFilesRoundTripAsTheProfileFunctionsDo) {
    const std::string files[] = {
        "",
        "[task]\r\nnumber=0\r\n",
        "[task]\r\nnumber=2\r\n[1]\r\nname=  文档备份 \r\nsource=2\r\nsource1=D:\\我的文档\r\n",
        "[TASK]\r\nNumber = 1 \r\n\r\n[1]\r\nON=1\r\nName=\"quoted\"\r\nweek=1|0|0|0|0|0|1|\r\ntype=2\r\nraps=9\r\nmps=2\r\n",
        "[task]\r\nnumber=1\r\n[1]\r\nbak=4\r\nbak1=E:\\b\\|2014-8-15 937|0\r\nbak2=E:\\b\\|x\r\nbak4=||0\r\n",
        "[task]\r\nnumber=1\r\n[1]\r\nname=定时备份任务(1)\r\n[1]\r\nname=duplicate section\r\n",
        "[task]\nnumber=2\n[2]\nname=定时备份任务(1)\n[1]\nhours=８\nminutes= -5\n",
        "; comment\r\n[task]\r\nnumber=1\r\n[1]\r\nname=a=b\r\nsource=1\r\nsource1='D:\\q'\r\n",
    };
    for (const auto& utf8 : files) {
        SCOPED_TRACE(utf8);
        expectSameRoundTrip(text::utf8ToCp936(utf8));
    }
}

TEST_F(TaskFileWindowsTest, RandomTaskFilesRoundTripAsTheProfileFunctionsDo) {
    const std::vector<std::string> pieces = {"a", "Z", " ", "|", "\\", "=", "\"", "'", "文", "档", "备", "份", "１", "-", "0", "1", "9", "[", "]", ";"};
    const std::vector<std::string> keys = {"on", "times", "name", "source", "source1", "source2", "filetype", "filetype1",
                                           "dest", "dest1", "bak", "bak1", "bak2", "type", "year", "mouth", "day",
                                           "week", "mps", "raps", "hours", "minutes", "usezip", "notice", "maxbak", "dolast", "other"};
    const unsigned seed = 911;
    std::mt19937 random(seed);
    auto randomText = [&](std::size_t most) {
        std::string text;
        for (std::size_t i = random() % (most + 1); i > 0; --i) text += pieces[random() % pieces.size()];
        return text;
    };
    for (int round = 0; round < 60; ++round) {
        int sections = static_cast<int>(random() % 4);
        std::string file = "[task]\r\nnumber=" + std::to_string(random() % (sections + 2)) + "\r\n";
        for (int s = 1; s <= sections; ++s) {
            file += "[" + std::to_string(random() % 3 == 0 ? random() % 4 : s) + "]\r\n";
            for (int k = static_cast<int>(random() % 12); k > 0; --k) {
                const std::string& key = keys[random() % keys.size()];
                std::string value = random() % 3 == 0 ? std::to_string(static_cast<int>(random() % 7) - 1) : randomText(8);
                if (key.rfind("bak", 0) == 0 && random() % 2 == 0) value = randomText(3) + "|" + randomText(3) + "|" + randomText(2);
                file += key + "=" + value + "\r\n";
            }
        }
        SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round) + ":\n" + file);
        expectSameRoundTrip(text::utf8ToCp936(file));
        if (HasFailure()) break;
    }
}

}  // namespace
}  // namespace corvallo
