#pragma once
// The console's files, built into the program from service/console/, and
// the API's description from service/openapi.json.
#include <span>
#include <string_view>

namespace tavirel::service {

struct ConsoleAsset {
  std::string_view path;          // "/", "/console.js", ...
  std::string_view content_type;  // "text/html; charset=utf-8", ...
  std::string_view body;
};

/// Every file of the console.
std::span<const ConsoleAsset> ConsoleAssets();
/// The API's OpenAPI description (service/openapi.json), one asset.
std::span<const ConsoleAsset> OpenApiAssets();

}  // namespace tavirel::service
