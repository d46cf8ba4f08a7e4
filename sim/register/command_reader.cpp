#include "command_reader.hpp"

#include <algorithm>

#include "refusal.hpp"
#include "tavirel/sim/printer_errors.hpp"

namespace tavirel::sim {
namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool LeftAligned(std::string_view text) {
  if (text.empty() || text.front() != ' ') return true;
  return text.find_first_not_of(' ') == std::string_view::npos;
}

bool ShapeOk(FieldKind kind, std::string_view text) {
  switch (kind) {
    case FieldKind::Digits:
    case FieldKind::MoreDigits: return AllDigits(text);
    case FieldKind::Text: return LeftAligned(text);
    case FieldKind::Any: return true;
  }
  return false;
}

}  // namespace

std::size_t Layout::Length() const {
  std::size_t n = 4;
  for (const auto& f : fields) n += static_cast<std::size_t>(f.width);
  return n;
}

bool Layout::Has(std::string_view name) const {
  return std::any_of(fields.begin(), fields.end(),
                     [name](const FieldLayout& f) { return f.name == name; });
}

bool Command::Has(std::string_view name) const {
  return std::any_of(fields_.begin(), fields_.end(),
                     [name](const auto& f) { return f.first == name; });
}

std::string_view Command::Raw(std::string_view name) const {
  for (const auto& [n, value] : fields_) {
    if (n == name) return value;
  }
  return {};
}

std::int64_t Command::Number(std::string_view name) const {
  std::int64_t value = 0;
  for (char c : Raw(name)) value = value * 10 + (c - '0');
  return value;
}

Command ReadCommand(std::string_view bytes) {
  if (bytes.size() < 4 || !AllDigits(bytes.substr(0, 4))) Refuse(perr::kNonPrevisto);
  const int code = std::stoi(std::string(bytes.substr(0, 4)));
  const Layout* layout = FindLayout(code);
  if (layout == nullptr) Refuse(perr::kNonPrevisto);
  const bool open_ended =
      !layout->fields.empty() && layout->fields.back().kind == FieldKind::MoreDigits;
  if (open_ended ? bytes.size() < layout->Length() : bytes.size() != layout->Length()) {
    Refuse(perr::kValoreErrato);
  }
  std::vector<std::pair<std::string_view, std::string_view>> fields;
  std::size_t at = 4;
  for (const auto& field : layout->fields) {
    const std::size_t width = field.kind == FieldKind::MoreDigits
                                  ? bytes.size() - at
                                  : static_cast<std::size_t>(field.width);
    const std::string_view text = bytes.substr(at, width);
    if (!ShapeOk(field.kind, text)) Refuse(perr::kValoreErrato);
    fields.emplace_back(field.name, text);
    at += width;
  }
  return Command(code, std::move(fields));
}

}  // namespace tavirel::sim
