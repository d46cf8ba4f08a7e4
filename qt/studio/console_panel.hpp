#pragma once
// The studio's console: a line to type a member and its arguments, run on
// the control the form has selected first, and a transcript of the calls,
// their results, the result values and the FPError events.
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace tavirel {
class TavirelControl;
}

namespace tavirel::studio {

class ConsolePanel : public QWidget {
  Q_OBJECT

 public:
  explicit ConsolePanel(QWidget* parent = nullptr);

  /// The control the console calls (nullptr: none selected).
  void SetTarget(const QString& name, TavirelControl* control);
  /// Runs a line as if typed and entered.
  void Run(const QString& line);
  /// Adds a line to the transcript.
  void Append(const QString& text);

  [[nodiscard]] QString Transcript() const;
  [[nodiscard]] QLineEdit* Input() const { return input_; }

 private:
  QLabel* title_ = nullptr;
  QLineEdit* input_ = nullptr;
  QPlainTextEdit* output_ = nullptr;
  QString target_name_;
  TavirelControl* target_ = nullptr;
};

}  // namespace tavirel::studio
