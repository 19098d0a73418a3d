#include "files/ufiv_file.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <functional>
#include <set>

#include "board_samples.h"

namespace kvt {

namespace {

const std::string DataDir = KVT_TEST_DATA "/ufiv/";

std::vector<std::pair<double, double>> Pairs(const std::optional<Curve>& curve) {
  return curve ? PairsOf(*curve) : std::vector<std::pair<double, double>>{};
}

const TestPoint* Find(const Board& board, const std::string& name) {
  for (const TestPoint& p : board.points)
    if (p.name == name) return &p;
  return nullptr;
}

// The exit status of the JSON-schema validator on `text`, with its report.
int Validate(const std::string& text, std::string& report) {
  QTemporaryDir dir;
  const QString path = dir.filePath("export.json");
  std::ofstream(path.toStdString()) << text;
  QProcess process;
  process.start("python3", {QString::fromStdString(DataDir + "validate_json.py"),
                            QString::fromStdString(DataDir + "ufiv_rules.schema.json"), path});
  if (!process.waitForFinished(60000)) return -1;
  report = (process.readAllStandardOutput() + process.readAllStandardError()).toStdString();
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

Board Named(std::vector<std::pair<std::string, std::string>> namesAndComments, bool placed = true) {
  Board board = SampleBoard(static_cast<int>(namesAndComments.size()));
  if (!placed) board.photoPath.clear();
  for (std::size_t i = 0; i < namesAndComments.size(); ++i) {
    board.points[i].name = namesAndComments[i].first;
    board.points[i].comment = namesAndComments[i].second;
    if (!placed) board.points[i].x = board.points[i].y = std::nullopt;
  }
  return board;
}

struct RoundTrip {
  const char* name;
  std::function<Board()> make;
};

const std::vector<RoundTrip>& RoundTrips() {
  static const std::vector<RoundTrip> rows = {
      {"pins in order", [] { return Named({{"U3.1", ""}, {"U3.2", ""}, {"U3.3", ""}}); }},
      {"pins with gaps", [] { return Named({{"U3.2", ""}, {"U3.7", ""}, {"U3.14", ""}}); }},
      {"several elements interleaved", [] { return Named({{"U3.1", ""}, {"R7.1", ""}, {"U3.2", ""}, {"R7.2", ""}}); }},
      {"names without a dot", [] { return Named({{"TP1", ""}, {"GND", ""}, {"3", ""}}); }},
      {"pins named by a word", [] { return Named({{"U1.VCC", ""}, {"U1.A.3", ""}, {"J2.pin 4", ""}}); }},
      {"comments of every kind",
       [] {
         return Named({{"U1.1", "reads low"}, {"U1.2", "hot"}, {"U1.9", "check after\nrework"}, {"U1.4", "x y"},
                       {"U1.VCC", "rail"}});
       }},
      {"board without photo", [] { return Named({{"R1.1", ""}, {"R1.2", "loose"}}, false); }},
      {"twenty points, curves known-good and tested", [] { return SampleBoard(20, 6); }},
      {"points without curves", [] {
         Board b = SampleBoard(3);
         b.points[0].knownGood.reset();
         b.points[1].latest.reset();
         b.points[2].knownGood.reset();
         b.points[2].latest.reset();
         return b;
       }},
      {"curve of another range", [] {
         Board b = SampleBoard(2);
         b.points[1].knownGood = SampleDiode(256, 100);
         return b;
       }},
  };
  return rows;
}

}  // namespace

TEST(Ufiv, ExportedBoardsComeBackWithTheirNamesPositionsAndCurves) {
  for (const RoundTrip& row : RoundTrips()) {
    const Board board = row.make();
    const UfivOut out = UfivFileText(board);
    ASSERT_EQ(out.error, "") << row.name;
    const BoardRead read = BoardFromUfiv(out.text, "x.json");
    ASSERT_TRUE(read.ok()) << row.name << ": " << read.error;
    EXPECT_EQ(read.board.name, board.name) << row.name;
    EXPECT_EQ(read.board.photoPath, board.photoPath) << row.name;
    ASSERT_EQ(read.board.points.size(), board.points.size()) << row.name;
    for (const TestPoint& point : board.points) {
      const TestPoint* back = Find(read.board, point.name);
      ASSERT_TRUE(back) << row.name << ": " << point.name << " lost";
      EXPECT_EQ(back->comment, point.comment) << row.name << ": " << point.name;
      EXPECT_EQ(back->x, point.x) << row.name << ": " << point.name;
      EXPECT_EQ(back->y, point.y) << row.name << ": " << point.name;
      EXPECT_EQ(Pairs(back->knownGood), Pairs(point.knownGood)) << row.name << ": " << point.name;
      EXPECT_EQ(Pairs(back->latest ? std::optional(back->latest->curve) : std::nullopt),
                Pairs(point.latest ? std::optional(point.latest->curve) : std::nullopt))
          << row.name << ": " << point.name;
      if (point.knownGood) {
        EXPECT_EQ(back->knownGood->RangeOhms(), point.knownGood->RangeOhms()) << row.name << ": " << point.name;
        EXPECT_EQ(back->knownGood->points, point.knownGood->points) << row.name << ": " << point.name;
      }
    }
    EXPECT_EQ(UfivFileText(read.board).text, out.text) << row.name << ": export, import, export differs";
  }
}

TEST(Ufiv, ExportsValidateAgainstTheSchema) {
  for (const RoundTrip& row : RoundTrips()) {
    std::string report;
    EXPECT_EQ(Validate(UfivFileText(row.make()).text, report), 0) << row.name << ": " << report;
  }
}

// The validator must see a fault in an export, or its passing means nothing.
TEST(Ufiv, BrokenExportsFailTheSchema) {
  const std::string good = UfivFileText(SampleBoard(2)).text;
  struct Row {
    const char* name;
    std::string from, to;
  };
  const Row rows[] = {
      {"version as a number", "\"version\": \"1.1.2\"", "\"version\": 1.12"},
      {"pin without x", "\"x\": 40,", ""},
      {"field UFIV does not have", "\"is_reference\": true", "\"is_reference\": true, \"score\": 99"},
      {"settings without the range", "\"internal_resistance\": 1000,", ""},
      {"curve of three points", "\"voltages\": [-5.12, ", "\"voltages\": [-5.12], \"unused\": ["},
  };
  for (const Row& row : rows) {
    std::string broken = good;
    const auto at = broken.find(row.from);
    ASSERT_NE(at, std::string::npos) << row.name;
    broken.replace(at, row.from.size(), row.to);
    std::string report;
    EXPECT_EQ(Validate(broken, report), 1) << row.name << ": " << report;
  }
  Board tiny = SampleBoard(1);
  tiny.points[0].knownGood->points.resize(3);
  EXPECT_NE(UfivFileText(tiny).error.find("has 3 points, and UFIV needs at least 4"), std::string::npos);
}

TEST(Ufiv, AFileOfAnotherToolImports) {
  std::ifstream in(DataDir + "foreign_board.json");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const BoardRead read = BoardFromUfiv(text, "foreign_board.json");
  ASSERT_TRUE(read.ok()) << read.error;
  const Board& board = read.board;
  EXPECT_EQ(board.name, "Demo board");
  EXPECT_EQ(board.photoPath, "demo_board.png");
  std::vector<std::string> names;
  for (const TestPoint& p : board.points) names.push_back(p.name);
  EXPECT_EQ(names, (std::vector<std::string>{"U1.1", "U1.VCC", "U1.3", "R5.1", "R5.2"}));
  const TestPoint& third = board.points[2];
  EXPECT_EQ(third.comment, "reads low after rework");
  ASSERT_TRUE(third.knownGood && third.latest);
  EXPECT_EQ(third.knownGood->points.size(), 32u);
  EXPECT_EQ(third.knownGood->RangeOhms(), 1000.0);
  EXPECT_EQ(third.latest->verdict, PointVerdict::Untested);
  EXPECT_NE(Pairs(third.knownGood), Pairs(third.latest->curve));  // the first reference, not the last curve
  EXPECT_EQ(board.points[3].x, 300.5);
  EXPECT_EQ(board.points[3].y, 210.25);
  EXPECT_FALSE(board.points[4].knownGood || board.points[4].latest);
  std::string report;
  EXPECT_EQ(Validate(UfivFileText(board).text, report), 0) << report;
}

TEST(Ufiv, FilesThatAreNoUfivAreRefused) {
  struct Row {
    const char* name;
    std::string text;
    const char* says;
  };
  const Row rows[] = {
      {"not JSON", "elements", "bad JSON at byte"},
      {"plain JSON", "{\"a\": 1}", "not a UFIV file"},
      {"a board file", "{\"format\": \"kvt board\", \"version\": 1}", "a board file, not a UFIV file"},
      {"newer major version", "{\"version\": \"2.0.0\", \"elements\": []}", "UFIV version \"2.0.0\""},
      {"pin without position", "{\"version\": \"1.1.2\", \"elements\": [{\"name\": \"U1\", \"pins\": [{\"iv_curves\": []}]}]}",
       "elements[0] (\"U1\").pins[0].x: is missing"},
      {"curve lengths differ",
       "{\"version\": \"1.1.2\", \"elements\": [{\"pins\": [{\"x\": 1, \"y\": 2, \"iv_curves\": [{\"voltages\": [1, 2], "
       "\"currents\": [1]}]}]}]}",
       "iv_curves[0].currents: holds 1 numbers for 2 voltages"},
      {"no list of elements", "{\"version\": \"1.1.2\", \"elements\": {}}", "elements: is no list"},
  };
  for (const Row& row : rows) {
    const BoardRead read = BoardFromUfiv(row.text, "f.json");
    EXPECT_FALSE(read.ok()) << row.name;
    EXPECT_NE(read.error.find(row.says), std::string::npos) << row.name << ": " << read.error;
  }
}

TEST(Ufiv, PointNamesSplitIntoElementAndPin) {
  struct Row {
    const char* point;
    const char* board;
    const char* element;
    const char* pin;
  };
  const Row rows[] = {{"U3.7", "B", "U3", "7"},    {"J1.A.3", "B", "J1", "A.3"}, {"TP1", "Main", "Main", "TP1"},
                      {"TP1", "", "board", "TP1"}, {".5", "B", "", "5"}};
  for (const Row& row : rows) {
    const PinName name = SplitPointName(row.point, row.board);
    EXPECT_EQ(name.element, row.element) << row.point;
    EXPECT_EQ(name.pin, row.pin) << row.point;
  }
}

TEST(Ufiv, SettingsDescribeTheSweep) {
  Board board = SampleBoard(1);
  board.points[0].latest.reset();
  // A 1 kOhm resistor on the 1 kOhm range up to 2 V: the source applied 4 V.
  board.points[0].knownGood = CurveFromPairs({{-2, -0.002}, {-1, -0.001}, {0, 0}, {1, 0.001}, {2, 0.002}}, 1000);
  std::string text = UfivFileText(board).text;
  EXPECT_NE(text.find("\"internal_resistance\": 1000"), std::string::npos) << text;
  EXPECT_NE(text.find("\"sampling_rate\": 5"), std::string::npos) << text;
  EXPECT_NE(text.find("\"probe_signal_frequency\": 1"), std::string::npos) << text;
  EXPECT_NE(text.find("\"max_voltage\": 4,"), std::string::npos) << text;
  board.points[0].knownGood->SetRangeOhms(std::nullopt);
  text = UfivFileText(board).text;
  EXPECT_NE(text.find("\"internal_resistance\": 0"), std::string::npos) << text;
  EXPECT_NE(text.find("\"max_voltage\": 5.12"), std::string::npos) << text;
  const BoardRead read = BoardFromUfiv(text, "x.json");
  ASSERT_TRUE(read.ok()) << read.error;
  EXPECT_FALSE(read.board.points[0].knownGood->RangeOhms());
}

}  // namespace kvt
