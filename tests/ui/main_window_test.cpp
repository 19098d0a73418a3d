#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFrame>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QClipboard>
#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QElapsedTimer>
#include <QLocale>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/text_number.h"
#include "plot/plot_renderer.h"
#include "ui/about_window.h"
#include "device/device_routines.h"
#include "ui/acquisition_window.h"
#include "ui/general_options_dialog.h"
#include "ui/parameter_panel.h"
#include "ui/picture_box.h"
#include "ui/view_menu.h"
#include "tests/support/program_in_folder.h"

namespace kvt {

namespace {

std::vector<std::string> FileLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const std::string text = file.readAll().toStdString();
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      lines.push_back("<no CR LF>" + text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

// One colour all over: nothing drawn on it.
bool Blank(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != image.pixel(0, 0)) return false;
  return true;
}

// Runs the program's start-up in an empty folder of its own.
class MainFormTest : public ProgramInFolder {
 protected:
  void WriteConfig(std::vector<std::string> lines) {
    QFile file(dir_.filePath("kvt_win.cfg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (const auto& line : lines) file.write((line + "\r\n").c_str());
  }

  // The file lines of the built-in defaults (their texts are pinned by the settings tests).
  static std::vector<std::string> Defaults() {
    Settings defaults;
    SetDefaultSettings(defaults, AllGroups);
    return {defaults.slot.begin(), defaults.slot.begin() + SettingsLines};
  }

  MainWindow& Start() { return StartOn(instrument_); }

  std::vector<std::string> Saved() { return FileLines(dir_.filePath("kvt_win.cfg")); }

  // A points file of `count` points (a curve across the plot) with `lines` point lines.
  QString PointsFile(const char* name, int count, int lines) {
    QFile file(dir_.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("KVT\r\n " + QByteArray::number(count) + " \r\n 0 \r\n");
    for (int i = 0; i < lines; ++i)
      file.write(QByteArray::number((i * 8 - 512) / 100.0) + " " + QByteArray::number(i * 2.0e-5) + "\r\n");
    return file.fileName();
  }

  void Open(MainWindow& form, const QString& path) {
    prompt_.fileNames = {path.toStdString()};
    form.Menu().openPoints->trigger();
  }

  const QImage& Dial(MainWindow& form) { return form.findChild<PictureBox*>("Picture2")->Image(); }

  // Chooses "&Get points from device"; `during` runs once the acquisition
  // window is up (null when none came up, which is then closed).
  // The timer is local: when no window runs an event loop it must not fire
  // later, in another test, with this call's references gone.
  void GetPoints(MainWindow& form, const std::function<void(AcquisitionWindow*)>& during) {
    bool answered = false;
    QTimer answer;
    answer.setSingleShot(true);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      answered = true;
      auto* window = qobject_cast<AcquisitionWindow*>(QApplication::activeModalWidget());
      during(window);
      if (!window && QApplication::activeModalWidget()) QApplication::activeModalWidget()->close();
    });
    answer.start(0);
    form.Menu().getPoints->trigger();
    if (!answered) during(nullptr);
  }

  FakeInstrument instrument_;
};

}  // namespace

TEST_F(MainFormTest, FirstStartInAnEmptyFolderLeavesTheDefaultFile) {
  MainWindow& form = Start();
  EXPECT_EQ(form.windowTitle(), "\"Ostrel\" v1.2b");
  EXPECT_EQ(pauses_, std::vector<double>{2.0});  // the about box was shown for two seconds
  form.close();
  EXPECT_EQ(quits_, 1);
  const auto lines = Saved();
  ASSERT_EQ(lines.size(), 28u);
  const auto defaults = Defaults();
  for (int i = 5; i < 28; ++i) EXPECT_EQ(lines[i], defaults[i]) << "line " << i + 1;
  for (int i = 0; i <= 4; ++i) {
    ASSERT_FALSE(lines[i].empty());
    EXPECT_TRUE(lines[i][0] == ' ' || lines[i][0] == '-') << "line " << i + 1 << " '" << lines[i] << "'";
  }
  EXPECT_EQ(lines[WindowWidth], " 8175");
  EXPECT_EQ(lines[WindowHeight], " 6225");
  EXPECT_EQ(lines[WindowState], " 0");
}

TEST_F(MainFormTest, StoredGeometryIsAppliedAndWrittenBack) {
  auto lines = Defaults();
  lines[WindowLeft] = "1500";
  lines[WindowTop] = "750";
  lines[WindowWidth] = "9675";
  lines[WindowHeight] = "7725";
  lines[ShowAboutAtStart] = "0";
  WriteConfig(lines);
  MainWindow& form = Start();
  EXPECT_TRUE(pauses_.empty());
  EXPECT_EQ(form.pos(), QPoint(100, 50));
  EXPECT_EQ(form.Backdrop()->size(), QSize((9675 - 120) / 15, (7725 - 690) / 15));
  form.Menu().exit->trigger();
  const auto saved = Saved();
  ASSERT_EQ(saved.size(), 28u);
  EXPECT_EQ(saved[WindowLeft], " 1500");
  EXPECT_EQ(saved[WindowTop], " 750");
  EXPECT_EQ(saved[WindowWidth], " 9675");
  EXPECT_EQ(saved[WindowHeight], " 7725");
  EXPECT_EQ(quits_, 1);
  form.close();  // a second trigger does not run the exit sequence again
  EXPECT_EQ(quits_, 1);
}

// Where kvt_win.cfg is a folder no write succeeds, for root too. The exit
// says so once, naming the file; OK ends the program all the same, Cancel
// keeps it running as it was.
TEST_F(MainFormTest, ExitTellsOnceWhenTheOptionsCannotBeSaved) {
  const struct {
    const char* name;
    bool closeButton;
    PromptAnswer answer;
  } cases[] = {
      {"File, Exit, then Cancel", false, PromptAnswer::Cancel},
      {"File, Exit, then OK", false, PromptAnswer::Ok},
      {"close button, then Cancel", true, PromptAnswer::Cancel},
      {"close button, then OK", true, PromptAnswer::Ok},
  };
  ASSERT_TRUE(QDir(dir_.path()).mkdir("kvt_win.cfg"));
  const std::string file = dir_.path().toStdString() + "/kvt_win.cfg";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    quits_ = 0;
    prompt_.messages.clear();
    MainWindow& form = Start();
    Open(form, PointsFile("kept.kvt", 32, 32));
    ASSERT_EQ(form.Measured().points.size(), 32u);
    prompt_.answers = {c.answer};
    if (c.closeButton)
      form.close();
    else
      form.Menu().exit->trigger();

    ASSERT_EQ(prompt_.messages.size(), 1u);
    const ShownMessage& told = prompt_.messages[0];
    EXPECT_EQ(told.text.rfind("Can't save the options in " + file + ": ", 0), 0u) << told.text;
    EXPECT_NE(told.text.find("Exit anyway?"), std::string::npos) << told.text;
    EXPECT_EQ(told.icon, PromptIcon::Exclamation);
    EXPECT_EQ(told.buttons, PromptButtons::OkCancel);
    EXPECT_EQ(told.defaultAnswer, PromptAnswer::Cancel);
    const bool stays = c.answer == PromptAnswer::Cancel;
    EXPECT_EQ(quits_, stays ? 0 : 1);
    EXPECT_EQ(form.isVisible(), stays || !c.closeButton);
    EXPECT_EQ(form.Measured().points.size(), 32u);
    if (stays) {  // a later exit tries again, and asks again
      prompt_.answers = {PromptAnswer::Ok};
      form.Menu().exit->trigger();
      EXPECT_EQ(prompt_.messages.size(), 2u);
      EXPECT_EQ(quits_, 1);
    }
    form_.reset();
  }
}

// A request to end from outside (the desktop's logout) asks nothing: a
// failure goes to stderr and the program ends.
TEST_F(MainFormTest, EndingWithoutAskingWritesTheOptionsOrEndsAllTheSame) {
  MainWindow& form = Start();
  form.EndWithoutAsking();
  EXPECT_EQ(quits_, 1);
  EXPECT_EQ(Saved().size(), 28u);
  form_.reset();

  ASSERT_TRUE(QFile::remove(dir_.filePath("kvt_win.cfg")));
  ASSERT_TRUE(QDir(dir_.path()).mkdir("kvt_win.cfg"));
  quits_ = 0;
  MainWindow& again = Start();
  again.EndWithoutAsking();
  EXPECT_EQ(quits_, 1);
  EXPECT_TRUE(prompt_.messages.empty());
}

TEST_F(MainFormTest, MaximisedStartKeepsThePositionButNotTheSize) {
  auto lines = Defaults();
  lines[WindowLeft] = "300";
  lines[WindowWidth] = "12000";
  lines[WindowState] = "2";
  lines[ShowAboutAtStart] = " 1";  // only the exact text "1" is on
  WriteConfig(lines);
  MainWindow& form = Start();
  EXPECT_TRUE(pauses_.empty());
  EXPECT_TRUE(form.isMaximized());
  form.close();
  EXPECT_EQ(Saved()[WindowState], " 2");
}

TEST_F(MainFormTest, WindowEntriesAreKeptWhenSavingIsOff) {
  for (const char* off : {"0", " 1"}) {
    auto lines = Defaults();
    lines[WindowLeft] = "-30000";
    lines[WindowWidth] = "100";  // raised to the minimum at start-up
    lines[SaveWindowOnExit] = off;
    lines[ShowAboutAtStart] = "0";
    lines[PortHex] = "FFFF";
    WriteConfig(lines);
    MainWindow& form = Start();
    form.move(10, 10);
    form.close();
    const auto saved = Saved();
    ASSERT_EQ(saved.size(), 28u);
    EXPECT_EQ(saved[WindowLeft], "-30000");
    EXPECT_EQ(saved[WindowWidth], " 8175");
    EXPECT_EQ(saved[SaveWindowOnExit], off);
    EXPECT_EQ(saved[PortHex], "378");
    form_.reset();
  }
}

TEST_F(MainFormTest, OddStoredStatesAndSizesDoNotStopTheStart) {
  auto lines = Defaults();
  lines[WindowState] = "7";
  lines[WindowLeft] = "-1e300";
  lines[WindowHeight] = "1e300";
  lines[ShowAboutAtStart] = "0";
  WriteConfig(lines);
  MainWindow& form = Start();
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.isMaximized());
  form.close();
  EXPECT_EQ(Saved().size(), 28u);
}

