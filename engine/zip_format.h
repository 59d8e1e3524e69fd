#pragma once
// The byte layout of zip records, shared by the writer and by the check that reads an archive back.

#include <cstdint>
#include <string>

#include "engine/archive.h"

namespace corvallo::engine::zip {

inline constexpr std::uint16_t kStored = 0;
inline constexpr std::uint16_t kDeflated = 8;
// What a 32-bit size or offset field holds when the real value sits in the ZIP64 extra field.
inline constexpr std::uint32_t kZip64Marker = 0xFFFFFFFFu;
inline constexpr std::size_t kLocalHeaderSize = 30;

// One entry as the central directory describes it.
struct Entry {
    std::string name;                  // UTF-8, '/' between components, "x/" for a folder
    bool folder = false;
    std::uint16_t method = kStored;
    bool descriptor = false;           // CRC and sizes follow the data instead of preceding it
    bool zip64 = false;                // sizes are ZIP64 fields in both headers and the descriptor
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;          // of the local header
    bool zip64Offset = false;          // the offset is a ZIP64 field in the central record
    std::uint64_t lastWriteTime = 0;   // Windows FILETIME, UTC; 0 when unknown
    std::uint16_t dosTime = 0;         // local time, two-second steps
    std::uint16_t dosDate = 0;
    std::uint32_t attributes = 0;      // the DOS attribute bits
};

std::string localHeader(const Entry& entry);
std::string dataDescriptor(const Entry& entry);
std::string centralHeader(const Entry& entry);
// The ZIP64 end record and its locator when a count, size or offset needs them, then the end record.
std::string endRecords(std::uint64_t count, std::uint64_t directoryOffset, std::uint64_t directorySize,
                       const ArchiveLimits& limits);

struct DosDateTime {
    std::uint16_t time = 0;
    std::uint16_t date = 0;
};
// A FILETIME moved by `offsetMinutes`, clamped to the years DOS times can hold (1980..2107).
DosDateTime dosDateTime(std::uint64_t fileTime, int offsetMinutes);

// Proleptic Gregorian calendar, days since 1970-01-01.
std::int64_t daysFromCivil(std::int64_t year, int month, int day);

}  // namespace corvallo::engine::zip
