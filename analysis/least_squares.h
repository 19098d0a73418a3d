#pragma once
// Small linear least-squares fits used by the parameter extraction.
#include <optional>
#include <vector>

namespace kvt {

struct LineFit {
  double intercept = 0.0;
  double slope = 0.0;
  double rSquared = 0.0;  // 1 for a perfect line; 0 when x explains nothing
};

// y = intercept + slope * x. Nothing for fewer than two distinct x.
std::optional<LineFit> FitLine(const std::vector<double>& x, const std::vector<double>& y);

// Coefficients c of y = sum_k c[k] * basis[k] by least squares (normal
// equations solved with pivoting; the bases here are few and well scaled).
// Nothing when the bases are not independent over the data.
std::optional<std::vector<double>> FitLinearModel(const std::vector<std::vector<double>>& basis,
                                                  const std::vector<double>& y);

}  // namespace kvt
