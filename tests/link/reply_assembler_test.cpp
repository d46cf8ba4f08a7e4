// The receive states taken a chunk at a time must end exactly where taking
// the same characters one by one ends, whatever the chunks' boundaries.
#include "link/reply_assembler.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tavirel::link {
namespace {

// A line of noise, ACKs, STXs, ETXs and long runs (beyond the reply bound).
std::string RandomLine(std::mt19937& random) {
  std::string line;
  const int pieces = std::uniform_int_distribution<int>(1, 12)(random);
  for (int i = 0; i < pieces; ++i) {
    switch (std::uniform_int_distribution<int>(0, 5)(random)) {
      case 0: line += kACK; break;
      case 1: line += kSTX; break;
      case 2: line += kETX; break;
      case 3:
        line += std::string(std::uniform_int_distribution<std::size_t>(0, 40)(random), 'x');
        break;
      case 4: line += std::string(kMaxReplyLength - 2 + random() % 5, 'y'); break;
      default: line += "01E1055010"; break;
    }
  }
  return line;
}

TEST(ReplyAssembler, TakingChunksEqualsTakingCharacters) {
  std::mt19937 random(20261207);
  for (int trial = 0; trial < 2000; ++trial) {
    const std::string line = RandomLine(random);
    ReplyAssembler one_by_one;
    std::size_t consumed_singly = 0;
    while (consumed_singly < line.size() && !one_by_one.etx_seen())
      one_by_one.Take(line[consumed_singly++]);

    ReplyAssembler chunked;
    std::size_t consumed = 0;
    while (consumed < line.size() && !chunked.etx_seen()) {
      const std::size_t size =
          std::uniform_int_distribution<std::size_t>(1, 64)(random) * (random() % 8 == 0 ? 100 : 1);
      consumed += chunked.Take(std::string_view(line).substr(consumed, size));
    }
    ASSERT_EQ(consumed, consumed_singly) << "trial " << trial;
    ASSERT_EQ(chunked.ack_seen(), one_by_one.ack_seen()) << "trial " << trial;
    ASSERT_EQ(chunked.etx_seen(), one_by_one.etx_seen()) << "trial " << trial;
    ASSERT_EQ(chunked.buffer(), one_by_one.buffer()) << "trial " << trial;
  }
}

}  // namespace
}  // namespace tavirel::link
