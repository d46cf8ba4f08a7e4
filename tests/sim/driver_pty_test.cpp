// The driver's real POSIX port against the register served on a
// pseudo-terminal: a whole receipt in real time.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "sim_support.hpp"
#include "tavirel/posix_serial_port.hpp"
#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/pty_server.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::sim {
namespace {

std::unique_ptr<TavirelControl> ControlOn(const std::string& device) {
  auto control = std::make_unique<TavirelControl>(PosixSerialPort::ForDevice(device));
  control->Initialize();
  control->InitProperties();
  control->EuroSettings(TVL_EUROSETTINGS_EURO);
  control->PortOpen();
  return control;
}

TEST(DriverPty, WholeReceiptOverThePseudoTerminal) {
  SimOptions options;
  options.wall = test::FixedWall;
  PtySimulator sim = StartOnPty(options);
  ASSERT_EQ(sim.server->DevicePath().rfind("/dev/pts/", 0), 0u) << sim.server->DevicePath();
  auto c = ControlOn(sim.server->DevicePath());
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
  EXPECT_EQ(c->LastNumSF(), 1);
  EXPECT_EQ(sim.reg->State().day.totals.receipts, 1);
  EXPECT_EQ(sim.reg->State().day.totals.sales, 300);
  ASSERT_EQ(c->opReadMatrFisc(1), OP_OK);
  EXPECT_EQ(c->LastMatrFisc(), 123456);
  EXPECT_EQ(sim.server->Failure(), nullptr);
}

TEST(DriverPty, SwitchedOffRegisterAnswersNothing) {
  PtySimulator sim = StartOnPty(SimOptions{});
  auto c = ControlOn(sim.server->DevicePath());
  sim.reg->SetPower(false);
  EXPECT_EQ(c->opReadDataOra(), OP_ERR_TIMEOUT);  // a pty has no CTS line to lower
  sim.reg->SetPower(true);
  EXPECT_EQ(c->opReadDataOra(), OP_OK);
}

TEST(DriverPty, LinkPathPointsAtTheDeviceAndIsRemovedAtTheEnd) {
  const auto link =
      std::filesystem::temp_directory_path() / ("tavirel-sim-link-" + std::to_string(::getpid()));
  std::filesystem::remove(link);
  {
    PtyOptions pty;
    pty.link_path = link.string();
    PtySimulator sim = StartOnPty(SimOptions{}, pty);
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.server->DevicePath());
    auto c = ControlOn(link.string());
    EXPECT_EQ(c->opReadDataOra(), OP_OK);
  }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(DriverPty, LinkPathOverAnOrdinaryFileIsRefused) {
  const auto file =
      std::filesystem::temp_directory_path() / ("tavirel-sim-file-" + std::to_string(::getpid()));
  { std::ofstream(file) << "keep me"; }
  PtyOptions pty;
  pty.link_path = file.string();
  EXPECT_THROW(StartOnPty(SimOptions{}, pty), SimError);
  EXPECT_TRUE(std::filesystem::is_regular_file(file));
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace tavirel::sim
