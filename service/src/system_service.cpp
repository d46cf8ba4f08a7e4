// What the service's registration needs on every platform: its command line.
#include "system_service.hpp"

namespace tavirel::service {
namespace {

bool NeedsQuotes(const std::string& word) {
  return word.empty() || word.find_first_of(" \t\n\v\"") != std::string::npos;
}

bool Given(const std::vector<std::string>& arguments, const std::string& option) {
  for (const auto& a : arguments) {
    if (a == option || a.starts_with(option + "=")) return true;
  }
  return false;
}

}  // namespace

std::string WindowsCommandLine(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) line += ' ';
    if (!NeedsQuotes(word)) {
      line += word;
      continue;
    }
    line += '"';
    std::size_t backslashes = 0;
    for (char c : word) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      // Backslashes before a quote are doubled, and the quote escaped.
      line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, '\\');  // before the closing quote
    line += '"';
  }
  return line;
}

std::vector<std::string> SystemServiceArguments(const CommandLine& command,
                                                const std::string& journal,
                                                const std::string& token_file) {
  std::vector<std::string> arguments = command.service_arguments;
  // A service runs as another account, whose folders are not the user's.
  if (!Given(arguments, "--journal") && !Given(arguments, "--config")) {
    arguments.insert(arguments.end(), {"--journal", journal});
  }
  if (!Given(arguments, "--token-file") && !Given(arguments, "--config")) {
    arguments.insert(arguments.end(), {"--token-file", token_file});
  }
  arguments.emplace_back("--as-service");
  return arguments;
}

}  // namespace tavirel::service
