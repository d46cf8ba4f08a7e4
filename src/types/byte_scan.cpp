#include "types/byte_scan.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

// Every function that takes or returns a vector is internal to this file,
// so the note that their calling convention differs on a 32-bit x86 target
// without SSE does not concern any caller.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace tavirel::bytes {
namespace {

// The compiler's portable vectors: SSE2 on x86-64, NEON on ARM, plain
// words elsewhere.
using Block = unsigned char __attribute__((vector_size(16)));
using Lanes = unsigned short __attribute__((vector_size(16)));
using Halves = std::uint64_t __attribute__((vector_size(16)));
constexpr std::size_t kBlock = 16;
// Blocks whose bytes the 16-bit lanes can take before one may overflow:
// each block adds two bytes of at most 255 to each lane.
constexpr std::size_t kBlocksPerFold = 128;

Block Load(const char* at) {
  Block block;
  std::memcpy(&block, at, kBlock);
  return block;
}

bool Any(Block mask) {
  const auto halves = reinterpret_cast<Halves&>(mask);
  return (halves[0] | halves[1]) != 0;
}

// The last block of `bytes` (at least a block long) with the bytes that lie
// in the block before it (`kBlock - tail` of them) zeroed.
Block LastBlockTail(std::string_view bytes, std::size_t tail) {
  constexpr Block kIndex = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  const Block keep = reinterpret_cast<Block>(kIndex >= static_cast<unsigned char>(kBlock - tail));
  return Load(bytes.data() + bytes.size() - kBlock) & keep;
}

void AddPairs(Lanes& lanes, Block block) {
  const auto pairs = reinterpret_cast<const Lanes&>(block);
  lanes += (pairs & 0xFF) + (pairs >> 8);
}

// The eight lanes added up, in halving vector steps.
std::uint64_t Fold(Lanes lanes) {
  using Quarters = std::uint32_t __attribute__((vector_size(16)));
  const auto fours = reinterpret_cast<Quarters>(lanes);
  const auto pairs = reinterpret_cast<Halves>((fours & 0xFFFF) + (fours >> 16));
  const Halves two = (pairs & 0xFFFFFFFF) + (pairs >> 32);
  return two[0] + two[1];
}

void Store(char* at, Block block) { std::memcpy(at, &block, kBlock); }

// The sum and, when kLook, whether some byte is below `limit` or, when
// kHigh too, at or above `high`; with kHigh, the bytes are copied to `out`
// on the way. A text shorter than a block goes byte by byte; a longer one
// block by block, its last part as the end of a last block that overlaps
// the one before.
template <bool kLook, bool kHigh = false>
std::uint64_t SumOf(std::string_view bytes, unsigned char limit, bool& below,
                    unsigned char high = 0, char* out = nullptr) {
  if (bytes.size() < kBlock) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const auto byte = static_cast<unsigned char>(bytes[i]);
      sum += byte;
      if constexpr (kLook) below = below || byte < limit;
      if constexpr (kHigh) {
        below = below || byte >= high;
        out[i] = bytes[i];
      }
    }
    return sum;
  }
  const std::size_t blocks = bytes.size() / kBlock;
  const std::size_t tail = bytes.size() % kBlock;
  std::uint64_t sum = 0;
  Block low{};
  Lanes lanes{};
  // Runs of blocks between folds, so that no lane overflows (the last run
  // leaves room for the tail) and no block asks whether to fold.
  for (std::size_t done = 0;;) {
    const std::size_t run_end = done + std::min(blocks - done, kBlocksPerFold - 1);
    for (; done < run_end; ++done) {
      const Block block = Load(bytes.data() + done * kBlock);
      AddPairs(lanes, block);
      if constexpr (kLook) low |= reinterpret_cast<Block>(block < limit);
      if constexpr (kHigh) {
        low |= reinterpret_cast<Block>(block >= high);
        Store(out + done * kBlock, block);
      }
    }
    if (done == blocks) break;
    sum += Fold(lanes);
    lanes = Lanes{};
  }
  if (tail != 0) {
    AddPairs(lanes, LastBlockTail(bytes, tail));
    // The zeroed bytes would read as below any limit: the whole last block
    // is judged instead, its bytes of the block before judged already.
    const Block last = Load(bytes.data() + bytes.size() - kBlock);
    if constexpr (kLook) low |= reinterpret_cast<Block>(last < limit);
    if constexpr (kHigh) {
      low |= reinterpret_cast<Block>(last >= high);
      Store(out + bytes.size() - kBlock, last);
    }
  }
  if constexpr (kLook) below = Any(low);
  return sum + Fold(lanes);
}

// The position of the first non-zero byte of a mask that has one.
std::size_t FirstSet(Block mask) {
  if constexpr (std::endian::native == std::endian::little) {
    const auto halves = reinterpret_cast<Halves&>(mask);
    return halves[0] != 0 ? static_cast<std::size_t>(std::countr_zero(halves[0])) / 8
                          : 8 + static_cast<std::size_t>(std::countr_zero(halves[1])) / 8;
  } else {
    std::size_t i = 0;
    while (mask[i] == 0) ++i;
    return i;
  }
}

}  // namespace

std::uint64_t Sum(std::string_view bytes) {
  bool unused = false;
  return SumOf<false>(bytes, 0, unused);
}

bool SumIfNoneBelow(std::string_view bytes, unsigned char limit, std::uint64_t& sum) {
  bool below = false;
  const std::uint64_t total = SumOf<true>(bytes, limit, below);
  if (below) return false;
  sum = total;
  return true;
}

bool CopyIfAllWithin(std::string_view bytes, unsigned char low, unsigned char high, char* out,
                     std::uint64_t& sum) {
  bool outside = false;
  const std::uint64_t total = SumOf<true, true>(bytes, low, outside, high, out);
  if (outside) return false;
  sum = total;
  return true;
}

std::size_t FindBelow(std::string_view bytes, unsigned char limit) {
  if (bytes.size() < kBlock) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (static_cast<unsigned char>(bytes[i]) < limit) return i;
    }
    return bytes.size();
  }
  std::size_t at = 0;
  for (; at + kBlock <= bytes.size(); at += kBlock) {
    const auto mask = reinterpret_cast<Block>(Load(bytes.data() + at) < limit);
    if (Any(mask)) return at + FirstSet(mask);
  }
  if (at == bytes.size()) return at;
  // The end, in a last block that overlaps the one before (found clear).
  at = bytes.size() - kBlock;
  const auto mask = reinterpret_cast<Block>(Load(bytes.data() + at) < limit);
  return Any(mask) ? at + FirstSet(mask) : bytes.size();
}

bool AllBelow(std::string_view bytes, unsigned char limit) {
  if (bytes.size() < kBlock) {
    for (const char c : bytes) {
      if (static_cast<unsigned char>(c) >= limit) return false;
    }
    return true;
  }
  Block high{};
  for (std::size_t i = 0; i + kBlock <= bytes.size(); i += kBlock)
    high |= reinterpret_cast<Block>(Load(bytes.data() + i) >= limit);
  // The end, in a last block that may overlap the one before.
  high |= reinterpret_cast<Block>(Load(bytes.data() + bytes.size() - kBlock) >= limit);
  return !Any(high);
}

}  // namespace tavirel::bytes
