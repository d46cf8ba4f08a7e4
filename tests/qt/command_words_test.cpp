// Console lines split into words as a shell would.
#include "command_words.hpp"

#include <gtest/gtest.h>

namespace tavirel::studio {
namespace {

using Words = std::vector<std::string>;

TEST(CommandWords, SplitsLikeAShell) {
  const struct {
    const char* line;
    Words words;
  } rows[] = {
      {"opReparto 1 \"Penna blu\" 1.50 2", {"opReparto", "1", "Penna blu", "1.50", "2"}},
      {"  COMPort   3  ", {"COMPort", "3"}},
      {"Settings \"\"", {"Settings", ""}},
      {"a\tb", {"a", "b"}},
      {"Desc=\"a b\"c", {"Desc=a bc"}},
      {"\"say \\\"ciao\\\"\"", {"say \"ciao\""}},
      {"\"back\\\\slash\"", {"back\\slash"}},
      {"\"keep \\n as is\"", {"keep \\n as is"}},
      {"a\\ b c", {"a b", "c"}},
      {"\"\" \"\"", {"", ""}},
      {"", {}},
      {"   ", {}},
      {"caffè \"perché sì\"", {"caffè", "perché sì"}},
  };
  for (const auto& row : rows) EXPECT_EQ(SplitCommandWords(row.line), row.words) << row.line;
}

TEST(CommandWords, UnclosedQuoteAndTrailingBackslashAreErrors) {
  for (const char* line : {"opDescAgg 1 \"open", "\"", "a \\", "\"a\\\""}) {
    EXPECT_THROW(SplitCommandWords(line), CommandSyntaxError) << line;
  }
}

}  // namespace
}  // namespace tavirel::studio
