// Matching a bag of simulated diodes into pairs on forward voltage and
// dynamic resistance: time, worst and mean spread of the grouping against
// the plain way (sort by forward voltage, pair neighbours), side by side.
// Prints a Markdown table. Arguments: [parts] [rounds].
#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "analysis/part_groups.h"
#include "tests/analysis/part_bag.h"

using namespace kvt;

namespace {

struct Outcome {
  double seconds = 1e9;
  Grouping grouping;
};

template <typename Match>
Outcome Best(int rounds, Match match) {
  Outcome out;
  for (int r = 0; r < rounds; ++r) {
    const auto start = std::chrono::steady_clock::now();
    Grouping g = match();
    out.seconds = std::min(out.seconds, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    out.grouping = std::move(g);
  }
  return out;
}

// Largest and mean spread of one parameter over the groups, in its unit.
std::pair<double, double> Spread(const Grouping& g, std::size_t parameter) {
  double worst = 0, mean = 0;
  for (const auto& group : g.groups) {
    worst = std::max(worst, group.spreads[parameter].spread);
    mean += group.spreads[parameter].spread / static_cast<double>(g.groups.size());
  }
  return {worst, mean};
}

void Row(const char* name, const Outcome& o) {
  const auto [vfWorst, vfMean] = Spread(o.grouping, 0);
  const auto [rdWorst, rdMean] = Spread(o.grouping, 1);
  std::printf("| %s | %.1f | %zu | %.2f | %.2f | %.1f | %.2f | %.2f | %.2f |\n", name, o.seconds * 1e3,
              o.grouping.groups.size(), vfWorst * 1e3, vfMean * 1e3, rdWorst, rdMean, o.grouping.worstScore,
              o.grouping.meanScore);
}

// No pairing can do better than the part farthest from its nearest other
// part: a floor under the worst score.
double WorstScoreFloor(const PartTable& bag, const std::vector<double>& scales) {
  const auto& vf = bag.at("vf");
  const auto& rd = bag.at("rd");
  double floor = 0;
  for (std::size_t a = 0; a < vf.size(); ++a) {
    double nearest = 1e300;
    for (std::size_t b = 0; b < vf.size(); ++b) {
      if (a == b) continue;
      nearest = std::min(nearest, std::max(std::abs(vf[a]->value - vf[b]->value) / scales[0],
                                            std::abs(rd[a]->value - rd[b]->value) / scales[1]));
    }
    floor = std::max(floor, nearest);
  }
  return floor;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t parts = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  std::printf("%zu parts into pairs on vf, rd (each scaled by its own standard deviation); best of %d rounds\n\n",
              parts, rounds);
  std::printf("| method | ms | pairs | worst vf mV | mean vf mV | worst rd ohm | mean rd ohm | worst score | mean score |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|\n");
  for (std::uint64_t seed : {1, 2, 3}) {
    const PartTable bag = DiodeBag(parts, seed);
    GroupOptions options;
    options.parameters = {"vf", "rd"};
    options.groupSize = 2;
    const Outcome mine = Best(rounds, [&] { return MatchGroups(bag, parts, options); });
    const Outcome plain = Best(rounds, [&] { return NeighbourGroups(bag, parts, options); });
    std::printf("| **bag %llu** (no pairing below a worst score of %.2f) | | | | | | | | |\n",
                static_cast<unsigned long long>(seed), WorstScoreFloor(bag, mine.grouping.scales));
    Row("matched", mine);
    Row("sorted by vf", plain);
    if (mine.grouping.worstScore >= plain.grouping.worstScore) return 1;
  }
  return 0;
}
