#include "plot/Axis.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zantrel::plot {

namespace {

const QChar Minus(0x2212);

// A value of mantissa × 10^exponent written with max(0, -exponent) decimals, from its
// integer digits: no rounding of a binary fraction can change the last digit.
QString Decimal(std::int64_t mantissa, int exponent) {
    if (mantissa == 0) return QStringLiteral("0");
    QString digits = QString::number(mantissa < 0 ? -mantissa : mantissa);
    if (exponent > 0) digits += QString(exponent, QLatin1Char('0'));
    if (exponent < 0) {
        const int decimals = -exponent;
        if (digits.size() <= decimals) digits = QString(decimals - digits.size() + 1, QLatin1Char('0')) + digits;
        digits.insert(digits.size() - decimals, QLatin1Char('.'));
    }
    return mantissa < 0 ? Minus + digits : digits;
}

// Without the zeros after the decimal point that say nothing: "5.4310" -> "5.431".
QString Trimmed(QString text) {
    if (!text.contains(QLatin1Char('.'))) return text;
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text;
}

QString Superscript(int n) {
    static const char16_t digits[] = u"⁰¹²³⁴⁵⁶⁷⁸⁹";
    QString text = QString::number(std::abs(n));
    for (QChar& c : text) c = QChar(digits[c.digitValue()]);
    return n < 0 ? QStringLiteral("⁻") + text : text;
}

// Labels would need this many digits beyond those that change from tick to tick
// before an offset takes them off.
constexpr double OffsetRatio = 1e5;
// Beyond this the tick numbers no longer fit the integers the labels are made from.
constexpr double LargestMantissa = 1e15;

}  // namespace

Axis AxisOf(double low, double high, int target, bool integers) {
    Axis axis;
    if (!(high > low) || !std::isfinite(high - low) || target < 1) return axis;
    const double raw = (high - low) / target;
    const int exponent = int(std::floor(std::log10(raw)));
    // The steps around raw, ascending, each a whole mantissa times a power of ten:
    // 2.5 × 10ⁿ is 25 × 10ⁿ⁻¹.
    std::vector<std::pair<std::int64_t, int>> steps;
    for (int e = exponent - 1; e <= exponent + 1; ++e)
        for (const auto& [m, shift] : {std::pair{1, 0}, {2, 0}, {25, -1}, {5, 0}})
            if (!integers || e + shift >= 0) steps.emplace_back(m, e + shift);
    if (steps.empty()) steps.emplace_back(1, 0);
    const auto size = [](const std::pair<std::int64_t, int>& s) { return double(s.first) * std::pow(10.0, s.second); };
    const auto count = [&](double step) { return std::floor(high / step) - std::ceil(low / step) + 1; };
    std::size_t chosen = 0;
    while (chosen + 1 < steps.size() && size(steps[chosen]) < raw * (1 - 1e-12)) ++chosen;
    // A step that leaves fewer than two ticks (a count axis skips 2.5) gives way to the
    // next smaller one.
    if (chosen > 0 && count(size(steps[chosen])) < 2) --chosen;
    const std::int64_t mantissa = steps[chosen].first;
    const int stepExponent = steps[chosen].second;
    const double unit = std::pow(10.0, stepExponent);
    const double step = double(mantissa) * unit;
    if (std::max(std::abs(low), std::abs(high)) / unit > LargestMantissa) {
        // Too many digits for exact labels: the shortest text of each value.
        for (double k = std::ceil(low / step); k * step <= high && axis.ticks.size() < 50; ++k) {
            axis.ticks.push_back(k * step);
            axis.labels << QString::number(k * step, 'g', 6).replace(QLatin1Char('-'), Minus);
        }
        return axis;
    }
    // Tick k is at k × mantissa units; its label is made from that integer.
    std::vector<std::int64_t> numbers;
    for (auto k = std::int64_t(std::ceil(low / step - 1e-9)); 
         double(k) * step <= high + step * 1e-9 && numbers.size() < 50; ++k)
        numbers.push_back(k * mantissa);
    if (numbers.empty()) return axis;
    for (std::int64_t n : numbers) axis.ticks.push_back(double(n) * unit);

    const double largest = std::max(std::abs(double(numbers.front())), std::abs(double(numbers.back())));
    if (largest / double(mantissa) < OffsetRatio) {
        for (std::int64_t n : numbers) axis.labels << Decimal(n, stepExponent);
        return axis;
    }
    // The offset: the round number nearest the middle at the power of ten above the
    // span, so that the labels are small and one of them is often 0.
    std::int64_t power = 1;
    while (power <= numbers.back() - numbers.front()) power *= 10;
    const std::int64_t middle = (numbers.front() + numbers.back()) / 2;
    const std::int64_t offset = (middle >= 0 ? (middle + power / 2) : (middle - power / 2)) / power * power;
    // Labels in units of 10^scale, scale a multiple of 3 at or below the step's unit.
    const int scale = int(std::floor(stepExponent / 3.0)) * 3;
    std::int64_t factor = 1;
    for (int i = scale; i < stepExponent; ++i) factor *= 10;
    for (std::int64_t n : numbers) axis.labels << Decimal((n - offset) * factor, 0);
    axis.titleNote = QStringLiteral(": %1 + tick").arg(Trimmed(Decimal(offset, stepExponent)));
    if (scale != 0) axis.titleNote += QStringLiteral(" × 10") + Superscript(scale);
    return axis;
}

}  // namespace zantrel::plot
