// Opening failures, exclusive use and hang-ups of the POSIX port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "port/posix_device.hpp"
#include "port/pty.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel {
namespace {

using namespace std::chrono_literals;
using testing::Pty;

// The message of the SerialError that `call` throws; empty when none.
template <typename Call>
std::string SerialErrorOf(Call call) {
  try {
    call();
  } catch (const SerialError& e) {
    return e.what();
  }
  return {};
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::chrono::microseconds ThreadCpuTime() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  const auto micros = [](const timeval& t) {
    return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
  };
  return micros(usage.ru_utime) + micros(usage.ru_stime);
}

TEST(PosixSerialPortOpen, MissingDeviceIsNamed) {
  auto port = PosixSerialPort::ForDevice("/dev/tavirel-no-such-port");
  const std::string message = SerialErrorOf([&] { port->PortOpen(true); });
  EXPECT_TRUE(Contains(message, "/dev/tavirel-no-such-port does not exist")) << message;
  EXPECT_FALSE(port->PortOpen());
}

TEST(PosixSerialPortOpen, NonTerminalIsRefused) {
  auto port = PosixSerialPort::ForDevice("/dev/null");
  const std::string message = SerialErrorOf([&] { port->PortOpen(true); });
  EXPECT_TRUE(Contains(message, "/dev/null is not a terminal")) << message;
  EXPECT_FALSE(port->PortOpen());
}

TEST(PosixSerialPortOpen, OpenErrorsSayWhatIsWrong) {
  const struct {
    int err;
    const char* says;
  } rows[] = {
      {ENOENT, "/dev/ttyS4 does not exist"},   {EACCES, "/dev/ttyS4 permission denied"},
      {EPERM, "/dev/ttyS4 permission denied"}, {EBUSY, "/dev/ttyS4 is in use"},
      {ENXIO, "/dev/ttyS4 has no device"},     {EIO, "cannot open serial port /dev/ttyS4: "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.err);
    EXPECT_TRUE(Contains(port::OpenErrorMessage("/dev/ttyS4", row.err), row.says));
  }
}

TEST(PosixSerialPortOpen, SecondPortOnTheSameDeviceIsRefusedUntilTheFirstCloses) {
  Pty pty;
  auto first = PosixSerialPort::ForDevice(pty.SlavePath());
  auto second = PosixSerialPort::ForDevice(pty.SlavePath());
  first->PortOpen(true);
  const std::string message = SerialErrorOf([&] { second->PortOpen(true); });
  EXPECT_TRUE(Contains(message, pty.SlavePath() + " is in use")) << message;
  EXPECT_FALSE(second->PortOpen());
  EXPECT_TRUE(first->PortOpen()) << "the refused opener leaves the holder alone";
  first->Output("1");
  EXPECT_EQ(pty.Read(1), "1");

  first->PortOpen(false);
  second->PortOpen(true);
  second->Output("2");
  EXPECT_EQ(pty.Read(1), "2");
}

TEST(PosixSerialPortOpen, AnyOtherLockHolderKeepsThePortOut) {
  // flock belongs to an open file description, so a descriptor of our own
  // process, opened separately, is as foreign as another program.
  Pty pty;
  const int holder = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  auto port = PosixSerialPort::ForDevice(pty.SlavePath());
  EXPECT_TRUE(Contains(SerialErrorOf([&] { port->PortOpen(true); }), "in use"));
  ::close(holder);
  port->PortOpen(true);
  EXPECT_TRUE(port->PortOpen());
}

TEST(PosixSerialPortOpen, ClosingReleasesTheDevice) {
  Pty pty;
  auto port = PosixSerialPort::ForDevice(pty.SlavePath());
  port->PortOpen(true);
  port->PortOpen(false);
  const int other = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(other, 0);
  EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  ::close(other);
}

TEST(PosixSerialPortHangUp, DuringAWaitThrowsPromptlyWithoutSpinning) {
  Pty pty;
  auto port = PosixSerialPort::ForDevice(pty.SlavePath());
  port->PortOpen(true);
  std::thread far([&] {
    std::this_thread::sleep_for(100ms);
    pty.CloseMaster();
  });
  const auto cpu_before = ThreadCpuTime();
  const auto start = std::chrono::steady_clock::now();
  std::string message;
  // The driver's loop: wait a slice, read; a hang-up must end it.
  for (int pass = 0; pass < 500 && message.empty(); ++pass) {
    message = SerialErrorOf([&] {
      port->WaitForInput(20ms);
      (void)port->Input();
    });
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  far.join();
  EXPECT_TRUE(Contains(message, pty.SlavePath() + " hung up")) << message;
  EXPECT_LT(elapsed, 1s);
  EXPECT_LT(ThreadCpuTime() - cpu_before, 100ms);
}

TEST(PosixSerialPortHangUp, EveryIoCallReportsItAndLeavesThePortClosed) {
  const std::vector<std::pair<const char*, std::function<void(SerialPort&)>>> calls = {
      {"WaitForInput", [](SerialPort& p) { p.WaitForInput(5s); }},
      {"Input", [](SerialPort& p) { (void)p.Input(); }},
      {"InBufferCount", [](SerialPort& p) { (void)p.InBufferCount(); }},
      {"Output", [](SerialPort& p) { p.Output("x"); }},
  };
  for (const auto& [name, call] : calls) {
    Pty pty;
    auto port = PosixSerialPort::ForDevice(pty.SlavePath());
    port->PortOpen(true);
    pty.CloseMaster();
    EXPECT_TRUE(Contains(SerialErrorOf([&] { call(*port); }), "hung up")) << name;
    EXPECT_FALSE(port->PortOpen()) << name;
    EXPECT_FALSE(port->CTSHolding()) << name;
    EXPECT_TRUE(Contains(SerialErrorOf([&] { call(*port); }), "not open")) << name;
  }
}

TEST(PosixSerialPortIdle, WaitLoopSleepsInsteadOfSpinning) {
  Pty pty;
  auto port = PosixSerialPort::ForDevice(pty.SlavePath());
  port->PortOpen(true);
  const auto cpu_before = ThreadCpuTime();
  const auto start = std::chrono::steady_clock::now();
  int passes = 0;
  while (std::chrono::steady_clock::now() - start < 600ms) {
    port->WaitForInput(20ms);
    EXPECT_EQ(port->Input(), "");
    ++passes;
  }
  EXPECT_LT(passes, 100) << "each pass waited its slice";
  EXPECT_LT(ThreadCpuTime() - cpu_before, 60ms);
}

TEST(PosixSerialPortStall, OutputGivesUpWhenTheFarEndTakesNothing) {
  Pty pty;
  auto port = PosixSerialPort::ForDevice(pty.SlavePath());
  port->Settings("4000000,n,8,1");
  port->PortOpen(true);
  const auto start = std::chrono::steady_clock::now();
  const std::string message = SerialErrorOf([&] { port->Output(std::string(64 * 1024, 'x')); });
  EXPECT_TRUE(Contains(message, "timed out")) << message;
  EXPECT_TRUE(Contains(message, pty.SlavePath())) << message;
  EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
}

}  // namespace
}  // namespace tavirel
