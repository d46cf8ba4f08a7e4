// Invoking members by name or id with Variant arguments.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <typeinfo>

#include "support/control_rig.hpp"
#include "support/operation_table.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/validate.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using C = TavirelControl;
using K = MemberKind;

// With the port closed every call ends at once with OP_ERR_PORTCLOSE, the
// command string composed and nothing written.
class DispatchInvoke : public ::testing::Test {
 protected:
  void SetUp() override { rig_.control->PortClose(); }
  C& control() { return *rig_.control; }
  ControlRig rig_;
};

TEST_F(DispatchInvoke, EveryOperationByNameWithTextArgumentsBuildsTheDirectCallsCommand) {
  std::set<std::string> names;
  for (const OperationRow& row : OperationRows()) {
    SCOPED_TRACE(row.op + " " + row.command);
    names.insert(row.op);
    for (const Variant& arg : row.text) ASSERT_EQ(arg.type(), VarType::VT_BSTR);
    control().EuroSettings(row.mode);
    const std::int16_t direct = row.call(control());
    EXPECT_EQ(control().CurrentCommand(), row.command);
    control().opSubTot(99);  // another command in between
    const Variant by_name = Invoke(control(), row.op, K::Method, row.text);
    EXPECT_EQ(control().CurrentCommand(), row.command);
    EXPECT_EQ(by_name, Variant(direct));
    EXPECT_EQ(by_name, Variant(std::int16_t{OP_ERR_PORTCLOSE}));
  }
  EXPECT_EQ(names.size(), 67u);
  EXPECT_EQ(rig_.printer.TakeWritten(), "");
}

TEST_F(DispatchInvoke, ByIdAsByName) {
  const MemberInfo* reparto = FindMember("opReparto", K::Method);
  ASSERT_NE(reparto, nullptr);
  EXPECT_EQ(Invoke(control(), reparto->id, {"1", "PANE", "1.50", "2"}),
            Variant(std::int16_t{OP_ERR_PORTCLOSE}));
  EXPECT_EQ(control().CurrentCommand().size(), 85u);
  EXPECT_EQ(Invoke(control(), FindMember("LastEERR", K::PropertyGet)->id, {}),
            Variant(std::int16_t{-2}));
  EXPECT_THROW(Invoke(control(), 100000, {}), DispatchError);
}

TEST_F(DispatchInvoke, OmittedOptionalArgumentsTakeTheirDefaults) {
  Invoke(control(), "opReparto", K::Method, {"1", "PANE", "1.50", "2"});
  const std::string omitted = control().CurrentCommand();
  EXPECT_EQ(omitted.substr(6, 40), std::string(40, '0'));
  EXPECT_EQ(omitted.substr(73, 1), "1");
  // An empty Variant in the place of an optional argument counts as omitted.
  Invoke(control(), "opReparto", K::Method, {"1", "PANE", "1.50", "2", Variant(), Variant()});
  EXPECT_EQ(control().CurrentCommand(), omitted);
  Invoke(control(), "opMsgVisoreCortesia", K::Method, {"1", "CIAO", Variant(), "12"});
  EXPECT_EQ(control().CurrentCommand(), "1062010CIAO" + std::string(36, ' ') + "12");
}

TEST_F(DispatchInvoke, AnUnknownNameNamesTheClosestMembers) {
  try {
    Invoke(control(), "opRepart", K::Method, {});
    ADD_FAILURE() << "no DispatchError";
  } catch (const DispatchError& e) {
    EXPECT_THAT(e.what(), HasSubstr("\"opRepart\""));
    EXPECT_THAT(e.what(), HasSubstr("opReparto"));
  }
  EXPECT_EQ(ClosestMemberNames("opsubtot").front(), "opSubTot");
  EXPECT_EQ(ClosestMemberNames("LastImporto", 1), std::vector<std::string_view>{"LastImp"});
  EXPECT_THROW(Invoke(control(), "LastEERR", K::PropertyPut, {"3"}), DispatchError);
}

TEST_F(DispatchInvoke, AWrongNumberOfArgumentsShowsTheSignature) {
  const MemberInfo& reparto = *FindMember("opReparto", K::Method);
  for (const std::vector<Variant>& args :
       {std::vector<Variant>{"1", "PANE", "1.50"},
        std::vector<Variant>{"1", "PANE", "1.50", "2", "1", "X", "extra"}}) {
    try {
      Invoke(control(), reparto, args);
      ADD_FAILURE() << "no DispatchError for " << args.size() << " arguments";
    } catch (const DispatchError& e) {
      EXPECT_THAT(e.what(), HasSubstr("4 to 6"));
      EXPECT_THAT(e.what(), HasSubstr(Signature(reparto)));
    }
  }
  EXPECT_THROW(Invoke(control(), "GetLastErrorDescription", K::Method, {"-1"}), DispatchError);
  EXPECT_THROW(Invoke(control(), "Major", K::PropertyGet, {"1"}), DispatchError);
}

