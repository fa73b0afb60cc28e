// The graph's pictures, decoded back: BMP and JPEG files, the clipboard
// image and the printed page.
#include <algorithm>
#include "GraphTestUtil.h"
#include "graph/ImageFiles.h"
#include "graph/XYGraph.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPageLayout>
#include <QPrinter>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <jpeglib.h>
#include <sys/stat.h>

namespace {

std::vector<unsigned char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t Le16(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// A 488 x 243 graph (the sequencer window's size) with one red curve.
struct OutputFixture : ::testing::Test {
    TXYGraph graph;
    QTemporaryDir dir;
    OutputFixture() {
        graph.resize(488, 243);
        graph.XAxis().SetMin(-1000);
        graph.XAxis().SetMax(0);
        graph.YAxis().SetMin(-700);
        graph.YAxis().SetMax(0);
        TSeries& s = graph.GetSeries(1);
        for (int x = -1000; x <= 0; x += 10) s.AddPoint(x, x / 2);
    }
    std::string Path(const char* name) { return QFile::encodeName(dir.filePath(name)).toStdString(); }
};

struct TJpegInfo {
    int Width = 0, Height = 0, Components = 0;
    bool Jfif = false, Progressive = false;
    J_COLOR_SPACE Space = JCS_UNKNOWN;
    unsigned LumaQuant[DCTSIZE2] = {};
};

TJpegInfo ReadJpegHeader(const std::string& path) {
    TJpegInfo info;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return info;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    info.Width = static_cast<int>(cinfo.image_width);
    info.Height = static_cast<int>(cinfo.image_height);
    info.Components = cinfo.num_components;
    info.Jfif = cinfo.saw_JFIF_marker;
    info.Progressive = cinfo.progressive_mode;
    info.Space = cinfo.jpeg_color_space;
    if (cinfo.quant_tbl_ptrs[0])
        for (int i = 0; i < DCTSIZE2; ++i) info.LumaQuant[i] = cinfo.quant_tbl_ptrs[0]->quantval[i];
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return info;
}

}  // namespace

TEST_F(OutputFixture, ImageHasOuterSizeWithWhiteBorderStrip) {
    graph.Appearance().SetMarginColor(Qt::yellow);
    const QImage img = graph.RenderImage();
    EXPECT_EQ(img.size(), QSize(488, 243));
    EXPECT_TRUE(SameRgb(img.pixel(0, 0), Qt::yellow));
    EXPECT_TRUE(SameRgb(img.pixel(485, 240), Qt::yellow));
    EXPECT_EQ(CountInRect(img, 486, 0, 487, 242, Qt::white), 2 * 243);
    EXPECT_EQ(CountInRect(img, 0, 241, 487, 242, Qt::white), 2 * 488);
}

TEST_F(OutputFixture, BitmapFileDecodesToTheRenderedPicture) {
    const std::string path = Path("graph.bmp");
    graph.SaveToBitmapFile(path);
    const std::vector<unsigned char> b = ReadAll(path);
    ASSERT_GE(b.size(), 54u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Le32(b, 2), b.size());
    EXPECT_EQ(Le32(b, 18), 488u);
    EXPECT_EQ(Le32(b, 22), 243u);
    EXPECT_EQ(Le16(b, 28), 24) << "24-bit colour";
    EXPECT_EQ(Le32(b, 30), 0u) << "uncompressed";
    EXPECT_EQ(b.size(), 54u + 243u * ((488u * 3u + 3u) & ~3u));
    QImage decoded;
    ASSERT_TRUE(decoded.load(QString::fromStdString(path), "BMP"));
    const QImage rendered = graph.RenderImage();
    ASSERT_EQ(decoded.size(), rendered.size());
    int differing = 0;
    for (int y = 0; y < rendered.height(); ++y)
        for (int x = 0; x < rendered.width(); ++x)
            if ((decoded.pixel(x, y) & 0xFFFFFF) != (rendered.pixel(x, y) & 0xFFFFFF)) ++differing;
    EXPECT_EQ(differing, 0);
    EXPECT_GT(CountInRect(decoded, 0, 0, 487, 242, QColor(255, 0, 0)), 100);
}

TEST_F(OutputFixture, JpegFileIsBaselineColourQuality80) {
    const std::string path = Path("graph.jpg");
    graph.SaveToJPEGFile(path);
    const TJpegInfo info = ReadJpegHeader(path);
    EXPECT_EQ(info.Width, 488);
    EXPECT_EQ(info.Height, 243);
    EXPECT_EQ(info.Components, 3);
    EXPECT_EQ(info.Space, JCS_YCbCr);
    EXPECT_TRUE(info.Jfif);
    EXPECT_FALSE(info.Progressive);
    // The luminance table of quality 80: the standard table scaled by 40 %.
    static const unsigned kStdLuma[DCTSIZE2] = {
        16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
        14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
        18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
        49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    for (int i = 0; i < DCTSIZE2; ++i) {
        unsigned q = (kStdLuma[i] * 40 + 50) / 100;
        if (q == 0) q = 1;
        EXPECT_EQ(info.LumaQuant[i], q) << i;
    }
    // Ordinary decoders read it, with the curve still red.
    QImage decoded;
    ASSERT_TRUE(decoded.load(QString::fromStdString(path), "JPG"));
    EXPECT_EQ(decoded.size(), QSize(488, 243));
    // The curve is one pixel wide and JPEG shares colour between
    // neighbouring pixels, so look for the reddest pixel around the point.
    const int x0 = graph.XAxis().ValueToX(-500), y0 = graph.YAxis().ValueToY(-250);
    int reddest = -255;
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx) {
            const QRgb px = decoded.pixel(x0 + dx, y0 + dy);
            reddest = std::max(reddest, qRed(px) - qGreen(px));
        }
    EXPECT_GT(reddest, 60);
}

TEST_F(OutputFixture, SavingReplacesAnExistingFile) {
    const std::string path = Path("graph.bmp");
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(10'000'000, 'x');
    }
    graph.SaveToBitmapFile(path);
    const std::vector<unsigned char> b = ReadAll(path);
    EXPECT_EQ(b.size(), 54u + 243u * ((488u * 3u + 3u) & ~3u));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file left";
}

