// Composing a command string from the catalogue's field list.
#include "fields/field_encoders.hpp"
#include "ops/catalogue.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::ops {
namespace {

// Most commands (a sale line is 85 characters) fit without growing.
constexpr std::size_t kCommandCapacity = 128;

}  // namespace

std::string EncodeField(const CommandField& field, const Variant& value,
                        std::int32_t euro_settings) {
  const auto width = static_cast<std::int16_t>(field.width);
  switch (field.kind) {
    case FieldKind::Digit: return FormatDigitField(value.get<std::int16_t>(), field.width);
    case FieldKind::TrailingDigits: return FormatDigitField(value.get<std::int16_t>(), 1);
    case FieldKind::Amount: return FormatAmountField(value.get<Currency>(), width, euro_settings);
    case FieldKind::Percent: return FormatDecimalField(value.get<float>(), "#0.00", width);
    case FieldKind::DecimalQty: return FormatDecimalField(value.get<float>(), "###0.000", width);
    case FieldKind::IntegerQty: return FormatIntegerQuantityField(value.get<std::int16_t>());
    case FieldKind::UnitQty: return std::string(kUnitQuantity);
    case FieldKind::Text: return FormatTextField(value.get<std::string>(), width);
    case FieldKind::UnitOfMeasure: return FormatUnitOfMeasureField(value.get<std::string>());
  }
  return {};
}

std::string ComposeCommand(const Operation& op, std::span<const Variant> args,
                           std::int32_t euro_settings) {
  std::string command;
  command.reserve(kCommandCapacity);  // one allocation for a usual command
  command += FormatDigitField(op.code, 4);
  for (const CommandField& field : op.fields) {
    try {
      static const Variant kNone;
      command += EncodeField(field, field.arg < 0 ? kNone : args[field.arg], euro_settings);
    } catch (const ConversionError& e) {
      // A value that fits its type but not its field: say whose it is.
      if (field.arg < 0) throw;
      throw ConversionError(std::string(op.name) + ": argument " +
                            std::string(op.params[static_cast<std::size_t>(field.arg)].name) +
                            ": " + e.what());
    }
  }
  return command;
}

}  // namespace tavirel::ops