TEST_F(DispatchInvoke, AnArgumentThatDoesNotConvertNamesTheMemberAndTheParameter) {
  struct Row {
    std::string op;
    std::vector<Variant> args;
    std::string param;
  };
  const std::vector<Row> rows = {
      {"opReparto", {"1", "PANE", "1,50", "2"}, "Prezzo"},
      {"opReparto", {"uno", "PANE", "1.50", "2"}, "CodOpr"},
      {"opReparto", {"1", "PANE", "1.50", "70000"}, "Rep"},
      {"opSubTotPercPlus", {"1", "cinque"}, "Perc"},
      {"opContante", {"1", ""}, "Importo"},
  };
  rig_.printer.TakeWritten();
  control().opSubTot(1);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.op + " " + row.param);
    try {
      Invoke(control(), row.op, K::Method, row.args);
      ADD_FAILURE() << "no ConversionError";
    } catch (const ConversionError& e) {
      EXPECT_THAT(e.what(), HasSubstr(row.op));
      EXPECT_THAT(e.what(), HasSubstr(row.param));
    }
    EXPECT_EQ(control().CurrentCommand(), "105101");  // nothing composed
  }
}

TEST_F(DispatchInvoke, OpEndSNoFiscReturnsAnIntegerVariant) {
  const Variant direct = control().opEndSNoFisc(1);
  EXPECT_EQ(direct.type(), VarType::VT_I2);
  EXPECT_EQ(direct.get<std::int16_t>(), OP_ERR_PORTCLOSE);
  const Variant by_name = Invoke(control(), "opEndSNoFisc", K::Method, {"1"});
  EXPECT_EQ(by_name.type(), VarType::VT_I2);
  EXPECT_EQ(by_name.get<std::int16_t>(), OP_ERR_PORTCLOSE);

  ControlRig open;
  open.printer.AnswerPayload("106501");
  EXPECT_EQ(open.control->opEndSNoFisc(1), Variant(std::int16_t{OP_OK}));
  open.printer.Answer(ErrorFrame(11));
  EXPECT_EQ(Invoke(*open.control, "opEndSNoFisc", K::Method, {"1"}), Variant(std::int16_t{EERR}));
}

TEST_F(DispatchInvoke, PropertiesByName) {
  std::vector<std::string> changed;
  HostHooks hooks = control().Hooks();
  hooks.property_changed = [&](std::string_view name) { changed.emplace_back(name); };
  control().SetHooks(hooks);

  Invoke(control(), "EuroSettings", K::PropertyPut, {"1"});
  EXPECT_EQ(control().EuroSettings(), 1);
  EXPECT_EQ(Invoke(control(), "EuroSettings", K::PropertyGet, {}), Variant(std::int32_t{1}));
  Invoke(control(), "COMPort", K::PropertyPut, {"3"});
  EXPECT_EQ(Invoke(control(), "COMPort", K::PropertyGet, {}), Variant(std::int16_t{3}));
  Invoke(control(), "Settings", K::PropertyPut, {"19200,e,7,2"});
  EXPECT_EQ(Invoke(control(), "Settings", K::PropertyGet, {}), Variant("19200,e,7,2"));
  EXPECT_EQ(changed, (std::vector<std::string>{"EuroSettings", "COMPort", "Settings"}));

  EXPECT_EQ(Invoke(control(), "LastEERR", K::PropertyGet, {}), Variant(std::int16_t{-2}));
  EXPECT_EQ(Invoke(control(), "LastCodProd", K::PropertyGet, {}), Variant(std::string(40, '0')));
  EXPECT_EQ(Invoke(control(), "LastDate", K::PropertyGet, {}),
            Variant(OleDate::FromParts(1999, 11, 30)));
  EXPECT_EQ(Invoke(control(), "Major", K::PropertyGet, {}), Variant(std::int16_t{1}));
  EXPECT_EQ(Invoke(control(), "Minor", K::PropertyGet, {}), Variant(std::int16_t{0}));
  EXPECT_EQ(Invoke(control(), "Revision", K::PropertyGet, {}), Variant(std::int16_t{20}));
}

TEST_F(DispatchInvoke, TheOtherMethods) {
  EXPECT_EQ(Invoke(control(), "GetLastErrorDescription", K::Method, {"-1", "23"}),
            Variant("CHIUDI SCONTRINO"));
  EXPECT_EQ(Invoke(control(), "PortIsOpen", K::Method, {}), Variant(VariantBool{false}));
  rig_.printer.AnswerPayload("42010612011200");
  EXPECT_EQ(Invoke(control(), "PortOpen", K::Method, {}), Variant());
  EXPECT_TRUE(control().PortIsOpen());
  EXPECT_EQ(control().FrameCounter(), 2);
  Invoke(control(), "PortClose", K::Method, {});
  EXPECT_FALSE(control().PortIsOpen());
}

}  // namespace
}  // namespace tavirel

