// The JSON and readable forms of an OP's outcome.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "human_output.hpp"
#include "json_output.hpp"
#include "tavirel/result_codes.hpp"
#include "tavirel/result_record.hpp"

namespace tavirel::cli {
namespace {

// The record as a reset leaves it, with some values set.
std::vector<Variant> Record(const std::vector<std::pair<Prop, Variant>>& set) {
  ResultRecord record;
  record.ResetLastValues();
  for (const auto& [prop, value] : set) record.Set(prop, value);
  std::vector<Variant> values;
  for (const PropInfo& info : ResultProperties()) values.push_back(record.Get(info.prop));
  return values;
}

OpOutcome Operation(std::string member, std::int16_t result, std::vector<Variant> last) {
  OpOutcome outcome;
  outcome.member = std::move(member);
  outcome.operation = true;
  outcome.result = result;
  outcome.last = std::move(last);
  return outcome;
}

TEST(JsonValue, EachTypeAsItsJsonForm) {
  const std::pair<Variant, const char*> cases[] = {
      {Variant(std::int16_t{-2}), "-2"},
      {Variant(std::int32_t{123456}), "123456"},
      {Variant(1.25f), "1.25"},
      {Variant(Currency::FromUnits(12500)), "12500"},
      {Variant(Currency::Parse("1.5")), "1.5"},
      {Variant(Currency::Parse("-0.0001")), "-0.0001"},
      {Variant(Currency::FromRaw(9223372036854775807)), "922337203685477.5807"},
      {Variant(OleDate::FromParts(2026, 12, 7, 9, 15)), "\"2026-12-07T09:15:00\""},
      {Variant("PANE \"DI\" CASA\\"), R"("PANE \"DI\" CASA\\")"},
      {Variant("CAFFÈ"), "\"CAFFÈ\""},
      {Variant(VariantBool{true}), "true"},
      {Variant(), "null"},
  };
  for (const auto& [value, json] : cases) EXPECT_EQ(JsonValue(value), json) << value.ToString();
}

TEST(JsonValue, ParsesBackToTheSameNumber) {
  // The exact decimal text is a valid JSON number.
  EXPECT_EQ(nlohmann::json::parse(JsonValue(Variant(Currency::Parse("0.3")))).get<double>(), 0.3);
  EXPECT_EQ(nlohmann::json::parse(JsonValue(Variant(0.1f))).get<double>(), 0.1);
}

TEST(JsonLine, OperationHasItsFieldsInOrderAndEveryResultProperty) {
  OpOutcome outcome = Operation("opContante", EERR, Record({{Prop::LastEERR, std::int16_t{23}}}));
  outcome.command = "103601000000500";
  outcome.events = {{-1, 23}};
  const std::string line = JsonLine(outcome);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_EQ(line.rfind(
                R"({"member": "opContante", "result": -1, "result_name": "EERR", )"
                R"("command": "103601000000500", "events": [{"ErrorLevel": -1, "ErrorCode": 23}], )"
                R"("last": {"LastEERR": 23, "LastOP": 0, )",
                0),
            0u)
      << line;
  const auto json = nlohmann::ordered_json::parse(line);
  ASSERT_EQ(json["last"].size(), kResultPropertyCount);
  std::size_t i = 0;
  for (const auto& [key, value] : json["last"].items())
    EXPECT_EQ(key, ResultProperties()[i++].name);
  EXPECT_EQ(json["last"]["LastDate"], "1999-11-30T00:00:00");
  EXPECT_EQ(json["last"]["LastCodProd"], std::string(40, '0'));
}

TEST(JsonLine, OtherMembersGiveTheirValueAndErrorsTheirMessage) {
  OpOutcome outcome;
  outcome.member = "LastImp";
  outcome.kind = MemberKind::PropertyGet;
  outcome.value = Variant(Currency::Parse("1.5"));
  EXPECT_EQ(JsonLine(outcome), R"({"member": "LastImp", "value": 1.5})");
  outcome.member = "PortClose";
  outcome.kind = MemberKind::Method;
  outcome.value = Variant();
  EXPECT_EQ(JsonLine(outcome), R"({"member": "PortClose", "value": null})");
  EXPECT_EQ(JsonErrorLine("opRepart", "no member named \"opRepart\""),
            R"({"member": "opRepart", "error": "no member named \"opRepart\""})");
}

TEST(ChangedValues, OnlyWhatDiffersFromTheReset) {
  EXPECT_TRUE(ChangedValues(Record({})).empty());
  const auto changed = ChangedValues(Record({{Prop::LastOPCode, std::int16_t{1172}},
                                             {Prop::LastRest, Currency::FromUnits(350)},
                                             {Prop::LastGG, std::int16_t{7}},
                                             {Prop::LastDescOpr, std::string("MARIA")}}));
  // LastDate is composed from LastGG, so it changes with it.
  const std::vector<std::string> expected{"LastOPCode=1172", "LastGG=7",
                                          "LastDate=1999-12-07T00:00:00", "LastRest=350",
                                          "LastDescOpr=\"MARIA\""};
  EXPECT_EQ(changed, expected);
}

TEST(HumanLine, ResultNameNumberTextAndValues) {
  EXPECT_EQ(HumanLine(Operation("opSubTot", OP_OK,
                                Record({{Prop::LastOPCode, std::int16_t{1051}},
                                        {Prop::LastSubTotFisc, Currency::FromUnits(567)}}))),
            "opSubTot: OP_OK (0)  LastOPCode=1051 LastSubTotFisc=567");
  OpOutcome refused = Operation("opContante", EERR, Record({{Prop::LastEERR, std::int16_t{23}}}));
  refused.description = "CHIUDI SCONTRINO";
  EXPECT_EQ(HumanLine(refused),
            "opContante: EERR (-1) printer error 23 \"CHIUDI SCONTRINO\"  LastEERR=23");
  OpOutcome timeout = Operation("opSubTot", OP_ERR_TIMEOUT, Record({}));
  timeout.description = "Timeout in attesa risposta";
  EXPECT_EQ(HumanLine(timeout), "opSubTot: OP_ERR_TIMEOUT (3) \"Timeout in attesa risposta\"");
}

TEST(HumanLine, PropertiesAndMethods) {
  OpOutcome outcome;
  outcome.member = "Settings";
  outcome.kind = MemberKind::PropertyGet;
  outcome.value = Variant("9600,n,8,1");
  EXPECT_EQ(HumanLine(outcome), "Settings = \"9600,n,8,1\"");
  outcome.member = "EuroSettings";
  outcome.kind = MemberKind::PropertyPut;
  outcome.value = Variant(std::int32_t{7});
  EXPECT_EQ(HumanLine(outcome), "EuroSettings := 7");
  outcome.member = "PortClose";
  outcome.kind = MemberKind::Method;
  outcome.value = Variant();
  EXPECT_EQ(HumanLine(outcome), "PortClose done");
}

TEST(LengthWarning, OnlyWhenTheCommandDiffersFromItsLayout) {
  OpOutcome outcome = Operation("opApriCassetto", OP_OK, {});
  outcome.nominal_length = 6;
  outcome.command = "105001";
  EXPECT_FALSE(LengthWarning(outcome));
  outcome.command = "1050123";
  const auto longer = LengthWarning(outcome);
  ASSERT_TRUE(longer);
  EXPECT_NE(
      longer->find("opApriCassetto: the command string has 7 characters where its layout has 6"),
      std::string::npos);
  outcome.member = "opDescAgg";
  outcome.nominal_length = 26;
  outcome.command = "106601CAFFÈ               ";  // 26 characters, 27 bytes of UTF-8
  EXPECT_FALSE(LengthWarning(outcome));
}

}  // namespace
}  // namespace tavirel::cli
