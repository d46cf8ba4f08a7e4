#pragma once
// How the register lays out its paper: 40 columns, Italian amounts, the
// header of every document and the closing lines with date, number and the
// fiscal serial number.
#include <string>
#include <string_view>

#include "context.hpp"

namespace tavirel::sim {

inline constexpr int kPaperWidth = 40;

/// "1.234,50" in euro cents, "1.500" in lire; a minus sign when negative.
std::string Money(Amount amount, CurrencyUnit unit);
/// "22,00%".
std::string Percent(int hundredths);
/// `left` and `right` on one line of the paper, `right` flush right.
std::string Row(std::string_view left, std::string_view right);
std::string Centered(std::string_view text);
/// Text as printed in a print type or font: 1 and 3 are double width.
std::string InPrintType(std::string_view text, int type);
/// Windows-1252 bytes from the line to the register's UTF-8 text.
std::string FromLine(std::string_view bytes);
/// The register's UTF-8 text back to Windows-1252 bytes for a reply.
std::string ToLine(std::string_view text);
/// Text without trailing blanks.
std::string Trimmed(std::string_view text);

/// The programmed header lines; begins a document.
void PrintHeader(Context& c, DocumentKind kind);
/// Date and time, the document's number and the serial number; ends it.
void PrintClosingLines(Context& c, DocumentKind kind, std::string_view number_label, int number);

}  // namespace tavirel::sim
