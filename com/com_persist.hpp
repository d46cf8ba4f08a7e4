#pragma once
// The three settings in a host's storage: an IPropertyBag as the library's
// PropertyBag, and the settings as bytes of a stream.
#include <cstdint>
#include <string>
#include <vector>

#include "com_ids.hpp"
#include "tavirel/host.hpp"

namespace tavirel::com {

/// The host's property bag; values are read in the type of their default.
class ComPropertyBag final : public PropertyBag {
 public:
  ComPropertyBag(IPropertyBag* bag, IErrorLog* log) : bag_(bag), log_(log) {}
  Variant ReadProperty(std::string_view name, const Variant& default_value) override;
  /// Throws TavirelError when the bag refuses the value.
  void WriteProperty(std::string_view name, const Variant& value,
                     const Variant& default_value) override;

 private:
  IPropertyBag* bag_;
  IErrorLog* log_;
};

/// The settings as a stream holds them: a count, then for each its name,
/// its Automation type and its value, in the order written. Texts are UTF-8.
class StreamPropertyBag final : public PropertyBag {
 public:
  Variant ReadProperty(std::string_view name, const Variant& default_value) override;
  void WriteProperty(std::string_view name, const Variant& value,
                     const Variant& default_value) override;
  /// What was written, as bytes.
  [[nodiscard]] std::vector<std::uint8_t> Bytes() const;
  /// Takes bytes written by Bytes(); throws ConversionError when they do not
  /// read as such.
  void Parse(const std::vector<std::uint8_t>& bytes);

 private:
  std::vector<std::pair<std::string, Variant>> values_;
};

/// Reads a whole stream's remaining bytes written by StreamPropertyBag
/// (count-prefixed) into `bytes`.
HRESULT ReadBagBytes(IStream* stream, std::vector<std::uint8_t>& bytes);
/// Writes them with their length first.
HRESULT WriteBagBytes(IStream* stream, const std::vector<std::uint8_t>& bytes);

}  // namespace tavirel::com
