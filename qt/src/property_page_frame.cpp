#include "tavirel/qt/property_page_frame.hpp"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>
#include <utility>

#include "tavirel/qt/tavirel_control_property_page.hpp"

namespace tavirel::qt {
namespace {

const char* const kTitle = "Pagine proprietà";

QString UnlistedModeText(std::int32_t mode) {
  return QString(
             "EuroSettings del controllo vale %1, che non è tra le voci di Modalità: "
             "nessuna voce è selezionata. Se non ne scegliete una, Applica lascia la "
             "modalità di ogni controllo com'è.")
      .arg(mode);
}

}  // namespace

ErrorReporter MessageBoxReporter() {
  return [](QWidget* parent, const QString& title, const QString& message) {
    QMessageBox::critical(parent, title, message);
  };
}

PropertyPageFrame::PropertyPageFrame(std::vector<TavirelControl*> controls, QWidget* parent,
                                     ErrorReporter report)
    : QDialog(parent), report_(report ? std::move(report) : MessageBoxReporter()) {
  setObjectName("PropertyPageFrame");
  setWindowTitle(kTitle);
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName("Tabs");
  page_ = new TavirelControlPropertyPage(tabs);
  tabs->addTab(page_, "Generale");
  note_ = new QLabel(this);
  note_->setObjectName("UnlistedModeNote");
  note_->setWordWrap(true);
  note_->setMaximumWidth(page_->width());
  note_->setStyleSheet("QLabel { color: #8a4b00; }");
  note_->hide();
  buttons_ = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
  OkButton()->setText("OK");
  CancelButton()->setText("Annulla");
  ApplyButton()->setText("&Applica");
  ApplyButton()->setEnabled(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(note_);
  layout->addWidget(buttons_);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(page_, &TavirelControlPropertyPage::ChangedFlagChanged, ApplyButton(),
          &QPushButton::setEnabled);
  connect(page_, &TavirelControlPropertyPage::UnlistedModeChanged, this, [this] { ShowNote(); });
  connect(buttons_, &QDialogButtonBox::accepted, this, &PropertyPageFrame::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &PropertyPageFrame::reject);
  connect(ApplyButton(), &QPushButton::clicked, this, [this] { Apply(); });

  try {
    page_->SetSelectedControls(std::move(controls));
  } catch (const std::exception& error) {
    report_(this, kTitle, QString::fromStdString(error.what()));
  }
}

QPushButton* PropertyPageFrame::OkButton() const { return buttons_->button(QDialogButtonBox::Ok); }
QPushButton* PropertyPageFrame::CancelButton() const {
  return buttons_->button(QDialogButtonBox::Cancel);
}
QPushButton* PropertyPageFrame::ApplyButton() const {
  return buttons_->button(QDialogButtonBox::Apply);
}

bool PropertyPageFrame::Apply() {
  try {
    page_->ApplyChanges();
  } catch (const std::exception& error) {
    report_(this, kTitle, QString::fromStdString(error.what()));
    return false;
  }
  emit Applied();
  return true;
}

void PropertyPageFrame::accept() {
  // As a property frame does: OK applies a page that holds edits.
  if (page_->Changed() && !Apply()) return;
  QDialog::accept();
}

void PropertyPageFrame::ShowNote() {
  const auto mode = page_->UnlistedMode();
  note_->setText(mode ? UnlistedModeText(*mode) : QString());
  note_->setVisible(mode.has_value());
}

}  // namespace tavirel::qt
