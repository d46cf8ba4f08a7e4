// Reading a JSON OP: numbers keep their text, "id" comes back as compact
// JSON, and malformed objects are refused with the problem named.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tavirel/currency.hpp"
#include "tavirel/json_ops/op_request.hpp"

namespace tavirel::json_ops {
namespace {

TEST(ParseJsonOp, NumbersKeepTheirTextStringsAndBooleansTheirValue) {
  const OpRequest request =
      ParseJsonOp(R"({"member": "opReparto", "args": [1, "PANE DI CASA", 0.1, 2, true, 1.5e1]})");
  EXPECT_EQ(request.member, "opReparto");
  const std::vector<Variant> expected{Variant("1"), Variant("PANE DI CASA"),    Variant("0.1"),
                                      Variant("2"), Variant(VariantBool{true}), Variant("15")};
  EXPECT_EQ(request.args, expected);
  EXPECT_FALSE(request.id);
}

TEST(ParseJsonOp, ANumberReachesACurrencyExactly) {
  // 0.1 has no exact binary form; its text converts to exactly 1000 ten-thousandths.
  const OpRequest request = ParseJsonOp(R"({"member": "opContante", "args": [1, 0.1]})");
  EXPECT_EQ(request.args[1].ConvertTo(VarType::VT_CY), Variant(Currency::FromRaw(1000)));
  const OpRequest big = ParseJsonOp(R"({"member": "opContante", "args": [1, 9999999.99]})");
  EXPECT_EQ(big.args[1].ConvertTo(VarType::VT_CY), Variant(Currency::FromRaw(99999999900)));
}

TEST(ParseJsonOp, TheIdIsAnyJsonValueGivenBackAsWritten) {
  const std::pair<const char*, const char*> cases[] = {
      {R"(7)", "7"},
      {R"(-12.50)", "-12.50"},  // the number's own text, not 12.5
      {R"(1.0e2)", "1.0e2"},
      {R"("sale-42")", R"("sale-42")"},
      {R"("a\"b\u001b")", R"("a\"b\u001b")"},
      {R"(null)", "null"},
      {R"(true)", "true"},
      {R"([])", "[]"},
      {R"({})", "{}"},
      {R"([1,  "x", [null, false], {"k":{"n": 0.10}}])",
       R"([1, "x", [null, false], {"k": {"n": 0.10}}])"},
      {"{\"member\": 1,\n \"args\": [2]}", R"({"member": 1, "args": [2]})"},
  };
  for (const auto& [written, echoed] : cases) {
    for (const bool first : {true, false}) {
      const std::string text =
          first ? std::string(R"({"id": )") + written + R"(, "member": "opSubTot", "args": [1]})"
                : std::string(R"({"member": "opSubTot", "args": [1], "id": )") + written + "}";
      const OpRequest request = ParseJsonOp(text);
      ASSERT_TRUE(request.id) << text;
      EXPECT_EQ(*request.id, echoed) << text;
      EXPECT_EQ(request.member, "opSubTot") << text;
      EXPECT_EQ(request.args, std::vector<Variant>{Variant("1")}) << text;
      // What is echoed is JSON that reads as the same value.
      EXPECT_EQ(nlohmann::json::parse(*request.id), nlohmann::json::parse(written)) << text;
    }
  }
}

TEST(ParseJsonOp, ArgsMayBeLeftOut) {
  const OpRequest request = ParseJsonOp(R"({"member": "opReadDataOra"})");
  EXPECT_EQ(request.member, "opReadDataOra");
  EXPECT_TRUE(request.args.empty());
}

TEST(ParseJsonOp, MalformedObjectsAreRefusedNamingTheProblem) {
  const std::pair<const char*, const char*> cases[] = {
      {R"({"member": "opSubTot", "args": [1)", "malformed JSON"},
      {R"({"args": [1]})", "\"member\" is missing"},
      {R"({"member": 3})", "\"member\" must be a string"},
      {R"({"member": null})", "\"member\" must be a string, not null"},
      {R"({"member": "opSubTot", "argz": [1]})", "unknown key \"argz\""},
      {R"({"member": "opSubTot", "args": 1})", "\"args\" must be an array"},
      {R"({"member": "opSubTot", "args": null})", "\"args\" must be an array, not null"},
      {R"({"member": "opSubTot", "args": [null]})", "null is not an argument"},
      {R"({"member": "opSubTot", "args": [[1]]})", "must be one array"},
      {R"({"member": "opSubTot", "args": [{"a": 1}]})", "not objects"},
      {R"({"member": "opSubTot", "args": [1e999]})", "1e999"},
      {R"({"member": "opSubTot", "args": [1], "args": [2]})", "the key \"args\" is given twice"},
      {R"({"member": "opSubTot", "member": "opCorr"})", "the key \"member\" is given twice"},
      {R"({"id": 1, "member": "opSubTot", "id": 2})", "the key \"id\" is given twice"},
      {R"({"id": [1, "member": "opSubTot"})", "malformed JSON"},
      {R"(["opSubTot", 1])", "must be a JSON object"},
      {R"({"member": "opSubTot"} trailing)", "malformed JSON"},
  };
  for (const auto& [text, message] : cases) {
    try {
      ParseJsonOp(text);
      ADD_FAILURE() << text;
    } catch (const JsonOpError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind("JSON OP: ", 0), 0u) << what;
      EXPECT_NE(what.find(message), std::string::npos) << text << " -> " << what;
    }
  }
}

struct ResolveCase {
  const char* name;
  std::size_t args;
  MemberKind kind;
};

TEST(ResolveMember, PropertyAloneReadsWithOneArgumentSetsOtherwiseMethod) {
  const ResolveCase cases[] = {
      {"EuroSettings", 0, MemberKind::PropertyGet},
      {"EuroSettings", 1, MemberKind::PropertyPut},
      {"LastNumSF", 0, MemberKind::PropertyGet},
      {"PortIsOpen", 0, MemberKind::Method},
      {"opSubTot", 1, MemberKind::Method},
      {"opReadDataOra", 0, MemberKind::Method},
      {"GetLastErrorDescription", 2, MemberKind::Method},
  };
  for (const auto& c : cases) {
    const MemberInfo& member = ResolveMember(c.name, c.args);
    EXPECT_EQ(member.name, c.name);
    EXPECT_EQ(member.kind, c.kind) << c.name << " " << c.args;
  }
  EXPECT_THROW(ResolveMember("opRepart", 1), DispatchError);
  EXPECT_THROW(ResolveMember("LastNumSF", 1), DispatchError);
  EXPECT_THROW(ResolveMember("EuroSettings", 2), DispatchError);
}

}  // namespace
}  // namespace tavirel::json_ops
