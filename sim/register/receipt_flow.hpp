#pragma once
// Opening, checking and closing the fiscal receipt, and carrying a closed or
// voided receipt into the report totals and the fiscal day.
#include "context.hpp"

namespace tavirel::sim {

/// How long a day may run, in seconds, from its first receipt to its closure.
inline constexpr std::int64_t kDayLength = 24 * 60 * 60;

/// Opens a receipt for `operator_code`: prints the header. A day begun more
/// than kDayLength ago must be closed first (error 17); the day's first
/// receipt notes when the day began.
void BeginReceipt(Context& c, int operator_code);
/// True when the day began more than kDayLength before `now`.
bool DayMustBeClosed(const RegisterState& s, const CivilTime& now);
/// The open receipt must stay within bounds: neither its fiscal nor its
/// non-fiscal part below zero (error 20), its total within nine digits (21).
void CheckReceiptBounds(const OpenReceipt& receipt);
/// The open receipt must have room for one more entry (error 18 otherwise).
void RequireRoom(const OpenReceipt& receipt);
/// Closes the receipt paid in full; `closing` paid the last part and gives
/// `change`. Prints the change, the footer and the closing lines (the total
/// and the payments are printed as they are paid); returns the receipt's
/// number.
int CloseReceipt(Context& c, PayKind closing, Amount change);
/// Voids the whole open receipt; returns its number.
int VoidOpenReceipt(Context& c);
/// Updates the customer display: two rows of twenty characters.
void ShowOnDisplay(Context& c, std::string_view top_left, Amount top, std::string_view bottom_left,
                   Amount bottom);

}  // namespace tavirel::sim
