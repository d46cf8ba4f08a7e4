// The driver against a register that paces the line at 9600 baud and takes
// 40 ms a command: the calling thread sleeps through each reply on its way
// instead of waking for every byte, and a refusal, shorter than the reply
// expected, is still taken as soon as its bytes have had their time.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>

#include "driver_on_device.hpp"
#include "sim_support.hpp"
#include "tavirel/sim/pty_server.hpp"

namespace tavirel::sim {
namespace {

using test::ControlOn;
using Steady = std::chrono::steady_clock;

long WakeUps() {
  rusage usage{};
  ::getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_nvcsw;
}

PtySimulator PacedRegister() {
  SimOptions options;
  options.wall = test::FixedWall;
  options.pacing = Pacing::Realistic(LineSettings::Parse("9600,n,8,1"));
  return StartOnPty(options);
}

TEST(DriverPaced, AReceiptWakesTheDriverAFewTimesAnExchangeNotOncePerByte) {
  PtySimulator sim = PacedRegister();
  auto c = ControlOn(sim.server->DevicePath());
  const long before = WakeUps();
  ASSERT_EQ(c->opReparto(1, "PANE", Currency::Parse("1.50"), 2), OP_OK);
  EXPECT_EQ(c->LastImp(), Currency::FromUnits(150));
  ASSERT_EQ(c->opRepartoQDec(1, "MELE", 0.75f, Currency::Parse("2.00"), 1), OP_OK);
  ASSERT_EQ(c->opSubTot(1), OP_OK);
  EXPECT_EQ(c->LastSubTotFisc(), Currency::FromUnits(300));
  ASSERT_EQ(c->opContante(1, Currency::Parse("1.00")), OP_OK);
  EXPECT_EQ(c->LastOPCode(), OP_CODE_CONT_RIM);
  ASSERT_EQ(c->opContante(1, Currency::Parse("5.00")), OP_OK);
  EXPECT_EQ(c->LastOPCode(), OP_CODE_CONT_REST);
  EXPECT_EQ(c->LastRest(), Currency::FromUnits(300));
  const double per_exchange = static_cast<double>(WakeUps() - before) / 5;
  // Four when the line keeps its pace (the ACK, the reply's start, its head,
  // its rest); a loaded machine may add a few. A byte each would be 30-80.
  EXPECT_LE(per_exchange, 8.0);
  EXPECT_EQ(sim.server->Failure(), nullptr);
}

TEST(DriverPaced, ARefusalIsTakenWhenItsBytesHaveComeNotAtTheLimit) {
  PtySimulator sim = PacedRegister();
  auto c = ControlOn(sim.server->DevicePath());
  const auto start = Steady::now();
  ASSERT_EQ(c->opContante(1, Currency::Parse("1.00")), EERR);  // no receipt open
  EXPECT_NE(c->LastEERR(), -2);
  // Request, processing and the refusal take about 0.2 s on this line; the
  // limit is 10 s.
  EXPECT_LT(Steady::now() - start, std::chrono::seconds(3));
}

}  // namespace
}  // namespace tavirel::sim
