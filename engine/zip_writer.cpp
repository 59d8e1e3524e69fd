#include "engine/zip_writer.h"

#include <zlib.h>

#include <algorithm>

namespace corvallo::engine::zip {

using platform::FileError;
using platform::FileErrorKind;

namespace {

constexpr std::size_t kOutputBuffer = 1 << 20;
constexpr std::size_t kDeflateOutput = 64 * 1024;
constexpr std::uint32_t kKeptAttributes = 0x37;  // read-only, hidden, system, folder, archive
constexpr std::uint32_t kFolderAttribute = 0x10;

FileError failure(FileErrorKind kind, std::string operation, std::string_view path, std::string reason) {
    FileError error;
    error.kind = kind;
    error.operation = std::move(operation);
    error.path = std::string(path);
    error.reason = std::move(reason);
    return error;
}

// Reads until `buffer` is full or the file ends.
FileError fill(platform::FileReader& reader, std::vector<char>& buffer, std::size_t& got) {
    got = 0;
    while (got < buffer.size()) {
        auto piece = reader.read(buffer.data() + got, buffer.size() - got);
        if (!piece.ok()) return piece.error;
        if (piece.value == 0) break;
        got += piece.value;
    }
    return {};
}

std::uint32_t crcOf(std::uint32_t crc, const char* data, std::size_t size) {
    return static_cast<std::uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(size)));
}

ArchiveLimits effectiveLimits(ArchiveLimits limits) {
    // Limits only ever come down: above the format's own, the 32-bit fields would overflow.
    const ArchiveLimits format;
    limits.zip64Size = std::min(limits.zip64Size, format.zip64Size);
    limits.zip64Offset = std::min(limits.zip64Offset, format.zip64Offset);
    limits.zip64Count = std::min(limits.zip64Count, format.zip64Count);
    limits.chunk = std::clamp<std::size_t>(limits.chunk, 1, 1u << 30);
    return limits;
}

}  // namespace

struct ZipWriter::Compressor {
    z_stream stream{};
    bool ready = false;
    std::vector<unsigned char> output = std::vector<unsigned char>(kDeflateOutput);

    ~Compressor() {
        if (ready) deflateEnd(&stream);
    }
};

ZipWriter::ZipWriter(platform::FileWriter& out, std::string archivePath, const PackOptions& options)
    : out_(out), archivePath_(std::move(archivePath)), options_(options), compressor_(std::make_unique<Compressor>()) {
    options_.limits = effectiveLimits(options_.limits);
    options_.level = std::clamp(options_.level, 1, 9);
    input_.resize(options_.limits.chunk);
}

ZipWriter::~ZipWriter() = default;

FileError ZipWriter::cancelled() const {
    return failure(FileErrorKind::Cancelled, "pack", archivePath_, {});
}

FileError ZipWriter::checkName(const std::string& name) const {
    if (name.empty() || name.size() > 0xFFFF)
        return failure(FileErrorKind::InvalidPath, "pack", archivePath_, "entry name too long for a zip: " + name.substr(0, 260));
    return {};
}

FileError ZipWriter::flush() {
    if (buffer_.empty()) return {};
    if (auto error = out_.write(buffer_)) return error;
    written_ += buffer_.size();
    buffer_.clear();
    return {};
}

FileError ZipWriter::put(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kOutputBuffer) {
        if (auto error = flush()) return error;
        if (bytes.size() >= kOutputBuffer) {
            if (auto error = out_.write(bytes)) return error;
            written_ += bytes.size();
            return {};
        }
    }
    buffer_.append(bytes);
    return {};
}

template <class Sink>
FileError ZipWriter::deflateInto(std::string_view input, int flush, Sink&& sink) {
    Compressor& c = *compressor_;
    c.stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    c.stream.avail_in = static_cast<uInt>(input.size());
    while (true) {
        c.stream.next_out = c.output.data();
        c.stream.avail_out = static_cast<uInt>(c.output.size());
        const int status = deflate(&c.stream, flush);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            return failure(FileErrorKind::Other, "compress", archivePath_, "deflate failed (" + std::to_string(status) + ")");
        const std::size_t produced = c.output.size() - c.stream.avail_out;
        if (produced > 0) {
            if (auto error = sink(std::string_view(reinterpret_cast<const char*>(c.output.data()), produced))) return error;
        }
        if (flush == Z_FINISH ? status == Z_STREAM_END : (c.stream.avail_out != 0 && c.stream.avail_in == 0)) break;
    }
    return {};
}

Entry ZipWriter::startEntry(std::string name, const platform::FolderEntry& info) const {
    Entry entry;
    entry.name = std::move(name);
    entry.offset = size();
    entry.zip64Offset = entry.offset >= options_.limits.zip64Offset;
    entry.lastWriteTime = info.lastWriteTime;
    const auto dos = dosDateTime(info.lastWriteTime, options_.utcOffsetMinutes);
    entry.dosTime = dos.time;
    entry.dosDate = dos.date;
    entry.attributes = info.attributes & kKeptAttributes;
    return entry;
}

