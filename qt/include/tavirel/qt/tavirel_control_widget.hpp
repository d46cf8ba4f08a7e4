#pragma once
// TavirelControlWidget: the control's face in a Qt form. It owns its control,
// shows the control's picture at the top-left of the 1000 x 500-twip image
// box, and is the control's size site: whenever a layout or a user resizes
// it, the control's Resize rule decides the size (height 500 twips, width
// twice the height granted), in whole pixels of 15 twips.
#include <QImage>
#include <QWidget>
#include <memory>

#include "tavirel/host.hpp"

namespace tavirel {
class TavirelControl;
}

namespace tavirel::qt {

/// The image box the picture sits in, in twips.
inline constexpr int kImageBoxWidthTwips = 1000;
inline constexpr int kImageBoxHeightTwips = 500;

class TavirelControlWidget : public QWidget, public SizeSite {
  Q_OBJECT

 public:
  explicit TavirelControlWidget(std::unique_ptr<TavirelControl> control, QWidget* parent = nullptr);
  ~TavirelControlWidget() override;

  [[nodiscard]] TavirelControl& Control() const { return *control_; }
  /// Puts another control behind the face (the old one is handed back) and
  /// lets it size the face.
  std::unique_ptr<TavirelControl> ReplaceControl(std::unique_ptr<TavirelControl> control);

  // SizeSite: lengths in twips; the face grants whole pixels.
  void SetHeight(int twips) override;
  void SetWidth(int twips) override;
  [[nodiscard]] int Height() const override;
  [[nodiscard]] int Width() const override;

  [[nodiscard]] QSize sizeHint() const override { return size(); }

 signals:
  /// A mouse press on the face, with the keyboard modifiers held.
  void Pressed(Qt::KeyboardModifiers modifiers);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void RunResize();

  std::unique_ptr<TavirelControl> control_;
  QImage picture_;
  bool resizing_ = false;
};

}  // namespace tavirel::qt