TEST_F(MainFormTest, MenuCaptionsAccessKeysAndAvailability) {
  MainWindow& form = Start();
  const std::vector<std::pair<QString, std::vector<QString>>> expected = {
      {"&File",
       {"&Open file with points", "&Save file with points", "&Board test...", "Open &reference curve...", "Clear re&ferences",
        "&Export...", "", "E&xit"}},
      {"&Tools",
       {"&Get points from device", "&Wide-range curve...", "&Batch capture...", "", "Clea&r plot (remove points)", "&Copy image to clipboard", "", "&Parameters"}},
      {"&View", {"Current &scale", "&Log current", "", "Match &tolerance..."}},
      {"&Options", {"&KVT Options", "&Window Options"}},
      {"&Help", {"&About program"}},
  };
  const auto menus = form.menuBar()->actions();
  ASSERT_EQ(menus.size(), 5);
  for (int m = 0; m < 5; ++m) {
    EXPECT_EQ(menus[m]->text(), expected[m].first);
    const auto items = menus[m]->menu()->actions();
    ASSERT_EQ(items.size(), static_cast<int>(expected[m].second.size()));
    for (int i = 0; i < items.size(); ++i) {
      EXPECT_EQ(items[i]->isSeparator() ? QString() : items[i]->text(), expected[m].second[i]);
      // The View menu's log view is a check item with a shortcut of its own.
      if (items[i] == form.View().LogCurrentItem()) continue;
      EXPECT_TRUE(items[i]->shortcut().isEmpty());
      EXPECT_FALSE(items[i]->isCheckable());
    }
    // No two items of a menu share an access key.
    QList<QChar> keys;
    for (QAction* item : items) {
      const auto amp = item->text().indexOf('&');
      if (amp < 0) continue;
      const QChar key = item->text().at(amp + 1).toLower();
      EXPECT_FALSE(keys.contains(key)) << item->text().toStdString();
      keys << key;
    }
  }
  EXPECT_FALSE(form.Menu().savePoints->isEnabled());
  EXPECT_FALSE(form.Menu().clearPlot->isEnabled());
  for (QAction* always : {form.Menu().openPoints, form.Menu().exit, form.Menu().getPoints, form.Menu().wideRangeCurve,
                          form.Menu().copyPlot,
                          form.Menu().generalOptions, form.Menu().windowOptions, form.Menu().about})
    EXPECT_TRUE(always->isEnabled()) << always->text().toStdString();
  form.Measured() = CurveFromPairs(std::vector<std::pair<double, double>>(32, {0.0, 0.0}));
  form.UpdateParams();
  EXPECT_TRUE(form.Menu().savePoints->isEnabled());
  EXPECT_TRUE(form.Menu().clearPlot->isEnabled());
}

