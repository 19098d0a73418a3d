#pragma once
// The drawing calls of one picture, kept so the picture can be drawn again on
// another surface: at more device pixels per pixel, for a sharp screen, from
// the same calls that made the whole-pixel image.
#include <QFont>
#include <QSize>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/draw_surface.h"

namespace kvt {

class DrawingRecord {
 public:
  // Past this many calls the record gives up (a picture drawn over itself
  // without end) until the next new picture.
  static constexpr std::size_t kDefaultLimit = 200000;

  explicit DrawingRecord(std::size_t limit = kDefaultLimit);

  // A new picture cleared to `background`: all before it is forgotten.
  void SetBackground(Colour colour);
  // Texts from here on are in this font.
  void SetFont(const QFont& font);
  void SetTextColour(Colour colour);
  void SetPenWidth(int width);
  void Line(double x1, double y1, double x2, double y2, Colour colour);
  void Point(double x, double y, Colour colour);
  void Text(double x, double y, std::string_view text);
  void FilledBox(double x1, double y1, double x2, double y2, Colour colour);
  void Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill);
  // The surface changed size while it was `before`: what lay beyond that was
  // cut off, and shows the background if the surface grows again.
  void Cropped(QSize before);

  // False once the limit was passed: the calls since the last new picture
  // are no longer all here.
  bool Complete() const { return complete_; }
  // Calls recorded since the last new picture, the clearing included.
  std::size_t Size() const { return ops_.size(); }
  // Changes with every new picture, so a rendering knows whether the calls
  // it was made from are still the start of the record.
  std::uint64_t Picture() const { return picture_; }

  // Draws the calls from `first` on into `target`, after giving it the text
  // colour, pen width and font in force at `first`; `setFont` receives the
  // fonts (a DrawSurface has none of its own).
  void Replay(DrawSurface& target, const std::function<void(const QFont&)>& setFont, std::size_t first = 0) const;

 private:
  enum class Kind : std::uint8_t { Background, Font, TextColour, PenWidth, Line, Point, Text, FilledBox, Circle, Crop };
  struct Op {
    Kind kind;
    bool filled = false;  // Circle
    Colour colour = 0;
    Colour fill = 0;      // Circle
    int index = 0;        // pen width; text or font number
    double a = 0, b = 0, c = 0, d = 0;
  };
  void Add(const Op& op);

  std::size_t limit_;
  std::vector<Op> ops_;
  std::vector<std::string> texts_;
  std::vector<QFont> fonts_;
  Colour background_ = MakeColour(255, 255, 255);
  bool complete_ = true;
  std::uint64_t picture_ = 0;
};

}  // namespace kvt
