// Renders the sequencer graph window after a sample run (eight curves,
// solid and dashed, steps and ramps) to a PNG, and saves the same graph as
// BMP and JPEG, for a look at the pictures.
// Usage: graph_look [output folder]
#include "BenchRun.h"

#include <QDir>
#include <QFile>

int main(int argc, char** argv) {
    UseOffscreenByDefault();
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    TBenchHost host;
    TSequencerGraphForm form(host);
    form.show();
    form.ResetCurves();
    for (long long t = 0; t < 1100; ++t) DeliverTick(form, t);
    QApplication::processEvents();
    const QString png = QDir(folder).filePath("graph-window.png");
    if (!form.grab().save(png)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(png));
        return 1;
    }
    form.xyGraph->SaveToBitmapFile(QFile::encodeName(QDir(folder).filePath("graph.bmp")).toStdString());
    form.xyGraph->SaveToJPEGFile(QFile::encodeName(QDir(folder).filePath("graph.jpg")).toStdString());
    std::printf("wrote %s, graph.bmp and graph.jpg (window %d x %d, graph %d x %d)\n", qPrintable(png), form.width(),
                form.height(), form.xyGraph->width(), form.xyGraph->height());
    return 0;
}
