#include "JpegCoder.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace {

// libjpeg ends the process on errors unless its handler jumps back.
struct ErrorHandler
{
    jpeg_error_mgr manager;
    std::jmp_buf back;
    // Kept here, in memory, so that their values survive the jump.
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
};

void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorHandler *>(info->err)->back, 1);
}

// The luminance table of the JPEG standard, in zig-zag order as files store it.
constexpr int StandardLuminance[64] = {16,  11, 12, 14,  12,  10,  16,  14,  13, 14,  18,  17,  16,
                                       19,  24, 40, 26,  24,  22,  22,  24,  49, 35,  37,  29,  40,
                                       58,  51, 61, 60,  57,  51,  56,  55,  64, 72,  92,  78,  64,
                                       68,  87, 69, 55,  56,  80,  109, 81,  87, 95,  98,  103, 104,
                                       103, 62, 77, 113, 121, 112, 100, 120, 92, 101, 103, 99};

// The markers of the JPEG up to the image data: calls `visit` with each
// marker code and its payload until it returns true.
template <typename Visit> bool forEachMarker(const QByteArray &jpeg, Visit visit)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF) {
        const int code = uchar(jpeg[at + 1]);
        const int length = uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]);
        if (code == 0xDA || length < 2 || at + 2 + length > jpeg.size())
            return false;
        if (visit(code, jpeg.mid(at + 4, length - 2)))
            return true;
        at += 2 + length;
    }
    return false;
}

} // namespace

QByteArray JpegCoder::encode(const uchar *pixels, int width, int height, qsizetype stride,
                             int components, int quality, bool progressive)
{
    jpeg_compress_struct info;
    ErrorHandler errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpBack;
    // Nothing below this point has a destructor: the jump skips none.
    if (setjmp(errors.back)) {
        jpeg_destroy_compress(&info);
        std::free(errors.buffer);
        return QByteArray();
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &errors.buffer, &errors.size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    // As YCbCr does for RGB, YCCK lets the colour planes be halved and
    // coarser: a third of the bytes of plain CMYK. It needs the Adobe marker.
    if (components == 4)
        jpeg_set_colorspace(&info, JCS_YCCK);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + info.next_scanline * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    const QByteArray bytes(reinterpret_cast<const char *>(errors.buffer), qsizetype(errors.size));
    jpeg_destroy_compress(&info);
    std::free(errors.buffer);
    return bytes;
}

QByteArray JpegCoder::repack(const QByteArray &jpeg)
{
    jpeg_decompress_struct in;
    jpeg_compress_struct out;
    ErrorHandler errors;
    in.err = jpeg_std_error(&errors.manager);
    out.err = &errors.manager;
    errors.manager.error_exit = jumpBack;
    // Nothing below this point has a destructor: the jump skips none.
    if (setjmp(errors.back)) {
        jpeg_destroy_compress(&out);
        jpeg_destroy_decompress(&in);
        std::free(errors.buffer);
        return QByteArray();
    }
    jpeg_create_decompress(&in);
    jpeg_create_compress(&out);
    jpeg_mem_src(&in, reinterpret_cast<const unsigned char *>(jpeg.constData()),
                 static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&in, TRUE);
    jvirt_barray_ptr *coefficients = jpeg_read_coefficients(&in);
    jpeg_copy_critical_parameters(&in, &out);
    jpeg_mem_dest(&out, &errors.buffer, &errors.size);
    jpeg_simple_progression(&out);
    out.optimize_coding = TRUE;
    jpeg_write_coefficients(&out, coefficients);
    jpeg_finish_compress(&out);
    jpeg_finish_decompress(&in);
    const QByteArray bytes(reinterpret_cast<const char *>(errors.buffer), qsizetype(errors.size));
    jpeg_destroy_compress(&out);
    jpeg_destroy_decompress(&in);
    std::free(errors.buffer);
    return bytes;
}

bool JpegCoder::isPlainCmyk(const QByteArray &jpeg)
{
    // Only Adobe's marker, with transform 2, says YCCK.
    bool ycck = false;
    forEachMarker(jpeg, [&](int code, const QByteArray &payload) {
        if (code != 0xEE || payload.size() < 12 || !payload.startsWith("Adobe"))
            return false;
        ycck = payload[11] == 2;
        return true;
    });
    return !ycck;
}

int JpegCoder::estimateQuality(const QByteArray &jpeg)
{
    int quality = 0;
    forEachMarker(jpeg, [&](int code, const QByteArray &payload) {
        // The first table of the first DQT, 8-bit precision.
        if (code != 0xDB || payload.size() < 65 || (uchar(payload[0]) >> 4) != 0)
            return false;
        long sum = 0, standard = 0;
        for (int i = 0; i < 64; ++i) {
            sum += uchar(payload[1 + i]);
            standard += StandardLuminance[i];
        }
        // libjpeg scales the tables by 5000 / q below quality 50, by 200 - 2q above.
        const double scale = 100.0 * sum / standard;
        quality =
            scale <= 100 ? int(std::lround((200 - scale) / 2)) : int(std::lround(5000 / scale));
        quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
        return true;
    });
    return quality;
}
