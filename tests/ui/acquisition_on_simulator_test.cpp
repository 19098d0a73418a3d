// Whole acquisitions through the real main window and acquisition window,
// with the simulated instrument behind the port library binding: the range
// poll, "&Get points from device", the points and the plot that follow.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QMetaObject>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "ui/main_window.h"
#include "core/settings.h"
#include "device/device_routines.h"
#include "device/measuring_session.h"
#include "core/steady_clock.h"
#include "ui/acquisition_window.h"
#include "ui/picture_box.h"
#include "tests/support/simulated_instrument.h"
#include "tests/support/program_in_folder.h"

namespace kvt {

namespace {

struct Point {
  int code;
  double volts;
  double amps;
};

int PixelsOf(const QImage& image, QColor colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == colour) ++count;
  return count;
}

// The program started in a folder of its own whose configuration asks for
// 32 points and no about box.
class AcquisitionOnSimulator : public ProgramInFolder {
 protected:
  void SetUp() override {
    ProgramInFolder::SetUp();
    Settings settings;
    SetDefaultSettings(settings, AllGroups);
    settings[ShowAboutAtStart] = "0";
    settings[PointsChoice] = "1";
    ASSERT_TRUE(WriteSettings(settings, ConfigDirFrom(dir_.path().toStdString())));
  }
  MainWindow* Start(const std::string& control) {
    sim_ = std::make_unique<SimulatedInstrument>(control);
    if (!sim_->Ready()) {
      ADD_FAILURE() << "simulator: " << (sim_->Failures().empty() ? "" : sim_->Failures()[0]);
      return nullptr;
    }
    return &StartOn(sim_->Port());
  }

  // One tick of the main window's range poll.
  void PollRange() { form_->PollRange(); }

  // Chooses "&Get points from device" and ticks the modal acquisition window
  // by hand until it closes; returns the ticks it took.
  int GetPointsFromDevice() {
    int ticks = -1;
    QTimer::singleShot(0, [&ticks] {
      auto* window = qobject_cast<AcquisitionWindow*>(QApplication::activeModalWidget());
      if (!window) return;  // its own timer finishes the run, in real time
      ticks = 0;
      while (window->TickTimer()->isActive() && ticks < 2000) {
        window->OnTick();
        ++ticks;
      }
    });
    form_->Menu().getPoints->trigger();
    return ticks;
  }

  std::vector<Point> Points() const {
    std::vector<Point> points;
    const Curve& curve = form_->Measured();
    const int step = curve.empty() ? 0 : 1024 / static_cast<int>(curve.points.size());
    for (std::size_t k = 0; k < curve.points.size(); ++k)
      points.push_back({static_cast<int>(k) * step, curve.points[k].volts, curve.points[k].amps});
    return points;
  }

  QColor LineColour() {
    const Settings& s = form_->Table();
    return QColor(s.Int(LineRed), s.Int(LineGreen), s.Int(LineBlue));
  }

  std::unique_ptr<SimulatedInstrument> sim_;
};

}  // namespace

