#include "tavirel/documents/keys.hpp"

#include <algorithm>
#include <string>

namespace tavirel::documents {
namespace {

constexpr std::size_t kJournalBytes = 200;
constexpr std::size_t kUrlCharacters = 128;

bool UrlCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("-_.:~@+=").find(c) != std::string_view::npos;
}

bool ControlCharacter(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7f;
}

}  // namespace

std::vector<Problem> KeyProblems(std::string_view key, KeyUse use) {
  if (key.empty()) return {{"key", "is missing"}};
  std::vector<Problem> problems;
  if (key == "." || key == "..") {
    problems.push_back({"key", "\"" + std::string(key) + "\" names no document"});
  }
  if (use == KeyUse::Url) {
    if (key.size() > kUrlCharacters || !std::all_of(key.begin(), key.end(), UrlCharacter)) {
      problems.push_back({"key", "a key is 1 to 128 letters, digits or any of - _ . : ~ @ + ="});
    }
    return problems;
  }
  if (key.size() > kJournalBytes) {
    problems.push_back({"key", "is longer than " + std::to_string(kJournalBytes) + " bytes"});
  }
  if (std::any_of(key.begin(), key.end(), ControlCharacter)) {
    problems.push_back({"key", "holds a control character"});
  }
  return problems;
}

}  // namespace tavirel::documents
