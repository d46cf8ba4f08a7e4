// tavirel-studio: the design-time host of the control.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <algorithm>

#include "stop_signals.hpp"
#include "studio_window.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // First, so a stop that comes while the window is built waits for the loop.
  tavirel::studio::StopSignals stop_signals;
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
  // Leave through the event loop, so every control closes its port; the
  // status says which signal ended the studio (130 for SIGINT, 143 for SIGTERM).
  const auto stop = [&window](int signal_number) {
    window.CancelWaits();
    QApplication::setQuitOnLastWindowClosed(false);  // keep the status
    window.close();
    QApplication::exit(128 + signal_number);
  };
  QObject::connect(&stop_signals, &tavirel::studio::StopSignals::Stop, &window, stop);
  // A signal that came while the window was built (its probe serves events).
  if (const int early = stop_signals.Caught(); early != 0) {
    QTimer::singleShot(0, &window, [stop, early] { stop(early); });
  }
  return QApplication::exec();
}