TEST_F(MainFormTest, ClearAsksFirstAndOnlyWhenThereArePoints) {
  MainWindow& form = Start();
  form.ClearPoints();
  EXPECT_TRUE(prompt_.messages.empty());

  form.Measured() = CurveFromPairs(std::vector<std::pair<double, double>>(64, {0.0, 0.0}));
  form.UpdateParams();
  prompt_.answers = {PromptAnswer::No};
  form.Menu().clearPlot->trigger();
  ASSERT_EQ(prompt_.messages.size(), 1u);
  EXPECT_EQ(prompt_.messages[0].text, "Are you sure in clearing plot?");
  EXPECT_EQ(prompt_.messages[0].icon, PromptIcon::Question);
  EXPECT_EQ(prompt_.messages[0].buttons, PromptButtons::YesNo);
  EXPECT_EQ(prompt_.messages[0].defaultAnswer, PromptAnswer::Yes);
  EXPECT_EQ(form.Measured().points.size(), 64u);

  prompt_.answers = {PromptAnswer::Yes};
  form.Menu().clearPlot->trigger();
  EXPECT_TRUE(form.Measured().empty());
  EXPECT_FALSE(form.Menu().savePoints->isEnabled());
  EXPECT_FALSE(form.Menu().clearPlot->isEnabled());
}

