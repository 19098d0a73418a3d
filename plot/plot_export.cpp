#include "plot/plot_export.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QSvgGenerator>
#include <algorithm>
#include <unordered_map>

#include "plot/image_surface.h"
#include "plot/painter_surface.h"

namespace kvt {

QImage PlotImage(const PlotPicture& picture) {
  ImageSurface surface(picture.size);
  surface.SetFont(picture.font);
  DrawPlot(surface, picture.settings, picture.points, picture.controls, picture.decimalSeparator,
           picture.references);
  return surface.Image();
}

std::optional<QByteArray> IndexedPng(const QImage& image) {
  // An exact palette: every colour of the image gets its own entry.
  QList<QRgb> palette;
  std::unordered_map<QRgb, uchar> index;
  QImage indexed(image.size(), QImage::Format_Indexed8);
  // Most pixels repeat their left neighbour's colour: look up only changes.
  QRgb last = 0;
  uchar lastIndex = 0;
  bool haveLast = false;
  const int width = image.width(), height = image.height();
  for (int y = 0; y < height; ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uchar* out = indexed.scanLine(y);
    for (int x = 0; x < width; ++x) {
      const QRgb colour = in[x] | 0xFF000000u;
      if (!haveLast || colour != last) {
        auto [it, added] = index.try_emplace(colour, static_cast<uchar>(palette.size()));
        if (added) {
          if (palette.size() == 256) return std::nullopt;
          palette.push_back(colour);
        }
        last = colour;
        lastIndex = it->second;
        haveLast = true;
      }
      out[x] = lastIndex;
    }
  }
  indexed.setColorTable(palette);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  writer.setQuality(80);  // zlib level 1: quick, and the palette keeps the file small
  if (!writer.write(indexed)) return std::nullopt;
  return bytes;
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
  DrawPlot(surface, picture.settings, picture.points, picture.controls, picture.decimalSeparator,
           picture.references);
  painter.end();
  return bytes;
}

}  // namespace kvt
