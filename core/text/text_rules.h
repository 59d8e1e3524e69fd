#pragma once
// The rules for splitting texts and reading integers, applied to UTF-8 texts.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvallo::text {

// Every delimiter ends a part (which may be empty); the rest after the last delimiter is a part only
// when it is not empty. "x||z" gives x, "", z; "x|y|" gives x, y; "" gives nothing.
// The delimiter is an ASCII character and is matched only where it stands as a character of its own.
std::vector<std::string> splitText(std::string_view text, char delimiter);

// Full-width digits, signs and blanks count as their ASCII forms; leading blanks are skipped, an
// optional sign is taken, then decimal digits up to the first other character. No digits gives 0.
// Values beyond the 32-bit range are held at its ends.
std::int32_t textToInteger(std::string_view text);

}  // namespace corvallo::text
