// The batch window as the program opens it: from the Tools menu, on the
// program's own instrument, its library in the program's working folder.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/settings.h"
#include "tests/support/probed_simulator.h"
#include "tests/support/program_in_folder.h"
#include "ui/batch_capture_window.h"
#include "ui/board_window.h"
#include "ui/main_window.h"

namespace kvt {

namespace {

constexpr int ZeroVolts = 512;

class BatchFromTheMenu : public ProgramInFolder {
 protected:
  void SetUp() override {
    ProgramInFolder::SetUp();
    Settings settings;
    SetDefaultSettings(settings, AllGroups);
    settings[ShowAboutAtStart] = "0";
    ASSERT_TRUE(WriteSettings(settings, ConfigDirFrom(dir_.path().toStdString())));
  }
  ProbedSimulator sim_{"diode", "range = 1k\nseed = 2\n"};
};

}  // namespace

// Opened from Tools and started, the batch sweeps until something else takes
// the instrument or the program ends, each leaving 0 V on the output.
TEST_F(BatchFromTheMenu, OpensFromToolsAndStopsForWhatElseSweeps) {
  const struct {
    const char* name;
    std::function<void(MainWindow&)> other;
  } rows[] = {
      {"the board window opened", [](MainWindow& form) { form.Menu().boardTest->trigger(); }},
      {"capture started in a board window already open",
       [](MainWindow& form) {
         BoardWindow* board = form.BoardTest();
         board->AddPoint(std::nullopt, std::nullopt);
         board->SetMode(BoardWindow::Mode::Capture);
       }},
      {"File, Exit", [](MainWindow& form) { form.Menu().exit->trigger(); }},
  };
  for (const auto& row : rows) {
    MainWindow& form = StartOn(sim_);
    form.Menu().boardTest->trigger();
    form.BoardTest()->hide();
    form.Menu().batchCapture->trigger();
    BatchCaptureWindow* batch = form.BatchCapture();
    ASSERT_NE(batch, nullptr) << row.name;
    EXPECT_TRUE(batch->isVisible()) << row.name;
    EXPECT_EQ(batch->LibraryEdit()->text(), BatchCaptureWindow::DefaultLibrary);
    ASSERT_TRUE(batch->Start()) << batch->StatusLabel()->text().toStdString();
    EXPECT_TRUE(QFile::exists(dir_.filePath(BatchCaptureWindow::DefaultLibrary))) << "in the working folder";
    for (int tick = 0; tick < 40; ++tick) batch->TickLive();
    ASSERT_NE(sim_.AppliedCode(), ZeroVolts) << row.name;
    row.other(form);
    EXPECT_FALSE(batch->Sweeping()) << row.name;
    EXPECT_FALSE(batch->LiveTimer()->isActive()) << row.name;
    EXPECT_EQ(sim_.AppliedCode(), ZeroVolts) << row.name;
    if (form.BoardTest()) form.BoardTest()->close();
    form_.reset();
    QFile::remove(dir_.filePath(BatchCaptureWindow::DefaultLibrary));
  }
}

}  // namespace kvt
