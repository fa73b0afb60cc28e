#include "graph/XYGraph.h"

#include <QPainter>
#include <QPalette>
#include <algorithm>

TXYGraph::TXYGraph(QWidget* parent) : QFrame(parent) {
    // Records first, then the axes, with their initial values as
    // constructed: nothing is drawn and no margin rule runs.
    appearance_ = std::make_unique<TAppearance>(*this);
    dimensions_ = std::make_unique<TDimensions>(*this);
    xAxis_ = std::make_unique<TXAxis>(*this);
    yAxis_ = std::make_unique<TYAxis>(*this);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    resize(200, 200);
}

TXYGraph::~TXYGraph() {
    plotting_ = false;
    while (!curves_.empty()) {
        TSeries* s = curves_.back();
        curves_.pop_back();
        delete s;
    }
}

void TXYGraph::SetPlotting(bool on) {
    plotting_ = on;
    update();
}

void TXYGraph::RepaintIfPlotting() {
    if (plotting_) update();
}

TSeries& TXYGraph::GetSeries(int key) {
    auto it = std::lower_bound(curves_.begin(), curves_.end(), key,
                               [](const TSeries* s, int k) { return s->Key() < k; });
    if (it != curves_.end() && (*it)->Key() == key) return **it;
    auto series = std::make_unique<TSeries>(*this, key);
    it = curves_.insert(it, series.get());
    return *series.release();
}

void TXYGraph::RemoveSeries(TSeries* series) {
    auto it = std::find(curves_.begin(), curves_.end(), series);
    if (it != curves_.end()) curves_.erase(it);
    RepaintIfPlotting();
}

void TXYGraph::ShiftAllX(int dx) {
    for (TSeries* s : curves_) s->ShiftX(dx);
}

void TXYGraph::ClearSeries() {
    const bool keep = plotting_;
    plotting_ = false;
    while (!curves_.empty()) {
        TSeries* s = curves_.back();
        curves_.pop_back();
        delete s;
    }
    plotting_ = keep;
    RepaintIfPlotting();
}

QSize TXYGraph::ClientSize() const { return contentsRect().size(); }

void TXYGraph::DrawGraph(QPainter& canvas) {
    drawing_ = true;
    const QSize client = ClientSize();
    const TDimensions& dim = *dimensions_;
    const int right = client.width() - dim.RightMargin();
    const int bottom = client.height() - dim.BottomMargin();
    xAxis_->SetPlotRect(dim.LeftMargin(), dim.TopMargin(), right, bottom);
    yAxis_->SetPlotRect(dim.LeftMargin(), dim.TopMargin(), right, bottom);
    canvas.fillRect(QRect(0, 0, client.width(), client.height()), appearance_->MarginColor());
    xAxis_->DrawAxis(canvas);
    yAxis_->DrawAxis(canvas);
    for (TSeries* s : curves_)
        if (s->Count() > 0) s->DrawSeries(canvas);
    drawing_ = false;
}

void TXYGraph::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (drawing_) return;
    QPainter p(this);
    p.translate(contentsRect().topLeft());
    ++screenPasses_;
    DrawGraph(p);
}

void TXYGraph::DrawToBitmap(QImage& bitmap) {
    if (bitmap.isNull()) return;
    QImage temp(bitmap.size(), QImage::Format_RGB32);
    temp.fill(Qt::white);
    {
        QPainter p(&temp);
        DrawGraph(p);
    }
    bitmap = temp.convertToFormat(bitmap.format());
}

QImage TXYGraph::RenderImage() {
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    DrawGraph(p);
    return image;
}
