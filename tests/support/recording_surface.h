#pragma once
// A drawing surface that only writes down what it is asked to draw.
#include <optional>
#include <string>
#include <vector>

#include "core/draw_surface.h"

namespace kvt {

struct DrawCall {
  enum Kind { Background, TextColour, PenWidth, Line, Point, Text, FilledBox, Circle } kind;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // Point and Text use x1, y1; Circle x1, y1, x2 = radius
  Colour colour = 0;                       // text colour for Text
  int penWidth = 1;                        // pen width in force at the call
  std::string text{};
  std::optional<Colour> fill{};
};

class RecordingSurface : public DrawSurface {
 public:
  RecordingSurface(double width, double height) : width_(width), height_(height) {}

  std::vector<DrawCall> calls;

  void SetBackground(Colour colour) override {
    background_ = colour;
    Add({DrawCall::Background, 0, 0, 0, 0, colour});
  }
  Colour Background() const override { return background_; }
  void SetTextColour(Colour colour) override {
    textColour_ = colour;
    Add({DrawCall::TextColour, 0, 0, 0, 0, colour});
  }
  double InnerWidth() const override { return width_; }
  double InnerHeight() const override { return height_; }
  void SetPenWidth(int width) override {
    penWidth_ = width;
    Add({DrawCall::PenWidth});
  }
  void Line(double x1, double y1, double x2, double y2, Colour colour) override {
    Add({DrawCall::Line, x1, y1, x2, y2, colour});
  }
  void Point(double x, double y, Colour colour) override { Add({DrawCall::Point, x, y, 0, 0, colour}); }
  void Text(double x, double y, std::string_view text) override {
    DrawCall call{DrawCall::Text, x, y, 0, 0, textColour_};
    call.text = std::string(text);
    Add(call);
  }
  void FilledBox(double x1, double y1, double x2, double y2, Colour colour) override {
    Add({DrawCall::FilledBox, x1, y1, x2, y2, colour});
  }
  void Circle(double cx, double cy, double radius, Colour outline, std::optional<Colour> fill) override {
    DrawCall call{DrawCall::Circle, cx, cy, radius, 0, outline};
    call.fill = fill;
    Add(call);
  }
  void BeginBatch() override { ++batchDepth_; ++batches; }
  void EndBatch() override { --batchDepth_; }
  int PenWidthNow() const { return penWidth_; }
  int BatchDepthNow() const { return batchDepth_; }
  int batches = 0;           // outermost and nested alike
  int callsOutsideBatch = 0;

  std::vector<DrawCall> Of(DrawCall::Kind kind) const {
    std::vector<DrawCall> out;
    for (const auto& c : calls)
      if (c.kind == kind) out.push_back(c);
    return out;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& c : Of(DrawCall::Text)) out.push_back(c.text);
    return out;
  }

 private:
  void Add(DrawCall call) {
    call.penWidth = penWidth_;
    if (batchDepth_ == 0) ++callsOutsideBatch;
    calls.push_back(std::move(call));
  }

  double width_, height_;
  Colour background_ = 0;
  Colour textColour_ = 0;
  int penWidth_ = 1;
  int batchDepth_ = 0;
};

}  // namespace kvt
