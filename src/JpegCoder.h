#pragma once

#include <QByteArray>

// JPEG coding through libjpeg, for what the toolkit's writer cannot do:
// CMYK pictures, and telling how finely an existing JPEG was quantised.
class JpegCoder
{
public:
    // Codes `height` rows of `width` pixels with `components` bytes each
    // (1 grey, 3 RGB, 4 CMYK), `stride` bytes apart. CMYK is stored as given
    // (0 is no ink); `adobeMarker` adds the APP14 marker that CMYK JPEGs
    // usually carry. Returns nothing when libjpeg fails.
    static QByteArray encode(const uchar *pixels, int width, int height, qsizetype stride,
                             int components, int quality, bool adobeMarker);

    // Whether the JPEG carries an Adobe APP14 marker.
    static bool hasAdobeMarker(const QByteArray &jpeg);

    // The quality (1 to 100) at which the common libjpeg scaling of the
    // standard tables gives the JPEG's first quantisation table, or 0 when it
    // has none.
    static int estimateQuality(const QByteArray &jpeg);
};
