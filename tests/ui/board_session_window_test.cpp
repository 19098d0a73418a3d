// A whole board session in the window, as a technician runs it: a 20-point
// board on its photo captured from the good parts hands-free, then tested
// with three parts swapped, the probe lifted between points on the simulated
// instrument, every result in the board file on disk as it is made.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/draw_surface.h"
#include "core/port_io.h"
#include "device/measuring_session.h"
#include "files/board_file.h"
#include "tests/support/probed_simulator.h"
#include "tests/support/scripted_prompt.h"
#include "ui/board_file_store.h"
#include "ui/board_photo_view.h"
#include "ui/board_window.h"

namespace kvt {

namespace {

constexpr int ZeroVolts = 512;
constexpr int SweepPoints = 64;

class StillClock : public Clock {
 public:
  double Seconds() override { return 0; }
};

// A board of two chips in a row of pins, resistors and diodes: close pins
// whose names crowd each other at the default size.
QString DrawBoardPhoto(const QString& folder) {
  QImage image(900, 560, QImage::Format_RGB32);
  image.fill(QColor(24, 96, 48));
  QPainter painter(&image);
  painter.setPen(QPen(QColor(190, 160, 60), 3));
  for (int y = 50; y < 560; y += 60) painter.drawLine(20, y, 880, y);
  painter.setPen(Qt::NoPen);
  for (int chip = 0; chip < 2; ++chip) {
    painter.setBrush(QColor(28, 28, 28));
    painter.drawRect(110 + chip * 330, 120, 200, 90);
    painter.setBrush(QColor(200, 200, 200));
    for (int pin = 0; pin < 5; ++pin) painter.drawRect(118 + chip * 330 + pin * 44, 212, 12, 16);
  }
  painter.setBrush(QColor(200, 170, 120));
  for (int r = 0; r < 5; ++r) painter.drawRect(130 + r * 120, 330, 60, 22);
  painter.setBrush(QColor(60, 60, 60));
  for (int d = 0; d < 5; ++d) painter.drawRect(140 + d * 120, 440, 40, 18);
  painter.end();
  const QString path = folder + "/board.png";
  image.save(path);
  return path;
}

struct Spot {
  const char* name;
  double x, y;       // on the photo
  const char* good;  // the part on the good board
};

// Neighbours are different parts, so no point's curve is a near-copy of the
// one probed before it.
const Spot Spots[] = {
    {"U1.1", 124, 220, "diode"},        {"U1.2", 168, 220, "zener 3.3"},   {"U1.3", 212, 220, "resistor 470"},
    {"U1.4", 256, 220, "led"},          {"U1.5", 300, 220, "resistor 2.2k"}, {"U2.1", 454, 220, "zener 2.7"},
    {"U2.2", 498, 220, "resistor 100"}, {"U2.3", 542, 220, "diode"},       {"U2.4", 586, 220, "resistor 10k"},
    {"U2.5", 630, 220, "zener 4.7"},    {"R1.1", 130, 341, "resistor 1k"}, {"R2.1", 250, 341, "led"},
    {"R3.1", 370, 341, "resistor 220"}, {"R4.1", 490, 341, "zener 3.9"},   {"R5.1", 610, 341, "diode"},
    {"D1.1", 160, 449, "resistor 4.7k"}, {"D2.1", 280, 449, "zener 3.3"},  {"D3.1", 400, 449, "resistor 680"},
    {"D4.1", 520, 449, "led"},          {"D5.1", 640, 449, "resistor 1.5k"},
};
constexpr int PointTotal = static_cast<int>(std::size(Spots));

// The suspect board: three parts other than the good board's.
const struct {
  int point;
  const char* part;
} Swapped[] = {{4, "resistor 1k"}, {9, "zener 3.3"}, {14, "led"}};

const char* SuspectPart(int i) {
  for (const auto& swap : Swapped)
    if (swap.point == i) return swap.part;
  return Spots[i].good;
}

bool IsSwapped(int i) { return SuspectPart(i) != Spots[i].good; }

bool Reddish(const QColor& c) { return c.red() > 150 && c.green() < 80 && c.blue() < 80; }
bool Greenish(const QColor& c) { return c.green() > 120 && c.red() < 80 && c.blue() < 80; }

class BoardSessionWindowTest : public testing::Test {
 protected:
  BoardSessionWindowTest()
      : sim("open", "range = 1k\nseed = 23\n"),
        session(sim, clock, options.Device()),
        store(MakeBoardFileStore()) {
    options.SetEntry(PortDelayMicros, "0");
    session.Instrument().SetupPorts();
    window = std::make_unique<BoardWindow>(BoardWindowServices{&session, store.get(), &prompt, options.Plot(),
                                                               "simulated instrument",
                                                               [this](bool pass) { cues.push_back(pass); }, {}});
    window->SetPointCount(SweepPoints);
  }

  void Probe(const std::string& part) {
    sim.Probe(part);
    probed = part;
    ticksOnPart = 0;
  }

