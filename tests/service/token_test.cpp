#include "token.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "service_errors.hpp"
#include "temp_dir.hpp"

namespace tavirel::service {
namespace {

using testing::TempDir;

void Write(const std::string& path, const std::string& text, mode_t mode) {
  std::ofstream(path) << text;
  ::chmod(path.c_str(), mode);
}

TEST(Token, MadeOnceIntoAFileOnlyItsOwnerReads) {
  TempDir dir;
  const std::string path = dir / "config/tavirel/token";
  const std::string token = LoadOrCreateToken(path);
  EXPECT_EQ(token.size(), 64U);
  EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600U);
  ASSERT_EQ(::stat((dir / "config/tavirel").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0077, 0U);
  EXPECT_EQ(LoadOrCreateToken(path), token);  // read back, not made again
  EXPECT_NE(LoadOrCreateToken(dir / "other"), token);
}

TEST(Token, AFileThatCannotBeTrustedIsRefusedNamingIt) {
  TempDir dir;
  Write(dir / "open", "0123456789abcdef0123", 0644);
  Write(dir / "short", "abc", 0600);
  Write(dir / "spaces", "0123456789 abcdef0123", 0600);
  ASSERT_EQ(::symlink((dir / "short").c_str(), (dir / "link").c_str()), 0);
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0700), 0);
  for (const char* name : {"open", "short", "spaces", "link", "folder"}) {
    try {
      LoadOrCreateToken(dir / name);
      ADD_FAILURE() << name << " was taken";
    } catch (const TokenError& e) {
      EXPECT_NE(std::string(e.what()).find(dir / name), std::string::npos) << e.what();
    }
  }
  Write(dir / "group", "  0123456789abcdef0123\n", 0640);
  EXPECT_EQ(LoadOrCreateToken(dir / "group"), "0123456789abcdef0123");
}

TEST(Token, DefaultPathFollowsXdgConfigHome) {
  const char* old_config = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old_config ? old_config : "";
  ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(DefaultTokenPath(), "/cfg/tavirel/token");
  ::setenv("XDG_CONFIG_HOME", "", 1);
  EXPECT_EQ(DefaultTokenPath(), std::string(std::getenv("HOME")) + "/.config/tavirel/token");
  if (old_config)
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST(TokenMatches, OnlyTheSameTextWhateverItsLength) {
  const std::string token = "0123456789abcdef";
  const std::pair<std::string, bool> rows[] = {
      {token, true},
      {"0123456789abcdeF", false},
      {"1123456789abcdef", false},
      {"0123456789abcde", false},
      {token + token, false},  // repeats the token: still another text
      {"0123456789abcdef0", false},
      {"", false},
  };
  for (const auto& [given, matches] : rows) EXPECT_EQ(TokenMatches(token, given), matches) << given;
  EXPECT_FALSE(TokenMatches("", ""));
}

}  // namespace
}  // namespace tavirel::service
