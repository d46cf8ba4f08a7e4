#include "studio_window.hpp"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QInputDialog>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>

#include "console_command.hpp"
#include "console_panel.hpp"
#include "control_form.hpp"
#include "simulator_connections.hpp"
#include "tavirel/port_factory.hpp"
#include "tavirel/qt/tavirel_control_widget.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::studio {
namespace {

const char* const kAppTitle = "tavirel-studio";

QString ControlName(int index) { return QString("TavirelControl%1").arg(index + 1); }

}  // namespace

StudioWindow::StudioWindow(StudioOptions options, QWidget* parent)
    : QMainWindow(parent),
      report_(options.report ? std::move(options.report) : qt::MessageBoxReporter()),
      simulators_(std::make_unique<SimulatorConnections>(std::move(options.simulator_wall))) {
  setObjectName("StudioWindow");
  auto* splitter = new QSplitter(Qt::Vertical, this);
  form_ = new ControlForm(splitter);
  console_ = new ConsolePanel(splitter);
  splitter->addWidget(form_);
  splitter->addWidget(console_);
  splitter->setStretchFactor(1, 1);
  setCentralWidget(splitter);
  BuildActions();

  const QString path = options.form_path.isEmpty() ? FormFile::DefaultPath() : options.form_path;
  try {
    file_ = std::make_unique<FormFile>(path);
  } catch (const std::exception& error) {
    // Start from new controls, and never overwrite the unreadable file on close.
    file_readable_ = false;
    file_ = std::make_unique<FormFile>(path, false);
    Report(QString::fromStdString(error.what()));
  }
  LoadControls(std::max(1, options.control_count));
  connect(form_, &ControlForm::SelectionChanged, this, [this] { SelectionChanged(); });
  form_->Pick(0, false);
  if (!options.device.isEmpty()) ConnectToDevice(0, options.device);
  if (options.simulator) ConnectToSimulator(0);
  SetDirty(false);
}

StudioWindow::~StudioWindow() = default;

void StudioWindow::BuildActions() {
  auto* bar = addToolBar("Strumenti");
  bar->setObjectName("Tools");
  bar->setMovable(false);
  properties_action_ = bar->addAction("Proprietà…", this, [this] { OpenProperties(); });
  properties_action_->setObjectName("PropertiesAction");
  properties_action_->setShortcut(Qt::Key_F4);
  auto* save = bar->addAction("Salva", this, [this] { SaveForm(); });
  save->setShortcut(QKeySequence::Save);
  bar->addSeparator();
  bar->addAction("Collega a dispositivo…", this, [this] {
    const int index = CurrentIndex();
    if (index < 0) return;
    bool ok = false;
    const QString name = QInputDialog::getText(
        this, kAppTitle,
        "Dispositivo (/dev/ttyUSB0) o porta di rete (tcp://HOST:PORTA, rfc2217://HOST:PORTA):",
        QLineEdit::Normal, "/dev/ttyUSB0", &ok);
    if (ok && !name.isEmpty()) ConnectToDevice(index, name);
  });
  auto* simulator = bar->addAction("Avvia registratore simulato", this, [this] {
    if (const int index = CurrentIndex(); index >= 0) ConnectToSimulator(index);
  });
  simulator->setEnabled(HasSimulator());
}

void StudioWindow::LoadControls(int count) {
  for (int i = 0; i < count; ++i) {
    const QString name = ControlName(i);
    auto& face = form_->AddControl(name, Placed(name));
    InstallHooks(face.Control());
  }
}

// A control as the host places it: loaded from the form when the form has
// it, new otherwise.
std::unique_ptr<TavirelControl> StudioWindow::Placed(const QString& name) {
  auto control = std::make_unique<TavirelControl>();
  control->Initialize();
  if (!file_->Has(name)) {
    control->InitProperties();
    return control;
  }
  try {
    JsonPropertyBag bag = file_->BagOf(name);
    control->ReadProperties(bag);
  } catch (const std::exception& error) {
    Report(name + ": " + QString::fromStdString(error.what()));
  }
  return control;
}

