#include <gtest/gtest.h>

#include <QApplication>
#include <QtGlobal>

// The widgets need an application object; without a display the tests run offscreen, which
// also covers the listing of tests at build time.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