namespace tavirel {
namespace {

TEST(DispatchArguments, AnEmptyArgumentInARequiredPlaceIsRefusedAsMissing) {
  testing::ScriptedPrinter printer;
  auto control = printer.MakeControl();
  try {
    Invoke(*control, "opReparto", MemberKind::Method,
           {Variant("1"), Variant(), Variant("1.50"), Variant("2")});
    FAIL() << "an empty DescProd was sent";
  } catch (const DispatchError& e) {
    EXPECT_NE(std::string(e.what()).find("DescProd"), std::string::npos) << e.what();
  }
  EXPECT_EQ(printer.Written(), "");
}

TEST(DispatchArguments, ADirectRunWithAnUnconvertibleArgumentNamesTheOperationAndParameter) {
  testing::ScriptedPrinter printer;
  auto control = printer.MakeControl();
  try {
    control->RunOperation("opSubTotAbbuono", {Variant(std::int16_t{1}), Variant("tanti")});
    FAIL() << "the text was taken as an amount";
  } catch (const ConversionError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("opSubTotAbbuono"), std::string::npos) << message;
    EXPECT_NE(message.find("Importo"), std::string::npos) << message;
  }
}

// The direct run and the dispatch interface bind through one function: the
// same arguments are refused with the same words.
TEST(DispatchArguments, ADirectRunAndInvokeRefuseAlike) {
  struct Row {
    const char* op;
    std::vector<Variant> args;
  };
  const std::vector<Row> rows = {
      {"opReparto", {"1", "PANE", "1.50", "2", "1", "X", "extra"}},
      {"opReparto", {"1", "PANE"}},
      {"opReparto", {"1", Variant(), "1.50", "2"}},
      {"opSubTotAbbuono", {"1", "tanti"}},
      {"opReadDataOra", {"1"}},
  };
  testing::ScriptedPrinter printer;
  auto control = printer.MakeControl();
  const auto message = [](const std::function<void()>& call) -> std::string {
    try {
      call();
    } catch (const TavirelError& e) {
      return std::string(typeid(e).name()) + ": " + e.what();
    }
    return "no error";
  };
  for (const Row& row : rows) {
    const std::string direct = message([&] { control->RunOperation(row.op, row.args); });
    const std::string invoked =
        message([&] { Invoke(*control, row.op, MemberKind::Method, row.args); });
    EXPECT_NE(direct, "no error") << row.op;
    EXPECT_EQ(direct, invoked);
  }
  EXPECT_EQ(printer.Written(), "");
}

// A member is invoked through its row, also from a copy the caller made; a
// member the table does not have is refused before anything runs.
TEST(DispatchArguments, InvokeTakesTheTablesRowForAMember) {
  testing::ScriptedPrinter printer;
  auto control = printer.MakeControl();
  MemberInfo copy = *FindMember("COMPort", MemberKind::PropertyPut);
  Invoke(*control, copy, {"4"});
  EXPECT_EQ(control->COMPort(), 4);
  copy.id = 0;  // found by name and kind then
  Invoke(*control, copy, {"5"});
  EXPECT_EQ(control->COMPort(), 5);
  const MemberInfo made_up{7, "opNothing", MemberKind::Method, {}, VarType::VT_I2};
  EXPECT_THROW(Invoke(*control, made_up, {}), DispatchError);
  EXPECT_EQ(printer.Written(), "");
}

// A name longer than every member is refused before any distance is
// measured (a megabyte name cost seconds), and never quoted whole.
TEST(DispatchArguments, AHugeNameIsRefusedAtOnceWithAShortMessage) {
  std::string longest_name;
  for (const MemberInfo& member : Members()) {
    if (member.name.size() > longest_name.size()) longest_name = member.name;
  }
  ASSERT_EQ(LongestMemberName(), longest_name.size());
  std::string near_longest = longest_name;
  near_longest.back() = near_longest.back() == 'x' ? 'y' : 'x';
  EXPECT_EQ(ClosestMemberNames(near_longest, 1), std::vector<std::string_view>{longest_name});
  EXPECT_THAT(ClosestMemberNames(near_longest + "x"), IsEmpty());

  testing::ScriptedPrinter printer;
  auto control = printer.MakeControl();
  const std::string huge(1 << 20, 'o');
  const std::vector<std::function<void()>> calls = {
      [&] { Invoke(*control, huge, MemberKind::Method, {}); },
      [&] { control->RunOperation(huge, {}); },
      [&] { ValidateArguments(huge, {}, TVL_EUROSETTINGS_EURO); },
  };
  for (const auto& call : calls) {
    try {
      call();
      ADD_FAILURE() << "a huge name was accepted";
    } catch (const DispatchError& e) {
      EXPECT_LT(std::string(e.what()).size(), 200u);
      EXPECT_THAT(e.what(), HasSubstr("1048576 characters"));
    }
  }
}

}  // namespace
}  // namespace tavirel
