#pragma once
// Byte loops done sixteen bytes at a time: summing a frame for its checksum,
// finding the line's control characters among ordinary ones, telling plain
// ASCII. Each gives exactly what the plain byte-by-byte loop gives; they
// are where the driver spends most of its own work on an exchange.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavirel::bytes {

/// The sum of the bytes, each taken as unsigned.
std::uint64_t Sum(std::string_view bytes);

/// The sum of the bytes when none is below `limit`; nothing when one is.
/// One pass where a byte that low is rare.
bool SumIfNoneBelow(std::string_view bytes, unsigned char limit, std::uint64_t& sum);

/// Copies the bytes to `out` (room for them, not overlapping them) and gives
/// their sum when every one is at least `low` and below `high`; false when
/// one is not (`out` then written in part). One pass where such a byte is
/// rare.
bool CopyIfAllWithin(std::string_view bytes, unsigned char low, unsigned char high, char* out,
                     std::uint64_t& sum);

/// The position of the first byte below `limit`, or the size when none is.
std::size_t FindBelow(std::string_view bytes, unsigned char limit);

/// True when every byte is below `limit`.
bool AllBelow(std::string_view bytes, unsigned char limit);

}  // namespace tavirel::bytes
