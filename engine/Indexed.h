#pragma once
// One-based vectors and matrices, so the code reads like the formulas it implements.

#include <array>
#include <cassert>
#include <cstddef>
#include <vector>

namespace zantrel {

// Seven slots: six cell parameters and, while it is refined, the zero shift.
inline constexpr int MaxParams = 7;

// Observation tables hold at most this many reflections.
inline constexpr int MaxReflections = 200;

class ParamVector {
public:
    double& operator[](int i) {
        assert(i >= 1 && i <= MaxParams);
        return slots_[std::size_t(i - 1)];
    }
    double operator[](int i) const {
        assert(i >= 1 && i <= MaxParams);
        return slots_[std::size_t(i - 1)];
    }
    void Fill(double value) { slots_.fill(value); }

private:
    std::array<double, MaxParams> slots_{};
};

// 7 x 7, row-major; only the leading p x p block carries values.
class ParamMatrix {
public:
    double& operator()(int row, int col) {
        assert(row >= 1 && row <= MaxParams && col >= 1 && col <= MaxParams);
        return cells_[std::size_t((row - 1) * MaxParams + (col - 1))];
    }
    double operator()(int row, int col) const {
        assert(row >= 1 && row <= MaxParams && col >= 1 && col <= MaxParams);
        return cells_[std::size_t((row - 1) * MaxParams + (col - 1))];
    }
    void Fill(double value) { cells_.fill(value); }

private:
    std::array<double, MaxParams * MaxParams> cells_{};
};

using PermVector = std::array<int, MaxParams + 1>;  // slot 0 unused

// A per-reflection table indexed 1..capacity.
template <typename T>
class Table {
public:
    Table() = default;
    explicit Table(int capacity) : items_(std::size_t(capacity)) {}
    void Allocate(int capacity) { items_.assign(std::size_t(capacity), T{}); }
    void Release() { items_ = std::vector<T>(); }  // {} would keep the memory
    int Capacity() const { return int(items_.size()); }
    T& operator[](int i) {
        assert(i >= 1 && i <= Capacity());
        return items_[std::size_t(i - 1)];
    }
    const T& operator[](int i) const {
        assert(i >= 1 && i <= Capacity());
        return items_[std::size_t(i - 1)];
    }

private:
    std::vector<T> items_;
};

using RealTable = Table<double>;
using IntTable = Table<int>;

// Rows of seven doubles, one row per reflection: the design matrix layout.
class RowTable {
public:
    RowTable() = default;
    explicit RowTable(int rows) { Allocate(rows); }
    void Allocate(int rows) { cells_.assign(std::size_t(rows) * MaxParams, 0.0); }
    void Release() { cells_ = std::vector<double>(); }
    int Rows() const { return int(cells_.size() / MaxParams); }
    double& operator()(int row, int col) {
        assert(row >= 1 && row <= Rows() && col >= 1 && col <= MaxParams);
        return cells_[std::size_t(row - 1) * MaxParams + std::size_t(col - 1)];
    }
    double operator()(int row, int col) const {
        assert(row >= 1 && row <= Rows() && col >= 1 && col <= MaxParams);
        return cells_[std::size_t(row - 1) * MaxParams + std::size_t(col - 1)];
    }

private:
    std::vector<double> cells_;
};

}  // namespace zantrel
