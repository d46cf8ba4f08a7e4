// The control's face: its picture and the Resize rule, whatever size a
// layout, a user or the site itself asks for.
#include <gtest/gtest.h>

#include <QTest>
#include <QVBoxLayout>
#include <set>

#include "qt/control_set.hpp"
#include "tavirel/qt/face_picture.hpp"
#include "tavirel/qt/tavirel_control_widget.hpp"

namespace tavirel::qt {
namespace {

// 500 twips is 33.3 px: granted as 33 px, read back as 495 twips; the width
// is twice that, 990 twips, exactly 66 px.
constexpr int kGrantedHeightTwips = 495;
const QSize kFaceSize(66, 33);

TEST(ControlWidget, ResizeRuleSizesTheNewFace) {
  TavirelControlWidget face(testing::MakeLineControl());
  EXPECT_EQ(face.Height(), kGrantedHeightTwips);
  EXPECT_EQ(face.Width(), 2 * face.Height());
  EXPECT_EQ(face.size(), kFaceSize);
}

TEST(ControlWidget, KeepsItsSizeWhateverAUserAsks) {
  TavirelControlWidget face(testing::MakeLineControl());
  face.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&face));
  for (const QSize asked : {QSize(300, 200), QSize(10, 5), QSize(66, 200), QSize(1, 1)}) {
    face.resize(asked);
    QCoreApplication::processEvents();
    EXPECT_EQ(face.size(), kFaceSize) << asked.width() << "x" << asked.height();
    EXPECT_EQ(face.Width(), 2 * face.Height());
  }
}

TEST(ControlWidget, KeepsItsSizeInALayout) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* face = new TavirelControlWidget(testing::MakeLineControl());
  layout->addWidget(face);
  window.resize(400, 300);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(face->size(), kFaceSize);
  window.resize(800, 600);
  QCoreApplication::processEvents();
  EXPECT_EQ(face->size(), kFaceSize);
}

TEST(ControlWidget, ControlResizeUndoesASizeSetThroughTheSite) {
  TavirelControlWidget face(testing::MakeLineControl());
  SizeSite& site = face;
  site.SetHeight(1500);
  site.SetWidth(4500);
  ASSERT_EQ(face.size(), QSize(300, 100)) << "the site grants what it is asked";
  face.Control().Resize();
  EXPECT_EQ(face.size(), kFaceSize);
  EXPECT_EQ(site.Height(), kGrantedHeightTwips);
  EXPECT_EQ(site.Width(), 2 * kGrantedHeightTwips);
}

TEST(ControlWidget, ReplacedControlSizesTheFaceAndTheOldOneIsHandedBack) {
  TavirelControlWidget face(testing::MakeLineControl());
  TavirelControl* first = &face.Control();
  auto second = testing::MakeLineControl();
  TavirelControl* second_raw = second.get();
  auto old = face.ReplaceControl(std::move(second));
  EXPECT_EQ(old.get(), first);
  EXPECT_EQ(&face.Control(), second_raw);
  old->Resize();  // no longer sized through this face
  SizeSite& site = face;
  site.SetHeight(900);
  face.Control().Resize();
  EXPECT_EQ(face.size(), kFaceSize);
}

TEST(FacePicture, IsA48By22DrawingOfSeveralColours) {
  const QImage picture = FacePicture();
  ASSERT_EQ(picture.size(), QSize(48, 22));
  std::set<QRgb> colours;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) colours.insert(picture.pixel(x, y));
  }
  EXPECT_GE(colours.size(), 5u);
}

TEST(ControlWidget, ShowsThePictureAtItsTopLeft) {
  TavirelControlWidget face(testing::MakeLineControl());
  const QImage shown = face.grab().toImage().convertToFormat(QImage::Format_ARGB32);
  const QImage picture = FacePicture().convertToFormat(QImage::Format_ARGB32);
  int opaque_checked = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      if (qAlpha(picture.pixel(x, y)) != 255) continue;
      ASSERT_EQ(shown.pixel(x, y), picture.pixel(x, y)) << x << "," << y;
      ++opaque_checked;
    }
  }
  EXPECT_GT(opaque_checked, 100);
  const QRgb background = shown.pixel(60, 30);  // beside the picture, inside the face
  EXPECT_NE(background, picture.pixel(10, 15));
}

}  // namespace
}  // namespace tavirel::qt