FileError ZipWriter::addFolder(std::string name, const platform::FolderEntry& info) {
    Entry entry = startEntry(std::move(name) + "/", info);
    if (auto error = checkName(entry.name)) return error;
    entry.folder = true;
    entry.attributes |= kFolderAttribute;
    if (auto error = put(localHeader(entry))) return error;
    entries_.push_back(std::move(entry));
    return {};
}

FileError ZipWriter::addFile(std::string name, platform::Files& files, std::string_view sourcePath,
                             const platform::FolderEntry& info, std::stop_token stop) {
    if (stop.stop_requested()) return cancelled();
    Entry entry = startEntry(std::move(name), info);
    entry.attributes &= ~kFolderAttribute;
    if (auto error = checkName(entry.name)) return error;

    auto opened = files.openForReading(sourcePath);
    if (!opened.ok()) return opened.error;
    platform::FileReader& reader = *opened.value;

    std::size_t got = 0;
    if (auto error = fill(reader, input_, got)) return error;
    const std::string_view first(input_.data(), got);
    entry.crc = crcOf(0, first.data(), first.size());
    entry.size = got;
    if (got == 0) {
        entry.zip64 = entry.size >= options_.limits.zip64Size;
        if (auto error = put(localHeader(entry))) return error;
        entries_.push_back(std::move(entry));
        return {};
    }

    if (!compressor_->ready) {
        if (deflateInit2(&compressor_->stream, options_.level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return failure(FileErrorKind::Other, "compress", archivePath_, "deflate could not start");
        compressor_->ready = true;
    } else {
        deflateReset(&compressor_->stream);
    }
    auto keep = [this](std::string_view piece) -> FileError {
        packed_.append(piece);
        return {};
    };
    packed_.clear();

    if (got < input_.size()) {
        // The whole file is in memory: sizes are known before the header, and it is stored when
        // deflate does not make it smaller.
        if (auto error = deflateInto(first, Z_FINISH, keep)) return error;
        const bool shrinks = packed_.size() < got;
        entry.method = shrinks ? kDeflated : kStored;
        entry.compressedSize = shrinks ? packed_.size() : got;
        entry.zip64 = entry.size >= options_.limits.zip64Size || entry.compressedSize >= options_.limits.zip64Size;
        if (auto error = put(localHeader(entry))) return error;
        if (auto error = put(shrinks ? std::string_view(packed_) : first)) return error;
        entries_.push_back(std::move(entry));
        return {};
    }

    // A large file streams; the first chunk decides between deflate and store. The sync flush makes
    // the compressed size of that chunk exact without ending the stream.
    if (auto error = deflateInto(first, Z_SYNC_FLUSH, keep)) return error;
    entry.method = packed_.size() <= got - got / 32 ? kDeflated : kStored;
    entry.descriptor = true;
    // Deflate may add a little to data it cannot shrink; leave room for that and for growth.
    const std::uint64_t listed = std::max<std::uint64_t>(info.size, got);
    entry.zip64 = listed + listed / 256 + 4096 >= options_.limits.zip64Size;
    if (auto error = put(localHeader(entry))) return error;

    auto emit = [this, &entry](std::string_view piece) -> FileError {
        entry.compressedSize += piece.size();
        return put(piece);
    };
    if (auto error = emit(entry.method == kDeflated ? std::string_view(packed_) : first)) return error;
    while (true) {
        if (stop.stop_requested()) return cancelled();
        auto piece = reader.read(input_.data(), input_.size());
        if (!piece.ok()) return piece.error;
        if (piece.value == 0) break;
        const std::string_view data(input_.data(), piece.value);
        entry.crc = crcOf(entry.crc, data.data(), data.size());
        entry.size += data.size();
        if (auto error = entry.method == kDeflated ? deflateInto(data, Z_NO_FLUSH, emit) : emit(data)) return error;
        if (!entry.zip64 && (entry.size >= kZip64Marker || entry.compressedSize >= kZip64Marker))
            return failure(FileErrorKind::Other, "pack", sourcePath, "the file grew past 4 GiB while it was packed");
    }
    if (entry.method == kDeflated) {
        if (auto error = deflateInto({}, Z_FINISH, emit)) return error;
        if (!entry.zip64 && entry.compressedSize >= kZip64Marker)
            return failure(FileErrorKind::Other, "pack", sourcePath, "the file grew past 4 GiB while it was packed");
    }
    if (auto error = put(dataDescriptor(entry))) return error;
    entries_.push_back(std::move(entry));
    return {};
}

FileError ZipWriter::finish() {
    const std::uint64_t directoryOffset = size();
    for (const Entry& entry : entries_) {
        if (auto error = put(centralHeader(entry))) return error;
    }
    const std::uint64_t directorySize = size() - directoryOffset;
    if (auto error = put(endRecords(entries_.size(), directoryOffset, directorySize, options_.limits))) return error;
    return flush();
}

}  // namespace corvallo::engine::zip
