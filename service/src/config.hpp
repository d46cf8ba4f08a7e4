#pragma once
// What a tavireld is told to be: its registers, where it listens, its
// journal, token and allowed browser origins, and the bounds it keeps. Read
// from the command line and from a JSON file of the same settings.
//
// Values only: copy and share them freely between threads.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/mqtt_client.hpp"
#include "tavirel/result_codes.hpp"

namespace tavirel::service {

inline constexpr std::string_view kBuiltInDevice = "sim";

struct RegisterConfig {
  std::string name;    // [A-Za-z0-9_-], at most 32 characters
  std::string device;  // a port string, or "sim" for a built-in register
  std::string settings = "9600,n,8,1";
  std::int32_t mode = TVL_EUROSETTINGS_EURO;  // TVL_EUROSETTINGS_EURO or _LIRE
  friend bool operator==(const RegisterConfig&, const RegisterConfig&) = default;

  [[nodiscard]] bool BuiltIn() const { return device == kBuiltInDevice; }
};

/// The bounds the service keeps whatever its clients do.
struct Limits {
  std::size_t body_bytes = 1024 * 1024;      // larger bodies are refused with 413
  std::size_t json_depth = 32;               // deeper JSON is refused with 400
  std::size_t queue_length = 1000;           // per register; beyond it, 503
  std::size_t connections = 64;              // HTTP requests handled at once
  std::size_t waiting_connections = 256;     // open beyond those: reading, idle, answered
  std::size_t event_streams = 16;            // SSE clients at once; beyond it, 429
  std::chrono::seconds io_timeout{5};        // a client sending or reading nothing: dropped
  std::chrono::seconds request_timeout{10};  // a request, head and body, whole; beyond it, 408
  std::chrono::seconds keep_alive{5};        // an idle kept-alive connection
  std::chrono::seconds max_wait{300};        // the largest ?wait= accepted
  std::chrono::seconds stop_grace{20};       // SIGTERM: how long the document in progress may take
  friend bool operator==(const Limits&, const Limits&) = default;
};

/// The store on a broker (docs/fleet.md): off while `url` is empty.
struct FleetConfig {
  std::string url;           // "mqtt://HOST:PORT" or "mqtts://HOST:PORT"
  std::string store;         // the store's name in the topics
  fleet::MqttSettings mqtt;  // filled from `url` by Complete, with the files below
  friend bool operator==(const FleetConfig&, const FleetConfig&) = default;
};

struct ServiceConfig {
  std::vector<RegisterConfig> registers;  // empty: one built-in register "sim"
  std::string listen_host = "127.0.0.1";
  int listen_port = 8765;       // 0: any free port (printed at start)
  std::string journal;          // "" : the user's state folder
  bool new_journal = false;     // an empty journal file is taken as new
  std::string token_file;       // "" : $XDG_CONFIG_HOME/tavirel/token
  std::string read_token_file;  // "" : no read-only token; else made there like the token
  std::vector<std::string> allow_origins;
  std::string trace_file;  // "" : no trace; "-": standard error
  Limits limits;
  FleetConfig fleet;
  friend bool operator==(const ServiceConfig&, const ServiceConfig&) = default;
};

/// "NAME=DEVICE[,settings=9600,n,8,1][,mode=euro|lire]". Throws ConfigError
/// naming the text and what is wrong with it.
RegisterConfig ParseRegisterOption(std::string_view text);

/// "HOST:PORT" or "[V6ADDRESS]:PORT" into `config`. Throws ConfigError.
void ParseListen(std::string_view text, ServiceConfig& config);

/// Applies a JSON configuration over `config`:
///   {"listen": "127.0.0.1:8765", "journal": "/var/lib/...", "token_file": "...",
///    "read_token_file": "...",
///    "allow_origins": ["http://pos.local"],
///    "registers": [{"name": "banco", "device": "/dev/ttyUSB0",
///                   "settings": "9600,n,8,1", "mode": "euro"}],
///    "limits": {"queue_length": 1000, "connections": 64, ...},
///    "mqtt": {"url": "mqtts://broker:8883", "store": "milano-3", "ca_file": "...",
///             "cert_file": "...", "key_file": "...", "username": "...",
///             "password_file": "...", "session_expiry_s": 604800}}
/// Unknown fields are refused. Throws ConfigError naming the field.
void ApplyConfigJson(std::string_view json, ServiceConfig& config);

/// Checks the whole configuration (names unique, one device per register,
/// limits above zero) and fills the default register. Throws ConfigError.
void Complete(ServiceConfig& config);

/// True for a host name or address that only this machine reaches.
bool IsLoopbackHost(std::string_view host);

/// "euro" or "lire".
std::string ModeName(std::int32_t mode);

}  // namespace tavirel::service
