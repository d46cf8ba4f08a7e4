// Running an OP on a control against a printer scripted in virtual time: the
// record read through the getter table, the events of the OP only, and the
// host's hooks untouched afterwards however the OP ends.
#include <gtest/gtest.h>

#include "support/scripted_printer.hpp"
#include "tavirel/json_ops/op_outcome.hpp"
#include "tavirel/json_ops/op_request.hpp"
#include "tavirel/result_record.hpp"

namespace tavirel::json_ops {
namespace {

using tavirel::testing::ScriptedPrinter;

class RunOpTest : public ::testing::Test {
 protected:
  RunOpTest() : control_(printer_.MakeControl()) {
    HostHooks hooks;
    hooks.fp_error = [this](std::int16_t& level, std::int32_t&) {
      host_events_.push_back(level);
      if (level == OP_ERR_CHKS) level = OP_ERR_NOCOLL;  // a handler may change the result
    };
    control_->SetHooks(hooks);
    control_->Port().PortOpen(true);  // no probe: the script starts with the first OP
  }

  OpOutcome Run(const char* member, std::vector<Variant> args) {
    const MemberInfo& resolved = ResolveMember(member, args.size());
    return RunOp(*control_, resolved, std::move(args));
  }

  ScriptedPrinter printer_;
  std::unique_ptr<TavirelControl> control_;
  std::vector<std::int16_t> host_events_;
};

TEST_F(RunOpTest, TheRecordIsReadInInterfaceOrderThroughTheGetters) {
  // A closing payment fills amounts, a date and counters of several types.
  printer_.AnswerPayload(
      "1172"
      "01"
      "000000500"
      "000000350"
      "0712260811"
      "0001");
  const OpOutcome outcome = Run("opContante", {Variant("1"), Variant("5")});
  ASSERT_EQ(outcome.result, OP_OK);
  const auto props = ResultProperties();
  ASSERT_EQ(outcome.last.size(), props.size());
  for (std::size_t i = 0; i < props.size(); ++i) {
    EXPECT_EQ(outcome.last[i], control_->ResultProperty(props[i].name)) << props[i].name;
    EXPECT_EQ(outcome.last[i].type(), props[i].type) << props[i].name;
  }
  EXPECT_EQ(outcome.last[static_cast<std::size_t>(Prop::LastOPCode)], Variant(std::int16_t{1172}));
  EXPECT_EQ(outcome.command, "103601000000500");
  EXPECT_EQ(outcome.nominal_length, 15u);
  EXPECT_TRUE(outcome.operation);
}

TEST_F(RunOpTest, EventsAreThoseOfTheOpAndTheHostSeesThemFirst) {
  printer_.Answer(tavirel::testing::ErrorFrame(23));
  const OpOutcome refused = Run("opContante", {Variant("1")});
  EXPECT_EQ(refused.result, EERR);
  EXPECT_EQ(refused.events, (std::vector<FpEvent>{{-1, 23}}));
  EXPECT_EQ(refused.description, "CHIUDI SCONTRINO");

  std::string damaged = tavirel::testing::ReplyFrame("105101000000567000000000");
  damaged[damaged.size() - 2] = damaged[damaged.size() - 2] == '0' ? '1' : '0';
  printer_.Answer(damaged);
  const OpOutcome changed = Run("opSubTot", {Variant("1")});
  // The host's handler ran first and changed the code: the outcome says what it returned.
  EXPECT_EQ(changed.result, OP_ERR_NOCOLL);
  EXPECT_EQ(changed.events, (std::vector<FpEvent>{{OP_ERR_NOCOLL, 0}}));
  EXPECT_EQ(changed.description, "Registratore non collegato");
  EXPECT_EQ(host_events_, (std::vector<std::int16_t>{-1, OP_ERR_CHKS}));
}

TEST_F(RunOpTest, TheHostsHooksAreBackAfterAnOpHoweverItEnds) {
  printer_.Silent();
  const OpOutcome timeout = Run("opSubTot", {Variant("1")});
  EXPECT_EQ(timeout.events, (std::vector<FpEvent>{{OP_ERR_TIMEOUT, 0}}));
  EXPECT_THROW(Run("opContante", {Variant("1"), Variant("abc")}), ConversionError);
  // A call made directly now reaches only the host's handler; a hook left
  // pointing at a finished outcome would write to freed memory here.
  printer_.Silent();
  EXPECT_EQ(control_->opSubTot(1), OP_ERR_TIMEOUT);
  EXPECT_EQ(host_events_, (std::vector<std::int16_t>{OP_ERR_TIMEOUT, OP_ERR_TIMEOUT}));
}

TEST_F(RunOpTest, OtherMembersGiveTheirValueASetterAsItThenReads) {
  const OpOutcome set = Run("EuroSettings", {Variant("7")});
  EXPECT_FALSE(set.operation);
  EXPECT_EQ(set.kind, MemberKind::PropertyPut);
  EXPECT_EQ(set.value, Variant(std::int32_t{7}));
  EXPECT_TRUE(set.last.empty());
  EXPECT_EQ(Run("Revision", {}).value, Variant(std::int16_t{20}));
  EXPECT_EQ(Run("GetLastErrorDescription", {Variant("4"), Variant("0")}).value,
            Variant("Checksum errato"));
  EXPECT_EQ(printer_.Written(), "");
}

}  // namespace
}  // namespace tavirel::json_ops
