#include "reply_writer.hpp"

#include <string>

#include "refusal.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {

ReplyWriter::ReplyWriter(int code) { Digits(code, 4); }

ReplyWriter& ReplyWriter::Digits(std::int64_t value, int width) {
  if (value < 0) Refuse(perr::kSuperaLimite);
  std::string digits = std::to_string(value);
  if (digits.size() > static_cast<std::size_t>(width)) Refuse(perr::kSuperaLimite);
  payload_ += std::string(static_cast<std::size_t>(width) - digits.size(), '0') + digits;
  return *this;
}

ReplyWriter& ReplyWriter::Text(std::string_view text, int width) {
  const auto w = static_cast<std::size_t>(width);
  std::string field(text.substr(0, w));
  field.resize(w, ' ');
  payload_ += field;
  return *this;
}

ReplyWriter& ReplyWriter::Raw(std::string_view text) {
  payload_ += text;
  return *this;
}

ReplyWriter& ReplyWriter::Date(const CivilTime& at) { return Raw(at.ReplyField()); }

}  // namespace tavirel::sim
