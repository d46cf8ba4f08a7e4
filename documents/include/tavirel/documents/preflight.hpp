#pragma once
// Preflight: the whole document checked before anything is sent. Each
// operation the document would make is checked against the field layouts
// and limits of the driver (widths, ranges, Windows-1252 texts, amounts in
// the currency mode), and the document against its own rules (a receipt
// opens with a sale, has payments that close it, ...). Every problem is
// reported at once, named by its line and field.
//
// Free functions without state: safe from any thread.
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "tavirel/documents/document.hpp"
#include "tavirel/documents/errors.hpp"
#include "tavirel/variant.hpp"

namespace tavirel::documents {

/// Checks one operation's arguments against its fields: the problems found,
/// each naming the parameter. Preflight calls it for every operation the
/// document would make, and prefixes each problem with the document field
/// the operation comes from.
using ArgumentCheck = std::function<std::vector<Problem>(
    std::string_view member, const std::vector<Variant>& args, std::int32_t euro_settings)>;

/// The check the layer uses: the driver's own field layouts and limits.
ArgumentCheck DefaultArgumentCheck();

/// Every problem of `document` in currency mode `euro_settings`
/// (TVL_EUROSETTINGS_LIRE or _EURO); empty when it may be sent. `check`
/// replaces the per-operation check (DefaultArgumentCheck() when empty).
std::vector<Problem> Preflight(const Document& document, std::int32_t euro_settings,
                               const ArgumentCheck& check = {});

}  // namespace tavirel::documents
