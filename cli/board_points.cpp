#include "cli/board_points.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QSize>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "analysis/point_verdict.h"
#include "cli/cli_files.h"
#include "cli/instrument_sweep.h"
#include "files/board_file.h"

namespace kvt {

namespace {

std::string WrittenBy() { return std::string("kvt ") + KVT_VERSION; }

Board LoadBoard(const std::string& path) {
  BoardRead read = ReadBoardFile(path);
  if (!read.ok()) throw UsageError(read.error);
  return std::move(read.board);
}

void Store(const std::string& path, Board& board) {
  board.writtenBy = WrittenBy();
  if (const std::string error = WriteBoardFile(path, board); !error.empty()) throw UsageError(error);
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The names of --points, each once and none empty.
std::vector<std::string> PointNames(const std::string& list) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  std::size_t start = 0;
  for (std::size_t end; start <= list.size(); start = end + 1) {
    end = std::min(list.find(',', start), list.size());
    const std::string name = Trimmed(list.substr(start, end - start));
    if (name.empty())
      throw UsageError("option --points: name " + std::to_string(names.size() + 1) +
                       " is empty; it takes names separated by commas (U3.1,U3.2,R7.1)");
    if (!seen.insert(name).second) throw UsageError("option --points: the name \"" + name + "\" is given twice");
    names.push_back(name);
  }
  return names;
}

// The photo's path from the board file's folder and its size, once Qt has
// read it as an image: a board whose photo cannot be shown is no use in the
// window.
std::string PhotoPathFor(const std::string& boardPath, const std::string& photo, QSize& size) {
  const QString file = QString::fromStdString(photo);
  if (!QFileInfo(file).isFile()) throw UsageError(photo + ": no such file");
  QImageReader reader(file);
  reader.setAutoTransform(true);  // as the window and the report show it
  const QImage image = reader.read();
  if (image.isNull())
    throw UsageError(photo + ": not an image kvt can read (" + reader.errorString().toStdString() + ")");
  size = image.size();
  const QDir folder = QFileInfo(QString::fromStdString(boardPath)).absoluteDir();
  return folder.relativeFilePath(QFileInfo(file).absoluteFilePath()).toStdString();
}

TestPoint& PointOf(Board& board, const std::string& boardPath, const std::string& name) {
  const auto found =
      std::find_if(board.points.begin(), board.points.end(), [&](const TestPoint& p) { return p.name == name; });
  if (found != board.points.end()) return *found;
  std::string names;
  constexpr std::size_t shown = 8;
  for (std::size_t i = 0; i < board.points.size() && i < shown; ++i) names += (i ? ", " : "") + board.points[i].name;
  if (board.points.size() > shown) names += " and " + std::to_string(board.points.size() - shown) + " more";
  throw UsageError(boardPath + ": no point \"" + name + "\"" +
                   (names.empty() ? " (the board has none)" : " (its points: " + names + ")"));
}

// The curve of FILE, or measured now with --measure; nothing when a stop
// signal ended the sweep (the part is then at 0 V, `status` set).
std::optional<Curve> CurveToStore(const CommandLine& line, const std::string& boardPath, const std::string& point,
                                  int& status) {
  const auto& positional = line.Positional();
  if (!line.Has("--measure")) return LoadCurve(positional[3]);
  // Status 1 is a failing point; an instrument that cannot measure is bad
  // input to a script.
  return MeasureOnePart(line, "board", "the board unchanged", boardPath + ": " + point + " was not measured: ",
                        status);
}

// FILE or --measure, and the measuring options only with --measure.
void CheckCurveSource(const CommandLine& line, const std::string& action) {
  const bool file = line.Positional().size() > 3;
  if (line.Has("--measure") && file)
    throw UsageError("board " + action + ": a curve FILE or --measure, not both");
  if (!line.Has("--measure") && !file) throw UsageError("board " + action + ": missing FILE or --measure");
  if (line.Has("--measure")) return;
  for (const char* option : {"--simulate", "-n", "--range"})
    if (line.Has(option)) throw UsageError("board " + action + ": option " + option + " needs --measure");
}

}  // namespace

int NewBoard(const CommandLine& line) {
  const std::string path = line.Positional()[1];
  OutputExtension(path, {BoardFileExtension});
  if (QFileInfo::exists(QString::fromStdString(path)))
    throw UsageError(path + ": already exists; kvt board new writes only a new board");
  Board board;
  board.name = Trimmed(line.Value("--name").value_or(""));
  if (board.name.empty()) throw UsageError("board new: missing --name NAME");
  if (!line.Has("--points")) throw UsageError("board new: missing --points NAME,NAME,...");
  for (const std::string& name : PointNames(*line.Value("--points"))) {
    TestPoint point;
    point.name = name;
    board.points.push_back(point);
  }
  if (const auto photo = line.Value("--image")) {
    QSize size;
    board.photoPath = PhotoPathFor(path, *photo, size);
    PlaceUnplacedPoints(board, size.width(), size.height());
  }
  Store(path, board);
  return 0;
}

int StoreKnownGood(const CommandLine& line) {
  CheckCurveSource(line, "golden");
  const std::string path = line.Positional()[1];
  Board board = LoadBoard(path);
  TestPoint& point = PointOf(board, path, line.Positional()[2]);
  int status = 0;
  std::optional<Curve> curve = CurveToStore(line, path, point.name, status);
  if (!curve) return status;
  point.knownGood = std::move(*curve);
  Store(path, board);
  std::printf("%s: known-good curve stored, %zu points\n", point.name.c_str(), point.knownGood->points.size());
  return 0;
}

int TestBoardPoint(const CommandLine& line) {
  CheckCurveSource(line, "test");
  const std::string path = line.Positional()[1];
  Board board = LoadBoard(path);
  TestPoint& point = PointOf(board, path, line.Positional()[2]);
  if (!point.knownGood)
    throw UsageError(path + ": point \"" + point.name + "\" has no known-good curve (kvt board golden stores one)");
  const auto options = ToleranceOptions(ToleranceOf(board, point));
  if (!options)
    throw UsageError(path + ": point \"" + point.name + "\": the tolerance \"" + ToleranceOf(board, point) +
                     "\" is not auto, a percentage or VOLTS,AMPS");
  int status = 0;
  const std::optional<Curve> curve = CurveToStore(line, path, point.name, status);
  if (!curve) return status;
  PointTest result = JudgePoint(*curve, *point.knownGood, *options);
  result.dateTime = LocalDateTimeNow();
  point.latest = result;
  Store(path, board);

  const bool pass = result.verdict == PointVerdict::Pass;
  std::printf("%s: %s, score %.1f", point.name.c_str(), VerdictName(result.verdict), result.score);
  if (!pass && result.differsFromVolts) {
    const double from = *result.differsFromVolts, to = result.differsToVolts.value_or(from);
    if (to == from) {
      std::printf(", differs at %.2f V", from);
    } else {
      std::printf(", differs from %.2f V to %.2f V", from, to);
    }
  }
  std::printf("\n");
  return pass ? 0 : 1;
}

}  // namespace kvt
