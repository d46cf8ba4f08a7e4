// The service's log lines: one line whatever a value holds, levels filtered,
// values escaped so that a client's text cannot forge a line or a field.
#include "log.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavirel::service {
namespace {

TEST(Log, ValuesAreBareOrQuotedAndNeverBreakTheLine) {
  const std::vector<std::pair<std::string, std::string>> golden = {
      {"banco", "banco"},
      {"/dev/ttyUSB0", "/dev/ttyUSB0"},
      {"", "\"\""},
      {"two words", "\"two words\""},
      {"a=b", "\"a=b\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"back\\slash", "\"back\\\\slash\""},
      {"line\nevent=forged", "\"line\\nevent=forged\""},
      {std::string("nul\0esc\x1b[2J", 11), "\"nul\\x00esc\\x1b[2J\""},
      {"del\x7f", "\"del\\x7f\""},
      {"caffè", "caffè"},
  };
  for (const auto& [value, expected] : golden) EXPECT_EQ(LogValue(value), expected) << value;
}

TEST(Log, LinesCarryLevelEventAndFieldsInOrderAndTheLevelFilters) {
  std::vector<std::string> lines;
  Log log([&lines](std::string_view line) { lines.emplace_back(line); }, LogLevel::Info);
  log.Write(LogLevel::Debug, "hidden");
  log.Info("register-opened", {{"register", "banco"}, {"serial", "123456"}});
  log.Warning("origin-refused", {{"origin", "http://evil.example\r\nx"}});
  log.Error("journal-failed");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "tavireld: level=info event=register-opened register=banco serial=123456");
  EXPECT_EQ(lines[1],
            "tavireld: level=warning event=origin-refused origin=\"http://evil.example\\r\\nx\"");
  EXPECT_EQ(lines[2], "tavireld: level=error event=journal-failed");
}

}  // namespace
}  // namespace tavirel::service
