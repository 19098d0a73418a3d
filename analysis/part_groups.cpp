#include "analysis/part_groups.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace kvt {
namespace {

// The parts with every chosen parameter, their values scaled to units of
// closeness, and what to say of the others.
struct Bag {
  std::size_t dims = 0;
  std::vector<std::size_t> parts;        // bag index of each eligible part
  std::vector<double> scaled;            // parts.size() x dims
  std::vector<double> values, uncertainties;  // the same, unscaled
  std::vector<double> scales;
  std::vector<LeftOver> missing;

  const double* At(std::size_t i) const { return &scaled[i * dims]; }
};

Bag Gather(const PartTable& table, std::size_t partCount, const GroupOptions& options) {
  if (options.parameters.empty()) throw std::invalid_argument("no parameter to match on");
  if (options.groupSize < 2) throw std::invalid_argument("a group needs 2 parts or more");
  std::vector<const FigureColumn*> columns;
  for (const auto& name : options.parameters) {
    const auto column = table.find(name);
    if (column == table.end()) throw std::invalid_argument("no parameter \"" + name + "\" to match on");
    columns.push_back(&column->second);
  }
  Bag bag;
  bag.dims = columns.size();
  for (std::size_t part = 0; part < partCount; ++part) {
    std::string lacking;
    for (std::size_t d = 0; d < bag.dims; ++d) {
      const auto& column = *columns[d];
      if (part >= column.size() || !column[part] || !std::isfinite(column[part]->value))
        lacking += (lacking.empty() ? "no " : ", no ") + options.parameters[d];
    }
    if (!lacking.empty()) {
      bag.missing.push_back({part, lacking});
      continue;
    }
    bag.parts.push_back(part);
    for (std::size_t d = 0; d < bag.dims; ++d) {
      bag.values.push_back((*columns[d])[part]->value);
      bag.uncertainties.push_back(std::abs((*columns[d])[part]->uncertainty));
    }
  }
  const std::size_t n = bag.parts.size();
  for (std::size_t d = 0; d < bag.dims; ++d) {
    double scale = d < options.tolerances.size() && options.tolerances[d] ? std::abs(*options.tolerances[d]) : 0.0;
    if (!(scale > 0) && n > 1) {
      double mean = 0, squares = 0;
      for (std::size_t i = 0; i < n; ++i) mean += bag.values[i * bag.dims + d] / n;
      for (std::size_t i = 0; i < n; ++i) squares += std::pow(bag.values[i * bag.dims + d] - mean, 2);
      scale = std::sqrt(squares / (n - 1));
    }
    if (!(scale > 0 && std::isfinite(scale))) {
      // All alike: their uncertainty is the only measure of closeness left.
      double typical = 0;
      for (std::size_t i = 0; i < n; ++i) typical = std::max(typical, bag.uncertainties[i * bag.dims + d]);
      scale = typical > 0 ? typical : 1.0;
    }
    bag.scales.push_back(scale);
  }
  bag.scaled.resize(bag.values.size());
  for (std::size_t i = 0; i < bag.values.size(); ++i) bag.scaled[i] = bag.values[i] / bag.scales[i % bag.dims];
  return bag;
}

// A group's score: its largest spread over the scaled parameters.
double Score(const Bag& bag, const std::size_t* members, std::size_t count) {
  double worst = 0;
  for (std::size_t d = 0; d < bag.dims; ++d) {
    double lo = bag.At(members[0])[d], hi = lo;
    for (std::size_t k = 1; k < count; ++k) {
      const double v = bag.At(members[k])[d];
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    worst = std::max(worst, hi - lo);
  }
  return worst;
}

double Distance(const Bag& bag, std::size_t a, std::size_t b) {
  double worst = 0;
  for (std::size_t d = 0; d < bag.dims; ++d) worst = std::max(worst, std::abs(bag.At(a)[d] - bag.At(b)[d]));
  return worst;
}

// Each part's nearest others, nearest first.
std::vector<std::vector<std::size_t>> Neighbours(const Bag& bag, std::size_t k) {
  const std::size_t n = bag.parts.size();
  k = std::min(k, n - 1);
  std::vector<std::vector<std::size_t>> near(n);
  std::vector<std::pair<double, std::size_t>> all(n);
  for (std::size_t a = 0; a < n; ++a) {
    for (std::size_t b = 0; b < n; ++b) all[b] = {b == a ? INFINITY : Distance(bag, a, b), b};
    std::partial_sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(k), all.end());
    for (std::size_t i = 0; i < k; ++i) near[a].push_back(all[i].second);
  }
  return near;
}

// Groups as lists of eligible-part indices; kNone marks a part in no group.
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

struct Layout {
  std::size_t size = 2;
  std::vector<std::size_t> members;  // groups x size
  std::vector<std::size_t> groupOf;  // per part; kNone when left over
  std::vector<double> scores;
  std::size_t Groups() const { return scores.size(); }
  std::size_t* Of(std::size_t g) { return &members[g * size]; }
};

// Parts taken in order of their first parameter, each with its nearest
// parts still free: the parts at the ends, which have the fewest near
// them, choose first.
Layout Greedy(const Bag& bag, std::size_t size, const std::vector<std::vector<std::size_t>>& near) {
  const std::size_t n = bag.parts.size();
  Layout layout;
  layout.size = size;
  layout.groupOf.assign(n, kNone);
  const std::size_t groups = n / size;
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return bag.At(a)[0] < bag.At(b)[0]; });
  std::vector<std::pair<double, std::size_t>> free;
  for (std::size_t seed : order) {
    if (layout.Groups() == groups) break;
    if (layout.groupOf[seed] != kNone) continue;
    std::vector<std::size_t> chosen{seed};
    for (std::size_t other : near[seed]) {
      if (chosen.size() == size) break;
      if (layout.groupOf[other] == kNone && other != seed) chosen.push_back(other);
    }
    if (chosen.size() < size) {  // its neighbours are taken: the nearest free ones anywhere
      free.clear();
      for (std::size_t other = 0; other < n; ++other)
        if (layout.groupOf[other] == kNone && std::find(chosen.begin(), chosen.end(), other) == chosen.end())
          free.push_back({Distance(bag, seed, other), other});
      const std::size_t want = size - chosen.size();
      std::partial_sort(free.begin(), free.begin() + static_cast<std::ptrdiff_t>(want), free.end());
      for (std::size_t i = 0; i < want; ++i) chosen.push_back(free[i].second);
    }
    const std::size_t g = layout.Groups();
    for (std::size_t part : chosen) {
      layout.members.push_back(part);
      layout.groupOf[part] = g;
    }
    layout.scores.push_back(Score(bag, chosen.data(), size));
  }
  return layout;
}

