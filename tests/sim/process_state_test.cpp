// A state that cannot be written, as `tavirel sim` meets it: refused clearly
// at start; at a later write (a full disk, here a file size limit) the command
// that could not be kept is refused with a printer error, nothing of it is
// done, and the register serves on.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "sim_process.hpp"
#include "tavirel/posix_serial_port.hpp"
#include "tavirel/sim/state_file.hpp"
#include "tavirel/tavirel_control.hpp"
#include "temp_dir.hpp"

namespace tavirel::sim {
namespace {

using std::chrono::seconds;

std::size_t FileCount(const std::filesystem::path& dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(ProcessState, AStateThatCannotBeWrittenIsRefusedAtStart) {
  struct Case {
    const char* name;
    unsigned long file_size_limit;
    bool read_only;
    const char* says;
  };
  const Case cases[] = {
      {"a full disk", 512, false, "File too large"},
      {"a read-only state file", 0, true, "read-only"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const std::string state = dir / "state.json";
    StateFile(state).Save(RegisterState{}, {});  // a register kept from before
    if (c.read_only) ::chmod(state.c_str(), 0444);
    const auto before = FileCount(dir.path());
    const test::EndedRun run =
        test::SimProcess::RunToEnd({"--state", state}, seconds(10), c.file_size_limit);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(state), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(FileCount(dir.path()), before) << "a temporary was left behind";
  }
}

TEST(ProcessState, ACommandThatCannotBeKeptIsRefusedAndTheRegisterServesOn) {
  test::TempDir dir;
  const std::string state = dir / "state.json";
  { test::SimProcess fresh({"--state", state}); }
  const auto fresh_size = std::filesystem::file_size(state);
  std::filesystem::remove(state);

  const std::string paper = dir / "paper.jsonl";
  int kept = 0;
  bool closed = false;
  {
    test::SimProcess sim({"--state", state, "--paper", paper}, fresh_size + 6000);
    TavirelControl c(PosixSerialPort::ForDevice(sim.Device()));
    c.Initialize();
    c.InitProperties();
    c.EuroSettings(TVL_EUROSETTINGS_EURO);
    c.PortOpen();
    std::int16_t result = OP_OK;
    while (kept < 500 &&
           (result = c.opReparto(1, "ARTICOLO", Currency::FromUnits(100), 1)) == OP_OK)
      ++kept;
    ASSERT_EQ(result, EERR) << "no write ever failed";
    EXPECT_EQ(c.LastEERR(), 1);  // CARTA GIORNALE: the register cannot record
    EXPECT_EQ(c.opReparto(1, "ARTICOLO", Currency::FromUnits(100), 1), EERR);
    EXPECT_EQ(c.LastEERR(), 1);
    EXPECT_EQ(c.opReadMatrFisc(1), OP_OK) << "it stopped serving";
    // Closing the receipt may fit or not: either way the paper and the state agree.
    closed = c.opContante(1) == OP_OK;
    if (!closed) {
      EXPECT_EQ(c.LastEERR(), 1);
    }
    c.PortClose();
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(seconds(5)), 0);
  }
  EXPECT_GT(kept, 0);
  const SavedRegister saved = StateFile(state).Load();
  EXPECT_EQ(saved.state.receipt.entries.size(), closed ? 0u : static_cast<std::size_t>(kept));
  EXPECT_EQ(saved.state.day.totals.receipts, closed ? 1 : 0);
  EXPECT_EQ(saved.state.documents, closed ? 1u : 0u);
  std::ifstream in(paper);
  const std::string on_paper(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(std::count(on_paper.begin(), on_paper.end(), '\n'), closed ? 1 : 0) << on_paper;
  test::SimProcess again({"--state", state});  // and it starts again from what was kept
}

}  // namespace
}  // namespace tavirel::sim
