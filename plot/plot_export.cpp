#include "plot/plot_export.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

#include "plot/image_surface.h"
#include "plot/painter_surface.h"

namespace kvt {

QImage PlotImage(const PlotPicture& picture) {
  ImageSurface surface(picture.size);
  surface.SetFont(picture.font);
  DrawPlot(surface, picture.plot, picture.curve, picture.decimalSeparator, picture.references);
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
  DrawPlot(surface, picture.plot, picture.curve, picture.decimalSeparator, picture.references);
  painter.end();
  return bytes;
}

}  // namespace kvt
