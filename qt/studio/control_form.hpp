#pragma once
// The studio's form: the controls' faces placed on it, each with its name
// below, and the selection. Clicking a face selects it alone; Ctrl+click
// adds it to the selection or takes it out; clicking the form clears the
// selection. The selection keeps the order in which the faces were picked:
// the property page loads from the first.
#include <QWidget>
#include <memory>
#include <vector>

class QLabel;

namespace tavirel {
class TavirelControl;
}
namespace tavirel::qt {
class TavirelControlWidget;
}

namespace tavirel::studio {

class ControlForm : public QWidget {
  Q_OBJECT

 public:
  explicit ControlForm(QWidget* parent = nullptr);

  qt::TavirelControlWidget& AddControl(const QString& name,
                                       std::unique_ptr<TavirelControl> control);
  [[nodiscard]] int Count() const { return static_cast<int>(sites_.size()); }
  [[nodiscard]] QString NameOf(int index) const;
  [[nodiscard]] qt::TavirelControlWidget& Face(int index) const;
  /// The line under a control's name (where it is connected).
  void SetCaption(int index, const QString& caption);

  /// Indexes of the selected controls, in the order they were picked.
  [[nodiscard]] const std::vector<int>& Selection() const { return selection_; }
  [[nodiscard]] std::vector<TavirelControl*> SelectedControls() const;
  /// Picks a control: alone, or (toggle) added to / taken from the selection.
  void Pick(int index, bool toggle);
  void ClearSelection();

  [[nodiscard]] QSize sizeHint() const override;

 signals:
  void SelectionChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  struct Site {
    QString name;
    qt::TavirelControlWidget* face;
    QLabel* label;
  };
  void SetSelection(std::vector<int> selection);

  std::vector<Site> sites_;
  std::vector<int> selection_;
};

}  // namespace tavirel::studio
