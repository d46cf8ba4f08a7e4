// tavirel-studio: the design-time host of the control.
#include <QApplication>
#include <QCommandLineParser>
#include <algorithm>

#include "studio_window.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("tavirel-studio");
  QCommandLineParser parser;
  parser.setApplicationDescription("Design-time host of TavirelControl");
  parser.addHelpOption();
  const QCommandLineOption form(
      {"f", "form"},
      QString("The form file (default: %1).").arg(tavirel::studio::FormFile::DefaultPath()),
      "file");
  const QCommandLineOption controls({"n", "controls"}, "Controls on the form (2 to 8).", "count",
                                    "2");
  const QCommandLineOption device(
      {"d", "device"},
      "Connect the first control to this port: a device path, tcp://HOST:PORT or "
      "rfc2217://HOST:PORT.",
      "name");
  const QCommandLineOption simulator({"s", "simulator"},
                                     "Connect the first control to a simulated register.");
  parser.addOptions({form, controls, device, simulator});
  parser.process(app);

  tavirel::studio::StudioOptions options;
  options.form_path = parser.value(form);
  options.control_count = std::clamp(parser.value(controls).toInt(), 2, 8);
  options.device = parser.value(device);
  options.simulator = parser.isSet(simulator);
  tavirel::studio::StudioWindow window(std::move(options));
  window.resize(720, 520);
  window.show();
  return QApplication::exec();
}
