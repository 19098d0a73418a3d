#include "report/board_report.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>
#include <algorithm>
#include <functional>
#include <vector>

#include "plot/plot_renderer.h"
#include "report/html_pieces.h"

namespace kvt {

namespace {

QString Hex(unsigned rgb) { return QColor::fromRgb(rgb).name(); }

QString Volts(double volts) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f V", volts);
  return QString::fromLatin1(text).replace('-', QChar(0x2212));
}

QString DiffersText(const PointTest& test) {
  if (!test.differsFromVolts) return test.verdict == PointVerdict::Untested ? "" : QStringLiteral("nowhere");
  if (!test.differsToVolts || *test.differsToVolts == *test.differsFromVolts) return Volts(*test.differsFromVolts);
  return Volts(*test.differsFromVolts) + " to " + Volts(*test.differsToVolts);
}

QString VerdictCell(const TestPoint& point) {
  if (!point.knownGood) return QStringLiteral("<font color=\"%1\">no known-good curve</font>").arg(Hex(MarkUntestedColour));
  if (!point.latest || point.latest->verdict == PointVerdict::Untested)
    return QStringLiteral("<font color=\"%1\">untested</font>").arg(Hex(MarkUntestedColour));
  const bool fail = point.latest->verdict == PointVerdict::Fail;
  return QStringLiteral("<font color=\"%1\"><b>%2</b></font>")
      .arg(Hex(fail ? MarkFailColour : MarkPassColour), fail ? "FAIL" : "pass");
}

// How the page is cut up: one table for a browser; for paper, tables of a
// page each, so that no row's plot is split from its name, and a photo no
// wider than the page.
struct Layout {
  int rowsPerTable = 0;  // 0: all in one
  QSize photo;           // shown size of the photo
  QSize plot;            // shown size of each plot
};

// A4 less 15 mm margins.
constexpr double PdfTextWidthMm = 180;
constexpr double PdfTextHeightMm = 267;

// The page as HTML; `picture` gives each picture's src ("photo", "plot3").
QString ReportBody(const Board& board, const ReportSettings& settings, const Layout& layout,
                   const std::function<QString(const QString&)>& picture) {
  const bool hasPhoto = !layout.photo.isEmpty();
  const BoardCounts counts = CountPoints(board);
  QString html;
  html += "<h1>Board test: " + HtmlEscaped(board.name.empty() ? "(unnamed board)" : board.name) + "</h1>\n";
  html += "<table cellpadding=\"2\">\n";
  const auto row = [&](const QString& key, const QString& value) {
    html += "<tr><td><b>" + key + "</b></td><td>" + value + "</td></tr>\n";
  };
  row("Date", HtmlEscaped(settings.date));
  row("Program", HtmlEscaped(settings.program));
  row("Tolerance", HtmlEscaped(board.tolerance) + (board.tolerance == "auto" ? " (three steps of the instrument)" : ""));
  row("Points", QString::number(counts.points) + ", " + QString::number(counts.captured) + " with a known-good curve, " +
                    QString::number(counts.tested) + " tested");
  row("Failing", QStringLiteral("<font color=\"%1\"><b>%2</b></font> (%3 of the tested points)")
                     .arg(Hex(counts.failed ? MarkFailColour : MarkPassColour))
                     .arg(counts.failed)
                     .arg(HtmlEscaped(FailingShare(counts))));
  row("Written by", HtmlEscaped(board.writtenBy));
  html += "</table>\n";

  html += "<h2>Board</h2>\n";
  if (hasPhoto) {
    html += QStringLiteral("<p><img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"the board with its points\"></p>\n")
                .arg(picture("photo"))
                .arg(layout.photo.width())
                .arg(layout.photo.height());
    html += QStringLiteral("<p>Failing points are circled in <font color=\"%1\"><b>red</b></font>, passing ones in "
                           "<font color=\"%2\"><b>green</b></font>, untested ones in grey.</p>\n")
                .arg(Hex(MarkFailColour), Hex(MarkPassColour));
  } else {
    html += "<p>" + HtmlEscaped(settings.photoNote.empty() ? "The board has no photo." : settings.photoNote) + "</p>\n";
  }

  const auto qColour = [](Colour c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); };
  const QColor reference = qColour(ReferenceColour(0));
  const QColor curve = qColour(settings.plots.plot.colours.line);
  html += "<h2>Points</h2>\n";
  html += QStringLiteral("<p>Each plot shows the known-good curve in <font color=\"%1\"><b>this colour</b></font> "
                         "and the test in <font color=\"%2\"><b>this one</b></font>.</p>\n")
              .arg(reference.name(), curve.name());
  const QString head =
      "<tr><th>Point</th><th>Verdict</th><th>Score</th><th>Differs at</th><th>Known-good and test</th>"
      "<th>Comment</th></tr>\n";
  for (std::size_t i = 0; i < board.points.size(); ++i) {
    const TestPoint& point = board.points[i];
    if (i == 0 || (layout.rowsPerTable && i % layout.rowsPerTable == 0)) {
      if (i != 0) html += "</table>\n";
      html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\"%1>\n")
                  .arg(layout.rowsPerTable ? " style=\"page-break-before: always\"" : "") +
              head;
    }
    const bool tested = point.latest && point.latest->verdict != PointVerdict::Untested;
    html += "<tr><td style=\"white-space: nowrap\"><b>" + HtmlEscaped(point.name) + "</b></td><td style=\"white-space: nowrap\">" + VerdictCell(point) +
            (point.tolerance.empty() ? QString() : "<br>tolerance " + HtmlEscaped(point.tolerance)) + "</td><td>" +
            (tested ? QString::number(point.latest->score, 'f', 1) : QString()) + "</td><td style=\"white-space: nowrap\">" +
            (point.latest ? DiffersText(*point.latest) : QString()) + "</td><td>";
    if (point.knownGood || point.latest)
      html += QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"plot of %4\">")
                  .arg(picture("plot" + QString::number(i)))
                  .arg(layout.plot.width())
                  .arg(layout.plot.height())
                  .arg(HtmlEscaped(point.name));
    html += "</td><td>" + HtmlEscaped(point.comment) + "</td></tr>\n";
  }
  if (!board.points.empty()) html += "</table>\n";
  return html;
}

}  // namespace

