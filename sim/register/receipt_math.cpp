#include "receipt_math.hpp"

#include <algorithm>
#include <numeric>

namespace tavirel::sim {
namespace {

// a * b = q * d + r for magnitudes: the product of a fifteen-digit total and
// a rate needs more than 64 bits, so a is split by d and the rest (under d)
// is multiplied by b one bit at a time, keeping every value below 2 * d.
struct QuotientRemainder {
  std::uint64_t q;
  std::uint64_t r;
};
QuotientRemainder MulDiv(std::uint64_t a, std::uint64_t b, std::uint64_t d) {
  const std::uint64_t ra = a % d;
  std::uint64_t part = 0, r = 0;
  for (int bit = 63; bit >= 0; --bit) {
    part <<= 1;
    r <<= 1;
    if (r >= d) ++part, r -= d;
    if (((b >> bit) & 1U) != 0) {
      r += ra;
      if (r >= d) ++part, r -= d;
    }
  }
  // Unsigned: a result past 64 bits wraps, as its narrowing always did.
  return {(a / d) * b + part, r};
}

std::uint64_t Magnitude(std::int64_t v) {
  return v < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

std::int64_t Signed(std::uint64_t magnitude, bool negative) {
  return static_cast<std::int64_t>(negative ? std::uint64_t{0} - magnitude : magnitude);
}

// a * b / d rounded half away from zero, d > 0.
std::int64_t MulDivRound(std::int64_t a, std::int64_t b, std::int64_t d) {
  const auto divisor = static_cast<std::uint64_t>(d);
  const QuotientRemainder qr = MulDiv(Magnitude(a), Magnitude(b), divisor);
  return Signed(qr.q + (qr.r + divisor / 2 >= divisor ? 1 : 0), (a < 0) != (b < 0));
}

// a * b / d truncated toward zero, d > 0.
std::int64_t MulDivTruncate(std::int64_t a, std::int64_t b, std::int64_t d) {
  return Signed(MulDiv(Magnitude(a), Magnitude(b), static_cast<std::uint64_t>(d)).q,
                (a < 0) != (b < 0));
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
  return MulDivRound(quantity, unit_price, 1000);
}

Amount PercentOf(Amount base, int hundredths) { return MulDivRound(base, hundredths, 10000); }

Amount TaxIncluded(Amount gross, int hundredths) {
  return MulDivRound(gross, hundredths, 10000 + hundredths);
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
    parts[i] = MulDivTruncate(amount, weights[i], total);
    given += parts[i];
  }
  parts[largest] += amount - given;
  return parts;
}

Amount LireToEuroCents(Amount lire) { return MulDivRound(lire, 10000, 193627); }

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
