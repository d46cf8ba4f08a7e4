// Composing a command string from the catalogue's field list.
#include <algorithm>

#include "fields/field_encoders.hpp"
#include "ops/catalogue.hpp"
#include "tavirel/errors.hpp"

namespace tavirel::ops {

void AppendField(std::string& out, const CommandField& field, const Arg& value,
                 std::int32_t euro_settings) {
  const auto width = static_cast<std::int16_t>(field.width);
  switch (field.kind) {
    case FieldKind::Digit: AppendDigitField(out, value.I2(), field.width); return;
    case FieldKind::TrailingDigits: AppendDigitField(out, value.I2(), 1); return;
    case FieldKind::Amount: AppendAmountField(out, value.Cy(), width, euro_settings); return;
    case FieldKind::Percent: AppendDecimalField(out, value.R4(), "#0.00", width); return;
    case FieldKind::DecimalQty: AppendDecimalField(out, value.R4(), "###0.000", width); return;
    case FieldKind::IntegerQty: AppendIntegerQuantityField(out, value.I2()); return;
    case FieldKind::UnitQty: out.append(kUnitQuantity); return;
    case FieldKind::Text: AppendTextField(out, value.Text(), width); return;
    case FieldKind::UnitOfMeasure: AppendUnitOfMeasureField(out, value.Text()); return;
  }
}

std::string EncodeField(const CommandField& field, const Variant& value,
                        std::int32_t euro_settings) {
  std::string encoded;
  AppendField(encoded, field, Arg::Of(value), euro_settings);
  return encoded;
}

void ComposeCommand(const Operation& op, std::span<const Arg> args, std::int32_t euro_settings,
                    std::string& command) {
  command.assign(op.code_text);
  const Arg none;  // one for every field made from no argument, never a copy of an argument
  for (const CommandField& field : op.fields) {
    try {
      AppendField(command, field, field.arg < 0 ? none : args[field.arg], euro_settings);
    } catch (const ConversionError& e) {
      // A value that fits its type but not its field: say whose it is.
      if (field.arg < 0) throw;
      throw ConversionError(std::string(op.name) + ": argument " +
                            std::string(op.params[static_cast<std::size_t>(field.arg)].name) +
                            ": " + e.what());
    }
  }
}

std::string ComposeCommand(const Operation& op, std::span<const Variant> args,
                           std::int32_t euro_settings) {
  ArgList views;
  const std::size_t count = std::min(args.size(), views.size());
  for (std::size_t i = 0; i < count; ++i) views[i] = Arg::Of(args[i]);
  std::string command;
  ComposeCommand(op, std::span<const Arg>(views.data(), count), euro_settings, command);
  return command;
}

}  // namespace tavirel::ops
