#include "control_form.hpp"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "tavirel/qt/tavirel_control_widget.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::studio {
namespace {

constexpr int kMargin = 24;
constexpr int kColumnWidth = 150;
constexpr int kRowHeight = 96;
constexpr int kColumns = 4;
constexpr int kGrid = 8;
constexpr int kHandle = 5;

QPoint SitePosition(int index) {
  return {kMargin + (index % kColumns) * kColumnWidth, kMargin + (index / kColumns) * kRowHeight};
}

// Eight handles around a selected face, filled for the first of the
// selection as a form designer shows the control the others follow.
void DrawHandles(QPainter& painter, const QRect& around, bool primary) {
  const QRect r = around.adjusted(-3, -3, 2, 2);
  const QPoint points[] = {
      r.topLeft(),     {r.center().x(), r.top()},    r.topRight(),   {r.right(), r.center().y()},
      r.bottomRight(), {r.center().x(), r.bottom()}, r.bottomLeft(), {r.left(), r.center().y()}};
  painter.setPen(QColor(0, 0, 128));
  painter.setBrush(primary ? QBrush(QColor(0, 0, 128)) : QBrush(Qt::white));
  for (const QPoint& p : points) {
    painter.drawRect(QRect(p.x() - kHandle / 2, p.y() - kHandle / 2, kHandle, kHandle));
  }
}

}  // namespace

ControlForm::ControlForm(QWidget* parent) : QWidget(parent) {
  setObjectName("Form1");
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(0xf4, 0xf4, 0xf0));
  setPalette(p);
}

qt::TavirelControlWidget& ControlForm::AddControl(const QString& name,
                                                  std::unique_ptr<TavirelControl> control) {
  const int index = Count();
  auto* face = new qt::TavirelControlWidget(std::move(control), this);
  face->setObjectName(name);
  face->move(SitePosition(index));
  auto* label = new QLabel(name, this);
  label->setObjectName(name + "Caption");
  label->move(SitePosition(index) + QPoint(0, face->height() + 6));
  label->setFixedWidth(kColumnWidth - 10);
  label->setWordWrap(true);
  connect(face, &qt::TavirelControlWidget::Pressed, this,
          [this, index](Qt::KeyboardModifiers modifiers) {
            Pick(index, modifiers.testFlag(Qt::ControlModifier));
          });
  sites_.push_back({name, face, label});
  updateGeometry();
  return *face;
}

QString ControlForm::NameOf(int index) const { return sites_.at(index).name; }

qt::TavirelControlWidget& ControlForm::Face(int index) const { return *sites_.at(index).face; }

void ControlForm::SetCaption(int index, const QString& caption) {
  Site& site = sites_.at(index);
  site.label->setText(caption.isEmpty() ? site.name : site.name + "\n" + caption);
  site.label->adjustSize();
}

std::vector<TavirelControl*> ControlForm::SelectedControls() const {
  std::vector<TavirelControl*> controls;
  for (int index : selection_) controls.push_back(&Face(index).Control());
  return controls;
}

void ControlForm::Pick(int index, bool toggle) {
  if (!toggle) return SetSelection({index});
  std::vector<int> selection = selection_;
  const auto found = std::find(selection.begin(), selection.end(), index);
  if (found != selection.end()) {
    selection.erase(found);
  } else {
    selection.push_back(index);
  }
  SetSelection(std::move(selection));
}

void ControlForm::ClearSelection() { SetSelection({}); }

void ControlForm::SetSelection(std::vector<int> selection) {
  if (selection == selection_) return;
  selection_ = std::move(selection);
  update();
  emit SelectionChanged();
}

QSize ControlForm::sizeHint() const {
  const int rows = std::max(1, (Count() + kColumns - 1) / kColumns);
  const int columns = std::clamp(Count(), 1, kColumns);
  return {2 * kMargin + columns * kColumnWidth, 2 * kMargin + rows * kRowHeight};
}

void ControlForm::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.setPen(QColor(0xa0, 0xa0, 0xa0));
  for (int y = kGrid; y < height(); y += kGrid) {
    for (int x = kGrid; x < width(); x += kGrid) painter.drawPoint(x, y);
  }
  for (std::size_t i = 0; i < selection_.size(); ++i) {
    DrawHandles(painter, Face(selection_[i]).geometry(), i == 0);
  }
}

void ControlForm::mousePressEvent(QMouseEvent* event) {
  if (!event->modifiers().testFlag(Qt::ControlModifier)) ClearSelection();
  event->accept();
}

}  // namespace tavirel::studio
