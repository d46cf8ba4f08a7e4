#pragma once
// Runs a check under the classic locale and again under a global locale that
// writes numbers the Italian way (decimal comma, groups of three), so a test
// shows that a result does not depend on the host's regional format.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <sstream>
#include <string>

namespace tavirel::testing {

struct CommaDecimalNumpunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

/// Installs the comma-decimal locale for its lifetime; the C library's
/// numeric locale too where an Italian locale is installed.
class ScopedCommaDecimalLocale {
 public:
  ScopedCommaDecimalLocale()
      : previous_(
            std::locale::global(std::locale(std::locale::classic(), new CommaDecimalNumpunct))),
        previous_c_(std::setlocale(LC_NUMERIC, nullptr)) {
    for (const char* name : {"it_IT.UTF-8", "it_IT.utf8", "it_IT"}) {
      if (std::setlocale(LC_NUMERIC, name) != nullptr) break;
    }
  }
  ~ScopedCommaDecimalLocale() {
    std::setlocale(LC_NUMERIC, previous_c_.c_str());
    std::locale::global(previous_);
  }
  ScopedCommaDecimalLocale(const ScopedCommaDecimalLocale&) = delete;
  ScopedCommaDecimalLocale& operator=(const ScopedCommaDecimalLocale&) = delete;

 private:
  std::locale previous_;
  std::string previous_c_;
};

/// Calls `check` under the classic locale, then under the comma-decimal one.
template <typename Check>
void UnderEachLocale(Check check) {
  {
    SCOPED_TRACE("classic locale");
    check();
  }
  ScopedCommaDecimalLocale comma;
  std::ostringstream probe;
  probe << 1234.5;
  ASSERT_EQ(probe.str(), "1.234,5") << "the comma-decimal locale did not take effect";
  SCOPED_TRACE("comma-decimal locale");
  check();
}

}  // namespace tavirel::testing
