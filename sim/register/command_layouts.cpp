// The layout of every command the register knows: code, then its fields in
// order with their widths and shapes.
#include <vector>

#include "command_reader.hpp"

namespace tavirel::sim {
namespace {

constexpr FieldLayout D(std::string_view name, int width) {
  return {name, FieldKind::Digits, width};
}
constexpr FieldLayout T(std::string_view name, int width) { return {name, FieldKind::Text, width}; }

const FieldLayout kOpr = D("CodOpr", 2);
const FieldLayout kAmount = D("Importo", 9);

std::vector<Layout> SaleLines() {
  std::vector<Layout> rows;
  for (int code : {1003, 1004, 1005, 1009, 1010, 1011, 1015, 1016, 1017}) {
    rows.push_back({code,
                    {kOpr, T("CodProd", 40), T("DescProd", 20), D("Qta", 7), D("TipoPrezzo", 1),
                     D("Prezzo", 9), D("Rep", 2)}});
  }
  return rows;
}

std::vector<Layout> OperatorOnly() {
  std::vector<Layout> rows;
  for (int code : {1027, 1028, 1047, 1050, 1051, 1055, 1056, 1063, 1065, 1149, 2001,
                   2005, 2007, 2011, 3001, 3002, 3005, 3007, 3010, 3015, 3018, 3217}) {
    rows.push_back({code, {kOpr}});
  }
  return rows;
}

std::vector<Layout> Others() {
  return {
      {1024, {kOpr, kAmount}},
      {1025, {kOpr, D("Perc", 4)}},
      {1026, {kOpr, D("Perc", 4)}},
      {1036, {kOpr, kAmount}},
      {1044, {kOpr, kAmount}},
      {1045, {kOpr, D("NCartaCC", 2)}},
      {1046, {kOpr, D("NTipoTicket", 2), D("ValoreTicket", 9)}},
      {1062, {kOpr, D("NumVisore", 1), T("Descr", 40), {"Cursore", FieldKind::MoreDigits, 1}}},
      {1064, {kOpr, D("Font", 1), T("DescRiga", 40)}},
      {1066, {kOpr, T("Descr", 20)}},
      {1067, {kOpr, D("NRiga", 1), T("DescRiga", 40)}},
      {2003, {kOpr, D("Numero", 2)}},
      {2009, {kOpr, D("Numero", 2)}},
      {2006, {kOpr, D("Numero", 2)}},
      {2012, {kOpr, D("Numero", 2)}},
      {3006, {kOpr, D("Numero", 2)}},
      {3011, {kOpr, D("Numero", 2)}},
      {3016, {D("NRigaInt", 2), T("DescInt", 27)}},
      {4001, {D("Giorno", 2), D("Mese", 2), D("Anno", 2), D("Ore", 2), D("Minuti", 2)}},
      {4002,
       {D("NReparto", 2),
        T("DescReparto", 20),
        D("Prezzo1", 9),
        D("Prezzo2", 9),
        D("Prezzo3", 9),
        D("Item", 1),
        D("NTassaRep", 2),
        D("Limite", 9),
        D("GruppoStampa", 2),
        D("SuperGruppoMerceologico", 2),
        {"UMFattura", FieldKind::Any, 2}}},
      {4005, {D("NTassa", 2), D("Aliquota", 4)}},
      {4007, {D("NCartaCC", 2), T("DescCartaCC", 20)}},
      {4010, {D("NTipoTicket", 2), T("DescTicket", 20), D("ValoreTicket", 9)}},
      {4013, {D("NumeroOperatore", 2), T("DescOpr", 20), D("CodOprSegr", 4), D("PerOpr", 4)}},
      {4014, {D("NumFlag", 2), D("Flag", 1)}},
      {4015, {D("NumConf", 2), D("Conf", 3)}},
      {4016, {D("NumRiga", 1), D("TipoStampa", 1)}},
      {4201, {}},
      {4202, {D("Numero", 2)}},
      {4205, {D("Numero", 2)}},
      {4207, {D("Numero", 2)}},
      {4210, {D("Numero", 2)}},
      {4213, {D("Numero", 2)}},
      {4214, {D("Numero", 2)}},
      {4215, {D("Numero", 2)}},
      {4216, {D("Numero", 1)}},
  };
}

const std::vector<Layout>& AllLayouts() {
  static const std::vector<Layout> all = [] {
    std::vector<Layout> rows = SaleLines();
    for (auto& row : OperatorOnly()) rows.push_back(row);
    for (auto& row : Others()) rows.push_back(row);
    return rows;
  }();
  return all;
}

}  // namespace

const Layout* FindLayout(int code) {
  for (const auto& layout : AllLayouts()) {
    if (layout.code == code) return &layout;
  }
  return nullptr;
}

}  // namespace tavirel::sim
