// Programming and reading the register's tables and clock: every reading
// repeats the programming command's fields at their widths.
#include <gtest/gtest.h>

#include "sim_support.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

using test::Cmd;
using test::ErrorOf;
using test::Op;

class TablesTest : public ::testing::Test {
 protected:
  std::chrono::system_clock::time_point wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall);
  std::string Run(const std::string& command) { return reg.Execute(command).payload; }
};

TEST_F(TablesTest, ReadingRepeatsWhatWasProgrammed) {
  struct Row {
    std::string program;  // the programming command
    std::string read;     // the reading command
    std::string ack;      // the programming reply: code and entry number
  };
  const Row rows[] = {
      {Cmd(4002)
           .D(9, 2)
           .T("SALUMERIA", 20)
           .D(120, 9)
           .D(110, 9)
           .D(100, 9)
           .D(0, 1)
           .D(2, 2)
           .D(99999, 9)
           .D(3, 2)
           .D(4, 2)
           .Raw("KG"),
       "420209", "400209"},
      {Cmd(4005).D(5, 2).D(850, 4), "420505", "400505"},
      {Cmd(4007).D(4, 2).T("AMEX", 20), "420704", "400704"},
      {Cmd(4010).D(3, 2).T("BUONO SPESA", 20).D(516, 9), "421003", "401003"},
      {Cmd(4013).D(7, 2).T("MARIA", 20).D(42, 4).D(1250, 4), "421307", "401307"},
      {Cmd(4014).D(3, 2).D(1, 1), "421403", "401403"},
      {Cmd(4015).D(2, 2).D(45, 3), "421502", "401502"},
      {Cmd(4016).D(4, 1).D(2, 1), "42164", "401604"},
  };
  for (const auto& row : rows) {
    const std::string program = row.program;
    EXPECT_EQ(Run(program), row.ack) << program;
    const std::string reading = Run(row.read);
    EXPECT_EQ(reading, row.read.substr(0, 4) + program.substr(4)) << row.read;
  }
}

TEST_F(TablesTest, DefaultsAreTheFourItalianRatesAndFourDepartments) {
  EXPECT_EQ(Run("420501"),
            "42050122"
            "00");
  EXPECT_EQ(Run("420502"), "4205021000");
  EXPECT_EQ(Run("420503"), "4205030500");
  EXPECT_EQ(Run("420504"), "4205040400");
  EXPECT_EQ(Run("420505"), "4205050000");
  const std::string dept = Run("420203");
  ASSERT_EQ(dept.size(), 71u);
  EXPECT_EQ(dept.substr(6, 20), "REPARTO 03          ");
  EXPECT_EQ(dept.substr(54, 2), "03");
}

TEST_F(TablesTest, HeaderLineTakesTwentySevenCharacters) {
  EXPECT_EQ(Run(Cmd(3016).D(5, 2).T("BUON APPETITO", 27)), "301605");
  EXPECT_EQ(reg.State().tables.header[5].text, "BUON APPETITO              ");
  EXPECT_EQ(ErrorOf(Run(Cmd(3016).D(5, 2).T("X", 20))), perr::kValoreErrato);
}

TEST_F(TablesTest, RefusesEntriesOutsideTheTablesAndBadValues) {
  struct Row {
    std::string command;
    int error;
  };
  const Row rows[] = {
      {Cmd(4005).D(9, 2).D(1000, 4), perr::kValoreErrato},
      {Cmd(4005).D(0, 2).D(1000, 4), perr::kValoreErrato},
      {Cmd(4002)
           .D(9, 2)
           .T("X", 20)
           .D(0, 9)
           .D(0, 9)
           .D(0, 9)
           .D(0, 1)
           .D(6, 2)
           .D(0, 9)
           .D(0, 2)
           .D(0, 2)
           .Raw("00"),
       perr::kNonProgrammato},  // VAT rate 6 not programmed
      {Cmd(4002)
           .D(9, 2)
           .T("X", 20)
           .D(0, 9)
           .D(0, 9)
           .D(0, 9)
           .D(2, 1)
           .D(1, 2)
           .D(0, 9)
           .D(0, 2)
           .D(0, 2)
           .Raw("00"),
       perr::kValoreErrato},  // item 0 or 1
      {Cmd(4016).D(4, 1).D(7, 1), perr::kValoreErrato},
      {"421612", perr::kValoreErrato},  // a line number of two digits
      {"42020", perr::kValoreErrato},
      {"4202ab", perr::kValoreErrato},
      {"420241", perr::kValoreErrato},
      {Cmd(4002)
           .D(9, 2)
           .T(" LEADING BLANK", 20)
           .D(0, 9)
           .D(0, 9)
           .D(0, 9)
           .D(0, 1)
           .D(1, 2)
           .D(0, 9)
           .D(0, 2)
           .D(0, 2)
           .Raw("00"),
       perr::kValoreErrato},
      {"4299", perr::kNonPrevisto},
      {"ABCD", perr::kNonPrevisto},
      {"", perr::kNonPrevisto},
  };
  for (const auto& row : rows) EXPECT_EQ(ErrorOf(Run(row.command)), row.error) << row.command;
}

TEST_F(TablesTest, FiscalSerialNumberEchoesTheOperator) {
  EXPECT_EQ(Run(Op(3217, 4)), "321704123456");
}

TEST_F(TablesTest, ClockIsSetAndReadBack) {
  EXPECT_EQ(Run("4201"), "42010712261030");
  EXPECT_EQ(Run(Cmd(4001).D(6, 2).D(12, 2).D(1, 2).D(9, 2).D(5, 2)), "400100");
  EXPECT_EQ(Run("4201"), "42010612010905");
  wall += std::chrono::minutes(61);
  EXPECT_EQ(Run("4201"), "42010612011006");
}

TEST_F(TablesTest, ClockRefusesImpossibleDatesAndDatesBeforeTheLastClosure) {
  EXPECT_EQ(ErrorOf(Run(Cmd(4001).D(31, 2).D(4, 2).D(27, 2).D(9, 2).D(5, 2))), perr::kDataErrata);
  EXPECT_EQ(ErrorOf(Run(Cmd(4001).D(29, 2).D(2, 2).D(27, 2).D(9, 2).D(5, 2))), perr::kDataErrata);
  EXPECT_EQ(ErrorOf(Run(Cmd(4001).D(1, 2).D(1, 2).D(27, 2).D(24, 2).D(0, 2))), perr::kDataErrata);
  EXPECT_EQ(ErrorOf(Run(Cmd(4001).D(6, 2).D(12, 2).D(2001, 4).D(9, 2).D(5, 2))),
            perr::kValoreErrato);
  Run(Op(3001));  // closure at 07-12-2026 10:30
  EXPECT_EQ(ErrorOf(Run(Cmd(4001).D(7, 2).D(12, 2).D(26, 2).D(10, 2).D(29, 2))),
            perr::kDataInferiore);
  EXPECT_EQ(Run(Cmd(4001).D(7, 2).D(12, 2).D(26, 2).D(10, 2).D(30, 2)), "400100");
}

TEST_F(TablesTest, VatRateChangesOnlyOnAClosedDay) {
  Run(test::Sale("PANE", 100, 1));
  Run(test::Cash(0));
  EXPECT_EQ(ErrorOf(Run(Cmd(4005).D(1, 2).D(2000, 4))), perr::kImpossibileOra);
  Run(Op(3001));
  EXPECT_EQ(Run(Cmd(4005).D(1, 2).D(2000, 4)), "400501");
}

}  // namespace
}  // namespace tavirel::sim
