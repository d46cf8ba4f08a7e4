#pragma once
// The property-page frame of the design-time host: a dialog with one tab,
// "Generale", holding the control's property page, and OK, Annulla and
// Applica. Applica is enabled while the page holds unapplied edits; OK
// applies them and closes; Annulla closes without applying. An error of the
// apply is shown to the developer and the dialog stays open on the edits.
#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class QDialogButtonBox;
class QLabel;
class QPushButton;

namespace tavirel {
class TavirelControl;
}

namespace tavirel::qt {

class TavirelControlPropertyPage;

/// Shows an error to the developer: a message box by default; tests give
/// their own so that nothing waits for a click.
using ErrorReporter =
    std::function<void(QWidget* parent, const QString& title, const QString& message)>;
ErrorReporter MessageBoxReporter();

class PropertyPageFrame : public QDialog {
  Q_OBJECT

 public:
  /// A frame on the selected controls, in selection order; the page loads
  /// from the first. `report` defaults to MessageBoxReporter().
  explicit PropertyPageFrame(std::vector<TavirelControl*> controls, QWidget* parent = nullptr,
                             ErrorReporter report = {});

  [[nodiscard]] TavirelControlPropertyPage& Page() const { return *page_; }
  [[nodiscard]] QPushButton* OkButton() const;
  [[nodiscard]] QPushButton* CancelButton() const;
  [[nodiscard]] QPushButton* ApplyButton() const;
  /// The note shown when the loaded mode has no item in the list.
  [[nodiscard]] QLabel* Note() const { return note_; }

  /// Writes the page into the controls; false (after reporting) on error.
  bool Apply();

 public slots:
  void accept() override;

 signals:
  /// Every control of the selection took the page's values.
  void Applied();

 private:
  void ShowNote();

  TavirelControlPropertyPage* page_ = nullptr;
  QLabel* note_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  ErrorReporter report_;
};

}  // namespace tavirel::qt
