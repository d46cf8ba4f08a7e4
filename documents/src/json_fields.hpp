#pragma once
// Reading the fields of one JSON object of a document, every problem
// collected with where it is ("lines[2].price") rather than thrown (the
// first few listed, the rest counted).
#include <functional>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tavirel/documents/errors.hpp"

namespace tavirel::documents {

class Fields {
 public:
  /// `where` is the object's path ("" for the document, "lines[2]").
  Fields(const nlohmann::json& object, std::string where, ProblemList& problems);

  /// A text field.
  std::optional<std::string> Text(std::string_view name, bool required);
  /// A decimal: a string or a number, as its text.
  std::optional<std::string> Decimal(std::string_view name, bool required);
  /// A list of at most `most` decimals (strings or numbers), null items
  /// kept as absent ones.
  std::optional<std::vector<std::optional<std::string>>> DecimalList(std::string_view name,
                                                                     std::size_t most);
  /// A whole JSON number.
  std::optional<std::int64_t> Integer(std::string_view name, bool required);
  /// Calls `each` for every object of the array field `name`.
  void EachObject(std::string_view name, bool required, const std::function<void(Fields&)>& each);
  /// Reports every field not in `known`.
  void Only(std::initializer_list<std::string_view> known);
  void Only(const std::vector<std::string_view>& known);
  /// An object field: a reader of its fields, or nothing (a problem when it
  /// is not an object).
  std::optional<Fields> Object(std::string_view name, bool required);
  /// Records a problem of the field `name` of this object.
  void Problem(std::string_view name, std::string message);

 private:
  const nlohmann::json* Find(std::string_view name, bool required);
  [[nodiscard]] std::string Where(std::string_view name) const;

  const nlohmann::json& object_;
  std::string where_;
  ProblemList& problems_;
};

}  // namespace tavirel::documents
