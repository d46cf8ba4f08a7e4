#pragma once
// The JSON form of a document, one schema for every caller (the command
// line, the service, tests):
//
//   {"key": "pos2-000123", "type": "receipt", "operator": 1,
//    "lines": [{"department": 1, "description": "PANE", "price": "1.50"},
//              {"type": "return", "department": 1, "description": "CROSTATA", "price": "3.00"},
//              {"type": "text", "text": "OFFERTA DEL GIORNO"}],
//    "adjustments": [{"type": "discount-percent", "percent": "10"}],
//    "payments": [{"type": "cash", "amount": "5.00"}, {"type": "card", "card": 1}]}
//
// A programming document's tables are docs/documents.md's "Programming".
// Amounts, percentages and quantities may be strings or JSON numbers; a
// number is taken by the digits it is written with, never through binary
// floating point. docs/documents.md describes every field.
//
// Free functions without state: safe from any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tavirel/documents/document.hpp"

namespace tavirel::documents {

/// Reads one document. Throws DocumentError listing every problem of shape
/// (not JSON, a missing key, a field of the wrong kind, an unknown field or
/// type name). Values are judged later, by Preflight.
Document ParseDocument(std::string_view json);
/// A document's expires_at in milliseconds since 1970 UTC; nothing when it
/// has none or it does not read as a time (ParseDocument refuses those).
std::optional<std::int64_t> ExpiresAtMs(const Document& document);
/// As above, with the key given beside the text (a request's header): it is
/// the document's key when the text has none.
Document ParseDocument(std::string_view json, std::string_view key_beside);

/// The document as JSON text, one line, fields in a fixed order. Decimal
/// texts are written in their plain form ("1.50" stays "1.50", "+1.5" and
/// "01.5" become "1.5"), so two spellings of one document give one text.
std::string ToJson(const Document& document);

/// What the journal compares: ToJson of the document without its key.
std::string CanonicalContent(const Document& document);
/// A hash of CanonicalContent, as 16 hexadecimal digits (64-bit FNV-1a).
std::string ContentHash(const Document& document);

/// "receipt", "non-fiscal", "report", "reprint", "programming".
std::string_view TypeName(DocumentType type);

/// "cash", "cheque", "card", "ticket".
std::string_view PaymentTypeName(PaymentType type);
/// The payment type of that name; empty for any other text.
std::optional<PaymentType> PaymentTypeNamed(std::string_view name);

}  // namespace tavirel::documents
