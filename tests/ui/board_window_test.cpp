#include "ui/board_window.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/draw_surface.h"
#include "core/port_io.h"
#include "device/measuring_session.h"
#include "plot/plot_renderer.h"
#include "tests/support/probed_simulator.h"
#include "tests/support/scripted_prompt.h"
#include "ui/board_photo_view.h"
#include "ui/board_store.h"

namespace kvt {

namespace {

constexpr int ZeroVolts = 512;

class MemoryStore : public BoardStore {
 public:
  std::map<std::string, Board> files;
  int saves = 0;
  BoardLoad Load(const std::string& path) override {
    const auto found = files.find(path);
    if (found == files.end()) return {std::nullopt, path + ": no such file"};
    return {found->second, {}};
  }
  std::string Save(const std::string& path, const Board& board) override {
    ++saves;
    files[path] = board;
    return {};
  }
};

class StillClock : public Clock {
 public:
  double Seconds() override { return 0; }
};

class BoardWindowTest : public testing::Test {
 protected:
  BoardWindowTest() : sim("open", "range = 1k\nseed = 7\n"), session(sim, clock, options.Device()) {
    options.SetEntry(PortDelayMicros, "0");
    session.Instrument().SetupPorts();
    window = std::make_unique<BoardWindow>(BoardWindowServices{&session, &store, &prompt, options.Plot(),
                                                               "simulated instrument",
                                                               [this](bool pass) { cues.push_back(pass); }, {}});
    window->SetPointCount(64);
  }

  // Three points on a board with a file.
  void MakeBoard(int points) {
    for (int i = 0; i < points; ++i) window->AddPoint(10.0 * i, 20.0);
    prompt.fileNames.push_back("/boards/amp.kvtboard");
    ASSERT_TRUE(window->SaveAs());
  }

  // Ticks until `done` or `sweeps` sweeps have passed; the sweeps it took.
  template <typename Done>
  int SweepUntil(Done done, int sweeps = 12) {
    for (int tick = 0; tick < sweeps * 64; ++tick) {
      if (done()) return tick / 64;
      if (!window->Sweeping()) return -1;
      window->TickLive();
    }
    return done() ? sweeps : -1;
  }
  void Sweep(int sweeps) {
    for (int tick = 0; tick < sweeps * 64 && window->Sweeping(); ++tick) window->TickLive();
  }
  const TestPoint& Point(int i) const { return window->CurrentBoard().points[static_cast<std::size_t>(i)]; }

  // Captures every point from the parts, the probe lifted between them.
  void Capture(const std::vector<std::string>& parts) {
    window->SetMode(BoardWindow::Mode::Capture);
    for (std::size_t i = 0; i < parts.size(); ++i) {
      ASSERT_EQ(window->Selected(), static_cast<int>(i));
      sim.Probe(parts[i]);
      ASSERT_GE(SweepUntil([&] { return Point(static_cast<int>(i)).knownGood.has_value(); }), 0) << parts[i];
      sim.Probe("open");
      Sweep(1);
    }
  }

  TypedOptions options;
  StillClock clock;
  ProbedSimulator sim;
  MeasuringSession session;
  MemoryStore store;
  ScriptedPrompt prompt;
  std::vector<bool> cues;
  std::unique_ptr<BoardWindow> window;
};

}  // namespace

// The good board captured, then a suspect one with its second point's part
// swapped: each verdict stored and saved at once, the probe's lift moving on
// by itself, the session ending at 0 V after the last point.
TEST_F(BoardWindowTest, CapturesAGoodBoardThenTestsASuspectOneHandsFree) {
  MakeBoard(3);
  const std::vector<std::string> good = {"diode", "zener 3.3", "resistor 1k"};
  Capture(good);
  EXPECT_FALSE(window->Sweeping());
  EXPECT_EQ(sim.AppliedCode(), ZeroVolts);
  EXPECT_EQ(CountPoints(store.files["/boards/amp.kvtboard"]).captured, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Point(i).knownGood->info.source, "simulated instrument");

  const struct {
    const char* part;
    PointVerdict verdict;
  } suspect[] = {{"diode", PointVerdict::Pass}, {"zener 4.7", PointVerdict::Fail}, {"resistor 1k", PointVerdict::Pass}};
  window->SetMode(BoardWindow::Mode::Test);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(window->Selected(), i);
    sim.Probe(suspect[i].part);
    const int savesBefore = store.saves;
    ASSERT_GE(SweepUntil([&] { return Point(i).latest.has_value(); }), 0) << suspect[i].part;
    EXPECT_EQ(Point(i).latest->verdict, suspect[i].verdict) << suspect[i].part;
    EXPECT_EQ(store.saves, savesBefore + 1) << "saved at once";
    EXPECT_EQ(store.files["/boards/amp.kvtboard"].points[static_cast<std::size_t>(i)].latest, Point(i).latest);
    const QString shown = window->VerdictLabel()->text();
    EXPECT_TRUE(shown.contains(suspect[i].verdict == PointVerdict::Pass ? "PASS" : "FAIL")) << shown.toStdString();
    // Still on the part: no advance however long it rests there.
    Sweep(5);
    EXPECT_EQ(window->Selected(), i);
    sim.Probe("open");
    if (i < 2) {
      EXPECT_EQ(SweepUntil([&] { return window->Selected() == i + 1; }), 3) << "three open sweeps";
    }
  }
  EXPECT_GE(SweepUntil([&] { return !window->Sweeping(); }), -1);
  EXPECT_FALSE(window->Sweeping());
  EXPECT_EQ(sim.AppliedCode(), ZeroVolts);
  EXPECT_EQ(cues, (std::vector<bool>{true, false, true}));
  const PointTest& failed = *Point(1).latest;
  ASSERT_TRUE(failed.differsFromVolts && failed.differsToVolts);
  EXPECT_LT(*failed.differsFromVolts, -3.0);  // where the breakdowns differ
  EXPECT_LT(failed.score, 95);
}

