// The programmable tables, one row each: what the JSON reader accepts, what
// preflight checks, what the runner reads, compares and writes.
#include "tavirel/documents/programming.hpp"

#include <array>

namespace tavirel::documents {
namespace {

using K = FieldKind;

constexpr std::array<ProgramField, 1> kVat{{{"rate", K::Percent, 4, "Aliquota", "LastAliquota"}}};

constexpr std::array<ProgramField, 10> kDepartment{{
    {"description", K::Text, 20, "DescReparto", "LastDescReparto"},
    {"prices[0]", K::Money, 9, "Prezzo1", "LastPrezzo1"},
    {"prices[1]", K::Money, 9, "Prezzo2", "LastPrezzo2"},
    {"prices[2]", K::Money, 9, "Prezzo3", "LastPrezzo3"},
    {"item", K::Whole, 1, "Item", "LastItem"},
    {"vat", K::Whole, 2, "NTassaRep", "LastNTassaRep"},
    {"limit", K::Money, 9, "Limite", "LastLimite"},
    {"print_group", K::Whole, 2, "GruppoStampa", "LastGruppoStampa"},
    {"super_group", K::Whole, 2, "SuperGruppoMerceologico", "LastSuperGruppoMerceologico"},
    {"unit", K::Unit, 2, "UMFattura", "LastUMFattura"},
}};

constexpr std::array<ProgramField, 3> kOperator{{
    {"name", K::Text, 20, "DescOpr", "LastDescOpr"},
    {"code", K::Secret, 4, "CodOprSegr", "LastCodOprSegr"},
    {"percent", K::Percent, 4, "PerOpr", "LastPerOpr"},
}};

constexpr std::array<ProgramField, 1> kCard{
    {{"description", K::Text, 20, "DescCartaCC", "LastDescCartaCC"}}};

constexpr std::array<ProgramField, 2> kTicket{{
    {"description", K::Text, 20, "DescTicket", "LastDescTicket"},
    {"value", K::Money, 9, "ValoreTicket", "LastValoreTicket"},
}};

constexpr std::array<ProgramField, 1> kFlag{{{"value", K::Whole, 1, "Flag", "LastFlag"}}};
constexpr std::array<ProgramField, 1> kConf{{{"value", K::Whole, 3, "Conf", "LastConf"}}};
constexpr std::array<ProgramField, 1> kLineType{
    {{"print_type", K::Whole, 1, "TipoStampa", "LastTipoStampa"}}};
constexpr std::array<ProgramField, 1> kHeaderText{{{"text", K::Text, 27, "DescInt", ""}}};

constexpr std::array<ProgramTable, 9> kTables{{
    {"vat", "opProgTassa", "opReadTassa", 2, "NTassa", "LastNTassa", kVat, "VAT rates"},
    {"departments", "opProgReparto", "opReadReparto", 2, "NReparto", "LastNReparto", kDepartment,
     "departments"},
    {"operators", "opProgOpr", "opReadOpr", 2, "NumeroOperatore", "LastNumeroOperatore", kOperator,
     "operators (cashiers)"},
    {"cards", "opProgCredCC", "opReadCredCC", 2, "NCartaCC", "LastNCartaCC", kCard,
     "credit-card types"},
    {"tickets", "opProgTicket", "opReadTicket", 2, "NTipoTicket", "LastNTipoTicket", kTicket,
     "meal-voucher types"},
    {"flags", "opProgFlag", "opReadFlag", 2, "NumFlag", "LastNumFlag", kFlag, "flags"},
    {"config", "opProgConf", "opReadConf", 2, "NumConf", "LastNumConf", kConf,
     "configuration values"},
    {"header", "opProgTipoRigaInt", "opReadTipoRigaInt", 1, "NumRiga", "LastNumRiga", kLineType,
     "the print type of a header line"},
    {"header", "opProgRigaInt", "", 2, "NRigaInt", "", kHeaderText, "the receipt's header lines"},
}};

}  // namespace

std::span<const ProgramTable> ProgramTables() { return kTables; }

bool IsProgramTable(std::string_view name) {
  for (const ProgramTable& t : kTables) {
    if (t.name == name) return true;
  }
  return false;
}

}  // namespace tavirel::documents
