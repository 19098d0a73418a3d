#include "report/parts_report.h"

#include <QImage>
#include <QString>

#include <cstdio>

#include "analysis/parameter_report.h"
#include "analysis/part_statistics.h"
#include "files/csv_file.h"
#include "report/html_pieces.h"
#include "report/parts_histogram.h"

namespace kvt {

namespace {

std::string Joined(const std::vector<std::string>& words, const std::string& between) {
  std::string text;
  for (const std::string& w : words) text += (text.empty() ? "" : between) + w;
  return text;
}

// The parameters at least one part has a value of, in their usual order.
std::vector<const PartParameter*> MeasuredParameters(const PartTable& figures) {
  std::vector<const PartParameter*> measured;
  for (const PartParameter& p : AllPartParameters()) {
    const auto column = figures.find(p.name);
    if (column == figures.end()) continue;
    for (const auto& figure : column->second)
      if (figure) {
        measured.push_back(&p);
        break;
      }
  }
  return measured;
}

QString StatisticsRow(const PartParameter& parameter, const ParameterSummary& s, const QFont& font) {
  const auto cell = [&](double v) { return "<td>" + HtmlEscaped(FigureText(v, parameter.unit)) + "</td>"; };
  const std::string title = std::string(parameter.name) + ", " + std::to_string(s.count) + " parts";
  QString row = "<tr><td><b>" + HtmlEscaped(parameter.name) + "</b></td><td>" + QString::number(s.count) + "</td><td>" +
                QString::number(s.missing) + "</td>" + cell(s.mean) + cell(s.std) + cell(s.min) + cell(s.p5) +
                cell(s.p25) + cell(s.p50) + cell(s.p75) + cell(s.p95) + cell(s.max) + "<td>&plusmn;" +
                HtmlEscaped(FigureText(s.typicalUncertainty, parameter.unit)) + "</td></tr>\n";
  row += QStringLiteral("<tr><td colspan=\"14\"><img src=\"%1\" width=\"560\" height=\"320\" alt=\"histogram of %2\">"
                        "</td></tr>\n")
             .arg(PngDataUri(HistogramPicture(s.histogram, title, parameter.unit, {font, {560, 320}})),
                  HtmlEscaped(parameter.name));
  return row;
}

std::string CsvNumber(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

}  // namespace

std::string PartsReportHtml(const PartsReport& report, const QFont& font) {
  const QString title = "Parts library: " + HtmlEscaped(report.library);
  QString html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
                 "</title>\n<style>\n"
                 "body { font-family: sans-serif; margin: 2em; color: #222; }\n"
                 "table { border-collapse: collapse; }\n"
                 "th { background: #eee; text-align: left; }\n"
                 "td, th { padding: 3px 6px; }\n"
                 "td { vertical-align: middle; }\n"
                 ".parts td, .stats td { white-space: nowrap; }\n"
                 "img { max-width: 100%; height: auto; }\n"
                 "</style>\n</head>\n<body>\n<h1>" +
                 title + "</h1>\n<table>\n";
  const auto row = [&](const QString& key, const QString& value) {
    html += "<tr><td><b>" + key + "</b></td><td>" + value + "</td></tr>\n";
  };
  row("Library", HtmlEscaped(report.library));
  row("Date", HtmlEscaped(report.date));
  row("Program", HtmlEscaped(report.program));
  row("Parts", QString::number(report.parts.size()) + (report.lot ? " of lot " + HtmlEscaped(*report.lot) : QString()));
  html += "</table>\n<h2>Lots</h2>\n";
  if (report.lots.empty()) {
    html += "<p>The library holds no parts.</p>\n";
  } else {
    html += "<table border=\"1\">\n<tr><th>Lot</th><th>Parts</th></tr>\n";
    for (const auto& [lot, count] : report.lots)
      html += "<tr><td>" + (lot ? HtmlEscaped(*lot) : QStringLiteral("<i>no lot</i>")) + "</td><td>" +
              QString::number(count) + "</td></tr>\n";
    html += "</table>\n";
  }

  const std::vector<const PartParameter*> parameters = MeasuredParameters(report.figures);
  html += "<h2>Statistics</h2>\n";
  if (parameters.empty()) {
    html += "<p>No part has a figure.</p>\n";
  } else {
    html += "<p>Percentiles interpolated between the sorted values; the standard deviation is the sample's. "
            "Uncertainty: the median of the parts' own.</p>\n<table border=\"1\" class=\"stats\">\n<tr><th>Parameter</th>"
            "<th>Count</th><th>Without</th><th>Mean</th><th>Std</th><th>Min</th><th>5 %</th><th>25 %</th>"
            "<th>50 %</th><th>75 %</th><th>95 %</th><th>Max</th><th>Uncertainty</th></tr>\n";
    for (const PartParameter* p : parameters)
      if (const auto summary = Summarise(report.figures.at(p->name))) html += StatisticsRow(*p, *summary, font);
    html += "</table>\n";
  }

  html += "<h2>Parts</h2>\n<table border=\"1\" class=\"parts\">\n<tr><th>Part</th><th>Lot</th><th>Tags</th>"
          "<th>Time</th><th>Kind</th>";
  for (const PartParameter* p : parameters) html += "<th>" + HtmlEscaped(p->name) + "</th>";
  html += "</tr>\n";
  for (std::size_t i = 0; i < report.parts.size(); ++i) {
    const ReportedPart& part = report.parts[i];
    html += "<tr><td>" + QString::number(part.number) + "</td><td>" + HtmlEscaped(part.lot.value_or("")) + "</td><td>" +
            HtmlEscaped(Joined(part.tags, ", ")) + "</td><td>" + HtmlEscaped(part.measuredAt) + "</td><td>" +
            HtmlEscaped(part.component) + "</td>";
    for (const PartParameter* p : parameters) {
      const auto& figure = report.figures.at(p->name)[i];
      html += "<td>" + (figure ? HtmlEscaped(WithUncertainty(figure->value, figure->uncertainty, p->unit)) : QString()) +
              "</td>";
    }
    html += "</tr>\n";
  }
  html += "</table>\n</body>\n</html>\n";
  return html.toStdString();
}

std::string PartsReportCsv(const PartsReport& report) {
  std::string text = "number,lot,tags,time,kind";
  for (const PartParameter& p : AllPartParameters()) {
    const std::string unit = *p.unit ? std::string("_") + p.unit : "";
    text += "," + std::string(p.name) + unit + "," + p.name + "_uncertainty" + unit;
  }
  text += "\n";
  for (std::size_t i = 0; i < report.parts.size(); ++i) {
    const ReportedPart& part = report.parts[i];
    text += std::to_string(part.number) + "," + CsvField(part.lot.value_or("")) + "," +
            CsvField(Joined(part.tags, ";")) + "," + CsvField(part.measuredAt) + "," + CsvField(part.component);
    for (const PartParameter& p : AllPartParameters()) {
      const auto column = report.figures.find(p.name);
      const auto& figure = column == report.figures.end() ? std::nullopt : column->second[i];
      text += figure ? "," + CsvNumber(figure->value) + "," + CsvNumber(figure->uncertainty) : ",,";
    }
    text += "\n";
  }
  return text;
}

}  // namespace kvt
