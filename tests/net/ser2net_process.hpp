#pragma once
// Debian's ser2net, started by a test with a configuration of its own in a
// fresh temporary folder: one TCP port on 127.0.0.1, on a port number the
// system picks (found from the process's listening socket), carrying a
// serial device raw or with Telnet COM-port control.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

extern char** environ;

namespace tavirel::test {

#ifndef TAVIREL_SER2NET
#define TAVIREL_SER2NET ""
#endif

/// The ser2net program, or "" when it is not installed.
inline std::string Ser2netProgram() {
  const std::string path = TAVIREL_SER2NET;
  return !path.empty() && ::access(path.c_str(), X_OK) == 0 ? path : std::string();
}

class Ser2net {
 public:
  enum class Mode { Raw, Rfc2217 };

  Ser2net(const std::string& device, Mode mode) {
    std::string folder =
        (std::filesystem::temp_directory_path() / "tavirel-ser2net-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr)
      throw std::runtime_error("ser2net: no temporary folder");
    folder_ = folder;
    const std::string config = folder_ + "/ser2net.yaml";
    std::ofstream(config) << "%YAML 1.1\n---\n"
                          << "connection: &register\n"
                          << "  accepter: " << (mode == Mode::Rfc2217 ? "telnet(rfc2217)," : "")
                          << "tcp,127.0.0.1,0\n"
                          << "  connector: serialdev," << device << ",9600n81,local\n"
                          << "  options:\n    kickolduser: true\n";
    const std::string program = Ser2netProgram();
    const std::string pid_file = folder_ + "/ser2net.pid";
    const std::string log = folder_ + "/ser2net.log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_APPEND, 0600);
    const char* argv[] = {program.c_str(),  "-n", "-u",           "-P",
                          pid_file.c_str(), "-c", config.c_str(), nullptr};
    const int rc = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr,
                                 const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("ser2net: cannot start " + program);
    port_ = FindListeningPort();
  }
  ~Ser2net() {
    Kill();
    std::filesystem::remove_all(folder_);
  }
  Ser2net(const Ser2net&) = delete;
  Ser2net& operator=(const Ser2net&) = delete;

  [[nodiscard]] int Port() const { return port_; }
  [[nodiscard]] std::string Url(const std::string& scheme, const std::string& query = "") const {
    return scheme + "://127.0.0.1:" + std::to_string(port_) + query;
  }
  /// Kills the server at once (SIGKILL) and reaps it.
  void Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  std::set<std::string> SocketInodes() const {
    std::set<std::string> inodes;
    const std::string fds = "/proc/" + std::to_string(pid_) + "/fd";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(fds, ec)) {
      const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
      if (target.rfind("socket:[", 0) == 0) inodes.insert(target.substr(8, target.size() - 9));
    }
    return inodes;
  }

  // The port of the socket the process listens on (state 0A in /proc's table).
  int FindListeningPort() const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
      const auto inodes = SocketInodes();
      std::ifstream table("/proc/" + std::to_string(pid_) + "/net/tcp");
      std::string line;
      std::getline(table, line);
      while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmit, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmit >> uid >>
            timeout >> inode;
        if (state == "0A" && inodes.count(inode))
          return std::stoi(local.substr(local.find(':') + 1), nullptr, 16);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    throw std::runtime_error("ser2net: no listening port within 5 s (see its log in " + folder_ +
                             ")");
  }

  std::string folder_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace tavirel::test