// A resistor equal to the range resistor halves the output: the currents
// come out as the resistor's own V / R, which needs the range read from the
// switch and the applied voltage of each slot.
TEST_F(AcquisitionOnSimulator, ResistorRunFollowsOhmsLawOnEitherRange) {
  for (const auto& [range, ohms] : std::vector<std::pair<std::string, double>>{{"1k", 1000}, {"100", 100}}) {
    SCOPED_TRACE(range);
    MainWindow* form = Start("component = resistor " + range + "\nrange = " + range + "\nnoise = 0.3\nseed = 5\n");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->RangeResistorOhms(), 0);
    PollRange();
    ASSERT_EQ(form->RangeResistorOhms(), ohms);
    const QColor line = LineColour();
    EXPECT_EQ(PixelsOf(form->PlotBox()->Image(), line), 0);

    EXPECT_EQ(GetPointsFromDevice(), 33);  // 32 points and the finishing tick
    ASSERT_EQ(form->Measured().points.size(), 32u);
    const auto points = Points();
    ASSERT_EQ(points.size(), 32u);
    EXPECT_EQ(points.back().code, 992);
    int checked = 0;
    for (const Point& p : points) {
      const double applied = VoltsFromCode(p.code);
      EXPECT_NEAR(p.volts, applied / 2, 0.03) << p.code;
      if (std::fabs(p.volts) < 0.5 || std::fabs(p.volts) > 4) continue;
      ++checked;
      EXPECT_NEAR(p.amps, p.volts / ohms, 0.02 * std::fabs(p.volts) / ohms) << p.code << " at " << p.volts << " V";
    }
    EXPECT_GE(checked, 16);

    // The run ends with the output back at 0 V and the curve on the plot.
    EXPECT_NEAR(form->Instrument().ReadAdc(), 512, 3);
    EXPECT_TRUE(form->Menu().savePoints->isEnabled());
    EXPECT_GT(PixelsOf(form->PlotBox()->Image(), line), 100);
    form_.reset();
  }
  EXPECT_TRUE(sim_->Failures().empty());
}

TEST_F(AcquisitionOnSimulator, DiodeRunShowsItsKnee) {
  MainWindow* form = Start("component = diode\nrange = 1k\nseed = 9\n");
  ASSERT_NE(form, nullptr);
  PollRange();
  ASSERT_EQ(form->RangeResistorOhms(), 1000);
  EXPECT_EQ(GetPointsFromDevice(), 33);
  const auto points = Points();
  ASSERT_EQ(points.size(), 32u);

  // Reverse and below the knee: no current beyond the noise of a code or two.
  int below = 0;
  for (const Point& p : points) {
    if (p.volts >= 0.4) continue;
    ++below;
    EXPECT_LT(std::fabs(p.amps), 0.03e-3) << p.code << " at " << p.volts << " V";
  }
  EXPECT_GE(below, 17);

  // Past 0.55 V the current climbs with every step while the voltage barely
  // moves: from 1 mA to the top of the sweep within a tenth of a volt.
  const Point* previous = nullptr;
  const Point* nearOneMilliamp = nullptr;
  for (const Point& p : points) {
    if (p.volts <= 0.55) continue;
    if (previous) {
      EXPECT_GT(p.amps, previous->amps + 0.2e-3) << p.code;
    }
    if (!nearOneMilliamp && p.amps >= 1e-3) nearOneMilliamp = &p;
    previous = &p;
  }
  ASSERT_NE(nearOneMilliamp, nullptr);
  ASSERT_NE(previous, nullptr);
  EXPECT_GE(nearOneMilliamp->volts, 0.55);
  EXPECT_LE(nearOneMilliamp->volts, 0.75);
  EXPECT_GT(previous->amps, 4e-3);
  EXPECT_LT(previous->volts - nearOneMilliamp->volts, 0.1);
  EXPECT_GT(PixelsOf(form->PlotBox()->Image(), LineColour()), 100);
}

