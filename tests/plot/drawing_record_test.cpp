#include "plot/drawing_record.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <functional>

#include "core/settings.h"
#include "plot/image_surface.h"
#include "plot/painter_surface.h"
#include "plot/plot_font.h"
#include "plot/plot_renderer.h"
#include "tests/support/diode_curve.h"

namespace kvt {

namespace {

constexpr Colour kBack = MakeColour(0, 96, 0);
constexpr Colour kRed = MakeColour(255, 0, 0);
constexpr Colour kBlue = MakeColour(0, 0, 255);

// Draws on an image and writes the calls down, as the picture box does.
class Tee : public DrawSurface {
 public:
  Tee(ImageSurface& image, DrawingRecord& record) : image_(image), record_(record) {
    record_.SetBackground(image_.Background());
    record_.SetFont(image_.Font());
  }
  void SetFont(const QFont& font) {
    image_.SetFont(font);
    record_.SetFont(font);
  }
  void Resize(QSize size) {
    record_.Cropped(image_.Image().size());
    image_.Resize(size);
  }
  void SetBackground(Colour c) override { image_.SetBackground(c), record_.SetBackground(c); }
  Colour Background() const override { return image_.Background(); }
  void SetTextColour(Colour c) override { image_.SetTextColour(c), record_.SetTextColour(c); }
  double InnerWidth() const override { return image_.InnerWidth(); }
  double InnerHeight() const override { return image_.InnerHeight(); }
  void SetPenWidth(int w) override { image_.SetPenWidth(w), record_.SetPenWidth(w); }
  void Line(double a, double b, double c, double d, Colour k) override {
    image_.Line(a, b, c, d, k), record_.Line(a, b, c, d, k);
  }
  void Point(double x, double y, Colour k) override { image_.Point(x, y, k), record_.Point(x, y, k); }
  void Text(double x, double y, std::string_view t) override { image_.Text(x, y, t), record_.Text(x, y, t); }
  void FilledBox(double a, double b, double c, double d, Colour k) override {
    image_.FilledBox(a, b, c, d, k), record_.FilledBox(a, b, c, d, k);
  }
  void Circle(double x, double y, double r, Colour o, std::optional<Colour> f) override {
    image_.Circle(x, y, r, o, f), record_.Circle(x, y, r, o, f);
  }
  void BeginBatch() override { image_.BeginBatch(); }
  void EndBatch() override { image_.EndBatch(); }

