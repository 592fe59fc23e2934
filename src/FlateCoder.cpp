#include "FlateCoder.h"

#include <QThread>

#include <libdeflate.h>

#include <algorithm>
#include <atomic>
#include <thread>

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

void FlateCoder::compressEach(std::vector<QByteArray> &items, int level)
{
    if (items.empty())
        return;
    std::atomic<size_t> next = 0;
    const auto work = [&items, &next, level] {
        const FlateCoder coder(level);
        for (size_t i = next++; i < items.size(); i = next++)
            items[i] = coder.compress(items[i]);
    };
    const int helpers = std::min(QThread::idealThreadCount(), int(items.size())) - 1;
    std::vector<std::thread> threads;
    for (int t = 0; t < helpers; ++t)
        threads.emplace_back(work);
    work();
    for (std::thread &thread : threads)
        thread.join();
}
