#include "core/text/cp936.h"
#include "core/text/utf8.h"

#include <cstdint>
#include <cstring>

namespace corvallo::text {

namespace {

#include "core/text/cp936_tables.inc"

constexpr std::uint32_t kEscapeBase = 0xDC00;
constexpr std::uint32_t kSupplementaryIndex = 189000;  // index of 90 30 81 30
constexpr std::uint32_t kNone = 0xFFFFFFFF;

bool isLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool isDigit(unsigned char b) { return b >= 0x30 && b <= 0x39; }

int trailIndex(unsigned char b)
{
    if (b >= 0x40 && b <= 0x7E) {
        return b - 0x40;
    }
    if (b >= 0x80 && b <= 0xFE) {
        return b - 0x41;
    }
    return -1;
}

// Output buffer that grows in bulk; callers ask for room before each character, so the hot loops
// write through a raw pointer.
class Output {
public:
    explicit Output(std::size_t expected) { text_.resize(expected + 16); }

    char* room(std::size_t needed)
    {
        if (static_cast<std::size_t>(text_.size() - used_) < needed) {
            text_.resize(text_.size() * 2 + needed);
        }
        return text_.data() + used_;
    }
    void advance(std::size_t n) { used_ += n; }
    std::string finish()
    {
        text_.resize(used_);
        return std::move(text_);
    }

private:
    std::string text_;
    std::size_t used_ = 0;
};

// Last run whose `first` is not above `key`, or nullptr.
template <std::size_t N>
const FourByteRun* findRun(const FourByteRun (&runs)[N], std::uint32_t key)
{
    std::size_t low = 0;
    std::size_t high = N;
    while (low < high) {
        std::size_t mid = (low + high) / 2;
        if (runs[mid].first <= key) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    if (low == 0) {
        return nullptr;
    }
    const FourByteRun& run = runs[low - 1];
    return key - run.first < run.length ? &run : nullptr;
}

// The code point of the four-byte sequence at p (already checked for its shape), or kNone when it
// is not the encoding of any code point.
std::uint32_t decodeFourByte(const unsigned char* p)
{
    std::uint32_t index = ((static_cast<std::uint32_t>(p[0] - 0x81) * 10 + (p[1] - 0x30)) * 126 + (p[2] - 0x81)) * 10
                          + (p[3] - 0x30);
    if (index < static_cast<std::uint32_t>(kFourByteBmpCount)) {
        const FourByteRun* run = findRun(kFourByteByIndex, index);
        return run ? run->other + (index - run->first) : kNone;
    }
    if (index >= kSupplementaryIndex && index - kSupplementaryIndex < 0x100000) {
        return 0x10000 + (index - kSupplementaryIndex);
    }
    return kNone;
}

std::uint16_t cp936Code(std::uint32_t cp)
{
    return kEncodePages[kEncodePageOf[cp >> 8]][cp & 0xFF];
}

void putFourByte(char* out, std::uint32_t index)
{
    out[3] = static_cast<char>(0x30 + index % 10);
    index /= 10;
    out[2] = static_cast<char>(0x81 + index % 126);
    index /= 126;
    out[1] = static_cast<char>(0x30 + index % 10);
    index /= 10;
    out[0] = static_cast<char>(0x81 + index);
}

// One unit of UTF-8 input: a code point, or a byte that is not part of a valid sequence.
struct Utf8Unit {
    std::uint32_t codePoint;  // kNone for a raw byte
    std::size_t length;
};

Utf8Unit readUtf8(const unsigned char* p, std::size_t available)
{
    const unsigned char b = p[0];
    if (b < 0x80) {
        return {b, 1};
    }
    auto cont = [&](std::size_t i) { return i < available && (p[i] & 0xC0) == 0x80; };
    if (b >= 0xC2 && b <= 0xDF) {
        if (cont(1)) {
            return {(b & 0x1Fu) << 6 | (p[1] & 0x3Fu), 2};
        }
    } else if (b >= 0xE0 && b <= 0xEF) {
        if (cont(1) && cont(2)) {
            std::uint32_t cp = (b & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
            // Of the surrogates only the byte escapes are ours; the rest is not UTF-8.
            bool escape = cp >= kEscapeBase && cp <= kEscapeBase + 0xFF;
            if (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF || escape)) {
                return {cp, 3};
            }
        }
    } else if (b >= 0xF0 && b <= 0xF4) {
        if (cont(1) && cont(2) && cont(3)) {
            std::uint32_t cp = (b & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
            if (cp >= 0x10000 && cp <= 0x10FFFF) {
                return {cp, 4};
            }
        }
    }
    return {kNone, 1};
}

// Writes the cp936 bytes of one UTF-8 unit to out (room for 4) and returns their number.
std::size_t putCp936(char* out, const Utf8Unit& unit, unsigned char firstByte)
{
    const std::uint32_t cp = unit.codePoint;
    if (cp == kNone) {
        out[0] = static_cast<char>(firstByte);
        return 1;
    }
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x10000) {
        if (cp >= kEscapeBase && cp <= kEscapeBase + 0xFF) {
            out[0] = static_cast<char>(cp - kEscapeBase);
            return 1;
        }
        if (std::uint16_t code = cp936Code(cp); code != 0) {
            if (code < 0x100) {
                out[0] = static_cast<char>(code);
                return 1;
            }
            out[0] = static_cast<char>(code >> 8);
            out[1] = static_cast<char>(code & 0xFF);
            return 2;
        }
        // Every other BMP code point has a four-byte code (the generator checks this).
        const FourByteRun* run = findRun(kFourByteByCodePoint, cp);
        putFourByte(out, run->other + (cp - run->first));
        return 4;
    }
    putFourByte(out, kSupplementaryIndex + (cp - 0x10000));
    return 4;
}

std::size_t cp936Length(const Utf8Unit& unit)
{
    const std::uint32_t cp = unit.codePoint;
    if (cp == kNone || cp < 0x80 || (cp >= kEscapeBase && cp <= kEscapeBase + 0xFF)) {
        return 1;
    }
    if (cp < 0x10000) {
        std::uint16_t code = cp936Code(cp);
        if (code != 0) {
            return code < 0x100 ? 1 : 2;
        }
    }
    return 4;
}

}  // namespace

std::string cp936ToUtf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    // Chinese text grows by half (two bytes to three); the buffer grows if the text is stranger.
    Output output(bytes.size() + bytes.size() / 2);
    while (p < end) {
        char* out = output.room(6);
        const unsigned char b = *p;
        if (b < 0x80) {
            *out = static_cast<char>(b);
            output.advance(1);
            ++p;
            continue;
        }
        std::uint32_t cp = kNone;
        std::size_t used = 1;
        std::size_t left = static_cast<std::size_t>(end - p);
        if (!isLead(b)) {
            cp = kSingleByte[b - 0x80];
            if (cp == 0) {
                cp = kNone;
            }
        } else if (left >= 2) {
            int trail = trailIndex(p[1]);
            if (trail >= 0) {
                cp = kDoubleByte[(b - 0x81) * kTrailCount + trail];
                if (cp == 0) {
                    // A pair without a character: both bytes go, so the trail byte never reads as
                    // ASCII of its own.
                    std::size_t n = putUtf8(out, kEscapeBase + b);
                    n += putUtf8(out + n, kEscapeBase + p[1]);
                    output.advance(n);
                    p += 2;
                    continue;
                }
                used = 2;
            } else if (isDigit(p[1]) && left >= 4 && isLead(p[2]) && isDigit(p[3])) {
                cp = decodeFourByte(p);
                used = cp == kNone ? 1 : 4;
            }
        }
        if (cp == kNone) {
            cp = kEscapeBase + b;
            used = 1;
        }
        output.advance(putUtf8(out, cp));
        p += used;
    }
    return output.finish();
}

std::string utf8ToCp936(std::string_view utf8)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    Output output(utf8.size());
    while (p < end) {
        char* out = output.room(4);
        if (*p < 0x80) {
            *out = static_cast<char>(*p);
            output.advance(1);
            ++p;
            continue;
        }
        Utf8Unit unit = readUtf8(p, static_cast<std::size_t>(end - p));
        output.advance(putCp936(out, unit, *p));
        p += unit.length;
    }
    return output.finish();
}

int cp936LengthAt(std::string_view utf8, std::size_t pos, std::size_t& utf8Length)
{
    if (pos >= utf8.size()) {
        utf8Length = 0;
        return 0;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data()) + pos;
    Utf8Unit unit = readUtf8(p, utf8.size() - pos);
    utf8Length = unit.length;
    return static_cast<int>(cp936Length(unit));
}

}  // namespace corvallo::text
