#include "eos/SymmetricInverse.h"

#include <algorithm>
#include <cmath>

namespace zantrel::eos {

std::optional<Matrix> InverseSpd(const Matrix& a) {
    const std::size_t n = a.size();
    double largest = 0;
    for (std::size_t i = 0; i < n; ++i) largest = std::max(largest, std::abs(a[i][i]));
    if (!(largest > 0) || !std::isfinite(largest)) return std::nullopt;
    Matrix l(n, std::vector<double>(n, 0));
    for (std::size_t j = 0; j < n; ++j) {
        double d = a[j][j];
        for (std::size_t k = 0; k < j; ++k) d -= l[j][k] * l[j][k];
        if (!(d > 1e-14 * largest)) return std::nullopt;
        l[j][j] = std::sqrt(d);
        for (std::size_t i = j + 1; i < n; ++i) {
            double s = a[i][j];
            for (std::size_t k = 0; k < j; ++k) s -= l[i][k] * l[j][k];
            l[i][j] = s / l[j][j];
        }
    }
    // L^-1 by forward substitution, then A^-1 = L^-T L^-1.
    Matrix li(n, std::vector<double>(n, 0));
    for (std::size_t c = 0; c < n; ++c) {
        li[c][c] = 1 / l[c][c];
        for (std::size_t i = c + 1; i < n; ++i) {
            double s = 0;
            for (std::size_t k = c; k < i; ++k) s -= l[i][k] * li[k][c];
            li[i][c] = s / l[i][i];
        }
    }
    Matrix inv(n, std::vector<double>(n, 0));
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            for (std::size_t k = std::max(i, j); k < n; ++k) inv[i][j] += li[k][i] * li[k][j];
    return inv;
}

}  // namespace zantrel::eos
