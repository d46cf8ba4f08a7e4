// Exclusive use that outlives no host, and a terminal left as it was found.
// The lock-out scenarios run in child processes as the user "nobody" (when
// the tests run as root; otherwise as the user running them), since root
// passes a terminal's exclusive mark and would hide the fault.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

#include "port/pty.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel {
namespace {

using testing::Pty;

bool IsRoot() { return ::geteuid() == 0; }

// Makes the pty's device usable by "nobody", whom the children become.
void HandToNobody(const Pty& pty) {
  if (!IsRoot()) return;
  const passwd* nobody = ::getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  ASSERT_EQ(::chown(pty.SlavePath().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
}

void BecomeNobody() {
  if (!IsRoot()) return;
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr || ::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
      ::setuid(nobody->pw_uid) != 0) {
    _exit(90);
  }
}

// Runs `body` in a child as nobody; its exit status (0: opened, 1: refused
// with EBUSY, 2: refused otherwise).
int OpenAsNobody(const std::string& device) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    BecomeNobody();
    try {
      auto port = PosixSerialPort::ForDevice(device);
      port->PortOpen(true);
      _exit(0);
    } catch (const SerialError& e) {
      _exit(e.code() == std::errc::device_or_resource_busy ? 1 : 2);
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ExclusiveUse, AHostKilledWhileHoldingThePortLocksNobodyOut) {
  Pty pty;  // the far end stays open, as a register's would
  HandToNobody(pty);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    BecomeNobody();
    auto port = PosixSerialPort::ForDevice(pty.SlavePath());
    port->PortOpen(true);
    [[maybe_unused]] auto n = ::write(ready[1], "k", 1);
    for (;;) ::pause();
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_EQ(OpenAsNobody(pty.SlavePath()), 2) << "a second opener got in while the first held it";
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_EQ(OpenAsNobody(pty.SlavePath()), 0) << "the killed host's port stayed locked";
}

TEST(ExclusiveUse, AStaleExclusiveMarkIsClearedByTheNextOpenerThatMayOpen) {
  if (!IsRoot()) GTEST_SKIP() << "only root can open a device marked exclusive";
  Pty pty;
  HandToNobody(pty);
  {  // a host of an older kind, killed while the mark was set
    const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
    ::close(fd);
  }
  EXPECT_EQ(OpenAsNobody(pty.SlavePath()), 1);
  auto port = PosixSerialPort::ForDevice(pty.SlavePath());
  port->PortOpen(true);
  port->PortOpen(false);
  EXPECT_EQ(OpenAsNobody(pty.SlavePath()), 0);
}

TEST(ExclusiveUse, TheMessageOfAMarkedDeviceSaysWhatToDo) {
  Pty pty;
  HandToNobody(pty);
  const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    BecomeNobody();
    try {
      PosixSerialPort::ForDevice(pty.SlavePath())->PortOpen(true);
    } catch (const SerialError& e) {
      const std::string what = e.what();
      [[maybe_unused]] auto n = ::write(out[1], what.data(), what.size());
    }
    _exit(0);
  }
  ::close(out[1]);
  ::waitpid(pid, nullptr, 0);
  char text[512] = {};
  [[maybe_unused]] auto n = ::read(out[0], text, sizeof text - 1);
  ::close(out[0]);
  ::ioctl(fd, TIOCNXCL);
  ::close(fd);
  if (!IsRoot()) GTEST_SKIP() << "the mark keeps out only others than root";
  const std::string message = text;
  EXPECT_NE(message.find(pty.SlavePath() + " is in use by another program"), std::string::npos)
      << message;
  EXPECT_NE(message.find("as root"), std::string::npos) << message;
}

bool SameSettings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && ::cfgetispeed(&a) == ::cfgetispeed(&b) &&
         ::cfgetospeed(&a) == ::cfgetospeed(&b) && a.c_cc[VMIN] == b.c_cc[VMIN] &&
         a.c_cc[VTIME] == b.c_cc[VTIME];
}

TEST(TerminalSettings, AreRestoredWhenThePortClosesHowever) {
  const std::vector<std::pair<const char*, std::function<void(std::unique_ptr<PosixSerialPort>&)>>>
      endings = {
          {"PortClose", [](auto& port) { port->PortOpen(false); }},
          {"ChangedThenClosed",
           [](auto& port) {
             port->Settings("19200,e,7,1");
             port->PortOpen(false);
           }},
          {"Destroyed", [](auto& port) { port.reset(); }},
      };
  for (const auto& [name, end] : endings) {
    SCOPED_TRACE(name);
    Pty pty;
    const termios before = pty.SlaveSettings();
    ASSERT_TRUE(before.c_lflag & ICANON) << "a new pty starts in canonical mode";
    auto port = PosixSerialPort::ForDevice(pty.SlavePath());
    port->PortOpen(true);
    EXPECT_FALSE(pty.SlaveSettings().c_lflag & (ICANON | ECHO)) << "raw while open";
    end(port);
    EXPECT_TRUE(SameSettings(pty.SlaveSettings(), before));
  }
}

TEST(TerminalSettings, AreRestoredWhetherOpeningTakesTheFormatOrRefusesIt) {
  // Which character formats a pty refuses depends on the kernel: each is
  // either taken (and undone at close) or refused (and undone at once).
  for (const char* text : {"9600,n,5,1", "9600,e,6,1", "9600,m,7,1", "19200,o,7,2"}) {
    SCOPED_TRACE(text);
    Pty pty;
    const termios before = pty.SlaveSettings();
    auto port = PosixSerialPort::ForDevice(pty.SlavePath());
    port->Settings(text);
    try {
      port->PortOpen(true);
      port->PortOpen(false);
    } catch (const SettingsError&) {
      EXPECT_FALSE(port->PortOpen());
    }
    EXPECT_TRUE(SameSettings(pty.SlaveSettings(), before));
  }
}

TEST(SerialErrorCode, KeepsTheSystemsErrorOfAnOpen) {
  const std::vector<std::pair<std::string, std::errc>> rows = {
      {"/dev/tavirel-no-such-port", std::errc::no_such_file_or_directory},
      {"/dev/null", std::errc::inappropriate_io_control_operation},
  };
  for (const auto& [device, expected] : rows) {
    try {
      PosixSerialPort::ForDevice(device)->PortOpen(true);
      ADD_FAILURE() << device << " opened";
    } catch (const SerialError& e) {
      EXPECT_EQ(e.code(), expected) << device << ": " << e.code().message();
    }
  }
  Pty pty;
  auto holder = PosixSerialPort::ForDevice(pty.SlavePath());
  holder->PortOpen(true);
  try {
    PosixSerialPort::ForDevice(pty.SlavePath())->PortOpen(true);
    ADD_FAILURE() << "opened twice";
  } catch (const SerialError& e) {
    EXPECT_EQ(e.code(), std::errc::operation_would_block) << e.code().message();
  }
}

}  // namespace
}  // namespace tavirel