// Swaps part a (in a group) with part b (in another group or left over)
// when that lowers the worse of the two scores, or keeps it and lowers
// their sum; a part left over has no score of its own.
bool TrySwap(const Bag& bag, Layout& layout, std::size_t a, std::size_t b, std::vector<std::size_t>& scratchA,
             std::vector<std::size_t>& scratchB) {
  constexpr double kEps = 1e-12;
  const std::size_t ga = layout.groupOf[a], gb = layout.groupOf[b];
  if (ga == gb || ga == kNone) return false;
  const std::size_t size = layout.size;
  scratchA.assign(layout.Of(ga), layout.Of(ga) + size);
  std::replace(scratchA.begin(), scratchA.end(), a, b);
  const double newA = Score(bag, scratchA.data(), size);
  const double oldA = layout.scores[ga];
  if (gb == kNone) {
    if (newA >= oldA - kEps) return false;
    std::copy(scratchA.begin(), scratchA.end(), layout.Of(ga));
    layout.scores[ga] = newA;
    layout.groupOf[a] = kNone;
    layout.groupOf[b] = ga;
    return true;
  }
  const double oldB = layout.scores[gb];
  if (newA >= std::max(oldA, oldB) + kEps) return false;
  scratchB.assign(layout.Of(gb), layout.Of(gb) + size);
  std::replace(scratchB.begin(), scratchB.end(), b, a);
  const double newB = Score(bag, scratchB.data(), size);
  const double oldWorst = std::max(oldA, oldB), newWorst = std::max(newA, newB);
  const bool better = newWorst < oldWorst - kEps || (newWorst <= oldWorst + kEps && newA + newB < oldA + oldB - kEps);
  if (!better) return false;
  std::copy(scratchA.begin(), scratchA.end(), layout.Of(ga));
  std::copy(scratchB.begin(), scratchB.end(), layout.Of(gb));
  layout.scores[ga] = newA;
  layout.scores[gb] = newB;
  std::swap(layout.groupOf[a], layout.groupOf[b]);
  return true;
}

