// A whole fiscal receipt against the scripted printer: every byte on the line
// and every result value after each step.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ops/reply_samples.hpp"
#include "support/scripted_printer.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using ::testing::IsEmpty;

// STX, counter, "E", command, the sum of those characters modulo 100, ETX.
std::string Request(int counter, const std::string& command) {
  const std::string body = (counter < 10 ? "0" : "") + std::to_string(counter) + "E" + command;
  int sum = 0;
  for (unsigned char c : body) sum += c;
  const std::string check = (sum % 100 < 10 ? "0" : "") + std::to_string(sum % 100);
  return std::string(1, STX) + body + check + ETX;
}

struct ReceiptStep {
  std::string what;
  std::function<std::int16_t(TavirelControl&)> call;
  std::string command;
  std::string reply_payload;
  Expected values;
};

TEST(Receipt, SaleLinesSubtotalDiscountAndTwoCashPayments) {
  const Currency price_pane = Currency::Parse("1.50");
  const Currency price_latte = Currency::Parse("0.99");
  const std::vector<ReceiptStep> steps = {
      {"a loaf",
       [&](TavirelControl& c) { return c.opReparto(1, "PANE", price_pane, 2); },
       Fields("100301", Zeros(40), "PANE", Blanks(16), "0001000", "1", "000000150", "02"),
       Fields("1003", "01", Zeros(40), "0001000", "1", "000000150", "000000150", "02"),
       {{"LastOPCode", I2(1003)},
        {"LastOP", I2(1)},
        {"LastQta", R4(1.0f)},
        {"LastTipoPre", I2(1)},
        {"LastPre", Cy(150)},
        {"LastImp", Cy(150)},
        {"LastRep", I2(2)}}},
      {"two bottles of milk",
       [&](TavirelControl& c) { return c.opRepartoQInt(1, "LATTE", 2, price_latte, 3); },
       Fields("100401", Zeros(40), "LATTE", Blanks(15), "0002000", "1", "000000099", "03"),
       Fields("1004", "01", "8001234567890", Blanks(27), "0002000", "1", "000000099", "000000198",
              "03"),
       {{"LastOPCode", I2(1004)},
        {"LastOP", I2(1)},
        {"LastCodProd", Str(Fields("8001234567890", Blanks(27)))},
        {"LastQta", R4(2.0f)},
        {"LastTipoPre", I2(1)},
        {"LastPre", Cy(99)},
        {"LastImp", Cy(198)},
        {"LastRep", I2(3)}}},
      {"the subtotal",
       [](TavirelControl& c) { return c.opSubTot(1); },
       "105101",
       Fields("1051", "01", "000000348", "000000000"),
       {{"LastOPCode", I2(1051)}, {"LastOP", I2(1)}, {"LastSubTotFisc", Cy(348)}}},
      {"a discount of 0.48",
       [](TavirelControl& c) { return c.opSubTotAbbuono(1, Currency::Parse("0.48")); },
       Fields("102401", "000000048"),
       Fields("1024", "01", "000000300", "000000048"),
       {{"LastOPCode", I2(1024)}, {"LastOP", I2(1)}, {"LastSubT", Cy(300)}, {"LastImp", Cy(48)}}},
      {"2.00 in cash",
       [](TavirelControl& c) { return c.opContante(1, Currency::FromUnits(2)); },
       Fields("103601", "000000200"),
       Fields("1171", "01", "000000200", "000000100"),
       {{"LastOPCode", I2(1171)}, {"LastOP", I2(1)}, {"LastImp", Cy(200)}, {"LastRim", Cy(100)}}},
      {"5.00 in cash", [](TavirelControl& c) { return c.opContante(1, Currency::FromUnits(5)); },
       Fields("103601", "000000500"),
       Fields("1172", "01", "000000500", "000000400", "3112012359", "0042"),
       With({{"LastOPCode", I2(1172)},
             {"LastOP", I2(1)},
             {"LastImp", Cy(500)},
             {"LastRest", Cy(400)},
             {"LastNumSF", I4(42)}},
            DateValues(31, 12, 1, 23, 59))},
  };

  ScriptedPrinter printer;
  auto control = printer.MakeControl(TVL_EUROSETTINGS_EURO);
  int events = 0;
  HostHooks hooks;
  hooks.fp_error = [&](std::int16_t&, std::int32_t&) { ++events; };
  control->SetHooks(hooks);

  const std::string ack(1, ACK);
  printer.AnswerPayload("42010612011200");
  control->PortOpen();
  std::string line = Request(1, "4201") + ack;
  EXPECT_EQ(printer.TakeWritten(), line);

  int counter = 2;
  for (const ReceiptStep& step : steps) {
    SCOPED_TRACE(step.what);
    printer.Answer(ReplyFrame(step.reply_payload, "0" + std::to_string(counter)));
    EXPECT_EQ(step.call(*control), OP_OK);
    const std::string sent = Request(counter, step.command) + ack;
    EXPECT_EQ(printer.TakeWritten(), sent);
    line += sent;
    EXPECT_THAT(RecordDifferences(*control, step.values), IsEmpty());
    counter = counter == 2 ? 3 : 2;
  }
  EXPECT_EQ(printer.Written(), line);
  // One frame worked out by hand: 0, 2, E and 105101 sum to 463.
  EXPECT_NE(line.find(Fields("\x02", "02E105101", "63", "\x03")), std::string::npos);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(control->FrameCounter(), 2);
}

}  // namespace
}  // namespace tavirel
