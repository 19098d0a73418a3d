#include "plot/kept_picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <vector>

#include "core/settings.h"
#include "plot/plot_font.h"
#include "plot/plot_renderer.h"
#include "tests/support/diode_curve.h"

namespace kvt {

namespace {

constexpr Colour kBack = MakeColour(0, 96, 0);
constexpr Colour kLine = MakeColour(0, 255, 0);
constexpr Colour kText = MakeColour(0, 180, 0);
constexpr Colour kRed = MakeColour(255, 0, 0);
constexpr Colour kBlue = MakeColour(0, 0, 255);

// A picture at a size, in the program's font, as a plot box holds it.
struct Box : KeptPicture {
  explicit Box(QSize size) : KeptPicture(MakeColour(255, 255, 255), ProgramFont()) { Resize(size); }
};

Colour PixelOf(const QImage& image, int x, int y) {
  const QRgb p = image.pixel(x, y);
  return MakeColour(qRed(p), qGreen(p), qBlue(p));
}
Colour PixelAt(const KeptPicture& box, int x, int y) { return PixelOf(box.Image(), x, y); }

int CountColour(const KeptPicture& box, Colour colour, QRect area) {
  int n = 0;
  area = area.intersected(box.Image().rect());
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += PixelAt(box, x, y) == colour;
  return n;
}

void DefaultPlot(KeptPicture& box, int points, PlotControls controls = {}) {
  DrawPlot(box, {TypedOptions().Plot().colours, controls}, DiodeCurve(points), ".");
}

// The image doubled pixel for pixel, as a screen would show it without the
// sharp rendering.
QImage Doubled(const QImage& image) {
  QImage doubled = image.scaled(image.size() * 2).convertToFormat(QImage::Format_RGB32);
  doubled.setDevicePixelRatio(2);
  return doubled;
}

}  // namespace

TEST(KeptPicture, WholePixelLinesAndDots) {
  Box box(QSize(40, 40));
  box.SetBackground(0);
  const Colour red = MakeColour(255, 0, 0);

  box.Line(5, 5, 5, 5, red);  // zero length, pen 1: one pixel
  EXPECT_EQ(CountColour(box, red, QRect(0, 0, 40, 40)), 1);
  EXPECT_EQ(PixelAt(box, 5, 5), red);

  box.SetBackground(0);
  box.SetPenWidth(2);
  box.Line(10, 10, 10, 10, red);  // zero length, pen 2: a 2 x 2 dot
  EXPECT_EQ(CountColour(box, red, QRect(0, 0, 40, 40)), 4);
  EXPECT_EQ(PixelAt(box, 10, 10), red);
  // The dot lies where a 2-pixel line from that point starts.
  const Colour blue = MakeColour(0, 0, 255);
  box.Line(10, 10, 20, 10, blue);
  box.Line(10, 10, 10, 20, blue);
  EXPECT_EQ(CountColour(box, red, QRect(0, 0, 40, 40)), 0);

  box.SetBackground(0);
  box.SetPenWidth(1);
  box.Line(3, 20, 30, 20, red);  // one row, no blended neighbours
  EXPECT_EQ(CountColour(box, red, QRect(3, 20, 27, 1)), 27);
  EXPECT_EQ(CountColour(box, red, QRect(0, 19, 40, 1)) + CountColour(box, red, QRect(0, 21, 40, 1)), 0);
  box.Line(3, 3, 13, 13, red);  // a diagonal: plain pixels, nothing in between colours
  for (int i = 3; i < 13; ++i) EXPECT_EQ(PixelAt(box, i, i), red) << i;
  EXPECT_EQ(PixelAt(box, 4, 3), 0u);

  box.Point(35, 36, red);
  EXPECT_EQ(PixelAt(box, 35, 36), red);
  EXPECT_EQ(CountColour(box, red, QRect(34, 35, 3, 3)), 1);

  // Far-off or impossible coordinates draw nothing visible and do not fail.
  const double inf = std::numeric_limits<double>::infinity();
  box.SetBackground(0);
  box.Line(1e300, -1e300, inf, 5, red);
  box.Line(1e300, 1e300, 2e300, 5e300, red);
  box.Line(-1e300, 5, -2e300, 5, red);
  box.Point(-inf, 1e300, red);
  box.Text(1e300, std::numeric_limits<double>::quiet_NaN(), "x");
  EXPECT_EQ(CountColour(box, red, QRect(0, 0, 40, 40)), 0);
}

TEST(KeptPicture, TextHangsBelowItsPosition) {
  Box box(QSize(100, 60));
  box.SetBackground(0);
  const Colour white = MakeColour(255, 255, 255);
  box.SetTextColour(white);
  box.Text(10, 20, "I, mA");
  const int ink = CountColour(box, white, QRect(10, 20, 90, 20));
  EXPECT_GT(ink, 20);
  // Nothing above or left of the position; every pixel in full colour.
  EXPECT_EQ(CountColour(box, white, QRect(0, 0, 100, 20)), 0);
  EXPECT_EQ(CountColour(box, white, QRect(0, 0, 10, 60)), 0);
  EXPECT_EQ(CountColour(box, 0, QRect(0, 0, 100, 60)) + CountColour(box, white, QRect(0, 0, 100, 60)), 6000);
  // The letters start within a few pixels below the position.
  EXPECT_GT(CountColour(box, white, QRect(10, 20, 90, 6)), 0);
}

TEST(KeptPicture, RenderedPlotAtTheWorkedSize) {
  Box box(QSize(373, 341));
  DrawPlot(box, {TypedOptions().Plot().colours, PlotControls{false, 3, 5, 10}}, DiodeCurve(256), ".");
  ASSERT_EQ(box.Image().size(), QSize(373, 341));

  // Tick marks: the pixels above and below the horizontal axis at each
  // voltage tick, and left and right of the vertical axis at each current tick.
  for (int x : {20, 52, 85, 118, 151, 217, 250, 283, 316, 349})
    for (int dy : {-3, -2, -1, 1, 2}) EXPECT_EQ(PixelAt(box, x, 166 + dy), kText) << x << " " << dy;
  for (int y : {322, 291, 260, 228, 197, 135, 104, 72, 41, 10})
    for (int dx : {-3, -2, -1, 1, 2}) EXPECT_EQ(PixelAt(box, 184 + dx, y), kText) << y << " " << dx;
  // No tick next to them.
  EXPECT_EQ(PixelAt(box, 53, 163), kBack);
  EXPECT_EQ(PixelAt(box, 188, 291), kBack);

  // Grid dots stand alone.
  for (auto [x, y] : {std::pair{52, 291}, std::pair{316, 41}, std::pair{85, 72}}) {
    EXPECT_EQ(PixelAt(box, x, y), kText);
    EXPECT_EQ(CountColour(box, kText, QRect(x - 1, y - 1, 3, 3)), 1) << x << " " << y;
  }

  // Ticks are 7 pixels long, both ends included.
  for (int x : {20, 52, 217, 349}) EXPECT_EQ(CountColour(box, kText, QRect(x, 163, 1, 7)), 7) << x;
  for (int y : {322, 291, 135, 10}) EXPECT_EQ(CountColour(box, kText, QRect(181, y, 7, 1)), 7) << y;

  // Axes and arrow heads; the vertical axis reaches its -10 tick, and the
  // horizontal one its arrow tip.
  EXPECT_EQ(CountColour(box, kText, QRect(20, 166, 334, 1)), 334);
  EXPECT_EQ(PixelAt(box, 184, 321), kText);
  EXPECT_EQ(CountColour(box, kText, QRect(184, 5, 1, 318)), 318);
  for (auto [x, y] : {std::pair{353, 166}, std::pair{352, 165}, std::pair{352, 167}, std::pair{348, 161}, std::pair{348, 171}})
    EXPECT_EQ(PixelAt(box, x, y), kText) << x << " " << y;
  EXPECT_EQ(PixelAt(box, 184, 5), kText);
  EXPECT_EQ(PixelAt(box, 182, 7), kText);
  EXPECT_EQ(PixelAt(box, 186, 7), kText);
  EXPECT_EQ(PixelAt(box, 351, 164), kText);
  EXPECT_EQ(PixelAt(box, 351, 168), kText);

  // Captions: text colour below and right of their positions.
  EXPECT_GT(CountColour(box, kText, QRect(311, 146, 50, 14)), 20);  // "V, Volts"
  EXPECT_GT(CountColour(box, kText, QRect(194, 4, 30, 14)), 15);    // "I, mA"
  EXPECT_GT(CountColour(box, kText, QRect(8, 150, 24, 12)), 10);    // "-5.0"

  // The curve in the line colour: flat at 0 mA in reverse, steep near 0.6 V.
  EXPECT_EQ(PixelAt(box, 100, 166), kText);  // the axis is drawn over it
  EXPECT_GT(CountColour(box, kLine, QRect(30, 164, 140, 5)), 100);
  EXPECT_GT(CountColour(box, kLine, QRect(195, 20, 30, 140)), 60);
  EXPECT_EQ(CountColour(box, kLine, QRect(30, 20, 140, 130)), 0);

  const char* sample = std::getenv("KVT_PLOT_SAMPLE");
  if (sample != nullptr) box.Image().save(QString::fromLocal8Bit(sample));
}

// At more device pixels per pixel the picture is drawn again from the
// recorded calls: twice the pixels, the same places, finer detail.
namespace {

// Whether some pixel of `image` within `reach` of (x, y) differs from `back`.
bool InkNear(const QImage& image, int x, int y, int reach, Colour back) {
  for (int dy = -reach; dy <= reach; ++dy)
    for (int dx = -reach; dx <= reach; ++dx) {
      const int px = x + dx, py = y + dy;
      if (px >= 0 && py >= 0 && px < image.width() && py < image.height() && PixelOf(image, px, py) != back)
        return true;
    }
  return false;
}

struct SharpCase {
  const char* name;
  QSize size;
  std::function<void(KeptPicture&)> draw;
};
void PrintTo(const SharpCase& c, std::ostream* os) { *os << c.name; }

const SharpCase kSharpCases[] = {
    {"EmptyPlot", QSize(373, 341), [](KeptPicture& b) { DefaultPlot(b, 0); }},
    {"SmoothedPlot", QSize(373, 341), [](KeptPicture& b) { DefaultPlot(b, 1024, PlotControls{true, 5, 2, 3}); }},
    {"ShapesAndText", QSize(120, 90),
     [](KeptPicture& b) {
       b.SetBackground(kBack);
       b.SetTextColour(kText);
       b.Text(5, 5, "10.0 kOm");
       b.SetPenWidth(2);
       b.Line(10, 80, 110, 30, kLine);
       b.Circle(60, 50, 16, kBlue, std::nullopt);
       b.FilledBox(90, 70, 110, 85, kRed);
     }},
    {"TextInALargerFont", QSize(160, 60),
     [](KeptPicture& b) {
       QFont large = b.Font();
       large.setPointSizeF(12);
       b.SetFont(large);
       b.SetBackground(kBack);
       b.SetTextColour(kText);
       b.Text(5, 5, "10.0 kOm");
     }},
};

class KeptPictureSharp : public testing::TestWithParam<SharpCase> {};

TEST_P(KeptPictureSharp, HasTwiceThePixelsWithInkWhereTheImageHasIt) {
  Box box(GetParam().size);
  GetParam().draw(box);
  const QImage& image = box.Image();
  const QImage sharp = box.SharpImage(2);
  ASSERT_EQ(sharp.size(), image.size() * 2);
  EXPECT_EQ(sharp.devicePixelRatio(), 2);
  const Colour back = box.Background();

  // Ink in the sharp picture lies near ink in the image, and the other way
  // round; glyphs drawn at twice the size may differ by a pixel.
  int strays = 0, missing = 0;
  for (int y = 0; y < sharp.height(); ++y)
    for (int x = 0; x < sharp.width(); ++x)
      if (PixelOf(sharp, x, y) != back) strays += !InkNear(image, x / 2, y / 2, 2, back);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (PixelOf(image, x, y) != back) missing += !InkNear(sharp, 2 * x, 2 * y, 3, back);
  EXPECT_EQ(strays, 0);
  EXPECT_EQ(missing, 0);
  // Finer than doubled pixels: some edges fall between an image pixel's halves.
  EXPECT_NE(sharp, Doubled(image));
}

INSTANTIATE_TEST_SUITE_P(Pictures, KeptPictureSharp, testing::ValuesIn(kSharpCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(KeptPictureSharp, KeptUntilThePictureChanges) {
  Box box(QSize(373, 341));
  DefaultPlot(box, 256);
  const QImage first = box.SharpImage(2);
  EXPECT_EQ(box.SharpImage(2).cacheKey(), first.cacheKey());
  EXPECT_EQ(box.SharpImage(3).size(), QSize(373 * 3, 341 * 3));
  EXPECT_NE(box.SharpImage(2).cacheKey(), first.cacheKey());  // the ratio changed back
  const QImage again = box.SharpImage(2);
  box.Line(0, 0, 372, 340, kRed);
  EXPECT_NE(box.SharpImage(2), again);
  DefaultPlot(box, 256);
  EXPECT_EQ(box.SharpImage(2), first);
}

TEST(KeptPictureSharp, CallsAddedLaterGoOnTopAsIfDrawnInOneGo) {
  // The second picture gets everything before its first sharp rendering;
  // the first adds calls after one, which rely on the colour and width set
  // before.
  const auto start = [](KeptPicture& b) {
    DefaultPlot(b, 128);
    b.SetTextColour(kRed);
    b.SetPenWidth(3);
  };
  const auto more = [](KeptPicture& b) {
    b.Text(30, 30, "later");
    b.Line(20, 300, 300, 40, kBlue);
  };
  Box stepwise(QSize(373, 341)), whole(QSize(373, 341));
  start(stepwise);
  (void)stepwise.SharpImage(2);
  more(stepwise);
  start(whole);
  more(whole);
  EXPECT_EQ(stepwise.SharpImage(2), whole.SharpImage(2));
}

TEST(KeptPictureSharp, ANewPictureStartsAfreshEvenWithMoreCalls) {
  Box box(QSize(50, 40));
  box.SetBackground(kBack);
  box.Line(2, 2, 40, 2, kRed);
  (void)box.SharpImage(2);
  box.SetBackground(kBlue);
  box.SetPenWidth(2);
  for (int y = 10; y < 30; y += 5) box.Line(5, y, 45, y, kRed);
  EXPECT_EQ(box.SharpImage(2), Doubled(box.Image()));
}

TEST(KeptPictureSharp, TheImageItselfWhenTheCallsAreNoLongerAllKnown) {
  Box box(QSize(20, 20));
  box.SetBackground(kBack);
  for (std::size_t i = 0; i <= DrawingRecord::kDefaultLimit; ++i) box.Point(static_cast<double>(i % 20), 3, kRed);
  ASSERT_FALSE(box.Record().Complete());
  EXPECT_EQ(box.SharpImage(2), box.Image());
  box.SetBackground(kBack);
  EXPECT_EQ(box.SharpImage(2).size(), QSize(40, 40));
}

// Whoever shows the picture is told once per batch, or after each drawing
// call outside one; settings alone change no pixels.
namespace {

struct ChangeCase {
  const char* name;
  std::function<void(KeptPicture&)> draw;
  int changes;
};
void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.name; }

const ChangeCase kChangeCases[] = {
    {"EachCallOutsideABatch",
     [](KeptPicture& p) {
       p.SetBackground(kBack);
       p.Line(1, 1, 20, 20, kRed);
       p.Point(3, 4, kRed);
       p.Text(5, 5, "x");
       p.FilledBox(2, 2, 8, 8, kBlue);
       p.Circle(20, 20, 5, kRed, kBlue);
     },
     6},
    {"SettingsAlone",
     [](KeptPicture& p) {
       p.SetTextColour(kRed);
       p.SetPenWidth(3);
       p.SetFont(QFont());
       p.Resize(QSize(30, 20));
     },
     0},
    {"OneBatch",
     [](KeptPicture& p) {
       DrawBatch batch(p);
       p.SetBackground(kBack);
       for (int i = 0; i < 10; ++i) p.Line(i, 0, i, 30, kRed);
     },
     1},
    {"NestedBatchesOnceAtTheOuterEnd",
     [](KeptPicture& p) {
       DrawBatch outer(p);
       p.Line(0, 0, 5, 5, kRed);
       {
         DrawBatch inner(p);
         p.Point(1, 1, kBlue);
       }
       p.Point(2, 2, kBlue);
     },
     1},
    {"BatchThenLooseCalls",
     [](KeptPicture& p) {
       {
         DrawBatch batch(p);
         p.Line(0, 0, 5, 5, kRed);
       }
       p.Point(1, 1, kBlue);
       p.Point(2, 2, kBlue);
     },
     3},
    {"AnEndWithoutABeginStartsNoBatch",
     [](KeptPicture& p) {
       p.EndBatch();
       p.Line(0, 0, 5, 5, kRed);
       p.Point(1, 1, kBlue);
     },
     2},
    {"AWholePlot", [](KeptPicture& p) { DefaultPlot(p, 256, PlotControls{true, 3, 5, 10}); }, 1},
};

class KeptPictureChanges : public testing::TestWithParam<ChangeCase> {};

TEST_P(KeptPictureChanges, ToldOncePerBatchOrLooseCall) {
  Box picture(QSize(60, 40));
  int changes = 0;
  picture.OnChanged([&changes] { ++changes; });
  GetParam().draw(picture);
  EXPECT_EQ(changes, GetParam().changes);
}

INSTANTIATE_TEST_SUITE_P(Calls, KeptPictureChanges, testing::ValuesIn(kChangeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The sharp copy at any ratio, kept and added to as calls arrive, is the
// same as drawing the whole picture afresh at that ratio.
struct RatioCase {
  const char* name;
  qreal ratio;
  QSize sharpSize;
};
void PrintTo(const RatioCase& c, std::ostream* os) { *os << c.name; }

const RatioCase kRatioCases[] = {
    {"One", 1, QSize(373, 341)},
    {"OneAndAHalf", 1.5, QSize(560, 512)},  // halves rounded up
    {"Two", 2, QSize(746, 682)},
};

void LaterCalls(KeptPicture& p) {
  p.SetTextColour(kRed);
  p.Text(40, 30, "later");
  p.SetPenWidth(2);
  p.Line(20, 300, 300, 40, kBlue);
  p.Circle(100, 100, 12.5, kRed, std::nullopt);
}

class KeptPictureRatio : public testing::TestWithParam<RatioCase> {};

TEST_P(KeptPictureRatio, KeptCopyEqualsDrawingAfresh) {
  const qreal ratio = GetParam().ratio;
  Box kept(QSize(373, 341));
  DefaultPlot(kept, 512, PlotControls{true, 3, 5, 10});
  (void)kept.SharpImage(ratio);
  LaterCalls(kept);
  (void)kept.SharpImage(ratio == 2 ? 3 : 2);  // another ratio in between
  const QImage sharp = kept.SharpImage(ratio);

  Box fresh(QSize(373, 341));
  DefaultPlot(fresh, 512, PlotControls{true, 3, 5, 10});
  LaterCalls(fresh);

  EXPECT_EQ(sharp.size(), GetParam().sharpSize);
  EXPECT_EQ(sharp.devicePixelRatio(), ratio);
  EXPECT_EQ(sharp, fresh.SharpImage(ratio));
  EXPECT_EQ(kept.Image(), fresh.Image());
}

INSTANTIATE_TEST_SUITE_P(Ratios, KeptPictureRatio, testing::ValuesIn(kRatioCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A resize keeps the drawing at the top-left; what a shrink cut off stays
// gone from the image and from the sharp copy alike.
struct CropCase {
  const char* name;
  std::vector<QSize> sizes;
  std::vector<std::pair<QPoint, Colour>> pixels;
};
void PrintTo(const CropCase& c, std::ostream* os) { *os << c.name; }

const CropCase kCropCases[] = {
    {"ShrinkAndGrowBack",
     {QSize(60, 50), QSize(100, 80)},
     {{QPoint(59, 10), kBlue}, {QPoint(60, 10), kBack}, {QPoint(90, 5), kBack}, {QPoint(30, 70), kBack}}},
    {"ShrinkOnlyTheHeight",
     {QSize(100, 60), QSize(100, 80)},
     {{QPoint(97, 10), kBlue}, {QPoint(90, 59), kRed}, {QPoint(90, 60), kBack}, {QPoint(30, 70), kBack}}},
    {"TwoShrinks",
     {QSize(95, 75), QSize(50, 90), QSize(100, 80)},
     {{QPoint(49, 10), kBlue}, {QPoint(50, 10), kBack}, {QPoint(90, 5), kBack}, {QPoint(30, 70), kRed},
      {QPoint(60, 70), kBack}}},
    {"DownToNothing", {QSize(0, 0), QSize(100, 80)}, {{QPoint(2, 10), kBack}, {QPoint(90, 40), kBack}}},
    {"GrowOnly",
     {QSize(140, 100)},
     {{QPoint(97, 10), kBlue}, {QPoint(90, 40), kRed}, {QPoint(30, 70), kRed}, {QPoint(120, 90), kBack}}},
    {"TheSameSize", {QSize(100, 80)}, {{QPoint(97, 10), kBlue}, {QPoint(90, 40), kRed}, {QPoint(30, 70), kRed}}},
};

class KeptPictureCrop : public testing::TestWithParam<CropCase> {};

TEST_P(KeptPictureCrop, CutOffStaysGone) {
  Box picture(QSize(100, 80));
  picture.SetBackground(kBack);
  picture.SetPenWidth(3);
  picture.Line(2, 10, 97, 10, kBlue);
  picture.SetPenWidth(1);
  picture.Line(2, 70, 97, 70, kRed);
  picture.Line(90, 2, 90, 77, kRed);
  (void)picture.SharpImage(2);
  for (QSize size : GetParam().sizes) picture.Resize(size);
  ASSERT_EQ(picture.Image().size(), GetParam().sizes.back());
  for (const auto& [at, colour] : GetParam().pixels)
    EXPECT_EQ(PixelAt(picture, at.x(), at.y()), colour) << at.x() << " " << at.y();
  // Whole-pixel lines only: the sharp copy is the image doubled.
  EXPECT_EQ(picture.SharpImage(2), Doubled(picture.Image()));
}

INSTANTIATE_TEST_SUITE_P(Resizes, KeptPictureCrop, testing::ValuesIn(kCropCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A new picture takes the holder's present size when the holder tells it,
// and otherwise keeps the size it has.
TEST(KeptPicture, ANewPictureTakesTheHoldersSize) {
  Box picture(QSize(30, 20));
  picture.SetBackground(kBack);
  EXPECT_EQ(picture.Image().size(), QSize(30, 20));
  QSize holder(70, 45);
  picture.FollowSize([&holder] { return holder; });
  picture.SetBackground(kBlue);
  EXPECT_EQ(picture.Image().size(), QSize(70, 45));
  EXPECT_EQ(PixelAt(picture, 69, 44), kBlue);
  EXPECT_EQ(picture.SharpImage(2), Doubled(picture.Image()));
}

}  // namespace

}  // namespace kvt
