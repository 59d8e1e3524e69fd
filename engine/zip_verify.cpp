#include "engine/zip_verify.h"

#include <zlib.h>

#include <algorithm>
#include <string>

namespace corvallo::engine::zip {

using platform::FileError;
using platform::FileErrorKind;

namespace {

constexpr std::size_t kInflateOutput = 64 * 1024;

class Checker {
public:
    Checker(platform::FileReader& reader, std::string_view path, std::size_t chunk, std::stop_token stop)
        : reader_(reader), path_(path), buffer_(chunk), stop_(std::move(stop)) {}

    ~Checker() {
        if (inflating_) inflateEnd(&stream_);
    }

    FileError expect(const std::string& bytes, const std::string& what) {
        std::size_t matched = 0;
        while (matched < bytes.size()) {
            std::string_view piece;
            if (auto error = next(bytes.size() - matched, piece)) return error;
            if (piece.empty()) return damaged(what + " is cut off");
            if (piece != std::string_view(bytes).substr(matched, piece.size())) return damaged(what + " differs from what was written");
            matched += piece.size();
        }
        return {};
    }

    FileError data(const Entry& entry) {
        std::uint32_t crc = 0;
        std::uint64_t size = 0;
        std::uint64_t remaining = entry.compressedSize;
        bool ended = entry.method == kStored;
        if (entry.method == kDeflated) {
            if (!inflating_) {
                if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) return damaged("inflate could not start");
                inflating_ = true;
            } else {
                inflateReset(&stream_);
            }
        }
        while (remaining > 0) {
            if (stop_.stop_requested()) return cancelled();
            std::string_view piece;
            if (auto error = next(static_cast<std::size_t>(std::min<std::uint64_t>(remaining, buffer_.size())), piece))
                return error;
            if (piece.empty()) return damaged("the data of " + entry.name + " is cut off");
            remaining -= piece.size();
            if (entry.method == kStored) {
                crc = static_cast<std::uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(piece.size())));
                size += piece.size();
                continue;
            }
            if (ended) return damaged("the data of " + entry.name + " runs past its deflate stream");
            stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
            stream_.avail_in = static_cast<uInt>(piece.size());
            do {
                stream_.next_out = output_.data();
                stream_.avail_out = static_cast<uInt>(output_.size());
                const int status = inflate(&stream_, Z_NO_FLUSH);
                if (status == Z_STREAM_END) {
                    ended = true;
                } else if (status != Z_OK && status != Z_BUF_ERROR) {
                    return damaged("the data of " + entry.name + " does not inflate");
                }
                const std::size_t produced = output_.size() - stream_.avail_out;
                crc = static_cast<std::uint32_t>(crc32(crc, output_.data(), static_cast<uInt>(produced)));
                size += produced;
            } while (!ended && stream_.avail_out == 0);
            if (ended && stream_.avail_in != 0) return damaged("the data of " + entry.name + " runs past its deflate stream");
        }
        if (!ended) return damaged("the deflate stream of " + entry.name + " is incomplete");
        if (size != entry.size) return damaged("the size of " + entry.name + " is wrong");
        if (crc != entry.crc) return damaged("the CRC of " + entry.name + " is wrong");
        return {};
    }

    FileError atEnd() {
        std::string_view piece;
        if (auto error = next(1, piece)) return error;
        if (!piece.empty()) return damaged("bytes follow the end record");
        return {};
    }

    std::uint64_t offset() const { return offset_; }

    FileError misplaced(const Entry& entry) const {
        return damaged(entry.name + " was recorded at byte " + std::to_string(entry.offset));
    }

private:
    // Up to `most` bytes from the archive; empty at its end.
    FileError next(std::size_t most, std::string_view& piece) {
        if (position_ == end_) {
            auto got = reader_.read(buffer_.data(), buffer_.size());
            if (!got.ok()) return got.error;
            position_ = 0;
            end_ = got.value;
        }
        const std::size_t n = std::min(most, end_ - position_);
        piece = std::string_view(buffer_.data() + position_, n);
        position_ += n;
        offset_ += n;
        return {};
    }

    FileError damaged(std::string reason) const {
        FileError error;
        error.kind = FileErrorKind::Other;
        error.operation = "verify";
        error.path = std::string(path_);
        error.reason = "at byte " + std::to_string(offset_) + ": " + std::move(reason);
        return error;
    }

    FileError cancelled() const {
        FileError error;
        error.kind = FileErrorKind::Cancelled;
        error.operation = "verify";
        error.path = std::string(path_);
        return error;
    }

    platform::FileReader& reader_;
    std::string_view path_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t end_ = 0;
    std::uint64_t offset_ = 0;
    std::stop_token stop_;
    z_stream stream_{};
    bool inflating_ = false;
    std::vector<unsigned char> output_ = std::vector<unsigned char>(kInflateOutput);
};

}  // namespace

FileError verifyArchive(platform::Files& files, std::string_view path, const std::vector<Entry>& entries,
                        const ArchiveLimits& limits, std::size_t chunk, std::stop_token stop) {
    auto opened = files.openForReading(path);
    if (!opened.ok()) return opened.error;
    Checker check(*opened.value, path, std::max<std::size_t>(chunk, 4096), std::move(stop));

    for (const Entry& entry : entries) {
        if (check.offset() != entry.offset) return check.misplaced(entry);
        if (auto error = check.expect(localHeader(entry), "the local header of " + entry.name)) return error;
        if (auto error = check.data(entry)) return error;
        if (entry.descriptor) {
            if (auto error = check.expect(dataDescriptor(entry), "the data descriptor of " + entry.name)) return error;
        }
    }
    const std::uint64_t directoryOffset = check.offset();
    for (const Entry& entry : entries) {
        if (auto error = check.expect(centralHeader(entry), "the directory record of " + entry.name)) return error;
    }
    const std::uint64_t directorySize = check.offset() - directoryOffset;
    if (auto error = check.expect(endRecords(entries.size(), directoryOffset, directorySize, limits), "the end record"))
        return error;
    return check.atEnd();
}

}  // namespace corvallo::engine::zip
