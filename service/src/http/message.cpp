#include "message.hpp"

#include <algorithm>

namespace tavirel::service::http {

bool SameName(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

void Headers::Add(std::string name, std::string value) {
  fields_.emplace_back(std::move(name), std::move(value));
}

void Headers::Set(std::string name, std::string value) {
  std::erase_if(fields_, [&](const Field& f) { return SameName(f.first, name); });
  Add(std::move(name), std::move(value));
}

std::optional<std::string_view> Headers::Find(std::string_view name) const {
  for (const auto& [n, v] : fields_) {
    if (SameName(n, name)) return v;
  }
  return std::nullopt;
}

std::size_t Headers::Count(std::string_view name) const {
  return static_cast<std::size_t>(std::count_if(
      fields_.begin(), fields_.end(), [&](const Field& f) { return SameName(f.first, name); }));
}

std::string Request::Header(std::string_view name) const {
  return std::string(headers.Find(name).value_or(""));
}

bool Request::HasParam(std::string_view name) const {
  return std::any_of(params.begin(), params.end(), [&](const auto& p) { return p.first == name; });
}

std::string Request::Param(std::string_view name) const {
  for (const auto& [n, v] : params) {
    if (n == name) return v;
  }
  return "";
}

void Response::SetContent(std::string text, std::string type) {
  body = std::move(text);
  SetHeader("Content-Type", std::move(type));
}

void Response::SetStream(std::string type, std::function<void(StreamSink&)> producer) {
  body.clear();
  stream = std::move(producer);
  SetHeader("Content-Type", std::move(type));
}

}  // namespace tavirel::service::http
