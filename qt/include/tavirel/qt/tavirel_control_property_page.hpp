#pragma once
// TavirelControlPropertyPage: the control's property page. It edits the
// three persisted settings, COMPort, Settings and EuroSettings, of the
// controls a design-time host has selected: it loads its fields from the
// first selected control and writes them into every selected control when
// the host applies. Both go through the control's dispatch interface by
// member name, as any client of the control would.
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

class QComboBox;
class QLineEdit;

namespace tavirel {
class TavirelControl;
}

namespace tavirel::qt {

class TavirelControlPropertyPage : public QWidget {
  Q_OBJECT

 public:
  /// Builds the children and fills CmbModality with position 0 selected.
  explicit TavirelControlPropertyPage(QWidget* parent = nullptr);

  /// Selection changed: keeps the list and loads the fields from its first
  /// control. Loading is no edit: the changed flag is cleared afterwards.
  /// Errors of the control's getters pass through.
  void SetSelectedControls(std::vector<TavirelControl*> controls);
  [[nodiscard]] const std::vector<TavirelControl*>& SelectedControls() const;

  /// Apply changes: for each selected control in order, COMPort (only when
  /// the port text is numeric), EuroSettings (only when a mode is selected),
  /// Settings. The first failing setter, or a numeric port text that is no
  /// 16-bit number (PortNumberError), stops the apply and propagates; the
  /// controls before it keep what was written. Clears the changed flag when
  /// everything was written.
  void ApplyChanges();

  /// True while the fields hold edits not yet applied.
  [[nodiscard]] bool Changed() const { return changed_; }
  void SetChanged(bool changed);

  /// The loaded control's EuroSettings when no item of CmbModality stands
  /// for it (any value but 0, 1 and 2); the combo box then shows none.
  [[nodiscard]] std::optional<std::int32_t> UnlistedMode() const { return unlisted_mode_; }

 signals:
  void ChangedFlagChanged(bool changed);
  /// The fields were loaded from a new selection.
  void Loaded();
  /// UnlistedMode() changed: set by a load, cleared by choosing an item.
  void UnlistedModeChanged();

 private:
  void BuildChildren();
  void ConnectEdits();
  void LoadFrom(TavirelControl& control);
  void ApplyTo(TavirelControl& control) const;
  void MarkEdited();

  QLineEdit* port_box_ = nullptr;
  QLineEdit* settings_box_ = nullptr;
  QComboBox* modality_box_ = nullptr;
  std::vector<TavirelControl*> selection_;
  std::optional<std::int32_t> unlisted_mode_;
  bool changed_ = false;
  bool loading_ = false;
};

}  // namespace tavirel::qt