  // One point of the live sweep; a selection that moves on by itself in
  // test mode is checked against where the probe is.
  void Tick() {
    const int before = window->Selected();
    const bool testing = window->CurrentMode() == BoardWindow::Mode::Test;
    window->TickLive();
    ++ticksOnPart;
    if (testing && window->Selected() != before) {
      advances.push_back(before);
      EXPECT_EQ(probed, "open") << "moved on from point " << before << " with the probe on a part";
      // Three sweeps of nothing connected, the one the lift began in not counted.
      EXPECT_GE(ticksOnPart, 3 * SweepPoints) << "moved on from point " << before << " too early";
    }
  }

  // Ticks until `done`, at most `sweeps` sweeps; false when it never came.
  template <typename Done>
  bool SweepUntil(Done done, int sweeps = 12) {
    for (int tick = 0; tick < sweeps * SweepPoints; ++tick) {
      if (done()) return true;
      if (!window->Sweeping()) return done();
      Tick();
    }
    return done();
  }
  void Sweep(int sweeps) {
    for (int tick = 0; tick < sweeps * SweepPoints && window->Sweeping(); ++tick) Tick();
  }
  const TestPoint& Point(int i) const { return window->CurrentBoard().points[static_cast<std::size_t>(i)]; }
  Board OnDisk() const {
    BoardRead read = ReadBoardFile(path);
    EXPECT_TRUE(read.ok()) << read.error;
    return read.board;
  }

