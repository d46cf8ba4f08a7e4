// The examples of docs/service.md that use $TAVIREL run as they are written,
// with curl, against a service on the built-in simulated register: the
// documentation cannot drift from what the service answers.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "service_rig.hpp"

namespace tavirel::service::testing {
namespace {

struct Example {
  int line = 0;  // where its fence opens
  std::string script;
};

// Every ```sh block whose text uses $TAVIREL, in order.
std::vector<Example> Examples(const std::string& path) {
  std::ifstream file(path);
  std::vector<Example> examples;
  std::string line;
  std::optional<Example> open;
  for (int number = 1; std::getline(file, line); ++number) {
    if (!open && line == "```sh") {
      open = Example{number, ""};
    } else if (open && line == "```") {
      if (open->script.find("$TAVIREL") != std::string::npos) examples.push_back(*open);
      open.reset();
    } else if (open) {
      open->script += line + "\n";
    }
  }
  return examples;
}

// Runs `script` with sh -e, its output kept; the exit status.
int RunScript(const std::string& script, const std::string& env, std::string& output) {
  const std::string command = env + " sh -e -c '" + [&] {
    std::string quoted;
    for (char c : script) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted;
  }() + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  while (const auto n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DocsExamples, EveryServiceExampleRunsAgainstTheSimulatedRegister) {
  const auto examples = Examples(TAVIREL_DOCS_DIR "/service.md");
  ASSERT_GE(examples.size(), 5U) << "the examples of docs/service.md were not found";
  ServiceConfig config;
  config.registers = {ParseRegisterOption("sim=sim")};
  ServiceRig rig(config);
  ASSERT_TRUE(rig.AllOpen());
  const std::string env =
      "TAVIREL=http://127.0.0.1:" + std::to_string(rig.port()) + " TOKEN=" + rig.token();
  for (const Example& example : examples) {
    std::string output;
    EXPECT_EQ(RunScript(example.script, env, output), 0)
        << "docs/service.md:" << example.line << "\n"
        << example.script << "---\n"
        << output;
  }
}

}  // namespace
}  // namespace tavirel::service::testing
