#include <CLI/CLI.hpp>
#include <ostream>

#include "cli_errors.hpp"
#include "commands/commands.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/version.hpp"
#include "terminal_text.hpp"

namespace tavirel::cli {
namespace {

int Fail(Streams& streams, const std::string& message) {
  streams.err << "tavirel: " << TerminalSafe(message) << std::endl;
  return kExitError;
}

bool IsCommand(CLI::App& app, const std::string& name) {
  const auto named = app.get_subcommands([&](CLI::App* sub) { return sub->get_name() == name; });
  return !named.empty();
}

}  // namespace

int Main(int argc, const char* const* argv, Streams& streams) {
  CLI::App app("Drive an Italian fiscal cash register from a shell, a script or another language.",
               "tavirel");
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("tavirel ") + kVersion,
                       "Print the version and exit");
  app.footer("\nRun `tavirel COMMAND --help` for a command's options and examples.");
  Runner run;
  AddDemoCommand(app, run);
  AddCallCommand(app, run);
  AddSimCommand(app, run);
  AddMembersCommand(app, run);
  AddErrorCommand(app, run);
#ifdef TAVIREL_WITH_DOCUMENTS
  AddReceiptCommand(app, run);
  AddSettleCommand(app, run);
  AddApplyCommand(app, run);
#ifdef TAVIREL_WITH_FLEET
  AddFleetCommand(app, run);
  constexpr const char* kCommands =
      "demo, call, sim, members, error, receipt, settle, apply, fleet";
#else
  constexpr const char* kCommands = "demo, call, sim, members, error, receipt, settle, apply";
#endif
#else
  constexpr const char* kCommands = "demo, call, sim, members, error";
#endif
  if (argc > 1 && argv[1][0] != '-' && !IsCommand(app, argv[1])) {
    return Fail(streams,
                "unknown command \"" + std::string(argv[1]) + "\" (commands: " + kCommands + ")");
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e, streams.out, streams.err);  // --help, --version
    return Fail(streams, std::string(e.what()) + " (see tavirel --help)");
  }
  try {
    return run(streams);
  } catch (const TavirelError& e) {
    return Fail(streams, e.what());
  } catch (const UsageError& e) {
    return Fail(streams, e.what());
  } catch (const std::exception& e) {
    return Fail(streams, e.what());
  }
}

}  // namespace tavirel::cli
