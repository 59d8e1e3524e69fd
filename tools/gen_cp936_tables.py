#!/usr/bin/env python3
"""Generates core/text/cp936_tables.inc, the tables of the code page 936 codec.

Sources:
  * Wine's c_936.nls (Windows NLS code page table format) for the one- and two-byte characters,
    exactly as Windows maps them: a character counts only when it encodes back to the same bytes
    (what WideCharToMultiByte gives with WC_NO_BEST_FIT_CHARS).
  * Python's gb18030 codec for the four-byte sequences of the code points that code page 936
    cannot hold. Supplementary planes are linear from 90 30 81 30 and need no table.

Usage: gen_cp936_tables.py [--nls PATH] [--out PATH]
"""

import argparse
import hashlib
import os
import struct
import sys

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_NLS = "/usr/share/wine/nls/c_936.nls"
DEFAULT_OUT = os.path.join(REPO, "core", "text", "cp936_tables.inc")

LEAD_FIRST, LEAD_LAST = 0x81, 0xFE
TRAILS = list(range(0x40, 0x7F)) + list(range(0x80, 0xFF))  # 190 trail bytes
FOUR_BYTE_BMP_COUNT = 39420  # 81 30 81 30 .. 84 31 A4 39


def fail(message):
    sys.exit("gen_cp936_tables: " + message)


