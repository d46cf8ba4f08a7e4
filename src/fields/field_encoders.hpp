#pragma once
// How argument values become the fixed-width fields of a command string.
// Pure functions: no state, no locale. Numbers go out as decimal digits
// without separators; texts stay UTF-8 (the link turns them into
// Windows-1252 bytes) and their widths count characters. Each Append...
// writes its field at the end of a command being built, reusing its room;
// each Format... returns the same characters as a string of their own.
#include <cstdint>
#include <string>
#include <string_view>

#include "tavirel/currency.hpp"

namespace tavirel {

/// The quantity one, in sale lines that take no quantity argument.
inline constexpr std::string_view kUnitQuantity = "0001000";

/// The absolute value zero-padded on the left to `width` digits, never cut;
/// a negative value gets "-" in front of the padded digits (-5, 2 gives "-05").
std::string FormatDigitField(std::int64_t value, int width);
void AppendDigitField(std::string& out, std::int64_t value, int width);

/// The amount in whole lire (mode 1) or euro cents (mode 2), rounded half
/// away from zero, as a digit field of `width`. Any other currency mode gives
/// the empty text: the transaction engine refuses an unset mode.
std::string FormatAmountField(Currency value, std::int16_t width, std::int32_t euro_settings);
void AppendAmountField(std::string& out, Currency value, std::int16_t width,
                       std::int32_t euro_settings);

/// The value in units of its last decimal: the pattern's digits after "."
/// say how many ("#0.00" hundredths, "###0.000" thousandths). The value is
/// taken at its shortest decimal form (0.285f is 0.285), so a Single's binary
/// error never flips a rounding; halves round away from zero. Written as a
/// digit field of `width`. Throws ConversionError for NaN, infinities and
/// values whose scaled form exceeds a 64-bit integer.
std::string FormatDecimalField(float value, std::string_view pattern, std::int16_t width);
void AppendDecimalField(std::string& out, float value, std::string_view pattern,
                        std::int16_t width);

/// The text without spaces at either end (tabs stay): what a text field
/// holds before it is cut or padded.
std::string_view TrimSpaces(std::string_view utf8);

/// The text without spaces at either end (tabs stay), cut to `width`
/// characters or padded on the right with blanks to `width` characters.
/// Characters are counted in UTF-8 and never split.
std::string FormatTextField(std::string_view utf8, std::int16_t width);
void AppendTextField(std::string& out, std::string_view utf8, std::int16_t width);

/// The digit field of width 4 of the quantity followed by "000" (thousandths).
std::string FormatIntegerQuantityField(std::int16_t qta);
void AppendIntegerQuantityField(std::string& out, std::int16_t qta);

/// A text that reads as a number (blanks, an optional sign, digits with an
/// optional decimal point, blanks) becomes the digit field of width 2 of that
/// number rounded half away from zero ("5" gives "05"); any other text is
/// returned unchanged and unpadded ("KG", "1,5", "" stay as they are).
std::string FormatUnitOfMeasureField(std::string_view text);
void AppendUnitOfMeasureField(std::string& out, std::string_view text);

}  // namespace tavirel
