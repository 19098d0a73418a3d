#pragma once
// The main window started in an empty working folder of its own, with a
// scripted user, an instant calibration and no real waits.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

#include "ui/main_window.h"
#include "tests/support/fake_instrument.h"
#include "tests/support/scripted_prompt.h"

namespace kvt {

class ProgramInFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    previous_ = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.path()));
  }
  void TearDown() override {
    form_.reset();
    QDir::setCurrent(previous_);
  }

  // Starts the program on the given port, as the program's entry does.
  MainWindow& StartOn(PortIo& port) {
    MainWindowServices services;
    services.prompt = &prompt_;
    services.port = &port;
    services.clock = &clock_;
    services.startupPause = [this](QDialog& about, double seconds) {
      pauses_.push_back(seconds);
      if (onPause_) onPause_(about);
    };
    services.quit = [this] { ++quits_; };
    services.switchHand = switchHand_;
    form_ = std::make_unique<MainWindow>(services);
    form_->ShowLoaded();
    return *form_;
  }

  QTemporaryDir dir_;
  QString previous_;
  ScriptedPrompt prompt_;
  BurstClock clock_{{0.25}};
  std::unique_ptr<MainWindow> form_;
  std::vector<double> pauses_;
  std::function<void(QDialog& about)> onPause_;  // what the user does during the start-up pause
  int quits_ = 0;
  std::function<void(double rangeOhms)> switchHand_;  // the hand that turns the range switch, if any
};

}  // namespace kvt
