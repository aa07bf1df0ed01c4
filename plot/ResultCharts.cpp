// The charts of one run.

#include "plot/Charts.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QStringDecoder>

namespace zantrel::plot {

namespace {

Panel Titled(const QString& title, const QString& xTitle, const QString& yTitle,
             std::vector<double> yLimits = {}) {
    Panel panel = TitledPanel(title, xTitle, yTitle);
    panel.yLimits = std::move(yLimits);
    return panel;
}

QString Indices(int h, int k, int l) { return QStringLiteral("%1 %2 %3").arg(h).arg(k).arg(l); }

// The observed position on the plot's axis. 2θ of d data by Bragg's law,
// λ = 2 d sin θ; Q = 1/d² as the report defines it.
double PositionOf(const ReflectionRow& row, Quantity data, Position position, double wavelength) {
    switch (position) {
        case Position::TwoTheta:
            if (data == Quantity::D) return 2 * std::asin(wavelength / (2 * row.dObs)) * 180 / std::numbers::pi;
            return row.positionObs;
        case Position::Q: return 1 / (row.dObs * row.dObs);
        case Position::Data:
        case Position::Automatic: break;
    }
    return data == Quantity::D ? row.dObs : row.positionObs;
}

Quantity AxisQuantity(Quantity data, Position position) {
    if (position == Position::TwoTheta) return Quantity::TwoTheta;
    if (position == Position::Q) return Quantity::Q;
    return data;
}

std::optional<double> DataResidual(const ReflectionRow& row, Quantity data) {
    if (data == Quantity::D) return row.dResidual;
    return row.positionResidual;
}

Marker ReflectionMarker(const ReflectionRow& row, std::size_t index, double x, double y, bool flagged,
                        double priority) {
    Marker m;
    m.x = x;
    m.y = y;
    m.marked = flagged;
    m.priority = priority;
    if (flagged) m.label = Indices(row.h, row.k, row.l);
    m.row = int(index);
    return m;
}

QString QuantitySymbol(Quantity q) {
    switch (q) {
        case Quantity::TwoTheta: return QStringLiteral("2θ");
        case Quantity::D: return QStringLiteral("d");
        case Quantity::Energy: return QStringLiteral("E");
        case Quantity::Q: return QStringLiteral("Q");
    }
    return {};
}

QString ResidualTitle(Quantity q) {
    return QStringLiteral("Δ") + QuantityTitle(q).replace(QStringLiteral(" ("), QStringLiteral(" obs − calc ("));
}

}  // namespace

QString QuantityTitle(Quantity q) {
    QString unit;
    switch (q) {
        case Quantity::TwoTheta: unit = QStringLiteral("°"); break;
        case Quantity::D: unit = QStringLiteral("Å"); break;
        case Quantity::Energy: unit = QStringLiteral("keV"); break;
        case Quantity::Q: unit = QStringLiteral("Å⁻²"); break;
    }
    return QuantitySymbol(q) + QStringLiteral(" (") + unit + QStringLiteral(")");
}

Position PositionFor(const Results& r, Position wanted) {
    const bool dData = r.settings.data == Quantity::D;
    if (wanted == Position::Data || (!dData && wanted == Position::Automatic)) return Position::Data;
    if (!dData) return wanted == Position::Q ? Position::Q : Position::Data;  // 2θ or E as measured
    if (wanted == Position::Q) return Position::Q;
    // 2θ needs λ/2d ≤ 1 for every reflection; otherwise Q, which every d has.
    const double lambda = r.settings.wavelength;
    const bool reachable = lambda > 0 && std::all_of(r.reflections.begin(), r.reflections.end(), [&](const ReflectionRow& row) {
        return row.dObs > 0 && lambda / (2 * row.dObs) <= 1;
    });
    return reachable ? Position::TwoTheta : Position::Q;
}

namespace {

Panel ResidualsAgainstPosition(const Results& r, Quantity residualQuantity, Position wanted, bool band) {
    const Quantity data = r.settings.data;
    const Position position = PositionFor(r, wanted);
    Panel panel = Titled(QStringLiteral("Residuals in %1").arg(QuantitySymbol(residualQuantity)),
                         QuantityTitle(AxisQuantity(data, position)), ResidualTitle(residualQuantity));
    const double width = (residualQuantity == Quantity::D ? 1.5 : 2.0) * r.fit.aad;
    for (std::size_t i = 0; i < r.reflections.size(); ++i) {
        const ReflectionRow& row = r.reflections[i];
        const std::optional<double> y = residualQuantity == r.settings.minimised
                                            ? std::optional<double>(row.residual) : DataResidual(row, data);
        if (!y) continue;
        const double x = PositionOf(row, data, position, r.settings.wavelength);
        if (!std::isfinite(x)) continue;
        panel.markers.push_back(ReflectionMarker(row, i, x, *y, row.marked, std::abs(*y)));
    }
    // The report marks a row beyond 2 aad, or 1.5 aad when d is minimised.
    if (band && width > 0) panel.band = std::make_pair(-width, width);
    FitRanges(panel);
    return panel;
}

}  // namespace

Panel ResidualPanel(const Results& r, Position position) {
    return ResidualsAgainstPosition(r, r.settings.minimised, position, true);
}

Panel DataResidualPanel(const Results& r, Position position) {
    return ResidualsAgainstPosition(r, r.settings.data, position, false);
}

Panel InfluencePanel(const Results& r) {
    const Diagnostics& d = r.diagnostics;
    Panel panel = Titled(QStringLiteral("Influence"), QStringLiteral("leverage (hat)"), QStringLiteral("Rstudent"),
                         {-d.rStudentLimit, d.rStudentLimit});
    panel.xLimits = {d.leverageLimit};
    for (std::size_t i = 0; i < d.rows.size() && i < r.reflections.size(); ++i) {
        const DiagnosticRow& row = d.rows[i];
        if (!row.rStudent) continue;  // the report prints n/a: no point to place
        Marker m = ReflectionMarker(r.reflections[i], i, row.leverage, *row.rStudent,
                                    row.flaggedFit || row.flaggedParameters,
                                    row.dfFits ? std::abs(*row.dfFits) : std::abs(*row.rStudent));
        // 2.5 px at no influence, 9.5 px at twice the DFFITS limit and beyond.
        if (row.dfFits && d.dfFitsLimit > 0)
            m.radius = 2.5 + 3.5 * std::min(2.0, std::abs(*row.dfFits) / d.dfFitsLimit);
        panel.markers.push_back(m);
    }
    FitRanges(panel);
    panel.xMin = std::min(panel.xMin, 0.0);
    return panel;
}

Panel ParameterChangePanel(const Results& r) {
    const Diagnostics& d = r.diagnostics;
    Panel panel = Titled(QStringLiteral("Largest DfBeta (% of σ)"), QStringLiteral("reflection no"),
                         QStringLiteral("|DfBeta| (% of σ)"), {d.parameterChangeLimitPercent});
    panel.bars = true;
    panel.xIntegers = true;
    for (std::size_t i = 0; i < d.rows.size() && i < r.reflections.size(); ++i) {
        double largest = 0;
        std::size_t which = 0;
        for (std::size_t j = 0; j < d.rows[i].parameterChangePercent.size(); ++j)
            if (auto c = d.rows[i].parameterChangePercent[j]; c && std::abs(*c) > largest) {
                largest = std::abs(*c);
                which = j;
            }
        Marker m;
        m.x = double(i + 1);
        m.y = largest;
        m.radius = 2;
        m.row = int(i);
        m.priority = largest;
        // The core's flag: it also marks a deletion whose cell has no direct form.
        m.marked = d.rows[i].flaggedParameters;
        // The reflection's indices name the bar; the parameter it moves is in its tooltip.
        if (m.marked && largest > 0 && which < r.parameters.size())
            m.label = Indices(r.reflections[i].h, r.reflections[i].k, r.reflections[i].l);
        panel.markers.push_back(m);
    }
    FitRanges(panel);
    return panel;
}

namespace {

QString GreekName(const std::string& label) {
    if (label == "alpha") return QStringLiteral("α");
    if (label == "beta") return QStringLiteral("β");
    if (label == "gamma") return QStringLiteral("γ");
    return QString::fromStdString(label);
}

// value(sigma) with the sigma's first significant digit as the last digit shown.
QString WithSigma(double value, double sigma) {
    if (!(sigma > 0) || !std::isfinite(sigma)) return QString::number(value, 'f', 5);
    const int decimals = std::clamp(int(-std::floor(std::log10(sigma))), 0, 8);
    const double digits = std::round(sigma * std::pow(10.0, decimals));
    return QStringLiteral("%1(%2)").arg(QString::number(value, 'f', decimals)).arg(digits, 0, 'f', 0);
}

std::vector<LegendEntry> Legend(const Results& r) {
    std::vector<LegendEntry> legend{{LegendKey::Point, QStringLiteral("reflection")},
                                    {LegendKey::Marked, QStringLiteral("bulleted in the report or flagged by the diagnostics")}};
    if (r.fit.aad > 0)
        legend.push_back({LegendKey::Band, r.settings.minimised == Quantity::D ? QStringLiteral("±1.5 aad")
                                                                             : QStringLiteral("±2 aad")});
    if (!r.diagnostics.rows.empty()) {
        legend.push_back({LegendKey::Limit, QStringLiteral("the report's limits")});
        legend.push_back({LegendKey::Size, QStringLiteral("size: |DFFITS|")});
    }
    return legend;
}

}  // namespace

QString TitleText(const Results& r) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArray::fromStdString(r.title));
    if (utf8.hasError()) text = QString::fromLatin1(r.title.data(), qsizetype(r.title.size()));
    return text.trimmed();
}

