#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// Reads JPEG 2000 pictures (a JP2 file or a bare codestream, as PDF's
// JPXDecode stores them) through OpenJPEG: 8-bit grey or RGB only.
//
//     const QImage pixels = JpxDecoder::decode(bytes, {1240, 1754});
class JpxDecoder
{
public:
    // Components (1 or 3) and size of a picture this class can read, from
    // its header alone; 0 components for anything else (alpha, palettes,
    // other depths or colour spaces, subsampled components, an embedded
    // colour profile, damage).
    struct Header
    {
        int components = 0;
        QSize size;
    };
    static Header header(const QByteArray &data);

    // The pixels as Format_Grayscale8 or Format_RGB888, decoded at the
    // smallest of the picture's halvings that is still at least `atLeast`
    // (the full size when empty); a null image when it cannot be read or
    // would take more than 120 million samples at that size.
    static QImage decode(const QByteArray &data, QSize atLeast = {});
};
