// Property bag and stream storage of the three settings.
#include "com_persist.hpp"

#include "com_variant.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::com {
namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  std::uint32_t U32() {
    Need(4);
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(bytes_[at_++]) << (8 * i);
    return value;
  }
  std::string Text() {
    const std::uint32_t size = U32();
    Need(size);
    std::string text(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                     bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + size));
    at_ += size;
    return text;
  }

 private:
  void Need(std::size_t count) const {
    if (bytes_.size() - at_ < count) throw ConversionError("saved settings are cut short");
  }
  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_ = 0;
};

}  // namespace

Variant ComPropertyBag::ReadProperty(std::string_view name, const Variant& default_value) {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = static_cast<VARTYPE>(default_value.type());  // the type we would like
  const std::wstring wide = Wide(name);
  if (FAILED(bag_->Read(wide.c_str(), &value, log_))) return default_value;
  try {
    Variant read = FromVariant(value, default_value.type()).ConvertTo(default_value.type());
    VariantClear(&value);
    return read;
  } catch (...) {
    VariantClear(&value);
    throw;
  }
}

void ComPropertyBag::WriteProperty(std::string_view name, const Variant& value, const Variant&) {
  VARIANT written;
  VariantInit(&written);
  HRESULT hr = ToVariant(value, &written);
  const std::wstring wide = Wide(name);
  if (SUCCEEDED(hr)) hr = bag_->Write(wide.c_str(), &written);
  VariantClear(&written);
  if (FAILED(hr)) {
    throw TavirelError("the property bag refused \"" + std::string(name) + "\" (HRESULT " +
                       std::to_string(static_cast<unsigned long>(hr)) + ")");
  }
}

Variant StreamPropertyBag::ReadProperty(std::string_view name, const Variant& default_value) {
  for (const auto& [saved, value] : values_) {
    if (saved == name) return value.ConvertTo(default_value.type());
  }
  return default_value;
}

void StreamPropertyBag::WriteProperty(std::string_view name, const Variant& value, const Variant&) {
  values_.emplace_back(std::string(name), value);
}

std::vector<std::uint8_t> StreamPropertyBag::Bytes() const {
  std::vector<std::uint8_t> out;
  PutU32(out, static_cast<std::uint32_t>(values_.size()));
  for (const auto& [name, value] : values_) {
    PutU32(out, static_cast<std::uint32_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    PutU32(out, static_cast<std::uint32_t>(value.type()));
    const std::string text = value.ToString();  // exact for the settings' types
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
  }
  return out;
}

void StreamPropertyBag::Parse(const std::vector<std::uint8_t>& bytes) {
  Reader reader(bytes);
  const std::uint32_t count = reader.U32();
  values_.clear();
  for (std::uint32_t i = 0; i < count; ++i) {
    std::string name = reader.Text();
    const auto type = static_cast<VarType>(reader.U32());
    values_.emplace_back(std::move(name), Variant(reader.Text()).ConvertTo(type));
  }
}

HRESULT ReadBagBytes(IStream* stream, std::vector<std::uint8_t>& bytes) {
  std::uint8_t head[4];
  ULONG got = 0;
  HRESULT hr = stream->Read(head, 4, &got);
  if (FAILED(hr)) return hr;
  if (got != 4) return STG_E_READFAULT;
  const std::uint32_t size =
      static_cast<std::uint32_t>(head[0]) | static_cast<std::uint32_t>(head[1]) << 8 |
      static_cast<std::uint32_t>(head[2]) << 16 | static_cast<std::uint32_t>(head[3]) << 24;
  if (size > 65536) return STG_E_READFAULT;  // three settings never come near
  bytes.assign(size, 0);
  if (size == 0) return S_OK;
  hr = stream->Read(bytes.data(), size, &got);
  if (FAILED(hr)) return hr;
  return got == size ? S_OK : STG_E_READFAULT;
}

HRESULT WriteBagBytes(IStream* stream, const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> framed;
  PutU32(framed, static_cast<std::uint32_t>(bytes.size()));
  framed.insert(framed.end(), bytes.begin(), bytes.end());
  ULONG written = 0;
  const HRESULT hr = stream->Write(framed.data(), static_cast<ULONG>(framed.size()), &written);
  if (FAILED(hr)) return hr;
  return written == framed.size() ? S_OK : STG_E_WRITEFAULT;
}

}  // namespace tavirel::com
