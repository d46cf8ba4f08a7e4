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

const std::vector<Amount>& FiscalByVat(const OpenReceipt& receipt) { return receipt.fiscal_by_vat; }

Amount FiscalSubtotal(const OpenReceipt& receipt) {
  return std::accumulate(receipt.fiscal_by_vat.begin(), receipt.fiscal_by_vat.end(), Amount{0});
}

Amount NonFiscalSubtotal(const OpenReceipt& receipt) { return receipt.non_fiscal_sum; }

namespace {

void AddToSums(OpenReceipt& r, const ReceiptEntry& e, int sign) {
  if (!e.fiscal) r.non_fiscal_sum += sign * e.amount;
  for (std::size_t i = 0; i < e.by_vat.size() && i < r.fiscal_by_vat.size(); ++i)
    r.fiscal_by_vat[i] += sign * e.by_vat[i];
}

}  // namespace

void AddEntry(OpenReceipt& receipt, ReceiptEntry entry) {
  AddToSums(receipt, entry, 1);
  receipt.entries.push_back(std::move(entry));
}

void CorrectEntry(OpenReceipt& receipt, std::size_t index) {
  ReceiptEntry& e = receipt.entries.at(index);
  if (e.corrected) return;
  e.corrected = true;
  AddToSums(receipt, e, -1);
}

void RecomputeSums(OpenReceipt& receipt) {
  receipt.fiscal_by_vat.assign(kVatRates + 1, 0);
  receipt.non_fiscal_sum = 0;
  for (const ReceiptEntry& e : receipt.entries) {
    if (!e.corrected) AddToSums(receipt, e, 1);
  }
}

Amount Total(const OpenReceipt& receipt) {
  return FiscalSubtotal(receipt) + NonFiscalSubtotal(receipt);
}

Amount Paid(const OpenReceipt& receipt) {
  return std::accumulate(receipt.paid.begin(), receipt.paid.end(), Amount{0});
}

}  // namespace tavirel::sim
