// The paper record: one line per finished document, with the register's own
// number, total and line count; nothing for refused commands; a paper that
// is not a regular file refused; a paper and a kept state brought into
// agreement at start.
#include <gtest/gtest.h>
#include <sys/stat.h>

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
using test::TextLine;

std::vector<std::string> FileLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Expected {
  PaperKind kind;
  int number;
  const char* total;
  int lines;  // -1: the lines the journal shows for the document
  const char* report;
};

struct Scenario {
  const char* name;
  CurrencyUnit unit;
  std::vector<std::string> commands;
  std::vector<Expected> records;
};

const std::vector<Scenario>& Scenarios() {
  static const std::vector<Scenario> table = {
      {"closed receipt",
       CurrencyUnit::Euro,
       {Sale("PANE", 150, 1), Sale("LATTE", 250, 2), Cash(0)},
       {{PaperKind::Receipt, 1, "4.00", 2, ""}}},
      {"corrected line left out",
       CurrencyUnit::Euro,
       {Sale("PANE", 150, 1), Sale("LATTE", 250, 2), Op(1027), Cash(500)},
       {{PaperKind::Receipt, 1, "1.50", 1, ""}}},
      {"refused commands leave nothing",
       CurrencyUnit::Euro,
       {Op(2001), Sale("PANE", 150, 1), Op(3001), Op(1065), Cash(0)},
       {{PaperKind::Report, 1, "0.00", -1, "x-financial-daily"},
        {PaperKind::Receipt, 1, "1.50", 1, ""}}},
      {"voided receipt",
       CurrencyUnit::Euro,
       {Sale("PANE", 150, 1), Sale("LATTE", 250, 2), Op(1028)},
       {{PaperKind::Voided, 1, "4.00", 2, ""}}},
      {"non-fiscal document counts its text lines",
       CurrencyUnit::Euro,
       {Op(1063), TextLine("UNO"), TextLine("DUE"), TextLine("TRE"), Op(1065)},
       {{PaperKind::NonFiscal, 1, "0.00", 3, ""}}},
      {"reprint",
       CurrencyUnit::Euro,
       {Sale("PANE", 150, 1), Cash(0), Op(1047)},
       {{PaperKind::Receipt, 1, "1.50", 1, ""}, {PaperKind::NonFiscal, 1, "0.00", -1, ""}}},
      {"reports by name",
       CurrencyUnit::Euro,
       {Op(2007), Op(3002)},
       {{PaperKind::Report, 1, "0.00", -1, "x-financial-periodic"},
        {PaperKind::Report, 2, "0.00", -1, "z-financial-daily"}}},
      {"closure with the day's total",
       CurrencyUnit::Euro,
       {Sale("PANE", 1234, 1), Cash(0), Op(3001), Op(3015)},
       {{PaperKind::Receipt, 1, "12.34", 1, ""},
        {PaperKind::FiscalClosure, 1, "12.34", -1, ""},
        {PaperKind::Report, 1, "0.00", -1, "fiscal-memory"}}},
      {"lire are whole",
       CurrencyUnit::Lire,
       {Sale("PANE", 1500, 1), Cash(2000)},
       {{PaperKind::Receipt, 1, "1500", 1, ""}}},
  };
  return table;
}

TEST(PaperRecord, EveryFinishedDocumentIsOneLineWithTheRegistersFigures) {
  for (const Scenario& scenario : Scenarios()) {
    SCOPED_TRACE(scenario.name);
    test::TempDir dir;
    std::vector<PaperRecord> sunk;
    SimOptions options;
    options.currency = scenario.unit;
    options.serial = 4321;
    options.wall = test::FixedWall;
    options.paper_path = dir / "paper.jsonl";
    options.paper_sink = [&sunk](const PaperRecord& r) { sunk.push_back(r); };
    SimulatedRegister reg(options);
    for (const std::string& command : scenario.commands) reg.Execute(command);

    const std::vector<std::string> lines = FileLines(options.paper_path);
    ASSERT_EQ(lines.size(), scenario.records.size());
    ASSERT_EQ(sunk.size(), scenario.records.size());
    const auto documents = reg.JournalDocuments();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const Expected& want = scenario.records[i];
      const PaperRecord got = ParsePaperLine(lines[i]);
      EXPECT_EQ(got, sunk[i]);
      EXPECT_EQ(got.kind, want.kind) << lines[i];
      EXPECT_EQ(got.number, want.number) << lines[i];
      EXPECT_EQ(DecimalText(got.total, got.currency), want.total) << lines[i];
      EXPECT_NE(lines[i].find(std::string("\"total\":\"") + want.total + "\""), std::string::npos);
      EXPECT_EQ(got.serial, 4321);
      EXPECT_NE(lines[i].find("\"serial\":\"004321\""), std::string::npos) << lines[i];
      EXPECT_EQ(got.report, want.report);
      EXPECT_EQ(got.seq, i + 1);
      // Documents that count printed lines match what the journal shows.
      const std::size_t printed = documents[documents.size() - lines.size() + i].lines.size();
      EXPECT_EQ(got.lines, want.lines < 0 ? static_cast<int>(printed) : want.lines) << lines[i];
    }
    EXPECT_EQ(reg.State().documents, scenario.records.size());
  }
}

