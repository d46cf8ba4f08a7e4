#pragma once
// A text box of the property page with its own focus behaviour: the port box
// selects its whole text whenever it gets the focus; the settings box keeps
// its caret and selection as they were, whatever brought the focus (a plain
// QLineEdit would select everything when tabbed into).
#include <QFocusEvent>
#include <QLineEdit>

namespace tavirel::qt {

enum class FocusSelection { WholeText, Unchanged };

class PageTextBox final : public QLineEdit {
 public:
  PageTextBox(FocusSelection rule, QWidget* parent) : QLineEdit(parent), rule_(rule) {}

 protected:
  void focusInEvent(QFocusEvent* event) override {
    // The base class selects all for keyboard reasons only; hand it a
    // neutral reason so the rule here is the only one that decides.
    QFocusEvent neutral(event->type(), Qt::OtherFocusReason);
    QLineEdit::focusInEvent(&neutral);
    if (rule_ == FocusSelection::WholeText) setSelection(0, static_cast<int>(text().size()));
  }

 private:
  FocusSelection rule_;
};

}  // namespace tavirel::qt