QString CellLine(const Results& r) {
    QStringList parts;
    for (const RefinedParameter& p : r.parameters) {
        const bool angle = p.label == "alpha" || p.label == "beta" || p.label == "gamma";
        parts << QStringLiteral("%1 = %2 %3").arg(GreekName(p.label), WithSigma(double(p.estimate.value), double(p.estimate.sigma)),
                                                angle ? QStringLiteral("°") : QStringLiteral("Å"));
    }
    parts << QStringLiteral("V = %1 Å³").arg(WithSigma(double(r.volume.value), double(r.volume.sigma)));
    return parts.join(QStringLiteral("   "));
}

Page ResultsPage(const Results& r, const QString& file, Position position) {
    Page page;
    page.columns = 2;
    page.panels.push_back(ResidualPanel(r, position));
    if (r.settings.minimised != r.settings.data) page.panels.push_back(DataResidualPanel(r, position));
    if (!r.diagnostics.rows.empty()) {
        page.panels.push_back(InfluencePanel(r));
        page.panels.push_back(ParameterChangePanel(r));
    }
    const QString title = TitleText(r);
    page.heading << (file.isEmpty() ? title : title.isEmpty() ? file : file + QStringLiteral(" — ") + title);
    page.heading << CellLine(r);
    page.legend = Legend(r);
    return page;
}

}  // namespace zantrel::plot
