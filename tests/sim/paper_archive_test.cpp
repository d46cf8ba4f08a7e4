// The paper of each finished document, found by its kind and number or by
// the register's count: the lines as printed, a reprint's copy marked, the
// latest thousand documents kept, a receipt whole across a restart.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim_support.hpp"
#include "tavirel/sim/simulated_register.hpp"
#include "temp_dir.hpp"

namespace tavirel::sim {
namespace {

using test::Cash;
using test::Op;
using test::Sale;
using test::TextLine;

bool Has(const DocumentPaper& paper, const std::string& text) {
  return std::any_of(paper.lines.begin(), paper.lines.end(),
                     [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

SimOptions AtFixedWall() {
  SimOptions options;
  options.wall = test::FixedWall;
  return options;
}

TEST(PaperArchive, EachFinishedDocumentIsFoundByItsNumberWithTheLinesItPrinted) {
  struct Row {
    const char* name;
    std::vector<std::string> commands;
    PaperKind kind;
    int number;
    std::vector<std::string> shows;  // texts on its paper
  };
  const Row rows[] = {
      {"receipt",
       {Sale("PANE", 150, 1), Sale("LATTE", 250, 2), Cash(0)},
       PaperKind::Receipt,
       1,
       {"PANE", "LATTE", "TOTALE EURO", "SF. 0001", "MF 123456"}},
      {"voided receipt",
       {Sale("PANE", 150, 1), Cash(0), Sale("ERRORE", 700, 1), Op(1028)},
       PaperKind::Voided,
       2,
       {"ERRORE", "ANNULLO SCONTRINO", "SCONTRINO ANNULLATO", "SF. 0002"}},
      {"non-fiscal document",
       {Op(1063), TextLine("PRIMA RIGA"), TextLine("SECONDA RIGA"), Op(1065)},
       PaperKind::NonFiscal,
       1,
       {"PRIMA RIGA", "SECONDA RIGA", "NON FISCALE", "SNF. 0001"}},
      {"report", {Sale("PANE", 150, 1), Cash(0), Op(2001)}, PaperKind::Report, 1, {"SNF. 0001"}},
      {"fiscal closure",
       {Sale("PANE", 150, 1), Cash(0), Op(3001)},
       PaperKind::FiscalClosure,
       1,
       {"CHIUSURA FISCALE GIORNALIERA", "Z. 0001"}},
  };
  for (const Row& row : rows) {
    SimulatedRegister reg(AtFixedWall());
    for (const auto& command : row.commands) reg.Execute(command);
    const auto paper = reg.PaperOf(row.kind, row.number);
    ASSERT_TRUE(paper) << row.name;
    EXPECT_EQ(paper->record.kind, row.kind) << row.name;
    EXPECT_EQ(paper->record.number, row.number) << row.name;
    EXPECT_EQ(paper->record, reg.State().last_document) << row.name;
    EXPECT_FALSE(paper->copy || paper->cut) << row.name;
    // What the journal printed for the last document, line for line.
    EXPECT_EQ(paper->lines, reg.JournalDocuments().back().lines) << row.name;
    for (const auto& text : row.shows) EXPECT_TRUE(Has(*paper, text)) << row.name << ": " << text;
    EXPECT_EQ(reg.PaperOfSeq(paper->record.seq)->lines, paper->lines) << row.name;
    EXPECT_FALSE(reg.PaperOf(row.kind, row.number + 1)) << row.name;
  }
}

TEST(PaperArchive, AReprintIsACopyOfTheLastReceiptMarkedAsOne) {
  SimulatedRegister reg(AtFixedWall());
  reg.Execute(Sale("PANE", 150, 1));
  reg.Execute(Cash(500));
  reg.Execute(Op(1047));
  const auto receipt = reg.PaperOf(PaperKind::Receipt, 1);
  const auto copy = reg.PaperOf(PaperKind::NonFiscal, 1);
  ASSERT_TRUE(receipt && copy);
  EXPECT_FALSE(receipt->copy);
  EXPECT_TRUE(copy->copy);
  ASSERT_EQ(copy->lines.size(), receipt->lines.size() + 4);
  EXPECT_NE(copy->lines.front().find("RISTAMPA SCONTRINO"), std::string::npos);
  // The receipt's own lines, all of them in order, then the mark and its own closing lines.
  EXPECT_TRUE(std::equal(receipt->lines.begin(), receipt->lines.end(), copy->lines.begin() + 1));
  EXPECT_NE(copy->lines[receipt->lines.size() + 1].find("COPIA NON FISCALE"), std::string::npos);
  EXPECT_NE(copy->lines[receipt->lines.size() + 2].find("SNF. 0001"), std::string::npos);
  EXPECT_EQ(copy->lines, reg.JournalDocuments().back().lines);
}

TEST(PaperArchive, NumbersStartAgainEachDaySoTheLatestIsFoundAndTheCountTellsThemApart) {
  SimulatedRegister reg(AtFixedWall());
  reg.Execute(Sale("PANE", 150, 1));
  reg.Execute(Cash(0));
  reg.Execute(Op(3001));
  reg.Execute(Sale("LATTE", 250, 1));
  reg.Execute(Cash(0));
  const auto today = reg.PaperOf(PaperKind::Receipt, 1);
  ASSERT_TRUE(today);
  EXPECT_EQ(today->record.total, 250);
  EXPECT_EQ(today->record.seq, 3u);
  const auto yesterday = reg.PaperOfSeq(1);
  ASSERT_TRUE(yesterday);
  EXPECT_EQ(yesterday->record.total, 150);
  EXPECT_TRUE(Has(*yesterday, "PANE"));
  EXPECT_FALSE(reg.PaperOfSeq(4));
}

TEST(PaperArchive, KeepsTheLatestThousandDocuments) {
  SimulatedRegister reg(AtFixedWall());
  const std::size_t kept = PaperArchive::kKeptDocuments;
  for (std::size_t i = 0; i < kept + 1; ++i) {
    reg.Execute(Op(1063));
    reg.Execute(Op(1065));
  }
  const auto records = reg.KeptPapers();
  ASSERT_EQ(records.size(), kept);
  EXPECT_EQ(records.front().seq, 2u);
  EXPECT_EQ(records.back().seq, kept + 1);
  EXPECT_FALSE(reg.PaperOfSeq(1));
  EXPECT_FALSE(reg.PaperOf(PaperKind::NonFiscal, 1));
  ASSERT_TRUE(reg.PaperOf(PaperKind::NonFiscal, 2));
  EXPECT_TRUE(Has(*reg.PaperOf(PaperKind::NonFiscal, 2), "SNF. 0002"));
}

TEST(PaperArchive, AReceiptBegunBeforeARestartIsWholeAndANonFiscalDocumentSaysItIsCut) {
  test::TempDir dir;
  SimOptions options = AtFixedWall();
  options.state_path = dir / "register.json";
  {
    SimulatedRegister reg(options);
    reg.Execute(Sale("PANE", 150, 1));
  }
  {
    SimulatedRegister reg(options);
    reg.Execute(Sale("LATTE", 250, 1));
    reg.Execute(Cash(0));
    const auto receipt = reg.PaperOf(PaperKind::Receipt, 1);
    ASSERT_TRUE(receipt);
    EXPECT_FALSE(receipt->cut);
    EXPECT_TRUE(Has(*receipt, "PANE") && Has(*receipt, "LATTE") && Has(*receipt, "VIA ROMA 1"));
    reg.Execute(Op(1063));
    reg.Execute(TextLine("PRIMA RIGA"));
  }
  SimulatedRegister reg(options);
  reg.Execute(TextLine("SECONDA RIGA"));
  reg.Execute(Op(1065));
  const auto document = reg.PaperOf(PaperKind::NonFiscal, 1);
  ASSERT_TRUE(document);
  EXPECT_TRUE(document->cut);
  EXPECT_FALSE(Has(*document, "PRIMA RIGA"));
  EXPECT_TRUE(Has(*document, "SECONDA RIGA"));
}

}  // namespace
}  // namespace tavirel::sim
