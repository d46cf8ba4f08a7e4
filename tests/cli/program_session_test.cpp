// The built program's session features end to end: --version, the ready
// line, ids, --stop-on-error, the open-receipt warning, output that cannot be
// written, and text from the line that must not reach a terminal raw.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "child_process.hpp"
#include "pty_printer.hpp"
#include "tavirel/version.hpp"

namespace tavirel::testing {
namespace {

using nlohmann::json;

const std::string kAck = "\x06";

// A register in good health that answers the date reading, the drawer, and a
// card reading whose description is whatever `description` holds.
PtyPrinter::Responder Register(std::string description = "VISA") {
  return [description](std::string_view command) -> std::string {
    const std::string code(command.substr(0, 4));
    if (code == "4201") return kAck + Frame("01", 'R', "42010712260811");
    if (code == "1050")
      return kAck + Frame("02", 'R',
                          "105001"
                          "0712260811"
                          "0007");
    if (code == "4207") {
      std::string text = description;
      text.resize(20, ' ');
      return kAck + Frame("02", 'R', "4207" + std::string(command.substr(4, 2)) + text);
    }
    return kAck + Frame("02", 'R', std::string(command.substr(0, 6)));
  };
}

TEST(ProgramSession, VersionComesFromTheBuild) {
  const ProgramResult run = RunTavirel({"--version"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, std::string("tavirel ") + kVersion + "\n");
}

TEST(ProgramSession, TheReadyLineSaysWhetherThePortOpened) {
  PtyPrinter printer(Register());
  const ProgramResult ready =
      RunTavirel({"call", "--device", printer.DevicePath(), "--json", "opApriCassetto 1"});
  EXPECT_EQ(ready.status, 0) << ready.err;
  const auto lines = Lines(ready.out);
  ASSERT_EQ(lines.size(), 2u) << ready.out;
  EXPECT_EQ(json::parse(lines[0]),
            json({{"ready", true}, {"device", printer.DevicePath()}, {"version", kVersion}}));
  EXPECT_EQ(json::parse(lines[1])["result"], 0);

  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"--device", "/nonexistent/ttyX"}, "serial port /nonexistent/ttyX does not exist"},
      {{"--sim", "--settings", "9600,x,8,1"}, "line settings \"9600,x,8,1\""},
  };
  for (const auto& [where, error] : refused) {
    std::vector<std::string> args{"call", "--json"};
    args.insert(args.end(), where.begin(), where.end());
    args.push_back("opApriCassetto 1");
    const ProgramResult run = RunTavirel(args);
    EXPECT_EQ(run.status, 2) << error;
    const auto line = json::parse(run.out);
    EXPECT_EQ(line["ready"], false);
    EXPECT_EQ(std::string(line["error"]).rfind(error, 0), 0u) << run.out;
    EXPECT_EQ(run.err, "tavirel: " + std::string(line["error"]) + "\n");
  }
}

TEST(ProgramSession, AnIdIsEchoedWithItsAnswerAndWithItsError) {
  const std::string input =
      R"({"id": 1, "member": "opReparto", "args": [1, "PANE", 1.50, 2]})"
      "\n"
      R"({"id": {"till": "B", "seq": 0.10}, "member": "opRepart", "args": [1]})"
      "\n"
      R"({"member": "opContante", "args": [1, 5], "id": "pay-1"})"
      "\n"
      "LastRest\n";
  const ProgramResult run = RunTavirel({"call", "--sim", "--json", "-"}, input);
  EXPECT_EQ(run.status, 2);
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 5u) << run.out;
  EXPECT_EQ(lines[1].rfind(R"({"id": 1, "member": "opReparto", "result": 0, )", 0), 0u) << lines[1];
  EXPECT_EQ(
      lines[2].rfind(R"({"id": {"till": "B", "seq": 0.10}, "member": "opRepart", "error": )", 0),
      0u)
      << lines[2];
  EXPECT_EQ(json::parse(lines[3])["id"], "pay-1");
  EXPECT_EQ(json::parse(lines[3])["last"]["LastRest"], 350);
  EXPECT_FALSE(json::parse(lines[4]).contains("id"));
}

struct StopCase {
  std::vector<std::string> args;
  std::string input;
  int status;
  std::size_t answers;  // lines on standard output
  std::string err;      // standard error, whole
};