TEST_F(OutputFixture, FailedSaveReportsAndKeepsTheOldFile) {
    EXPECT_THROW(graph.SaveToBitmapFile(Path("missing-folder/graph.bmp")), std::runtime_error);
    try {
        graph.SaveToJPEGFile(Path("missing-folder/graph.jpg"));
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("missing-folder/graph.jpg"), std::string::npos) << e.what();
    }
    // A folder that cannot be written (root ignores permissions, so a name
    // that is a folder stands in for it): the old content stays.
    const std::string target = Path("keep.bmp");
    QDir(dir.path()).mkdir("keep.bmp");
    EXPECT_THROW(graph.SaveToBitmapFile(target), std::runtime_error);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(target)).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0) << "no temporary file left";
}

TEST_F(OutputFixture, ClipboardGetsTheOuterSizedPicture) {
    QGuiApplication::clipboard()->clear();
    graph.CopyToClipboard();
    const QImage img = QGuiApplication::clipboard()->image();
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(488, 243));
    EXPECT_GT(CountInRect(img, 0, 0, 487, 242, QColor(255, 0, 0)), 100);
}

TEST_F(OutputFixture, PrintPageFitsTheImageToThePage) {
    graph.Appearance().SetMarginColor(Qt::yellow);
    graph.Appearance().SetBackgroundColor(Qt::yellow);
    // A page of 480 x 660 device pixels: 488 x 243 prints 480 x 239.
    QImage page(480, 660, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    const QRect target = graph.PrintPage(p);
    p.end();
    EXPECT_EQ(target, QRect(0, 0, 480, 239));
    EXPECT_TRUE(SameRgb(page.pixel(3, 3), Qt::yellow));
    EXPECT_TRUE(SameRgb(page.pixel(470, 230), Qt::yellow));
    EXPECT_EQ(CountInRect(page, 0, 240, 479, 659, Qt::white), 480 * 420) << "the rest of the page untouched";
    EXPECT_FALSE(graph.Drawing());

    // A tall image fills the page height.
    graph.resize(300, 600);
    QImage page2(480, 660, QImage::Format_RGB32);
    page2.fill(Qt::white);
    QPainter p2(&page2);
    EXPECT_EQ(graph.PrintPage(p2), QRect(0, 0, 330, 660));
}

TEST_F(OutputFixture, PrintsOnAPdfPrinter) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(600);
    printer.setPageSize(QPageSize(QSizeF(8, 11), QPageSize::Inch));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    const std::string pdf = Path("graph.pdf");
    printer.setOutputFileName(QString::fromStdString(pdf));
    ASSERT_EQ(printer.width(), 4800);
    ASSERT_EQ(printer.height(), 6600);
    QPainter painter(&printer);
    EXPECT_EQ(graph.PrintPage(painter), QRect(0, 0, 4800, 2390));
    graph.resize(300, 600);
    printer.newPage();
    EXPECT_EQ(graph.PrintPage(painter), QRect(0, 0, 3300, 6600));
    ASSERT_TRUE(painter.end());
    const std::vector<unsigned char> b = ReadAll(pdf);
    ASSERT_GT(b.size(), 1000u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 5), "%PDF-");

    // The whole job through Print.
    const std::string pdf2 = Path("job.pdf");
    printer.setOutputFileName(QString::fromStdString(pdf2));
    graph.Print(printer);
    EXPECT_GT(ReadAll(pdf2).size(), 1000u);
    EXPECT_FALSE(graph.Drawing());
}

TEST(ImageFiles, BitmapRowsArePaddedAndBottomUp) {
    TRgbImage img{3, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9}};
    const std::vector<std::uint8_t> b = EncodeBmp24(img);
    ASSERT_EQ(b.size(), 54u + 2 * 12u);
    // First stored row is the bottom one, as B, G, R.
    EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + 54, b.begin() + 63),
              (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7}));
    EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + 66, b.begin() + 75),
              (std::vector<std::uint8_t>{0, 0, 255, 0, 255, 0, 255, 0, 0}));
    EXPECT_THROW(EncodeBmp24(TRgbImage{3, 2, {1, 2, 3}}), std::runtime_error);
}

TEST(ImageFiles, JpegEncoderReportsBadInputInsteadOfExiting) {
    EXPECT_THROW(EncodeJpeg(TRgbImage{0, 0, {}}, 80), std::runtime_error);
    // Larger than a JPEG frame can describe: libjpeg refuses it.
    TRgbImage huge{70000, 1, std::vector<std::uint8_t>(70000 * 3, 0)};
    EXPECT_THROW(EncodeJpeg(huge, 80), std::runtime_error);
}