TEST_F(MainFormTest, CopyPutsThePlotImageOnTheClipboard) {
  MainWindow& form = Start();
  form.PlotBox()->Picture().SetBackground(MakeColour(10, 20, 30));
  form.PlotBox()->Picture().Line(5, 5, 40, 30, MakeColour(0, 255, 0));
  form.Menu().copyPlot->trigger();
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_FALSE(copied.isNull());
  EXPECT_EQ(copied.size(), form.PlotBox()->Image().size());
  EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32), form.PlotBox()->Image().convertToFormat(QImage::Format_RGB32));
}

TEST_F(MainFormTest, LayoutFollowsTheWindowSize) {
  MainWindow& form = Start();
  const auto frames = form.Panel().Frames();
  // Default size: design positions at 15 twips a pixel.
  EXPECT_EQ(form.Backdrop()->size(), QSize(537, 369));
  EXPECT_EQ(form.PlotBorder()->geometry(), QRect(8, 16, 377, 345));
  EXPECT_EQ(form.PlotBox()->size(), QSize(373, 341));
  EXPECT_EQ(frames[0]->geometry(), QRect(392, 8, 137, 65));
  EXPECT_EQ(frames[3]->geometry(), QRect(392, 176, 137, 73));
  EXPECT_EQ(form.DialBorder()->geometry(), QRect(392, 256, 137, 105));

  // 1500 twips wider and taller.
  form.resize(form.width() + 100, form.height() + 100);
  EXPECT_EQ(form.PlotBorder()->geometry(), QRect(8, 16, 477, 445));
  for (auto* frame : frames) EXPECT_EQ(frame->x(), 492);
  EXPECT_EQ(frames[1]->y(), 72);
  EXPECT_EQ(form.DialBorder()->geometry(), QRect(492, 356, 137, 105));
  EXPECT_EQ(form.PlotBox()->Image().size(), QSize(473, 441));  // the plot was redrawn at the new size

  // Smaller than the minimum is not possible.
  form.resize(100, 100);
  EXPECT_EQ(form.Backdrop()->size(), QSize(537, 369));
  EXPECT_EQ(form.PlotBorder()->size(), QSize(377, 345));
}

TEST_F(MainFormTest, AMinimisedWindowIsNotLaidOutOrDrawn) {
  MainWindow& form = Start();
  const QImage before = form.PlotBox()->Image();
  form.setWindowState(Qt::WindowMinimized);
  form.resize(form.width() + 150, form.height() + 150);
  EXPECT_EQ(form.PlotBorder()->size(), QSize(377, 345));
  EXPECT_EQ(form.PlotBox()->Image(), before);
  form.setWindowState(Qt::WindowNoState);  // restoring lays it out for the new size
  EXPECT_EQ(form.PlotBorder()->size(), QSize(527, 495));
}

TEST_F(MainFormTest, OpeningAPointsFileTurnsItsOptionOnAndOffersSaveAndClear) {
  QFile file(dir_.filePath("diode.kvt"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("KVT\r\n 512 \r\n 0 \r\n");
  for (int i = 0; i < 1024; i += 2) file.write(QByteArray::number((i - 512) / 100.0) + " 1.0000E-003\r\n");
  file.close();
  MainWindow& form = Start();
  prompt_.fileNames = {file.fileName().toStdString()};
  form.Menu().openPoints->trigger();
  EXPECT_TRUE(prompt_.messages.empty());
  EXPECT_EQ(form.Measured().points.size(), 512u);
  EXPECT_EQ(form.Panel().CheckedOption(), 5);
  EXPECT_EQ(form.Table()[PointsChoice], "5");
  EXPECT_TRUE(form.Menu().savePoints->isEnabled());
  EXPECT_TRUE(form.Menu().clearPlot->isEnabled());
}

TEST_F(MainFormTest, ANewPortAddressTakesEffectAtOnce) {
  MainWindow& form = Start();
  instrument_.trace.clear();
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<GeneralOptionsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->PortText()->setText("3BC");
    dialog->OkButton()->click();
  });
  form.Menu().generalOptions->trigger();
  EXPECT_EQ(form.Table()[PortHex], "3BC");
  instrument_.trace.clear();
  form.PollRange();  // the next range poll reads the new status register
  ASSERT_FALSE(instrument_.trace.empty());
  EXPECT_FALSE(instrument_.trace[0].write);
  EXPECT_EQ(instrument_.trace[0].port, 0x3BD);
}

