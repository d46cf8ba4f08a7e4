// The state file: a round trip keeps everything, a restart continues where
// the register stopped, and a damaged file is a clear error.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "sim_support.hpp"
#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/simulated_register.hpp"
#include "temp_dir.hpp"

namespace tavirel::sim {
namespace {

using test::Cash;
using test::Op;
using test::Sale;

class StateFileTest : public ::testing::Test {
 protected:
  void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  // The names in the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir dir;
  std::string path = dir / "register.json";
};

TEST_F(StateFileTest, RoundTripKeepsStateAndFiscalMemory) {
  auto wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall);
  reg.Execute(Sale("CAFF\xC8", 100, 1));
  reg.Execute(Cash(0));
  reg.Execute(Op(3001));
  reg.Execute(Sale("PANE", 250, 2));  // left open
  StateFile file(path);
  file.Save(reg.State(), reg.FiscalMemory());
  const SavedRegister saved = file.Load();
  EXPECT_EQ(saved.state, reg.State());
  EXPECT_EQ(saved.memory, reg.FiscalMemory());
  // No temporary left beside the snapshot and its log.
  EXPECT_EQ(Names(), (std::vector<std::string>{"register.json", "register.json.log"}));
}

TEST_F(StateFileTest, ALinkPlantedWhereATemporaryWentIsNeverFollowed) {
  const std::string victim = dir / "victim";
  std::ofstream(victim) << "precious";
  std::filesystem::create_symlink(victim, path + ".tmp");
  SimOptions options;
  options.state_path = path;
  {
    SimulatedRegister reg(options);
    reg.Execute(Sale("PANE", 250, 2));
    reg.Execute(Cash(0));
  }
  std::ifstream in(victim);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
  EXPECT_EQ(Names(), (std::vector<std::string>{"register.json", "register.json.log",
                                               "register.json.tmp", "victim"}));
  EXPECT_EQ(SimulatedRegister(options).State().day.totals.receipts, 1);
}

TEST_F(StateFileTest, ALinkPlantedWhereTheLogGoesIsRefused) {
  const std::string victim = dir / "victim";
  std::ofstream(victim) << "precious";
  std::filesystem::create_symlink(victim, path + ".log");
  SimOptions options;
  options.state_path = path;
  try {
    SimulatedRegister reg(options);
    ADD_FAILURE() << "wrote through the link";
  } catch (const StateFileError& e) {
    EXPECT_NE(std::string(e.what()).find(path + ".log"), std::string::npos) << e.what();
  }
  std::ifstream in(victim);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
}

TEST_F(StateFileTest, RestartContinuesTheOpenReceipt) {
  SimOptions options;
  options.state_path = path;
  options.wall = test::FixedWall;
  {
    SimulatedRegister reg(options);
    EXPECT_TRUE(std::filesystem::exists(path));
    reg.Execute(Sale("PANE", 250, 2));
  }
  {
    SimulatedRegister again(options);
    EXPECT_EQ(again.State().phase, Phase::Sale);
    EXPECT_EQ(again.Execute(Cash(0)).substr(0, 24), "117201000000250000000000");
    // Another register on the same state while this one serves would lose changes.
    EXPECT_THROW(SimulatedRegister second(options), StateFileError);
  }
  SimulatedRegister third(options);
  EXPECT_EQ(third.State().day.totals.receipts, 1);
}

TEST_F(StateFileTest, TemporariesAKilledRegisterLeftAreRemovedAtStart) {
  SimOptions options;
  options.state_path = path;
  { SimulatedRegister reg(options); }
  std::ofstream(path + ".tmp-Ab12Cd") << "half a snapshot";  // a kill in the middle of a save
  std::ofstream(dir / "register.json.tmp-notours") << "someone else's";
  SimulatedRegister reg(options);
  EXPECT_EQ(Names(), (std::vector<std::string>{"register.json", "register.json.log",
                                               "register.json.tmp-notours"}));
}

TEST_F(StateFileTest, DamagedFilesAreErrorsNamingTheFile) {
  SimOptions options;
  options.state_path = path;
  { SimulatedRegister reg(options); }
  std::string good;
  {
    std::ifstream in(path);
    good.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::string cases[] = {
      good.substr(0, good.size() / 2),                  // cut short by a crash
      "",                                               // empty
      "{\"format\":\"something else\",\"version\":1}",  // another program's file
      std::string(good).replace(good.find("\"version\": 4"), 12, "\"version\": 9"),
      std::string(good).replace(good.find("\"receipt_number\""), 16, "\"receipt_numbr\""),
      std::string(good).replace(good.find("\"euro\""), 6, "\"yen\""),
  };
  for (const auto& text : cases) {
    Write(text);
    try {
      SimulatedRegister reg(options);
      ADD_FAILURE() << "loaded a damaged file: " << text.substr(0, 60);
    } catch (const StateFileError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
}

TEST_F(StateFileTest, UnreadableFileIsAnError) {
  std::filesystem::create_directories(path);  // a directory where the file should be
  SimOptions options;
  options.state_path = path;
  EXPECT_THROW(SimulatedRegister reg(options), StateFileError);
}

}  // namespace
}  // namespace tavirel::sim
