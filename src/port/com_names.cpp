#include "port/com_names.hpp"

#include <algorithm>

namespace tavirel::port {
namespace {

constexpr std::string_view kDeviceNamespace = "\\\\.\\";

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// "COM" and a number from 1 up, in either case.
bool IsComName(std::string_view name) {
  if (name.size() < 4 || name.size() > 6) return false;
  if (Upper(name[0]) != 'C' || Upper(name[1]) != 'O' || Upper(name[2]) != 'M') return false;
  const std::string_view digits = name.substr(3);
  return digits.front() != '0' &&
         std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string ComPortPath(std::int16_t number) {
  return std::string(kDeviceNamespace) + "COM" + std::to_string(number);
}

std::string ComDevicePath(std::string_view name) {
  if (!IsComName(name)) return std::string(name);
  return std::string(kDeviceNamespace) + "COM" + std::string(name.substr(3));
}

std::string ComDisplayName(std::string_view path) {
  if (path.substr(0, kDeviceNamespace.size()) == kDeviceNamespace) {
    const std::string_view rest = path.substr(kDeviceNamespace.size());
    if (IsComName(rest)) return "COM" + std::string(rest.substr(3));
  }
  return std::string(path);
}

}  // namespace tavirel::port
