#include "receipt_math.hpp"

#include <algorithm>
#include <numeric>

namespace tavirel::sim {
namespace {

// Products of a fifteen-digit total and a rate need more than 64 bits.
__extension__ using Wide = __int128;

// a / b rounded half away from zero, b > 0.
std::int64_t RoundDiv(Wide a, std::int64_t b) {
  const Wide q = (a >= 0 ? a + b / 2 : a - b / 2) / b;
  return static_cast<std::int64_t>(q);
}

}  // namespace

void AddToTotal(Amount& total, Amount delta) {
  // Both within fifteen digits (checked on load, kept here): the sum fits.
  total = (total % kTotalModulus + delta % kTotalModulus) % kTotalModulus;
}

void AddToCount(int& count, int delta) {
  count = static_cast<int>((static_cast<std::int64_t>(count) + delta) % kCountModulus);
}

Amount LineAmount(std::int64_t quantity, Amount unit_price) {
  return RoundDiv(static_cast<Wide>(quantity) * unit_price, 1000);
}

Amount PercentOf(Amount base, int hundredths) {
  return RoundDiv(static_cast<Wide>(base) * hundredths, 10000);
}

Amount TaxIncluded(Amount gross, int hundredths) {
  return RoundDiv(static_cast<Wide>(gross) * hundredths, 10000 + hundredths);
}

std::vector<Amount> Distribute(Amount amount, const std::vector<Amount>& weights) {
  std::vector<Amount> parts(weights.size(), 0);
  const Amount total = std::accumulate(weights.begin(), weights.end(), Amount{0});
  if (weights.empty()) return parts;
  const auto largest =
      static_cast<std::size_t>(std::max_element(weights.begin(), weights.end()) - weights.begin());
  if (total <= 0) {
    parts[largest] = amount;
    return parts;
  }
  Amount given = 0;
  for (std::size_t i = 0; i < weights.size(); ++i) {
    parts[i] = static_cast<Amount>(static_cast<Wide>(amount) * weights[i] / total);
    given += parts[i];
  }
  parts[largest] += amount - given;
  return parts;
}

Amount LireToEuroCents(Amount lire) { return RoundDiv(static_cast<Wide>(lire) * 10000, 193627); }

std::vector<Amount> FiscalByVat(const OpenReceipt& receipt) {
  std::vector<Amount> by_vat(kVatRates + 1, 0);
  for (const auto& e : receipt.entries) {
    if (e.corrected) continue;
    for (std::size_t i = 0; i < e.by_vat.size() && i < by_vat.size(); ++i) by_vat[i] += e.by_vat[i];
  }
  return by_vat;
}

Amount FiscalSubtotal(const OpenReceipt& receipt) {
  const auto by_vat = FiscalByVat(receipt);
  return std::accumulate(by_vat.begin(), by_vat.end(), Amount{0});
}

Amount NonFiscalSubtotal(const OpenReceipt& receipt) {
  Amount sum = 0;
  for (const auto& e : receipt.entries) {
    if (!e.corrected && !e.fiscal) sum += e.amount;
  }
  return sum;
}

Amount Total(const OpenReceipt& receipt) {
  return FiscalSubtotal(receipt) + NonFiscalSubtotal(receipt);
}

Amount Paid(const OpenReceipt& receipt) {
  return std::accumulate(receipt.paid.begin(), receipt.paid.end(), Amount{0});
}

}  // namespace tavirel::sim
