// Behaviour of TavirelControlPropertyPage: creation, loading from the first
// selected control, applying into every selected control, the changed flag,
// the focus rule and the failures of an apply.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "qt/control_set.hpp"
#include "tavirel/errors.hpp"
#include "tavirel/qt/port_text.hpp"
#include "tavirel/qt/tavirel_control_property_page.hpp"

namespace tavirel::qt {
namespace {

using Changes = std::vector<std::string>;

class PropertyPage : public ::testing::Test {
 public:
  QLineEdit& Port() { return *page.findChild<QLineEdit*>("TxtComPort"); }
  QLineEdit& SettingsBox() { return *page.findChild<QLineEdit*>("TxtSettings"); }
  QComboBox& Modality() { return *page.findChild<QComboBox*>("CmbModality"); }

  testing::ControlSet controls;
  TavirelControlPropertyPage page;
};

TEST_F(PropertyPage, CreatedWithTheThreeModesAndPositionZero) {
  ASSERT_EQ(Modality().count(), 3);
  EXPECT_EQ(Modality().itemText(0), "0 - TVL_EUROSETTINGS_UNKNOWN");
  EXPECT_EQ(Modality().itemText(1), "1 - TVL_EUROSETTINGS_LIRE");
  EXPECT_EQ(Modality().itemText(2), "2 - TVL_EUROSETTINGS_EURO");
  EXPECT_EQ(Modality().currentIndex(), 0);
  EXPECT_FALSE(Modality().isEditable());
  EXPECT_FALSE(page.Changed());
}

TEST_F(PropertyPage, LoadsFromTheFirstSelectedControl) {
  controls.Add("A", 4, "4800,e,7,2", 1);
  controls.Add("B", 2, "19200,n,8,1", 2);
  page.SetSelectedControls(controls.Selection());
  EXPECT_EQ(Port().text(), "4");
  EXPECT_EQ(SettingsBox().text(), "4800,e,7,2");
  EXPECT_EQ(Modality().currentIndex(), 1);
  EXPECT_FALSE(page.UnlistedMode().has_value());
  EXPECT_FALSE(page.Changed()) << "loading is no edit";
  EXPECT_TRUE(controls.Changes().empty()) << "loading writes nothing";
}

TEST_F(PropertyPage, EachModeShowsItsOwnItem) {
  const struct {
    std::int32_t mode;
    const char* text;
  } rows[] = {{0, "0 - TVL_EUROSETTINGS_UNKNOWN"},
              {1, "1 - TVL_EUROSETTINGS_LIRE"},
              {2, "2 - TVL_EUROSETTINGS_EURO"}};
  for (const auto& row : rows) {
    testing::ControlSet one;
    one.Add("A", 1, "9600,n,8,1", row.mode);
    page.SetSelectedControls(one.Selection());
    EXPECT_EQ(Modality().currentIndex(), row.mode);
    EXPECT_EQ(Modality().currentText(), row.text);
  }
}

TEST_F(PropertyPage, ApplyWithoutEditsWritesTheFirstControlsValuesIntoAll) {
  controls.Add("A", 1, "9600,n,8,1", 1);
  controls.Add("B", 2, "2400,o,7,2", 2);
  page.SetSelectedControls(controls.Selection());
  EXPECT_EQ(Port().text(), "1");
  page.ApplyChanges();
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(controls[i].COMPort(), 1);
    EXPECT_EQ(controls[i].Settings(), "9600,n,8,1");
    EXPECT_EQ(controls[i].EuroSettings(), 1);
  }
}

TEST_F(PropertyPage, AppliesPortThenModeThenSettingsControlByControl) {
  controls.Add("A", 1, "9600,n,8,1", 0);
  controls.Add("B", 2, "9600,n,8,1", 0);
  page.SetSelectedControls(controls.Selection());
  Port().setText("3");
  Modality().setCurrentIndex(2);
  SettingsBox().setText("19200,e,7,1");
  page.ApplyChanges();
  EXPECT_EQ(controls.Changes(), (Changes{"A.COMPort", "A.EuroSettings", "A.Settings", "B.COMPort",
                                         "B.EuroSettings", "B.Settings"}));
  EXPECT_EQ(controls[1].COMPort(), 3);
  EXPECT_EQ(controls[1].EuroSettings(), 2);
  EXPECT_EQ(controls[1].Settings(), "19200,e,7,1");
}

TEST_F(PropertyPage, PortTextThatIsNoNumberLeavesEveryPortAlone) {
  for (const char* text : {"", "abc", "  ", "1x", "COM1"}) {
    testing::ControlSet set;
    set.Add("A", 5, "9600,n,8,1", 0);
    set.Add("B", 6, "9600,n,8,1", 0);
    page.SetSelectedControls(set.Selection());
    Port().setText(text);
    Modality().setCurrentIndex(1);
    SettingsBox().setText("1200,n,8,1");
    page.ApplyChanges();
    EXPECT_EQ(set[0].COMPort(), 5) << '"' << text << '"';
    EXPECT_EQ(set[1].COMPort(), 6) << '"' << text << '"';
    EXPECT_EQ(set.Changes(),
              (Changes{"A.EuroSettings", "A.Settings", "B.EuroSettings", "B.Settings"}))
        << '"' << text << '"';
    EXPECT_EQ(set[1].EuroSettings(), 1);
    EXPECT_EQ(set[1].Settings(), "1200,n,8,1");
  }
}

TEST_F(PropertyPage, NumericPortTextBecomesTheShortPortNumber) {
  const struct {
    const char* text;
    std::int16_t port;
  } rows[] = {{"7", 7}, {" 12 ", 12}, {"+4", 4}, {"0003", 3}, {"2.0", 2}, {"32767", 32767}};
  for (const auto& row : rows) {
    testing::ControlSet set;
    set.Add("A", 1, "9600,n,8,1", 0);
    page.SetSelectedControls(set.Selection());
    Port().setText(row.text);
    page.ApplyChanges();
    EXPECT_EQ(set[0].COMPort(), row.port) << row.text;
  }
}

TEST_F(PropertyPage, EveryEditSetsTheChangedFlagAndApplyClearsIt) {
  const std::function<void(PropertyPage&)> edits[] = {
      [](PropertyPage& t) { t.Port().setText("2"); },
      [](PropertyPage& t) { t.SettingsBox().setText("4800,n,8,1"); },
      [](PropertyPage& t) { t.Modality().setCurrentIndex(2); },
      [](PropertyPage& t) { QTest::keyClicks(&t.Port(), "9"); },
  };
  controls.Add("A", 1, "9600,n,8,1", 1);
  for (const auto& edit : edits) {
    page.SetSelectedControls(controls.Selection());
    QSignalSpy spy(&page, &TavirelControlPropertyPage::ChangedFlagChanged);
    ASSERT_FALSE(page.Changed());
    edit(*this);
    EXPECT_TRUE(page.Changed());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_TRUE(spy.at(0).at(0).toBool());
    page.ApplyChanges();
    EXPECT_FALSE(page.Changed());
  }
}

TEST_F(PropertyPage, PortBoxSelectsItsWholeTextOnFocusTheSettingsBoxDoesNot) {
  controls.Add("A", 12, "9600,n,8,1", 0);
  page.SetSelectedControls(controls.Selection());
  page.show();
  page.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
  for (Qt::FocusReason reason : {Qt::TabFocusReason, Qt::OtherFocusReason, Qt::MouseFocusReason}) {
    Modality().setFocus(reason);
    Port().deselect();
    SettingsBox().deselect();
    Port().setFocus(reason);
    ASSERT_TRUE(Port().hasFocus());
    EXPECT_EQ(Port().selectionStart(), 0) << reason;
    EXPECT_EQ(Port().selectedText(), "12") << reason;
    SettingsBox().setFocus(reason);
    ASSERT_TRUE(SettingsBox().hasFocus());
    EXPECT_FALSE(SettingsBox().hasSelectedText()) << reason;
  }
}

TEST_F(PropertyPage, FailingSetterStopsTheApplyWhereItFailed) {
  controls.Add("A", 1, "9600,n,8,1", 0);
  controls.Add("B", 2, "9600,n,8,1", 0);
  page.SetSelectedControls(controls.Selection());
  Modality().setCurrentIndex(2);
  SettingsBox().setText("fast,z,9,3");
  EXPECT_THROW(page.ApplyChanges(), TavirelError);
  EXPECT_EQ(controls.Changes(), (Changes{"A.COMPort", "A.EuroSettings"}));
  EXPECT_EQ(controls[0].EuroSettings(), 2) << "what was written before the failure stays";
  EXPECT_EQ(controls[0].Settings(), "9600,n,8,1");
  EXPECT_EQ(controls[1].EuroSettings(), 0);
  EXPECT_TRUE(page.Changed()) << "the edits are not applied yet";
}

TEST_F(PropertyPage, NumericPortTextOutsideTheShortRangeStopsBeforeWriting) {
  for (const char* text : {"70000", "-32769", "1.5", "99999999999999999999"}) {
    testing::ControlSet set;
    set.Add("A", 1, "9600,n,8,1", 0);
    page.SetSelectedControls(set.Selection());
    Port().setText(text);
    try {
      page.ApplyChanges();
      ADD_FAILURE() << text << " was applied";
    } catch (const PortNumberError& error) {
      EXPECT_NE(std::string(error.what()).find(text), std::string::npos) << error.what();
    }
    EXPECT_TRUE(set.Changes().empty()) << text;
    EXPECT_EQ(set[0].COMPort(), 1);
  }
}

TEST_F(PropertyPage, ModeWithoutAnItemShowsNoSelectionAndIsKeptOnApply) {
  controls.Add("A", 3, "2400,n,8,1", 7);
  controls.Add("B", 4, "2400,n,8,1", 1);
  page.SetSelectedControls(controls.Selection());
  EXPECT_EQ(Port().text(), "3");
  EXPECT_EQ(SettingsBox().text(), "2400,n,8,1");
  EXPECT_EQ(Modality().currentIndex(), -1);
  ASSERT_TRUE(page.UnlistedMode().has_value());
  EXPECT_EQ(*page.UnlistedMode(), 7);
  page.ApplyChanges();
  EXPECT_EQ(controls.Changes(), (Changes{"A.COMPort", "A.Settings", "B.COMPort", "B.Settings"}));
  EXPECT_EQ(controls[0].EuroSettings(), 7);
  EXPECT_EQ(controls[1].EuroSettings(), 1);
}

TEST_F(PropertyPage, ChoosingAnItemReplacesTheModeWithoutAnItem) {
  controls.Add("A", 3, "2400,n,8,1", -1);
  page.SetSelectedControls(controls.Selection());
  QSignalSpy spy(&page, &TavirelControlPropertyPage::UnlistedModeChanged);
  Modality().setCurrentIndex(1);
  EXPECT_FALSE(page.UnlistedMode().has_value());
  EXPECT_EQ(spy.count(), 1);
  page.ApplyChanges();
  EXPECT_EQ(controls[0].EuroSettings(), 1);
}

TEST_F(PropertyPage, NoSelectionAppliesNothing) {
  page.SetSelectedControls({});
  Port().setText("4");
  EXPECT_NO_THROW(page.ApplyChanges());
  EXPECT_FALSE(page.Changed());
}

}  // namespace
}  // namespace tavirel::qt
