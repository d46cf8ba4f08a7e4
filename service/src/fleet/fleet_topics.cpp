#include "fleet/fleet_topics.hpp"

#include <array>
#include <utility>

namespace tavirel::service::fleet {
namespace {

constexpr std::array<std::pair<TopicKind, std::string_view>, 6> kKinds{{
    {TopicKind::Documents, "documents"},
    {TopicKind::Outcomes, "outcomes"},
    {TopicKind::Status, "status"},
    {TopicKind::Config, "config"},
    {TopicKind::ConfigReported, "config/reported"},
    {TopicKind::Closures, "closures"},
}};

}  // namespace

std::string StoreStatusTopic(std::string_view store) {
  return std::string(kTopicRoot) + std::string(store) + "/status";
}

std::string RegisterTopic(std::string_view store, std::string_view reg, TopicKind kind) {
  for (const auto& [k, name] : kKinds) {
    if (k == kind) {
      return std::string(kTopicRoot) + std::string(store) + "/" + std::string(reg) + "/" +
             std::string(name);
    }
  }
  return {};
}

std::optional<ParsedTopic> ParseRegisterTopic(std::string_view topic) {
  if (!topic.starts_with(kTopicRoot)) return std::nullopt;
  topic.remove_prefix(kTopicRoot.size());
  const auto slash1 = topic.find('/');
  if (slash1 == std::string_view::npos) return std::nullopt;
  const auto slash2 = topic.find('/', slash1 + 1);
  if (slash2 == std::string_view::npos) return std::nullopt;
  ParsedTopic parsed{std::string(topic.substr(0, slash1)),
                     std::string(topic.substr(slash1 + 1, slash2 - slash1 - 1)),
                     TopicKind::Documents};
  if (!IsTopicName(parsed.store) || !IsTopicName(parsed.reg)) return std::nullopt;
  const std::string_view rest = topic.substr(slash2 + 1);
  for (const auto& [k, name] : kKinds) {
    if (rest == name) {
      parsed.kind = k;
      return parsed;
    }
  }
  return std::nullopt;
}

bool IsTopicName(std::string_view name) {
  if (name.empty() || name.size() > 32) return false;
  for (const char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

}  // namespace tavirel::service::fleet
