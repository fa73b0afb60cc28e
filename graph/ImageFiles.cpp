#include "graph/ImageFiles.h"

#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

#include <jpeglib.h>

namespace {

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

void CheckImage(const TRgbImage& image) {
    if (image.Width <= 0 || image.Height <= 0 ||
        image.Rgb.size() != static_cast<std::size_t>(image.Width) * static_cast<std::size_t>(image.Height) * 3)
        throw std::runtime_error("Invalid image.");
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp24(const TRgbImage& image) {
    CheckImage(image);
    const std::size_t w = static_cast<std::size_t>(image.Width);
    const std::size_t h = static_cast<std::size_t>(image.Height);
    const std::size_t stride = (w * 3 + 3) & ~static_cast<std::size_t>(3);
    const std::size_t headers = 14 + 40;
    const std::size_t total = headers + stride * h;
    if (total > 0xFFFFFFFFu) throw std::runtime_error("Image too large for a bitmap file.");
    std::vector<std::uint8_t> out(total, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<std::uint32_t>(total));
    Put32(out, 10, static_cast<std::uint32_t>(headers));
    Put32(out, 14, 40);
    Put32(out, 18, static_cast<std::uint32_t>(w));
    Put32(out, 22, static_cast<std::uint32_t>(h));  // positive: bottom-up rows
    Put16(out, 26, 1);                              // planes
    Put16(out, 28, 24);                             // bits a pixel
    Put32(out, 30, 0);                              // BI_RGB, no compression
    Put32(out, 34, static_cast<std::uint32_t>(stride * h));
    Put32(out, 38, 3780);  // 96 dots an inch
    Put32(out, 42, 3780);
    for (std::size_t row = 0; row < h; ++row) {
        const std::uint8_t* src = image.Rgb.data() + (h - 1 - row) * w * 3;
        std::uint8_t* dst = out.data() + headers + row * stride;
        for (std::size_t x = 0; x < w; ++x) {
            dst[3 * x] = src[3 * x + 2];  // stored as B, G, R
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}

namespace {

struct TJpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX];
};

// libjpeg's default error exit ends the process; this one returns to the
// encoder with the library's message.
void JpegErrorExit(j_common_ptr cinfo) {
    TJpegError* err = reinterpret_cast<TJpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->text);
    std::longjmp(err->jump, 1);
}

// Plain C-style body: no object with a destructor lives across setjmp.
bool CompressJpeg(const TRgbImage& image, int quality, unsigned char** buffer, unsigned long* size,
                  char* message) {
    jpeg_compress_struct cinfo;
    TJpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.text[0] = '\0';
    if (setjmp(err.jump)) {
        std::strncpy(message, err.text, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = static_cast<JDIMENSION>(image.Width);
    cinfo.image_height = static_cast<JDIMENSION>(image.Height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(image.Width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.Rgb.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const TRgbImage& image, int quality) {
    CheckImage(image);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok = CompressJpeg(image, quality, &buffer, &size, message);
    std::vector<std::uint8_t> out;
    if (ok && buffer) out.assign(buffer, buffer + size);
    std::free(buffer);
    if (!ok) throw std::runtime_error(std::string("JPEG error: ") + message);
    return out;
}

namespace {

std::string SystemError(const std::string& what, const std::string& path, int code) {
    return what + " \"" + path + "\". " + std::strerror(code);
}

}  // namespace

void WriteFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    static std::atomic<unsigned> counter{0};
    const std::string temp = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) throw std::runtime_error(SystemError("Cannot create file", path, errno));
    std::size_t done = 0;
    int failure = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            failure = errno;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (!failure && ::fsync(fd) != 0) failure = errno;
    if (::close(fd) != 0 && !failure) failure = errno;
    if (!failure && ::rename(temp.c_str(), path.c_str()) != 0) failure = errno;
    if (failure) {
        ::unlink(temp.c_str());
        throw std::runtime_error(SystemError("Cannot write file", path, failure));
    }
}
