// The sixteen-bytes-at-a-time loops give what the plain byte loops give, for
// every length around the block size, every limit the driver uses, bytes
// anywhere, and a text long enough to overflow the lanes if they were not
// folded in time.
#include "types/byte_scan.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tavirel::bytes {
namespace {

std::uint64_t PlainSum(std::string_view text) {
  std::uint64_t sum = 0;
  for (const char c : text) sum += static_cast<unsigned char>(c);
  return sum;
}

std::size_t PlainFind(std::string_view text, unsigned char limit) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) < limit) return i;
  }
  return text.size();
}

TEST(ByteScan, EachLoopGivesWhatThePlainLoopGives) {
  std::mt19937 random(20261207);
  const unsigned char limits[] = {0x04, 0x07, 0x80};
  for (std::size_t length = 0; length <= 70; ++length) {
    for (int trial = 0; trial < 40; ++trial) {
      std::string text(length, '0');
      // Mostly digits and letters, as on the line; now and then any byte.
      for (char& c : text) {
        c = random() % 8 == 0 ? static_cast<char>(random() % 256)
                              : static_cast<char>('0' + random() % 43);
      }
      // Offset by one so the loads are not aligned either.
      const std::string framed = "x" + text;
      const std::string_view view = std::string_view(framed).substr(1);
      SCOPED_TRACE("length " + std::to_string(length) + " trial " + std::to_string(trial));
      EXPECT_EQ(Sum(view), PlainSum(view));
      for (const unsigned char limit : limits) {
        const std::size_t first = PlainFind(view, limit);
        EXPECT_EQ(FindBelow(view, limit), first);
        std::uint64_t sum = 12345;
        EXPECT_EQ(SumIfNoneBelow(view, limit, sum), first == view.size());
        EXPECT_EQ(sum, first == view.size() ? PlainSum(view) : 12345u);
        // Within [0x07, limit): the frame's check of a plain ASCII command.
        bool within = true;
        for (const char c : view) {
          const auto byte = static_cast<unsigned char>(c);
          within = within && byte >= 0x07 && byte < limit;
        }
        sum = 12345;
        std::string copy(view.size(), '\0');
        EXPECT_EQ(CopyIfAllWithin(view, 0x07, limit, copy.data(), sum), within);
        EXPECT_EQ(sum, within ? PlainSum(view) : 12345u);
        if (within) {
          EXPECT_EQ(copy, view);
        }
        bool all = true;
        for (const char c : view) all = all && static_cast<unsigned char>(c) < limit;
        EXPECT_EQ(AllBelow(view, limit), all);
      }
    }
  }
}

TEST(ByteScan, ALongRunOfHighBytesSumsWithoutOverflow) {
  // Whole blocks only, and a tail after the most blocks the lanes can hold
  // and after more than that.
  for (const std::size_t length : {70000u, 4095u, 4111u, 70015u}) {
    SCOPED_TRACE("length " + std::to_string(length));
    const std::string high(length, '\xff');
    EXPECT_EQ(Sum(high), 255u * length);
    std::uint64_t sum = 0;
    ASSERT_TRUE(SumIfNoneBelow(high, 0x07, sum));
    EXPECT_EQ(sum, 255u * length);
    EXPECT_FALSE(CopyIfAllWithin(high, 0x07, 0x80, std::string(length, '\0').data(), sum));
    const std::string letters(length, 'z');
    std::string copy(length, '\0');
    ASSERT_TRUE(CopyIfAllWithin(letters, 0x07, 0x80, copy.data(), sum));
    EXPECT_EQ(sum, std::uint64_t{'z'} * length);
    EXPECT_EQ(copy, letters);
    EXPECT_FALSE(AllBelow(high, 0x80));
    EXPECT_EQ(FindBelow(high + '\x02', 0x04), high.size());
  }
}

}  // namespace
}  // namespace tavirel::bytes
