#pragma once
// Request and reply frames: STX, two counter digits, one character, the
// payload, a two-digit checksum (sum of the covered bytes modulo 100), ETX.
#include <cstdint>
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

/// True when the reply's two checksum digits (positions L-2, L-1) match the
/// sum of positions 2 .. L-3 modulo 100. A reply too short to hold a
/// checksum field, or whose field is not two digits, does not pass.
bool VerifyReplyChecksum(std::string_view reply);

/// The counter after a request was written: 2 after the probe; otherwise 3
/// after 2 and 2 after anything else.
std::int16_t NextFrameCounter(std::int16_t counter, bool forced);

}  // namespace tavirel::link
