// tavirel-studio's window: selection, the property frame on the selection,
// settings kept in the host's form file between runs, the console, and
// connecting a control to a device.
#include "studio_window.hpp"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "console_panel.hpp"
#include "control_form.hpp"
#include "tavirel/qt/tavirel_control_property_page.hpp"
#include "tavirel/qt/tavirel_control_widget.hpp"
#include "tavirel/tavirel_control.hpp"

namespace tavirel::studio {
namespace {

class Studio : public ::testing::Test {
 public:
  std::unique_ptr<StudioWindow> Open(int controls = 2) {
    StudioOptions options;
    options.form_path = FormPath();
    options.control_count = controls;
    options.report = [this](QWidget*, const QString&, const QString& message) {
      reports.push_back(message);
    };
    return std::make_unique<StudioWindow>(std::move(options));
  }
  QString FormPath() const { return dir.filePath("form.json"); }
  static TavirelControl& ControlOf(StudioWindow& studio, int index) {
    return studio.Form().Face(index).Control();
  }

  QTemporaryDir dir;
  QStringList reports;
};

TEST_F(Studio, FormHoldsTheControlsAndSelectsTheFirst) {
  auto studio = Open(3);
  ASSERT_EQ(studio->Form().Count(), 3);
  EXPECT_EQ(studio->Form().NameOf(2), "TavirelControl3");
  EXPECT_EQ(studio->Form().Selection(), (std::vector<int>{0}));
  EXPECT_EQ(ControlOf(*studio, 1).EuroSettings(), 0) << "a new control on a new form";
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Studio, ClicksPickControlsInOrder) {
  auto studio = Open(3);
  ControlForm& form = studio->Form();
  QTest::mouseClick(&form.Face(2), Qt::LeftButton);
  EXPECT_EQ(form.Selection(), (std::vector<int>{2}));
  QTest::mouseClick(&form.Face(0), Qt::LeftButton, Qt::ControlModifier);
  QTest::mouseClick(&form.Face(1), Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(form.Selection(), (std::vector<int>{2, 0, 1}));
  QTest::mouseClick(&form.Face(0), Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(form.Selection(), (std::vector<int>{2, 1}));
  QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(form.width() - 5, form.height() - 5));
  EXPECT_TRUE(form.Selection().empty());
  EXPECT_EQ(studio->OpenProperties(), nullptr);
}

TEST_F(Studio, PropertiesOpensTheFrameOnTheSelectionInOrder) {
  auto studio = Open(2);
  ControlOf(*studio, 1).COMPort(6);
  studio->Form().Pick(1, false);
  studio->Form().Pick(0, true);
  auto* frame = studio->OpenProperties();
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->isVisible());
  EXPECT_EQ(frame->Page().SelectedControls(),
            (std::vector<TavirelControl*>{&ControlOf(*studio, 1), &ControlOf(*studio, 0)}));
  EXPECT_EQ(frame->Page().findChild<QLineEdit*>("TxtComPort")->text(), "6");
  EXPECT_TRUE(frame->windowTitle().contains("TavirelControl2, TavirelControl1"));
  frame->Page().findChild<QComboBox*>("CmbModality")->setCurrentIndex(2);
  QTest::mouseClick(frame->OkButton(), Qt::LeftButton);
  EXPECT_EQ(ControlOf(*studio, 0).EuroSettings(), 2);
  EXPECT_EQ(ControlOf(*studio, 0).COMPort(), 6);
  EXPECT_TRUE(studio->Dirty());
}

TEST_F(Studio, SettingsPersistBetweenRunsInTheFormFile) {
  {
    auto studio = Open(2);
    studio->Form().Pick(0, false);
    studio->Form().Pick(1, true);
    auto* frame = studio->OpenProperties();
    frame->Page().findChild<QLineEdit*>("TxtComPort")->setText("5");
    frame->Page().findChild<QLineEdit*>("TxtSettings")->setText("4800,e,7,2");
    frame->Page().findChild<QComboBox*>("CmbModality")->setCurrentIndex(1);
    QTest::mouseClick(frame->OkButton(), Qt::LeftButton);
    studio->close();  // a changed form is saved on closing
  }
  ASSERT_TRUE(QFile::exists(FormPath()));
  auto again = Open(2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(ControlOf(*again, i).COMPort(), 5);
    EXPECT_EQ(ControlOf(*again, i).Settings(), "4800,e,7,2");
    EXPECT_EQ(ControlOf(*again, i).EuroSettings(), 1);
  }
  EXPECT_FALSE(again->Dirty()) << "loading is no change";
}

TEST_F(Studio, UnreadableFormIsReportedAndNotOverwritten) {
  {
    QFile file(FormPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not json");
  }
  auto studio = Open(2);
  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].contains(FormPath()));
  ControlOf(*studio, 0).EuroSettings(2);
  studio->close();
  {
    QFile file(FormPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "not json");
  }
  // Saving on purpose replaces it with the form as it is now.
  ASSERT_TRUE(studio->SaveForm());
  auto again = Open(2);
  EXPECT_EQ(ControlOf(*again, 0).EuroSettings(), 2);
}

TEST_F(Studio, ASavedValueTheControlRefusesIsReported) {
  {
    QFile file(FormPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"controls": {"TavirelControl2": {"Settings": "fast"}}})");
  }
  auto studio = Open(2);
  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].startsWith("TavirelControl2: ")) << reports[0].toStdString();
  EXPECT_EQ(ControlOf(*studio, 1).Settings(), "9600,n,8,1");
}

