// The console: a page and its script, built into the program, served with a
// policy that lets it load nothing from elsewhere; and the API's description.
#include <regex>

#include "api_context.hpp"
#include "console_assets.hpp"

namespace tavirel::service {
namespace {

// The file's path as a route: its dots are dots.
std::string Pattern(std::string_view path) {
  return std::regex_replace(std::string(path), std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

}  // namespace

void InstallConsoleRoutes(http::Router& router) {
  // The API's description: public, like the docs it is drawn from, so tools
  // read it without the token (see the gate).
  for (const auto& asset : OpenApiAssets()) {
    router.Get("/v1/openapi\\.json", [&asset](const http::Request&, http::Response& res) {
      res.SetHeader("Cache-Control", "no-cache");
      res.SetContent(std::string(asset.body), std::string(asset.content_type));
    });
  }
  for (const auto& asset : ConsoleAssets()) {
    router.Get(Pattern(asset.path), [&asset](const http::Request&, http::Response& res) {
      res.SetHeader("Content-Security-Policy",
                    "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
                    "img-src 'self'; frame-ancestors 'none'; base-uri 'none'; form-action 'none'");
      res.SetHeader("X-Content-Type-Options", "nosniff");
      res.SetHeader("Referrer-Policy", "no-referrer");
      res.SetHeader("Cache-Control", "no-cache");
      res.SetContent(std::string(asset.body), std::string(asset.content_type));
    });
  }
}

}  // namespace tavirel::service
