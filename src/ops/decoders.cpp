// One function reads every layout table.
#include "ops/decoders.hpp"

#include <cstdint>
#include <string>

#include "ops/reply_fields.hpp"
#include "tavirel/cp1252.hpp"
#include "tavirel/errors.hpp"

namespace tavirel {

// The decoders' access to a record's texts: each is written whole.
class RecordWriter {
 public:
  static std::string& TextToReplace(ResultRecord& record, Prop prop) {
    return record.TextToReplace(prop);
  }
};

namespace ops {
namespace {

[[noreturn]] void Unreadable(const DecoderLayout& layout, Prop target, std::string_view text) {
  const PropInfo& info = ResultProperties()[static_cast<std::size_t>(target)];
  throw ConversionError(std::string(layout.name) + ": field " + std::string(info.name) +
                        " does not read as a number: \"" + cp1252::ToUtf8(text) + "\"");
}

std::int64_t Integer(const DecoderLayout& layout, Prop target, std::string_view text,
                     std::int64_t min, std::int64_t max) {
  auto value = ReadInteger(text);
  if (!value || *value < min || *value > max) Unreadable(layout, target, text);
  return *value;
}

std::int16_t Short(const DecoderLayout& layout, Prop target, std::string_view text) {
  return static_cast<std::int16_t>(Integer(layout, target, text, INT16_MIN, INT16_MAX));
}

// Five two-digit fields, day to minute, then LastDate composed from them.
void StoreDate(const DecoderLayout& layout, std::string_view text, ResultRecord& record) {
  constexpr Prop kParts[] = {Prop::LastGG, Prop::LastMM, Prop::LastAA, Prop::LastHH, Prop::LastMin};
  for (std::size_t i = 0; i < 5; ++i) {
    record.Set(kParts[i], Short(layout, kParts[i], text.substr(i * 2, 2)));
  }
  record.Set(Prop::LastDate, record.ComposeLastDate());
}

// The range of an integer conversion's values.
struct Range {
  std::int64_t min;
  std::int64_t max;
};
Range RangeOf(Conversion conversion) {
  constexpr std::int64_t kMoneyLimit = INT64_MAX / Currency::kScale;
  // By conversion, in the enumeration's order: Short, Long, Money.
  static constexpr Range kRanges[] = {
      {INT16_MIN, INT16_MAX}, {INT32_MIN, INT32_MAX}, {-kMoneyLimit, kMoneyLimit}};
  static_assert(static_cast<int>(Conversion::Short) == 0 &&
                static_cast<int>(Conversion::Long) == 1 &&
                static_cast<int>(Conversion::Money) == 2);
  return kRanges[static_cast<std::size_t>(conversion)];
}

void Store(const DecoderLayout& layout, const ReplyField& field, std::string_view text,
           ResultRecord& record) {
  switch (field.conversion) {
    case Conversion::Short:
    case Conversion::Long:
    case Conversion::Money: {
      // One reading for the three, so that it is compiled once, in line.
      const Range range = RangeOf(field.conversion);
      const std::int64_t value = Integer(layout, field.target, text, range.min, range.max);
      if (field.conversion == Conversion::Short) {
        record.Set(field.target, static_cast<std::int16_t>(value));
      } else if (field.conversion == Conversion::Long) {
        record.Set(field.target, static_cast<std::int32_t>(value));
      } else {
        record.Set(field.target, Currency::FromUnits(value));
      }
      return;
    }
    case Conversion::Fixed2:
    case Conversion::Fixed3: {
      auto value = TryParseDecimalField(text, field.conversion == Conversion::Fixed2 ? 2 : 3);
      if (!value) Unreadable(layout, field.target, text);
      record.Set(field.target, *value);
      return;
    }
    case Conversion::Text:  // ToUtf8 writes over the whole text
      cp1252::ToUtf8(text, RecordWriter::TextToReplace(record, field.target));
      return;
    case Conversion::Date: StoreDate(layout, text, record); return;
  }
}

}  // namespace

void Decode(Decoder decoder, std::string_view reply, ResultRecord& record) {
  if (decoder == Decoder::None) return;
  const DecoderLayout& layout = LayoutOf(decoder);
  const std::string_view payload = ReplyData(reply);
  if (payload.size() != static_cast<std::size_t>(layout.length)) return;
  // Every field lies within its layout's length (the layouts' test holds
  // them to it), so its text is taken without a bounds check.
  for (const ReplyField& field : layout.fields) {
    const char* const text = payload.data() + (field.position - 1);
    Store(layout, field, std::string_view(text, static_cast<std::size_t>(field.width)), record);
  }
}

}  // namespace ops
}  // namespace tavirel
