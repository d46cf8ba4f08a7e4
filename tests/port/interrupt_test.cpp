// Interrupt ends a port's wait: on a pseudo-terminal and on the null-modem
// pair, from another thread; and a signal handler cancels a control's call.
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

#include "port/pty.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/null_modem.hpp"
#include "tavirel/posix_serial_port.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel {
namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;
using testing::Pty;

// A port open on a far end that never writes, and what keeps that end alive.
struct QuietPort {
  std::unique_ptr<SerialPort> port;
  std::shared_ptr<void> far;
};

struct PortKind {
  const char* name;
  std::function<QuietPort()> make;
};

const PortKind kKinds[] = {
    {"Pty",
     [] {
       auto pty = std::make_shared<Pty>();
       auto port = PosixSerialPort::ForDevice(pty->SlavePath());
       port->PortOpen(true);
       return QuietPort{std::move(port), pty};
     }},
    {"NullModem",
     [] {
       auto [host, far] = MakeNullModemPair();
       host->PortOpen(true);
       return QuietPort{std::move(host), std::shared_ptr<NullModemPort>(std::move(far))};
     }},
};

class Interrupt : public ::testing::TestWithParam<PortKind> {};

Steady::duration TimeOfWait(SerialPort& port, std::chrono::milliseconds slice) {
  const auto t0 = Steady::now();
  port.WaitForInput(slice);
  return Steady::now() - t0;
}

TEST_P(Interrupt, MadeBeforeAWaitEndsThatWaitOnlyAndAtOnce) {
  QuietPort q = GetParam().make();
  q.port->Interrupt();
  q.port->Interrupt();  // two before a wait still end just one
  EXPECT_LT(TimeOfWait(*q.port, 5s), 500ms);
  EXPECT_GE(TimeOfWait(*q.port, 60ms), 50ms) << "a taken interrupt ended a later wait";
}

TEST_P(Interrupt, FromAnotherThreadEndsAWaitInProgress) {
  QuietPort q = GetParam().make();
  std::thread other([&] {
    std::this_thread::sleep_for(50ms);
    q.port->Interrupt();
  });
  const auto took = TimeOfWait(*q.port, 10s);
  other.join();
  EXPECT_GE(took, 40ms);
  EXPECT_LT(took, 2s);
}

INSTANTIATE_TEST_SUITE_P(Ports, Interrupt, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.name); });

// A signal handler can reach only what a global holds.
std::atomic<TavirelControl*> g_cancel_target{nullptr};

void CancelFromHandler(int) {
  if (TavirelControl* control = g_cancel_target.load()) control->CancelWait();
}

TEST(CancelFromASignalHandler, EndsTheProbeOfPortOpenAndTheCallsThatWait) {
  Pty pty;  // nobody answers on it
  TavirelControl control(PosixSerialPort::ForDevice(pty.SlavePath()));
  control.InitProperties();
  control.EuroSettings(TVL_EUROSETTINGS_EURO);
  g_cancel_target = &control;
  struct sigaction action {};
  struct sigaction previous {};
  action.sa_handler = CancelFromHandler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // the wait must not rely on EINTR to end
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

  const pthread_t caller = pthread_self();
  auto signal_soon = [&] {
    return std::thread([&, caller] {
      std::this_thread::sleep_for(100ms);
      pthread_kill(caller, SIGUSR1);
    });
  };
  std::thread signaller = signal_soon();
  auto t0 = Steady::now();
  EXPECT_THROW(control.PortOpen(), CancelledError);
  EXPECT_LT(Steady::now() - t0, 1500ms) << "the probe's 3 s wait ran on";
  signaller.join();
  EXPECT_TRUE(control.PortIsOpen());
  EXPECT_EQ(pty.Read(11),
            "\x02"
            "01E420165\x03");

  signaller = signal_soon();
  t0 = Steady::now();
  EXPECT_THROW(control.opBloccoTastiera(1), CancelledError);
  EXPECT_LT(Steady::now() - t0, 1500ms);
  signaller.join();

  sigaction(SIGUSR1, &previous, nullptr);
  g_cancel_target = nullptr;
}

}  // namespace
}  // namespace tavirel
