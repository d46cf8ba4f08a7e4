#pragma once
// tavirel-studio: a small design-time host. Its form holds the controls,
// "Proprietà…" opens the property-page frame on the selected ones, the
// settings persist between runs in the host's form file, and a console
// calls any member of the first selected control by name. A control can be
// connected to a device path or to a simulated register.
#include <QMainWindow>
#include <QString>
#include <memory>
#include <optional>

#include "form_file.hpp"
#include "simulator_connections.hpp"
#include "tavirel/qt/property_page_frame.hpp"

class QAction;

namespace tavirel {
class TavirelControl;
}

namespace tavirel::studio {

class ConsolePanel;
class ControlForm;

struct StudioOptions {
  QString form_path;                  // empty: FormFile::DefaultPath()
  int control_count = 2;              // controls on the form
  QString device;                     // connect the first control to this device path
  bool simulator = false;             // connect the first control to a simulated register
  SimulatorWallClock simulator_wall;  // the registers' clock (default: the system's)
  qt::ErrorReporter report;           // default: message boxes
};

class StudioWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit StudioWindow(StudioOptions options, QWidget* parent = nullptr);
  ~StudioWindow() override;

  [[nodiscard]] ControlForm& Form() const { return *form_; }
  [[nodiscard]] ConsolePanel& Console() const { return *console_; }
  [[nodiscard]] const FormFile& File() const { return *file_; }
  [[nodiscard]] bool Dirty() const { return dirty_; }

  /// Opens the property-page frame on the selection (window-modal, without
  /// blocking); nullptr when nothing is selected. The frame deletes itself
  /// when closed.
  qt::PropertyPageFrame* OpenProperties();
  /// Writes every control's properties into the form file; false after
  /// reporting an error.
  bool SaveForm();
  /// Puts control `index` on the port `name` names (a device path, tcp://
  /// or rfc2217://), keeping its settings. A name that makes no port is
  /// reported and the control keeps the port it had.
  void ConnectToDevice(int index, const QString& name);
  /// True when this build can start the simulated register.
  [[nodiscard]] static bool HasSimulator();
  /// Starts a simulated register and puts control `index` on its line.
  void ConnectToSimulator(int index);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildActions();
  void LoadControls(int count);
  std::unique_ptr<TavirelControl> Placed(const QString& name);
  void InstallHooks(TavirelControl& control);
  void Replace(int index, std::unique_ptr<TavirelControl> control, const QString& caption);
  void SelectionChanged();
  void SetDirty(bool dirty);
  void Report(const QString& message);
  int CurrentIndex() const;

  qt::ErrorReporter report_;
  std::unique_ptr<FormFile> file_;
  bool file_readable_ = true;
  bool dirty_ = false;
  ControlForm* form_ = nullptr;
  ConsolePanel* console_ = nullptr;
  QAction* properties_action_ = nullptr;
  std::unique_ptr<SimulatorConnections> simulators_;
};

}  // namespace tavirel::studio
