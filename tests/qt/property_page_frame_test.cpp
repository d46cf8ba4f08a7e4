// The property-page frame: its tab and buttons, Applica following the
// changed flag, OK and Annulla, errors shown to the developer, and the note
// for a mode without an item.
#include "tavirel/qt/property_page_frame.hpp"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "qt/control_set.hpp"
#include "tavirel/qt/tavirel_control_property_page.hpp"

namespace tavirel::qt {
namespace {

struct Report {
  QString title;
  QString message;
};

class PropertyFrame : public ::testing::Test {
 public:
  std::unique_ptr<PropertyPageFrame> Open() {
    auto frame = std::make_unique<PropertyPageFrame>(
        controls.Selection(), nullptr, [this](QWidget*, const QString& title, const QString& text) {
          reports.push_back({title, text});
        });
    frame->show();
    return frame;
  }
  static QLineEdit& Box(PropertyPageFrame& frame, const char* name) {
    return *frame.Page().findChild<QLineEdit*>(name);
  }

  testing::ControlSet controls;
  std::vector<Report> reports;
};

TEST_F(PropertyFrame, HoldsThePageUnderOneTabGenerale) {
  controls.Add("A", 1, "9600,n,8,1", 0);
  auto frame = Open();
  auto* tabs = frame->findChild<QTabWidget*>("Tabs");
  ASSERT_NE(tabs, nullptr);
  ASSERT_EQ(tabs->count(), 1);
  EXPECT_EQ(tabs->tabText(0), "Generale");
  EXPECT_EQ(tabs->widget(0), &frame->Page());
  EXPECT_EQ(frame->OkButton()->text(), "OK");
  EXPECT_EQ(frame->CancelButton()->text(), "Annulla");
  EXPECT_EQ(frame->ApplyButton()->text(), "&Applica");
}

TEST_F(PropertyFrame, ApplicaFollowsTheChangedFlag) {
  controls.Add("A", 1, "9600,n,8,1", 0);
  auto frame = Open();
  EXPECT_FALSE(frame->ApplyButton()->isEnabled());
  Box(*frame, "TxtComPort").setText("2");
  EXPECT_TRUE(frame->ApplyButton()->isEnabled());
  QTest::mouseClick(frame->ApplyButton(), Qt::LeftButton);
  EXPECT_EQ(controls[0].COMPort(), 2);
  EXPECT_FALSE(frame->ApplyButton()->isEnabled());
  EXPECT_TRUE(frame->isVisible());
}

TEST_F(PropertyFrame, OkAppliesAndCloses) {
  controls.Add("A", 1, "9600,n,8,1", 0);
  controls.Add("B", 2, "9600,n,8,1", 0);
  auto frame = Open();
  frame->Page().findChild<QComboBox*>("CmbModality")->setCurrentIndex(2);
  QTest::mouseClick(frame->OkButton(), Qt::LeftButton);
  EXPECT_EQ(frame->result(), QDialog::Accepted);
  EXPECT_FALSE(frame->isVisible());
  EXPECT_EQ(controls[0].EuroSettings(), 2);
  EXPECT_EQ(controls[1].EuroSettings(), 2);
  EXPECT_EQ(controls[1].COMPort(), 1);
}

TEST_F(PropertyFrame, OkWithoutEditsWritesNothing) {
  controls.Add("A", 1, "9600,n,8,1", 0);
  auto frame = Open();
  QTest::mouseClick(frame->OkButton(), Qt::LeftButton);
  EXPECT_EQ(frame->result(), QDialog::Accepted);
  EXPECT_TRUE(controls.Changes().empty());
}

TEST_F(PropertyFrame, AnnullaClosesWithoutApplying) {
  controls.Add("A", 1, "9600,n,8,1", 0);
  auto frame = Open();
  Box(*frame, "TxtComPort").setText("5");
  Box(*frame, "TxtSettings").setText("4800,n,8,1");
  QTest::mouseClick(frame->CancelButton(), Qt::LeftButton);
  EXPECT_EQ(frame->result(), QDialog::Rejected);
  EXPECT_FALSE(frame->isVisible());
  EXPECT_EQ(controls[0].COMPort(), 1);
  EXPECT_EQ(controls[0].Settings(), "9600,n,8,1");
  EXPECT_TRUE(controls.Changes().empty());
}

TEST_F(PropertyFrame, ApplyErrorsAreShownAndTheFrameStaysOpen) {
  const struct {
    const char* box;
    const char* text;
  } rows[] = {{"TxtSettings", "fast,z,9,3"}, {"TxtComPort", "70000"}};
  for (const auto& row : rows) {
    testing::ControlSet set;
    set.Add("A", 1, "9600,n,8,1", 0);
    std::vector<Report> seen;
    PropertyPageFrame frame(set.Selection(), nullptr,
                            [&](QWidget* parent, const QString& title, const QString& text) {
                              EXPECT_EQ(parent, &frame);
                              seen.push_back({title, text});
                            });
    frame.show();
    Box(frame, row.box).setText(row.text);
    QTest::mouseClick(frame.OkButton(), Qt::LeftButton);
    ASSERT_EQ(seen.size(), 1u) << row.text;
    EXPECT_EQ(seen[0].title, "Pagine proprietà");
    EXPECT_FALSE(seen[0].message.isEmpty());
    EXPECT_TRUE(frame.isVisible()) << "the developer can correct the edit";
    EXPECT_TRUE(frame.ApplyButton()->isEnabled());
    EXPECT_EQ(set[0].Settings(), "9600,n,8,1");
  }
}

TEST_F(PropertyFrame, PortErrorMessageQuotesTheText) {
  controls.Add("A", 1, "9600,n,8,1", 0);
  auto frame = Open();
  Box(*frame, "TxtComPort").setText("70000");
  EXPECT_FALSE(frame->Apply());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(reports[0].message.contains("\"70000\"")) << reports[0].message.toStdString();
}

TEST_F(PropertyFrame, NoteTellsOfAModeWithoutAnItem) {
  controls.Add("A", 1, "9600,n,8,1", 7);
  auto frame = Open();
  ASSERT_TRUE(frame->Note()->isVisible());
  EXPECT_TRUE(frame->Note()->text().contains("7"));
  frame->Page().findChild<QComboBox*>("CmbModality")->setCurrentIndex(2);
  EXPECT_FALSE(frame->Note()->isVisible()) << "an item was chosen";
}

TEST_F(PropertyFrame, NoNoteForListedModes) {
  controls.Add("A", 1, "9600,n,8,1", 2);
  auto frame = Open();
  EXPECT_FALSE(frame->Note()->isVisible());
  EXPECT_TRUE(reports.empty());
}

}  // namespace
}  // namespace tavirel::qt
