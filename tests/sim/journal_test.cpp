// The journal: the text of a receipt as the register prints it, and the
// listeners that see it line by line.
#include <gtest/gtest.h>

#include "sim_support.hpp"
#include "tavirel/sim/simulated_register.hpp"

namespace tavirel::sim {
namespace {

using test::Cash;
using test::Cmd;
using test::Line;
using test::Op;
using test::Sale;

TEST(Journal, TextOfAReceipt) {
  auto wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall);
  Journal journal;
  for (const std::string& cmd :
       {Sale("PANE", 150, 2), Line(1004, 1, "LATTE", 2000, 125, 1),
        std::string(Cmd(1066).D(1, 2).T("OFFERTA", 20)), std::string(Cmd(1026).D(1, 2).D(1000, 4)),
        std::string(Op(1051)), std::string(Cmd(1067).D(1, 2).D(1, 1).T("GRAZIE E ARRIVEDERCI", 40)),
        Cash(1000)}) {
    for (const auto& line : reg.Execute(cmd).printed) journal.Print(line);
  }
  const auto receipts = journal.Completed(DocumentKind::Receipt);
  ASSERT_EQ(receipts.size(), 1u);
  EXPECT_EQ(receipts[0].Text(),
            "          TAVIREL REGISTRATORE\n"
            "               VIA ROMA 1\n"
            "               00100 ROMA\n"
            "           P.IVA 01234567890\n"
            "----------------------------------------\n"
            "                                    EURO\n"
            "PANE                         1,50 10,00%\n"
            "  2 x 1,25\n"
            "LATTE                        2,50 22,00%\n"
            "OFFERTA\n"
            "SCONTO 10,00%                      -0,40\n"
            "SUBTOTALE                           3,60\n"
            "TOTALE EURO                         3,60\n"
            "CONTANTE                           10,00\n"
            "RESTO                               6,40\n"
            "          GRAZIE E ARRIVEDERCI\n"
            "07-12-2026 10:30                SF. 0001\n"
            "               MF 123456\n");
}

TEST(Journal, LireAmountsAreWholeWithThousandsDots) {
  auto wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall, CurrencyUnit::Lire);
  reg.Execute(Sale("CAFFE", 1500, 1));
  const auto out = reg.Execute(Cash(2000));
  ASSERT_GE(out.printed.size(), 2u);
  EXPECT_EQ(out.printed[0].text, "TOTALE LIRE                        1.500");
  EXPECT_EQ(out.printed[2].text, "RESTO                                500");
}

TEST(Journal, DescriptionsTravelAsWindows1252AndPrintAsUtf8) {
  auto wall = test::FixedWall();
  RegisterModel reg = test::NewModel(&wall);
  const auto out = reg.Execute(Sale("CAFF\xC8", 100, 1));  // È in Windows-1252
  ASSERT_FALSE(out.printed.empty());
  EXPECT_EQ(out.printed.back().text.substr(0, 6), "CAFF\xC3\x88");
}

TEST(Journal, ListenersSeeEachLineAsItIsPrinted) {
  SimOptions options;
  options.wall = test::FixedWall;
  SimulatedRegister reg(options);
  std::vector<PrintedLine> seen;
  const auto id = reg.SubscribeJournal([&](const PrintedLine& line) { seen.push_back(line); });
  reg.Execute(Sale("PANE", 150, 2));
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(seen.front().begins);
  EXPECT_FALSE(seen.back().ends);
  const auto before = seen.size();
  reg.Execute(Cash(0));
  EXPECT_TRUE(seen.back().ends);
  EXPECT_GT(seen.size(), before);
  reg.UnsubscribeJournal(id);
  const auto after = seen.size();
  reg.Execute(Op(2001));
  EXPECT_EQ(seen.size(), after);
  EXPECT_EQ(reg.JournalDocuments().size(), 2u);
  EXPECT_EQ(reg.JournalDocuments()[1].kind, DocumentKind::Report);
}

}  // namespace
}  // namespace tavirel::sim

namespace tavirel::sim {
namespace {

TEST(Journal, KeepsAWindowOfTheLatestDocumentsAndLines) {
  Journal journal;
  for (int doc = 0; doc < 200; ++doc) {
    const std::string n = std::to_string(doc);
    journal.Print({DocumentKind::Receipt, "HEADER " + n, true, false});
    journal.Print({DocumentKind::Receipt, "LINE " + n, false, false});
    journal.Print({DocumentKind::Receipt, "END " + n, false, true});
  }
  auto documents = journal.Documents();
  ASSERT_EQ(documents.size(), Journal::kKeptDocuments);
  EXPECT_EQ(documents.front().lines.front(), "HEADER 136");
  EXPECT_EQ(documents.back().lines.back(), "END 199");

  journal.Print({DocumentKind::Report, "REPORT", true, false});
  for (int line = 0; line < 20'000; ++line)
    journal.Print({DocumentKind::Report, "ROW " + std::to_string(line), false, false});
  documents = journal.Documents();
  std::size_t kept = 0;
  for (const auto& d : documents) kept += d.lines.size();
  EXPECT_LE(kept, Journal::kKeptLines);
  ASSERT_FALSE(documents.empty());
  EXPECT_TRUE(documents.back().cut);
  EXPECT_EQ(documents.back().lines.back(), "ROW 19999");
  EXPECT_FALSE(documents.back().complete);
}

}  // namespace
}  // namespace tavirel::sim
