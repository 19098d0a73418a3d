// kvt board: a board test without a window: its points and their curves
// (board_points.cpp), the verdicts, the report, the board as UFIV.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/parameter_report.h"
#include "cli/board_points.h"
#include "cli/cli_files.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/gui_application.h"
#include "cli/instrument_sweep.h"
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

const char* VerdictWord(const TestPoint& point) {
  if (!point.knownGood) return "no known-good curve";
  return VerdictName(point.latest ? point.latest->verdict : PointVerdict::Untested);
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
    const PointVerdict verdict = point.knownGood && tested ? point.latest->verdict : PointVerdict::Untested;
    json += std::string(i ? ", " : "") + "{\"name\": " + JsonString(point.name) +
            ", \"verdict\": " + JsonString(VerdictName(verdict)) +
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
  const std::string output = RequiredOutput(line, UfivExtensions);
  const std::string input = line.Positional()[1];
  const UfivOut out = UfivFileText(LoadBoard(input));
  if (!out.error.empty()) throw UsageError(input + ": " + out.error);
  WriteOutput(output, out.text);
  return 0;
}

int Import(const CommandLine& line) {
  const std::string output = RequiredOutput(line, BoardExtensions);
  BoardRead read = ReadUfivFile(line.Positional()[1]);
  if (!read.ok()) throw UsageError(read.error);
  read.board.writtenBy = std::string("kvt ") + KVT_VERSION;
  if (const std::string error = WriteBoardFile(output, read.board); !error.empty()) throw UsageError(error);
  return 0;
}

int Show(const CommandLine& line) {
  const Board board = LoadBoard(line.Positional()[1]);
  const std::string text = line.Has("--json") ? ShowJson(board) : ShowText(board);
  std::fputs(text.c_str(), stdout);
  return 0;
}

struct Action {
  const char* name;
  std::vector<std::string> files;  // the positional arguments after the action
  bool fileOrMeasure;              // golden, test: a curve FILE may follow
  std::vector<std::string> options;
  int (*run)(const CommandLine&);
};

const std::vector<std::string> MeasureOptions = {"--measure", "--simulate", "-n", "--range"};

const Action Actions[] = {
    {"new", {"BOARD"}, false, {"--name", "--image", "--points"}, NewBoard},
    {"golden", {"BOARD", "POINT"}, true, MeasureOptions, StoreKnownGood},
    {"test", {"BOARD", "POINT"}, true, MeasureOptions, TestBoardPoint},
    {"report", {"BOARD"}, false, {"-o"}, Report},
    {"export", {"BOARD"}, false, {"-o"}, Export},
    {"import", {"FILE.json"}, false, {"-o"}, Import},
    {"show", {"BOARD"}, false, {"--json"}, Show},
};

constexpr char ActionNames[] = "new, golden, test, report, export, import or show";

int RunBoard(const Words& words) {
  const CommandLine line(words, BoardCommand().options);
  const std::vector<std::string>& positional = line.Positional();
  if (positional.empty()) throw UsageError(std::string("missing ACTION: ") + ActionNames);
  const std::string& name = positional[0];
  const auto action = std::find_if(std::begin(Actions), std::end(Actions), [&](const Action& a) { return a.name == name; });
  if (action == std::end(Actions)) throw UsageError("unknown action \"" + name + "\": " + ActionNames);
  const std::size_t given = positional.size() - 1, wanted = action->files.size();
  if (given < wanted) throw UsageError("board " + name + ": missing " + action->files[given]);
  if (given > wanted + (action->fileOrMeasure ? 1 : 0))
    throw UsageError("board " + name + ": unexpected \"" + positional[wanted + 1 + (action->fileOrMeasure ? 1 : 0)] + "\"");
  for (const OptionRule& rule : BoardCommand().options)
    if (line.Has(rule.name) &&
        std::find(action->options.begin(), action->options.end(), rule.name) == action->options.end())
      throw UsageError("board " + name + " takes no " + rule.name);
  return action->run(line);
}

}  // namespace

const Subcommand& BoardCommand() {
  static const Subcommand command{
      "board",
      "board ACTION ...\n"
      "  kvt board new BOARD.kvtboard --name NAME [--image PHOTO] --points U3.1,U3.2,R7.1\n"
      "  kvt board golden BOARD.kvtboard POINT (FILE | --measure [--simulate[=COMPONENT]])\n"
      "  kvt board test BOARD.kvtboard POINT (FILE | --measure [--simulate[=COMPONENT]])\n"
      "  kvt board report BOARD.kvtboard -o REPORT.html|REPORT.pdf\n"
      "  kvt board export BOARD.kvtboard -o FILE.json\n"
      "  kvt board import FILE.json -o BOARD.kvtboard\n"
      "  kvt board show BOARD.kvtboard [--json]",
      "A board file (.kvtboard) holds a board's test points, each with its\n"
      "known-good curve and latest test.\n"
      "  new     a new board file with its points; with --image they are\n"
      "          placed in rows along the photo's lower margin, to be dragged\n"
      "          where they belong in the window. An existing file is never\n"
      "          replaced.\n"
      "  golden  the point's known-good curve, from a curve FILE (.kvt or\n"
      "          .csv) or measured now.\n"
      "  test    the point's curve, from FILE or measured now, judged against\n"
      "          its known-good curve with the point's tolerance (else the\n"
      "          board's) and stored as its latest test; one line with the\n"
      "          verdict and score. Exit status 0 pass, 1 fail.\n"
      "  report  the board's report: summary, the photo with failing points\n"
      "          marked, and each point's verdict, score, where it differs, a\n"
      "          plot of known-good against test and its comment; one\n"
      "          self-contained HTML file or a PDF.\n"
      "  export  the board as UFIV 1.1.2 (JSON), for tools of that format.\n"
      "  import  a UFIV file as a new board file.\n"
      "  show    each point with its verdict, score and where it differs.\n"
      "Bad input (an unknown point, a point without a known-good curve, a bad\n"
      "board or curve file, a measurement that fails) leaves every file as it\n"
      "was (exit status 2); so does a signal during --measure, which leaves\n"
      "0 V on the part (exit status 128 + the signal's number).\n",
      {{"-o", true, false, false, "OUT", "the file to write: .html or .pdf (report), .json (export),\n"
        ".kvtboard (import)\n"},
       {"--json", false, false, false, "", "show: one JSON object, numbers in plain SI units\n"},
       {"--name", true, false, false, "NAME", "new: the board's name\n"},
       {"--image", true, false, false, "PHOTO", "new: the board's photo (PNG, JPEG, ...), kept as its path from\n"
        "the board file's folder\n"},
       {"--points", true, false, false, "LIST", "new: the test points' names, separated by commas (U3.1,U3.2,R7.1);\n"
        "each once\n"},
       {"--measure", false, false, false, "", "golden, test: sweep the instrument for the point's curve,\n"
        "as kvt measure does\n"},
       PointsOption(),
       SimulateOption(),
       RangeOption()},
      RunBoard};
  return command;
}

}  // namespace kvt
