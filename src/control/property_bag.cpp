#include "tavirel/host.hpp"

namespace tavirel {

Variant InMemoryPropertyBag::ReadProperty(std::string_view name, const Variant& default_value) {
  auto it = values_.find(name);
  return it == values_.end() ? default_value : it->second;
}

void InMemoryPropertyBag::WriteProperty(std::string_view name, const Variant& value,
                                        const Variant& default_value) {
  // A value equal to its default is left out; a missing value loads as the default.
  if (value == default_value) {
    auto it = values_.find(name);
    if (it != values_.end()) values_.erase(it);
    return;
  }
  values_[std::string(name)] = value;
}

}  // namespace tavirel
