// The built program end to end on the built-in simulated register.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>

#include "child_process.hpp"
#include "tavirel/result_record.hpp"
#include "tavirel/version.hpp"

namespace tavirel::testing {
namespace {

using nlohmann::ordered_json;

TEST(ProgramDemo, RunsTheBusinessDayAndPrintsAClosedReceipt) {
  const ProgramResult run = RunTavirel({"demo"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("Every operation returned OP_OK."), std::string::npos);
  EXPECT_EQ(run.out.find("EERR"), std::string::npos) << run.out;
  // The first receipt: its lines, the discount, both cash payments, the change and its number.
  const std::string receipt[] = {"PANE DI CASA                 1,50 22,00%",
                                 "  1,250 x 2,40",
                                 "SCONTO 10,00%",
                                 "TOTALE EURO                         5,67",
                                 "CONTANTE                            5,00",
                                 "RESTO                               1,33",
                                 "SF. 0001"};
  std::size_t at = run.out.find("Journal");
  ASSERT_NE(at, std::string::npos);
  for (const std::string& line : receipt) {
    at = run.out.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << "\n" << run.out;
  }
  EXPECT_NE(run.out.find("opContante: OP_OK (0)  LastOP=1 LastOPCode=1172 LastImp=200"),
            std::string::npos);
  EXPECT_NE(run.out.find("CARTA VISA"), std::string::npos);
  EXPECT_NE(run.out.find("RESO CROSTATA"), std::string::npos);
  EXPECT_NE(run.out.find("CHIUSURA FISCALE"), std::string::npos);
}

TEST(ProgramCallSim, AReceiptAsJson) {
  const ProgramResult run =
      RunTavirel({"call", "--sim", "--json", R"(opReparto 1 "PANE DI CASA" 1.50 2)", "opSubTot 1",
                  "opContante 1 5", "LastRest"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 5u) << run.out;
  const auto ready = ordered_json::parse(lines[0]);
  EXPECT_EQ(ready["ready"], true);
  EXPECT_EQ(ready["version"], kVersion);
  EXPECT_EQ(std::string(ready["device"]).rfind("/dev/pts/", 0), 0u) << lines[0];
  lines.erase(lines.begin());

  // The sale line carries no date: the whole line is known.
  std::string expected =
      R"({"member": "opReparto", "result": 0, "result_name": "OP_OK", "command": )"
      R"("1003010000000000000000000000000000000000000000PANE DI CASA        0001000100000015002", )"
      R"("events": [], "last": {)";
  for (const PropInfo& prop : ResultProperties()) {
    static const std::map<std::string_view, std::string> set = {
        {"LastEERR", "-2"},   {"LastOP", "1"},    {"LastOPCode", "1003"}, {"LastQta", "1"},
        {"LastTipoPre", "1"}, {"LastPre", "150"}, {"LastImp", "150"},     {"LastRep", "2"}};
    std::string value = "0";
    if (set.count(prop.name)) value = set.at(prop.name);
    if (prop.type == VarType::VT_BSTR) value = "\"" + prop.default_value.ToString() + "\"";
    if (prop.name == "LastDate") value = "\"1999-11-30T00:00:00\"";
    expected += (expected.back() == '{' ? "\"" : ", \"") + std::string(prop.name) + "\": " + value;
  }
  expected += "}}";
  EXPECT_EQ(lines[0], expected);

  const auto subtotal = ordered_json::parse(lines[1]);
  EXPECT_EQ(subtotal["command"], "105101");
  EXPECT_EQ(subtotal["last"]["LastOPCode"], 1051);
  EXPECT_EQ(subtotal["last"]["LastSubTotFisc"], 150);

  const auto cash = ordered_json::parse(lines[2]);
  EXPECT_EQ(cash["member"], "opContante");
  EXPECT_EQ(cash["result"], 0);
  EXPECT_EQ(cash["result_name"], "OP_OK");
  EXPECT_EQ(cash["command"], "103601000000500");
  EXPECT_EQ(cash["events"], ordered_json::array());
  EXPECT_EQ(cash["last"].size(), 56u);
  EXPECT_EQ(cash["last"]["LastOPCode"], 1172);
  EXPECT_EQ(cash["last"]["LastImp"], 500);
  EXPECT_EQ(cash["last"]["LastRest"], 350);
  EXPECT_EQ(cash["last"]["LastNumSF"], 1);
  const std::string date = cash["last"]["LastDate"];
  EXPECT_TRUE(std::regex_match(date, std::regex(R"(20\d\d-\d\d-\d\dT\d\d:\d\d:00)"))) << date;
  EXPECT_EQ(lines[3], R"({"member": "LastRest", "value": 350})");
}

TEST(ProgramCallSim, LireModeTalksToARegisterInLire) {
  const ProgramResult run =
      RunTavirel({"call", "--sim", "--mode", "lire", "opReparto 1 PANE 1500 1", "opContante 1"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("LastPre=1500"), std::string::npos) << run.out;
}

TEST(ProgramCallSim, ARefusedOperationExitsOneWithTheItalianText) {
  const ProgramResult run = RunTavirel({"call", "--sim", "opContante 1", "opReadMatrFisc 1"});
  EXPECT_EQ(run.status, 1);
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 2u) << run.out;
  EXPECT_EQ(lines[0], "opContante: EERR (-1) printer error 11 \"SEQUENZA ERRATA\"  LastEERR=11");
  EXPECT_EQ(lines[1].rfind("opReadMatrFisc: OP_OK (0)", 0), 0u);
}

TEST(ProgramCallSim, AStdinSessionKeepsGoingAfterAnError) {
  const std::string input =
      "# a session\n"
      "opReparto 1 PANE 1.50 2\n"
      "\n"
      "opRepart 1\n"
      "{\"member\": \"opContante\", \"args\": [1, 5]}\n"
      "LastRest\n";
  const ProgramResult run = RunTavirel({"call", "--sim", "--json", "-"}, input);
  EXPECT_EQ(run.status, 2);
  auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 5u) << run.out;
  EXPECT_EQ(ordered_json::parse(lines[0])["ready"], true);
  lines.erase(lines.begin());
  EXPECT_EQ(ordered_json::parse(lines[0])["result"], 0);
  EXPECT_EQ(
      lines[1],
      R"({"member": "opRepart", "error": "no member named \"opRepart\"; closest: opReparto, opCorr, opCredCC"})");
  EXPECT_EQ(ordered_json::parse(lines[2])["last"]["LastRest"], 350);
  EXPECT_EQ(lines[3], R"({"member": "LastRest", "value": 350})");
  EXPECT_EQ(run.err,
            "tavirel: stdin line 4: no member named \"opRepart\"; closest: opReparto, opCorr, "
            "opCredCC\n");
}

TEST(ProgramCallSim, AHostConversesOneLineAtATime) {
  // Each answer comes before the next OP is written: the port stays open between them.
  ChildProcess session({ProgramPath(), "call", "--sim", "--json", "-"});
  EXPECT_EQ(ordered_json::parse(session.ReadLine())["ready"], true);
  session.Write("opReparto 1 PANE 1.50 2\n");
  EXPECT_EQ(ordered_json::parse(session.ReadLine())["last"]["LastImp"], 150);
  session.Write("{\"member\": \"opContante\", \"args\": [1, 2]}\n");
  EXPECT_EQ(ordered_json::parse(session.ReadLine())["last"]["LastRest"], 50);
  session.Write("PortIsOpen\n");
  EXPECT_EQ(session.ReadLine(), R"({"member": "PortIsOpen", "value": true})");
  const ProgramResult end = session.Finish();
  EXPECT_EQ(end.status, 0) << end.err;
  EXPECT_EQ(end.out, "");
}

#if defined(TAVIREL_WITH_DOCUMENTS) && defined(TAVIREL_WITH_FLEET)
const char* const kUnknownCommand =
    "tavirel: unknown command \"frobnicate\" (commands: demo, call, sim, members, error, receipt, "
    "settle, apply, fleet)";
#elif defined(TAVIREL_WITH_DOCUMENTS)
const char* const kUnknownCommand =
    "tavirel: unknown command \"frobnicate\" (commands: demo, call, sim, members, error, receipt, "
    "settle, apply)";
#else
const char* const kUnknownCommand =
    "tavirel: unknown command \"frobnicate\" (commands: demo, call, sim, members, error)";
#endif

struct StatusCase {
  std::vector<std::string> args;
  int status;
  const char* message;  // the start of the one line on standard error ("" for none)
};

TEST(ProgramCallSim, ExitStatusAndOneLineMessages) {
  const StatusCase cases[] = {
      {{"call", "--sim", "opReparto 1 PANE 1.50 2", "opContante 1"}, 0, ""},
      {{"call", "--sim", "opRepart 1"},
       2,
       "tavirel: no member named \"opRepart\"; closest: opReparto"},
      {{"call", "--sim", "opReparto 1 PANE"},
       2,
       "tavirel: opReparto takes 4 to 6 arguments, not 2: opReparto(CodOpr As Integer, DescProd As "
       "String, "
       "Prezzo As Currency, Rep As Integer, [TipoPrezzo As Integer = 1]"},
      {{"call", "--sim", "opReparto 1 PANE 1,50 2"},
       2,
       "tavirel: opReparto: argument Prezzo does not convert to Currency"},
      {{"call", "--sim", "opReparto 1 \"PANE 1.50 2"}, 2, "tavirel: unterminated double quote"},
      {{"call", "--sim", "LastNumSF 1"}, 2, "tavirel: LastNumSF is a read-only property"},
      {{"call", "--device", "/nonexistent/ttyX", "opSubTot 1"},
       2,
       "tavirel: serial port /nonexistent/ttyX does not exist"},
      {{"call", "--device", "ftp://register:21", "opSubTot 1"},
       2,
       "tavirel: port name \"ftp://register:21\": unknown kind of port"},
      {{"call", "--device", "rfc2217://register", "opSubTot 1"},
       2,
       "tavirel: port name \"rfc2217://register\": no port number"},
      {{"call", "--sim", "--settings", "9600,x,8,1", "opSubTot 1"},
       2,
       "tavirel: line settings \"9600,x,8,1\""},
      {{"call", "--sim", "--mode", "dollars", "opSubTot 1"},
       2,
       "tavirel: --mode must be lire, euro or a whole number"},
      {{"call", "opSubTot 1"},
       2,
       "tavirel: call needs exactly one of --device NAME, --port N or --sim"},
      {{"call", "--sim", "--port", "1", "opSubTot 1"}, 2, "tavirel: --port excludes --sim"},
      {{"call", "--sim"}, 2, "tavirel: OP is required"},
      {{"call", "--sim", "--bogus", "opSubTot 1"},
       2,
       "tavirel: The following argument was not expected: --bogus"},
      {{"frobnicate"}, 2, kUnknownCommand},
      {{}, 2, "tavirel: A subcommand is required"},
      {{"call", "--sim", "--mode", "0", "opSubTot 1"}, 1, ""},
      {{"call", "--sim", "{\"member\": \"opReparto\", \"args\": [1, \"PANE\", 1.5, 2]}",
        "opContante 1"},
       0,
       ""},
      {{"call", "--sim", "{\"member\": \"opReparto\", \"args\": [1, null]}"},
       2,
       "tavirel: JSON OP: null is not an argument"},
      {{"error", "-1", "23"}, 0, ""},
      {{"error", "-1", "x"}, 2, "tavirel: "},
  };
  for (const StatusCase& c : cases) {
    const ProgramResult run = RunTavirel(c.args);
    std::string text;
    for (const auto& a : c.args) text += a + " ";
    EXPECT_EQ(run.status, c.status) << text << "\n" << run.err;
    if (*c.message == '\0') {
      EXPECT_EQ(run.err, "") << text;
    } else {
      EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << text << "\n" << run.err;
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << text << ": not one line:\n" << run.err;
    }
  }
}

TEST(ProgramMembers, EveryMemberInSlotOrder) {
  const ProgramResult run = RunTavirel({"members"});
  EXPECT_EQ(run.status, 0);
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 136u);
  EXPECT_EQ(
      lines[0],
      "  1  method   GetLastErrorDescription(ErrorLevel As Integer, ErrorCode As Long) As String");
  EXPECT_NE(run.out.find("propput  EuroSettings =(EuroSettings As Long)"), std::string::npos)
      << run.out;
  const ProgramResult json = RunTavirel({"members", "--json"});
  const auto first = ordered_json::parse(Lines(json.out).at(33));
  EXPECT_EQ(first["name"], "opReparto");
  EXPECT_EQ(first["params"][4]["default"], 1);
  EXPECT_EQ(first["result"], "Integer");
}

TEST(ProgramError, TheTextOfAPair) {
  EXPECT_EQ(RunTavirel({"error", "-1", "23"}).out, "CHIUDI SCONTRINO\n");
  EXPECT_EQ(RunTavirel({"error", "5", "0"}).out, "Modalità Euro/Lire non impostata\n");
  EXPECT_EQ(RunTavirel({"error", "0", "0"}).out, "\n");
}

TEST(ProgramHelp, EachCommandHasHelpWithExamples) {
  for (const char* command : {"call", "demo", "sim", "members", "error"}) {
    const ProgramResult run = RunTavirel({command, "--help"});
    EXPECT_EQ(run.status, 0) << command;
    EXPECT_NE(run.out.find("Examples:"), std::string::npos) << command << "\n" << run.out;
    EXPECT_NE(run.out.find(std::string("tavirel ") + command), std::string::npos) << command;
  }
}

}  // namespace
}  // namespace tavirel::testing
