#include "plot/painter_surface.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <functional>

#include "plot/image_surface.h"
#include "plot/plot_font.h"

namespace kvt {

namespace {

constexpr Colour kBack = MakeColour(0, 96, 0);
constexpr Colour kRed = MakeColour(255, 0, 0);
constexpr QSize kSize(40, 30);

// Shapes made of whole pixels: drawn at two device pixels per pixel on the
// pixel grid, each must cover exactly the image surface's pixels, doubled.
struct GridCase {
  const char* name;
  std::function<void(DrawSurface&)> draw;
};
void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

const GridCase kGridCases[] = {
    {"ThinLineAcross", [](DrawSurface& s) { s.Line(3, 10, 30, 10, kRed); }},
    {"ThinLineDown", [](DrawSurface& s) { s.Line(7, 2, 7, 25, kRed); }},
    {"ThinLineBackwards", [](DrawSurface& s) { s.Line(30, 4, 5, 4, kRed); }},
    {"TwoPixelLine",
     [](DrawSurface& s) {
       s.SetPenWidth(2);
       s.Line(3, 10, 30, 10, kRed);
     }},
    {"ThreePixelLine",
     [](DrawSurface& s) {
       s.SetPenWidth(3);
       s.Line(10, 3, 10, 20, kRed);
     }},
    {"DotOfOne", [](DrawSurface& s) { s.Line(5, 5, 5, 5, kRed); }},
    {"DotOfTwo",
     [](DrawSurface& s) {
       s.SetPenWidth(2);
       s.Line(5, 5, 5, 5, kRed);
     }},
    {"DotOfThree",
     [](DrawSurface& s) {
       s.SetPenWidth(3);
       s.Line(20, 12, 20, 12, kRed);
     }},
    {"Point", [](DrawSurface& s) { s.Point(12, 13, kRed); }},
    {"FilledBoxCornersEitherWay", [](DrawSurface& s) { s.FilledBox(30, 20, 10, 5, kRed); }},
};

class PainterSurfaceOnPixels : public testing::TestWithParam<GridCase> {};

TEST_P(PainterSurfaceOnPixels, CoversTheImagePixelsDoubled) {
  ImageSurface image(kSize);
  image.SetBackground(kBack);
  GetParam().draw(image);

  QImage sharp(kSize * 2, QImage::Format_RGB32);
  sharp.setDevicePixelRatio(2);
  {
    QPainter painter(&sharp);
    PainterSurface surface(painter, kSize, ProgramFont(), PainterSurface::Strokes::OnPixels);
    surface.SetBackground(kBack);
    GetParam().draw(surface);
  }
  QImage doubled = image.Image().scaled(kSize * 2);  // nearest pixel
  doubled.setDevicePixelRatio(2);
  EXPECT_EQ(sharp, doubled);
}

INSTANTIATE_TEST_SUITE_P(Shapes, PainterSurfaceOnPixels, testing::ValuesIn(kGridCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

}  // namespace kvt
