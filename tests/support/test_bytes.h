#pragma once
// Test contents that deflate cannot shrink, the same on every run.

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvallo::testing {

inline std::string noise(std::size_t size, std::uint32_t seed = 1) {
    std::string out(size, '\0');
    for (auto& c : out) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        c = static_cast<char>(seed >> 24);
    }
    return out;
}

}  // namespace corvallo::testing
