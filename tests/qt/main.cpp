// The Qt tests need one QApplication for the whole run. Without a display
// they run on the offscreen platform (ctest sets it; listing the tests at
// build time does not, so it is defaulted here too).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setStyle("Fusion");  // the same look on every machine, screenshots included
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