TEST_F(Studio, ConsoleCallsTheFirstSelectedControl) {
  auto studio = Open(2);
  studio->Form().Pick(1, false);
  QLineEdit* input = studio->Console().Input();
  QTest::keyClicks(input, "EuroSettings 2");
  QTest::keyClick(input, Qt::Key_Return);
  EXPECT_EQ(ControlOf(*studio, 1).EuroSettings(), 2);
  EXPECT_EQ(ControlOf(*studio, 0).EuroSettings(), 0);
  EXPECT_TRUE(studio->Dirty());
  studio->Console().Run("EuroSettings");
  const QString transcript = studio->Console().Transcript();
  EXPECT_TRUE(transcript.contains("TavirelControl2> EuroSettings 2")) << transcript.toStdString();
  EXPECT_TRUE(transcript.endsWith("= 2")) << transcript.toStdString();
  EXPECT_TRUE(input->text().isEmpty());
}

TEST_F(Studio, ConsoleShowsFPErrorEvents) {
  auto studio = Open(2);
  studio->Console().Run("opReadDataOra");
  const QString transcript = studio->Console().Transcript();
  EXPECT_TRUE(transcript.contains("FPError ErrorLevel=5 ErrorCode=0")) << transcript.toStdString();
  EXPECT_TRUE(transcript.contains("= 5 (OP_ERR_EUROLOCK)"));
}

TEST_F(Studio, ConsoleWithoutSelectionSaysSo) {
  auto studio = Open(2);
  studio->Form().ClearSelection();
  studio->Console().Run("COMPort");
  EXPECT_TRUE(studio->Console().Transcript().contains("nessun controllo selezionato"));
}

TEST_F(Studio, ConnectingToADeviceKeepsTheSettings) {
  auto studio = Open(2);
  ControlOf(*studio, 0).Settings("19200,n,8,1");
  ControlOf(*studio, 0).EuroSettings(2);
  TavirelControl* before = &ControlOf(*studio, 0);
  const QString device = dir.filePath("no-such-tty");
  studio->ConnectToDevice(0, device);
  EXPECT_NE(&ControlOf(*studio, 0), before);
  EXPECT_EQ(ControlOf(*studio, 0).Settings(), "19200,n,8,1");
  EXPECT_EQ(ControlOf(*studio, 0).EuroSettings(), 2);
  EXPECT_EQ(studio->Form().Face(0).size(), QSize(66, 33));
  studio->Console().Run("PortOpen");
  const QString transcript = studio->Console().Transcript();
  EXPECT_TRUE(transcript.contains("TavirelControl1 collegato a " + device));
  EXPECT_TRUE(transcript.contains("errore: ")) << transcript.toStdString();
  EXPECT_TRUE(transcript.contains(device)) << "the error names the device";
}

TEST_F(Studio, ConnectingToANetworkPortAndRefusingABadName) {
  auto studio = Open(2);
  studio->ConnectToDevice(0, "rfc2217://127.0.0.1:1");  // made, not yet opened
  TavirelControl* networked = &ControlOf(*studio, 0);
  EXPECT_TRUE(studio->Console().Transcript().contains("collegato a rfc2217://127.0.0.1:1"));
  studio->ConnectToDevice(0, "ftp://127.0.0.1:1");
  EXPECT_EQ(&ControlOf(*studio, 0), networked);  // kept
  const QString transcript = studio->Console().Transcript();
  EXPECT_TRUE(transcript.contains("errore: port name \"ftp://127.0.0.1:1\": unknown kind"))
      << transcript.toStdString();
}

}  // namespace
}  // namespace tavirel::studio
