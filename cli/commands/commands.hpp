#pragma once
// The subcommands. Each Add... function declares its subcommand on the
// application and, when the subcommand is chosen, stores in `run` what to do.
#include <functional>

#include "commands/streams.hpp"

namespace CLI {
class App;
}

namespace tavirel::cli {

using Runner = std::function<int(Streams&)>;

void AddCallCommand(CLI::App& app, Runner& run);
void AddDemoCommand(CLI::App& app, Runner& run);
void AddSimCommand(CLI::App& app, Runner& run);
void AddMembersCommand(CLI::App& app, Runner& run);
void AddErrorCommand(CLI::App& app, Runner& run);
#ifdef TAVIREL_WITH_DOCUMENTS
void AddReceiptCommand(CLI::App& app, Runner& run);
void AddSettleCommand(CLI::App& app, Runner& run);
void AddApplyCommand(CLI::App& app, Runner& run);
#endif
#ifdef TAVIREL_WITH_FLEET
void AddFleetCommand(CLI::App& app, Runner& run);
#endif

/// The whole program: parses `argv`, runs the chosen command and returns the
/// exit status (2 with a one-line message for a usage error).
int Main(int argc, const char* const* argv, Streams& streams);

}  // namespace tavirel::cli
