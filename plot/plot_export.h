#pragma once
// The plot as a file: the same DrawPlot as on screen, at a chosen size, to
// PNG or SVG bytes. Shared by the window's Export and the kvt command.
#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QSize>
#include <string>
#include <vector>

#include "core/curve.h"
#include "plot/indexed_png.h"
#include "plot/plot_renderer.h"

namespace kvt {

// Everything that decides the plot's pixels.
struct PlotPicture {
  PlotOptions plot;
  Curve curve;
  std::vector<ReferenceCurve> references;
  std::string decimalSeparator = ".";
  QSize size{373, 341};  // the plot box's drawing area at the window's design size
  QFont font;            // the program's font (ProgramFont())
  bool logCurrent = false;  // the log-current view
};

// The picture's axes on a frame of its kind: the one mapping the plot and
// what lies over it share.
PlotScale PictureScale(const PlotPicture& picture, const PlotGeometry& geometry);
// DrawPlot or DrawLogCurrentPlot, as the picture asks.
void DrawPicture(DrawSurface& surface, const PlotPicture& picture);

QImage PlotImage(const PlotPicture& picture);

// The plot as an SVG document of the same size, lines and texts as vectors.
QByteArray PlotSvg(const PlotPicture& picture);

}  // namespace kvt
