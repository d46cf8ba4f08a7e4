// Late answers from the simulated register, in virtual time: after a call
// timed out, the next call gets its own reply and never the late one.
#include <gtest/gtest.h>

#include "tavirel/null_modem.hpp"
#include "tavirel/sim/null_modem_link.hpp"
#include "tavirel/sim/simulated_register.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel {
namespace {

struct LateRow {
  const char* name;
  sim::Fault fault;
  int param_ms;
};

class LateAnswer : public ::testing::TestWithParam<LateRow> {};

TEST_P(LateAnswer, OfAPaymentIsNeverTakenForTheNextReading) {
  const LateRow& row = GetParam();
  sim::SimulatedRegister reg;
  auto clock = std::make_shared<ManualClock>();
  auto [host, far] = MakeNullModemPair();
  NullModemPort& host_end = *host;
  TavirelControl control(std::move(host), clock);
  control.InitProperties();
  control.EuroSettings(TVL_EUROSETTINGS_EURO);
  sim::VirtualTimeLink link(reg, host_end, std::move(far), clock);
  control.PortOpen();

  ASSERT_EQ(control.opReadMatrFisc(1), OP_OK);
  const std::int32_t serial = control.LastMatrFisc();
  ASSERT_NE(serial, 0);
  ASSERT_EQ(control.opReparto(1, "PANE", Currency::FromUnits(2), 1), OP_OK);

  reg.ArmFault({row.fault, row.param_ms, 0.0});
  EXPECT_EQ(control.opContante(1), OP_ERR_TIMEOUT);

  EXPECT_EQ(control.opReadMatrFisc(1), OP_OK);
  EXPECT_EQ(control.LastOPCode(), 3217);
  EXPECT_EQ(control.LastMatrFisc(), serial);
  EXPECT_EQ(reg.State().daily.financial.receipts, 1) << "the payment was carried out";
}

INSTANTIATE_TEST_SUITE_P(Faults, LateAnswer,
                         ::testing::Values(
                             // The payment's ACK comes after the 3 s limit: the next reading
                             // would take it for its own, and the payment's reply with it.
                             LateRow{"AckAfterTheLimit", sim::Fault::AckDelay, 4000},
                             // The payment's reply comes after its 10 s limit, before the
                             // reading's ACK.
                             LateRow{"ReplyAfterTheLimit", sim::Fault::ReplyDelay, 12000}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavirel
