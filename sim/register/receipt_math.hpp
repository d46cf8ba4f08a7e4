#pragma once
// Arithmetic of the register: line amounts, percentages, VAT, and the
// running totals of the open receipt. Rounding is half up on whole units.
#include <cstdint>
#include <vector>

#include "tavirel/sim/register_state.hpp"

namespace tavirel::sim {

inline constexpr Amount kMaxAmount = 999'999'999;

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
std::vector<Amount> FiscalByVat(const OpenReceipt& receipt);
Amount FiscalSubtotal(const OpenReceipt& receipt);
Amount NonFiscalSubtotal(const OpenReceipt& receipt);
Amount Total(const OpenReceipt& receipt);
Amount Paid(const OpenReceipt& receipt);

}  // namespace tavirel::sim
