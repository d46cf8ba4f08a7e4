#include "printing.hpp"

#include <cstdio>
#include <cstdlib>

#include "tavirel/cp1252.hpp"

namespace tavirel::sim {

void Context::Print(DocumentKind kind, std::string text, bool begins, bool ends) {
  if (kind == DocumentKind::Receipt) {
    if (begins) s.receipt.lines.clear();
    s.receipt.lines.push_back(text);
  }
  printed.push_back(PrintedLine{kind, std::move(text), begins, ends});
}

void Context::Finish(PaperKind kind, int number, Amount total, int lines, std::string report) {
  finished = PaperRecord{kind, 0, number, total, s.currency, lines, s.serial, std::move(report)};
}

std::string Money(Amount amount, CurrencyUnit unit) {
  const bool negative = amount < 0;
  const Amount magnitude = negative ? -amount : amount;
  const Amount whole = unit == CurrencyUnit::Euro ? magnitude / 100 : magnitude;
  std::string digits = std::to_string(whole);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += '.';
    grouped += digits[i];
  }
  if (unit == CurrencyUnit::Euro) {
    char cents[4];
    std::snprintf(cents, sizeof cents, "%02lld", static_cast<long long>(magnitude % 100));
    grouped += std::string(",") + cents;
  }
  return (negative ? "-" : "") + grouped;
}

std::string Percent(int hundredths) {
  char text[16];
  std::snprintf(text, sizeof text, "%d,%02d%%", hundredths / 100, hundredths % 100);
  return text;
}

std::string Row(std::string_view left, std::string_view right) {
  const std::size_t l = cp1252::CharCount(left);
  const std::size_t r = cp1252::CharCount(right);
  const std::size_t gap = l + r + 1 <= kPaperWidth ? kPaperWidth - l - r : 1;
  return std::string(left) + std::string(gap, ' ') + std::string(right);
}

std::string Centered(std::string_view text) {
  const std::size_t n = cp1252::CharCount(text);
  if (n >= kPaperWidth) return std::string(text);
  return std::string((kPaperWidth - n) / 2, ' ') + std::string(text);
}

std::string InPrintType(std::string_view text, int type) {
  if (type != 1 && type != 3) return std::string(text);
  std::string spaced;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::string_view one = cp1252::FirstChars(rest, 1);
    if (!spaced.empty()) spaced += ' ';
    spaced += one;
    rest.remove_prefix(one.size());
  }
  return spaced;
}

std::string FromLine(std::string_view bytes) { return cp1252::ToUtf8(bytes); }
std::string ToLine(std::string_view text) { return cp1252::FromUtf8(text); }

std::string Trimmed(std::string_view text) {
  const auto end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

void PrintHeader(Context& c, DocumentKind kind) {
  bool first = true;
  for (int n = 1; n <= kHeaderLines; ++n) {
    const std::string text = Trimmed(c.s.tables.header[static_cast<std::size_t>(n)].text);
    if (text.empty()) continue;
    const int type = c.s.line_types[static_cast<std::size_t>(n)];
    c.Print(kind, Centered(InPrintType(text, type)), first);
    first = false;
  }
  c.Print(kind, std::string(kPaperWidth, '-'), first);
}

void PrintClosingLines(Context& c, DocumentKind kind, std::string_view number_label, int number) {
  char numbered[32];
  std::snprintf(numbered, sizeof numbered, "%.*s %04d", static_cast<int>(number_label.size()),
                number_label.data(), number);
  c.Print(kind, Row(c.now.Printed(), numbered));
  char serial[16];
  std::snprintf(serial, sizeof serial, "MF %06d", static_cast<int>(c.s.serial));
  c.Print(kind, Centered(serial), false, true);
}

}  // namespace tavirel::sim
