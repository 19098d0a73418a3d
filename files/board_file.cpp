#include "files/board_file.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <set>

#include "core/atomic_write.h"
#include "files/board_json.h"

namespace kvt {

namespace {

// 1024 points take about 60 KB a curve; a board of a few hundred points with
// two curves each stays well below this.
constexpr std::size_t MaxBoardFileBytes = std::size_t{256} << 20;

QJsonObject TestJson(const PointTest& test) {
  QJsonObject object;
  object["curve"] = CurveJson(test.curve);
  object["score"] = test.score;
  object["verdict"] = VerdictName(test.verdict);
  if (test.differsFromVolts) object["differs_from_volts"] = *test.differsFromVolts;
  if (test.differsToVolts) object["differs_to_volts"] = *test.differsToVolts;
  object["time"] = QString::fromStdString(test.dateTime);
  return object;
}

QJsonObject PointJson(const TestPoint& point) {
  QJsonObject object;
  object["name"] = QString::fromStdString(point.name);
  if (point.x) object["x"] = *point.x;
  if (point.y) object["y"] = *point.y;
  if (!point.comment.empty()) object["comment"] = QString::fromStdString(point.comment);
  if (!point.tolerance.empty()) object["tolerance"] = QString::fromStdString(point.tolerance);
  if (point.rangeOhms) object["range_ohms"] = *point.rangeOhms;
  if (point.knownGood) object["known_good"] = CurveJson(*point.knownGood);
  if (point.latest) object["latest"] = TestJson(*point.latest);
  return object;
}

bool AllFinite(const Board& board) {
  const auto finite = [](std::optional<double> v) { return !v || std::isfinite(*v); };
  const auto curveFinite = [&](const Curve& c) {
    for (const CurvePoint& p : c.points)
      if (!std::isfinite(p.volts) || !std::isfinite(p.amps) || !finite(p.rangeOhms)) return false;
    return true;
  };
  for (const TestPoint& point : board.points) {
    if (!finite(point.x) || !finite(point.y) || !finite(point.rangeOhms)) return false;
    if (point.knownGood && !curveFinite(*point.knownGood)) return false;
    if (point.latest && (!curveFinite(point.latest->curve) || !std::isfinite(point.latest->score) ||
                         !finite(point.latest->differsFromVolts) || !finite(point.latest->differsToVolts)))
      return false;
  }
  return true;
}

PointTest ReadTest(const JsonReader& in) {
  PointTest test;
  test.curve = ReadCurve(in.Object("curve"));
  test.score = in.Number("score");
  if (test.score < 0 || test.score > 100) in.Fail("score", "must lie from 0 to 100");
  const std::string verdict = in.Text("verdict");
  const auto named = VerdictNamed(verdict);
  if (!named) in.Fail("verdict", "must be pass, fail or untested, not \"" + verdict + "\"");
  test.verdict = named.value_or(PointVerdict::Untested);
  test.differsFromVolts = in.OptionalNumber("differs_from_volts");
  test.differsToVolts = in.OptionalNumber("differs_to_volts");
  test.dateTime = in.OptionalText("time");
  return test;
}

TestPoint ReadPoint(const JsonReader& in) {
  TestPoint point;
  point.name = in.Text("name");
  if (point.name.empty()) in.Fail("name", "is empty");
  point.x = in.OptionalNumber("x");
  point.y = in.OptionalNumber("y");
  if (point.x.has_value() != point.y.has_value()) in.Fail(point.x ? "y" : "x", "is missing (x and y come together)");
  point.comment = in.OptionalText("comment");
  point.tolerance = in.OptionalText("tolerance");
  point.rangeOhms = in.OptionalNumber("range_ohms");
  if (point.rangeOhms && *point.rangeOhms <= 0) in.Fail("range_ohms", "must be above 0");
  if (in.Has("known_good")) point.knownGood = ReadCurve(in.Object("known_good"));
  if (in.Has("latest")) point.latest = ReadTest(in.Object("latest"));
  return point;
}

Board ReadBoard(const JsonReader& root) {
  if (!root.Has("format") || root.OptionalText("format") != BoardFileFormat)
    throw JsonError(std::string("not a board file (no \"format\": \"") + BoardFileFormat + "\")");
  const double version = root.Number("version");
  if (version != std::floor(version) || version < 1) root.Fail("version", "must be a whole number from 1");
  if (version > BoardFileVersion)
    throw JsonError("written in board file version " + std::to_string(static_cast<long long>(version)) +
                    ", newer than the version " + std::to_string(BoardFileVersion) +
                    " this program reads: open it with a newer kvt");
  Board board;
  board.name = root.Text("name");
  board.photoPath = root.OptionalText("photo");
  if (root.Has("tolerance")) board.tolerance = root.Text("tolerance");
  if (root.Has("written_by")) {
    const JsonReader by = root.Object("written_by");
    board.writtenBy = by.OptionalText("program");
    const std::string version = by.OptionalText("version");
    if (!version.empty()) board.writtenBy += (board.writtenBy.empty() ? "" : " ") + version;
  }
  std::set<std::string> names;
  const int count = root.ArraySize("points");
  for (int i = 0; i < count; ++i) {
    TestPoint point = ReadPoint(root.Item("points", i));
    if (!names.insert(point.name).second)
      throw JsonError("points[" + std::to_string(i) + "]: the name \"" + point.name + "\" is used twice");
    board.points.push_back(std::move(point));
  }
  return board;
}

}  // namespace

BoardText BoardFileText(const Board& board) {
  if (!AllFinite(board)) return {"", "a value of the board is not a finite number"};
  QJsonObject root;
  root["format"] = BoardFileFormat;
  root["version"] = BoardFileVersion;
  const auto space = board.writtenBy.rfind(' ');
  QJsonObject by;
  by["program"] = QString::fromStdString(board.writtenBy.substr(0, space));
  by["version"] = QString::fromStdString(space == std::string::npos ? "" : board.writtenBy.substr(space + 1));
  root["written_by"] = by;
  root["name"] = QString::fromStdString(board.name);
  if (!board.photoPath.empty()) root["photo"] = QString::fromStdString(board.photoPath);
  root["tolerance"] = QString::fromStdString(board.tolerance);
  QJsonArray points;
  for (const TestPoint& point : board.points) points.append(PointJson(point));
  root["points"] = points;
  return {IndentedWithFlatArrays(QJsonDocument(root)), ""};
}

BoardRead BoardFromText(const std::string& bytes) {
  BoardRead read;
  try {
    read.board = ReadBoard(JsonReader::Document(bytes));
  } catch (const JsonError& e) {
    read.error = e.what();
  }
  return read;
}

BoardRead ReadBoardFile(const std::string& path) {
  std::string bytes;
  if (IsSpecialFile(path)) return {{}, path + ": not a regular file"};
  if (!ReadFileStart(path, MaxBoardFileBytes, bytes)) {
    const int error = errno;
    return {{}, path + ": cannot be read" + (error ? std::string(" (") + std::strerror(error) + ")" : "")};
  }
  if (bytes.size() > MaxBoardFileBytes) return {{}, path + ": too big for a board file"};
  BoardRead read = BoardFromText(bytes);
  if (!read.ok()) read.error = path + ": " + read.error;
  return read;
}

std::string WriteBoardFile(const std::string& path, const Board& board) {
  const BoardText out = BoardFileText(board);
  if (!out.error.empty()) return path + ": " + out.error;
  if (const auto why = OutputRefusal(path)) return path + ": " + *why;
  if (!WriteFileAtomically(path, out.text))
    return path + ": cannot be written" + (errno ? std::string(" (") + std::strerror(errno) + ")" : "");
  return "";
}

}  // namespace kvt
