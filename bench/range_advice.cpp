// Range advice on labelled simulated parts: how often the range the advice
// leaves the switch on is one that shows the part best, for the advice and
// for the baseline rule (mean current or voltage under 15 % of full scale),
// side by side. Prints a Markdown table and every part either gets wrong.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "analysis/range_advice.h"
#include "tests/analysis/range_labels.h"

using namespace kvt;

namespace {

struct Tally {
  int cases = 0, advice = 0, baseline = 0, followed = 0, oneGood = 0;
};

// Where the baseline leaves the switch when its advice is followed and the
// part swept again, until it asks for no more (at most twice).
std::optional<double> BaselineFollowed(const std::vector<LabelledSweep>& all, const LabelledSweep& s) {
  std::optional<double> at = BaselineRangeAdvice(s.sweep);
  for (int moves = 1; at && moves < 3; ++moves) {
    const LabelledSweep* next = nullptr;
    for (const LabelledSweep& o : all)
      if (o.part == s.part && o.rangeOhms == *at) next = &o;
    const auto again = next ? BaselineRangeAdvice(next->sweep) : std::nullopt;
    if (!again) break;
    at = again;
  }
  return at;
}

std::string Ranges(const std::vector<double>& ranges) {
  std::string text;
  for (double r : ranges) text += (text.empty() ? "" : " ") + RangeName(r);
  return text;
}

std::string Said(std::optional<double> move) { return move ? "move to " + RangeName(*move) : "stay"; }

}  // namespace

int main(int argc, char** argv) {
  int seeds = 3;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seeds") == 0 && i + 1 < argc && std::atoi(argv[i + 1]) >= 1) {
      seeds = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: range_advice [--seeds N>=1]\n");
      return 2;
    }
  }
  const std::vector<LabelledPart> parts = RangeAdviceParts();
  std::map<std::string, Tally> families;
  Tally all;
  std::vector<std::string> misses;
  for (int seed = 1; seed <= seeds; ++seed) {
    const std::vector<LabelledSweep> sweeps = LabelledSweeps(parts, static_cast<std::uint64_t>(seed));
    for (const LabelledSweep& s : sweeps) {
      const auto advice = AdviseRange(s.sweep).moveToOhms;
      const auto baseline = BaselineRangeAdvice(s.sweep);
      const bool adviceRight = s.Right(advice), baselineRight = s.Right(baseline);
      for (Tally* t : {&families[s.part->family], &all}) {
        ++t->cases;
        t->advice += adviceRight;
        t->baseline += baselineRight;
        t->followed += s.Right(BaselineFollowed(sweeps, s));
        t->oneGood += s.goodRanges.size() == 1;
      }
      if (!adviceRight || !baselineRight) {
        char line[256];
        std::snprintf(line, sizeof line, "| %s | %s | %d | %s | %s%s | %s%s |", s.part->name.c_str(),
                      RangeName(s.rangeOhms).c_str(), seed, Ranges(s.goodRanges).c_str(), Said(advice).c_str(),
                      adviceRight ? "" : " (wrong)", Said(baseline).c_str(), baselineRight ? "" : " (wrong)");
        misses.push_back(line);
      }
    }
  }
  auto share = [](int n, int of) { return of ? 100.0 * n / of : 0.0; };
  std::printf("Range advice on %zu simulated parts, each swept from every range, %d noise seed(s)\n\n", parts.size(),
              seeds);
  std::printf("| parts | sweeps | of them with one best range | advice right | baseline right | baseline followed "
              "until it stays |\n|---|---:|---:|---:|---:|---:|\n");
  auto row = [&](const std::string& name, const Tally& t) {
    std::printf("| %s | %d | %d | %d (%.1f %%) | %d (%.1f %%) | %d (%.1f %%) |\n", name.c_str(), t.cases, t.oneGood,
                t.advice, share(t.advice, t.cases), t.baseline, share(t.baseline, t.cases), t.followed,
                share(t.followed, t.cases));
  };
  for (const auto& [family, t] : families) row(family, t);
  row("**all**", all);
  std::printf("\nSweeps either rule gets wrong:\n\n| part | swept on | seed | best ranges | advice | baseline |\n"
              "|---|---|---:|---|---|---|\n");
  for (const auto& line : misses) std::printf("%s\n", line.c_str());
  return 0;
}
