#include "graph/XYAppearance.h"

#include "graph/XYGraph.h"

#include <algorithm>
#include <cstdlib>

Qt::PenStyle ToQtPenStyle(TPenStyle style) {
    switch (style) {
    case TPenStyle::Solid: return Qt::SolidLine;
    case TPenStyle::Dash: return Qt::DashLine;
    case TPenStyle::Dot: return Qt::DotLine;
    case TPenStyle::DashDot: return Qt::DashDotLine;
    case TPenStyle::DashDotDot: return Qt::DashDotDotLine;
    case TPenStyle::Clear: return Qt::NoPen;
    case TPenStyle::InsideFrame: return Qt::SolidLine;
    }
    return Qt::SolidLine;
}

// ---- TDimensions -------------------------------------------------------------

void TDimensions::SetLeftMargin(std::uint16_t v) { left_ = v; graph_.RepaintIfPlotting(); }
void TDimensions::SetRightMargin(std::uint16_t v) { right_ = v; graph_.RepaintIfPlotting(); }
void TDimensions::SetTopMargin(std::uint16_t v) { top_ = v; graph_.RepaintIfPlotting(); }
void TDimensions::SetBottomMargin(std::uint16_t v) { bottom_ = v; graph_.RepaintIfPlotting(); }
void TDimensions::SetTickLength(std::uint16_t v) { tick_ = v; graph_.RepaintIfPlotting(); }

// ---- TAppearance -------------------------------------------------------------

QFont TGraphFont::ToQFont() const {
    QFont f(QString::fromStdString(Face));
    f.setPixelSize(std::max(1, std::abs(Height)));
    f.setBold(Bold);
    f.setItalic(Italic);
    f.setUnderline(Underline);
    f.setStrikeOut(StrikeOut);
    return f;
}

void TAppearance::SetAxesColor(const QColor& c) { axes_ = c; graph_.RepaintIfPlotting(); }
void TAppearance::SetBackgroundColor(const QColor& c) { background_ = c; graph_.RepaintIfPlotting(); }
void TAppearance::SetMarginColor(const QColor& c) { margin_ = c; graph_.RepaintIfPlotting(); }
void TAppearance::SetGridColor(const QColor& c) { grid_ = c; graph_.RepaintIfPlotting(); }
void TAppearance::SetGridStyle(TPenStyle s) { gridStyle_ = s; graph_.RepaintIfPlotting(); }
void TAppearance::SetLabelFont(const TGraphFont& f) { font_ = f; graph_.RepaintIfPlotting(); }
