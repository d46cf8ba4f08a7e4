// The per-operation check preflight uses: each argument of the operations a
// document makes against the width and kind of the field it becomes.
#include <array>
#include <cmath>
#include <string_view>

#include "tavirel/cp1252.hpp"
#include "tavirel/documents/preflight.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::documents {
namespace {

enum class Kind { Digits, Amount, Percent, DecimalQty, WholeQty, Text };

struct Field {
  std::string_view param;
  Kind kind;
  int width = 0;  // digits or characters
};

struct MemberFields {
  std::string_view member;
  std::array<Field, 7> fields;
  std::size_t count;
};

constexpr Field kOp{"CodOpr", Kind::Digits, 2};
constexpr Field kDesc{"DescProd", Kind::Text, 20};
constexpr Field kPrice{"Prezzo", Kind::Amount, 9};
constexpr Field kRep{"Rep", Kind::Digits, 2};
constexpr Field kPriceType{"TipoPrezzo", Kind::Digits, 1};
constexpr Field kCode{"CodProd", Kind::Text, 40};
constexpr Field kQta{"Qta", Kind::WholeQty, 4};
constexpr Field kQtaDec{"QtaDec", Kind::DecimalQty, 7};

constexpr MemberFields Plain(std::string_view m) {
  return {m, {kOp, kDesc, kPrice, kRep, kPriceType, kCode}, 6};
}
constexpr MemberFields WithQty(std::string_view m, Field q) {
  return {m, {kOp, kDesc, q, kPrice, kRep, kPriceType, kCode}, 7};
}
constexpr MemberFields Op(std::string_view m) { return {m, {kOp}, 1}; }
constexpr MemberFields Op(std::string_view m, Field f) { return {m, {kOp, f}, 2}; }
constexpr MemberFields Op(std::string_view m, Field f, Field g) { return {m, {kOp, f, g}, 3}; }

constexpr Field kNumOpr{"NumeroOperatore", Kind::Digits, 2};
constexpr Field kNumRep{"NumeroReparto", Kind::Digits, 2};

// The members a document uses.
constexpr std::array kMembers = {
    Plain("opReparto"),
    WithQty("opRepartoQInt", kQta),
    WithQty("opRepartoQDec", kQtaDec),
    Plain("opRepartoReso"),
    WithQty("opRepartoResoQInt", kQta),
    WithQty("opRepartoResoQDec", kQtaDec),
    Plain("opRepartoStorno"),
    WithQty("opRepartoStornoQInt", kQta),
    WithQty("opRepartoStornoQDec", kQtaDec),
    Op("opDescAgg", {"Descr", Kind::Text, 20}),
    Op("opSubTotAbbuono", {"Importo", Kind::Amount, 9}),
    Op("opSubTotPercPlus", {"Perc", Kind::Percent, 4}),
    Op("opSubTotPercMinus", {"Perc", Kind::Percent, 4}),
    Op("opContante", {"Importo", Kind::Amount, 9}),
    Op("opAssegno", {"ImportoAssegno", Kind::Amount, 9}),
    Op("opCredCC", {"NCartaCC", Kind::Digits, 2}),
    Op("opTicket", {"NTipoTicket", Kind::Digits, 2}, {"ValoreTicket", Kind::Amount, 9}),
    Op("opSubTot"),
    Op("opVoidTot"),
    Op("opIniSNoFisc"),
    Op("opDatiSNoFisc", {"Font", Kind::Digits, 1}, {"DescRiga", Kind::Text, 40}),
    Op("opEndSNoFisc"),
    Op("opXTotFinGior"),
    Op("opXTotRepGior", kNumRep),
    Op("opXTotOreGior"),
    Op("opXTotOprGior", kNumOpr),
    Op("opXTotFinPer"),
    Op("opXTotRepPer", kNumRep),
    Op("opXTotOrePer"),
    Op("opXTotOprPer", kNumOpr),
    Op("opZChiusuraFisc"),
    Op("opZTotFinGior"),
    Op("opZTotOreGior"),
    Op("opZTotOprGior", kNumOpr),
    Op("opZTotFinPer"),
    Op("opZTotOrePer"),
    Op("opZTotOprPer", kNumOpr),
    Op("opZFiscMem"),
};

std::int64_t Limit(int digits) {
  std::int64_t limit = 1;
  for (int i = 0; i < digits; ++i) limit *= 10;
  return limit - 1;
}

std::optional<std::string> CheckWhole(const Variant& v, std::int64_t max) {
  if (v.type() != VarType::VT_I2 && v.type() != VarType::VT_I4) {
    return "\"" + v.ToString() + "\" does not fit: from 0 to " + std::to_string(max);
  }
  const std::int64_t n = v.ToI4();
  if (n < 0 || n > max) {
    return std::to_string(n) + " does not fit: from 0 to " + std::to_string(max);
  }
  return std::nullopt;
}

std::optional<std::string> CheckAmount(const Variant& v, std::int32_t mode) {
  const Currency c = v.ToCurrency();
  const std::int64_t per_unit = mode == TVL_EUROSETTINGS_LIRE ? Currency::kScale : 100;
  if (c.raw() < 0) return std::string("must not be negative");
  if (c.raw() % per_unit != 0) {
    return mode == TVL_EUROSETTINGS_LIRE ? "lire have no decimals" : "euro have two decimals";
  }
  if (c.raw() / per_unit > Limit(9)) {
    return mode == TVL_EUROSETTINGS_LIRE ? "is over 999999999 lire" : "is over 9999999.99 euro";
  }
  return std::nullopt;
}

std::optional<std::string> CheckScaled(const Variant& v, int width, int scale) {
  const double scaled = std::round(static_cast<double>(v.ToR4()) * std::pow(10.0, scale));
  if (scaled >= 0 && scaled <= static_cast<double>(Limit(width))) return std::nullopt;
  std::string most(static_cast<std::size_t>(width), '9');
  most.insert(most.size() - static_cast<std::size_t>(scale), ".");
  return v.ToString() + " does not fit: from 0 to " + most;
}

std::optional<std::string> CheckText(const Variant& v, int width) {
  const std::string text = v.ToString();
  std::string_view trimmed = text;
  while (!trimmed.empty() && trimmed.front() == ' ') trimmed.remove_prefix(1);
  while (!trimmed.empty() && trimmed.back() == ' ') trimmed.remove_suffix(1);
  if (cp1252::ToUtf8(cp1252::FromUtf8(trimmed)) != trimmed) {
    return "has characters the register cannot print (outside Windows-1252)";
  }
  const std::size_t chars = cp1252::CharCount(trimmed);
  if (chars > static_cast<std::size_t>(width)) {
    return "has " + std::to_string(chars) + " characters, the register prints " +
           std::to_string(width) + " (it would be cut)";
  }
  return std::nullopt;
}

std::optional<std::string> CheckField(const Field& f, const Variant& v, std::int32_t mode) {
  switch (f.kind) {
    case Kind::Digits:
    case Kind::WholeQty: return CheckWhole(v, Limit(f.width));
    case Kind::Amount: return CheckAmount(v, mode);
    case Kind::Percent: return CheckScaled(v, f.width, 2);
    case Kind::DecimalQty: return CheckScaled(v, f.width, 3);
    case Kind::Text: return CheckText(v, f.width);
  }
  return std::nullopt;
}

std::vector<Problem> CheckArguments(std::string_view member, const std::vector<Variant>& args,
                                    std::int32_t mode) {
  for (const MemberFields& m : kMembers) {
    if (m.member != member) continue;
    std::vector<Problem> problems;
    if (args.size() > m.count) problems.push_back({"", "too many arguments"});
    for (std::size_t i = 0; i < args.size() && i < m.count; ++i) {
      if (args[i].empty()) continue;
      if (auto message = CheckField(m.fields[i], args[i], mode)) {
        problems.push_back({std::string(m.fields[i].param), *message});
      }
    }
    return problems;
  }
  return {{"", "no field layout for " + std::string(member)}};
}

}  // namespace

ArgumentCheck DefaultArgumentCheck() { return CheckArguments; }

}  // namespace tavirel::documents
