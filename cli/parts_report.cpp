// kvt parts report: the library's parts, their statistics and histograms,
// as one HTML page with its pictures inside, or the part table as CSV.
#include "analysis/part_figures.h"
#include "cli/cli_files.h"
#include "cli/gui_application.h"
#include "cli/parts_options.h"
#include "plot/plot_font.h"
#include "report/parts_report.h"

namespace kvt {

int ReportAction(const CommandLine& line) {
  const auto output = line.Value("-o");
  if (!output) throw UsageError("parts report: missing -o REPORT.html or REPORT.csv");
  const bool html = OutputExtension(*output, {".html", ".csv"}) == ".html";
  PartsReport report;
  report.lot = LotOf(line);
  const auto library = OpenExistingLibrary(line);
  report.library = library->Location().text;
  report.program = std::string("kvt ") + KVT_VERSION;
  report.date = LocalDateTimeNow();
  const std::vector<PartRecord> records = Reading([&] { return library->Parts(report.lot); });
  report.figures = TableOf(records);
  for (const PartRecord& r : records) report.parts.push_back({r.number, r.lot, r.tags, r.measuredAt, r.component});
  if (html) {
    report.lots = Reading([&] { return library->LotCounts(); });
    if (report.lot)
      std::erase_if(report.lots, [&](const auto& lot) { return lot.first != report.lot; });
    const auto application = ApplicationWithFonts();
    WriteOutput(*output, PartsReportHtml(report, ProgramFont()));
  } else {
    WriteOutput(*output, PartsReportCsv(report));
  }
  return 0;
}

}  // namespace kvt