TEST_F(MainFormTest, AFolderNameThatIsNotUtf8IsReadAndWrittenBack) {
  const std::string folder = dir_.path().toStdString() + "/lat\xe9n";
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  Settings stored;
  SetDefaultSettings(stored, AllGroups);
  stored[ShowAboutAtStart] = "0";
  stored[SmoothingLevel] = "12";
  ASSERT_TRUE(WriteSettings(stored, folder + "/"));
  ASSERT_EQ(::chdir(folder.c_str()), 0);
  MainWindow& form = Start();
  EXPECT_TRUE(pauses_.empty());
  EXPECT_EQ(form.Table()[SmoothingLevel], "12");
  form.Options().SetMaxVolts(2);
  form.close();
  Settings back;
  ReadSettings(back, folder + "/");
  EXPECT_EQ(back[SmoothingLevel], "12");
  EXPECT_EQ(back[MaxVoltsSetting], "2");
  // Qt cannot name this folder, so it cannot remove it either.
  ::unlink((folder + "/" + ConfigFileName).c_str());
  ::rmdir(folder.c_str());
}

TEST_F(MainFormTest, ALoadRedrawsThePicture) {
  MainWindow& form = Start();
  const QImage empty = form.PlotBox()->Image();
  Open(form, PointsFile("curve.kvt", 128, 128));
  ASSERT_EQ(form.Measured().points.size(), 128u);
  const QImage loaded = form.PlotBox()->Image();
  EXPECT_NE(loaded, empty);
  form.DrawPlot();
  EXPECT_EQ(form.PlotBox()->Image(), loaded);  // already the picture of the new points
}

TEST_F(MainFormTest, TickLabelsUseTheLocalesDecimalSeparator) {
  MainWindow& form = Start();
  const auto drawnWith = [&form](const char* separator) {
    kvt::DrawPlot(form.PlotBox()->Picture(), {form.Options().Plot().colours, form.Panel().Controls()}, form.Measured(),
                  separator);
    return form.PlotBox()->Image();
  };
  const QImage comma = drawnWith(",");
  const QImage point = drawnWith(".");
  ASSERT_NE(comma, point);
  const QLocale old;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  form.DrawPlot();
  QLocale::setDefault(old);
  EXPECT_EQ(form.PlotBox()->Image(), comma);
}

// After a failure past the header the set is empty, and the window says so
// while the message is up: an empty plot, no Save or Clear, and the option
// buttons on the stored choice rather than all off.
TEST_F(MainFormTest, ALateLoadFailureShowsAnEmptyPlotBehindTheMessage) {
  struct Case {
    const char* name;
    int count;
    int lines;
    const char* where;  // the line and reason after the file's name
  };
  MainWindow& form = Start();
  const QImage empty = form.PlotBox()->Image();
  for (const Case c : {Case{"31 of 32 point lines", 32, 31, "line 34: the file ends before point 32."},
                       Case{"a count of 100", 100, 103,
                            "line 2: a points file holds 32, 64, 128, 256, 512 or 1024 points, not 100."}}) {
    SCOPED_TRACE(c.name);
    prompt_.onMessage = nullptr;
    prompt_.messages.clear();
    Open(form, PointsFile("good.kvt", 64, 64));
    ASSERT_EQ(form.Measured().points.size(), 64u);
    ASSERT_NE(form.PlotBox()->Image(), empty);

    bool emptyPlot = false, saveOffered = true, clearOffered = true;
    int option = -1;
    prompt_.onMessage = [&](const std::string&) {
      emptyPlot = form.PlotBox()->Image() == empty;
      saveOffered = form.Menu().savePoints->isEnabled();
      clearOffered = form.Menu().clearPlot->isEnabled();
      option = form.Panel().CheckedOption();
    };
    Open(form, PointsFile("bad.kvt", c.count, c.lines));
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{"Can't Open File!\n\nbad.kvt: " + std::string(c.where)});
    EXPECT_TRUE(form.Measured().empty());
    EXPECT_TRUE(emptyPlot);
    EXPECT_FALSE(saveOffered);
    EXPECT_FALSE(clearOffered);
    EXPECT_EQ(option, 2);  // the 64 points' button, as the table still holds it
    EXPECT_EQ(form.Table()[PointsChoice], "2");
    EXPECT_EQ(form.PlotBox()->Image(), empty);
  }
}

