// The null-modem transports: the real-time thread, and pacing seen by the
// driver in virtual time.
#include <gtest/gtest.h>

#include "driver_rig.hpp"

namespace tavirel::sim {
namespace {

using test::DriverRig;

TEST(ThreadedLink, ServesTheDriverInRealTime) {
  SimOptions options;
  options.wall = test::FixedWall;
  SimulatedRegister reg(options);
  auto [host, far] = MakeNullModemPair();
  ThreadedLink link(reg, std::move(far));
  TavirelControl c(std::move(host));
  c.Initialize();
  c.InitProperties();
  c.EuroSettings(TVL_EUROSETTINGS_EURO);
  c.PortOpen();
  ASSERT_EQ(c.opReadMatrFisc(3), OP_OK);
  EXPECT_EQ(c.LastMatrFisc(), 123456);
  reg.SetPower(false);
  EXPECT_EQ(c.opReadMatrFisc(3), OP_ERR_NOCOLL);
  reg.SetPower(true);
  EXPECT_EQ(c.opReadMatrFisc(3), OP_OK);
  EXPECT_EQ(link.Failure(), nullptr);
}

TEST(Pacing, ReportsAndClosuresTakeTheirTimeOnTheLine) {
  SimOptions options;
  options.pacing = Pacing::Realistic();
  DriverRig rig(options);
  const double sale = rig.Timed([&] { rig.ctl->opReparto(1, "PANE", Currency::Parse("1.50"), 2); });
  EXPECT_GT(sale, 0.04 + 0.160);  // 85 + 7 bytes out, 81 back at 9600 baud, and 40 ms
  EXPECT_LT(sale, 0.40);
  rig.ctl->opContante(1);
  const double report = rig.Timed([&] { EXPECT_EQ(rig.ctl->opXTotFinGior(1), OP_OK); });
  EXPECT_GT(report, 1.5);
  EXPECT_LT(report, 2.0);
  const double closure = rig.Timed([&] { EXPECT_EQ(rig.ctl->opZChiusuraFisc(1), OP_OK); });
  EXPECT_GT(closure, 4.0);
  EXPECT_LT(closure, 4.5);
}

}  // namespace
}  // namespace tavirel::sim