TEST(ProgramSession, StopOnErrorEndsTheRunAtTheFirstOpThatFails) {
  const std::string refused = "opContante 1";  // no receipt open: SEQUENZA ERRATA
  const StopCase cases[] = {
      {{"--stop-on-error", "opReadDataOra", refused, "opReadMatrFisc 1", "-"},
       "opReadDataOra\n",
       1,
       2,
       "tavirel: stopped at the first OP that did not succeed; not run: 'opReadMatrFisc 1', "
       "standard input\n"},
      {{"--stop-on-error", "-", "opReadMatrFisc 1"},
       "opReadDataOra\n" + refused + "\nopReadDataOra\nopReadDataOra\n",
       1,
       2,
       "tavirel: stopped at the first OP that did not succeed; not run: the rest of standard "
       "input, 'opReadMatrFisc 1'\n"},
      {{"--stop-on-error", "-"},
       "opReadDataOra\nopRepart 1\nopReadDataOra\n",
       2,
       1,
       "tavirel: stdin line 2: no member named \"opRepart\"; closest: opReparto, opCorr, opCredCC\n"
       "tavirel: stopped at the first OP that did not succeed; not run: the rest of standard "
       "input\n"},
      {{"--stop-on-error", "opReadDataOra", "opReadMatrFisc 1"}, "", 0, 2, ""},
      // Without it the run goes on after a refusal, as ever.
      {{"opReadDataOra", refused, "opReadMatrFisc 1", "-"}, "opReadDataOra\n", 1, 4, ""},
  };
  for (const StopCase& c : cases) {
    std::vector<std::string> args{"call", "--sim"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ProgramResult run = RunTavirel(args, c.input);
    EXPECT_EQ(run.status, c.status) << c.args.front() << c.input;
    EXPECT_EQ(Lines(run.out).size(), c.answers) << run.out;
    EXPECT_EQ(run.err, c.err);
  }
}

TEST(ProgramSession, AReceiptLeftOpenIsWarnedAtTheEnd) {
  const std::string warning =
      "tavirel: warning: a receipt is still open: opSubTot was the last fiscal operation and no "
      "closing payment or opVoidTot followed it\n";
  const ProgramResult open = RunTavirel({"call", "--sim", "opReparto 1 PANE 1.50 2", "opSubTot 1"});
  EXPECT_EQ(open.status, 0);
  EXPECT_EQ(open.err, warning);
  const ProgramResult session =
      RunTavirel({"call", "--sim", "-"}, "opReparto 1 PANE 1.50 2\nopSubTot 1\n");
  EXPECT_EQ(session.err, warning);
  const ProgramResult closed =
      RunTavirel({"call", "--sim", "-"}, "opReparto 1 PANE 1.50 2\nopContante 1 1\nopContante 1\n");
  EXPECT_EQ(closed.status, 0);
  EXPECT_EQ(closed.err, "");
}

// What the printer received, once nothing more has come for a moment.
std::string Settled(const PtyPrinter& printer) {
  std::string seen;
  for (int i = 0; i < 100; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string now = printer.Received();
    if (now == seen && !now.empty()) return now;
    seen = now;
  }
  return seen;
}

ChildOptions ToFile(const std::string& path) {
  ChildOptions options;
  options.stdout_path = path;
  return options;
}
ChildOptions StdoutClosed() {
  ChildOptions options;
  options.close_stdout = true;
  return options;
}

struct OutputCase {
  ChildOptions options;
  bool json;
  std::string message;  // the start of standard error
};

TEST(ProgramSession, OutputThatCannotBeWrittenIsAnErrorNamingWhatWasDone) {
  const OutputCase cases[] = {
      {ToFile("/dev/full"), false,
       "tavirel: cannot write to standard output (No space left on device); the run stopped; "
       "operations already carried out, answers possibly lost: opApriCassetto OP_OK\n"},
      {StdoutClosed(), false,
       "tavirel: cannot write to standard output (Bad file descriptor); the run stopped; "
       "operations already carried out, answers possibly lost: opApriCassetto OP_OK\n"},
      // With --json the ready line fails first: nothing is carried out.
      {ToFile("/dev/full"), true,
       "tavirel: cannot write to standard output (No space left on device); the run stopped; no "
       "operation was carried out\n"},
  };
  for (const OutputCase& c : cases) {
    PtyPrinter printer(Register());
    std::vector<std::string> args{"call", "--device", printer.DevicePath()};
    if (c.json) args.push_back("--json");
    args.insert(args.end(), {"opApriCassetto 1", "opApriCassetto 2"});
    const ProgramResult run = RunTavirel(args, "", c.options);
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_EQ(run.err, c.message);
    // Only the protocol reached the register: no answer went down the line
    // (a closed standard output must not lend its number to the device).
    const std::string line = Settled(printer);
    EXPECT_EQ(line.find('{'), std::string::npos) << line;
    EXPECT_EQ(line.find("OP_OK"), std::string::npos) << line;
    EXPECT_EQ(line.find("E105002"), std::string::npos) << "the second OP ran:\n" << line;
    EXPECT_EQ(line.find("E105001") != std::string::npos, !c.json) << line;
  }
}

TEST(ProgramSession, EscapeSequencesFromTheLineNeverReachTheTerminal) {
  const std::string retitle =
      "\x1b]0;owned\x07"
      "CARD";
  PtyPrinter printer(Register(retitle));
  const ProgramResult readable =
      RunTavirel({"call", "--device", printer.DevicePath(), "--trace", "opReadCredCC 1"});
  EXPECT_EQ(readable.status, 0) << readable.err;
  EXPECT_EQ(readable.out.find('\x1b'), std::string::npos) << readable.out;
  EXPECT_EQ(readable.err.find('\x1b'), std::string::npos) << readable.err;
  EXPECT_EQ(readable.err.find('\x07'), std::string::npos) << readable.err;
  EXPECT_NE(readable.out.find(R"(LastDescCartaCC="\x1B]0;owned\x07CARD)"), std::string::npos)
      << readable.out;
  const ProgramResult as_json =
      RunTavirel({"call", "--device", printer.DevicePath(), "--json", "opReadCredCC 1"});
  EXPECT_EQ(as_json.out.find('\x1b'), std::string::npos);
  EXPECT_NE(as_json.out.find(R"("LastDescCartaCC": "\u001b]0;owned\u0007CARD)"), std::string::npos)
      << as_json.out;
}

}  // namespace
}  // namespace tavirel::testing
