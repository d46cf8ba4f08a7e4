#pragma once
// The register's single values (numbers, phase, flags, clock offset, the last
// document), apart from its tables and lists: what every command that changes
// anything may change. One list of them, for taking a change back and for
// writing it down.
#include "tavirel/sim/register_state.hpp"

namespace tavirel::sim {

struct HeadValues {
  std::int32_t serial = 0;
  CurrencyUnit currency = CurrencyUnit::Euro;
  std::int64_t clock_offset = 0;
  int receipt_number = 0;
  int non_fiscal_number = 0;
  int closure_number = 0;
  Amount grand_total = 0;
  CivilTime last_closure_at{};
  std::optional<CivilTime> day_opened_at;
  Phase phase = Phase::Idle;
  bool keyboard_locked = false;
  bool paper_out = false;
  bool printing_suspended = false;
  int non_fiscal_lines = 0;
  std::uint64_t documents = 0;
  PaperRecord last_document;
};

inline HeadValues HeadOf(const RegisterState& s) {
  return HeadValues{s.serial,
                    s.currency,
                    s.clock_offset,
                    s.receipt_number,
                    s.non_fiscal_number,
                    s.closure_number,
                    s.grand_total,
                    s.last_closure_at,
                    s.day_opened_at,
                    s.phase,
                    s.keyboard_locked,
                    s.paper_out,
                    s.printing_suspended,
                    s.non_fiscal_lines,
                    s.documents,
                    s.last_document};
}

inline void SetHead(RegisterState& s, const HeadValues& h) {
  s.serial = h.serial;
  s.currency = h.currency;
  s.clock_offset = h.clock_offset;
  s.receipt_number = h.receipt_number;
  s.non_fiscal_number = h.non_fiscal_number;
  s.closure_number = h.closure_number;
  s.grand_total = h.grand_total;
  s.last_closure_at = h.last_closure_at;
  s.day_opened_at = h.day_opened_at;
  s.phase = h.phase;
  s.keyboard_locked = h.keyboard_locked;
  s.paper_out = h.paper_out;
  s.printing_suspended = h.printing_suspended;
  s.non_fiscal_lines = h.non_fiscal_lines;
  s.documents = h.documents;
  s.last_document = h.last_document;
}

}  // namespace tavirel::sim
