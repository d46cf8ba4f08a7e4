#pragma once
// Request and reply frames: STX, two counter digits, one character, the
// payload, a two-digit checksum (sum of the covered bytes modulo 100), ETX.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavirel::link {

inline constexpr char kSTX = '\x02';
inline constexpr char kETX = '\x03';
inline constexpr char kACK = '\x06';

/// The request checksum over the counter's two digits, "E" and the command
/// bytes (already in the line's code page), modulo 100.
std::int16_t ComputeFrameChecksum(std::int16_t frame_counter, std::string_view command_bytes);

/// STX, the counter as "00", "E", the command bytes, the checksum as "00", ETX.
/// An STX, ETX or ACK among the command bytes goes out as "?", so no text can
/// cut or forge a frame; the checksum covers the bytes as sent.
std::string BuildRequestFrame(std::int16_t frame_counter, std::string_view command_bytes);
/// The same frame written over `frame`, whose room is reused.
void BuildRequestFrame(std::string& frame, std::int16_t frame_counter,
                       std::string_view command_bytes);

/// The same frame for a command (UTF-8) that is plain ASCII and holds no
/// control character of the line, as most do: its bytes are the same in the
/// line's code page and need no replacing. False, and `frame` unspecified,
/// for any other command.
bool BuildPlainRequestFrame(std::string& frame, std::int16_t frame_counter,
                            std::string_view command);

/// A short number field of a reply (the checksum, the error number): decimal
/// digits with blanks tolerated before and after them. A sign, any other
/// character, or no digit at all makes it no number.
std::optional<int> ReadNumberField(std::string_view field);

/// True when the reply's checksum field (positions L-2, L-1, read by
/// ReadNumberField) matches the sum of positions 2 .. L-3 modulo 100. A
/// reply too short to hold a checksum field, or whose field is no number,
/// does not pass.
bool VerifyReplyChecksum(std::string_view reply);

/// The payload: positions 5 .. L-3; empty for a reply of 7 characters or fewer.
std::string_view ReplyPayload(std::string_view reply);

/// The letters an error reply's payload opens with.
inline constexpr std::string_view kErrorCode = "EERR";
/// An error reply's length as registers send it: the payload "EERR", a
/// blank and the number's two digits, framed.
inline constexpr std::size_t kErrorReplyLength = 14;

/// An error reply's payload opens with "EERR"; further on those letters are
/// data (a product code, a description) and the reply is a normal one.
bool IsErrorReply(std::string_view reply);

/// The number of an error reply: payload characters 6-7 (frame positions
/// 10-11), read by ReadNumberField; only what lies inside the payload
/// counts, never the checksum digits after a short payload.
std::optional<int> ErrorReplyNumber(std::string_view reply);

/// The counter after a request was written: 2 after the probe; otherwise 3
/// after 2 and 2 after anything else.
std::int16_t NextFrameCounter(std::int16_t counter, bool forced);

}  // namespace tavirel::link
