// The Win32 serial port. The refusals need no device; the rest runs on a
// pseudo-terminal that scripts/test-windows links into wine's prefix as the
// COM port named by TAVIREL_TEST_ECHO_COM, whose far end (echo_peer.py)
// sends every byte back and takes three commands: silent, echo, hang up.
#include "tavirel/win_serial_port.hpp"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

#include "tavirel/errors.hpp"
#include "tavirel/port_factory.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Generous: wine on a loaded two-core machine. What they bound is a wait
// that would otherwise run for seconds.
constexpr milliseconds kAtOnce{1000};
constexpr milliseconds kLongWait{8000};

const char kSilent[] = "\x1bSILENT\x1b";
const char kEcho[] =
    "\x1b"
    "ECHO\x1b";
const char kHangUp[] = "\x1bHANGUP\x1b";

std::string EchoCom() {
  const char* name = std::getenv("TAVIREL_TEST_ECHO_COM");
  return name != nullptr ? name : "";
}

struct Refusal {
  const char* device;
  const char* message;
  DWORD error;
};

TEST(WinSerialPort, OpeningWhatIsNoPortIsRefusedNamingIt) {
  const Refusal cases[] = {
      {"COM250", "serial port COM250 does not exist", ERROR_FILE_NOT_FOUND},
      {"\\\\.\\COM251", "serial port COM251 does not exist", ERROR_FILE_NOT_FOUND},
  };
  for (const Refusal& c : cases) {
    auto port = WinSerialPort::ForDevice(c.device);
    try {
      port->PortOpen(true);
      ADD_FAILURE() << c.device << " opened";
    } catch (const SerialError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
      EXPECT_EQ(e.code().value(), static_cast<int>(c.error)) << c.device;
    }
    EXPECT_FALSE(port->PortOpen());
  }
}

TEST(WinSerialPort, PortNumbersMapToComPortsEverywhereTheLibraryMakesAPort) {
  EXPECT_EQ(DefaultPortDevice(4), "\\\\.\\COM4");
  WinSerialPort numbered;
  numbered.CommPort(12);
  EXPECT_EQ(numbered.DevicePath(), "\\\\.\\COM12");
  EXPECT_THROW(numbered.CommPort(0), SerialError);
  EXPECT_EQ(numbered.CommPort(), 12);

  auto named = MakePort("com3");
  auto* win = dynamic_cast<WinSerialPort*>(named.get());
  ASSERT_NE(win, nullptr);
  EXPECT_EQ(win->DevicePath(), "\\\\.\\COM3");

  TavirelControl control;  // the platform's own port by default, numbered by COMPort
  control.InitProperties();
  EXPECT_EQ(control.COMPort(), 1);
}

class OnAnEchoingPort : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string name = EchoCom();
    ASSERT_FALSE(name.empty()) << "TAVIREL_TEST_ECHO_COM is not set: run scripts/test-windows";
    port_ = WinSerialPort::ForDevice(name);
    port_->PortOpen(true);
    Send(kEcho);
    Drain();
  }
  void TearDown() override {
    if (port_ && port_->PortOpen()) {
      Send(kEcho);
      port_->PortOpen(false);
    }
  }
  void Send(std::string_view bytes) { port_->Output(bytes); }
  // Takes what arrives until `size` bytes or the deadline.
  std::string Receive(std::size_t size, milliseconds within = kLongWait) {
    std::string got;
    const auto deadline = Clock::now() + within;
    while (got.size() < size && Clock::now() < deadline) {
      port_->WaitForInput(milliseconds(100));
      char chunk[512];
      got.append(chunk, port_->TakeInput(chunk, sizeof chunk));
    }
    return got;
  }
  // Discards what the peer echoed of a command, until a quiet spell.
  void Drain() {
    for (std::string got = Receive(1, milliseconds(300)); !got.empty();
         got = Receive(1, milliseconds(300))) {
    }
  }

  std::unique_ptr<WinSerialPort> port_;
};

TEST_F(OnAnEchoingPort, EveryByteValueGoesOutAndComesBackUnchanged) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i == 0x1b ? 0x1a : i);  // no commands
  for (const char* settings : {"9600,n,8,1", "115200,n,8,1", "19200,n,8,2"}) {
    port_->Settings(settings);
    Send(all);
    EXPECT_EQ(Receive(all.size()), all) << settings;
  }
  EXPECT_TRUE(port_->CTSHolding()) << "a port without modem lines counts CTS as asserted";
}