// The window ticks a sweep one point at a time and kvt measure runs it back
// to back: on instruments seeded alike both give the very same curve, and
// another seed a different one (so the noise is in the comparison).
// After a run the status line says which range would show the part better,
// and nothing where none would; the plot and panel keep their size when the
// line first appears, and a cleared curve clears it.
TEST_F(AcquisitionOnSimulator, RangeAdviceInTheStatusLineAfterARun) {
  const struct {
    const char* name;
    std::string control;
    QString advice;  // the start of the status line; empty: none
  } cases[] = {
      {"47 kohm on 1k", "component = resistor 47k\nrange = 1k\nseed = 3\n",
       "the current reaches only 2 % of this range: move the switch to 10 k\u03a9"},
      {"10 ohm on 1k", "component = resistor 10\nrange = 1k\nseed = 3\n",
       "the voltage reaches only 1 % of this range: move the switch to 100 \u03a9"},
      {"diode on 1k", "component = diode\nrange = 1k\nseed = 3\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MainWindow* form = Start(c.control);
    ASSERT_NE(form, nullptr);
    PollRange();
    form->resize(form->width() + 100, form->height() + 100);  // above its smallest, which Qt would keep anyway
    QApplication::processEvents();
    const QSize client = form->Backdrop()->size();
    const QRect dial = form->DialBorder()->geometry(), plot = form->PlotBorder()->geometry();
    GetPointsFromDevice();
    ASSERT_FALSE(form->Measured().empty());
    EXPECT_EQ(form->RangeAdviceShown(), c.advice);
    QApplication::processEvents();  // the window's layout follows its new height
    EXPECT_EQ(form->Backdrop()->size(), client);
    EXPECT_EQ(form->DialBorder()->geometry(), dial);  // laid out for the backdrop it kept
    EXPECT_EQ(form->PlotBorder()->geometry(), plot);
    prompt_.answers.push_back(PromptAnswer::Yes);
    form->ClearPoints();
    EXPECT_EQ(form->RangeAdviceShown(), "");
    form_.reset();
  }
}

TEST_F(AcquisitionOnSimulator, TickedAndBackToBackSweepsGiveTheSameCurve) {
  const std::string control = "component = zener 3.3\nrange = 1k\nnoise = 2\nstray = 0.1\nseed = ";
  MainWindow* form = Start(control + "7\n");
  ASSERT_NE(form, nullptr);
  PollRange();
  ASSERT_EQ(GetPointsFromDevice(), 33);
  const Curve ticked = form->Measured();
  ASSERT_EQ(ticked.points.size(), 32u);
  EXPECT_EQ(ticked.info.source, "instrument");  // the port was given, not the simulator's library
  EXPECT_EQ(ticked.info.dateTime.size(), 19u);

  struct Case {
    const char* seed;
    bool same;
  };
  for (const Case& c : {Case{"7", true}, Case{"8", false}}) {
    SCOPED_TRACE(c.seed);
    SimulatedInstrument sim(control + c.seed + "\n");
    ASSERT_TRUE(sim.Ready());
    SteadyClock clock;
    MeasuringSession session(sim.Port(), clock, form->Options().Device());
    session.Connect();
    Curve backToBack;
    ASSERT_TRUE(session.SweepBackToBack(backToBack, 32));
    EXPECT_EQ(session.RangeOhms(), form->RangeResistorOhms());
    ASSERT_EQ(backToBack.points.size(), 32u);
    int differing = 0;
    for (std::size_t k = 0; k < 32; ++k) differing += backToBack.points[k] != ticked.points[k];
    if (c.same)
      EXPECT_EQ(differing, 0);
    else
      EXPECT_GT(differing, 0);
  }
}

// A control file the simulated instrument cannot understand is reported in
// a message box once, however many range polls find the same complaint.
TEST_F(AcquisitionOnSimulator, ABadControlFileLineIsShownOnce) {
  MainWindow* form = Start("component = diode\nrange = 2k\nnoise = 0\n");
  ASSERT_NE(form, nullptr);
  for (int tick = 0; tick < 3; ++tick) PollRange();
  ASSERT_EQ(prompt_.messages.size(), 1u);
  const ShownMessage& shown = prompt_.messages[0];
  EXPECT_NE(shown.text.find("kvt_sim.txt line 2: bad value for range"), std::string::npos) << shown.text;
  EXPECT_EQ(shown.icon, PromptIcon::Exclamation);
  EXPECT_EQ(shown.buttons, PromptButtons::Ok);
}

// Without complaints nothing is shown, whichever port library is loaded.
TEST_F(AcquisitionOnSimulator, AGoodControlFileGivesNoMessage) {
  MainWindow* form = Start("component = diode\nrange = 1k\n");
  ASSERT_NE(form, nullptr);
  PollRange();
  EXPECT_TRUE(prompt_.messages.empty());
}

}  // namespace kvt