  QTemporaryDir dir;
  std::string path = dir.filePath("amp.kvtboard").toStdString();
  TypedOptions options;
  StillClock clock;
  ProbedSimulator sim;
  MeasuringSession session;
  std::unique_ptr<BoardStore> store;
  ScriptedPrompt prompt;
  std::vector<bool> cues;
  std::string probed = "open";
  int ticksOnPart = 0;
  std::vector<int> advances;  // the points left by themselves in test mode
  std::unique_ptr<BoardWindow> window;
};

// Names on the photo: none covers another or a marker, at any size.
void ExpectLabelsClear(const BoardPhotoView& view, const std::string& when) {
  const BoardPhotoView::PointLabels labels = view.Labels();
  ASSERT_EQ(labels.places.size(), static_cast<std::size_t>(PointTotal)) << when;
  for (std::size_t i = 0; i < labels.places.size(); ++i) {
    const QRectF& box = labels.places[i].box;
    EXPECT_FALSE(labels.places[i].crowded) << when << ": " << Spots[labels.points[i]].name;
    EXPECT_TRUE(QRectF(view.rect()).contains(box)) << when << ": " << Spots[labels.points[i]].name;
    for (std::size_t j = 0; j < labels.places.size(); ++j) {
      EXPECT_FALSE(DiscMeetsRect(labels.markers[j].centre, labels.markers[j].radius, box))
          << when << ": " << Spots[labels.points[i]].name << " on " << Spots[labels.points[j]].name << "'s marker";
      if (j != i) {
        EXPECT_FALSE(box.intersects(labels.places[j].box))
            << when << ": " << Spots[labels.points[i]].name << " on " << Spots[labels.points[j]].name;
      }
    }
  }
}

}  // namespace

// The good board captured point by point with nothing pressed, then the
// suspect one: exactly the three swapped points fail, each verdict is in the
// file the moment it is made, and the selection moves on only after three
// sweeps of a lifted probe. KVT_BOARD_SCREENSHOTS names a folder for the
// window as it ends, at the default size and a larger one.
TEST_F(BoardSessionWindowTest, TwentyPointsCapturedThenTestedWithThreePartsSwapped) {
  prompt.fileNames = {DrawBoardPhoto(dir.path()).toStdString()};
  ASSERT_TRUE(window->ChoosePhoto());
  for (int i = 0; i < PointTotal; ++i) {
    window->AddPoint(Spots[i].x, Spots[i].y);
    window->RenamePoint(i, Spots[i].name);
  }
  prompt.fileNames.push_back(path);
  ASSERT_TRUE(window->SaveAs());
  window->show();

  window->SetMode(BoardWindow::Mode::Capture);
  for (int i = 0; i < PointTotal; ++i) {
    SCOPED_TRACE(Spots[i].name);
    ASSERT_EQ(window->Selected(), i);
    Probe(Spots[i].good);
    ASSERT_TRUE(SweepUntil([&] { return Point(i).knownGood.has_value(); }));
    EXPECT_EQ(CountPoints(window->CurrentBoard()).captured, i + 1) << "stored to its own point only";
    EXPECT_EQ(OnDisk().points[static_cast<std::size_t>(i)].knownGood, Point(i).knownGood) << "saved at once";
    // The probe still resting on this part is not the next point's.
    Sweep(2);
    EXPECT_EQ(CountPoints(window->CurrentBoard()).captured, i + 1);
    Probe("open");
    Sweep(1);
  }
  EXPECT_FALSE(window->Sweeping());
  EXPECT_EQ(sim.AppliedCode(), ZeroVolts);

  window->SetMode(BoardWindow::Mode::Test);
  for (int i = 0; i < PointTotal; ++i) {
    SCOPED_TRACE(Spots[i].name);
    ASSERT_EQ(window->Selected(), i);
    Probe(SuspectPart(i));
    ASSERT_TRUE(SweepUntil([&] { return Point(i).latest.has_value(); }));
    EXPECT_EQ(CountPoints(window->CurrentBoard()).tested, i + 1) << "judged as its own point only";
    const PointVerdict expected = IsSwapped(i) ? PointVerdict::Fail : PointVerdict::Pass;
    EXPECT_EQ(Point(i).latest->verdict, expected) << SuspectPart(i) << ", score " << Point(i).latest->score;
    EXPECT_EQ(OnDisk().points[static_cast<std::size_t>(i)].latest, Point(i).latest) << "saved at once";
    EXPECT_TRUE(window->VerdictLabel()->text().startsWith(
        QString::fromStdString(std::string(Spots[i].name) + (IsSwapped(i) ? "  FAIL" : "  PASS"))))
        << window->VerdictLabel()->text().toStdString();
    // A noisy but connected curve, however long: no moving on.
    Sweep(4);
    EXPECT_EQ(window->Selected(), i);
    Probe("open");
    ASSERT_TRUE(SweepUntil([&] { return window->Selected() != i || !window->Sweeping(); }));
  }
  EXPECT_FALSE(window->Sweeping());
  EXPECT_EQ(sim.AppliedCode(), ZeroVolts);
  EXPECT_EQ(static_cast<int>(advances.size()), PointTotal - 1) << "every advance by a lifted probe";
  EXPECT_EQ(window->StatusLabel()->text(), "Test done: 3 of 20 points failed.");

  std::vector<bool> expectedCues;
  std::set<int> failing;
  for (int i = 0; i < PointTotal; ++i) expectedCues.push_back(!IsSwapped(i));
  EXPECT_EQ(cues, expectedCues);
  const Board saved = OnDisk();
  ASSERT_EQ(saved.points.size(), static_cast<std::size_t>(PointTotal));
  for (int i = 0; i < PointTotal; ++i) {
    const TestPoint& point = saved.points[static_cast<std::size_t>(i)];
    EXPECT_EQ(point.name, Spots[i].name);
    EXPECT_TRUE(point.knownGood.has_value()) << point.name;
    ASSERT_TRUE(point.latest.has_value()) << point.name;
    if (point.latest->verdict == PointVerdict::Fail) failing.insert(i);
  }
  EXPECT_EQ(failing, (std::set<int>{4, 9, 14}));
  EXPECT_EQ(saved, window->CurrentBoard());
  EXPECT_FALSE(window->Modified());

  // What the technician sees at the end: the failing points red on the
  // photo, one of them chosen with its verdict large.
  window->Select(9);
  // Its latest test against its known-good curve, not the lifted probe's
  // last sweep: a flat line would span a few rows only.
  const QImage plot = window->PlotLabel()->pixmap().toImage();
  const Colour line = options.Plot().colours.line;
  int top = plot.height(), bottom = -1;
  for (int y = 0; y < plot.height(); ++y)
    for (int x = 0; x < plot.width(); ++x)
      if (plot.pixelColor(x, y) == QColor(RedOf(line), GreenOf(line), BlueOf(line))) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  EXPECT_GT(bottom - top, plot.height() / 5) << "the test curve from row " << top << " to " << bottom;
  const QString keep = qEnvironmentVariable("KVT_BOARD_SCREENSHOTS");
  const BoardPhotoView* view = window->PhotoView();
  for (const auto& [name, size] : {std::pair{"board20_default.png", QSize()}, std::pair{"board20_large.png", QSize(1700, 1100)}}) {
    if (size.isValid()) window->resize(size);
    QApplication::processEvents();
    const QImage image = window->grab().toImage();
    if (!keep.isEmpty()) image.save(keep + "/" + name);
    ExpectLabelsClear(*view, name);
    for (int i = 0; i < PointTotal; ++i) {
      const QColor marker = image.pixelColor(view->mapTo(window.get(), view->ToWidget(Spots[i].x, Spots[i].y)).toPoint());
      EXPECT_TRUE(IsSwapped(i) ? Reddish(marker) : Greenish(marker)) << name << ": " << Spots[i].name << " "
                                                                     << marker.name().toStdString();
    }
    const QLabel* verdict = window->VerdictLabel();
    const QColor shown = image.pixelColor(verdict->geometry().left() + 4, verdict->geometry().center().y());
    EXPECT_TRUE(Reddish(shown)) << name << ": " << shown.name().toStdString();
    EXPECT_TRUE(verdict->text().startsWith("U2.5  FAIL")) << verdict->text().toStdString();
  }
}

}  // namespace kvt
