#pragma once
// The report of a board test: a summary (board, date, program, tolerance,
// counts and share of failing points), the photo with its points marked and
// one row per point with its verdict, score, where it differs, a plot of
// known-good against test and its comment. One self-contained HTML file
// (pictures as data: URIs) or a PDF of the same content.
#include <QByteArray>
#include <QImage>
#include <string>

#include "core/board.h"
#include "report/report_pictures.h"

namespace kvt {

struct ReportSettings {
  std::string program;  // "kvt 1.2"
  std::string date;     // when the report was made, "YYYY-MM-DD hh:mm:ss"
  QImage photo;         // null: none, or not found (then photoNote says so)
  std::string photoNote;
  PointPlotStyle plots;
  int photoWidth = 900;  // the marked photo's largest width in pixels
};

std::string BoardReportHtml(const Board& board, const ReportSettings& settings);

// A4 pages; the table continues over as many as it needs.
QByteArray BoardReportPdf(const Board& board, const ReportSettings& settings);

// "12.5 %" of failing among tested points; "none tested" without tests.
std::string FailingShare(const BoardCounts& counts);

}  // namespace kvt
