#include "analysis/least_squares.h"

#include <cmath>
#include <utility>

namespace kvt {

std::optional<LineFit> FitLine(const std::vector<double>& x, const std::vector<double>& y) {
  const std::size_t n = x.size();
  if (n < 2 || y.size() != n) return std::nullopt;
  double mx = 0, my = 0;
  for (std::size_t i = 0; i < n; ++i) {
    mx += x[i];
    my += y[i];
  }
  mx /= n;
  my /= n;
  double sxx = 0, sxy = 0, syy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    sxx += (x[i] - mx) * (x[i] - mx);
    sxy += (x[i] - mx) * (y[i] - my);
    syy += (y[i] - my) * (y[i] - my);
  }
  if (!(sxx > 0)) return std::nullopt;
  LineFit fit;
  fit.slope = sxy / sxx;
  fit.intercept = my - fit.slope * mx;
  fit.rSquared = syy > 0 ? (sxy * sxy) / (sxx * syy) : 1.0;
  return fit;
}

std::optional<std::vector<double>> FitLinearModel(const std::vector<std::vector<double>>& basis,
                                                  const std::vector<double>& y) {
  const std::size_t k = basis.size();
  if (k == 0) return std::nullopt;
  const std::size_t n = y.size();
  for (const auto& b : basis)
    if (b.size() != n) return std::nullopt;
  if (n < k) return std::nullopt;

  // Scale each basis to unit norm so the normal equations stay balanced.
  std::vector<double> scale(k, 0.0);
  for (std::size_t j = 0; j < k; ++j) {
    for (double v : basis[j]) scale[j] += v * v;
    scale[j] = std::sqrt(scale[j]);
    if (!(scale[j] > 0)) return std::nullopt;
  }
  // Augmented normal matrix [A^T A | A^T y].
  std::vector<std::vector<double>> m(k, std::vector<double>(k + 1, 0.0));
  for (std::size_t r = 0; r < k; ++r) {
    for (std::size_t c = 0; c < k; ++c) {
      double s = 0;
      for (std::size_t i = 0; i < n; ++i) s += basis[r][i] * basis[c][i];
      m[r][c] = s / (scale[r] * scale[c]);
    }
    double s = 0;
    for (std::size_t i = 0; i < n; ++i) s += basis[r][i] * y[i];
    m[r][k] = s / scale[r];
  }
  for (std::size_t col = 0; col < k; ++col) {
    std::size_t pivot = col;
    for (std::size_t r = col + 1; r < k; ++r)
      if (std::abs(m[r][col]) > std::abs(m[pivot][col])) pivot = r;
    if (!(std::abs(m[pivot][col]) > 1e-12)) return std::nullopt;
    std::swap(m[col], m[pivot]);
    for (std::size_t r = 0; r < k; ++r) {
      if (r == col) continue;
      const double f = m[r][col] / m[col][col];
      for (std::size_t c = col; c <= k; ++c) m[r][c] -= f * m[col][c];
    }
  }
  std::vector<double> coefficients(k);
  for (std::size_t j = 0; j < k; ++j) {
    coefficients[j] = m[j][k] / m[j][j] / scale[j];
    if (!std::isfinite(coefficients[j])) return std::nullopt;
  }
  return coefficients;
}

}  // namespace kvt
