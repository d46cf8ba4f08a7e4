// The Windows service's registration as far as it is the same everywhere:
// the command line the service manager starts, and the arguments it holds.
// (The split back into words is checked against Windows' own
// CommandLineToArgvW in tests/windows.)
#include "system_service.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace tavirel::service {
namespace {

TEST(WindowsCommandLine, QuotesWhatWindowsWouldSplitOrStrip) {
  const struct {
    std::vector<std::string> words;
    std::string line;
  } cases[] = {
      {{"tavireld.exe", "--listen", "127.0.0.1:0"}, "tavireld.exe --listen 127.0.0.1:0"},
      {{"C:\\Program Files\\tavirel\\tavireld.exe"},
       "\"C:\\Program Files\\tavirel\\tavireld.exe\""},
      {{"a", ""}, "a \"\""},
      {{"say \"hi\""}, "\"say \\\"hi\\\"\""},
      // Backslashes are literal unless a quote follows: then doubled.
      {{"C:\\dir\\"}, "C:\\dir\\"},
      {{"C:\\my dir\\"}, "\"C:\\my dir\\\\\""},
      {{"a\\\"b c"}, "\"a\\\\\\\"b c\""},
      {{"tab\there"}, "\"tab\there\""},
      {{"--register", "banco=COM3,settings=9600,n,8,1"},
       "--register banco=COM3,settings=9600,n,8,1"},
  };
  for (const auto& c : cases) EXPECT_EQ(WindowsCommandLine(c.words), c.line) << c.line;
}

TEST(SystemServiceArguments, PinTheInstallingUsersFilesUnlessGiven) {
  CommandLine command;
  command.service_arguments = {"--register", "banco=COM3", "--listen", "127.0.0.1:9000"};
  EXPECT_EQ(SystemServiceArguments(command, "C:\\u\\journal.db", "C:\\u\\token"),
            (std::vector<std::string>{"--register", "banco=COM3", "--listen", "127.0.0.1:9000",
                                      "--journal", "C:\\u\\journal.db", "--token-file",
                                      "C:\\u\\token", "--as-service"}));
  command.service_arguments = {"--journal=D:\\j.db", "--token-file", "D:\\t"};
  EXPECT_EQ(
      SystemServiceArguments(command, "C:\\u\\journal.db", "C:\\u\\token"),
      (std::vector<std::string>{"--journal=D:\\j.db", "--token-file", "D:\\t", "--as-service"}));
  // A configuration file may name them: the command line would override it.
  command.service_arguments = {"--config", "C:\\tavireld.json"};
  EXPECT_EQ(SystemServiceArguments(command, "C:\\u\\journal.db", "C:\\u\\token"),
            (std::vector<std::string>{"--config", "C:\\tavireld.json", "--as-service"}));
}

TEST(SystemServiceCommandLine, ActionsAreParsedAndInstallKeepsTheOtherArguments) {
  const struct {
    std::vector<const char*> argv;
    SystemServiceAction action;
    std::vector<std::string> kept;
    int exit_status;  // -1: none
  } cases[] = {
      {{"tavireld", "--listen", "127.0.0.1:0"},
       SystemServiceAction::None,
       {"--listen", "127.0.0.1:0"},
       -1},
      {{"tavireld", "--install-service", "--register", "a=sim"},
       SystemServiceAction::Install,
       {"--register", "a=sim"},
       -1},
      {{"tavireld", "--uninstall-service"},
       SystemServiceAction::Uninstall,
       {"--uninstall-service"},
       -1},
      {{"tavireld", "--as-service"}, SystemServiceAction::Run, {"--as-service"}, -1},
      {{"tavireld", "--install-service", "--uninstall-service"}, SystemServiceAction::None, {}, 2},
  };
  for (const auto& c : cases) {
    std::ostringstream out, err;
    const CommandLine command =
        ParseCommandLine(static_cast<int>(c.argv.size()), c.argv.data(), out, err);
    EXPECT_EQ(command.exit_status.value_or(-1), c.exit_status) << c.argv[1] << err.str();
    if (c.exit_status != -1) continue;
    EXPECT_EQ(command.system_service, c.action) << c.argv[1];
    EXPECT_EQ(command.service_arguments, c.kept) << c.argv[1];
  }
}

TEST(SystemServiceActions, SayOnPosixThatSystemdRunsTheService) {
  std::ostringstream out, err;
  EXPECT_EQ(InstallSystemService({}, out, err), 2);
  EXPECT_EQ(UninstallSystemService(out, err), 2);
  EXPECT_NE(err.str().find("tavireld.service"), std::string::npos) << err.str();
  EXPECT_TRUE(out.str().empty());
}

}  // namespace
}  // namespace tavirel::service
