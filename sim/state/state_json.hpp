#pragma once
// The register's state and its parts as JSON, field by field, read strictly:
// shared by the snapshot and the change log.
#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>

#include "register/head.hpp"
#include "register/receipt_math.hpp"
#include "tavirel/sim/register_state.hpp"

namespace tavirel::sim {

namespace json_detail {

template <typename E, std::size_t N>
inline void EnumToJson(nlohmann::json& j, E value, const std::array<const char*, N>& names) {
  j = names.at(static_cast<std::size_t>(value));
}

template <typename E, std::size_t N>
inline void EnumFromJson(const nlohmann::json& j, E& value,
                         const std::array<const char*, N>& names) {
  const std::string text = j.get<std::string>();
  for (std::size_t i = 0; i < N; ++i) {
    if (text == names[i]) {
      value = static_cast<E>(i);
      return;
    }
  }
  throw std::invalid_argument("unknown value \"" + text + "\"");
}

constexpr std::array<const char*, 2> kCurrencies{"lire", "euro"};
constexpr std::array<const char*, 4> kPhases{"idle", "sale", "payment", "non-fiscal"};
constexpr std::array<const char*, 5> kPaperKinds{"receipt", "voided", "non-fiscal", "report",
                                                 "fiscal-closure"};
constexpr std::array<const char*, 7> kEntryKinds{
    "sale",       "return", "line-void", "amount-discount", "percent-discount", "percent-surcharge",
    "description"};

}  // namespace json_detail

using json_detail::EnumFromJson;
using json_detail::EnumToJson;
using json_detail::kCurrencies;
using json_detail::kEntryKinds;
using json_detail::kPaperKinds;
using json_detail::kPhases;

inline void to_json(nlohmann::json& j, CurrencyUnit v) { EnumToJson(j, v, kCurrencies); }
inline void from_json(const nlohmann::json& j, CurrencyUnit& v) { EnumFromJson(j, v, kCurrencies); }
inline void to_json(nlohmann::json& j, Phase v) { EnumToJson(j, v, kPhases); }
inline void from_json(const nlohmann::json& j, Phase& v) { EnumFromJson(j, v, kPhases); }
inline void to_json(nlohmann::json& j, PaperKind v) { EnumToJson(j, v, kPaperKinds); }
inline void from_json(const nlohmann::json& j, PaperKind& v) { EnumFromJson(j, v, kPaperKinds); }
inline void to_json(nlohmann::json& j, EntryKind v) { EnumToJson(j, v, kEntryKinds); }
inline void from_json(const nlohmann::json& j, EntryKind& v) { EnumFromJson(j, v, kEntryKinds); }

NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CivilTime, year, month, day, hour, minute, second)
// A moment that may not have come: null when it has not.
inline void to_json(nlohmann::json& j, const std::optional<CivilTime>& t) {
  j = t ? nlohmann::json(*t) : nlohmann::json(nullptr);
}
inline void from_json(const nlohmann::json& j, std::optional<CivilTime>& t) {
  t = j.is_null() ? std::nullopt : std::optional<CivilTime>(j.get<CivilTime>());
}
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(Department, programmed, description, prices, item, vat, limit,
                                   print_group, super_group, unit)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(VatRate, programmed, hundredths)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(NamedEntry, programmed, description)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(TicketType, programmed, description, value)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(Operator, programmed, name, secret, percent)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(HeaderLine, text)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(Tables, departments, vat_rates, card_types, ticket_types,
                                   operators, flags, conf, header)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(FinancialTotals, sales, returns, line_voids, discounts,
                                   surcharges, non_fiscal, voided_receipts_amount, receipts,
                                   voided_receipts, payments, change)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(CountAmount, count, amount, quantity)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(ReportTotals, financial, by_department, by_operator, by_hour)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(FiscalDay, by_vat, totals, first_receipt, last_receipt)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(VatLine, number, hundredths, gross, tax)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(FiscalRecord, number, at, currency, vat, total, non_fiscal,
                                   returns, voided, receipts, voided_receipts, first_receipt,
                                   last_receipt, payments, grand_total)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(ReceiptEntry, kind, department, description, product_code,
                                   quantity, unit_price, amount, by_vat, fiscal, percent, corrected)
// The running sums are not saved: they come from the entries.
inline void to_json(nlohmann::json& j, const OpenReceipt& r) {
  j = nlohmann::json{{"entries", r.entries},
                     {"paid", r.paid},
                     {"operator_code", r.operator_code},
                     {"correctable", r.correctable},
                     {"lines", r.lines}};
}
inline void from_json(const nlohmann::json& j, OpenReceipt& r) {
  j.at("entries").get_to(r.entries);
  j.at("paid").get_to(r.paid);
  j.at("operator_code").get_to(r.operator_code);
  j.at("correctable").get_to(r.correctable);
  j.at("lines").get_to(r.lines);
  RecomputeSums(r);
}
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(DisplayState, text, cursor)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(PaperRecord, kind, seq, number, total, currency, lines, serial,
                                   report)
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(RegisterState, serial, currency, clock_offset, tables,
                                   line_types, receipt_number, non_fiscal_number, closure_number,
                                   grand_total, last_closure_at, day_opened_at, phase, receipt,
                                   footer, displays, keyboard_locked, paper_out, printing_suspended,
                                   last_receipt, non_fiscal_lines, documents, last_document, daily,
                                   periodic, day)

NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(HeadValues, serial, currency, clock_offset, receipt_number,
                                   non_fiscal_number, closure_number, grand_total, last_closure_at,
                                   day_opened_at, phase, keyboard_locked, paper_out,
                                   printing_suspended, non_fiscal_lines, documents, last_document)

}  // namespace tavirel::sim
