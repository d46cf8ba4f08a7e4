// The driver's real POSIX port against the register served on a
// pseudo-terminal: a whole receipt in real time.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "driver_on_device.hpp"
#include "sim_support.hpp"
#include "tavirel/posix_serial_port.hpp"
#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/pty_server.hpp"
#include "tavirel/tavirel_control.hpp"
#include "temp_dir.hpp"

namespace tavirel::sim {
namespace {

using test::ControlOn;

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
  test::TempDir dir;
  const std::filesystem::path link = dir / "register";
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

TEST(DriverPty, LinkPathThatExistsIsRefusedAndLeftAsItIs) {
  test::TempDir dir;
  PtyOptions first;
  first.link_path = dir / "running";
  PtySimulator running = StartOnPty(SimOptions{}, first);  // another register, serving
  { std::ofstream(dir / "file") << "keep me"; }
  std::filesystem::create_symlink("/nonexistent/device", dir / "elsewhere");
  std::filesystem::create_directory(dir / "folder");
  for (const char* name : {"running", "file", "elsewhere", "folder"}) {
    SCOPED_TRACE(name);
    const std::string path = dir / name;
    const auto before = std::filesystem::symlink_status(path).type();
    const std::string target = before == std::filesystem::file_type::symlink
                                   ? std::filesystem::read_symlink(path).string()
                                   : "";
    PtyOptions pty;
    pty.link_path = path;
    try {
      StartOnPty(SimOptions{}, pty);
      ADD_FAILURE() << "replaced " << path;
    } catch (const SimError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_EQ(std::filesystem::symlink_status(path).type(), before);
    if (!target.empty()) {
      EXPECT_EQ(std::filesystem::read_symlink(path).string(), target);
    }
  }
  EXPECT_EQ(std::filesystem::read_symlink(dir / "running").string(), running.server->DevicePath());
}

TEST(DriverPty, ALinkAKilledRegisterLeftIsTakenOverAndOnlyOwnLinksAreRemoved) {
  test::TempDir dir;
  const std::string link = dir / "register";
  std::filesystem::create_symlink("/dev/pts/999999", link);  // its terminal is gone
  {
    PtyOptions pty;
    pty.link_path = link;
    PtySimulator sim = StartOnPty(SimOptions{}, pty);
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.server->DevicePath());
    // Someone puts a link of their own in its place while it serves.
    std::filesystem::remove(link);
    std::filesystem::create_symlink("/dev/null", link);
  }
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), "/dev/null");
}

}  // namespace
}  // namespace tavirel::sim
