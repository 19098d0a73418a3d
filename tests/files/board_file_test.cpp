#include "files/board_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>

#include "board_samples.h"

namespace kvt {

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The text of a small valid board with `edit` applied to the lines.
std::string Edited(const std::string& from, const std::string& to) {
  Board board;
  board.name = "B";
  board.writtenBy = "kvt 1.2";
  board.points.push_back(SamplePoint("U1.1", 10, 20, false));
  std::string text = BoardFileText(board).text;
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

}  // namespace

TEST(BoardFile, EveryKindOfBoardComesBackExactly) {
  struct Row {
    const char* name;
    std::function<Board()> make;
  };
  const Row rows[] = {
      {"empty board", [] { return Board{}; }},
      {"points without photo or curves",
       [] {
         Board b;
         b.name = "bare";
         for (const char* n : {"TP1", "TP2", "R7.1"}) {
           b.points.emplace_back();
           b.points.back().name = n;
         }
         return b;
       }},
      {"twenty points, some failing", [] { return SampleBoard(20, 7); }},
      {"texts with quotes, line breaks and non-ASCII",
       [] {
         Board b = SampleBoard(2);
         b.name = "Pl\xc3\xa4tine \"A\"\n2";
         b.points[0].comment = "hot \\ spot\tnear C3\n\xce\xa9";
         b.points[1].name = "U1.\xc2\xb5";
         return b;
       }},
      {"own tolerance and range", [] {
         Board b = SampleBoard(3);
         b.tolerance = "20mV,50uA";
         b.points[1].tolerance = "5%";
         b.points[2].rangeOhms = 100;
         return b;
       }},
      {"curve over several ranges and none known", [] {
         Board b = SampleBoard(2);
         b.points[0].knownGood->points[3].rangeOhms = 100;
         b.points[1].knownGood->SetRangeOhms(std::nullopt);
         return b;
       }},
      {"numbers that need every digit", [] {
         Board b = SampleBoard(1);
         b.points[0].x = 0.1 + 0.2;
         b.points[0].latest->curve.points[5].amps = 1.0 / 3.0 * 1e-7;
         b.points[0].latest->score = 95.00000000000001;
         return b;
       }},
      {"clipping set apart from the voltage", [] {
         Board b = SampleBoard(1);
         b.points[0].knownGood->points[10].clipped = true;
         return b;
       }},
      {"untested and only a test", [] {
         Board b = SampleBoard(2);
         b.points[0].latest.reset();
         b.points[1].knownGood.reset();
         b.points[1].latest->verdict = PointVerdict::Untested;
         return b;
       }},
  };
  for (const Row& row : rows) {
    Board board = row.make();
    board.writtenBy = "kvt_win 1.3.0";
    const BoardText text = BoardFileText(board);
    ASSERT_TRUE(text.error.empty()) << row.name;
    const BoardRead read = BoardFromText(text.text);
    ASSERT_TRUE(read.ok()) << row.name << ": " << read.error;
    EXPECT_EQ(read.board, board) << row.name;
    EXPECT_EQ(BoardFileText(read.board).text, text.text) << row.name;
  }
}

TEST(BoardFile, CurvesTakeAFewLinesAndSayWhatWroteThem) {
  const std::string text = BoardFileText(SampleBoard(4)).text;
  EXPECT_LT(std::count(text.begin(), text.end(), '\n'), 4 * 40) << text.substr(0, 2000);
  EXPECT_NE(text.find("\"format\": \"kvt board\""), std::string::npos);
  EXPECT_NE(text.find("\"version\": 1"), std::string::npos);
  EXPECT_NE(text.find("\"program\": \"kvt\""), std::string::npos);
  EXPECT_NE(text.find("\"volts\": [-5.12, "), std::string::npos);
}

TEST(BoardFile, BadFilesAreRefusedSayingWhatIsWrong) {
  struct Row {
    const char* name;
    std::string text;
    const char* says;
  };
  const Row rows[] = {
      {"not JSON", "{\"format\": \"kvt board\",", "bad JSON at byte"},
      {"no object", "[1, 2]", "the document is no object"},
      {"another format", "{\"format\": \"other\", \"version\": 1}", "not a board file"},
      {"plain JSON", "{}", "not a board file"},
      {"newer version", Edited("\"version\": 1", "\"version\": 2"),
       "written in board file version 2, newer than the version 1 this program reads"},
      {"version as text", Edited("\"version\": 1", "\"version\": \"1\""), "version: is not a finite number"},
      {"fractional version", Edited("\"version\": 1", "\"version\": 1.5"), "version: must be a whole number"},
      {"no name", Edited("\"name\": \"B\"", "\"nom\": \"B\""), "name: is missing"},
      {"no points", Edited("\"points\": [", "\"pts\": ["), "points: is missing"},
      {"point without name", Edited("\"name\": \"U1.1\"", "\"label\": \"U1.1\""), "points[0].name: is missing"},
      {"null among the volts", Edited("\"volts\": [-5.12", "\"volts\": [null"),
       "points[0] (\"U1.1\").known_good.volts[0]: is not a finite number"},
      {"number too large for a double", Edited("\"volts\": [-5.12", "\"volts\": [-1e999"),
       "bad JSON at byte"},
      {"fewer currents than volts", Edited("\"amps\": [", "\"amps\": [1e-3, "), "known_good.amps: holds 65 numbers for 64"},
      {"clipped point beyond the curve", Edited("\"clipped\": [", "\"clipped\": [64, "), "names a point the curve"},
      {"unknown verdict", Edited("\"verdict\": \"pass\"", "\"verdict\": \"ok\""),
       "latest.verdict: must be pass, fail or untested"},
      {"score above 100", Edited("\"score\": 99.2", "\"score\": 199.2"), "latest.score: must lie from 0 to 100"},
      {"x without y", Edited("\"y\": 20", "\"z\": 20"), "points[0] (\"U1.1\").y: is missing"},
      {"range of 0 ohms", Edited("\"range_ohms\": 1000", "\"range_ohms\": 0"), "range_ohms: must be above 0"},
      {"a name used twice",
       Edited("\"points\": [", "\"points\": [{\"name\": \"U1.1\"}, "), "the name \"U1.1\" is used twice"},
  };
  for (const Row& row : rows) {
    const BoardRead read = BoardFromText(row.text);
    EXPECT_FALSE(read.ok()) << row.name;
    EXPECT_NE(read.error.find(row.says), std::string::npos) << row.name << ": " << read.error;
    EXPECT_EQ(read.error.find('\n'), std::string::npos) << row.name;
  }
}

TEST(BoardFile, UnknownFieldsAreIgnored) {
  std::string text = Edited("\"name\": \"U1.1\"", "\"name\": \"U1.1\", \"colour\": \"red\", \"probe\": {\"tip\": 2}");
  text.replace(text.find("\"points\": ["), 11, "\"made_on\": {\"bench\": [1, 2]}, \"points\": [");
  const BoardRead read = BoardFromText(text);
  ASSERT_TRUE(read.ok()) << read.error;
  EXPECT_EQ(read.board.points.at(0).name, "U1.1");
  EXPECT_TRUE(read.board.points.at(0).knownGood);
}

TEST(BoardFile, ValuesThatCannotBeReadBackAreNotWritten) {
  Board board = SampleBoard(2);
  board.points[1].knownGood->points[7].amps = NAN;
  EXPECT_FALSE(BoardFileText(board).error.empty());
  board = SampleBoard(2);
  board.points[0].x = INFINITY;
  EXPECT_FALSE(BoardFileText(board).error.empty());
}

TEST(BoardFile, WritesAtomicallyAndLeavesTheFileWhenItCannot) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("b.kvtboard").toStdString();
  ASSERT_EQ(WriteBoardFile(path, SampleBoard(3)), "");
  const std::string before = Slurp(path);
  Board bad = SampleBoard(3);
  bad.points[0].latest->score = NAN;
  const std::string error = WriteBoardFile(path, bad);
  EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
  EXPECT_EQ(Slurp(path), before);
  const BoardRead read = ReadBoardFile(path);
  ASSERT_TRUE(read.ok()) << read.error;
  EXPECT_EQ(read.board, SampleBoard(3));
}

TEST(BoardFile, ReadingNamesTheFile) {
  QTemporaryDir dir;
  const std::string missing = dir.filePath("none.kvtboard").toStdString();
  EXPECT_EQ(ReadBoardFile(missing).error.rfind(missing + ": cannot be read", 0), 0u);
  const std::string broken = dir.filePath("broken.kvtboard").toStdString();
  std::ofstream(broken) << "{\"format\": \"kvt board\", \"version\": 7}";
  EXPECT_EQ(ReadBoardFile(broken).error.rfind(broken + ": written in board file version 7", 0), 0u);
  EXPECT_EQ(ReadBoardFile(dir.path().toStdString()).error, dir.path().toStdString() + ": not a regular file");
}

}  // namespace kvt
