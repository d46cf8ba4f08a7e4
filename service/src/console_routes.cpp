// The console: a page and its script, built into the program, served with a
// policy that lets it load nothing from elsewhere.
#include "api_context.hpp"
#include "console_assets.hpp"

namespace tavirel::service {

void InstallConsoleRoutes(httplib::Server& server) {
  for (const auto& asset : ConsoleAssets()) {
    server.Get(std::string(asset.path), [&asset](const httplib::Request&, httplib::Response& res) {
      res.set_header("Content-Security-Policy",
                     "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
                     "img-src 'self'; frame-ancestors 'none'; base-uri 'none'; form-action 'none'");
      res.set_header("X-Content-Type-Options", "nosniff");
      res.set_header("Referrer-Policy", "no-referrer");
      res.set_header("Cache-Control", "no-cache");
      res.set_content(std::string(asset.body), std::string(asset.content_type).c_str());
    });
  }
}

}  // namespace tavirel::service
