// tavireld's Windows parts besides its sockets: the token file's access
// list (made for the user alone; one that lets others in refused), the
// service's command line as Windows splits it, and a stop request from the
// service manager's thread ending the wait as SIGTERM does.
#include <windows.h>
// after windows.h
#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <shellapi.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>

#include "service_errors.hpp"
#include "support/temp_dir.hpp"
#include "system_service.hpp"
#include "tavirel/support/signal_stop.hpp"
#include "token.hpp"
#include "token_file.hpp"

namespace tavirel::service {
namespace {

std::string Message(const std::function<void()>& call) {
  try {
    call();
  } catch (const TokenError& e) {
    return e.what();
  }
  return "";
}

// A file whose access list is `sddl` (a security descriptor as text).
void MakeWithAcl(const std::string& path, const char* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ::LocalFree(descriptor);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  const char text[] = "0123456789abcdef0123\n";
  ::WriteFile(file, text, sizeof text - 1, &written, nullptr);
  ::CloseHandle(file);
}

TEST(TokenFileOnWindows, MadeForTheUserAloneReadBackAndNotMadeTwice) {
  const testing::TempDir dir;
  const std::string path = (dir.path() / "config" / "tavirel" / "token").string();
  EXPECT_FALSE(token_file::Exists(path));
  const std::string token = LoadOrCreateToken(path);
  EXPECT_EQ(token.size(), 64U);
  EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_TRUE(token_file::Exists(path));
  EXPECT_EQ(LoadOrCreateToken(path), token);
  EXPECT_FALSE(token_file::CreatePrivate(path, "another\n"));  // there already: left alone
  EXPECT_EQ(LoadOrCreateToken(path), token);
  // Two tokens made in two places differ: the bytes are random.
  EXPECT_NE(LoadOrCreateToken((dir.path() / "other").string()), token);
}

TEST(TokenFileOnWindows, AnAccessListLettingOthersInIsRefused) {
  const testing::TempDir dir;
  const struct {
    const char* name;
    const char* sddl;
    const char* named;  // what the message names ("" : accepted)
  } cases[] = {
      {"owner-alone", "D:P(A;;FA;;;OW)", ""},
      {"system-and-admins-too", "D:P(A;;FA;;;OW)(A;;FA;;;SY)(A;;FA;;;BA)", ""},
      {"everyone-reads", "D:P(A;;FA;;;OW)(A;;FR;;;WD)", "S-1-1-0"},
  };
  for (const auto& c : cases) {
    const std::string path = (dir.path() / c.name).string();
    MakeWithAcl(path, c.sddl);
    const std::string message = Message([&] { (void)LoadOrCreateToken(path); });
    if (*c.named == '\0') {
      EXPECT_EQ(message, "") << c.name;
    } else {
      EXPECT_NE(message.find(c.named), std::string::npos) << c.name << ": " << message;
      EXPECT_NE(message.find("icacls"), std::string::npos) << c.name << ": " << message;
    }
  }
  const std::string folder = (dir.path() / "a-folder").string();
  std::filesystem::create_directory(folder);
  // Refused either way: Windows does not open a folder as a file.
  EXPECT_NE(Message([&] { (void)LoadOrCreateToken(folder); }).find(folder), std::string::npos);
}

TEST(ServiceCommandLineOnWindows, SplitsBackIntoTheSameWords) {
  const std::vector<std::string> words{"C:\\Program Files\\tavirel\\tavireld.exe",
                                       "--register",
                                       "banco=COM3,settings=9600,n,8,1",
                                       "--journal",
                                       "C:\\Users\\cassa 1\\AppData\\Local\\tavirel\\journal.db",
                                       "",
                                       "say \"hi\"",
                                       "C:\\my dir\\",
                                       "a\\\\\"b",
                                       "tab\there",
                                       "--as-service"};
  const std::string line = WindowsCommandLine(words);
  const std::wstring wide(line.begin(), line.end());
  int count = 0;
  LPWSTR* split = ::CommandLineToArgvW(wide.c_str(), &count);
  ASSERT_NE(split, nullptr);
  std::vector<std::string> back;
  for (int i = 0; i < count; ++i) {
    const std::wstring word(split[i]);
    back.emplace_back(word.begin(), word.end());
  }
  ::LocalFree(split);
  // The program's own name is split by other rules: never quoted inside.
  EXPECT_EQ(back, words) << line;
}

TEST(SignalStopOnWindows, AManagersStopEndsTheWaitAsSigtermAndAgainCancels) {
  support::SignalStop stop;
  int again = 0;
  stop.ArmAgain([&again] { ++again; });
  auto waiting = std::async(std::launch::async, [&stop] {
    stop.Wait();
    return stop.Caught();
  });
  EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
  std::thread manager([&stop] { stop.Request(SIGTERM); });  // the control handler's thread
  manager.join();
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(waiting.get(), SIGTERM);
  EXPECT_EQ(again, 0);
  stop.Request(SIGINT);  // a second request: the "again" action, the first kept
  EXPECT_EQ(again, 1);
  EXPECT_EQ(stop.Caught(), SIGTERM);
  stop.ArmAgain({});
}

}  // namespace
}  // namespace tavirel::service
