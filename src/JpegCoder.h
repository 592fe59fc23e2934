#pragma once

#include <QByteArray>

// JPEG coding through libjpeg, for what the toolkit's writer cannot do:
// CMYK and progressive pictures, and telling how finely an existing JPEG was
// quantised.
class JpegCoder
{
public:
    // Codes `height` rows of `width` pixels with `components` bytes each
    // (1 grey, 3 RGB, 4 CMYK), `stride` bytes apart, with optimised Huffman
    // tables, progressively if asked. CMYK is stored as given (0 is no ink),
    // coded as YCCK behind an Adobe marker. Returns nothing when libjpeg fails.
    static QByteArray encode(const uchar *pixels, int width, int height, qsizetype stride,
                             int components, int quality, bool progressive);

    // The same picture, losslessly: its coefficients as they are, with
    // optimised Huffman tables and progressive scans, which take 5-10 % off
    // most JPEGs. Returns nothing when libjpeg cannot read it.
    static QByteArray repack(const QByteArray &jpeg);

    // Whether a four-colour JPEG codes its inks apart rather than as YCCK,
    // which at the same quality takes about a third fewer bytes.
    static bool isPlainCmyk(const QByteArray &jpeg);

    // The quality (1 to 100) at which the common libjpeg scaling of the
    // standard tables gives the JPEG's first quantisation table, or 0 when it
    // has none.
    static int estimateQuality(const QByteArray &jpeg);
};
