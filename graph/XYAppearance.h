#pragma once
// The settings records of the x-y graph control: the line styles, the
// margins TDimensions, the label font TGraphFont and the colours
// TAppearance. Every setter asks the owning graph for a redraw.

#include <QColor>
#include <QFont>
#include <cstdint>
#include <string>

class TXYGraph;

enum class TPenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };
Qt::PenStyle ToQtPenStyle(TPenStyle style);

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