TEST(PaperRecord, LinesReadBackAndDamagedLinesAreRefused) {
  const PaperRecord records[] = {
      {PaperKind::Receipt, 7, 12, 1234, CurrencyUnit::Euro, 3, 123456, ""},
      {PaperKind::Voided, 8, 2, -5, CurrencyUnit::Euro, 1, 1, ""},
      {PaperKind::Report, 9, 4, 0, CurrencyUnit::Lire, 40, 999999, "z-hours-daily"},
      {PaperKind::FiscalClosure, 10, 1, 999999999, CurrencyUnit::Lire, 12, 42, ""},
  };
  for (const PaperRecord& r : records) EXPECT_EQ(ParsePaperLine(PaperLine(r)), r) << PaperLine(r);
  EXPECT_EQ(DecimalText(-5, CurrencyUnit::Euro), "-0.05");
  EXPECT_EQ(DecimalText(100000, CurrencyUnit::Euro), "1000.00");
  for (const char* bad :
       {"", "{", "{\"kind\":\"receipt\"}",
        R"({"kind":"gift","number":1,"total":"1.00","lines":1,"serial":"1","seq":1})",
        R"({"kind":"receipt","number":1,"total":"1.0","lines":1,"serial":"1","seq":1})",
        R"({"kind":"receipt","number":1,"total":"1,00","lines":1,"serial":"1","seq":1})"}) {
    EXPECT_THROW(ParsePaperLine(bad), SimError) << bad;
  }
}

TEST(PaperFile, RefusesWhatIsNotARegularFile) {
  test::TempDir dir;
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {fifo, "FIFO"}, {"/dev/null", "device"}, {dir.path().string(), "directory"}};
  for (const auto& [path, kind] : cases) {
    try {
      SimOptions options;
      options.paper_path = path;
      SimulatedRegister reg(options);
      ADD_FAILURE() << "took " << path;
    } catch (const SimError& e) {
      EXPECT_NE(std::string(e.what()).find(kind), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
}

TEST(PaperFile, ALineCutShortByAKillIsRemoved) {
  test::TempDir dir;
  const std::string path = dir / "paper.jsonl";
  const PaperRecord first{PaperKind::Receipt, 1, 1, 150, CurrencyUnit::Euro, 1, 123456, ""};
  std::ofstream(path) << PaperLine(first) << "\n" << PaperLine(first).substr(0, 20);
  {
    PaperFile paper(path);
    ASSERT_TRUE(paper.Last().has_value());
    EXPECT_EQ(*paper.Last(), first);
    PaperRecord second = first;
    second.seq = 2;
    paper.Append(second);
  }
  const auto lines = FileLines(path);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(ParsePaperLine(lines[1]).seq, 2u);
}

// A register kept in a state file that has finished two receipts, and papers
// in every relation to it.
class PaperAgreement : public ::testing::Test {
 protected:
  void SetUp() override {
    options.state_path = dir / "state.json";
    options.paper_path = dir / "paper.jsonl";
    options.wall = test::FixedWall;
    SimulatedRegister reg(options);
    for (int i = 0; i < 2; ++i) {
      reg.Execute(Sale("PANE", 100 + i, 1));
      reg.Execute(Cash(0));
    }
    kept = FileLines(options.paper_path);
    ASSERT_EQ(kept.size(), 2u);
  }
  void WritePaper(const std::vector<std::string>& lines) {
    std::ofstream out(options.paper_path, std::ios::trunc);
    for (const auto& line : lines) out << line << "\n";
  }
  static std::string WithSeq(const std::string& line, std::uint64_t seq) {
    PaperRecord r = ParsePaperLine(line);
    r.seq = seq;
    r.number = static_cast<int>(seq);
    return PaperLine(r);
  }

  test::TempDir dir;
  SimOptions options;
  std::vector<std::string> kept;
};

TEST_F(PaperAgreement, StartBringsThePaperToTheState) {
  const std::string unsaved = WithSeq(kept[1], 3);  // written, then a kill before the state
  struct Case {
    const char* name;
    std::vector<std::string> paper;
    std::vector<std::string> after;
  };
  const Case cases[] = {
      {"in agreement", kept, kept},
      {"one record the state did not keep", {kept[0], kept[1], unsaved}, kept},
      {"the state's last document missing", {kept[0]}, kept},
      {"a new paper", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WritePaper(c.paper);
    SimulatedRegister reg(options);
    EXPECT_EQ(FileLines(options.paper_path), c.after);
  }
}

TEST_F(PaperAgreement, APaperOfAnotherRegisterIsRefusedAndLeftAsItIs) {
  PaperRecord other = ParsePaperLine(kept[1]);
  other.serial = 654321;
  const std::vector<std::vector<std::string>> papers = {
      {kept[0], kept[1], WithSeq(kept[1], 3), WithSeq(kept[1], 4)},  // two ahead
      {kept[0], PaperLine(other)},                                   // same count, other register
      {WithSeq(kept[1], 3)},  // ahead, and its record before is not the state's
  };
  for (const auto& paper : papers) {
    WritePaper(paper);
    try {
      SimulatedRegister reg(options);
      ADD_FAILURE() << "started with " << paper.back();
    } catch (const SimError& e) {
      EXPECT_NE(std::string(e.what()).find(options.state_path), std::string::npos) << e.what();
    }
    EXPECT_EQ(FileLines(options.paper_path), paper);
  }
}

}  // namespace
}  // namespace tavirel::sim
