// The property page's children: names, kinds, captions, containers, pixel
// geometry at 15 twips per pixel, access keys and tab order.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "tavirel/qt/tavirel_control_property_page.hpp"

namespace tavirel::qt {
namespace {

struct Expected {
  const char* name;
  const char* class_name;
  const char* caption;
  const char* container;
  QRect pixels;
};

// Twips of the page's table divided by 15: every one divides exactly.
const Expected kChildren[] = {
    {"Frame1", "QGroupBox", "Comm", "TavirelControlPropertyPage", {16, 16, 297, 97}},
    {"LbComPort", "QLabel", "&CommPort:", "Frame1", {8, 24, 73, 25}},
    {"TxtComPort", "QLineEdit", nullptr, "Frame1", {96, 24, 89, 25}},
    {"LbSettings", "QLabel", "&Settings:", "Frame1", {8, 56, 81, 25}},
    {"TxtSettings", "QLineEdit", nullptr, "Frame1", {96, 56, 89, 25}},
    {"Frame2",
     "QGroupBox",
     "Modalità Operativa",
     "TavirelControlPropertyPage",
     {16, 120, 297, 105}},
    {"Label1", "QLabel", "Modalità", "Frame2", {8, 32, 81, 25}},
    {"CmbModality", "QComboBox", nullptr, "Frame2", {96, 32, 193, 21}},
};

QString Caption(QWidget* widget) {
  if (auto* frame = qobject_cast<QGroupBox*>(widget)) return frame->title();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  return {};
}

TEST(PropertyPageLayout, ChildrenMatchTheTable) {
  TavirelControlPropertyPage page;
  for (const Expected& row : kChildren) {
    SCOPED_TRACE(row.name);
    auto* widget = page.findChild<QWidget*>(row.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->inherits(row.class_name)) << widget->metaObject()->className();
    EXPECT_EQ(widget->parentWidget()->objectName(), row.container);
    EXPECT_EQ(widget->geometry(), row.pixels);
    if (row.caption) {
      EXPECT_EQ(Caption(widget), QString::fromUtf8(row.caption));
    }
  }
}

TEST(PropertyPageLayout, LabelsAreBuddiesOfTheirBoxes) {
  TavirelControlPropertyPage page;
  const std::pair<const char*, const char*> pairs[] = {
      {"LbComPort", "TxtComPort"}, {"LbSettings", "TxtSettings"}, {"Label1", "CmbModality"}};
  for (const auto& [label, box] : pairs) {
    EXPECT_EQ(page.findChild<QLabel*>(label)->buddy(), page.findChild<QWidget*>(box)) << label;
  }
}

TEST(PropertyPageLayout, AccessKeysFocusTheirBoxes) {
  TavirelControlPropertyPage page;
  page.show();
  page.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
  const std::pair<Qt::Key, const char*> keys[] = {
      {Qt::Key_S, "TxtSettings"}, {Qt::Key_C, "TxtComPort"}, {Qt::Key_S, "TxtSettings"}};
  for (const auto& [key, box] : keys) {
    QTest::keyClick(&page, key, Qt::AltModifier);
    EXPECT_TRUE(page.findChild<QWidget*>(box)->hasFocus()) << box;
  }
}

TEST(PropertyPageLayout, TabOrderFollowsTheTabIndexes) {
  TavirelControlPropertyPage page;
  page.show();
  page.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
  page.findChild<QWidget*>("TxtComPort")->setFocus(Qt::OtherFocusReason);
  for (const char* next : {"TxtSettings", "CmbModality", "TxtComPort"}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), next);
  }
}

TEST(PropertyPageLayout, PageHoldsBothFramesWithTheirMargin) {
  TavirelControlPropertyPage page;
  EXPECT_EQ(page.size(), QSize(16 + 297 + 16, 120 + 105 + 16));
}

}  // namespace
}  // namespace tavirel::qt
