#include "tavirel/qt/tavirel_control_property_page.hpp"

#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QScopedValueRollback>
#include <algorithm>
#include <iterator>
#include <utility>

#include "page_text_box.hpp"
#include "tavirel/dispatch.hpp"
#include "tavirel/qt/port_text.hpp"
#include "tavirel/qt/property_page_layout.hpp"
#include "tavirel/qt/twips.hpp"

namespace tavirel::qt {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRect PixelRect(const PageChild& child) {
  return {TwipsToPixels(child.left), TwipsToPixels(child.top), TwipsToPixels(child.width),
          TwipsToPixels(child.height)};
}

QWidget* MakeChild(const PageChild& child, QWidget* container) {
  switch (child.kind) {
    case ChildKind::Frame: return new QGroupBox(ToQString(child.caption), container);
    case ChildKind::Label: return new QLabel(ToQString(child.caption), container);
    case ChildKind::TextBox:
      return new PageTextBox(
          child.name == "TxtComPort" ? FocusSelection::WholeText : FocusSelection::Unchanged,
          container);
    case ChildKind::ComboBox: return new QComboBox(container);
  }
  return nullptr;
}

bool TakesFocus(ChildKind kind) {
  return kind == ChildKind::TextBox || kind == ChildKind::ComboBox;
}

Variant Read(TavirelControl& control, std::string_view name) {
  return Invoke(control, name, MemberKind::PropertyGet, {});
}

void Write(TavirelControl& control, std::string_view name, Variant value) {
  Invoke(control, name, MemberKind::PropertyPut, {std::move(value)});
}

}  // namespace

TavirelControlPropertyPage::TavirelControlPropertyPage(QWidget* parent) : QWidget(parent) {
  setObjectName("TavirelControlPropertyPage");
  setFixedSize(TwipsToPixels(kPageWidthTwips), TwipsToPixels(kPageHeightTwips));
  // The boxes were sized for an 8-point dialog font; larger text would not
  // fit the combo box's 193 pixels.
  QFont small = font();
  small.setPointSize(8);
  setFont(small);
  BuildChildren();
  port_box_ = findChild<QLineEdit*>("TxtComPort");
  settings_box_ = findChild<QLineEdit*>("TxtSettings");
  modality_box_ = findChild<QComboBox*>("CmbModality");
  for (std::string_view item : kModalityItems) modality_box_->addItem(ToQString(item));
  modality_box_->setCurrentIndex(0);
  ConnectEdits();
}

void TavirelControlPropertyPage::BuildChildren() {
  QHash<QString, QWidget*> made;
  for (const PageChild& child : kPageChildren) {
    QWidget* container = child.container.empty() ? this : made.value(ToQString(child.container));
    QWidget* widget = MakeChild(child, container);
    widget->setObjectName(ToQString(child.name));
    widget->setGeometry(PixelRect(child));
    made.insert(widget->objectName(), widget);
  }
  for (const PageChild& child : kPageChildren) {
    if (!child.buddy.empty()) {
      static_cast<QLabel*>(made.value(ToQString(child.name)))
          ->setBuddy(made.value(ToQString(child.buddy)));
    }
  }
  std::vector<PageChild> focusable;
  std::copy_if(kPageChildren.begin(), kPageChildren.end(), std::back_inserter(focusable),
               [](const PageChild& child) { return TakesFocus(child.kind); });
  std::sort(focusable.begin(), focusable.end(),
            [](const PageChild& a, const PageChild& b) { return a.tab_index < b.tab_index; });
  for (std::size_t i = 1; i < focusable.size(); ++i) {
    setTabOrder(made.value(ToQString(focusable[i - 1].name)),
                made.value(ToQString(focusable[i].name)));
  }
}

void TavirelControlPropertyPage::ConnectEdits() {
  connect(port_box_, &QLineEdit::textChanged, this, [this] { MarkEdited(); });
  connect(settings_box_, &QLineEdit::textChanged, this, [this] { MarkEdited(); });
  connect(modality_box_, &QComboBox::currentIndexChanged, this, [this] { MarkEdited(); });
}

void TavirelControlPropertyPage::MarkEdited() {
  if (loading_) return;
  // A chosen item replaces the unlisted mode the page was loaded with.
  if (unlisted_mode_ && modality_box_->currentIndex() >= 0) {
    unlisted_mode_.reset();
    emit UnlistedModeChanged();
  }
  SetChanged(true);
}

void TavirelControlPropertyPage::SetChanged(bool changed) {
  if (changed_ == changed) return;
  changed_ = changed;
  emit ChangedFlagChanged(changed_);
}

void TavirelControlPropertyPage::SetSelectedControls(std::vector<TavirelControl*> controls) {
  selection_ = std::move(controls);
  if (!selection_.empty()) {
    QScopedValueRollback<bool> loading(loading_, true);
    LoadFrom(*selection_.front());
  }
  SetChanged(false);
  emit UnlistedModeChanged();
  emit Loaded();
}

const std::vector<TavirelControl*>& TavirelControlPropertyPage::SelectedControls() const {
  return selection_;
}

void TavirelControlPropertyPage::LoadFrom(TavirelControl& control) {
  port_box_->setText(QString::fromStdString(Read(control, "COMPort").ToString()));
  settings_box_->setText(QString::fromStdString(Read(control, "Settings").ToString()));
  const std::int32_t mode = Read(control, "EuroSettings").ToI4();
  const bool listed = mode >= 0 && mode < modality_box_->count();
  modality_box_->setCurrentIndex(listed ? mode : -1);
  unlisted_mode_ = listed ? std::nullopt : std::optional<std::int32_t>(mode);
}

void TavirelControlPropertyPage::ApplyChanges() {
  for (TavirelControl* control : selection_) ApplyTo(*control);
  SetChanged(false);
}

void TavirelControlPropertyPage::ApplyTo(TavirelControl& control) const {
  const std::string port_text = port_box_->text().toStdString();
  if (IsNumericPortText(port_text)) Write(control, "COMPort", PortNumberFromText(port_text));
  // With no item selected there is no mode to write: each control keeps its own.
  if (const int position = modality_box_->currentIndex(); position >= 0) {
    Write(control, "EuroSettings", static_cast<std::int32_t>(position));
  }
  Write(control, "Settings", settings_box_->text().toStdString());
}

}  // namespace tavirel::qt
