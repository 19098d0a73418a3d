// kvt board: a board test's files without a window: show the verdicts,
// write the report, exchange the board as UFIV.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLocale>
#include <cstdio>
#include <string>

#include "analysis/parameter_report.h"
#include "cli/cli_files.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/gui_application.h"
#include "cli/report.h"
#include "files/board_file.h"
#include "files/ufiv_file.h"
#include "plot/plot_font.h"
#include "report/board_report.h"

namespace kvt {

namespace {

const std::vector<std::string> ReportExtensions = {".html", ".pdf"};
const std::vector<std::string> UfivExtensions = {".json"};
const std::vector<std::string> BoardExtensions = {BoardFileExtension};

Board LoadBoard(const std::string& path) {
  BoardRead read = ReadBoardFile(path);
  if (!read.ok()) throw UsageError(read.error);
  return std::move(read.board);
}

std::string RequiredOutput(const CommandLine& line, const std::vector<std::string>& allowed) {
  const auto output = line.Value("-o");
  if (!output || output->empty()) throw UsageError("missing -o OUT" + OneOf(allowed));
  OutputExtension(*output, allowed);
  return *output;
}

void NoOption(const CommandLine& line, const std::string& action, const std::string& option) {
  if (line.Has(option)) throw UsageError("board " + action + " takes no " + option);
}

const char* VerdictWord(const TestPoint& point) {
  if (!point.knownGood) return "no known-good curve";
  if (!point.latest || point.latest->verdict == PointVerdict::Untested) return "untested";
  return point.latest->verdict == PointVerdict::Pass ? "pass" : "fail";
}

std::string Differs(const TestPoint& point) {
  if (!point.latest || !point.latest->differsFromVolts) return "";
  const double from = *point.latest->differsFromVolts;
  const double to = point.latest->differsToVolts.value_or(from);
  return to == from ? WithUnit(from, "V") : WithUnit(from, "V") + " to " + WithUnit(to, "V");
}

std::string ShowText(const Board& board) {
  const BoardCounts counts = CountPoints(board);
  std::string text = "board: " + board.name + "\n";
  text += "points: " + std::to_string(counts.points) + ", known-good " + std::to_string(counts.captured) +
          ", tested " + std::to_string(counts.tested) + ", failing " + std::to_string(counts.failed) + " (" +
          FailingShare(counts) + ")\n";
  for (const TestPoint& point : board.points) {
    char score[32] = "";
    if (point.latest && point.latest->verdict != PointVerdict::Untested)
      std::snprintf(score, sizeof score, "  score %.1f", point.latest->score);
    const std::string differs = Differs(point);
    text += point.name + ": " + VerdictWord(point) + score + (differs.empty() ? "" : "  differs at " + differs) +
            (point.comment.empty() ? "" : "  # " + point.comment) + "\n";
  }
  return text;
}

std::string ShowJson(const Board& board) {
  const BoardCounts counts = CountPoints(board);
  std::string json = "{\"board\": " + JsonString(board.name) + ", \"points\": " + std::to_string(counts.points) +
                     ", \"known_good\": " + std::to_string(counts.captured) + ", \"tested\": " +
                     std::to_string(counts.tested) + ", \"failing\": " + std::to_string(counts.failed) +
                     ", \"list\": [";
  for (std::size_t i = 0; i < board.points.size(); ++i) {
    const TestPoint& point = board.points[i];
    const bool tested = point.latest && point.latest->verdict != PointVerdict::Untested;
    const std::string verdict = !point.knownGood && !tested ? "untested" : VerdictWord(point);
    json += std::string(i ? ", " : "") + "{\"name\": " + JsonString(point.name) +
            ", \"verdict\": " + JsonString(verdict == "no known-good curve" ? "untested" : verdict) +
            ", \"known_good\": " + (point.knownGood ? "true" : "false") +
            ", \"score\": " + JsonNumber(tested ? std::optional<double>(point.latest->score) : std::nullopt) +
            ", \"differs\": " +
            (point.latest && point.latest->differsFromVolts
                 ? "[" + JsonNumber(point.latest->differsFromVolts) + ", " +
                       JsonNumber(point.latest->differsToVolts.value_or(*point.latest->differsFromVolts)) + "]"
                 : std::string("null")) +
            ", \"x\": " + JsonNumber(point.x) + ", \"y\": " + JsonNumber(point.y) +
            ", \"comment\": " + JsonString(point.comment) + "}";
  }
  return json + "]}\n";
}

// The photo beside the board file; a report without it says why.
void LoadPhoto(const std::string& boardPath, const Board& board, ReportSettings& settings) {
  if (board.photoPath.empty()) return;
  const QString path = QFileInfo(QString::fromStdString(boardPath)).dir().filePath(QString::fromStdString(board.photoPath));
  QImageReader reader(path);
  reader.setAutoTransform(true);
  settings.photo = reader.read();
  if (settings.photo.isNull())
    settings.photoNote = "The photo " + board.photoPath + " could not be read (" + reader.errorString().toStdString() + ").";
}

int Report(const CommandLine& line) {
  NoOption(line, "report", "--json");
  const std::string output = RequiredOutput(line, ReportExtensions);
  const std::string input = line.Positional()[1];
  const Board board = LoadBoard(input);
  const auto application = ApplicationWithFonts();
  ReportSettings settings;
  settings.program = std::string("kvt ") + KVT_VERSION;
  settings.date = LocalDateTimeNow();
  settings.plots.plot = OptionsOfThisFolder().Plot();
  settings.plots.font = ProgramFont();
  settings.plots.decimalSeparator = QLocale().decimalPoint().toStdString();
  LoadPhoto(input, board, settings);
  if (OutputExtension(output, ReportExtensions) == ".pdf")
    WriteOutput(output, BoardReportPdf(board, settings).toStdString());
  else
    WriteOutput(output, BoardReportHtml(board, settings));
  return 0;
}

int Export(const CommandLine& line) {
  NoOption(line, "export", "--json");
  const std::string output = RequiredOutput(line, UfivExtensions);
  const std::string input = line.Positional()[1];
  const UfivOut out = UfivFileText(LoadBoard(input));
  if (!out.error.empty()) throw UsageError(input + ": " + out.error);
  WriteOutput(output, out.text);
  return 0;
}

int Import(const CommandLine& line) {
  NoOption(line, "import", "--json");
  const std::string output = RequiredOutput(line, BoardExtensions);
  BoardRead read = ReadUfivFile(line.Positional()[1]);
  if (!read.ok()) throw UsageError(read.error);
  read.board.writtenBy = std::string("kvt ") + KVT_VERSION;
  if (const std::string error = WriteBoardFile(output, read.board); !error.empty()) throw UsageError(error);
  return 0;
}

int Show(const CommandLine& line) {
  NoOption(line, "show", "-o");
  const Board board = LoadBoard(line.Positional()[1]);
  const std::string text = line.Has("--json") ? ShowJson(board) : ShowText(board);
  std::fputs(text.c_str(), stdout);
  return 0;
}

int RunBoard(const Words& words) {
  const CommandLine line(words, BoardCommand().options);
  const std::vector<std::string>& positional = line.Positional();
  if (positional.empty()) throw UsageError("missing ACTION: report, export, import or show");
  const std::string& action = positional[0];
  const auto expect = [&](const char* file) {
    if (positional.size() < 2) throw UsageError("board " + action + ": missing " + file);
    if (positional.size() > 2) throw UsageError("board " + action + ": unexpected \"" + positional[2] + "\"");
  };
  if (action == "report") return expect("BOARD"), Report(line);
  if (action == "export") return expect("BOARD"), Export(line);
  if (action == "import") return expect("FILE.json"), Import(line);
  if (action == "show") return expect("BOARD"), Show(line);
  throw UsageError("unknown action \"" + action + "\": report, export, import or show");
}

}  // namespace

const Subcommand& BoardCommand() {
  static const Subcommand command{
      "board",
      "board ACTION ...\n"
      "  kvt board report BOARD.kvtboard -o REPORT.html|REPORT.pdf\n"
      "  kvt board export BOARD.kvtboard -o FILE.json\n"
      "  kvt board import FILE.json -o BOARD.kvtboard\n"
      "  kvt board show BOARD.kvtboard [--json]",
      "A board file (.kvtboard) holds a board's test points, each with its\n"
      "known-good curve and latest test.\n"
      "  report  the board's report: summary, the photo with failing points\n"
      "          marked, and each point's verdict, score, where it differs, a\n"
      "          plot of known-good against test and its comment; one\n"
      "          self-contained HTML file or a PDF.\n"
      "  export  the board as UFIV 1.1.2 (JSON), for tools of that format.\n"
      "  import  a UFIV file as a new board file.\n"
      "  show    each point with its verdict, score and where it differs.\n"
      "Bad input leaves every file as it was (exit status 2).\n",
      {{"-o", true, false, false, "OUT", "the file to write: .html or .pdf (report), .json (export),\n"
        ".kvtboard (import)\n"},
       {"--json", false, false, false, "", "show: one JSON object, numbers in plain SI units\n"}},
      RunBoard};
  return command;
}

}  // namespace kvt