// Whatever ends the sweeping, the output is left at 0 V.
TEST_F(BoardWindowTest, LiveSweepingEndsAtZeroVolts) {
  const struct {
    const char* name;
    std::function<void(BoardWindow&)> end;
  } rows[] = {
      {"Cancel", [](BoardWindow& w) { w.Cancel(); }},
      {"mode changed", [](BoardWindow& w) { w.SetMode(BoardWindow::Mode::Edit); }},
      {"window closed", [](BoardWindow& w) { w.close(); }},
      {"window destroyed", [](BoardWindow&) {}},
  };
  for (const auto& row : rows) {
    window = std::make_unique<BoardWindow>(
        BoardWindowServices{&session, &store, &prompt, options.Plot(), "simulated instrument", {}, {}});
    window->AddPoint(1, 1);
    prompt.answers.push_back(PromptAnswer::No);  // closing: do not save
    sim.Probe("resistor 1k");
    window->SetMode(BoardWindow::Mode::Capture);
    window->show();
    for (int i = 0; i < 40; ++i) window->TickLive();  // partway into a sweep
    ASSERT_NE(sim.AppliedCode(), ZeroVolts) << row.name;
    row.end(*window);
    if (std::string(row.name) == "window destroyed") window.reset();
    EXPECT_EQ(sim.AppliedCode(), ZeroVolts) << row.name;
    if (window) {
      EXPECT_FALSE(window->Sweeping()) << row.name;
      EXPECT_FALSE(window->LiveTimer()->isActive()) << row.name;
    }
  }
}

// Space moves on without a lift; the next point is judged only once the
// probe has left the last one, so the same part is not taken for it.
TEST_F(BoardWindowTest, SpaceMovesOnAndTheNextPointWaitsForTheProbe) {
  MakeBoard(2);
  Capture({"diode", "led"});
  window->SetMode(BoardWindow::Mode::Test);
  window->show();
  QApplication::setActiveWindow(window.get());
  sim.Probe("diode");
  ASSERT_GE(SweepUntil([&] { return Point(0).latest.has_value(); }), 0);
  QTest::keyClick(window.get(), Qt::Key_Space);
  EXPECT_EQ(window->Selected(), 1);
  Sweep(4);  // still on the diode
  EXPECT_FALSE(Point(1).latest.has_value());
  sim.Probe("led");
  ASSERT_GE(SweepUntil([&] { return Point(1).latest.has_value(); }), 0);
  EXPECT_EQ(Point(1).latest->verdict, PointVerdict::Pass);
}

// A capture does not take the part still under the probe for the next point,
// nor an open probe for any point.
TEST_F(BoardWindowTest, CaptureWaitsForTheProbeToMove) {
  MakeBoard(2);
  window->SetMode(BoardWindow::Mode::Capture);
  sim.Probe("open");
  Sweep(5);
  EXPECT_FALSE(Point(0).knownGood.has_value());
  sim.Probe("diode");
  ASSERT_GE(SweepUntil([&] { return Point(0).knownGood.has_value(); }), 0);
  EXPECT_EQ(window->Selected(), 1);
  Sweep(5);
  EXPECT_FALSE(Point(1).knownGood.has_value());
}

