#include "report/parts_histogram.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/parameter_report.h"

namespace kvt {

std::string FigureText(double value, const char* unit) {
  if (std::fabs(value) < 1e-15) value = 0;
  if (*unit) return WithUnit(value, unit);
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", value);
  return text;
}

std::vector<double> AxisMarks(double low, double high, int wanted, double finest) {
  if (!(high > low) || wanted < 1) return {low};
  const double rough = std::max((high - low) / wanted, finest);
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  double step = power;
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= rough * (1 - 1e-9)) {  // 0.60 - 0.58 is a hair above 0.02
      step = m * power;
      break;
    }
  std::vector<double> marks;
  for (double k = std::ceil(low / step - 1e-9); k * step <= high + step * 1e-9; ++k)
    marks.push_back(std::fabs(k) < 1e-12 ? 0.0 : k * step);
  return marks;
}

QImage HistogramPicture(const Histogram& histogram, const std::string& title, const char* unit,
                        const HistogramStyle& style) {
  QImage image(style.size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setFont(style.font);
  const QFontMetrics metrics(style.font);
  const int line = metrics.height();
  painter.setPen(QColor(0x22, 0x22, 0x22));
  painter.drawText(QRect(0, 4, style.size.width(), line), Qt::AlignHCenter, QString::fromStdString(title));
  if (histogram.counts.empty()) {
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("no values"));
    return image;
  }

  const int top = std::max(1, *std::max_element(histogram.counts.begin(), histogram.counts.end()));
  const std::vector<double> countMarks = AxisMarks(0, top, 5, 1);  // whole parts
  const double countTop = std::max<double>(top, countMarks.back());
  int labelWidth = metrics.horizontalAdvance(QStringLiteral("count"));
  for (double m : countMarks) labelWidth = std::max(labelWidth, metrics.horizontalAdvance(QString::number(m, 'g', 6)));
  // Room on the right for half the last mark's label.
  const int labelRoom = metrics.horizontalAdvance(QString::fromStdString(FigureText(-888e-3, unit))) + 12;
  const QRect plot(labelWidth + 14, line * 2 + 8, style.size.width() - labelWidth - 14 - labelRoom / 2,
                   style.size.height() - line * 5 - 12);
  const double low = histogram.edges.front(), high = histogram.edges.back();
  const auto x = [&](double v) { return plot.left() + (v - low) / (high - low) * plot.width(); };
  const auto y = [&](double c) { return plot.bottom() - c / countTop * plot.height(); };

  painter.setPen(QColor(0xdd, 0xdd, 0xdd));
  for (double m : countMarks) painter.drawLine(QPointF(plot.left(), y(m)), QPointF(plot.right(), y(m)));
  painter.setPen(QColor(0x2a, 0x5d, 0x9f));
  painter.setBrush(QColor(0x6f, 0x9f, 0xd8));
  for (std::size_t i = 0; i < histogram.counts.size(); ++i) {
    if (histogram.counts[i] == 0) continue;
    painter.drawRect(QRectF(QPointF(x(histogram.edges[i]), y(histogram.counts[i])),
                            QPointF(x(histogram.edges[i + 1]), y(0))));
  }

  painter.setPen(QColor(0x22, 0x22, 0x22));
  painter.setBrush(Qt::NoBrush);
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter.drawLine(plot.bottomLeft(), plot.topLeft());
  for (double m : countMarks) {
    painter.drawLine(QPointF(plot.left() - 4, y(m)), QPointF(plot.left(), y(m)));
    painter.drawText(QRectF(0, y(m) - line / 2.0, plot.left() - 7, line), Qt::AlignRight | Qt::AlignVCenter,
                     QString::number(m, 'g', 6));
  }
  // Marks on the parameter's axis, as many as their labels leave room for.
  for (const double m : AxisMarks(low, high, std::max(2, plot.width() / labelRoom))) {
    const double at = x(m);
    painter.drawLine(QPointF(at, plot.bottom()), QPointF(at, plot.bottom() + 4));
    painter.drawText(QRectF(at - labelRoom / 2.0, plot.bottom() + 6, labelRoom, line), Qt::AlignHCenter,
                     QString::fromStdString(FigureText(m, unit)));
  }
  painter.drawText(QRect(0, plot.top() - line - 4, plot.left() + 20, line), Qt::AlignLeft,
                   QStringLiteral(" parts"));
  char width[64];
  std::snprintf(width, sizeof width, "bins of %s", FigureText(histogram.edges[1] - histogram.edges[0], unit).c_str());
  painter.drawText(QRect(0, plot.bottom() + line + 10, style.size.width(), line), Qt::AlignHCenter,
                   QString::fromLatin1(width));
  return image;
}

}  // namespace kvt
