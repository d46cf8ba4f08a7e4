#pragma once
// Windows' names of serial devices. Plain text work, so it builds and is
// tested everywhere; only the Win32 port uses it.
#include <cstdint>
#include <string>
#include <string_view>

namespace tavirel::port {

/// "\\.\COM<n>" for port number n (1 and up; the caller checks).
std::string ComPortPath(std::int16_t number);

/// The path CreateFile opens for a device name as a user writes it:
/// "COM3" or "com3" becomes "\\.\COM3" (the only form that reaches COM10 and
/// up); a name already in the device namespace ("\\.\...") and anything
/// else are taken as they are.
std::string ComDevicePath(std::string_view name);

/// The short name for messages and locks: "\\.\COM3" reads "COM3"; other
/// names are returned as they are.
std::string ComDisplayName(std::string_view path);

}  // namespace tavirel::port
