#pragma once
// Code page 936 (GBK, exactly as Windows maps it) with GB18030 four-byte sequences for every
// other character, between the bytes of the INI files and the UTF-8 texts used inside the program.
//
// The two directions are exact inverses on stored bytes: any byte sequence decodes to some UTF-8
// text that encodes back to the same bytes. A byte that does not decode is carried as the code
// point U+DC00 + byte (a lone surrogate, written as three UTF-8 bytes), which encodes back to it.

#include <string>
#include <string_view>

namespace corvallo::text {

std::string cp936ToUtf8(std::string_view bytes);
std::string utf8ToCp936(std::string_view utf8);

// Bytes that `utf8ToCp936` gives for the UTF-8 character starting at utf8[pos] (1, 2 or 4), and the
// length of that character in UTF-8 through `utf8Length`. A byte that starts no valid UTF-8
// character counts as a character of one byte each way; at or past the end both are 0.
int cp936LengthAt(std::string_view utf8, std::size_t pos, std::size_t& utf8Length);

}  // namespace corvallo::text
