#include "plot/EosCharts.h"

#include <cmath>

#include "eos/Curve.h"

namespace zantrel::plot {

namespace {

using Line = std::vector<std::pair<double, double>>;

Panel Titled(const QString& title, const QString& x, const QString& y, bool zeroLine) {
    Panel panel = TitledPanel(title, x, y);
    panel.zeroLine = zeroLine;
    return panel;
}

Panel PressureVolume(const eos::EosFit& fit, const std::vector<eos::CurvePoint>& curve) {
    Panel panel = Titled(QStringLiteral("P–V with the fit and its 1σ band"), QStringLiteral("V (Å³)"),
                         QStringLiteral("P (GPa)"), true);
    for (std::size_t i = 0; i < fit.points.size(); ++i) {
        const eos::PointInfluence& p = fit.points[i];
        panel.markers.push_back({p.volume, p.pressure, p.sigmaEffective, 3.5, p.flaggedFit || p.flaggedParameters, {}, int(i)});
    }
    Line mid, up, down;
    for (const eos::CurvePoint& c : curve) {
        mid.emplace_back(c.volume, c.pressure);
        up.emplace_back(c.volume, c.pressure + c.sigma);
        down.emplace_back(c.volume, c.pressure - c.sigma);
    }
    panel.curves = {mid, up, down};
    FitRanges(panel);
    return panel;
}

Panel StrainPanel(const eos::EosFit& fit, const std::vector<eos::CurvePoint>& curve) {
    Panel panel = Titled(QStringLiteral("F–f: normalised pressure against Eulerian strain"), QStringLiteral("f_E"),
                         QStringLiteral("F_E (GPa)"), false);
    for (std::size_t i = 0; i < fit.strain.size(); ++i) {
        const eos::StrainPoint& s = fit.strain[i];
        panel.markers.push_back({s.f, s.normalisedPressure, s.sigmaNormalisedPressure, 3.5, false, {}, int(i)});
    }
    Line line;
    for (const eos::CurvePoint& c : curve)
        if (c.f > 1e-5) line.emplace_back(c.f, c.normalisedPressure);
    panel.curves = {line};
    FitRanges(panel);
    return panel;
}

Panel EllipsePanel(const eos::EosFit& fit) {
    Panel panel = Titled(QStringLiteral("K0–K0′: 68.3 % and 95.4 % regions"), QStringLiteral("K0 (GPa)"),
                         QStringLiteral("K0′"), false);
    panel.markers.push_back({fit.cold.k0, fit.cold.k0p, 0, 3.5, false, {}, -1});
    for (const eos::Ellipse& e : fit.ellipses) panel.curves.push_back(e.points);
    FitRanges(panel);
    return panel;
}

Panel InfluencePanel(const eos::EosFit& fit) {
    Panel panel = Titled(QStringLiteral("Influence: Rstudent against leverage"), QStringLiteral("leverage"),
                         QStringLiteral("Rstudent"), true);
    panel.xLimits = {fit.leverageLimit};
    panel.yLimits = {-fit.rStudentLimit, fit.rStudentLimit};
    for (std::size_t i = 0; i < fit.points.size(); ++i) {
        const eos::PointInfluence& p = fit.points[i];
        if (!p.rStudent) continue;
        const bool flagged = p.flaggedFit || p.flaggedParameters;
        panel.markers.push_back({p.leverage, *p.rStudent, 0, 3.5, flagged, flagged ? QString::number(i + 1) : QString(), int(i)});
    }
    FitRanges(panel);
    return panel;
}

}  // namespace

Page EosPage(const eos::EosFit& fit) {
    const std::vector<eos::CurvePoint> curve = eos::FittedCurve(fit);
    Page page;
    page.columns = 2;
    page.panels = {PressureVolume(fit, curve), StrainPanel(fit, curve), InfluencePanel(fit)};
    if (!fit.ellipses.empty()) page.panels.insert(page.panels.begin() + 2, EllipsePanel(fit));
    return page;
}

}  // namespace zantrel::plot
