// tavirel-studio with a simulated register on a control's line: a whole
// exchange through the console, in real time (a few short frames).
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "console_panel.hpp"
#include "control_form.hpp"
#include "studio_window.hpp"
#include "tavirel/qt/tavirel_control_widget.hpp"
#include "tavirel/tavirel_control.hpp"

#ifdef TAVIREL_TEST_WITH_SIM
#include "tavirel/sim/pty_server.hpp"
#endif

namespace tavirel::studio {
namespace {

TEST(StudioSimulator, ConsoleTalksToTheSimulatedRegister) {
  if (!StudioWindow::HasSimulator()) GTEST_SKIP() << "built without the simulated register";
  QTemporaryDir dir;
  QStringList reports;
  StudioOptions options;
  options.form_path = dir.filePath("form.json");
  options.simulator = true;
  options.report = [&](QWidget*, const QString&, const QString& message) { reports << message; };
  StudioWindow studio(std::move(options));
  ConsolePanel& console = studio.Console();
  // The first operation typed works: no mode to set, no port to open first.
  console.Run("opReadDataOra");
  const QString transcript = console.Transcript();
  EXPECT_TRUE(reports.isEmpty()) << reports.join("\n").toStdString();
  EXPECT_TRUE(
      transcript.contains("TavirelControl1 collegato a registratore simulato 1\n"
                          "TavirelControl1: modalità euro, porta aperta"))
      << transcript.toStdString();
  EXPECT_EQ(studio.Form().Face(0).Control().EuroSettings(), TVL_EUROSETTINGS_EURO);
  EXPECT_TRUE(transcript.contains("TavirelControl1> opReadDataOra\n= 0 (OP_OK)"))
      << transcript.toStdString();
  EXPECT_TRUE(transcript.contains("  LastAA = ")) << "the date read shows in the result values";
  EXPECT_FALSE(transcript.contains("FPError"));
  EXPECT_TRUE(studio.Form().Face(0).Control().PortIsOpen());
}

#ifdef TAVIREL_TEST_WITH_SIM
TEST(StudioSimulator, ControlOnADevicePathTalksToTheRegisterBehindIt) {
  auto register_on_pty = sim::StartOnPty({});
  const QString device = QString::fromStdString(register_on_pty.server->DevicePath());
  QTemporaryDir dir;
  StudioOptions options;
  options.form_path = dir.filePath("form.json");
  options.device = device;
  options.report = [](QWidget*, const QString&, const QString& message) {
    ADD_FAILURE() << message.toStdString();
  };
  StudioWindow studio(std::move(options));
  for (const char* line : {"EuroSettings 2", "PortOpen", "opReadDataOra", "PortClose"}) {
    studio.Console().Run(line);
  }
  const QString transcript = studio.Console().Transcript();
  EXPECT_TRUE(transcript.contains("TavirelControl1 collegato a " + device));
  EXPECT_TRUE(transcript.contains("TavirelControl1> opReadDataOra\n= 0 (OP_OK)"))
      << transcript.toStdString();
  EXPECT_FALSE(studio.Form().Face(0).Control().PortIsOpen());
}
#endif

}  // namespace
}  // namespace tavirel::studio
