// Test entry for every test program: widget tests need an application object.
#include <QApplication>
#include <gtest/gtest.h>

#include "ui/program_font.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Tests never need a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  kvt::ApplyProgramFont(app);
  return RUN_ALL_TESTS();
}