 private:
  ImageSurface& image_;
  DrawingRecord& record_;
};

void Plot(DrawSurface& s, int points, std::vector<ReferenceCurve> references = {}) {
  PlotOptions plot = TypedOptions().Plot();
  plot.controls = PlotControls{};
  plot.controls.smoothing = true;
  DrawPlot(s, plot, DiodeCurve(points), ".", references);
}

QImage Replayed(const DrawingRecord& record, QSize size, const QFont& font) {
  ImageSurface again(size, MakeColour(1, 2, 3));
  again.SetFont(font);
  record.Replay(again, [&again](const QFont& f) { again.SetFont(f); });
  return again.Image();
}

// Each picture is drawn on an image while recorded; the record replayed on a
// fresh image of the same size must give exactly the same pixels.
struct ReplayCase {
  const char* name;
  std::function<void(Tee&)> draw;
};
void PrintTo(const ReplayCase& c, std::ostream* os) { *os << c.name; }

const ReplayCase kReplayCases[] = {
    {"Plot", [](Tee& t) { Plot(t, 128); }},
    {"PlotWithReferences",
     [](Tee& t) {
       ReferenceCurve wide{"wide", {{-1, -0.001}, {0.5, 0.002}, {2, 0.006}}, ReferenceColour(0), 3};
       ReferenceCurve thin{"thin", {{-4, 0.004}, {3, -0.005}}, ReferenceColour(1), 1};
       Plot(t, 1024, {wide, thin});
     }},
    {"PenWidthsAndFractions",
     [](Tee& t) {
       t.SetBackground(kBack);
       t.SetPenWidth(3);
       t.Line(10.5, 10.25, 80.75, 60.5, kRed);
       t.Line(40, 40, 40, 40, kBlue);
       t.SetPenWidth(2);
       t.Line(5, 90, 95, 90, kRed);
       t.SetPenWidth(1);
       t.Point(3.5, 3.5, kBlue);
       t.Point(7, 7, kRed);
     }},
    {"TextColoursAndCircles",
     [](Tee& t) {
       t.SetBackground(kBack);
       t.SetTextColour(kRed);
       t.Text(5, 5, "-1.0");
       t.SetTextColour(kBlue);
       t.Text(20.5, 30, "kOm");
       t.Circle(50, 50, 16, kRed, std::nullopt);
       t.SetPenWidth(2);
       t.Circle(70, 70, 7, kBlue, kRed);
       t.FilledBox(90, 5, 60, 20, kBlue);
     }},
    {"DrawnOverItself",
     [](Tee& t) {
       // The range dial erases its needle by drawing it in the background.
       t.SetBackground(kBack);
       for (int i = 0; i < 3; ++i) {
         t.Line(50, 50, 20 + 10 * i, 90, kRed);
         t.Circle(50, 50, 7, kRed, std::nullopt);
         t.Line(50, 50, 20 + 10 * i, 90, kBack);
         t.Circle(50, 50, 7, kBack, std::nullopt);
       }
       t.Line(50, 50, 90, 20, kRed);
     }},
    {"FontChangedMidway",
     [](Tee& t) {
       t.SetBackground(kBack);
       t.Text(5, 5, "small");
       QFont big = ProgramFont();
       big.setPointSize(20);
       t.SetFont(big);
       t.Text(5, 40, "big");
     }},
    {"CutAndGrownAgain",
     [](Tee& t) {
       t.SetBackground(kBack);
       t.Line(0, 0, 99, 99, kRed);
       t.Line(99, 0, 99, 99, kBlue);
       t.Resize(QSize(60, 70));
       t.Line(0, 50, 59, 50, kBlue);
       t.Resize(QSize(100, 100));
       t.Line(0, 80, 99, 80, kRed);
     }},
};

class DrawingRecordReplay : public testing::TestWithParam<ReplayCase> {};

TEST_P(DrawingRecordReplay, GivesTheSamePixelsAgain) {
  ImageSurface image(QSize(100, 100), MakeColour(255, 255, 255));
  image.SetFont(ProgramFont());
  DrawingRecord record;
  Tee tee(image, record);
  GetParam().draw(tee);
  EXPECT_TRUE(record.Complete());
  EXPECT_EQ(Replayed(record, image.Image().size(), ProgramFont()), image.Image());
}

INSTANTIATE_TEST_SUITE_P(Pictures, DrawingRecordReplay, testing::ValuesIn(kReplayCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DrawingRecord, ReplayFromLaterCallsUsesTheStateInForceThere) {
  ImageSurface image(QSize(120, 100));
  image.SetFont(ProgramFont());
  DrawingRecord record;
  Tee tee(image, record);
  tee.SetBackground(kBack);
  tee.SetTextColour(kRed);
  tee.SetPenWidth(3);
  QFont big = ProgramFont();
  big.setPointSize(18);
  tee.SetFont(big);
  tee.Line(5, 5, 100, 5, kBlue);
  const DrawingRecord before = record;
  // Calls that rely on the colour, width and font set before them.
  tee.Text(10, 20, "later");
  tee.Line(5, 80, 100, 60, kBlue);

  ImageSurface continued(QSize(120, 100));
  const auto font = [&continued](const QFont& f) { continued.SetFont(f); };
  before.Replay(continued, font);
  continued.SetTextColour(kBlue);
  continued.SetPenWidth(1);
  continued.SetFont(ProgramFont());
  record.Replay(continued, font, before.Size());
  EXPECT_EQ(continued.Image(), image.Image());
}

TEST(DrawingRecord, GivesUpPastItsLimitUntilTheNextPicture) {
  DrawingRecord record(10);
  record.SetBackground(kBack);
  const auto picture = record.Picture();
  for (int i = 0; i < 9; ++i) record.Line(0, 0, i, i, kRed);
  EXPECT_TRUE(record.Complete());
  EXPECT_EQ(record.Size(), 10u);
  record.Text(1, 1, "one too many");
  EXPECT_FALSE(record.Complete());
  EXPECT_EQ(record.Size(), 0u);
  record.Line(0, 0, 1, 1, kRed);  // stays given up
  EXPECT_FALSE(record.Complete());

  record.SetBackground(kBlue);
  EXPECT_TRUE(record.Complete());
  EXPECT_EQ(record.Size(), 1u);
  EXPECT_NE(record.Picture(), picture);
}

TEST(DrawingRecord, ANewPictureKeepsTheFontAndDropsTheRest) {
  DrawingRecord record;
  QFont big = ProgramFont();
  big.setPointSize(22);
  record.SetFont(big);
  record.SetTextColour(kRed);
  record.Line(0, 0, 10, 10, kRed);
  record.SetBackground(kBack);
  EXPECT_EQ(record.Size(), 2u);  // the clearing and the font
  QFont seen;
  ImageSurface target(QSize(20, 20));
  record.Replay(target, [&seen](const QFont& f) { seen = f; });
  EXPECT_EQ(seen.pointSize(), 22);
  EXPECT_EQ(target.Image().pixel(10, 10), qRgb(0, 96, 0));
}

}  // namespace

}  // namespace kvt
