#pragma once
// Builds a reply payload field by field at the widths of its layout.
#include <cstdint>
#include <string>
#include <string_view>

#include "tavirel/sim/civil_time.hpp"

namespace tavirel::sim {

class ReplyWriter {
 public:
  explicit ReplyWriter(int code);
  /// A number zero-padded to `width` digits. A value that does not fit is
  /// refused with error 21: the register never sends a field wider than its
  /// layout.
  ReplyWriter& Digits(std::int64_t value, int width);
  /// Text cut or filled with blanks to `width` characters.
  ReplyWriter& Text(std::string_view text, int width);
  /// Characters exactly as given.
  ReplyWriter& Raw(std::string_view text);
  /// The ten-character date field DDMMYYHHMM.
  ReplyWriter& Date(const CivilTime& at);
  [[nodiscard]] const std::string& Payload() const { return payload_; }

 private:
  std::string payload_;
};

}  // namespace tavirel::sim
