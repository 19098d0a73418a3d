#pragma once
// A picture box as the drawing routines see it: pixels, origin at the top-left
// inner corner, y growing downward. Colours are R + 256*G + 65536*B.
#include <cstdint>
#include <optional>
#include <string_view>

namespace kvt {

using Colour = std::uint32_t;

constexpr Colour MakeColour(int red, int green, int blue) {
  return static_cast<Colour>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

class DrawSurface {
 public:
  virtual ~DrawSurface() = default;
  // Sets the background colour, which clears the whole surface to it.
  virtual void SetBackground(Colour colour) = 0;
  virtual Colour Background() const = 0;
  virtual void SetTextColour(Colour colour) = 0;
  virtual double InnerWidth() const = 0;
  virtual double InnerHeight() const = 0;
  virtual void SetPenWidth(int width) = 0;
  // A line whose ends coincide paints one dot of the pen width.
  virtual void Line(double x1, double y1, double x2, double y2, Colour colour) = 0;
  virtual void Point(double x, double y, Colour colour) = 0;
  // Text with its top-left corner at (x, y), in the text colour, no background box.
  virtual void Text(double x, double y, std::string_view text) = 0;
  virtual void FilledBox(double x1, double y1, double x2, double y2, Colour colour) = 0;
  // Circle outline in `outline`, filled with `fill` when given.
  virtual void Circle(double cx, double cy, double radius, Colour outline,
                      std::optional<Colour> fill) = 0;

  // Brackets a run of drawing calls that belong to one picture, so a surface
  // can keep its painter open and show the result once at the end. Batches
  // may nest; only the outermost one counts.
  virtual void BeginBatch() {}
  virtual void EndBatch() {}
};

// Holds a batch open for as long as it lives.
class DrawBatch {
 public:
  explicit DrawBatch(DrawSurface& surface) : surface_(surface) { surface_.BeginBatch(); }
  ~DrawBatch() { surface_.EndBatch(); }
  DrawBatch(const DrawBatch&) = delete;
  DrawBatch& operator=(const DrawBatch&) = delete;

 private:
  DrawSurface& surface_;
};

}  // namespace kvt