def read_nls(path):
    """Returns (single, pairs, wide): byte -> code point, (lead, trail) -> code point for every lead
    byte and trail 00..FF, and the 65536-entry Unicode -> code page table."""
    data = open(path, "rb").read()
    if len(data) % 2:
        fail("odd file size")
    w = struct.unpack("<%dH" % (len(data) // 2), data)
    # Header, in words: size, code page, max char size, default char, Unicode default char,
    # two translation defaults, then 12 bytes of lead-byte ranges.
    header_size, code_page, max_char_size = w[0], w[1], w[2]
    if code_page != 936 or max_char_size != 2:
        fail("not a double-byte table for code page 936: %d/%d" % (code_page, max_char_size))
    lead_ranges = data[14:26]
    pos = header_size
    # Multibyte-to-Unicode section: its size in words (up to the Unicode-to-multibyte table),
    # 256 single-byte entries, an optional glyph table, then the lead-byte sub-tables.
    wide_start = pos + w[pos] + 1
    single = w[pos + 1:pos + 257]
    pos += 257
    if w[pos]:
        pos += 256  # glyph table
    pos += 1
    if not w[pos]:
        fail("no lead-byte ranges")
    offsets_at = pos + 1
    offsets = w[offsets_at:offsets_at + 256]
    wide = w[wide_start:wide_start + 65536]
    if len(wide) != 65536:
        fail("short Unicode-to-multibyte table")

    leads = [b for b in range(256) if offsets[b]]
    expected_leads = []
    for i in range(0, len(lead_ranges) - 1, 2):
        if lead_ranges[i] == 0:
            break
        expected_leads += range(lead_ranges[i], lead_ranges[i + 1] + 1)
    if leads != expected_leads or leads != list(range(LEAD_FIRST, LEAD_LAST + 1)):
        fail("unexpected lead bytes")
    pairs = {}
    for lead in leads:
        base = offsets_at + offsets[lead]
        for trail in range(256):
            pairs[(lead, trail)] = w[base + trail]
    return {b: single[b] for b in range(256) if not offsets[b]}, pairs, wide


def cp936_characters(single, pairs, wide):
    """The characters of code page 936: code point -> code (one byte below 0x100, else two)."""
    encode = {}
    for byte, cp in single.items():
        if wide[cp] == byte:
            encode[cp] = byte
    for (lead, trail), cp in pairs.items():
        code = lead << 8 | trail
        if wide[cp] != code:
            continue
        if trail not in TRAILS:
            fail("pair %04X maps outside the trail range" % code)
        if cp in encode:
            fail("U+%04X has two codes" % cp)
        encode[cp] = code
    for cp in range(0x80):
        if encode.get(cp) != cp:
            fail("ASCII U+%04X is not itself" % cp)
    return encode


def four_byte_bytes(index):
    b4 = 0x30 + index % 10
    index //= 10
    b3 = 0x81 + index % 126
    index //= 126
    b2 = 0x30 + index % 10
    index //= 10
    return bytes([0x81 + index, b2, b3, b4])


def four_byte_bmp(encode):
    """Four-byte index -> BMP code point for every code point that code page 936 cannot hold."""
    by_index = {}
    for index in range(FOUR_BYTE_BMP_COUNT):
        text = four_byte_bytes(index).decode("gb18030")
        if len(text) != 1 or ord(text) > 0xFFFF:
            fail("four-byte index %d is not one BMP character" % index)
        by_index[index] = ord(text)
    index_of = {cp: index for index, cp in by_index.items()}
    code_of = {code: cp for cp, code in encode.items()}

    # GB18030 gives some characters two-byte codes that code page 936 reads as private-use code
    # points; their private-use twins have four-byte codes in GB18030. Code page 936 already holds
    # the twins, so those four-byte codes would be dead: they carry the characters instead.
    for cp in range(0x80, 0x10000):
        if 0xD800 <= cp <= 0xDFFF or cp in encode or cp in index_of:
            continue
        code = chr(cp).encode("gb18030")
        if len(code) != 2:
            fail("U+%04X has neither a cp936 nor a four-byte code" % cp)
        twin = code[0] << 8 | code[1]
        twin_cp = code_of.get(twin)
        if twin_cp is None or twin_cp not in index_of:
            fail("U+%04X has no twin with a four-byte code" % cp)
        by_index[index_of[twin_cp]] = cp

    # Four-byte codes of characters that code page 936 holds do not decode: their bytes are the
    # two-byte code.
    result = {index: cp for index, cp in by_index.items() if cp not in encode}
    held = set(result.values())
    if len(held) != len(result):
        fail("a code point has two four-byte codes")
    missing = [cp for cp in range(0x80, 0x10000)
               if not 0xD800 <= cp <= 0xDFFF and cp not in encode and cp not in held]
    if missing:
        fail("no code for U+%04X" % missing[0])
    return result


def runs(pairs):
    """Groups (a, b) pairs, sorted by a, into (a, b, length) where both sides step by one."""
    out = []
    for a, b in pairs:
        if out and out[-1][0] + out[-1][2] == a and out[-1][1] + out[-1][2] == b:
            out[-1][2] += 1
        else:
            out.append([a, b, 1])
    return out


def hex_rows(values, width, per_line):
    fmt = "0x%0" + str(width) + "X"
    lines = []
    for i in range(0, len(values), per_line):
        lines.append("    " + ", ".join(fmt % v for v in values[i:i + per_line]) + ",")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--nls", default=DEFAULT_NLS)
    parser.add_argument("--out", default=DEFAULT_OUT)
    args = parser.parse_args()

    single, pairs, wide = read_nls(args.nls)
    encode = cp936_characters(single, pairs, wide)
    four = four_byte_bmp(encode)

    single_table = [single[b] if b in single and encode.get(single[b]) == b else 0
                    for b in range(0x80, 0x100)]
    double_table = []
    for lead in range(LEAD_FIRST, LEAD_LAST + 1):
        for trail in TRAILS:
            cp = pairs[(lead, trail)]
            double_table.append(cp if encode.get(cp) == (lead << 8 | trail) else 0)
    # Unicode -> code page 936 in pages of 256 code points; page 0 is the empty page.
    page_of = [0] * 256
    pages = [[0] * 256]
    for high in range(256):
        page = [encode.get(high << 8 | low, 0) if (high << 8 | low) >= 0x80 else 0 for low in range(256)]
        if any(page):
            page_of[high] = len(pages)
            pages.append(page)
    if len(pages) > 256:
        fail("too many pages")

    by_index = runs(sorted(four.items()))
    by_code_point = runs(sorted((cp, index) for index, cp in four.items()))

    digest = hashlib.sha256(open(args.nls, "rb").read()).hexdigest()
    out = []
    out.append("// Generated by tools/gen_cp936_tables.py; do not edit.")
    out.append("// Source: %s (sha256 %s)" % (os.path.basename(args.nls), digest))
    out.append("// and the four-byte ranges of Python %d.%d's gb18030 codec." % sys.version_info[:2])
    out.append("")
    out.append("// Bytes 0x80..0xFF: the code point of a single-byte character, 0 for lead bytes.")
    out.append("constexpr std::uint16_t kSingleByte[128] = {")
    out.append(hex_rows(single_table, 4, 8))
    out.append("};")
    out.append("")
    out.append("constexpr int kTrailCount = %d;  // 0x40..0x7E, 0x80..0xFE" % len(TRAILS))
    out.append("")
    out.append("// Lead 0x81..0xFE times trail: the code point of the pair, 0 when it has none.")
    out.append("constexpr std::uint16_t kDoubleByte[%d * kTrailCount] = {" % (LEAD_LAST - LEAD_FIRST + 1))
    out.append(hex_rows(double_table, 4, 12))
    out.append("};")
    out.append("")
    out.append("// Code point >> 8 -> page of kEncodePages (0: the empty page).")
    out.append("constexpr std::uint8_t kEncodePageOf[256] = {")
    out.append(hex_rows(page_of, 2, 16))
    out.append("};")
    out.append("")
    out.append("// Code point & 0xFF -> code (below 0x100: one byte, else lead << 8 | trail); 0 when")
    out.append("// code page 936 does not hold the code point. ASCII is left out (it is itself).")
    out.append("constexpr std::uint16_t kEncodePages[%d][256] = {" % len(pages))
    for page in pages:
        out.append("  {")
        out.append(hex_rows(page, 4, 12))
        out.append("  },")
    out.append("};")
    out.append("")
    out.append("// Four-byte sequences 81 30 81 30 .. 84 31 A4 39 are indices 0..%d; runs of indices" % (FOUR_BYTE_BMP_COUNT - 1))
    out.append("// that map to consecutive code points. Indices outside every run do not decode.")
    out.append("struct FourByteRun {")
    out.append("    std::uint16_t first;  // index (kFourByteByIndex) or code point (kFourByteByCodePoint)")
    out.append("    std::uint16_t other;  // the code point or index of `first`")
    out.append("    std::uint16_t length;")
    out.append("};")
    out.append("constexpr int kFourByteBmpCount = %d;" % FOUR_BYTE_BMP_COUNT)
    for name, table in (("kFourByteByIndex", by_index), ("kFourByteByCodePoint", by_code_point)):
        out.append("constexpr FourByteRun %s[%d] = {" % (name, len(table)))
        for i in range(0, len(table), 4):
            out.append("    " + " ".join("{0x%04X, 0x%04X, %d}," % tuple(r) for r in table[i:i + 4]))
        out.append("};")
    out.append("")

    text = "\n".join(out)
    with open(args.out, "w", newline="\n") as f:
        f.write(text)
    print("wrote %s: %d pairs, %d encode pages, %d+%d four-byte runs"
          % (args.out, sum(1 for v in double_table if v), len(pages), len(by_index), len(by_code_point)))


if __name__ == "__main__":
    main()
