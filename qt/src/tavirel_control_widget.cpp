#include "tavirel/qt/tavirel_control_widget.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <utility>

#include "tavirel/qt/face_picture.hpp"
#include "tavirel/qt/twips.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::qt {

TavirelControlWidget::TavirelControlWidget(std::unique_ptr<TavirelControl> control, QWidget* parent)
    : QWidget(parent), control_(std::move(control)), picture_(FacePicture()) {
  setObjectName("TavirelControlWidget");
  control_->SetSizeSite(this);
  RunResize();
}

TavirelControlWidget::~TavirelControlWidget() { control_->SetSizeSite(nullptr); }

std::unique_ptr<TavirelControl> TavirelControlWidget::ReplaceControl(
    std::unique_ptr<TavirelControl> control) {
  control_->SetSizeSite(nullptr);
  std::swap(control_, control);
  control_->SetSizeSite(this);
  RunResize();
  return control;
}

void TavirelControlWidget::SetHeight(int twips) { setFixedHeight(TwipsToPixels(twips)); }
void TavirelControlWidget::SetWidth(int twips) { setFixedWidth(TwipsToPixels(twips)); }
int TavirelControlWidget::Height() const { return PixelsToTwips(height()); }
int TavirelControlWidget::Width() const { return PixelsToTwips(width()); }

void TavirelControlWidget::RunResize() {
  // Setting the size from inside Resize comes back here as a resize event.
  if (resizing_) return;
  QScopedValueRollback<bool> guard(resizing_, true);
  control_->Resize();
}

void TavirelControlWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  RunResize();
}

void TavirelControlWidget::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().button());
  // The picture keeps its own size at the top-left of its image box; the
  // face clips what of the box lies outside it.
  const QRect image_box(0, 0, TwipsToPixels(kImageBoxWidthTwips),
                        TwipsToPixels(kImageBoxHeightTwips));
  painter.setClipRect(image_box.intersected(rect()));
  painter.drawImage(QPoint(0, 0), picture_);
}

void TavirelControlWidget::mousePressEvent(QMouseEvent* event) {
  emit Pressed(event->modifiers());
  event->accept();
}

}  // namespace tavirel::qt
