#include "graph/XYSeries.h"

#include "graph/XYGraph.h"
#include "graph/XYGraphMath.h"

#include <QPainter>
#include <QPoint>
#include <algorithm>
#include <limits>
#include <vector>

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
