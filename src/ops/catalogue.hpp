#pragma once
// The operation catalogue: every command as data (code, parameters, fields,
// reply limit, decoder), read by one function that composes the string.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/reply_shape.hpp"
#include "ops/arg.hpp"
#include "ops/decoders.hpp"
#include "tavirel/param_info.hpp"
#include "tavirel/variant.hpp"

namespace tavirel::ops {

enum class FieldKind {
  Digit,           // short, zero-padded to the width, never cut
  TrailingDigits,  // short, its digits only; the last field, so it may grow
  Amount,          // currency, whole lire or euro cents, width 9
  Percent,         // single, hundredths, width 4
  DecimalQty,      // single, thousandths, width 7
  IntegerQty,      // short, four digits and "000"
  UnitQty,         // the constant "0001000"
  Text,            // text, trimmed, cut or padded to the width
  UnitOfMeasure,   // text; a number becomes two digits
};

struct CommandField {
  FieldKind kind;
  int arg;  // index of the parameter it is made from (-1 for none)
  int width;
};

/// An operation's parameters are the dispatch interface's own.
using OpParam = ParamInfo;

/// How the decoder is chosen after OP_OK.
enum class ReplyChoice { Fixed, ByCode };

struct CodeChoice {
  std::int16_t code;
  Decoder decoder;
};

struct Operation {
  std::string_view name;
  int code;
  std::vector<OpParam> params;
  std::vector<CommandField> fields;
  std::int16_t reply_timeout;
  Decoder decoder;                  // for ReplyChoice::Fixed
  std::vector<CodeChoice> choices;  // for ReplyChoice::ByCode, first test first
  VarType result = VarType::VT_I2;  // VT_VARIANT: the same code in a VARIANT
  link::ReplyShape reply_shape{};   // the reply's length, from the decoders' layouts
  std::string code_text{};          // the code as the command opens with it: "1003"
  bool amount_field = false;        // HasAmountField(), found once for the row

  [[nodiscard]] ReplyChoice choice() const {
    return choices.empty() ? ReplyChoice::Fixed : ReplyChoice::ByCode;
  }
  [[nodiscard]] bool HasAmountField() const;
  /// The length of the command string when every value fits its field.
  [[nodiscard]] std::size_t NominalLength() const;
};

/// The most parameters an operation has (opProgReparto's).
inline constexpr std::size_t kMostParams = 11;
/// An operation's arguments, in a fixed place of their own.
using ArgList = std::array<Arg, kMostParams>;

/// The 67 operations, in the interface's slot order.
std::span<const Operation> Catalogue();
/// The operation of that name, or nullptr.
const Operation* FindOperation(std::string_view name);
/// The operation of that name; std::logic_error when there is none (a name
/// the library itself spells wrong).
const Operation& OperationNamed(std::string_view name);

/// One field's characters from its argument (already of its parameter's
/// type; ignored for a field made from no argument), appended to `out`.
/// Throws ConversionError for a value the field cannot hold at all (NaN, out
/// of 64 bits).
void AppendField(std::string& out, const CommandField& field, const Arg& value,
                 std::int32_t euro_settings);
/// The same field as a string of its own.
std::string EncodeField(const CommandField& field, const Variant& value,
                        std::int32_t euro_settings);

/// The command string (UTF-8) from arguments already of their parameters'
/// types, all present, written over `command` (its room reused). An amount
/// field in a currency mode other than lire or euro comes out empty. On a
/// ConversionError `command` holds part of it.
void ComposeCommand(const Operation& op, std::span<const Arg> args, std::int32_t euro_settings,
                    std::string& command);
/// The same from Variants, as a string of its own.
std::string ComposeCommand(const Operation& op, std::span<const Variant> args,
                           std::int32_t euro_settings);

}  // namespace tavirel::ops
