#include "response_text.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "text.hpp"

namespace tavirel::service::http {
namespace {

constexpr std::array<std::pair<int, std::string_view>, 24> kReasons{{
    {100, "Continue"},
    {200, "OK"},
    {201, "Created"},
    {202, "Accepted"},
    {204, "No Content"},
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {403, "Forbidden"},
    {404, "Not Found"},
    {405, "Method Not Allowed"},
    {408, "Request Timeout"},
    {409, "Conflict"},
    {411, "Length Required"},
    {413, "Content Too Large"},
    {414, "URI Too Long"},
    {415, "Unsupported Media Type"},
    {417, "Expectation Failed"},
    {429, "Too Many Requests"},
    {431, "Request Header Fields Too Large"},
    {500, "Internal Server Error"},
    {501, "Not Implemented"},
    {503, "Service Unavailable"},
    {504, "Gateway Timeout"},
    {505, "HTTP Version Not Supported"},
}};

bool Framing(std::string_view name) {
  return SameName(name, "Content-Length") || SameName(name, "Transfer-Encoding") ||
         SameName(name, "Connection");
}

bool Safe(const Headers::Field& field) { return Token(field.first) && FieldValue(field.second); }

std::string Head(const Response& response) {
  std::string text = "HTTP/1.1 " + std::to_string(response.status) + " ";
  text += ReasonPhrase(response.status);
  text += "\r\n";
  for (const auto& field : response.headers) {
    if (Framing(field.first) || !Safe(field)) continue;
    text += field.first + ": " + field.second + "\r\n";
  }
  return text;
}

}  // namespace

std::string_view ReasonPhrase(int status) {
  for (const auto& [code, reason] : kReasons) {
    if (code == status) return reason;
  }
  return "Unknown";
}

std::string ResponseText(const Response& response, bool close, bool head_only) {
  std::string text = Head(response);
  const bool bodiless = response.status == 204 || response.status == 304 || response.status < 200;
  if (!bodiless) text += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
  if (close) text += "Connection: close\r\n";
  text += "\r\n";
  if (!head_only && !bodiless) text += response.body;
  return text;
}

std::string StreamHead(const Response& response) {
  return Head(response) + "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
}

std::string Chunk(std::string_view data) {
  char size[24];
  std::snprintf(size, sizeof size, "%zx\r\n", data.size());
  std::string text = size;
  text += data;
  text += "\r\n";
  return text;
}

}  // namespace tavirel::service::http
