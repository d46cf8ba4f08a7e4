// The control over a real pseudo-terminal; the test plays the printer on the
// master side.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "link/frame.hpp"
#include "support/scripted_printer.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/posix_serial_port.hpp"

namespace tavirel {
namespace {

using namespace std::chrono_literals;
using testing::ReplyFrame;

class PtyPrinter {
 public:
  PtyPrinter() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) std::abort();
    device_ = ptsname(master_);
  }
  ~PtyPrinter() { Close(); }
  const std::string& device() const { return device_; }

  // Reads until an ETX (or the deadline), returns what came.
  std::string ReadFrame(std::chrono::milliseconds deadline = 3000ms) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      char c;
      if (read(master_, &c, 1) != 1) break;
      got += c;
      if (c == '\x03' || (got.size() == 1 && c == '\x06')) break;
    }
    return got;
  }
  void Write(const std::string& bytes) {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void Close() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string device_;
};

std::unique_ptr<TavirelControl> ControlOn(const std::string& device) {
  auto control = std::make_unique<TavirelControl>(PosixSerialPort::ForDevice(device));
  control->InitProperties();
  control->EuroSettings(TVL_EUROSETTINGS_EURO);
  return control;
}

TEST(Pty, OneExchangeEndToEnd) {
  PtyPrinter printer;
  auto control = ControlOn(printer.device());
  control->Port().PortOpen(true);
  std::string request, ack;
  std::thread peer([&] {
    request = printer.ReadFrame();
    printer.Write("\x06" + ReplyFrame("105507"));
    ack = printer.ReadFrame();
  });
  EXPECT_EQ(control->opBloccoTastiera(7), OP_OK);
  peer.join();
  EXPECT_EQ(request, link::BuildRequestFrame(0, "105507"));
  EXPECT_EQ(ack, "\x06");
  EXPECT_EQ(control->LastOPCode(), 1055);
  EXPECT_EQ(control->LastOP(), 7);
}

TEST(Pty, AHangUpDuringAWaitIsAnErrorOfTheCallWithinASecond) {
  PtyPrinter printer;
  auto control = ControlOn(printer.device());
  control->Port().PortOpen(true);
  std::thread peer([&] {
    printer.ReadFrame();
    printer.Write("\x06");
    std::this_thread::sleep_for(200ms);
    printer.Close();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(control->opBloccoTastiera(1), SerialError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1200ms);
  peer.join();
}

TEST(Pty, ASecondOpenerOfTheSameDeviceIsRefused) {
  PtyPrinter printer;
  auto first = ControlOn(printer.device());
  auto second = ControlOn(printer.device());
  first->Port().PortOpen(true);
  try {
    second->Port().PortOpen(true);
    FAIL() << "the second opener was let in";
  } catch (const SerialError& e) {
    EXPECT_NE(std::string(e.what()).find(printer.device()), std::string::npos) << e.what();
  }
  EXPECT_FALSE(second->PortIsOpen());
  EXPECT_TRUE(first->PortIsOpen());
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

TEST(Pty, WaitingTenSecondsForAReplyThatNeverComesCostsLittleCPU) {
  PtyPrinter printer;
  auto control = ControlOn(printer.device());
  control->Port().PortOpen(true);
  std::thread peer([&] {
    printer.ReadFrame();
    printer.Write("\x06");  // acknowledged, then nothing
  });
  const double before = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(control->opBloccoTastiera(1), OP_ERR_TIMEOUT);
  const auto waited = std::chrono::steady_clock::now() - start;
  const double used = CpuSeconds() - before;
  peer.join();
  EXPECT_GE(waited, 9s);
  EXPECT_LE(waited, 10500ms);
  EXPECT_LT(used, 0.2) << "CPU seconds for a 10-second wait";
  RecordProperty("cpu_seconds", std::to_string(used));
}

}  // namespace
}  // namespace tavirel
