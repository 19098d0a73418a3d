// A fresh DrawPlot of a measured diode curve on an image surface, against a
// plain fill of the same image in the same run: the fill is the floor any
// repaint of the whole plot pays. And the full-HD plot as an indexed PNG file,
// against Qt's conversion to an exact palette and its PNG writer at zlib
// level 1.
#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>
#include <benchmark/benchmark.h>

#include "core/typed_options.h"
#include "plot/image_surface.h"
#include "plot/indexed_png.h"
#include "plot/plot_export.h"
#include "plot/plot_font.h"
#include "plot/plot_renderer.h"
#include "tests/support/diode_curve.h"

namespace {

void BM_DrawPlot(benchmark::State& state) {
  kvt::ImageSurface surface(QSize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
  surface.SetFont(kvt::ProgramFont());
  const kvt::PlotOptions plot{kvt::TypedOptions().Plot().colours, {true, 3, 5, 10}};
  const kvt::Curve points = kvt::DiodeCurve(1024);
  for (auto _ : state) {
    kvt::DrawPlot(surface, plot, points, ".");
    benchmark::DoNotOptimize(surface.Image().constBits());
  }
}
BENCHMARK(BM_DrawPlot)->Args({1920, 1080})->Args({373, 341})->Unit(benchmark::kMicrosecond);

void BM_Fill(benchmark::State& state) {
  QImage image(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), QImage::Format_RGB32);
  for (auto _ : state) {
    image.fill(QColor(0, 96, 0));
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_Fill)->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

QImage FullHdPlot() {
  kvt::PlotPicture picture;
  picture.plot.colours = kvt::TypedOptions().Plot().colours;
  picture.curve = kvt::DiodeCurve(1024);
  picture.size = QSize(1920, 1080);
  picture.font = kvt::ProgramFont();
  return kvt::PlotImage(picture);
}

void BM_IndexedPng(benchmark::State& state) {
  const QImage plot = FullHdPlot();
  for (auto _ : state) benchmark::DoNotOptimize(kvt::IndexedPng(plot));
}
BENCHMARK(BM_IndexedPng)->Unit(benchmark::kMicrosecond);

void BM_QtIndexedPng(benchmark::State& state) {
  const QImage plot = FullHdPlot();
  for (auto _ : state) {
    const QImage indexed = plot.convertToFormat(QImage::Format_Indexed8);  // an exact palette up to 256
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(80);  // zlib level 1
    writer.write(indexed);
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_QtIndexedPng)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
