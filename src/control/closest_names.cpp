// "Did you mean": the member names closest to a name that is none.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "tavirel/dispatch.hpp"

namespace tavirel {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::size_t LongestMemberName() {
  static const std::size_t longest = [] {
    std::size_t most = 0;
    for (const auto& member : Members()) most = std::max(most, member.name.size());
    return most;
  }();
  return longest;
}

std::vector<std::string_view> ClosestMemberNames(std::string_view name, std::size_t count) {
  // The distance costs the name's length times each member's: a name longer
  // than every member is close to none, and is not measured at all.
  if (name.size() > LongestMemberName()) return {};
  std::vector<std::pair<std::size_t, std::string_view>> scored;
  const std::string wanted = Lower(name);
  for (const auto& member : Members()) {
    if (!scored.empty() && std::any_of(scored.begin(), scored.end(),
                                       [&](const auto& s) { return s.second == member.name; })) {
      continue;
    }
    scored.emplace_back(EditDistance(wanted, Lower(member.name)), member.name);
  }
  std::stable_sort(scored.begin(), scored.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string_view> names;
  for (std::size_t i = 0; i < scored.size() && i < count; ++i) names.push_back(scored[i].second);
  return names;
}

}  // namespace tavirel