TEST_F(MainFormTest, AClickEndsTheStartupPictureEarly) {
  struct Case {
    const char* name;
    bool click;
    double seconds;
    qint64 minMs, maxMs;
  };
  for (const Case c : {Case{"clicked", true, 5.0, 0, 2500}, Case{"left alone", false, 0.3, 300, 2500}}) {
    SCOPED_TRACE(c.name);
    QPointer<AboutWindow> about = new AboutWindow();
    about->show();
    if (c.click)
      QTimer::singleShot(50, about, [&about] {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(20, 20), about->mapToGlobal(QPointF(20, 20)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(about, &press);
      });
    QElapsedTimer timer;
    timer.start();
    PauseOnPicture(*about, c.seconds);
    EXPECT_GE(timer.elapsed(), c.minMs);
    EXPECT_LT(timer.elapsed(), c.maxMs);
    EXPECT_EQ(!about || !about->isVisible(), c.click);
    delete about;
  }

  // The start-up goes on once the picture is clicked away.
  onPause_ = [](QDialog& picture) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(20, 20), picture.mapToGlobal(QPointF(20, 20)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&picture, &press);
  };
  MainWindow& form = Start();
  EXPECT_EQ(pauses_, std::vector<double>{2.0});
  EXPECT_TRUE(form.isVisible());
  for (QWidget* window : QApplication::topLevelWidgets())
    EXPECT_FALSE(qobject_cast<AboutWindow*>(window) && window->isVisible());
}

TEST_F(MainFormTest, StoredGeometryIsKeptOnTheScreen) {
  struct Case {
    const char* name;
    const char *left, *top, *width, *height;
    bool fillsTheScreen;
  };
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (const Case c : {Case{"hand-edited huge size", "900000", "0", "200000", "200000", true},
                       Case{"far off to the top left", "-30000", "-9000", "9000", "7000", false}}) {
    SCOPED_TRACE(c.name);
    auto lines = Defaults();
    lines[WindowLeft] = c.left;
    lines[WindowTop] = c.top;
    lines[WindowWidth] = c.width;
    lines[WindowHeight] = c.height;
    lines[ShowAboutAtStart] = "0";
    WriteConfig(lines);
    MainWindow& form = Start();
    EXPECT_TRUE(screen.contains(form.frameGeometry())) << form.frameGeometry().x() << "," << form.frameGeometry().y()
                                                       << " " << form.width() << "x" << form.height();
    if (c.fillsTheScreen) {
      EXPECT_EQ(form.frameGeometry().size(), screen.size());
    }
    EXPECT_LE(form.PlotBox()->Image().width(), screen.width());
    EXPECT_LE(form.PlotBox()->Image().height(), screen.height());
    form.close();
    const auto saved = Saved();
    ASSERT_EQ(saved.size(), 28u);
    EXPECT_LE(LeadingNumber(saved[WindowWidth]), screen.width() * 15.0 + 120);
    form_.reset();
  }
}

TEST_F(MainFormTest, StartUpRestsTheBlinkLineAndForgetsTheDial) {
  instrument_.control = 0xC4;
  instrument_.fixedStatus = 0x80;  // switch on the 100 ohm range
  MainWindow& form = Start();
  EXPECT_EQ(instrument_.control, 0xC6);  // blink line set, the other control bits kept
  // The reset reads the switch once, after the blink line, and draws nothing.
  std::vector<std::string> accesses;
  for (const auto& a : instrument_.trace)
    if (a.port != 0x378) accesses.push_back((a.write ? "out " : "in ") + std::to_string(a.port));
  EXPECT_EQ(accesses, (std::vector<std::string>{"in 890", "out 890", "in 889"}));
  EXPECT_TRUE(Blank(Dial(form)));
  EXPECT_EQ(form.RangeResistorOhms(), 0);
  form.PollRange();
  EXPECT_EQ(form.RangeResistorOhms(), 100);
  EXPECT_FALSE(Blank(Dial(form)));
}

TEST_F(MainFormTest, CancelLeavesTheBlinkLineAsItIs) {
  MainWindow& form = Start();
  form.Panel().PointCountOptions()[0]->click();  // 32 points
  std::vector<int> controlBefore;
  std::size_t traceBefore = 0;
  GetPoints(form, [&](AcquisitionWindow* window) {
    ASSERT_NE(window, nullptr);
    for (int tick = 0; tick < 3; ++tick) {  // 32 points: the line changes at every tick
      window->OnTick();
      controlBefore.push_back(instrument_.control & 0x02);
    }
    traceBefore = instrument_.trace.size();
    window->CancelButton()->click();
  });
  EXPECT_EQ(controlBefore, (std::vector<int>{0, 2, 0}));
  EXPECT_EQ(instrument_.control & 0x02, 0);
  for (std::size_t i = traceBefore; i < instrument_.trace.size(); ++i)
    EXPECT_FALSE(instrument_.trace[i].write && instrument_.trace[i].port == 0x37A) << i;
  EXPECT_TRUE(form.Measured().empty());
}