TEST_F(BoardWindowTest, PointsAddMoveRenameAndDelete) {
  window->AddPoint(5, 6);
  window->AddPoint(7, 8);
  window->RenamePoint(0, "U3.7");
  window->RenamePoint(1, "U3.7");  // taken: refused
  window->MovePoint(1, 50, 60);
  ASSERT_EQ(window->CurrentBoard().points.size(), 2u);
  EXPECT_EQ(Point(0).name, "U3.7");
  EXPECT_EQ(Point(1).name, "P2");
  EXPECT_EQ(Point(1).x, 50);
  EXPECT_EQ(Point(1).y, 60);
  EXPECT_EQ(window->AddPoint(1, 1), 2);
  EXPECT_EQ(Point(2).name, "P3");
  window->Select(0);
  window->RemoveSelectedPoint();
  EXPECT_EQ(Point(0).name, "P2");
  EXPECT_TRUE(window->Modified());
}

TEST_F(BoardWindowTest, TestModeNeedsACapturedPoint) {
  window->AddPoint(1, 1);
  window->SetMode(BoardWindow::Mode::Test);
  EXPECT_FALSE(window->Sweeping());
  EXPECT_EQ(window->CurrentMode(), BoardWindow::Mode::Edit);
}

}  // namespace kvt

namespace kvt {

namespace {

// A board photo: a green board with four chips, drawn as a picture file.
QString DrawBoardPhoto(const QString& folder) {
  QImage image(800, 500, QImage::Format_RGB32);
  image.fill(QColor(20, 90, 40));
  QPainter painter(&image);
  painter.setPen(QPen(QColor(200, 170, 60), 3));
  for (int y = 60; y < 500; y += 70) painter.drawLine(30, y, 770, y);
  painter.setPen(Qt::NoPen);
  for (int i = 0; i < 4; ++i) {
    painter.setBrush(QColor(25, 25, 25));
    painter.drawRect(80 + i * 180, 150, 120, 160);
    painter.setBrush(QColor(190, 190, 190));
    for (int pin = 0; pin < 6; ++pin) painter.drawRect(70 + i * 180, 160 + pin * 25, 10, 10);
  }
  painter.end();
  const QString path = folder + "/board.png";
  image.save(path);
  return path;
}

QColor PixelAt(const QImage& image, QPointF at) { return image.pixelColor(at.toPoint()); }

bool Reddish(const QColor& c) { return c.red() > 150 && c.green() < 80 && c.blue() < 80; }
bool Greenish(const QColor& c) { return c.green() > 120 && c.red() < 80 && c.blue() < 80; }

}  // namespace

// Points with no place show on the photo as soon as there is one: those of
// a board listed before its photo was chosen, and one added by the button.
TEST_F(BoardWindowTest, PointsWithoutAPlaceGoOnThePhoto) {
  QTemporaryDir dir;
  window->AddPoint(std::nullopt, std::nullopt);
  window->AddPoint(std::nullopt, std::nullopt);
  EXPECT_FALSE(Point(0).x) << "no photo: a listed point";
  prompt.fileNames = {DrawBoardPhoto(dir.path()).toStdString()};
  ASSERT_TRUE(window->ChoosePhoto());
  QPushButton* add = nullptr;
  for (QPushButton* b : window->findChildren<QPushButton*>())
    if (b->text() == "&Add point") add = b;
  ASSERT_NE(add, nullptr);
  add->click();
  ASSERT_EQ(window->CurrentBoard().points.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const TestPoint& p = Point(static_cast<int>(i));
    ASSERT_TRUE(p.x && p.y);
    EXPECT_GT(*p.x, 0);
    EXPECT_LT(*p.x, 800);
    EXPECT_GT(*p.y, 250) << "along the lower margin";
    EXPECT_LT(*p.y, 500);
  }
  EXPECT_NE(Point(0).x, Point(1).x) << "side by side, not stacked";
}

// What the technician looks at: the markers on the photo and the verdict
// line in red and green, at the default size and at a larger one where both
// grow. KVT_BOARD_SCREENSHOTS names a folder to keep the pictures in.
// A board opened from its file shows its first point's verdict and, before
// any probing, that point's latest test against its known-good curve.
TEST_F(BoardWindowTest, AnOpenedBoardShowsTheFirstPointsCurvesAndVerdict) {
  Board board;
  board.name = "amp";
  TestPoint point;
  point.name = "U1.1";
  point.knownGood = CurveFromPairs({{-1, 0}, {0.6, 1e-3}, {0.7, 8e-3}}, 1000.0);
  PointTest test;
  test.curve = CurveFromPairs({{-1, 0}, {1.6, 1e-3}, {1.8, 8e-3}}, 1000.0);
  test.score = 54.0;
  test.verdict = PointVerdict::Fail;
  point.latest = test;
  board.points.push_back(point);
  store.files["/boards/opened.kvtboard"] = board;
  window->resize(900, 600);
  ASSERT_TRUE(window->OpenBoard("/boards/opened.kvtboard"));
  EXPECT_TRUE(window->VerdictLabel()->text().startsWith("U1.1  FAIL"));
  const QImage plot = window->PlotLabel()->pixmap().toImage();
  const auto count = [&](Colour c) {
    int n = 0;
    for (int y = 0; y < plot.height(); ++y)
      for (int x = 0; x < plot.width(); ++x) n += plot.pixelColor(x, y) == QColor(RedOf(c), GreenOf(c), BlueOf(c));
    return n;
  };
  EXPECT_GT(count(ReferenceColour(0)), 10) << "the known-good curve";
  EXPECT_GT(count(options.Plot().colours.line), 10) << "the latest test";
}

TEST_F(BoardWindowTest, VerdictsShowInColourOnThePhotoAndLarge) {
  QTemporaryDir dir;
  prompt.fileNames = {DrawBoardPhoto(dir.path()).toStdString()};
  ASSERT_TRUE(window->ChoosePhoto());
  for (int i = 0; i < 4; ++i) window->AddPoint(75 + i * 180, 175 + 25 * i);
  for (int i = 0; i < 4; ++i) window->RenamePoint(i, "U" + std::to_string(i + 1) + "." + std::to_string(i + 1));
  prompt.fileNames.push_back(dir.filePath("amp.kvtboard").toStdString());
  ASSERT_TRUE(window->SaveAs());
  window->show();
  const QString keep = qEnvironmentVariable("KVT_BOARD_SCREENSHOTS");
  const auto grab = [&](const char* name) {
    QApplication::processEvents();
    const QImage image = window->grab().toImage();
    if (!keep.isEmpty()) image.save(keep + "/" + name);
    return image;
  };

  window->SetMode(BoardWindow::Mode::Capture);
  for (const char* part : {"diode", "zener 3.3", "led"}) {
    sim.Probe(part);
    ASSERT_GE(SweepUntil([&] { return !window->Sweeping() || window->CurrentBoard().points[3].knownGood ||
                                      CountPoints(window->CurrentBoard()).captured ==
                                          (part == std::string("diode") ? 1 : part == std::string("led") ? 3 : 2); }),
              0);
    sim.Probe("open");
    Sweep(1);
  }
  sim.Probe("resistor 1k");
  Sweep(1);
  grab("board_capture.png");
  ASSERT_TRUE(SweepUntil([&] { return Point(3).knownGood.has_value(); }) >= 0);

  window->SetMode(BoardWindow::Mode::Test);
  const char* suspect[] = {"diode", "zener 4.7", "led", "resistor 1k"};
  QImage failShown;
  for (int i = 0; i < 4; ++i) {
    sim.Probe(suspect[i]);
    ASSERT_GE(SweepUntil([&] { return Point(i).latest.has_value(); }), 0);
    if (i == 1) failShown = grab("board_test_fail.png");
    sim.Probe("open");
    SweepUntil([&] { return window->Selected() != i || !window->Sweeping(); });
  }
  const QImage passShown = grab("board_test_pass.png");

  const auto verdictPixel = [&](const QImage& image) {
    const QLabel* label = window->VerdictLabel();
    return PixelAt(image, QPointF(label->geometry().left() + 4, label->geometry().center().y()));
  };
  EXPECT_TRUE(Reddish(verdictPixel(failShown))) << verdictPixel(failShown).name().toStdString();
  EXPECT_TRUE(Greenish(verdictPixel(passShown))) << verdictPixel(passShown).name().toStdString();
  const auto marker = [&](const QImage& image, int i) {
    const BoardPhotoView* view = window->PhotoView();
    return PixelAt(image, view->mapTo(window.get(), view->ToWidget(*Point(i).x, *Point(i).y)));
  };
  EXPECT_TRUE(Greenish(marker(passShown, 0))) << marker(passShown, 0).name().toStdString();
  EXPECT_TRUE(Reddish(marker(passShown, 1))) << marker(passShown, 1).name().toStdString();

  const double radius = window->PhotoView()->MarkerRadius();
  const int fontPixels = window->VerdictLabel()->font().pixelSize();
  EXPECT_GE(fontPixels, 22);
  window->resize(1800, 1200);
  QApplication::processEvents();
  EXPECT_GT(window->PhotoView()->MarkerRadius(), radius);
  EXPECT_GT(window->VerdictLabel()->font().pixelSize(), fontPixels);
  grab("board_large.png");
}

}  // namespace kvt
