#include "json_fields.hpp"

#include <algorithm>

namespace tavirel::documents {

Fields::Fields(const nlohmann::json& object, std::string where, ProblemList& problems)
    : object_(object), where_(std::move(where)), problems_(problems) {}

std::string Fields::Where(std::string_view name) const {
  return where_.empty() ? std::string(name) : where_ + "." + std::string(name);
}

void Fields::Problem(std::string_view name, std::string message) {
  problems_.Add({Where(name), std::move(message)});
}

const nlohmann::json* Fields::Find(std::string_view name, bool required) {
  const auto it = object_.find(name);
  if (it == object_.end() || it->is_null()) {
    if (required) Problem(name, "is missing");
    return nullptr;
  }
  return &*it;
}

std::optional<std::string> Fields::Text(std::string_view name, bool required) {
  const nlohmann::json* value = Find(name, required);
  if (value == nullptr) return std::nullopt;
  if (!value->is_string()) {
    Problem(name, "must be a text");
    return std::nullopt;
  }
  return value->get<std::string>();
}

std::optional<std::string> Fields::Decimal(std::string_view name, bool required) {
  const nlohmann::json* value = Find(name, required);
  if (value == nullptr) return std::nullopt;
  if (value->is_string()) return value->get<std::string>();
  if (value->is_number_integer()) return value->dump();
  Problem(name, "must be a decimal number, as text (\"1.50\") or a JSON number");
  return std::nullopt;
}

std::optional<std::vector<std::optional<std::string>>> Fields::DecimalList(std::string_view name,
                                                                           std::size_t most) {
  const nlohmann::json* value = Find(name, false);
  if (value == nullptr) return std::nullopt;
  if (!value->is_array() || value->empty() || value->size() > most) {
    Problem(name, "must be a list of 1 to " + std::to_string(most) + " decimal numbers");
    return std::nullopt;
  }
  std::vector<std::optional<std::string>> items;
  for (std::size_t i = 0; i < value->size(); ++i) {
    const nlohmann::json& item = (*value)[i];
    if (item.is_null()) {
      items.emplace_back();
    } else if (item.is_string()) {
      items.emplace_back(item.get<std::string>());
    } else if (item.is_number_integer()) {
      items.emplace_back(item.dump());
    } else {
      problems_.Add({Where(name) + "[" + std::to_string(i) + "]",
                     "must be a decimal number, as text (\"1.50\") or a JSON number"});
      items.emplace_back();
    }
  }
  return items;
}

std::optional<Fields> Fields::Object(std::string_view name, bool required) {
  const nlohmann::json* value = Find(name, required);
  if (value == nullptr) return std::nullopt;
  if (!value->is_object()) {
    Problem(name, "must be an object");
    return std::nullopt;
  }
  return Fields(*value, Where(name), problems_);
}

std::optional<std::int64_t> Fields::Integer(std::string_view name, bool required) {
  const nlohmann::json* value = Find(name, required);
  if (value == nullptr) return std::nullopt;
  if (value->is_number_unsigned() && value->get<std::uint64_t>() > INT64_MAX) {
    Problem(name, "is too large");
    return std::nullopt;
  }
  if (!value->is_number_integer()) {
    Problem(name, "must be a whole number");
    return std::nullopt;
  }
  return value->get<std::int64_t>();
}

void Fields::EachObject(std::string_view name, bool required,
                        const std::function<void(Fields&)>& each) {
  const nlohmann::json* value = Find(name, required);
  if (value == nullptr) return;
  if (!value->is_array()) {
    Problem(name, "must be a list");
    return;
  }
  for (std::size_t i = 0; i < value->size(); ++i) {
    const std::string at = Where(name) + "[" + std::to_string(i) + "]";
    if (!(*value)[i].is_object()) {
      problems_.Add({at, "must be an object"});
      continue;
    }
    Fields item((*value)[i], at, problems_);
    each(item);
  }
}

void Fields::Only(std::initializer_list<std::string_view> known) {
  Only(std::vector<std::string_view>(known));
}

void Fields::Only(const std::vector<std::string_view>& known) {
  for (const auto& field : object_.items()) {
    if (std::find(known.begin(), known.end(), field.key()) == known.end()) {
      Problem(field.key(), "is not a field here");
    }
  }
}

}  // namespace tavirel::documents