// A long delay (start-up sets it no upper limit) makes every pause a second
// long; Cancel, Escape and the close box still end the run within the point.
TEST_F(MainFormTest, LongPausesDoNotHoldUpTheEndOfARun) {
  const std::pair<const char*, std::function<void(AcquisitionWindow*)>> ends[] = {
      {"Cancel", [](AcquisitionWindow* w) { w->CancelButton()->click(); }},
      {"Escape", [](AcquisitionWindow* w) { QTest::keyClick(w, Qt::Key_Escape); }},
      {"close box", [](AcquisitionWindow* w) { w->close(); }},
  };
  for (const auto& [name, end] : ends) {
    SCOPED_TRACE(name);
    MainWindow& form = Start();
    form.Options().SetEntry(PortDelayMicros, "1000000");
    // One point: 110 pauses of 400 reads at the calibrated 0.0004 reads a microsecond.
    const long long onePoint = 110 * 400;
    long long readsInTick = -1;
    bool runningAfterTick = true;
    GetPoints(form, [&, end = end](AcquisitionWindow* window) {
      ASSERT_NE(window, nullptr);
      QMetaObject::invokeMethod(window, [window, end] { end(window); }, Qt::QueuedConnection);
      const long long before = instrument_.reads;
      window->OnTick();
      readsInTick = instrument_.reads - before;
      runningAfterTick = window->TickTimer()->isActive();
    });
    EXPECT_FALSE(runningAfterTick);
    EXPECT_GT(readsInTick, 0);
    EXPECT_LT(readsInTick, onePoint / 10);
    EXPECT_TRUE(form.Measured().empty());
    form_.reset();
  }
}

// Each complaint of the instrument is shown once, at the range poll that
// finds it, however often the instrument repeats it.
TEST_F(MainFormTest, InstrumentComplaintsAreShownOnce) {
  MainWindow& form = Start();
  const std::vector<std::pair<std::string, std::vector<std::string>>> polls = {
      {"", {}},
      {"line 3: bad value", {"line 3: bad value"}},
      {"line 3: bad value", {"line 3: bad value"}},
      {"line 4: unknown key", {"line 3: bad value", "line 4: unknown key"}},
      // A save of the file that the instrument reads half-way: content for
      // a moment, then the same complaint again, which is not news.
      {"", {"line 3: bad value", "line 4: unknown key"}},
      {"line 4: unknown key", {"line 3: bad value", "line 4: unknown key"}},
      {"line 3: bad value", {"line 3: bad value", "line 4: unknown key"}},
      {"line 5: bad range", {"line 3: bad value", "line 4: unknown key", "line 5: bad range"}},
  };
  for (const auto& [complaint, shown] : polls) {
    instrument_.message = complaint;
    form.PollRange();
    EXPECT_EQ(prompt_.Texts(), shown) << "after \"" << complaint << "\"";
  }
}

}  // namespace kvt

