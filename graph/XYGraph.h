#pragma once
// TXYGraph: a bordered child control that plots integer curves against two
// axes with grid lines and labels, and renders itself into an image for the
// clipboard, a BMP or JPEG file, or a printed page.
//
// Redraws are coalesced: while Plotting is on, every change schedules one
// repaint of the current state, so a batch of changes made in one go paints
// once. The paint handler draws whatever the state is when it runs.

#include "graph/XYAppearance.h"
#include "graph/XYAxis.h"
#include "graph/XYSeries.h"

#include <QFrame>
#include <QImage>
#include <memory>
#include <string>
#include <vector>

class QPrinter;

class TXYGraph : public QFrame {
    Q_OBJECT
public:
    explicit TXYGraph(QWidget* parent = nullptr);
    ~TXYGraph() override;

    TXAxis& XAxis() { return *xAxis_; }
    const TXAxis& XAxis() const { return *xAxis_; }
    TYAxis& YAxis() { return *yAxis_; }
    const TYAxis& YAxis() const { return *yAxis_; }
    TDimensions& Dimensions() { return *dimensions_; }
    const TDimensions& Dimensions() const { return *dimensions_; }
    TAppearance& Appearance() { return *appearance_; }
    const TAppearance& Appearance() const { return *appearance_; }

    bool Plotting() const { return plotting_; }
    // Stores the value and schedules a repaint, for either value.
    void SetPlotting(bool on);
    bool Drawing() const { return drawing_; }

    // Curves in ascending key order (the drawing order).
    const std::vector<TSeries*>& Curves() const { return curves_; }
    // The curve with this key, created (empty, red, solid) when missing.
    TSeries& GetSeries(int key);
    // Shifts every curve's X by dx without any repaint.
    void ShiftAllX(int dx);
    // Destroys every curve; repaints once when Plotting is on.
    void ClearSeries();

    // One full drawing pass onto canvas, in client coordinates.
    void DrawGraph(QPainter& canvas);
    // Draws the graph into a fresh image of bitmap's size, copied into bitmap.
    void DrawToBitmap(QImage& bitmap);
    // Image of the control's outer size: the graph at the top-left, the
    // border strip on the right and at the bottom white.
    QImage RenderImage();
    void CopyToClipboard();
    void SaveToBitmapFile(const std::string& fileName);
    void SaveToJPEGFile(const std::string& fileName);
    // Prints one page on printer; throws std::runtime_error when the job
    // cannot be started or ended.
    void Print(QPrinter& printer);
    // Draws the graph onto a page through painter (the printable area in
    // device pixels is the painter's device size); returns the rectangle
    // the picture was stretched into (empty when nothing was drawn).
    QRect PrintPage(QPainter& painter);

    // Size of the drawing area inside the border.
    QSize ClientSize() const;
    // Schedules a repaint when Plotting is on.
    void RepaintIfPlotting();
    // Number of drawing passes run so far on the control's own surface.
    long long ScreenPasses() const { return screenPasses_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class TSeries;
    void RemoveSeries(TSeries* series);

    std::unique_ptr<TAppearance> appearance_;
    std::unique_ptr<TDimensions> dimensions_;
    std::unique_ptr<TXAxis> xAxis_;
    std::unique_ptr<TYAxis> yAxis_;
    std::vector<TSeries*> curves_;
    bool plotting_ = true;
    bool drawing_ = false;
    long long screenPasses_ = 0;
};

// Converts an image to the packed RGB rows of the file encoders.
struct TRgbImage;
TRgbImage ToRgbImage(const QImage& image);
