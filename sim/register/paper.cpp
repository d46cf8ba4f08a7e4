// The paper record's one-line JSON form, written field by field so the
// fields keep their order, and read back strictly.
#include "tavirel/sim/paper.hpp"

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "tavirel/sim/errors.hpp"

namespace tavirel::sim {
namespace {

constexpr std::array<std::string_view, 5> kKindNames{"receipt", "voided", "non-fiscal", "report",
                                                     "fiscal-closure"};

PaperKind KindFromName(const std::string& name) {
  for (std::size_t i = 0; i < kKindNames.size(); ++i) {
    if (kKindNames[i] == name) return static_cast<PaperKind>(i);
  }
  throw SimError("paper record: unknown kind \"" + name + "\"");
}

// "12.34" or "-0.50" back to cents, "1500" to lire; the form says the unit.
void AmountFromText(const std::string& text, PaperRecord& r) {
  const bool negative = !text.empty() && text[0] == '-';
  const std::string digits = text.substr(negative ? 1 : 0);
  const auto dot = digits.find('.');
  const bool euro = dot != std::string::npos;
  const std::string whole = euro ? digits.substr(0, dot) : digits;
  const std::string cents = euro ? digits.substr(dot + 1) : "";
  const auto all_digits = [](const std::string& s) {
    return !s.empty() && s.size() <= 15 && s.find_first_not_of("0123456789") == std::string::npos;
  };
  if (!all_digits(whole) || (euro && (cents.size() != 2 || !all_digits(cents))))
    throw SimError("paper record: total \"" + text + "\" is not a decimal amount");
  Amount value = std::stoll(whole) * (euro ? 100 : 1) + (euro ? std::stoll(cents) : 0);
  r.total = negative ? -value : value;
  r.currency = euro ? CurrencyUnit::Euro : CurrencyUnit::Lire;
}

}  // namespace

std::string_view PaperKindName(PaperKind kind) {
  return kKindNames.at(static_cast<std::size_t>(kind));
}

std::string DecimalText(Amount amount, CurrencyUnit unit) {
  const bool negative = amount < 0;
  const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(amount)
                                                : static_cast<unsigned long long>(amount);
  char text[32];
  if (unit == CurrencyUnit::Euro) {
    std::snprintf(text, sizeof text, "%s%llu.%02llu", negative ? "-" : "", magnitude / 100,
                  magnitude % 100);
  } else {
    std::snprintf(text, sizeof text, "%s%llu", negative ? "-" : "", magnitude);
  }
  return text;
}

std::string PaperLine(const PaperRecord& r) {
  char serial[16];
  std::snprintf(serial, sizeof serial, "%06d", static_cast<int>(r.serial));
  std::string line = "{\"kind\":\"";
  line += PaperKindName(r.kind);
  line += "\",\"number\":" + std::to_string(r.number);
  line += ",\"total\":\"" + DecimalText(r.total, r.currency) + "\"";
  line += ",\"lines\":" + std::to_string(r.lines);
  line += ",\"serial\":\"" + std::string(serial) + "\"";
  // Report names are our own plain words: nothing in them needs escaping.
  if (r.kind == PaperKind::Report) line += ",\"report\":\"" + r.report + "\"";
  line += ",\"seq\":" + std::to_string(r.seq) + "}";
  return line;
}

PaperRecord ParsePaperLine(std::string_view line) {
  try {
    const nlohmann::json j = nlohmann::json::parse(line);
    PaperRecord r;
    r.kind = KindFromName(j.at("kind").get<std::string>());
    r.number = j.at("number").get<int>();
    AmountFromText(j.at("total").get<std::string>(), r);
    r.lines = j.at("lines").get<int>();
    r.serial = static_cast<std::int32_t>(std::stol(j.at("serial").get<std::string>()));
    if (r.kind == PaperKind::Report) r.report = j.at("report").get<std::string>();
    r.seq = j.at("seq").get<std::uint64_t>();
    return r;
  } catch (const SimError&) {
    throw;
  } catch (const std::exception& e) {
    throw SimError("paper record \"" + std::string(line.substr(0, 200)) +
                   "\" cannot be read: " + e.what());
  }
}

}  // namespace tavirel::sim