void StudioWindow::InstallHooks(TavirelControl& control) {
  HostHooks hooks;
  hooks.property_changed = [this](std::string_view) { SetDirty(true); };
  hooks.yield = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
  hooks.fp_error = [this, &control](std::int16_t& level, std::int32_t& code) {
    console_->Append(QString::fromStdString(DescribeFPError(control, level, code)));
  };
  control.SetHooks(std::move(hooks));
}

qt::PropertyPageFrame* StudioWindow::OpenProperties() {
  const auto controls = form_->SelectedControls();
  if (controls.empty()) return nullptr;
  auto* frame = new qt::PropertyPageFrame(controls, this, report_);
  QStringList names;
  for (int index : form_->Selection()) names << form_->NameOf(index);
  frame->setWindowTitle("Pagine proprietà - " + names.join(", "));
  frame->setAttribute(Qt::WA_DeleteOnClose);
  frame->open();
  return frame;
}

bool StudioWindow::SaveForm() {
  for (int i = 0; i < form_->Count(); ++i) {
    JsonPropertyBag bag;
    form_->Face(i).Control().WriteProperties(bag);
    file_->Store(form_->NameOf(i), bag);
  }
  try {
    file_->Save();
  } catch (const std::exception& error) {
    Report(QString::fromStdString(error.what()));
    return false;
  }
  file_readable_ = true;
  SetDirty(false);
  statusBar()->showMessage("Salvato in " + file_->Path(), 5000);
  return true;
}

void StudioWindow::ConnectToDevice(int index, const QString& name) {
  std::unique_ptr<SerialPort> port;
  try {
    port = MakePort(name.toStdString());
  } catch (const std::exception& error) {
    Report(QString::fromStdString(error.what()));  // the control keeps its port
    return;
  }
  Replace(index, std::make_unique<TavirelControl>(std::move(port)), name);
}

bool StudioWindow::HasSimulator() { return SimulatorConnections::Available(); }

void StudioWindow::ConnectToSimulator(int index) {
  try {
    QString caption;
    auto control = simulators_->Start(caption);
    Replace(index, std::move(control), caption);
  } catch (const std::exception& error) {
    Report(QString::fromStdString(error.what()));
  }
}

// The new control takes the old one's settings through a bag, as a host
// moving a control between containers would; the old one (and its open
// port) goes.
void StudioWindow::Replace(int index, std::unique_ptr<TavirelControl> control,
                           const QString& caption) {
  TavirelControl& old = form_->Face(index).Control();
  InMemoryPropertyBag bag;
  old.WriteProperties(bag);
  control->Initialize();
  try {
    control->ReadProperties(bag);
  } catch (const std::exception& error) {
    Report(form_->NameOf(index) + ": " + QString::fromStdString(error.what()));
  }
  InstallHooks(*control);
  form_->Face(index).ReplaceControl(std::move(control));
  form_->SetCaption(index, caption);
  console_->Append(form_->NameOf(index) + " collegato a " + caption);
  SelectionChanged();
}

void StudioWindow::SelectionChanged() {
  const int index = CurrentIndex();
  properties_action_->setEnabled(index >= 0);
  console_->SetTarget(index >= 0 ? form_->NameOf(index) : QString(),
                      index >= 0 ? &form_->Face(index).Control() : nullptr);
  QStringList names;
  for (int i : form_->Selection()) names << form_->NameOf(i);
  statusBar()->showMessage(names.isEmpty() ? "Nessun controllo selezionato"
                                           : "Selezionati: " + names.join(", "));
}

int StudioWindow::CurrentIndex() const {
  return form_->Selection().empty() ? -1 : form_->Selection().front();
}

void StudioWindow::SetDirty(bool dirty) {
  dirty_ = dirty;
  setWindowTitle(QString(kAppTitle) + " — " + file_->Path() + (dirty ? " *" : ""));
}

void StudioWindow::Report(const QString& message) {
  if (console_) console_->Append("errore: " + message);
  report_(this, kAppTitle, message);
}

void StudioWindow::closeEvent(QCloseEvent* event) {
  if (dirty_ && file_readable_) SaveForm();
  event->accept();
}

}  // namespace tavirel::studio
