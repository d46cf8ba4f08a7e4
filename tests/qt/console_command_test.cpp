// The console's calls through the dispatch interface and what it shows.
#include "console_command.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "qt/control_set.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::studio {
namespace {

using Lines = std::vector<std::string>;

class ConsoleCommand : public ::testing::Test {
 protected:
  void SetUp() override { control->InitProperties(); }
  std::unique_ptr<TavirelControl> control = qt::testing::MakeLineControl();
};

TEST_F(ConsoleCommand, MethodsFirstThenPropertyReadOrWrite) {
  const struct {
    const char* name;
    std::size_t args;
    MemberKind kind;
  } rows[] = {{"opReparto", 4, MemberKind::Method},      {"PortIsOpen", 0, MemberKind::Method},
              {"COMPort", 0, MemberKind::PropertyGet},   {"COMPort", 1, MemberKind::PropertyPut},
              {"LastNumSF", 0, MemberKind::PropertyGet}, {"nothing", 2, MemberKind::PropertyPut}};
  for (const auto& row : rows) EXPECT_EQ(ChooseKind(row.name, row.args), row.kind) << row.name;
}

TEST_F(ConsoleCommand, ReadsAndWritesProperties) {
  EXPECT_EQ(RunConsoleLine(*control, "Settings"), (Lines{"= \"9600,n,8,1\""}));
  EXPECT_EQ(RunConsoleLine(*control, "COMPort 3"), (Lines{"= (nessun valore)"}));
  EXPECT_EQ(control->COMPort(), 3);
  EXPECT_EQ(RunConsoleLine(*control, "COMPort"), (Lines{"= 3"}));
  EXPECT_EQ(RunConsoleLine(*control, "Settings \"4800,e,7,2\""), (Lines{"= (nessun valore)"}));
  EXPECT_EQ(control->Settings(), "4800,e,7,2");
  EXPECT_EQ(RunConsoleLine(*control, "Major"), (Lines{"= 1"}));
}

TEST_F(ConsoleCommand, OperationShowsItsResultCodeAndRaisesFPError) {
  std::vector<std::pair<int, int>> events;
  HostHooks hooks;
  hooks.fp_error = [&](std::int16_t& level, std::int32_t& code) {
    events.emplace_back(level, code);
  };
  control->SetHooks(hooks);
  const Lines lines = RunConsoleLine(*control, "opReadDataOra");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "= 5 (OP_ERR_EUROLOCK)");
  EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{5, 0}}));
  control->EuroSettings(2);
  EXPECT_EQ(RunConsoleLine(*control, "opApriCassetto 1").front(), "= 2 (OP_ERR_PORTCLOSE)");
}

TEST_F(ConsoleCommand, ResultValuesThatDifferFromTheDefaultsAreListed) {
  EXPECT_TRUE(ResultValueLines(*control).empty()) << "a placed control holds the defaults";
  // A control loaded from a bag keeps its record unreset: LastEERR 0 (its
  // default is -2) and empty texts where the defaults are zero-filled.
  auto loaded = qt::testing::MakeLineControl();
  InMemoryPropertyBag bag;
  loaded->ReadProperties(bag);
  const Lines lines = ResultValueLines(*loaded);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "  LastEERR = 0"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "  LastCodProd = \"\""), lines.end());
  for (const std::string& line : lines) EXPECT_TRUE(line.starts_with("  Last")) << line;
  // A method call ends with them.
  const Lines call = RunConsoleLine(*loaded, "PortIsOpen");
  ASSERT_GE(call.size(), 2u);
  EXPECT_EQ(call[0], "= False");
  EXPECT_EQ(Lines(call.begin() + 1, call.end()), lines);
}

TEST_F(ConsoleCommand, ErrorsAreShownNotThrown) {
  const struct {
    const char* line;
    const char* expected_part;
  } rows[] = {{"opRepart 1", "opReparto"},
              {"opApriCassetto", "opApriCassetto"},
              {"opApriCassetto uno", "uno"},
              {"Settings \"open", "virgolette"},
              {"Settings bad", "bad"}};
  for (const auto& row : rows) {
    const Lines lines = RunConsoleLine(*control, row.line);
    ASSERT_EQ(lines.size(), 1u) << row.line;
    EXPECT_TRUE(lines[0].starts_with("errore: ")) << lines[0];
    EXPECT_NE(lines[0].find(row.expected_part), std::string::npos) << lines[0];
  }
  EXPECT_EQ(control->Settings(), "9600,n,8,1");
}

TEST_F(ConsoleCommand, QuestionMarkShowsSignatures) {
  const Lines one = RunConsoleLine(*control, "? COMPort");
  ASSERT_EQ(one.size(), 2u) << "get and let";
  EXPECT_TRUE(one[0].starts_with("propget COMPort")) << one[0];
  EXPECT_TRUE(one[1].starts_with("propput COMPort")) << one[1];
  const Lines all = RunConsoleLine(*control, "?");
  ASSERT_EQ(all.size(), 1u);
  EXPECT_NE(all[0].find("opZFiscMem"), std::string::npos);
  EXPECT_NE(all[0].find("LastMatrFisc"), std::string::npos);
  EXPECT_TRUE(RunConsoleLine(*control, "? nothing")[0].starts_with("errore:"));
}

TEST(ConsoleValue, TextsAreQuoted) {
  EXPECT_EQ(ShowValue(Variant(std::string("abc"))), "\"abc\"");
  EXPECT_EQ(ShowValue(Variant(std::int16_t{-1})), "-1");
  EXPECT_EQ(ShowValue(Variant(Currency::FromRaw(15000))), "1.5");
}

}  // namespace
}  // namespace tavirel::studio
