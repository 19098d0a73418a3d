#include "plot/plot_export.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

#include "plot/image_surface.h"
#include "plot/log_current_plot.h"
#include "plot/painter_surface.h"

namespace kvt {

PlotScale PictureScale(const PlotPicture& picture, const PlotGeometry& geometry) {
  const PlotControls& c = picture.plot.controls;
  if (!picture.logCurrent) return ComputePlotScale(geometry, c.maxVolts, c.maxMilliamps);
  return ComputeLogCurrentPlotScale(geometry, c.maxVolts, LogFloorMilliamps(picture.curve, picture.references),
                                    LogTopMilliamps(picture.curve, picture.references, c.maxMilliamps));
}

void DrawPicture(DrawSurface& surface, const PlotPicture& picture) {
  if (picture.logCurrent)
    DrawLogCurrentPlot(surface, picture.plot, picture.curve, picture.decimalSeparator, picture.references);
  else
    DrawPlot(surface, picture.plot, picture.curve, picture.decimalSeparator, picture.references);
}

QImage PlotImage(const PlotPicture& picture) {
  ImageSurface surface(picture.size);
  surface.SetFont(picture.font);
  DrawPicture(surface, picture);
  return surface.Image();
}

QByteArray PlotSvg(const PlotPicture& picture) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(picture.size);
  generator.setViewBox(QRect(QPoint(0, 0), picture.size));
  generator.setTitle(QStringLiteral("I-V curve"));
  QPainter painter(&generator);
  PainterSurface surface(painter, picture.size, picture.font);
  DrawPicture(surface, picture);
  painter.end();
  return bytes;
}

}  // namespace kvt
