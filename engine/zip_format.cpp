#include "engine/zip_format.h"

#include <zlib.h>

namespace corvallo::engine::zip {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kDescriptorSignature = 0x08074b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;

constexpr std::uint16_t kZip64Extra = 0x0001;
constexpr std::uint16_t kNtfsExtra = 0x000a;
constexpr std::uint16_t kTimestampExtra = 0x5455;
constexpr std::uint16_t kUnicodePathExtra = 0x7075;

// Host 0 (FAT) so that readers take the external attributes as DOS bits; version 4.5 for ZIP64.
constexpr std::uint16_t kMadeBy = 45;
constexpr std::uint16_t kFlagDescriptor = 1u << 3;
constexpr std::uint16_t kFlagUtf8 = 1u << 11;

constexpr std::uint64_t kFileTimeTicksPerSecond = 10'000'000;
constexpr std::uint64_t kUnixEpochSeconds = 11'644'473'600;  // 1601-01-01 to 1970-01-01

void put16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void put64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t clamp32(std::uint64_t v) { return v >= kZip64Marker ? kZip64Marker : static_cast<std::uint32_t>(v); }

std::uint16_t versionNeeded(const Entry& entry) {
    if (entry.zip64 || entry.zip64Offset) return 45;
    return entry.folder || entry.method == kDeflated ? 20 : 10;
}

std::uint16_t flags(const Entry& entry) {
    return static_cast<std::uint16_t>(kFlagUtf8 | (entry.descriptor ? kFlagDescriptor : 0));
}

// The time fields that follow the ZIP64 field in both headers. The NTFS field carries the full
// precision for readers on Windows; the Unix timestamp is what other readers take.
void putTimeExtras(std::string& extra, const Entry& entry) {
    put16(extra, kNtfsExtra);
    put16(extra, 32);
    put32(extra, 0);
    put16(extra, 1);   // tag: the three times
    put16(extra, 24);
    // Only the write time is known; using it for access and creation keeps extractors from
    // setting 1601 there.
    for (int i = 0; i < 3; ++i) put64(extra, entry.lastWriteTime);

    std::uint64_t seconds = entry.lastWriteTime / kFileTimeTicksPerSecond;
    if (seconds < kUnixEpochSeconds || seconds - kUnixEpochSeconds > 0x7FFFFFFF) return;
    put16(extra, kTimestampExtra);
    put16(extra, 5);
    extra += static_cast<char>(1);  // modification time present
    put32(extra, static_cast<std::uint32_t>(seconds - kUnixEpochSeconds));
}

bool isAscii(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// The extra fields both headers carry. unzip honours the UTF-8 flag only on its way through an
// entry's extra fields, so a header without any gets its name read as DOS text: when there is no time
// to store, a non-ASCII name is repeated in the Unicode path field.
void putSharedExtras(std::string& extra, const Entry& entry) {
    if (entry.lastWriteTime != 0) {
        putTimeExtras(extra, entry);
        return;
    }
    if (isAscii(entry.name) || entry.name.size() > 0xFFFF - 64) return;
    put16(extra, kUnicodePathExtra);
    put16(extra, static_cast<std::uint16_t>(5 + entry.name.size()));
    extra += static_cast<char>(1);  // version
    put32(extra, static_cast<std::uint32_t>(
                     crc32(0, reinterpret_cast<const Bytef*>(entry.name.data()), static_cast<uInt>(entry.name.size()))));
    extra += entry.name;
}

void putCommonFields(std::string& out, const Entry& entry) {
    put16(out, versionNeeded(entry));
    put16(out, flags(entry));
    put16(out, entry.method);
    put16(out, entry.dosTime);
    put16(out, entry.dosDate);
}

void civilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

}  // namespace

std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

DosDateTime dosDateTime(std::uint64_t fileTime, int offsetMinutes) {
    const std::int64_t unixSeconds = static_cast<std::int64_t>(fileTime / kFileTimeTicksPerSecond) -
                                     static_cast<std::int64_t>(kUnixEpochSeconds) +
                                     static_cast<std::int64_t>(offsetMinutes) * 60;
    const std::int64_t earliest = daysFromCivil(1980, 1, 1) * 86400;
    const std::int64_t latest = daysFromCivil(2107, 12, 31) * 86400 + 86399;
    const std::int64_t seconds = unixSeconds < earliest ? earliest : unixSeconds > latest ? latest : unixSeconds;

    std::int64_t days = seconds / 86400;  // not negative here
    std::int64_t secondOfDay = seconds % 86400;
    std::int64_t year = 0;
    int month = 0;
    int day = 0;
    civilFromDays(days, year, month, day);
    DosDateTime out;
    out.date = static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
    out.time = static_cast<std::uint16_t>(((secondOfDay / 3600) << 11) | (((secondOfDay / 60) % 60) << 5) |
                                          ((secondOfDay % 60) / 2));
    return out;
}

std::string localHeader(const Entry& entry) {
    std::string extra;
    if (entry.zip64) {
        // Both sizes, as the local ZIP64 field must hold; zero while they follow in the descriptor.
        put16(extra, kZip64Extra);
        put16(extra, 16);
        put64(extra, entry.descriptor ? 0 : entry.size);
        put64(extra, entry.descriptor ? 0 : entry.compressedSize);
    }
    putSharedExtras(extra, entry);

    std::string out;
    out.reserve(kLocalHeaderSize + entry.name.size() + extra.size());
    put32(out, kLocalSignature);
    putCommonFields(out, entry);
    if (entry.descriptor) {
        put32(out, 0);
        put32(out, entry.zip64 ? kZip64Marker : 0);
        put32(out, entry.zip64 ? kZip64Marker : 0);
    } else {
        put32(out, entry.crc);
        put32(out, entry.zip64 ? kZip64Marker : static_cast<std::uint32_t>(entry.compressedSize));
        put32(out, entry.zip64 ? kZip64Marker : static_cast<std::uint32_t>(entry.size));
    }
    put16(out, static_cast<std::uint16_t>(entry.name.size()));
    put16(out, static_cast<std::uint16_t>(extra.size()));
    out += entry.name;
    out += extra;
    return out;
}

std::string dataDescriptor(const Entry& entry) {
    std::string out;
    put32(out, kDescriptorSignature);
    put32(out, entry.crc);
    if (entry.zip64) {
        put64(out, entry.compressedSize);
        put64(out, entry.size);
    } else {
        put32(out, static_cast<std::uint32_t>(entry.compressedSize));
        put32(out, static_cast<std::uint32_t>(entry.size));
    }
    return out;
}

std::string centralHeader(const Entry& entry) {
    const bool bigOffset = entry.zip64Offset;
    std::string extra;
    if (entry.zip64 || bigOffset) {
        // Only the fields whose 32-bit slot holds the marker, in this order.
        put16(extra, kZip64Extra);
        put16(extra, static_cast<std::uint16_t>((entry.zip64 ? 16 : 0) + (bigOffset ? 8 : 0)));
        if (entry.zip64) {
            put64(extra, entry.size);
            put64(extra, entry.compressedSize);
        }
        if (bigOffset) put64(extra, entry.offset);
    }
    putSharedExtras(extra, entry);

    std::string out;
    out.reserve(46 + entry.name.size() + extra.size());
    put32(out, kCentralSignature);
    put16(out, kMadeBy);
    putCommonFields(out, entry);
    put32(out, entry.crc);
    put32(out, entry.zip64 ? kZip64Marker : static_cast<std::uint32_t>(entry.compressedSize));
    put32(out, entry.zip64 ? kZip64Marker : static_cast<std::uint32_t>(entry.size));
    put16(out, static_cast<std::uint16_t>(entry.name.size()));
    put16(out, static_cast<std::uint16_t>(extra.size()));
    put16(out, 0);  // comment
    put16(out, 0);  // disk
    put16(out, 0);  // internal attributes
    put32(out, entry.attributes);
    put32(out, bigOffset ? kZip64Marker : static_cast<std::uint32_t>(entry.offset));
    out += entry.name;
    out += extra;
    return out;
}

std::string endRecords(std::uint64_t count, std::uint64_t directoryOffset, std::uint64_t directorySize,
                       const ArchiveLimits& limits) {
    const bool bigCount = count >= limits.zip64Count;
    const bool bigOffset = directoryOffset >= limits.zip64Offset;
    const bool bigSize = directorySize >= limits.zip64Offset;
    std::string out;
    if (bigCount || bigOffset || bigSize) {
        const std::uint64_t zip64EndOffset = directoryOffset + directorySize;
        put32(out, kZip64EndSignature);
        put64(out, 44);  // the size of the rest of this record
        put16(out, kMadeBy);
        put16(out, 45);
        put32(out, 0);  // this disk
        put32(out, 0);  // the disk with the directory
        put64(out, count);
        put64(out, count);
        put64(out, directorySize);
        put64(out, directoryOffset);

        put32(out, kZip64LocatorSignature);
        put32(out, 0);
        put64(out, zip64EndOffset);
        put32(out, 1);  // disks in all
    }
    put32(out, kEndSignature);
    put16(out, 0);
    put16(out, 0);
    const std::uint16_t shortCount = bigCount ? 0xFFFF : static_cast<std::uint16_t>(count);
    put16(out, shortCount);
    put16(out, shortCount);
    put32(out, bigSize ? kZip64Marker : clamp32(directorySize));
    put32(out, bigOffset ? kZip64Marker : clamp32(directoryOffset));
    put16(out, 0);  // comment
    return out;
}

}  // namespace corvallo::engine::zip
