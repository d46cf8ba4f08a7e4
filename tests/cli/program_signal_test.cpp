// The built program stopped by a signal, as a user without root would run
// it: the call in progress ends at once, the port is closed (so the next
// host can open the device), and the status and message say what happened.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "child_process.hpp"
#include "pty_printer.hpp"
#include "support/temp_dir.hpp"

namespace tavirel::testing {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

const std::string kAck = "\x06";

// Answers the probe and the date reading; a subtotal gets no answer at all.
std::string DateOnly(std::string_view command) {
  if (command.substr(0, 4) == "4201") return kAck + Frame("01", 'R', "42010712260811");
  return "";
}

// Waits until the printer has received `text`.
bool Received(const PtyPrinter& printer, const std::string& text) {
  const auto deadline = steady_clock::now() + std::chrono::seconds(10);
  while (printer.Received().find(text) == std::string::npos) {
    if (steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(10));
  }
  return true;
}

// The child's user: nobody when the tests run as root (root ignores the
// terminal's exclusive flag, which is what locked other users out).
ChildOptions AsUser() {
  ChildOptions options;
  if (::geteuid() != 0) return options;
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) return options;
  options.uid = nobody->pw_uid;
  options.gid = nobody->pw_gid;
  return options;
}

// The program where the child's user can run it: a build folder inside a
// root-only folder (a checkout under mktemp -d) is out of nobody's reach, so
// the program is copied into a folder everyone may enter.
class ReachableProgram {
 public:
  explicit ReachableProgram(const ChildOptions& user) {
    if (user.uid == 0) return;  // the tests' own user runs it where it is
    namespace fs = std::filesystem;
    fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
    path_ = dir_ / "tavirel";
    fs::copy_file(ProgramPath(), path_);
  }
  [[nodiscard]] const std::string& Path() const { return path_; }

 private:
  TempDir dir_;
  std::string path_ = ProgramPath();
};

struct SignalCase {
  int signal;
  int status;
  const char* name;
};

// The last line on standard error after a stop in a reply wait or a stdin wait.
std::string StopMessage(const char* name, bool in_reply_wait) {
  return std::string("tavirel: stopped by ") + name +
         (in_reply_wait ? " during opSubTot: its request went out, so the register may have "
                          "carried it out"
                        : ": no operation was cut short") +
         "; the port is closed\n";
}

TEST(ProgramSignals, AStopEndsTheWaitClosesThePortAndTheNextHostOpensIt) {
  const SignalCase signals[] = {
      {SIGINT, 130, "SIGINT"},
      {SIGTERM, 143, "SIGTERM"},
      {SIGHUP, 129, "SIGHUP"},
  };
  const ChildOptions user = AsUser();
  const ReachableProgram program(user);
  for (const auto& [signal, status, name] : signals) {
    for (const bool in_reply_wait : {true, false}) {
      SCOPED_TRACE(std::string(name) + (in_reply_wait ? " in a reply wait" : " in a stdin wait"));
      PtyPrinter printer(DateOnly);
      ASSERT_EQ(::chmod(printer.DevicePath().c_str(), 0666), 0);
      ChildProcess host({program.Path(), "call", "--device", printer.DevicePath(), "-"}, user);
      ASSERT_TRUE(Received(printer, "E420165\x03" + kAck)) << "the port was not opened";
      if (in_reply_wait) {
        host.Write("opSubTot 1\n");
        ASSERT_TRUE(Received(printer, "E105101"));
      }
      ASSERT_TRUE(host.WaitForHandler(signal));
      const auto sent = steady_clock::now();
      host.Signal(signal);
      const ProgramResult end = host.Finish(std::chrono::seconds(10), true);
      const auto took = steady_clock::now() - sent;
      EXPECT_EQ(end.status, status) << end.err;
      const std::size_t last = end.err.rfind('\n', end.err.size() - 2);
      EXPECT_EQ(end.err.substr(last == std::string::npos ? 0 : last + 1),
                StopMessage(name, in_reply_wait))
          << end.err;
      // Well within the subtotal's ten seconds: the wait ended at the signal.
      EXPECT_LT(took, std::chrono::seconds(3));
      // Another user's host now opens the same device and works.
      ChildProcess next_host(
          {program.Path(), "call", "--device", printer.DevicePath(), "opReadDataOra"}, user);
      next_host.Write("");
      const ProgramResult next = next_host.Finish();
      EXPECT_EQ(next.status, 0) << next.err;
      EXPECT_EQ(next.out.rfind("opReadDataOra: OP_OK (0)", 0), 0u) << next.out;
    }
  }
}

TEST(ProgramSignals, TheDemoStopsToo) {
  // Realistic printing times keep the day going long enough to be stopped.
  ChildProcess demo({ProgramPath(), "demo", "--pace"});
  ASSERT_NE(demo.ReadLine().find("Simulated register on /dev/pts/"), std::string::npos);
  ASSERT_TRUE(demo.WaitForHandler(SIGINT));
  demo.Signal(SIGINT);
  const ProgramResult end = demo.Finish(std::chrono::seconds(10), true);
  EXPECT_EQ(end.status, 130) << end.err;
  EXPECT_EQ(end.err, "tavirel: stopped by SIGINT; the port is closed\n");
  EXPECT_EQ(end.out.find("Journal"), std::string::npos) << "the day ran to its end";
}

}  // namespace
}  // namespace tavirel::testing
