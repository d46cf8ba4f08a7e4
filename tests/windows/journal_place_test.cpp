// The journal's default place on Windows, and a journal made there (in a
// folder made as the command line makes it), opened again after it closed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_dir.hpp"
#include "tavirel/documents/journal.hpp"
#include "tavirel/support/user_folders.hpp"

namespace tavirel::documents {
namespace {

// Sets LOCALAPPDATA for the test, puts the old value back after it.
class LocalAppData {
 public:
  explicit LocalAppData(const std::string& value) {
    if (const char* old = std::getenv("LOCALAPPDATA")) saved_ = old;
    _putenv_s("LOCALAPPDATA", value.c_str());
  }
  ~LocalAppData() { _putenv_s("LOCALAPPDATA", saved_.c_str()); }
  LocalAppData(const LocalAppData&) = delete;
  LocalAppData& operator=(const LocalAppData&) = delete;

 private:
  std::string saved_;
};

TEST(JournalPlace, IsUnderLocalAppDataAndRefusedWithoutIt) {
  {
    const LocalAppData set("C:\\Users\\cassa\\AppData\\Local");
    EXPECT_EQ(DefaultJournalPath(), "C:\\Users\\cassa\\AppData\\Local/tavirel/journal.db");
  }
  const LocalAppData unset("");
  try {
    (void)DefaultJournalPath();
    FAIL() << "a journal place without LOCALAPPDATA";
  } catch (const JournalError& e) {
    EXPECT_NE(std::string(e.what()).find("LOCALAPPDATA"), std::string::npos) << e.what();
  }
}

TEST(JournalPlace, AJournalIsMadeThereAndOpensAgain) {
  const testing::TempDir dir;
  const LocalAppData set(dir.path().string());
  const std::string path = DefaultJournalPath();
  support::MakePrivateFolders<JournalError>(path, "the journal");  // as the programs do
  { Journal journal(path); }
  EXPECT_TRUE(std::filesystem::is_regular_file(path));
  EXPECT_NO_THROW({ Journal reopened(path); });
}

}  // namespace
}  // namespace tavirel::documents
