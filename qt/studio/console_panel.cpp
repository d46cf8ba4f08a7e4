#include "console_panel.hpp"

#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "console_command.hpp"

namespace tavirel::studio {

ConsolePanel::ConsolePanel(QWidget* parent) : QWidget(parent) {
  setObjectName("Console");
  title_ = new QLabel(this);
  input_ = new QLineEdit(this);
  input_->setObjectName("ConsoleInput");
  input_->setPlaceholderText(
      "membro argomenti…   (es. opReadDataOra, EuroSettings 2, ? opReparto)");
  output_ = new QPlainTextEdit(this);
  output_->setObjectName("ConsoleOutput");
  output_->setReadOnly(true);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  output_->setFont(fixed);
  input_->setFont(fixed);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(title_);
  layout->addWidget(output_, 1);
  layout->addWidget(input_);
  connect(input_, &QLineEdit::returnPressed, this, [this] {
    const QString line = input_->text();
    input_->clear();
    Run(line);
  });
  SetTarget({}, nullptr);
}

void ConsolePanel::SetTarget(const QString& name, TavirelControl* control) {
  target_name_ = name;
  target_ = control;
  title_->setText(control ? "Console — " + name : "Console — nessun controllo selezionato");
}

void ConsolePanel::Run(const QString& line) {
  if (line.trimmed().isEmpty()) return;
  Append((target_ ? target_name_ : QString()) + "> " + line);
  if (!target_) {
    Append("errore: nessun controllo selezionato");
    return;
  }
  // An operation may wait seconds for the printer, serving events meanwhile:
  // no second line until this one is done.
  input_->setEnabled(false);
  const auto lines = RunConsoleLine(*target_, line.toStdString());
  input_->setEnabled(true);
  input_->setFocus();
  for (const std::string& text : lines) Append(QString::fromStdString(text));
}

void ConsolePanel::Append(const QString& text) { output_->appendPlainText(text); }

QString ConsolePanel::Transcript() const { return output_->toPlainText(); }

}  // namespace tavirel::studio
