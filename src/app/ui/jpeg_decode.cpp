#include "app/ui/jpeg_decode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

extern "C" {
#include <jpeglib.h>
}

namespace {

// Pictures above this many pixels are refused rather than allocated.
constexpr unsigned long long kMaxPixels = 32ULL * 1024 * 1024;

// libjpeg reports fatal errors through error_exit, which must not return:
// it jumps back to the setjmp in RunDecode.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void OnFatalError(j_common_ptr cinfo)
{
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(manager->jump, 1);
}

void OnMessage(j_common_ptr, int) {}  // warnings of damaged data are not printed

// Decodes into *out. Only trivially destructible locals live here, so the
// jump back from OnFatalError skips no destructor; *out belongs to the caller.
bool RunDecode(jpeg_decompress_struct* cinfo, ErrorManager* err, const unsigned char* data, unsigned long size,
               QImage* out)
{
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = OnFatalError;
    err->pub.emit_message = OnMessage;
    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, data, size);
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    if (cinfo->num_components != 1 && cinfo->num_components != 3) {
        jpeg_destroy_decompress(cinfo);  // CMYK and other layouts are not shown
        return false;
    }
    cinfo->out_color_space = JCS_RGB;
    jpeg_start_decompress(cinfo);
    const unsigned long long pixels = static_cast<unsigned long long>(cinfo->output_width) * cinfo->output_height;
    if (pixels == 0 || pixels > kMaxPixels || cinfo->output_components != 3) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    *out = QImage(int(cinfo->output_width), int(cinfo->output_height), QImage::Format_RGB888);
    if (out->isNull()) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = out->scanLine(int(cinfo->output_scanline));
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    QImage image;
    if (!RunDecode(&cinfo, &err, reinterpret_cast<const unsigned char*>(data.constData()),
                   static_cast<unsigned long>(data.size()), &image))
        return {};
    return image;
}

QImage WithTransparentBackground(const QImage& image, int tolerance)
{
    if (image.isNull())
        return {};
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = out.pixel(0, out.height() - 1);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = line[x];
            if (std::abs(qRed(p) - qRed(key)) <= tolerance && std::abs(qGreen(p) - qGreen(key)) <= tolerance
                && std::abs(qBlue(p) - qBlue(key)) <= tolerance)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    return out;
}
