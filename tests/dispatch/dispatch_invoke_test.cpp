// Invoking members by name or id with Variant arguments.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "support/control_rig.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {
namespace {

using namespace tavirel::testing;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using C = TavirelControl;
using K = MemberKind;

Currency Cur(const char* text) { return Currency::Parse(text); }

struct TextCall {
  std::string op;
  std::function<Variant(C&)> direct;
  std::vector<Variant> text;  // every argument as text
};

template <typename F>
std::function<Variant(C&)> D(F f) {
  return [f](C& c) { return Variant(f(c)); };
}

const std::vector<TextCall>& TextCalls() {
  static const std::vector<TextCall> calls = {
      {"opApriCassetto", D([](C& c) { return c.opApriCassetto(12); }), {"12"}},
      {"opAssegno", D([](C& c) { return c.opAssegno(1, Cur("1.50")); }), {"1", "1.50"}},
      {"opAttivazioneEuro", D([](C& c) { return c.opAttivazioneEuro(3); }), {"3"}},
      {"opBloccoTastiera", D([](C& c) { return c.opBloccoTastiera(4); }), {"4"}},
      {"opContante", D([](C& c) { return c.opContante(1, Cur("20.05")); }), {"1", "20.05"}},
      {"opCorr", D([](C& c) { return c.opCorr(5); }), {"5"}},
      {"opCredCC", D([](C& c) { return c.opCredCC(1, 12); }), {"1", "12"}},
      {"opDatiSNoFisc", D([](C& c) { return c.opDatiSNoFisc(1, 2, "RIGA"); }), {"1", "2", "RIGA"}},
      {"opDescAgg", D([](C& c) { return c.opDescAgg(1, "NOTA"); }), {"1", "NOTA"}},
      {"opEndSNoFisc", [](C& c) { return c.opEndSNoFisc(6); }, {"6"}},
      {"opIniSNoFisc", D([](C& c) { return c.opIniSNoFisc(7); }), {"7"}},
      {"opMsgVisoreCortesia",
       D([](C& c) { return c.opMsgVisoreCortesia(1, "CIAO", 2, 12); }),
       {"1", "CIAO", "2", "12"}},
      {"opProgConf", D([](C& c) { return c.opProgConf(2, 45); }), {"2", "45"}},
      {"opProgCredCC", D([](C& c) { return c.opProgCredCC(3, "VISA"); }), {"3", "VISA"}},
      {"opProgDataOra",
       D([](C& c) { return c.opProgDataOra(6, 12, 1, 9, 5); }),
       {"6", "12", "1", "9", "5"}},
      {"opProgFlag", D([](C& c) { return c.opProgFlag(3, 1); }), {"3", "1"}},
      {"opProgOpr",
       D([](C& c) { return c.opProgOpr(4, "MARIO", 12, 5.5f); }),
       {"4", "MARIO", "12", "5.5"}},
      {"opProgReparto",
       D([](C& c) {
         return c.opProgReparto(2, "PANE", Cur("1.50"), Cur("2"), Cur("0.01"), 1, 1, Cur("100"), 3,
                                4, "KG");
       }),
       {"2", "PANE", "1.50", "2", "0.01", "1", "1", "100", "3", "4", "KG"}},
      {"opProgRigaInt", D([](C& c) { return c.opProgRigaInt(1, "NEGOZIO"); }), {"1", "NEGOZIO"}},
      {"opProgTassa", D([](C& c) { return c.opProgTassa(1, 5.5f); }), {"1", "5.5"}},
      {"opProgTicket",
       D([](C& c) { return c.opProgTicket(2, "PASTI", Cur("5.16")); }),
       {"2", "PASTI", "5.16"}},
      {"opProgTipoRigaInt", D([](C& c) { return c.opProgTipoRigaInt(4, 2); }), {"4", "2"}},
      {"opReadConf", D([](C& c) { return c.opReadConf(12); }), {"12"}},
      {"opReadCredCC", D([](C& c) { return c.opReadCredCC(3); }), {"3"}},
      {"opReadDataOra", D([](C& c) { return c.opReadDataOra(); }), {}},
      {"opReadFlag", D([](C& c) { return c.opReadFlag(3); }), {"3"}},
      {"opReadMatrFisc", D([](C& c) { return c.opReadMatrFisc(1); }), {"1"}},
      {"opReadOpr", D([](C& c) { return c.opReadOpr(4); }), {"4"}},
      {"opReadReparto", D([](C& c) { return c.opReadReparto(5); }), {"5"}},
      {"opReadTassa", D([](C& c) { return c.opReadTassa(1); }), {"1"}},
      {"opReadTicket", D([](C& c) { return c.opReadTicket(2); }), {"2"}},
      {"opReadTipoRigaInt", D([](C& c) { return c.opReadTipoRigaInt(3); }), {"3"}},
      {"opReparto",
       D([](C& c) { return c.opReparto(1, "PANE", Cur("1.50"), 2); }),
       {"1", "PANE", "1.50", "2"}},
      {"opRepartoQInt",
       D([](C& c) { return c.opRepartoQInt(1, "LATTE", 12, Cur("0.99"), 3); }),
       {"1", "LATTE", "12", "0.99", "3"}},
      {"opRepartoQDec",
       D([](C& c) { return c.opRepartoQDec(1, "MELE", 5.5f, Cur("2.20"), 4); }),
       {"1", "MELE", "5.5", "2.20", "4"}},
      {"opRepartoStorno",
       D([](C& c) { return c.opRepartoStorno(1, "PANE", Cur("1.50"), 2, 2, "ABC"); }),
       {"1", "PANE", "1.50", "2", "2", "ABC"}},
      {"opRepartoStornoQDec",
       D([](C& c) { return c.opRepartoStornoQDec(1, "MELE", 0.25f, Cur("2.20"), 4); }),
       {"1", "MELE", "0.25", "2.20", "4"}},
      {"opRepartoStornoQInt",
       D([](C& c) { return c.opRepartoStornoQInt(1, "LATTE", 3, Cur("0.99"), 3, 3); }),
       {"1", "LATTE", "3", "0.99", "3", "3"}},
      {"opRiavvioStampaDaFineCarta",
       D([](C& c) { return c.opRiavvioStampaDaFineCarta(8); }),
       {"8"}},
      {"opRigheAgg", D([](C& c) { return c.opRigheAgg(1, 2, "RIGA"); }), {"1", "2", "RIGA"}},
      {"opRistampaScontr", D([](C& c) { return c.opRistampaScontr(9); }), {"9"}},
      {"opSBloccoTastiera", D([](C& c) { return c.opSBloccoTastiera(10); }), {"10"}},
      {"opSubTot", D([](C& c) { return c.opSubTot(11); }), {"11"}},
      {"opSubTotAbbuono", D([](C& c) { return c.opSubTotAbbuono(1, Cur("0.48")); }), {"1", "0.48"}},
      {"opSubTotPercPlus", D([](C& c) { return c.opSubTotPercPlus(1, 5.5f); }), {"1", "5.5"}},
      {"opSubTotPercMinus", D([](C& c) { return c.opSubTotPercMinus(1, 12.5f); }), {"1", "12.5"}},
      {"opTicket", D([](C& c) { return c.opTicket(3, 2, Cur("5.20")); }), {"3", "2", "5.20"}},
      {"opVoidTot", D([](C& c) { return c.opVoidTot(13); }), {"13"}},
      {"opXTotFinGior", D([](C& c) { return c.opXTotFinGior(7); }), {"7"}},
      {"opXTotFinPer", D([](C& c) { return c.opXTotFinPer(14); }), {"14"}},
      {"opXTotOprGior", D([](C& c) { return c.opXTotOprGior(1, 3); }), {"1", "3"}},
      {"opXTotOprPer", D([](C& c) { return c.opXTotOprPer(1, 4); }), {"1", "4"}},
      {"opXTotOreGior", D([](C& c) { return c.opXTotOreGior(15); }), {"15"}},
      {"opXTotOrePer", D([](C& c) { return c.opXTotOrePer(16); }), {"16"}},
      {"opXTotRepGior", D([](C& c) { return c.opXTotRepGior(1, 2); }), {"1", "2"}},
      {"opXTotRepPer", D([](C& c) { return c.opXTotRepPer(0, 0); }), {"0", "0"}},
      {"opZChiusuraFisc", D([](C& c) { return c.opZChiusuraFisc(17); }), {"17"}},
      {"opZTotFinGior", D([](C& c) { return c.opZTotFinGior(18); }), {"18"}},
      {"opZTotOreGior", D([](C& c) { return c.opZTotOreGior(19); }), {"19"}},
      {"opZTotOprGior", D([](C& c) { return c.opZTotOprGior(1, 5); }), {"1", "5"}},
      {"opZTotFinPer", D([](C& c) { return c.opZTotFinPer(20); }), {"20"}},
      {"opZTotOrePer", D([](C& c) { return c.opZTotOrePer(21); }), {"21"}},
      {"opZTotOprPer", D([](C& c) { return c.opZTotOprPer(12, 5); }), {"12", "5"}},
      {"opZFiscMem", D([](C& c) { return c.opZFiscMem(22); }), {"22"}},
      {"opRepartoReso",
       D([](C& c) { return c.opRepartoReso(1, "PANE", Cur("1.50"), 2); }),
       {"1", "PANE", "1.50", "2"}},
      {"opRepartoResoQInt",
       D([](C& c) { return c.opRepartoResoQInt(1, "LATTE", 12, Cur("0.99"), 3); }),
       {"1", "LATTE", "12", "0.99", "3"}},
      {"opRepartoResoQDec",
       D([](C& c) { return c.opRepartoResoQDec(1, "MELE", 5.5f, Cur("2.20"), 4); }),
       {"1", "MELE", "5.5", "2.20", "4"}},
  };
  return calls;
}

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
  for (const TextCall& call : TextCalls()) {
    SCOPED_TRACE(call.op);
    names.insert(call.op);
    const Variant direct = call.direct(control());
    const std::string command = control().CurrentCommand();
    control().opSubTot(99);  // another command in between
    const Variant by_name = Invoke(control(), call.op, K::Method, call.text);
    EXPECT_EQ(control().CurrentCommand(), command);
    EXPECT_NE(command, "105199");
    EXPECT_EQ(by_name, direct);
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
