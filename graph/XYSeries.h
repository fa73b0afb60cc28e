#pragma once
// A curve of the x-y graph control. Every setter that changes what is drawn
// asks the owning graph for a redraw (which the graph only schedules while
// its Plotting flag is on).

#include <QColor>

#include "graph/DataSeries.h"
#include "graph/XYAppearance.h"

class QPainter;
class TXYGraph;

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

