// The answer object, written directly: each value's form, the fields in
// order, "id" first, "error_text" with every failure, and strings that any
// JSON reader takes back as they were.
#include "tavirel/json_ops/answer.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "../support/op_outcomes.hpp"
#include "tavirel/result_codes.hpp"
#include "tavirel/result_record.hpp"

namespace tavirel::json_ops {
namespace {

using testing::Operation;
using testing::Record;

TEST(JsonValue, EachTypeAsItsJsonForm) {
  const std::pair<Variant, const char*> cases[] = {
      {Variant(std::int16_t{-2}), "-2"},
      {Variant(std::int16_t{-32768}), "-32768"},
      {Variant(std::int32_t{123456}), "123456"},
      {Variant(std::int32_t{-2147483647 - 1}), "-2147483648"},
      {Variant(1.25f), "1.25"},
      {Variant(Currency::FromUnits(12500)), "12500"},
      {Variant(Currency::Parse("1.5")), "1.5"},
      {Variant(Currency::Parse("-0.0001")), "-0.0001"},
      {Variant(Currency::FromRaw(9223372036854775807)), "922337203685477.5807"},
      {Variant(OleDate::FromParts(2026, 12, 7, 9, 15)), "\"2026-12-07T09:15:00\""},
      {Variant("PANE \"DI\" CASA\\"), R"("PANE \"DI\" CASA\\")"},
      {Variant("CAFFÈ"), "\"CAFFÈ\""},
      {Variant(VariantBool{true}), "true"},
      {Variant(VariantBool{false}), "false"},
      {Variant(), "null"},
  };
  for (const auto& [value, json] : cases) EXPECT_EQ(JsonValue(value), json) << value.ToString();
}

TEST(JsonString, ReadsBackAsTheSameTextAndEscapesWhatATerminalWouldObey) {
  const std::string texts[] = {
      "",
      "PANE",
      "CAFFÈ € 1,50",
      std::string("\x1b]0;pwned\x07", 9),
      std::string("a\0b", 3),
      "tab\tline\nreturn\rback\bfeed\f",
      "quote\" slash\\ solidus/",
      "\x7f del",
      "emoji \xF0\x9F\x98\x80 and U+10FFFF \xF4\x8F\xBF\xBF",
  };
  for (const std::string& text : texts) {
    const std::string json = JsonString(text);
    EXPECT_EQ(nlohmann::json::parse(json).get<std::string>(), text) << json;
    for (char c : json) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << json;
    // The same bytes nlohmann writes, so the service and the tool agree with any writer.
    EXPECT_EQ(json, nlohmann::json(text).dump()) << json;
  }
}

TEST(JsonString, EachByteThatIsNotUtf8BecomesAReplacementCharacter) {
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  const std::pair<std::string, std::string> cases[] = {
      {"\xC8", r},                          // Windows-1252 È, not UTF-8
      {"A\x80Z", "A" + r + "Z"},            // a lone continuation byte
      {"\xC0\xAF", r + r},                  // an overlong '/'
      {"\xED\xA0\x80", r + r + r},          // a surrogate
      {"\xF4\x90\x80\x80", r + r + r + r},  // beyond U+10FFFF
      {"\xE2\x82", r + r},                  // cut short
      {"\xE2\x82\xAC", "\xE2\x82\xAC"},     // a whole euro sign stays
  };
  for (const auto& [bytes, text] : cases) {
    const std::string json = JsonString(bytes);
    EXPECT_EQ(json, "\"" + text + "\"");
    EXPECT_EQ(nlohmann::json::parse(json).get<std::string>(), text);
  }
}

TEST(Answer, AnOperationHasItsFieldsInOrderAndEveryResultProperty) {
  OpOutcome outcome = Operation("opContante", EERR, Record({{Prop::LastEERR, std::int16_t{23}}}));
  outcome.command = "103601000000500";
  outcome.events = {{-1, 23}};
  outcome.description = "CHIUDI SCONTRINO";
  const std::string line = Answer(outcome);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_EQ(line.rfind(R"({"member": "opContante", "result": -1, "result_name": "EERR", )"
                       R"("error_text": "CHIUDI SCONTRINO", "command": "103601000000500", )"
                       R"("events": [{"ErrorLevel": -1, "ErrorCode": 23}], )"
                       R"("last": {"LastEERR": 23, "LastOP": 0, )",
                       0),
            0u)
      << line;
  const auto json = nlohmann::ordered_json::parse(line);
  ASSERT_EQ(json["last"].size(), kResultPropertyCount);
  std::size_t i = 0;
  for (const auto& [key, value] : json["last"].items()) {
    EXPECT_EQ(key, ResultProperties()[i].name);
    EXPECT_EQ(value, nlohmann::json::parse(JsonValue(outcome.last[i]))) << key;
    ++i;
  }
  EXPECT_EQ(json["last"]["LastDate"], "1999-11-30T00:00:00");
  EXPECT_EQ(json["last"]["LastCodProd"], std::string(40, '0'));
}

TEST(Answer, ErrorTextComesWithEveryFailureAndNeverWithSuccess) {
  struct Case {
    std::int16_t result;
    const char* description;
    bool has_text;
  };
  const Case cases[] = {{OP_OK, "", false},
                        {EERR, "CHIUDI SCONTRINO", true},
                        {EERR, "", true},  // a refusal without number: the text is empty
                        {OP_ERR_TIMEOUT, "Timeout in attesa risposta", true},
                        {OP_ERR_EUROLOCK, "Modalità Euro/Lire non impostata", true}};
  for (const Case& c : cases) {
    OpOutcome outcome = Operation("opSubTot", c.result, Record({}));
    outcome.description = c.description;
    const auto json = nlohmann::json::parse(Answer(outcome));
    EXPECT_EQ(json.contains("error_text"), c.has_text) << c.result;
    if (c.has_text) {
      EXPECT_EQ(json["error_text"], c.description);
    }
    EXPECT_EQ(json["result"], c.result);
  }
}

TEST(Answer, TheIdComesFirstUnchanged) {
  OpOutcome outcome = Operation("opSubTot", OP_OK, Record({}));
  const std::string line = Answer(outcome, std::string(R"({"till": 3, "n": 1.50})"));
  EXPECT_EQ(line.rfind(R"({"id": {"till": 3, "n": 1.50}, "member": "opSubTot", )", 0), 0u) << line;
  EXPECT_EQ(nlohmann::json::parse(line)["id"]["till"], 3);
  EXPECT_EQ(ErrorAnswer("opRepart", "no member", std::string("\"x\"")),
            R"({"id": "x", "member": "opRepart", "error": "no member"})");
}

TEST(Answer, OtherMembersGiveTheirValueAndErrorsTheirMessage) {
  OpOutcome outcome;
  outcome.member = "LastImp";
  outcome.kind = MemberKind::PropertyGet;
  outcome.value = Variant(Currency::Parse("1.5"));
  EXPECT_EQ(Answer(outcome), R"({"member": "LastImp", "value": 1.5})");
  outcome.member = "PortClose";
  outcome.kind = MemberKind::Method;
  outcome.value = Variant();
  EXPECT_EQ(Answer(outcome), R"({"member": "PortClose", "value": null})");
  EXPECT_EQ(ErrorAnswer("opRepart", "no member named \"opRepart\""),
            R"({"member": "opRepart", "error": "no member named \"opRepart\""})");
}

}  // namespace
}  // namespace tavirel::json_ops
