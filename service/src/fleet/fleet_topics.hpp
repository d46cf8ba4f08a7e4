#pragma once
// The fleet's topics, version 1 (docs/fleet.md): one place that spells them.
//   tavirel/v1/STORE/status                     out, retained, the will
//   tavirel/v1/STORE/REGISTER/status            out, retained
//   tavirel/v1/STORE/REGISTER/documents         in
//   tavirel/v1/STORE/REGISTER/outcomes          out
//   tavirel/v1/STORE/REGISTER/config            in
//   tavirel/v1/STORE/REGISTER/config/reported   out, retained
//   tavirel/v1/STORE/REGISTER/closures          out
#include <optional>
#include <string>
#include <string_view>

namespace tavirel::service::fleet {

inline constexpr std::string_view kTopicRoot = "tavirel/v1/";

/// What a topic under a store is about.
enum class TopicKind { Documents, Outcomes, Status, Config, ConfigReported, Closures };

/// "tavirel/v1/STORE/status".
std::string StoreStatusTopic(std::string_view store);
/// "tavirel/v1/STORE/REGISTER/<kind>".
std::string RegisterTopic(std::string_view store, std::string_view reg, TopicKind kind);

struct ParsedTopic {
  std::string store;
  std::string reg;
  TopicKind kind = TopicKind::Documents;
};
/// A register's topic read back; nothing for any other topic (and for a
/// store's own status).
std::optional<ParsedTopic> ParseRegisterTopic(std::string_view topic);

/// Store and register names: [A-Za-z0-9_-], 1 to 32 characters (nothing a
/// topic filter would read as a wildcard or a level).
bool IsTopicName(std::string_view name);

}  // namespace tavirel::service::fleet
