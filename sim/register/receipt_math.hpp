#pragma once
// Arithmetic of the register: line amounts, percentages, VAT, and the
// running totals of the open receipt. Rounding is half up on whole units.
#include <cstdint>
#include <vector>

#include "tavirel/sim/register_state.hpp"

namespace tavirel::sim {

inline constexpr Amount kMaxAmount = 999'999'999;  // a line, a price, a receipt
/// Running totals have fifteen digits and counts eight, as a register's
/// counters do: past them they start again from zero.
inline constexpr Amount kTotalModulus = 1'000'000'000'000'000;
inline constexpr int kCountModulus = 100'000'000;
/// The largest document number (receipts, non-fiscal documents, closures).
inline constexpr int kMaxDocumentNumber = 9999;
/// Entries an open receipt holds at most (error 18 beyond).
inline constexpr std::size_t kMaxReceiptEntries = 10'000;

/// `total` + `delta`, wrapped past fifteen digits (either sign).
void AddToTotal(Amount& total, Amount delta);
/// `count` + `delta`, wrapped past eight digits.
void AddToCount(int& count, int delta);

/// Quantity in thousandths times unit price.
Amount LineAmount(std::int64_t quantity, Amount unit_price);
/// `base` times a percentage in hundredths.
Amount PercentOf(Amount base, int hundredths);
/// The VAT contained in an amount that includes it.
Amount TaxIncluded(Amount gross, int hundredths);
/// Splits `amount` in proportion to `weights` (the rest to the largest).
std::vector<Amount> Distribute(Amount amount, const std::vector<Amount>& weights);
/// Lire to euro cents at 1936.27 lire to the euro.
Amount LireToEuroCents(Amount lire);

/// Fiscal amounts of the open receipt by VAT rate (0..kVatRates).
const std::vector<Amount>& FiscalByVat(const OpenReceipt& receipt);
Amount FiscalSubtotal(const OpenReceipt& receipt);
Amount NonFiscalSubtotal(const OpenReceipt& receipt);
Amount Total(const OpenReceipt& receipt);
Amount Paid(const OpenReceipt& receipt);
/// Adds an entry to the receipt and to its running sums.
void AddEntry(OpenReceipt& receipt, ReceiptEntry entry);
/// Marks entry `index` corrected and takes it out of the running sums.
void CorrectEntry(OpenReceipt& receipt, std::size_t index);
/// The running sums from the entries (a receipt read back from a file).
void RecomputeSums(OpenReceipt& receipt);

}  // namespace tavirel::sim
