#pragma once
// Writes a zip archive front to back through a sequential file writer: nothing is ever sought back
// to, so CRCs and sizes of files too large to hold follow their data in descriptors.

#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "engine/archive.h"
#include "engine/zip_format.h"
#include "platform/files.h"

namespace corvallo::engine::zip {

class ZipWriter {
public:
    // `archivePath` is the name errors are reported under for stops and malformed input.
    ZipWriter(platform::FileWriter& out, std::string archivePath, const PackOptions& options);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // `name` is the entry name without the trailing '/'.
    platform::FileError addFolder(std::string name, const platform::FolderEntry& info);
    platform::FileError addFile(std::string name, platform::Files& files, std::string_view sourcePath,
                                const platform::FolderEntry& info, std::stop_token stop);
    // Writes the central directory and the end records and flushes; the writer itself stays open.
    platform::FileError finish();

    const std::vector<Entry>& entries() const { return entries_; }
    std::uint64_t size() const { return written_ + buffer_.size(); }
    const ArchiveLimits& limits() const { return options_.limits; }

private:
    struct Compressor;

    Entry startEntry(std::string name, const platform::FolderEntry& info) const;
    platform::FileError checkName(const std::string& name) const;
    platform::FileError cancelled() const;
    platform::FileError put(std::string_view bytes);
    platform::FileError flush();
    // Deflates `input`; each piece of output goes to `sink`, which may fail.
    template <class Sink>
    platform::FileError deflateInto(std::string_view input, int flush, Sink&& sink);

    platform::FileWriter& out_;
    std::string archivePath_;
    PackOptions options_;
    std::unique_ptr<Compressor> compressor_;
    std::vector<Entry> entries_;
    std::string buffer_;              // output not yet handed to the file
    std::uint64_t written_ = 0;       // bytes handed to the file
    std::vector<char> input_;         // one chunk of a source file
    std::string packed_;              // deflated data held until its header is written
};

}  // namespace corvallo::engine::zip
