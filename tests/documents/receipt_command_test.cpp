// tavirel receipt end to end against its built-in register: one row per
// run, in order on one journal, with the exit status and what it prints.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <fstream>

#include "cli/child_process.hpp"
#include "document_rig.hpp"

namespace tavirel::documents::test {
namespace {

constexpr const char* kClosed = R"({"key": "c1", "lines": [
    {"department": 1, "description": "PANE", "price": "1.50"}],
    "payments": [{"type": "cash", "amount": "2.00"}]})";
// Department 41 is outside the register's table: the second line is refused.
constexpr const char* kVoided = R"({"key": "v1", "lines": [
    {"department": 1, "description": "PANE", "price": "1.50"},
    {"department": 41, "description": "NESSUNO", "price": "1.00"}],
    "payments": [{"type": "cash"}]})";
constexpr const char* kFailed = R"({"key": "f1", "lines": [
    {"department": 41, "description": "NESSUNO", "price": "1.00"}],
    "payments": [{"type": "cash"}]})";
// A voucher of a type the register has not been programmed with, after cash:
// the receipt stays open, and someone must look at it.
constexpr const char* kAttention = R"({"key": "t1", "lines": [
    {"department": 1, "description": "SPESA", "price": "8.00"}],
    "payments": [{"type": "cash", "amount": "3.00"}, {"type": "ticket", "ticket": 9, "amount": "5.00"}]})";
// A description that would clear the screen and retitle the terminal.
constexpr const char* kHostile = R"({"key": "h1\u001b]0;owned\u0007", "lines": [
    {"department": 1, "description": "\u001b[2JPANE", "price": "1.00"}],
    "payments": [{"type": "cash"}]})";

std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text + "\n";
}

struct Row {
  const char* what;
  std::vector<std::string> args;  // FILE stands for the document file
  std::string document;           // written to FILE, or given on standard input with "-"
  int status;
  const char* out;  // printed on standard output
  const char* err;  // printed on standard error
};

TEST(ReceiptCommand, ExitStatusAndOutputOfEachKindOfRun) {
  TempDir dir;
  const std::string journal = dir.File("journal.db");
  const std::string file = dir.File("doc.json");
  std::string other = kClosed;
  other.replace(other.find("1.50"), 4, "1.60");
  const std::vector<Row> rows = {
      {"closed", {"FILE"}, kClosed, 0, "c1: closed, number 1", ""},
      {"replayed", {"--json", "FILE"}, kClosed, 0, "\"replayed\":true", ""},
      {"other content", {"FILE"}, other, 2, "", "other content"},
      {"voided", {"FILE"}, kVoided, 1, "v1: voided", ""},
      {"failed", {"-"}, OneLine(kFailed), 1, "f1: failed", ""},
      {"preflight",
       {"-"},
       R"({"key": "p1", "lines": [], "payments": []})",
       2,
       "lines: a receipt needs at least one line",
       ""},
      {"not a document",
       {"-"},
       "{\"key\": \"x\", \"type\": \"invoice\"}\n",
       2,
       "",
       "not a document"},
      {"several: the highest status",
       {"-"},
       OneLine(kClosed) + "\n" + OneLine(kFailed),
       1,
       "c1: closed (from the journal)",
       ""},
      {"usage",
       {"--fault", "no-ack", "--device", "/dev/null", "FILE"},
       kClosed,
       2,
       "",
       "--fault needs --sim"},
      {"needs attention", {"FILE"}, kAttention, 4, "t1: needs-attention", ""},
      {"control characters are shown, not obeyed", {"FILE"}, kHostile, 2, "h1\\x1B]0;owned", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<std::string> args{tavirel::testing::ProgramPath(), "receipt", "--journal", journal};
    const bool usage = std::string(row.what) == "usage";
    if (!usage) args.push_back("--sim");
    std::string input;
    for (const std::string& a : row.args) {
      if (a == "FILE") {
        std::ofstream(file) << row.document;
        args.push_back(file);
      } else {
        args.push_back(a);
        if (a == "-") input = row.document;
      }
    }
    tavirel::testing::ChildProcess child(args);
    child.Write(input);
    const auto result = child.Finish(std::chrono::seconds(30));
    EXPECT_EQ(result.status, row.status) << result.out << result.err;
    EXPECT_NE(result.out.find(row.out), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(row.err), std::string::npos) << result.err;
    EXPECT_EQ(result.out.find('\x1b'), std::string::npos)
        << "a control character reached the terminal";
  }
}

// The journal's file: an empty one is a journal lost unless a new one is
// asked for; a damaged row is called so, and the other documents go on.
TEST(ReceiptCommand, TheJournalFileIsGuardedAndADamagedRowIsCalledSo) {
  TempDir dir;
  const std::string file = dir.File("doc.json");
  std::ofstream(file) << kClosed;
  const std::string empty = dir.File("empty.db");
  std::ofstream(empty).close();
  const auto run = [&](std::vector<std::string> extra) {
    std::vector<std::string> args{tavirel::testing::ProgramPath(), "receipt", "--sim"};
    args.insert(args.end(), extra.begin(), extra.end());
    tavirel::testing::ChildProcess child(args);
    return child.Finish(std::chrono::seconds(30));
  };
  auto refused = run({"--journal", empty, file});
  EXPECT_EQ(refused.status, 2) << refused.out;
  EXPECT_NE(refused.err.find("--new-journal"), std::string::npos) << refused.err;
  auto made = run({"--journal", empty, "--new-journal", file});
  EXPECT_EQ(made.status, 0) << made.err;
  {
    Journal journal(empty);
    Document other = ParseDocument(kClosed);
    other.key = "broken";
    journal.Admit(other, "");
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(empty.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "UPDATE documents SET content = 'x' WHERE key = 'broken'", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  std::string broken = kClosed;
  broken.replace(broken.find("c1"), 2, "broken");
  std::ofstream(file) << broken;
  auto damaged = run({"--journal", empty, file});
  EXPECT_EQ(damaged.status, 2);
  EXPECT_NE(damaged.err.find("damaged journal row"), std::string::npos) << damaged.err;
  EXPECT_NE(damaged.err.find("\"broken\""), std::string::npos) << damaged.err;
}

}  // namespace
}  // namespace tavirel::documents::test

namespace tavirel::documents::test {
namespace {

// A real full disk: a small file system of the test's own (in a user and
// mount namespace, so no privilege is needed), filled to the last block.
TEST(ReceiptCommand, AFullDiskIsSaidSoAndNamesTheJournal) {
  TempDir dir;
  const std::string mount = dir.File("small");
  const std::string doc = dir.File("doc.json");
  std::ofstream(doc) << kClosed;
  const std::string script = "mkdir -p " + mount + " && mount -t tmpfs -o size=256k tmpfs " +
                             mount + " || exit 77; dd if=/dev/zero of=" + mount +
                             "/fill bs=1k 2>/dev/null; exec " + tavirel::testing::ProgramPath() +
                             " receipt --sim --journal " + mount + "/j.db " + doc;
  tavirel::testing::ChildProcess child({"/usr/bin/unshare", "-rm", "/bin/sh", "-c", script});
  const auto result = child.Finish(std::chrono::seconds(60));
  if (result.status == 77 || result.err.find("unshare") != std::string::npos) {
    GTEST_SKIP() << "no mount namespace here: " << result.err;
  }
  EXPECT_EQ(result.status, 2) << result.out;
  EXPECT_NE(result.err.find("the disk is full"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find(mount + "/j.db"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("I/O error"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace tavirel::documents::test
