// Published models of real parts through the instrument's circuit in
// ngspice, measured with the converter's codes and noise of up to one step:
// the kind named, and the forward and breakdown voltages against the
// models' own. Seeds are fixed, so a failure repeats.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/parameters.h"
#include "tests/support/part_circuit.h"

namespace kvt::parts {
namespace {

constexpr double Ranges[] = {100.0, 1000.0};
constexpr double Noises[] = {0.0, 0.5, 1.0};  // per conversion, in codes
constexpr int SeedsWithNoise = 2;
constexpr double VoltsTolerance = 0.010;

struct Tally {
  int curves = 0, right = 0;
  std::vector<std::string> wrong;
};

TEST(AcceptanceKind, KindForwardAndBreakdownOnTheSet) {
  if (std::string(KVT_NGSPICE).empty()) GTEST_SKIP() << "ngspice is not installed";
  const std::filesystem::path partsDir = KVT_PARTS_DIR;
  const auto workDir = std::filesystem::path(KVT_TEST_TMP) / "acceptance_kind";
  std::filesystem::create_directories(workDir);
  const PartList list = ReadPartList(partsDir / "parts.txt");
  ASSERT_EQ(list.error, "");

  Tally quiet, noisy;
  std::vector<std::string> offVolts;
  int index = 0, forwardJudged = 0, breakdownJudged = 0;
  for (const PartEntry& part : list.entries)
    for (double range : Ranges) {
      const std::string name = "kind" + std::to_string(index++);
      // A fine sweep, for the true voltage at any current the analysis reads.
      const auto sweep = RunSweep(KVT_NGSPICE, workDir, name, RangeCircuit(range, PartNetlist(part, partsDir)),
                                  {"v(a)"}, 0.001);
      ASSERT_TRUE(sweep) << part.part << " does not simulate";
      const auto codes = VoltsAtCodes(*sweep);
      ASSERT_TRUE(codes);
      const bool junction = part.kind != "resistor";
      for (double noise : Noises)
        for (int seed = 1; seed <= (noise == 0 ? 1 : SeedsWithNoise); ++seed) {
          const PartParameters p = AnalysePart(MeasuredCurve(*codes, range, noise, static_cast<std::uint64_t>(seed)));
          std::ostringstream what;
          what << part.part << " on " << range << " ohms, noise " << noise << ", seed " << seed;
          Tally& tally = noise == 0 ? quiet : noisy;
          ++tally.curves;
          if (std::string(PartKindName(p.kind)) == part.kind) {
            ++tally.right;
          } else {
            tally.wrong.push_back(what.str() + ": " + std::string(PartKindName(p.kind)));
          }
          if (!junction) continue;
          if (const auto truth = VoltsWhereCurrent(*sweep, range, 1e-3); truth && p.forwardVolts) {
            ++forwardJudged;
            if (std::abs(*p.forwardVolts - *truth) > VoltsTolerance)
              offVolts.push_back(what.str() + ": Vf " + std::to_string(*p.forwardVolts) + " V, model " +
                                 std::to_string(*truth));
          }
          if (p.breakdownVolts && p.breakdownAmps) {
            ++breakdownJudged;
            const auto truth = VoltsWhereCurrent(*sweep, range, *p.breakdownAmps);
            if (!truth || std::abs(*p.breakdownVolts - *truth) > VoltsTolerance)
              offVolts.push_back(what.str() + ": breakdown " + std::to_string(*p.breakdownVolts) + " V at " +
                                 std::to_string(*p.breakdownAmps) + " A, model " +
                                 (truth ? std::to_string(*truth) : std::string("never there")));
          }
        }
    }
  auto listed = [](const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += "\n  " + line;
    return text;
  };
  EXPECT_EQ(quiet.right, quiet.curves) << "kind wrong without noise:" << listed(quiet.wrong);
  EXPECT_GE(noisy.right, 0.95 * noisy.curves) << "kind wrong with noise:" << listed(noisy.wrong);
  EXPECT_TRUE(offVolts.empty()) << "off by more than 10 mV:" << listed(offVolts);
  EXPECT_GT(forwardJudged, 100);
  EXPECT_GT(breakdownJudged, 30);
}

}  // namespace
}  // namespace kvt::parts
