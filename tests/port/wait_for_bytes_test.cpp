// WaitForBytes on a pseudo-terminal: the port sleeps through bytes on their
// way at the line's speed instead of waking for each, yet returns at once
// when they already wait, after their time when fewer come, and early on an
// interrupt or a hang-up.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <string>
#include <thread>

#include "port/pty.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;
using testing::Pty;

// Times the calling thread slept and was woken.
long WakeUps() {
  rusage usage{};
  ::getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_nvcsw;
}

class WaitForBytesOnPty : public ::testing::Test {
 protected:
  void Open(const std::string& settings) {
    port = PosixSerialPort::ForDevice(pty.SlavePath());
    port->Settings(settings);
    port->PortOpen(true);
  }
  // One take of what waits, as the driver makes after each wait.
  std::string TakeOnce() {
    char chunk[256];
    return std::string(chunk, port->TakeInput(chunk, sizeof chunk));
  }
  // Takes `count` bytes, waiting for them (at most 2 s).
  std::string Take(std::size_t count) {
    std::string got;
    for (const auto end = Steady::now() + 2s; got.size() < count && Steady::now() < end;) {
      port->WaitForInput(50ms);
      got += TakeOnce();
    }
    return got;
  }
  Pty pty;
  std::unique_ptr<PosixSerialPort> port;
};

TEST_F(WaitForBytesOnPty, SleepsThroughBytesArrivingAtTheLinesSpeed) {
  Open("9600,n,8,1");
  const std::string reply(60, 'r');
  std::thread line([&] {
    for (const char c : reply) {  // about 9600 baud: a byte a millisecond
      std::this_thread::sleep_for(1ms);
      pty.Write(std::string(1, c));
    }
  });
  const long wake_ups = WakeUps();
  const auto start = Steady::now();
  port->WaitForBytes(10s, reply.size());
  const auto took = Steady::now() - start;
  const long woken = WakeUps() - wake_ups;
  line.join();
  EXPECT_GE(took, 40ms) << "returned with the first bytes instead of sleeping through them";
  EXPECT_LE(woken, 3) << "woken for the bytes one by one";
  EXPECT_EQ(Take(reply.size()), reply);
}

TEST_F(WaitForBytesOnPty, ReturnsAtOnceWhenTheBytesAlreadyWait) {
  Open("300,n,8,1");  // their time on this line: over two seconds
  pty.Write(std::string(60, 'r'));
  for (const auto end = Steady::now() + 2s; port->InBufferCount() < 60 && Steady::now() < end;)
    port->WaitForInput(20ms);
  const auto start = Steady::now();
  port->WaitForBytes(10s, 60);
  EXPECT_LT(Steady::now() - start, 1s);
  EXPECT_EQ(TakeOnce().size(), 60u);
}

TEST_F(WaitForBytesOnPty, AShorterReplyIsTakenAfterItsTimeNotAtTheEndOfTheSlice) {
  Open("9600,n,8,1");
  pty.Write("EERR 13");
  const auto start = Steady::now();
  port->WaitForBytes(10s, 60);
  EXPECT_LT(Steady::now() - start, 2s);
  EXPECT_EQ(Take(7), "EERR 13");
}

TEST_F(WaitForBytesOnPty, AnInterruptEndsTheSleep) {
  Open("300,n,8,1");
  std::thread other([&] {
    std::this_thread::sleep_for(50ms);
    port->Interrupt();
  });
  const auto start = Steady::now();
  port->WaitForBytes(10s, 500);
  other.join();
  EXPECT_LT(Steady::now() - start, 2s);
  EXPECT_TRUE(port->PortOpen());
}

TEST_F(WaitForBytesOnPty, AHangUpEndsTheSleepAsAnErrorAndClosesThePort) {
  Open("300,n,8,1");
  pty.CloseMaster();
  const auto start = Steady::now();
  EXPECT_THROW(
      {
        port->WaitForBytes(10s, 500);
        TakeOnce();
      },
      SerialError);
  EXPECT_LT(Steady::now() - start, 2s);
  EXPECT_FALSE(port->PortOpen());
}

}  // namespace
}  // namespace tavirel
