// The built program against a printer the test plays on a pseudo-terminal:
// the exact bytes on the line, the trace, refusals, and the device's errors.
#include <gtest/gtest.h>
#include <sys/file.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "child_process.hpp"
#include "pty_printer.hpp"

namespace tavirel::testing {
namespace {

const std::string kDate = "0712260811";  // 7 December 2026, 08:11
const std::string kProbe = std::string("\x02") + "01E4201" + "65" + "\x03";
const std::string kAck = "\x06";

// A printer that answers every request like a register in good health.
std::string Healthy(std::string_view command) {
  const std::string code(command.substr(0, 4));
  if (code == "4201") return kAck + Frame("01", 'R', "4201" + kDate);
  if (code == "1050")
    return kAck + Frame("02", 'R', std::string(command.substr(0, 6)) + kDate + "0007");
  if (code == "1036")
    return kAck + Frame("02", 'R',
                        "1171" + std::string(command.substr(4, 2)) +
                            std::string(command.substr(6, 9)) + "000000100");
  return kAck + Frame("02", 'R', std::string(command.substr(0, 6)));
}

// What the printer received, once it has taken `expected` bytes (or after two seconds).
std::string ReceivedBy(const PtyPrinter& printer, const std::string& expected) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (printer.Received().size() < expected.size() &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // nothing more may follow
  return printer.Received();
}

TEST(ProgramOnPty, TheExactBytesOnTheLineAndTheirTrace) {
  PtyPrinter printer(Healthy);
  const ProgramResult run =
      RunTavirel({"call", "--device", printer.DevicePath(), "--trace", "opApriCassetto 1"});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string request = std::string("\x02") + "02E10500162" + "\x03";
  const std::string expected = kProbe + kAck + request + kAck;
  EXPECT_EQ(ReceivedBy(printer, expected), expected);
  EXPECT_EQ(run.out,
            "opApriCassetto: OP_OK (0)  LastOP=1 LastOPCode=1050 LastGG=7 LastMM=12 LastAA=26 "
            "LastHH=8 LastMin=11 "
            "LastDate=2026-12-07T08:11:00 LastNumSNF=7\n");
  const std::string trace_parts[] = {
      " TX request counter 01, command 4201, checksum 65 right (11 bytes)\n",
      "             02 30 31 45 34 32 30 31 36 35 03                 |.01E420165.|\n",
      " RX ACK (1 byte)\n",
      " RX reply counter 01, code 4201, checksum",
      " TX ACK (1 byte)\n",
      " TX request counter 02, command 1050, checksum 62 right (13 bytes)\n",
      "             02 30 32 45 31 30 35 30 30 31 36 32 03           |.02E10500162.|\n",
      " RX reply counter 02, code 1050, checksum",
      " TX ACK (1 byte)\n",
  };
  std::size_t at = 0;
  for (const std::string& part : trace_parts) {
    const std::size_t found = run.err.find(part, at);
    ASSERT_NE(found, std::string::npos) << part << "\nin:\n" << run.err;
    at = found + part.size();
  }
}

TEST(ProgramOnPty, AJsonNumberReachesTheLineExactly) {
  PtyPrinter printer(Healthy);
  const ProgramResult run = RunTavirel({"call", "--device", printer.DevicePath(), "--json", "-"},
                                       "{\"member\": \"opContante\", \"args\": [1, 0.1]}\n");
  EXPECT_EQ(run.status, 0) << run.err;
  const auto json = nlohmann::json::parse(run.out.substr(run.out.find('\n') + 1));
  EXPECT_EQ(json["command"], "103601000000010");
  EXPECT_EQ(json["last"]["LastRim"], 100);
  EXPECT_NE(ReceivedBy(printer, kProbe).find("103601000000010"), std::string::npos);
}

TEST(ProgramOnPty, APrinterErrorExitsOneWithItsEventAndIsAcknowledged) {
  const std::string refusal = Frame("02", 'E', "EERR 23");
  PtyPrinter printer([&](std::string_view command) {
    return command == "4201" ? Healthy(command) : kAck + refusal;
  });
  const ProgramResult run =
      RunTavirel({"call", "--device", printer.DevicePath(), "--json", "opSubTot 1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "");
  const auto json = nlohmann::json::parse(run.out.substr(run.out.find('\n') + 1));
  EXPECT_EQ(json["result"], -1);
  EXPECT_EQ(json["result_name"], "EERR");
  EXPECT_EQ(json["error_text"], "CHIUDI SCONTRINO");
  EXPECT_EQ(json["events"], nlohmann::json::parse(R"([{"ErrorLevel": -1, "ErrorCode": 23}])"));
  EXPECT_EQ(json["last"]["LastEERR"], 23);
  const std::string expected = kProbe + kAck + std::string("\x02") + "02E10510163" + "\x03" + kAck;
  EXPECT_EQ(ReceivedBy(printer, expected), expected);
}

TEST(ProgramOnPty, AWrongChecksumIsNotAcknowledged) {
  std::string damaged = Frame("02", 'R', "105101000000567000000000");
  damaged[damaged.size() - 2] =
      damaged[damaged.size() - 2] == '9' ? '0' : static_cast<char>(damaged[damaged.size() - 2] + 1);
  PtyPrinter printer([&](std::string_view command) {
    return command == "4201" ? Healthy(command) : kAck + damaged;
  });
  const ProgramResult run = RunTavirel({"call", "--device", printer.DevicePath(), "opSubTot 1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "opSubTot: OP_ERR_CHKS (4) \"Checksum errato\"\n");
  const std::string expected = kProbe + kAck + std::string("\x02") + "02E10510163" + "\x03";
  EXPECT_EQ(ReceivedBy(printer, expected), expected);
}

TEST(ProgramOnPty, AnArgumentWiderThanItsFieldIsRefusedAndNothingIsSent) {
  PtyPrinter printer(Healthy);
  const ProgramResult run =
      RunTavirel({"call", "--device", printer.DevicePath(), "opApriCassetto 123", "opSubTot 1"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(
      run.err,
      "tavirel: opApriCassetto: not sent, an argument does not fit its field: CodOpr \"123\" "
      "needs 3 digits (123), and the digit field holds 2: at most 99 (--allow-malformed sends "
      "it as the control builds it)\n");
  EXPECT_EQ(ReceivedBy(printer, kProbe + kAck), kProbe + kAck);
}

TEST(ProgramOnPty, AllowedAnArgumentWiderThanItsFieldIsSentAsItIsWithAWarning) {
  PtyPrinter printer(Healthy);
  const ProgramResult run = RunTavirel(
      {"call", "--device", printer.DevicePath(), "--allow-malformed", "opApriCassetto 123"});
  EXPECT_EQ(run.err,
            "tavirel: warning: opApriCassetto: the command string has 7 characters where its "
            "layout has 6 "
            "(an argument is wider than its field); it was sent as it is\n");
  const std::string wide = std::string("\x02") + "02E1050123" + "15" + "\x03";
  EXPECT_EQ(ReceivedBy(printer, kProbe + kAck + wide + kAck), kProbe + kAck + wide + kAck);
}

TEST(ProgramOnPty, ADeviceInUseIsAnErrorOfTheCall) {
  PtyPrinter printer(Healthy);
  ASSERT_EQ(::flock(printer.SlaveFd(), LOCK_EX | LOCK_NB), 0);
  const ProgramResult run = RunTavirel({"call", "--device", printer.DevicePath(), "opSubTot 1"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err,
            "tavirel: serial port " + printer.DevicePath() + " is in use by another program\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(printer.Received(), "");
}

TEST(ProgramOnPty, APortNumberMapsToItsDevice) {
  const ProgramResult run = RunTavirel({"call", "--port", "250", "opSubTot 1"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "tavirel: serial port /dev/ttyS249 does not exist\n");
}

}  // namespace
}  // namespace tavirel::testing