TEST_F(OnAnEchoingPort, InBufferCountAndInputSeeWhatArrived) {
  Send("ABC");
  const auto deadline = Clock::now() + kLongWait;
  while (port_->InBufferCount() < 3 && Clock::now() < deadline)
    port_->WaitForInput(milliseconds(50));
  EXPECT_EQ(port_->InBufferCount(), 3);
  EXPECT_EQ(port_->Input(), "A");
  EXPECT_EQ(port_->InBufferCount(), 2);
  EXPECT_EQ(port_->Input(), "B");
  EXPECT_EQ(port_->Input(), "C");
  EXPECT_EQ(port_->Input(), "");
}

TEST_F(OnAnEchoingPort, ASecondOpenerIsRefusedAsInUse) {
  auto second = WinSerialPort::ForDevice(EchoCom());
  try {
    second->PortOpen(true);
    FAIL() << "a second opener got in";
  } catch (const SerialError& e) {
    EXPECT_NE(std::string(e.what()).find("is in use"), std::string::npos) << e.what();
  }
  port_->PortOpen(false);
  EXPECT_NO_THROW(second->PortOpen(true)) << "released at close";
}

TEST_F(OnAnEchoingPort, AQuietWaitSleepsItsSliceAndAnInterruptEndsItAtOnce) {
  Send(kSilent);
  Drain();
  auto started = Clock::now();
  port_->WaitForInput(milliseconds(400));
  const auto slept = Clock::now() - started;
  EXPECT_GE(slept, milliseconds(350)) << "returned early with nothing to read";
  EXPECT_LT(slept, milliseconds(400) + kAtOnce);

  started = Clock::now();
  std::thread interrupter([this] {
    std::this_thread::sleep_for(milliseconds(200));
    port_->Interrupt();
  });
  port_->WaitForInput(kLongWait);
  interrupter.join();
  EXPECT_LT(Clock::now() - started, milliseconds(200) + kAtOnce);

  // Interrupts before a wait end that one wait only.
  port_->Interrupt();
  port_->Interrupt();
  started = Clock::now();
  port_->WaitForInput(kLongWait);
  EXPECT_LT(Clock::now() - started, kAtOnce);
  started = Clock::now();
  port_->WaitForInput(milliseconds(300));
  EXPECT_GE(Clock::now() - started, milliseconds(250));
}

TEST_F(OnAnEchoingPort, ACancelFromAnotherThreadEndsTheControlsWaitAtOnce) {
  Send(kSilent);
  Drain();
  port_->PortOpen(false);
  TavirelControl control(WinSerialPort::ForDevice(EchoCom()));
  control.InitProperties();
  control.EuroSettings(TVL_EUROSETTINGS_EURO);
  control.PortOpen();  // the probe gets no answer: the port stays open all the same
  ASSERT_TRUE(control.PortIsOpen());
  const auto started = Clock::now();
  auto call = std::async(std::launch::async, [&control] { return control.opReadDataOra(); });
  std::this_thread::sleep_for(milliseconds(300));
  control.CancelWait();
  ASSERT_EQ(call.wait_for(kAtOnce), std::future_status::ready) << "the cancel did not end the wait";
  EXPECT_THROW(call.get(), CancelledError);
  EXPECT_LT(Clock::now() - started, milliseconds(300) + kAtOnce);
  control.PortClose();
}

TEST_F(OnAnEchoingPort, AHangUpEndsAWaitWithAnErrorNamingThePortAndClosesIt) {
  Send(kSilent);
  Drain();
  Send(kHangUp);
  const auto started = Clock::now();
  try {
    while (Clock::now() - started < kLongWait) port_->WaitForInput(milliseconds(500));
    FAIL() << "no hang-up reported";
  } catch (const SerialError& e) {
    EXPECT_NE(std::string(e.what()).find("hung up"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(EchoCom()), std::string::npos) << e.what();
  }
  EXPECT_LT(Clock::now() - started, kAtOnce + kAtOnce);
  EXPECT_FALSE(port_->PortOpen());
}

}  // namespace
}  // namespace tavirel
