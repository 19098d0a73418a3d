// The acceptance set's own machinery: the list of parts, the converter's
// rule, the crossings the true figures come from, and every listed part
// through the instrument's circuit in ngspice.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/part_circuit.h"

namespace kvt::parts {

// Found by argument lookup in the entry's namespace: names the part.
void PrintTo(const PartEntry& e, std::ostream* os) { *os << e.part; }

namespace {

const std::filesystem::path PartsDir = KVT_PARTS_DIR;

std::string FileText(const std::filesystem::path& file) {
  std::ifstream in(file);
  return {std::istreambuf_iterator<char>(in), {}};
}

// ---- the list ----

struct ListCase {
  const char* name;
  const char* text;
  int entries;            // -1: an error is due
  const char* errorPart;  // in the error, when one is due
  const char* firstModel;
  int firstElements;
};
void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

class PartListTest : public testing::TestWithParam<ListCase> {};

TEST_P(PartListTest, ReadsEntriesAndNamesTheBadLine) {
  const ListCase& c = GetParam();
  std::istringstream in(c.text);
  const PartList list = ParsePartList(in);
  if (c.entries < 0) {
    EXPECT_NE(list.error.find(c.errorPart), std::string::npos) << list.error;
    return;
  }
  ASSERT_EQ(list.error, "");
  ASSERT_EQ(static_cast<int>(list.entries.size()), c.entries);
  EXPECT_EQ(list.entries[0].modelFile, c.firstModel);
  EXPECT_EQ(static_cast<int>(list.entries[0].netlist.size()), c.firstElements);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, PartListTest,
    testing::Values(
        ListCase{"OnePart", "1N4148 | silicon | diode | 1n4148.mod | D1 a 0 1N4148\n", 1, "", "1n4148.mod", 1},
        ListCase{"NoModelTwoElements", "R | resistor | resistor | - | R1 a m 1k ;R2 m 0 1k;\n", 1, "", "", 2},
        ListCase{"CommentsAndBlanksSkipped", "# head\n\n   \nX|c|diode|x.mod|D1 a 0 X\nY|c|diode|y.mod|D1 a 0 Y", 2,
                 "", "x.mod", 1},
        ListCase{"FieldMissing", "X | c | diode | x.mod\n", -1, "line 1", "", 0},
        ListCase{"FieldEmpty", "X |  | diode | x.mod | D1 a 0 X\n", -1, "line 1", "", 0},
        ListCase{"FieldTooMany", "X | c | diode | x.mod | D1 a 0 X | extra\n", -1, "line 1", "", 0},
        ListCase{"ErrorNamesItsLine", "# head\nX|c|diode|x.mod|D1 a 0 X\nbad\n", -1, "line 3", "", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AcceptanceSet, ListsFifteenPartsOfSixCategoriesEachInTheReadme) {
  const PartList list = ReadPartList(PartsDir / "parts.txt");
  ASSERT_EQ(list.error, "");
  std::set<std::string> categories;
  for (const auto& e : list.entries) categories.insert(e.category);
  EXPECT_GE(list.entries.size(), 15u);
  EXPECT_GE(categories.size(), 6u);
  const std::string readme = FileText(PartsDir / "README.md");
  for (const auto& e : list.entries) EXPECT_NE(readme.find("| " + e.part + " |"), std::string::npos) << e.part;
}

TEST(AcceptanceSet, EveryModelFileIsListedAndNamesItsSource) {
  const PartList list = ReadPartList(PartsDir / "parts.txt");
  std::set<std::string> listed;
  for (const auto& e : list.entries)
    if (!e.modelFile.empty()) listed.insert(e.modelFile);
  int files = 0;
  for (const auto& file : std::filesystem::directory_iterator(PartsDir)) {
    if (file.path().extension() != ".mod") continue;
    ++files;
    const std::string name = file.path().filename().string();
    EXPECT_TRUE(listed.count(name)) << name << " is not in parts.txt";
    EXPECT_NE(FileText(file.path()).find("\n* Published: "), std::string::npos) << name;
  }
  for (const auto& name : listed) EXPECT_TRUE(std::filesystem::exists(PartsDir / name)) << name;
  EXPECT_GE(files, 15);
}

// ---- the converter ----

struct ConversionCase {
  const char* name;
  double volts;
  double noiseCodes;
  int code;
};
void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.name; }

class ConversionTest : public testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionTest, NearestCodeHeldToTheConvertersSpan) {
  const ConversionCase& c = GetParam();
  EXPECT_EQ(ConversionCode(c.volts, c.noiseCodes), c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ConversionTest,
    testing::Values(ConversionCase{"Zero", 0.0, 0.0, 512}, ConversionCase{"BelowHalfAStep", 0.6049, 0.0, 572},
                    ConversionCase{"AboveHalfAStep", 0.6051, 0.0, 573},
                    ConversionCase{"NegativeRoundsToNearest", -0.3049, 0.0, 482},
                    ConversionCase{"NoiseAddsCodes", 0.6, 0.6, 573},
                    ConversionCase{"NoiseSubtractsCodes", -0.3, -1.4, 481},
                    ConversionCase{"HeldAtTheTop", 5.2, 0.0, 1023}, ConversionCase{"NoiseHeldAtTheTop", 5.1, 3.0, 1023},
                    ConversionCase{"HeldAtTheBottom", -5.2, 0.0, 0}, ConversionCase{"LowestCode", -5.12, 0.0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct NoiseCase {
  const char* name;
  double volts;
  double sigmaCodes;
  double meanCode;   // of many measured points
  double tolerance;  // the average of four rounded to a whole code (ties to even) leans a little low
  double minSpread;  // largest distance of one point from the mean, in codes, at least
  double maxSpread;  // and at most
};
void PrintTo(const NoiseCase& c, std::ostream* os) { *os << c.name; }

class MeasuredNoiseTest : public testing::TestWithParam<NoiseCase> {};

// Noise of a code or so dithers the rounding, so many points average close
// to the part's true voltage between two codes; without noise every point
// reads the nearest code. Points are whole codes, as the device returns them.
TEST_P(MeasuredNoiseTest, PointsAreWholeCodesAveragingToTheTrueVoltage) {
  const NoiseCase& c = GetParam();
  kvtsim::NoiseSource noise(7);
  double sum = 0, farthest = 0;
  const int n = 4000;
  std::vector<double> codes;
  for (int i = 0; i < n; ++i) {
    const double code = MeasuredVolts(c.volts, noise, c.sigmaCodes) * 100 + 512;
    ASSERT_NEAR(code, std::round(code), 1e-9);
    codes.push_back(code);
    sum += code;
  }
  const double mean = sum / n;
  for (double code : codes) farthest = std::max(farthest, std::abs(code - mean));
  EXPECT_NEAR(mean, c.meanCode, c.tolerance);
  EXPECT_GE(farthest, c.minSpread);
  EXPECT_LE(farthest, c.maxSpread);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, MeasuredNoiseTest,
    testing::Values(NoiseCase{"NoNoiseNearestCode", 0.6032, 0.0, 572.0, 1e-9, 0.0, 0.0},
                    NoiseCase{"HalfACodeDithers", 0.606, 0.5, 572.6, 0.2, 0.6, 2.0},
                    NoiseCase{"OneCodeDithers", -1.2375, 1.0, 388.25, 0.1, 1.0, 3.0},
                    NoiseCase{"OneCodeDithersUpward", -1.2325, 1.0, 388.75, 0.1, 1.0, 3.0},
                    NoiseCase{"HeldAtTheTopDespiteNoise", 5.3, 1.0, 1023.0, 1e-9, 0.0, 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- true figures from a sweep ----

// An ideal resistor's sweep, computed here: v = applied * R / (R + range).
CircuitSweep ResistorSweep(double ohms, double rangeOhms, double step) {
  CircuitSweep sweep;
  sweep.probes.resize(1);
  for (double applied = AdcLowVolts; applied <= AdcHighVolts + step / 2; applied += step) {
    sweep.applied.push_back(applied);
    sweep.probes[0].push_back(applied * ohms / (ohms + rangeOhms));
  }
  return sweep;
}

struct CrossingCase {
  const char* name;
  double ohms;
  double rangeOhms;
  double amps;
  std::optional<double> volts;
};
void PrintTo(const CrossingCase& c, std::ostream* os) { *os << c.name; }

class CrossingTest : public testing::TestWithParam<CrossingCase> {};

TEST_P(CrossingTest, VoltageWhereTheSweepCarriesTheCurrent) {
  const CrossingCase& c = GetParam();
  const auto volts = VoltsWhereCurrent(ResistorSweep(c.ohms, c.rangeOhms, 0.01), c.rangeOhms, c.amps);
  ASSERT_EQ(volts.has_value(), c.volts.has_value());
  if (c.volts) {
    EXPECT_NEAR(*volts, *c.volts, 1e-9);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Resistors, CrossingTest,
    testing::Values(CrossingCase{"Forward", 1000, 1000, 1e-3, 1.0}, CrossingCase{"Reverse", 1000, 1000, -1e-3, -1.0},
                    CrossingCase{"BetweenRows", 2200, 100, 1e-3, 2.2},
                    CrossingCase{"SmallPartBigCurrent", 150, 100, 2e-2, 3.0},
                    CrossingCase{"NeverReached", 10000, 1000, 1e-3, std::nullopt},
                    CrossingCase{"NeverReachedInReverse", 10000, 1000, -1e-3, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct CodePickCase {
  const char* name;
  double step;
  int code;
  double volts;  // of the resistor's sweep at that code, 1k on 1k
};
void PrintTo(const CodePickCase& c, std::ostream* os) { *os << c.name; }

class CodePickTest : public testing::TestWithParam<CodePickCase> {};

TEST_P(CodePickTest, EachCodeReadsTheRowOfItsVoltage) {
  const CodePickCase& c = GetParam();
  const auto volts = VoltsAtCodes(ResistorSweep(1000, 1000, c.step));
  ASSERT_TRUE(volts);
  ASSERT_EQ(volts->size(), 1024u);
  EXPECT_NEAR((*volts)[static_cast<std::size_t>(c.code)], c.volts, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Sweeps, CodePickTest,
    testing::Values(CodePickCase{"CoarseFirst", 0.01, 0, -2.56}, CodePickCase{"CoarseZero", 0.01, 512, 0.0},
                    CodePickCase{"CoarseLast", 0.01, 1023, 2.555}, CodePickCase{"FineFirst", 0.001, 0, -2.56},
                    CodePickCase{"FineMiddle", 0.001, 700, 0.94}, CodePickCase{"FineLast", 0.001, 1023, 2.555}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CodePick, SweepTooCoarseForTheCodesGivesNothing) {
  EXPECT_FALSE(VoltsAtCodes(ResistorSweep(1000, 1000, 0.02)));
}

// ---- ngspice ----

std::filesystem::path WorkDir() {
  const auto dir = std::filesystem::path(KVT_TEST_TMP) / "acceptance";
  std::filesystem::create_directories(dir);
  return dir;
}

struct ResistorCase {
  const char* name;
  double ohms;
  double rangeOhms;
};
void PrintTo(const ResistorCase& c, std::ostream* os) { *os << c.name; }

class ResistorCircuitTest : public testing::TestWithParam<ResistorCase> {};

// Through ngspice and the converter, a resistor's points must keep to Ohm's
// law within one current step of the range: the applied voltage, the range
// resistor and the part in the right places, and the current's sign right.
TEST_P(ResistorCircuitTest, CurrentIsVoltsOverOhmsWithinOneStep) {
  if (std::string(KVT_NGSPICE).empty()) GTEST_SKIP() << "ngspice is not installed";
  const ResistorCase& c = GetParam();
  std::ostringstream part;
  part << "R1 a 0 " << c.ohms << "\n";
  const auto sweep =
      RunSweep(KVT_NGSPICE, WorkDir(), std::string("resistor_") + c.name, RangeCircuit(c.rangeOhms, part.str()), {"v(a)"});
  ASSERT_TRUE(sweep) << "ngspice failed";
  const auto volts = VoltsAtCodes(*sweep);
  ASSERT_TRUE(volts);
  const Curve curve = MeasuredCurve(*volts, c.rangeOhms, 0.0, 1);
  ASSERT_EQ(curve.points.size(), 1024u);
  const double step = AdcStepVolts / c.rangeOhms;
  int judged = 0;
  for (const auto& p : curve.points) {
    if (p.clipped) continue;
    ++judged;
    // At most half a code from the reading and half a code from the part's
    // own voltage: a whole step where the part equals the range resistor.
    ASSERT_NEAR(p.amps, p.volts / c.ohms, step * (1 + 1e-9)) << "at " << p.volts << " V";
    ASSERT_EQ(p.rangeOhms, c.rangeOhms);
  }
  EXPECT_GT(judged, 1000);
  EXPECT_GT(curve.points.back().amps, 0.0);
  EXPECT_LT(curve.points.front().amps, 0.0);
}

INSTANTIATE_TEST_SUITE_P(Parts, ResistorCircuitTest,
                         testing::Values(ResistorCase{"R220On100", 220, 100}, ResistorCase{"R1kOn100", 1000, 100},
                                         ResistorCase{"R1kOn1k", 1000, 1000}, ResistorCase{"R4k7On1k", 4700, 1000},
                                         ResistorCase{"R10kOn10k", 10000, 10000}),
                         [](const auto& info) { return std::string(info.param.name); });

std::vector<PartEntry> ListedParts() { return ReadPartList(PartsDir / "parts.txt").entries; }

class ListedPartTest : public testing::TestWithParam<PartEntry> {};

// Every part of the set loads and sweeps in ngspice without an error, and
// draws no less current at a higher voltage, as a passive part must, beyond
// what the converter could see (a tenth of a step: ngspice's diode joins its
// reverse formula at -3 n Vt with a small jump for some models).
TEST_P(ListedPartTest, SimulatesThroughTheCircuit) {
  if (std::string(KVT_NGSPICE).empty()) GTEST_SKIP() << "ngspice is not installed";
  const PartEntry& entry = GetParam();
  const std::string name = "part_" + std::to_string(std::hash<std::string>{}(entry.part));
  const auto sweep = RunSweep(KVT_NGSPICE, WorkDir(), name, RangeCircuit(100, PartNetlist(entry, PartsDir)), {"v(a)"});
  ASSERT_TRUE(sweep) << "ngspice failed: " << FileText(WorkDir() / (name + ".log"));
  std::string log = FileText(WorkDir() / (name + ".log"));
  for (char& ch : log) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  EXPECT_EQ(log.find("error"), std::string::npos) << log;
  const auto volts = VoltsAtCodes(*sweep);
  ASSERT_TRUE(volts);
  double last = -1e9;
  for (int code = 0; code < 1024; ++code) {
    const double amps = (VoltsFromCode(code) - (*volts)[static_cast<std::size_t>(code)]) / 100;
    ASSERT_GE(amps, last - 0.1 * AdcStepVolts / 100) << "at code " << code;
    last = amps;
  }
  EXPECT_GT(last, 1e-3);  // every part of the set conducts forward within the span
}

INSTANTIATE_TEST_SUITE_P(Set, ListedPartTest, testing::ValuesIn(ListedParts()), [](const auto& info) {
  std::string name;
  for (char ch : info.param.part) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
});

}  // namespace
}  // namespace kvt::parts
