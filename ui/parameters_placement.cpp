#include "ui/parameters_placement.h"

#include <array>

#include "ui/window_geometry.h"

namespace kvt {

namespace {

qint64 Area(const QRect& r) { return r.isEmpty() ? 0 : static_cast<qint64>(r.width()) * r.height(); }

}  // namespace

QPoint PlaceBeside(const QRect& mainFrame, const QRect& plot, QSize size, const QRect& available) {
  const int w = size.width(), h = size.height();
  const std::array<QRect, 4> beside{
      QRect(QPoint(mainFrame.right() + 1, mainFrame.top()), size),
      QRect(QPoint(mainFrame.left() - w, mainFrame.top()), size),
      QRect(QPoint(mainFrame.left(), mainFrame.bottom() + 1), size),
      QRect(QPoint(mainFrame.left(), mainFrame.top() - h), size),
  };
  // Moved onto the screen along the main window's edge only, so it still
  // leaves the main window free.
  for (const QRect& wanted : beside) {
    const QRect fitted = FitOnScreen(wanted, available);
    if (fitted.size() == size && !fitted.intersects(mainFrame)) return fitted.topLeft();
  }
  const std::array<QRect, 4> besidePlot{
      QRect(QPoint(plot.right() + 1, mainFrame.top()), size),
      QRect(QPoint(plot.left() - w, mainFrame.top()), size),
      QRect(QPoint(mainFrame.left(), plot.bottom() + 1), size),
      QRect(QPoint(mainFrame.left(), plot.top() - h), size),
  };
  QRect best = FitOnScreen(besidePlot[0], available);
  for (const QRect& wanted : besidePlot) {
    const QRect fitted = FitOnScreen(wanted, available);
    if (Area(fitted & plot) < Area(best & plot)) best = fitted;
  }
  return best.topLeft();
}

}  // namespace kvt
