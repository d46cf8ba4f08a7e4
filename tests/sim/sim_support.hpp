#pragma once
// Helpers of the simulated register's tests: command strings written by hand
// field by field (never with the driver's encoders), a fixed wall clock, and
// reading the frames the register sends.
#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "tavirel/sim/register_model.hpp"

namespace tavirel::sim {

/// Paper records in test failures, as they stand on the paper.
inline void PrintTo(const PaperRecord& record, std::ostream* out) { *out << PaperLine(record); }

}  // namespace tavirel::sim

namespace tavirel::sim::test {

/// A command string built field by field.
class Cmd {
 public:
  explicit Cmd(int code) { D(code, 4); }
  Cmd& D(std::int64_t value, int width) {
    std::string digits = std::to_string(value);
    text_ += std::string(
                 digits.size() < static_cast<std::size_t>(width) ? width - digits.size() : 0, '0') +
             digits;
    return *this;
  }
  Cmd& T(std::string_view text, int width) {
    std::string field(text.substr(0, static_cast<std::size_t>(width)));
    field.resize(static_cast<std::size_t>(width), ' ');
    text_ += field;
    return *this;
  }
  Cmd& Raw(std::string_view text) {
    text_ += text;
    return *this;
  }
  operator std::string() const { return text_; }  // NOLINT: a command is its text
  [[nodiscard]] const std::string& str() const { return text_; }

 private:
  std::string text_;
};

inline const std::string kNoCode(40, '0');

/// A sale-line command (codes 1003..1017); quantity in thousandths.
inline std::string Line(int code, int opr, std::string_view desc, std::int64_t qty,
                        std::int64_t price, int rep, int price_type = 1) {
  return Cmd(code)
      .D(opr, 2)
      .Raw(kNoCode)
      .T(desc, 20)
      .D(qty, 7)
      .D(price_type, 1)
      .D(price, 9)
      .D(rep, 2);
}
inline std::string Sale(std::string_view desc, std::int64_t price, int rep) {
  return Line(1003, 1, desc, 1000, price, rep);
}
inline std::string Op(int code, int opr = 1) { return Cmd(code).D(opr, 2); }
inline std::string Cash(std::int64_t amount) { return Cmd(1036).D(1, 2).D(amount, 9); }
/// A line of a non-fiscal document (1064) in the normal font.
inline std::string TextLine(std::string_view text) { return Cmd(1064).D(1, 2).D(1, 1).T(text, 40); }

/// 7 December 2026, 10:30:00 as the wall clock, for registers whose clock
/// offset is zero.
inline std::chrono::system_clock::time_point FixedWall() {
  CivilTime t{2026, 12, 7, 10, 30, 0};
  return std::chrono::system_clock::time_point(std::chrono::seconds(t.ToSeconds()));
}

/// A new register (default tables, euro unless asked) whose clock shows the
/// wall clock `*wall` exactly.
inline RegisterModel NewModel(std::chrono::system_clock::time_point* wall,
                              CurrencyUnit unit = CurrencyUnit::Euro) {
  RegisterState state;
  state.currency = unit;
  state.clock_offset = 0;
  return RegisterModel(std::move(state), {}, [wall] { return *wall; });
}

/// A request frame around `command` (STX, counter, "E", command, checksum,
/// ETX), written by hand.
inline std::string Frame(std::string_view command, std::string_view counter = "01") {
  const std::string covered = std::string(counter) + "E" + std::string(command);
  unsigned sum = 0;
  for (char c : covered) sum += static_cast<unsigned char>(c);
  const char digits[] = {static_cast<char>('0' + sum % 100 / 10), static_cast<char>('0' + sum % 10),
                         '\x03', '\0'};
  return "\x02" + covered + digits;
}

/// The error number of an error payload, -1 for any other payload.
inline int ErrorOf(std::string_view payload) {
  if (payload.size() != 7 || payload.substr(0, 4) != "EERR") return -1;
  return std::stoi(std::string(payload.substr(5, 2)));
}

}  // namespace tavirel::sim::test
