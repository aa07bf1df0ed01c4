#pragma once
// The inverse of a small symmetric positive-definite matrix (the normal matrix of an
// equation-of-state fit, at most 4 x 4), by Cholesky factors.

#include <optional>
#include <vector>

namespace zantrel::eos {

using Matrix = std::vector<std::vector<double>>;

// None when the matrix is not positive definite to rounding (a pivot at or below
// 1e-14 of the largest diagonal element).
std::optional<Matrix> InverseSpd(const Matrix& a);

}  // namespace zantrel::eos
