#pragma once
// A zip reader for tests, written apart from the packer: it finds the end record, follows the
// ZIP64 records, reads the central directory, and checks every local header, data stream and
// descriptor against it. Each entry comes back with its contents.

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvallo::testing {

struct ZipEntryRead {
    std::string name;
    std::uint16_t madeBy = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
    std::uint32_t externalAttributes = 0;
    bool centralZip64 = false;  // a ZIP64 field in the central record
    bool localZip64 = false;    // a ZIP64 field in the local header
    std::optional<std::uint64_t> ntfsWriteTime;
    std::optional<std::uint32_t> unixWriteTime;
    std::string data;
};

struct ZipRead {
    std::vector<ZipEntryRead> entries;
    bool zip64End = false;
    std::uint16_t shortCount = 0;  // the count in the classic end record
};

class ZipReadError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

namespace zipread {

inline std::uint64_t le(const std::string& b, std::uint64_t at, int bytes) {
    if (at + bytes > b.size()) throw ZipReadError("record runs past the end of the archive at " + std::to_string(at));
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

struct Extras {
    std::optional<std::string> zip64;
    std::optional<std::uint64_t> ntfs;
    std::optional<std::uint32_t> unix;
    std::optional<std::string> unicodePath;
};

inline Extras parseExtras(const std::string& b, std::uint64_t at, std::uint64_t length) {
    Extras out;
    std::uint64_t end = at + length;
    while (at < end) {
        if (at + 4 > end) throw ZipReadError("extra field header cut off");
        auto id = le(b, at, 2);
        auto size = le(b, at + 2, 2);
        if (at + 4 + size > end) throw ZipReadError("extra field runs past its area");
        if (id == 0x0001) {
            if (out.zip64) throw ZipReadError("two ZIP64 fields");
            out.zip64 = b.substr(at + 4, size);
        } else if (id == 0x000a) {
            if (size < 32 || le(b, at + 8, 2) != 1 || le(b, at + 10, 2) != 24) throw ZipReadError("odd NTFS field");
            out.ntfs = le(b, at + 12, 8);
            if (le(b, at + 20, 8) != *out.ntfs || le(b, at + 28, 8) != *out.ntfs) throw ZipReadError("NTFS times differ");
        } else if (id == 0x7075) {
            if (size < 5 || b[at + 4] != 1) throw ZipReadError("odd Unicode path field");
            out.unicodePath = b.substr(at + 9, size - 5);
            auto crc = crc32(0, reinterpret_cast<const Bytef*>(b.data() + at + 9), static_cast<uInt>(size - 5));
            if (crc != le(b, at + 5, 4)) throw ZipReadError("Unicode path field CRC");
        } else if (id == 0x5455) {
            if (size < 5 || (b[at + 4] & 1) == 0) throw ZipReadError("odd timestamp field");
            out.unix = static_cast<std::uint32_t>(le(b, at + 5, 4));
        }
        at += 4 + size;
    }
    return out;
}

inline std::string inflateAll(const std::string& packed) {
    z_stream s{};
    if (inflateInit2(&s, -15) != Z_OK) throw ZipReadError("inflateInit2");
    std::string out;
    char buffer[65536];
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    s.avail_in = static_cast<uInt>(packed.size());
    int status = Z_OK;
    while (status == Z_OK) {
        s.next_out = reinterpret_cast<Bytef*>(buffer);
        s.avail_out = sizeof buffer;
        status = inflate(&s, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - s.avail_out);
    }
    const bool ended = status == Z_STREAM_END;
    const bool rest = s.avail_in != 0;
    inflateEnd(&s);
    if (!ended) throw ZipReadError("deflate stream does not end");
    if (rest) throw ZipReadError("bytes after the deflate stream");
    return out;
}

}  // namespace zipread

// Throws ZipReadError on anything malformed or inconsistent.
inline ZipRead readZip(const std::string& b) {
    using zipread::le;
    ZipRead result;
    if (b.size() < 22) throw ZipReadError("too short for an end record");
    std::uint64_t end = b.size() - 22;
    while (le(b, end, 4) != 0x06054b50) {
        if (end == 0 || b.size() - end > 22 + 0xFFFF) throw ZipReadError("no end record");
        --end;
    }
    if (le(b, end + 20, 2) != b.size() - end - 22) throw ZipReadError("comment length does not reach the end");
    std::uint64_t count = le(b, end + 10, 2);
    result.shortCount = static_cast<std::uint16_t>(count);
    if (le(b, end + 8, 2) != count) throw ZipReadError("disk counts differ");
    std::uint64_t directorySize = le(b, end + 12, 4);
    std::uint64_t directoryOffset = le(b, end + 16, 4);
    std::uint64_t directoryEnd = end;
    if (end >= 20 && le(b, end - 20, 4) == 0x07064b50) {
        result.zip64End = true;
        if (le(b, end - 16, 4) != 0 || le(b, end - 4, 4) != 1) throw ZipReadError("ZIP64 locator names other disks");
        std::uint64_t record = le(b, end - 12, 8);
        if (le(b, record, 4) != 0x06064b50) throw ZipReadError("no ZIP64 end record where the locator points");
        if (le(b, record + 4, 8) != 44) throw ZipReadError("ZIP64 end record size");
        if (record + 56 != end - 20) throw ZipReadError("ZIP64 end record not followed by its locator");
        if (le(b, record + 24, 8) != le(b, record + 32, 8)) throw ZipReadError("ZIP64 disk counts differ");
        std::uint64_t count64 = le(b, record + 32, 8);
        std::uint64_t size64 = le(b, record + 40, 8);
        std::uint64_t offset64 = le(b, record + 48, 8);
        // The classic record holds either the value or the marker.
        if (count != 0xFFFF && count != count64) throw ZipReadError("counts differ");
        if (directorySize != 0xFFFFFFFF && directorySize != size64) throw ZipReadError("directory sizes differ");
        if (directoryOffset != 0xFFFFFFFF && directoryOffset != offset64) throw ZipReadError("directory offsets differ");
        count = count64;
        directorySize = size64;
        directoryOffset = offset64;
        directoryEnd = record;
    } else if (count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) {
        throw ZipReadError("end record holds markers without ZIP64 records");
    }
    if (directoryOffset + directorySize != directoryEnd) throw ZipReadError("central directory does not end where the end records start");

    std::uint64_t at = directoryOffset;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (le(b, at, 4) != 0x02014b50) throw ZipReadError("central record " + std::to_string(i) + " missing");
        ZipEntryRead e;
        e.madeBy = static_cast<std::uint16_t>(le(b, at + 4, 2));
        e.versionNeeded = static_cast<std::uint16_t>(le(b, at + 6, 2));
        e.flags = static_cast<std::uint16_t>(le(b, at + 8, 2));
        e.method = static_cast<std::uint16_t>(le(b, at + 10, 2));
        e.dosTime = static_cast<std::uint16_t>(le(b, at + 12, 2));
        e.dosDate = static_cast<std::uint16_t>(le(b, at + 14, 2));
        e.crc = static_cast<std::uint32_t>(le(b, at + 16, 4));
        e.compressedSize = le(b, at + 20, 4);
        e.size = le(b, at + 24, 4);
        auto nameLength = le(b, at + 28, 2);
        auto extraLength = le(b, at + 30, 2);
        auto commentLength = le(b, at + 32, 2);
        if (le(b, at + 34, 2) != 0) throw ZipReadError("entry on another disk");
        e.externalAttributes = static_cast<std::uint32_t>(le(b, at + 38, 4));
        e.offset = le(b, at + 42, 4);
        e.name = b.substr(at + 46, nameLength);
        auto extras = zipread::parseExtras(b, at + 46 + nameLength, extraLength);
        if (extras.zip64) {
            e.centralZip64 = true;
            const std::string& z = *extras.zip64;
            std::uint64_t p = 0;
            auto take = [&](std::uint64_t& field) {
                if (field != 0xFFFFFFFF) return;
                if (p + 8 > z.size()) throw ZipReadError("ZIP64 field too short for " + e.name);
                field = le(z, p, 8);
                p += 8;
            };
            take(e.size);
            take(e.compressedSize);
            take(e.offset);
            if (p != z.size()) throw ZipReadError("ZIP64 field of " + e.name + " has fields without markers");
        } else if (e.size == 0xFFFFFFFF || e.compressedSize == 0xFFFFFFFF || e.offset == 0xFFFFFFFF) {
            throw ZipReadError("marker without ZIP64 field for " + e.name);
        }
        if (extras.unicodePath && *extras.unicodePath != e.name) throw ZipReadError("Unicode path differs from " + e.name);
        e.ntfsWriteTime = extras.ntfs;
        e.unixWriteTime = extras.unix;
        at += 46 + nameLength + extraLength + commentLength;
        result.entries.push_back(std::move(e));
    }
    if (at != directoryOffset + directorySize) throw ZipReadError("central directory size does not match its records");

    // Local headers, data and descriptors, which must tile the space before the directory.
    std::uint64_t expectedOffset = 0;
    for (auto& e : result.entries) {
        if (e.offset != expectedOffset) throw ZipReadError("gap or overlap before " + e.name);
        std::uint64_t h = e.offset;
        if (le(b, h, 4) != 0x04034b50) throw ZipReadError("no local header for " + e.name);
        if (le(b, h + 4, 2) != e.versionNeeded || le(b, h + 6, 2) != e.flags || le(b, h + 8, 2) != e.method ||
            le(b, h + 10, 2) != e.dosTime || le(b, h + 12, 2) != e.dosDate)
            throw ZipReadError("local header of " + e.name + " disagrees with the directory");
        auto nameLength = le(b, h + 26, 2);
        auto extraLength = le(b, h + 28, 2);
        if (b.substr(h + 30, nameLength) != e.name) throw ZipReadError("local name differs for " + e.name);
        auto extras = zipread::parseExtras(b, h + 30 + nameLength, extraLength);
        if (extras.unicodePath && *extras.unicodePath != e.name) throw ZipReadError("local Unicode path differs for " + e.name);
        if (extras.ntfs != e.ntfsWriteTime || extras.unix != e.unixWriteTime) throw ZipReadError("local times differ for " + e.name);
        std::uint64_t localCrc = le(b, h + 14, 4);
        std::uint64_t localCompressed = le(b, h + 18, 4);
        std::uint64_t localSize = le(b, h + 22, 4);
        if (extras.zip64) {
            e.localZip64 = true;
            if (extras.zip64->size() != 16) throw ZipReadError("local ZIP64 field must hold both sizes: " + e.name);
            if (localSize != 0xFFFFFFFF || localCompressed != 0xFFFFFFFF) throw ZipReadError("local ZIP64 without markers: " + e.name);
            localSize = le(*extras.zip64, 0, 8);
            localCompressed = le(*extras.zip64, 8, 8);
        }
        const bool descriptor = (e.flags & 8) != 0;
        if (descriptor) {
            if (localCrc != 0 || localSize != 0 || localCompressed != 0)
                throw ZipReadError("local header of " + e.name + " has values though they follow the data");
        } else if (localCrc != e.crc || localSize != e.size || localCompressed != e.compressedSize) {
            throw ZipReadError("local CRC or sizes of " + e.name + " disagree with the directory");
        }
        std::uint64_t dataAt = h + 30 + nameLength + extraLength;
        if (dataAt + e.compressedSize > directoryOffset) throw ZipReadError("data of " + e.name + " runs into the directory");
        std::string packed = b.substr(dataAt, e.compressedSize);
        if (e.method == 0) {
            if (e.compressedSize != e.size) throw ZipReadError("stored sizes differ for " + e.name);
            e.data = std::move(packed);
        } else if (e.method == 8) {
            e.data = zipread::inflateAll(packed);
        } else {
            throw ZipReadError("unknown method for " + e.name);
        }
        if (e.data.size() != e.size) throw ZipReadError("size of " + e.name + " is wrong");
        auto crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
        if (crc != e.crc) throw ZipReadError("CRC of " + e.name + " is wrong");
        expectedOffset = dataAt + e.compressedSize;
        if (descriptor) {
            std::uint64_t d = expectedOffset;
            if (le(b, d, 4) == 0x08074b50) d += 4;
            const int width = e.localZip64 ? 8 : 4;
            if (le(b, d, 4) != e.crc || le(b, d + 4, width) != e.compressedSize || le(b, d + 4 + width, width) != e.size)
                throw ZipReadError("descriptor of " + e.name + " disagrees with the directory");
            expectedOffset = d + 4 + 2 * width;
        }
    }
    if (expectedOffset != directoryOffset) throw ZipReadError("bytes between the last entry and the directory");
    return result;
}

}  // namespace corvallo::testing
