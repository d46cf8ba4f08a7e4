#include "op_parser.hpp"

#include <gtest/gtest.h>

#include "cli_errors.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::cli {
namespace {

struct SplitCase {
  const char* text;
  std::vector<std::string> words;
};

TEST(SplitWords, BlanksSeparateAndDoubleQuotesGroup) {
  const SplitCase cases[] = {
      {"opReparto 1 PANE 1.50 2", {"opReparto", "1", "PANE", "1.50", "2"}},
      {R"(opReparto 1 "PANE DI CASA" 1.50 2)", {"opReparto", "1", "PANE DI CASA", "1.50", "2"}},
      {"  opSubTot\t 1  ", {"opSubTot", "1"}},
      {R"(opDatiSNoFisc 1 2 "")", {"opDatiSNoFisc", "1", "2", ""}},
      {R"(opDescAgg 1 "  PANE  ")", {"opDescAgg", "1", "  PANE  "}},
      {R"(opDescAgg 1 "DI \"CASA\"")", {"opDescAgg", "1", "DI \"CASA\""}},
      {R"(opDescAgg 1 "A\\B")", {"opDescAgg", "1", "A\\B"}},
      {R"(opDescAgg 1 PANE" DI "CASA)", {"opDescAgg", "1", "PANE DI CASA"}},
      {"opDescAgg 1 CAFFÈ", {"opDescAgg", "1", "CAFFÈ"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitWords(c.text), c.words) << c.text;
}

TEST(SplitWords, UnterminatedQuoteIsAUsageError) {
  try {
    SplitWords(R"(opDescAgg 1 "PANE)");
    FAIL() << "no error";
  } catch (const UsageError& e) {
    EXPECT_NE(std::string(e.what()).find("unterminated double quote"), std::string::npos);
  }
}

TEST(ParseOpText, NameFirstThenTextArguments) {
  const OpRequest request = ParseOpText(R"(opReparto 1 "PANE DI CASA" 1.50 2)");
  EXPECT_EQ(request.member, "opReparto");
  ASSERT_EQ(request.args.size(), 4u);
  EXPECT_EQ(request.args[1], Variant("PANE DI CASA"));
  EXPECT_EQ(request.args[2].type(), VarType::VT_BSTR);
  EXPECT_THROW(ParseOpText("   "), UsageError);
  EXPECT_THROW(ParseOpText(R"("" 1)"), UsageError);
}

TEST(ParseOpLine, JsonObjectOrWords) {
  EXPECT_EQ(ParseOpLine(R"(  {"member": "opSubTot", "args": [1]}  )").member, "opSubTot");
  EXPECT_EQ(ParseOpLine("opSubTot 1\r").args, std::vector<Variant>{Variant("1")});
}

TEST(IsBlankOrComment, SkipsBlankLinesAndComments) {
  EXPECT_TRUE(IsBlankOrComment(""));
  EXPECT_TRUE(IsBlankOrComment(" \t\r"));
  EXPECT_TRUE(IsBlankOrComment("  # the morning's receipts"));
  EXPECT_FALSE(IsBlankOrComment("opSubTot 1"));
}

struct ResolveCase {
  const char* text;
  const char* name;
  MemberKind kind;
};

TEST(ResolveMember, PropertyAloneReadsWithOneArgumentSetsOtherwiseMethod) {
  const ResolveCase cases[] = {
      {"EuroSettings", "EuroSettings", MemberKind::PropertyGet},
      {"EuroSettings 7", "EuroSettings", MemberKind::PropertyPut},
      {"Settings 1200,e,7,2", "Settings", MemberKind::PropertyPut},
      {"LastNumSF", "LastNumSF", MemberKind::PropertyGet},
      {"Major", "Major", MemberKind::PropertyGet},
      {"PortIsOpen", "PortIsOpen", MemberKind::Method},
      {"opSubTot 1", "opSubTot", MemberKind::Method},
      {"opReadDataOra", "opReadDataOra", MemberKind::Method},
      {"GetLastErrorDescription -1 23", "GetLastErrorDescription", MemberKind::Method},
  };
  for (const auto& c : cases) {
    const MemberInfo& member = ResolveMember(ParseOpText(c.text));
    EXPECT_EQ(member.name, c.name) << c.text;
    EXPECT_EQ(member.kind, c.kind) << c.text;
  }
}

TEST(ResolveMember, ErrorsNameTheProblem) {
  const std::pair<const char*, const char*> cases[] = {
      {"opRepart 1", "no member named \"opRepart\"; closest: opReparto"},
      {"LastNumSF 3", "LastNumSF is a read-only property"},
      {"EuroSettings 1 2", "EuroSettings takes no argument to read it and one to set it, not 2"},
  };
  for (const auto& [text, message] : cases) {
    try {
      ResolveMember(ParseOpText(text));
      ADD_FAILURE() << text;
    } catch (const DispatchError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace tavirel::cli
