#include "plot/image_surface.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "plot/plot_font.h"

namespace kvt {

namespace {

constexpr Colour kRed = MakeColour(255, 0, 0);
constexpr Colour kBlue = MakeColour(0, 0, 255);
constexpr Colour kWhite = MakeColour(255, 255, 255);

Colour PixelAt(const QImage& image, int x, int y) {
  const QRgb p = image.pixel(x, y);
  return MakeColour(qRed(p), qGreen(p), qBlue(p));
}
Colour PixelAt(const ImageSurface& s, int x, int y) { return PixelAt(s.Image(), x, y); }

int CountColour(const QImage& image, Colour colour, QRect area) {
  int n = 0;
  area = area.intersected(image.rect());
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += PixelAt(image, x, y) == colour;
  return n;
}
int CountColour(const ImageSurface& s, Colour colour, QRect area) { return CountColour(s.Image(), colour, area); }

// The open painter remembers its pen; each call must still get its own
// colour and width, inside a batch as well as outside.
struct StateCase {
  const char* name;
  std::function<void(ImageSurface&)> draw;
  std::function<void(const ImageSurface&)> check;
};

void PrintTo(const StateCase& c, std::ostream* os) { *os << c.name; }

const StateCase kStateCases[] = {
    {"ColourChangesBetweenLines",
     [](ImageSurface& s) {
       s.Line(2, 5, 30, 5, kRed);
       s.Line(2, 5, 30, 5, kBlue);
     },
     [](const ImageSurface& s) {
       EXPECT_EQ(CountColour(s, kRed, QRect(0, 0, 40, 40)), 0);
       EXPECT_GT(CountColour(s, kBlue, QRect(0, 5, 40, 1)), 20);
     }},
    {"WidthChangesBetweenLines",
     [](ImageSurface& s) {
       s.Line(2, 5, 30, 5, kRed);
       s.SetPenWidth(2);
       s.Line(2, 20, 30, 20, kRed);
       s.SetPenWidth(1);
       s.Line(2, 30, 30, 30, kRed);
     },
     [](const ImageSurface& s) {
       EXPECT_EQ(CountColour(s, kRed, QRect(0, 4, 40, 3)), CountColour(s, kRed, QRect(0, 5, 40, 1)));
       EXPECT_GT(CountColour(s, kRed, QRect(0, 19, 40, 1)), 20);  // a 2-pixel line covers y - 1 and y
       EXPECT_GT(CountColour(s, kRed, QRect(0, 20, 40, 1)), 20);
       EXPECT_EQ(CountColour(s, kRed, QRect(0, 29, 40, 1)) + CountColour(s, kRed, QRect(0, 31, 40, 1)), 0);
     }},
    {"PointIsOnePixelWhateverThePen",
     [](ImageSurface& s) {
       s.SetPenWidth(2);
       s.Line(2, 5, 30, 5, kRed);
       s.Point(20, 20, kBlue);
       s.SetPenWidth(1);
     },
     [](const ImageSurface& s) {
       EXPECT_EQ(CountColour(s, kBlue, QRect(0, 0, 40, 40)), 1);
       EXPECT_EQ(PixelAt(s, 20, 20), kBlue);
     }},
    {"TextInTheTextColourAfterLines",
     [](ImageSurface& s) {
       s.Line(2, 2, 30, 2, kRed);
       s.SetTextColour(kBlue);
       s.Text(5, 10, "8.0");
       s.SetTextColour(kWhite);
       s.Text(5, 25, "8.0");
     },
     [](const ImageSurface& s) {
       const int blue = CountColour(s, kBlue, QRect(0, 10, 40, 14));
       EXPECT_GT(blue, 5);
       EXPECT_EQ(CountColour(s, kWhite, QRect(0, 25, 40, 14)), blue);
       EXPECT_EQ(CountColour(s, kRed, QRect(0, 3, 40, 37)), 0);
     }},
    {"NewSizeInsideABatch",
     [](ImageSurface& s) {
       s.Line(2, 5, 30, 5, kRed);
       s.SetBackground(0, QSize(60, 50));
       s.Line(2, 45, 55, 45, kRed);
     },
     [](const ImageSurface& s) {
       ASSERT_EQ(s.Image().size(), QSize(60, 50));
       EXPECT_EQ(CountColour(s, kRed, QRect(0, 5, 60, 1)), 0);
       EXPECT_GT(CountColour(s, kRed, QRect(0, 45, 60, 1)), 50);
     }},
};

class ImageSurfaceState : public testing::TestWithParam<StateCase> {};

TEST_P(ImageSurfaceState, OutsideAndInsideABatch) {
  ImageSurface alone(QSize(40, 40), 0);
  alone.SetFont(ProgramFont());
  GetParam().draw(alone);
  GetParam().check(alone);

  ImageSurface batched(QSize(40, 40), 0);
  batched.SetFont(ProgramFont());
  {
    const DrawBatch outer(batched);
    const DrawBatch inner(batched);  // nested batches end with the outer one
  }
  {
    const DrawBatch batch(batched);
    GetParam().draw(batched);
  }
  GetParam().check(batched);
  EXPECT_EQ(batched.Image(), alone.Image());
}

INSTANTIATE_TEST_SUITE_P(Cases, ImageSurfaceState, testing::ValuesIn(kStateCases),
                         [](const auto& info) { return std::string(info.param.name); });

// One-pixel lines cover both of their end points, in either direction.
struct ThinLineCase {
  const char* name;
  QPoint from, to;
  int pixels;
};

void PrintTo(const ThinLineCase& c, std::ostream* os) { *os << c.name; }

const ThinLineCase kThinLines[] = {
    {"TickDownward", {10, 7}, {10, 13}, 7},
    {"TickUpward", {10, 13}, {10, 7}, 7},
    {"AxisRightward", {3, 20}, {30, 20}, 28},
    {"AxisLeftward", {30, 20}, {3, 20}, 28},
    {"ArrowStrokeFromItsTip", {35, 10}, {30, 5}, 6},
    {"ArrowStrokeUpFromItsTip", {35, 10}, {30, 15}, 6},
};

class ImageSurfaceThinLine : public testing::TestWithParam<ThinLineCase> {};

TEST_P(ImageSurfaceThinLine, CoversBothEnds) {
  const ThinLineCase& c = GetParam();
  for (bool batched : {false, true}) {
    // Well inside (stamped) and cut by the edge (painted).
    for (QPoint shift : {QPoint(0, 0), QPoint(-c.from.x(), 0)}) {
      ImageSurface s(QSize(40, 40), 0);
      std::optional<DrawBatch> batch;
      if (batched) batch.emplace(s);
      const QPoint a = c.from + shift, b = c.to + shift;
      s.Line(a.x(), a.y(), b.x(), b.y(), kRed);
      for (QPoint end : {a, b})
        if (s.Image().rect().contains(end)) {
          EXPECT_EQ(PixelAt(s, end.x(), end.y()), kRed) << end.x() << "," << end.y();
        }
      if (shift.isNull()) {
        EXPECT_EQ(CountColour(s, kRed, s.Image().rect()), c.pixels);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ImageSurfaceThinLine, testing::ValuesIn(kThinLines),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ImageSurface, TextFollowsTheFont) {
  ImageSurface surface(QSize(120, 60), 0);
  surface.SetTextColour(kWhite);
  QFont small = ProgramFont();
  surface.SetFont(small);
  const DrawBatch batch(surface);
  surface.Text(4, 4, "-10.0");
  const int smallInk = CountColour(surface, kWhite, surface.Image().rect());

  QFont large = small;
  large.setPointSizeF(20);
  surface.SetFont(large);
  EXPECT_TRUE(surface.Font().styleStrategy() & QFont::NoAntialias);
  surface.SetBackground(0);
  surface.Text(4, 4, "-10.0");  // the same text, laid out anew
  EXPECT_GT(CountColour(surface, kWhite, surface.Image().rect()), 2 * smallInk);
  EXPECT_EQ(CountColour(surface, kWhite, QRect(0, 0, 120, 4)), 0);  // still hangs below its position
}

// Shapes at whole pixels well inside are stamped from a copy painted once;
// shapes cut by the edge or at fractions go to the painter. Both must give
// the same pixels where they overlap.
struct EdgeCase {
  const char* name;
  std::function<void(ImageSurface&, int x)> draw;  // x: the left end of the shape
};

void PrintTo(const EdgeCase& c, std::ostream* os) { *os << c.name; }

const EdgeCase kEdgeCases[] = {
    {"CurveSegment", [](ImageSurface& s, int x) {
       s.SetPenWidth(2);
       s.Line(x, 10, x + 3, 3, kRed);
       s.Line(x + 3, 3, x, 10, kRed);
       s.SetPenWidth(1);
     }},
    {"ArrowHead", [](ImageSurface& s, int x) { s.Line(x + 5, 8, x, 3, kRed); }},
    {"TickValue", [](ImageSurface& s, int x) { s.Text(x, 2, "-10.0"); }},
};

class ImageSurfaceEdge : public testing::TestWithParam<EdgeCase> {};

TEST_P(ImageSurfaceEdge, CutShapesMatchWholeOnes) {
  ImageSurface whole(QSize(60, 30), 0), cut(QSize(60, 30), 0);
  for (ImageSurface* s : {&whole, &cut}) {
    s->SetFont(ProgramFont());
    s->SetTextColour(kRed);
  }
  const DrawBatch a(whole), b(cut);
  GetParam().draw(whole, 20);
  GetParam().draw(cut, -2);
  EXPECT_GT(CountColour(cut, kRed, cut.Image().rect()), 0);
  EXPECT_LT(CountColour(cut, kRed, cut.Image().rect()), CountColour(whole, kRed, whole.Image().rect()));
  EXPECT_EQ(cut.Image().copy(0, 0, 38, 30), whole.Image().copy(22, 0, 38, 30));
}

INSTANTIATE_TEST_SUITE_P(Cases, ImageSurfaceEdge, testing::ValuesIn(kEdgeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ImageSurface, ResizeKeepsTheDrawing) {
  ImageSurface surface(QSize(20, 20), kBlue);
  surface.Point(19, 19, kRed);
  surface.Resize(QSize(30, 25));
  ASSERT_EQ(surface.Image().size(), QSize(30, 25));
  EXPECT_EQ(PixelAt(surface, 19, 19), kRed);
  EXPECT_EQ(PixelAt(surface, 29, 24), kBlue);
  surface.Resize(QSize(0, -3));  // never smaller than one pixel
  EXPECT_EQ(surface.Image().size(), QSize(1, 1));
}

}  // namespace

}  // namespace kvt
