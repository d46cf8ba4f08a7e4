// Renders the property page, the frame and the studio window into the
// pictures of the docs (in the build folder; scripts/refresh-doc-images
// copies them to docs/images), and checks that each picture has content.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <set>

#include "console_panel.hpp"
#include "control_form.hpp"
#include "qt/control_set.hpp"
#include "studio_window.hpp"
#include "tavirel/qt/property_page_frame.hpp"
#include "tavirel/qt/tavirel_control_property_page.hpp"
#include "tavirel/qt/tavirel_control_widget.hpp"

namespace tavirel::qt {
namespace {

const QString kImages = QStringLiteral(TAVIREL_SCREENSHOTS_DIR);

// Shows the widget, lets it paint, saves its picture and checks that the
// picture is the widget's size and not of one colour.
void Shoot(QWidget& widget, const QString& file, int scale = 1) {
  widget.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
  QCoreApplication::processEvents();
  QImage image = widget.grab().toImage();
  if (scale > 1)
    image = image.scaled(image.size() * scale, Qt::KeepAspectRatio, Qt::FastTransformation);
  ASSERT_TRUE(QDir().mkpath(kImages));
  const QString path = kImages + "/" + file;
  ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
  const QImage saved(path);
  EXPECT_EQ(saved.size(), widget.size() * scale);
  std::set<QRgb> colours;
  for (int y = 0; y < saved.height(); y += 3) {
    for (int x = 0; x < saved.width(); x += 3) colours.insert(saved.pixel(x, y));
  }
  EXPECT_GT(colours.size(), 3u) << file.toStdString();
}

ErrorReporter Silent() {
  return [](QWidget*, const QString&, const QString&) {};
}

TEST(Screenshots, PropertyPage) {
  testing::ControlSet controls;
  controls.Add("A", 3, "19200,e,7,1", 2);
  TavirelControlPropertyPage page;
  page.SetSelectedControls(controls.Selection());
  Shoot(page, "property-page.png");
}

TEST(Screenshots, PropertyFrameWithAnEdit) {
  testing::ControlSet controls;
  controls.Add("A", 1, "9600,n,8,1", 1);
  controls.Add("B", 2, "9600,n,8,1", 1);
  PropertyPageFrame frame(controls.Selection(), nullptr, Silent());
  frame.setWindowTitle("Pagine proprietà - TavirelControl1, TavirelControl2");
  frame.Page().findChild<QComboBox*>("CmbModality")->setCurrentIndex(2);
  Shoot(frame, "property-frame.png");
}

TEST(Screenshots, PropertyFrameForAModeWithoutAnItem) {
  testing::ControlSet controls;
  controls.Add("A", 1, "9600,n,8,1", 7);
  PropertyPageFrame frame(controls.Selection(), nullptr, Silent());
  Shoot(frame, "property-frame-unlisted-mode.png");
}

TEST(Screenshots, ControlFaceEnlarged) {
  TavirelControlWidget face(testing::MakeLineControl());
  Shoot(face, "control-face-4x.png", 4);
}

TEST(Screenshots, Studio) {
  QTemporaryDir dir;
  studio::StudioOptions options;
  options.form_path = dir.filePath("form.json");
  options.simulator = studio::StudioWindow::HasSimulator();
  // A fixed date and time, so the picture is the same at every run.
  options.simulator_wall = [] {
    return std::chrono::system_clock::time_point(std::chrono::seconds(1710498600));
  };
  options.report = Silent();
  studio::StudioWindow window(std::move(options));
  window.resize(760, 560);
  window.Form().Pick(0, false);
  window.Form().Pick(1, true);
  studio::ConsolePanel& console = window.Console();
  for (const char* line : {"? opReparto", "EuroSettings 2", "PortOpen", "opReadDataOra",
                           "opApriCassetto 1", "COMPort"}) {
    console.Run(line);
  }
  Shoot(window, "studio.png");
}

}  // namespace
}  // namespace tavirel::qt
