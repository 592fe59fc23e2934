#include "JpxDecoder.h"

#include <QThread>

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// What one picture may take while decoding: 120 million samples, 480 MB.
constexpr qint64 MaxSamples = 120'000'000;

// The bytes OpenJPEG reads through its stream callbacks; lives on the stack
// of the call that owns the stream.
struct Source
{
    const QByteArray *data;
    OPJ_OFF_T at = 0;
};

OPJ_SIZE_T readSome(void *buffer, OPJ_SIZE_T count, void *user)
{
    auto *source = static_cast<Source *>(user);
    const OPJ_OFF_T left = source->data->size() - source->at;
    if (left <= 0)
        return OPJ_SIZE_T(-1); // the end, as OpenJPEG expects it
    const OPJ_SIZE_T n = std::min<OPJ_SIZE_T>(count, OPJ_SIZE_T(left));
    std::memcpy(buffer, source->data->constData() + source->at, n);
    source->at += OPJ_OFF_T(n);
    return n;
}

OPJ_OFF_T skipSome(OPJ_OFF_T count, void *user)
{
    auto *source = static_cast<Source *>(user);
    const OPJ_OFF_T to = std::clamp<OPJ_OFF_T>(source->at + count, 0, source->data->size());
    const OPJ_OFF_T skipped = to - source->at;
    source->at = to;
    return skipped;
}

OPJ_BOOL seekTo(OPJ_OFF_T offset, void *user)
{
    auto *source = static_cast<Source *>(user);
    if (offset < 0 || offset > source->data->size())
        return OPJ_FALSE;
    source->at = offset;
    return OPJ_TRUE;
}

void quiet(const char *, void *) {}

struct CodecFree
{
    void operator()(opj_codec_t *codec) const { opj_destroy_codec(codec); }
};
struct StreamFree
{
    void operator()(opj_stream_t *stream) const { opj_stream_destroy(stream); }
};
struct ImageFree
{
    void operator()(opj_image_t *image) const { opj_image_destroy(image); }
};
using Codec = std::unique_ptr<opj_codec_t, CodecFree>;
using Stream = std::unique_ptr<opj_stream_t, StreamFree>;
using Image = std::unique_ptr<opj_image_t, ImageFree>;

// A codec and a stream over `source`, with the header read into `image`.
struct Reader
{
    Codec codec;
    Stream stream;
    Image image;
};

bool open(Source *source, Reader *reader)
{
    static const char jp2[] = "\x00\x00\x00\x0cjP  \r\n\x87\n";
    const QByteArray &data = *source->data;
    const bool file = data.startsWith(QByteArray(jp2, 12));
    if (!file && !data.startsWith("\xff\x4f\xff\x51"))
        return false;
    reader->codec.reset(opj_create_decompress(file ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    reader->stream.reset(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
    if (!reader->codec || !reader->stream)
        return false;
    opj_set_error_handler(reader->codec.get(), quiet, nullptr);
    opj_set_warning_handler(reader->codec.get(), quiet, nullptr);
    opj_set_info_handler(reader->codec.get(), quiet, nullptr);
    opj_stream_set_user_data(reader->stream.get(), source, nullptr);
    opj_stream_set_user_data_length(reader->stream.get(), OPJ_UINT64(data.size()));
    opj_stream_set_read_function(reader->stream.get(), readSome);
    opj_stream_set_skip_function(reader->stream.get(), skipSome);
    opj_stream_set_seek_function(reader->stream.get(), seekTo);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(reader->codec.get(), &parameters))
        return false;
    // A library built without threads decodes on this one.
    opj_codec_set_threads(reader->codec.get(), QThread::idealThreadCount());
    opj_image_t *image = nullptr;
    const bool read = opj_read_header(reader->stream.get(), reader->codec.get(), &image);
    reader->image.reset(image);
    return read && image;
}

// Whether every component is unsigned 8-bit at full resolution, in a colour
// space that means grey or sRGB to a PDF reader.
bool plain(const opj_image_t *image)
{
    const bool knownSpace = image->color_space == OPJ_CLRSPC_UNSPECIFIED ||
                            image->color_space == OPJ_CLRSPC_SRGB ||
                            image->color_space == OPJ_CLRSPC_GRAY;
    if ((image->numcomps != 1 && image->numcomps != 3) || !knownSpace ||
        image->icc_profile_len > 0 || image->x1 <= image->x0 || image->y1 <= image->y0)
        return false;
    for (OPJ_UINT32 c = 0; c < image->numcomps; ++c) {
        const opj_image_comp_t &comp = image->comps[c];
        if (comp.prec != 8 || comp.sgnd || comp.dx != 1 || comp.dy != 1 || comp.alpha)
            return false;
    }
    return true;
}

QImage pixelsOf(const opj_image_t *image)
{
    const int n = int(image->numcomps);
    const OPJ_UINT32 w = image->comps[0].w, h = image->comps[0].h;
    for (int c = 0; c < n; ++c)
        if (!image->comps[c].data || image->comps[c].w != w || image->comps[c].h != h)
            return {};
    if (w == 0 || h == 0 || qint64(w) * h * n > MaxSamples)
        return {};
    QImage out(int(w), int(h), n == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (out.isNull())
        return {};
    for (OPJ_UINT32 y = 0; y < h; ++y) {
        uchar *row = out.scanLine(int(y));
        for (int c = 0; c < n; ++c) {
            const OPJ_INT32 *in = image->comps[c].data + qint64(y) * w;
            for (OPJ_UINT32 x = 0; x < w; ++x)
                row[qint64(x) * n + c] = uchar(std::clamp<OPJ_INT32>(in[x], 0, 255));
        }
    }
    return out;
}

} // namespace

JpxDecoder::Header JpxDecoder::header(const QByteArray &data)
{
    Source source{&data};
    Reader reader;
    if (!open(&source, &reader) || !plain(reader.image.get()))
        return {};
    const opj_image_t *image = reader.image.get();
    return {int(image->numcomps), QSize(int(image->x1 - image->x0), int(image->y1 - image->y0))};
}

QImage JpxDecoder::decode(const QByteArray &data, QSize atLeast)
{
    Source source{&data};
    Reader reader;
    if (!open(&source, &reader) || !plain(reader.image.get()))
        return {};
    const opj_image_t *image = reader.image.get();
    const OPJ_UINT32 width = image->x1 - image->x0, height = image->y1 - image->y0;
    // Each level skipped spares most of the decoding; a codestream with fewer
    // levels refuses the factor.
    int halvings = 0;
    while (halvings < 5 && !atLeast.isEmpty() &&
           (width >> (halvings + 1)) >= OPJ_UINT32(atLeast.width()) &&
           (height >> (halvings + 1)) >= OPJ_UINT32(atLeast.height()))
        ++halvings;
    while (halvings > 0 &&
           !opj_set_decoded_resolution_factor(reader.codec.get(), OPJ_UINT32(halvings)))
        --halvings;
    // OpenJPEG holds four bytes a sample while it decodes.
    const qint64 round = (qint64(1) << halvings) - 1;
    const qint64 samples =
        ((width + round) >> halvings) * ((height + round) >> halvings) * qint64(image->numcomps);
    if (samples > MaxSamples)
        return {};
    if (!opj_decode(reader.codec.get(), reader.stream.get(), reader.image.get()) ||
        !opj_end_decompress(reader.codec.get(), reader.stream.get()))
        return {};
    // Palettes and channel definitions apply while decoding: look again.
    return plain(reader.image.get()) ? pixelsOf(reader.image.get()) : QImage();
}
