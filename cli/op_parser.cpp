#include "op_parser.hpp"

#include "cli_errors.hpp"

namespace tavirel::cli {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (IsBlank(text.front()) || text.front() == '\r' || text.front() == '\n')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r' || text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

std::vector<std::string> SplitWords(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) {
        word += text[++i];
      } else {
        word += c;
      }
    } else if (c == '"') {
      quoted = in_word = true;  // "" is a word of its own: an empty text
    } else if (IsBlank(c)) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (quoted) throw UsageError("unterminated double quote in \"" + std::string(text) + "\"");
  if (in_word) words.push_back(std::move(word));
  return words;
}

OpRequest ParseOpText(std::string_view text) {
  std::vector<std::string> words = SplitWords(text);
  if (words.empty() || words.front().empty()) {
    throw UsageError("an OP needs a member name: \"" + std::string(text) + "\"");
  }
  OpRequest request;
  request.member = std::move(words.front());
  for (std::size_t i = 1; i < words.size(); ++i) request.args.emplace_back(std::move(words[i]));
  return request;
}

OpRequest ParseOpLine(std::string_view line) {
  const std::string_view text = Trimmed(line);
  if (!text.empty() && text.front() == '{') return json_ops::ParseJsonOp(text);
  return ParseOpText(text);
}

bool IsBlankOrComment(std::string_view line) {
  const std::string_view text = Trimmed(line);
  return text.empty() || text.front() == '#';
}

}  // namespace tavirel::cli
