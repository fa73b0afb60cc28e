#pragma once
// Value types of the x-y graph control: the point store TDataSeries, the
// curve TSeries, the axes TAxis/TXAxis/TYAxis and the settings records
// TDimensions and TAppearance. Every setter that changes what is drawn asks
// the owning graph for a redraw (which the graph only schedules while its
// Plotting flag is on).

#include <QColor>
#include <QFont>
#include <cstdint>
#include <deque>
#include <string>

class QPainter;
class TXYGraph;

struct TGraphPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TGraphPoint&) const = default;
};

// Ordered store of integer points. X is kept as a stored value plus one
// offset shared by the whole series, so that shifting every point costs the
// same whatever the number of points. A store created with a retention
// limit keeps only its newest `retain` points: older ones are released as
// new ones arrive.
class TDataSeries {
public:
    explicit TDataSeries(int retain = 0);
    virtual ~TDataSeries() = default;
    TDataSeries(const TDataSeries&) = delete;
    TDataSeries& operator=(const TDataSeries&) = delete;

    // Appends (x, y), sends Changed and returns the number of points held.
    int AddPoint(int x, int y);
    int Count() const { return static_cast<int>(points_.size()); }
    // Point index (0 = oldest held); index must be below Count(). X values
    // beyond the 32-bit range read back held at its bounds.
    TGraphPoint GetPoint(int index) const;
    // X of point index with the full range of the shift offset.
    std::int64_t GetX64(int index) const { return points_[static_cast<std::size_t>(index)].X + offset_; }
    // Adds dx to the X of every point: no notification.
    void ShiftX(int dx) { offset_ += dx; }
    void ClearPoints();
    int Retain() const { return retain_; }

protected:
    virtual void Changed() {}

private:
    struct TStored {
        std::int64_t X;
        int Y;
    };
    std::deque<TStored> points_;
    std::int64_t offset_ = 0;
    int retain_ = 0;
};

enum class TPenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };
Qt::PenStyle ToQtPenStyle(TPenStyle style);

// A curve of a graph. Created by TXYGraph::GetSeries; deleting it removes
// it from its graph. Keeps only the points a drawing pass can still show.
class TSeries : public TDataSeries {
public:
    TSeries(TXYGraph& graph, int key);
    ~TSeries() override;

    TXYGraph& Graph() const { return graph_; }
    int Key() const { return key_; }
    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    TPenStyle PenStyle() const { return penStyle_; }
    void SetPenStyle(TPenStyle style);

    // Draws the newest points (at most 3000) as one polyline, clipped to the
    // graph's plot area.
    void DrawSeries(QPainter& canvas);

protected:
    void Changed() override;

private:
    TXYGraph& graph_;
    int key_;
    QColor color_{255, 0, 0};
    TPenStyle penStyle_ = TPenStyle::Solid;
};

enum class TXAxisPos { TopPos, BottomPos };
enum class TYAxisPos { LeftPos, RightPos };

class TAxis {
public:
    TAxis(TXYGraph& graph, int min, int max);
    virtual ~TAxis() = default;

    TXYGraph& Graph() const { return graph_; }
    void SetPlotRect(int left, int top, int right, int bottom);
    int PlotLeft() const { return left_; }
    int PlotTop() const { return top_; }
    int PlotRight() const { return right_; }
    int PlotBottom() const { return bottom_; }

    int ValueToX(std::int64_t v) const;
    int ValueToY(std::int64_t v) const;

    int Min() const { return min_; }
    void SetMin(int v);
    int Max() const { return max_; }
    void SetMax(int v);
    // Number of label intervals; at least 1 (0 is stored as 1).
    std::uint16_t Step() const { return step_; }
    void SetStep(std::uint16_t v);
    bool Gridlines() const { return gridlines_; }
    void SetGridlines(bool v);
    const std::string& UnitStr() const { return unitStr_; }
    void SetUnitStr(const std::string& v);

    // Text of label i (0 .. Step) with the user's decimal separator.
    virtual std::string LabelText(int i) const = 0;
    virtual void DrawAxis(QPainter& canvas) = 0;

protected:
    TXYGraph& graph_;
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    int min_, max_;
    std::uint16_t step_ = 5;
    bool gridlines_ = true;
    std::string unitStr_;
};

class TXAxis : public TAxis {
public:
    explicit TXAxis(TXYGraph& graph) : TAxis(graph, 0, 100) {}
    TXAxisPos AxisPos() const { return pos_; }
    void SetAxisPos(TXAxisPos pos);
    std::string LabelText(int i) const override;
    void DrawAxis(QPainter& canvas) override;

private:
    TXAxisPos pos_ = TXAxisPos::BottomPos;
};

class TYAxis : public TAxis {
public:
    explicit TYAxis(TXYGraph& graph) : TAxis(graph, -50, 50) {}
    TYAxisPos AxisPos() const { return pos_; }
    void SetAxisPos(TYAxisPos pos);
    std::string LabelText(int i) const override;
    void DrawAxis(QPainter& canvas) override;

private:
    TYAxisPos pos_ = TYAxisPos::LeftPos;
};

class TDimensions {
public:
    explicit TDimensions(TXYGraph& graph) : graph_(graph) {}
    std::uint16_t LeftMargin() const { return left_; }
    std::uint16_t RightMargin() const { return right_; }
    std::uint16_t TopMargin() const { return top_; }
    std::uint16_t BottomMargin() const { return bottom_; }
    std::uint16_t TickLength() const { return tick_; }
    void SetLeftMargin(std::uint16_t v);
    void SetRightMargin(std::uint16_t v);
    void SetTopMargin(std::uint16_t v);
    void SetBottomMargin(std::uint16_t v);
    void SetTickLength(std::uint16_t v);

private:
    friend class TXAxis;
    friend class TYAxis;
    TXYGraph& graph_;
    std::uint16_t left_ = 50, right_ = 18, top_ = 10, bottom_ = 20, tick_ = 4;
};

// Font of the axis texts: face, character height in pixels, colour, style.
struct TGraphFont {
    std::string Face = "Arial";
    int Height = 9;
    QColor Color{0, 0, 0};
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    bool operator==(const TGraphFont&) const = default;
    QFont ToQFont() const;
};

class TAppearance {
public:
    explicit TAppearance(TXYGraph& graph) : graph_(graph) {}
    QColor AxesColor() const { return axes_; }
    QColor BackgroundColor() const { return background_; }
    QColor MarginColor() const { return margin_; }
    QColor GridColor() const { return grid_; }
    TPenStyle GridStyle() const { return gridStyle_; }
    const TGraphFont& LabelFont() const { return font_; }
    void SetAxesColor(const QColor& c);
    void SetBackgroundColor(const QColor& c);
    void SetMarginColor(const QColor& c);
    void SetGridColor(const QColor& c);
    void SetGridStyle(TPenStyle s);
    void SetLabelFont(const TGraphFont& f);

private:
    TXYGraph& graph_;
    QColor axes_{0, 0, 0};
    QColor background_{255, 255, 255};
    QColor margin_{255, 255, 255};
    QColor grid_{192, 192, 192};
    TPenStyle gridStyle_ = TPenStyle::Dot;
    TGraphFont font_;
};
