#pragma once
// The register's reading of a command string: the code picks a layout, and
// every field must have exactly its width and its shape. Any deviation is
// refused, so a fault in a host's encoders shows as error 13, an unknown code
// as error 16.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavirel::sim {

enum class FieldKind {
  Digits,     // decimal digits only
  Text,       // any characters, left-aligned: no leading blank unless all blank
  Any,        // any characters (unit of measure)
  MoreDigits  // one or more digits up to the end of the command
};

struct FieldLayout {
  std::string_view name;
  FieldKind kind;
  int width;
};

struct Layout {
  int code;
  std::vector<FieldLayout> fields;
  [[nodiscard]] std::size_t Length() const;  // nominal length, MoreDigits counted as 1
  [[nodiscard]] bool Has(std::string_view name) const;
};

class Command {
 public:
  Command(int code, std::vector<std::pair<std::string_view, std::string_view>> fields)
      : code_(code), fields_(std::move(fields)) {}
  [[nodiscard]] int Code() const { return code_; }
  [[nodiscard]] bool Has(std::string_view name) const;
  /// The field's characters as received.
  [[nodiscard]] std::string_view Raw(std::string_view name) const;
  /// A digit field's value.
  [[nodiscard]] std::int64_t Number(std::string_view name) const;
  [[nodiscard]] int Int(std::string_view name) const { return static_cast<int>(Number(name)); }

 private:
  int code_;
  std::vector<std::pair<std::string_view, std::string_view>> fields_;
};

/// The layout of a command code, or nullptr when the register has none.
const Layout* FindLayout(int code);
/// Reads `bytes` (which must outlive the result). Throws Refusal 16 for an
/// unknown code, 13 for a field of the wrong width or shape.
Command ReadCommand(std::string_view bytes);

}  // namespace tavirel::sim
