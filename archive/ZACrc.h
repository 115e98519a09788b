// ZACrc: the CRC-32 of item data (the reflected polynomial 0xEDB88320, as
// ZIP and zlib define it), with zlib's calling convention: start from 0 and
// feed the pieces in order. On x86 processors with carry-less multiply the
// bulk of the data is folded sixteen bytes at a time with PCLMULQDQ, many
// times faster than a table walk; elsewhere, and for short pieces, zlib's
// crc32() does the work. Both give the same value for every input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmorak {

std::uint32_t ZACrc32(std::uint32_t Crc, const void* Data, std::size_t Count);

}  // namespace velmorak
