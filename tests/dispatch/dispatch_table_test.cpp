// The members of the dispatch interface: slot order, ids, parameters, types.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "tavirel/dispatch.hpp"

namespace tavirel {
namespace {

using K = MemberKind;

struct Slot {
  std::string name;
  MemberKind kind;
  bool operator==(const Slot&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Slot& slot) {
  return os << slot.name << " (" << KindName(slot.kind) << ")";
}

// The interface layout, written out in its slot order.
std::vector<Slot> InterfaceLayout() {
  std::vector<Slot> slots = {{"GetLastErrorDescription", K::Method}};
  for (const char* op : {"opApriCassetto",
                         "opAssegno",
                         "opAttivazioneEuro",
                         "opBloccoTastiera",
                         "opContante",
                         "opCorr",
                         "opCredCC",
                         "opDatiSNoFisc",
                         "opDescAgg",
                         "opEndSNoFisc",
                         "opIniSNoFisc",
                         "opMsgVisoreCortesia",
                         "opProgConf",
                         "opProgCredCC",
                         "opProgDataOra",
                         "opProgFlag",
                         "opProgOpr",
                         "opProgReparto",
                         "opProgRigaInt",
                         "opProgTassa",
                         "opProgTicket",
                         "opProgTipoRigaInt",
                         "opReadConf",
                         "opReadCredCC",
                         "opReadDataOra",
                         "opReadFlag",
                         "opReadMatrFisc",
                         "opReadOpr",
                         "opReadReparto",
                         "opReadTassa",
                         "opReadTicket",
                         "opReadTipoRigaInt",
                         "opReparto",
                         "opRepartoQInt",
                         "opRepartoQDec",
                         "opRepartoStorno",
                         "opRepartoStornoQDec",
                         "opRepartoStornoQInt",
                         "opRiavvioStampaDaFineCarta",
                         "opRigheAgg",
                         "opRistampaScontr",
                         "opSBloccoTastiera",
                         "opSubTot",
                         "opSubTotAbbuono",
                         "opSubTotPercPlus",
                         "opSubTotPercMinus",
                         "opTicket",
                         "opVoidTot",
                         "opXTotFinGior",
                         "opXTotFinPer",
                         "opXTotOprGior",
                         "opXTotOprPer",
                         "opXTotOreGior",
                         "opXTotOrePer",
                         "opXTotRepGior",
                         "opXTotRepPer",
                         "opZChiusuraFisc",
                         "opZTotFinGior",
                         "opZTotOreGior",
                         "opZTotOprGior",
                         "opZTotFinPer",
                         "opZTotOrePer",
                         "opZTotOprPer",
                         "opZFiscMem"}) {
    slots.push_back({op, K::Method});
  }
  for (const char* method : {"PortOpen", "PortClose", "PortIsOpen"})
    slots.push_back({method, K::Method});
  for (const char* setting : {"Settings", "COMPort", "EuroSettings"}) {
    slots.push_back({setting, K::PropertyGet});
    slots.push_back({setting, K::PropertyPut});
  }
  for (const char* property : {"LastEERR",
                               "LastOP",
                               "LastOPCode",
                               "LastCodProd",
                               "LastQta",
                               "LastTipoPre",
                               "LastPre",
                               "LastImp",
                               "LastRep",
                               "LastSubT",
                               "LastPerc",
                               "LastTotFisc",
                               "LastTotNFisc",
                               "LastGG",
                               "LastMM",
                               "LastAA",
                               "LastHH",
                               "LastMin",
                               "LastDate",
                               "LastNumSF",
                               "LastNumSNF",
                               "LastRim",
                               "LastRest",
                               "LastCC",
                               "LastNumTick",
                               "LastSubTotFisc",
                               "LastSubTotNFisc",
                               "LastNReparto",
                               "LastDescReparto",
                               "LastPrezzo1",
                               "LastPrezzo2",
                               "LastPrezzo3",
                               "LastItem",
                               "LastNTassaRep",
                               "LastLimite",
                               "LastGruppoStampa",
                               "LastSuperGruppoMerceologico",
                               "LastUMFattura",
                               "LastNTassa",
                               "LastAliquota",
                               "LastNCartaCC",
                               "LastDescCartaCC",
                               "LastNTipoTicket",
                               "LastDescTicket",
                               "LastValoreTicket",
                               "LastNumeroOperatore",
                               "LastDescOpr",
                               "LastCodOprSegr",
                               "LastPerOpr",
                               "LastNumFlag",
                               "LastFlag",
                               "LastNumConf",
                               "LastConf",
                               "LastNumRiga",
                               "LastTipoStampa",
                               "LastMatrFisc"}) {
    slots.push_back({property, K::PropertyGet});
  }
  for (const char* version : {"Major", "Minor", "Revision"})
    slots.push_back({version, K::PropertyGet});
  for (const char* op : {"opRepartoReso", "opRepartoResoQInt", "opRepartoResoQDec"}) {
    slots.push_back({op, K::Method});
  }
  return slots;
}

TEST(DispatchTable, EveryMemberOnceInSlotOrderWithIdsFollowingIt) {
  const std::vector<Slot> layout = InterfaceLayout();
  ASSERT_EQ(layout.size(), 1u + 64 + 3 + 6 + 56 + 3 + 3);

  std::vector<Slot> members;
  std::set<std::pair<std::string, MemberKind>> seen;
  std::int32_t previous_id = 0;
  for (const MemberInfo& member : Members()) {
    members.push_back({std::string(member.name), member.kind});
    EXPECT_TRUE(seen.insert({std::string(member.name), member.kind}).second) << member.name;
    EXPECT_GT(member.id, previous_id) << member.name;
    previous_id = member.id;
    EXPECT_EQ(FindMember(member.id), &member) << member.name;
    EXPECT_EQ(FindMember(member.name, member.kind), &member) << member.name;
  }
  EXPECT_EQ(members, layout);
  EXPECT_EQ(FindMember(0), nullptr);
  EXPECT_EQ(FindMember(previous_id + 1), nullptr);
}

TEST(DispatchTable, ParametersAndResultTypes) {
  const MemberInfo* reparto = FindMember("opReparto", K::Method);
  ASSERT_NE(reparto, nullptr);
  EXPECT_EQ(Signature(*reparto),
            "opReparto(CodOpr As Integer, DescProd As String, Prezzo As Currency, Rep As Integer, "
            "[TipoPrezzo As Integer = 1], [CodProd As String = \"" +
                std::string(40, '0') + "\"]) As Integer");
  EXPECT_EQ(Signature(*FindMember("opRepartoQDec", K::Method)),
            "opRepartoQDec(CodOpr As Integer, DescProd As String, QtaDec As Single, "
            "Prezzo As Currency, Rep As Integer, [TipoPrezzo As Integer = 1], [CodProd As String = "
            "\"" +
                std::string(40, '0') + "\"]) As Integer");
  EXPECT_EQ(Signature(*FindMember("opContante", K::Method)),
            "opContante(CodOpr As Integer, [Importo As Currency = 0]) As Integer");
  EXPECT_EQ(Signature(*FindMember("opMsgVisoreCortesia", K::Method)),
            "opMsgVisoreCortesia(CodOpr As Integer, Descr As String, [NumVisore As Integer = 0], "
            "[Cursore As Integer = 0]) As Integer");
  EXPECT_EQ(Signature(*FindMember("opReadDataOra", K::Method)), "opReadDataOra() As Integer");
  EXPECT_EQ(Signature(*FindMember("opEndSNoFisc", K::Method)),
            "opEndSNoFisc(CodOpr As Integer) As Variant");
  EXPECT_EQ(Signature(*FindMember("GetLastErrorDescription", K::Method)),
            "GetLastErrorDescription(ErrorLevel As Integer, ErrorCode As Long) As String");
  EXPECT_EQ(Signature(*FindMember("PortIsOpen", K::Method)), "PortIsOpen() As Boolean");
  EXPECT_EQ(Signature(*FindMember("PortOpen", K::Method)), "PortOpen()");
  EXPECT_EQ(Signature(*FindMember("EuroSettings", K::PropertyPut)),
            "EuroSettings =(EuroSettings As Long)");
  EXPECT_EQ(Signature(*FindMember("LastDate", K::PropertyGet)), "LastDate As Date");
  EXPECT_EQ(Signature(*FindMember("LastImp", K::PropertyGet)), "LastImp As Currency");
  EXPECT_EQ(Signature(*FindMember("LastMatrFisc", K::PropertyGet)), "LastMatrFisc As Long");
  EXPECT_EQ(Signature(*FindMember("LastPerOpr", K::PropertyGet)), "LastPerOpr As Single");
  EXPECT_EQ(Signature(*FindMember("Revision", K::PropertyGet)), "Revision As Integer");
}

TEST(DispatchTable, TheEventInterfaceHasFPError) {
  const MemberInfo& event = FPErrorEvent();
  EXPECT_EQ(event.name, "FPError");
  ASSERT_EQ(event.params.size(), 2u);
  EXPECT_EQ(event.params[0].name, "ErrorLevel");
  EXPECT_EQ(event.params[0].type, VarType::VT_I2);
  EXPECT_EQ(event.params[1].name, "ErrorCode");
  EXPECT_EQ(event.params[1].type, VarType::VT_I4);
  EXPECT_EQ(Signature(event), "FPError(ErrorLevel As Integer, ErrorCode As Long)");
}

}  // namespace
}  // namespace tavirel
