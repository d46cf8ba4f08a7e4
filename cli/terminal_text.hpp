#pragma once
// Text from the line or from the user made safe for a terminal: control
// characters (C0, DEL and C1) and bytes that are not UTF-8 are written as
// escapes, so a description holding ESC ] 0; ... BEL cannot retitle the
// terminal or move its cursor.
#include <string>
#include <string_view>

namespace tavirel::cli {

/// `text` with each control character written as \xHH (C1 characters as
/// \u00HH) and each byte that is not UTF-8 as \xHH; everything else as it is.
std::string TerminalSafe(std::string_view text);

/// `text` in double quotes, made terminal-safe, with \" and \\ for a quote
/// and a backslash (the same escapes an OP's quoted words take).
std::string QuotedText(std::string_view text);

}  // namespace tavirel::cli