namespace kvt {

namespace {

// The kvt command draws a file exactly as the window shows it, settings of
// the folder included (smoothing, ranges, colours).
TEST_F(MainFormTest, TheCommandRendersTheWindowsPlotPixelForPixel) {
  auto lines = Defaults();
  lines[SmoothingOn] = "1";
  lines[SmoothingLevel] = "4";
  lines[MaxVoltsSetting] = "3";
  lines[LineRed] = " 255";
  WriteConfig(lines);
  MainWindow& form = Start();
  // A diode's knee with a little noise, so that the smoothing level shows.
  const QString file = dir_.filePath("diode.kvt");
  {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("KVT\r\n 256 \r\n 0 \r\n");
    for (int i = 0; i < 256; ++i) {
      const double volts = std::min((i * 4 - 512) / 100.0, 0.55 + 0.0004 * i);
      const double amps = 1e-9 * std::expm1(volts / 0.05) + ((i * 37) % 5 - 2) * 2e-5;
      out.write(QByteArray::number(volts, 'f', 2) + " " + QByteArray::number(amps, 'E', 4) + "\r\n");
    }
  }
  Open(form, file);
  ASSERT_EQ(form.Measured().points.size(), 256u);
  const QImage window = form.PlotBox()->Image();
  ASSERT_EQ(window.size(), QSize(373, 341));  // the design size

  QProcess kvt;
  kvt.setWorkingDirectory(dir_.path());
  kvt.start(QStringLiteral(KVT_PROGRAM), {"render", file, "-o", "plot.png"});
  ASSERT_TRUE(kvt.waitForFinished(60000));
  ASSERT_EQ(kvt.exitCode(), 0) << kvt.readAllStandardError().toStdString();
  const QImage rendered(dir_.filePath("plot.png"));
  ASSERT_EQ(rendered.format(), QImage::Format_Indexed8);
  EXPECT_EQ(rendered.convertToFormat(window.format()), window);
}

}  // namespace

TEST_F(MainFormTest, AnUnreachablePortIsToldOnceAndTheProgramGoesOn) {
  instrument_.refusedPorts = {0x378, 0x379, 0x37A};
  MainWindow& form = Start();
  ASSERT_EQ(prompt_.messages.size(), 1u);
  const std::string told = prompt_.messages[0].text;
  const std::string file = QDir(dir_.path()).absoluteFilePath("kvt_win.cfg").toStdString();
  for (const std::string part : {"0x378 cannot be used", "\"Port of device\"", "\"KVT Options\"", "PortHex",
                                 "line 26", file.c_str()})
    EXPECT_NE(told.find(part), std::string::npos) << part << " in: " << told;
  EXPECT_EQ(prompt_.messages[0].icon, PromptIcon::Exclamation);
  EXPECT_TRUE(instrument_.trace.empty());  // the refused port is never touched

  // The dial shows no position and the polls say nothing more.
  form.PollRange();
  form.PollRange();
  EXPECT_TRUE(Blank(Dial(form)));
  EXPECT_EQ(form.RangeResistorOhms(), 0);
  EXPECT_EQ(prompt_.messages.size(), 1u);

  // Getting points explains why it cannot, instead of starting.
  bool windowCameUp = false;
  GetPoints(form, [&](AcquisitionWindow* window) { windowCameUp = window != nullptr; });
  EXPECT_FALSE(windowCameUp);
  ASSERT_EQ(prompt_.messages.size(), 2u);
  EXPECT_NE(prompt_.messages[1].text.find("Can't get points from device"), std::string::npos);
  EXPECT_NE(prompt_.messages[1].text.find("0x378 cannot be used"), std::string::npos);

  // Points files still open; the exit sequence still writes the settings.
  QFile points(dir_.filePath("r.kvt"));
  ASSERT_TRUE(points.open(QIODevice::WriteOnly));
  points.write("KVT\r\n 32 \r\n 0 \r\n");
  for (int i = 0; i < 1024; i += 32) points.write(QByteArray::number((i - 512) / 100.0) + " 1.0000E-003\r\n");
  points.close();
  prompt_.fileNames = {points.fileName().toStdString()};
  form.Menu().openPoints->trigger();
  EXPECT_EQ(form.Measured().points.size(), 32u);
  form.close();
  EXPECT_EQ(quits_, 1);
  const auto saved = Saved();
  ASSERT_EQ(saved.size(), 28u);
  EXPECT_EQ(saved[PortHex], "378");
  EXPECT_EQ(prompt_.messages.size(), 2u);
  EXPECT_TRUE(instrument_.trace.empty());
}

TEST_F(MainFormTest, AUsablePortCommittedInTheOptionsBringsTheInstrumentBack) {
  auto lines = Defaults();
  lines[PortHex] = "3BC";
  lines[ShowAboutAtStart] = "0";
  WriteConfig(lines);
  instrument_.refusedPorts = {0x3BC, 0x3BD, 0x3BE};
  instrument_.fixedStatus = 0x00;  // the 10 kOhm range
  MainWindow& form = Start();
  ASSERT_EQ(prompt_.messages.size(), 1u);
  form.PollRange();
  EXPECT_TRUE(Blank(Dial(form)));

  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<GeneralOptionsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->PortText()->setText("378");
    dialog->OkButton()->click();
  });
  form.Menu().generalOptions->trigger();
  EXPECT_EQ(form.Table()[PortHex], "378");
  EXPECT_GT(form.Instrument().ReadsPerMicrosecond(), 0);  // calibrated now that there is a port
  EXPECT_EQ(instrument_.control & 0x02, 0x02);            // blink line at rest
  form.PollRange();
  EXPECT_EQ(form.RangeResistorOhms(), 10000);
  EXPECT_FALSE(Blank(Dial(form)));
  EXPECT_EQ(prompt_.messages.size(), 1u);
  EXPECT_FALSE(instrument_.strayAccess);
}

}  // namespace kvt
