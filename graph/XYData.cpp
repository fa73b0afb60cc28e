#include "XYData.h"

#include "XYGraph.h"
#include "XYGraphMath.h"

#include <QPainter>
#include <QPoint>
#include <algorithm>
#include <limits>
#include <vector>

// ---- TDataSeries -----------------------------------------------------------

TDataSeries::TDataSeries(int retain) : retain_(std::max(0, retain)) {}

int TDataSeries::AddPoint(int x, int y) {
    points_.push_back({static_cast<std::int64_t>(x) - offset_, y});
    if (retain_ > 0 && points_.size() > static_cast<std::size_t>(retain_)) points_.pop_front();
    Changed();
    return Count();
}

TGraphPoint TDataSeries::GetPoint(int index) const {
    const std::int64_t x = GetX64(index);
    constexpr std::int64_t lo = std::numeric_limits<int>::min();
    constexpr std::int64_t hi = std::numeric_limits<int>::max();
    return {static_cast<int>(std::clamp(x, lo, hi)), points_[static_cast<std::size_t>(index)].Y};
}

void TDataSeries::ClearPoints() {
    std::deque<TStored>().swap(points_);
    offset_ = 0;
}

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

// ---- TSeries ---------------------------------------------------------------

// A curve never shows more than its newest kMaxDrawnPoints points, so it
// keeps no more than that: long runs neither grow memory nor slow down.
TSeries::TSeries(TXYGraph& graph, int key)
    : TDataSeries(xygraph::kMaxDrawnPoints), graph_(graph), key_(key) {}

TSeries::~TSeries() { graph_.RemoveSeries(this); }

void TSeries::SetColor(const QColor& color) {
    if (color.rgb() == color_.rgb()) return;
    color_ = color;
    Changed();
}

void TSeries::SetPenStyle(TPenStyle style) {
    if (style == penStyle_) return;
    penStyle_ = style;
    Changed();
}

void TSeries::Changed() { graph_.RepaintIfPlotting(); }

void TSeries::DrawSeries(QPainter& canvas) {
    const QSize client = graph_.ClientSize();
    const TDimensions& dim = graph_.Dimensions();
    const int right = client.width() - dim.RightMargin();
    const int bottom = client.height() - dim.BottomMargin();
    canvas.setClipRect(QRect(dim.LeftMargin(), dim.TopMargin(), right - dim.LeftMargin(),
                             bottom - dim.TopMargin()));
    try {
        QPen pen(color_, 1, ToQtPenStyle(penStyle_));
        canvas.setPen(pen);
        const int count = Count();
        const int first = xygraph::FirstDrawnIndex(count);
        std::vector<QPoint> buffer;
        buffer.reserve(static_cast<std::size_t>(xygraph::kMaxDrawnPoints) + 1);
        const TXAxis& xa = graph_.XAxis();
        const TYAxis& ya = graph_.YAxis();
        for (int i = first; i < count; ++i)
            buffer.emplace_back(xa.ValueToX(GetX64(i)), ya.ValueToY(GetPoint(i).Y));
        if (buffer.size() >= 2) canvas.drawPolyline(buffer.data(), static_cast<int>(buffer.size()));
    } catch (...) {
        // A curve that cannot be drawn is left out; the pass goes on.
    }
    canvas.setClipRect(QRect(0, 0, client.width(), client.height()));
}

// ---- TAxis -----------------------------------------------------------------

TAxis::TAxis(TXYGraph& graph, int min, int max) : graph_(graph), min_(min), max_(max) {}

void TAxis::SetPlotRect(int left, int top, int right, int bottom) {
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
}

int TAxis::ValueToX(std::int64_t v) const { return xygraph::MapValue(v, min_, max_, left_, right_); }

// Min maps to the bottom edge and Max to the top one.
int TAxis::ValueToY(std::int64_t v) const { return xygraph::MapValue(v, max_, min_, top_, bottom_); }

void TAxis::SetMin(int v) {
    if (v == min_) return;
    min_ = v;
    graph_.RepaintIfPlotting();
}

void TAxis::SetMax(int v) {
    if (v == max_) return;
    max_ = v;
    graph_.RepaintIfPlotting();
}

void TAxis::SetStep(std::uint16_t v) {
    step_ = std::max<std::uint16_t>(1, v);  // the label spacing divides by it
    graph_.RepaintIfPlotting();
}

void TAxis::SetGridlines(bool v) {
    gridlines_ = v;
    graph_.RepaintIfPlotting();
}

void TAxis::SetUnitStr(const std::string& v) {
    unitStr_ = v;
    graph_.RepaintIfPlotting();
}

// The label side takes the wider margin; moving the axis does not redraw.
void TXAxis::SetAxisPos(TXAxisPos pos) {
    if (pos == pos_) return;
    pos_ = pos;
    TDimensions& dim = graph_.Dimensions();
    dim.bottom_ = pos == TXAxisPos::TopPos ? 10 : 20;
    dim.top_ = pos == TXAxisPos::TopPos ? 20 : 10;
}

void TYAxis::SetAxisPos(TYAxisPos pos) {
    if (pos == pos_) return;
    pos_ = pos;
    TDimensions& dim = graph_.Dimensions();
    dim.left_ = pos == TYAxisPos::LeftPos ? 40 : 18;
    dim.right_ = pos == TYAxisPos::LeftPos ? 18 : 40;
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