void Improve(const Bag& bag, Layout& layout, const std::vector<std::vector<std::size_t>>& near) {
  std::vector<std::size_t> scratchA, scratchB;
  const std::size_t n = bag.parts.size();
  for (int pass = 0; pass < 200; ++pass) {
    bool changed = false;
    for (std::size_t a = 0; a < n; ++a) {
      // A part left over comes in when a part that has it among its
      // neighbours tries it.
      for (std::size_t b : near[a])
        if (TrySwap(bag, layout, a, b, scratchA, scratchB)) changed = true;
    }
    if (!changed) break;
  }
}

Grouping Report(const Bag& bag, Layout& layout, const GroupOptions& options) {
  Grouping result;
  result.scales = bag.scales;
  result.unmatched = bag.missing;
  for (std::size_t i = 0; i < bag.parts.size(); ++i)
    if (layout.groupOf[i] == kNone) result.unmatched.push_back({bag.parts[i], "left over"});
  for (std::size_t g = 0; g < layout.Groups(); ++g) {
    std::vector<std::size_t> members(layout.Of(g), layout.Of(g) + layout.size);
    std::sort(members.begin(), members.end(), [&](std::size_t a, std::size_t b) {
      return bag.values[a * bag.dims] < bag.values[b * bag.dims];
    });
    MatchedGroup group;
    group.score = layout.scores[g];
    std::string over;
    for (std::size_t d = 0; d < bag.dims; ++d) {
      GroupSpread s;
      double lo = INFINITY, hi = -INFINITY, u1 = 0, u2 = 0;  // the two largest uncertainties
      for (std::size_t m : members) {
        const double v = bag.values[m * bag.dims + d], u = bag.uncertainties[m * bag.dims + d];
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        if (u > u1) {
          u2 = u1;
          u1 = u;
        } else if (u > u2) {
          u2 = u;
        }
      }
      s.spread = hi - lo;
      s.resolution = std::hypot(u1, u2);
      s.withinResolution = s.spread < s.resolution;
      if (d < options.maxSpreads.size() && options.maxSpreads[d] && s.spread > *options.maxSpreads[d])
        over += (over.empty() ? "" : ", ") + options.parameters[d];
      group.spreads.push_back(s);
    }
    if (!over.empty()) {
      for (std::size_t m : members) result.unmatched.push_back({bag.parts[m], "group spread of " + over + " above the limit"});
      continue;
    }
    for (std::size_t& m : members) m = bag.parts[m];
    group.parts = std::move(members);
    result.groups.push_back(std::move(group));
  }
  std::stable_sort(result.groups.begin(), result.groups.end(),
                   [](const MatchedGroup& a, const MatchedGroup& b) { return a.score < b.score; });
  std::sort(result.unmatched.begin(), result.unmatched.end(),
            [](const LeftOver& a, const LeftOver& b) { return a.part < b.part; });
  for (const auto& g : result.groups) {
    result.worstScore = std::max(result.worstScore, g.score);
    result.meanScore += g.score / static_cast<double>(result.groups.size());
  }
  return result;
}

}  // namespace

Grouping MatchGroups(const PartTable& table, std::size_t partCount, const GroupOptions& options) {
  const Bag bag = Gather(table, partCount, options);
  const auto size = static_cast<std::size_t>(options.groupSize);
  Layout layout;
  layout.size = size;
  layout.groupOf.assign(bag.parts.size(), kNone);
  if (bag.parts.size() >= size) {
    const auto near = Neighbours(bag, 4 * size + 8);
    layout = Greedy(bag, size, near);
    Improve(bag, layout, near);
  }
  return Report(bag, layout, options);
}

Grouping NeighbourGroups(const PartTable& table, std::size_t partCount, const GroupOptions& options) {
  const Bag bag = Gather(table, partCount, options);
  const auto size = static_cast<std::size_t>(options.groupSize);
  std::vector<std::size_t> order(bag.parts.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return bag.At(a)[0] < bag.At(b)[0]; });
  Layout layout;
  layout.size = size;
  layout.groupOf.assign(bag.parts.size(), kNone);
  for (std::size_t start = 0; start + size <= order.size(); start += size) {
    const std::size_t g = layout.Groups();
    for (std::size_t k = 0; k < size; ++k) {
      layout.members.push_back(order[start + k]);
      layout.groupOf[order[start + k]] = g;
    }
    layout.scores.push_back(Score(bag, &order[start], size));
  }
  return Report(bag, layout, options);
}

}  // namespace kvt
