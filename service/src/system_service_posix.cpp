// On POSIX systems systemd runs the service (tavireld.service): the
// Windows service manager's actions only say so.
#include <ostream>

#include "system_service.hpp"

namespace tavirel::service {
namespace {

int NotHere(std::ostream& err, const char* option) {
  err << "tavireld: " << option
      << " is for Windows; here systemd runs the service: install tavireld.service" << std::endl;
  return 2;
}

}  // namespace

int InstallSystemService(const std::vector<std::string>&, std::ostream&, std::ostream& err) {
  return NotHere(err, "--install-service");
}

int UninstallSystemService(std::ostream&, std::ostream& err) {
  return NotHere(err, "--uninstall-service");
}

int RunAsSystemService(support::SignalStop&,
                       const std::function<int(const std::function<void()>&)>&, std::ostream& err) {
  return NotHere(err, "--as-service");
}

}  // namespace tavirel::service
