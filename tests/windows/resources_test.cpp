// The resources linked into Corvallo.exe, read back from this test program, which links the same
// resource objects: every icon at each of its sizes, the countdown background, the manifest (and
// that Windows acts on it) and the version texts.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "ui/resources/resource_ids.h"

namespace {

// The W forms of RT_ICON, RT_GROUP_ICON and RT_MANIFEST (the build does not define UNICODE).
const LPCWSTR kIconType = MAKEINTRESOURCEW(3);
const LPCWSTR kIconGroupType = MAKEINTRESOURCEW(14);
const LPCWSTR kManifestType = MAKEINTRESOURCEW(24);

HMODULE self() {
    return GetModuleHandleW(nullptr);
}

std::string_view resourceBytes(LPCWSTR type, LPCWSTR name) {
    HRSRC found = FindResourceW(self(), name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(self(), found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return {static_cast<const char*>(data), SizeofResource(self(), found)};
}

// ---- Icons ----

#pragma pack(push, 2)
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

struct StoredImage {
    int size = 0;
    int bitCount = 0;
    WORD id = 0;
};

// The images an icon group lists, as the resource compiler stored them.
std::vector<StoredImage> storedImages(int groupId) {
    std::string_view group = resourceBytes(kIconGroupType, MAKEINTRESOURCEW(groupId));
    std::vector<StoredImage> out;
    if (group.size() < sizeof(GroupIconHeader)) return out;
    GroupIconHeader header;
    std::memcpy(&header, group.data(), sizeof header);
    for (WORD i = 0; i < header.count; ++i) {
        std::size_t at = sizeof header + i * sizeof(GroupIconEntry);
        if (at + sizeof(GroupIconEntry) > group.size()) break;
        GroupIconEntry entry;
        std::memcpy(&entry, group.data() + at, sizeof entry);
        out.push_back({entry.width == 0 ? 256 : entry.width, entry.bitCount, entry.id});
    }
    return out;
}

struct Rgba {
    int r, g, b, a;
    bool masked;  // the AND mask's bit: transparent where alpha is not used
};

// The straight-alpha pixels of one stored icon image (BITMAPINFOHEADER, bottom-up BGRA, AND mask).
std::vector<Rgba> storedPixels(WORD imageId, int size) {
    std::string_view image = resourceBytes(kIconType, MAKEINTRESOURCEW(imageId));
    std::vector<Rgba> out;
    BITMAPINFOHEADER info;
    if (image.size() < sizeof info) return out;
    std::memcpy(&info, image.data(), sizeof info);
    const std::size_t pixelBytes = static_cast<std::size_t>(size) * size * 4;
    const std::size_t maskStride = (static_cast<std::size_t>(size) + 31) / 32 * 4;
    if (info.biWidth != size || info.biHeight != 2 * size || info.biBitCount != 32 ||
        image.size() < info.biSize + pixelBytes + maskStride * size)
        return out;
    const auto* p = reinterpret_cast<const unsigned char*>(image.data() + info.biSize);
    const unsigned char* mask = p + pixelBytes;
    out.resize(static_cast<std::size_t>(size) * size);
    for (int y = 0; y < size; ++y) {
        const std::size_t row = static_cast<std::size_t>(size - 1 - y);
        for (int x = 0; x < size; ++x) {
            const unsigned char* q = p + (row * size + x) * 4;
            const bool masked = (mask[row * maskStride + x / 8] & (0x80 >> (x % 8))) != 0;
            out[static_cast<std::size_t>(y) * size + x] = {q[2], q[1], q[0], q[3], masked};
        }
    }
    return out;
}

enum class Hue { None, Green, Red };

bool strongly(Hue hue, const Rgba& p) {
    if (p.a < 255) return false;
    if (hue == Hue::Green) return p.g > 130 && p.r < 100 && p.b < 130;
    return p.r > 150 && p.g < 110 && p.b < 110;
}

struct IconCase {
    const char* name;
    int id;
    std::vector<int> sizes;
    Hue hue;       // the signal colour the picture must show (and the other one it must not)
    bool greyed;   // a disabled toolbar twin: grey only, never fully opaque
};

const IconCase kIcons[] = {
    {"Program", IDI_CORVALLO, {16, 24, 32, 48, 256}, Hue::Green, false},
    {"TrayIdle", IDI_TRAY_IDLE, {16, 20, 24, 32}, Hue::Red, false},
    {"TrayActive", IDI_TRAY_ACTIVE, {16, 20, 24, 32}, Hue::Green, false},
    {"ToolbarStart", IDI_TOOLBAR_START, {32}, Hue::Green, false},
    {"ToolbarStop", IDI_TOOLBAR_STOP, {32}, Hue::Red, false},
    {"ToolbarOptions", IDI_TOOLBAR_OPTIONS, {32}, Hue::None, false},
    {"ToolbarStartDisabled", IDI_TOOLBAR_START_DISABLED, {32}, Hue::None, true},
    {"ToolbarStopDisabled", IDI_TOOLBAR_STOP_DISABLED, {32}, Hue::None, true},
    {"ToolbarOptionsDisabled", IDI_TOOLBAR_OPTIONS_DISABLED, {32}, Hue::None, true},
    {"StatusRunning", IDI_STATUS_RUNNING, {32}, Hue::Green, false},
    {"StatusStopped", IDI_STATUS_STOPPED, {32}, Hue::Red, false},
    {"Countdown", IDI_COUNTDOWN, {48}, Hue::None, false},
};

std::ostream& operator<<(std::ostream& os, const IconCase& c) {
    return os << c.name;
}

class IconResource : public ::testing::TestWithParam<IconCase> {};

TEST_P(IconResource, HoldsExactlyItsSizesAs32BitImages) {
    const IconCase& c = GetParam();
    std::vector<int> sizes;
    for (const StoredImage& image : storedImages(c.id)) {
        SCOPED_TRACE(image.size);
        EXPECT_EQ(image.bitCount, 32);
        sizes.push_back(image.size);
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, c.sizes);
}

TEST_P(IconResource, LoadsAtEachOfItsSizesInFullColour) {
    const IconCase& c = GetParam();
    for (int size : c.sizes) {
        SCOPED_TRACE(size);
        HICON icon = static_cast<HICON>(
            LoadImageW(self(), MAKEINTRESOURCEW(c.id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        ASSERT_NE(icon, nullptr) << "error " << GetLastError();
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        ASSERT_NE(info.hbmColor, nullptr) << "loaded as a monochrome icon";
        BITMAP colour{};
        ASSERT_EQ(GetObjectW(info.hbmColor, sizeof colour, &colour), static_cast<int>(sizeof colour));
        EXPECT_EQ(colour.bmWidth, size);
        EXPECT_EQ(colour.bmHeight, size);
        EXPECT_EQ(colour.bmBitsPixel, 32);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

// What is drawn: transparent corners, a solid motif with anti-aliased edges, the mask agreeing
// with the alpha, and the colours that tell the states apart.
TEST_P(IconResource, ImagesHaveAlphaAndTheirSignalColour) {
    const IconCase& c = GetParam();
    const std::vector<StoredImage> images = storedImages(c.id);
    ASSERT_FALSE(images.empty());
    for (const StoredImage& image : images) {
        SCOPED_TRACE(image.size);
        std::vector<Rgba> pixels = storedPixels(image.id, image.size);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(image.size) * image.size);
        EXPECT_EQ(pixels.front().a, 0) << "top-left corner";
        int opaque = 0, partial = 0, green = 0, red = 0, coloured = 0, maskDisagrees = 0;
        for (const Rgba& p : pixels) {
            maskDisagrees += p.masked != (p.a < 128);
            opaque += p.a == 255;
            partial += p.a > 0 && p.a < 255;
            green += strongly(Hue::Green, p);
            red += strongly(Hue::Red, p);
            coloured += p.a > 0 && (p.r != p.g || p.g != p.b);
        }
        EXPECT_GT(partial, 0) << "no anti-aliased edge";
        EXPECT_EQ(maskDisagrees, 0) << "pixels whose AND mask does not follow their alpha";
        if (c.greyed) {
            EXPECT_EQ(coloured, 0) << "a disabled picture must be grey";
            EXPECT_EQ(opaque, 0) << "a disabled picture is drawn faded";
            EXPECT_GT(partial, image.size * image.size / 8) << "hardly anything drawn";
        } else {
            EXPECT_GT(opaque, image.size * image.size / 8) << "hardly anything drawn";
        }
        EXPECT_EQ(green > 0, c.hue == Hue::Green) << green << " strongly green pixels";
        EXPECT_EQ(red > 0, c.hue == Hue::Red) << red << " strongly red pixels";
    }
}

INSTANTIATE_TEST_SUITE_P(Icons, IconResource, ::testing::ValuesIn(kIcons),
                         [](const ::testing::TestParamInfo<IconCase>& info) { return std::string(info.param.name); });

BOOL CALLBACK keepFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) {
    *reinterpret_cast<ULONG_PTR*>(out) = reinterpret_cast<ULONG_PTR>(name);
    return FALSE;  // the first one is all we want
}

// Explorer shows the first icon group of an executable as its icon.
TEST(ProgramIcon, IsTheFirstIconGroup) {
    ULONG_PTR first = 0;
    EnumResourceNamesW(self(), kIconGroupType, keepFirstName, reinterpret_cast<LONG_PTR>(&first));
    ASSERT_TRUE(IS_INTRESOURCE(first)) << "an icon with a text name comes before the numbered ones";
    EXPECT_EQ(first, static_cast<ULONG_PTR>(IDI_CORVALLO));
}

// ---- Countdown background ----

TEST(CountdownBackground, IsThreeHundredByTwoHundredAndLightWhereTheTextsGo) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(self(), MAKEINTRESOURCEW(IDB_COUNTDOWN_BACKGROUND),
                                                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr) << "error " << GetLastError();
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectW(bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmWidth, 300);
    EXPECT_EQ(dib.dsBm.bmHeight, 200);
    ASSERT_EQ(dib.dsBm.bmBitsPixel, 24);
    ASSERT_NE(dib.dsBm.bmBits, nullptr);

    // The window's labels (title line, description, remaining time) are dark text on the picture.
    struct Area {
        const char* what;
        int x, y, width, height;
    };
    const Area areas[] = {
        {"title line", 67, 14, 208, 32},
        {"description", 4, 54, 282, 64},
        {"remaining time", 78, 105, 133, 24},
    };
    const auto* bits = static_cast<const unsigned char*>(dib.dsBm.bmBits);
    const bool bottomUp = dib.dsBmih.biHeight > 0;
    for (const Area& area : areas) {
        SCOPED_TRACE(area.what);
        int darkest = 255;
        for (int y = area.y; y < area.y + area.height; ++y) {
            const unsigned char* row = bits + static_cast<std::size_t>(bottomUp ? 199 - y : y) * dib.dsBm.bmWidthBytes;
            for (int x = area.x; x < area.x + area.width; ++x) {
                const unsigned char* p = row + x * 3;
                darkest = std::min(darkest, (p[2] * 299 + p[1] * 587 + p[0] * 114) / 1000);
            }
        }
        EXPECT_GE(darkest, 200);
    }
    DeleteObject(bitmap);
}

// ---- Manifest ----

// The text of the first element named tag, from "<tag" to its ">".
std::string element(const std::string& xml, const std::string& tag, std::size_t from = 0) {
    std::size_t at = xml.find("<" + tag + " ", from);
    if (at == std::string::npos) return {};
    std::size_t end = xml.find('>', at);
    return end == std::string::npos ? std::string() : xml.substr(at, end + 1 - at);
}

// The text between the first element named tag and its closing tag.
std::string content(const std::string& xml, const std::string& tag) {
    std::string open = element(xml, tag);
    if (open.empty()) return {};
    std::size_t from = xml.find(open) + open.size();
    std::size_t end = xml.find("</" + tag + ">", from);
    return end == std::string::npos ? std::string() : xml.substr(from, end - from);
}

std::string manifest() {
    return std::string(resourceBytes(kManifestType, MAKEINTRESOURCEW(1)));
}

TEST(Manifest, RunsAsInvokerWithoutUiAccess) {
    std::string level = element(manifest(), "requestedExecutionLevel");
    ASSERT_FALSE(level.empty()) << manifest();
    EXPECT_NE(level.find("level=\"asInvoker\""), std::string::npos) << level;
    EXPECT_NE(level.find("uiAccess=\"false\""), std::string::npos) << level;
}

TEST(Manifest, AsksForCommonControlsSixAndNoCodePage) {
    std::string xml = manifest();
    std::size_t dependency = xml.find("<dependentAssembly>");
    ASSERT_NE(dependency, std::string::npos) << xml;
    std::string identity = element(xml, "assemblyIdentity", dependency);
    EXPECT_NE(identity.find("name=\"Microsoft.Windows.Common-Controls\""), std::string::npos) << identity;
    EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos) << identity;
    EXPECT_NE(identity.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos) << identity;
    // The program calls the W functions; a UTF-8 ANSI code page would change what the A ones do.
    EXPECT_EQ(xml.find("<activeCodePage"), std::string::npos);
}

// Wine reports DPI awareness with or without a manifest and runs as whatever Windows its prefix
// names, so these two are checked in the text.
TEST(Manifest, DeclaresPerMonitorDpiAndWindows7To11) {
    std::string xml = manifest();
    EXPECT_EQ(content(xml, "dpiAware"), "true/pm");
    EXPECT_EQ(content(xml, "dpiAwareness"), "PerMonitorV2, PerMonitor");
    // Without an entry for the running Windows, GetVersionEx reports Windows 8.
    const char* const systems[][2] = {
        {"7", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},
        {"8", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},
        {"8.1", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},
        {"10 and 11", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
    };
    for (const auto& system : systems) {
        SCOPED_TRACE(system[0]);
        EXPECT_NE(xml.find(std::string("<supportedOS Id=\"") + system[1] + "\""), std::string::npos);
    }
}

// Windows reads the embedded manifest when the process starts: comctl32 then comes from the
// side-by-side Common-Controls 6 assembly, not from the system folder's version 5.
TEST(Manifest, TakesEffect) {
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    wchar_t path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(comctl, path, MAX_PATH), 0u);
    std::wstring folder = path;
    std::transform(folder.begin(), folder.end(), folder.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    EXPECT_NE(folder.find(L"\\winsxs\\"), std::wstring::npos) << folder;
    EXPECT_NE(folder.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos) << folder;
    FreeLibrary(comctl);
}

// ---- Version ----

class VersionInfo : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t path[MAX_PATH];
        ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeW(path, &handle);
        ASSERT_GT(size, 0u) << "no version resource, error " << GetLastError();
        block_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block_.data()));
    }

    const void* query(const std::wstring& key, UINT* length) {
        void* value = nullptr;
        *length = 0;
        if (!VerQueryValueW(block_.data(), key.c_str(), &value, length)) return nullptr;
        return value;
    }

    std::vector<unsigned char> block_;
};

TEST_F(VersionInfo, FixedPartNamesVersion1_1_43_101) {
    UINT length = 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query(L"\\", &length));
    ASSERT_NE(fixed, nullptr);
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(1, 1)));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(101, 43)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(VersionInfo, TextsAreSimplifiedChineseUnicode) {
    UINT length = 0;
    const auto* translation = static_cast<const WORD*>(query(L"\\VarFileInfo\\Translation", &length));
    ASSERT_NE(translation, nullptr);
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0804);  // Chinese (PRC)
    EXPECT_EQ(translation[1], 1200);    // UTF-16

    wchar_t block[32];
    std::swprintf(block, 32, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    struct Text {
        const wchar_t* key;
        std::wstring expected;
    };
    const Text texts[] = {
        {L"FileVersion", L"1.1.43.101"},
        {L"ProductVersion", L"1.1.43.101"},
        {L"ProductName", L"Corvallo"},
        {L"OriginalFilename", L"Corvallo.exe"},
        {L"FileDescription", L"Pennavo（Corvallo）自动备份"},
    };
    for (const Text& text : texts) {
        SCOPED_TRACE(std::string(text.key, text.key + wcslen(text.key)));
        const auto* value = static_cast<const wchar_t*>(query(block + std::wstring(text.key), &length));
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(std::wstring(value), text.expected);
    }
}

}  // namespace
