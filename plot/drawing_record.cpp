#include "plot/drawing_record.h"

#include <algorithm>

namespace kvt {

DrawingRecord::DrawingRecord(std::size_t limit) : limit_(std::max<std::size_t>(limit, 2)) {}

void DrawingRecord::Add(const Op& op) {
  if (!complete_) return;
  if (ops_.size() >= limit_) {
    complete_ = false;
    ops_.clear();
    ops_.shrink_to_fit();
    texts_.clear();
    texts_.shrink_to_fit();
    return;
  }
  ops_.push_back(op);
}

void DrawingRecord::SetBackground(Colour colour) {
  // The font in force outlives the picture; everything else starts afresh.
  const bool haveFont = !fonts_.empty();
  const QFont font = haveFont ? fonts_.back() : QFont();
  ops_.clear();
  texts_.clear();
  fonts_.clear();
  complete_ = true;
  ++picture_;
  background_ = colour;
  Add({Kind::Background, false, colour});
  if (haveFont) SetFont(font);
}

void DrawingRecord::SetFont(const QFont& font) {
  fonts_.push_back(font);
  Add({Kind::Font, false, 0, 0, static_cast<int>(fonts_.size() - 1)});
}

void DrawingRecord::SetTextColour(Colour colour) { Add({Kind::TextColour, false, colour}); }

void DrawingRecord::SetPenWidth(int width) { Add({Kind::PenWidth, false, 0, 0, width}); }

void DrawingRecord::Line(double x1, double y1, double x2, double y2, Colour colour) {
  Add({Kind::Line, false, colour, 0, 0, x1, y1, x2, y2});
}

void DrawingRecord::Point(double x, double y, Colour colour) { Add({Kind::Point, false, colour, 0, 0, x, y}); }

void DrawingRecord::Text(double x, double y, std::string_view text) {
  if (!complete_) return;
  texts_.emplace_back(text);
  Add({Kind::Text, false, 0, 0, static_cast<int>(texts_.size() - 1), x, y});
}

void DrawingRecord::FilledBox(double x1, double y1, double x2, double y2, Colour colour) {
  Add({Kind::FilledBox, false, colour, 0, 0, x1, y1, x2, y2});
}

void DrawingRecord::Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill) {
  Add({Kind::Circle, fill.has_value(), outline, fill.value_or(0), 0, cx, cy, radius});
}

void DrawingRecord::Cropped(QSize before) {
  Add({Kind::Crop, false, 0, 0, 0, static_cast<double>(before.width()), static_cast<double>(before.height())});
}

void DrawingRecord::Replay(DrawSurface& target, const std::function<void(const QFont&)>& setFont,
                           std::size_t first) const {
  first = std::min(first, ops_.size());
  // The state the calls from `first` on were made in.
  for (std::size_t i = 0; i < first; ++i) {
    const Op& op = ops_[i];
    switch (op.kind) {
      case Kind::Font: if (setFont) setFont(fonts_[op.index]); break;
      case Kind::TextColour: target.SetTextColour(op.colour); break;
      case Kind::PenWidth: target.SetPenWidth(op.index); break;
      default: break;
    }
  }
  DrawBatch batch(target);
  for (std::size_t i = first; i < ops_.size(); ++i) {
    const Op& op = ops_[i];
    switch (op.kind) {
      case Kind::Background: target.SetBackground(op.colour); break;
      case Kind::Font: if (setFont) setFont(fonts_[op.index]); break;
      case Kind::TextColour: target.SetTextColour(op.colour); break;
      case Kind::PenWidth: target.SetPenWidth(op.index); break;
      case Kind::Line: target.Line(op.a, op.b, op.c, op.d, op.colour); break;
      case Kind::Point: target.Point(op.a, op.b, op.colour); break;
      case Kind::Text: target.Text(op.a, op.b, texts_[op.index]); break;
      case Kind::FilledBox: target.FilledBox(op.a, op.b, op.c, op.d, op.colour); break;
      case Kind::Circle:
        target.Circle(op.a, op.b, op.c, op.colour, op.filled ? std::optional<Colour>(op.fill) : std::nullopt);
        break;
      case Kind::Crop: {
        // Whatever was drawn beyond the old size is gone: background again.
        const double w = std::max(target.InnerWidth(), op.a), h = std::max(target.InnerHeight(), op.b);
        if (w > op.a) target.FilledBox(op.a, 0, w, h, background_);
        if (h > op.b) target.FilledBox(0, op.b, op.a, h, background_);
        break;
      }
    }
  }
}

}  // namespace kvt
