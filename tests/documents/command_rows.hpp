#pragma once
// A document command (tavirel receipt, tavirel apply) run row by row as a
// child process against its built-in register, in order on one journal,
// with the exit status and what each run prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "cli/child_process.hpp"
#include "document_rig.hpp"

namespace tavirel::documents::test {

/// The document on one line, for standard input ("-" reads one per line).
inline std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text + "\n";
}

struct CommandRow {
  const char* what;
  std::vector<std::string> args;  // FILE stands for the document file
  std::string document;           // written to FILE, or given on standard input with "-"
  int status;
  const char* out;  // printed on standard output
  const char* err;  // printed on standard error
  bool sim = true;  // --sim is given
};

inline void RunCommandRows(const std::string& command, const std::vector<CommandRow>& rows) {
  TempDir dir;
  const std::string journal = dir.File("journal.db");
  const std::string file = dir.File("doc.json");
  for (const CommandRow& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<std::string> args{tavirel::testing::ProgramPath(), command, "--journal", journal};
    if (row.sim) args.push_back("--sim");
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

}  // namespace tavirel::documents::test
