#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

struct libdeflate_compressor;

// Flate (zlib) coding through libdeflate, whose slower levels find matches
// that zlib's greedy search misses: a fifth off the repetitive numbers of
// drawings, a few percent off most page content.
//
//     FlateCoder coder(FlateCoder::Thorough);
//     const QByteArray packed = coder.compress(content);
class FlateCoder
{
public:
    // Levels 1 to 12; from 10 on the search is near-optimal and about five
    // times slower than at 9.
    static constexpr int Quick = 6;
    static constexpr int Thorough = 10;

    explicit FlateCoder(int level);
    ~FlateCoder();
    FlateCoder(const FlateCoder &) = delete;
    FlateCoder &operator=(const FlateCoder &) = delete;

    // The data in zlib format; empty when it cannot be coded.
    QByteArray compress(QByteArrayView data) const;
    // Each item coded in place, on as many threads as there are cores, each
    // with a coder of its own (one coder must not be shared between threads).
    static void compressEach(std::vector<QByteArray> &items, int level);

private:
    libdeflate_compressor *const compressor;
};
