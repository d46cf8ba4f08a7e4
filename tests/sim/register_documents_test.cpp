// Non-fiscal documents, footer lines, the display, the drawer, the keyboard,
// the reprint and paper end.
#include <gtest/gtest.h>

#include "sim_support.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

using test::Cash;
using test::Cmd;
using test::ErrorOf;
using test::Op;
using test::Sale;

class DocumentsTest : public ::testing::Test {
 protected:
  std::chrono::system_clock::time_point wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall);
  std::string Run(const std::string& command) { return reg.Execute(command).payload; }
};

TEST_F(DocumentsTest, NonFiscalDocumentFromBeginToEnd) {
  EXPECT_EQ(Run(Op(1063)), "106301");
  EXPECT_EQ(Run(Cmd(1064).D(1, 2).D(2, 1).T("RIGA", 40)), "106401");
  EXPECT_EQ(ErrorOf(Run(Cmd(1064).D(1, 2).D(5, 1).T("RIGA", 40))), perr::kValoreErrato);
  EXPECT_EQ(ErrorOf(Run(Op(1063))), perr::kSequenzaErrata);
  EXPECT_EQ(Run(Op(1065)), "106501");
  EXPECT_EQ(reg.State().phase, Phase::Idle);
  EXPECT_EQ(reg.State().non_fiscal_number, 1);
  EXPECT_EQ(ErrorOf(Run(Op(1065))), perr::kSequenzaErrata);
}

TEST_F(DocumentsTest, DisplayKeepsWhatItShows) {
  EXPECT_EQ(Run(Cmd(1062).D(1, 2).D(1, 1).T("BENVENUTI", 40).Raw("12")), "106201");
  EXPECT_EQ(reg.State().displays[1].text, "BENVENUTI" + std::string(31, ' '));
  EXPECT_EQ(reg.State().displays[1].cursor, 12);
  EXPECT_EQ(ErrorOf(Run(Cmd(1062).D(1, 2).D(2, 1).T("X", 40).Raw("0"))), perr::kValoreErrato);
  EXPECT_EQ(ErrorOf(Run(Cmd(1062).D(1, 2).D(0, 1).T("X", 40))), perr::kValoreErrato);  // no cursor
  EXPECT_EQ(ErrorOf(Run(Cmd(1062).D(1, 2).D(0, 1).T("X", 40).Raw("40"))), perr::kValoreErrato);
}

TEST_F(DocumentsTest, DrawerAnswersTheLastNonFiscalNumberAndKeyboardLocks) {
  Run(Op(1063));
  Run(Op(1065));
  EXPECT_EQ(Run(Op(1050)),
            "105001"
            "0712261030"
            "0001");
  EXPECT_EQ(Run(Op(1055)), "105501");
  EXPECT_TRUE(reg.State().keyboard_locked);
  EXPECT_EQ(Run(Op(1056)), "105601");
  EXPECT_FALSE(reg.State().keyboard_locked);
}

TEST_F(DocumentsTest, ReprintCopiesTheLastReceiptAsANonFiscalDocument) {
  EXPECT_EQ(ErrorOf(Run(Op(1047))), perr::kDatiInesistenti);
  Run(Sale("PANE", 150, 1));
  Run(Cash(0));
  const Outcome out = reg.Execute(Op(1047));
  EXPECT_EQ(out.payload,
            "104701"
            "0712261030"
            "0001");
  ASSERT_FALSE(out.printed.empty());
  EXPECT_EQ(out.printed.front().kind, DocumentKind::Reprint);
  bool has_item = false;
  for (const auto& line : out.printed) has_item |= line.text.find("PANE") != std::string::npos;
  EXPECT_TRUE(has_item);
}

TEST_F(DocumentsTest, FooterLinesArePrintedAtTheEndOfTheNextReceiptOnly) {
  EXPECT_EQ(Run(Cmd(1067).D(1, 2).D(2, 1).T("GRAZIE", 40)), "106701");
  EXPECT_EQ(ErrorOf(Run(Cmd(1067).D(1, 2).D(0, 1).T("X", 40))), perr::kValoreErrato);
  Run(Sale("PANE", 150, 1));
  const Outcome close = reg.Execute(Cash(0));
  bool thanked = false;
  for (const auto& line : close.printed) thanked |= line.text.find("GRAZIE") != std::string::npos;
  EXPECT_TRUE(thanked);
  EXPECT_TRUE(reg.State().footer[2].empty());
}

TEST_F(DocumentsTest, AdditionalDescriptionOnlyInAnOpenReceipt) {
  EXPECT_EQ(ErrorOf(Run(Cmd(1066).D(1, 2).T("NOTA", 20))), perr::kSequenzaErrata);
  Run(Sale("PANE", 150, 1));
  EXPECT_EQ(Run(Cmd(1066).D(1, 2).T("NOTA", 20)), "106601");
}

TEST_F(DocumentsTest, PaperEndStopsPrintingUntilRefilledAndRestarted) {
  reg.PaperRunsOut();
  EXPECT_EQ(ErrorOf(Run(Sale("PANE", 150, 1))), perr::kCartaScontrino);
  EXPECT_EQ(ErrorOf(Run(Op(2001))), perr::kCartaScontrino);
  EXPECT_EQ(Run("4201").substr(0, 4), "4201");  // readings do not print
  EXPECT_EQ(ErrorOf(Run(Op(1149))), perr::kCartaScontrino);
  reg.RefillPaper();
  EXPECT_EQ(ErrorOf(Run(Sale("PANE", 150, 1))), perr::kCartaScontrino);
  EXPECT_EQ(Run(Op(1149)), "114901");
  EXPECT_EQ(Run(Sale("PANE", 150, 1)).size(), 74u);
}

}  // namespace
}  // namespace tavirel::sim
