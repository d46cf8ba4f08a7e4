#include "token.hpp"

#include "service_errors.hpp"
#include "tavirel/support/user_folders.hpp"
#include "token_file.hpp"

namespace tavirel::service {
namespace {

std::string RandomHex(std::size_t bytes) {
  const std::string raw = token_file::RandomBytes(bytes);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : raw) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

void CreateToken(const std::string& path) {
  support::MakePrivateFolders<TokenError>(path, "the token");
  // false: another start made it first; read theirs
  (void)token_file::CreatePrivate(path, RandomHex(32) + "\n");
}

std::string ReadToken(const std::string& path) {
  std::string text = token_file::ReadPrivate(path, 4096);
  const auto first = text.find_first_not_of(" \t\r\n");
  const auto last = text.find_last_not_of(" \t\r\n");
  text = first == std::string::npos ? "" : text.substr(first, last - first + 1);
  if (text.size() < 16 || text.find_first_of(" \t\r\n") != std::string::npos) {
    throw TokenError("the token file " + path +
                     " must hold one token of at least 16 characters without spaces");
  }
  return text;
}

}  // namespace

std::string DefaultTokenPath() {
  const auto config = support::UserFolderPath(support::UserFolder::Config);
  if (!config) {
    throw TokenError(support::UserFolderMissing(support::UserFolder::Config) +
                     ": give --token-file");
  }
  return *config + "/tavirel/token";
}

std::string LoadOrCreateToken(const std::string& path) {
  if (!token_file::Exists(path)) CreateToken(path);
  return ReadToken(path);
}

bool TokenMatches(std::string_view expected, std::string_view given) {
  if (expected.empty()) return false;
  // Every byte of `expected` is visited once whatever `given` holds.
  unsigned difference = given.size() == expected.size() ? 0U : 1U;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const unsigned char other =
        given.empty() ? 0 : static_cast<unsigned char>(given[i % given.size()]);
    difference |= static_cast<unsigned char>(expected[i]) ^ other;
  }
  return difference == 0;
}

}  // namespace tavirel::service
