#include "FlateCoder.h"

#include <libdeflate.h>

FlateCoder::FlateCoder(int level)
    : compressor(libdeflate_alloc_compressor(level))
{}

FlateCoder::~FlateCoder()
{
    libdeflate_free_compressor(compressor);
}

QByteArray FlateCoder::compress(QByteArrayView data) const
{
    if (!compressor)
        return {};
    const size_t bound = libdeflate_zlib_compress_bound(compressor, size_t(data.size()));
    QByteArray out(qsizetype(bound), Qt::Uninitialized);
    const size_t size =
        libdeflate_zlib_compress(compressor, data.data(), size_t(data.size()), out.data(), bound);
    out.truncate(qsizetype(size)); // 0 when it failed
    return out;
}
