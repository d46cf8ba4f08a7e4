// The document's JSON: read with every problem of shape collected, written
// in one fixed order.
#include "tavirel/documents/document_json.hpp"

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <utility>

#include "decimal.hpp"
#include "json_fields.hpp"
#include "program_json.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/json/number_keeping_reader.hpp"

namespace tavirel::documents {
namespace {

using json = nlohmann::json;
using ojson = nlohmann::ordered_json;

template <typename E>
using Names = std::array<std::pair<std::string_view, E>, 4>;

constexpr std::array<std::pair<std::string_view, DocumentType>, 5> kDocumentTypes{{
    {"receipt", DocumentType::Receipt},
    {"non-fiscal", DocumentType::NonFiscal},
    {"report", DocumentType::Report},
    {"reprint", DocumentType::Reprint},
    {"programming", DocumentType::Programming},
}};
constexpr Names<LineType> kLineTypes{{
    {"sale", LineType::Sale},
    {"return", LineType::Return},
    {"void", LineType::Void},
    {"text", LineType::Text},
}};
constexpr std::array<std::pair<std::string_view, AdjustmentType>, 3> kAdjustmentTypes{{
    {"discount-percent", AdjustmentType::DiscountPercent},
    {"surcharge-percent", AdjustmentType::SurchargePercent},
    {"discount", AdjustmentType::Discount},
}};
constexpr Names<PaymentType> kPaymentTypes{{
    {"cash", PaymentType::Cash},
    {"cheque", PaymentType::Cheque},
    {"card", PaymentType::Card},
    {"ticket", PaymentType::Ticket},
}};

template <typename Table, typename E>
std::string_view NameOf(const Table& table, E value) {
  for (const auto& [name, v] : table) {
    if (v == value) return name;
  }
  return "";
}

// False when the type is named but unknown: the rest of the object is not read.
template <typename Table, typename E>
bool ReadType(Fields& f, const Table& table, E& into, bool required) {
  const auto name = f.Text("type", required);
  if (!name) return true;
  for (const auto& [n, v] : table) {
    if (n == *name) {
      into = v;
      return true;
    }
  }
  std::string known;
  for (const auto& [n, v] : table) known += (known.empty() ? "" : ", ") + std::string(n);
  f.Problem("type", "unknown type \"" + *name + "\" (one of " + known + ")");
  return false;
}

ReceiptLine ReadLine(Fields& f) {
  ReceiptLine line;
  if (!ReadType(f, kLineTypes, line.type, false)) return line;
  if (line.type == LineType::Text) {
    f.Only({"type", "text"});
    line.text = f.Text("text", true).value_or("");
    return line;
  }
  f.Only({"type", "department", "description", "price", "quantity", "price_type", "code"});
  line.department = f.Integer("department", true).value_or(0);
  line.description = f.Text("description", true).value_or("");
  line.price = f.Decimal("price", true).value_or("");
  line.quantity = f.Decimal("quantity", false);
  line.price_type = f.Integer("price_type", false);
  line.code = f.Text("code", false);
  return line;
}

Adjustment ReadAdjustment(Fields& f) {
  Adjustment a;
  if (!ReadType(f, kAdjustmentTypes, a.type, true)) return a;
  if (a.type == AdjustmentType::Discount) {
    f.Only({"type", "amount"});
    a.amount = f.Decimal("amount", true).value_or("");
  } else {
    f.Only({"type", "percent"});
    a.percent = f.Decimal("percent", true).value_or("");
  }
  return a;
}

Payment ReadPayment(Fields& f) {
  Payment p;
  if (!ReadType(f, kPaymentTypes, p.type, true)) return p;
  switch (p.type) {
    case PaymentType::Cash:
    case PaymentType::Cheque:
      f.Only({"type", "amount"});
      p.amount = f.Decimal("amount", false);
      break;
    case PaymentType::Card:
      f.Only({"type", "card"});
      p.card = f.Integer("card", true).value_or(0);
      break;
    case PaymentType::Ticket:
      f.Only({"type", "ticket", "amount"});
      p.ticket = f.Integer("ticket", true).value_or(0);
      p.amount = f.Decimal("amount", true);
      break;
  }
  return p;
}

TextLine ReadTextLine(Fields& f) {
  f.Only({"text", "font"});
  TextLine line;
  line.text = f.Text("text", true).value_or("");
  line.font = f.Integer("font", false).value_or(1);
  return line;
}

template <typename T, typename Read>
std::vector<T> ReadList(Fields& f, std::string_view name, bool required, Read read) {
  std::vector<T> items;
  f.EachObject(name, required, [&](Fields& item) { items.push_back(read(item)); });
  return items;
}

// "YYYY-MM-DDTHH:MM:SS[.fff](Z|+HH:MM|-HH:MM)" in milliseconds since 1970 UTC.
std::optional<std::int64_t> TimeMs(std::string_view t) {
  const auto digits = [&](std::size_t at, std::size_t n) -> std::optional<int> {
    if (at + n > t.size()) return std::nullopt;
    int v = 0;
    for (std::size_t i = at; i < at + n; ++i) {
      if (t[i] < '0' || t[i] > '9') return std::nullopt;
      v = v * 10 + (t[i] - '0');
    }
    return v;
  };
  const auto y = digits(0, 4), mo = digits(5, 2), d = digits(8, 2), h = digits(11, 2),
             mi = digits(14, 2), s = digits(17, 2);
  if (!y || !mo || !d || !h || !mi || !s || t[4] != '-' || t[7] != '-' ||
      (t[10] != 'T' && t[10] != 't' && t[10] != ' ') || t[13] != ':' || t[16] != ':' || *mo < 1 ||
      *mo > 12 || *d < 1 || *d > 31 || *h > 23 || *mi > 59 || *s > 60) {
    return std::nullopt;
  }
  std::size_t at = 19;
  std::int64_t ms = 0;
  if (at < t.size() && t[at] == '.') {
    std::int64_t scale = 100;
    for (++at; at < t.size() && t[at] >= '0' && t[at] <= '9'; ++at, scale /= 10) {
      ms += (t[at] - '0') * scale;
    }
  }
  std::int64_t offset_min = 0;
  if (at < t.size() && (t[at] == 'Z' || t[at] == 'z')) {
    ++at;
  } else if (at < t.size() && (t[at] == '+' || t[at] == '-')) {
    const auto oh = digits(at + 1, 2), om = digits(at + 4, 2);
    if (!oh || !om || at + 3 >= t.size() || t[at + 3] != ':' || *oh > 23 || *om > 59) {
      return std::nullopt;
    }
    offset_min = (t[at] == '+' ? 1 : -1) * (*oh * 60 + *om);
    at += 6;
  } else {
    return std::nullopt;  // a time without its zone would mean a different instant per store
  }
  if (at != t.size()) return std::nullopt;
  // Days from the civil date (proleptic Gregorian).
  const int yy = *y - (*mo <= 2 ? 1 : 0);
  const int era = yy / 400;
  const int yoe = yy - era * 400;
  const int doy = (153 * (*mo + (*mo > 2 ? -3 : 9)) + 2) / 5 + *d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t days = std::int64_t{era} * 146097 + doe - 719468;
  const std::int64_t seconds = days * 86400 + *h * 3600 + *mi * 60 + *s - offset_min * 60;
  return seconds * 1000 + ms;
}

void ReadBody(Fields& f, Document& d) {
  switch (d.type) {
    case DocumentType::Receipt:
      f.Only({"key", "type", "operator", "lines", "adjustments", "payments", "expires_at"});
      d.lines = ReadList<ReceiptLine>(f, "lines", true, ReadLine);
      d.adjustments = ReadList<Adjustment>(f, "adjustments", false, ReadAdjustment);
      d.payments = ReadList<Payment>(f, "payments", true, ReadPayment);
      break;
    case DocumentType::NonFiscal:
      f.Only({"key", "type", "operator", "lines", "expires_at"});
      d.text_lines = ReadList<TextLine>(f, "lines", true, ReadTextLine);
      break;
    case DocumentType::Report:
      f.Only({"key", "type", "operator", "report", "number", "expires_at"});
      d.report = f.Text("report", true).value_or("");
      d.report_number = f.Integer("number", false);
      break;
    case DocumentType::Reprint: f.Only({"key", "type", "operator", "expires_at"}); break;
    case DocumentType::Programming: ReadProgramming(f, d); break;
  }
}

// How decimals are written: as the document holds them, or in the form two
// spellings of one amount share (what a key's content is compared by).
enum class Form { Written, Canonical };

std::string Amount(const std::string& text, Form form) {
  return form == Form::Canonical ? CanonicalDecimal(text) : WrittenDecimal(text);
}

std::string Quantity(const std::string& text, Form form) {
  return form == Form::Canonical ? CanonicalDecimal(text, true) : WrittenDecimal(text);
}

ojson LineJson(const ReceiptLine& line, Form form) {
  ojson j = {{"type", NameOf(kLineTypes, line.type)}};
  if (line.type == LineType::Text) {
    j["text"] = line.text;
    return j;
  }
  j["department"] = line.department;
  j["description"] = line.description;
  j["price"] = Amount(line.price, form);
  if (line.quantity) j["quantity"] = Quantity(*line.quantity, form);
  if (line.price_type) j["price_type"] = *line.price_type;
  if (line.code) j["code"] = *line.code;
  return j;
}

ojson AdjustmentJson(const Adjustment& a, Form form) {
  ojson j = {{"type", NameOf(kAdjustmentTypes, a.type)}};
  if (a.type == AdjustmentType::Discount) {
    j["amount"] = Amount(a.amount, form);
  } else {
    j["percent"] = Amount(a.percent, form);
  }
  return j;
}

ojson PaymentJson(const Payment& p, Form form) {
  ojson j = {{"type", NameOf(kPaymentTypes, p.type)}};
  if (p.type == PaymentType::Card) j["card"] = p.card;
  if (p.type == PaymentType::Ticket) j["ticket"] = p.ticket;
  if (p.amount) j["amount"] = Amount(*p.amount, form);
  return j;
}

ojson BodyJson(const Document& d, Form form) {
  ojson j = ojson::object();
  j["type"] = TypeName(d.type);
  // Programming commands carry no operator.
  if (d.type != DocumentType::Programming) j["operator"] = d.operator_code;
  switch (d.type) {
    case DocumentType::Receipt: {
      ojson lines = ojson::array(), adjustments = ojson::array(), payments = ojson::array();
      for (const auto& l : d.lines) lines.push_back(LineJson(l, form));
      for (const auto& a : d.adjustments) adjustments.push_back(AdjustmentJson(a, form));
      for (const auto& p : d.payments) payments.push_back(PaymentJson(p, form));
      j["lines"] = lines;
      j["adjustments"] = adjustments;
      j["payments"] = payments;
      break;
    }
    case DocumentType::NonFiscal: {
      ojson lines = ojson::array();
      for (const auto& l : d.text_lines) lines.push_back({{"text", l.text}, {"font", l.font}});
      j["lines"] = lines;
      break;
    }
    case DocumentType::Report:
      j["report"] = d.report;
      if (d.report_number) j["number"] = *d.report_number;
      break;
    case DocumentType::Reprint: break;
    case DocumentType::Programming: WriteProgramming(d, form == Form::Canonical, j); break;
  }
  if (d.expires_at) j["expires_at"] = *d.expires_at;
  return j;
}

std::string Dump(const ojson& j) { return j.dump(-1, ' ', false, ojson::error_handler_t::replace); }

}  // namespace

std::string_view TypeName(DocumentType type) { return NameOf(kDocumentTypes, type); }

std::string_view PaymentTypeName(PaymentType type) { return NameOf(kPaymentTypes, type); }

std::optional<PaymentType> PaymentTypeNamed(std::string_view name) {
  for (const auto& [n, v] : kPaymentTypes) {
    if (n == name) return v;
  }
  return std::nullopt;
}

Document ParseDocument(std::string_view text) { return ParseDocument(text, {}); }

std::optional<std::int64_t> ExpiresAtMs(const Document& document) {
  return document.expires_at ? TimeMs(*document.expires_at) : std::nullopt;
}

Document ParseDocument(std::string_view text, std::string_view key_beside) {
  json root;
  try {
    root = tavirel::json::ReadKeepingNumbers(text);
  } catch (const tavirel::json::ReadError& e) {
    throw DocumentError(e.where(), e.what());
  }
  ProblemList problems;
  if (!root.is_object()) throw DocumentError("", "a document is a JSON object");
  Fields f(root, "", problems);
  Document d;
  d.key = f.Text("key", key_beside.empty()).value_or(std::string(key_beside));
  if (root.contains("key") && d.key.empty()) f.Problem("key", "must not be empty");
  ReadType(f, kDocumentTypes, d.type, false);
  if (d.type != DocumentType::Programming)
    d.operator_code = f.Integer("operator", false).value_or(1);
  if (problems.empty()) ReadBody(f, d);
  if (d.type != DocumentType::Programming && problems.empty()) {
    d.expires_at = f.Text("expires_at", false);
    if (d.expires_at && !TimeMs(*d.expires_at)) {
      f.Problem("expires_at", "must be a time such as 2026-12-08T18:00:00Z or ...+01:00");
    }
  }
  if (!problems.empty()) throw DocumentError(problems);
  return d;
}

std::string ToJson(const Document& document) {
  ojson j = {{"key", document.key}};
  const ojson body = BodyJson(document, Form::Written);
  for (const auto& field : body.items()) j[field.key()] = field.value();
  return Dump(j);
}

std::string CanonicalContent(const Document& document) {
  return Dump(BodyJson(document, Form::Canonical));
}

std::string ContentHash(const Document& document) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const unsigned char c : CanonicalContent(document)) {
    hash = (hash ^ c) * 0x100000001b3ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace tavirel::documents
