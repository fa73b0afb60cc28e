// The graph's pictures: clipboard, BMP and JPEG files, printed page.
#include "graph/ImageFiles.h"
#include "graph/XYGraph.h"
#include "graph/XYGraphMath.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <cstring>
#include <stdexcept>

TRgbImage ToRgbImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    TRgbImage out;
    out.Width = rgb.width();
    out.Height = rgb.height();
    const std::size_t row = static_cast<std::size_t>(out.Width) * 3;
    out.Rgb.resize(row * static_cast<std::size_t>(out.Height));
    for (int y = 0; y < out.Height; ++y)
        std::memcpy(out.Rgb.data() + row * static_cast<std::size_t>(y), rgb.constScanLine(y), row);
    return out;
}

void TXYGraph::CopyToClipboard() {
    if (drawing_) return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) throw std::runtime_error("Cannot open clipboard.");
    clipboard->setImage(RenderImage());
}

void TXYGraph::SaveToBitmapFile(const std::string& fileName) {
    WriteFileReplacing(fileName, EncodeBmp24(ToRgbImage(RenderImage())));
}

void TXYGraph::SaveToJPEGFile(const std::string& fileName) {
    WriteFileReplacing(fileName, EncodeJpeg(ToRgbImage(RenderImage()), 80));
}

void TXYGraph::Print(QPrinter& printer) {
    printer.setDocName(QString());
    QPainter painter;
    if (!painter.begin(&printer)) throw std::runtime_error("Printing could not be started.");
    PrintPage(painter);
    if (!painter.end()) throw std::runtime_error("Printing could not be completed.");
}

QRect TXYGraph::PrintPage(QPainter& painter) {
    drawing_ = true;
    QRect target;
    try {
        const QImage image = RenderImage();
        const QPaintDevice* page = painter.device();
        const xygraph::TSizeI fit =
            page ? xygraph::FitToPage(image.width(), image.height(), page->width(), page->height())
                 : xygraph::TSizeI{};
        if (fit.Width > 0 && fit.Height > 0) {
            target = QRect(0, 0, fit.Width, fit.Height);
            painter.drawImage(target, image);
        }
    } catch (...) {
        // A page that cannot be drawn is left as it is.
        target = QRect();
    }
    drawing_ = false;
    return target;
}
