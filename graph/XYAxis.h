#pragma once
// The axes of the x-y graph control: value to pixel mapping, labels and
// drawing. Setters ask the owning graph for a redraw.

#include <cstdint>
#include <string>

class QPainter;
class TXYGraph;

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
