#pragma once
// Reads a freshly written archive back, front to back, and checks it against what was written.

#include <cstdint>
#include <stop_token>
#include <string_view>
#include <vector>

#include "engine/zip_format.h"
#include "platform/files.h"

namespace corvallo::engine::zip {

// Every local header, descriptor, central-directory record and end record must be byte for byte
// the one written for `entries`, every entry's data must inflate to its size and CRC, and nothing
// may follow the end record. Failures name `path`.
platform::FileError verifyArchive(platform::Files& files, std::string_view path, const std::vector<Entry>& entries,
                                  const ArchiveLimits& limits, std::size_t chunk, std::stop_token stop);

}  // namespace corvallo::engine::zip
