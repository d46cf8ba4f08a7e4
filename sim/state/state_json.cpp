// The register's state as JSON: every field by name, read strictly, so a
// damaged file is reported instead of half-loaded.
#include "state_json.hpp"

#include "state_check.hpp"
#include "tavirel/sim/errors.hpp"
#include "tavirel/sim/state_file.hpp"

namespace tavirel::sim {

namespace {

constexpr const char* kFormat = "tavirel-sim-state";
constexpr int kVersion = 4;

void Expect(bool ok, const std::string& what) {
  if (!ok) throw std::invalid_argument(what);
}

// Version 1 had no paper record: nothing finished yet as far as it knows.
void AddVersionTwoFields(nlohmann::json& state) {
  if (!state.is_object()) return;
  state["non_fiscal_lines"] = 0;
  state["documents"] = 0;
  state["last_document"] = PaperRecord{};
}

// Before version 4 the register did not note when its day began: null, and
// the register counts the day from its start (see RegisterModel).
void AddVersionFourFields(nlohmann::json& state) {
  if (state.is_object()) state["day_opened_at"] = nullptr;
}

}  // namespace

std::string StateToJson(const RegisterState& state, const std::vector<FiscalRecord>& memory,
                        std::uint64_t changes) {
  nlohmann::json j;
  j["format"] = kFormat;
  j["version"] = kVersion;
  j["changes"] = changes;
  j["state"] = state;
  j["fiscal_memory"] = memory;
  return j.dump(1);
}

SavedRegister StateFromJson(const std::string& text, const std::string& origin) {
  try {
    const nlohmann::json j = nlohmann::json::parse(text);
    Expect(j.is_object() && j.value("format", "") == kFormat,
           "not a state file of the simulated register");
    const int version = j.at("version").get<int>();
    Expect(version >= 1 && version <= kVersion, "a version this register does not read");
    nlohmann::json state = j.at("state");
    if (version == 1) AddVersionTwoFields(state);
    if (version < 4) AddVersionFourFields(state);
    SavedRegister saved;
    saved.state = state.get<RegisterState>();
    saved.memory = j.at("fiscal_memory").get<std::vector<FiscalRecord>>();
    // Before version 3 there was no change log.
    saved.changes = version >= 3 ? j.at("changes").get<std::uint64_t>() : 0;
    CheckRanges(saved.state, saved.memory);
    return saved;
  } catch (const std::exception& e) {
    throw StateFileError("state file " + origin +
                         " is damaged or not a register state: " + e.what());
  }
}

}  // namespace tavirel::sim
