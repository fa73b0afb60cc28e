// Drawing of the two axes: plot background, axis lines, ticks, grid lines,
// value labels and unit captions.
#include "graph/XYAxis.h"
#include "graph/XYGraph.h"
#include "graph/XYGraphMath.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <cstdlib>

namespace {

std::string DecimalSeparator() { return QLocale().decimalPoint().toStdString(); }

// Text with its horizontal centre at cx and its top at top, on an opaque
// background.
void DrawCentredText(QPainter& p, int cx, int top, const std::string& text, const TAppearance& look) {
    const QString s = QString::fromStdString(text);
    const QFontMetrics fm = p.fontMetrics();
    const int w = fm.horizontalAdvance(s);
    const QRect box(cx - w / 2, top, w, fm.height());
    p.fillRect(box, look.MarginColor());
    const QPen keep = p.pen();
    p.setPen(look.LabelFont().Color);
    p.drawText(box.left(), top + fm.ascent(), s);
    p.setPen(keep);
}

QPen AxesPen(const TAppearance& look) { return QPen(look.AxesColor(), 1, Qt::SolidLine); }
QPen GridPen(const TAppearance& look) { return QPen(look.GridColor(), 1, ToQtPenStyle(look.GridStyle())); }

void Polyline4(QPainter& p, QPoint a, QPoint b, QPoint c, QPoint d) {
    const QPoint pts[4] = {a, b, c, d};
    p.drawPolyline(pts, 4);
}

}  // namespace

std::string TXAxis::LabelText(int i) const {
    return xygraph::FormatOneDecimal(xygraph::XLabelValue(min_, max_, step_, i), DecimalSeparator());
}

std::string TYAxis::LabelText(int i) const {
    return xygraph::FormatOneDecimal(xygraph::YLabelValue(min_, max_, step_, i), DecimalSeparator());
}

void TXAxis::DrawAxis(QPainter& canvas) {
    const TAppearance& look = graph_.Appearance();
    const int T = graph_.Dimensions().TickLength();
    const int L = left_, Tp = top_, R = right_, B = bottom_;
    const int H = std::abs(look.LabelFont().Height);
    const bool bottom = pos_ == TXAxisPos::BottomPos;

    canvas.fillRect(QRect(QPoint(L, Tp + 1), QPoint(R - 1, B - 1)), look.BackgroundColor());
    canvas.setFont(look.LabelFont().ToQFont());
    canvas.setPen(AxesPen(look));
    canvas.setBrush(Qt::NoBrush);

    int ly;
    if (bottom) {
        Polyline4(canvas, {L, B + T}, {L, B}, {R, B}, {R, B + T});
        ly = B + T;
    } else {
        Polyline4(canvas, {L, Tp - T}, {L, Tp}, {R, Tp}, {R, Tp - T});
        ly = (Tp - H) / 2;
    }
    if (gridlines_) {
        canvas.setPen(GridPen(look));
        const int x = graph_.YAxis().AxisPos() == TYAxisPos::LeftPos ? R : L;
        canvas.drawLine(x, Tp, x, B);
    }
    const std::vector<int> ticks = xygraph::TickPositions(L, R, step_);
    for (int i = 0; i <= step_; ++i) {
        const int x = ticks[static_cast<std::size_t>(i)];
        if (i > 0 && i < step_) {
            canvas.setPen(AxesPen(look));
            if (bottom) canvas.drawLine(x, B + T, x, B);
            else canvas.drawLine(x, Tp - T, x, Tp);
            if (gridlines_) {
                canvas.setPen(GridPen(look));
                canvas.drawLine(x, Tp, x, B);
            }
        }
        DrawCentredText(canvas, x, ly, LabelText(i), look);
    }
    DrawCentredText(canvas, L + (R - L) / (2 * step_), ly, unitStr_, look);
}

void TYAxis::DrawAxis(QPainter& canvas) {
    const TAppearance& look = graph_.Appearance();
    const TDimensions& dim = graph_.Dimensions();
    const int T = dim.TickLength();
    const int L = left_, Tp = top_, R = right_, B = bottom_;
    const int H = std::abs(look.LabelFont().Height);
    const bool leftSide = pos_ == TYAxisPos::LeftPos;

    canvas.setFont(look.LabelFont().ToQFont());
    canvas.setPen(AxesPen(look));
    canvas.setBrush(Qt::NoBrush);

    int lx;
    if (leftSide) {
        Polyline4(canvas, {L - T, Tp}, {L, Tp}, {L, B}, {L - T, B});
        lx = L / 2;
    } else {
        Polyline4(canvas, {R + T, Tp}, {R, Tp}, {R, B}, {R + T, B});
        lx = R + dim.RightMargin() / 2;
    }
    if (gridlines_) {
        canvas.setPen(GridPen(look));
        const int y = graph_.XAxis().AxisPos() == TXAxisPos::BottomPos ? Tp : B;
        canvas.drawLine(L, y, R, y);
    }
    const std::vector<int> ticks = xygraph::TickPositions(Tp, B, step_);
    for (int i = 0; i <= step_; ++i) {
        const int y = ticks[static_cast<std::size_t>(i)];
        if (i > 0 && i < step_) {
            canvas.setPen(AxesPen(look));
            if (leftSide) canvas.drawLine(L - T, y, L, y);
            else canvas.drawLine(R + T, y, R, y);
            if (gridlines_) {
                canvas.setPen(GridPen(look));
                canvas.drawLine(L, y, R, y);
            }
        }
        DrawCentredText(canvas, lx, y - H / 2, LabelText(i), look);
    }
    DrawCentredText(canvas, lx, Tp + (B - Tp) / (2 * step_) - H / 2, unitStr_, look);
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
