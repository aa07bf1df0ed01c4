// The charts of one run.

#include "plot/Charts.h"

#include <algorithm>
#include <cmath>

namespace zantrel::plot {

namespace {

Panel Titled(const QString& title, const QString& xTitle, const QString& yTitle,
             std::vector<double> yLimits = {}) {
    Panel panel = TitledPanel(title, xTitle, yTitle);
    panel.yLimits = std::move(yLimits);
    return panel;
}

QString Indices(int h, int k, int l) { return QStringLiteral("%1 %2 %3").arg(h).arg(k).arg(l); }

// The position as the data are: d for d data, else 2θ or energy as the record keeps it.
double Position(const ReflectionRow& row, Quantity data) { return data == Quantity::D ? row.dObs : row.positionObs; }

std::optional<double> DataResidual(const ReflectionRow& row, Quantity data) {
    if (data == Quantity::D) return row.dResidual;
    return row.positionResidual;
}

Marker ReflectionMarker(const ReflectionRow& row, std::size_t index, double x, double y, bool flagged) {
    Marker m;
    m.x = x;
    m.y = y;
    m.marked = flagged;
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

Panel ResidualPanel(const Results& r) {
    const Quantity data = r.settings.data, minimised = r.settings.minimised;
    Panel panel = Titled(QStringLiteral("Residuals in %1").arg(QuantitySymbol(minimised)),
                         QuantityTitle(data), ResidualTitle(minimised));
    for (std::size_t i = 0; i < r.reflections.size(); ++i) {
        const ReflectionRow& row = r.reflections[i];
        panel.markers.push_back(ReflectionMarker(row, i, Position(row, data), row.residual, row.marked));
    }
    // The report marks a row beyond 2 aad, or 1.5 aad when d is minimised.
    const double width = (minimised == Quantity::D ? 1.5 : 2.0) * r.fit.aad;
    if (width > 0) panel.band = std::make_pair(-width, width);
    FitRanges(panel);
    return panel;
}

Panel DataResidualPanel(const Results& r) {
    const Quantity data = r.settings.data;
    Panel panel = Titled(QStringLiteral("Residuals in %1").arg(QuantitySymbol(data)),
                         QuantityTitle(data), ResidualTitle(data));
    for (std::size_t i = 0; i < r.reflections.size(); ++i) {
        const ReflectionRow& row = r.reflections[i];
        if (auto y = DataResidual(row, data))
            panel.markers.push_back(ReflectionMarker(row, i, Position(row, data), *y, row.marked));
    }
    FitRanges(panel);
    return panel;
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
                                    row.flaggedFit || row.flaggedParameters);
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
    Panel panel = Titled(QStringLiteral("Largest parameter change (DfBetas)"),
                         QStringLiteral("reflection no"), QStringLiteral("|change| (% of sigma)"),
                         {d.parameterChangeLimitPercent});
    panel.bars = true;
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
        // The core's flag: it also marks a deletion whose cell has no direct form.
        m.marked = d.rows[i].flaggedParameters;
        if (m.marked && largest > 0 && which < r.parameters.size())
            m.label = QString::fromStdString(r.parameters[which].label);
        panel.markers.push_back(m);
    }
    FitRanges(panel);
    return panel;
}

Page ResultsPage(const Results& r) {
    Page page;
    page.columns = 2;
    page.panels.push_back(ResidualPanel(r));
    if (r.settings.minimised != r.settings.data) page.panels.push_back(DataResidualPanel(r));
    if (!r.diagnostics.rows.empty()) {
        page.panels.push_back(InfluencePanel(r));
        page.panels.push_back(ParameterChangePanel(r));
    }
    return page;
}

}  // namespace zantrel::plot