std::string FailingShare(const BoardCounts& counts) {
  if (counts.tested == 0) return "none tested";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %%", 100.0 * counts.failed / counts.tested);
  return text;
}

std::string BoardReportHtml(const Board& board, const ReportSettings& settings) {
  const QImage photo = MarkedPhoto(settings.photo, board, settings.photoWidth, settings.plots.font);
  const auto picture = [&](const QString& name) {
    const QImage image =
        name == "photo" ? photo : PointPlot(board.points[name.mid(4).toULongLong()], settings.plots);
    return PngDataUri(image);
  };
  QString html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Board test: " +
                 HtmlEscaped(board.name) +
                 "</title>\n<style>\n"
                 "body { font-family: sans-serif; margin: 2em; color: #222; }\n"
                 "table { border-collapse: collapse; }\n"
                 "th { background: #eee; text-align: left; }\n"
                 "td { vertical-align: middle; }\n"
                 "img { max-width: 100%; height: auto; }\n"
                 "</style>\n</head>\n<body>\n";
  html += ReportBody(board, settings, {0, photo.size(), settings.plots.size}, picture);
  html += "</body>\n</html>\n";
  return html.toStdString();
}

QByteArray BoardReportPdf(const Board& board, const ReportSettings& settings) {
  QTextDocument document;
  document.setDefaultFont(settings.plots.font);
  const QImage photo = MarkedPhoto(settings.photo, board, settings.photoWidth, settings.plots.font);
  const auto picture = [&](const QString& name) {
    const QImage image =
        name == "photo" ? photo : PointPlot(board.points[name.mid(4).toULongLong()], settings.plots);
    const QString url = "kvt:" + name;
    document.addResource(QTextDocument::ImageResource, QUrl(url), image);
    return url;
  };
  // Laid out on a page of known size in its own pixels; print() scales that
  // page to the paper's text area (A4 less the margins: 180 x 267 mm).
  const double width = 680, height = width * 267 / 180;
  document.setPageSize(QSizeF(width, height));
  const double inner = width - 2 * document.documentMargin();
  Layout layout;
  layout.photo = photo.isNull() ? QSize() : photo.size().scaled(qRound(inner), qRound(height * 0.7), Qt::KeepAspectRatio);
  layout.plot = settings.plots.size.scaled(qRound(inner * 0.36), qRound(height), Qt::KeepAspectRatio);
  const double line = QFontMetricsF(settings.plots.font).height();
  layout.rowsPerTable = std::max(1, static_cast<int>((height - 4 * line) / (layout.plot.height() + 14)));
  const QString body = ReportBody(board, settings, layout, picture);
  document.setHtml("<html><body>" + body + "</body></html>");

  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                   QPageLayout::Millimeter));
  writer.setResolution(150);
  writer.setTitle(QString::fromStdString("Board test: " + board.name));
  writer.setCreator(QString::fromStdString(settings.program));
  document.print(&writer);
  return bytes;
}

}  // namespace kvt
